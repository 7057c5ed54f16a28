#include "platform/richview/RichView.h"

#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/HeldLetters.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/ListDialog.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/ParagraphDialog.h"
#include "platform/richview/RichMimeData.h"
#include "platform/richview/TableDialog.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QInputMethod>
#include <QDialog>
#include <QFocusEvent>
#include <QGraphicsScene>
#include <QMimeData>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScrollBar>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <utility>

using namespace TextProps;

RichView::RichView(RichTextEdit *edit, QWidget *parent)
    : QGraphicsView(parent), m_edit(edit)
{
    setScene(new QGraphicsScene(this));
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setAttribute(Qt::WA_InputMethodEnabled);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    m_geometry.setSetup(page()->pageSetup());
    m_main = new PageTextItem(&m_geometry);
    m_main->setPartDocument(page()->main());
    scene()->addItem(m_main);
    m_part = new PageTextItem();
    m_part->setZValue(1);
    m_part->hide();
    scene()->addItem(m_part);
    connectItem(m_main);
    connectItem(m_part);

    QTextDocument *main = page()->main();
    connect(main->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &RichView::onLayoutChanged);
    connect(main, &QTextDocument::contentsChanged, this, &RichView::changed);
    connect(page(), &PageDocument::pageSetupChanged, this, &RichView::onLayoutChanged);
    connect(page(), &PageDocument::partsChanged, this, [this] { viewport()->update(); });
    connect(edit, &RichTextEdit::partChanged, this, &RichView::onPartChanged);
    connect(edit, &RichTextEdit::editModeChanged, this, &RichView::onEditModeChanged);
    connect(edit, &RichTextEdit::selectionChanged, this, &RichView::showModelCaret);
    onLayoutChanged();
    onEditModeChanged(edit->editMode());
    onPartChanged();
    applyTransform();
}

RichView::~RichView() = default;

PageDocument *RichView::page() const
{
    return m_edit->page();
}

PageTextItem *RichView::activeItem() const
{
    return m_edit->document() == page()->main() ? m_main : m_part;
}

void RichView::connectItem(PageTextItem *item)
{
    connect(item, &PageTextItem::aboutToHandle, this, &RichView::showModelCaret);
    connect(item, &PageTextItem::handled, this, &RichView::takeViewCaret);
    connect(item, &PageTextItem::keyDown, this, &RichView::keyDown);
    connect(item, &PageTextItem::keyUp, this, &RichView::keyUp);
    connect(item, &PageTextItem::textTyped, this, &RichView::typed);
    connect(item, &PageTextItem::mouseMoved, this, &RichView::mouseMoved);
    connect(item, &PageTextItem::mouseDown, this, &RichView::onMouseDown);
    connect(item, &PageTextItem::mouseUp, this, &RichView::onMouseUp);
    connect(item, &PageTextItem::doubleClicked, this, &RichView::onDoubleClick);
    connect(item, &PageTextItem::dropRequested, this, &RichView::onDrop);
    connect(item, &PageTextItem::clipboardAction, this, [this](int action, bool &done) {
        clipboardAction(action);
        done = true;
    });
}

// ---- caret exchange

namespace {

// QTextCursor's own comparison looks at the position alone: a selection that shrank to the caret at
// its end would pass for unchanged and stay selected in the view.
bool sameCaret(const QTextCursor &a, const QTextCursor &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.document() == b.document() && a.position() == b.position() && a.anchor() == b.anchor();
}

// With nothing selected a cursor carries the format of what is typed next: a format chosen at the
// caret (bold switched on) is the cursor's own until the caret moves. The view types with its own
// cursor, so it must carry the one the model holds.
bool sameTyping(const QTextCursor &a, const QTextCursor &b)
{
    return a.isNull() || b.isNull() || a.hasSelection() || b.hasSelection() || a.charFormat() == b.charFormat();
}

} // namespace

