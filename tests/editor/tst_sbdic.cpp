#include "core/TemplateDb.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/sbDic.h"
#include "support/EditorTestEnv.h"
#include "support/ScriptedPrompt.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The tooltip-phrase dictionary on a real database.
class TestSbDic : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    QString m_path;

    static QStringList phrases(const sbDic &dic)
    {
        QStringList list;
        for (int i = 0; i < dic.lsDic->count(); ++i)
            list.append(dic.lsDic->item(i)->text());
        return list;
    }

    static QString stored(const QString &phrase)
    {
        return zSvr::instance()
            .R_GtVaL(QStringLiteral("Select szDic From msDic Where skDic=?"), QVariantList{phrase}, QVariant())
            .toString();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        QVERIFY(resetEditorState(*m_home));
        m_prompt = std::make_unique<ScriptedPrompt>();
        m_path = m_home->path() + QStringLiteral("/Dic.txdb");
        QVERIFY(TemplateDb::create(m_path));
        QVERIFY(zSvr::instance().D_StDcDb(m_path));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDic (skDic,szDic) Values (?,?)"),
                                         {QStringLiteral("apple"), QStringLiteral("ＲＥＤ")}));
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDic (skDic,szDic) Values (?,?)"),
                                         {QStringLiteral("pear"), QStringLiteral("ＧＲＥＥＮ")}));
    }

    void cleanup()
    {
        zSvr::release();
        yIni::release();
        m_prompt.reset();
        m_home.reset();
    }

    void registeredPhraseShowsItsStoredText()
    {
        sbDic dic;
        dic.prepare(QStringLiteral("pear"), QStringLiteral("other"));
        QCOMPARE(phrases(dic), (QStringList{QStringLiteral("apple"), QStringLiteral("pear")}));
        QCOMPARE(dic.selectedIndex(), 1);
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ＧＲＥＥＮ"));
        QVERIFY(dic.finish(0));
        QCOMPARE(dic.resultPhrase(), QStringLiteral("pear"));
        QCOMPARE(dic.resultText(), QStringLiteral("ＧＲＥＥＮ"));
        QVERIFY(m_prompt->messages.isEmpty());
    }

    void unregisteredPhraseAsksOnOk()
    {
        sbDic dic;
        dic.prepare(QStringLiteral("plum"), QStringLiteral("a-b.c"));
        QCOMPARE(dic.selectedIndex(), -1);
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ａｂｃ"));
        m_prompt->answers.enqueue(Prompt::Cancel);
        QVERIFY(!dic.finish(0));
        QCOMPARE(m_prompt->messages.last(), QStringLiteral("修正･追加登録されてませんが良いですか"));
        m_prompt->answers.enqueue(Prompt::Ok);
        QVERIFY(dic.finish(0));
        QCOMPARE(dic.resultPhrase(), QStringLiteral("plum"));
        QCOMPARE(dic.resultText(), QStringLiteral("ａｂｃ"));
        // Cancel hands back nothing.
        QVERIFY(dic.finish(1));
        QVERIFY(dic.resultPhrase().isEmpty() && dic.resultText().isEmpty());
    }

    void typingSelectsOnlyExactPhrases()
    {
        sbDic dic;
        dic.prepare(QString(), QString());
        dic.txSK->setText(QStringLiteral("apple"));
        QCOMPARE(dic.selectedIndex(), 0);
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ＲＥＤ"));
        QVERIFY(!dic.isNewPhrase());
        dic.lsDic->setCurrentRow(-1);
        dic.txSK->setText(QStringLiteral("PEAR"));
        QVERIFY(!dic.isNewPhrase()); // registered, in another case: nothing is selected
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ＲＥＤ"));
        dic.txSZ->setText(QStringLiteral("デ！"));
        QCOMPARE(dic.txSZ->text(), QStringLiteral("テ"));
    }

    void addChangeAndDeleteKeepQuotes()
    {
        sbDic dic;
        dic.prepare(QString(), QString());
        QVERIFY(!dic.mnDic[0]->isEnabled());
        QVERIFY(!dic.mnDic[2]->isEnabled());
        QVERIFY(!dic.cmOk[0]->isEnabled());
        // Add a phrase holding a quote, "?" and "%".
        const QString odd = QStringLiteral("it's 100%?");
        dic.txSK->setText(odd);
        dic.txSZ->setText(QStringLiteral("text"));
        QVERIFY(dic.mnDic[2]->isEnabled());
        dic.mnDic[2]->trigger();
        QCOMPARE(stored(odd), QStringLiteral("ｔｅｘｔ"));
        QVERIFY(phrases(dic).contains(odd));
        // Change: select it, type a new phrase, "修正登録" renames the row.
        dic.txSK->setText(odd);
        QCOMPARE(phrases(dic).at(dic.selectedIndex()), odd);
        dic.txSK->setText(QStringLiteral("なに?'"));
        QVERIFY(dic.isNewPhrase());
        QVERIFY(dic.mnDic[1]->isEnabled());
        dic.mnDic[1]->trigger();
        QVERIFY(stored(odd).isEmpty());
        QCOMPARE(stored(QStringLiteral("なに?'")), QStringLiteral("ｔｅｘｔ"));
        // Delete takes the phrase box, not the selected entry.
        dic.lsDic->setCurrentRow(0);
        dic.txSK->setText(QStringLiteral("pear"));
        dic.mnDic[3]->trigger();
        QCOMPARE(phrases(dic), (QStringList{QStringLiteral("apple"), QStringLiteral("なに?'")}));
        QCOMPARE(dic.selectedIndex(), -1);
        QVERIFY(!dic.mnDic[3]->isEnabled());
    }

    // The user types a new pair, right-clicks the list and registers it: the list taking the focus and
    // the right click on a row must not put a registered entry into the boxes.
    void rightClickOnTheListKeepsTheTypedPair()
    {
        sbDic dic;
        dic.prepare(QString(), QString());
        dic.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dic));
        dic.txSK->setText(QStringLiteral("plum"));
        dic.txSZ->setText(QStringLiteral("purple"));
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(dic.lsDic, &focus);
        const QRect row = dic.lsDic->visualItemRect(dic.lsDic->item(1));
        QTest::mousePress(dic.lsDic->viewport(), Qt::RightButton, {}, row.center());
        QTest::mouseRelease(dic.lsDic->viewport(), Qt::RightButton, {}, row.center());
        QCOMPARE(dic.txSK->text(), QStringLiteral("plum"));
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ｐｕｒｐｌｅ"));
        QVERIFY(dic.mnDic[2]->isEnabled());
        dic.mnDic[2]->trigger();
        QCOMPARE(stored(QStringLiteral("plum")), QStringLiteral("ｐｕｒｐｌｅ"));
        QCOMPARE(stored(QStringLiteral("apple")), QStringLiteral("ＲＥＤ"));
        QVERIFY(dic.finish(0));
        QCOMPARE(dic.resultPhrase(), QStringLiteral("plum"));
        QCOMPARE(dic.resultText(), QStringLiteral("ｐｕｒｐｌｅ"));
        // A left click is the user's choice of an entry.
        QTest::mouseClick(dic.lsDic->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(dic.txSK->text(), QStringLiteral("pear"));
        QCOMPARE(dic.txSZ->text(), QStringLiteral("ＧＲＥＥＮ"));
    }

    void emptyTableAndClosedDatabase()
    {
        QVERIFY(zSvr::instance().D_ExeSq(QStringLiteral("Delete From msDic")));
        sbDic dic;
        dic.prepare(QStringLiteral("x"), QStringLiteral("y"));
        QVERIFY(phrases(dic).isEmpty());
        QCOMPARE(dic.selectedIndex(), -1);
        QVERIFY(!dic.mnDic[3]->isEnabled());
        zSvr::release();
        sbDic closed;
        closed.prepare(QStringLiteral("x"), QStringLiteral("y"));
        QVERIFY(phrases(closed).isEmpty());
    }
};

QTEST_MAIN(TestSbDic)
#include "tst_sbdic.moc"
