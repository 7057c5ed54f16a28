#include "support/ForeignFiles.h"

#include "platform/docx/ZipPackage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <climits>
#include <functional>
#include <utility>

#include <zlib.h>

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

QByteArray documentXml(const QByteArray &body)
{
    return "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
          "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
          "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
          "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
          "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
          "xmlns:w16se=\"http://schemas.microsoft.com/office/word/2015/wordml/symex\" "
          "xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\"><w:body>"
              + body + "</w:body></w:document>";
}

QByteArray docx(const QByteArray &body)
{
    return ZipPackage::write({{QStringLiteral("word/document.xml"), documentXml(body)}});
}

// The body with the picture as the package's image rId1.
QByteArray docxWithPicture(const QByteArray &body, const QByteArray &png)
{
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"), documentXml(body)},
         {QStringLiteral("word/_rels/document.xml.rels"),
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"i\" Target=\"media/image1.png\"/></Relationships>"},
         {QStringLiteral("word/media/image1.png"), png}});
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

QByteArray progressiveJpegHeader(int width, int height)
{
    auto be16 = [](int n) { return QByteArray(1, char(n >> 8)) + char(n & 0xFF); };
    auto segment = [&be16](char marker, const QByteArray &data) { return "\xFF" + QByteArray(1, marker) + be16(int(data.size()) + 2) + data; };
    QByteArray frame = "\x08" + be16(height) + be16(width) + "\x03";
    for (char id : {1, 2, 3})
        frame += QByteArray(1, id) + "\x11" + QByteArray(1, 0);
    QByteArray scan("\x03", 1);
    for (char id : {1, 2, 3})
        scan += QByteArray(1, id) + QByteArray(1, 0);
    scan += QByteArray(3, 0); // the first DC scan
    return "\xFF\xD8" + segment(char(0xDB), QByteArray(1, 0) + QByteArray(64, 1))
           + segment(char(0xC2), frame)
           + segment(char(0xC4), QByteArray(1, 0) + "\x01" + QByteArray(15, 0) + QByteArray(1, 0))
           + segment(char(0xDA), scan) + QByteArray(8, 0) + "\xFF\xD9";
}

QByteArray pngHeader(int width, int height, int depth)
{
    auto be32 = [](quint32 n) {
        return QByteArray(1, char(n >> 24)) + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF);
    };
    auto chunk = [&be32](const QByteArray &type, const QByteArray &data) {
        // CRC-32 of type and data, as PNG wants it.
        quint32 crc = 0xFFFFFFFF;
        for (char byte : type + data) {
            crc ^= uchar(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
        }
        return be32(quint32(data.size())) + type + data + be32(~crc);
    };
    QByteArray header = be32(quint32(width)) + be32(quint32(height)) + char(depth);
    header += QByteArray(4, 0); // grey, deflate, no filter, not interlaced
    // A few rows of zeros: the rest of the picture is missing.
    const QByteArray rows = qCompress(QByteArray(4096, 0)).mid(4);
    return "\x89PNG\r\n\x1A\n" + chunk("IHDR", header) + chunk("IDAT", rows) + chunk("IEND", QByteArray());
}

QByteArray pngOfRows(int width, int height, int depth, int colourType, const std::function<QByteArray(int)> &rowOf)
{
    auto be32 = [](quint32 n) {
        return QByteArray(1, char(n >> 24)) + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF);
    };
    auto chunk = [&be32](const QByteArray &type, const QByteArray &data) {
        const QByteArray both = type + data;
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(both.constData()), uInt(both.size())));
        return be32(quint32(data.size())) + both + be32(crc);
    };
    z_stream stream{};
    deflateInit(&stream, 9);
    QByteArray data;
    char out[64 * 1024];
    const char none = 0;
    const auto pack = [&](const char *bytes, qsizetype size, int flush) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes));
        stream.avail_in = uInt(size);
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, flush);
            data.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    };
    for (int y = 0; y < height; ++y) {
        const QByteArray row = rowOf(y);
        pack(&none, 1, Z_NO_FLUSH); // filter: none
        pack(row.constData(), row.size(), Z_NO_FLUSH);
    }
    pack(nullptr, 0, Z_FINISH);
    deflateEnd(&stream);
    const QByteArray header = be32(quint32(width)) + be32(quint32(height)) + char(depth) + char(colourType) + QByteArray(3, 0);
    return "\x89PNG\r\n\x1A\n" + chunk("IHDR", header) + chunk("IDAT", data) + chunk("IEND", QByteArray());
}

QByteArray deepPng(int width, int height)
{
    // Pixels of eight bytes each, of one half-transparent blue.
    QByteArray row(qsizetype(width) * 8, 0);
    for (qsizetype x = 0; x < width; ++x) {
        row[x * 8 + 4] = char(0xff);
        row[x * 8 + 6] = char(0x80);
    }
    return pngOfRows(width, height, 16, 6, [&row](int) { return row; });
}

