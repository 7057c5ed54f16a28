#include "platform/richtext/MemberTable.h"

#include "platform/richtext/MemberId.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"


namespace {

using Getter = QVariant (*)(const RichTextEdit &);
using Setter = void (*)(RichTextEdit &, const QVariant &);

struct Entry {
    int id;
    Getter get;
    Setter set;
};

int pageValue(const RichTextEdit &e, int PageSetup::*field)
{
    return e.page()->pageSetup().*field;
}

void setPageValue(RichTextEdit &e, int PageSetup::*field, int value)
{
    PageSetup setup = e.page()->pageSetup();
    setup.*field = value;
    e.page()->setPageSetup(setup);
}

#define BOOL_ENTRY(ID, GET, SET) \
    {ID, [](const RichTextEdit &e) { return QVariant(e.GET() ? 1 : 0); }, \
     [](RichTextEdit &e, const QVariant &v) { e.SET(v.toInt() != 0); }}
#define INT_ENTRY(ID, GET, SET) \
    {ID, [](const RichTextEdit &e) { return QVariant(e.GET()); }, \
     [](RichTextEdit &e, const QVariant &v) { e.SET(v.toInt()); }}
#define PAGE_ENTRY(ID, FIELD) \
    {ID, [](const RichTextEdit &e) { return QVariant(pageValue(e, &PageSetup::FIELD)); }, \
     [](RichTextEdit &e, const QVariant &v) { setPageValue(e, &PageSetup::FIELD, v.toInt()); }}

const Entry entries[] = {
    BOOL_ENTRY(MemberId::Bold, bold, setBold),
    BOOL_ENTRY(MemberId::StrikeOut, strikeOut, setStrikeOut),
    BOOL_ENTRY(MemberId::Italic, italic, setItalic),
    BOOL_ENTRY(MemberId::Underline, underline, setUnderline),
    {MemberId::FontName, [](const RichTextEdit &e) { return QVariant(e.fontName()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFontName(v.toString()); }},
    {MemberId::FontSize, [](const RichTextEdit &e) { return QVariant(e.fontSize()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFontSize(v.toDouble()); }},
    INT_ENTRY(MemberId::ForeColor, foreColor, setForeColor),
    INT_ENTRY(MemberId::BackColor, backColor, setBackColor),
    INT_ENTRY(MemberId::Alignment, alignment, setAlignment),
    INT_ENTRY(MemberId::FrameLineWidth, frameLineWidth, setFrameLineWidth),
    INT_ENTRY(MemberId::FrameDistance, frameDistance, setFrameDistance),
    INT_ENTRY(MemberId::FrameStyle, frameStyle, setFrameStyle),
    INT_ENTRY(MemberId::ParaValue47, paraValue47, setParaValue47),
    INT_ENTRY(MemberId::LineSpacingPercent, lineSpacingPercent, setLineSpacingPercent),
    INT_ENTRY(MemberId::LineSpacingTwips, lineSpacingTwips, setLineSpacingTwips),
    INT_ENTRY(MemberId::IndentLeft, indentLeft, setIndentLeft),
    INT_ENTRY(MemberId::IndentFirstLine, indentFirstLine, setIndentFirstLine),
    INT_ENTRY(MemberId::IndentRight, indentRight, setIndentRight),
    INT_ENTRY(MemberId::SpaceBefore, spaceBefore, setSpaceBefore),
    INT_ENTRY(MemberId::SpaceAfter, spaceAfter, setSpaceAfter),
    INT_ENTRY(MemberId::ListKind, listKind, setListKind),
    PAGE_ENTRY(MemberId::PageWidth, width),
    PAGE_ENTRY(MemberId::PageHeight, height),
    PAGE_ENTRY(MemberId::MarginLeft, marginLeft),
    PAGE_ENTRY(MemberId::MarginTop, marginTop),
    PAGE_ENTRY(MemberId::MarginRight, marginRight),
    PAGE_ENTRY(MemberId::MarginBottom, marginBottom),
    {MemberId::Landscape,
     [](const RichTextEdit &e) { return QVariant(e.page()->pageSetup().landscape ? 1 : 0); },
     [](RichTextEdit &e, const QVariant &v) {
         PageSetup setup = e.page()->pageSetup();
         setup.landscape = v.toInt() != 0;
         e.page()->setPageSetup(setup);
     }},
    {MemberId::Text, [](const RichTextEdit &e) { return QVariant(e.text()); },
     [](RichTextEdit &e, const QVariant &v) { e.setText(v.toString()); }},
    INT_ENTRY(MemberId::SelStart, selStart, setSelStart),
    INT_ENTRY(MemberId::SelLength, selLength, setSelLength),
    {MemberId::SelText, [](const RichTextEdit &e) { return QVariant(e.selectedText()); },
     [](RichTextEdit &e, const QVariant &v) { e.setSelectedText(v.toString()); }},
    {MemberId::CurrentField, [](const RichTextEdit &e) { return QVariant(e.currentField()); },
     [](RichTextEdit &e, const QVariant &v) { e.setCurrentField(v.toInt()); }},
    {MemberId::FieldText, [](const RichTextEdit &e) { return QVariant(e.fieldText()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFieldText(v.toString()); }},
    {MemberId::FieldData, [](const RichTextEdit &e) { return QVariant(e.fieldData()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFieldData(v.toString()); }},
    {MemberId::FieldType, [](const RichTextEdit &e) { return QVariant(e.fieldType()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFieldType(v.toInt()); }},
    {MemberId::FieldAttrs, [](const RichTextEdit &e) { return QVariant(e.fieldAttrs()); },
     [](RichTextEdit &e, const QVariant &v) { e.setFieldAttrs(v.toInt()); }},
    INT_ENTRY(MemberId::EditMode, editMode, setEditMode),
};

const Entry *lookup(int id)
{
    for (const Entry &entry : entries) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

} // namespace

bool MemberTable::has(int id)
{
    return lookup(id) != nullptr;
}

QVariant MemberTable::get(const RichTextEdit &edit, int id)
{
    const Entry *entry = lookup(id);
    return entry ? entry->get(edit) : QVariant();
}

bool MemberTable::set(RichTextEdit &edit, int id, const QVariant &value)
{
    const Entry *entry = lookup(id);
    if (!entry)
        return false;
    entry->set(edit, value);
    return true;
}
