#include "platform/docx/DocxReader.h"

#include "platform/docx/DocxNames.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richtext/TextProps.h"
#include "platform/text/SymbolFont.h"

#include <QFile>
#include <QStringList>
#include <QHash>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <algorithm>
#include <functional>
#include <iterator>

using namespace TextProps;

namespace {

constexpr double EmuPerPixel = 9525.0;
constexpr double TwipsPerPixel = 15.0;

// A length of a VML style ("72pt", "1.5in", "40px"; pixels without a unit) in EMU, 0 when unreadable.
int vmlLength(QStringView text)
{
    static const std::pair<const char *, double> units[] = {
        {"pt", 12700.0}, {"in", 914400.0}, {"cm", 360000.0}, {"mm", 36000.0}, {"pc", 152400.0}, {"px", EmuPerPixel}};
    text = text.trimmed();
    double perUnit = EmuPerPixel;
    for (const auto &[unit, emu] : units) {
        if (text.endsWith(QLatin1String(unit), Qt::CaseInsensitive)) {
            text.chop(2);
            perUnit = emu;
            break;
        }
    }
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && value > 0 ? int(qMin(value * perUnit, 2e9)) : 0;
}

// The width and height a VML shape's style gives it, in EMU.
QSize vmlSize(QStringView style)
{
    QSize size(0, 0);
    for (const QStringView property : style.split(QLatin1Char(';'))) {
        const qsizetype colon = property.indexOf(QLatin1Char(':'));
        const QStringView name = property.left(colon).trimmed();
        if (colon < 0)
            continue;
        if (name.compare(QLatin1String("width"), Qt::CaseInsensitive) == 0)
            size.setWidth(vmlLength(property.mid(colon + 1)));
        else if (name.compare(QLatin1String("height"), Qt::CaseInsensitive) == 0)
            size.setHeight(vmlLength(property.mid(colon + 1)));
    }
    return size;
}

struct Relationship {
    QString target;   // package name, empty when external or outside
    QString address;  // external target (hyperlinks only)
    QString type;
};

// A numbering as a paragraph or its style names it: numId, and the level (-1 not named).
struct Numbering {
    QString numId;
    int level = -1;
};

// What the parts of a package share: the headings and numberings of the styles, the kinds of the
// numberings, the notes in the order of their markers, the cells and characters read so far.
struct Package {
    QHash<QString, int> styleHeadings;          // style id -> user style 0 to 2
    QHash<QString, Numbering> styleNumberings;  // style id -> its numbering or its base style's
    QHash<QString, QString> numberings;         // numId -> abstractNumId
    QHash<QString, QString> levelFormats;       // "abstractNumId/level" -> numFmt
    QHash<QString, int> styleLevels;            // "abstractNumId/style id" -> the level that names the style
    QHash<QString, int> levelStarts;            // "abstractNumId/level", "#numId/level" (override) -> first number
    QList<QPair<bool, QString>> notes;          // (endnote, id) in marker order
    QHash<QPair<bool, QString>, int> noteIndexes; // (endnote, id) -> its place in `notes`
    qint64 cells = 0;
    qint64 characters = 0;   // of the paragraphs read whole
    PictureDoor pictures;        // the read's budget
    QStringList unreadPictures;  // left out, by their names in the package

    // The note's place among the markers, -1 without a marker.
    int noteIndex(bool endnote, const QString &id) const { return noteIndexes.value(qMakePair(endnote, id), -1); }

    int noteNumber(bool endnote, const QString &id)
    {
        const QPair<bool, QString> key(endnote, id);
        int i = noteIndex(endnote, id);
        if (i < 0) {
            i = int(notes.size());
            notes.append(key);
            noteIndexes.insert(key, i);
        }
        return i + 1;
    }
};

// One XML part of the package read into the flow model.
class PartReader
{
public:
    PartReader(ZipPackage &zip, PageDocument &page, const QString &partName, Package &package)
        : m_zip(zip), m_page(page), m_folder(partName.section(QLatin1Char('/'), 0, -2)), m_package(package)
    {
        readRels(partName);
    }

    bool read(const QByteArray &xml, Flow::Items &items);
    // A footnotes or endnotes part: the notes that have markers, by their numbers.
    bool readNotes(const QByteArray &xml, bool endnotes, std::vector<Flow::Items> &notes);
    const QHash<QString, Relationship> &rels() const { return m_rels; }
    QString relOfType(const QString &type) const;
    QString problem;
    qint64 line() const { return m_x.lineNumber(); }

    // Filled from the sections (a paragraph's sectPr ends one, the body's last sectPr is the last): the
    // default (0) and first-page (1) headers and footers, and whether the first page shows its own
    // (titlePg); without it the first-page parts are not shown. The first page is the first section's;
    // the default parts and the page setup are the last section's, a section that names no part
    // showing the one of the section before.
    PageSetup setup;
    QString header[2];
    QString footer[2];
    bool titlePage = false;

private:
    void readRels(const QString &partName);
    bool readContainer(Flow::Items &items, int depth);
    bool readBlock(Flow::Items &items, int depth);
    bool readParagraph(Flow::Items &items, int depth);
    bool readTable(Flow::Items &items, int depth);
    bool readRows(Flow::Table &table, int depth);
    bool readWrapped(const QString &element, int depth, const std::function<bool()> &read);
    bool readCell(std::vector<Flow::Cell> &row, int depth);
    bool readRunContainer(Flow::Paragraph &p, const QString &link, int depth);
    bool readChildren(Flow::Paragraph &p, const QString &link, int depth);
    bool readRun(Flow::Paragraph &p, const QString &link, int depth);
    bool readRunContent(Flow::Paragraph &p, QTextCharFormat &f, const QString &link, int depth);
    bool readRuby(Flow::Paragraph &p, const QString &link, int depth);
    bool isHidden() const;
    bool isAlternative() const
    {
        return m_x.namespaceUri() == DocxNames::CompatibilityNamespace && m_x.name() == QLatin1String("AlternateContent");
    }
    bool readAlternative(int depth, const std::function<bool()> &readBranch);
    void readRunProps(QTextCharFormat &f);
    void readParagraphProps(Flow::Paragraph &p);
    Numbering readNumPr();
    void applyNumbering(Flow::Paragraph &p, const Numbering &own, const QString &style);
    void readDrawing(Flow::Paragraph &p, const QTextCharFormat &f, int depth);
    void readSectPr();
    bool isW(const QString &name) const
    {
        return m_x.namespaceUri() == DocxNames::WordNamespace && m_x.name() == name;
    }
    QString wAttr(const QString &name) const
    {
        return m_x.attributes().value(DocxNames::WordNamespace, name).toString();
    }
    bool tooDeep(int depth)
    {
        if (depth <= DocxReader::NestingLimit)
            return false;
        refuseNesting(Flow::elementNestingProblem());
        return true;
    }
    void refuseNesting(const QString &why)
    {
        problem = why;
        m_x.raiseError(QStringLiteral("nesting"));
    }