QByteArray restoringGif(int width, int height)
{
    auto le16 = [](int n) { return QByteArray(1, char(n & 0xFF)) + char((n >> 8) & 0xFF); };
    QByteArray gif = "GIF89a" + le16(width) + le16(height) + QByteArray("\x80\x00\x00", 3) + QByteArray(6, 0);
    // A graphic control extension: the frame is restored to what was before it ("restore previous").
    gif += QByteArray("\x21\xF9\x04\x0C\x00\x00\x00\x00", 8);
    // The frame over the whole screen, its data a clear code and the end.
    gif += "\x2C" + le16(0) + le16(0) + le16(width) + le16(height) + QByteArray(1, 0);
    gif += QByteArray("\x02\x01\x2C\x00\x3B", 5);
    return gif;
}

namespace {

// A stream packed by gzip from the pieces `next` gives until it gives none.
QByteArray gzipOf(const std::function<QByteArray()> &next)
{
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray packed;
    QByteArray out(1 << 16, Qt::Uninitialized);
    for (bool more = true; more;) {
        QByteArray piece = next();
        more = !piece.isEmpty();
        stream.next_in = reinterpret_cast<Bytef *>(piece.data());
        stream.avail_in = uInt(piece.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out.data());
            stream.avail_out = uInt(out.size());
            deflate(&stream, more ? Z_NO_FLUSH : Z_FINISH);
            packed.append(out.constData(), out.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return packed;
}

const QByteArray SvgStart = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                            "width=\"20\" height=\"10\"><rect width=\"20\" height=\"10\" fill=\"red\"/>";

// Pieces of `total` bytes in all, `unit` repeated, between `start` and `end`.
QByteArray packedRepeating(const QByteArray &start, const QByteArray &unit, qint64 units, const QByteArray &end)
{
    const QByteArray chunk = unit.repeated(qMax<qsizetype>(1, (1 << 20) / unit.size()));
    const qint64 perChunk = chunk.size() / unit.size();
    int stage = 0;
    qint64 left = units;
    return gzipOf([&]() -> QByteArray {
        if (stage == 0) {
            stage = 1;
            return start;
        }
        if (left > 0) {
            const qint64 n = qMin(left, perChunk);
            left -= n;
            return n == perChunk ? chunk : unit.repeated(n);
        }
        if (stage == 1) {
            stage = 2;
            return end;
        }
        return QByteArray();
    });
}

} // namespace

QByteArray gzip(const QByteArray &bytes)
{
    bool given = false;
    return gzipOf([&]() { return std::exchange(given, true) ? QByteArray() : bytes; });
}

QByteArray packedElements(qint64 elements)
{
    return packedRepeating(SvgStart, "<g/>", elements, "</svg>");
}

QByteArray packedNested(int levels, int each, qint64 comment)
{
    QByteArray drawing = packedRepeating(SvgStart + "<!--", "a", comment, "--></svg>");
    for (int level = 0; level < levels; ++level) {
        const QByteArray within = "<image width=\"4\" height=\"4\" xlink:href=\"data:image/svg+xml;base64," + drawing.toBase64() + "\"/>";
        drawing = gzip(SvgStart + within.repeated(each) + "</svg>");
    }
    return drawing;
}

QByteArray lyingIcon()
{
    // The directory: one icon of 256 x 256 in 32 bits, at 22; there a PNG file's signature, header
    // and end.
    const QByteArray directory("\0\0\1\0\1\0" "\0\0\0\0\1\0\x20\0" "\x2d\0\0\0" "\x16\0\0\0", 22);
    const QByteArray png = pngHeader(INT_MAX, INT_MAX);
    // Without its data: the signature and IHDR (33 bytes), then IEND (the last 12).
    return directory + png.left(33) + png.right(12);
}

QByteArray htmlPictures(int pictures, const QByteArray &source)
{
    return "<html><body><p>text " + ("<img src=\"" + source + "\"> a ").repeated(pictures) + "</p><p>end</p></body></html>";
}

QByteArray docxPicture(const QByteArray &png)
{
    return docxPictures({png});
}

QByteArray docxPictures(const QList<QByteArray> &pictures)
{
    QByteArray body = "<w:p><w:r><w:t>picture</w:t></w:r>";
    QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    QList<QPair<QString, QByteArray>> entries;
    for (qsizetype i = 1; i <= pictures.size(); ++i) {
        const QByteArray n = number(int(i));
        body += "<w:r><w:drawing><wp:inline xmlns:wp=\"x\"><a:blip xmlns:a=\"y\" r:embed=\"rId" + n
                + "\"/></wp:inline></w:drawing></w:r>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"i\" Target=\"media/image" + n + ".png\"/>";
        entries.append({QStringLiteral("word/media/image%1.png").arg(i), pictures.at(i - 1)});
    }
    entries.prepend({QStringLiteral("word/_rels/document.xml.rels"), rels + "</Relationships>"});
    entries.prepend({QStringLiteral("word/document.xml"), documentXml(body + "</w:p>")});
    return ZipPackage::write(entries);
}

QByteArray rtfObject(const QByteArray &png)
{
    // As a word processor writes an embedded sheet: its class, name and data in groups of their own,
    // then what it shows.
    return "{\\rtf1\\ansi before {\\object\\objemb\\objw1500\\objh1500{\\*\\objclass Excel.Sheet.8}"
           "{\\*\\objname Sheet1}{\\*\\objdata 01050000020000000b0000004578636\\bin3 }}}c656c2e5368656574}"
           "{\\result {\\pard\\plain RESULT-TEXT " + rtfPicture(png, BlipUid) + "}}} after\\par}";
}

QByteArray docxObject(const QByteArray &png)
{
    // As Word writes an equation or a sheet: the shape of its preview, then the object's own data.
    return docxWithPicture(
        "<w:p><w:r><w:t xml:space=\"preserve\">before </w:t></w:r><w:r><w:object w:dxaOrig=\"600\" w:dyaOrig=\"450\">"
        "<v:shapetype id=\"_x0000_t75\" coordsize=\"21600,21600\" o:spt=\"75\" o:preferrelative=\"t\" filled=\"f\" stroked=\"f\">"
        "<v:stroke joinstyle=\"miter\"/><o:lock v:ext=\"edit\" aspectratio=\"t\"/></v:shapetype>"
        "<v:shape id=\"_x0000_i1025\" type=\"#_x0000_t75\" style=\"width:30pt;height:22.5pt\" o:ole=\"\">"
        "<v:imagedata r:id=\"rId1\" o:title=\"\"/></v:shape>"
        "<o:OLEObject Type=\"Embed\" ProgID=\"Equation.3\" ShapeID=\"_x0000_i1025\" DrawAspect=\"Content\" ObjectID=\"_1\" r:id=\"rId2\"/>"
        "</w:object></w:r><w:r><w:t xml:space=\"preserve\"> after</w:t></w:r></w:p>",
        png);
}

QByteArray docxVmlPicture(const QByteArray &png)
{
    return docxWithPicture(
        "<w:p><w:r><w:t xml:space=\"preserve\">before </w:t></w:r><w:r><w:pict>"
        "<v:shape id=\"_x0000_s1026\" type=\"#_x0000_t75\" alt=\"a picture\" style=\"position:absolute;width:0.5in;height:.375in\">"
        "<v:imagedata r:id=\"rId1\" o:title=\"p\"/></v:shape></w:pict></w:r><w:r><w:t xml:space=\"preserve\"> after</w:t></w:r></w:p>",
        png);
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

namespace {

QByteArray wordRun(const QByteArray &text)
{
    return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

QByteArray wordPara(const QByteArray &inner)
{
    return "<w:p>" + inner + "</w:p>";
}

QByteArray textBox(const QByteArray &text)
{
    return "<w:txbxContent>" + wordPara(wordRun(text)) + "</w:txbxContent>";
}

QByteArray boxShape(const QByteArray &text)
{
    return "<w:drawing><wp:anchor><wp:extent cx=\"914400\" cy=\"914400\"/><a:graphic><a:graphicData>"
           "<wps:wsp><wps:txbx>" + textBox(text) + "</wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing>";
}

QByteArray boxVml(const QByteArray &text)
{
    return "<w:pict><v:shape><v:textbox>" + textBox(text) + "</v:textbox></v:shape></w:pict>";
}

} // namespace

QList<TextCase> docxTextCases()
{
    const QByteArray ruby = "<w:r><w:ruby><w:rubyPr><w:rubyAlign w:val=\"distributeSpace\"/></w:rubyPr>"
                            "<w:rt><w:r><w:rPr><w:sz w:val=\"10\"/></w:rPr><w:t>かんじ</w:t></w:r></w:rt>"
                            "<w:rubyBase><w:r><w:t>漢字</w:t></w:r></w:rubyBase></w:ruby></w:r>";
    const QByteArray both = "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">" + boxShape("in box")
                            + "</mc:Choice><mc:Fallback>" + boxVml("in box") + "</mc:Fallback></mc:AlternateContent></w:r>";
    const QByteArray emoji = "<w:r><mc:AlternateContent><mc:Choice Requires=\"w16se\"><w16se:symEx w16se:font=\"Segoe UI Emoji\" "
                             "w16se:char=\"2615\"/></mc:Choice><mc:Fallback><w:t>\u2615</w:t></mc:Fallback></mc:AlternateContent></w:r>";
    const QByteArray controlledCell = "<w:sdt><w:sdtPr><w:alias w:val=\"c\"/></w:sdtPr><w:sdtContent><w:tc>"
                                      + wordPara(wordRun("cell")) + "</w:tc></w:sdtContent></w:sdt>";
    const QByteArray field = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
                             "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + wordRun("3") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    return {
        {"ruby", docx(wordPara(wordRun("前") + ruby + wordRun("後"))), QStringLiteral("前漢字（かんじ）後")},
        {"text box in alternative content", docx(wordPara(wordRun("anchor") + both + wordRun(" after")) + wordPara(wordRun("next"))),
         QStringLiteral("anchor after\nin box\nnext")},
        {"text box as a shape", docx(wordPara(wordRun("anchor") + "<w:r>" + boxVml("old box") + "</w:r>")),
         QStringLiteral("anchor\nold box")},
        {"text box in a cell", docx("<w:tbl><w:tr><w:tc>" + wordPara(wordRun("a") + "<w:r>" + boxShape("b") + "</w:r>") + "</w:tc></w:tr></w:tbl>"),
         QStringLiteral("a\nb")},
        {"choice needing more", docx(wordPara(wordRun("tea ") + emoji)), QStringLiteral("tea \u2615")},
        {"moved", docx(wordPara("<w:moveFrom>" + wordRun("old ") + "</w:moveFrom><w:moveTo>" + wordRun("moved") + "</w:moveTo>"
                                "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>")),
         QStringLiteral("moved")},
        {"symbols", docx(wordPara("<w:r><w:sym w:font=\"Wingdings\" w:char=\"F04A\"/><w:sym w:font=\"MS Mincho\" w:char=\"2605\"/>"
                                  "<w:sym w:char=\"zz\"/></w:r>")),
         QStringLiteral("\uF04A\u2605")},
        {"Symbol font", docx(wordPara("<w:r><w:t xml:space=\"preserve\">x </w:t><w:sym w:font=\"Symbol\" w:char=\"F061\"/>"
                                      "<w:sym w:font=\"Symbol\" w:char=\"F062\"/><w:sym w:font=\"symbol\" w:char=\"F0A3\"/>"
                                      "<w:sym w:font=\"Symbol\" w:char=\"f0d6\"/><w:sym w:font=\"Symbol\" w:char=\"F0AE\"/></w:r>")),
         QStringLiteral("x αβ≤√→")},
        {"hyphens", docx(wordPara("<w:r><w:t>co</w:t><w:noBreakHyphen/><w:t>op</w:t><w:softHyphen/><w:t>er</w:t></w:r>")),
         QStringLiteral("co\u2011op\u00ADer")},
        {"text direction", docx(wordPara("<w:dir w:val=\"rtl\">" + wordRun("\u05E9\u05DC\u05D5\u05DD") + "</w:dir><w:bdo w:val=\"ltr\">"
                                         "<w:smartTag w:element=\"place\"><w:smartTagPr/><w:customXml w:element=\"x\">"
                                         + wordRun(" tagged") + "</w:customXml></w:smartTag></w:bdo>")),
         QStringLiteral("\u05E9\u05DC\u05D5\u05DD tagged")},
        {"controls around rows and cells", docx("<w:tbl><w:tblPr/><w:sdt><w:sdtContent><w:tr>" + controlledCell
                                                + "<w:customXml w:element=\"y\"><w:tc>" + wordPara(wordRun("next")) + "</w:tc></w:customXml>"
                                                "</w:tr></w:sdtContent></w:sdt></w:tbl>"),
         QStringLiteral("cell\nnext")},
        {"unknown wrapper", docx(wordPara("<x:wrap xmlns:x=\"urn:example\"><x:inner>" + wordRun("wrapped") + "</x:inner></x:wrap>" + field)),
         QStringLiteral("wrapped3")},
    };
}

QByteArray rtfLibreOfficeJapanese()
{
    const QByteArray paragraph = "\\pard\\plain \\s0\\rtlch\\af10\\afs21\\alang1081 \\ltrch\\lang1033\\langfe1041\\hich\\af4\\loch"
                                 "\\nowidctlpar\\hyphpar0\\ltrpar\\cf0\\f4\\fs21\\lang1033\\kerning1\\dbch\\af6\\langfe1041\\ql\\ltrpar";
    return "{\\rtf1\\ansi\\deff4\\adeflang1025\n"
           "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f4\\fnil\\fprq0\\fcharset0 Liberation Serif;}"
           "{\\f6\\fnil\\fprq2\\fcharset0 Noto Sans CJK JP;}}\n"
           "{\\stylesheet{\\s0\\snext0\\rtlch\\af10\\afs21\\alang1081 \\ltrch\\lang1033\\langfe1041\\hich\\af4\\loch"
           "\\nowidctlpar\\f4\\fs21\\dbch\\af6\\langfe1041 Normal;}}"
           "{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2}\n"
           + paragraph + "{\\loch\nA}{\\rtlch\\ab \\ltrch\\dbch\\ab\\dbch\n\\u19978\\'3f\\u38263\\'3f}\n\\par "
           + paragraph + "{\\rtlch\\ai \\ltrch\\dbch\\ai\\dbch\n\\u26012\\'3f\\u20307\\'3f}\n\\par "
           + paragraph + "{\\rtlch\\afs24 \\ltrch\\loch\\fs24\\loch\n5,000}{\\rtlch\\afs24 \\ltrch\\dbch\\afs24\\dbch\n\\u20870\\'3f}\n"
           "\\par }";
}

QList<TextCase> rtfTextCases()
{
    const QByteArray japaneseFonts = "{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}{\\f3\\froman\\fcharset0 Times;}}";
    // Fonts of single-byte character sets in a Japanese document, as Word and WordPad write them.
    const QByteArray latinFonts = "\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 MS UI Gothic;}{\\f1\\fswiss\\fcharset0 Calibri;}"
                                  "{\\f2\\fswiss\\fcharset204 Arial;}{\\f3\\fswiss\\fcharset161 Arial;}}";
    return {
        {"double-byte under a Latin font",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}{\\f1\\fnil\\fcharset128 MS Mincho;}}"
         "\\pard\\plain\\rtlch\\af0\\ltrch\\loch\\f0\\hich\\af0\\dbch\\af1 \\'93\\'fa\\'96\\'7b abc\\par}",
         QStringLiteral("日本 abc")},
        {"932 document, Latin font",
         "{\\rtf1\\ansi\\ansicpg932\\deff0" + japaneseFonts + "\\pard{\\f3\\'a0}\\f0 \\'93\\'fa\\'96\\'7b\\par}",
         QStringLiteral("\u00A0日本")},
        {"932 document, Latin accent", "{\\rtf1\\ansi\\ansicpg932" + japaneseFonts + "\\f3 caf\\'e9\\par}", QStringLiteral("café")},
        {"Japanese font, 1252 document", "{\\rtf1\\ansi" + japaneseFonts + "\\f0 \\'93\\'fa\\'96\\'7b\\par}", QStringLiteral("日本")},
        {"932 document, fonts of no character set",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil MS Mincho;}{\\f1\\fnil Century;}}\\f1 \\'93\\'fa\\'96\\'7b abc\\par}",
         QStringLiteral("日本 abc")},
        {"932 document, Latin letters under a Latin font", "{\\rtf1\\ansi\\ansicpg932" + latinFonts + "\\f1 Pok\\'e9mon\\par}",
         QStringLiteral("Pokémon")},
        {"932 document, accents under a Latin font",
         "{\\rtf1\\ansi\\ansicpg932" + latinFonts + "\\f1 r\\'e9sum\\'e9 caf\\'e9 {\\f0 \\'93\\'fa\\'96\\'7b}\\par}",
         QStringLiteral("résumé café 日本")},
        {"932 document, Cyrillic font", "{\\rtf1\\ansi\\ansicpg932" + latinFonts + "\\f2 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par}",
         QStringLiteral("Привет")},
        {"932 document, Greek font", "{\\rtf1\\ansi\\ansicpg932" + latinFonts + "\\f3 \\'e1\\'e2\\'e3\\par}", QStringLiteral("αβγ")},
        {"932 document, code page over a Japanese character set",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f1\\fcharset128\\cpg1251 Arial;}}\\f1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par}",
         QStringLiteral("Привет")},
        {"932 document, unknown code page over a Latin character set",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f1\\fcharset0\\cpg99999 Calibri;}}\\f1 Pok\\'e9mon\\par}",
         QStringLiteral("Pokémon")},
        {"Word's Latin run beside a Japanese font",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}{\\f31505\\fnil\\fcharset128 MS Mincho;}"
         "{\\f31506\\froman\\fcharset0 Century;}}\\pard\\plain\\hich\\af31506\\dbch\\af31505\\loch\\f31506 Pok\\'e9mon "
         "{\\loch\\af31506\\hich\\af31506\\dbch\\f31505 \\'93\\'fa\\'96\\'7b}\\par}",
         QStringLiteral("Pokémon 日本")},
        {"UTF-8 document", "{\\rtf1\\ansi\\ansicpg65001 caf\\'c3\\'a9 \\'e6\\'97\\'a5\\'e6\\'9c\\'ac\\par}",
         QStringLiteral("café 日本")},
        {"UTF-8 document, font of no character set",
         "{\\rtf1\\ansi\\ansicpg65001\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0 \\'d0\\'9f\\'d1\\'80\\'d0\\'b8\\par}",
         QStringLiteral("При")},
        {"Mac Roman character set", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset77 Times;}}\\f1 caf\\'8e\\par}", QStringLiteral("café")},
        {"OEM character set", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset255 Terminal;}}\\f1 caf\\'82\\par}", QStringLiteral("café")},
        {"Symbol font",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}{\\f2\\froman\\fcharset2 Symbol;}}"
         "x {\\f2 \\'61\\'62\\'a3 p\\'b9\\'a5}{\\f2\\u-3999\\'61\\u-3998\\'62} \\'93\\'fa\\par}",
         QStringLiteral("x αβ≤ π≠∞αβ 日")},
        {"Wingdings", "{\\rtf1\\ansi{\\fonttbl{\\f3\\fnil\\fcharset2 Wingdings;}}x{\\f3 \\'4a J\\u-4022\\'4a}\\par}",
         QStringLiteral("x\uF04A \uF04A\uF04A")},
        {"1251 document", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par}", QStringLiteral("Привет")},
        {"charset 238", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset238 Arial;}}\\f1 \\'a3\\'f3d\\'9f\\par}", QStringLiteral("Łódź")},
        {"code page over charset", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset0\\cpg1253 Arial;}}\\f1 \\'e1\\'e2\\'e3\\par}", QStringLiteral("αβγ")},
        {"charset 161", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset161 Arial;}}\\f1 \\'e1\\'e2\\'e3\\par}", QStringLiteral("αβγ")},
        {"charset 162", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset162 Arial;}}\\f1 \\'f0\\'fe\\par}", QStringLiteral("ğş")},
        {"charset 177", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset177 David;}}\\f1 \\'f9\\'ec\\'e5\\'ed\\par}", QStringLiteral("שלום")},
        {"charset 178", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset178 Arial;}}\\f1 \\'d3\\'e1\\'c7\\'e3\\par}", QStringLiteral("سلام")},
        {"charset 186", "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset186 Arial;}}\\f1 \\'e0\\'e8\\par}", QStringLiteral("ąč")},
        {"874 document", "{\\rtf1\\ansi\\ansicpg874 \\'e4\\'b7\\'c2\\par}", QStringLiteral("ไทย")},
        {"936 document", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4\\par}", QStringLiteral("中文")},
        {"949 document", "{\\rtf1\\ansi\\ansicpg949 \\'c7\\'d1\\'b1\\'b9\\par}", QStringLiteral("한국")},
        {"950 document", "{\\rtf1\\ansi\\ansicpg950 \\'a4\\'a4\\'a4\\'e5\\par}", QStringLiteral("中文")},
        // Word's Japanese paragraph: each run opens with the direction words, the right-to-left font named
        // after \rtlch; the text stays double-byte in the font \dbch\af gave the paragraph.
        {"Japanese runs opening with direction words",
         "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2 Times New Roman;}"
         "{\\f31505\\fbidi \\froman\\fcharset128\\fprq1 MS Mincho;}{\\f31506\\fbidi \\froman\\fcharset0\\fprq2 Century;}"
         "{\\f31507\\fbidi \\froman\\fcharset0\\fprq2 Times New Roman;}}"
         "\\pard\\plain \\ltrpar\\qj \\rtlch\\fcs1 \\af31507\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe1041"
         "\\loch\\f31506\\hich\\af31506\\dbch\\af31505\\cgrid\\langnp1033\\langfenp1041 "
         "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\lang1041\\langfe1041\\langnp1041 \\'82\\'b1\\'82\\'ea\\'82\\'cd\\'93\\'fa\\'96\\'7b\\'8c\\'ea}"
         "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\lang1041\\langfe1041\\langnp1041 \\par }}",
         QStringLiteral("これは日本語")},
        {"Chinese associated font",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Times;}{\\f1\\fcharset134 SimSun;}}\\loch\\f0\\hich\\af0\\dbch\\af1 \\'d6\\'d0\\'ce\\'c4 x\\par}",
         QStringLiteral("中文 x")},
    };
}

