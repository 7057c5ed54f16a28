// The main window's Word documents of many pages (the range output and the backup) and the mail of
// the current page. The pages are read straight from the database: the editor keeps the current page
// throughout, so a failure leaves nothing to restore but the busy flag.
#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "output/ExchangeText.h"
#include "output/word/OutputRange.h"
#include "output/word/WordOutput.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/Prompt.h"
#include "platform/docx/DocxWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "publish/converter/yHtm.h"
#include "tree/uTrX.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// The hourglass for a block, taken back on every way out.
class Hourglass
{
public:
    Hourglass() { Frmt::SetBusy(true); }
    ~Hourglass() { Frmt::SetBusy(false); }
    Hourglass(const Hourglass &) = delete;
    Hourglass &operator=(const Hourglass &) = delete;
};

} // namespace

void fmDoc::WordOutput(int iMode)
{
    m_tree->trSort();
    QString keys, numbers, set = QStringLiteral(".");
    GetRangeKeys(keys, numbers, set);
    if (keys.isEmpty())
        return;
    // The link conversion keeps tags to the pages of the range; a range of one level links the
    // children it leaves out through the published site, named as the HTML output names them.
    Frmt::st().outputSet = set;
    const bool childLinks = iRange == OutputRange::NodeAndChildren && Frmt::st().homeKind != 0;
    if (iRange == OutputRange::NodeAndChildren)
        yHtm::instance().SetKaHtm(false);
    const Usr::State &st = Usr::st();
    const QString path = st.workFolder + st.dbName + QStringLiteral(".docx");
    QString error;
    bool ok = false;
    {
        BusyScope busy;
        Hourglass hourglass;
        QDir().mkpath(st.workFolder);
        ok = ::WordOutput::write(iMode, keys, numbers, path, error, childLinks);
    }
    if (!ok) {
        Prompt::current().message(error + QStringLiteral("\nﾜｰﾄﾞ文書を作れませんでした｡"), Prompt::OkOnly);
        return;
    }
    yIni::instance().W_ExpFd(path, true);
}

