// Fields: runs of text that carry a type, data and attributes.
#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"



using namespace TextProps;

// ---- fields

int RichTextEdit::insertField(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const int id = m_page->newFieldId();
    m_cursor.beginEditBlock();
    removeSelection();
    QTextCharFormat format = FieldRuns::typingFormat(m_cursor);
    format.setProperty(FieldId, id);
    format.setProperty(FieldType, 0);
    format.setProperty(FieldData, QString());
    format.setProperty(FieldAttrs, 0);
    PositionText::insertText(m_cursor, text, format);
    m_cursor.endEditBlock();
    syncFromCursor();
    prepareTyping(m_cursor);
    m_currentField = id;
    m_lostFieldStart = -1;
    return id;
}

int RichTextEdit::currentField() const
{
    return m_currentField;
}

bool RichTextEdit::setCurrentField(int id)
{
    if (!FieldRuns::find(document(), id).isValid())
        return false;
    m_currentField = id;
    m_lostFieldStart = -1;
    return true;
}

QString RichTextEdit::fieldText() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    return range.isValid() ? text().mid(range.start, range.end - range.start) : QString();
}

bool RichTextEdit::setFieldText(const QString &newText)
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    QTextCharFormat format;
    int start;
    int end;
    if (range.isValid()) {
        start = range.start;
        end = range.end;
        format = FieldRuns::format(document(), m_currentField);
    } else if (m_currentField > 0 && m_lostFieldStart >= 0) {
        start = end = qMin(m_lostFieldStart, textLength());
        format = m_lostFieldFormat;
    } else {
        return false;
    }
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    PositionText::removeRange(cursor, start, end);
    PositionText::insertText(cursor, newText, format);
    cursor.endEditBlock();
    if (newText.isEmpty()) {
        m_lostFieldStart = start;
        m_lostFieldFormat = format;
    } else {
        m_lostFieldStart = -1;
    }
    return true;
}

int RichTextEdit::fieldStart() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (range.isValid())
        return range.start + 1;
    return m_lostFieldStart >= 0 ? m_lostFieldStart + 1 : 0;
}

int RichTextEdit::fieldEnd() const
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (range.isValid())
        return range.end;
    return m_lostFieldStart >= 0 ? m_lostFieldStart : 0;
}

void RichTextEdit::setFieldProperty(int id, int property, const QVariant &value)
{
    QTextCharFormat f;
    f.setProperty(property, value);
    if (!FieldRuns::mergeInto(document(), id, f) && id == m_currentField && m_lostFieldStart >= 0)
        m_lostFieldFormat.setProperty(property, value);
}

int RichTextEdit::fieldType() const
{
    return FieldRuns::format(document(), m_currentField).intProperty(FieldType);
}

bool RichTextEdit::setFieldType(int type)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldType, type);
    return true;
}

QString RichTextEdit::fieldData() const
{
    return FieldRuns::format(document(), m_currentField).stringProperty(FieldData);
}

bool RichTextEdit::setFieldData(const QString &data)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldData, data);
    return true;
}

int RichTextEdit::fieldAttrs() const
{
    return FieldRuns::format(document(), m_currentField).intProperty(FieldAttrs);
}

bool RichTextEdit::setFieldAttrs(int attrs)
{
    if (m_currentField <= 0)
        return false;
    setFieldProperty(m_currentField, FieldAttrs, attrs);
    return true;
}

int RichTextEdit::nextField(int after) const
{
    const QList<FieldRuns::Range> fields = FieldRuns::all(document());
    if (after == 0)
        return fields.isEmpty() ? 0 : fields.first().id;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).id == after)
            return i + 1 < fields.size() ? fields.at(i + 1).id : 0;
    }
    return 0;
}

bool RichTextEdit::deleteField(bool withText)
{
    const FieldRuns::Range range = FieldRuns::find(document(), m_currentField);
    if (!range.isValid())
        return false;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (withText)
        PositionText::removeRange(cursor, range.start, range.end);
    else
        FieldRuns::unmark(document(), range);
    cursor.endEditBlock();
    m_currentField = 0;
    m_lostFieldStart = -1;
    return true;
}

int RichTextEdit::fieldAt(int position) const
{
    return FieldRuns::at(document(), position);
}

int RichTextEdit::fieldAtCaret() const
{
    const int pos = m_cursor.position();
    if (const int after = fieldAt(pos))
        return after;
    return pos > 0 ? fieldAt(pos - 1) : 0;
}
