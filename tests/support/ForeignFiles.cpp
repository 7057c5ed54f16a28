#include "support/ForeignFiles.h"

#include "platform/docx/ZipPackage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <functional>

namespace ForeignFiles {

namespace {

QByteArray number(int n)
{
    return QByteArray::number(n);
}

QByteArray docxText(const QByteArray &text)
{
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

QByteArray docxGrid(int rows, int columns, const std::function<QByteArray(int, int)> &cell)
{
    QByteArray xml = "<w:tbl>";
    for (int r = 0; r < rows; ++r) {
        xml += "<w:tr>";
        for (int c = 0; c < columns; ++c)
            xml += cell(r, c);
        xml += "</w:tr>";
    }
    return docx(xml + "</w:tbl>");
}

QByteArray docxLevel(int level, int depth, int side)
{
    QByteArray xml = "<w:tbl>";
    for (int r = 0; r < side; ++r) {
        xml += "<w:tr>";
        for (int c = 0; c < side; ++c) {
            xml += "<w:tc>";
            if (r == 0 && c == 0) {
                xml += docxText("L" + number(level));
                if (level + 1 < depth)
                    xml += docxLevel(level + 1, depth, side) + "<w:p/>";
            } else {
                xml += docxText("L" + number(level) + " " + number(r) + "," + number(c));
            }
            xml += "</w:tc>";
        }
        xml += "</w:tr>";
    }
    return xml + "</w:tbl>";
}

// RTF numbers its levels from 1; the cells of nested tables end with \nestcell, their rows with the
// row's properties in a \nesttableprops group.
QByteArray rtfLevel(int level, int depth, int side)
{
    const QByteArray itap = "\\pard\\intbl\\itap" + number(level) + " ";
    const QByteArray cellEnd = itap + (level > 1 ? "\\nestcell " : "\\cell ");
    QByteArray edges = "\\trowd";
    for (int c = 1; c <= side; ++c)
        edges += "\\cellx" + number(c * 2000);
    QByteArray rtf;
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            if (r == 0 && c == 0) {
                rtf += itap + "L" + number(level - 1) + "\\par ";
                if (level < depth)
                    rtf += rtfLevel(level + 1, depth, side);
                rtf += cellEnd;
            } else {
                rtf += itap + "L" + number(level - 1) + " " + number(r) + "," + number(c) + cellEnd;
            }
        }
        rtf += level > 1 ? "{\\*\\nesttableprops" + edges + "\\nestrow}" : edges + "\\row ";
        rtf += "\n";
    }
    return rtf;
}

QByteArray hex(const QByteArray &bytes)
{
    QByteArray out;
    const QByteArray all = bytes.toHex();
    for (qsizetype i = 0; i < all.size(); i += 128)
        out += all.mid(i, 128) + "\n";
    return out;
}

} // namespace

QByteArray docx(const QByteArray &body)
{
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"),
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>"
              + body + "</w:body></w:document>"}});
}

QByteArray docxNested(int depth, int side)
{
    return docx(docxLevel(0, depth, side) + docxText("end"));
}

QByteArray rtfNested(int depth, int side)
{
    return "{\\rtf1\\ansi " + rtfLevel(1, depth, side) + "\\pard end\\par}";
}

QByteArray htmlNested(int depth)
{
    QByteArray html = "<html><body>";
    for (int i = 0; i < depth; ++i)
        html += "<table border=\"1\"><tr><td>L" + number(i);
    for (int i = 0; i < depth; ++i)
        html += "</td></tr></table>";
    return html + "<p>end</p></body></html>";
}

QByteArray htmlIndentedLines(int lines)
{
    QByteArray html = "<html><body><div>";
    for (int i = 0; i < lines; ++i)
        html += "\xE3\x80\x80\xE8\xA1\x8C " + number(i) + "<br />\n";
    return html + "</div></body></html>";
}

QByteArray htmlUnclosed(int tags)
{
    QByteArray html = "<html><body><p>";
    for (int i = 0; i < tags; ++i)
        html += "<font size=\"" + number(i % 7 + 1) + "\">t";
    return html + "end</p></body></html>";
}

QByteArray htmlLinks(int links)
{
    QByteArray html = "<html><body><p>";
    for (int i = 0; i < links; ++i)
        html += "<a href=\"https://example.com/" + number(i) + "\">l" + number(i) + "</a> ";
    return html + "</p></body></html>";
}

QByteArray docxNotes(int notes)
{
    const QByteArray w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    QByteArray body;
    QByteArray footnotes;
    for (int i = 0; i < notes; ++i) {
        body += "<w:p><w:r><w:t>P" + number(i) + "</w:t></w:r><w:r><w:footnoteReference w:id=\"" + number(i) + "\"/></w:r></w:p>";
        footnotes += "<w:footnote w:id=\"" + number(i) + "\">" + docxText("N" + number(i)) + "</w:footnote>";
    }
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"), "<w:document " + w + "><w:body>" + body + "</w:body></w:document>"},
         {QStringLiteral("word/_rels/document.xml.rels"),
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footnotes\" Target=\"footnotes.xml\"/>"
          "</Relationships>"},
         {QStringLiteral("word/footnotes.xml"), "<w:footnotes " + w + ">" + footnotes + "</w:footnotes>"}});
}

