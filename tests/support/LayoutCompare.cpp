#include "support/LayoutCompare.h"

#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

namespace LayoutCompare {

std::unique_ptr<QTextDocument> laidOutByQt(const PageDocument &page, QTextDocument *doc)
{
    std::unique_ptr<QTextDocument> copy = LineBlocks::copy(doc);
    copy->setUndoRedoEnabled(false);
    copy->setDocumentMargin(doc->documentMargin());
    copy->setDefaultFont(doc->defaultFont());
    copy->setDefaultTextOption(doc->defaultTextOption());
    copy->setPageSize(doc->pageSize());
    page.attachTo(copy.get());
    // Laid out again from the top once the first layout is through. Qt lays a new copy out in steps,
    // each from a note of where a block begins, and takes the page from the note's y rounded: the
    // first line of a block noted just above a page's end stays across it. A layout from the top
    // runs through and puts it on the next page, as the page view, loaded in one edit, shows it.
    copy->documentLayout()->documentSize();
    copy->markContentsDirty(0, copy->characterCount());
    copy->documentLayout()->documentSize();
    return copy;
}

namespace {

QString rectText(const QRectF &r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QString geometryDiffers(QTextDocument *doc, QTextDocument *qt)
{
    if (doc->blockCount() != qt->blockCount())
        return QStringLiteral("%1 blocks, Qt's copy %2").arg(doc->blockCount()).arg(qt->blockCount());
    QAbstractTextDocumentLayout *ours = doc->documentLayout();
    QAbstractTextDocumentLayout *theirs = qt->documentLayout();
    for (QTextBlock a = doc->begin(), b = qt->begin(); a.isValid() && b.isValid(); a = a.next(), b = b.next()) {
        const QRectF ra = ours->blockBoundingRect(a);
        const QRectF rb = theirs->blockBoundingRect(b);
        if (ra != rb)
            return QStringLiteral("block %1 at %2, Qt: %3").arg(a.blockNumber()).arg(rectText(ra), rectText(rb));
        const QTextLayout *la = a.layout();
        const QTextLayout *lb = b.layout();
        if (la->lineCount() != lb->lineCount())
            return QStringLiteral("block %1 has %2 lines, Qt: %3").arg(a.blockNumber()).arg(la->lineCount()).arg(lb->lineCount());
        for (int i = 0; i < la->lineCount(); ++i) {
            const QTextLine x = la->lineAt(i);
            const QTextLine y = lb->lineAt(i);
            if (x.rect() != y.rect() || x.textStart() != y.textStart() || x.textLength() != y.textLength())
                return QStringLiteral("block %1 line %2 at %3 from %4, Qt: %5 from %6")
                    .arg(a.blockNumber()).arg(i).arg(rectText(x.rect())).arg(x.textStart())
                    .arg(rectText(y.rect())).arg(y.textStart());
        }
    }
    const QSizeF sa = ours->documentSize();
    const QSizeF sb = theirs->documentSize();
    if (sa != sb)
        return QStringLiteral("size %1x%2, Qt: %3x%4").arg(sa.width()).arg(sa.height()).arg(sb.width()).arg(sb.height());
    return QString();
}

QList<QImage> strips(QTextDocument *doc, qreal top, qreal bottom, qreal step, int height)
{
    QList<QImage> images;
    for (qreal y = qMax<qreal>(0, top); y < bottom; y += step) {
        QImage image(int(doc->pageSize().width()), height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(0, -y);
        HeldLetters::drawContents(&painter, doc, QRectF(0, y, image.width(), image.height()));
        images << image;
    }
    return images;
}

QString heldWrongly(QTextDocument *doc)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const bool first = !LineBlocks::continues(block);
        const bool last = !LineBlocks::continues(block.next());
        if (format.hasProperty(TextProps::LineBreakBlock) && first)
            return QStringLiteral("block %1 keeps the mark of a line").arg(block.blockNumber());
        // The room in front of a line for the letter a stretch without spaces was parted at.
        if (!first && LineBlocks::drawsLetter(block) != (format.textIndent() > 0))
            return QStringLiteral("block %1 leaves the wrong room for a letter").arg(block.blockNumber());
        // Only the first block lays out the room above and the first-line indent, only the last the
        // room below.
        if (format.hasProperty(first ? int(TextProps::HeldTopMargin) : int(QTextFormat::BlockTopMargin))
            || (first && format.hasProperty(TextProps::HeldTextIndent))
            || format.hasProperty(last ? int(TextProps::HeldBottomMargin) : int(QTextFormat::BlockBottomMargin)))
            return QStringLiteral("block %1 lays out another share of its paragraph's format").arg(block.blockNumber());
        if (first)
            continue;
        QTextBlockFormat line = LineBlocks::ownFormat(format);
        QTextBlockFormat head = LineBlocks::ownFormat(LineBlocks::head(block).blockFormat());
        // A list item's blocks after the first are in no list and lay out at the item's text; one
        // that reads right to left has that indent as its left margin (Qt would put it at the right).
        const QTextList *list = LineBlocks::head(block).textList();
        const bool turned = format.hasProperty(TextProps::HeldRightToLeft);
        const int levels = turned ? format.intProperty(TextProps::HeldRightToLeft) : format.indent();
        if (turned && (block.textDirection() != Qt::RightToLeft || format.indent() != 0
                       || format.leftMargin() != line.leftMargin() + levels * doc->indentWidth()))
            return QStringLiteral("block %1 reads right to left elsewhere than its paragraph").arg(block.blockNumber());
        if (block.textList() || format.hasProperty(TextProps::HeldIndent) != bool(list)
            || levels != line.indent() + (list ? list->format().indent() : 0))
            return QStringLiteral("block %1 lays out elsewhere than its list item's text").arg(block.blockNumber());
        for (QTextBlockFormat *f : {&line, &head}) {
            f->clearProperty(QTextFormat::PageBreakPolicy);
            f->clearProperty(QTextFormat::LineHeightType);
            f->clearProperty(QTextFormat::ObjectIndex);
        }
        if (line.properties() != head.properties())
            return QStringLiteral("block %1 has another format than its paragraph").arg(block.blockNumber());
    }
    return QString();
}

} // namespace LayoutCompare
