#include "platform/richview/PageTextItem.h"

#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/PageGeometry.h"
#include "platform/richview/TableCaret.h"
#include "platform/richview/ViewMarks.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>

#include <utility>

PageTextItem::PageTextItem(const PageGeometry *geometry, QGraphicsItem *parent)
    : QGraphicsTextItem(parent), m_geometry(geometry)
{
    setFlag(ItemUsesExtendedStyleOption);
    setFlag(ItemIsFocusable);
    setAcceptHoverEvents(true);
    setAcceptDrops(true);
    setTextInteractionFlags(Qt::TextEditorInteraction);
}

void PageTextItem::setPartDocument(QTextDocument *doc)
{
    if (!doc)
        doc = placeholder();
    if (document() == doc)
        return;
    if (document())
        disconnect(document(), &QObject::destroyed, this, nullptr);
    setDocument(doc);
    // A part dropped from the page must not stay behind as the text of this item.
    if (doc != m_placeholder)
        connect(doc, &QObject::destroyed, this, [this] { setPartDocument(nullptr); });
    hookControl();
    relayout();
}

QTextDocument *PageTextItem::placeholder()
{
    if (!m_placeholder)
        m_placeholder = new QTextDocument(this);
    return m_placeholder;
}

// The item's text control repaints and scrolls in document coordinates; page view needs them in
// sheet coordinates, so its requests are rerouted through the mapping.
void PageTextItem::hookControl()
{
    if (m_control)
        return;
    for (QObject *child : children()) {
        if (child->inherits("QWidgetTextControl")) {
            m_control = child;
            break;
        }
    }
    if (!m_control)
        return;
    disconnect(m_control, SIGNAL(updateRequest(QRectF)), this, nullptr);
    disconnect(m_control, SIGNAL(visibilityRequest(QRectF)), this, nullptr);
    connect(m_control, SIGNAL(updateRequest(QRectF)), this, SLOT(onUpdateRequest(QRectF)));
    connect(m_control, SIGNAL(visibilityRequest(QRectF)), this, SLOT(onVisibilityRequest(QRectF)));
}

bool PageTextItem::paged() const
{
    return m_geometry && m_geometry->mode() == PageGeometry::Paged;
}

void PageTextItem::setShowControlChars(bool on)
{
    m_controlChars = on;
    update();
}

void PageTextItem::setShowGridLines(bool on)
{
    m_gridLines = on;
    update();
}

void PageTextItem::relayout()
{
    prepareGeometryChange();
    update();
}

QPointF PageTextItem::toScene(const QPointF &doc) const
{
    return m_geometry ? m_geometry->toScene(doc) : doc;
}

QPointF PageTextItem::toDocument(const QPointF &item) const
{
    return m_geometry ? m_geometry->toDocument(item) : item;
}

QRectF PageTextItem::toScene(const QRectF &doc) const
{
    return m_geometry ? m_geometry->toScene(doc) : doc;
}

int PageTextItem::positionAt(const QPointF &item) const
{
    if (!document())
        return -1;
    return document()->documentLayout()->hitTest(toDocument(item), Qt::FuzzyHit);
}

QRectF PageTextItem::caretRect() const
{
    return caretRect(textCursor());
}

QRectF PageTextItem::caretRect(const QTextCursor &cursor) const
{
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    if (!layout)
        return QRectF();
    const QRectF blockRect = document()->documentLayout()->blockBoundingRect(block);
    const int inBlock = cursor.position() - block.position();
    const QTextLine line = layout->lineForTextPosition(inBlock);
    if (!line.isValid())
        return toScene(QRectF(blockRect.topLeft(), QSizeF(1, qMax(1.0, blockRect.height()))));
    const QPointF topLeft = blockRect.topLeft() + QPointF(line.cursorToX(inBlock), line.y());
    return toScene(QRectF(topLeft, QSizeF(1, line.height())));
}

// The box of a character is its advance on its line, as high as the line; a paragraph's end has none.
bool PageTextItem::onGlyph(const QPointF &scene, int position) const
{
    QTextDocument *doc = document();
    if (!doc || position < 0)
        return false;
    const QTextBlock block = doc->findBlock(position);
    const QTextLayout *layout = block.layout();
    const int inBlock = position - block.position();
    if (!block.isValid() || !layout || inBlock >= block.length() - 1)
        return false;
    const QTextLine line = layout->lineForTextPosition(inBlock);
    if (!line.isValid())
        return false;
    const QPointF at = toDocument(mapFromScene(scene)) - doc->documentLayout()->blockBoundingRect(block).topLeft();
    const qreal from = line.cursorToX(inBlock);
    const qreal to = line.cursorToX(inBlock + 1);
    return at.y() >= line.y() && at.y() < line.y() + line.height() && at.x() >= qMin(from, to)
           && at.x() < qMax(from, to);
}

