#include "support/FormatRuns.h"

#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "support/TestImages.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QXmlStreamReader>

#include <functional>

using namespace TextProps;

namespace FormatRuns {

static QString describeFormat(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    QString flags;
    flags += f.fontWeight() >= QFont::DemiBold ? QLatin1Char('b') : QLatin1Char('-');
    flags += f.fontItalic() ? QLatin1Char('i') : QLatin1Char('-');
    flags += f.fontUnderline() ? QLatin1Char('u') : QLatin1Char('-');
    flags += f.fontStrikeOut() ? QLatin1Char('s') : QLatin1Char('-');
    const QString colour = f.foreground().style() != Qt::NoBrush ? f.foreground().color().name() : QString();
    const QString back = f.background().style() != Qt::NoBrush ? f.background().color().name() : QString();
    const QString size = f.hasProperty(QTextFormat::FontPointSize) ? QString::number(f.fontPointSize()) : QString();
    QString link;
    if (f.intProperty(FieldId) > 0 && f.intProperty(FieldType) == 1)
        link = QStringLiteral("|link ") + f.stringProperty(FieldData);
    return flags + QLatin1Char('|') + colour + QLatin1Char('|') + size + QLatin1Char('|')
        + families.value(0) + QLatin1Char('|') + back + link;
}

QStringList describe(const QTextDocument *doc)
{
    QStringList out;
    QString lastFormat;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        QString head = QStringLiteral("¶");
        if (bf.hasProperty(BlockStyle))
            head += QString::number(bf.intProperty(BlockStyle));
        if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            head += QStringLiteral("^");
        out << head;
        lastFormat.clear();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const QTextCharFormat f = fr.charFormat();
            if (f.isImageFormat()) {
                const QTextImageFormat image = f.toImageFormat();
                out << QStringLiteral("[picture %1x%2]").arg(qRound(image.width())).arg(qRound(image.height()));
                lastFormat.clear();
                continue;
            }
            QString text = fr.text();
            text.remove(QChar(0xFDD0)).remove(QChar(0xFDD1));
            if (text.isEmpty())
                continue;
            const QString format = describeFormat(f);
            if (format == lastFormat && !out.isEmpty())
                out.last().insert(out.last().indexOf(QLatin1Char('|')), text);
            else
                out << text + QLatin1Char('|') + format;
            lastFormat = format;
        }
    }
    return out;
}

void fillFileConstructs(PageDocument &page)
{
    page.setPageSetup({.width = 16838, .height = 11906, .marginLeft = 1000, .marginTop = 1200, .marginRight = 800,
                       .marginBottom = 700, .landscape = true});
    QTextCursor c(page.main());
    QTextBlockFormat heading;
    heading.setProperty(BlockStyle, 0);
    c.setBlockFormat(heading);
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(16);
    big.setFontFamilies({QStringLiteral("Noto Sans CJK JP")});
    c.insertText(QStringLiteral("見出し \"一\""), big);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat plain;
    plain.setFontPointSize(10.5);
    c.insertText(QStringLiteral("本文 {\\rtf} <x> & ?"), plain);
    QTextCharFormat styled = plain;
    styled.setFontItalic(true);
    styled.setFontUnderline(true);
    styled.setForeground(QColor(0x12, 0x34, 0x56));
    c.insertText(QStringLiteral(" italic"), styled);
    styled.setFontItalic(false);
    styled.setFontUnderline(false);
    styled.setFontStrikeOut(true);
    styled.setBackground(QColor(255, 255, 0));
    c.insertText(QStringLiteral(" struck"), styled);
    c.insertText(QString(QChar::LineSeparator) + QStringLiteral("second line\tafter tab"), plain);
    QTextCharFormat link = plain;
    link.setProperty(FieldId, page.newFieldId());
    link.setProperty(FieldType, 1);
    link.setProperty(FieldData, QStringLiteral("https://example.com/a?b=1&c='2'"));
    c.insertText(QStringLiteral(" a link"), link);

    QTextBlockFormat second;
    second.setProperty(BlockStyle, 1);
    second.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(second, QTextCharFormat());
    QTextCharFormat h2;
    h2.setFontWeight(QFont::Bold);
    h2.setFontPointSize(14);
    c.insertText(QStringLiteral("Second heading"), h2);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("before the table"), plain);
    QTextTableFormat tf;
    tf.setProperty(ObjectId, page.newObjectId());
    QTextTable *table = c.insertTable(3, 3, tf);
    table->mergeCells(0, 0, 2, 2);
    table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("merged"), plain);
    table->cellAt(0, 2).firstCursorPosition().insertText(QStringLiteral("C1"), plain);
    table->cellAt(2, 1).firstCursorPosition().insertText(QStringLiteral("B3"), styled);
    QTextCursor nested = table->cellAt(2, 2).firstCursorPosition();
    nested.insertText(QStringLiteral("outer"), plain);
    QTextTableFormat inner;
    inner.setProperty(ObjectId, page.newObjectId());
    nested.insertTable(1, 2, inner)->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("inner"), plain);

    c = table->lastCursorPosition();
    c.movePosition(QTextCursor::NextBlock);
    c.insertText(QStringLiteral("pictures: "), plain);
    for (const char *format : {"PNG", "JPEG"}) {
        QTextImageFormat picture;
        picture.setName(page.addPicture(TestImages::bytes(format, Qt::red, 16, 8)));
        picture.setWidth(32);
        picture.setHeight(16);
        picture.setProperty(ObjectId, page.newObjectId());
        PageDocument::insertPicture(c, picture);
    }
    c.insertText(QStringLiteral(" end"), plain);

    QTextCursor(page.ensurePart(HeaderAll)).insertText(QStringLiteral("Header text"), plain);
    QTextCursor(page.ensurePart(FooterAll)).insertText(QStringLiteral("Footer text"), plain);
}

