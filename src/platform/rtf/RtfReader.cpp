#include "platform/rtf/RtfReader.h"

#include "platform/docx/FlowBuilder.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richtext/TextProps.h"
#include "platform/text/SymbolFont.h"
#include "platform/text/SystemCodec.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>

using namespace TextProps;

namespace {

constexpr double TwipsPerPixel = 15.0;

struct CellDef {
    int edge = 0;
    Flow::Cell::Merge merge = Flow::Cell::None;
    QColor background;
};

struct OpenTable {
    std::vector<std::vector<Flow::Cell>> rows;
    std::vector<std::vector<CellDef>> defs;   // of the cells each row has
    QSet<int> edges;                          // of those cells: each a grid line of the page table
    std::vector<Flow::Cell> rowCells;
    Flow::Items cellItems;
    bool cellStarted = false;
};

// Where text goes: the body or one header/footer part, each with its own paragraph and open tables.
struct Context {
    Flow::Items items;
    Flow::Paragraph paragraph;
    bool hasContent = false;
    bool inTable = false;
    int itap = 0;
    std::vector<OpenTable> tables;
    std::map<int, std::vector<CellDef>> rowDefs;   // by table depth
    CellDef pendingCell;
};

// Shape: a shape's properties (\shpinst), whose names (\sn) are read in ShapeName and whose picture
// (the value of pib) in ShapePicture.
enum class Dest { Text, Skip, Object, FontTable, ColourTable, StyleSheet, Picture, FieldInstruction, ListTable, ListOverrides,
                  Shape, ShapeName, ShapePicture };

// The runs that associated properties (\ab, \ai, \afs, ...) are given for: those of the character set the
// last \loch, \hich or \dbch named, and right-to-left ones (after \rtlch).
enum class CharSet { Low, High, Double, RightToLeft };

struct GroupState {
    Dest dest = Dest::Text;
    int context = 0;
    QTextCharFormat format;  // the plain properties: of all text
    int font = -1;
    int wideFont = -1;       // the font of double-byte text (\dbch\af), -1 the current one
    CharSet charSet = CharSet::Low; // the last \loch, \hich or \dbch: under \dbch text is read as
                                    // double-byte, \af names its font
    bool rightToLeft = false; // after \rtlch (until \ltrch or a character set): the text is a right-to-left
                              // run, and \af names its font, which this reader keeps none of
    std::array<QTextCharFormat, 4> associated; // what \ab, \ai, \afs, \aul and \astrike gave each CharSet
    int uc = 1;
    bool fieldResult = false;
    int field = -1;          // the open field (Parser::m_fields) this group is of, -1 none
    int shape = -1;          // the open shape (Parser::m_shapes) this group is of, -1 none
    bool list = false;       // the group of a list or list override
};

struct Font {
    QString name;
    int charset = -1;
    int codePage = 0;   // \cpg, 0 none
};

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

constexpr int MacRoman = 10000;
constexpr int Utf8CodePage = 65001;

// The code pages we read: Windows', DOS's, Mac Roman and UTF-8.
bool isKnownCodePage(int codePage)
{
    static const std::set<int> pages = {437, 737, 775, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869, 874,
                                        932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, MacRoman,
                                        Utf8CodePage};
    return pages.count(codePage) > 0;
}

// The code page of a font's character set; 0 the document's. The symbol character set (2) has none.
int charsetCodePage(int charset)
{
    static const std::map<int, int> pages = {
        {0, 1252}, {77, MacRoman}, {78, 932}, {128, 932}, {129, 949}, {134, 936}, {136, 950}, {161, 1253}, {162, 1254},
        {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250}, {255, 437}};
    const auto it = pages.find(charset);
    return it == pages.end() ? 0 : it->second;
}

constexpr int SymbolCharset = 2;

// How the bytes of text are read: in the code page of the font that applies to them, or as the codes of a
// symbol font.
struct Reading {
    enum Symbols { None, SymbolLetters, SymbolCodes };
    int codePage = 1252;
    Symbols symbols = None;
    int font = -1;          // the font that applies
    bool associated = false; // it is the one \dbch\af associates, not the current one
    bool operator==(const Reading &) const = default;
};

// Whether `lead` and `trail` are one character of a double-byte code page.
bool isPair(int codePage, uchar lead, uchar trail)
{
    switch (codePage) {
    case 932:
        return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
    case 936:
        return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
    case 949:
        return lead >= 0x81 && lead <= 0xFE
            && ((trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A) || (trail >= 0x81 && trail <= 0xFE));
    case 950:
        return lead >= 0x81 && lead <= 0xFE && ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE));
    default:
        return false;
    }
}

QString decodeIn(const QByteArray &bytes, int codePage)
{
    // ASCII is the same in each (and most text between double-byte characters is ASCII).
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    if (codePage == 932)
        return SystemCodec::toUnicode(bytes);
    if (codePage == Utf8CodePage)
        return QString::fromUtf8(bytes);
    QString text;
    const QByteArray name = codePage == MacRoman ? QByteArrayLiteral("MACINTOSH") : "CP" + QByteArray::number(codePage);
    if (codePage != 1252 && SystemCodec::decode(bytes, name, text))
        return text;
    QStringDecoder decoder("windows-1252");
    return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
}

// Sets the property of characters `w` names in `f`: those that have an associated form (\ab of \b).
bool characterProperty(QTextCharFormat &f, const QByteArray &w, bool on, int p)
{
    if (w == "b")
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    else if (w == "i")
        f.setFontItalic(on);
    else if (w == "ul")
        f.setFontUnderline(on);
    else if (w == "ulnone")
        f.setFontUnderline(false);
    else if (w == "strike")
        f.setFontStrikeOut(on);
    else if (w == "fs" && p >= 2 && p <= 3276)
        f.setFontPointSize(p / 2.0);
    else
        return w == "fs";   // a size out of bounds is no size
    return true;
}

// The text an EQ field shows, read from its instruction: plain text, raised or lowered text (\s) and
// text set over other text (\o). An \o whose argument is raised or lowered text is ruby, as word
// processors write furigana (`EQ \* jc2 \* hps10 \o\ad(\s\up 9(でんしゃ),電車)`): that argument is its
// reading. Characters are kept as their places in the instruction, which keep their formats there;
// `\,` `\(` `\)` and `\\` are the characters themselves, unescaped parentheses and commas inside an
// argument are text (LibreOffice writes them so), a missing closing parenthesis ends at the end.
// Fields of other elements (fractions, roots, brackets ...) are no text we read.
class EqReader
{
public:
    explicit EqReader(const QString &s) : m_s(s) {}

    using Places = std::vector<qsizetype>;
    // False when the instruction is no such field or shows no base text.
    bool read(Places &base, std::vector<Places> &readings);

private:
    struct Piece {
        Places base;
        std::vector<Places> readings;
        bool raised = false;   // nothing but one raised or lowered text, `base` its characters
    };
    static constexpr int DepthLimit = 16;
    bool sequence(qsizetype from, qsizetype to, int depth, bool top, Piece &out);
    bool element(qsizetype &i, qsizetype to, int depth, Piece &out);
    qsizetype closing(qsizetype open, qsizetype to) const;
    bool isLetter(qsizetype i) const { return i < m_s.size() && m_s.at(i).isLetter() && m_s.at(i).unicode() < 0x80; }
    void trim(Places &places) const;

    const QString &m_s;
};

bool EqReader::read(Places &base, std::vector<Places> &readings)
{
    qsizetype i = 0;
    while (i < m_s.size() && m_s.at(i).isSpace())
        ++i;
    if (m_s.mid(i, 2).compare(QLatin1String("EQ"), Qt::CaseInsensitive) != 0)
        return false;
    i += 2;
    if (i < m_s.size() && !m_s.at(i).isSpace() && m_s.at(i) != QLatin1Char('\\'))
        return false;
    Piece all;
    if (!sequence(i, m_s.size(), 0, true, all))
        return false;
    base = std::move(all.base);
    trim(base);
    readings.clear();
    for (Places &reading : all.readings) {
        trim(reading);
        if (!reading.empty())
            readings.push_back(std::move(reading));
    }
    return !base.empty();
}