void RichView::showModelCaret()
{
    PageTextItem *item = activeItem();
    if (item->document() != m_edit->document())
        onPartChanged();
    const QTextCursor &model = m_edit->cursor();
    const QTextCursor view = item->textCursor();
    if (!sameCaret(model, m_known) || !sameCaret(view, model) || !sameTyping(view, model)) {
        item->setTextCursor(model);
        m_known = model;
    }
}

void RichView::takeViewCaret()
{
    PageTextItem *item = activeItem();
    if (item->document() != m_edit->document())
        return;
    const QTextCursor view = item->textCursor();
    const bool moved = !sameCaret(view, m_known);
    m_known = view;
    if (!sameCaret(view, m_edit->cursor()) || !sameTyping(view, m_edit->cursor()))
        m_edit->setCursor(view);
    if (moved)
        emit caretMoved();
}

void RichView::paintEvent(QPaintEvent *event)
{
    // A model command (find, select, a field insert) may have moved the caret since the last event.
    if (!sameCaret(m_edit->cursor(), m_known) || !sameTyping(m_edit->cursor(), m_known))
        showModelCaret();
    QGraphicsView::paintEvent(event);
}

void RichView::showStart()
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

QList<int> RichView::caretPosition()
{
    showModelCaret();
    return m_edit->caretPosition();
}

// ---- modes

void RichView::setViewMode(int mode)
{
    if (mode != PageGeometry::Paged)
        mode = PageGeometry::Normal;
    if (mode == m_geometry.mode())
        return;
    m_geometry.setMode(mode);
    onLayoutChanged();
    emit viewChanged();
}

void RichView::setZoom(int percent)
{
    percent = qBound(MinZoom, percent, MaxZoom);
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    applyTransform();
    PageTextItem *item = activeItem();
    ensureVisible(item->mapRectToScene(item->caretRect()), 8, 8);
    emit viewChanged();
}

void RichView::applyTransform()
{
    // Scene units are pixels at 96 dpi; the screen may have another resolution.
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const double scale = m_zoom / 100.0 * dpi / 96.0;
    setTransform(QTransform::fromScale(scale, scale));
}

void RichView::setControlChars(bool on)
{
    m_controlChars = on;
    m_main->setShowControlChars(on);
    m_part->setShowControlChars(on);
}

void RichView::setInputMethodOpen(bool open)
{
    const Qt::InputMethodHints hints = open ? Qt::ImhNone : Qt::ImhPreferLatin | Qt::ImhNoPredictiveText;
    // Asked for on every keystroke by the editor: only a change reaches the input method.
    if (inputMethodHints() == hints && m_main->inputMethodHints() == hints && m_part->inputMethodHints() == hints)
        return;
    setInputMethodHints(hints);
    m_main->setInputMethodHints(hints);
    m_part->setInputMethodHints(hints);
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImHints);
}

bool RichView::inputMethodOpen() const
{
    return !(m_main->inputMethodHints() & Qt::ImhPreferLatin);
}

void RichView::setDrawMode(bool on)
{
    if (on == drawMode())
        return;
    if (on) {
        m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
        m_bandDragged = false;
        viewport()->setCursor(Qt::CrossCursor);
    } else {
        delete std::exchange(m_band, nullptr);
        viewport()->unsetCursor();
    }
}

