#include "platform/docx/DocxWeight.h"

#include "platform/docx/ZipPackage.h"

#include <QStringList>

#include <vector>

namespace {

bool isXmlPart(const QString &name)
{
    return name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive);
}

// Whether the element at `at` (just after its '<') is `name`, not a longer name beginning so.
bool isElement(const QByteArray &xml, qsizetype at, const QByteArrayView name)
{
    const qsizetype end = at + name.size();
    if (end >= xml.size() || QByteArrayView(xml.constData() + at, name.size()) != name)
        return false;
    const char c = xml.at(end);
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The number in the element's w:val attribute, 1 when there is none.
qint64 valueOf(const QByteArray &xml, qsizetype at)
{
    const qsizetype close = xml.indexOf('>', at);
    const qsizetype val = xml.indexOf("w:val=\"", at);
    if (val < 0 || (close >= 0 && val > close))
        return 1;
    bool ok = false;
    const qint64 n = xml.mid(val + 7, 8).split('"').value(0).toLongLong(&ok);
    return ok && n > 0 ? n : 1;
}

struct Table {
    qint64 rows = 0;
    qint64 gridColumns = 0;
    qint64 rowColumns = 0;   // of the row being read
    qint64 widest = 0;
};

} // namespace

DocxWeight::Look DocxWeight::of(const QByteArray &bytes, qint64 markupLimit)
{
    Look look;
    ZipPackage zip;
    if (!zip.open(bytes))
        return look;
    look.package = true;
    QStringList parts;
    for (const QString &name : zip.names()) {
        if (!isXmlPart(name))
            continue;
        // A directory may claim any size: a part counts as much as a package may unpack to at most.
        look.unpacked += qBound<qint64>(0, zip.unpackedSize(name), ZipPackage::TotalLimit);
        parts << name;
    }
    if (look.unpacked > markupLimit)
        return look;
    for (const QString &name : parts) {
        QByteArray xml;
        // A part that unpacks to more than its directory says is as heavy as the limit.
        if (!zip.read(name, xml, markupLimit)) {
            look.unpacked = qMax(look.unpacked, markupLimit + 1);
            return look;
        }
        count(xml, look);
    }
    return look;
}

void DocxWeight::count(const QByteArray &xml, Look &look)
{
    std::vector<Table> tables;
    for (qsizetype at = xml.indexOf('<'); at >= 0; at = xml.indexOf('<', at + 1)) {
        const qsizetype name = at + 1;
        if (isElement(xml, name, "w:tbl")) {
            tables.emplace_back();
        } else if (tables.empty()) {
            // Outside tables only list items count.
        } else if (isElement(xml, name, "/w:tbl")) {
            const Table &t = tables.back();
            look.gridPlaces += t.rows * qMax(t.gridColumns, t.widest);
            tables.pop_back();
            continue;
        } else if (isElement(xml, name, "w:gridCol")) {
            ++tables.back().gridColumns;
        } else if (isElement(xml, name, "w:tr")) {
            ++tables.back().rows;
            tables.back().rowColumns = 0;
        } else if (isElement(xml, name, "w:tc")) {
            ++tables.back().rowColumns;
        } else if (isElement(xml, name, "w:gridSpan")) {
            tables.back().rowColumns += valueOf(xml, name) - 1;
        } else if (isElement(xml, name, "/w:tr")) {
            tables.back().widest = qMax(tables.back().widest, tables.back().rowColumns);
        }
        if (isElement(xml, name, "w:numPr"))
            ++look.listItems;
    }
}