QRectF PageTextItem::boundingRect() const
{
    if (!m_geometry)
        return QGraphicsTextItem::boundingRect();
    return m_geometry->sceneRect();
}

QPainterPath PageTextItem::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

bool PageTextItem::contains(const QPointF &point) const
{
    return boundingRect().contains(point);
}

void PageTextItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    QStyleOptionGraphicsItem plain(*option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus); // no focus frame round the text
    if (!m_geometry) {
        paintSlice(painter, plain, QGraphicsTextItem::boundingRect(), QPointF(), widget);
        return;
    }
    // Normal view shows the whole strip as one column: every page would paint the same text on the
    // same place again, and antialiased text painted over itself turns bold.
    const int sheets = paged() ? m_geometry->pageCount() : 1;
    for (int page = 0; page < sheets; ++page) {
        const QRectF target = m_geometry->textRect(page);
        // A little room on the right for a caret at the end of a full line.
        const QRectF visible = target.adjusted(0, 0, 2, 0).intersected(option->exposedRect);
        if (visible.isEmpty())
            continue;
        const QRectF slice = m_geometry->stripSlice(page);
        const QPointF offset = target.topLeft() - slice.topLeft();
        painter->save();
        painter->setClipRect(visible);
        paintSlice(painter, plain, visible.translated(-offset), offset, widget);
        painter->restore();
    }
}

void PageTextItem::paintSlice(QPainter *painter, const QStyleOptionGraphicsItem &option,
                              const QRectF &slice, const QPointF &offset, QWidget *widget)
{
    QStyleOptionGraphicsItem part(option);
    part.exposedRect = slice;
    painter->save();
    painter->translate(offset);
    QGraphicsTextItem::paint(painter, &part, widget);
    const QTextCursor cursor = textCursor();
    const QPalette palette = widget ? widget->palette() : QPalette();
    HeldLetters::draw(painter, document(), slice,
                      {defaultTextColor(), cursor.selectionStart(), cursor.selectionEnd(),
                       palette.color(QPalette::Highlight), palette.color(QPalette::HighlightedText)});
    if (m_gridLines)
        ViewMarks::drawGridLines(painter, document(), slice);
    if (m_controlChars)
        ViewMarks::drawControlChars(painter, document(), slice);
    painter->restore();
}

QVariant PageTextItem::inputMethodQuery(Qt::InputMethodQuery query) const
{
    QVariant value = QGraphicsTextItem::inputMethodQuery(query);
    if (!m_geometry || !paged())
        return value;
    if (value.typeId() == QMetaType::QRectF)
        return toScene(value.toRectF());
    if (value.typeId() == QMetaType::QRect)
        return toScene(QRectF(value.toRect())).toRect();
    if (value.typeId() == QMetaType::QPointF)
        return toScene(value.toPointF());
    return value;
}

void PageTextItem::onUpdateRequest(const QRectF &rect)
{
    if (!rect.isValid() || !paged()) {
        update(rect.isValid() ? toScene(rect) : boundingRect());
        return;
    }
    // A rectangle that runs over page ends repaints its share of each sheet's text area.
    const double height = m_geometry->textHeight();
    const int first = qBound(0, int((rect.top() + 0.05) / height), m_geometry->pageCount() - 1);
    const int last = qBound(first, int((rect.bottom() + 0.05) / height), m_geometry->pageCount() - 1);
    for (int page = first; page <= last; ++page) {
        const QRectF slice = rect.intersected(m_geometry->stripSlice(page));
        const QRectF target = m_geometry->textRect(page);
        update(slice.translated(target.topLeft() - m_geometry->stripSlice(page).topLeft()).adjusted(-2, -2, 2, 2));
    }
}

void PageTextItem::onVisibilityRequest(const QRectF &rect)
{
    if (hasFocus())
        ensureVisible(toScene(rect), 0, 0);
}

void PageTextItem::prepareTyping()
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return;
    RichTextEdit::prepareTyping(cursor);
    setTextCursor(cursor);
}

