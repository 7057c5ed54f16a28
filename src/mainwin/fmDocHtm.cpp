// The HTML site of the open database from the output menu, and the release of the database's
// publishing computer.
#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zKtl.h"
#include "core/zSvr.h"
#include "editor/sbTxm.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "platform/desktop/Prompt.h"
#include "publish/converter/yHtm.h"
#include "publish/site/SiteWriter.h"
#include "publish/site/sbHtm.h"
#include "tree/uTrX.h"

#include <QAction>
#include <QFileInfo>

void fmDoc::HtmOutput()
{
    if (!zSvr::instance().isOpen())
        return;
    SiteWriter writer;
    writer.status = [this](const QString &text) { ShowStatus(text, 0); };
    writer.HtmPrepare();
    sbHtm::Choice c;
    sbHtm::Act(writer.outputFolder(), c, this);
    yHtm::instance().E_Opt(c.iLout == 2 ? 1 : 0, 0);
    if (c.iRet == 0)
        return;
    bool published = true;
    if (c.iRet == 3) {
        writer.firstPage();
    } else {
        m_tree->trSort();
        SiteWriter::Run run;
        run.mode = c.iRet;
        run.empty = c.bDel;
        run.local = c.iFtp == 0;
        run.layout = c.iLout;
        run.topName = c.sTpNm;
        {
            BusyScope busy;
            published = writer.publish(run);
        }
        // Links the converter writes later reach the first page under its chosen name.
        Frmt::st().htmList = c.iRet == 1 && !c.sTpNm.isEmpty() && writer.firstPageNo() > 0
                                 ? QString::number(writer.firstPageNo()) + QLatin1Char('\t') + c.sTpNm + QLatin1Char('\r')
                                 : QString();
    }
    // A site that could not be written is not uploaded: the tool would only send the old one.
    if (c.iFtp == 0 || !published)
        return;
    int code = 0;
    const bool ran = c.iFtp == 1 ? zKtl::instance().ActSync(c.sSync, &code) : zKtl::instance().ActFFFTP(c.sSync, &code);
    // The user cancelled the choice of the tool: nothing was uploaded, nothing more happens.
    if (ran && code == zKtl::NotChosen)
        return;
    // A failed upload leaves the web site as it was: the browser would only show the old one.
    if (!ran || code != 0) {
        const QString tool = c.iFtp == 1 ? QStringLiteral("Prusken") : QStringLiteral("FFFTP");
        const QString why = !ran || code < 0 ? QStringLiteral(" を実行できませんでした")
                                             : QStringLiteral(" の終了ｺｰﾄﾞ: ") + QString::number(code);
        Prompt::current().message(QStringLiteral("FTP転送に失敗しました\n") + tool + why, Prompt::OkOnly | Prompt::Exclamation);
        return;
    }
    // An empty tree without a first-page name has no first page to show, nor has a run that could
    // not write it.
    if ((c.sTpNm.isEmpty() && writer.firstPageNo() <= 0) || (c.iRet != 3 && !writer.firstPageWritten()))
        return;
    const QString name = !c.sTpNm.isEmpty() ? c.sTpNm : SiteWriter::pageFile(writer.firstPageNo());
    QString address = Frmt::st().homeAddress;
    zClt::instance().T_AddRwd(address, QStringLiteral("/"));
    if (!address.isEmpty()) {
        yIni::instance().W_HtmView(address + name);
    } else {
        // Without a Home URL there is no address to open: the site as published here is shown.
        const QString local = writer.outputFolder() + QLatin1Char('/') + name;
        if (QFileInfo(local).isFile())
            yIni::instance().W_ExpFd(local, true);
    }
}

void fmDoc::ResetPubPc()
{
    zSvr &db = zSvr::instance();
    const QString pc = db.R_GtVaL(QStringLiteral("Select HsPub From kaUsr"), QString()).toString();
    const QString question = QStringLiteral("現在 Webへ出力できるPCは ") + pc + QStringLiteral(" です(ﾊﾞﾌﾞﾘｯｼｭ権限)\n")
                             + QStringLiteral("これを初期化して他のPCから出力できるようにします\n\n")
                             + QStringLiteral("Webへ出力するPCを変更直後に、一括更新を実行して下さい\n")
                             + QStringLiteral("同期の実行だと、") + pc + QStringLiteral("の内容との差分だけしか更新されません\n")
                             + QStringLiteral("Web出力PCの初期化を行って良いですか");
    if (Prompt::current().message(question, Prompt::OkCancel) != Prompt::Ok)
        return;
    if (!db.D_ExeSq(QStringLiteral("Update kaUsr Set HsPub=''")))
        return;
    for (int i : {14, 15, 16}) {
        if (QAction *item = m_editor->companion().item(sbTxm::mnObjct, i))
            item->setVisible(true);
    }
    Prompt::current().message(QStringLiteral("Web出力PCの初期化を行いました"), Prompt::OkOnly);
}