    ZipPackage &m_zip;
    PageDocument &m_page;
    QString m_folder;
    QHash<QString, Relationship> m_rels;
    QXmlStreamReader m_x;
    QHash<QString, QString> m_pictureNames; // package name -> page picture
    Package &m_package;
    int m_tables = 0;                       // tables around the one being read
    int m_note = 0;                         // the number of the note being read
    bool m_noteNumbered = false;            // its number mark was met
    int m_sections = 0;                     // sectPr read so far
    Flow::Items m_boxes;                    // the text boxes of the paragraph being read, to follow it
};

void PartReader::readRels(const QString &partName)
{
    const QString relsName = m_folder.isEmpty()
        ? QStringLiteral("_rels/") + partName + QStringLiteral(".rels")
        : m_folder + QStringLiteral("/_rels/") + partName.section(QLatin1Char('/'), -1) + QStringLiteral(".rels");
    QByteArray bytes;
    if (!m_zip.read(relsName, bytes, 16 * 1024 * 1024))
        return;
    QXmlStreamReader x(bytes);
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = x.attributes();
        Relationship r;
        r.type = a.value(QLatin1String("Type")).toString();
        const QString target = a.value(QLatin1String("Target")).toString();
        if (a.value(QLatin1String("TargetMode")).compare(QLatin1String("External"), Qt::CaseInsensitive) == 0) {
            // Only hyperlinks may point outside; their address becomes field data, nothing is fetched.
            if (a.value(QLatin1String("Type")) == DocxNames::RelHyperlink)
                r.address = target;
        } else {
            r.target = ZipPackage::resolve(m_folder, target);
        }
        m_rels.insert(a.value(QLatin1String("Id")).toString(), r);
    }
}

QString PartReader::relOfType(const QString &type) const
{
    for (const Relationship &r : m_rels) {
        if (r.type == type && !r.target.isEmpty())
            return r.target;
    }
    return {};
}

bool PartReader::readNotes(const QByteArray &xml, bool endnotes, std::vector<Flow::Items> &notes)
{
    const QString element = endnotes ? QStringLiteral("endnote") : QStringLiteral("footnote");
    m_x.clear();
    m_x.addData(xml);
    while (!m_x.atEnd()) {
        if (m_x.readNext() != QXmlStreamReader::StartElement || !isW(element))
            continue;
        const int index = m_package.noteIndex(endnotes, wAttr(QStringLiteral("id")));
        if (index < 0) {
            m_x.skipCurrentElement();   // separators, and notes no marker refers to
            continue;
        }
        m_note = index + 1;
        m_noteNumbered = false;
        Flow::Items items;
        if (!readContainer(items, 2))
            return false;
        // A note without its own number mark opens with its number, in its first paragraph.
        if (!m_noteNumbered) {
            const Flow::Span number{Flow::Span::Text, QString::number(m_note) + QLatin1Char(' '), QTextCharFormat(), QString()};
            if (items.empty() || items.front().table)
                items.insert(items.begin(), Flow::Item());
            std::vector<Flow::Span> &spans = items.front().paragraph.spans;
            spans.insert(spans.begin(), number);
        }
        // A note may hold markers of its own: notes numbered after the body's are read here too.
        if (size_t(index) >= notes.size())
            notes.resize(size_t(index) + 1);
        notes[size_t(index)] = std::move(items);
    }
    m_note = 0;
    return !m_x.hasError();
}

bool PartReader::read(const QByteArray &xml, Flow::Items &items)
{
    m_x.clear();
    m_x.addData(xml);
    while (!m_x.atEnd()) {
        if (m_x.readNext() == QXmlStreamReader::StartElement) {
            if (isW(QStringLiteral("body")) || isW(QStringLiteral("hdr")) || isW(QStringLiteral("ftr"))) {
                if (!readContainer(items, 1))
                    return false;
            }
        }
    }
    return !m_x.hasError();
}

// Children of the body, a cell, a header, a text box or a content control: paragraphs and tables.
bool PartReader::readContainer(Flow::Items &items, int depth)
{
    if (tooDeep(depth))
        return false;
    while (m_x.readNextStartElement()) {
        if (!readBlock(items, depth))
            return false;
    }
    return !m_x.hasError();
}