bool PageTextItem::sceneEvent(QEvent *event)
{
    // Qt's text item hands Tab straight to its text, past keyPressEvent: in a table it goes to the
    // cells, as every other key goes, through keyPressEvent.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && textCursor().currentTable()) {
            keyPressEvent(key);
            return true;
        }
    }
    return QGraphicsTextItem::sceneEvent(event);
}

void PageTextItem::keyPressEvent(QKeyEvent *event)
{
    // What the screen showed before the key (bringing the model's caret into the view may scroll it).
    QGraphicsView *view = scene() && !scene()->views().isEmpty() ? scene()->views().first() : nullptr;
    m_shownBeforeKey = view ? view->mapToScene(view->viewport()->rect()).boundingRect() : QRectF();
    emit aboutToHandle();
    const int code = RichKeyArgs::virtualKey(event->key());
    RichKeyArgs args{code, RichKeyArgs::shiftState(event->modifiers()), event->text()};
    emit keyDown(args);
    // Keys outside the code table (punctuation, kana, characters typed without an input method) come
    // with the code 0 already: only a listener that cleared a known code has taken the key.
    if (code != 0 && args.key == 0) {
        event->accept();
        emit handled();
        return;
    }
    int action = 0;
    if (event->matches(QKeySequence::Cut))
        action = 1;
    else if (event->matches(QKeySequence::Copy))
        action = 2;
    else if (event->matches(QKeySequence::Paste))
        action = 3;
    bool done = false;
    int revision = document()->revision();
    const int steps = document()->availableUndoSteps();
    const int length = document()->characterCount();
    if (action)
        emit clipboardAction(action, done);
    else
        done = pageKey(event) || lineKey(event) || cellKey(event) || moveByWord(event) || deleteWord(event);
    const QString text = event->text();
    const bool printable = !done && !text.isEmpty() && text.at(0).isPrint();
    // A key with Ctrl is a command (Ctrl+A selects), whatever text it carries.
    const bool typing = printable && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
                        && (textInteractionFlags() & Qt::TextEditable);
    if (!done) {
        if (!text.isEmpty())
            prepareTyping();
        const bool deletes = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
        const auto qtKey = [&] {
            if (!newParagraph(event) && !backspaceAtLine(event))
                QGraphicsTextItem::keyPressEvent(event);
        };
        // An undo or redo brings back the text and the blocks as the step left them: mending the
        // lines around the selection on top of it would part them anew.
        const bool history = event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
        auto *part = qobject_cast<PartDocument *>(document());
        if (part && history)
            part->takeStepCaret(); // what an undo or redo by other means asked for
        const auto edit = [&] {
            if (editsText(event) && !history)
                editAndSettle(deletes, qtKey);
            else
                qtKey();
        };
        if (typing)
            typeInRun(edit);
        else
            edit();
        const int asked = part && history ? part->takeStepCaret() : -1;
        if (event->matches(QKeySequence::Redo)) {
            const int kept = m_stepCarets.last(document());
            caretAfterStep(kept >= 0 ? kept : asked);
        } else if (event->matches(QKeySequence::Undo)) {
            caretAfterStep(asked);
        }
        if (history)
            revision = -1;
    }
    // A change that made no step of its own and left the text as it was (Qt taking an indent off a
    // paragraph's start) does not end the step before it: that step keeps its caret.
    const bool stepEnds = document()->availableUndoSteps() != steps || document()->characterCount() != length;
    if (revision >= 0 && document()->revision() != revision && stepEnds)
        m_stepCarets.note(document(), textCursor().position());
    event->accept();
    emit handled();
    if (printable)
        emit textTyped(text);
    if (typing)
        noteTypingRun();
}

// Keys typed one after another are one undo step, as Qt merges them, together with what their
// listeners format on the way (the editor's heading and body styles join the step of the key that
// brought them). Each key is an edit block of its own; one typed where the last one left the
// document joins that block.
void PageTextItem::typeInRun(const std::function<void()> &edit)
{
    QTextDocument *doc = document();
    const QTextCursor caret = textCursor();
    const bool continues = m_run.document == doc && m_run.steps == doc->availableUndoSteps()
                           && !doc->isRedoAvailable() && !caret.hasSelection() && caret.position() == m_run.position;
    // Begun at the caret, so that an undo puts the caret back where the typing began.
    QTextCursor group(caret);
    group.clearSelection();
    if (continues)
        group.joinPreviousEditBlock();
    else
        group.beginEditBlock();
    edit();
    group.endEditBlock();
    noteTypingRun();
}

