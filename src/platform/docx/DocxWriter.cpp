#include "platform/docx/DocxWriter.h"

#include "platform/docx/DocxNames.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectChars.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/TextProps.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QHash>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

using namespace TextProps;

namespace {

constexpr int TwipsPerPixel = 15;   // lengths of the model are pixels at 96 dpi
constexpr int EmuPerPixel = 9525;

QString hexColour(const QColor &c)
{
    return QStringLiteral("%1%2%3").arg(c.red(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0')).arg(c.blue(), 2, 16, QLatin1Char('0')).toUpper();
}

void writeShading(QXmlStreamWriter &w, const QColor &fill)
{
    w.writeEmptyElement(QStringLiteral("w:shd"));
    w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("clear"));
    w.writeAttribute(QStringLiteral("w:color"), QStringLiteral("auto"));
    w.writeAttribute(QStringLiteral("w:fill"), hexColour(fill));
}

QString twips(double pixels)
{
    return QString::number(qRound(pixels * TwipsPerPixel));
}

using Rel = DocxNames::Relationship;

// One XML part of the package being written (the body, a header or footer) with its relationships.
struct PartOut {
    QByteArray xml;
    QXmlStreamWriter w{&xml};
    QList<Rel> rels;

    QString addRel(const QString &type, const QString &target, bool external = false)
    {
        for (const Rel &r : rels) {
            if (r.type == type && r.target == target && r.external == external)
                return r.id;
        }
        const QString id = QStringLiteral("rId%1").arg(rels.size() + 10);
        rels.append({id, type, target, external});
        return id;
    }
};

struct Section {
    PageSetup setup;
    QString header[2];   // default, first: relationship ids
    QString footer[2];
};

} // namespace

struct DocxWriter::Private {
    LinkResolver resolver;
    PartOut body;
    QList<QPair<QString, QByteArray>> parts;   // headers, footers, media (name in the package)
    QList<QPair<QString, QList<Rel>>> partRels;
    QHash<QByteArray, QString> mediaByHash;
    bool haveSection = false;
    bool anyContent = false;
    Section section;
    int nextDrawing = 1;
    int nextBookmark = 1;
    int nextHeaderFooter = 1;
    int pageNumberSize = 0;   // half-points of the page-number footer; 0: the pages' own footers
    bool pageNumberWritten = false;
    Flow::ListNumbering lists;

    // Per page being written
    const PageDocument *page = nullptr;
    QString pendingBookmark;
    int headingShift = 0;
    bool boldStyle = false;   // the paragraph being written has a bold style (a heading)

    // The table of contents: its place in the body and the headings it lists.
    struct Entry {
        int level;
        QString text, bookmark;
    };
    bool contentsWanted = false;
    QList<Entry> contents;

