#pragma once

#include <QTextFormat>

// The page document model and the conventions that every reader and writer of it follows.
//
// A page is a PageDocument: the main text plus up to four header/footer parts (PartFlag), each a
// QTextDocument, the page setup in twips, a store of picture bytes, and the text frames. Everything
// that QTextDocument has no notion of is carried as user properties of its formats, listed below, so a
// serialiser that writes every QTextFormat with its properties (and the texts, tables and resources)
// loses nothing.
//
// Positions: every part reads as one character per caret position (see PositionCode). The document's
// own buffer already has exactly one character per position; text() maps them:
//   U+2029 paragraph separator -> 10, or 12 when the next block starts a new page (PageBreak_AlwaysBefore),
//                                 or 11 when the next block continues the paragraph (LineBreakBlock),
//                                 or a space or letter when it continues it after a parted one
//   U+2028 line separator      -> 11
//   U+FFFC object character    -> 1  (a picture or a text frame anchor)
//   U+FDD0 / U+FDD1            -> 7  (table and cell boundaries: structure, never removed by a text edit)
// The final paragraph separator of a QTextDocument is not part of the text.
//
// Fields: a field is the characters whose char formats carry the same FieldId (> 0), spanning from the
// first to the last of them (a picture inserted inside a field splits its run, not the field).
// FieldType, FieldData and FieldAttrs are on every character that carries the id. Ids are unique within
// the PageDocument (all parts) and are renumbered when text is inserted from another page (PageInsert).
//
// Pictures: an image character (QTextImageFormat) names a picture by QTextImageFormat::name(); the bytes
// and their format live in the PageDocument's picture store under that name, the only source of images
// for every part (PartDocument). ObjectId, PictureLayout, PictureScale, PictureFile and PictureStored
// are on the image format. A floating picture (layout > 0) is inserted with
// QTextCursor::insertImage(format, position), which gives the character an ObjectIndex of a hidden float
// frame: writers drop ObjectIndex and rebuild with PageDocument::insertPicture(), which reads the layout.
// The four Frame*Dist distances are kept on pictures too.
//
// Text frames: each frame's text is its own QTextDocument held by the PageDocument under the frame's
// object id. In the part that holds it, the frame is one object character whose char format has
// objectType() == TextFrameObject and carries ObjectId and the Frame* geometry below.
//
// Tables: QTextTable in any part; the table format carries ObjectId. Cell formats are ordinary
// QTextTableCellFormat values (plus the CellAttr map where a role needs it).
//
// Lengths: QTextFormat lengths are pixels at 96 dpi; callers speak twips (1 px = 15 twips), so indents,
// spacing, fixed line heights and picture sizes convert with that factor and read back exact.
//
// Blocks carry the paragraph values the formats have no field for (Block*), and BlockStyle, the user
// style index last applied (-1 none), so callers need not guess a style back from indents.
namespace TextProps {

enum Property {
    // Fields (on QTextCharFormat)
    FieldId = QTextFormat::UserProperty + 1,    // int > 0
    FieldType = QTextFormat::UserProperty + 2,  // int (1 link, 2 other; 0 = not reported)
    FieldData = QTextFormat::UserProperty + 3,  // QString
    FieldAttrs = QTextFormat::UserProperty + 4, // int (edit attributes, member 124)

    // Objects: pictures, text frame anchors and tables
    ObjectId = QTextFormat::UserProperty + 10,  // int > 0, unique within the PageDocument

    // Pictures (on QTextImageFormat; size in the image format's width/height, pixels at 96 dpi)
    PictureLayout = QTextFormat::UserProperty + 20, // int: 0 in the line, 1-3 positioned (wrap mode)
    PictureScale = QTextFormat::UserProperty + 21,  // int percent, 100 when absent
    PictureFile = QTextFormat::UserProperty + 22,   // QString: file the picture came from
    PictureStored = QTextFormat::UserProperty + 23, // bool: "data stored" flag; bytes are stored always
    PictureAlt = QTextFormat::UserProperty + 24,    // QString: the alternative text of a document file's picture

