#include "platform/richtext/ObjectLines.h"

#include "platform/richtext/TextProps.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace TextProps;

bool ObjectLines::holdsObject(const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (f.objectType() == TextFrameObject)
            return true;
        if (f.isImageFormat() && f.intProperty(PictureLayout) <= 0)
            return true;
    }
    return false;
}

void ObjectLines::fit(QTextDocument *doc, int from, int to)
{
    const QTextBlock last = doc->findBlock(to);
    for (QTextBlock block = doc->findBlock(from); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (format.lineHeightType() == QTextBlockFormat::FixedHeight && holdsObject(block)) {
            QTextBlockFormat minimum;
            minimum.setLineHeight(format.lineHeight(), QTextBlockFormat::MinimumHeight);
            QTextCursor(block).mergeBlockFormat(minimum);
        }
        if (block == last)
            break;
    }
}

void ObjectLines::fit(QTextDocument *doc)
{
    fit(doc, 0, doc->characterCount() - 1);
}
