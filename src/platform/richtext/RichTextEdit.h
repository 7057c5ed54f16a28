#pragma once

#include "platform/richtext/PictureDoor.h"

#include <QObject>
#include <QSize>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVariant>

class PageDocument;
class PartDocument;
class QTextDocument;
class QTextTable;

// The editing model of a page: the caret and selection on the current part (main text, a header or
// footer, or a text frame's text) and every role the editor asks of its rich-text component, by name.
// No widget: a view shows document() and shares cursor(). Positions and texts follow the position
// model of TextProps.h; rows, columns and field characters the callers count from 1 are 1-based here
// too. Every method that changes the text is one undo step; beginCommand()/endCommand() group more.
class RichTextEdit : public QObject
{
    Q_OBJECT
public:
    explicit RichTextEdit(PageDocument *page, QObject *parent = nullptr);

    PageDocument *page() const { return m_page; }
    QTextDocument *document() const;
    QTextCursor &cursor() { return m_cursor; } // moving it directly works; setCursor() is plainer
    const QTextCursor &cursor() const { return m_cursor; }
    // Takes over a view's caret and selection; ignored for a cursor on another document.
    void setCursor(const QTextCursor &cursor);

    // Parts. A header/footer part must exist (PageDocument::ensurePart); 0 is the main text.
    int currentPart() const { return m_part; }
    int currentFrame() const { return m_frame; }
    bool editPart(int flag);   // member 138
    bool selectFrame(int id);  // member 199; 0 = main text. False for an unknown frame.

    void beginCommand();
    // Like beginCommand, but what follows joins the undo step just made (a key just typed).
    void joinCommand();
    void endCommand();
    // First in a command begun (not joined), before it changes anything: the command's undo puts the
    // caret back where it stands now, its redo where the command leaves it, whatever the command
    // changes first and last (Qt's undo and redo may not; UndoCaret).
    void keepCaretForUndo();
    // An empty paragraph takes the look set for typing at the caret as its own, so that what is
    // typed there has it even after the caret moved (Qt forgets a look set for typing).
    void holdTypingLook();

    // Text and selection (15, 147, 30, 31, 32)
    QString text() const;
    void setText(const QString &text);
    void clearText();
    int textLength() const;
    // The character at a position, in the codes of text(); a null character outside the text.
    QChar charAt(int position) const;
    int selStart() const;
    void setSelStart(int start);
    int selLength() const;
    void setSelLength(int length); // -1 = to the end
    void select(int start, int length);
    QString selectedText() const;
    void setSelectedText(const QString &text);
    // Replaces the selection, the new text taking the look of the text it replaces (find and replace,
    // a paste as text). With `intoField` false the new text never joins a field.
    void replaceSelectedText(const QString &text, bool intoField = true);
    // Inserts another page's main text in place of the selection (PageInsert: new ids). One undo step;
    // on its own (not in a command), its undo puts the caret back where it stood (keepCaretForUndo).
    void insertPage(const PageDocument &source);
    // The selection as a page of its own (PageExtract), e.g. for the clipboard.
    void copySelection(PageDocument &target) const;
    // Text typed at the caret: replaces the selection and never extends a field at its edge.
    void typeText(const QString &text);
    // The format Qt's own typing should use at `cursor` (views call it after each caret move).
    static void prepareTyping(QTextCursor &cursor);

    // Character look of the selection, or of the caret's insertion format (6, 7, 10, 11, 8, 9, -513, 80)
    bool bold() const;
    void setBold(bool on);
    bool strikeOut() const;
    void setStrikeOut(bool on);
    bool italic() const;
    void setItalic(bool on);
    bool underline() const;
    void setUnderline(bool on);
    QString fontName() const;
    void setFontName(const QString &name);
    double fontSize() const; // points
    void setFontSize(double points);
    int foreColor() const;   // COLORREF
    void setForeColor(int colorRef);
    int backColor() const;   // COLORREF, 0xFFFFFF when none
    void setBackColor(int colorRef);