// After Qt's undo or redo key: the caret where the step asks for it (StepCarets, UndoCaret), if it does.
void PageTextItem::caretAfterStep(int caret)
{
    if (caret < 0)
        return;
    QTextCursor cursor = textCursor();
    cursor.setPosition(caret);
    setTextCursor(cursor);
}

void PageTextItem::noteTypingRun()
{
    m_run = {document(), document()->availableUndoSteps(), textCursor().position()};
}

// PageUp and PageDown move the caret a screen up or down and scroll the view by as much, so that the
// caret keeps its place on the screen; with Shift the selection follows (pageSelection). Qt's text
// item leaves them.
bool PageTextItem::pageKey(QKeyEvent *event)
{
    int direction = 0;
    if (event->matches(QKeySequence::MoveToNextPage) || event->matches(QKeySequence::SelectNextPage))
        direction = 1;
    else if (event->matches(QKeySequence::MoveToPreviousPage) || event->matches(QKeySequence::SelectPreviousPage))
        direction = -1;
    QGraphicsView *view = scene() && !scene()->views().isEmpty() ? scene()->views().first() : nullptr;
    if (!direction || !view || !document())
        return false;
    const bool select = event->matches(QKeySequence::SelectNextPage) || event->matches(QKeySequence::SelectPreviousPage);
    const QRectF screen = view->mapToScene(view->viewport()->rect()).boundingRect();
    const QRectF caret = mapRectToScene(caretRect());
    // A selection from a caret the screen did not show (half its line at least) would take text out
    // of sight: the key shows the caret first.
    if (select && (caret.center().y() < m_shownBeforeKey.top() || caret.center().y() > m_shownBeforeKey.bottom())) {
        view->ensureVisible(caret, 0, 0);
        return true;
    }
    const QPointF target = mapFromScene(caret.center() + QPointF(0, direction * screen.height()));
    QTextCursor cursor = textCursor();
    const QRectF text = boundingRect();
    // In a cell the point is taken in the cell's column, also where the caret's line runs past it: the
    // key moves in the cell as in a cell of short lines, and leaves it where the screen reaches past it.
    QPointF point = toDocument(target);
    point.setX(TableCaret::inCell(document(), cursor.position(), point.x()));
    int position = document()->documentLayout()->hitTest(point, Qt::FuzzyHit);
    const int end = document()->characterCount() - 1;
    if (direction < 0 && target.y() < text.top())
        position = 0;
    else if (direction > 0 && target.y() > text.bottom())
        position = end;
    else if (position < 0)
        position = direction < 0 ? 0 : end;
    QScrollBar *bar = view->verticalScrollBar();
    const int scrolled = bar->value() + direction * view->viewport()->height();
    if (select) {
        cursor = pageSelection(view, position, direction > 0, scrolled);
    } else {
        cursor.setPosition(position);
        bar->setValue(scrolled);
    }
    setTextCursor(cursor);
    view->ensureVisible(mapRectToScene(caretRect()), 0, 0);
    return true;
}

