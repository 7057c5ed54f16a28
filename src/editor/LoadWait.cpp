#include "editor/LoadWait.h"

#include "core/sbWait.h"
#include "platform/docx/DocxWeight.h"
#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageEncoder.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/RichMimeData.h"
#include "platform/rtf/RtfWeight.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>

LoadWait::LoadWait(qint64 weight)
{
    if (weight <= Weight || sbWait::isShown())
        return;
    sbWait::cMsg(message());
    m_shown = true;
}

LoadWait::~LoadWait()
{
    if (!m_shown)
        return;
    // The first painting of the page (every cell of a wide table) is part of the wait too.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sbWait::cEnd();
}

qint64 LoadWait::pageWeight(const QByteArray &page)
{
    return sbWait::isShown() ? 0 : PageCodec::layoutWeight(page);
}

qint64 LoadWait::pageWeight(const PageDocument &page)
{
    // Writing the page costs little beside laying it out.
    return sbWait::isShown() ? 0 : PageCodec::layoutWeight(PageEncoder(page).encode());
}

qint64 LoadWait::fileWeight(const QString &file, DocumentFile::Format format)
{
    if (sbWait::isShown())
        return 0;
    const bool packed = format == DocumentFile::Word || format == DocumentFile::Word97;
    const qint64 size = QFileInfo(file).size();
    qint64 weight = markupWeight(size);
    if ((packed || format == DocumentFile::Rtf) && weight <= Weight)
        weight = documentWeight(file, size, packed);
    return weight > Weight ? weight : weight + DocumentFile::readWeight(file, format, Weight);
}

// A Word file by what it unpacks to: its text, the places of its tables' grids (merged cells cost
// Qt as much as separate ones) and its list items; RTF (which ".doc" names may hold too) by its
// size, cells and list items.
qint64 LoadWait::documentWeight(const QString &file, qint64 size, bool packed)
{
    QFile f(file);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (bytes.startsWith("{\\rtf"))
        return rtfWeight(bytes);
    const DocxWeight::Look look = DocxWeight::of(bytes, FileSize);
    if (!look.package)
        return markupWeight(packed ? size * PackedRatio : size);
    return markupWeight(look.unpacked) + structureWeight(look.gridPlaces, look.listItems);
}

qint64 LoadWait::rtfWeight(const QByteArray &rtf)
{
    const RtfWeight::Look look = RtfWeight::structure(rtf);
    return markupWeight(rtf.size()) + structureWeight(look.cells, look.listItems);
}

qint64 LoadWait::structureWeight(qint64 cells, qint64 listItems)
{
    return cells * PageCodec::CellWeight + listItems * ListItemWeight;
}

qint64 LoadWait::pasteWeight(const QMimeData *data)
{
    // A page of this program is inserted as it is, without bytes to weigh.
    if (!data || sbWait::isShown() || qobject_cast<const RichMimeData *>(data))
        return 0;
    if (data->hasFormat(PageClipboard::mimeType()))
        return PageCodec::layoutWeight(data->data(PageClipboard::mimeType()));
    const QByteArray rtf = PageClipboard::rtfOf(data);
    if (!rtf.isEmpty())
        return rtfWeight(rtf) + RtfWeight::pictures(rtf, Weight);
    if (data->hasHtml()) {
        const QString html = data->html();
        return markupWeight(html.size()) + HtmlImport::nestingWeight(html, Weight)
            + structureWeight(0, HtmlImport::listItems(html)) + HtmlImport::pictures(html) * HtmlImport::PictureWeight;
    }
    if (data->hasText())
        return data->text().size();
    return PageClipboard::hasPicture(data) ? PageCodec::pictureWeight(PictureDoor::clipboardBytes(data)) : 0;
}

qint64 LoadWait::markupWeight(qint64 size)
{
    return size * Weight / FileSize;
}

QString LoadWait::message()
{
    return QStringLiteral("しばらくお待ち下さい");
}