void EqReader::trim(Places &places) const
{
    while (!places.empty() && m_s.at(places.back()).isSpace())
        places.pop_back();
    const auto first = std::find_if(places.begin(), places.end(), [this](qsizetype at) { return !m_s.at(at).isSpace(); });
    places.erase(places.begin(), first);
}

// The place of the parenthesis that closes the one at `open`, else `to`.
qsizetype EqReader::closing(qsizetype open, qsizetype to) const
{
    int depth = 0;
    for (qsizetype i = open; i < to; ++i) {
        const QChar c = m_s.at(i);
        if (c == QLatin1Char('\\'))
            ++i;
        else if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth == 0)
            return i;
    }
    return to;
}

bool EqReader::sequence(qsizetype from, qsizetype to, int depth, bool top, Piece &out)
{
    if (depth > DepthLimit)
        return false;
    int elements = 0;
    bool text = false;
    bool raised = false;
    for (qsizetype i = from; i < to;) {
        const QChar c = m_s.at(i);
        if (c != QLatin1Char('\\')) {
            // Blanks between the switches and elements of the field are no text of it.
            if (!(top && c.isSpace())) {
                out.base.push_back(i);
                text = text || !c.isSpace();
            }
            ++i;
        } else if (isLetter(i + 1)) {
            Piece piece;
            if (!element(i, to, depth, piece))
                return false;
            ++elements;
            raised = piece.raised;
            out.base.insert(out.base.end(), piece.base.begin(), piece.base.end());
            out.readings.insert(out.readings.end(), piece.readings.begin(), piece.readings.end());
        } else if (i + 1 < to && m_s.at(i + 1) == QLatin1Char('*')) {
            // A switch and its value: \* jc2, \* "Font:MS Mincho", \* hps10.
            i += 2;
            while (i < to && m_s.at(i).isSpace())
                ++i;
            if (i < to && m_s.at(i) == QLatin1Char('"')) {
                const qsizetype end = m_s.indexOf(QLatin1Char('"'), i + 1);
                i = end < 0 || end >= to ? to : end + 1;
            } else {
                while (i < to && !m_s.at(i).isSpace() && m_s.at(i) != QLatin1Char('\\'))
                    ++i;
            }
        } else {
            if (i + 1 < to) {
                out.base.push_back(i + 1);
                text = true;
            }
            i += 2;
        }
    }
    out.raised = elements == 1 && raised && !text;
    return true;
}

// An element at `i` (a backslash): its name, its options (\up 9, \ad ...), its arguments in parentheses.
bool EqReader::element(qsizetype &i, qsizetype to, int depth, Piece &out)
{
    auto word = [&] {
        const qsizetype start = ++i;
        while (i < to && isLetter(i))
            ++i;
        return m_s.mid(start, i - start).toLower();
    };
    const QString name = word();
    QStringList options;
    for (;;) {
        while (i < to && m_s.at(i).isSpace())
            ++i;
        if (i + 1 < to && m_s.at(i) == QLatin1Char('\\') && isLetter(i + 1)) {
            options << word();
            while (i < to && m_s.at(i).isSpace())
                ++i;
            if (i < to && m_s.at(i) == QLatin1Char('-'))
                ++i;
            while (i < to && m_s.at(i).isDigit())
                ++i;
            continue;
        }
        break;
    }
    if (i >= to || m_s.at(i) != QLatin1Char('(') || (name != QLatin1String("o") && name != QLatin1String("s")))
        return false;
    const qsizetype open = i;
    const qsizetype close = closing(open, to);
    i = close < to ? close + 1 : to;
    if (name == QLatin1String("s")) {
        Piece content;
        if (!sequence(open + 1, close, depth + 1, false, content))
            return false;
        out.base = std::move(content.base);
        out.readings = std::move(content.readings);
        out.raised = options.contains(QLatin1String("up")) || options.contains(QLatin1String("do"));
        return true;
    }
    // \o: its arguments, between the commas of its own level.
    qsizetype start = open + 1;
    int level = 0;
    for (qsizetype at = start; at <= close; ++at) {
        const QChar c = at < close ? m_s.at(at) : QChar(u',');
        if (at < close && c == QLatin1Char('\\')) {
            ++at;
            continue;
        }
        if (c == QLatin1Char('('))
            ++level;
        else if (c == QLatin1Char(')'))
            --level;
        if (c != QLatin1Char(',') || (level > 0 && at < close))
            continue;
        Piece argument;
        if (!sequence(start, at, depth + 1, false, argument))
            return false;
        if (argument.raised) {
            out.readings.push_back(std::move(argument.base));
        } else if (!argument.base.empty()) {
            if (!out.base.empty())
                out.base.push_back(start - 1);   // the comma before it: text the argument held
            out.base.insert(out.base.end(), argument.base.begin(), argument.base.end());
        }
        out.readings.insert(out.readings.end(), argument.readings.begin(), argument.readings.end());
        start = at + 1;
    }
    return true;
}

class Parser
{
public:
    Parser(const QByteArray &bytes, PageDocument &page) : m_in(bytes), m_page(page) {}
    bool parse();

    PageSetup setup;
    std::map<int, Context> contexts;   // 0 body, a part's flag, or minus a note's number
    QString problem;
    QStringList unreadPictures;       // left out, by their places
    QStringList unreadParts;          // fields and shapes left out, named
    int notes = 0;
    bool titlePage = false;            // the first section's \titlepg: page 1 shows \headerf and \footerf

private:
    bool controlWord(const QByteArray &word, bool hasParam, int param);
    void controlSymbol(char c);
    void text(const QByteArray &bytes);
    void flushText();
    void appendText(const QString &text, const QTextCharFormat *format = nullptr);
    void addFormatted(Flow::Paragraph &to, const QString &text, const QTextCharFormat *format, const QString &link);
    void appendSymbols(const QString &codes, const Reading &reading);
    int codePageOf(int font) const;
    Reading currentReading() const;
    QTextCharFormat withFamily(QTextCharFormat format, int font) const;
    CharSet associatedSet() const;
    int doubleByteFont() const;
    void endGroup(const GroupState &closed);
    Context &ctx() { return contexts[m_state.context]; }
    int depth(const Context &c) const { return c.itap > 0 ? c.itap : (c.inTable ? 1 : 0); }
    void endParagraph(int cellDepth);
    void pushParagraph(Context &c, int d);
    void endRow(int rowDepth);
    bool openTablesTo(Context &c, int d);
    void closeTablesTo(Context &c, int d);
    Flow::Items &container(Context &c, int d);
    void finishContext(int key);
    void startPicture();
    void finishPicture();
    void startField();
    void startFieldResult();
    void finishField();
    void startShape();
    void finishShape();
    bool listWord(const QByteArray &w, int p);
    bool characterWord(const QByteArray &w, bool on, int p);
    QColor colourAt(int index) const { return index > 0 && index < m_colours.size() ? m_colours.at(index) : QColor(); }

    const QByteArray &m_in;
    PageDocument &m_page;
    qsizetype m_pos = 0;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    bool m_ignorable = false;
    QByteArray m_pendingBytes;
    Reading m_pending;
    int m_skip = 0;            // fallback characters still to skip after \u
    int m_codePage = 1252;
    int m_defaultFont = 0;
    bool m_failed = false;

    QHash<int, Font> m_fonts;
    int m_fontBeingRead = -1;
    QList<QColor> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSet = false;
    // Paragraph styles: the heading a style's name or outline level makes it (decided), else the one of
    // the style it is based on.
    struct Style {
        int heading = -1;
        bool decided = false;
        int basedOn = -1;
    };
    QHash<int, Style> m_styles;
    int m_styleBeingRead = -1;
    int m_styleLevel = -1;
    int m_styleBasedOn = -1;
    QString m_styleName;
    int styleHeading(int style) const;
    bool m_sectionEnded = false;

    // The fields open around the text read now, the innermost last: each one's instruction, as text in
    // its formats, and what the page had when its result began.
    struct OpenField {
        Flow::Paragraph instruction;
        bool result = false;
        bool ruby = false;   // an EQ field read from its instruction: its result is not
        qint64 characters = 0, pictures = 0, shapes = 0;
        QString text() const;
    };
    std::vector<OpenField> m_fields;
    bool readEq(const OpenField &field);
    QString m_link;
    // The shapes open around the text read now: each one's place among the document's shapes, and
    // what the page had when it began.
    struct OpenShape {
        int place = 0;
        bool textBox = false;   // it holds text of its own (\shptxt)
        bool picture = false;   // its pib picture was met, read or left out
        bool inner = false;     // a shape inside it was read or named
        qint64 characters = 0, pictures = 0;
    };
    std::vector<OpenShape> m_shapes;
    int m_shapeCount = 0;       // met so far
    QString m_shapeProperty;    // the name of the shape property being read