// One child of a container. Any other element (content controls, custom XML, insertions, moves and
// whatever may wrap them) is looked into for paragraphs and tables.
bool PartReader::readBlock(Flow::Items &items, int depth)
{
    if (isW(QStringLiteral("p")))
        return readParagraph(items, depth + 1);
    if (isW(QStringLiteral("tbl")))
        return readTable(items, depth + 1);
    if (isW(QStringLiteral("sectPr"))) {
        readSectPr();
        return true;
    }
    if (isHidden()) {
        m_x.skipCurrentElement();
        return !m_x.hasError();
    }
    if (isAlternative())
        return readAlternative(depth + 1, [&] { return readContainer(items, depth + 2); });
    return readContainer(items, depth + 1);
}

// What holds no text Word shows: deleted and moved-away text, field instructions, properties.
bool PartReader::isHidden() const
{
    static const QStringList hidden{
        QStringLiteral("del"), QStringLiteral("moveFrom"), QStringLiteral("instrText"), QStringLiteral("delText"),
        QStringLiteral("delInstrText"), QStringLiteral("sdtPr"), QStringLiteral("sdtEndPr"), QStringLiteral("customXmlPr"),
        QStringLiteral("smartTagPr"), QStringLiteral("rPr"), QStringLiteral("pPr"), QStringLiteral("tblPr"),
        QStringLiteral("tblPrEx"), QStringLiteral("trPr"), QStringLiteral("tcPr"), QStringLiteral("tblGrid"),
        QStringLiteral("rubyPr"), QStringLiteral("fldData")};
    return m_x.namespaceUri() == DocxNames::WordNamespace && hidden.contains(m_x.name());
}

// mc:AlternateContent: one branch is read, the first choice that needs only what this reader knows
// (drawings and the shapes that hold text boxes), else the fallback; the others are left out, or their
// text would be read twice.
bool PartReader::readAlternative(int depth, const std::function<bool()> &readBranch)
{
    if (tooDeep(depth))
        return false;
    static const QStringList known{QStringLiteral("wps"), QStringLiteral("wpg"), QStringLiteral("wpc"), QStringLiteral("wp14")};
    bool taken = false;
    while (m_x.readNextStartElement()) {
        bool usable = m_x.name() == QLatin1String("Fallback");
        if (m_x.name() == QLatin1String("Choice")) {
            const QStringList needs = m_x.attributes().value(QLatin1String("Requires")).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            usable = !needs.isEmpty() && std::all_of(needs.cbegin(), needs.cend(), [](const QString &n) { return known.contains(n); });
        }
        if (usable && !taken) {
            taken = true;
            if (!readBranch())
                return false;
        } else {
            m_x.skipCurrentElement();
        }
    }
    return !m_x.hasError();
}

bool PartReader::readParagraph(Flow::Items &items, int depth)
{
    if (tooDeep(depth))
        return false;
    Flow::Items outerBoxes = std::exchange(m_boxes, {});
    Flow::Paragraph p;
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("pPr"))) {
            readParagraphProps(p);
        } else if (!readRunContainer(p, QString(), depth + 1)) {
            return false;
        }
    }
    if (m_x.hasError())
        return false;
    m_package.characters += p.characters;
    Flow::Item item;
    item.paragraph = std::move(p);
    items.push_back(std::move(item));
    // The paragraphs of its text boxes follow it.
    for (Flow::Item &box : m_boxes)
        items.push_back(std::move(box));
    m_boxes = std::move(outerBoxes);
    return true;
}

// One child of a paragraph: a run, or an element that holds runs. Besides hyperlinks, any element
// (insertions, moves, smart tags, custom XML, content controls, simple fields, text direction ...) is
// looked into for runs: text Word shows is never dropped for a wrapper this reader does not know.
bool PartReader::readRunContainer(Flow::Paragraph &p, const QString &link, int depth)
{
    if (tooDeep(depth))
        return false;
    if (isW(QStringLiteral("r")))
        return readRun(p, link, depth + 1);
    if (isW(QStringLiteral("hyperlink"))) {
        QString target = link;
        const QString anchor = wAttr(QStringLiteral("anchor"));
        const QString id = m_x.attributes().value(DocxNames::RelNamespace, QLatin1String("id")).toString();
        if (!id.isEmpty())
            target = m_rels.value(id).address;
        else if (!anchor.isEmpty())
            target = QLatin1Char('#') + anchor;
        return readChildren(p, target, depth);
    }
    if (isHidden()) {
        m_x.skipCurrentElement();
        return !m_x.hasError();
    }
    if (isAlternative())
        return readAlternative(depth + 1, [&] { return readChildren(p, link, depth + 1); });
    return readChildren(p, link, depth);
}

bool PartReader::readChildren(Flow::Paragraph &p, const QString &link, int depth)
{
    while (m_x.readNextStartElement()) {
        if (!readRunContainer(p, link, depth + 1))
            return false;
    }
    return !m_x.hasError();
}

// Ruby: the base text, its reading after it in full-width parentheses.
bool PartReader::readRuby(Flow::Paragraph &p, const QString &link, int depth)
{
    if (tooDeep(depth))
        return false;
    Flow::Paragraph reading;
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("rt"))) {
            if (!readChildren(reading, link, depth))
                return false;
        } else if (isW(QStringLiteral("rubyBase"))) {
            if (!readChildren(p, link, depth))
                return false;
        } else {
            m_x.skipCurrentElement();
        }
    }
    if (m_x.hasError())
        return false;
    p.addReading(reading, link);
    return true;
}

bool PartReader::readRun(Flow::Paragraph &p, const QString &link, int depth)
{
    QTextCharFormat f;
    while (m_x.readNextStartElement()) {
        if (!readRunContent(p, f, link, depth))
            return false;
    }
    if (m_package.characters + p.characters > Flow::TextLimit) {
        problem = Flow::textProblem();
        m_x.raiseError(QStringLiteral("text"));
    }
    return !m_x.hasError();
}