QByteArray rtfNotes(int notes)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < notes; ++i)
        rtf += "\\pard P" + number(i) + "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} N" + number(i) + "}\\par\n";
    return rtf + "}";
}

QByteArray docxTable(int rows, int columns)
{
    return docxGrid(rows, columns, [](int r, int c) { return "<w:tc>" + docxText(number(r) + "," + number(c)) + "</w:tc>"; });
}

QByteArray rtfTable(int rows, int columns)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd";
        for (int c = 1; c <= columns; ++c)
            rtf += "\\cellx" + number(c * 1000);
        for (int c = 0; c < columns; ++c)
            rtf += "\\pard\\intbl " + number(r) + "," + number(c) + "\\cell";
        rtf += "\\row\n";
    }
    return rtf + "}";
}

QByteArray docxMergedColumns(int rows, int columns, int run)
{
    if (run <= 0)
        run = rows;
    return docxGrid(rows, columns, [run](int r, int c) {
        return r % run == 0 ? "<w:tc><w:tcPr><w:vMerge w:val=\"restart\"/></w:tcPr>" + docxText("C" + number(c)) + "</w:tc>"
                            : QByteArray("<w:tc><w:tcPr><w:vMerge/></w:tcPr><w:p/></w:tc>");
    });
}

QByteArray rtfMergedColumns(int rows, int columns)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd";
        for (int c = 1; c <= columns; ++c)
            rtf += (r == 0 ? "\\clvmgf\\cellx" : "\\clvmrg\\cellx") + number(c * 1000);
        for (int c = 0; c < columns; ++c)
            rtf += "\\pard\\intbl " + (r == 0 ? "C" + number(c) : QByteArray()) + "\\cell";
        rtf += "\\row\n";
    }
    return rtf + "}";
}

QByteArray htmlMergedColumns(int rows, int columns)
{
    QByteArray html = "<html><body><table border=\"1\"><tr>";
    for (int c = 0; c < columns; ++c)
        html += "<td rowspan=\"" + number(rows) + "\">C" + number(c) + "</td>";
    html += "</tr>" + QByteArray("<tr></tr>").repeated(rows - 1);
    return html + "</table></body></html>";
}

QByteArray rtfOwnEdges(int rows, int cells, const QByteArray &tail)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd";
        for (int c = 1; c <= cells; ++c)
            rtf += "\\cellx" + number((r * cells + c) * 2);
        rtf += "\\pard\\intbl";
        for (int c = 0; c < cells; ++c)
            rtf += " x\\cell";
        rtf += "\\row\n";
    }
    return rtf + tail + "}";
}

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::darkCyan);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray blankPng(int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    image.fill(1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray docxPicture(const QByteArray &png)
{
    const QByteArray body = "<w:p><w:r><w:t>picture</w:t></w:r><w:r><w:drawing><wp:inline xmlns:wp=\"x\">"
                            "<a:blip xmlns:a=\"y\" r:embed=\"rId1\"/></wp:inline></w:drawing></w:r></w:p>";
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"),
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>"
              + body + "</w:body></w:document>"},
         {QStringLiteral("word/_rels/document.xml.rels"),
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"i\" Target=\"media/image1.png\"/></Relationships>"},
         {QStringLiteral("word/media/image1.png"), png}});
}

QByteArray rtfPicture(const QByteArray &png, int groups)
{
    // As a word processor writes it: the picture's properties and its identifier inside \pict.
    QByteArray rtf = "{\\pict";
    if (groups & PicProp)
        rtf += "{\\*\\picprop\\shplid1025{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn wzName}{\\sv Picture 1}}"
               "{\\sp{\\sn wzDescription}{\\sv a picture}}}";
    rtf += "\\pngblip\\picw100\\pich100\\picwgoal1500\\pichgoal1500";
    if (groups & BlipUid)
        rtf += "{\\*\\blipuid 0123456789abcdef0123456789abcdef}";
    return rtf + "\n" + hex(png) + "}";
}

QByteArray rtfBook(int chapters, int paragraphs, int pictures)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}"
                     "{\\stylesheet{\\s0 Normal;}{\\s1\\b\\fs32 heading 1;}}"
                     "{\\*\\generator AbiWord;}\n";
    const QByteArray text = "The quick brown fox jumps over the lazy dog; a sentence of the book that goes on a "
                            "little longer, as the sentences of books do, so that the lines fill. ";
    int placed = 0;
    for (int ch = 0; ch < chapters; ++ch) {
        rtf += "\\pard\\plain\\s1\\b\\fs32 Chapter " + number(ch + 1) + "\\par\n";
        for (int p = 0; p < paragraphs; ++p) {
            rtf += "\\pard\\plain\\fs24 " + text + text;
            if (p == 0)
                rtf += "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Note of chapter " + number(ch + 1) + ".}";
            rtf += "\\par\n";
        }
        // The pictures as evenly over the chapters as they go.
        while (placed < pictures && placed * chapters < (ch + 1) * pictures) {
            rtf += "\\pard\\plain " + rtfPicture(png(100 + placed, 100), BlipUid | PicProp) + "\\par\n";
            ++placed;
        }
    }
    return rtf + "}";
}

} // namespace ForeignFiles
