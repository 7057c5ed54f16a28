#include "platform/richtext/PageDecoder.h"

#include "platform/richtext/ByteReader.h"
#include "platform/richtext/FormatCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageStream.h"
#include "platform/richtext/TextProps.h"

#include <QSet>
#include <QTextFormat>

#include <cstring>

using namespace PageImage;
using namespace PageStream;

namespace {

constexpr int MaxDepth = 16;
constexpr int MaxTwips = 1440 * 200;
constexpr int MinTableBudget = 64;
constexpr int CellsPerByte = 16;
constexpr int MaxNameLength = 256;

bool isTag(QByteArrayView tag, const char (&expected)[4])
{
    return std::memcmp(tag.data(), expected, 4) == 0;
}

bool imageFormatName(const QByteArray &format)
{
    if (format.isEmpty() || format.size() > 16)
        return false;
    for (char c : format) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace

PageDecoder::PageDecoder(Page &page)
    : m_page(page)
{
}

bool PageDecoder::decode(QByteArrayView bytes, Page &page, bool *sparseTable)
{
    page = Page();
    if (sparseTable)
        *sparseTable = false;
    ByteReader in(bytes);
    const QByteArrayView magic = in.raw(sizeof Magic);
    if (!in.ok() || std::memcmp(magic.data(), Magic, sizeof Magic) != 0)
        return false;
    in.u16(); // version of the writer
    const int oldestReader = in.u16();
    if (!in.ok() || oldestReader > Version)
        return false;
    PageDecoder decoder(page);
    if (!decoder.sections(in)) {
        if (sparseTable)
            *sparseTable = decoder.m_sparseTable;
        page = Page();
        return false;
    }
    return true;
}

bool PageDecoder::sections(ByteReader &in)
{
    bool haveSetup = false;
    while (in.ok()) {
        const QByteArrayView tag = in.raw(4);
        ByteReader payload = in.sub();
        if (!in.ok())
            return false;
        bool good = true;
        if (isTag(tag, EndTag))
            break;
        if (isTag(tag, SetupTag)) {
            good = !haveSetup && setup(payload);
            haveSetup = true;
        } else if (isTag(tag, FormatsTag)) {
            good = !m_haveFormats && formats(payload);
            m_haveFormats = true;
        } else if (isTag(tag, PartTag)) {
            good = m_haveFormats && part(payload);
        } else if (isTag(tag, PictureTag)) {
            good = picture(payload);
        }
        if (!good)
            return false;
    }
    if (!in.ok() || !in.atEnd() || !haveSetup)
        return false;
    for (const Part &p : m_page.parts) {
        if (p.kind == Part::HeaderFooter && p.key == TextProps::MainPart)
            return true;
    }
    return false;
}

bool PageDecoder::setup(ByteReader in)
{
    PageSetup &s = m_page.setup;
    s.width = in.intIn(1, MaxTwips);
    s.height = in.intIn(1, MaxTwips);
    s.marginLeft = in.intIn(0, MaxTwips);
    s.marginTop = in.intIn(0, MaxTwips);
    s.marginRight = in.intIn(0, MaxTwips);
    s.marginBottom = in.intIn(0, MaxTwips);
    const quint8 landscape = in.u8();
    s.landscape = landscape == 1;
    return in.ok() && landscape <= 1;
}

bool PageDecoder::formats(ByteReader in)
{
    const int count = in.count(2);
    m_page.formats.reserve(count);
    for (int i = 0; i < count && in.ok(); ++i) {
        QTextFormat format;
        if (!FormatCodec::decode(in, format))
            return false;
        m_page.formats.append(format);
    }
    return in.ok();
}

bool PageDecoder::formatOf(int index, int type, int objectType) const
{
    if (index < 0 || index >= m_page.formats.size())
        return false;
    const QTextFormat &format = m_page.formats.at(index);
    return format.type() == type && format.objectType() == objectType;
}

bool PageDecoder::part(ByteReader in)
{
    Part p;
    p.kind = in.uintIn(Part::HeaderFooter, Part::TextFrame);
    p.key = int(in.varUInt());
    const quint64 root = in.varUInt();
    if (!in.ok())
        return false;
    if (p.kind == Part::HeaderFooter && p.key != TextProps::MainPart
        && std::find(std::begin(TextProps::PartFlags), std::end(TextProps::PartFlags), p.key)
               == std::end(TextProps::PartFlags))
        return false;
    if (p.kind == Part::TextFrame && (p.key < 1 || p.key > PageDocument::MaxId))
        return false;
    for (const Part &other : m_page.parts) {
        if (other.kind == p.kind && other.key == p.key)
            return false;
    }
    p.rootFormat = int(root);
    if (root > quint64(m_page.formats.size()) || !formatOf(p.rootFormat, QTextFormat::FrameFormat))
        return false;
    const int lists = in.count(1);
    for (int i = 0; i < lists && in.ok(); ++i) {
        const quint64 format = in.varUInt();
        if (format >= quint64(m_page.formats.size()) || !formatOf(int(format), QTextFormat::ListFormat))
            return false;
        p.lists.append(int(format));
    }
    m_part = &p;
    const bool good = in.ok() && items(in, p.items, 0);
    m_part = nullptr;
    if (!good)
        return false;
    m_page.parts.push_back(std::move(p));
    return true;
}

bool PageDecoder::picture(ByteReader in)
{
    Picture p;
    p.name = in.string();
    p.format = in.bytes();
    p.bytes = in.bytes();
    if (!in.ok() || p.name.isEmpty() || p.name.size() > MaxNameLength || !imageFormatName(p.format)
        || p.bytes.isEmpty())
        return false;
    for (const Picture &other : m_page.pictures) {
        if (other.name == p.name)
            return false;
    }
    m_page.pictures.push_back(std::move(p));
    return true;
}

// A frame's content: blocks, with a block before and after every table or frame.
bool PageDecoder::items(ByteReader &in, std::vector<Item> &out, int depth)
{
    const int count = in.count(3);
    if (!in.ok() || count == 0 || depth > MaxDepth)
        return false;
    // Items are added as they are read, so that memory follows the bytes actually there.
    for (int i = 0; i < count; ++i) {
        Item &item = out.emplace_back();
        item.kind = in.u8();
        bool good = false;
        if (item.kind == Item::Block) {
            good = block(in, item);
        } else if (item.kind == Item::Table) {
            good = table(in, item, depth);
        } else if (item.kind == Item::Frame) {
            const quint64 format = in.varUInt();
            item.format = int(format);
            good = in.ok() && format < quint64(m_page.formats.size())
                && formatOf(item.format, QTextFormat::FrameFormat) && items(in, item.items, depth + 1);
        }
        if (!good)
            return false;
        const bool structure = item.kind != Item::Block;
        if (structure && (i == 0 || i == count - 1 || out[i - 1].kind != Item::Block))
            return false;
    }
    return in.ok();
}

bool PageDecoder::block(ByteReader &in, Item &item)
{
    const quint64 blockFormat = in.varUInt();
    const quint64 charFormat = in.varUInt();
    const quint64 list = in.varUInt();
    const int count = in.count(2);
    const quint64 formats = quint64(m_page.formats.size());
    if (!in.ok() || blockFormat >= formats || charFormat > formats || list > quint64(m_part->lists.size()))
        return false;
    item.blockFormat = int(blockFormat);
    item.charFormat = int(charFormat) - 1;
    item.list = int(list) - 1;
    if (!formatOf(item.blockFormat, QTextFormat::BlockFormat)
        || (item.charFormat >= 0 && m_page.formats.at(item.charFormat).type() != QTextFormat::CharFormat))
        return false;
    for (int i = 0; i < count; ++i) {
        Fragment &fragment = item.fragments.emplace_back();
        const quint64 format = in.varUInt();
        fragment.text = in.string();
        if (!in.ok() || format >= formats || fragment.text.isEmpty()
            || m_page.formats.at(int(format)).type() != QTextFormat::CharFormat)
            return false;
        fragment.format = int(format);
    }
    return true;
}

bool PageDecoder::table(ByteReader &in, Item &item, int depth)
{
    const quint64 format = in.varUInt();
    item.rows = in.uintIn(1, MaxRows);
    item.columns = in.uintIn(1, MaxColumns);
    if (!in.ok() || format >= quint64(m_page.formats.size())
        || !formatOf(int(format), QTextFormat::FrameFormat, QTextFormat::TableObject))
        return false;
    item.format = int(format);
    const qint64 grid = qint64(item.rows) * item.columns;
    if (grid > MaxTableCells)
        return false;
    const qsizetype start = in.remaining();
    const int count = in.count(4);
    if (!in.ok() || count > grid)
        return false;
    std::vector<bool> taken(size_t(grid), false);
    size_t next = 0;
    for (int i = 0; i < count; ++i) {
        Cell &cell = item.cells.emplace_back();
        while (next < taken.size() && taken[next])
            ++next;
        if (next == taken.size())
            return false;
        cell.row = int(next / size_t(item.columns));
        cell.column = int(next % size_t(item.columns));
        cell.rowSpan = in.uintIn(1, item.rows - cell.row);
        cell.columnSpan = in.uintIn(1, item.columns - cell.column);
        const quint64 cellFormat = in.varUInt();
        if (!in.ok() || cellFormat >= quint64(m_page.formats.size())
            || !formatOf(int(cellFormat), QTextFormat::CharFormat, QTextFormat::TableCellObject))
            return false;
        cell.format = int(cellFormat);
        for (int r = cell.row; r < cell.row + cell.rowSpan; ++r) {
            for (int c = cell.column; c < cell.column + cell.columnSpan; ++c) {
                const size_t slot = size_t(r) * size_t(item.columns) + size_t(c);
                if (taken[slot])
                    return false;
                taken[slot] = true;
            }
        }
        if (!items(in, cell.items, depth + 1))
            return false;
    }
    // Merged cells cover many grid cells with few bytes; a table may not ask Qt for many more cells
    // than its bytes could describe.
    if (grid > MinTableBudget + CellsPerByte * qint64(start - in.remaining())) {
        m_sparseTable = true;
        return false;
    }
    return std::find(taken.begin(), taken.end(), false) == taken.end();
}
