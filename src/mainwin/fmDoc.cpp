#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "core/zSvr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>

fmDoc::fmDoc(QWidget *parent)
    : QMainWindow(parent)
{
    resize(1024, 700);
    updateCaption();
}

void fmDoc::SetDBNo(const QString &path, int pageNo)
{
    m_dbPath = path;
    m_startPage = pageNo;
}

void fmDoc::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        load();
    }
}

// The load event: opens the database handed over by start-up. A database that
// does not open leaves the window without one.
void fmDoc::load()
{
    if (!m_dbPath.isEmpty() && !zSvr::st().D_StDcDb(m_dbPath))
        m_dbPath.clear();
    updateCaption();
}

void fmDoc::updateCaption()
{
    // Qt adds the program name to a title that does not end with it.
    const QString name = QApplication::applicationDisplayName();
    setWindowTitle(m_dbPath.isEmpty() ? name : QFileInfo(m_dbPath).fileName() + QStringLiteral(" - ") + name);
}

void fmDoc::closeEvent(QCloseEvent *event)
{
    if (Usr::st().busy) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (!m_closing) {
        m_closing = true;
        Frmt::AppEnd();
    }
}
