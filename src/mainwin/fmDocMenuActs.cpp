// What the menu items do, routed by their array and index.
#include "mainwin/fmDoc.h"

#include "core/yIni.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "tree/sbTrRet.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QApplication>

#include <optional>

namespace {

// The items that work on the page's text (those of fnMenu's groups count there).
bool pageCommand(const QString &array, int index)
{
    static const QStringList arrays = {QStringLiteral("mnPast"), QStringLiteral("mnInsDc"), QStringLiteral("mnHeader"),
                                       QStringLiteral("mnFooter"), QStringLiteral("mnTins"), QStringLiteral("mnTsp"),
                                       QStringLiteral("mnTdel"), QStringLiteral("mnTslc"), QStringLiteral("mnProp"),
                                       QStringLiteral("mnUser")};
    // The tree's items that replace the page's text: another page's document, a file read in.
    return arrays.contains(array) || (array == QLatin1String("mnTree") && (index == 14 || index == 15));
}

} // namespace

void fmDoc::menuClicked(const QString &array, int index)
{
    std::optional<uTxm::Command> command;
    if (pageCommand(array, index))
        command.emplace(*m_editor);
    if (array == QLatin1String("mnFile") || array == QLatin1String("mnEdit") || array == QLatin1String("mnSelc")
        || array == QLatin1String("mnLocal")) {
        const int group = array == QLatin1String("mnFile") ? 2 : array == QLatin1String("mnEdit") ? 3
                          : array == QLatin1String("mnSelc") ? 5 : 6;
        fnMenu(group, index);
    } else if (array == QLatin1String("mnDb")) {
        if (index == 0)
            NewDb();
        else if (index == 1)
            OpenDb(QString());
        else if (index == 2)
            SaveDbAs();
        else if (index == 6)
            CloseDb();
    } else if (array == QLatin1String("mnDbs")) {
        openRecent(index);
    } else if (array == QLatin1String("mnDbRet")) {
        if (index == 0)
            cleanUpCommand();
        else if (index == 3)
            yIni::instance().W_ExpFd(Usr::st().userData, false);
    } else if (array == QLatin1String("mnExit")) {
        if (index == 1)
            exitCommand();
    } else if (array == QLatin1String("mnTree")) {
        treeCommand(index);
    } else if (array == QLatin1String("mnRet") && index == 3) {
        // The wait window lets the menus run while the pages are written: one book at a time.
        if (!Usr::st().busy && leaveCurrentPage())
            EpubOutput();
    } else if (array == QLatin1String("mnRet") || array == QLatin1String("mnRetView")) {
        outputCommand(array, index);
    } else if (array == QLatin1String("mnTrRet")) {
        bulkCommand(index);
    } else if (array == QLatin1String("mnMail")) {
        mailCommand(index);
    } else if (array == QLatin1String("mnPast")) {
        pasteCommand(index);
    } else if (array == QLatin1String("mnDisp")) {
        if (index == 0)
            ShowFky(!bShwFky);
        else if (index == 2)
            RefreshAll();
    } else if (array == QLatin1String("mnInsDc")) {
        m_editor->rtAct(index == 0 ? 30 : 31);
    } else if (array == QLatin1String("mnCpT")) {
        if (index == 0)
            linkExistingPage();
    } else if (array == QLatin1String("mnHeader") || array == QLatin1String("mnFooter")) {
        headerFooter(array, index);
    } else if (array.startsWith(QLatin1String("mnT")) || array == QLatin1String("mnProp")) {
        tableCommand(array, index);
    } else if (array == QLatin1String("mnUser")) {
        userCommand(index);
    } else if (array == QLatin1String("mnIeSize")) {
        previewSize(index);
    } else if (array == QLatin1String("mnApSys")) {
        if (index == 0)
            associateCommand();
        else if (index == 1)
            yIni::instance().W_SendTo();
    } else if (array == QLatin1String("mnHelp")) {
        yIni::instance().W_Help(QStringLiteral("fenwar.htm"));
    }
    // A dialog the command opened has closed: the page's caret shows where the keys now go, and the
    // window's keys (F8, Ctrl+S) work.
    m_editor->takeActivationBack();
    refreshMenus();
}

