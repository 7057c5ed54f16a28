#pragma once

#include <QTextDocument>

// Keeps a document from being laid out while it is filled: Qt lays out the enclosing table again
// after every insert into a cell, which makes building large or nested tables take time in the square
// of their size. At the end the document is laid out once, if it lays out at all (a page document
// made for batch work does not).
class LayoutPause
{
public:
    explicit LayoutPause(QTextDocument *doc) : m_doc(doc), m_layout(doc->isLayoutEnabled())
    {
        doc->setLayoutEnabled(false);
    }
    ~LayoutPause()
    {
        m_doc->setLayoutEnabled(m_layout);
    }
    LayoutPause(const LayoutPause &) = delete;
    LayoutPause &operator=(const LayoutPause &) = delete;

private:
    QTextDocument *m_doc;
    bool m_layout;
};
