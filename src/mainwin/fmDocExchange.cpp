// Export of a subtree to a new document database and import from another one:
// the main window lends its tree, editor and current page to the exchange.
#include "mainwin/fmDoc.h"

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

void fmDoc::ImportDb()
{
    fmDocExchangeHost host(*this);
    DbImport(host).ImportDb();
}
