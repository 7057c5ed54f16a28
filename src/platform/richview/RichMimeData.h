#pragma once

#include "platform/richtext/PageDocument.h"

#include <QMimeData>

// A selection on the clipboard or in a drag: plain text and HTML for other programs, and for this
// program the selection as a page of its own, so that fields, pictures, frames and tables come back
// whole (with new ids) when it is pasted or dropped.
class RichMimeData : public QMimeData
{
    Q_OBJECT
public:
    RichMimeData() = default;

    PageDocument &page() { return m_page; }
    const PageDocument &page() const { return m_page; }

private:
    PageDocument m_page;
};
