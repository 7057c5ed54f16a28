#include "platform/rtf/RtfWriter.h"

#include "platform/docx/FlowBuilder.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectChars.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/TextProps.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <utility>

using namespace TextProps;

namespace {

constexpr int TwipsPerPixel = 15;

QByteArray num(double pixels)
{
    return QByteArray::number(qRound(pixels * TwipsPerPixel));
}

class Writer
{
public:
    explicit Writer(const PageDocument &page) : m_page(page) {}
    QByteArray document();

private:
    void writeFrame(QTextFrame *frame, int depth);
    void writeTable(QTextTable *table, int depth);
    // `end` closes the paragraph: "\par", "\cell" or "\nestcell".
    void writeBlock(const QTextBlock &block, int depth, const QByteArray &end);
    void writeText(const QString &text);
    void writeCharFormat(const QTextCharFormat &f);
    void writePicture(const QTextImageFormat &f);
    void writeListText(const QTextBlock &block);
    QByteArray listTables() const;
    void writeParts();
    int fontIndex(const QString &family);
    int colourIndex(const QColor &colour);

    const PageDocument &m_page;
    QByteArray m_out;
    QStringList m_fonts;
    QList<QRgb> m_colours;
    Flow::ListNumbering m_lists;
};

int Writer::fontIndex(const QString &family)
{
    int i = int(m_fonts.indexOf(family));
    if (i < 0) {
        m_fonts << family;
        i = int(m_fonts.size()) - 1;
    }
    return i + 1; // \f0 is the document's default font
}

int Writer::colourIndex(const QColor &colour)
{
    const QRgb rgb = colour.rgb() & 0xFFFFFF;
    int i = int(m_colours.indexOf(rgb));
    if (i < 0) {
        m_colours << rgb;
        i = int(m_colours.size()) - 1;
    }
    return i + 1; // entry 0 is the automatic colour
}

void Writer::writeText(const QString &text)
{
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            m_out += '\\';
            m_out += char(u);
        } else if (u == '\t') {
            m_out += "\\tab ";
        } else if (u == QChar::LineSeparator || u == 11 || u == '\n' || u == '\r') {
            m_out += "\\line ";
        } else if (u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter
                   || u == QChar::ParagraphSeparator || u < 32) {
            // Structure marks and control characters.
        } else if (u < 128) {
            m_out += char(u);
        } else {
            m_out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
}

// A run's group starts from the paragraph's plain character format (\pard\plain); no \plain of its own,
// which some readers take as the end of the paragraph's properties too.
void Writer::writeCharFormat(const QTextCharFormat &f)
{
    const qsizetype start = m_out.size();
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        m_out += "\\f" + QByteArray::number(fontIndex(families.first()));
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        m_out += "\\fs" + QByteArray::number(qRound(f.fontPointSize() * 2));
    if (f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::DemiBold)
        m_out += "\\b";
    if (f.fontItalic())
        m_out += "\\i";
    if (f.fontUnderline())
        m_out += "\\ul";
    if (f.fontStrikeOut())
        m_out += "\\strike";
    if (f.foreground().style() != Qt::NoBrush)
        m_out += "\\cf" + QByteArray::number(colourIndex(f.foreground().color()));
    if (f.background().style() != Qt::NoBrush)
        m_out += "\\chcbpat" + QByteArray::number(colourIndex(f.background().color()));
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        m_out += "\\super";
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        m_out += "\\sub";
    // The blank ends the last control word.
    if (m_out.size() > start)
        m_out += ' ';
}

void Writer::writePicture(const QTextImageFormat &f)
{
    const QString name = f.name();
    if (!m_page.hasPicture(name))
        return;
    QByteArray bytes = m_page.pictureBytes(name);
    QByteArray format = m_page.pictureFormat(name).toLower();
    const QImage image = m_page.pictureImage(name);
    if (format != "png" && format != "jpeg" && format != "jpg") {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return;
        bytes = buffer.data();
        format = "png";
    }
    const double width = f.width() > 0 ? f.width() : image.width();
    const double height = f.height() > 0 ? f.height() : image.height();
    m_out += "{\\pict" + QByteArray(format == "png" ? "\\pngblip" : "\\jpegblip")
        + "\\picw" + QByteArray::number(image.width()) + "\\pich" + QByteArray::number(image.height())
        + "\\picwgoal" + num(width) + "\\pichgoal" + num(height) + '\n';
    const QByteArray hex = bytes.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        m_out += hex.mid(i, 128) + '\n';
    m_out += '}';
}

void Writer::writeBlock(const QTextBlock &block, int depth, const QByteArray &end)
{
    const QTextBlockFormat f = block.blockFormat();
    m_out += "\\pard\\plain";
    if (depth > 0)
        m_out += "\\intbl\\itap" + QByteArray::number(depth);
    writeListText(block);
    const int style = f.hasProperty(BlockStyle) ? f.intProperty(BlockStyle) : -1;
    if (style >= 0 && style <= 2)
        m_out += "\\s" + QByteArray::number(style + 1) + "\\outlinelevel" + QByteArray::number(style);
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        m_out += "\\pagebb";
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        m_out += a & Qt::AlignHCenter ? "\\qc" : a & Qt::AlignRight ? "\\qr" : a & Qt::AlignJustify ? "\\qj" : "\\ql";
    }
    if (f.leftMargin() != 0)
        m_out += "\\li" + num(f.leftMargin());
    if (f.rightMargin() != 0)
        m_out += "\\ri" + num(f.rightMargin());
    if (f.textIndent() != 0)
        m_out += "\\fi" + num(f.textIndent());
    if (f.topMargin() > 0)
        m_out += "\\sb" + num(f.topMargin());
    if (f.bottomMargin() > 0)
        m_out += "\\sa" + num(f.bottomMargin());
    // A negative height is exact, a positive one a minimum (a paragraph holding a picture).
    if (f.lineHeightType() == QTextBlockFormat::FixedHeight && f.lineHeight() > 0)
        m_out += "\\sl-" + num(f.lineHeight()) + "\\slmult0";
    else if (f.lineHeightType() == QTextBlockFormat::MinimumHeight && f.lineHeight() > 0)
        m_out += "\\sl" + num(f.lineHeight()) + "\\slmult0";
    m_out += '\n';
    QList<int> frames;
    QList<ObjectChars::Piece> pieces;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        pieces << ObjectChars::pieces(it.fragment());
    // A picture or a frame's anchor for its object character only: text in its format is text.
    for (const ObjectChars::Piece &piece : std::as_const(pieces)) {
        const QTextCharFormat &cf = piece.format;
        if (piece.object) {
            if (cf.isImageFormat())
                writePicture(cf.toImageFormat());
            else
                frames << cf.intProperty(ObjectId);
            continue;
        }
        const bool link = cf.intProperty(FieldId) > 0 && cf.intProperty(FieldType) == 1;
        if (link) {
            QString data = cf.stringProperty(FieldData);
            data.replace(QLatin1Char('"'), QStringLiteral("%22"));
            m_out += "{\\field{\\*\\fldinst{HYPERLINK \"";
            writeText(data);
            m_out += "\"}}{\\fldrslt";
        }
        m_out += '{';
        writeCharFormat(cf);
        writeText(piece.text);
        m_out += '}';
        if (link)
            m_out += "}}";
    }
    m_out += end + '\n';
    // Text frames follow their anchor's paragraph.
    for (int id : frames) {
        if (QTextDocument *doc = m_page.frameDocument(id)) {
            const LineBlocks::Joined joined(doc);
            for (QTextBlock b = joined.document()->begin(); b.isValid(); b = b.next())
                writeBlock(b, depth, depth > 0 ? QByteArray("\\par") : end);
        }
    }
}

