#pragma once

#include <QSizeF>
#include <QTextDocument>

// Keeps a document from being laid out while it is filled. Qt lays out only a document with a page
// size, and it lays out the enclosing table again after every insert into a cell, which makes building
// large or nested tables take time in the square of their size. The size given back at the end lays the
// whole document out once; a scratch document that is only handed on may stay without layout.
class LayoutPause
{
public:
    explicit LayoutPause(QTextDocument *doc) : m_doc(doc), m_size(doc->pageSize())
    {
        doc->setPageSize(QSizeF(0, 0));
    }
    ~LayoutPause()
    {
        if (m_doc)
            m_doc->setPageSize(m_size);
    }
    void keepPaused() { m_doc = nullptr; }
    LayoutPause(const LayoutPause &) = delete;
    LayoutPause &operator=(const LayoutPause &) = delete;

private:
    QTextDocument *m_doc;
    QSizeF m_size;
};
