#include "mainwin/PageStamp.h"

#include "core/zSvr.h"

#include <QCryptographicHash>

namespace {

void addPart(QCryptographicHash &hash, const QByteArray &part)
{
    // Lengths first, so that no two different rows give the same stream.
    hash.addData(QByteArray::number(part.size()) + ':');
    hash.addData(part);
}

} // namespace

PageStamp::PageStamp(const QVariant &title, const QVariant &text, const QVariant &document, bool placed)
    : m_stored(true), m_placed(placed), m_title(title.toString())
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    addPart(hash, m_title.toUtf8());
    addPart(hash, text.toString().toUtf8());
    addPart(hash, document.toByteArray());
    m_digest = hash.result();
}

bool PageStamp::placed(qint64 page)
{
    return zSvr::instance().R_GtVaL(QStringLiteral("Select Count(*) From tbTree Where noLfC = ?"), {page}, 0).toInt() > 0;
}

bool PageStamp::read(qint64 page, PageStamp *stamp)
{
    QVariantList row;
    zSvr &db = zSvr::instance();
    const bool found = db.R_PAry(QStringLiteral("Select szDoc, txDoc, obDoc From msDoc Where noDoc = ?"), {page}, row);
    if (!found) {
        // No row comes back with one empty value per column; a failed query leaves none.
        if (row.size() < 3)
            return false;
        *stamp = PageStamp();
        return true;
    }
    QVariantList count;
    if (!db.R_PAry(QStringLiteral("Select Count(*) From tbTree Where noLfC = ?"), {page}, count))
        return false;
    *stamp = PageStamp(row.value(0), row.value(1), row.value(2), count.value(0).toInt() > 0);
    return true;
}