// A list item names its list and level and carries the text of its number or bullet for readers
// that know no lists.
void Writer::writeListText(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    const int number = m_lists.idOf(list);
    if (number == 0)
        return;
    const int level = qBound(0, list->format().indent() - 1, 8);
    m_out += "\\ls" + QByteArray::number(number) + "\\ilvl" + QByteArray::number(level)
        + "\\li" + QByteArray::number(420 * (level + 1)) + "\\fi-420{\\listtext\\pard\\plain ";
    if (m_lists.numbered(number))
        writeText(list->itemText(block));
    else
        m_out += "\\u8226?";
    m_out += "\\tab}";
}

QByteArray Writer::listTables() const
{
    if (m_lists.count() == 0)
        return {};
    QByteArray lists = "{\\*\\listtable";
    QByteArray overrides = "{\\*\\listoverridetable";
    for (int i = 0; i < m_lists.count(); ++i) {
        const QByteArray id = QByteArray::number(i + 1);
        lists += "\n{\\list\\listtemplateid" + id + "\\listhybrid";
        for (int level = 0; level < 9; ++level) {
            const QByteArray nfc = QByteArray::number(Flow::rtfNumberFormat(m_lists.style(i + 1)));
            lists += m_lists.numbered(i + 1)
                ? "{\\listlevel\\levelnfc" + nfc + "\\levelnfcn" + nfc + "\\leveljc0\\levelstartat1{\\leveltext\\'02\\'0"
                      + QByteArray::number(level) + ".;}{\\levelnumbers\\'01;}"
                : QByteArray("{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc0\\levelstartat1{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}");
            lists += "\\fi-420\\li" + QByteArray::number(420 * (level + 1)) + '}';
        }
        lists += "\\listid" + id + '}';
        overrides += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + '}';
    }
    return lists + "}\n" + overrides + "}\n";
}

void Writer::writeFrame(QTextFrame *frame, int depth)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child))
                writeTable(table, depth + 1);
            else
                writeFrame(child, depth);
        } else {
            writeBlock(it.currentBlock(), depth, "\\par");
        }
    }
}

