#include "core/zClt.h"
#include "publish/epub/eZip.h"
#include "publish/epub/yEpub.h"
#include "support/EpubCheck.h"
#include "support/TestHome.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <zip.h>

// The package files and the packing of a work folder into a book, checked by
// reading the archive back and by the EPUB checker.
class tst_EpubPackage : public QObject
{
    Q_OBJECT

private:
    static void writePage(const QString &path, const QString &title, const QString &body)
    {
        const QString text = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"ja\"><head><title>%1</title></head>"
            "<body>%2</body></html>")
                                 .arg(title.toHtmlEscaped(), body);
        QVERIFY(zClt::instance().F_StUtf(path, text));
    }

    struct Entry
    {
        QString name;
        int method;
    };
    static QList<Entry> entries(const QString &archive)
    {
        QList<Entry> list;
        int err = 0;
        zip_t *za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
        if (!za)
            return list;
        for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
            zip_stat_t st;
            zip_stat_index(za, zip_uint64_t(i), 0, &st);
            list.append({QString::fromUtf8(st.name), int(st.comp_method)});
        }
        zip_close(za);
        return list;
    }

private slots:
    void bookPassesTheChecker()
    {
        TestHome home;
        // "[" was a wildcard of older packers; it must stay a plain character.
        const QString work = home.path() + QStringLiteral("/ePub/Doc[1]");
        QVERIFY(QDir().mkpath(work + QStringLiteral("/OEBPS/Images")));
        QVERIFY(QDir().mkpath(work + QStringLiteral("/Stale/deep")));
        QVERIFY(TestHome::write(work + QStringLiteral("/Stale/deep/old.txt"), "old"));

        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(work + QStringLiteral("/OEBPS/Images/a.PNG"), "PNG"));
        QVERIFY(img.save(work + QStringLiteral("/OEBPS/Images/b.jpg"), "JPEG"));
        QVERIFY(img.save(work + QStringLiteral("/OEBPS/Images/c.jpeg"), "JPEG"));
        QVERIFY(TestHome::write(work + QStringLiteral("/OEBPS/Images/d"), "x"));

        const QString odd = QStringLiteral("A & B <c> \"q\" 'a' @~ 😀 𠮷");
        writePage(work + QStringLiteral("/OEBPS/007.xhtml"), odd,
                  QStringLiteral("<p><img src=\"Images/a.PNG\" alt=\"a\"/><img src=\"Images/b.jpg\" alt=\"b\"/></p>"));
        writePage(work + QStringLiteral("/OEBPS/1002.xhtml"), QStringLiteral("二"),
                  QStringLiteral("<p><img src=\"Images/c.jpeg\" alt=\"c\"/></p>"));

        yEpub book;
        book.workFolder = work;
        book.title = odd;
        book.identifier = QStringLiteral("fenwar:mysite_125");
        book.creator = QStringLiteral("著者 & <co>");
        book.rights = QStringLiteral("© 2026");
        book.publisher = QString();
        QCOMPARE(yEpub::PageFileName(QStringLiteral(" 7 ")), QStringLiteral("007.xhtml"));
        QCOMPARE(yEpub::PageFileName(QStringLiteral("1002")), QStringLiteral("1002.xhtml"));
        book.fileList = yEpub::PageFileName(QStringLiteral("7")) + u',' + yEpub::PageFileName(QStringLiteral("1002"))
                        + QStringLiteral(",,");
        QVERIFY(book.WriteRootFiles());
        QVERIFY(book.WriteOpf());
        const QString nav = yEpub::NavOpen(0, 1, odd, QStringLiteral("007.xhtml"))
                            + yEpub::NavOpen(1, 2, QStringLiteral("二"), QStringLiteral("1002.xhtml"))
                            + yEpub::NavClose(1) + yEpub::NavClose(0);
        QVERIFY(book.WriteNcx(nav, 2));

        QCOMPARE(TestHome::readAll(work + QStringLiteral("/mimetype")), QByteArray("application/epub+zip"));
        const QString opf = zClt::instance().FsGtUtf(work + QStringLiteral("/OEBPS/content.opf"));
        QVERIFY(opf.contains(QStringLiteral("<dc:title>A &amp; B &lt;c&gt; &quot;q&quot; 'a' @~ 😀 𠮷</dc:title>")));
        QVERIFY(opf.contains(QStringLiteral("<dc:rights>© 2026</dc:rights>")));
        QVERIFY(!opf.contains(QStringLiteral("dc:publisher")));
        QVERIFY(opf.contains(QStringLiteral("href=\"Images/a.PNG\" media-type=\"image/png\"")));
        QVERIFY(opf.contains(QStringLiteral("href=\"Images/b.jpg\" media-type=\"image/jpeg\"")));
        QVERIFY(opf.contains(QStringLiteral("href=\"Images/c.jpeg\" media-type=\"image/jpeg\"")));
        QVERIFY(!opf.contains(QStringLiteral("Images/d\"")));
        QVERIFY(opf.contains(QStringLiteral("media-type=\"application/x-dtbncx+xml\"")));
        QCOMPARE(opf.count(QStringLiteral("<itemref ")), 2);
        const QString ncx = zClt::instance().FsGtUtf(work + QStringLiteral("/OEBPS/toc.ncx"));
        QVERIFY(ncx.contains(QStringLiteral("content=\"fenwar:mysite_125\"")));
        QVERIFY(ncx.contains(QStringLiteral("<text>A &amp; B &lt;c&gt;")));

        // The checker warns about files it cannot account for.
        QVERIFY(QFile::remove(work + QStringLiteral("/OEBPS/Images/d")));
        QVERIFY(QDir(work + QStringLiteral("/Stale")).removeRecursively());
        QVERIFY(book.WriteOpf());

        const QString archive = home.path() + QStringLiteral("/ePub/Doc[1].epub");
        QVERIFY(TestHome::write(archive, QByteArray(5000, 'z'))); // an older book is replaced, not appended to
        QString folder = work + u'/';
        bool ok = false;
        QString why;
        eZip::ZipFolder(folder, archive, ok, &why);
        QVERIFY2(ok, qPrintable(why));
        QCOMPARE(folder, work);
        QVERIFY(!QFile::exists(archive + QStringLiteral(".part")));

        const QList<Entry> list = entries(archive);
        QVERIFY(list.size() >= 8);
        QCOMPARE(list[0].name, QStringLiteral("mimetype"));
        QCOMPARE(list[0].method, int(ZIP_CM_STORE));
        QStringList names;
        for (int i = 1; i < list.size(); ++i) {
            QCOMPARE(list[i].method, int(ZIP_CM_DEFLATE));
            names << list[i].name;
        }
        QVERIFY(names.contains(QStringLiteral("META-INF/container.xml")));
        QVERIFY(names.contains(QStringLiteral("OEBPS/Images/a.PNG")));
        QVERIFY(names.contains(QStringLiteral("OEBPS/1002.xhtml")));

        QString report;
        QVERIFY2(epubCheck(archive, report), qPrintable(report));
    }

    void failureKeepsTheOldBook()
    {
        TestHome home;
        const QString work = home.path() + QStringLiteral("/w");
        QVERIFY(QDir().mkpath(work + QStringLiteral("/OEBPS")));
        QVERIFY(TestHome::write(work + QStringLiteral("/mimetype"), "application/epub+zip"));
        const QString archive = home.path() + QStringLiteral("/Book.epub");
        QVERIFY(TestHome::write(archive, "old book"));
        // The temporary name is taken by a folder, so the new archive cannot be written.
        QVERIFY(QDir().mkpath(archive + QStringLiteral(".part/x")));
        QString folder = work;
        bool ok = true;
        eZip::ZipFolder(folder, archive, ok);
        QVERIFY(!ok);
        QCOMPARE(TestHome::readAll(archive), QByteArray("old book"));

        // Into a folder that does not exist: reported, nothing written.
        ok = true;
        const QString nowhere = home.path() + QStringLiteral("/none/Book.epub");
        eZip::ZipFolder(folder, nowhere, ok);
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(nowhere));

        // Links in the folder lead out of it: what they point to is not packed, and a link that
        // leads nowhere does not stop the book.
        const QString secret = home.path() + QStringLiteral("/secret.txt");
        QVERIFY(TestHome::write(secret, "private"));
        QVERIFY(QDir().mkpath(work + QStringLiteral("/Stale")));
        QVERIFY(TestHome::write(work + QStringLiteral("/Stale/kept.txt"), "stale"));
        for (const QString &link : {QStringLiteral("/leak"), QStringLiteral("/Stale/leak"), QStringLiteral("/OEBPS/leak")})
            QVERIFY(QFile::link(secret, work + link));
        QVERIFY(QFile::link(home.path() + QStringLiteral("/gone"), work + QStringLiteral("/Stale/gone")));
        QVERIFY(QDir().rmdir(archive + QStringLiteral(".part/x")) && QDir().rmdir(archive + QStringLiteral(".part")));
        folder = work;
        ok = false;
        QString why;
        eZip::ZipFolder(folder, archive, ok, &why);
        QVERIFY2(ok, qPrintable(why));
        QStringList packed;
        for (const Entry &e : entries(archive))
            packed << e.name;
        QCOMPARE(packed, QStringList({"mimetype", "Stale/kept.txt"}));

        // An empty folder leaves the flag as the caller set it.
        const QString empty = home.path() + QStringLiteral("/empty");
        QVERIFY(QDir().mkpath(empty));
        folder = empty;
        ok = false;
        eZip::ZipFolder(folder, home.path() + QStringLiteral("/E.epub"), ok);
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(home.path() + QStringLiteral("/E.epub")));
    }

    // Text for titles and labels: what XML cannot hold and the controls no page carries go, a pair
    // of surrogates stays whole, line ends and tabs become blanks; a right-to-left mark is text.
    void xmlText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QChar hi(0xD834), lo(0xDD1E); // 𝄞
        QTest::newRow("plain") << QStringLiteral("A & <b> \"q\" ア") << QStringLiteral("A & <b> \"q\" ア");
        QTest::newRow("blanks") << QStringLiteral("a\tb\r\nc") << QStringLiteral("a b  c");
        QTest::newRow("controls") << QStringLiteral("a\x01" "b\x1F" "\x7F") << QStringLiteral("ab");
        QTest::newRow("C1 and bidirectional controls")
            << QString(QChar(0x85)) + u'a' + QChar(0x202E) + u'b' + QChar(0x2066) + QChar(0x2069) + QChar(0x200F)
            << QStringLiteral("ab") + QChar(0x200F);
        QTest::newRow("non-characters") << QString(QChar(0xFFFE)) + QChar(0xFFFF) + QChar(0xFFFD) << QString(QChar(0xFFFD));
        QTest::newRow("pair") << QString(hi) + lo << QString(hi) + lo;
        QTest::newRow("lone high") << QString(hi) + u'x' + hi << QStringLiteral("x");
        QTest::newRow("lone low") << QString(lo) + u'x' + lo << QStringLiteral("x");
        QTest::newRow("high high low") << QString(hi) + hi + lo << QString(hi) + lo;
        QTest::newRow("high low low") << QString(hi) + lo + lo << QString(hi) + lo;
        QTest::newRow("low high low") << QString(lo) + hi + lo << QString(hi) + lo;
    }
    void xmlText()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(yEpub::XmlText(text), expected);
    }
};

QTEST_MAIN(tst_EpubPackage)
#include "tst_epubpackage.moc"