    void writeFrame(PartOut &out, QTextFrame *frame);
    void writeTable(PartOut &out, QTextTable *table);
    void writeBlock(PartOut &out, const QTextBlock &block, const QString &framePr = QString());
    void writeRuns(PartOut &out, const QTextBlock &block, QList<int> &frames);
    void writeRun(PartOut &out, const ObjectChars::Piece &piece, QList<int> &frames);
    void writeRunProps(QXmlStreamWriter &w, const QTextCharFormat &f, bool hyperlink);
    void writeText(QXmlStreamWriter &w, const QTextCharFormat &f, const QString &text, bool hyperlink);
    void writePicture(PartOut &out, const QTextImageFormat &f);
    QString mediaTarget(const QString &pictureName);
    void writeSectPr(QXmlStreamWriter &w, const Section &s) const;
    void writeListProps(QXmlStreamWriter &w, const QTextBlock &block);
    QByteArray numberingPart() const;
    QString writeHeaderFooter(bool header, QTextDocument *doc);
    void writeFirstPageParts(const PageDocument &page);
    QString writePageNumberFooter();
    void startBookmark(QXmlStreamWriter &w, const QString &name, int &id);
    int headingLevel(const QTextBlockFormat &f) const;
    QString noteHeading(int level, const QString &text);
    QByteArray contentsXml() const;
};

namespace {
const QByteArray ContentsMark = QByteArrayLiteral("<!--contents-->");
constexpr int DeepestHeading = 6;
}

DocxWriter::DocxWriter() : d(std::make_unique<Private>())
{
    d->body.w.setAutoFormatting(false);
}

DocxWriter::~DocxWriter() = default;

void DocxWriter::setLinkResolver(LinkResolver resolver)
{
    d->resolver = std::move(resolver);
}

void DocxWriter::Private::startBookmark(QXmlStreamWriter &w, const QString &name, int &id)
{
    id = nextBookmark++;
    w.writeStartElement(QStringLiteral("w:bookmarkStart"));
    w.writeAttribute(QStringLiteral("w:id"), QString::number(id));
    w.writeAttribute(QStringLiteral("w:name"), name);
    w.writeEndElement();
}

void DocxWriter::addHeading(int level, const QString &text, const QString &bookmark)
{
    QXmlStreamWriter &w = d->body.w;
    w.writeStartElement(QStringLiteral("w:p"));
    if (level > 0) {
        w.writeStartElement(QStringLiteral("w:pPr"));
        w.writeEmptyElement(QStringLiteral("w:pStyle"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Heading%1").arg(qMin(level, 3)));
        w.writeEndElement();
    }
    int id = 0;
    if (!bookmark.isEmpty())
        d->startBookmark(w, bookmark, id);
    int entry = 0;
    const QString entryMark = level > 0 ? d->noteHeading(qMin(level, 3), text) : QString();
    if (!entryMark.isEmpty())
        d->startBookmark(w, entryMark, entry);
    d->writeText(w, QTextCharFormat(), text, false);
    for (int open : {entry, id}) {
        if (!open)
            continue;
        w.writeEmptyElement(QStringLiteral("w:bookmarkEnd"));
        w.writeAttribute(QStringLiteral("w:id"), QString::number(open));
    }
    w.writeEndElement();
    d->anyContent = true;
}

int DocxWriter::Private::headingLevel(const QTextBlockFormat &f) const
{
    const int style = f.hasProperty(BlockStyle) ? f.intProperty(BlockStyle) : -1;
    if (style < 0 || style > 2)
        return 0;
    // Under a contents the page's own headings stand below the heading of the page.
    return qMin(style + 1 + headingShift, DeepestHeading);
}

QString DocxWriter::Private::noteHeading(int level, const QString &text)
{
    if (!contentsWanted || level < 1 || level > 3 || text.trimmed().isEmpty())
        return QString();
    const QString bookmark = QStringLiteral("_Toc%1").arg(contents.size() + 1);
    contents.append({level, text.trimmed(), bookmark});
    return bookmark;
}

// The contents field with its entries as Word would fill it (each a link to its heading), so that
// readers that do not update fields show the contents too; Word updates it when the file opens.
QByteArray DocxWriter::Private::contentsXml() const
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    auto fieldChar = [&w](const QString &type) {
        w.writeStartElement(QStringLiteral("w:r"));
        w.writeEmptyElement(QStringLiteral("w:fldChar"));
        w.writeAttribute(QStringLiteral("w:fldCharType"), type);
        if (type == QLatin1String("begin"))
            w.writeAttribute(QStringLiteral("w:dirty"), QStringLiteral("true"));
        w.writeEndElement();
    };
    auto fieldStart = [&] {
        fieldChar(QStringLiteral("begin"));
        w.writeStartElement(QStringLiteral("w:r"));
        w.writeStartElement(QStringLiteral("w:instrText"));
        w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        w.writeCharacters(QStringLiteral(" TOC \\o \"1-3\" \\h \\z \\u "));
        w.writeEndElement();
        w.writeEndElement();
        fieldChar(QStringLiteral("separate"));
    };
    for (int i = 0; i < contents.size(); ++i) {
        const Entry &entry = contents.at(i);
        w.writeStartElement(QStringLiteral("w:p"));
        w.writeStartElement(QStringLiteral("w:pPr"));
        w.writeEmptyElement(QStringLiteral("w:pStyle"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("TOC%1").arg(entry.level));
        w.writeEndElement();
        if (i == 0)
            fieldStart();
        w.writeStartElement(QStringLiteral("w:hyperlink"));
        w.writeAttribute(QStringLiteral("w:anchor"), entry.bookmark);
        w.writeAttribute(QStringLiteral("w:history"), QStringLiteral("1"));
        w.writeStartElement(QStringLiteral("w:r"));
        w.writeStartElement(QStringLiteral("w:t"));
        w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        w.writeCharacters(entry.text);
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
        if (i == contents.size() - 1)
            fieldChar(QStringLiteral("end"));
        w.writeEndElement();
    }
    if (contents.isEmpty()) {
        w.writeStartElement(QStringLiteral("w:p"));
        fieldStart();
        fieldChar(QStringLiteral("end"));
        w.writeEndElement();
    }
    return xml;
}

void DocxWriter::addTableOfContents(const QString &title)
{
    QXmlStreamWriter &w = d->body.w;
    if (!title.isEmpty()) {
        w.writeStartElement(QStringLiteral("w:p"));
        w.writeStartElement(QStringLiteral("w:pPr"));
        w.writeEmptyElement(QStringLiteral("w:pStyle"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("TOCHeading"));
        w.writeEndElement();
        d->writeText(w, QTextCharFormat(), title, false);
        w.writeEndElement();
    }
    // The entries are known when the document is complete (toBytes).
    w.writeComment(QString::fromLatin1(ContentsMark.mid(4, ContentsMark.size() - 7)));
    d->contentsWanted = true;
    d->anyContent = true;
}

void DocxWriter::addPageBreak()
{
    QXmlStreamWriter &w = d->body.w;
    w.writeStartElement(QStringLiteral("w:p"));
    w.writeStartElement(QStringLiteral("w:r"));
    w.writeEmptyElement(QStringLiteral("w:br"));
    w.writeAttribute(QStringLiteral("w:type"), QStringLiteral("page"));
    w.writeEndElement();
    w.writeEndElement();
}

QString DocxWriter::Private::writeHeaderFooter(bool header, QTextDocument *doc)
{
    if (!doc)
        return {};
    PartOut out;
    const QString tag = header ? QStringLiteral("w:hdr") : QStringLiteral("w:ftr");
    out.w.writeStartElement(tag);
    DocxNames::writeNamespaces(out.w);
    const LineBlocks::Joined joined(doc);
    writeFrame(out, joined.document()->rootFrame());
    out.w.writeEndElement();
    const QString name = QStringLiteral("%1%2.xml").arg(header ? QStringLiteral("header") : QStringLiteral("footer"))
                             .arg(nextHeaderFooter++);
    parts.append({QStringLiteral("word/") + name, DocxNames::prolog() + out.xml});
    partRels.append({QStringLiteral("word/_rels/") + name + QStringLiteral(".rels"), out.rels});
    return body.addRel(header ? DocxNames::RelHeader : DocxNames::RelFooter, name);
}

QString DocxWriter::Private::writePageNumberFooter()
{
    PartOut out;
    QXmlStreamWriter &w = out.w;
    w.writeStartElement(QStringLiteral("w:ftr"));
    DocxNames::writeNamespaces(w);
    w.writeStartElement(QStringLiteral("w:p"));
    w.writeStartElement(QStringLiteral("w:pPr"));
    w.writeEmptyElement(QStringLiteral("w:jc"));
    w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("right"));
    w.writeEndElement();
    auto run = [&](const QString &tag, const QString &attribute, const QString &value, const QString &text) {
        w.writeStartElement(QStringLiteral("w:r"));
        w.writeStartElement(QStringLiteral("w:rPr"));
        w.writeEmptyElement(QStringLiteral("w:sz"));
        w.writeAttribute(QStringLiteral("w:val"), QString::number(pageNumberSize));
        w.writeEndElement();
        if (text.isEmpty()) {
            w.writeEmptyElement(tag);
            w.writeAttribute(attribute, value);
        } else {
            w.writeStartElement(tag);
            w.writeAttribute(attribute, value);
            w.writeCharacters(text);
            w.writeEndElement();
        }
        w.writeEndElement();
    };
    const QString fieldChar = QStringLiteral("w:fldChar");
    const QString type = QStringLiteral("w:fldCharType");
    run(fieldChar, type, QStringLiteral("begin"), QString());
    run(QStringLiteral("w:instrText"), QStringLiteral("xml:space"), QStringLiteral("preserve"), QStringLiteral(" PAGE "));
    run(fieldChar, type, QStringLiteral("separate"), QString());
    run(QStringLiteral("w:t"), QStringLiteral("xml:space"), QStringLiteral("preserve"), QStringLiteral("1"));
    run(fieldChar, type, QStringLiteral("end"), QString());
    w.writeEndElement(); // w:p
    w.writeEndElement(); // w:ftr
    const QString name = QStringLiteral("footer%1.xml").arg(nextHeaderFooter++);
    parts.append({QStringLiteral("word/") + name, DocxNames::prolog() + out.xml});
    partRels.append({QStringLiteral("word/_rels/") + name + QStringLiteral(".rels"), out.rels});
    return body.addRel(DocxNames::RelFooter, name);
}

void DocxWriter::setPageNumberFooter(int pointSize)
{
    d->pageNumberSize = qMax(1, pointSize) * 2;
}

void DocxWriter::addPage(const PageDocument &page, const PageOptions &options)
{
    QXmlStreamWriter &w = d->body.w;
    if (!d->haveSection || options.newSection) {
        if (d->haveSection) {
            // The section that ends here carries its properties in its last paragraph.
            w.writeStartElement(QStringLiteral("w:p"));
            w.writeStartElement(QStringLiteral("w:pPr"));
            d->writeSectPr(w, d->section);
            w.writeEndElement();
            w.writeEndElement();
        } else if (d->anyContent && options.pageBreakBefore) {
            addPageBreak();
        }
        d->haveSection = true;
        d->page = &page;
        d->section = Section();
        d->section.setup = page.pageSetup();
        d->section.header[0] = d->writeHeaderFooter(true, page.part(HeaderAll));
        if (d->pageNumberSize > 0) {
            d->section.header[1] = d->writeHeaderFooter(true, page.part(HeaderFirst));
            // Written once; the sections after the first show it as their predecessor's footer.
            if (!d->pageNumberWritten)
                d->section.footer[0] = d->writePageNumberFooter();
            d->pageNumberWritten = true;
        } else {
            d->section.footer[0] = d->writeHeaderFooter(false, page.part(FooterAll));
            d->writeFirstPageParts(page);
        }
    } else if (options.pageBreakBefore && d->anyContent) {
        addPageBreak();
    }
    d->page = &page;
    d->pendingBookmark = options.bookmark;
    d->headingShift = qMax(0, options.headingShift);
    const LineBlocks::Joined joined(page.main());
    d->writeFrame(d->body, joined.document()->rootFrame());
    d->headingShift = 0;
    d->page = nullptr;
    d->anyContent = true;
}

// A first page of its own shows the header and footer the page shows on its first page: where the page
// has only one first-page part, the ordinary other one.
void DocxWriter::Private::writeFirstPageParts(const PageDocument &page)
{
    const int flags = page.partFlags();
    if (!(flags & (HeaderFirst | FooterFirst)))
        return;
    // Flag 0 is no part (part(0) would be the main text).
    auto shown = [&page](int flag) { return flag ? page.part(flag) : nullptr; };
    section.header[1] = writeHeaderFooter(true, shown(PageRenderer::headerFlagOn(flags, 1)));
    section.footer[1] = writeHeaderFooter(false, shown(PageRenderer::footerFlagOn(flags, 1)));
}

void DocxWriter::Private::writeFrame(PartOut &out, QTextFrame *frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child))
                writeTable(out, table);
            else
                writeFrame(out, child);
        } else {
            writeBlock(out, it.currentBlock());
        }
    }
}

