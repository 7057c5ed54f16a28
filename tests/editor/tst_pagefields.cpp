#include "core/Usr.h"
#include "core/yIni.h"
#include "editor/EditorServices.h"
#include "editor/TextWidth.h"
#include "editor/TxmFields.h"
#include "editor/uTxm.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"
#include "support/TestImages.h"

#include <QtTest>

#include <memory>

namespace {

// The real field work with the dialogs answered by the test.
class FieldServices : public EditorServices
{
public:
    QString linkAnswer;           // the link dialog's answer; "" = cancelled
    QString tagKey, tagText;      // the page chooser's answer; key "" = cancelled
    QString tipPhrase, tipText;   // the dictionary's answer
    QStringList modes;            // settings modes asked for
    QStringList linkInputs;       // what the link dialog was handed

    void settingsDialog(uTxm &, const QString &mode, QString &answer) override
    {
        modes.append(mode);
        linkInputs.append(answer);
        answer = linkAnswer;
    }
    bool chooseTagPage(const QString &, QString &key, QString &text) override
    {
        key = tagKey;
        if (!tagText.isNull())
            text = tagText;
        return !key.isEmpty();
    }
    void chooseTip(QString &phrase, QString &tip) override
    {
        phrase = tipPhrase;
        tip = tipText;
    }
};

struct FieldInfo {
    QString text;
    QString data;
    int type;
    int attrs;
};

} // namespace