    // Lists: \ls numbers -> list ids -> each level's \levelnfc (23 bullets, 255 none, else numbers) and
    // \levelstartat.
    struct ListLevel {
        int nfc = 23;
        int start = 1;
    };
    QHash<int, int> m_listOfOverride;
    QHash<int, QList<ListLevel>> m_listLevels;
    int m_listBeingRead = 0;
    QList<ListLevel> m_levelsBeingRead;
    // The kind of numbers of the paragraph's list level; once the paragraph is `whole`, a level that
    // marks nothing takes it out of the list.
    void takeListLevel(Flow::Paragraph &p, bool whole = false) const;
    int m_overrideList = 0;
    qint64 m_cells = 0;
    qint64 m_characters = 0;   // of the text read so far, notes, headers and footers too

    QByteArray m_pictureHex;
    QByteArray m_pictureBinary;
    int m_pictures = 0;        // read so far, whole or left out
    PictureDoor m_door;        // the read's budget
    int m_pictureWidthGoal = 0, m_pictureHeightGoal = 0;
    int m_pictureScaleX = 100, m_pictureScaleY = 100;
    QTextCharFormat m_pictureFormat;
};

bool Parser::parse()
{
    const qsizetype n = m_in.size();
    if (!m_in.startsWith("{\\rtf")) {
        problem = RtfReader::notRtfProblem();
        return false;
    }
    while (m_pos < n && !m_failed) {
        const char c = m_in.at(m_pos);
        if (c == '{') {
            flushText();
            if (m_stack.size() >= size_t(RtfReader::GroupLimit)) {
                problem = Flow::elementNestingProblem();
                return false;
            }
            m_stack.push_back(m_state);
            ++m_pos;
        } else if (c == '}') {
            flushText();
            if (m_stack.empty())
                return false;
            const GroupState closed = m_state;
            m_state = m_stack.back();
            m_stack.pop_back();
            m_skip = 0;   // a \u's fallback ends with its group
            endGroup(closed);
            ++m_pos;
            if (m_stack.empty())
                break; // the document's group has ended: what follows is not ours
        } else if (c == '\\') {
            ++m_pos;
            if (m_pos >= n)
                break;
            const char d = m_in.at(m_pos);
            if ((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z')) {
                const qsizetype start = m_pos;
                while (m_pos < n && m_pos - start < 32 && std::isalpha(uchar(m_in.at(m_pos))))
                    ++m_pos;
                const QByteArray word = m_in.mid(start, m_pos - start);
                bool hasParam = false;
                qint64 value = 0;
                bool negative = false;
                if (m_pos < n && m_in.at(m_pos) == '-') {
                    negative = true;
                    ++m_pos;
                }
                int digits = 0;
                while (m_pos < n && std::isdigit(uchar(m_in.at(m_pos))) && digits < 10) {
                    value = value * 10 + (m_in.at(m_pos) - '0');
                    hasParam = true;
                    ++m_pos;
                    ++digits;
                }
                if (m_pos < n && m_in.at(m_pos) == ' ')
                    ++m_pos;
                const int param = int(qBound<qint64>(-2147483647LL, negative ? -value : value, 2147483647LL));
                if (!controlWord(word.toLower(), hasParam, param))
                    return false;
            } else if (d == '\'') {
                if (m_pos + 2 >= n)
                    break;
                if (!std::isxdigit(uchar(m_in.at(m_pos + 1))) || !std::isxdigit(uchar(m_in.at(m_pos + 2)))) {
                    problem = RtfReader::escapeProblem(m_pos);   // the backslash's place, from 1
                    return false;
                }
                const int byte = m_in.mid(m_pos + 1, 2).toInt(nullptr, 16);
                m_pos += 3;
                if (m_skip > 0) {
                    --m_skip;
                    continue;
                }
                text(QByteArray(1, char(byte)));
            } else {
                ++m_pos;
                controlSymbol(d);
            }
        } else if (c == '\r' || c == '\n') {
            ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < n && m_in.at(m_pos) != '{' && m_in.at(m_pos) != '}' && m_in.at(m_pos) != '\\'
                   && m_in.at(m_pos) != '\r' && m_in.at(m_pos) != '\n')
                ++m_pos;
            QByteArray chunk = m_in.mid(start, m_pos - start);
            if (m_skip > 0) {
                const qsizetype skipped = qMin<qsizetype>(m_skip, chunk.size());
                m_skip -= int(skipped);
                chunk.remove(0, skipped);
            }
            if (!chunk.isEmpty())
                text(chunk);
        }
    }
    if (m_failed)
        return false;
    if (!m_stack.empty()) {
        problem = RtfReader::cutShortProblem();
        return false;
    }
    flushText();
    for (auto &[key, c] : contexts)
        finishContext(key);
    return true;
}

void Parser::text(const QByteArray &bytes)
{
    switch (m_state.dest) {
    case Dest::Skip:
    case Dest::Object:
    case Dest::Shape:
    case Dest::ShapePicture:
        return;
    case Dest::Picture:
        if (m_pictureHex.size() + bytes.size() > RtfReader::PictureLimit * 2) {
            problem = RtfReader::pictureProblem();
            m_failed = true;
        } else {
            m_pictureHex += bytes;
        }
        return;
    default:
        break;
    }
    const Reading reading = currentReading();
    if (!m_pendingBytes.isEmpty() && !(reading == m_pending))
        flushText();
    m_pending = reading;
    m_pendingBytes += bytes;
}

// The font that applies to text: the current one (\plain's the document's), or under \dbch the one \af
// associates. A font's name is in its own character set.
Reading Parser::currentReading() const
{
    Reading r;
    if (m_state.dest == Dest::FontTable) {
        r.codePage = codePageOf(m_fontBeingRead);
        return r;
    }
    r.font = m_state.font >= 0 ? m_state.font : m_defaultFont;
    if (doubleByteFont() >= 0) {
        r.font = doubleByteFont();
        r.associated = true;
    }
    r.codePage = codePageOf(r.font);
    const auto font = m_fonts.constFind(r.font);
    if (font != m_fonts.cend() && font->charset == SymbolCharset)
        r.symbols = SymbolFont::isSymbol(font->name) ? Reading::SymbolLetters : Reading::SymbolCodes;
    return r;
}

// The code page of a font: its own (\cpg), else its character set's, else the document's (\ansicpg).
int Parser::codePageOf(int font) const
{
    const auto f = m_fonts.constFind(font);
    if (f == m_fonts.cend())
        return m_codePage;
    if (isKnownCodePage(f->codePage))
        return f->codePage;
    const int page = charsetCodePage(f->charset);
    return page != 0 ? page : m_codePage;
}

// `format` in the family of `font`.
QTextCharFormat Parser::withFamily(QTextCharFormat format, int font) const
{
    const QString name = m_fonts.value(font).name.trimmed();
    if (font == m_defaultFont)
        format.clearProperty(QTextFormat::FontFamilies);
    else if (font >= 0 && !name.isEmpty())
        format.setFontFamilies({name});
    return format;
}

void Parser::flushText()
{
    if (m_pendingBytes.isEmpty())
        return;
    const QByteArray bytes = std::exchange(m_pendingBytes, QByteArray());
    const Reading &r = m_pending;
    if (r.symbols != Reading::None) {
        QString codes;
        codes.reserve(bytes.size());
        for (const char c : bytes)
            codes += QChar(char16_t(uchar(c) > 0x20 ? 0xF000 + uchar(c) : uchar(c)));
        appendSymbols(codes, r);
        return;
    }
    if (!r.associated || !isDoubleByte(r.codePage)) {
        appendText(decodeIn(bytes, r.codePage));
        return;
    }
    // Word writes double-byte text under a Latin font with the Japanese one associated (\dbch\af): its
    // pairs are read in that font's code page, the single bytes among them each alone.
    const qsizetype n = bytes.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i + 1 < n;) {
        if (!isPair(r.codePage, uchar(bytes.at(i)), uchar(bytes.at(i + 1)))) {
            ++i;
            continue;
        }
        qsizetype end = i + 2;
        while (end + 1 < n && isPair(r.codePage, uchar(bytes.at(end)), uchar(bytes.at(end + 1))))
            end += 2;
        if (from < i)
            appendText(decodeIn(bytes.mid(from, i - from), r.codePage));
        appendText(decodeIn(bytes.mid(i, end - i), r.codePage));
        from = i = end;
    }
    if (from < n)
        appendText(decodeIn(bytes.mid(from), r.codePage));
}

