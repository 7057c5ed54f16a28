#include "mainwin/PageWrite.h"

#include "core/PageNumbers.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "tree/TreeDb.h"

namespace {

// A new page whose number keeps being taken gives up after this many tries.
constexpr int NumberTries = 20;

} // namespace

PageWrite::PageWrite(qint64 page, const PageStamp &taken) : m_page(page), m_taken(taken) {}

PageWrite::Result PageWrite::run(const Row &row, const PlaceFn &place)
{
    zSvr &db = zSvr::instance();
    m_refused = false;
    if (!db.D_Tran(0))
        return Failed;
    // A save that places its page (a new page, or one stored again) takes the lock of the writes
    // that place pages before it writes its row, as they all do: taken after the row, an import
    // holding the lock and writing the same page number would wait for this save while it waits
    // for the import, and the server would give one of them up.
    if (placesPage() && !TreeDb::holdPlacing()) {
        db.D_Tran(2);
        return Failed;
    }
    Result result = write(row, place);
    if (result == Saved && !PageStamp::read(m_page, &m_found))
        result = Failed;
    if (result == Saved && db.D_Tran(1))
        return Saved;
    db.D_Tran(2);
    return result == Saved ? Failed : result;
}

PageWrite::Result PageWrite::write(const Row &row, const PlaceFn &place)
{
    if (m_taken.stored())
        return writeExisting(row, place);
    // A new page never writes over a row: its number goes to the first free one.
    if (!insertRow(row))
        return Failed;
    return placed(place(NewPlacement, m_page, QString()), NewPlacement);
}

PageWrite::Result PageWrite::writeExisting(const Row &row, const PlaceFn &place)
{
    zSvr &db = zSvr::instance();
    // Holds the row until the end of the transaction (the file is already held
    // whole), so that nobody saves between the comparison and the write.
    if (!db.D_ExeSq(QStringLiteral("Update msDoc Set noDoc = noDoc Where noDoc = ?"), {m_page}))
        return Failed;
    PageStamp now;
    if (!PageStamp::read(m_page, &now))
        return Failed;
    const bool gone = !now.stored() || (m_taken.isPlaced() && !now.isPlaced());
    if (gone && !m_again) {
        m_found = now;
        return DeletedElsewhere;
    }
    if (!gone && !now.sameContent(m_taken)) {
        m_found = now;
        return ChangedElsewhere;
    }
    if (!now.stored()) {
        // Written again as a new row, under its old number while that is free.
        if (!insertRow(row))
            return Failed;
        return placed(place(PlaceAgain, m_page, QString()), PlaceAgain);
    }
    if (!db.D_ExeSq(QStringLiteral("Update msDoc Set szDoc = ?, txDoc = ?, obDoc = ?, saTgs = ?, dyUdt = ? Where noDoc = ?"),
                    {row.title, row.text, row.document, row.tags, row.updated, m_page}))
        return Failed;
    if (gone)
        return placed(place(PlaceAgain, m_page, now.title()), PlaceAgain);
    if (!place(Titles, m_page, now.title()))
        return Failed;
    // Its own placement may stand under a page another user deleted, or have been gone already when
    // the page was opened: the next clean-up would delete the page with the edits just saved.
    bool read = true;
    if (TreeDb::reachable(m_page, &read))
        return Saved;
    return read ? placed(place(TopEnd, m_page, now.title()), TopEnd) : Failed;
}

bool PageWrite::placesPage() const
{
    return !m_taken.stored() || m_again;
}

PageWrite::Result PageWrite::placed(bool ok, Placement kind)
{
    // The tree tells why it could not place a page; the title copies fail only with the database.
    m_refused = !ok && kind != Titles;
    return ok ? Saved : Failed;
}

bool PageWrite::taken(qint64 page, bool *ok) const
{
    QVariantList count;
    *ok = zSvr::instance().R_PAry(QStringLiteral("Select Count(*) From msDoc Where noDoc = ?"), {page}, count);
    return count.value(0).toInt() > 0;
}

bool PageWrite::insertRow(const Row &row)
{
    zSvr &db = zSvr::instance();
    for (int attempt = 0; attempt < NumberTries; ++attempt) {
        bool ok = false;
        if (!taken(m_page, &ok)) {
            if (!ok)
                return false;
            if (db.D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, wkRnd, boCod, szDoc, txDoc, obDoc, saTgs, dyUdt) "
                                          "Values (?, ?, 0, ?, ?, ?, ?, ?)"),
                           {m_page, Usr::FdNewKy(), row.title, row.text, row.document, row.tags, row.updated}))
                return true;
            // Another user's new page took the number at the same moment: try the next one.
            if (!taken(m_page, &ok))
                return false;
        }
        // An empty table counts as holding 1000, as for the number a new page is shown with.
        m_page = db.R_GtVaL(QStringLiteral(" Select Max(noDoc) From msDoc"), 1000).toLongLong() + 1;
        if (m_page > PageNumbers::Highest)
            return false;
    }
    return false;
}