    // Paragraphs of the selection (16, 75-79, 17-19, 47, 53, 48, 155, 136)
    int alignment() const;   // 0 left, 1 right, 2 centre, 3 justified
    void setAlignment(int alignment);
    int indentLeft() const;  // twips; negative moves left
    void setIndentLeft(int twips);
    int indentFirstLine() const;
    void setIndentFirstLine(int twips);
    int indentRight() const;
    void setIndentRight(int twips);
    int spaceBefore() const;
    void setSpaceBefore(int twips);
    int spaceAfter() const;
    void setSpaceAfter(int twips);
    int frameLineWidth() const;
    void setFrameLineWidth(int value);
    int frameDistance() const;
    void setFrameDistance(int value);
    int frameStyle() const;  // 7936 when never set
    void setFrameStyle(int value);
    int paraValue47() const;
    void setParaValue47(int value);
    int lineSpacingTwips() const;  // 0 = single
    void setLineSpacingTwips(int twips);
    int lineSpacingPercent() const; // 100 = single
    void setLineSpacingPercent(int percent);
    int listKind() const;    // 1 none, 2 bullets, 3 numbers
    void setListKind(int kind);
    int listLevel() const;   // 0 outside a list
    int blockStyle() const;  // user style index last applied, -1 none
    // `chosen`: the user gave the style (a style command), not a rule of the editor's typing.
    void setBlockStyle(int style, bool chosen = false);
    bool blockStyleChosen() const;
    // Page (1-based), line on that page and column of the caret, from the layout.
    QList<int> caretPosition() const;

    // Fields of the current part (40, 43, 73, 74, 95, 96, 124, 125, 142, 144, 145)
    int insertField(const QString &text); // 0 when the text is empty
    int currentField() const;
    bool setCurrentField(int id);
    QString fieldText() const;
    bool setFieldText(const QString &text);
    int fieldStart() const;  // 1-based first character
    int fieldEnd() const;    // 1-based last character
    int fieldType() const;
    bool setFieldType(int type);
    QString fieldData() const;
    bool setFieldData(const QString &data);
    int fieldAttrs() const;
    bool setFieldAttrs(int attrs);
    int nextField(int after) const; // 0 = first; 0 after the last
    bool deleteField(bool withText);
    int fieldAtCaret() const;
    int fieldAt(int position) const;

    // Tables of the current part (108-111, 117-122, 129, 132, 133, 158-163, 184, 185)
    int insertTable(int rows, int columns);
    QList<int> tableIds() const;
    int tableAtCaret() const;
    int rowAtCaret() const;
    int columnAtCaret() const;
    int tableRows(int table) const;
    int tableColumns(int table) const;
    QString cellText(int table, int row, int column) const;
    bool setCellText(int table, int row, int column, const QString &text);
    int cellStart(int table, int row, int column) const; // 1-based; 0 for no such cell
    int cellLength(int table, int row, int column) const;
    bool mergeCells(int table, int row, int column, int rows, int columns);
    bool setColumnWidth(int table, int column, int twips);
    bool canInsertTable() const;
    bool canInsertRow() const;
    bool canInsertColumn() const;
    bool canDeleteRow() const;
    bool canDeleteColumn() const;
    bool canSplitTable() const;
    bool insertRows(int count, int side);  // side 1 above, 2 below the caret row
    bool insertColumn(int side);           // side 1 left, 2 right of the caret column
    bool deleteRows();                     // rows of the selection (or the caret)
    bool deleteColumns();
    bool splitTable(int side);             // 1 above, 2 below the caret row
    QVariant cellAttribute(int attribute) const;
    bool setCellAttribute(int attribute, const QVariant &value, bool wholeTable);

    // Pictures (206, 207, 52, 62): ids of new objects, 0 on failure. Each comes in through
    // PictureDoor as one read of its own (PictureDoor::admit, no side over `side`); `why`, when
    // given, gets the reason of a failure.
    int insertPictureFile(const QString &file, int scalePercent = 100, int layout = 0);
    int insertPicture(const QByteArray &bytes, int scalePercent = 100, int layout = 0, const QString &file = QString());
    int insertPicture(const PictureDoor::Look &look, int scalePercent = 100, int layout = 0,
                      const QString &file = QString(), PictureDoor::Refusal *why = nullptr,
                      int side = PictureDoor::PictureSide);
    QString pictureFile() const;
    bool setPictureFile(const QString &file);
    bool pictureStored() const;
    bool setPictureStored(bool stored);
    // Distance kept free around the current object (103), items 1-4 left, top, right, bottom, twips.
    int objectDistance(int item) const;
    bool setObjectDistance(int item, int twips);
    // Shown size of a picture or text frame, in twips; empty when there is no such object.
    QSize objectSize(int id) const;
    bool setObjectSize(int id, const QSize &twips);