// Characters of a symbol font, as its codes U+F020-U+F0FF (blanks and controls as they are): the
// Symbol font's are the letters and signs it shows, in the text's own family; others keep their code
// in the font, which draws them where it is installed.
void Parser::appendSymbols(const QString &codes, const Reading &reading)
{
    QTextCharFormat letters = m_state.format;
    letters.clearProperty(QTextFormat::FontFamilies);
    QTextCharFormat kept = m_state.format;
    const QString name = m_fonts.value(reading.font).name.trimmed();
    if (!name.isEmpty())
        kept.setFontFamilies({name});
    QString run;
    bool runKept = false;
    for (const QChar c : codes) {
        const char16_t letter = reading.symbols == Reading::SymbolLetters ? SymbolFont::letter(c.unicode()) : 0;
        const bool isKept = letter == 0 && c.unicode() >= 0xF000;
        if (isKept != runKept && !run.isEmpty()) {
            appendText(run, runKept ? &kept : &letters);
            run.clear();
        }
        runKept = isKept;
        run += letter != 0 ? QChar(letter) : c;
    }
    if (!run.isEmpty())
        appendText(run, runKept ? &kept : &letters);
}

void Parser::appendText(const QString &text, const QTextCharFormat *format)
{
    switch (m_state.dest) {
    case Dest::Text: {
        m_characters += text.size();
        if (m_characters > Flow::TextLimit) {
            problem = Flow::textProblem();
            m_failed = true;
            break;
        }
        Context &c = ctx();
        addFormatted(c.paragraph, text, format, m_state.fieldResult ? m_link : QString());
        c.hasContent = true;
        break;
    }
    case Dest::FontTable: {
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
        if (!m_fonts.contains(m_fontBeingRead))
            break;
        Font &font = m_fonts[m_fontBeingRead];
        if (font.name.size() < 200)
            font.name += semicolon < 0 ? text : text.left(semicolon);
        break;
    }
    case Dest::ColourTable:
        for (QChar ch : text) {
            if (ch == QLatin1Char(';')) {
                if (m_colours.size() < RtfReader::TableEntryLimit)
                    m_colours << (m_colourSet ? QColor(m_red, m_green, m_blue) : QColor());
                m_red = m_green = m_blue = 0;
                m_colourSet = false;
            }
        }
        break;
    case Dest::StyleSheet:
        if (m_styleName.size() < 200)
            m_styleName += text;
        break;
    case Dest::FieldInstruction:
        if (m_state.field >= 0 && m_fields[size_t(m_state.field)].instruction.characters < 10000)
            addFormatted(m_fields[size_t(m_state.field)].instruction, text, format, QString());
        break;
    case Dest::ShapeName:
        if (m_shapeProperty.size() < 64)
            m_shapeProperty += text;
        break;
    default:
        break;
    }
}

// Adds text in its format (the group's when `format` is none) with the associated properties of the
// run read now.
void Parser::addFormatted(Flow::Paragraph &to, const QString &text, const QTextCharFormat *format, const QString &link)
{
    QTextCharFormat own = format ? *format : m_state.format;
    own.merge(m_state.associated[size_t(associatedSet())]);
    const int wide = format ? -1 : doubleByteFont();
    if (wide < 0) {
        to.addText(text, own, link);
        return;
    }
    // Word writes Latin text under \dbch too, in the font \f names: the double-byte font holds for the
    // characters above U+007F.
    const QTextCharFormat wideFormat = withFamily(own, wide);
    for (qsizetype from = 0; from < text.size();) {
        const bool low = text.at(from).unicode() < 0x80;
        qsizetype end = from + 1;
        while (end < text.size() && (text.at(end).unicode() < 0x80) == low)
            ++end;
        to.addText(text.mid(from, end - from), low ? own : wideFormat, link);
        from = end;
    }
}

// The set of the run read now: the associated properties read now are for it, and hold for its text.
CharSet Parser::associatedSet() const
{
    return m_state.rightToLeft ? CharSet::RightToLeft : m_state.charSet;
}

// The font \dbch\af associates when it is not the current one, else -1.
int Parser::doubleByteFont() const
{
    const int font = m_state.font >= 0 ? m_state.font : m_defaultFont;
    return m_state.charSet == CharSet::Double && m_state.wideFont >= 0 && m_state.wideFont != font ? m_state.wideFont : -1;
}

void Parser::endGroup(const GroupState &closed)
{
    if (closed.dest == Dest::ListTable && m_listBeingRead != 0 && closed.list && !m_state.list) {
        m_listLevels.insert(m_listBeingRead, m_levelsBeingRead);
        m_listBeingRead = 0;
        m_levelsBeingRead.clear();
    } else if (closed.dest == Dest::ListOverrides && closed.list && !m_state.list) {
        m_overrideList = 0;
    } else if (closed.dest == Dest::Picture && m_state.dest != Dest::Picture) {
        finishPicture();
    } else if (closed.dest == Dest::StyleSheet && m_styleBeingRead >= 0 && m_state.dest == Dest::StyleSheet) {
        Style style;
        style.basedOn = m_styleBasedOn;
        const int named = Flow::headingLevel(m_styleName.section(QLatin1Char(';'), 0, 0).trimmed());
        if (m_styleLevel >= 0) {
            style.heading = Flow::outlineHeading(m_styleLevel);
            style.decided = true;
        } else if (named >= 0) {
            style.heading = named;
            style.decided = true;
        }
        if (m_styles.size() < RtfReader::TableEntryLimit)
            m_styles.insert(m_styleBeingRead, style);
        m_styleBeingRead = -1;
        m_styleLevel = -1;
        m_styleBasedOn = -1;
        m_styleName.clear();
    } else if (closed.context != m_state.context) {
        finishContext(closed.context);
    }
    if (closed.field > m_state.field && closed.field == int(m_fields.size()) - 1)
        finishField();
    if (closed.shape > m_state.shape && closed.shape == int(m_shapes.size()) - 1)
        finishShape();
}

QString Parser::OpenField::text() const
{
    QString all;
    for (const Flow::Span &span : instruction.spans) {
        if (span.kind == Flow::Span::Text)
            all += span.text;
    }
    return all;
}

void Parser::startField()
{
    OpenField field;
    field.characters = m_characters;
    field.pictures = m_pictures;
    field.shapes = m_shapeCount;
    m_state.field = int(m_fields.size());
    m_fields.push_back(std::move(field));
}

// A field's result: a link's text, else what the field shows (an EQ field's text is read from its
// instruction instead).
void Parser::startFieldResult()
{
    OpenField &field = m_fields[size_t(m_state.field)];
    field.result = true;
    field.characters = m_characters;
    field.pictures = m_pictures;
    field.shapes = m_shapeCount;
    field.ruby = readEq(field);
    if (field.ruby) {
        m_state.dest = Dest::Skip;
        return;
    }
    const QString instruction = field.text();
    static const QRegularExpression hyperlink(QStringLiteral("^\\s*HYPERLINK\\s+(?:\\\\l\\s+)?\"([^\"]*)\""));
    const auto m = hyperlink.match(instruction);
    m_link = m.hasMatch() ? m.captured(1) : QString();
    m_state.fieldResult = !m_link.isEmpty();
}