    // Text frame anchors (on the anchor's QTextCharFormat; lengths in twips). The four distances are
    // kept on pictures too.
    FrameDistLeft = QTextFormat::UserProperty + 30,
    FrameDistTop = QTextFormat::UserProperty + 31,
    FrameDistRight = QTextFormat::UserProperty + 32,
    FrameDistBottom = QTextFormat::UserProperty + 33,
    FrameMode = QTextFormat::UserProperty + 34,     // int: insertion mode as given by the caller
    FrameHeight = QTextFormat::UserProperty + 35,
    FrameWidth = QTextFormat::UserProperty + 36,
    FrameX = QTextFormat::UserProperty + 37,
    FrameY = QTextFormat::UserProperty + 38,
    FrameBorder = QTextFormat::UserProperty + 39,   // int: border width as given (10th argument)
    FrameExtra = QTextFormat::UserProperty + 40,    // int: 11th argument, kept
    FrameBackground = QTextFormat::UserProperty + 41, // int COLORREF, absent = none

    // Paragraph values without a QTextBlockFormat field (on QTextBlockFormat)
    BlockFrameLineWidth = QTextFormat::UserProperty + 50, // member 17
    BlockFrameDistance = QTextFormat::UserProperty + 51,  // member 18
    BlockFrameStyle = QTextFormat::UserProperty + 52,     // member 19 (7936 when absent)
    BlockValue47 = QTextFormat::UserProperty + 53,        // member 47
    BlockStyle = QTextFormat::UserProperty + 54,          // int user style index, -1 / absent none
    StyleChosen = QTextFormat::UserProperty + 62,         // true: the user gave the paragraph its style
    LineBreakBlock = QTextFormat::UserProperty + 55,      // a line of a long paragraph (LineBlocks): true, or
                                                          // the int code of the space or letter it was
                                                          // parted at
    HeldTopMargin = QTextFormat::UserProperty + 58,       // the space before, first-line indent and space
    HeldTextIndent = QTextFormat::UserProperty + 59,      // after of a long paragraph held in blocks, on
    HeldBottomMargin = QTextFormat::UserProperty + 61,    // each block that does not lay them out
                                                          // (LineBlocks); never stored
    HeldIndent = QTextFormat::UserProperty + 63,          // int: the indent of a list item held in blocks,
                                                          // on each block after its first, which lays out
                                                          // outside the list at its text (LineBlocks);
                                                          // never stored
    HeldRightToLeft = QTextFormat::UserProperty + 64,     // a block after the first of a long paragraph,
                                                          // parted in a right-to-left word, that lays out
                                                          // right to left, leaving its letter's room at
                                                          // the right (LineBlocks): int, the levels of
                                                          // indent it has as its left margin; never stored
    HeldLeftMargin = QTextFormat::UserProperty + 65,      // the paragraph's own left margin on such a block,
                                                          // which adds that indent to it; never stored
    CopiedList = QTextFormat::UserProperty + 57,          // int: the list an item being copied rejoins
                                                          // (PageInsert); never stored

    // Table cells (on QTextTableCellFormat)
    CellAttr = QTextFormat::UserProperty + 60,      // QVariantMap attribute number -> value (member 129)
};

// What a block of a long paragraph held in blocks keeps of its place in it (LineBlocks); a block
// without any of them is a paragraph of its own as stored.
inline constexpr int HeldProperties[] = {LineBreakBlock, HeldTopMargin,   HeldTextIndent, HeldBottomMargin,
                                         HeldIndent,     HeldRightToLeft, HeldLeftMargin};

// objectType() of a text frame anchor character.
enum ObjectType { TextFrameObject = QTextFormat::UserObject + 1 };

// Object kinds as the editor asks for them (members 102, 200).
enum ObjectKind { AnyKind = 0, PictureKind = 4, TextFrameKind = 32 };

// Header/footer parts (member 140 bits); the main text is part 0.
enum PartFlag { MainPart = 0, HeaderAll = 1, HeaderFirst = 2, FooterAll = 4, FooterFirst = 8 };
inline constexpr int PartFlags[] = {HeaderAll, HeaderFirst, FooterAll, FooterFirst};

// Characters of the position model.
enum PositionCode { ObjectCode = 1, StructureCode = 7, ParagraphCode = 10, LineBreakCode = 11,
                    PageBreakCode = 12 };

inline constexpr int DefaultBlockFrameStyle = 7936;

} // namespace TextProps