    // Text frames (197, 201)
    struct FrameArgs {
        int distLeft = 0, distTop = 0, distRight = 0, distBottom = 0;
        int mode = 0, height = 1000, width = 2000, x = 0, y = 0, border = 1, extra = -1;
    };
    static FrameArgs frameArgs(const QList<int> &values); // the 11 values in the callers' order
    int insertTextFrame(const FrameArgs &args);
    bool setFrameBackground(int id, int colorRef);

    // Objects of the current part: pictures and text frames (54, 101, 102, 198, 200)
    int objectCount() const;
    QList<int> objectIds(int kind = 0) const; // text order; kind 4 pictures, 32 frames, 0 all
    int objectKind(int id) const;
    int objectPosition(int id) const;         // -1 when absent
    bool setCurrentObject(int id);
    int currentObject() const;
    int currentObjectOfKind(int kind) const;
    int nextObject(int kind, int after) const;
    bool selectObject(int id);
    bool deleteObject(int id);
    bool removeCurrentObject();

    // Find (130): start 0 = from the start (the end when backwards), -1 = from the selection.
    // Options: 4 match case, 1 backwards, 16 and others accepted and ignored. Returns the position
    // of the match (selected) or -1.
    int find(const QString &text, int start, int options);

    // Undo (68, 69, 87, 88) and edit mode (65; anything but 0 is read-only for the view)
    int undoSteps() const;
    int redoSteps() const;
    bool undo();
    bool redo();
    int editMode() const { return m_editMode; }
    void setEditMode(int mode);

signals:
    void partChanged();
    // The caret or the selection was set by a command of this model (views follow it).
    void selectionChanged();
    void editModeChanged(int mode);

private:
    static int findInParagraphs(QTextDocument *doc, const QString &what, int from, QTextDocument::FindFlags flags);
    PartDocument *part() const;
    bool ownSelection() const;
    int selEnd() const;
    void setSelection(int anchor, int position);
    void noteSelection(int anchor, int position); // the selection as m_cursor already holds it
    static int shownAnchor(const QTextCursor &cursor); // where the selection Qt shows begins
    void syncFromCursor();
    void removeSelection();
    void markKeptCaret();
    void switchTo(QTextDocument *doc, int part, int frame);
    QTextCharFormat caretFormat() const;
    void mergeChar(const QTextCharFormat &format);
    QTextBlockFormat caretBlock() const;
    void mergeBlock(const QTextBlockFormat &format, int clearProperty = -1);
    void setBlockTwips(int property, int twips);
    int blockTwips(int property) const;
    void setFieldProperty(int id, int property, const QVariant &value);
    QTextTable *tableById(int id) const;
    int assignTableId(QTextTable *table);
    QTextTable *caretTable() const;
    int objectIdAt(int position) const;
    QTextCharFormat objectFormat(int id) const;
    bool setObjectProperty(int id, int property, const QVariant &value);
    int insertObjectChar(const QTextCharFormat &format);

    PageDocument *m_page;
    QTextCursor m_cursor;
    QTextCursor m_synced;     // m_cursor as this model last left it
    QTextCursor m_selAnchor;  // the selection as set
    QTextCursor m_selPos;
    int m_part = 0;
    int m_frame = 0;
    int m_mainPosition = 0; // caret of the main text while another part is edited
    int m_currentField = 0;
    // A field whose text was set empty keeps its place and format, so it can get text again.
    int m_lostFieldStart = -1;
    QTextCharFormat m_lostFieldFormat;
    int m_currentObject = 0;
    int m_editMode = 0;
    QTextCursor m_commandCursor;
    int m_commandDepth = 0;
    bool m_commandJoined = false;
    // keepCaretForUndo: the caret the command began with and the changes Qt held then.
    int m_keptCaret = -1;
    int m_keptSteps = 0;
};