bool RichView::viewportEvent(QEvent *event)
{
    if (!m_band)
        return QGraphicsView::viewportEvent(event);
    // The smallest frame: 15 twips either way, at the screen's resolution and the zoom.
    const double pixelsPerTwip = (logicalDpiX() > 0 ? logicalDpiX() : 96) / 1440.0 * m_zoom / 100.0;
    const int least = qMax(1, qRound(15 * pixelsPerTwip));
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        m_bandStart = mouse->position().toPoint();
        m_band->setGeometry(QRect(m_bandStart, QSize(least, least)));
        m_band->show();
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_band->isVisible())
            return true;
        const QPoint at = mouse->position().toPoint();
        m_band->setGeometry(QRect(m_bandStart, QSize(qMax(least, at.x() - m_bandStart.x()),
                                                     qMax(least, at.y() - m_bandStart.y()))));
        m_bandDragged = m_bandDragged || m_band->width() > least || m_band->height() > least;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!m_band->isVisible() || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return true;
        const QSize size = m_band->size();
        const bool dragged = m_bandDragged;
        setDrawMode(false);
        // The frame in twips of the page at zoom 100.
        const int dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
        const int dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
        const int width = dragged ? qRound(size.width() * 1440.0 / dpiX * 100 / m_zoom) : 0;
        const int height = dragged ? qRound(size.height() * 1440.0 / dpiY * 100 / m_zoom) : 0;
        if (width > 0 && height > 0)
            emit pictureFrameDrawn(width, height);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return QGraphicsView::viewportEvent(event);
    }
}

// The keyboard comes back to the view: it goes on to the text being edited, at its caret. The scene
// gives it back to the item that had it when the view lost it, but a view that loses the keyboard
// twice in a row forgets that item: a menu opened by its access key (or a menu opened by a click
// and gone through with the keys) takes the keyboard first for its popup and then for the menu bar,
// and after the command the view had the keyboard while its text had none, the keys typed going
// nowhere and no caret drawn.
void RichView::focusInEvent(QFocusEvent *event)
{
    QGraphicsView::focusInEvent(event);
    PageTextItem *item = activeItem();
    if (scene() && !scene()->focusItem() && item->isVisible() && item->isEnabled())
        item->setFocus(event->reason());
}

// A press beside the text (right or left of its column, below its end) goes to the text at the
// nearest point, as in a text edit: the scene would take the keyboard from the text and leave the
// keys typed after it nowhere.
void RichView::mousePressEvent(QMouseEvent *event)
{
    if (!pressBesideTheText(event))
        QGraphicsView::mousePressEvent(event);
}

void RichView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!pressBesideTheText(event))
        QGraphicsView::mouseDoubleClickEvent(event);
}

bool RichView::pressBesideTheText(QMouseEvent *event)
{
    PageTextItem *item = activeItem();
    const QPoint at = event->position().toPoint();
    if (!item || !item->isVisible() || itemAt(at))
        return false;
    const QRect text = mapFromScene(item->sceneBoundingRect()).boundingRect().adjusted(1, 1, -2, -2);
    if (text.isEmpty())
        return false;
    const QPoint nearest(qBound(text.left(), at.x(), text.right()), qBound(text.top(), at.y(), text.bottom()));
    if (itemAt(nearest) != item)
        return false;
    QMouseEvent moved(event->type(), QPointF(nearest), event->scenePosition() + QPointF(nearest - at),
                      event->globalPosition() + QPointF(nearest - at), event->button(), event->buttons(),
                      event->modifiers(), event->pointingDevice());
    if (event->type() == QEvent::MouseButtonDblClick)
        QGraphicsView::mouseDoubleClickEvent(&moved);
    else
        QGraphicsView::mousePressEvent(&moved);
    event->setAccepted(moved.isAccepted());
    return true;
}

void RichView::setGridLines(bool on)
{
    m_gridLines = on;
    m_main->setShowGridLines(on);
    m_part->setShowGridLines(on);
}

int RichView::editMode() const
{
    return m_edit->editMode();
}

void RichView::setEditMode(int mode)
{
    m_edit->setEditMode(mode);
}

void RichView::onEditModeChanged(int mode)
{
    // Read-only still lets the user select and copy.
    const Qt::TextInteractionFlags flags = mode == 0
        ? Qt::TextEditorInteraction
        : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    m_main->setTextInteractionFlags(flags);
    m_part->setTextInteractionFlags(flags);
}

void RichView::refresh()
{
    onLayoutChanged();
    placePartItem();
    showModelCaret();
    viewport()->update();
}

