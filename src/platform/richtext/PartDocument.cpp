#include "platform/richtext/PartDocument.h"

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PartLayout.h"
#include "platform/richtext/PartList.h"

#include <QFont>
#include <QTextCursor>
#include <QTextOption>
#include <QUrl>

PartDocument::PartDocument(PageDocument *page, int partFlag, int frameId)
    : QTextDocument(page), m_page(page), m_partFlag(partFlag), m_frameId(frameId)
{
    setUndoRedoEnabled(true);
    // Paragraphs run left to right: the layout need not read every paragraph's text to find its
    // direction each time a change moves the paragraphs below it.
    QTextOption option = defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    setDefaultTextOption(option);
    setLayoutEnabled(page->isLayoutEnabled());
    // Without Latin ligatures: a PDF's text gives "ffi" as the ligature character where the glyph of one
    // stands for the letters. Qt shapes without them where a letter spacing is set, and 100 % changes
    // no width; the screen, the printout and the PDF stay laid out alike.
    QFont font = defaultFont();
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    setDefaultFont(font);
    setDocumentLayout(new PartLayout(this));
    page->attachTo(this);
    connect(this, &QTextDocument::undoCommandAdded, this, [this] {
        ++m_undoLevels;
        m_redoLevels = 0;
    });
    // Stacks cleared by anyone (loaders switch undo off and on) end the counts.
    connect(this, &QTextDocument::undoAvailable, this, [this](bool available) {
        if (!available)
            m_undoLevels = 0;
    });
    connect(this, &QTextDocument::redoAvailable, this, [this](bool available) {
        if (!available)
            m_redoLevels = 0;
    });
}

// Qt may also undo through its own shortcuts; availability then keeps the counts honest.
int PartDocument::undoLevels() const
{
    return isUndoAvailable() ? qMax(1, m_undoLevels) : 0;
}

int PartDocument::redoLevels() const
{
    return isRedoAvailable() ? qMax(1, m_redoLevels) : 0;
}

bool PartDocument::undoLevel(QTextCursor *cursor)
{
    if (!isUndoAvailable())
        return false;
    takeStepCaret();
    undo(cursor);
    caretOfStep(cursor);
    m_undoLevels = isUndoAvailable() ? qMax(1, m_undoLevels - 1) : 0;
    ++m_redoLevels;
    return true;
}

bool PartDocument::redoLevel(QTextCursor *cursor)
{
    if (!isRedoAvailable())
        return false;
    takeStepCaret();
    redo(cursor);
    caretOfStep(cursor);
    m_redoLevels = isRedoAvailable() ? qMax(1, m_redoLevels - 1) : 0;
    ++m_undoLevels;
    return true;
}

int PartDocument::takeStepCaret()
{
    const int caret = m_stepCaret < characterCount() ? m_stepCaret : -1;
    m_stepCaret = -1;
    return caret;
}

void PartDocument::caretOfStep(QTextCursor *cursor)
{
    const int caret = takeStepCaret();
    if (cursor && caret >= 0)
        cursor->setPosition(caret);
}

void PartDocument::clearUndo()
{
    const bool modified = isModified();
    clearUndoRedoStacks();
    m_undoLevels = m_redoLevels = 0;
    // Qt keeps the point of the history where the text was last stored (setModified(false)); with
    // the history gone an edit can come back to it only if the text is there now.
    setModified(!modified);
    setModified(modified);
}

void PartDocument::clear()
{
    QTextDocument::clear();
    m_undoLevels = m_redoLevels = 0;
}

QTextObject *PartDocument::createObject(const QTextFormat &format)
{
    if (format.isListFormat())
        return new PartList(this);
    return QTextDocument::createObject(format);
}

QVariant PartDocument::loadResource(int type, const QUrl &name)
{
    if (type != QTextDocument::ImageResource)
        return QVariant();
    const QImage image = m_page->pictureImage(name.toString());
    return image.isNull() ? QVariant() : QVariant(image);
}
