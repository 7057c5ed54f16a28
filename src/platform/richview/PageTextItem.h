#pragma once

#include "platform/richview/RichEvents.h"
#include "platform/richview/StepCarets.h"

#include <QGraphicsTextItem>

#include <functional>

class PageGeometry;
class QGraphicsView;
class QMimeData;
class QTextCursor;
class QTextDocument;

// Qt's own text editing (keys, input method, mouse selection, drag and drop) over one part of the
// page. With a geometry (the main text) the item spreads the document's page strip over the sheets
// of page view and maps every position between the two, so that the mouse, the caret, the input
// method and repainting find the text where it is drawn. Without one (a header, footer or frame
// being edited) it is an ordinary text item placed by the view.
//
// The view keeps its editing model in step through aboutToHandle() (before the item acts on input)
// and handled() (after it).
class PageTextItem : public QGraphicsTextItem
{
    Q_OBJECT
public:
    explicit PageTextItem(const PageGeometry *geometry = nullptr, QGraphicsItem *parent = nullptr);

    void setPartDocument(QTextDocument *doc); // nullptr: an empty text of its own
    void setShowControlChars(bool on);
    void setShowGridLines(bool on);
    // The page layout changed (mode, page count, page setup).
    void relayout();

    QPointF toScene(const QPointF &doc) const;    // item coordinates of a document point
    QPointF toDocument(const QPointF &item) const;
    QRectF toScene(const QRectF &doc) const;
    int positionAt(const QPointF &item) const;    // -1 when the point hits no text
    QRectF caretRect() const;                     // item coordinates
    QRectF caretRect(const QTextCursor &cursor) const;
    bool onGlyph(const QPointF &scene, int position) const; // the point lies on that character's box

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    bool contains(const QPointF &point) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void aboutToHandle();
    void handled();
    void keyDown(RichKeyArgs &args);
    void keyUp(RichKeyArgs &args);
    void textTyped(const QString &text);
    void mouseDown(RichMouseArgs &args);
    void mouseUp(RichMouseArgs &args);
    void mouseMoved(RichMouseArgs &args);
    void doubleClicked(RichMouseArgs &args);
    // 1 cut, 2 copy, 3 paste; set done when the view did it.
    void clipboardAction(int action, bool &done);
    // A drop at a text position; `internal` when the drag started in this view. Set done when the
    // view did it, otherwise Qt's own drop inserts the data.
    void dropRequested(const QMimeData *data, int position, bool internal, bool move, bool &done);

protected:
    bool sceneEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;

private slots:
    void onUpdateRequest(const QRectF &rect);
    void onVisibilityRequest(const QRectF &rect);

private:
    bool paged() const;
    void hookControl();
    void toDocumentEvent(QGraphicsSceneMouseEvent *event) const;
    RichMouseArgs mouseArgs(const QGraphicsSceneMouseEvent *event) const;
    void paintSlice(QPainter *painter, const QStyleOptionGraphicsItem &option, const QRectF &slice,
                    const QPointF &offset, QWidget *widget);
    void prepareTyping();
    bool pageKey(QKeyEvent *event);
    QTextCursor pageSelection(QGraphicsView *view, int position, bool down, int scrolled);
    bool lineKey(QKeyEvent *event);
    bool cellKey(QKeyEvent *event);
    bool deleteWord(QKeyEvent *event);
    bool moveByWord(QKeyEvent *event);
    bool newParagraph(QKeyEvent *event);
    bool backspaceAtLine(QKeyEvent *event);
    static bool editsText(const QKeyEvent *event);
    void editAndSettle(bool deletes, const std::function<void()> &edit);
    void typeInRun(const std::function<void()> &edit);
    void noteTypingRun();
    void caretAfterStep(int caret);
    QTextDocument *placeholder();

    // Where the last key typed left the document: a key typed there joins its undo step.
    struct TypingRun {
        const QTextDocument *document = nullptr;
        int steps = -1;
        int position = -1;
    };

    const PageGeometry *m_geometry;
    QObject *m_control = nullptr;
    QTextDocument *m_placeholder = nullptr;
    bool m_controlChars = false;
    bool m_gridLines = false;
    bool m_pressTaken = false;
    TypingRun m_run;
    QRectF m_shownBeforeKey; // scene

    StepCarets m_stepCarets;
};
