#pragma once

// The numeric member ids through which the editor drives its rich-text component, by role. Where the
// editor's procedures pass ids around (a list of attribute ids, a field walk), they use these names;
// RichTextEdit::member()/setMember() map the attribute ids onto its named methods. An id that carries
// two roles in different callers has one name per role with the same value.
namespace MemberId {

enum : int {
    Bold = 6,
    StrikeOut = 7,          // "a further style flag"
    FontName = 8,
    FontSize = 9,           // points
    Italic = 10,
    Underline = 11,
    PageWidth = 12,         // twips
    PageHeight = 13,
    Text = 15,              // whole text of the current part
    Alignment = 16,         // 0 left, 1 right, 2 centre
    FrameLineWidth = 17,    // paragraph frame values
    FrameDistance = 18,
    FrameStyle = 19,
    MarginLeft = 22,
    MarginTop = 23,
    MarginRight = 24,
    MarginBottom = 25,
    DrawTarget = 26,
    ControlChars = 27,
    SelLength = 30,         // -1 = to the end
    SelStart = 31,          // 0-based
    SelText = 32,
    ViewMode = 37,          // 0 normal, 2 page view
    Zoom = 39,
    CurrentField = 40,
    FieldText = 43,
    ParaValue47 = 47,
    LineSpacingPercent = 48,
    ViewZoom = 49,
    PictureFile = 52,
    LineSpacingTwips = 53,
    ObjectCount = 54,       // read: number of objects
    CurrentObject = 54,     // write: make an object current
    EditMode = 65,
    DrawMode = 66,
    CanUndo = 68,
    CanRedo = 69,
    PageCount = 70,
    FieldStart = 73,        // 1-based first character
    FieldEnd = 74,          // 1-based last character
    IndentLeft = 75,
    IndentFirstLine = 76,
    IndentRight = 77,
    SpaceBefore = 78,
    SpaceAfter = 79,
    BackColor = 80,         // COLORREF
    DrawPage = 83,
    ParagraphDialog = 84,
    FontDialog = 85,
    Undo = 87,
    Redo = 88,
    Clipboard = 90,         // 1 cut, 2 copy, 3 paste, 4 delete
    InsertField = 95,
    DeleteField = 96,
    LoadFile = 99,
    SaveFile = 100,
    SelectObject = 101,     // as an object is clicked
    DeleteObject = 101,     // as the object routines remove it
    NextObject = 102,
    ObjectSize = 103,
    InsertTable = 108,
    DeleteTableRows = 109,
    CanInsertTable = 110,
    CanDeleteRow = 111,
    TableDialog = 114,
    GridLines = 115,
    TableColumns = 117,
    TableRows = 118,
    CellText = 119,
    TableAtCaret = 120,
    ColumnAtCaret = 121,
    RowAtCaret = 122,
    FieldAttrs = 124,
    NextField = 125,
    LoadBytes = 127,
    SaveBytes = 128,
    CellAttribute = 129,
    Find = 130,
    CellStart = 132,
    CellLength = 133,
    CaretPosition = 136,    // page, line, column of the caret
    ListValues = 136,       // list level of the paragraph (styles)
    HeaderFooter = 137,
    HeaderFooterEdit = 138,
    HeaderFooterFlags = 140,
    FieldData = 142,
    FieldAtPoint = 144,     // with a position: field under the mouse
    FieldType = 144,
    FieldAtCaret = 145,
    ClearText = 147,
    CanCopy = 151,
    CanPaste = 152,
    ListKind = 155,         // 1 = no list
    ListDialog = 156,
    DeleteColumns = 158,
    InsertRows = 159,
    InsertColumn = 160,
    CanDeleteColumn = 161,
    CanInsertColumn = 162,
    CanInsertRow = 163,
    CanSplitTable = 184,
    SplitTable = 185,
    InsertOle = 194,
    InsertFrame = 197,
    RemoveObject = 198,
    SelectFrame = 199,      // 0 = main text
    CurrentObjectOfKind = 200,
    FrameBackground = 201,
    FrameValue202 = 202,
    InsertPositionedPicture = 206,
    InsertPicture = 207,    // (file, -1, 100, 100): in the line
    InsertScaledPicture = 207, // (scale, scale, -1, file): in the line, with a scale
    PageSetupDialog = 220,
    Landscape = 225,
    ForeColor = -513,       // COLORREF
    Refresh = -550,
};

} // namespace MemberId