// ---------------------------------------------------------------- words and their looks

namespace {

struct Look {
    bool bold = false, italic = false, underline = false, strike = false, link = false;
    QString raised; // "sup" or "sub"
    double size = 0;
    QString font, colour, back;
};

bool isWhite(const QString &colour)
{
    return colour.isEmpty() || colour.compare(QLatin1String("#FFFFFF"), Qt::CaseInsensitive) == 0;
}

QString marks(const Look &l, const BodyLook &body)
{
    QStringList m;
    if (l.bold)
        m << QStringLiteral("b");
    if (l.italic)
        m << QStringLiteral("i");
    if (l.underline && !l.link)
        m << QStringLiteral("u");
    if (l.strike)
        m << QStringLiteral("s");
    if (!l.raised.isEmpty())
        m << l.raised;
    if (l.size > 0 && qAbs(l.size - body.size) > 0.01)
        m << QStringLiteral("size=") + QString::number(l.size);
    if (!l.font.isEmpty() && l.font.compare(body.font, Qt::CaseInsensitive) != 0)
        m << QStringLiteral("font=") + l.font;
    if (!l.link && !l.colour.isEmpty() && l.colour.compare(body.colour, Qt::CaseInsensitive) != 0)
        m << QStringLiteral("colour=") + l.colour.toUpper();
    if (!isWhite(l.back))
        m << QStringLiteral("back=") + l.back.toUpper();
    if (l.link)
        m << QStringLiteral("link");
    return m.join(QLatin1Char(' '));
}

bool separates(QChar c)
{
    return c.isSpace() || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1 || c.unicode() == 0xFFFC
           || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// Each word of `text` with the look at its first letter; the first place of a word counts.
void addWords(QMap<QString, QString> &out, const QString &text, const std::function<QString(qsizetype)> &lookAt)
{
    for (qsizetype i = 0; i < text.size();) {
        if (separates(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && !separates(text[i]))
            ++i;
        const QString word = text.mid(start, i - start);
        if (!out.contains(word))
            out.insert(word, lookAt(start));
    }
}

// ---- HTML

struct Token {
    enum Kind { Text, Start, End } kind = Text;
    QString name, text;
    QMap<QString, QString> attributes;
};

QString decodeEntities(const QString &s)
{
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|[A-Za-z]+);"));
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch &m : entity.globalMatch(s)) {
        out += s.mid(last, m.capturedStart() - last);
        const QString e = m.captured(1);
        if (e.startsWith(QLatin1String("#x")))
            out += QChar(char16_t(e.mid(2).toUInt(nullptr, 16)));
        else if (e.startsWith(QLatin1Char('#')))
            out += QChar(char16_t(e.mid(1).toUInt()));
        else if (e == QLatin1String("nbsp"))
            out += QChar(0xA0);
        else if (e == QLatin1String("amp"))
            out += QLatin1Char('&');
        else if (e == QLatin1String("lt"))
            out += QLatin1Char('<');
        else if (e == QLatin1String("gt"))
            out += QLatin1Char('>');
        else if (e == QLatin1String("quot"))
            out += QLatin1Char('"');
        else
            out += m.captured(0);
        last = m.capturedEnd();
    }
    return out + s.mid(last);
}

QList<Token> tokens(const QString &html)
{
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z_:][-A-Za-z0-9_:.]*)\\s*(?:=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+)))?"));
    QList<Token> out;
    qsizetype i = 0;
    while (i < html.size()) {
        if (html[i] != QLatin1Char('<')) {
            const qsizetype next = html.indexOf(QLatin1Char('<'), i);
            const qsizetype end = next < 0 ? html.size() : next;
            out.append({Token::Text, QString(), decodeEntities(html.mid(i, end - i)), {}});
            i = end;
            continue;
        }
        if (html.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i);
            i = end < 0 ? html.size() : end + 3;
            continue;
        }
        const qsizetype close = html.indexOf(QLatin1Char('>'), i);
        if (close < 0)
            break;
        QString tag = html.mid(i + 1, close - i - 1);
        i = close + 1;
        if (tag.startsWith(QLatin1Char('!')) || tag.startsWith(QLatin1Char('?')))
            continue;
        if (tag.startsWith(QLatin1Char('/'))) {
            out.append({Token::End, tag.mid(1).trimmed().toLower(), QString(), {}});
            continue;
        }
        const bool selfClosed = tag.endsWith(QLatin1Char('/'));
        if (selfClosed)
            tag.chop(1);
        const qsizetype blank = tag.indexOf(QRegularExpression(QStringLiteral("\\s")));
        Token t{Token::Start, (blank < 0 ? tag : tag.left(blank)).toLower(), QString(), {}};
        if (blank >= 0)
            for (const QRegularExpressionMatch &m : attribute.globalMatch(tag.mid(blank)))
                t.attributes.insert(m.captured(1).toLower(),
                                    decodeEntities(m.captured(2) + m.captured(3) + m.captured(4)));
        out.append(t);
        if (t.name == QLatin1String("style") || t.name == QLatin1String("script")) {
            const qsizetype end = html.indexOf(QStringLiteral("</") + t.name, i, Qt::CaseInsensitive);
            out.last().text = html.mid(i, (end < 0 ? html.size() : end) - i);
            i = end < 0 ? html.size() : end;
        } else if (selfClosed) {
            out.append({Token::End, t.name, QString(), {}});
        }
    }
    return out;
}