bool PartReader::readRunContent(Flow::Paragraph &p, QTextCharFormat &f, const QString &link, int depth)
{
    if (isW(QStringLiteral("rPr"))) {
        readRunProps(f);
    } else if (isW(QStringLiteral("t"))) {
        p.addText(m_x.readElementText(QXmlStreamReader::SkipChildElements), f, link);
    } else if (isW(QStringLiteral("tab"))) {
        p.addText(QStringLiteral("\t"), f, link);
        m_x.skipCurrentElement();
    } else if (isW(QStringLiteral("br")) || isW(QStringLiteral("cr"))) {
        if (wAttr(QStringLiteral("type")) == QLatin1String("page"))
            p.addPageBreak();
        else
            p.addText(QString(QChar::LineSeparator), f, link);
        m_x.skipCurrentElement();
    } else if (isW(QStringLiteral("drawing")) || isW(QStringLiteral("pict")) || isW(QStringLiteral("object"))) {
        // A picture (DrawingML or VML), a shape with a text box, or an embedded object (an equation, a
        // sheet), which shows the picture of its preview.
        readDrawing(p, f, depth + 1);
    } else if (isW(QStringLiteral("sym"))) {
        // A character of a symbol font: the Symbol font's are the letters and signs it shows; others keep
        // their code in the font, which draws them where it is installed.
        bool ok = false;
        const char32_t code = wAttr(QStringLiteral("char")).toUInt(&ok, 16);
        const QString font = wAttr(QStringLiteral("font")).trimmed().left(200);
        const char16_t letter = SymbolFont::isSymbol(font) ? SymbolFont::letter(code) : 0;
        if (ok && letter != 0) {
            p.addText(QString(QChar(letter)), f, link);
        } else if (ok && code >= 0x20 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            QTextCharFormat kept = f;
            if (!font.isEmpty())
                kept.setFontFamilies({font});
            p.addText(QString::fromUcs4(&code, 1), kept, link);
        }
        m_x.skipCurrentElement();
    } else if (isW(QStringLiteral("noBreakHyphen")) || isW(QStringLiteral("softHyphen"))) {
        p.addText(QString(QChar(isW(QStringLiteral("softHyphen")) ? 0x00AD : 0x2011)), f, link);
        m_x.skipCurrentElement();
    } else if (isW(QStringLiteral("ruby"))) {
        return readRuby(p, link, depth + 1);
    } else if (isAlternative()) {
        return readAlternative(depth + 1, [&] {
            while (m_x.readNextStartElement()) {
                if (!readRunContent(p, f, link, depth + 2))
                    return false;
            }
            return !m_x.hasError();
        });
    } else if (isW(QStringLiteral("footnoteReference")) || isW(QStringLiteral("endnoteReference"))) {
        const int number = m_package.noteNumber(isW(QStringLiteral("endnoteReference")), wAttr(QStringLiteral("id")));
        p.addText(QString::number(number), Flow::noteMarkerFormat(f), link);
        m_x.skipCurrentElement();
    } else if ((isW(QStringLiteral("footnoteRef")) || isW(QStringLiteral("endnoteRef"))) && m_note > 0) {
        p.addText(QString::number(m_note), f, link);
        m_noteNumbered = true;
        m_x.skipCurrentElement();
    } else {
        m_x.skipCurrentElement();
    }
    return !m_x.hasError();
}

void PartReader::readRunProps(QTextCharFormat &f)
{
    auto on = [this]() {
        const QString v = wAttr(QStringLiteral("val"));
        return v.isEmpty() || v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("on");
    };
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("b"))) {
            f.setFontWeight(on() ? QFont::Bold : QFont::Normal);
        } else if (isW(QStringLiteral("i"))) {
            f.setFontItalic(on());
        } else if (isW(QStringLiteral("strike"))) {
            f.setFontStrikeOut(on());
        } else if (isW(QStringLiteral("u"))) {
            const QString v = wAttr(QStringLiteral("val"));
            f.setFontUnderline(!v.isEmpty() && v != QLatin1String("none"));
        } else if (isW(QStringLiteral("color"))) {
            const QColor c = Flow::hexColour(wAttr(QStringLiteral("val")));
            if (c.isValid())
                f.setForeground(c);
        } else if (isW(QStringLiteral("sz"))) {
            const int half = wAttr(QStringLiteral("val")).toInt();
            if (half >= 2 && half <= 3276)
                f.setFontPointSize(half / 2.0);
        } else if (isW(QStringLiteral("rFonts"))) {
            QString family = wAttr(QStringLiteral("eastAsia"));
            if (family.isEmpty())
                family = wAttr(QStringLiteral("ascii"));
            if (!family.isEmpty())
                f.setFontFamilies({family.left(200)});
        } else if (isW(QStringLiteral("shd"))) {
            const QColor c = Flow::hexColour(wAttr(QStringLiteral("fill")));
            if (c.isValid())
                f.setBackground(c);
        } else if (isW(QStringLiteral("highlight"))) {
            const QColor c = Flow::namedColour(wAttr(QStringLiteral("val")));
            if (c.isValid())
                f.setBackground(c);
        } else if (isW(QStringLiteral("vertAlign"))) {
            const QString v = wAttr(QStringLiteral("val"));
            if (v == QLatin1String("superscript"))
                f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
            else if (v == QLatin1String("subscript"))
                f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        }
        m_x.skipCurrentElement();
    }
}