void DocxWriter::Private::writeTable(PartOut &out, QTextTable *table)
{
    QXmlStreamWriter &w = out.w;
    const int rows = table->rows();
    const int columns = table->columns();
    w.writeStartElement(QStringLiteral("w:tbl"));
    w.writeStartElement(QStringLiteral("w:tblPr"));
    w.writeEmptyElement(QStringLiteral("w:tblW"));
    w.writeAttribute(QStringLiteral("w:w"), QStringLiteral("0"));
    w.writeAttribute(QStringLiteral("w:type"), QStringLiteral("auto"));
    w.writeStartElement(QStringLiteral("w:tblBorders"));
    for (const char *side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        w.writeEmptyElement(QStringLiteral("w:") + QLatin1String(side));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("single"));
        w.writeAttribute(QStringLiteral("w:sz"), QStringLiteral("4"));
        w.writeAttribute(QStringLiteral("w:space"), QStringLiteral("0"));
        w.writeAttribute(QStringLiteral("w:color"), QStringLiteral("auto"));
    }
    w.writeEndElement();
    w.writeEndElement();

    const QList<int> widths = Flow::columnWidths(table, page ? page->pageSetup().textWidth() : 9000);
    w.writeStartElement(QStringLiteral("w:tblGrid"));
    for (int width : widths) {
        w.writeEmptyElement(QStringLiteral("w:gridCol"));
        w.writeAttribute(QStringLiteral("w:w"), QString::number(width));
    }
    w.writeEndElement();

    for (int r = 0; r < rows; ++r) {
        w.writeStartElement(QStringLiteral("w:tr"));
        for (int c = 0; c < columns;) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int span = qMax(1, cell.columnSpan());
            int width = 0;
            for (int k = c; k < c + span && k < columns; ++k)
                width += widths.at(k);
            w.writeStartElement(QStringLiteral("w:tc"));
            w.writeStartElement(QStringLiteral("w:tcPr"));
            w.writeEmptyElement(QStringLiteral("w:tcW"));
            w.writeAttribute(QStringLiteral("w:w"), QString::number(width));
            w.writeAttribute(QStringLiteral("w:type"), QStringLiteral("dxa"));
            if (span > 1) {
                w.writeEmptyElement(QStringLiteral("w:gridSpan"));
                w.writeAttribute(QStringLiteral("w:val"), QString::number(span));
            }
            const bool continued = cell.row() != r;
            if (continued) {
                w.writeEmptyElement(QStringLiteral("w:vMerge"));
            } else if (cell.rowSpan() > 1) {
                w.writeEmptyElement(QStringLiteral("w:vMerge"));
                w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("restart"));
            }
            const QBrush background = cell.format().background();
            if (!continued && background.style() != Qt::NoBrush)
                writeShading(w, background.color());
            w.writeEndElement();
            bool endsWithParagraph = false;
            if (!continued && cell.isValid()) {
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (QTextFrame *child = it.currentFrame()) {
                        if (auto *inner = qobject_cast<QTextTable *>(child))
                            writeTable(out, inner);
                        else
                            writeFrame(out, child);
                        endsWithParagraph = false;
                    } else {
                        writeBlock(out, it.currentBlock());
                        endsWithParagraph = true;
                    }
                }
            }
            // Every cell ends with a paragraph.
            if (!endsWithParagraph)
                w.writeEmptyElement(QStringLiteral("w:p"));
            w.writeEndElement();
            c += span;
        }
        w.writeEndElement();
    }
    w.writeEndElement();
}