using Decls = QList<QPair<QString, QString>>;

Decls declarations(const QString &style)
{
    Decls d;
    for (const QString &item : style.split(QLatin1Char(';'))) {
        const qsizetype c = item.indexOf(QLatin1Char(':'));
        if (c > 0)
            d.append({item.left(c).trimmed().toLower(), item.mid(c + 1).remove(QStringLiteral("!important")).trimmed()});
    }
    return d;
}

struct Rule {
    QString tag, cls;
    int specificity = 0;
    int order = 0;
    Decls decls;
};

// The rules of simple selectors (tag, tag.class, .class); others never apply to a page's text.
QList<Rule> rules(const QString &sheet)
{
    static const QRegularExpression simple(QStringLiteral("^([a-z0-9]*)(?:\\.([-A-Za-z0-9_]+))?$"));
    QString s = sheet;
    s.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));
    QList<Rule> out;
    int order = 0;
    for (const QString &block : s.split(QLatin1Char('}'))) {
        const qsizetype open = block.indexOf(QLatin1Char('{'));
        if (open < 0)
            continue;
        const Decls decls = declarations(block.mid(open + 1));
        for (const QString &selector : block.left(open).split(QLatin1Char(','))) {
            const QRegularExpressionMatch m = simple.match(selector.trimmed());
            if (!m.hasMatch() || selector.trimmed().isEmpty())
                continue;
            out.append({m.captured(1).toLower(), m.captured(2), m.captured(2).isEmpty() ? 1 : 10, order++, decls});
        }
    }
    return out;
}

// The rules of a page's style elements, the least specific first.
QList<Rule> pageRules(const QList<Token> &all)
{
    QString sheet;
    for (const Token &t : all)
        if (t.kind == Token::Start && t.name == QLatin1String("style"))
            sheet += t.text + QLatin1Char('\n');
    QList<Rule> sheetRules = rules(sheet);
    std::stable_sort(sheetRules.begin(), sheetRules.end(),
                     [](const Rule &a, const Rule &b) { return a.specificity < b.specificity; });
    return sheetRules;
}