// Reads an EQ field of text and ruby into the page, from its instruction; false when it is none.
bool Parser::readEq(const OpenField &field)
{
    const QString instruction = field.text();
    EqReader::Places base;
    std::vector<EqReader::Places> readings;
    if (!EqReader(instruction).read(base, readings))
        return false;
    // The format of each character of the instruction.
    std::vector<const QTextCharFormat *> formats;
    formats.reserve(size_t(instruction.size()));
    for (const Flow::Span &span : field.instruction.spans) {
        if (span.kind == Flow::Span::Text)
            formats.insert(formats.end(), size_t(span.text.size()), &span.format);
    }
    auto add = [&](Flow::Paragraph &to, const EqReader::Places &places, const QString &link) {
        for (const qsizetype at : places)
            to.addText(QString(instruction.at(at)), *formats[size_t(at)], link);
    };
    Context &c = ctx();
    const QString link = m_state.fieldResult ? m_link : QString();
    const qint64 before = c.paragraph.characters;
    add(c.paragraph, base, link);
    for (const EqReader::Places &places : readings) {
        Flow::Paragraph reading;
        add(reading, places, link);
        c.paragraph.addReading(reading, link);
    }
    c.hasContent = true;
    m_characters += c.paragraph.characters - before;
    if (m_characters > Flow::TextLimit) {
        problem = Flow::textProblem();
        m_failed = true;
    }
    return true;
}

// The end of a field: an EQ field without a result is read now; another one whose result showed
// nothing is named, unless it is one that shows nothing by design or a link.
void Parser::finishField()
{
    const OpenField field = std::move(m_fields.back());
    m_fields.pop_back();
    if (field.ruby || (!field.result && readEq(field)))
        return;
    if (field.result && (m_characters > field.characters || m_pictures > field.pictures || m_shapeCount > field.shapes))
        return;
    const QString instruction = field.text().simplified();
    static const QSet<QString> silent = {QStringLiteral("HYPERLINK"), QStringLiteral("XE"), QStringLiteral("TC"),
                                         QStringLiteral("TA"), QStringLiteral("RD"), QStringLiteral("SET"),
                                         QStringLiteral("PRIVATE")};
    if (instruction.isEmpty() || silent.contains(instruction.section(QLatin1Char(' '), 0, 0).toUpper()))
        return;
    unreadParts << RtfReader::fieldName(instruction);
}

void Parser::startShape()
{
    OpenShape shape;
    shape.place = ++m_shapeCount;
    shape.characters = m_characters;
    shape.pictures = m_pictures;
    m_state.shape = int(m_shapes.size());
    m_shapes.push_back(shape);
}

// The end of a shape: one that gave the page nothing (no picture, no text of its result, no shape
// inside it) is named.
void Parser::finishShape()
{
    const OpenShape shape = m_shapes.back();
    m_shapes.pop_back();
    if (!m_shapes.empty())
        m_shapes.back().inner = true;
    if (!shape.picture && !shape.inner && m_pictures == shape.pictures && m_characters == shape.characters)
        unreadParts << RtfReader::shapeName(shape.place, shape.textBox);
}

void Parser::startPicture()
{
    m_state.dest = Dest::Picture;
    m_pictureHex.clear();
    m_pictureBinary.clear();
    m_pictureWidthGoal = m_pictureHeightGoal = 0;
    m_pictureScaleX = m_pictureScaleY = 100;
    m_pictureFormat = m_state.format;
}

void Parser::finishPicture()
{
    QByteArray bytes = m_pictureBinary.isEmpty() ? QByteArray::fromHex(m_pictureHex) : m_pictureBinary;
    m_pictureHex.clear();
    m_pictureBinary.clear();
    if (bytes.isEmpty())
        return;
    // What the bytes are is told from them, whatever the group says (\pngblip, \wmetafile ...).
    QSize size;
    ++m_pictures;
    const QString name = m_door.admit(m_page, m_door.lookWithin(bytes), &size);
    if (name.isEmpty()) {
        unreadPictures << RtfReader::pictureName(m_pictures);
        return;
    }
    QTextImageFormat image;
    image.merge(m_pictureFormat);
    image.setObjectType(QTextFormat::ImageObject);
    image.setName(name);
    double width = m_pictureWidthGoal > 0 ? m_pictureWidthGoal / TwipsPerPixel : size.width();
    double height = m_pictureHeightGoal > 0 ? m_pictureHeightGoal / TwipsPerPixel : size.height();
    width = qMin(width * qBound(1, m_pictureScaleX, 1000) / 100.0, double(PictureDoor::PictureSide));
    height = qMin(height * qBound(1, m_pictureScaleY, 1000) / 100.0, double(PictureDoor::PictureSide));
    image.setWidth(width);
    image.setHeight(height);
    image.setProperty(PictureLayout, 0);
    image.setProperty(PictureScale, size.width() > 0 ? qRound(width * 100 / size.width()) : 100);
    image.setProperty(PictureStored, true);
    ctx().paragraph.addPicture(image);
    ctx().hasContent = true;
}

Flow::Items &Parser::container(Context &c, int d)
{
    return d == 0 ? c.items : c.tables[size_t(d) - 1].cellItems;
}

bool Parser::openTablesTo(Context &c, int d)
{
    if (d > Flow::NestingLimit) {
        problem = Flow::nestingProblem();
        m_failed = true;
        return false;
    }
    while (int(c.tables.size()) < d)
        c.tables.emplace_back();
    return true;
}

void Parser::closeTablesTo(Context &c, int d)
{
    while (int(c.tables.size()) > d) {
        const int level = int(c.tables.size());
        OpenTable &open = c.tables.back();
        if (!open.rowCells.empty() || open.cellStarted)
            endRow(level);
        OpenTable done = std::move(c.tables.back());
        c.tables.pop_back();
        if (done.rows.empty())
            continue;
        // Grid columns from every edge the rows' cells name: a cell spans the edges after the row's
        // rightmost edge so far, up to its own.
        std::vector<int> edges(done.edges.cbegin(), done.edges.cend());
        std::sort(edges.begin(), edges.end());
        auto rank = [&edges](int edge) { return int(std::lower_bound(edges.begin(), edges.end(), edge) - edges.begin()) + 1; };
        auto table = std::make_shared<Flow::Table>();
        for (size_t r = 0; r < done.rows.size(); ++r) {
            std::vector<Flow::Cell> &cells = done.rows[r];
            const std::vector<CellDef> &defs = done.defs[r];
            int previous = 0;
            for (size_t i = 0; i < defs.size(); ++i) {
                const int edge = rank(defs[i].edge);
                cells[i].span = qMax(1, edge - previous);
                cells[i].merge = defs[i].merge;
                cells[i].background = defs[i].background;
                previous = qMax(previous, edge);
            }
            table->rows.push_back(std::move(cells));
        }
        Flow::Item item;
        item.table = table;
        container(c, int(c.tables.size())).push_back(std::move(item));
    }
}

// The paragraph properties stay for the next paragraph until \pard, the page break before it does not.
void Parser::pushParagraph(Context &c, int d)
{
    Flow::Item item;
    item.paragraph = std::move(c.paragraph);
    c.paragraph = Flow::Paragraph();
    c.paragraph.block = item.paragraph.block;
    c.paragraph.heading = item.paragraph.heading;
    c.paragraph.list = item.paragraph.list;
    c.paragraph.listLevel = item.paragraph.listLevel;
    c.paragraph.numbered = item.paragraph.numbered;
    c.paragraph.numberStyle = item.paragraph.numberStyle;
    c.paragraph.start = item.paragraph.start;
    c.paragraph.block.clearProperty(QTextFormat::PageBreakPolicy);
    // The level of a whole paragraph (\ilvl may come before or after \ls) decides whether it is an item.
    takeListLevel(item.paragraph, true);
    container(c, d).push_back(std::move(item));
}

void Parser::endParagraph(int cellDepth)
{
    flushText();
    Context &c = ctx();
    int d = depth(c);
    if (cellDepth > 0)
        d = qMax(d, cellDepth);
    closeTablesTo(c, d);
    if (!openTablesTo(c, d))
        return;
    // A cell end right after its last paragraph's \par (as most programs write cells) ends no paragraph
    // of its own.
    const bool emptyEnd = cellDepth > 0 && !c.hasContent && c.paragraph.spans.empty() && !container(c, d).empty()
        && !container(c, d).back().table;
    if (!emptyEnd)
        pushParagraph(c, d);
    c.hasContent = false;
    if (d > 0) {
        OpenTable &t = c.tables[size_t(d) - 1];
        t.cellStarted = true;
        if (cellDepth > 0) {
            Flow::Cell cell;
            cell.items = std::move(t.cellItems);
            t.cellItems.clear();
            t.rowCells.push_back(std::move(cell));
            t.cellStarted = false;
            if (t.rowCells.size() > size_t(Flow::ColumnLimit)) {
                problem = Flow::columnProblem();
                m_failed = true;
            } else if (++m_cells > Flow::CellLimit) {
                problem = Flow::cellProblem();
                m_failed = true;
            }
        }
    }
}

