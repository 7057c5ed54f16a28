#pragma once

#include "mainwin/PageStamp.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

// One save of a page: its row and the tree's share (the placement of a new
// page, the title copies of the placements) in one transaction, so that a
// failure leaves neither. A page that the top no longer reaches when it is
// saved (a page above it deleted elsewhere) is placed at the top level's end in
// the same transaction: saved below a page that went, it would be lost. The row is written only over the page the window
// took; another user's save or delete in between is reported instead, for the
// window to ask. No lock outlives a run: the questions come between runs.
class PageWrite
{
public:
    struct Row {
        QString title;
        QString text;
        QString tags;
        QByteArray document;
        QDateTime updated;
    };
    enum Result { Saved, ChangedElsewhere, DeletedElsewhere, Failed };
    // What the tree has to write with the row.
    enum Placement {
        Titles,         // an existing page: its placements' title copies
        NewPlacement,   // a new page: the placement of its unsaved node
        PlaceAgain,     // a page deleted elsewhere: a placement where the window shows it
        TopEnd          // a page no path from the top reaches: a placement at the top level's end
    };
    // The tree's share; `page` is the row's number, `oldTitle` the stored title it replaces.
    using PlaceFn = std::function<bool(Placement kind, qint64 page, const QString &oldTitle)>;

    PageWrite(qint64 page, const PageStamp &taken);

    Result run(const Row &row, const PlaceFn &place);

    // The number the row went to: a new page whose number someone else took gets the next free one.
    qint64 page() const { return m_page; }
    // After Saved, the page as now stored; after ChangedElsewhere, the other save met.
    const PageStamp &found() const { return m_found; }
    // The user chose to replace the other save that was met.
    void replaceFound() { m_taken = m_found; }
    // The user chose to store a page deleted elsewhere again.
    void storeAgain() { m_again = true; }
    // After Failed: the tree refused the placement of a new page or of one stored again (and has said why).
    bool placementRefused() const { return m_refused; }

private:
    Result write(const Row &row, const PlaceFn &place);
    Result writeExisting(const Row &row, const PlaceFn &place);
    bool insertRow(const Row &row);
    bool taken(qint64 page, bool *ok) const;
    Result placed(bool ok, Placement kind);
    // Whether the save writes a placement of its page besides its row.
    bool placesPage() const;

    qint64 m_page;
    PageStamp m_taken;
    PageStamp m_found;
    bool m_again = false;
    bool m_refused = false;
};