void DocxWriter::Private::writeBlock(PartOut &out, const QTextBlock &block, const QString &framePr)
{
    QXmlStreamWriter &w = out.w;
    const QTextBlockFormat f = block.blockFormat();
    w.writeStartElement(QStringLiteral("w:p"));
    w.writeStartElement(QStringLiteral("w:pPr"));
    const int level = headingLevel(f);
    if (level > 0) {
        w.writeEmptyElement(QStringLiteral("w:pStyle"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Heading%1").arg(level));
    }
    writeListProps(w, block);
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        w.writeEmptyElement(QStringLiteral("w:pageBreakBefore"));
    if (!framePr.isEmpty()) {
        w.writeEmptyElement(QStringLiteral("w:framePr"));
        w.writeAttribute(QStringLiteral("w:w"), framePr);
        w.writeAttribute(QStringLiteral("w:hSpace"), QStringLiteral("180"));
        w.writeAttribute(QStringLiteral("w:wrap"), QStringLiteral("around"));
        w.writeAttribute(QStringLiteral("w:vAnchor"), QStringLiteral("text"));
        w.writeAttribute(QStringLiteral("w:hAnchor"), QStringLiteral("margin"));
    }
    // A paragraph holding a picture has its line height as a minimum (the picture's line grows).
    const bool minimumLine = f.lineHeightType() == QTextBlockFormat::MinimumHeight;
    const bool fixedLine = (f.lineHeightType() == QTextBlockFormat::FixedHeight || minimumLine) && f.lineHeight() > 0;
    if (f.topMargin() > 0 || f.bottomMargin() > 0 || fixedLine) {
        w.writeEmptyElement(QStringLiteral("w:spacing"));
        w.writeAttribute(QStringLiteral("w:before"), twips(f.topMargin()));
        w.writeAttribute(QStringLiteral("w:after"), twips(f.bottomMargin()));
        if (fixedLine) {
            w.writeAttribute(QStringLiteral("w:line"), twips(f.lineHeight()));
            w.writeAttribute(QStringLiteral("w:lineRule"), minimumLine ? QStringLiteral("atLeast") : QStringLiteral("exact"));
        }
    }
    if (f.leftMargin() != 0 || f.rightMargin() != 0 || f.textIndent() != 0) {
        w.writeEmptyElement(QStringLiteral("w:ind"));
        w.writeAttribute(QStringLiteral("w:left"), twips(f.leftMargin()));
        w.writeAttribute(QStringLiteral("w:right"), twips(f.rightMargin()));
        if (f.textIndent() >= 0)
            w.writeAttribute(QStringLiteral("w:firstLine"), twips(f.textIndent()));
        else
            w.writeAttribute(QStringLiteral("w:hanging"), twips(-f.textIndent()));
    }
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        const QString jc = a & Qt::AlignHCenter ? QStringLiteral("center")
            : a & Qt::AlignRight ? QStringLiteral("right")
            : a & Qt::AlignJustify ? QStringLiteral("both") : QStringLiteral("left");
        w.writeEmptyElement(QStringLiteral("w:jc"));
        w.writeAttribute(QStringLiteral("w:val"), jc);
    }
    w.writeEndElement();
    int bookmark = 0;
    if (!pendingBookmark.isEmpty()) {
        startBookmark(w, pendingBookmark, bookmark);
        pendingBookmark.clear();
    }
    int entry = 0;
    const QString entryMark = &out == &body && framePr.isEmpty() ? noteHeading(level, block.text()) : QString();
    if (!entryMark.isEmpty())
        startBookmark(w, entryMark, entry);
    QList<int> frames;
    boldStyle = level > 0; // the heading styles are bold
    writeRuns(out, block, frames);
    boldStyle = false;
    for (int open : {entry, bookmark}) {
        if (!open)
            continue;
        w.writeEmptyElement(QStringLiteral("w:bookmarkEnd"));
        w.writeAttribute(QStringLiteral("w:id"), QString::number(open));
    }
    w.writeEndElement();

    // Text frames follow their anchor's paragraph as framed paragraphs.
    for (int id : frames) {
        QTextDocument *doc = page ? page->frameDocument(id) : nullptr;
        if (!doc)
            continue;
        const LineBlocks::Joined joined(doc);
        for (QTextBlock b = joined.document()->begin(); b.isValid(); b = b.next())
            writeBlock(out, b, framePr.isEmpty() ? QStringLiteral("4000") : framePr);
    }
}

// Each page list is a numbering of its own, so its numbers start at 1; its indent is the level.
void DocxWriter::Private::writeListProps(QXmlStreamWriter &w, const QTextBlock &block)
{
    const QTextList *list = block.textList();
    const int id = lists.idOf(list);
    if (id == 0)
        return;
    w.writeStartElement(QStringLiteral("w:numPr"));
    w.writeEmptyElement(QStringLiteral("w:ilvl"));
    w.writeAttribute(QStringLiteral("w:val"), QString::number(qBound(0, list->format().indent() - 1, 8)));
    w.writeEmptyElement(QStringLiteral("w:numId"));
    w.writeAttribute(QStringLiteral("w:val"), QString::number(id));
    w.writeEndElement();
}

// The abstract numberings, nine levels each: bullets (0), then each kind of numbers (1 ...); a
// numbering per page list.
QByteArray DocxWriter::Private::numberingPart() const
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.writeStartElement(QStringLiteral("w:numbering"));
    DocxNames::writeNamespaces(w);
    static const char *const bullets[] = {"\u25CF", "\u25CB", "\u25A0"};
    auto abstractOf = [](QTextListFormat::Style style) {
        const auto *kind = std::find(std::begin(Flow::NumberStyles), std::end(Flow::NumberStyles), style);
        return kind == std::end(Flow::NumberStyles) ? 0 : int(kind - std::begin(Flow::NumberStyles)) + 1;
    };
    for (int abstract = 0; abstract <= int(std::size(Flow::NumberStyles)); ++abstract) {
        const QString format = abstract ? Flow::wordNumberFormat(Flow::NumberStyles[abstract - 1]) : QStringLiteral("bullet");
        w.writeStartElement(QStringLiteral("w:abstractNum"));
        w.writeAttribute(QStringLiteral("w:abstractNumId"), QString::number(abstract));
        w.writeEmptyElement(QStringLiteral("w:multiLevelType"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("hybridMultilevel"));
        for (int level = 0; level < 9; ++level) {
            w.writeStartElement(QStringLiteral("w:lvl"));
            w.writeAttribute(QStringLiteral("w:ilvl"), QString::number(level));
            w.writeEmptyElement(QStringLiteral("w:start"));
            w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("1"));
            w.writeEmptyElement(QStringLiteral("w:numFmt"));
            w.writeAttribute(QStringLiteral("w:val"), format);
            w.writeEmptyElement(QStringLiteral("w:lvlText"));
            w.writeAttribute(QStringLiteral("w:val"), abstract ? QStringLiteral("%%1.").arg(level + 1)
                                                               : QString::fromUtf8(bullets[level % 3]));
            w.writeEmptyElement(QStringLiteral("w:lvlJc"));
            w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("left"));
            w.writeStartElement(QStringLiteral("w:pPr"));
            w.writeEmptyElement(QStringLiteral("w:ind"));
            w.writeAttribute(QStringLiteral("w:left"), QString::number(420 * (level + 1)));
            w.writeAttribute(QStringLiteral("w:hanging"), QStringLiteral("420"));
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    for (int i = 0; i < lists.count(); ++i) {
        w.writeStartElement(QStringLiteral("w:num"));
        w.writeAttribute(QStringLiteral("w:numId"), QString::number(i + 1));
        w.writeEmptyElement(QStringLiteral("w:abstractNumId"));
        w.writeAttribute(QStringLiteral("w:val"), QString::number(abstractOf(lists.style(i + 1))));
        w.writeEndElement();
    }
    w.writeEndElement();
    return DocxNames::prolog() + xml;
}

void DocxWriter::Private::writeRuns(PartOut &out, const QTextBlock &block, QList<int> &frames)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().isValid())
            for (const ObjectChars::Piece &piece : ObjectChars::pieces(it.fragment()))
                writeRun(out, piece, frames);
    }
}