double cssSize(const QString &value, double parent, double body)
{
    const QString v = value.trimmed().toLower();
    static const QRegularExpression number(QStringLiteral("^([0-9.]+)(pt|px|%|em)$"));
    const QRegularExpressionMatch m = number.match(v);
    if (!m.hasMatch())
        return v == QLatin1String("small") || v == QLatin1String("medium") || v == QLatin1String("large") ? body : parent;
    const double n = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    if (unit == QLatin1String("pt"))
        return n;
    if (unit == QLatin1String("px"))
        return n * 0.75;
    if (unit == QLatin1String("%"))
        return parent * n / 100.0;
    return parent * n;
}

QString cssColour(const QString &value)
{
    const QColor c = QColor::fromString(value.trimmed());
    if (value.trimmed().compare(QLatin1String("transparent"), Qt::CaseInsensitive) == 0 || !c.isValid())
        return QString();
    return c.name().toUpper();
}

bool isInline(const QString &tag)
{
    static const QStringList names = {"span", "a", "sup", "sub", "b", "i", "u", "s", "em", "strong", "font",
                                      "small", "big", "strike", "del", "ins", "code", "abbr", "label"};
    return names.contains(tag);
}

void apply(Look &l, const QString &tag, const QString &name, const QString &value, double body)
{
    const QString v = value.toLower();
    if (name == QLatin1String("font-weight")) {
        l.bold = v == QLatin1String("bold") || v == QLatin1String("bolder") || v.toInt() >= 600;
    } else if (name == QLatin1String("font-style")) {
        l.italic = v == QLatin1String("italic") || v == QLatin1String("oblique");
    } else if (name == QLatin1String("font-size")) {
        l.size = cssSize(v, l.size, body);
    } else if (name == QLatin1String("font-family")) {
        l.font = value.section(QLatin1Char(','), 0, 0).remove(QLatin1Char('\'')).remove(QLatin1Char('"')).trimmed();
    } else if (name == QLatin1String("color")) {
        l.colour = cssColour(value);
    } else if (name == QLatin1String("background-color") || name == QLatin1String("background")) {
        const QString c = cssColour(value.section(QLatin1Char(' '), 0, 0));
        if (!c.isEmpty() && tag != QLatin1String("td") && tag != QLatin1String("th") && tag != QLatin1String("tr")
            && tag != QLatin1String("table") && tag != QLatin1String("body") && tag != QLatin1String("html"))
            l.back = c;
    } else if (name == QLatin1String("text-decoration") || name == QLatin1String("text-decoration-line")) {
        l.underline = l.underline || v.contains(QLatin1String("underline"));
        l.strike = l.strike || v.contains(QLatin1String("line-through"));
    } else if (name == QLatin1String("vertical-align") && isInline(tag)) {
        if (v == QLatin1String("super") || v == QLatin1String("sub"))
            l.raised = v == QLatin1String("super") ? QStringLiteral("sup") : QStringLiteral("sub");
        else if (v == QLatin1String("baseline"))
            l.raised.clear();
    }
}

// ---- Word

using RunProps = QMap<QString, QString>;

bool toggledOn(const QXmlStreamAttributes &a)
{
    const QString v = a.value(QLatin1String("w:val")).toString().toLower();
    return !(v == QLatin1String("0") || v == QLatin1String("false") || v == QLatin1String("off"));
}