void RichView::onLayoutChanged()
{
    QTextDocument *main = page()->main();
    const PageGeometry before = m_geometry;
    m_geometry.setSetup(page()->pageSetup());
    m_geometry.setPageCount(main->pageCount());
    m_geometry.setStripHeight(main->documentLayout()->documentSize().height());
    QRectF rect = m_geometry.sceneRect();
    if (m_part->isVisible())
        rect |= m_part->sceneBoundingRect();
    const bool moved = !(before.setup() == m_geometry.setup()) || before.mode() != m_geometry.mode()
        || before.pageCount() != m_geometry.pageCount();
    if (!moved && scene()->sceneRect() == rect)
        return;
    const bool shrinks = rect.height() < scene()->sceneRect().height();
    m_main->relayout();
    scene()->setSceneRect(rect);
    placePartItem();
    if (moved)
        viewport()->update();
    if (shrinks)
        showTextAboveCaret();
}

// ---- parts

void RichView::onPartChanged()
{
    QTextDocument *doc = m_edit->document();
    if (doc == page()->main()) {
        m_part->hide();
        m_part->clearFocus();
        m_part->setPartDocument(nullptr);
        m_main->setFocus();
    } else {
        m_part->setPartDocument(doc);
        connect(doc, &QTextDocument::contentsChanged, this, &RichView::changed, Qt::UniqueConnection);
        placePartItem();
        m_part->show();
        m_part->setFocus();
    }
    m_known = QTextCursor();
    showModelCaret();
    onLayoutChanged();
    viewport()->update();
}

bool RichView::editPart(int flag)
{
    if (flag == MainPart)
        return m_edit->selectFrame(0);
    return m_edit->editPart(flag);
}

bool RichView::activatePart(int flag)
{
    if (!editPart(flag))
        return false;
    PageTextItem *item = activeItem();
    setFocus();
    item->setFocus();
    ensureVisible(item->sceneBoundingRect(), 8, 8);
    // A switch to pages may bring a scroll bar, which Qt shows only once the events run: the view is
    // then shorter and would cut a footer's line in half. Bring the part into view again then.
    QTimer::singleShot(0, this, [this, flag] {
        if (m_edit->currentPart() == flag)
            ensureVisible(activeItem()->sceneBoundingRect(), 8, 8);
    });
    if (flag != MainPart)
        emit partActivated(flag);
    return true;
}

bool RichView::selectFrame(int id)
{
    return m_edit->selectFrame(id);
}

// Header and footer as the printed page shows them (pages from 0 here).
int RichView::headerFlagOn(int page) const
{
    return PageRenderer::headerFlagOn(this->page()->partFlags(), page + 1);
}

int RichView::footerFlagOn(int page) const
{
    return PageRenderer::footerFlagOn(this->page()->partFlags(), page + 1);
}

// The sheet on which a part being edited sits: the first one that shows it.
int RichView::partPage(int flag) const
{
    if ((flag == HeaderAll || flag == FooterAll) && m_geometry.pageCount() > 1) {
        const int first = flag == HeaderAll ? HeaderFirst : FooterFirst;
        if (page()->partFlags() & first)
            return 1;
    }
    return 0;
}

QRectF RichView::frameBox(int id) const
{
    QTextDocument *main = page()->main();
    for (QTextBlock block = main->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.objectType() != TextFrameObject || format.intProperty(ObjectId) != id)
                continue;
            const int inBlock = it.fragment().position() - block.position();
            const QTextLine line = block.layout()->lineForTextPosition(inBlock);
            if (!line.isValid())
                return QRectF();
            const QSizeF size(format.intProperty(FrameWidth) / 15.0, format.intProperty(FrameHeight) / 15.0);
            const QPointF blockTop = main->documentLayout()->blockBoundingRect(block).topLeft();
            const QPointF at = blockTop + QPointF(line.cursorToX(inBlock), line.y() + line.ascent() - size.height());
            return QRectF(m_main->toScene(at), size);
        }
    }
    return QRectF();
}