// The selection a Shift+page key makes, its end going to `position`, the view scrolled to `scrolled`
// and then to the caret. Where the way crosses a table's or a cell's edge, Qt's selection takes the
// table or the cells whole, and with them text that may lie off the screen: the end then stops at the
// farthest place on the way (TableCaret::stopsOnTheWay) where all that the key adds to the selection
// was on the screen before it or is on it after it, or stays where it was. A letter typed next never
// replaces text the user has not seen selected.
QTextCursor PageTextItem::pageSelection(QGraphicsView *view, int position, bool down, int scrolled)
{
    const QTextCursor before = textCursor();
    QScrollBar *bar = view->verticalScrollBar();
    const int shownFrom = bar->value();
    const auto shown = [&](const QRectF &screen) {
        return std::pair{toDocument(mapFromScene(screen.topLeft())).y(), toDocument(mapFromScene(screen.bottomLeft())).y()};
    };
    const auto [shownTop, shownBottom] = shown(m_shownBeforeKey);
    const auto [oldTop, oldBottom] = before.hasSelection() ? TableCaret::selectedSpan(before) : std::pair{0.0, -1.0};
    // Whether each piece of [top, bottom] outside the old selection was shown before the key or now.
    const auto seen = [&](qreal top, qreal bottom) {
        const auto [nowTop, nowBottom] = shown(view->mapToScene(view->viewport()->rect()).boundingRect());
        const auto within = [&](qreal from, qreal to) {
            if (from >= to)
                return true;
            // A scroll by the viewport's height leaves a pixel or two between the screens.
            const bool joined = nowTop <= shownBottom + 4 && shownTop <= nowBottom + 4;
            if (joined)
                return from >= qMin(shownTop, nowTop) - 1 && to <= qMax(shownBottom, nowBottom) + 1;
            return (from >= shownTop - 1 && to <= shownBottom + 1) || (from >= nowTop - 1 && to <= nowBottom + 1);
        };
        if (oldBottom < oldTop)
            return within(top, bottom);
        return within(top, qMin(bottom, oldTop)) && within(qMax(top, oldBottom), bottom);
    };
    const int anchor = before.anchor();
    const QList<int> stops = TableCaret::stopsOnTheWay(document(), anchor, before.position(), position, down);
    QList<int> tries{position};
    tries << stops;
    const auto place = [&](const QTextCursor &cursor) {
        bar->setValue(scrolled);
        view->ensureVisible(mapRectToScene(caretRect(cursor)), 0, 0);
        const auto [nowTop, nowBottom] = shown(view->mapToScene(view->viewport()->rect()).boundingRect());
        // A scroll by a screen and a little more passes a line never shown.
        return down ? nowTop <= shownBottom + 4 : nowBottom >= shownTop - 4;
    };
    for (int to : tries) {
        QTextCursor cursor(before);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        // A caret line reaching past the screen the key scrolls to goes a line back.
        int back = 0;
        for (; !place(cursor) && back < 8; ++back)
            cursor.movePosition(down ? QTextCursor::Up : QTextCursor::Down, QTextCursor::KeepAnchor);
        if (back > 0)
            to = cursor.position();
        // A selection that takes no more than the text between its ends, in one cell or none, takes
        // what the key passed.
        const auto box = [&](int position) {
            QTextCursor at(document());
            at.setPosition(position);
            auto *table = qobject_cast<QTextTable *>(at.currentFrame());
            return std::pair{at.currentFrame(), table ? table->cellAt(position).firstPosition() : -1};
        };
        const bool whole = cursor.hasComplexSelection() || cursor.selectionStart() != qMin(anchor, to)
                           || cursor.selectionEnd() != qMax(anchor, to) || box(anchor) != box(cursor.position());
        if (!whole)
            return cursor;
        const auto [top, bottom] = TableCaret::selectedSpan(cursor);
        if (seen(top, bottom))
            return cursor;
    }
    bar->setValue(shownFrom);
    return before;
}