void PartReader::readParagraphProps(Flow::Paragraph &p)
{
    auto twips = [this](const QString &name) { return qBound(-100000, wAttr(name).toInt(), 100000) / TwipsPerPixel; };
    QString style;
    Numbering own;
    bool numbered = false;
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("pStyle"))) {
            style = wAttr(QStringLiteral("val"));
            p.heading = m_package.styleHeadings.value(style, Flow::headingLevel(style));
        } else if (isW(QStringLiteral("outlineLvl"))) {
            p.heading = Flow::outlineHeading(wAttr(QStringLiteral("val")).toInt());
        } else if (isW(QStringLiteral("numPr"))) {
            own = readNumPr();
            numbered = true;
            continue;
        } else if (isW(QStringLiteral("sectPr"))) {
            readSectPr();
            continue;
        } else if (isW(QStringLiteral("pageBreakBefore"))) {
            const QString v = wAttr(QStringLiteral("val"));
            if (v.isEmpty() || v == QLatin1String("1") || v == QLatin1String("true"))
                p.block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        } else if (isW(QStringLiteral("jc"))) {
            const QString v = wAttr(QStringLiteral("val"));
            p.block.setAlignment(v == QLatin1String("center") ? Qt::AlignHCenter
                                 : (v == QLatin1String("right") || v == QLatin1String("end")) ? Qt::AlignRight
                                 : v == QLatin1String("both") ? Qt::AlignJustify : Qt::AlignLeft);
        } else if (isW(QStringLiteral("ind"))) {
            QString left = wAttr(QStringLiteral("left"));
            if (left.isEmpty())
                left = wAttr(QStringLiteral("start"));
            p.block.setLeftMargin(qBound(-100000, left.toInt(), 100000) / TwipsPerPixel);
            p.block.setRightMargin(twips(QStringLiteral("right")));
            if (!wAttr(QStringLiteral("hanging")).isEmpty())
                p.block.setTextIndent(-twips(QStringLiteral("hanging")));
            else
                p.block.setTextIndent(twips(QStringLiteral("firstLine")));
        } else if (isW(QStringLiteral("spacing"))) {
            p.block.setTopMargin(qMax(0.0, twips(QStringLiteral("before"))));
            p.block.setBottomMargin(qMax(0.0, twips(QStringLiteral("after"))));
            const QString rule = wAttr(QStringLiteral("lineRule"));
            if (rule == QLatin1String("exact") && twips(QStringLiteral("line")) > 0)
                p.block.setLineHeight(twips(QStringLiteral("line")), QTextBlockFormat::FixedHeight);
            else if (rule == QLatin1String("atLeast") && twips(QStringLiteral("line")) > 0)
                p.block.setLineHeight(twips(QStringLiteral("line")), QTextBlockFormat::MinimumHeight);
        }
        m_x.skipCurrentElement();
    }
    if (numbered || m_package.styleNumberings.contains(style))
        applyNumbering(p, own, style);
}

Numbering PartReader::readNumPr()
{
    Numbering n;
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("numId")))
            n.numId = wAttr(QStringLiteral("val"));
        else if (isW(QStringLiteral("ilvl")))
            n.level = qBound(0, wAttr(QStringLiteral("val")).toInt(), 8);
        m_x.skipCurrentElement();
    }
    return n;
}

// The paragraph's own numbering where it names one, else its style's. A level named nowhere is the one
// the numbering gives the style, else the first.
void PartReader::applyNumbering(Flow::Paragraph &p, const Numbering &own, const QString &style)
{
    const Numbering inherited = m_package.styleNumberings.value(style);
    const QString numId = own.numId.isEmpty() ? inherited.numId : own.numId;
    int level = own.level >= 0 ? own.level : (numId == inherited.numId ? inherited.level : -1);
    // Number 0 takes a paragraph out of its style's list.
    const QString abstract = m_package.numberings.value(numId);
    if (numId.isEmpty() || numId == QLatin1String("0") || abstract.isEmpty()) {
        p.list.clear();
        return;
    }
    if (level < 0)
        level = m_package.styleLevels.value(abstract + QLatin1Char('/') + style, 0);
    const QString format = m_package.levelFormats.value(abstract + QLatin1Char('/') + QString::number(level));
    // A level without numbers or bullets, as LibreOffice gives the outline of its headings, marks
    // nothing: the paragraph is no list item.
    if (format == QLatin1String("none")) {
        p.list.clear();
        return;
    }
    p.list = numId;
    p.listLevel = level;
    p.numbered = format != QLatin1String("bullet") && !format.isEmpty();
    p.numberStyle = Flow::wordNumberStyle(format);
    const QString atLevel = QLatin1Char('/') + QString::number(level);
    p.start = m_package.levelStarts.value(QLatin1Char('#') + numId + atLevel, m_package.levelStarts.value(abstract + atLevel, 1));
}