void RichView::placePartItem()
{
    const int flag = m_edit->currentPart();
    const int frame = m_edit->currentFrame();
    if (m_edit->document() == page()->main())
        return;
    if (frame) {
        const QRectF box = frameBox(frame);
        m_part->setTextWidth(qMax(1.0, box.width()));
        m_part->setPos(box.topLeft());
        return;
    }
    m_part->setTextWidth(m_geometry.textWidth());
    if (m_geometry.mode() == PageGeometry::Normal) {
        // Normal view has no margins: the part shows above the text.
        m_part->setPos(0, m_geometry.sceneRect().top() - m_part->boundingRect().height());
        return;
    }
    const int sheet = partPage(flag);
    const bool header = flag == HeaderAll || flag == HeaderFirst;
    const QRectF band = header ? m_geometry.headerRect(sheet) : m_geometry.footerRect(sheet);
    m_part->setPos(band.topLeft());
}

// ---- painting

void RichView::drawBackground(QPainter *painter, const QRectF &rect)
{
    if (m_geometry.mode() == PageGeometry::Normal) {
        painter->fillRect(rect, Qt::white);
        // Where the printed pages will end.
        painter->setPen(QPen(QColor(170, 170, 170), 0, Qt::DashLine));
        const double width = m_geometry.textWidth();
        for (int page = 1; page < m_geometry.pageCount(); ++page) {
            const double y = page * m_geometry.textHeight();
            if (y >= rect.top() && y <= rect.bottom())
                painter->drawLine(QPointF(0, y), QPointF(width, y));
        }
        return;
    }
    painter->fillRect(rect, QColor(128, 128, 128));
    for (int page = 0; page < m_geometry.pageCount(); ++page) {
        if (m_geometry.pageRect(page).adjusted(0, 0, 4, 4).intersects(rect))
            drawSheet(painter, page);
    }
}

void RichView::drawSheet(QPainter *painter, int page)
{
    const QRectF sheet = m_geometry.pageRect(page);
    painter->fillRect(sheet.translated(3, 3), QColor(70, 70, 70));
    painter->fillRect(sheet, Qt::white);
    // Corner marks of the text area, as a guide to the margins.
    const QRectF text = m_geometry.textRect(page);
    painter->setPen(QPen(QColor(190, 190, 190), 0));
    const double tick = 10;
    for (const QPointF &corner : {text.topLeft(), text.topRight(), text.bottomLeft(), text.bottomRight()}) {
        const double dx = corner.x() == text.left() ? -tick : tick;
        const double dy = corner.y() == text.top() ? -tick : tick;
        painter->drawLine(corner, corner + QPointF(dx, 0));
        painter->drawLine(corner, corner + QPointF(0, dy));
    }
    // The band where a header or footer is being edited shows that part only.
    const int edited = m_part->isVisible() && m_edit->currentFrame() == 0 ? m_edit->currentPart() : 0;
    const bool editedHere = edited && partPage(edited) == page;
    const bool headerEdited = editedHere && (edited == HeaderAll || edited == HeaderFirst);
    const bool footerEdited = editedHere && (edited == FooterAll || edited == FooterFirst);
    if (const int flag = headerFlagOn(page); flag && !headerEdited)
        drawPart(painter, flag, m_geometry.headerRect(page));
    if (const int flag = footerFlagOn(page); flag && !footerEdited)
        drawPart(painter, flag, m_geometry.footerRect(page));
}

void RichView::drawPart(QPainter *painter, int flag, const QRectF &band)
{
    QTextDocument *doc = page()->part(flag);
    if (!doc)
        return;
    painter->save();
    painter->translate(band.topLeft());
    HeldLetters::drawContents(painter, doc,
                              QRectF(QPointF(0, 0), QSizeF(band.width(), qMax(band.height(), doc->size().height()))));
    painter->restore();
}

// ---- mouse and fields

