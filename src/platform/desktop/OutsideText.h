#pragma once

#include <QString>

class QLabel;
class QWidget;

// A text the program did not write itself (a database value, a setting, a page's title or tag, a
// file or folder name) is shown as it is written. Qt takes a label's or a tooltip's text that looks
// like HTML for rich text, and rich text loads the pictures it names from the disk: a label that
// can show such a text is made here, and such a tooltip passes through tip().
namespace OutsideText {

// A label whose text is always plain text.
QLabel *label(QWidget *parent);

// The tooltip that shows `text` as written: a text Qt would take for HTML becomes HTML that shows
// it; any other stays as it is.
QString tip(const QString &text);

} // namespace OutsideText
