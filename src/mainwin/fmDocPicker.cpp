// The page commands that choose another page through the page picker.
#include "mainwin/fmDoc.h"

#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "tree/sbTrX.h"
#include "tree/uTrX.h"

namespace {

// The page number at the start of a picker answer ("34", or "12_34" in tag mode); 0 for none.
qint64 leadingNumber(const QString &key)
{
    return key.section(QLatin1Char('_'), 0, 0).trimmed().toLongLong();
}

} // namespace

void fmDoc::CopyDocFrom()
{
    if (m_tree->SlctdKy() != QLatin1String("NewNode")
        && Prompt::current().message(QStringLiteral("選択されているﾍﾟｰｼﾞは新規ではありません\n上書きされますが、良いですか"),
                                     Prompt::OkCancel)
               != Prompt::Ok)
        return;
    QString page, title;
    sbTrX::pick(QStringLiteral("既存ﾍﾟｰｼﾞを参照"), page, title, false);
    if (leadingNumber(page) == 0 || title.trimmed().isEmpty())
        return;
    if (!LoadPage(page, QString(), 2, false))
        return;
    m_editor->setBDcEdt(true);
    m_editor->rtAct(4);
}

void fmDoc::InsOtherDoc()
{
    QString page, title;
    sbTrX::pick(QStringLiteral(" 他ﾍﾟｰｼﾞを挿入"), page, title, false);
    const qint64 number = leadingNumber(page);
    if (number == 0)
        return;
    QVariantList row;
    if (!zSvr::instance().R_PAry(QStringLiteral("Select obDoc From msDoc Where noDoc = ?"), {number}, row)
        || row.value(0).isNull())
        return;
    bool ok = false;
    m_editor->InsData(row.value(0).toByteArray(), ok);
}

void fmDoc::TagInserted(qint32 &nNo, const QString &sTx)
{
    m_tree->TagTree(sTx, QString::number(nNo));
    ShowStatus(QStringLiteral("ﾀｸﾞ(文書ﾃﾞｰﾀｰﾍﾞｰｽ内のﾘﾝｸ)を挿入しました"), 0);
    LoadPage(QString::number(nNo), sTx, 0, false);
}

void fmDoc::linkExistingPage()
{
    QString page, title;
    sbTrX::pick(QStringLiteral("既存ﾍﾟｰｼﾞを参照"), page, title, false);
    if (leadingNumber(page) == 0 || title.trimmed().isEmpty())
        return;
    m_tree->trIns(-1, title, page);
}