// A picture or a frame's anchor for its object character only; text as a run, a link's in a hyperlink.
void DocxWriter::Private::writeRun(PartOut &out, const ObjectChars::Piece &piece, QList<int> &frames)
{
    QXmlStreamWriter &w = out.w;
    const QTextCharFormat &f = piece.format;
    if (piece.object) {
        if (f.isImageFormat())
            writePicture(out, f.toImageFormat());
        else
            frames << f.intProperty(ObjectId);
        return;
    }
    QString target;
    if (f.intProperty(FieldId) > 0) {
        const QString data = f.stringProperty(FieldData);
        if (resolver)
            target = resolver(f.intProperty(FieldType), data);
        else if (f.intProperty(FieldType) == 1 && DocxNames::isAddress(data))
            target = data;
    }
    if (!target.isEmpty()) {
        w.writeStartElement(QStringLiteral("w:hyperlink"));
        if (target.startsWith(QLatin1Char('#')))
            w.writeAttribute(QStringLiteral("w:anchor"), target.mid(1));
        else
            w.writeAttribute(QStringLiteral("r:id"), out.addRel(DocxNames::RelHyperlink, target, true));
        writeText(w, f, piece.text, true);
        w.writeEndElement();
    } else {
        writeText(w, f, piece.text, false);
    }
}