// Links, tags, tooltips and the data marker: made, changed and removed through the editor's commands,
// and carried through the stored page bytes into a new editor.
class TestPageFields : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<FieldServices> m_services;
    QList<std::shared_ptr<uTxm>> m_editors;

    uTxm &newEditor()
    {
        auto editor = std::make_shared<uTxm>(nullptr, m_services.get());
        editor->view()->setDialogRunner([](QDialog &) { return false; });
        editor->cOn(0, 2);
        m_editors.append(editor);
        return *editor;
    }

    static QList<FieldInfo> fields(RichTextEdit &e)
    {
        QList<FieldInfo> list;
        for (int id = e.nextField(0); id > 0; id = e.nextField(id)) {
            e.setCurrentField(id);
            list.append({e.fieldText(), e.fieldData(), e.fieldType(), e.fieldAttrs()});
        }
        return list;
    }

    static QStringList dataOf(RichTextEdit &e)
    {
        QStringList data;
        for (const FieldInfo &f : fields(e))
            data.append(f.data);
        return data;
    }

    uTxm &restart(uTxm &editor)
    {
        const QByteArray bytes = editor.services().saveBytes(editor.edit(), 9);
        uTxm &next = newEditor();
        bool ok = false;
        next.SetData(bytes, ok, false);
        if (!ok)
            qFatal("page bytes did not load");
        return next;
    }

    // Selects `text` in the page.
    static void selectText(RichTextEdit &e, const QString &text)
    {
        e.select(int(e.text().indexOf(text)), int(text.size()));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        Usr::st().userData = m_home->path() + QStringLiteral("/");
        Usr::st().dbName = QStringLiteral("Book");
        m_services = std::make_unique<FieldServices>();
    }

    void cleanup()
    {
        m_editors.clear();
        m_services.reset();
        yIni::release();
        m_home.reset();
    }

    void everyKindMadeChangedAndStored()
    {
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("see home, other page, help and data\n"));
        editor.setBDcEdt(false);

        selectText(e, QStringLiteral("home"));
        m_services->linkAnswer = QStringLiteral("home\tindex.htm");
        editor.rtAct(50);
        QCOMPARE(m_services->linkInputs.last(), QStringLiteral("home"));
        QVERIFY(editor.bDcEdt());

        selectText(e, QStringLiteral("other page"));
        m_services->tagKey = QStringLiteral("12_345");
        editor.rtAct(51);

        selectText(e, QStringLiteral("help"));
        m_services->tipPhrase = QStringLiteral("help");
        m_services->tipText = QStringLiteral("ｱｲｳ。");
        editor.rtAct(52);

        e.select(int(e.text().indexOf(QStringLiteral("data"))), 0);
        editor.rtAct(55, 1);

        const QStringList expected = {QStringLiteral("index.htm"), QStringLiteral("TG_12_345"),
                                      QStringLiteral("TP_アイウ"), QStringLiteral("@")};
        QCOMPARE(dataOf(e), expected);
        QCOMPARE(e.text(), QStringLiteral("see home, other page, help and [FD]data\n"));
        // Colours by kind, and typing after a field goes on in body text.
        const int colours[3] = {TxmFields::LinkColour, TxmFields::TagColour, TxmFields::TipColour};
        int i = 0;
        for (int id = e.nextField(0); id > 0 && i < 3; id = e.nextField(id), ++i) {
            e.setCurrentField(id);
            e.select(e.fieldStart() - 1, 1);
            QCOMPARE(e.foreColor(), colours[i]);
            QVERIFY(e.underline());
        }

        // Through the page bytes into a fresh editor: every part of every field survives.
        uTxm &second = restart(editor);
        const QList<FieldInfo> stored = fields(second.edit());
        QCOMPARE(stored.size(), 4);
        const int types[4] = {1, 2, 2, 1};
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(stored[k].data, expected[k]);
            QCOMPARE(stored[k].type, types[k]);
            QCOMPARE(stored[k].attrs, TxmFields::Attributes);
        }
        // The tag's page is the child of the link placement: a click on "12_345" asks for page 345.
        RichTextEdit &s = second.edit();
        s.select(int(s.text().indexOf(QStringLiteral("other"))) + 1, 0);
        QStringList clicked;
        connect(&second, &uTxm::eClckLink, this, [&clicked](QString &kind, QString &text, QString &key) {
            clicked << kind << text << key;
        });
        second.fieldClicked(s.fieldAtCaret());
        QCOMPARE(clicked, (QStringList{QStringLiteral("TG"), QStringLiteral("other page"), QStringLiteral("345")}));

        // Change: the link dialog gets text TAB target of the field and writes both back.
        s.select(int(s.text().indexOf(QStringLiteral("home"))) + 1, 0);
        m_services->linkAnswer = QStringLiteral("start\thttps://example.org/?a=1&b='2'");
        second.rtAct(50, 1);
        QCOMPARE(m_services->linkInputs.last(), QStringLiteral("home\tindex.htm"));
        QCOMPARE(fields(s).first().text, QStringLiteral("start"));
        QCOMPARE(fields(s).first().data, QStringLiteral("https://example.org/?a=1&b='2'"));
        // Delete the tag without its text, and the marker back to "@".
        s.select(int(s.text().indexOf(QStringLiteral("other"))) + 1, 0);
        second.rtAct(51, 2);
        s.select(int(s.text().indexOf(QStringLiteral("[FD]"))) + 1, 0);
        second.rtAct(55, 0);
        QCOMPARE(s.text(), QStringLiteral("see start, other page, help and @data\n"));

        uTxm &third = restart(second);
        QCOMPARE(dataOf(third.edit()), (QStringList{QStringLiteral("https://example.org/?a=1&b='2'"),
                                                    QStringLiteral("TP_アイウ")}));
    }

    // The template view shows a labelled copy of the page in the page view window; the page stays.
    void templateViewGoesToThePageView()
    {
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("name: data\n"));
        e.select(int(e.text().indexOf(QStringLiteral("data"))), 0);
        editor.rtAct(55, 1);
        const QString before = e.text();
        QString shown;
        EditorServices::setPageViewer([&shown](PageDocument &page) { shown = RichTextEdit(&page).text(); });
        editor.rtActTL(0);
        EditorServices::setPageViewer({});
        QCOMPARE(shown, QStringLiteral("name: FD:1data\n"));
        QCOMPARE(e.text(), before);
    }

    void cancelledDialogsChangeNothing_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("key");
        QTest::newRow("link cancelled") << 50 << QString() << QString();
        QTest::newRow("link without target") << 50 << QStringLiteral("caption\t  ") << QString();
        QTest::newRow("tag cancelled") << 51 << QString() << QString();
        QTest::newRow("tag to page 0") << 51 << QString() << QStringLiteral("0");
        QTest::newRow("tooltip cancelled") << 52 << QString() << QString();
    }

    void cancelledDialogsChangeNothing()
    {
        QFETCH(int, code);
        QFETCH(QString, answer);
        QFETCH(QString, key);
        uTxm &editor = newEditor();
        editor.SetText(QStringLiteral("some text"));
        editor.setBDcEdt(false);
        selectText(editor.edit(), QStringLiteral("text"));
        m_services->linkAnswer = answer;
        m_services->tagKey = key;
        m_services->tagText = QStringLiteral("text");
        editor.rtAct(code);
        QCOMPARE(editor.edit().nextField(0), 0);
        QCOMPARE(editor.edit().text(), QStringLiteral("some text"));
        QVERIFY(!editor.bDcEdt());
    }

    void linkOnPictureKeepsBlanksAroundIt()
    {
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("ab"));
        e.select(1, 0);
        const int picture = e.insertPicture(TestImages::bytes());
        QVERIFY(picture > 0);
        QVERIFY(e.selectObject(picture));
        m_services->linkAnswer = QStringLiteral("\ta.pdf");
        QVERIFY(TxmFields(editor).objectItem(7));
        QCOMPARE(m_services->modes.last(), QStringLiteral("LK_OBJ"));
        QCOMPARE(e.text(), QStringLiteral("a ") + QChar(1) + QStringLiteral(" b"));
        QCOMPARE(dataOf(e), QStringList{QStringLiteral("a.pdf")});

        uTxm &second = restart(editor);
        RichTextEdit &s = second.edit();
        QCOMPARE(dataOf(s), QStringList{QStringLiteral("a.pdf")});
        s.select(2, 0);
        QVERIFY(TxmFields(second).objectItem(9));
        QCOMPARE(s.text(), QStringLiteral("a") + QChar(1) + QStringLiteral("b"));
        QCOMPARE(s.nextField(0), 0);
        QCOMPARE(s.objectIds().size(), 1);
    }

    void copyOfNeighbouringTagOntoPicture()
    {
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("go x"));
        selectText(e, QStringLiteral("go"));
        m_services->tagKey = QStringLiteral("7");
        editor.rtAct(51);
        e.select(e.textLength(), 0);
        const int picture = e.insertPicture(TestImages::bytes());
        QVERIFY(e.selectObject(picture));
        QVERIFY(TxmFields(editor).objectItem(18));
        QCOMPARE(dataOf(e), (QStringList{QStringLiteral("TG_7"), QStringLiteral("TG_7")}));
    }

    void recolourCountsOverlappingFields()
    {
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("aaaa bbbb cccc dddd"));
        m_services->tagKey = QStringLiteral("3");
        for (const char *word : {"aaaa", "bbbb", "dddd"}) {
            selectText(e, QLatin1String(word));
            editor.rtAct(51);
        }
        // Paint every field black, then re-colour 2..11: the field starting before and the one
        // inside are caught, the one after is not.
        e.select(0, e.textLength());
        e.setForeColor(0);
        TxmFields(editor).txFldClr(2, 10);
        const auto colourAt = [&e](int position) {
            e.select(position, 1);
            return e.foreColor();
        };
        QCOMPARE(colourAt(0), TxmFields::TagColour);
        QCOMPARE(colourAt(5), TxmFields::TagColour);
        QCOMPARE(colourAt(15), 0);
        TxmFields(editor).txFldClr(-1, 0);
        QCOMPARE(colourAt(15), TxmFields::TagColour);
    }

    void latestEnlargedPicture()
    {
        ScriptedPrompt prompt;
        uTxm &editor = newEditor();
        RichTextEdit &e = editor.edit();
        editor.SetText(QStringLiteral("x"));
        e.select(1, 0);
        const int picture = e.insertPicture(TestImages::bytes());
        const QString folder = TxmFields::zoomFolder();
        QCOMPARE(folder, m_home->path() + QStringLiteral("/Htm/Book/pc_zoom/"));
        QVERIFY(e.selectObject(picture));
        // A missing folder is made; empty, or holding only files from before 2000: no link.
        QVERIFY(!TxmFields(editor).objectItem(15));
        QVERIFY(QDir(folder).exists());
        QVERIFY(TestHome::write(folder + QStringLiteral("old.png"), "x"));
        QFile old(folder + QStringLiteral("old.png"));
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime(QDate(1999, 12, 31), QTime(12, 0)), QFileDevice::FileModificationTime));
        old.close();
        QVERIFY(!TxmFields(editor).objectItem(15));
        QCOMPARE(e.nextField(0), 0);
        QVERIFY(TestHome::write(folder + QStringLiteral("new.png"), "y"));
        QVERIFY(e.selectObject(picture));
        QVERIFY(TxmFields(editor).objectItem(15));
        QCOMPARE(dataOf(e), QStringList{folder + QStringLiteral("new.png")});
        // The folder follows the database open now, not the one of an earlier call.
        Usr::st().dbName = QStringLiteral("Other");
        QCOMPARE(TxmFields::zoomFolder(), m_home->path() + QStringLiteral("/Htm/Other/pc_zoom/"));
    }

    void tooltipCleaning_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ascii punctuation") << QStringLiteral("a-b.c") << QStringLiteral("ａｂｃ");
        QTest::newRow("voiced kana") << QStringLiteral("デ") << QStringLiteral("テ");
        QTest::newRow("full-width mark") << QStringLiteral("！") << QString();
        QTest::newRow("kana and full stop") << QStringLiteral("ｱｲｳ。") << QStringLiteral("アイウ");
        QTest::newRow("quotes and percent") << QStringLiteral("it's 50% \"ok\"?") << QStringLiteral("ｉｔｓ　５０　ｏｋ");
        QTest::newRow("hiragana stays") << QStringLiteral("ひらがな") << QStringLiteral("ひらがな");
    }

    void tooltipCleaning()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(TextWidth::cleanTip(typed), stored);
    }

    void widthConversionsRoundTrip()
    {
        QCOMPARE(TextWidth::narrow(QStringLiteral("ガパヴＡ１")), QStringLiteral("ｶﾞﾊﾟｳﾞA1"));
        QCOMPARE(TextWidth::wide(QStringLiteral("ｶﾞﾊﾟｳﾞA1")), QStringLiteral("ガパヴＡ１"));
        QCOMPARE(TextWidth::katakana(QStringLiteral("かな")), QStringLiteral("カナ"));
        QCOMPARE(TextWidth::proper(QStringLiteral("hello WORLD")), QStringLiteral("Hello World"));
    }
};

QTEST_MAIN(TestPageFields)
#include "tst_pagefields.moc"
