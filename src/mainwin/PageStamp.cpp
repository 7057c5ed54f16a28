#include "mainwin/PageStamp.h"

#include "core/zSvr.h"

PageStamp::PageStamp(const QVariant &title, const QVariant &text, const QVariant &document, bool placed)
    : m_stored(true), m_placed(placed), m_title(title.toString()), m_text(text.toString()),
      m_document(document.toByteArray())
{
}

bool PageStamp::readRow(qint64 page, QVariantList &row)
{
    return zSvr::instance().R_PAry(
        QStringLiteral("Select szDoc, txDoc, obDoc, (Select Count(*) From tbTree Where noLfC = ?) From msDoc Where noDoc = ?"),
        {page, page}, row);
}

bool PageStamp::read(qint64 page, PageStamp *stamp)
{
    QVariantList row;
    if (!readRow(page, row)) {
        // No row comes back with one empty value per column; a failed query leaves none.
        if (row.size() < 4)
            return false;
        *stamp = PageStamp();
        return true;
    }
    *stamp = PageStamp(row.value(0), row.value(1), row.value(2), row.value(3).toInt() > 0);
    return true;
}
