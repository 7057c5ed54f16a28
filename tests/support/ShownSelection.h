#pragma once

#include <QString>
#include <QtGlobal>

#include <utility>

class QTextCursor;
class RichView;

// Whether a key that made a selection showed what it selected: the keys typed next replace it.
namespace ShownSelection {

// The top and the bottom of what the view shows of the text being edited, in its document.
std::pair<qreal, qreal> shown(RichView &view);

// Empty when the caret of the view stands on its screen and every piece of text its selection holds
// beyond what `before` held lies on lines the screen showed (half of each at least) before the key
// (`was`, as shown() gave it then) or shows now; otherwise what lies out of sight.
QString unseen(RichView &view, const QTextCursor &before, std::pair<qreal, qreal> was);

} // namespace ShownSelection
