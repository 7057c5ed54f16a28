// The windows the main window opens beside itself: the second edit window and the reverse look-up.
#include "mainwin/fmDoc.h"

#include "mainwin/sbDoc.h"
#include "mainwin/sbRev.h"
#include "tree/uTrX.h"

void fmDoc::openSecondWindow()
{
    if (!m_second)
        m_second = new sbDoc(m_services);
    QString expanded, active;
    m_tree->GetExPndNds(expanded, active);
    m_second->Act(expanded, active);
}

bool fmDoc::closeSecondWindow()
{
    if (!m_second || !m_second->isVisible())
        return true;
    if (!m_second->CloseWindow())
        return false;
    m_second->hide();
    return true;
}

void fmDoc::reverseLookup()
{
    sbRev window(this, m_services);
    window.Act();
}