QList<TextCase> htmlTextCases()
{
    auto page = [](const QByteArray &head, const QByteArray &text) {
        return "<html><head>" + head + "<title>t</title></head><body><p>" + text + "</p></body></html>";
    };
    const QByteArray eucJp = "\xC6\xFC\xCB\xDC\xB8\xEC";
    const QByteArray jis = "\x1B\x24\x42\x46\x7C\x4B\x5C\x38\x6C\x1B\x28\x42";
    const QByteArray sjis = "\x93\xFA\x96\x7B\x8C\xEA";
    const QByteArray utf8 = "日本語";
    const QString japanese = QStringLiteral("日本語");
    return {
        {"meta charset EUC-JP", page("<meta charset=\"EUC-JP\">", eucJp), japanese},
        {"http-equiv euc-jp", page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=euc-jp\">", eucJp), japanese},
        {"ISO-2022-JP", page("<meta http-equiv=\"content-type\" content=\"text/html;charset=iso-2022-jp\">", jis), japanese},
        {"Shift_JIS", page("<meta charset='Shift_JIS'>", sjis), japanese},
        {"windows-1251", page("<meta charset=windows-1251>", "\xCF\xF0\xE8\xE2\xE5\xF2"), QStringLiteral("Привет")},
        {"UTF-8 undeclared", page(QByteArray(), utf8), japanese},
        {"CP932 undeclared", page(QByteArray(), sjis), japanese},
        {"byte-order mark over the declaration", "\xEF\xBB\xBF" + page("<meta charset=\"Shift_JIS\">", utf8), japanese},
        {"unknown declaration", page("<meta charset=\"x-no-such-code\">", sjis), japanese},
        {"UTF-16 declared, UTF-8 written", page("<meta charset=\"utf-16\">", utf8), japanese},
        // The labels browsers read, whether iconv knows them or not, in any letter case.
        {"x-euc-jp", page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-euc-jp\">", eucJp), japanese},
        {"csEUCPkdFmtJapanese", page("<meta charset=\" csEUCPkdFmtJapanese\">", eucJp), japanese},
        {"x-sjis", page("<meta charset=\"X-SJIS\">", sjis), japanese},
        {"ms_kanji", page("<meta charset=\"ms_kanji\">", sjis), japanese},
        {"csISO2022JP", page("<meta charset=\"csISO2022JP\">", jis), japanese},
        {"XML declaration only", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?>\n" + page(QByteArray(), eucJp), japanese},
        {"XML declaration x-euc-jp", "<?xml version='1.0' encoding='x-euc-jp'?>" + page(QByteArray(), eucJp), japanese},
        {"meta over XML declaration", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?>" + page("<meta charset=\"Shift_JIS\">", sjis), japanese},
        // Ruby reads as the Word reader gives it; the parentheses a page gives in <rp> are kept, never doubled.
        {"ruby", page("<meta charset=\"utf-8\">", "前<ruby>漢字<rt>かんじ</rt></ruby>後"), QStringLiteral("前漢字（かんじ）後")},
        {"ruby with rp", page("<meta charset=\"utf-8\">", "前<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>後"),
         QStringLiteral("前漢字(かんじ)後")},
        {"ruby of each kanji, rt unclosed", page("<meta charset=\"utf-8\">", "<RUBY>漢<RT>かん<rb>字<rt>じ</RUBY>。"),
         QStringLiteral("漢（かん）字（じ）。")},
        {"ruby with markup in its reading", page("<meta charset=\"utf-8\">", "<ruby>漢字<rt><b>かん</b>じ<wbr></rt></ruby>"),
         QStringLiteral("漢字（かんじ）")},
        {"ruby unclosed at the end", page("<meta charset=\"utf-8\">", "<ruby>漢字<rt>かんじ"), QStringLiteral("漢字（かんじ）")},
        {"rt outside ruby", page("<meta charset=\"utf-8\">", "a <rt>b</rt> c"), QStringLiteral("a b c")},
    };
}

