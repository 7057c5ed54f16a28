#include "mainwin/fmDoc.h"

#include <QApplication>

fmDoc::fmDoc(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QApplication::applicationDisplayName());
    resize(1024, 700);
}

void fmDoc::SetDBNo(const QString &path, int pageNo)
{
    m_dbPath = path;
    m_startPage = pageNo;
    setWindowTitle(path.isEmpty() ? QApplication::applicationDisplayName()
                                  : QApplication::applicationDisplayName() + QStringLiteral(" - ") + path);
}