// The field a click hits: the mouse stands on the text of one of its characters (the one after the
// position the click gives, or the one before it); beside or below a line ending in a field, none.
RichFieldArgs RichView::fieldArgsAt(const PageTextItem *item, const RichMouseArgs &mouse)
{
    RichFieldArgs args;
    QTextDocument *doc = m_edit->document();
    if (mouse.position < 0 || !item || item->document() != doc)
        return args;
    int id = 0;
    for (int at : {mouse.position, mouse.position - 1}) {
        if (item->onGlyph(mouse.scenePos, at)) {
            id = FieldRuns::at(doc, at);
            break;
        }
    }
    if (!id || !m_edit->setCurrentField(id))
        return args;
    args.id = id;
    args.type = m_edit->fieldType();
    args.data = m_edit->fieldData();
    args.text = m_edit->fieldText();
    return args;
}

void RichView::onMouseDown(RichMouseArgs &args)
{
    PageTextItem *item = qobject_cast<PageTextItem *>(sender());
    // A click into the main text ends the editing of a header, footer or frame.
    if (item == m_main && m_edit->document() != page()->main()) {
        m_edit->selectFrame(0);
        showModelCaret();
    }
    emit mouseDown(args);
    m_pressOnText = !args.handled && args.button == 1 && args.position >= 0;
}

void RichView::onMouseUp(RichMouseArgs &args)
{
    emit mouseUp(args);
    const QTextCursor cursor = activeItem()->textCursor();
    if (args.handled || !m_pressOnText || cursor.hasSelection())
        return;
    RichFieldArgs field = fieldArgsAt(qobject_cast<PageTextItem *>(sender()), args);
    if (field.id)
        emit fieldClicked(field);
}

void RichView::onDoubleClick(RichMouseArgs &args)
{
    emit doubleClicked(args);
    if (args.handled)
        return;
    // A double click on a header or footer band of a sheet edits that part in place.
    PageTextItem *item = qobject_cast<PageTextItem *>(sender());
    if (item == m_main && m_geometry.mode() == PageGeometry::Paged) {
        const int sheet = m_geometry.pageAt(args.scenePos.y());
        const QRectF sheetRect = m_geometry.pageRect(sheet);
        const QRectF text = m_geometry.textRect(sheet);
        int flag = 0;
        if (args.scenePos.y() < text.top() && args.scenePos.y() >= sheetRect.top())
            flag = headerFlagOn(sheet);
        else if (args.scenePos.y() > text.bottom() && args.scenePos.y() <= sheetRect.bottom())
            flag = footerFlagOn(sheet);
        if (flag) {
            activatePart(flag);
            args.handled = true;
            return;
        }
    }
    RichFieldArgs field = fieldArgsAt(qobject_cast<PageTextItem *>(sender()), args);
    if (field.id) {
        emit fieldDoubleClicked(field);
        args.handled = field.handled;
    }
}

void RichView::onDrop(const QMimeData *data, int position, bool internal, bool move, bool &done)
{
    if (editMode() != 0) {
        done = true; // nothing is dropped into a read-only page
        return;
    }
    if (internal && m_edit->selLength() > 0) {
        dropSelection(position, move);
        done = true;
    } else if (qobject_cast<const RichMimeData *>(data) || data->hasFormat(PageClipboard::mimeType())) {
        m_edit->select(position, 0);
        done = PageClipboard::insert(*m_edit, data);
    }
    showModelCaret();
}

bool RichView::dropSelection(int position, bool move)
{
    const int start = m_edit->selStart();
    const int length = m_edit->selLength();
    if (editMode() != 0 || length <= 0 || (position >= start && position <= start + length))
        return false;
    PageDocument moved;
    m_edit->copySelection(moved);
    // Follows the removal of the selection in front of it.
    QTextCursor target(m_edit->document());
    target.setPosition(position);
    m_edit->beginCommand();
    if (move)
        m_edit->setSelectedText(QString());
    m_edit->select(target.position(), 0);
    m_edit->insertPage(moved);
    m_edit->endCommand();
    showModelCaret();
    return true;
}

// ---- clipboard and undo