void PartReader::readDrawing(Flow::Paragraph &p, const QTextCharFormat &f, int depth)
{
    // Walk the drawing for its extent, its alternative text (the description, else the title) and the
    // embedded picture's relationship; linked pictures (r:link, r:href) are never followed. A VML
    // picture (v:imagedata) takes its size from the style of the shape around it.
    qint64 cx = 0;
    qint64 cy = 0;
    QString embed;
    QString alt;
    QSize shapeSize(0, 0);   // in EMU, of the last VML shape met
    int level = 1;
    while (!m_x.atEnd() && level > 0 && depth + level <= DocxReader::NestingLimit * 2) {
        const auto token = m_x.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (m_x.namespaceUri() == DocxNames::WordNamespace && m_x.name() == QLatin1String("txbxContent")) {
                // A text box: its paragraphs follow the paragraph of the shape.
                Flow::Items box;
                if (!readContainer(box, depth + level))
                    return;
                std::move(box.begin(), box.end(), std::back_inserter(m_boxes));
                continue;
            }
            ++level;
            if (m_x.name() == QLatin1String("extent") && cx == 0) {
                cx = m_x.attributes().value(QLatin1String("cx")).toLongLong();
                cy = m_x.attributes().value(QLatin1String("cy")).toLongLong();
            } else if (m_x.name() == QLatin1String("blip")) {
                embed = m_x.attributes().value(DocxNames::RelNamespace, QLatin1String("embed")).toString();
            } else if (m_x.name() == QLatin1String("shape")) {
                shapeSize = vmlSize(m_x.attributes().value(QLatin1String("style")));
                if (alt.isEmpty())
                    alt = m_x.attributes().value(QLatin1String("alt")).toString();
            } else if (m_x.name() == QLatin1String("imagedata") && embed.isEmpty()) {
                embed = m_x.attributes().value(DocxNames::RelNamespace, QLatin1String("id")).toString();
                if (embed.isEmpty())
                    embed = m_x.attributes().value(DocxNames::OfficeNamespace, QLatin1String("relid")).toString();
                if (cx == 0) {
                    cx = shapeSize.width();
                    cy = shapeSize.height();
                }
            } else if ((m_x.name() == QLatin1String("docPr") || m_x.name() == QLatin1String("cNvPr")) && alt.isEmpty()) {
                alt = m_x.attributes().value(QLatin1String("descr")).toString();
                if (alt.isEmpty())
                    alt = m_x.attributes().value(QLatin1String("title")).toString();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --level;
        }
    }
    if (level > 0) {
        refuseNesting(Flow::elementNestingProblem());
        return;
    }
    const QString target = m_rels.value(embed).target;
    if (target.isEmpty())
        return;
    QString name = m_pictureNames.value(target);
    if (name.isEmpty()) {
        QByteArray bytes;
        if (m_package.unreadPictures.contains(target))
            return;
        if (!m_zip.read(target, bytes) || (name = m_package.pictures.admit(m_page, m_package.pictures.lookWithin(bytes))).isEmpty()) {
            m_package.unreadPictures << target;
            return;
        }
        m_pictureNames.insert(target, name);
    }
    QTextImageFormat image;
    image.merge(f);
    image.setObjectType(QTextFormat::ImageObject);
    image.setName(name);
    const QSize natural = m_page.pictureSize(name);
    const double width = cx > 0 ? qMin(cx / EmuPerPixel, double(PictureDoor::PictureSide)) : natural.width();
    const double height = cy > 0 ? qMin(cy / EmuPerPixel, double(PictureDoor::PictureSide)) : natural.height();
    image.setWidth(width);
    image.setHeight(height);
    image.setProperty(PictureLayout, 0);
    image.setProperty(PictureScale, natural.width() > 0 ? qRound(width * 100 / natural.width()) : 100);
    image.setProperty(PictureStored, true);
    if (!alt.isEmpty())
        image.setProperty(PictureAlt, alt.left(10000));
    p.addPicture(image);
}

bool PartReader::readTable(Flow::Items &items, int depth)
{
    if (tooDeep(depth))
        return false;
    if (m_tables >= Flow::NestingLimit) {
        refuseNesting(Flow::nestingProblem());
        return false;
    }
    struct Level {
        int &tables;
        explicit Level(int &t) : tables(++t) {}
        ~Level() { --tables; }
    } level(m_tables);
    auto table = std::make_shared<Flow::Table>();
    if (!readRows(*table, depth))
        return false;
    Flow::Item item;
    item.table = table;
    items.push_back(std::move(item));
    return true;
}

// The rows of a table and their cells, also inside content controls and the like.
bool PartReader::readRows(Flow::Table &table, int depth)
{
    return readWrapped(QStringLiteral("tr"), depth, [&] {
        if (table.rows.size() >= size_t(Flow::RowLimit)) {
            problem = Flow::rowProblem();
            m_x.raiseError(QStringLiteral("table"));
            return false;
        }
        std::vector<Flow::Cell> &row = table.rows.emplace_back();
        return readWrapped(QStringLiteral("tc"), depth, [&] { return readCell(row, depth); });
    });
}

// Each `element` among the children, handed to `read`, and those inside any other element but what
// holds no text.
bool PartReader::readWrapped(const QString &element, int depth, const std::function<bool()> &read)
{
    if (tooDeep(depth))
        return false;
    while (m_x.readNextStartElement()) {
        if (isW(element)) {
            if (!read())
                return false;
        } else if (isHidden()) {
            m_x.skipCurrentElement();
        } else if (isAlternative()) {
            if (!readAlternative(depth + 1, [&] { return readWrapped(element, depth + 2, read); }))
                return false;
        } else if (!readWrapped(element, depth + 1, read)) {
            return false;
        }
    }
    return !m_x.hasError();
}

bool PartReader::readCell(std::vector<Flow::Cell> &row, int depth)
{
    if (row.size() >= size_t(Flow::ColumnLimit) || ++m_package.cells > Flow::CellLimit) {
        problem = row.size() >= size_t(Flow::ColumnLimit) ? Flow::columnProblem() : Flow::cellProblem();
        m_x.raiseError(QStringLiteral("table"));
        return false;
    }
    Flow::Cell cell;
    while (m_x.readNextStartElement()) {
        if (isW(QStringLiteral("tcPr"))) {
            while (m_x.readNextStartElement()) {
                if (isW(QStringLiteral("gridSpan"))) {
                    cell.span = qBound(1, wAttr(QStringLiteral("val")).toInt(), Flow::ColumnLimit);
                } else if (isW(QStringLiteral("vMerge"))) {
                    cell.merge = wAttr(QStringLiteral("val")) == QLatin1String("restart")
                        ? Flow::Cell::Restart : Flow::Cell::Continue;
                } else if (isW(QStringLiteral("shd"))) {
                    cell.background = Flow::hexColour(wAttr(QStringLiteral("fill")));
                }
                m_x.skipCurrentElement();
            }
        } else if (!readBlock(cell.items, depth)) {
            return false;
        }
    }
    if (m_x.hasError())
        return false;
    row.push_back(std::move(cell));
    return true;
}

