#pragma once

#include <QString>

class QWidget;
class uTrX;
class uTxm;

// What the export and the import need of the window that hosts the page tree
// and the page editor: its current page, the shared range choice, the
// database-file dialog and the tree menu mode. The main window implements it;
// tests give their own.
class ExchangeHost
{
public:
    virtual ~ExchangeHost() = default;

    virtual QWidget *hostWindow() = 0;
    virtual uTrX &hostTree() = 0;
    virtual uTxm &hostEditor() = 0;
    // The page shown in the editor (0 none) and its change (SetPageNo).
    virtual int currentPageNo() const { return m_pageNo; }
    virtual void setCurrentPageNo(int pageNo) { m_pageNo = pageNo; }
    // Shows page `pageNo` in the editor without asking about the page shown
    // (the caller settled its edits) and makes it the current page.
    virtual void showPage(int pageNo) { m_pageNo = pageNo; }
    // The range choice shared by the outputs: 0 all, 1 node and children, 2 node and all below.
    virtual int &rangeChoice() { return m_range; }
    virtual void setTreeMenuMode(bool) {}
    // The database-file dialog; "" when cancelled. `proposal` is a folder or a full path.
    virtual QString selectDbFile(bool save, const QString &caption, const QString &proposal) = 0;

protected:
    // Kept here by hosts without a window of their own (tools, tests).
    int m_pageNo = 0;
    int m_range = 2;
};
