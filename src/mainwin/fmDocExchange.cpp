// Export of a subtree to a new document database and import from another one:
// the main window lends its tree, editor and current page to the exchange.
#include "mainwin/fmDoc.h"

#include "editor/uTxm.h"
#include "output/DbExport.h"
#include "output/DbImport.h"
#include "output/ExchangeHost.h"

namespace {

class fmDocExchangeHost : public ExchangeHost
{
public:
    explicit fmDocExchangeHost(fmDoc &window) : w(window) {}
    QWidget *hostWindow() override { return &w; }
    uTrX &hostTree() override { return w.tree(); }
    uTxm &hostEditor() override { return w.editor(); }
    int currentPageNo() const override { return w.nDocNo; }
    void setCurrentPageNo(int pageNo) override { w.SetPageNo(pageNo); }
    void showPage(int pageNo) override
    {
        if (pageNo > 0)
            w.LoadPage(QString::number(pageNo), QString(), 3, true);
    }
    int &rangeChoice() override { return w.iRange; }
    void setTreeMenuMode(bool normal) override { w.SetTreeMenuMode(normal); }
    QString selectDbFile(bool save, const QString &caption, const QString &proposal) override
    {
        return w.SelectDbFile(save, caption, proposal);
    }

private:
    fmDoc &w;
};

} // namespace

void fmDoc::ExportDb()
{
    fmDocExchangeHost host(*this);
    DbExport(host).ExportDb();
}

bool fmDoc::ImportDb()
{
    fmDocExchangeHost host(*this);
    DbImport run(host);
    run.ImportDb();
    return run.done();
}

void fmDoc::importCommand()
{
    const bool edited = nDocNo != 0 && m_editor->bDcEdt();
    const int shown = nDocNo;
    m_lastSaveOk = false;
    if (!leaveCurrentPage())
        return;
    // "No" to the save question gives the edits up to the page the import puts in their place. An
    // import that does not happen leaves them on screen, unsaved: they stay marked, so that leaving
    // the page still asks about them.
    if (!ImportDb() && edited && !m_lastSaveOk && nDocNo == shown)
        m_editor->setBDcEdt(true);
}
