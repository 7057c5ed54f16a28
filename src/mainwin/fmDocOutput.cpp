// The outputs of page ranges started from the main window's menus.
#include "mainwin/fmDoc.h"

#include "output/word/OutputRange.h"
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
