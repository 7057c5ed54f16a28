#include "editor/EditorServices.h"
#include "editor/sbTxmDialog.h"
#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichStatusBar.h"
#include "platform/richview/RichView.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <memory>

// The page editor with the real page streams of the rich-text component.
class TestUTxmStream : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    QList<std::shared_ptr<uTxm>> m_editors;

    uTxm &newEditor()
    {
        auto editor = std::make_shared<uTxm>();
        editor->view()->setDialogRunner([](QDialog &) { return false; });
        editor->cOn(0, 2);
        m_editors.append(editor);
        return *editor;
    }

    static int addField(RichTextEdit &edit, const QString &text, const QString &data)
    {
        edit.setSelStart(edit.textLength());
        const int id = edit.insertField(text);
        edit.setCurrentField(id);
        edit.setFieldType(2);
        edit.setFieldData(data);
        edit.setSelStart(edit.textLength());
        edit.setSelectedText(QStringLiteral(" "));
        return id;
    }

    static QStringList fieldData(RichTextEdit &edit)
    {
        QStringList data;
        for (int id = edit.nextField(0); id > 0; id = edit.nextField(id)) {
            edit.setCurrentField(id);
            data.append(edit.fieldData());
        }
        return data;
    }

    QByteArray pageBytes(uTxm &editor)
    {
        return editor.services().saveBytes(editor.edit(), 9);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
    }

    void cleanup()
    {
        m_editors.clear();
        yIni::release();
        m_home.reset();
    }

    void pageTravelsWithItsFieldsAndStyles()
    {
        uTxm &first = newEditor();
        first.SetText(QStringLiteral("Heading\nBody with "));
        first.edit().setSelStart(0);
        first.rtAct(60, 0);
        addField(first.edit(), QStringLiteral("a tag"), QStringLiteral("TG_12_34"));
        const QByteArray bytes = pageBytes(first);
        QVERIFY(!bytes.isEmpty());

        uTxm &second = newEditor();
        bool ok = false;
        second.SetData(bytes, ok, true);
        QVERIFY(ok);
        QVERIFY(!second.loadFailed());
        QCOMPARE(second.edit().text(), first.edit().text());
        QCOMPARE(fieldData(second.edit()), QStringList{QStringLiteral("TG_12_34")});
        second.edit().setSelStart(2);
        QCOMPARE(second.edit().blockStyle(), 0);
        QString text;
        QString subject;
        second.GetMTxt(text, subject);
        QCOMPARE(subject, QStringLiteral("Heading"));
    }

    void foreignBytesOpenReadOnly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("word 97") << QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(64, '\0');
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi hello}");
        QTest::newRow("truncated page") << QByteArray();
    }

    void foreignBytesOpenReadOnly()
    {
        QFETCH(QByteArray, bytes);
        ScriptedPrompt prompt;
        uTxm &editor = newEditor();
        if (bytes.isEmpty()) {
            uTxm &source = newEditor();
            source.SetText(QStringLiteral("some page text"));
            bytes = pageBytes(source);
            bytes.chop(bytes.size() / 2);
        }
        bool ok = true;
        editor.SetData(bytes, ok, false, QStringLiteral("stored plain text"));
        QVERIFY(!ok);
        QVERIFY(editor.loadFailed());
        QCOMPARE(editor.edit().text(), QStringLiteral("stored plain text"));
        QCOMPARE(editor.edit().editMode(), 1);
        QCOMPARE(prompt.messages.size(), 1);
    }

    void tagRenumbering()
    {
        uTxm &source = newEditor();
        source.SetText(QStringLiteral("Tags: "));
        for (const char *key : {"TG_12", "TG_12_13", "TG_12_99", "TG_99", "TG_2", "https://example.org/"})
            addField(source.edit(), QStringLiteral("f"), QLatin1String(key));
        QByteArray bytes = pageBytes(source);
        const QString text = source.edit().text();

        uTxm &editor = newEditor();
        editor.T_CnvTG(bytes, QStringLiteral("12=40,13=41,"));
        uTxm &check = newEditor();
        bool ok = false;
        check.SetData(bytes, ok, true);
        QVERIFY(ok);
        // 99 and 2 are not in the list: their tags go; 2 is never found inside "12=".
        QCOMPARE(fieldData(check.edit()),
                 (QStringList{QStringLiteral("TG_40"), QStringLiteral("TG_40_41"), QStringLiteral("TG_40"),
                              QStringLiteral("https://example.org/")}));
        // A tag that loses its field keeps its text.
        QCOMPARE(check.edit().text(), text);
    }

    void displayReloadKeepsThePage()
    {
        uTxm &editor = newEditor();
        editor.SetText(QStringLiteral("kept text"));
        addField(editor.edit(), QStringLiteral("link"), QStringLiteral("https://example.org/"));
        const QString before = editor.edit().text();
        editor.setBDcEdt(false);
        // The display dialog answers OK with what it shows.
        QTimer::singleShot(0, this, [&editor] { sbTxmDialog::of(editor).okButton()->click(); });
        editor.rtAct(26);
        QCOMPARE(editor.edit().text(), before);
        QCOMPARE(fieldData(editor.edit()), QStringList{QStringLiteral("https://example.org/")});
        QVERIFY(editor.hasUndoSnapshot());
        QVERIFY(!editor.bDcEdt());
    }

    void insertedPageMarksTheEditor()
    {
        uTxm &source = newEditor();
        source.SetText(QStringLiteral("inserted"));
        uTxm &editor = newEditor();
        editor.SetText(QStringLiteral("base "));
        editor.edit().setSelStart(5);
        bool ok = false;
        editor.InsData(pageBytes(source), ok);
        QVERIFY(ok);
        QCOMPARE(editor.edit().text(), QStringLiteral("base inserted"));
        QVERIFY(editor.bDcEdt());
    }

    // A page opens at its top with the caret at its start, whatever the page before showed: a long
    // page scrolled to its end, in either view.
    void aLoadedPageOpensAtItsTop_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("normal view") << 0;
        QTest::newRow("page view") << 2;
    }

    void aLoadedPageOpensAtItsTop()
    {
        QFETCH(int, mode);
        uTxm &source = newEditor();
        source.SetText(QStringLiteral("a line of a long page\n").repeated(400));
        const QByteArray longPage = pageBytes(source);
        source.SetText(QStringLiteral("a short page"));
        const QByteArray shortPage = pageBytes(source);

        uTxm &editor = newEditor();
        editor.resize(800, 600);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        RichView *view = editor.view();
        view->setViewMode(mode);
        QScrollBar *bar = view->verticalScrollBar();
        bool ok = false;
        editor.SetData(longPage, ok, true);
        QVERIFY(ok);
        for (const QByteArray &next : {shortPage, longPage, longPage}) {
            editor.edit().setSelStart(editor.edit().textLength());
            view->showModelCaret();
            bar->setValue(bar->maximum());
            editor.SetData(next, ok, true);
            QVERIFY(ok);
            QCoreApplication::processEvents();
            QCOMPARE(editor.edit().selStart(), 0);
            QCOMPARE(bar->value(), bar->minimum());
            const QRectF caret = view->mainItem()->caretRect();
            QVERIFY(view->viewport()->rect().contains(view->mapFromScene(caret.center())));
            QCOMPARE(editor.findChild<RichStatusBar *>()->lineText(), QStringLiteral("行 1"));
        }
    }

    void pageFileLoads()
    {
        uTxm &source = newEditor();
        source.SetText(QStringLiteral("from a file"));
        const QString file = m_home->path() + QStringLiteral("/page.fwp");
        QVERIFY(TestHome::write(file, pageBytes(source)));
        uTxm &editor = newEditor();
        bool ok = false;
        editor.SetDcFL(file, ok);
        QVERIFY(ok);
        QCOMPARE(editor.edit().text(), QStringLiteral("from a file"));
        editor.SetDcFL(m_home->path() + QStringLiteral("/missing.fwp"), ok);
        QVERIFY(!ok);
        QCOMPARE(editor.edit().text(), QStringLiteral("from a file"));
    }
};

QTEST_MAIN(TestUTxmStream)
#include "tst_utxmstream.moc"