void PartReader::readSectPr()
{
    const bool firstSection = m_sections++ == 0;
    while (m_x.readNextStartElement()) {
        const QString id = m_x.attributes().value(DocxNames::RelNamespace, QLatin1String("id")).toString();
        const bool first = wAttr(QStringLiteral("type")) == QLatin1String("first");
        const bool isDefault = wAttr(QStringLiteral("type")) == QLatin1String("default");
        if (isW(QStringLiteral("headerReference")) && ((first && firstSection) || isDefault)) {
            header[first ? 1 : 0] = m_rels.value(id).target;
        } else if (isW(QStringLiteral("footerReference")) && ((first && firstSection) || isDefault)) {
            footer[first ? 1 : 0] = m_rels.value(id).target;
        } else if (isW(QStringLiteral("titlePg")) && firstSection) {
            const QString v = wAttr(QStringLiteral("val"));
            titlePage = v.isEmpty() || v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("on");
        } else if (isW(QStringLiteral("pgSz"))) {
            const int w = wAttr(QStringLiteral("w")).toInt();
            const int h = wAttr(QStringLiteral("h")).toInt();
            if (w >= 1440 && w <= 31680 && h >= 1440 && h <= 31680) {
                setup.width = w;
                setup.height = h;
            }
            setup.landscape = wAttr(QStringLiteral("orient")) == QLatin1String("landscape");
        } else if (isW(QStringLiteral("pgMar"))) {
            auto margin = [this](const QString &n, int &v) {
                bool ok = false;
                const int value = wAttr(n).toInt(&ok);
                if (ok && value >= 0 && value <= 14400)
                    v = value;
            };
            margin(QStringLiteral("top"), setup.marginTop);
            margin(QStringLiteral("bottom"), setup.marginBottom);
            margin(QStringLiteral("left"), setup.marginLeft);
            margin(QStringLiteral("right"), setup.marginRight);
        }
        m_x.skipCurrentElement();
    }
}

// Headings of the style sheet: by the style's name ("heading 1" ...), else by its outline level, else
// as the style it is based on. Numberings: the style's own, else its base style's.
void readStyles(const QByteArray &xml, Package &package)
{
    struct Style {
        int heading = -1;
        bool decided = false;
        QString basedOn;
        Numbering numbering;
        bool numbered = false;
    };
    QHash<QString, Style> styles;
    QXmlStreamReader x(xml);
    auto w = [&x](const char *name) { return x.attributes().value(DocxNames::WordNamespace, QLatin1String(name)).toString(); };
    QString id;
    while (!x.atEnd()) {
        const auto token = x.readNext();
        if (token != QXmlStreamReader::StartElement || x.namespaceUri() != DocxNames::WordNamespace)
            continue;
        if (x.name() == QLatin1String("style")) {
            id = w("type") == QLatin1String("paragraph") ? w("styleId") : QString();
            if (!id.isEmpty())
                styles.insert(id, Style());
        } else if (id.isEmpty() || !styles.contains(id)) {
            continue;
        } else if (x.name() == QLatin1String("name")) {
            const int level = Flow::headingLevel(w("val"));
            if (level >= 0) {
                styles[id].heading = level;
                styles[id].decided = true;
            }
        } else if (x.name() == QLatin1String("outlineLvl") && !styles[id].decided) {
            styles[id].heading = Flow::outlineHeading(w("val").toInt());
            styles[id].decided = true;
        } else if (x.name() == QLatin1String("basedOn")) {
            styles[id].basedOn = w("val");
        } else if (x.name() == QLatin1String("numId")) {
            styles[id].numbering.numId = w("val");
            styles[id].numbered = true;
        } else if (x.name() == QLatin1String("ilvl")) {
            styles[id].numbering.level = qBound(0, w("val").toInt(), 8);
        }
    }
    for (auto it = styles.cbegin(); it != styles.cend(); ++it) {
        Style s = it.value();
        for (int hops = 0; !s.decided && styles.contains(s.basedOn) && hops < 20; ++hops)
            s = styles.value(s.basedOn);
        package.styleHeadings.insert(it.key(), s.decided ? s.heading : Flow::headingLevel(it.key()));
        s = it.value();
        for (int hops = 0; !s.numbered && styles.contains(s.basedOn) && hops < 20; ++hops)
            s = styles.value(s.basedOn);
        if (s.numbered)
            package.styleNumberings.insert(it.key(), s.numbering);
    }
}

// The numbering part: which abstract numbering each list uses, the number format of its levels and the
// styles its levels name.
void readNumberings(const QByteArray &xml, Package &package)
{
    QXmlStreamReader x(xml);
    auto w = [&x](const char *name) { return x.attributes().value(DocxNames::WordNamespace, QLatin1String(name)).toString(); };
    QString abstract;
    QString level;
    QString num;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.namespaceUri() != DocxNames::WordNamespace)
            continue;
        if (x.name() == QLatin1String("abstractNum")) {
            abstract = w("abstractNumId");
            num.clear();
            level.clear();
        } else if (x.name() == QLatin1String("lvl")) {
            level = w("ilvl");
        } else if (x.name() == QLatin1String("numFmt") && !abstract.isEmpty() && num.isEmpty()) {
            package.levelFormats.insert(abstract + QLatin1Char('/') + level, w("val"));
        } else if (x.name() == QLatin1String("pStyle") && !abstract.isEmpty() && num.isEmpty()) {
            package.styleLevels.insert(abstract + QLatin1Char('/') + w("val"), qBound(0, level.toInt(), 8));
        } else if (x.name() == QLatin1String("start") && !abstract.isEmpty() && num.isEmpty()) {
            package.levelStarts.insert(abstract + QLatin1Char('/') + level, w("val").toInt());
        } else if (x.name() == QLatin1String("lvlOverride") && !num.isEmpty()) {
            level = w("ilvl");
        } else if (x.name() == QLatin1String("startOverride") && !num.isEmpty()) {
            package.levelStarts.insert(QLatin1Char('#') + num + QLatin1Char('/') + level, w("val").toInt());
        } else if (x.name() == QLatin1String("num")) {
            // A level named by the list before names none of this one.
            num = w("numId");
            abstract.clear();
            level.clear();
        } else if (x.name() == QLatin1String("abstractNumId") && !num.isEmpty()) {
            package.numberings.insert(num, w("val"));
        }
    }
}

