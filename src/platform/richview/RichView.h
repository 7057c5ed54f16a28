#pragma once

#include "platform/richview/PageGeometry.h"
#include "platform/richview/RichEvents.h"

#include <QGraphicsView>
#include <QTextCursor>

#include <functional>

class PageDocument;
class PageTextItem;
class QDialog;
class QMimeData;
class RichTextEdit;

// The editing view of a page: the main text in one continuous column (view mode 0) or on sheets of
// the paper size with their headers and footers (view mode 2), zoomed as a whole by the view's
// transform. Typing, the input method, selection, the mouse and drag and drop are Qt's own text
// editing; the caret and selection are those of the editing model, which the view keeps in step.
// A header, footer or text frame being edited gets its own item in its place on the sheet.
class RichView : public QGraphicsView
{
    Q_OBJECT
public:
    explicit RichView(RichTextEdit *edit, QWidget *parent = nullptr);
    ~RichView() override;

    RichTextEdit *edit() const { return m_edit; }
    PageDocument *page() const;
    const PageGeometry &pageGeometry() const { return m_geometry; }
    PageTextItem *mainItem() const { return m_main; }
    PageTextItem *partItem() const { return m_part; }
    PageTextItem *activeItem() const; // the item of the part being edited

    int viewMode() const { return m_geometry.mode(); }   // member 37
    void setViewMode(int mode);
    int zoom() const { return m_zoom; }                  // member 39, percent
    void setZoom(int percent);                           // kept within 10..400
    static constexpr int MinZoom = 10;
    static constexpr int MaxZoom = 400;
    bool controlChars() const { return m_controlChars; } // member 27
    void setControlChars(bool on);
    bool gridLines() const { return m_gridLines; }       // member 115
    void setGridLines(bool on);
    // Asks the input method, by hints, to start in Latin input (false) or in its own native mode
    // (true); an input method that ignores hints stays as the user set it.
    void setInputMethodOpen(bool open);
    // Member 66 with 2: the next left-button drag draws the frame of a new picture; pictureFrameDrawn
    // reports its size in twips at zoom 100, and the mode ends with the release.
    void setDrawMode(bool on);
    bool drawMode() const { return m_band != nullptr; }
    bool inputMethodOpen() const;
    int editMode() const;                                // member 65: 0 edit, else read-only
    void setEditMode(int mode);
    void refresh();                                      // member -550
    int pageCount() const { return m_geometry.pageCount(); }

    // Caret page, line and column (member 136), all from 1.
    QList<int> caretPosition();
    // Makes a header/footer part (flag 1, 2, 4, 8) or the main text (0) the editing part (138);
    // activatePart (137) also puts the keyboard there and shows it.
    bool editPart(int flag);
    bool activatePart(int flag);
    bool selectFrame(int id); // member 199

    // Clipboard (90: 1 cut, 2 copy, 3 paste, 4 delete) and its predicates (151, 152).
    bool clipboardAction(int action);
    bool canCopy();
    bool canPaste() const;
    bool undo();
    bool redo();
    // Puts the selection at a text position as one undo step, moved or copied, with its fields,
    // pictures and tables (a drag inside the view). False for a position inside the selection.
    bool dropSelection(int position, bool move);

    // The component's dialogs (84 paragraph, 85 font, 156 list, 114 table): true when applied.
    bool paragraphDialog();
    bool fontDialog();
    bool listDialog();
    bool tableDialog();
    // Shows a dialog modally; tests replace it to drive the dialogs without exec().
    using DialogRunner = std::function<bool(QDialog &)>;
    void setDialogRunner(DialogRunner runner);
    // Shows a dialog of the editor modally through the runner: true when accepted.
    bool runDialog(QDialog &dialog);

    // Scrolls to the top of the page (a page just loaded shows its start, not the place where the
    // page before it was scrolled to).
    void showStart();

    // Takes the model's caret into the view, or the view's into the model.
    void showModelCaret();
    void takeViewCaret();

signals:
    void changed();
    void caretMoved();
    void typed(const QString &text);
    void keyDown(RichKeyArgs &args);
    void keyUp(RichKeyArgs &args);
    void mouseDown(RichMouseArgs &args);
    void mouseUp(RichMouseArgs &args);
    void mouseMoved(RichMouseArgs &args);
    void doubleClicked(RichMouseArgs &args);
    void fieldClicked(RichFieldArgs &args);
    void fieldDoubleClicked(RichFieldArgs &args);
    void partActivated(int flag);   // a header or footer became the editing part
    void viewChanged();             // mode, zoom or page layout
    void pictureFrameDrawn(int widthTwips, int heightTwips);
    // Round a paste from the clipboard, which may be long: the listener can show that it waits.
    void pasteStarts();
    void pasteEnds();
    // A paste left these pictures out (PageClipboard::insert), for the user to be told.
    void picturesLeftOut(const QStringList &names);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void paintEvent(QPaintEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private slots:
    void onPartChanged();
    void onEditModeChanged(int mode);
    void onLayoutChanged();

private:
    bool pressBesideTheText(QMouseEvent *event);
    void connectItem(PageTextItem *item);
    void applyTransform();
    void placePartItem();
    int partPage(int flag) const;
    QRectF frameBox(int id) const;
    void drawSheet(QPainter *painter, int page);
    void drawPart(QPainter *painter, int flag, const QRectF &band);
    int headerFlagOn(int page) const;
    int footerFlagOn(int page) const;
    RichFieldArgs fieldArgsAt(const PageTextItem *item, const RichMouseArgs &args);
    void onDoubleClick(RichMouseArgs &args);
    void onMouseDown(RichMouseArgs &args);
    void onMouseUp(RichMouseArgs &args);
    void onDrop(const QMimeData *data, int position, bool internal, bool move, bool &done);
    void showTextAboveCaret();
    bool editWithDialog(QDialog &dialog, const std::function<bool()> &load, const std::function<bool()> &apply);

    RichTextEdit *m_edit;
    PageGeometry m_geometry;
    PageTextItem *m_main = nullptr;
    PageTextItem *m_part = nullptr;
    QTextCursor m_known; // the caret as last exchanged between model and view
    int m_zoom = 100;
    bool m_controlChars = false;
    bool m_gridLines = false;
    bool m_pressOnText = false;
    DialogRunner m_runner;
    class QRubberBand *m_band = nullptr; // the picture frame being drawn (draw mode)
    QPoint m_bandStart;
    bool m_bandDragged = false;
};