// The properties of the rPr element the reader stands on, up to its end.
RunProps readRunProps(QXmlStreamReader &x)
{
    RunProps p;
    while (x.readNextStartElement()) {
        const QString name = x.qualifiedName().toString();
        const QXmlStreamAttributes a = x.attributes();
        const QString val = a.value(QLatin1String("w:val")).toString();
        if (name == QLatin1String("w:b") || name == QLatin1String("w:i") || name == QLatin1String("w:strike"))
            p.insert(name.mid(2), toggledOn(a) ? QStringLiteral("1") : QStringLiteral("0"));
        else if (name == QLatin1String("w:u"))
            p.insert(QStringLiteral("u"), val.isEmpty() || val == QLatin1String("none") ? QStringLiteral("0") : QStringLiteral("1"));
        else if (name == QLatin1String("w:sz"))
            p.insert(QStringLiteral("sz"), val);
        else if (name == QLatin1String("w:color"))
            p.insert(QStringLiteral("color"), val.compare(QLatin1String("auto"), Qt::CaseInsensitive) ? QLatin1Char('#') + val.toUpper() : QString());
        else if (name == QLatin1String("w:rFonts"))
            p.insert(QStringLiteral("font"), a.value(QLatin1String("w:ascii")).toString());
        else if (name == QLatin1String("w:shd"))
            p.insert(QStringLiteral("back"), QLatin1Char('#') + a.value(QLatin1String("w:fill")).toString().toUpper());
        else if (name == QLatin1String("w:highlight"))
            p.insert(QStringLiteral("back"), cssColour(val));
        else if (name == QLatin1String("w:vertAlign"))
            p.insert(QStringLiteral("raised"), val == QLatin1String("superscript") ? QStringLiteral("sup")
                                               : val == QLatin1String("subscript") ? QStringLiteral("sub") : QString());
        else if (name == QLatin1String("w:rStyle"))
            p.insert(QStringLiteral("style"), val);
        x.skipCurrentElement();
    }
    return p;
}

struct WordStyle {
    QString basedOn;
    RunProps props;
};

QMap<QString, WordStyle> wordStyles(const QByteArray &styles)
{
    QMap<QString, WordStyle> out;
    QXmlStreamReader x(styles);
    QString id;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        const QString name = x.qualifiedName().toString();
        if (name == QLatin1String("w:style"))
            id = x.attributes().value(QLatin1String("w:styleId")).toString();
        else if (name == QLatin1String("w:rPrDefault"))
            id = QStringLiteral("*defaults");
        else if (name == QLatin1String("w:basedOn"))
            out[id].basedOn = x.attributes().value(QLatin1String("w:val")).toString();
        else if (name == QLatin1String("w:rPr") && !id.isEmpty())
            out[id].props = readRunProps(x);
    }
    return out;
}

void addStyle(RunProps &p, const QMap<QString, WordStyle> &styles, const QString &id, int depth = 0)
{
    if (id.isEmpty() || !styles.contains(id) || depth > 10)
        return;
    addStyle(p, styles, styles[id].basedOn, depth + 1);
    p.insert(styles[id].props);
}

Look wordLook(const RunProps &p, bool link)
{
    Look l;
    l.bold = p.value(QStringLiteral("b")) == QLatin1String("1");
    l.italic = p.value(QStringLiteral("i")) == QLatin1String("1");
    l.underline = p.value(QStringLiteral("u")) == QLatin1String("1");
    l.strike = p.value(QStringLiteral("strike")) == QLatin1String("1");
    l.raised = p.value(QStringLiteral("raised"));
    l.size = p.value(QStringLiteral("sz")).toDouble() / 2;
    l.font = p.value(QStringLiteral("font"));
    l.colour = p.value(QStringLiteral("color"));
    l.back = p.value(QStringLiteral("back"));
    l.link = link;
    return l;
}

} // namespace

QMap<QString, QString> editorWords(const QTextDocument *doc, const BodyLook &body)
{
    QMap<QString, QString> out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        addWords(out, block.text(), [&](qsizetype at) {
            QTextCharFormat f;
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().position() - block.position() <= at
                    && at < it.fragment().position() - block.position() + it.fragment().length())
                    f = it.fragment().charFormat();
            Look l;
            l.bold = f.fontWeight() >= QFont::DemiBold;
            l.italic = f.fontItalic();
            l.underline = f.fontUnderline();
            l.strike = f.fontStrikeOut();
            if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                l.raised = QStringLiteral("sup");
            else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
                l.raised = QStringLiteral("sub");
            if (f.hasProperty(QTextFormat::FontPointSize))
                l.size = f.fontPointSize();
            const QStringList families = f.fontFamilies().toStringList();
            l.font = families.isEmpty() ? f.stringProperty(QTextFormat::FontFamily) : families.first();
            if (f.foreground().style() != Qt::NoBrush)
                l.colour = f.foreground().color().name().toUpper();
            if (f.background().style() != Qt::NoBrush)
                l.back = f.background().color().name().toUpper();
            l.link = f.intProperty(FieldId) > 0 && f.intProperty(FieldType) == 1;
            return marks(l, body);
        });
    }
    return out;
}

