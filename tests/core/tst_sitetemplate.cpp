// The common site files shipped in the program and put into the user-data folder.
#include "core/SiteTemplate.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TstSiteTemplate : public QObject
{
    Q_OBJECT

private slots:
    void installsTheSevenFilesOnce()
    {
        QTemporaryDir dir;
        const QString user = dir.path() + QLatin1Char('/');
        QCOMPARE(SiteTemplate::files(), QStringList({"page-fx.css", "page-el.css", "minus.gif", "plus.gif", "none.gif",
                                                     "back.gif", "menu.js"}));
        QVERIFY(SiteTemplate::install(user));
        const QString folder = SiteTemplate::folder(user);
        QCOMPARE(folder, user + QStringLiteral("Htm/Moto/cmn/"));
        for (const QString &name : SiteTemplate::files()) {
            QFile f(folder + name);
            QVERIFY2(f.open(QIODevice::ReadOnly) && f.size() > 0, qPrintable(name));
            if (name.endsWith(QLatin1String(".gif")))
                QVERIFY2(!QImage(folder + name).isNull(), qPrintable(name));
        }
        QFile js(folder + QStringLiteral("menu.js"));
        QVERIFY(js.open(QIODevice::ReadOnly));
        QVERIFY(js.readAll().contains("function fnTree(id)"));

        // A file the user changed stays; a deleted one comes back.
        QFile css(folder + QStringLiteral("page-fx.css"));
        QVERIFY(css.open(QIODevice::WriteOnly | QIODevice::Truncate));
        css.write("/* mine */");
        css.close();
        QVERIFY(QFile::remove(folder + QStringLiteral("plus.gif")));
        QVERIFY(SiteTemplate::install(user));
        QVERIFY(css.open(QIODevice::ReadOnly));
        QCOMPARE(css.readAll(), QByteArray("/* mine */"));
        QVERIFY(QFile::exists(folder + QStringLiteral("plus.gif")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("plus.gif.part")));
    }

    // A file where the folder should be: nothing can be installed, and it says so.
    void blockedFolderFails()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + QStringLiteral("/Htm"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!SiteTemplate::install(dir.path() + QLatin1Char('/')));
    }
};

QTEST_MAIN(TstSiteTemplate)
#include "tst_sitetemplate.moc"