void fmDoc::WordBackup()
{
    const QString folder = uTxm::wordCopyFolder();
    if (Prompt::current().message(QStringLiteral("全てのﾍﾟｰｼﾞをﾜｰﾄﾞ文書に保存します\n (出力先:") + folder + u')',
                                  Prompt::OkCancel) != Prompt::Ok)
        return;
    if (!zClt::instance().F_CreateFld(folder)) {
        Prompt::current().message(QStringLiteral("ﾌｫﾙﾀﾞ: ") + folder + QStringLiteral(" を作れません｡"), Prompt::OkOnly);
        return;
    }
    Recordset rs;
    QString error;
    int written = 0;
    // A database that cannot be read is said to be so, as one that stops half-way is.
    if (!zSvr::instance().R_Rset(QStringLiteral(" Select noDoc, obDoc From msDoc Where (Not obDoc is Null) Order By noDoc"),
                                 rs, Recordset::ForwardOnly))
        error = ExchangeText::readFailure(zSvr::instance().sSvr, rs.lastError());
    {
        BusyScope busy;
        Hourglass hourglass;
        PageDocument page(PageDocument::WithoutLayout);
        for (; !rs.eof(); rs.moveNext()) {
            const qint64 no = rs.value(0).toLongLong();
            const QByteArray bytes = rs.value(1).toByteArray();
            // A row holding no bytes has no document to write.
            if (bytes.isEmpty())
                continue;
            const QString file = folder + QStringLiteral("/%1.docx").arg(no, 4, 10, QLatin1Char('0'));
            if (!PageCodec::load(page, bytes)) {
                error = QStringLiteral("ﾍﾟｰｼﾞ %1 を読めません｡").arg(no);
                break;
            }
            if (!DocxWriter::writePage(page, file)) {
                error = QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を書けません｡");
                break;
            }
            ++written;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        // Rows cut short by a read error are no complete backup.
        if (error.isEmpty() && !rs.lastError().isEmpty())
            error = ExchangeText::readFailure(zSvr::instance().sSvr, rs.lastError());
        rs.close();
    }
    if (!error.isEmpty()) {
        Prompt::current().message(error + QStringLiteral("\nﾜｰﾄﾞで一括ﾊﾞｯｸｱｯﾌﾟを中断しました(%1 ﾍﾟｰｼﾞ保存済み)").arg(written),
                                  Prompt::OkOnly);
        return;
    }
    Prompt::current().message(QStringLiteral("ﾜｰﾄﾞで一括ﾊﾞｯｸｱｯﾌﾟを完了しました"), Prompt::OkOnly);
}

void fmDoc::mailCommand(int index)
{
    if (index < 0 || index > 2)
        return;
    QString attachment;
    if (index < 2) {
        attachment = Usr::st().workFolder + QString::number(nDocNo)
                     + (index == 0 ? QStringLiteral(".pdf") : QStringLiteral(".docx"));
        QDir().mkpath(Usr::st().workFolder);
        if (!m_editor->txSaveAs(attachment, true)) {
            Prompt::current().message(uTxm::exportFailedText(attachment), Prompt::OkOnly);
            return;
        }
    }
    QString body, subject;
    m_editor->GetMTxt(body, subject);
    subject = zClt::firstCharacters(subject, 25);
    if (!Launcher::mailFits(subject, body, attachment)) {
        // The mail reaches the mail program on its command line, which holds only so much: a long
        // text goes as the attachment alone (the page's own copy, or the text as a file), and the
        // body says where it is.
        if (attachment.isEmpty()) {
            attachment = Usr::st().workFolder + QString::number(nDocNo) + QStringLiteral(".txt");
            QDir().mkpath(Usr::st().workFolder);
            if (!zClt::instance().F_StUtf(attachment, body)) {
                Prompt::current().message(QStringLiteral("ﾌｧｲﾙ: ") + attachment + QStringLiteral(" を書けません｡"),
                                          Prompt::OkOnly);
                return;
            }
        }
        body = QStringLiteral("本文が長いため､添付ﾌｧｲﾙ %1 をご覧下さい").arg(QFileInfo(attachment).fileName());
    }
    sbWait::cMsg(QStringLiteral("ﾒｰﾙｿﾌﾄを起動しています"));
    const int answer = Launcher::current().composeMail(subject, body, attachment);
    sbWait::cEnd();
    if (answer != 0 && answer != Launcher::StillRunning)
        Prompt::current().message(mailFailureText(answer, attachment), Prompt::OkOnly);
}

QString fmDoc::mailFailureText(int answer, const QString &attachment)
{
    // xdg-email's exit codes: 1 wrong arguments, 2 a file missing, 3 no mail program, 4 the mail
    // program failed, 5 a file that cannot be read.
    const QString code = QStringLiteral("\n(xdg-email の終了ｺｰﾄﾞ %1)").arg(answer);
    switch (answer) {
    case -1:
        return QStringLiteral("ﾒｰﾙｿﾌﾄを起動できません｡xdg-email (xdg-utils) がｲﾝｽﾄｰﾙされているかﾁｪｯｸして下さい");
    case 2:
        return QStringLiteral("添付ﾌｧｲﾙ %1 が見つかりません").arg(attachment) + code;
    case 3:
        return QStringLiteral("ﾒｰﾙｿﾌﾄが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾒｰﾙｿﾌﾄを指定して下さい") + code;
    case 4:
        return QStringLiteral("既定のﾒｰﾙｿﾌﾄがﾒｰﾙを作成できませんでした") + code;
    case 5:
        return QStringLiteral("添付ﾌｧｲﾙ %1 を読めません").arg(attachment) + code;
    default:
        return QStringLiteral("ﾒｰﾙｿﾌﾄにﾒｰﾙを渡せませんでした") + code;
    }
}