QMap<QString, QString> htmlWords(const QString &html, const BodyLook &body)
{
    const QList<Token> all = tokens(html);
    const QList<Rule> sheetRules = pageRules(all);
    static const QStringList voids = {"br", "img", "col", "meta", "link", "hr", "input", "area", "base", "param", "frame"};
    struct Open {
        QString tag;
        Look look;
    };
    Look start;
    start.size = body.size;
    start.font = body.font;
    start.colour = body.colour;
    QList<Open> stack{{QStringLiteral("#root"), start}};
    bool inBody = false;
    QMap<QString, QString> out;
    for (const Token &t : all) {
        if (t.kind == Token::Text) {
            if (inBody)
                addWords(out, t.text, [&](qsizetype) { return marks(stack.last().look, body); });
            continue;
        }
        if (t.kind == Token::End) {
            for (qsizetype k = stack.size() - 1; k > 0; --k)
                if (stack[k].tag == t.name) {
                    stack.resize(k);
                    break;
                }
            if (t.name == QLatin1String("body"))
                inBody = false;
            continue;
        }
        if (t.name == QLatin1String("body"))
            inBody = true;
        if (voids.contains(t.name) || t.name == QLatin1String("style") || t.name == QLatin1String("script"))
            continue;
        Look l = stack.last().look;
        // What a browser gives the element of its own.
        static const QRegularExpression heading(QStringLiteral("^h[1-6]$"));
        if (heading.match(t.name).hasMatch() || t.name == QLatin1String("b") || t.name == QLatin1String("strong")
            || t.name == QLatin1String("th"))
            l.bold = true;
        if (t.name == QLatin1String("i") || t.name == QLatin1String("em"))
            l.italic = true;
        if (t.name == QLatin1String("u") || t.name == QLatin1String("ins"))
            l.underline = true;
        if (t.name == QLatin1String("s") || t.name == QLatin1String("strike") || t.name == QLatin1String("del"))
            l.strike = true;
        if (t.name == QLatin1String("sup") || t.name == QLatin1String("sub"))
            l.raised = t.name;
        if (t.name == QLatin1String("a") && t.attributes.contains(QStringLiteral("href")))
            l.link = true;
        const QStringList classes = t.attributes.value(QStringLiteral("class")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const Rule &r : sheetRules)
            if ((r.tag.isEmpty() || r.tag == t.name) && (r.cls.isEmpty() || classes.contains(r.cls)))
                for (const auto &d : r.decls)
                    apply(l, t.name, d.first, d.second, body.size);
        for (const auto &d : declarations(t.attributes.value(QStringLiteral("style"))))
            apply(l, t.name, d.first, d.second, body.size);
        stack.append({t.name, l});
    }
    return out;
}

QMap<QString, QString> docxWords(const QByteArray &document, const QByteArray &styles, const BodyLook &body)
{
    const QMap<QString, WordStyle> known = wordStyles(styles);
    QMap<QString, QString> out;
    QXmlStreamReader x(document);
    struct Paragraph {
        QString style, text;
        QList<Look> looks;
    };
    QList<Paragraph> open;
    int links = 0;
    RunProps run;
    bool inRun = false;
    auto append = [&](const QString &text) {
        if (open.isEmpty())
            return;
        RunProps p;
        addStyle(p, known, QStringLiteral("*defaults"));
        addStyle(p, known, open.last().style);
        addStyle(p, known, run.value(QStringLiteral("style")));
        p.insert(run);
        const Look l = wordLook(p, links > 0);
        open.last().text += text;
        for (qsizetype i = 0; i < text.size(); ++i)
            open.last().looks << l;
    };
    while (!x.atEnd()) {
        x.readNext();
        const QString name = x.qualifiedName().toString();
        if (x.isStartElement()) {
            if (name == QLatin1String("w:p")) {
                open.append(Paragraph());
            } else if (name == QLatin1String("w:pStyle") && !open.isEmpty()) {
                open.last().style = x.attributes().value(QLatin1String("w:val")).toString();
            } else if (name == QLatin1String("w:hyperlink")) {
                ++links;
            } else if (name == QLatin1String("w:r")) {
                inRun = true;
                run.clear();
            } else if (name == QLatin1String("w:rPr") && inRun) {
                run = readRunProps(x);
            } else if (name == QLatin1String("w:t") && inRun) {
                append(x.readElementText());
            } else if ((name == QLatin1String("w:tab") || name == QLatin1String("w:br")) && inRun) {
                append(QStringLiteral(" "));
            }
        } else if (x.isEndElement()) {
            if (name == QLatin1String("w:p") && !open.isEmpty()) {
                const Paragraph p = open.takeLast();
                addWords(out, p.text, [&](qsizetype at) { return marks(p.looks.value(at), body); });
            } else if (name == QLatin1String("w:hyperlink")) {
                --links;
            } else if (name == QLatin1String("w:r")) {
                inRun = false;
            }
        }
    }
    return out;
}