void DocxWriter::Private::writeRunProps(QXmlStreamWriter &w, const QTextCharFormat &f, bool hyperlink)
{
    w.writeStartElement(QStringLiteral("w:rPr"));
    if (hyperlink) {
        w.writeEmptyElement(QStringLiteral("w:rStyle"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Hyperlink"));
    }
    if (f.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = f.fontFamilies().toStringList();
        const QString family = families.isEmpty() ? QString() : families.first();
        if (!family.isEmpty()) {
            w.writeEmptyElement(QStringLiteral("w:rFonts"));
            for (const char *a : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"})
                w.writeAttribute(QLatin1String(a), family);
        }
    }
    if (f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::DemiBold) {
        w.writeEmptyElement(QStringLiteral("w:b"));
    } else if (boldStyle) {
        // Text the page shows plain stays plain in a paragraph whose style is bold.
        w.writeEmptyElement(QStringLiteral("w:b"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("0"));
    }
    if (f.fontItalic())
        w.writeEmptyElement(QStringLiteral("w:i"));
    if (f.fontStrikeOut())
        w.writeEmptyElement(QStringLiteral("w:strike"));
    if (f.foreground().style() != Qt::NoBrush) {
        w.writeEmptyElement(QStringLiteral("w:color"));
        w.writeAttribute(QStringLiteral("w:val"), hexColour(f.foreground().color()));
    }
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0) {
        const QString half = QString::number(qRound(f.fontPointSize() * 2));
        w.writeEmptyElement(QStringLiteral("w:sz"));
        w.writeAttribute(QStringLiteral("w:val"), half);
        w.writeEmptyElement(QStringLiteral("w:szCs"));
        w.writeAttribute(QStringLiteral("w:val"), half);
    }
    if (f.fontUnderline()) {
        w.writeEmptyElement(QStringLiteral("w:u"));
        w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("single"));
    }
    if (f.background().style() != Qt::NoBrush)
        writeShading(w, f.background().color());
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript
        || f.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        w.writeEmptyElement(QStringLiteral("w:vertAlign"));
        w.writeAttribute(QStringLiteral("w:val"), f.verticalAlignment() == QTextCharFormat::AlignSuperScript
                                                      ? QStringLiteral("superscript") : QStringLiteral("subscript"));
    }
    w.writeEndElement();
}

void DocxWriter::Private::writeText(QXmlStreamWriter &w, const QTextCharFormat &f, const QString &text,
                                    bool hyperlink)
{
    w.writeStartElement(QStringLiteral("w:r"));
    writeRunProps(w, f, hyperlink);
    QString pending;
    auto flush = [&]() {
        if (pending.isEmpty())
            return;
        w.writeStartElement(QStringLiteral("w:t"));
        w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        w.writeCharacters(pending);
        w.writeEndElement();
        pending.clear();
    };
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == QChar::LineSeparator || u == 11 || u == '\n' || u == '\r') {
            flush();
            w.writeEmptyElement(QStringLiteral("w:br"));
        } else if (u == '\t') {
            flush();
            w.writeEmptyElement(QStringLiteral("w:tab"));
        } else if (u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter
                   || u == QChar::ParagraphSeparator || !DocxNames::isXmlChar(u)) {
            // Structure marks and characters XML cannot carry.
        } else {
            pending += ch;
        }
    }
    flush();
    w.writeEndElement();
}

