#pragma once

#include <QTextDocument>

class PageDocument;

// One part of a page document (main text, a header/footer, a text frame's text). Images come only
// from the page document's picture store: a name in foreign bytes never reaches the file system.
class PartDocument : public QTextDocument
{
    Q_OBJECT
public:
    PartDocument(PageDocument *page, int partFlag, int frameId = 0);

    PageDocument *page() const { return m_page; }
    int partFlag() const { return m_partFlag; }  // TextProps::PartFlag; MainPart for frames too
    int frameId() const { return m_frameId; }    // > 0 for a text frame's text

    // Undo levels as the user sees them: one per edit block or merged typing run (Qt's own counts are
    // of single edits).
    int undoLevels() const;
    int redoLevels() const;
    bool undoLevel(QTextCursor *cursor);
    bool redoLevel(QTextCursor *cursor);
    void clearUndo();
    // Where the step last undone or redone asks the caret to go (UndoCaret); -1 where it does not.
    // Taking it forgets it.
    void setStepCaret(int caret) { m_stepCaret = caret; }
    int takeStepCaret();
    void clear() override;

protected:
    QVariant loadResource(int type, const QUrl &name) override;
    QTextObject *createObject(const QTextFormat &format) override;

private:
    void caretOfStep(QTextCursor *cursor);

    PageDocument *m_page;
    int m_partFlag;
    int m_frameId;
    int m_undoLevels = 0;
    int m_redoLevels = 0;
    int m_stepCaret = -1;
};