// ---- lists and pictures

namespace {

QString firstWord(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && separates(text[i]))
        ++i;
    qsizetype end = i;
    while (end < text.size() && !separates(text[end]))
        ++end;
    return text.mid(i, end - i);
}

QString alphabetic(int n, bool upper)
{
    QString s;
    for (; n > 0; n = (n - 1) / 26)
        s.prepend(QChar(char16_t((upper ? 'A' : 'a') + (n - 1) % 26)));
    return s;
}

QString roman(int n, bool upper)
{
    static const std::pair<int, const char *> parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                         {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                         {5, "v"},    {4, "iv"},   {1, "i"}};
    QString s;
    for (const auto &[value, text] : parts)
        for (; n >= value; n -= value)
            s += QLatin1String(text);
    return upper ? s.toUpper() : s;
}

// The marker of item `n` in a list of CSS list-style-type `type`.
QString marker(const QString &type, int n)
{
    if (type == QLatin1String("disc") || type == QLatin1String("circle") || type == QLatin1String("square"))
        return QStringLiteral("bullet");
    if (type == QLatin1String("none"))
        return type;
    if (type == QLatin1String("lower-alpha") || type == QLatin1String("lower-latin"))
        return alphabetic(n, false) + QLatin1Char('.');
    if (type == QLatin1String("upper-alpha") || type == QLatin1String("upper-latin"))
        return alphabetic(n, true) + QLatin1Char('.');
    if (type == QLatin1String("lower-roman"))
        return roman(n, false) + QLatin1Char('.');
    if (type == QLatin1String("upper-roman"))
        return roman(n, true) + QLatin1Char('.');
    return QString::number(n) + QLatin1Char('.');
}

} // namespace

QMap<QString, QString> editorItems(const QTextDocument *doc)
{
    QMap<QString, QString> out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextList *list = b.textList();
        if (!list)
            continue;
        const QTextListFormat::Style style = list->format().style();
        const bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
                            || style == QTextListFormat::ListSquare;
        const QString mark = bullet ? QStringLiteral("bullet") : list->itemText(b);
        out.insert(firstWord(b.text()), QString::number(list->format().indent()) + QLatin1Char(' ') + mark);
    }
    return out;
}

QMap<QString, QString> htmlItems(const QString &html)
{
    const QList<Token> all = tokens(html);
    const QList<Rule> sheetRules = pageRules(all);
    struct List {
        QString type;
        int count = 0;
    };
    QList<List> lists;
    QString pending; // the item whose first word is next
    QMap<QString, QString> out;
    for (const Token &t : all) {
        if (t.kind == Token::Text) {
            const QString word = firstWord(t.text);
            if (!pending.isEmpty() && !word.isEmpty()) {
                out.insert(word, pending);
                pending.clear();
            }
            continue;
        }
        const bool list = t.name == QLatin1String("ul") || t.name == QLatin1String("ol");
        if (t.kind == Token::End) {
            if (list && !lists.isEmpty())
                lists.removeLast();
            continue;
        }
        if (list) {
            const int depth = int(lists.size());
            List l;
            l.type = t.name == QLatin1String("ol") ? QStringLiteral("decimal")
                     : depth == 0                  ? QStringLiteral("disc")
                     : depth == 1                  ? QStringLiteral("circle")
                                                   : QStringLiteral("square");
            if (t.attributes.contains(QStringLiteral("start")))
                l.count = t.attributes.value(QStringLiteral("start")).toInt() - 1;
            Decls decls;
            const QStringList classes = t.attributes.value(QStringLiteral("class")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const Rule &r : sheetRules)
                if ((r.tag.isEmpty() || r.tag == t.name) && (r.cls.isEmpty() || classes.contains(r.cls)))
                    decls += r.decls;
            decls += declarations(t.attributes.value(QStringLiteral("style")));
            for (const auto &[name, value] : decls) {
                if (name == QLatin1String("list-style-type"))
                    l.type = value;
                else if (name == QLatin1String("counter-reset") && value.startsWith(QLatin1String("list-item")))
                    l.count = value.mid(9).trimmed().toInt();
            }
            lists << l;
        } else if (t.name == QLatin1String("li") && !lists.isEmpty()) {
            pending = QString::number(lists.size()) + QLatin1Char(' ') + marker(lists.last().type, ++lists.last().count);
        }
    }
    return out;
}

