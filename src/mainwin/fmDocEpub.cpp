// The main window's EPUB command: the stored sibling order and the home
// settings first, then the book of the chosen range.
#include "mainwin/fmDoc.h"

#include "core/Frmt.h"
#include "publish/epub/yEpub.h"
#include "tree/uTrX.h"

void fmDoc::EpubOutput()
{
    m_tree->trSort();
    Frmt::LoadHome(false);
    int iRet = 0;
    yEpub book;
    book.Publish(this, nDocNo, iRet);
}
