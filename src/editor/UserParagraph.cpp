#include "editor/UserParagraph.h"

#include "core/Frmt.h"
#include "core/UsrFmt.h"
#include "platform/richtext/RichTextEdit.h"

#include <cmath>

namespace UserParagraph {

void setHeadingFrame(RichTextEdit &edit, const UsrFmt &record)
{
    edit.setAlignment(record.alignment);
    edit.setFrameLineWidth(record.head2);
    edit.setFrameDistance(record.head3);
    edit.setFrameStyle(record.head4);
}

void setSpacing(RichTextEdit &edit, const UsrFmt &record)
{
    edit.setIndentLeft(record.dist1);
    edit.setSpaceBefore(record.dist2);
    edit.setSpaceAfter(record.dist3);
    edit.setIndentRight(record.dist4);
    edit.setIndentFirstLine(record.dist5);
    edit.setParaValue47(0);
    edit.setLineSpacingTwips(int(std::lround(record.fontSize * 20 * Frmt::st().lineFactor)));
}

} // namespace UserParagraph