QMap<QString, QString> docxItems(const QByteArray &document, const QByteArray &numbering)
{
    // numId -> abstractNumId; (abstractNumId, level) -> (numFmt, lvlText, start)
    QMap<QString, QString> abstractOf;
    struct Level {
        QString format, text;
        int start = 1;
    };
    QMap<QString, Level> levels;
    {
        QXmlStreamReader x(numbering);
        QString abstract, num, level;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const QString name = x.qualifiedName().toString();
            const QString val = x.attributes().value(QStringLiteral("w:val")).toString();
            if (name == QLatin1String("w:abstractNum")) {
                abstract = x.attributes().value(QStringLiteral("w:abstractNumId")).toString();
                num.clear();
            } else if (name == QLatin1String("w:num")) {
                num = x.attributes().value(QStringLiteral("w:numId")).toString();
            } else if (name == QLatin1String("w:abstractNumId") && !num.isEmpty()) {
                abstractOf.insert(num, val);
            } else if (name == QLatin1String("w:lvl") && num.isEmpty()) {
                level = abstract + QLatin1Char('/') + x.attributes().value(QStringLiteral("w:ilvl")).toString();
            } else if (name == QLatin1String("w:start") && num.isEmpty()) {
                levels[level].start = val.toInt();
            } else if (name == QLatin1String("w:numFmt") && num.isEmpty()) {
                levels[level].format = val;
            } else if (name == QLatin1String("w:lvlText") && num.isEmpty()) {
                levels[level].text = val;
            }
        }
    }
    QMap<QString, QString> out;
    QMap<QString, QList<int>> counters; // numId -> count per level
    QXmlStreamReader x(document);
    QString numId, text;
    int ilvl = -1;
    bool inParagraph = false;
    while (!x.atEnd()) {
        x.readNext();
        const QString name = x.qualifiedName().toString();
        if (x.isStartElement()) {
            if (name == QLatin1String("w:p")) {
                inParagraph = true;
                numId.clear();
                text.clear();
                ilvl = -1;
            } else if (name == QLatin1String("w:ilvl")) {
                ilvl = x.attributes().value(QStringLiteral("w:val")).toInt();
            } else if (name == QLatin1String("w:numId")) {
                numId = x.attributes().value(QStringLiteral("w:val")).toString();
            } else if (name == QLatin1String("w:t") && inParagraph) {
                text += x.readElementText();
            }
        } else if (x.isEndElement() && name == QLatin1String("w:p")) {
            inParagraph = false;
            if (numId.isEmpty() || numId == QLatin1String("0"))
                continue;
            const int l = qMax(0, ilvl);
            const Level level = levels.value(abstractOf.value(numId) + QLatin1Char('/') + QString::number(l));
            QList<int> &count = counters[numId];
            count.resize(9, 0);
            for (int deeper = l + 1; deeper < 9; ++deeper)
                count[deeper] = 0;
            const int n = count[l]++ + level.start;
            QString mark;
            if (level.format == QLatin1String("bullet")) {
                mark = QStringLiteral("bullet");
            } else {
                static const QMap<QString, QString> types = {{"lowerLetter", "lower-alpha"}, {"upperLetter", "upper-alpha"},
                                                             {"lowerRoman", "lower-roman"}, {"upperRoman", "upper-roman"}};
                mark = marker(types.value(level.format, QStringLiteral("decimal")), n);
            }
            out.insert(firstWord(text), QString::number(l + 1) + QLatin1Char(' ') + mark);
        }
    }
    return out;
}

int editorPictures(const QTextDocument *doc)
{
    int n = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                n += int(it.fragment().text().count(QChar::ObjectReplacementCharacter));
    return n;
}

int htmlPictures(const QString &html)
{
    int n = 0;
    for (const Token &t : tokens(html))
        if (t.kind == Token::Start && t.name == QLatin1String("img")
            && !t.attributes.value(QStringLiteral("src")).contains(QLatin1String("cmn/")))
            ++n;
    return n;
}

int docxPictures(const QByteArray &document)
{
    return int(document.count("<pic:pic"));
}

} // namespace FormatRuns
