#pragma once

class RichTextEdit;
struct UsrFmt;

// The paragraph of a user format, set on the selection as F2-F4 and the other style keys set it.
namespace UserParagraph {

// A heading's alignment and frame.
void setHeadingFrame(RichTextEdit &edit, const UsrFmt &record);

// The indents, spaces and line height.
void setSpacing(RichTextEdit &edit, const UsrFmt &record);

} // namespace UserParagraph