QString officeDocumentName(ZipPackage &zip)
{
    QByteArray bytes;
    if (zip.read(QStringLiteral("_rels/.rels"), bytes, 1024 * 1024)) {
        QXmlStreamReader x(bytes);
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("Relationship")
                && x.attributes().value(QLatin1String("Type")) == DocxNames::RelOfficeDocument
                && x.attributes().value(QLatin1String("TargetMode")).isEmpty()) {
                const QString name = ZipPackage::resolve(QString(), x.attributes().value(QLatin1String("Target")).toString());
                if (!name.isEmpty())
                    return name;
            }
        }
    }
    return QStringLiteral("word/document.xml");
}

} // namespace

bool DocxReader::read(PageDocument &target, const QByteArray &bytes, QString *problem, QStringList *unreadPictures)
{
    auto fail = [problem](const QString &why) {
        if (problem && !why.isEmpty())
            *problem = why;
        return false;
    };
    if (bytes.size() > FileLimit)
        return false;
    ZipPackage zip;
    if (!zip.open(bytes))
        return fail(notPackageProblem());
    const QString documentName = officeDocumentName(zip);
    QByteArray xml;
    if (!zip.read(documentName, xml)) {
        if (!zip.contains(documentName))
            return fail(missingPartProblem(documentName));
        return fail(zip.unpackedSize(documentName) > ZipPackage::EntryLimit ? largePartProblem(documentName)
                                                                              : damagedPartProblem(documentName, 0));
    }
    // A part's reader names what it refused; else the part's XML is damaged.
    auto failIn = [&fail](const PartReader &reader, const QString &part) {
        return fail(reader.problem.isEmpty() ? damagedPartProblem(part, reader.line()) : reader.problem);
    };
    PageDocument page(PageDocument::WithoutLayout);
    Package package;
    PartReader body(zip, page, documentName, package);
    QByteArray partXml;
    if (zip.read(body.relOfType(DocxNames::RelStyles), partXml, 16 * 1024 * 1024))
        readStyles(partXml, package);
    if (zip.read(body.relOfType(DocxNames::RelNumbering), partXml, 16 * 1024 * 1024))
        readNumberings(partXml, package);
    Flow::Items items;
    if (!body.read(xml, items))
        return failIn(body, documentName);
    std::vector<Flow::Items> notes(size_t(package.notes.size()));
    for (const auto &[type, endnotes] : {std::pair{DocxNames::RelFootnotes, false}, std::pair{DocxNames::RelEndnotes, true}}) {
        const QString name = body.relOfType(type);
        if (package.notes.isEmpty() || !zip.read(name, partXml))
            continue;
        PartReader reader(zip, page, name, package);
        if (!reader.readNotes(partXml, endnotes, notes))
            return failIn(reader, name);
    }
    Flow::appendNotes(items, notes);
    page.setPageSetup(body.setup);
    QString why;
    if (!Flow::build(page, page.main(), items, &why))
        return fail(why);

    // Without titlePg the first page shows the ordinary parts, whatever first-page parts the file has.
    // With it the first page shows its own, or none: an empty first-page part keeps the ordinary one off.
    const QString none;
    const QString *names[] = {&body.header[0], body.titlePage ? &body.header[1] : &none,
                              &body.footer[0], body.titlePage ? &body.footer[1] : &none};
    const int flags[] = {HeaderAll, HeaderFirst, FooterAll, FooterFirst};
    for (int i = 0; i < 4; ++i) {
        const bool first = flags[i] == HeaderFirst || flags[i] == FooterFirst;
        if (first && body.titlePage && page.part(flags[i - 1]))
            page.ensurePart(flags[i]);
        if (names[i]->isEmpty() || !zip.read(*names[i], partXml))
            continue;
        PartReader reader(zip, page, *names[i], package);
        Flow::Items partItems;
        if (!reader.read(partXml, partItems))
            return failIn(reader, *names[i]);
        if (!Flow::build(page, page.ensurePart(flags[i]), partItems, &why))
            return fail(why);
    }
    if (!Flow::handOver(page, target, problem))
        return false;
    if (unreadPictures)
        *unreadPictures = package.unreadPictures;
    return true;
}

QString DocxReader::notPackageProblem()
{
    return QStringLiteral("ﾌｧｲﾙが壊れています(Word 文書の zip として読めません)｡");
}

QString DocxReader::missingPartProblem(const QString &part)
{
    return QStringLiteral("Word 文書に本文 %1 がありません｡").arg(part);
}

QString DocxReader::largePartProblem(const QString &part)
{
    return QStringLiteral("Word 文書の %1 が大きすぎます(展開して %2 MB まで)｡").arg(part).arg(ZipPackage::EntryLimit / (1024 * 1024));
}

QString DocxReader::damagedPartProblem(const QString &part, qint64 line)
{
    if (line <= 0)
        return QStringLiteral("Word 文書の %1 が壊れています｡").arg(part);
    return QStringLiteral("Word 文書の %1 が壊れています(%2 行目)｡").arg(part).arg(line);
}

bool DocxReader::readFile(PageDocument &page, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > FileLimit)
        return false;
    return read(page, file.readAll());
}
