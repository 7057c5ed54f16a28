#include "editor/LoadWait.h"

#include "core/sbWait.h"
#include "platform/docx/DocxWeight.h"
#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageEncoder.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/RichMimeData.h"
#include "platform/rtf/RtfPictures.h"

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
    if (packed && weight <= Weight)
        weight = wordWeight(file, size);
    return weight > Weight ? weight : weight + DocumentFile::readWeight(file, format, Weight);
}

// A Word file by what it unpacks to: its text, the places of its tables' grids (merged cells cost
// Qt as much as separate ones) and its list items.
qint64 LoadWait::wordWeight(const QString &file, qint64 size)
{
    QFile f(file);
    const DocxWeight::Look look = f.open(QIODevice::ReadOnly) ? DocxWeight::of(f.readAll(), FileSize) : DocxWeight::Look();
    if (!look.package)
        return markupWeight(size * PackedRatio);
    return markupWeight(look.unpacked) + look.gridPlaces * PageCodec::CellWeight + look.listItems * ListItemWeight;
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
        return markupWeight(rtf.size()) + RtfPictures::weight(rtf, Weight);
    if (data->hasHtml()) {
        const QString html = data->html();
        return markupWeight(html.size()) + HtmlImport::nestingWeight(html, Weight);
    }
    return data->hasText() ? data->text().size() : 0;
}

qint64 LoadWait::markupWeight(qint64 size)
{
    return size * Weight / FileSize;
}

QString LoadWait::message()
{
    return QStringLiteral("しばらくお待ち下さい");
}
