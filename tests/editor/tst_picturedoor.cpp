// Every way a picture comes into the program from outside, crossed with the pictures that once crashed
// it, froze it, made it open other files or take gigabytes: a document read or inserted (HTML, Word,
// RTF), 挿入 > 画像 of a file whose name says another format, the clipboard in each of its types, and a
// page stored with the picture, drawn and published. Each crossing runs in a child process of this
// test, so that a crash or a hang fails the crossing instead of ending the test.
#include "editor/sbWmf.h"
#include "editor/uTxm.h"
#include "platform/docx/DocumentFile.h"
#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/RichView.h"
#include "platform/rtf/RtfReader.h"
#include "support/EditorTestEnv.h"
#include "support/FifoProbe.h"
#include "support/ForeignFiles.h"
#include "support/OpenProbe.h"
#include "support/PeakMemory.h"
#include "support/SamplePage.h"
#include "support/ScriptedPrompt.h"
#include "support/TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdio>

#include <sys/resource.h>
namespace {

const char *const DoorVariable = "FENWAR_PICTURE_DOOR";
const char *const FolderVariable = "FENWAR_PICTURE_FOLDER";
// A crossing that takes longer has frozen.
constexpr int ChildMilliseconds = 90000;
// What a crossing may take at most, busy (a read is within about two seconds of decoding; the test
// runs under the sanitizers, on a busy machine).
constexpr qint64 CrossingMilliseconds = 30000;
// The memory a child may hold at all, in megabytes: past it, it is ended (the test's own limit is far
// less; this one keeps a crossing that runs away from the machine's other work).
constexpr qint64 ChildLimit = 3072;
// What a crossing may take beyond what the process held before, in megabytes: a read decodes within
// its budget (half a gigabyte).
constexpr qint64 GrowthLimit = 1024;

// The doors, in the order crossed. "picture file" is 挿入 > 画像, "paste picture" the paste menu's
// 画像 item.
const QStringList &doors()
{
    static const QStringList list = {
        QStringLiteral("HTML read"), QStringLiteral("HTML inserted"), QStringLiteral("Word read"),
        QStringLiteral("Word inserted"), QStringLiteral("RTF read"), QStringLiteral("RTF inserted"),
        QStringLiteral("picture file"), QStringLiteral("paste image/png"), QStringLiteral("paste image/gif"),
        QStringLiteral("paste image/jpeg"), QStringLiteral("paste image/bmp"), QStringLiteral("paste image/svg+xml"),
        QStringLiteral("paste application/x-qt-image"), QStringLiteral("paste text/rtf"), QStringLiteral("paste page"),
        QStringLiteral("paste picture"), QStringLiteral("stored page drawn"), QStringLiteral("stored page published")};
    return list;
}

// The clipboard as the desktop's gives another program's data (Qt's QInternalMimeData): the bytes as
// they came, under their type and, for a picture, under Qt's own type too, whose image Qt decodes from
// the bytes by their content when it is asked for one.
class DesktopClipboard : public QMimeData
{
public:
    DesktopClipboard(const QString &type, const QByteArray &bytes) : m_type(type), m_bytes(bytes) {}
    QStringList formats() const override
    {
        if (m_type.startsWith(QLatin1String("image/")) || m_type == qtImage())
            return {m_type, qtImage()};
        return {m_type};
    }
    bool hasFormat(const QString &type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString &type, QMetaType meta) const override
    {
        if (!formats().contains(type))
            return QVariant();
        if (type == qtImage() && meta.id() == QMetaType::QImage)
            return QImage::fromData(m_bytes);
        return m_bytes;
    }

private:
    static QString qtImage() { return QStringLiteral("application/x-qt-image"); }
    QString m_type;
    QByteArray m_bytes;
};

// The picture's name in what the program tells of it, by the door it came through.
QString nameIn(const QString &door)
{
    if (door.startsWith(QLatin1String("Word")))
        return QStringLiteral("word/media/image1.png");
    if (door.startsWith(QLatin1String("RTF")) || door == QLatin1String("paste text/rtf"))
        return RtfReader::pictureName(1);
    if (door.startsWith(QLatin1String("paste")))
        return PageClipboard::pictureName();
    return QStringLiteral("picture.png");
}

// The pictures a document holds after the row's picture: after1.png ... beside it.
QList<QByteArray> afterPictures(const QString &folder)
{
    QList<QByteArray> pictures;
    for (int n = 1; QFile::exists(folder + QStringLiteral("/after%1.png").arg(n)); ++n)
        pictures << TestHome::readAll(folder + QStringLiteral("/after%1.png").arg(n));
    return pictures;
}

QByteArray rtfWith(const QByteArray &picture, const QList<QByteArray> &after)
{
    QByteArray rtf = "{\\rtf1\\ansi a" + ForeignFiles::rtfPicture(picture, ForeignFiles::BlipUid);
    for (const QByteArray &more : after)
        rtf += ForeignFiles::rtfPicture(more, ForeignFiles::BlipUid);
    return rtf + "b\\par}";
}

// The document of a reading door, with the picture in it and those after it (HTML: beside it, named
// picture.png, with the attributes of its <img> in attributes.txt).
QString documentFor(const QString &door, const QString &folder, const QByteArray &picture)
{
    QString path;
    QByteArray bytes;
    const QList<QByteArray> after = afterPictures(folder);
    if (door.startsWith(QLatin1String("HTML"))) {
        path = folder + QStringLiteral("/page.htm");
        bytes = "<html><body><p>a<img src=\"picture.png\"" + TestHome::readAll(folder + QStringLiteral("/attributes.txt")) + ">";
        for (qsizetype n = 1; n <= after.size(); ++n)
            bytes += "<img src=\"after" + QByteArray::number(n) + ".png\">";
        bytes += "b</p></body></html>";
    } else if (door.startsWith(QLatin1String("Word"))) {
        path = folder + QStringLiteral("/page.docx");
        bytes = ForeignFiles::docxPictures(QList<QByteArray>{picture} + after);
    } else {
        path = folder + QStringLiteral("/page.rtf");
        bytes = rtfWith(picture, after);
    }
    return TestHome::write(path, bytes) ? path : QString();
}

// Pictures of the page decoded as they are drawn.
int drawn(const PageDocument &page)
{
    int count = 0;
    for (const QString &name : page.usedPictureNames())
        count += page.pictureImage(name).isNull() ? 0 : 1;
    return count;
}

// Pictures of the page shown at a size that is no finite positive number: invisible, or worse.
int unseen(const PageDocument &page)
{
    int count = 0;
    for (QTextBlock block = page.main()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            for (int side : {int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight)}) {
                const double length = image.doubleProperty(side);
                if (image.hasProperty(side) && !(std::isfinite(length) && length > 0)) {
                    ++count;
                    break;
                }
            }
        }
    }
    return count;
}