void Writer::writeTable(QTextTable *table, int depth)
{
    const QList<int> widths = Flow::columnWidths(table, m_page.pageSetup().textWidth());
    const int columns = table->columns();
    const QByteArray cellEnd = depth == 1 ? "\\cell" : "\\nestcell";
    for (int r = 0; r < table->rows(); ++r) {
        QByteArray def = "\\trowd\\trgaph70";
        int edge = 0;
        for (int c = 0; c < columns;) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int span = qMax(1, cell.columnSpan());
            for (int k = c; k < c + span && k < columns; ++k)
                edge += widths.at(k);
            if (cell.row() != r)
                def += "\\clvmrg";
            else if (cell.rowSpan() > 1)
                def += "\\clvmgf";
            const QBrush background = cell.format().background();
            if (background.style() != Qt::NoBrush)
                def += "\\clcbpat" + QByteArray::number(colourIndex(background.color()));
            def += "\\cellx" + QByteArray::number(edge);
            c += span;
        }
        if (depth == 1)
            m_out += def + '\n';
        for (int c = 0; c < columns;) {
            const QTextTableCell cell = table->cellAt(r, c);
            c += qMax(1, cell.columnSpan());
            if (cell.row() != r) {
                m_out += "\\pard\\plain\\intbl\\itap" + QByteArray::number(depth) + cellEnd + '\n';
                continue;
            }
            // The cell's last paragraph closes the cell.
            QList<QTextFrame::iterator> items;
            for (auto it = cell.begin(); !it.atEnd(); ++it)
                items << it;
            for (qsizetype i = 0; i < items.size(); ++i) {
                if (QTextFrame *child = items.at(i).currentFrame()) {
                    if (auto *inner = qobject_cast<QTextTable *>(child))
                        writeTable(inner, depth + 1);
                    else
                        writeFrame(child, depth);
                } else {
                    writeBlock(items.at(i).currentBlock(), depth, i + 1 == items.size() ? cellEnd : QByteArray("\\par"));
                }
            }
        }
        if (depth == 1)
            m_out += def + "\\row\n";
        else
            m_out += "{\\*\\nesttableprops" + def + "\\nestrow}{\\nonesttables\\par}\n";
    }
}

// Headers and footers; a first page of its own shows what the page shows on its first page: the
// ordinary header or footer where the page has no first-page one.
void Writer::writeParts()
{
    const int flags = m_page.partFlags();
    const bool titlePage = flags & (HeaderFirst | FooterFirst);
    const std::pair<int, const char *> parts[] = {{HeaderAll, "header"},
                                                  {titlePage ? PageRenderer::headerFlagOn(flags, 1) : 0, "headerf"},
                                                  {FooterAll, "footer"},
                                                  {titlePage ? PageRenderer::footerFlagOn(flags, 1) : 0, "footerf"}};
    for (const auto &[flag, word] : parts) {
        // Flag 0 is no part (part(0) would be the main text).
        QTextDocument *doc = flag ? m_page.part(flag) : nullptr;
        if (doc) {
            m_out += "{\\" + QByteArray(word) + '\n';
            const LineBlocks::Joined joined(doc);
            writeFrame(joined.document()->rootFrame(), 0);
            m_out += "}\n";
        }
    }
}

QByteArray Writer::document()
{
    const PageSetup &setup = m_page.pageSetup();
    QByteArray head = "\\paperw" + QByteArray::number(setup.width) + "\\paperh" + QByteArray::number(setup.height)
        + "\\margl" + QByteArray::number(setup.marginLeft) + "\\margr" + QByteArray::number(setup.marginRight)
        + "\\margt" + QByteArray::number(setup.marginTop) + "\\margb" + QByteArray::number(setup.marginBottom);
    if (setup.landscape)
        head += "\\landscape";
    if (m_page.part(HeaderFirst) || m_page.part(FooterFirst))
        head += "\\titlepg";
    head += '\n';
    writeParts();
    QByteArray body = std::exchange(m_out, QByteArray());
    const LineBlocks::Joined joined(m_page.main());
    writeFrame(joined.document()->rootFrame(), 0);
    body += m_out;

    QByteArray out = "{\\rtf1\\ansi\\ansicpg932\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset128 Default;}";
    for (int i = 0; i < m_fonts.size(); ++i) {
        m_out.clear();
        writeText(m_fonts.at(i));
        out += "{\\f" + QByteArray::number(i + 1) + "\\fnil\\fcharset128 " + m_out + ";}";
    }
    out += "}\n{\\colortbl;";
    for (QRgb rgb : m_colours)
        out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) + "\\blue"
            + QByteArray::number(qBlue(rgb)) + ';';
    out += "}\n{\\stylesheet{\\s0 Normal;}";
    for (int level = 0; level < 3; ++level)
        out += "{\\s" + QByteArray::number(level + 1) + "\\outlinelevel" + QByteArray::number(level)
            + " heading " + QByteArray::number(level + 1) + ";}";
    out += "}\n" + listTables() + head + body + "}\n";
    return out;
}

} // namespace

QByteArray RtfWriter::pageBytes(const PageDocument &page)
{
    return Writer(page).document();
}

bool RtfWriter::writePage(const PageDocument &page, const QString &path)
{
    return Flow::writeWholeFile(path, pageBytes(page));
}