void Parser::endRow(int rowDepth)
{
    Context &c = ctx();
    if (!openTablesTo(c, rowDepth))
        return;
    closeTablesTo(c, rowDepth);
    OpenTable &t = c.tables[size_t(rowDepth) - 1];
    if (t.cellStarted || !t.cellItems.empty()) {
        Flow::Cell cell;
        cell.items = std::move(t.cellItems);
        t.cellItems.clear();
        t.rowCells.push_back(std::move(cell));
        t.cellStarted = false;
    }
    t.rows.push_back(std::move(t.rowCells));
    t.rowCells.clear();
    const std::vector<CellDef> &defs = c.rowDefs[rowDepth];
    const size_t used = qMin(defs.size(), t.rows.back().size());
    t.defs.emplace_back(defs.begin(), defs.begin() + qsizetype(used));
    for (size_t i = 0; i < used; ++i)
        t.edges.insert(defs[i].edge);
    // The page table has a column at least for every edge: refused here, before more rows are read.
    if (t.rows.size() > size_t(Flow::RowLimit)) {
        problem = Flow::rowProblem();
        m_failed = true;
    } else if (t.edges.size() > Flow::ColumnLimit) {
        problem = Flow::columnProblem();
        m_failed = true;
    } else if (qint64(t.rows.size()) * t.edges.size() > Flow::TableCellLimit) {
        problem = Flow::tableCellProblem();
        m_failed = true;
    }
}

void Parser::finishContext(int key)
{
    const GroupState saved = m_state;
    m_state.context = key;
    Context &c = ctx();
    if (c.hasContent || !c.paragraph.spans.empty())
        endParagraph(0);
    closeTablesTo(c, 0);
    m_state = saved;
}

int Parser::styleHeading(int style) const
{
    Style s = m_styles.value(style);
    for (int hops = 0; !s.decided && m_styles.contains(s.basedOn) && hops < 20; ++hops)
        s = m_styles.value(s.basedOn);
    return s.decided ? s.heading : -1;
}

void Parser::takeListLevel(Flow::Paragraph &p, bool whole) const
{
    const QList<ListLevel> levels = m_listLevels.value(m_listOfOverride.value(p.list.toInt()));
    if (p.list.isEmpty() || levels.isEmpty())
        return;
    const ListLevel &level = levels.at(qBound(0, p.listLevel, int(levels.size()) - 1));
    // A level without numbers or bullets (as LibreOffice gives the outline of its headings) marks
    // nothing: the paragraph is no list item.
    if (whole && level.nfc == 255) {
        p.list.clear();
        return;
    }
    p.numbered = level.nfc != 23 && level.nfc != 255;
    p.numberStyle = Flow::rtfNumberStyle(level.nfc);
    p.start = level.start;
}

// The list table: the kind of each list level's numbers or bullets (\levelnfc) and their first number;
// the override table: which list each \ls number means.
bool Parser::listWord(const QByteArray &w, int p)
{
    if (w == "list" || w == "listoverride") {
        m_state.list = true;
        if (w == "list")
            m_levelsBeingRead.clear();
    } else if (w == "listlevel") {
        m_levelsBeingRead << ListLevel();
    } else if (w == "levelnfc" && !m_levelsBeingRead.isEmpty() && m_levelsBeingRead.size() <= 9) {
        m_levelsBeingRead.last().nfc = p;
    } else if (w == "levelstartat" && !m_levelsBeingRead.isEmpty() && m_levelsBeingRead.size() <= 9) {
        m_levelsBeingRead.last().start = p;
    } else if (w == "listid") {
        if (m_state.dest == Dest::ListTable)
            m_listBeingRead = p;
        else
            m_overrideList = p;
    } else if (w == "ls" && m_state.dest == Dest::ListOverrides && m_overrideList != 0) {
        if (m_listOfOverride.size() < 10000)
            m_listOfOverride.insert(p, m_overrideList);
    } else if (w == "leveltext" || w == "levelnumbers" || w == "listname" || w == "listpicture") {
        m_state.dest = Dest::Skip;
    }
    return true;
}

void Parser::controlSymbol(char c)
{
    switch (c) {
    case '\\': case '{': case '}':
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        text(QByteArray(1, c));
        return;
    case '~':
        flushText();
        appendText(QString(QChar(0xA0)));
        return;
    case '_':
        flushText();
        appendText(QString(QChar(0x2011)));
        return;
    case '*':
        m_ignorable = true;
        return;
    case '\n': case '\r':
        if (m_state.dest == Dest::Text)
            endParagraph(0);
        return;
    default:
        return;
    }
}

// A word of the characters' format, for the text and the instructions of fields alike; false when `w`
// is none.
bool Parser::characterWord(const QByteArray &w, bool on, int p)
{
    QTextCharFormat &f = m_state.format;
    if (w == "plain") {
        f = QTextCharFormat();
        m_state.font = -1;
        m_state.wideFont = -1;
        m_state.charSet = CharSet::Low;
        m_state.rightToLeft = false;
        m_state.associated = {};
    } else if (w == "loch" || w == "hich" || w == "dbch") {
        m_state.charSet = w == "loch" ? CharSet::Low : w == "hich" ? CharSet::High : CharSet::Double;
        m_state.rightToLeft = false;
    } else if (w == "rtlch" || w == "ltrch") {
        // The direction of the run, not its character class: double-byte text stays so.
        m_state.rightToLeft = w == "rtlch";
    } else if (w == "af") {
        // \f is the font of single-byte text (writers repeat it after \loch and \hich).
        if (associatedSet() == CharSet::Double)
            m_state.wideFont = p;
    } else if (characterProperty(f, w, on, p)) {
    } else if (w.startsWith('a') && characterProperty(m_state.associated[size_t(associatedSet())], w.mid(1), on, p)) {
    } else if (w == "f") {
        m_state.font = p;
        const Font font = m_fonts.value(p);
        if (p != m_defaultFont && !font.name.trimmed().isEmpty())
            f.setFontFamilies({font.name.trimmed()});
    } else if (w == "cf") {
        if (colourAt(p).isValid())
            f.setForeground(colourAt(p));
        else
            f.clearForeground();
    } else if (w == "chcbpat" || w == "highlight" || w == "cb") {
        if (colourAt(p).isValid())
            f.setBackground(colourAt(p));
        else
            f.clearBackground();
    } else if (w == "super") {
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    } else if (w == "sub") {
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    } else if (w == "nosupersub") {
        f.setVerticalAlignment(QTextCharFormat::AlignNormal);
    } else {
        return false;
    }
    return true;
}