// One crossing, in the child: what the page kept and whether the user was told of the picture, how
// much more memory the process took and how long it took, and pictures kept unseen, printed for the
// test.
int cross(const QString &door, const QString &folder)
{
    const QByteArray picture = TestHome::readAll(folder + QStringLiteral("/picture.png"));
    const qint64 before = peakMegabytes();
    QElapsedTimer clock;
    clock.start();
    int kept = 0;
    int hidden = 0;
    QString told;
    if (door.endsWith(QLatin1String(" read"))) {
        PageDocument page(PageDocument::WithoutLayout);
        const QString file = documentFor(door, folder, picture);
        QString problem;
        DocumentFile::read(page, file, DocumentFile::formatOf(file), &problem, &told);
        kept = drawn(page);
        hidden = unseen(page);
        told += problem;
    } else if (door.startsWith(QLatin1String("stored page"))) {
        // As a page stored by an earlier version, or made by hand, holds it: under the name of a format.
        PageDocument page;
        if (!PageCodec::load(page, SamplePage::streamWithPicture(picture, "png")))
            return 2;
        if (door.endsWith(QLatin1String("drawn"))) {
            QImage sheet(800, 1100, QImage::Format_RGB32);
            QPainter painter(&sheet);
            PageRenderer(page).drawPage(&painter, 1);
            kept = drawn(page);
        } else {
            HtmlExport::Options options;
            options.pictureFormat = 3;
            bool written = false;
            HtmlExport::text(page, folder + QStringLiteral("/site/page.htm"), options, &written);
            kept = int(QDir(folder + QStringLiteral("/site/page_Images")).entryList(QDir::Files).size());
        }
    } else {
        TestHome home;
        if (!resetEditorState(home))
            return 2;
        ScriptedPrompt prompt;
        uTxm editor;
        editor.view()->setDialogRunner([](QDialog &) { return false; });
        editor.cOn(0, 2);
        editor.SetText(QStringLiteral("本文"));
        editor.edit().setSelStart(editor.edit().textLength());
        // The sizing window of a picture is answered with OK, whenever it comes (a wait window may
        // come first, while the picture is looked at).
        const auto pressOk = [] {
            auto *poll = new QTimer(qApp);
            QObject::connect(poll, &QTimer::timeout, poll, [poll] {
                if (auto *dialog = qobject_cast<sbWmf *>(QApplication::activeModalWidget())) {
                    poll->stop();
                    dialog->cmRet[0]->click();
                }
            });
            poll->start(10);
        };
        if (door.endsWith(QLatin1String(" inserted"))) {
            prompt.files.enqueue(documentFor(door, folder, picture));
            editor.rtAct(30);
        } else if (door == QLatin1String("picture file")) {
            prompt.files.enqueue(folder + QStringLiteral("/picture.png"));
            pressOk();
            editor.rtAct(35);
        } else {
            QString type = door.mid(6);
            QByteArray bytes = picture;
            if (type == QLatin1String("text/rtf")) {
                bytes = rtfWith(picture, afterPictures(folder));
            } else if (type == QLatin1String("page")) {
                type = PageClipboard::mimeType();
                bytes = SamplePage::streamWithPicture(picture, "png");
            } else if (type == QLatin1String("picture")) {
                type = QStringLiteral("image/png");
            }
            QApplication::clipboard()->setMimeData(new DesktopClipboard(type, bytes));
            if (door == QLatin1String("paste picture")) {
                pressOk();
                editor.rtAct(15, QStringLiteral("PIC"));
            } else {
                editor.rtAct(15, QString());
            }
        }
        // Laid out and drawn as the editor shows it.
        editor.page().main()->documentLayout()->documentSize();
        drawn(editor.page());
        kept = int(editor.edit().objectIds(TextProps::PictureKind).size());
        hidden = unseen(editor.page());
        told = prompt.messages.join(QLatin1Char('\n'));
    }
    std::printf("kept %d told %d grown %lld unseen %d ms %lld\n", kept, told.contains(nameIn(door)) ? 1 : 0,
                peakMegabytes() - before, hidden, clock.elapsed());
    std::fflush(stdout);
    return 0;
}

