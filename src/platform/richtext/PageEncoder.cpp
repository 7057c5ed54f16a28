#include "platform/richtext/PageEncoder.h"

#include "platform/richtext/ByteWriter.h"
#include "platform/richtext/FormatCodec.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageStream.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

using namespace PageStream;

bool PageEncoder::followsStructure(const QTextBlock &block)
{
    if (block.position() == 0)
        return false;
    const QChar before = block.document()->characterAt(block.position() - 1);
    return before == QChar(0xFDD0) || before == QChar(0xFDD1);
}

QByteArray PageEncoder::encode()
{
    ByteWriter parts;
    parts.section(PartTag, part(m_page.main(), 0, TextProps::MainPart));
    for (int flag : TextProps::PartFlags) {
        if (QTextDocument *doc = m_page.part(flag))
            parts.section(PartTag, part(doc, 0, flag));
    }
    // A frame whose anchor was deleted keeps its text only for undo, as a picture does.
    for (int id : m_page.usedFrameIds())
        parts.section(PartTag, part(m_page.frameDocument(id), 1, id));

    ByteWriter out;
    out.raw(QByteArray(Magic, sizeof Magic));
    out.u16(Version);
    out.u16(OldestReader);
    const PageSetup &setup = m_page.pageSetup();
    ByteWriter s;
    for (int value : {setup.width, setup.height, setup.marginLeft, setup.marginTop, setup.marginRight,
                      setup.marginBottom})
        s.varInt(value);
    s.u8(setup.landscape ? 1 : 0);
    out.section(SetupTag, s.data());
    ByteWriter f;
    f.varUInt(quint64(m_formats.size()));
    for (const QByteArray &format : std::as_const(m_formats))
        f.raw(format);
    out.section(FormatsTag, f.data());
    out.raw(parts.data());
    for (const QString &name : m_page.usedPictureNames()) {
        if (!m_page.hasPicture(name))
            continue;
        ByteWriter p;
        p.string(name);
        p.bytes(m_page.pictureFormat(name));
        p.bytes(m_page.pictureBytes(name));
        out.section(PictureTag, p.data());
    }
    out.section(EndTag, QByteArray());
    return out.take();
}

QByteArray PageEncoder::part(QTextDocument *doc, int kind, int key)
{
    m_cache.clear();
    m_lists.clear();
    m_listFormats.clear();
    ByteWriter items;
    content(items, doc->rootFrame()->begin());
    ByteWriter out;
    out.varUInt(quint64(kind));
    out.varUInt(quint64(key));
    out.varUInt(quint64(formatIndex(doc->rootFrame()->frameFormat())));
    out.varUInt(quint64(m_listFormats.size()));
    for (int list : std::as_const(m_listFormats))
        out.varUInt(quint64(list));
    out.raw(items.data());
    return out.take();
}

void PageEncoder::content(ByteWriter &out, QTextFrame::iterator it)
{
    ByteWriter items;
    int count = 0;
    // The first block of a frame or a cell and a block after a table or frame follow a boundary
    // (followsStructure), the first of a part does not: known here without a look at the text.
    bool follows = it.parentFrame() != it.parentFrame()->document()->rootFrame();
    for (; !it.atEnd(); ++it, ++count) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *t = qobject_cast<QTextTable *>(child)) {
                table(items, t);
            } else {
                items.u8(3);
                items.varUInt(quint64(formatIndex(child->frameFormat())));
                content(items, child->begin());
            }
            follows = true;
        } else if (LineBlocks::continues(it.currentBlock())) {
            --count; // written as a line of the block before it
        } else {
            block(items, it.currentBlock(), follows);
            follows = false;
        }
    }
    out.varUInt(quint64(count));
    out.raw(items.data());
}

// A paragraph held as several blocks (LineBlocks) is written as one, with its line breaks and spaces.
void PageEncoder::block(ByteWriter &out, const QTextBlock &b, bool follows)
{
    out.u8(1);
    const QTextBlockFormat format = LineBlocks::ownFormat(b.blockFormat());
    if (format != b.blockFormat()) {
        out.varUInt(quint64(formatIndex(format)));
    } else {
        out.varUInt(quint64(cachedIndex(1, b.blockFormatIndex(), format)));
    }
    if (follows)
        out.varUInt(0);
    else
        out.varUInt(quint64(cachedIndex(2, b.charFormatIndex(), b.charFormat())) + 1);
    QTextList *list = b.textList();
    if (list && !m_lists.contains(list)) {
        m_lists.insert(list, int(m_listFormats.size()));
        m_listFormats.append(formatIndex(list->format()));
    }
    out.varUInt(list ? quint64(m_lists.value(list)) + 1 : 0);
    ByteWriter fragments;
    int count = 0;
    for (QTextBlock line = b; line.isValid(); line = line.next()) {
        if (line != b) {
            if (!LineBlocks::continues(line))
                break;
            fragments.varUInt(quint64(cachedIndex(3, line.charFormatIndex(), line.charFormat())));
            fragments.string(QString(LineBlocks::standsFor(line)));
            ++count;
        }
        for (auto it = line.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            fragments.varUInt(quint64(cachedIndex(3, fragment.charFormatIndex(), fragment.charFormat())));
            fragments.string(fragment.text());
            ++count;
        }
    }
    out.varUInt(quint64(count));
    out.raw(fragments.data());
}

void PageEncoder::table(ByteWriter &out, QTextTable *t)
{
    out.u8(2);
    out.varUInt(quint64(formatIndex(t->format())));
    out.varUInt(quint64(t->rows()));
    out.varUInt(quint64(t->columns()));
    ByteWriter cells;
    int count = 0;
    for (int row = 0; row < t->rows(); ++row) {
        for (int column = 0; column < t->columns(); ++column) {
            if (!TableOps::cellStartsAt(t, row, column))
                continue; // covered by a merged cell
            const QTextTableCell cell = t->cellAt(row, column);
            QTextCharFormat format = cell.format();
            cells.varUInt(quint64(format.tableCellRowSpan()));
            cells.varUInt(quint64(format.tableCellColumnSpan()));
            format.clearProperty(QTextFormat::TableCellRowSpan);
            format.clearProperty(QTextFormat::TableCellColumnSpan);
            cells.varUInt(quint64(cachedIndex(4, cell.tableCellFormatIndex(), format)));
            content(cells, cell.begin());
            ++count;
        }
    }
    out.varUInt(quint64(count));
    out.raw(cells.data());
}

int PageEncoder::formatIndex(const QTextFormat &format)
{
    const QByteArray bytes = FormatCodec::encode(format);
    auto it = m_index.constFind(bytes);
    if (it != m_index.cend())
        return *it;
    const int index = int(m_formats.size());
    m_formats.append(bytes);
    m_index.insert(bytes, index);
    return index;
}

int PageEncoder::cachedIndex(int kind, int docIndex, const QTextFormat &format)
{
    const qint64 key = (qint64(kind) << 32) | quint32(docIndex);
    auto it = m_cache.constFind(key);
    if (it != m_cache.cend())
        return *it;
    const int index = formatIndex(format);
    m_cache.insert(key, index);
    return index;
}