bool RichView::clipboardAction(int action)
{
    showModelCaret();
    const bool editable = editMode() == 0;
    const bool selected = m_edit->selLength() > 0;
    bool done = false;
    if (action == 1 && !editable)
        return false;
    if ((action == 1 || action == 2) && selected) {
        QApplication::clipboard()->setMimeData(PageClipboard::fromSelection(*m_edit));
        done = true;
    }
    if ((action == 1 || action == 4) && editable && selected) {
        m_edit->setSelectedText(QString());
        done = true;
    }
    if (action == 3 && editable) {
        emit pasteStarts();
        QStringList unread;
        done = PageClipboard::insert(*m_edit, QApplication::clipboard()->mimeData(), &unread);
        emit pasteEnds();
        if (!unread.isEmpty())
            emit picturesLeftOut(unread);
    }
    showModelCaret();
    return done;
}

bool RichView::canCopy()
{
    showModelCaret();
    return m_edit->selLength() > 0;
}

bool RichView::canPaste() const
{
    return editMode() == 0 && PageClipboard::canInsert(QApplication::clipboard()->mimeData());
}

bool RichView::undo()
{
    if (editMode() != 0)
        return false;
    showModelCaret();
    const bool done = m_edit->undo();
    showModelCaret();
    onLayoutChanged();
    showTextAboveCaret();
    return done;
}

bool RichView::redo()
{
    if (editMode() != 0)
        return false;
    showModelCaret();
    const bool done = m_edit->redo();
    showModelCaret();
    onLayoutChanged();
    showTextAboveCaret();
    return done;
}

// Undoing a long paste (Qt's own undo key or the model's) takes the text the view was scrolled to
// away: Qt scrolls to the caret while the column is still as long as it was, and the column shrinks
// under the view afterwards, leaving it on the empty room below the end of the text. When the
// column shrinks, and after an undo or redo, the view comes up as far as it can while the caret
// stays in sight.
void RichView::showTextAboveCaret()
{
    if (viewMode() != 0 || activeItem() != m_main)
        return;
    QTextDocument *main = page()->main();
    const QPointF end = m_main->mapToScene(m_main->toScene(QPointF(0, main->documentLayout()->documentSize().height())));
    const int blank = viewport()->height() - mapFromScene(end).y();
    const int caretBottom = mapFromScene(m_main->mapRectToScene(m_main->caretRect())).boundingRect().bottom();
    const int up = qMin(blank, viewport()->height() - caretBottom - 1);
    if (up > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - up);
}

// ---- dialogs

void RichView::setDialogRunner(DialogRunner runner)
{
    m_runner = std::move(runner);
}

bool RichView::runDialog(QDialog &dialog)
{
    if (m_runner)
        return m_runner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

// The shown caret follows the model's before and after, so the dialog and the page agree on where it acts.
bool RichView::editWithDialog(QDialog &dialog, const std::function<bool()> &load,
                              const std::function<bool()> &apply)
{
    showModelCaret();
    if (editMode() != 0 || !load() || !runDialog(dialog))
        return false;
    const bool done = apply();
    showModelCaret();
    return done;
}

bool RichView::paragraphDialog()
{
    ParagraphDialog dialog(this);
    return editWithDialog(dialog, [&] { dialog.load(*m_edit); return true; },
                          [&] { dialog.apply(*m_edit); return true; });
}

bool RichView::fontDialog()
{
    FontDialog dialog(this);
    return editWithDialog(dialog, [&] { dialog.load(*m_edit); return true; },
                          [&] { dialog.apply(*m_edit); return true; });
}

bool RichView::listDialog()
{
    ListDialog dialog(this);
    return editWithDialog(dialog, [&] { dialog.load(*m_edit); return true; },
                          [&] { dialog.apply(*m_edit); return true; });
}

bool RichView::tableDialog()
{
    TableDialog dialog(this);
    return editWithDialog(dialog, [&] { return dialog.load(*m_edit); }, [&] { return dialog.apply(*m_edit); });
}
