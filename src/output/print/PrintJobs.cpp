#include "output/print/PrintJobs.h"

#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "output/print/sbTvw.h"

void PrintJobs::install()
{
    EditorServices::setJobHandler(6, [](uTxm &editor, const QVariant &) {
        sbTvw::instance().cPrint(editor.page(), editor.view(), false, QString());
        return false;
    });
    EditorServices::setJobHandler(7, [](uTxm &editor, const QVariant &) {
        sbTvw::instance().cAct(editor.page(), editor.view(), QString(), QString());
        return false;
    });
    EditorServices::setPageViewer([](PageDocument &page) {
        sbTvw::instance().cAct(page, nullptr, QString(), QString());
    });
    EditorServices::setJobHandler(69, [](uTxm &editor, const QVariant &) {
        sbTvw::instance().cSetPrn(editor.page(), editor.view(), QString());
        return false;
    });
}