bool Parser::controlWord(const QByteArray &w, bool hasParam, int p)
{
    const bool ignorable = std::exchange(m_ignorable, false);
    if (m_skip > 0 && w != "bin") {
        --m_skip;
        return true;
    }
    if (w == "bin" && m_state.dest != Dest::Picture) {
        // Binary data is skipped whole wherever it stands.
        m_pos += qBound<qint64>(0LL, qint64(p), qint64(m_in.size() - m_pos));
        return true;
    }
    if (m_state.dest == Dest::Skip)
        return true;
    // Characters and breaks
    if (w == "u" && hasParam) {
        flushText();
        const char16_t u = char16_t(p < 0 ? p + 65536 : p);
        const Reading reading = currentReading();
        if (reading.symbols != Reading::None && u >= 0xF020 && u <= 0xF0FF)
            appendSymbols(QString(QChar(u)), reading);
        else
            appendText(QString(QChar(u)));
        m_skip = m_state.uc;
        return true;
    }
    if (w == "uc") {
        m_state.uc = qBound(0, p, 10);
        return true;
    }
    flushText();
    if (m_state.dest == Dest::ListTable || m_state.dest == Dest::ListOverrides)
        return listWord(w, p);
    if (m_state.dest == Dest::Picture) {
        // The picture's own groups ({\*\blipuid ...}, {\*\picprop ...}) hold text that is no picture data.
        if (ignorable)
            m_state.dest = Dest::Skip;
        else if (w == "picwgoal")
            m_pictureWidthGoal = qBound(0, p, 31680 * 4);
        else if (w == "pichgoal")
            m_pictureHeightGoal = qBound(0, p, 31680 * 4);
        else if (w == "picscalex")
            m_pictureScaleX = p;
        else if (w == "picscaley")
            m_pictureScaleY = p;
        else if (w == "bin") {
            const qint64 count = qBound<qint64>(0LL, qint64(p), qint64(m_in.size() - m_pos));
            if (count > RtfReader::PictureLimit) {
                problem = RtfReader::pictureProblem();
                return false;
            }
            m_pictureBinary = m_in.mid(m_pos, count);
            m_pos += count;
        }
        return true;
    }
    if (m_state.dest == Dest::Object) {
        // An embedded object shows its result (text and pictures, as it looked where it was made); its
        // data, class and name are no text of the page.
        if (ignorable || w == "objdata")
            m_state.dest = Dest::Skip;
        else if (w == "result")
            m_state.dest = Dest::Text;
        return true;
    }
    if (m_state.dest == Dest::ShapePicture) {
        if (w == "pict") {
            m_shapes[size_t(m_state.shape)].picture = true;
            startPicture();
        }
        return true;
    }
    if (m_state.dest == Dest::Shape && w != "shp" && w != "shpgrp" && w != "shpinst") {
        // Of a shape's properties ({\sp{\sn name}{\sv value}}) only its picture is read; its own text
        // (a text box's) is not.
        if (w == "sn") {
            m_state.dest = Dest::ShapeName;
            m_shapeProperty.clear();
        } else if (w == "sv") {
            m_state.dest = m_shapeProperty.trimmed() == QLatin1String("pib") ? Dest::ShapePicture : Dest::Skip;
        } else if (w == "shptxt") {
            m_shapes[size_t(m_state.shape)].textBox = true;
            m_state.dest = Dest::Skip;
        } else if (ignorable) {
            m_state.dest = Dest::Skip;
        }
        return true;
    }
    if (m_state.dest == Dest::ShapeName)
        return true;
    // Destinations
    static const std::set<QByteArray> skipped = {
        "info", "footnote", "annotation", "xe", "tc", "txe", "nonshppict", "nonesttables",
        "filetbl", "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata",
        "colorschememapping", "latentstyles", "datastore", "pgdsctbl", "revtbl", "stylesheet2", "fldtype",
        "do", "bkmkstart", "bkmkend", "atnid", "atnauthor", "comment", "private"};
    if (w == "listtable" || w == "listoverridetable") {
        m_state.dest = w == "listtable" ? Dest::ListTable : Dest::ListOverrides;
        return true;
    }
    if (w == "listtext") {
        // The number or bullet as text, for readers without lists; ours has the list.
        m_state.dest = m_listOfOverride.isEmpty() ? Dest::Text : Dest::Skip;
        return true;
    }
    if (w == "footnote" && m_state.dest == Dest::Text && m_state.context >= 0) {
        // A note of the body or a part: its text goes after the body, under the number of its marker.
        m_state.context = -(++notes);
        contexts[m_state.context];
        m_state.format = QTextCharFormat();
        m_state.associated = {};
        return true;
    }
    if (w == "object") {
        m_state.dest = m_state.dest == Dest::Text ? Dest::Object : Dest::Skip;
        return true;
    }
    if (w == "fonttbl") {
        m_state.dest = Dest::FontTable;
        return true;
    }
    if (w == "colortbl") {
        m_state.dest = Dest::ColourTable;
        return true;
    }
    if (w == "stylesheet") {
        m_state.dest = Dest::StyleSheet;
        return true;
    }
    if (w == "pict") {
        startPicture();
        return true;
    }
    // Fields of the text: their instruction and result. A field inside an instruction is text of it.
    const bool fieldOfText = m_state.dest == Dest::Text && m_state.field >= 0;
    if (w == "field") {
        if (m_state.dest == Dest::Text)
            startField();
        return true;
    }
    if (w == "fldinst") {
        m_state.dest = fieldOfText ? Dest::FieldInstruction : Dest::Skip;
        return true;
    }
    if (w == "fldrslt") {
        if (fieldOfText)
            startFieldResult();
        return true;
    }
    // Shapes: a picture shape (LibreOffice's picture anchored to a paragraph or character, Word's
    // floating one) is read as a picture where the shape is anchored, its result (a copy of the picture
    // for readers without shapes) then not.
    if (w == "shp" || w == "shpgrp") {
        if (m_state.dest == Dest::Text || m_state.dest == Dest::Shape)
            startShape();
        else
            m_state.dest = Dest::Skip;
        return true;
    }
    if (w == "shpinst") {
        m_state.dest = m_state.shape >= 0 && (m_state.dest == Dest::Text || m_state.dest == Dest::Shape) ? Dest::Shape : Dest::Skip;
        return true;
    }
    if (w == "shprslt") {
        if (m_state.shape < 0 || m_shapes[size_t(m_state.shape)].picture)
            m_state.dest = Dest::Skip;
        return true;
    }
    if (w == "shppict" || w == "nesttableprops") {
        return true;
    }
    const std::pair<const char *, int> partWords[] = {
        {"header", HeaderAll}, {"headerl", HeaderAll}, {"headerr", HeaderAll}, {"headerf", HeaderFirst},
        {"footer", FooterAll}, {"footerl", FooterAll}, {"footerr", FooterAll}, {"footerf", FooterFirst}};
    for (const auto &[word, flag] : partWords) {
        if (w == word) {
            // Only the first of each kind; a first page's only in the first section, whose page it is.
            if (contexts.count(flag) || ((flag == HeaderFirst || flag == FooterFirst) && m_sectionEnded)) {
                m_state.dest = Dest::Skip;
            } else {
                contexts[flag];
                m_state.context = flag;
                m_state.dest = Dest::Text;
            }
            return true;
        }
    }
    if (skipped.count(w) || ignorable) {
        m_state.dest = Dest::Skip;
        return true;
    }

    if (m_state.dest == Dest::FontTable) {
        if (w == "f") {
            m_fontBeingRead = p;
            if (m_fonts.size() < RtfReader::TableEntryLimit)
                m_fonts[p];
        } else if (w == "fcharset" && m_fonts.contains(m_fontBeingRead)) {
            m_fonts[m_fontBeingRead].charset = p;
        } else if (w == "cpg" && m_fonts.contains(m_fontBeingRead)) {
            m_fonts[m_fontBeingRead].codePage = p;
        }
        return true;
    }
    if (m_state.dest == Dest::ColourTable) {
        m_colourSet = true;
        if (w == "red")
            m_red = qBound(0, p, 255);
        else if (w == "green")
            m_green = qBound(0, p, 255);
        else if (w == "blue")
            m_blue = qBound(0, p, 255);
        return true;
    }
    if (m_state.dest == Dest::StyleSheet) {
        if (w == "s")
            m_styleBeingRead = p;
        else if (w == "outlinelevel")
            m_styleLevel = p;
        else if (w == "sbasedon")
            m_styleBasedOn = p;
        return true;
    }

    // Document
    if (w == "ansicpg") {
        m_codePage = isKnownCodePage(p) ? p : 1252;
        return true;
    }
    if (w == "mac" || w == "pc" || w == "pca") {
        m_codePage = w == "mac" ? MacRoman : w == "pc" ? 437 : 850;
        return true;
    }
    if (w == "deff") {
        m_defaultFont = p;
        return true;
    }
    auto twips = [p](int low, int high, int &target) {
        if (p >= low && p <= high)
            target = p;
    };
    if (w == "paperw") twips(1440, 31680, setup.width);
    else if (w == "paperh") twips(1440, 31680, setup.height);
    else if (w == "margl") twips(0, 14400, setup.marginLeft);
    else if (w == "margr") twips(0, 14400, setup.marginRight);
    else if (w == "margt") twips(0, 14400, setup.marginTop);
    else if (w == "margb") twips(0, 14400, setup.marginBottom);
    else if (w == "landscape") setup.landscape = true;
    else if (w == "sect") m_sectionEnded = true;
    else if ((w == "sectd" || w == "titlepg") && !m_sectionEnded) titlePage = w == "titlepg";
    // The instruction of a field keeps the format of its characters (ruby's reading has its own).
    const bool on = !hasParam || p != 0;
    if ((m_state.dest == Dest::Text || m_state.dest == Dest::FieldInstruction) && characterWord(w, on, p))
        return true;
    if (m_state.dest != Dest::Text)
        return true;

    Context &c = ctx();
    QTextBlockFormat &b = c.paragraph.block;
    const double length = qBound(-100000, p, 100000) / TwipsPerPixel;
    if (w == "par") {
        endParagraph(0);
    } else if (w == "line") {
        appendText(QString(QChar::LineSeparator));
    } else if (w == "tab") {
        appendText(QStringLiteral("\t"));
    } else if (w == "chftn") {
        const int number = m_state.context < 0 ? -m_state.context : notes + 1;
        appendText(QString::number(number));
    } else if (w == "bullet") {
        appendText(QString(QChar(0x2022)));
    } else if (w == "lquote" || w == "rquote" || w == "ldblquote" || w == "rdblquote") {
        const char16_t quotes[] = {0x2018, 0x2019, 0x201C, 0x201D};
        appendText(QString(QChar(quotes[w == "lquote" ? 0 : w == "rquote" ? 1 : w == "ldblquote" ? 2 : 3])));
    } else if (w == "ls") {
        c.paragraph.list = m_listLevels.value(m_listOfOverride.value(p)).isEmpty() ? QString() : QString::number(p);
        c.paragraph.numbered = false;
        takeListLevel(c.paragraph);
    } else if (w == "ilvl") {
        c.paragraph.listLevel = qBound(0, p, 8);
        takeListLevel(c.paragraph);
    } else if (w == "emdash") {
        appendText(QString(QChar(0x2014)));
    } else if (w == "endash") {
        appendText(QString(QChar(0x2013)));
    } else if (w == "page") {
        c.paragraph.addPageBreak();
    } else if (w == "pard") {
        b = QTextBlockFormat();
        c.paragraph.heading = -1;
        c.paragraph.list.clear();
        c.paragraph.listLevel = 0;
        c.inTable = false;
        c.itap = 0;
    } else if (w == "ql") {
        b.setAlignment(Qt::AlignLeft);
    } else if (w == "qc") {
        b.setAlignment(Qt::AlignHCenter);
    } else if (w == "qr") {
        b.setAlignment(Qt::AlignRight);
    } else if (w == "qj") {
        b.setAlignment(Qt::AlignJustify);
    } else if (w == "li") {
        b.setLeftMargin(length);
    } else if (w == "ri") {
        b.setRightMargin(length);
    } else if (w == "fi") {
        b.setTextIndent(length);
    } else if (w == "sb") {
        b.setTopMargin(qMax(0.0, length));
    } else if (w == "sa") {
        b.setBottomMargin(qMax(0.0, length));
    } else if (w == "sl") {
        if (p < 0)
            b.setLineHeight(-length, QTextBlockFormat::FixedHeight);
    } else if (w == "pagebb") {
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    } else if (w == "s") {
        c.paragraph.heading = styleHeading(p);
    } else if (w == "outlinelevel") {
        c.paragraph.heading = Flow::outlineHeading(p);
    } else if (w == "intbl") {
        c.inTable = true;
    } else if (w == "itap") {
        if (p > Flow::NestingLimit) {
            problem = Flow::nestingProblem();
            return false;
        }
        c.itap = qMax(0, p);
    } else if (w == "cell" || w == "nestcell") {
        endParagraph(qMax(1, depth(c)));
    } else if (w == "row" || w == "nestrow") {
        if (c.hasContent)
            endParagraph(qMax(1, depth(c)));
        endRow(qMax(1, depth(c)));
    } else if (w == "trowd") {
        c.rowDefs[qMax(1, depth(c))].clear();
        c.pendingCell = CellDef();
    } else if (w == "clvmgf") {
        c.pendingCell.merge = Flow::Cell::Restart;
    } else if (w == "clvmrg") {
        c.pendingCell.merge = Flow::Cell::Continue;
    } else if (w == "clcbpat") {
        c.pendingCell.background = colourAt(p);
    } else if (w == "cellx") {
        auto &defs = c.rowDefs[qMax(1, depth(c))];
        if (defs.size() >= size_t(Flow::ColumnLimit)) {
            problem = Flow::columnProblem();
            return false;
        }
        c.pendingCell.edge = p;
        defs.push_back(c.pendingCell);
        c.pendingCell = CellDef();
    }
    return !m_failed;
}

} // namespace