// Up and Down where they pass a table's edge go to the line above or below at the caret's x, in the
// cell that stands there (TableCaret); with Shift the selection follows. Every other Up and Down is
// Qt's own.
bool PageTextItem::lineKey(QKeyEvent *event)
{
    const bool select = event->matches(QKeySequence::SelectPreviousLine) || event->matches(QKeySequence::SelectNextLine);
    const bool down = event->matches(QKeySequence::MoveToNextLine) || event->matches(QKeySequence::SelectNextLine);
    if (!down && !select && !event->matches(QKeySequence::MoveToPreviousLine))
        return false;
    QTextCursor cursor = textCursor();
    const qreal x = TableCaret::keptX(cursor);
    const int position = TableCaret::lineAcross(cursor, down, x);
    if (position < 0)
        return false;
    cursor.setPosition(position, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    TableCaret::keepX(cursor, x);
    setTextCursor(cursor);
    return true;
}

// Tab and Shift+Tab in a table cell go to the next and the previous cell, row after row, as in a word
// processor, and select what that cell holds, so that what is typed next replaces it. Past the last
// cell, or before the first, the caret stays. A tab character never goes into a cell: it would shift
// the cell's text and the column with it.
bool PageTextItem::cellKey(QKeyEvent *event)
{
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (!tab || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) || !document())
        return false;
    QTextCursor cursor = textCursor();
    QTextTable *table = cursor.currentTable();
    if (!table)
        return false;
    const bool forward = event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
    const QTextTableCell cell = table->cellAt(cursor.position());
    const int columns = table->columns();
    const int step = forward ? 1 : -1;
    for (int i = cell.row() * columns + cell.column() + step; i >= 0 && i < table->rows() * columns; i += step) {
        // A merged cell covers several places: it is reached at its first.
        const QTextTableCell next = table->cellAt(i / columns, i % columns);
        if (!next.isValid() || next.row() != i / columns || next.column() != i % columns)
            continue;
        cursor.setPosition(next.firstCursorPosition().position());
        cursor.setPosition(next.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        if (scene() && !scene()->views().isEmpty())
            scene()->views().first()->ensureVisible(mapRectToScene(caretRect()), 0, 0);
        break;
    }
    return true;
}

namespace {

// Where Qt's word move from the cursor ends, in a paragraph held in blocks as in one block.
int wordEdge(const QTextCursor &cursor, bool forward)
{
    const int held = LineBlocks::wordMove(cursor.document(), cursor.position(), forward);
    if (held >= 0)
        return held;
    QTextCursor word(cursor);
    word.movePosition(forward ? QTextCursor::NextWord : QTextCursor::PreviousWord);
    return word.position();
}

} // namespace

// Ctrl with an arrow in a paragraph held in blocks moves to the word's edge as in one block: Qt's own
// move stops at each block's edge, inside a long word or Japanese text parted there.
bool PageTextItem::moveByWord(QKeyEvent *event)
{
    const bool select = event->matches(QKeySequence::SelectNextWord) || event->matches(QKeySequence::SelectPreviousWord);
    const bool forward = event->matches(QKeySequence::MoveToNextWord) || event->matches(QKeySequence::SelectNextWord);
    if (!forward && !select && !event->matches(QKeySequence::MoveToPreviousWord))
        return false;
    QTextCursor cursor = textCursor();
    const int edge = LineBlocks::wordMove(document(), cursor.position(), forward);
    if (edge < 0)
        return false;
    cursor.setPosition(edge, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setTextCursor(cursor);
    return true;
}

// Ctrl+Delete and Ctrl+BackSpace delete to the next or previous word boundary, across the blocks of a
// paragraph held in them as in one block. Qt's own move there runs out of a table cell (at its end into
// the next cell or past the table, at its start back before it) and takes the whole table or the cells
// on the way with it. The deletion ends where the cell, or the text before or after a table, ends:
// nothing is deleted at that edge. True when the key is done.
bool PageTextItem::deleteWord(QKeyEvent *event)
{
    const bool forward = event->matches(QKeySequence::DeleteEndOfWord);
    if ((!forward && !event->matches(QKeySequence::DeleteStartOfWord)) || !(textInteractionFlags() & Qt::TextEditable))
        return false;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return false; // the key removes the selection, as Delete does
    const QTextDocument *doc = document();
    const int caret = cursor.position();
    int end = wordEdge(cursor, forward);
    if (forward) {
        for (int at = caret; at < end; ++at) {
            if (PositionText::isStructure(doc->characterAt(at)))
                end = at;
        }
    } else {
        for (int at = caret - 1; at >= end; --at) {
            if (PositionText::isStructure(doc->characterAt(at)))
                end = at + 1;
        }
    }
    if (end == caret)
        return true;
    // Qt removes a selection on the key.
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    return false;
}

// Enter begins a paragraph. Over a selection it is one undo step with the selection it replaces: Qt's
// own Enter over a selection in a list item first gives every selected block the item's format, as a
// step of its own, and only then removes them, so that an undo brings the text back without the
// blocks' own formats, the marks of held lines (LineBlocks) among them. So the selection goes first,
// and the break is asked of the paragraph the caret then stands in. In a line of a long paragraph
// held as blocks Qt's own Enter would copy the line's mark, and the new block would be one more line
// (in its first block, the paragraph would keep the format of a first block without its space after);
// on an empty paragraph outside a list Qt only resets the paragraph's format to its own default,
// inserting nothing. Where a removed selection leaves an empty paragraph, the break goes in there, in
// a list too. Without a selection every other Enter is Qt's own, apart from the step before it: one
// that began with a paragraph's format would leave the caret at the end of the step on its undo.
bool PageTextItem::newParagraph(QKeyEvent *event)
{
    if (!event->matches(QKeySequence::InsertParagraphSeparator) || !(textInteractionFlags() & Qt::TextEditable))
        return false;
    QTextCursor cursor = textCursor();
    const bool selected = cursor.hasSelection();
    const auto ours = [&cursor, selected] {
        const bool line = cursor.blockFormat().hasProperty(TextProps::LineBreakBlock)
            || LineBlocks::continues(cursor.block().next());
        return line || (cursor.block().length() <= 1 && (selected || !cursor.currentList()));
    };
    if (!selected && !ours())
        return false;
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const bool own = ours();
    if (own) {
        LineBlocks::insertParagraph(cursor);
    } else {
        setTextCursor(cursor);
        QGraphicsTextItem::keyPressEvent(event);
    }
    cursor.endEditBlock();
    if (own)
        setTextCursor(cursor);
    return true;
}

// BackSpace at the start of a block that continues a paragraph (LineBlocks) deletes the line break,
// space or letter in front of it, and over a selection whose caret stands at a block's start removes
// the selection. Qt's own key would take an indent off the block instead where it has one: a line of
// an indented paragraph, or of a list item, which lays out outside the list at the item's text.
bool PageTextItem::backspaceAtLine(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Backspace || (event->modifiers() & ~Qt::ShiftModifier)
        || !(textInteractionFlags() & Qt::TextEditable))
        return false;
    QTextCursor cursor = textCursor();
    if (!cursor.atBlockStart() || (!cursor.hasSelection() && !LineBlocks::continues(cursor.block())))
        return false;
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    else
        cursor.deletePreviousChar();
    setTextCursor(cursor);
    return true;
}

// Whether Qt's text control changes the text on the key. Every other key moves the caret or the
// selection, or does nothing, and must not go through an edit: even an empty one tells the document's
// listeners that the text changed, and the host, taking the page for modified, puts the selection it
// still knows back over the one the key made.
bool PageTextItem::editsText(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    for (QKeySequence::StandardKey key :
         {QKeySequence::InsertParagraphSeparator, QKeySequence::InsertLineSeparator, QKeySequence::DeleteEndOfLine,
          QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord, QKeySequence::DeleteCompleteLine,
          QKeySequence::Undo, QKeySequence::Redo}) {
        if (event->matches(key))
            return true;
    }
    // Typed text; the control characters of Ctrl with a letter type nothing.
    const QString text = event->text();
    return !text.isEmpty() && (text.at(0) == u'\t' || (text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7f));
}

// An edit of Qt's own that may join or part the lines of a long paragraph (a deletion, or anything
// replacing a selection) is one undo step with the mending of those lines. Other edits stay apart,
// so that Qt keeps merging a run of typing into one step.
void PageTextItem::editAndSettle(bool deletes, const std::function<void()> &edit)
{
    const QTextCursor before = textCursor();
    if (!(deletes || before.hasSelection()) || !LineBlocks::nearLines(before)) {
        edit();
        return;
    }
    // What Qt removes begins at the selection, or where it leaves its caret.
    const int selected = before.hasSelection() ? before.selectionStart() : -1;
    const int caret = before.position();
    // Begun at the caret: an undo of the step puts the caret back there, not at the top of the page.
    QTextCursor group(before);
    group.clearSelection();
    group.beginEditBlock();
    const LineBlocks::Breaks breaks(document(), {before.selectionStart(), caret});
    edit();
    const int at = textCursor().position();
    const int restored = selected >= 0 ? selected : qMin(at, caret);
    breaks.restore(document(), restored);
    // A break given back its kind changes where the paragraph before it ends, too.
    LineBlocks::settle(document(), qMin(at, restored), at);
    group.endEditBlock();
}

void PageTextItem::keyReleaseEvent(QKeyEvent *event)
{
    const int code = RichKeyArgs::virtualKey(event->key());
    RichKeyArgs args{code, RichKeyArgs::shiftState(event->modifiers()), event->text()};
    emit keyUp(args);
    if (code == 0 || args.key != 0)
        QGraphicsTextItem::keyReleaseEvent(event);
}

void PageTextItem::inputMethodEvent(QInputMethodEvent *event)
{
    emit aboutToHandle();
    const bool typing = !event->commitString().isEmpty() && (textInteractionFlags() & Qt::TextEditable);
    if (!event->commitString().isEmpty())
        prepareTyping();
    // Only a commit, a replacement or a composition begun over a selection (which Qt takes out)
    // changes the text. A composition shown inline, taken back, or an event that only says where the
    // input method stands is no edit of ours.
    const bool changes = !event->commitString().isEmpty() || event->replacementLength() > 0
                         || (textCursor().hasSelection() && !event->preeditString().isEmpty());
    const auto edit = [&] {
        if (changes)
            editAndSettle(false, [&] { QGraphicsTextItem::inputMethodEvent(event); });
        else
            QGraphicsTextItem::inputMethodEvent(event);
    };
    if (typing)
        typeInRun(edit);
    else
        edit();
    if (changes)
        m_stepCarets.note(document(), textCursor().position());
    emit handled();
    if (!event->commitString().isEmpty())
        emit textTyped(event->commitString());
    if (typing)
        noteTypingRun();
}

void PageTextItem::toDocumentEvent(QGraphicsSceneMouseEvent *event) const
{
    event->setPos(toDocument(event->pos()));
    event->setLastPos(toDocument(event->lastPos()));
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        event->setButtonDownPos(button, toDocument(event->buttonDownPos(button)));
}

RichMouseArgs PageTextItem::mouseArgs(const QGraphicsSceneMouseEvent *event) const
{
    RichMouseArgs args;
    const Qt::MouseButtons buttons = event->button() != Qt::NoButton ? Qt::MouseButtons(event->button())
                                                                     : event->buttons();
    if (buttons & Qt::LeftButton)
        args.button |= 1;
    if (buttons & Qt::RightButton)
        args.button |= 2;
    if (buttons & Qt::MiddleButton)
        args.button |= 4;
    args.shift = RichKeyArgs::shiftState(event->modifiers());
    args.scenePos = mapToScene(event->pos());
    args.position = positionAt(event->pos());
    return args;
}

void PageTextItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    emit aboutToHandle();
    RichMouseArgs args = mouseArgs(event);
    emit mouseDown(args);
    m_pressTaken = args.handled;
    if (args.handled) {
        event->accept();
        return;
    }
    toDocumentEvent(event);
    QGraphicsTextItem::mousePressEvent(event);
    emit handled();
}

void PageTextItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    RichMouseArgs args = mouseArgs(event);
    emit mouseMoved(args);
    if (args.handled || m_pressTaken)
        return;
    toDocumentEvent(event);
    QGraphicsTextItem::mouseMoveEvent(event);
    emit handled();
}

void PageTextItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    RichMouseArgs args = mouseArgs(event);
    emit mouseUp(args);
    // A press a handler took is not Qt's to finish.
    const bool taken = std::exchange(m_pressTaken, false);
    if (args.handled || taken)
        return;
    toDocumentEvent(event);
    QGraphicsTextItem::mouseReleaseEvent(event);
    emit handled();
}

void PageTextItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    emit aboutToHandle();
    RichMouseArgs args = mouseArgs(event);
    emit doubleClicked(args);
    if (args.handled) {
        event->accept();
        emit handled();
        return;
    }
    toDocumentEvent(event);
    QGraphicsTextItem::mouseDoubleClickEvent(event);
    emit handled();
}

// The popups over a page are the hosts' own, opened on the right button's press; Qt's standard
// text menu would open over them, or after a dialog that one of their items opened.
void PageTextItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    event->accept();
}

void PageTextItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    RichMouseArgs args;
    args.shift = RichKeyArgs::shiftState(event->modifiers());
    args.scenePos = mapToScene(event->pos());
    args.position = positionAt(event->pos());
    emit mouseMoved(args);
    QGraphicsTextItem::hoverMoveEvent(event);
}

void PageTextItem::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    event->setPos(toDocument(event->pos()));
    QGraphicsTextItem::dragEnterEvent(event);
}

void PageTextItem::dragMoveEvent(QGraphicsSceneDragDropEvent *event)
{
    event->setPos(toDocument(event->pos()));
    QGraphicsTextItem::dragMoveEvent(event);
}

void PageTextItem::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    emit aboutToHandle();
    const int position = positionAt(event->pos());
    const bool internal = event->source() && event->source() == event->widget();
    const bool move = event->dropAction() == Qt::MoveAction;
    bool done = false;
    if (position >= 0)
        emit dropRequested(event->mimeData(), position, internal, move, done);
    if (done) {
        event->acceptProposedAction();
        // Qt's text control still shows where the drop would go; a leave takes that mark away.
        QGraphicsSceneDragDropEvent leave(QEvent::GraphicsSceneDragLeave);
        leave.setWidget(event->widget());
        QGraphicsTextItem::dragLeaveEvent(&leave);
    } else {
        event->setPos(toDocument(event->pos()));
        QGraphicsTextItem::dropEvent(event);
    }
    emit handled();
}
