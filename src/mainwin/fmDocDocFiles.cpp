// The main window's commands on document files of other programs: reading one into the page and
// opening the page in the word processor.
#include "mainwin/fmDoc.h"

#include "core/Usr.h"
#include "core/yIni.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "tree/uTrX.h"

void fmDoc::ReadDocFile()
{
    if (m_tree->SlctdKy() != QLatin1String("NewNode")
        && Prompt::current().message(QStringLiteral("選択されているﾍﾟｰｼﾞは新規ではありません\n上書きされますが、良いですか"),
                                     Prompt::OkCancel) != Prompt::Ok)
        return;
    m_editor->rtAct(10);
}

void fmDoc::SaveTempDoc(QString sFL)
{
    if (sFL.isEmpty()) {
        sFL = Usr::st().workFolder + QStringLiteral("Temp.docx");
        if (!m_editor->txSaveAs(sFL, true)) {
            Prompt::current().message(QStringLiteral("ﾌｧｲﾙ: ") + sFL + QStringLiteral(" を開けません｡"), Prompt::OkOnly);
            return;
        }
    }
    // A file the desktop could not open is told there, with where it lies and why.
    yIni::instance().W_ExpFd(sFL, true);
}