bool RtfReader::read(PageDocument &target, const QByteArray &bytes, QString *problem, QStringList *unreadPictures,
                     QStringList *unreadParts)
{
    if (bytes.size() > FileLimit)
        return false;
    PageDocument page(PageDocument::WithoutLayout);
    Parser parser(bytes, page);
    parser.contexts[0];
    QString why;
    const bool ok = parser.parse() && [&] {
        std::vector<Flow::Items> notes;
        for (int n = 1; n <= parser.notes; ++n)
            notes.push_back(std::move(parser.contexts[-n].items));
        Flow::appendNotes(parser.contexts[0].items, notes);
        page.setPageSetup(parser.setup);
        for (auto &[flag, context] : parser.contexts) {
            // \headerf and \footerf are shown only on a first page of its own.
            if (flag < 0 || ((flag == HeaderFirst || flag == FooterFirst) && !parser.titlePage))
                continue;
            QTextDocument *doc = flag == 0 ? page.main() : page.ensurePart(flag);
            if (!Flow::build(page, doc, context.items, &why))
                return false;
        }
        // Such a first page without a part of its own shows none: an empty one keeps the ordinary part off.
        for (const auto &[first, ordinary] : {std::pair{HeaderFirst, HeaderAll}, std::pair{FooterFirst, FooterAll}}) {
            if (parser.titlePage && page.part(ordinary))
                page.ensurePart(first);
        }
        return true;
    }();
    if (!ok) {
        if (problem && !(why.isEmpty() && parser.problem.isEmpty()))
            *problem = why.isEmpty() ? parser.problem : why;
        return false;
    }
    if (!Flow::handOver(page, target, problem))
        return false;
    if (unreadPictures)
        *unreadPictures = parser.unreadPictures;
    if (unreadParts)
        *unreadParts = parser.unreadParts;
    return true;
}

QString RtfReader::fieldName(const QString &instruction)
{
    const QString shown = instruction.simplified();
    return QStringLiteral("ﾌｨｰﾙﾄﾞ ｢%1｣").arg(shown.size() > 60 ? shown.left(60) + QStringLiteral("…") : shown);
}

QString RtfReader::shapeName(int place, bool textBox)
{
    return textBox ? QStringLiteral("%1 番目の図形(ﾃｷｽﾄﾎﾞｯｸｽ)").arg(place) : QStringLiteral("%1 番目の図形").arg(place);
}

QString RtfReader::partsNote(const QStringList &unreadParts)
{
    return PictureDoor::listNote(
        QStringLiteral("次の部分は読み込めません(結果の文字がないﾌｨｰﾙﾄﾞ､図のない図形やﾃｷｽﾄﾎﾞｯｸｽ)｡ﾍﾟｰｼﾞには入れていません:"), unreadParts);
}

QString RtfReader::pictureName(int place)
{
    return QStringLiteral("%1 番目の図").arg(place);
}

QString RtfReader::notRtfProblem()
{
    return QStringLiteral("RTF の文書ではありません｡");
}

QString RtfReader::cutShortProblem()
{
    return QStringLiteral("文書が途中で切れています(RTF の最後の｢}｣までありません)｡");
}

QString RtfReader::escapeProblem(qint64 byte)
{
    return QStringLiteral("文書が壊れています(%1 ﾊﾞｲﾄ目の ｢\\'｣ の後が16進数の2桁ではありません)｡").arg(byte);
}

QString RtfReader::pictureProblem()
{
    return QStringLiteral("図が大きすぎます(1つの図は %1 MB まで)｡").arg(PictureLimit / (1024 * 1024));
}

bool RtfReader::readFile(PageDocument &page, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > FileLimit)
        return false;
    return read(page, file.readAll());
}
