// The outputs of page ranges started from the main window's menus.
#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "editor/uTxm.h"
#include "output/reader/sbDmp.h"
#include "output/word/OutputRange.h"
#include "output/word/sbExpDc.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

void fmDoc::GetRangeKeys(QString &sKys, QString &sNos, QString &sSet)
{
    QString start = QStringLiteral("0");
    QString parent = QStringLiteral("0");
    if (iRange != OutputRange::AllPages) {
        const QString key = m_tree->SlctdKy();
        QString page;
        bool link = false;
        m_tree->GetPrCdNo(parent, page, link);
        bool numeric = false;
        start = key.mid(key.lastIndexOf(u'-') + 1);
        start.toLongLong(&numeric);
        // An unsaved new node has no page number yet: nothing of it can be output.
        if (key.isEmpty() || !numeric) {
            Prompt::current().message(QStringLiteral("ｱｲﾃﾑがありません"), Prompt::OkOnly);
            sKys.clear();
            sNos.clear();
            return;
        }
    }
    const OutputRange::Lists lists = OutputRange(iRange).collect(start, parent, sSet);
    sKys = lists.keys;
    sNos = lists.numbers;
    sSet = lists.pageSet;
}

void fmDoc::outputCommand(const QString &array, int index)
{
    // An output still running (an upload waited for under the wait window) is not started again
    // nor joined by another that would rewrite its files.
    if (Usr::st().busy)
        return;
    if (array == QLatin1String("mnRet") && index == 6) {
        importCommand(); // it replaces the page shown too: it settles the edits itself
        return;
    }
    if (!leaveCurrentPage())
        return;
    if (array == QLatin1String("mnRet") && index == 0) {
        HtmOutput();
        return;
    }
    if (array == QLatin1String("mnRet") && index == 2)
        DocOutput();
    else if (array == QLatin1String("mnRet") && index == 5)
        ExportDb();
    else if (array == QLatin1String("mnRet") && index == 10)
        WordBackup();
    else if (array == QLatin1String("mnRetView") && index >= 0 && index <= 2)
        ReviewPages(index);
}

void fmDoc::DocOutput()
{
    Frmt::LoadHome(false);
    int iRet = 0;
    sbExpDc::Act(iRet, iRange, Frmt::st().homeKind, Frmt::st().homeAddress, true, this);
    if (iRet == 1)
        TextOutput();
    else if (iRet >= 2 && iRet <= 4)
        WordOutput(iRet - 1);
}

void fmDoc::TextOutput()
{
    m_tree->trSort();
    QString keys, numbers, set;
    GetRangeKeys(keys, numbers, set);
    if (keys.isEmpty())
        return;
    sbDmp viewer(this);
    viewer.ActT(keys, numbers);
}

void fmDoc::ReviewPages(int range)
{
    m_tree->trSort();
    iRange = range;
    QString keys, numbers, set;
    GetRangeKeys(keys, numbers, set);
    if (keys.isEmpty())
        return;
    sbDmp viewer(this);
    const qint64 chosen = viewer.ActP(keys);
    if (chosen > 0)
        m_tree->SetLeaf(QString::number(chosen));
}