QString DocxWriter::Private::mediaTarget(const QString &pictureName)
{
    if (!page || !page->hasPicture(pictureName))
        return {};
    QByteArray bytes = page->pictureBytes(pictureName);
    QByteArray format = page->pictureFormat(pictureName).toLower();
    if (format == "jpg")
        format = "jpeg";
    if (format != "png" && format != "jpeg" && format != "gif") {
        // Word takes these three everywhere; anything else goes in as PNG.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (!page->pictureImage(pictureName).save(&buffer, "PNG"))
            return {};
        bytes = buffer.data();
        format = "png";
    }
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    QString name = mediaByHash.value(hash);
    if (name.isEmpty()) {
        name = QStringLiteral("media/image%1.%2").arg(mediaByHash.size() + 1)
                   .arg(format == "jpeg" ? QStringLiteral("jpeg") : QString::fromLatin1(format));
        mediaByHash.insert(hash, name);
        parts.append({QStringLiteral("word/") + name, bytes});
    }
    return name;
}

void DocxWriter::Private::writePicture(PartOut &out, const QTextImageFormat &f)
{
    const QString target = mediaTarget(f.name());
    if (target.isEmpty())
        return;
    const QSize natural = f.width() > 0 && f.height() > 0 ? QSize() : page->pictureSize(f.name());
    const double width = f.width() > 0 ? f.width() : natural.width();
    const double height = f.height() > 0 ? f.height() : natural.height();
    const QString cx = QString::number(qMax<qint64>(1, qRound64(width * EmuPerPixel)));
    const QString cy = QString::number(qMax<qint64>(1, qRound64(height * EmuPerPixel)));
    const QString id = QString::number(nextDrawing++);
    const QString rel = out.addRel(DocxNames::RelImage, target);
    QXmlStreamWriter &w = out.w;
    w.writeStartElement(QStringLiteral("w:r"));
    w.writeStartElement(QStringLiteral("w:drawing"));
    w.writeStartElement(QStringLiteral("wp:inline"));
    for (const char *a : {"distT", "distB", "distL", "distR"})
        w.writeAttribute(QLatin1String(a), QStringLiteral("0"));
    w.writeEmptyElement(QStringLiteral("wp:extent"));
    w.writeAttribute(QStringLiteral("cx"), cx);
    w.writeAttribute(QStringLiteral("cy"), cy);
    QString alt = f.stringProperty(PictureAlt);
    alt.removeIf([](QChar ch) { return !DocxNames::isXmlChar(ch.unicode()); });
    w.writeEmptyElement(QStringLiteral("wp:docPr"));
    w.writeAttribute(QStringLiteral("id"), id);
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("Picture ") + id);
    if (!alt.isEmpty())
        w.writeAttribute(QStringLiteral("descr"), alt);
    w.writeStartElement(QStringLiteral("a:graphic"));
    w.writeStartElement(QStringLiteral("a:graphicData"));
    w.writeAttribute(QStringLiteral("uri"), DocxNames::PictureUri);
    w.writeStartElement(QStringLiteral("pic:pic"));
    w.writeStartElement(QStringLiteral("pic:nvPicPr"));
    w.writeEmptyElement(QStringLiteral("pic:cNvPr"));
    w.writeAttribute(QStringLiteral("id"), id);
    w.writeAttribute(QStringLiteral("name"), target.section(QLatin1Char('/'), -1));
    if (!alt.isEmpty())
        w.writeAttribute(QStringLiteral("descr"), alt);
    w.writeEmptyElement(QStringLiteral("pic:cNvPicPr"));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("pic:blipFill"));
    w.writeEmptyElement(QStringLiteral("a:blip"));
    w.writeAttribute(QStringLiteral("r:embed"), rel);
    w.writeStartElement(QStringLiteral("a:stretch"));
    w.writeEmptyElement(QStringLiteral("a:fillRect"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("pic:spPr"));
    w.writeStartElement(QStringLiteral("a:xfrm"));
    w.writeEmptyElement(QStringLiteral("a:off"));
    w.writeAttribute(QStringLiteral("x"), QStringLiteral("0"));
    w.writeAttribute(QStringLiteral("y"), QStringLiteral("0"));
    w.writeEmptyElement(QStringLiteral("a:ext"));
    w.writeAttribute(QStringLiteral("cx"), cx);
    w.writeAttribute(QStringLiteral("cy"), cy);
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("a:prstGeom"));
    w.writeAttribute(QStringLiteral("prst"), QStringLiteral("rect"));
    w.writeEmptyElement(QStringLiteral("a:avLst"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement(); // pic:pic
    w.writeEndElement(); // a:graphicData
    w.writeEndElement(); // a:graphic
    w.writeEndElement(); // wp:inline
    w.writeEndElement(); // w:drawing
    w.writeEndElement(); // w:r
}

void DocxWriter::Private::writeSectPr(QXmlStreamWriter &w, const Section &s) const
{
    w.writeStartElement(QStringLiteral("w:sectPr"));
    auto reference = [&w](const QString &tag, const QString &type, const QString &id) {
        if (id.isEmpty())
            return;
        w.writeEmptyElement(tag);
        w.writeAttribute(QStringLiteral("w:type"), type);
        w.writeAttribute(QStringLiteral("r:id"), id);
    };
    reference(QStringLiteral("w:headerReference"), QStringLiteral("default"), s.header[0]);
    reference(QStringLiteral("w:headerReference"), QStringLiteral("first"), s.header[1]);
    reference(QStringLiteral("w:footerReference"), QStringLiteral("default"), s.footer[0]);
    reference(QStringLiteral("w:footerReference"), QStringLiteral("first"), s.footer[1]);
    w.writeEmptyElement(QStringLiteral("w:pgSz"));
    w.writeAttribute(QStringLiteral("w:w"), QString::number(s.setup.width));
    w.writeAttribute(QStringLiteral("w:h"), QString::number(s.setup.height));
    if (s.setup.landscape)
        w.writeAttribute(QStringLiteral("w:orient"), QStringLiteral("landscape"));
    w.writeEmptyElement(QStringLiteral("w:pgMar"));
    w.writeAttribute(QStringLiteral("w:top"), QString::number(s.setup.marginTop));
    w.writeAttribute(QStringLiteral("w:right"), QString::number(s.setup.marginRight));
    w.writeAttribute(QStringLiteral("w:bottom"), QString::number(s.setup.marginBottom));
    w.writeAttribute(QStringLiteral("w:left"), QString::number(s.setup.marginLeft));
    w.writeAttribute(QStringLiteral("w:header"), QString::number(qMin(s.setup.marginTop, 425)));
    w.writeAttribute(QStringLiteral("w:footer"), QString::number(qMin(s.setup.marginBottom, 425)));
    w.writeAttribute(QStringLiteral("w:gutter"), QStringLiteral("0"));
    if (!s.header[1].isEmpty() || !s.footer[1].isEmpty())
        w.writeEmptyElement(QStringLiteral("w:titlePg"));
    w.writeEndElement();
}

QByteArray DocxWriter::toBytes() const
{
    QByteArray document = DocxNames::prolog();
    {
        QByteArray head;
        QXmlStreamWriter w(&head);
        w.writeStartElement(QStringLiteral("w:document"));
        DocxNames::writeNamespaces(w);
        w.writeStartElement(QStringLiteral("w:body"));
        w.writeCharacters(QString());   // closes the start tag
        document += head;
    }
    document += d->contentsWanted ? QByteArray(d->body.xml).replace(ContentsMark, d->contentsXml()) : d->body.xml;
    {
        QByteArray tail;
        QXmlStreamWriter w(&tail);
        if (!d->anyContent)
            w.writeEmptyElement(QStringLiteral("w:p"));
        d->writeSectPr(w, d->haveSection ? d->section : Section());
        document += tail;
    }
    document += "</w:body></w:document>";

    QList<QPair<QString, QByteArray>> entries;
    QList<Rel> docRels = d->body.rels;
    docRels.prepend({QStringLiteral("rId2"), DocxNames::RelSettings, QStringLiteral("settings.xml"), false});
    docRels.prepend({QStringLiteral("rId1"), DocxNames::RelStyles, QStringLiteral("styles.xml"), false});
    QStringList overrides;
    for (const auto &p : d->parts) {
        if (p.first.endsWith(QLatin1String(".xml")))
            overrides << p.first;
    }
    if (d->lists.count() > 0) {
        docRels.append({QStringLiteral("rId3"), DocxNames::RelNumbering, QStringLiteral("numbering.xml"), false});
        overrides << QStringLiteral("word/numbering.xml");
    }
    entries.append({QStringLiteral("[Content_Types].xml"), DocxNames::contentTypes(overrides)});
    entries.append({QStringLiteral("_rels/.rels"), DocxNames::packageRels()});
    entries.append({QStringLiteral("word/document.xml"), document});
    entries.append({QStringLiteral("word/_rels/document.xml.rels"), DocxNames::relationships(docRels)});
    entries.append({QStringLiteral("word/styles.xml"), DocxNames::styles()});
    entries.append({QStringLiteral("word/settings.xml"), DocxNames::settings()});
    if (d->lists.count() > 0)
        entries.append({QStringLiteral("word/numbering.xml"), d->numberingPart()});
    for (const auto &p : d->parts)
        entries.append(p);
    for (const auto &r : d->partRels) {
        if (!r.second.isEmpty())
            entries.append({r.first, DocxNames::relationships(r.second)});
    }
    return ZipPackage::write(entries);
}

bool DocxWriter::save(const QString &path) const
{
    const QByteArray bytes = toBytes();
    return !bytes.isEmpty() && Flow::writeWholeFile(path, bytes);
}

QByteArray DocxWriter::pageBytes(const PageDocument &page)
{
    DocxWriter writer;
    writer.addPage(page);
    return writer.toBytes();
}

bool DocxWriter::writePage(const PageDocument &page, const QString &path)
{
    DocxWriter writer;
    writer.addPage(page);
    return writer.save(path);
}