QList<WebEncodingCase> webEncodingCases()
{
    const QString russian = QStringLiteral("Привет");
    return {
        {"UTF-8", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC", QStringLiteral("café “q” €"),
         "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
        // A page cannot be UTF-16 and declare it in bytes read as ASCII: browsers read UTF-8.
        {"UTF-8", "\xE4\xB8\xAD\xE6\x96\x87", QStringLiteral("中文"), "unicodefffe utf-16be"},
        {"UTF-8", "\xE4\xB8\xAD\xE6\x96\x87", QStringLiteral("中文"),
         "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
        {"IBM866", "\x8F\xE0\xA8\xA2\xA5\xE2", russian, "866 cp866 csibm866 ibm866"},
        {"ISO-8859-2", "\xB1\xE6\xEA", QStringLiteral("ąćę"),
         "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
        {"ISO-8859-3", "\xA1\xBB", QStringLiteral("Ħğ"),
         "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
        {"ISO-8859-4", "\xA1\xE0", QStringLiteral("Ąā"),
         "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
        {"ISO-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", russian,
         "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
        {"ISO-8859-6", "\xC7\xE4", QStringLiteral("ال"),
         "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i "
         "iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
        {"ISO-8859-7", "\xE1\xE2\xE3", QStringLiteral("αβγ"),
         "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
         "iso_8859-7:1987 sun_eu_greek"},
        {"ISO-8859-8", "\xF9\xEC\xE5\xED", QStringLiteral("שלום"),
         "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
         "iso_8859-8:1988 visual"},
        {"ISO-8859-8", "\xF9\xEC\xE5\xED", QStringLiteral("שלום"), "csiso88598i iso-8859-8-i logical"},
        {"ISO-8859-10", "\xA1\xBF", QStringLiteral("Ąŋ"), "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
        {"ISO-8859-13", "\xE0\xFE", QStringLiteral("ąž"), "iso-8859-13 iso8859-13 iso885913"},
        {"ISO-8859-14", "\xA1\xA2", QStringLiteral("Ḃḃ"), "iso-8859-14 iso8859-14 iso885914"},
        {"ISO-8859-15", "\xA4\xBD", QStringLiteral("€œ"), "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
        {"ISO-8859-16", "\xA4\xAA", QStringLiteral("€Ș"), "iso-8859-16"},
        {"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", russian, "cskoi8r koi koi8 koi8-r koi8_r"},
        {"KOI8-U", "\xA4\xA6", QStringLiteral("єі"), "koi8-ru koi8-u"},
        {"MACINTOSH", "\x8E\xA5", QStringLiteral("é•"), "csmacintosh mac macintosh x-mac-roman"},
        {"WINDOWS-874", "\xA1\x80", QStringLiteral("ก€"), "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
        {"CP1250", "\x8A\xB9", QStringLiteral("Šą"), "cp1250 windows-1250 x-cp1250"},
        {"CP1251", "\xCF\xF0\xE8\xE2\xE5\xF2", russian, "cp1251 windows-1251 x-cp1251"},
        {"CP1252", "caf\xE9 \x93q\x94 \x80", QStringLiteral("café “q” €"),
         "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
         "iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
        // In a page, x-user-defined is read as windows-1252.
        {"CP1252", "caf\xE9 \x80", QStringLiteral("café €"), "x-user-defined"},
        {"CP1253", "\xE1\xA2", QStringLiteral("αΆ"), "cp1253 windows-1253 x-cp1253"},
        {"CP1254", "\xF0\xFE\x80", QStringLiteral("ğş€"),
         "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 windows-1254 "
         "x-cp1254"},
        {"CP1255", "\xF9\xEC\xE5\xED\x80", QStringLiteral("שלום€"), "cp1255 windows-1255 x-cp1255"},
        {"CP1256", "\xC7\xE1", QStringLiteral("ال"), "cp1256 windows-1256 x-cp1256"},
        {"CP1257", "\xE0\xFE\x80", QStringLiteral("ąž€"), "cp1257 windows-1257 x-cp1257"},
        {"CP1258", "\x80\xC3", QStringLiteral("€Ă"), "cp1258 windows-1258 x-cp1258"},
        {"MAC-CYRILLIC", "\x8F\xF0\xE8\xE2\xE5\xF2\xA2", russian + QStringLiteral("Ґ"), "x-mac-cyrillic x-mac-ukrainian"},
        // GBK-only characters too: browsers read every GB2312 label as GBK.
        {"GB18030", "\xD6\xD0\xCE\xC4\xE9\x46", QStringLiteral("中文镕"),
         "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk gb18030"},
        {"BIG5-HKSCS", "\xA4\xA4\xA4\xE5", QStringLiteral("中文"), "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
        {"EUC-JP", "\xC6\xFC\xCB\xDC\xB8\xEC", QStringLiteral("日本語"), "cseucpkdfmtjapanese euc-jp x-euc-jp"},
        {"ISO-2022-JP", "\x1B\x24\x42\x46\x7C\x4B\x5C\x38\x6C\x1B\x28\x42", QStringLiteral("日本語"), "csiso2022jp iso-2022-jp"},
        {"CP932", "\x93\xFA\x96\x7B\x8C\xEA", QStringLiteral("日本語"),
         "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
        // Windows' Korean code page, which holds every Hangul syllable.
        {"CP949", "\xC7\xD1\xB1\xB9\xBE\xEE\x81\x41", QStringLiteral("한국어갂"),
         "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949"},
    };
}

QByteArray htmlDeclaring(const QByteArray &label, const QByteArray &text)
{
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + label
           + "\"><title>t</title></head><body><p>" + text + "</p></body></html>";
}

QByteArray docxListOf(const QList<QByteArray> &items)
{
    const QByteArray w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    QByteArray body;
    for (const QByteArray &item : items)
        body += "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr><w:r><w:t>" + item
                + "</w:t></w:r></w:p>";
    return ZipPackage::write(
        {{QStringLiteral("word/document.xml"),
          "<w:document " + w + "><w:body>" + body + docxText("end") + "</w:body></w:document>"},
         {QStringLiteral("word/_rels/document.xml.rels"),
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering\" Target=\"numbering.xml\"/>"
          "</Relationships>"},
         {QStringLiteral("word/numbering.xml"),
          "<w:numbering " + w + "><w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
          "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
          "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>"}});
}

QByteArray docxList(int items)
{
    QList<QByteArray> texts;
    for (int i = 1; i <= items; ++i)
        texts << "Item " + number(i);
    return docxListOf(texts);
}

QByteArray rtfList(int items)
{
    QByteArray rtf = "{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}}"
                     "\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\n";
    for (int i = 1; i <= items; ++i)
        rtf += "\\pard\\ls1 Item " + number(i) + "\\par\n";
    return rtf + "\\pard end\\par}";
}

QByteArray htmlList(int items)
{
    QByteArray html = "<html><body><ol>\n";
    for (int i = 1; i <= items; ++i)
        html += "<li>Item " + number(i) + "</li>\n";
    return html + "</ol><p>end</p></body></html>";
}

QByteArray docxEmptyTables(int tables, int rows, int columns)
{
    const QByteArray row = "<w:tr>" + QByteArray("<w:tc><w:p/></w:tc>").repeated(columns) + "</w:tr>";
    const QByteArray table = "<w:tbl>" + row.repeated(rows) + "</w:tbl><w:p/>";
    return docx(table.repeated(tables));
}

QByteArray htmlEmptyTables(int tables, int rows, int columns)
{
    const QByteArray row = "<tr>" + QByteArray("<td></td>").repeated(columns) + "</tr>";
    const QByteArray table = "<table>" + row.repeated(rows) + "</table><p></p>";
    return "<html><body>" + table.repeated(tables) + "</body></html>";
}

namespace {
QByteArray letters(qsizetype count)
{
    const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyz";
    return alphabet.repeated(count / alphabet.size() + 1).left(count);
}
} // namespace

QByteArray docxWord(qsizetype count)
{
    return docx(docxText(letters(count)) + docxText("end"));
}

QByteArray rtfWord(qsizetype count)
{
    return "{\\rtf1\\ansi\\pard " + letters(count) + "\\par\n\\pard end\\par}";
}

QByteArray htmlWord(qsizetype count)
{
    return "<html><body><p>" + letters(count) + "</p><p>end</p></body></html>";
}

QByteArray hebrewWord(qsizetype count)
{
    QByteArray word;
    word.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i)
        word += QString(QChar(0x05D0 + int(i % 27))).toUtf8();
    return word;
}

QByteArray docxListWord(const QByteArray &word)
{
    return docxListOf({word});
}

QByteArray htmlNestedLists(int depth)
{
    QByteArray html = "<html><body>";
    for (int i = 0; i < depth; ++i)
        html += "<ul><li>L" + number(i);
    for (int i = 0; i < depth; ++i)
        html += "</li></ul>";
    return html + "<p>end</p></body></html>";
}

QByteArray htmlNestedElements(const QByteArray &start, const QByteArray &end, int depth)
{
    QByteArray html = "<html><body>";
    for (int i = 0; i < depth; ++i)
        html += start + "L" + number(i) + " ";
    return html + end.repeated(depth) + "<p>end</p></body></html>";
}

QByteArray rtfEmptyTables(int tables, int rows, int columns)
{
    // The rows after a table's first take its cells' edges, as RTF readers keep a row's definition.
    QByteArray edges = "\\trowd";
    for (int c = 1; c <= columns; ++c)
        edges += "\\cellx" + number(c * 100);
    const QByteArray row = "\\pard\\intbl" + QByteArray("\\cell").repeated(columns) + "\\row\n";
    return "{\\rtf1\\ansi " + (edges + row.repeated(rows) + "\\pard\\par\n").repeated(tables) + "}";
}

} // namespace ForeignFiles
