// The page editor's fields prepared for an output run, and its HTML output through the converter.
#include "core/Frmt.h"
#include "core/TemplateDb.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "publish/converter/yHtm.h"
#include "publish/converter/yHtmBridge.h"
#include "support/EditorTestEnv.h"
#include "support/RecordingLauncher.h"
#include "support/SamplePage.h"
#include "support/ScriptedPrompt.h"
#include "support/StubEditorServices.h"

#include <QLineEdit>
#include <QProcess>
#include <QTextCursor>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestPageFields : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<StubEditorServices> m_services;
    std::unique_ptr<uTxm> m_editor;

    RichTextEdit &edit() { return m_editor->edit(); }

    // The page "w0 w1 ..." with one field per word: data in order. With `stub` the page services
    // are the stub's, else the program's own (real page streams).
    void load(const QStringList &data, const QList<int> &types, bool stub = true)
    {
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, stub ? m_services.get() : nullptr);
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
        QStringList words;
        for (int i = 0; i < data.size(); ++i)
            words << QStringLiteral("w%1").arg(i);
        m_editor->SetText(words.join(QLatin1Char(' ')));
        for (int i = 0; i < data.size(); ++i) {
            edit().select(i * 3, 2);
            const int id = edit().insertField(words[i]);
            edit().setCurrentField(id);
            edit().setFieldType(types[i]);
            edit().setFieldData(data[i]);
        }
    }
    void loadReal(const QStringList &data, const QList<int> &types) { load(data, types, false); }

    // A database of the template in the test's home, open.
    void openDatabase()
    {
        const QString path = m_home->path() + QStringLiteral("/Pages.txdb");
        QVERIFY(TemplateDb::create(path));
        QVERIFY(zSvr::instance().D_StDcDb(path));
    }

    static QString readText(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QStringList fieldData()
    {
        QStringList out;
        for (int id = edit().nextField(0); id; id = edit().nextField(id)) {
            edit().setCurrentField(id);
            out << edit().fieldText() + QLatin1Char('=') + edit().fieldData();
        }
        return out;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        Frmt::st().outputSet = QStringLiteral(".1001.40.");
        Frmt::st().homeKind = 2;
        Frmt::st().homeAddress = QStringLiteral("http://s/");
        Frmt::st().htmList = QStringLiteral("9\t../index\r");
    }

    void convertForOutput()
    {
        load({QStringLiteral("TG_1001"), QStringLiteral("TG_12_40"), QStringLiteral("TG_1001"), QStringLiteral("TG_7"),
              QStringLiteral("TG_3_1024"), QStringLiteral("TG_9"), QStringLiteral("TP_phrase"),
              QStringLiteral("HTTP://x.org"), QStringLiteral("https://x.org"), QStringLiteral("LK_keep")},
             {2, 2, 2, 2, 2, 2, 2, 1, 1, 1});
        QCOMPARE(m_editor->T_GetTpLst(), QStringLiteral("w6\tphrase\r"));
        QString tags;
        m_editor->txCnvLnk(false, &tags);
        QCOMPARE(tags, QStringLiteral(".1001.40."));
        // with the tag list, link and tooltip fields stay
        QVERIFY(fieldData().contains(QStringLiteral("w6=TP_phrase")));
        QVERIFY(fieldData().contains(QStringLiteral("w3=http://s/pub/007.htm")));
        QVERIFY(fieldData().contains(QStringLiteral("w4=http://s/pub/003_1024.htm")));
        QVERIFY(fieldData().contains(QStringLiteral("w5=http://s/index.htm")));
        // without it, tooltips and links that are neither web addresses nor files lose their field,
        // text kept; a secure web address stays a link
        load({QStringLiteral("TP_phrase"), QStringLiteral("HTTP://x.org"), QStringLiteral("https://x.org"),
              QStringLiteral("TG_5")},
             {2, 1, 1, 2});
        Frmt::st().homeKind = 0;
        m_editor->txCnvLnk(true);
        QCOMPARE(fieldData(), (QStringList{QStringLiteral("w1=HTTP://x.org"), QStringLiteral("w2=https://x.org")}));
        QCOMPARE(edit().text(), QStringLiteral("w0 w1 w2 w3"));
    }

    void htmlOutput()
    {
        yHtmBridge::install();
        load({QStringLiteral("TP_phrase"), QStringLiteral("TG_1001")}, {2, 2});
        m_editor->titleBox()->setText(QStringLiteral("Title & more"));
        QTemporaryDir tmp;
        const QString file = tmp.path() + QStringLiteral("/page.htm");
        yHtm::instance().setDocumentType(0);
        bool ok = false;
        m_editor->setBDcEdt(true);
        m_editor->SaveHtm(0, ok, file);
        QVERIFY(ok);
        // an export stores nothing: the page stays modified
        QVERIFY(m_editor->bDcEdt());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(f.readAll());
        QVERIFY(page.contains(QStringLiteral("<title>Title &amp; more</title>")));
        QVERIFY2(page.contains(QStringLiteral("title=\"w0 : phrase\"")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("href=\"1001.htm\"")));
        QString css, body;
        m_editor->txGetCssBd(tmp.path() + QStringLiteral("/1001.htm"), css, body, ok);
        QVERIFY(ok);
        QVERIFY(body.contains(QStringLiteral("w1")));
        QVERIFY(css.endsWith(QStringLiteral("</style>\r\n")));
    }

    // "Save as" with an HTML name writes the page through the converter; the preview writes it into
    // the work folder and hands it to the desktop's browser.
    void saveAsHtmlAndPreview()
    {
        yHtmBridge::install();
        yHtm::instance().setDocumentType(0);
        loadReal({QStringLiteral("TG_1001")}, {2});
        ScriptedPrompt prompt;
        RecordingLauncher launcher;
        m_editor->setBDcEdt(true);
        QTemporaryDir tmp;
        const QString file = tmp.path() + QStringLiteral("/page.HTML");
        prompt.files.enqueue(file);
        prompt.answers.enqueue(Prompt::No);
        m_editor->rtAct(5);
        QCOMPARE(prompt.dialogTitles, QStringList{QStringLiteral("文書の保存")});
        QCOMPARE(prompt.messages, QStringList{file + QStringLiteral(" に出力しました　起動しますか")});
        const QString page = readText(file);
        QVERIFY(TestHome::readAll(file).startsWith("\xEF\xBB\xBF<!DOCTYPE html PUBLIC"));
        QVERIFY(page.contains(QStringLiteral("href=\"1001.htm\"")));
        QVERIFY(m_editor->bDcEdt());
        QVERIFY(m_editor->jobBuilt(8));
        m_editor->rtAct(8);
        const QString preview = Usr::st().workFolder + QStringLiteral("$Wrk.htm");
        QVERIFY(readText(preview).contains(QStringLiteral("href=\"1001.htm\"")));
        QCOMPARE(launcher.lastCommand(), (QStringList{QStringLiteral("xdg-open"), preview}));
        QVERIFY(m_editor->bDcEdt());
        QCOMPARE(prompt.messages.size(), 1);
    }

    // Exports of a database with a published site carry the site's links; only HTML keeps inline
    // frames; the page in the editor keeps its fields and frames.
    void exportsCarryTheSitesLinks()
    {
        yHtmBridge::install();
        yHtm::instance().setDocumentType(0);
        openDatabase();
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set HiHome=1, HsHome1='http://s'")));
        loadReal({QStringLiteral("TG_1001")}, {2});
        QTextCursor end(m_editor->page().main());
        end.movePosition(QTextCursor::End);
        SamplePage::insertTextFrame(m_editor->page(), end, QStringLiteral("[Iframe:map]http://example.org/f"), 0xFAFEFE);
        Frmt::st().outputSet = QStringLiteral(".1001.");
        ScriptedPrompt prompt;
        prompt.defaultAnswer = Prompt::No;
        QTemporaryDir tmp;
        QString html = tmp.path() + QStringLiteral("/p.htm");
        QVERIFY(m_editor->txSaveAs(html, false));
        const QString page = readText(html);
        QVERIFY2(page.contains(QStringLiteral("href=\"http://s/1001.htm\"")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("<iframe src=\"http://example.org/f\"")));
        QVERIFY(Frmt::st().outputSet.isEmpty());
        QCOMPARE(fieldData(), QStringList{QStringLiteral("w0=TG_1001")});
        auto words = [](const QString &file) {
            QProcess pandoc;
            pandoc.start(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("docx"), QStringLiteral("-t"),
                                                    QStringLiteral("markdown"), file});
            pandoc.waitForFinished(60000);
            return QString::fromUtf8(pandoc.readAllStandardOutput());
        };
        QString word = tmp.path() + QStringLiteral("/p.docx");
        QVERIFY(m_editor->txSaveAs(word, false));
        const QString published = words(word);
        QVERIFY2(published.contains(QStringLiteral("(http://s/1001.htm)")), qPrintable(published));
        QVERIFY(!published.contains(QStringLiteral("Iframe")));
        QCOMPARE(fieldData(), QStringList{QStringLiteral("w0=TG_1001")});
        QVERIFY(edit().nextObject(32, 0) != 0);
        // without the publication step the Word file is the page as it stands
        QString plain = tmp.path() + QStringLiteral("/q.docx");
        QVERIFY(m_editor->txSaveAs(plain, true));
        QVERIFY(words(plain).contains(QStringLiteral("Iframe")));
        zSvr::instance().D_Close();
    }

    // The links to the visible child pages at the end of the page, addressed by their file names.
    void childLinks()
    {
        yHtmBridge::install();
        yHtm::instance().setDocumentType(0);
        openDatabase();
        const QString insert = QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide) Values (?, ?, ?, ?, ?, ?)");
        QVERIFY(zSvr::instance().D_ExeSq(insert, {1001, 1003, 2, QStringLiteral("二番"), 1, 0}));
        QVERIFY(zSvr::instance().D_ExeSq(insert, {1001, 9, 1, QStringLiteral("一番"), 0, 0}));
        QVERIFY(zSvr::instance().D_ExeSq(insert, {1001, 1004, 3, QStringLiteral("隠し"), 0, 1}));
        Frmt::st().homeAddress = QStringLiteral("http://s/");
        loadReal({}, {});
        m_editor->SetText(QStringLiteral("本文"));
        m_editor->txAddLnk(1001);
        QCOMPARE(edit().text(), QStringLiteral("本文\n一番・二番・"));
        QCOMPARE(fieldData(), (QStringList{QStringLiteral("一番=http://s/index.htm"),
                                           QStringLiteral("二番=http://s/pub/1001_1003.htm")}));
        m_editor->txAddLnk(1003);
        QCOMPARE(edit().text(), QStringLiteral("本文\n一番・二番・"));
        zSvr::instance().D_Close();
    }
};

QTEST_MAIN(TestPageFields)
#include "tst_fieldoutput.moc"
