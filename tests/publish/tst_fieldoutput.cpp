// The page editor's fields prepared for an output run, and its HTML output through the converter.
#include "core/Frmt.h"
#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "publish/converter/yHtm.h"
#include "publish/converter/yHtmBridge.h"
#include "support/EditorTestEnv.h"
#include "support/StubEditorServices.h"

#include <QLineEdit>
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

    // The page "a b c ..." with one field per word: data in order.
    void load(const QStringList &data, const QList<int> &types)
    {
        m_services = std::make_unique<StubEditorServices>();
        m_editor = std::make_unique<uTxm>(nullptr, m_services.get());
        m_editor->view()->setDialogRunner([](QDialog &) { return false; });
        m_editor->cOn(0, 2);
        QStringList words;
        for (int i = 0; i < data.size(); ++i)
            words << QStringLiteral("w%1").arg(i);
        bool ok = false;
        m_editor->SetData(StubEditorServices::page(words.join(QLatin1Char(' '))), ok, true);
        QVERIFY(ok);
        for (int i = 0; i < data.size(); ++i) {
            edit().select(i * 3, 2);
            const int id = edit().insertField(words[i]);
            edit().setCurrentField(id);
            edit().setFieldType(types[i]);
            edit().setFieldData(data[i]);
        }
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
        m_editor->SaveHtm(0, ok, file);
        QVERIFY(ok);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(f.readAll());
        QVERIFY(page.contains(QStringLiteral("<title>Title &amp; more</title>")));
        QVERIFY2(page.contains(QStringLiteral("title=\"w0 : phrase\"")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("href=\"1001.htm\"")));
        QVERIFY(!m_editor->bDcEdt());
        QString css, body;
        m_editor->txGetCssBd(tmp.path() + QStringLiteral("/1001.htm"), css, body, ok);
        QVERIFY(ok);
        QVERIFY(body.contains(QStringLiteral("w1")));
        QVERIFY(css.endsWith(QStringLiteral("</style>\r\n")));
    }
};

QTEST_MAIN(TestPageFields)
#include "tst_fieldoutput.moc"
