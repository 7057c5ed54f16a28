#include "MainFixture.h"

#include "tree/sbTrX.h"
#include "tree/uTrX.h"

#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

// The main window's commands that choose another page in the page picker:
// link an existing page, copy another page's document, insert it at the caret.
class TestPickerCommands : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> m_f;

    static QTreeWidgetItem *node(uTrX &tree, int page)
    {
        auto *view = tree.findChild<QTreeWidget *>(QStringLiteral("trView"));
        for (QTreeWidgetItemIterator it(view); *it; ++it)
            if ((*it)->data(0, uTrX::KeyRole).toString().section(u'-', 1).toInt() == page)
                return *it;
        return nullptr;
    }
    static void click(uTrX &tree, int page)
    {
        auto *view = tree.findChild<QTreeWidget *>(QStringLiteral("trView"));
        QTreeWidgetItem *item = node(tree, page);
        QVERIFY(item);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
    }
    // Runs a menu item; while its picker is open, page `page` is chosen (0: the picker is closed).
    void pickWith(const QString &array, int index, int page)
    {
        QTimer::singleShot(0, this, [this, page] {
            sbTrX &picker = sbTrX::picker();
            if (page != 0) {
                click(picker.tree(), page);
                picker.mnJb_Click(0);
            }
            if (picker.isVisible())
                picker.mnJb_Click(1);
        });
        m_f->window->menuClicked(array, index);
    }
    static QString cell(const QString &column, int page)
    {
        return MainFixture::value(QStringLiteral("Select %1 From msDoc Where noDoc = ?").arg(column), {page}).toString();
    }

private slots:
    void init()
    {
        m_f = std::make_unique<MainFixture>();
        const QString path = m_f->databaseWithThreePages(QStringLiteral("Pick.txdb"));
        QVERIFY(!path.isEmpty());
        Usr::st().mainWindow = m_f->window.get();
        m_f->window->SetDBNo(path, 0);
        m_f->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_f->window.get()));
        node(m_f->window->tree(), 1001)->setExpanded(true);
        click(m_f->window->tree(), 1003);
        QCOMPARE(m_f->window->nDocNo, 1003);
    }

    void cleanup()
    {
        m_f.reset();
        Usr::st().mainWindow = nullptr;
    }

    void linkToAnExistingPage()
    {
        pickWith(QStringLiteral("mnCpT"), 0, 0);
        QCOMPARE(MainFixture::count(QStringLiteral("tbTree")), 3);
        pickWith(QStringLiteral("mnCpT"), 0, 1002);
        QCOMPARE(MainFixture::value(QStringLiteral("Select boLnk From tbTree Where noLfP = 1001 And noLfC = 1002")).toInt(), 1);
    }

    void insertAnotherPagesDocument()
    {
        pickWith(QStringLiteral("mnInsDc"), 1, 1002);
        QVERIFY(m_f->editor().edit().text().contains(QStringLiteral("afterword")));
        QVERIFY(m_f->editor().edit().text().contains(QStringLiteral("body")));
        QVERIFY(m_f->editor().bDcEdt());
        QCOMPARE(cell(QStringLiteral("txDoc"), 1003), QStringLiteral("body"));
    }

    void copyAnotherPagesDocument()
    {
        // The current page is not new: the copy asks first, and a cancel changes nothing.
        m_f->prompt.answers << Prompt::Cancel;
        m_f->window->menuClicked(QStringLiteral("mnTree"), 14);
        QCOMPARE(m_f->prompt.messages.value(0),
                 QStringLiteral("選択されているﾍﾟｰｼﾞは新規ではありません\n上書きされますが、良いですか"));
        QCOMPARE(cell(QStringLiteral("txDoc"), 1003), QStringLiteral("body"));
        m_f->prompt.answers << Prompt::Ok;
        pickWith(QStringLiteral("mnTree"), 14, 1002);
        QCOMPARE(m_f->window->nDocNo, 1003);
        QCOMPARE(cell(QStringLiteral("txDoc"), 1003), QStringLiteral("afterword"));
        QCOMPARE(cell(QStringLiteral("szDoc"), 1003), QStringLiteral("後書"));
        QCOMPARE(cell(QStringLiteral("txDoc"), 1002), QStringLiteral("afterword"));
        QVERIFY(!m_f->editor().bDcEdt());
    }
};

QTEST_MAIN(TestPickerCommands)
#include "tst_pickercommands.moc"