void fmDoc::treeCommand(int index)
{
    switch (index) {
    case 0: case 1: case 2:
        NewPage(index);
        break;
    case 4: case 5:
        m_tree->trMove(index == 5);
        break;
    case 7: case 8:
        m_tree->trCopy(index == 7);
        break;
    case 11:
        CopyDocNext();
        break;
    case 14:
        CopyDocFrom();
        break;
    case 15:
        ReadDocFile();
        break;
    case 17:
        DeletePage();
        break;
    case 18:
        m_tree->StratEdt();
        break;
    case 21:
        ShowReferrers();
        break;
    case 22:
        reverseLookup();
        break;
    case 24:
        openSecondWindow();
        break;
    default:
        break;
    }
}

void fmDoc::bulkCommand(int index)
{
    if (!leaveCurrentPage())
        return;
    sbTrRet bulk(this);
    if (index == 0)
        bulk.ActG(*m_tree);
    else if (index == 1)
        bulk.ActS(*m_tree);
    else if (index == 2)
        bulk.ActD(*m_tree);
    Usr::D_FixLnk(false);
    m_tree->RefreshTree();
}

void fmDoc::pasteCommand(int index)
{
    QWidget *focus = QApplication::focusWidget();
    if (m_editorFocusTest && (!focus || !(focus == m_editor || m_editor->isAncestorOf(focus))))
        return;
    static const char *const kinds[4] = {"OBJ", nullptr, "PIC", "TXT"};
    if (index >= 0 && index < 4 && kinds[index])
        m_editor->rtAct(15, QString::fromLatin1(kinds[index]));
}

void fmDoc::headerFooter(const QString &array, int index)
{
    QAction *action = item(array, index);
    if (!action || (index != 0 && index != 1))
        return;
    // The action has already toggled its check mark.
    const int flag = (array == QLatin1String("mnHeader") ? 1 : 4) << index;
    m_editor->rtAct(56, action->isChecked() ? flag : -flag);
}

void fmDoc::tableCommand(const QString &array, int index)
{
    const char *const tins[7] = {"表", "", "左", "右", "", "上", "下"};
    const char *const tsp[2] = {"上", "下"};
    const char *const tdel[3] = {"表", "列", "行"};
    const char *const tslc[3] = {"表", "行", "ｾﾙ"};
    QString word;
    int code = 0;
    if (array == QLatin1String("mnTins") && index >= 0 && index < 7) {
        code = 80;
        word = QString::fromUtf8(tins[index]);
    } else if (array == QLatin1String("mnTsp") && index >= 0 && index < 2) {
        code = 81;
        word = QString::fromUtf8(tsp[index]);
    } else if (array == QLatin1String("mnTdel") && index >= 0 && index < 3) {
        code = 82;
        word = QString::fromUtf8(tdel[index]);
    } else if ((array == QLatin1String("mnTslc") || array == QLatin1String("mnProp")) && index >= 0 && index < 3) {
        code = array == QLatin1String("mnTslc") ? 83 : 85;
        word = QString::fromUtf8(tslc[index]);
    }
    if (code != 0 && !word.isEmpty())
        m_editor->rtAct(code, word);
}

void fmDoc::userCommand(int index)
{
    static const int codes[7] = {65, 26, 66, 67, 68, 0, 69};
    if (index >= 0 && index < 7 && codes[index] != 0)
        m_editor->rtAct(codes[index]);
    else if (index == 9)
        optionsCommand();
}

void fmDoc::previewSize(int index)
{
    for (int k = 0; k < 4; ++k)
        setItemChecked(QStringLiteral("mnIeSize"), k, k == index);
    QAction *action = item(QStringLiteral("mnIeSize"), index);
    if (!action || !action->text().contains(QLatin1Char('*')))
        return;
    nIeWd = action->text().section(QLatin1Char('*'), 0, 0).trimmed().toInt();
    nIeHi = action->text().section(QLatin1Char('*'), 1).trimmed().toInt();
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("IE_画面"));
    ini.SetVal(QStringLiteral("Width"), nIeWd);
    ini.SetVal(QStringLiteral("Height"), nIeHi);
    ini.SetGtx();
}