// How a child ended that did not end well: the sanitizer's summary, else its exit.
QString crashOf(QProcess &child)
{
    const QStringList lines = QString::fromLocal8Bit(child.readAllStandardError()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("SUMMARY:")))
            return line;
    }
    return child.exitStatus() == QProcess::NormalExit ? QStringLiteral("exit code %1").arg(child.exitCode())
                                                      : QStringLiteral("killed by a signal");
}

// A drawing 20 x 10 of a red rectangle, with `more` in it.
QByteArray drawing(const QByteArray &more)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"20\" height=\"10\">"
           "<rect width=\"20\" height=\"10\" fill=\"#ff0000\"/>" + more + "</svg>";
}

QByteArray picture(const QByteArray &reference)
{
    return "<image x=\"0\" y=\"0\" width=\"4\" height=\"4\" xlink:href=\"" + reference + "\"/>";
}

// A drawing holding a drawing in a data URL: the row's `inner` one.
QByteArray within()
{
    return drawing(picture("data:image/svg+xml;base64,%INNER%"));
}

} // namespace

class TestPictureDoor : public QObject
{
    Q_OBJECT

private slots:
    void everyDoorLetsInOnlyWhatIsSafe_data()
    {
        // "%DIR%" stands for the crossing's folder (the child's working folder), which holds the
        // picture as picture.png, the FIFO "fifo", and outside.png and "DATA:outside.png", whose
        // opening the test watches; "%INNER%" for `inner` in base64, its "%DIR%" put in first.
        // `after`: pictures a document holds after it (the HTML page names them after1.png ...);
        // `attributes`: those of the HTML page's <img>.
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QByteArray>("inner");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::addColumn<QByteArray>("attributes");
        const auto row = [](const char *name, const QByteArray &picture, const QByteArray &inner = QByteArray(),
                            const QList<QByteArray> &after = {}, const QByteArray &attributes = QByteArray()) {
            QTest::newRow(name) << picture << inner << after << attributes;
        };
        row("drawing within a drawing names the drawing", within(), drawing(picture("%DIR%/picture.png")));
        row("drawing within a drawing names a FIFO", within(), drawing(picture("%DIR%/fifo")));
        row("drawing within a drawing names a file outside", within(), drawing(picture("%DIR%/outside.png")));
        // Qt takes only a lower-case "data" for data: this names a file of the working folder.
        row("DATA: in capitals", drawing(picture("DATA:outside.png")));
        QByteArray jpegs;
        for (int i = 0; i < 8; ++i)
            jpegs += picture("data:image/jpeg;base64," + ForeignFiles::progressiveJpegHeader(5600 + i, 5600).toBase64());
        row("huge pictures within a drawing", drawing(jpegs));
        row("GIF restoring its frame", ForeignFiles::restoringGif(16000, 16000));
        row("16-bit PNG", ForeignFiles::deepPng(5000, 5000));
        // What a drawing costs is counted from its own parse, never taken from Qt's reader (which
        // builds every element to tell a size): 62 KB that unpack to 16,000,000 elements.
        row("drawing of 16,000,000 elements", ForeignFiles::packedElements(16000000));
        // One budget of unpacked bytes for a whole look: 1,000 drawings of 65 MB each in 60 KB.
        row("packed drawings within packed drawings", ForeignFiles::packedNested(3, 10, 65000000));
        // An icon claiming 2^62 pixels priced its picture at -17 GB, which the read's budget gained:
        // every picture after it was taken, alone and within a drawing.
        QList<QByteArray> huge;
        QByteArray hugeWithin = picture("data:image/x-icon;base64," + ForeignFiles::lyingIcon().toBase64());
        for (int i = 0; i < 30; ++i) {
            huge << ForeignFiles::progressiveJpegHeader(5600, 5600 + i);
            hugeWithin += picture("data:image/jpeg;base64," + huge.last().toBase64());
        }
        row("lying icon before 30 huge pictures", ForeignFiles::lyingIcon(), QByteArray(), huge);
        row("lying icon before 30 huge pictures within a drawing", drawing(hugeWithin));
        // Sizes of a page that are no finite number (the picture was kept at NaN x NaN).
        row("picture of width inf, height 1e308", ForeignFiles::png(4, 8), QByteArray(), {}, " width=\"inf\" height=\"1e308\"");
        // A height computed from a width of 1e308 is infinite.
        row("picture of width 1e308", ForeignFiles::png(4, 8), QByteArray(), {}, " width=\"1e308\"");
    }

