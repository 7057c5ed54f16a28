#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// A page as an edit window found it in the database: whether it had a row and
// a placement, and its stored title, text and document (implicitly shared:
// keeping them costs no copy, and a page load hashes nothing).
// A save compares it with the page stored at that moment, so that it never
// replaces another user's save, nor brings back a page deleted meanwhile,
// without asking.
class PageStamp
{
public:
    // No row: a new page, not stored yet.
    PageStamp() = default;
    // The row of a load (title, plain text and document as read) and whether the page was placed.
    PageStamp(const QVariant &title, const QVariant &text, const QVariant &document, bool placed);

    // The page as stored now; false when the database could not be read.
    static bool read(qint64 page, PageStamp *stamp);
    // The page's row in one query (a round trip less on a server): title, plain text, document, and
    // the number of placements that show it. As R_PAry: false with one empty value a column when
    // there is no such page, and with none when the query failed.
    static bool readRow(qint64 page, QVariantList &row);

    bool stored() const { return m_stored; }
    bool isPlaced() const { return m_placed; }
    QString title() const { return m_title; }
    // Same stored title, text and document; a null value equals an empty one.
    bool sameContent(const PageStamp &other) const
    {
        return m_stored == other.m_stored && m_title == other.m_title && m_text == other.m_text
               && m_document == other.m_document;
    }

private:
    bool m_stored = false;
    bool m_placed = false;
    QString m_title;
    QString m_text;
    QByteArray m_document;
};