    // Each door takes the picture, or leaves it out and says so; none crashes, waits for ever, opens
    // a file the picture names or takes gigabytes for it. A page stored with the picture is drawn and
    // published (a picture left out of it shows as an empty box; one that cannot be written fails
    // the publishing, which says so).
    void everyDoorLetsInOnlyWhatIsSafe()
    {
        QFETCH(QByteArray, picture);
        QFETCH(QByteArray, inner);
        QFETCH(QList<QByteArray>, after);
        QFETCH(QByteArray, attributes);
        QStringList faults;
        for (const QString &door : doors()) {
            QTemporaryDir dir;
            const QByteArray folder = QFile::encodeName(dir.path());
            const QByteArray innerHere = QByteArray(inner).replace("%DIR%", folder).toBase64();
            QVERIFY(TestHome::write(dir.filePath(QStringLiteral("picture.png")),
                                    QByteArray(picture).replace("%DIR%", folder).replace("%INNER%", innerHere)));
            const QByteArray png = TestImages::bytes("PNG", Qt::green, 4, 4);
            QVERIFY(TestHome::write(dir.filePath(QStringLiteral("outside.png")), png));
            for (qsizetype n = 1; n <= after.size(); ++n)
                QVERIFY(TestHome::write(dir.filePath(QStringLiteral("after%1.png").arg(n)), after.at(n - 1)));
            QVERIFY(TestHome::write(dir.filePath(QStringLiteral("attributes.txt")), attributes));
            QVERIFY(TestHome::write(dir.filePath(QStringLiteral("DATA:outside.png")), png));
            const FifoProbe fifo(dir.filePath(QStringLiteral("fifo")));
            OpenProbe outside(dir.filePath(QStringLiteral("outside.png")));
            OpenProbe upper(dir.filePath(QStringLiteral("DATA:outside.png")));
            QVERIFY(fifo.made() && outside.made() && upper.made());
            QProcess child;
            child.setWorkingDirectory(dir.path());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(DoorVariable), door);
            environment.insert(QString::fromLatin1(FolderVariable), dir.path());
            // Under the sanitizer, whose shadow memory no limit of address space allows, its own limit.
            const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
            environment.insert(QStringLiteral("ASAN_OPTIONS"), (sanitizer.isEmpty() ? QString() : sanitizer + QLatin1Char(':'))
                                                                   + QStringLiteral("hard_rss_limit_mb=%1").arg(ChildLimit));
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(), QStringList());
            const bool ended = child.waitForFinished(ChildMilliseconds);
            if (!ended) {
                child.kill();
                child.waitForFinished();
            }
            const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
            const QRegularExpressionMatch result = QRegularExpression(QStringLiteral("kept (\\d+) told (\\d+) grown (-?\\d+) unseen (\\d+) ms (\\d+)")).match(output);
            QString fault;
            if (!ended)
                fault = QStringLiteral("did not end: frozen");
            else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !result.hasMatch())
                fault = QStringLiteral("crashed (%1)").arg(crashOf(child));
            else if (fifo.opened() || outside.opened() || upper.opened())
                fault = QStringLiteral("opened a file the picture names");
            else if (result.captured(3).toLongLong() > GrowthLimit)
                fault = QStringLiteral("took %1 MB").arg(result.captured(3));
            else if (result.captured(5).toLongLong() > CrossingMilliseconds)
                fault = QStringLiteral("took %1 ms").arg(result.captured(5));
            else if (result.captured(4) != QLatin1String("0"))
                fault = QStringLiteral("kept the picture at a size it cannot be shown at");
            else if (!door.startsWith(QLatin1String("stored")) && result.captured(1) == QLatin1String("0")
                     && result.captured(2) == QLatin1String("0"))
                fault = QStringLiteral("left the picture out without a word");
            if (!fault.isEmpty())
                faults << door + QStringLiteral(": ") + fault;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(DoorVariable)) {
#ifndef __SANITIZE_ADDRESS__
        const rlimit limit{rlim_t(ChildLimit + 1024) * 1024 * 1024, rlim_t(ChildLimit + 1024) * 1024 * 1024};
        setrlimit(RLIMIT_AS, &limit);
#endif
        return cross(qEnvironmentVariable(DoorVariable), qEnvironmentVariable(FolderVariable));
    }
    TestPictureDoor test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_picturedoor.moc"
