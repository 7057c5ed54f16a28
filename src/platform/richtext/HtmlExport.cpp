#include "platform/richtext/HtmlExport.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/ObjectChars.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"
#include "platform/text/TextChars.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cmath>

using namespace TextProps;

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString num(double v)
{
    if (!std::isfinite(v))
        return QStringLiteral("0");
    QString s = QString::number(std::round(v * 100.0) / 100.0, 'f', 2);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString hex(const QColor &c)
{
    return QStringLiteral("#%1%2%3").arg(c.red(), 2, 16, QLatin1Char('0')).arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.blue(), 2, 16, QLatin1Char('0')).toUpper();
}

QString hexRef(int colorRef)
{
    return hex(QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF));
}

// Control characters (line ends included) and what else no page carries (TextChars) are left out.
bool isNoChar(const QString &s, qsizetype i)
{
    const char16_t u = s[i].unicode();
    return (u < 0x20 && u != '\t') || TextChars::unwritten(s, i);
}

QString escapeAttr(const QString &s)
{
    QString r;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case '&': r += QLatin1String("&amp;"); break;
        case '<': r += QLatin1String("&lt;"); break;
        case '>': r += QLatin1String("&gt;"); break;
        case '"': r += QLatin1String("&quot;"); break;
        default:
            if (!isNoChar(s, i))
                r += c;
        }
    }
    return r;
}

// Declarations, in a fixed order, as name -> "name:value;".
using Decls = QList<QPair<QString, QString>>;

QString join(const Decls &d)
{
    QString s;
    for (const auto &p : d)
        s += p.first + QLatin1Char(':') + p.second + QLatin1Char(';');
    return s;
}

class Writer
{
public:
    Writer(const PageDocument &page, const QString &file, const HtmlExport::Options &o)
        : m_page(page), m_o(o)
    {
        const QFileInfo fi(file);
        m_name = fi.completeBaseName();
        const QString folder = o.sharedPictures.isEmpty() ? m_name + QStringLiteral("_Images") : o.sharedPictures;
        m_folder = fi.absolutePath() + QLatin1Char('/') + folder;
        m_rel = QString(folder).replace(QLatin1Char(' '), QStringLiteral("%20"));
    }

    QString run(bool &ok)
    {
        if (m_o.sharedPictures.isEmpty())
            QDir(m_folder).removeRecursively();
        const LineBlocks::Joined joined(m_page.main());
        const QTextDocument *main = joined.document();
        // Text without a font of its own is body text: the desktop's default font is not the page's.
        const QFont font = main->defaultFont();
        const QString family = m_o.bodyFont.isEmpty() ? font.family() : m_o.bodyFont;
        const double size = m_o.bodySize > 0 ? m_o.bodySize : font.pointSizeF();
        const QString fam = (family.isEmpty() || family == m_o.bodyFont) ? QStringLiteral("'Arial'")
                                                                          : QLatin1Char('\'') + clean(family) + QLatin1Char('\'');
        m_out = QStringLiteral("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                               "\r\n<title></title>\r\n</head>\r\n<body style=\"font-family:")
                + fam + QStringLiteral(";font-size:") + num(size > 0 ? size : 10) + QStringLiteral("pt;\">") + CrLf;
        m_pageWidth = main->pageSize().width() > 0 ? main->pageSize().width() : 600.0;
        frame(main->rootFrame());
        m_out += QStringLiteral("</body></html>") + CrLf;
        ok = m_ok;
        return m_out;
    }

private:
    // A family name as a CSS string: nothing that could end the string, the declaration or the rule.
    static QString clean(QString family)
    {
        for (const QChar c : QStringLiteral("'\";\\{}<>&"))
            family.remove(c);
        return escapeAttr(family);
    }

    Decls charDecls(const QTextCharFormat &cf) const
    {
        Decls d;
        QString family;
        const QStringList families = cf.property(QTextFormat::FontFamilies).toStringList();
        if (!families.isEmpty())
            family = families.first();
        else if (cf.hasProperty(QTextFormat::FontFamily))
            family = cf.property(QTextFormat::FontFamily).toString();
        if (!family.isEmpty())
            d << qMakePair(QStringLiteral("font-family"), family == m_o.bodyFont ? QStringLiteral("'Arial'")
                                                                                  : QLatin1Char('\'') + clean(family) + QLatin1Char('\''));
        if (cf.hasProperty(QTextFormat::FontPointSize) && cf.fontPointSize() > 0)
            d << qMakePair(QStringLiteral("font-size"), num(cf.fontPointSize()) + QStringLiteral("pt"));
        if (cf.hasProperty(QTextFormat::ForegroundBrush) && cf.foreground().style() != Qt::NoBrush)
            d << qMakePair(QStringLiteral("color"), hex(cf.foreground().color()));
        // A background the colour of what the text stands on is no highlight: written, it would keep
        // the text apart from its paragraph in the conversion (a heading would not read as one).
        if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush
            && cf.background().color().rgba() != m_ground.rgba())
            d << qMakePair(QStringLiteral("background-color"), hex(cf.background().color()));
        if (cf.hasProperty(QTextFormat::FontWeight) && cf.fontWeight() >= QFont::DemiBold)
            d << qMakePair(QStringLiteral("font-weight"), QStringLiteral("bold"));
        if (cf.fontItalic())
            d << qMakePair(QStringLiteral("font-style"), QStringLiteral("italic"));
        QStringList deco;
        if (cf.fontUnderline())
            deco << QStringLiteral("underline");
        if (cf.fontStrikeOut())
            deco << QStringLiteral("line-through");
        if (!deco.isEmpty())
            d << qMakePair(QStringLiteral("text-decoration"), deco.join(QLatin1Char(' ')));
        if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            d << qMakePair(QStringLiteral("vertical-align"), QStringLiteral("super"));
        else if (cf.verticalAlignment() == QTextCharFormat::AlignSubScript)
            d << qMakePair(QStringLiteral("vertical-align"), QStringLiteral("sub"));
        return d;
    }

    static Decls minus(const Decls &d, const Decls &base)
    {
        Decls r;
        for (const auto &p : d)
            if (!base.contains(p))
                r << p;
        return r;
    }

    // Text with the blanks that trimming or HTML would lose written as no-break spaces.
    static QString text(const QString &s)
    {
        QString r;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (c == QLatin1Char(' ')) {
                const bool keep = i > 0 && i + 1 < s.size() && s[i - 1] != QLatin1Char(' ');
                r += keep ? QStringLiteral(" ") : QStringLiteral("&nbsp;");
            } else if (c.unicode() == 0xA0) {
                r += QLatin1String("&nbsp;");
            } else if (!isNoChar(s, i)) {
                r += escapeAttr(s.mid(i, QChar::isHighSurrogate(c.unicode()) ? 2 : 1));
                if (QChar::isHighSurrogate(c.unicode()))
                    ++i;
            }
        }
        return r;
    }

    QString href(const QTextCharFormat &cf) const
    {
        const QString data = cf.property(FieldData).toString();
        if (data.isEmpty())
            return QString();
        // The kind is in the data ("TG_" a page, "TP_" a tooltip, any letter case), whatever the type.
        const QString head = data.left(3).toUpper();
        if (head == QLatin1String("TG_") || head == QLatin1String("TP_"))
            return QLatin1Char('#') + head + escapeAttr(data.mid(3));
        QString target = data;
        if (target.startsWith(QLatin1Char('/')))
            target = QStringLiteral("file://") + target;
        return escapeAttr(target.replace(QLatin1Char(' '), QStringLiteral("%20")));
    }

    QString picture(const QTextImageFormat &f)
    {
        const QString name = f.name();
        if (!m_page.hasPicture(name))
            return QString();
        const bool png = m_o.pictureFormat == 3;
        const QString ext = png ? QStringLiteral("png") : QStringLiteral("jpg");
        const QString file = m_name + QStringLiteral("_%1.").arg(++m_pictures, 3, 10, QLatin1Char('0')) + ext;
        if (!m_folderMade)
            m_folderMade = QDir().mkpath(m_folder);
        const QByteArray fmt = m_page.pictureFormat(name).toLower();
        const QString path = m_folder + QLatin1Char('/') + file;
        bool written = false;
        if ((png && fmt == "png") || (!png && (fmt == "jpg" || fmt == "jpeg"))) {
            QFile out(path);
            written = out.open(QIODevice::WriteOnly) && out.write(m_page.pictureBytes(name)) >= 0;
        }
        QSize natural;
        if (!written) {
            QImage img = m_page.pictureImage(name);
            natural = img.size();
            if (!png && img.hasAlphaChannel()) {
                QImage flat(img.size(), QImage::Format_RGB32);
                flat.fill(Qt::white);
                QPainter(&flat).drawImage(0, 0, img);
                img = flat;
            }
            written = !img.isNull() && img.save(path, png ? "PNG" : "JPEG");
        }
        if (!written)
            m_ok = false;
        // Bytes copied as they are need no decoding, only their size where the format lacks one.
        if (natural.isEmpty() && (f.width() <= 0 || f.height() <= 0))
            natural = m_page.pictureSize(name);
        const int w = f.width() > 0 ? int(std::lround(f.width())) : natural.width();
        const int h = f.height() > 0 ? int(std::lround(f.height())) : natural.height();
        return QStringLiteral("<img src=\"") + escapeAttr(m_rel + QLatin1Char('/') + QString(file).replace(
                   QLatin1Char(' '), QStringLiteral("%20")))
               + QStringLiteral("\" alt=\"\" width=\"%1\" height=\"%2\">").arg(qMax(1, w)).arg(qMax(1, h));
    }

    void textFrame(const QTextCharFormat &cf)
    {
        const QTextDocument *text = m_page.frameDocument(cf.property(ObjectId).toInt());
        if (!text)
            return;
        const LineBlocks::Joined joined(text);
        const QTextDocument *doc = joined.document();
        QString style;
        if (cf.hasProperty(FrameBackground))
            style += QStringLiteral("background-color:") + hexRef(cf.property(FrameBackground).toInt()) + QLatin1Char(';');
        style += QStringLiteral("width:") + num(cf.property(FrameWidth).toInt() / 20.0) + QStringLiteral("pt;height:")
                 + num(cf.property(FrameHeight).toInt() / 20.0) + QStringLiteral("pt;float:left;");
        m_out += QStringLiteral("<div style=\"") + style + QStringLiteral("\">") + CrLf;
        const QColor ground = m_ground;
        if (const QColor back = ColorRef::toColor(cf.property(FrameBackground).toInt()); cf.hasProperty(FrameBackground) && back.isValid())
            m_ground = back;
        frame(doc->rootFrame());
        m_ground = ground;
        m_out += QStringLiteral("</div>") + CrLf;
    }

    void block(const QTextBlock &b)
    {
        const QTextBlockFormat bf = b.blockFormat();
        // Each object character on its own: text in an object's format is text.
        QList<ObjectChars::Piece> frags;
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().isValid())
                frags << ObjectChars::pieces(it.fragment());
        // Text frames anchored here float beside the paragraph: written before it.
        for (const ObjectChars::Piece &f : frags)
            if (f.object && f.format.objectType() == TextFrameObject)
                textFrame(f.format);
        Decls pd;
        const double indent = bf.indent() * (b.document() ? b.document()->indentWidth() : 40.0);
        pd << qMakePair(QStringLiteral("margin-top"), num(bf.topMargin() * 0.75) + QStringLiteral("pt"))
           << qMakePair(QStringLiteral("margin-bottom"), num(bf.bottomMargin() * 0.75) + QStringLiteral("pt"))
           << qMakePair(QStringLiteral("margin-left"), num((bf.leftMargin() + indent) * 0.75) + QStringLiteral("pt"))
           << qMakePair(QStringLiteral("margin-right"), num(bf.rightMargin() * 0.75) + QStringLiteral("pt"))
           << qMakePair(QStringLiteral("text-indent"), num(bf.textIndent() * 0.75) + QStringLiteral("pt"));
        const int lh = bf.lineHeightType() == QTextBlockFormat::ProportionalHeight ? int(bf.lineHeight())
                                                                                  : int(m_o.lineFactor * 100.0 + 1e-6);
        pd << qMakePair(QStringLiteral("line-height"), QString::number(lh) + QLatin1Char('%'));
        const Qt::Alignment al = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (al & Qt::AlignHCenter)
            pd << qMakePair(QStringLiteral("text-align"), QStringLiteral("center"));
        else if (al & (Qt::AlignRight))
            pd << qMakePair(QStringLiteral("text-align"), QStringLiteral("right"));
        else if (al & Qt::AlignJustify)
            pd << qMakePair(QStringLiteral("text-align"), QStringLiteral("justify"));

        // Character formatting that every run shares belongs to the paragraph; raised or lowered
        // text stays on its runs (on a paragraph, vertical-align raises nothing).
        Decls common;
        bool first = true;
        for (const ObjectChars::Piece &f : frags) {
            const QTextCharFormat &cf = f.format;
            if (f.object)
                continue;
            const Decls d = charDecls(cf);
            if (first) {
                common = d;
                first = false;
            } else {
                Decls keep;
                for (const auto &p : common)
                    if (d.contains(p))
                        keep << p;
                common = keep;
            }
        }
        if (first)
            common = charDecls(b.charFormat());
        common.removeIf([](const QPair<QString, QString> &p) { return p.first == QLatin1String("vertical-align"); });

        QString content;
        int openField = 0;
        Decls anchorDecls;
        for (const ObjectChars::Piece &f : frags) {
            const QTextCharFormat &cf = f.format;
            const int field = cf.property(FieldId).toInt();
            if (field != openField) {
                if (openField)
                    content += QStringLiteral("</a>");
                openField = 0;
                const QString h = field > 0 ? href(cf) : QString();
                if (!h.isEmpty()) {
                    anchorDecls = minus(charDecls(cf), common);
                    content += QStringLiteral("<a href=\"") + h + QLatin1Char('"')
                               + (anchorDecls.isEmpty() ? QString() : QStringLiteral(" style=\"") + join(anchorDecls) + QLatin1Char('"'))
                               + QLatin1Char('>');
                    openField = field;
                }
            }
            const Decls base = openField ? common + anchorDecls : common;
            const QString &s = f.text;
            if (f.object) {
                if (cf.isImageFormat())
                    content += picture(cf.toImageFormat());
                continue;
            }
            const Decls diff = minus(charDecls(cf), base);
            const QStringList lines = s.split(QChar::LineSeparator);
            QString run;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    run += QStringLiteral("<br />");
                run += text(QString(lines[i]).remove(QChar::ObjectReplacementCharacter));
            }
            if (run.isEmpty())
                continue;
            if (!diff.isEmpty())
                run = QStringLiteral("<span style=\"") + join(diff) + QStringLiteral("\">") + run + QStringLiteral("</span>");
            content += run;
        }
        if (openField)
            content += QStringLiteral("</a>");
        if (frags.isEmpty() || content.isEmpty())
            content += QStringLiteral("&nbsp;");
        m_out += QStringLiteral("<p style=\"") + join(pd) + join(common) + QStringLiteral("\">") + content
                 + QStringLiteral("</p>") + CrLf;
    }

    void table(QTextTable *t)
    {
        const QTextTableFormat tf = t->format();
        m_out += QStringLiteral("<table") + (tf.border() > 0 ? QStringLiteral(" border=\"1\"") : QString())
                 + QStringLiteral(" cellspacing=\"0\" cellpadding=\"0\">") + CrLf + QStringLiteral("<colgroup>");
        const QList<QTextLength> cons = tf.columnWidthConstraints();
        for (int c = 0; c < t->columns(); ++c) {
            double w = m_pageWidth / t->columns();
            if (c < cons.size()) {
                if (cons[c].type() == QTextLength::FixedLength)
                    w = cons[c].rawValue();
                else if (cons[c].type() == QTextLength::PercentageLength)
                    w = cons[c].rawValue() * m_pageWidth / 100.0;
            }
            m_out += QStringLiteral("<col width=\"%1\">").arg(qMax(1L, std::lround(w)));
        }
        m_out += QStringLiteral("</colgroup>") + CrLf;
        for (int r = 0; r < t->rows(); ++r) {
            m_out += QStringLiteral("<tr>") + CrLf;
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (!cell.isValid() || cell.row() != r || cell.column() != c)
                    continue;
                QString td = QStringLiteral("<td");
                if (cell.rowSpan() > 1)
                    td += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan());
                if (cell.columnSpan() > 1)
                    td += QStringLiteral(" colspan=\"%1\"").arg(cell.columnSpan());
                const QTextCharFormat cf = cell.format();
                const QColor ground = m_ground;
                if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush) {
                    td += QStringLiteral(" style=\"background-color:") + hex(cf.background().color()) + QStringLiteral(";\"");
                    m_ground = cf.background().color();
                }
                m_out += td + QLatin1Char('>') + CrLf;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (QTextFrame *child = it.currentFrame())
                        nested(child);
                    else
                        block(it.currentBlock());
                }
                m_ground = ground;
                m_out += QStringLiteral("</td>") + CrLf;
            }
            m_out += QStringLiteral("</tr>") + CrLf;
        }
        m_out += QStringLiteral("</table>") + CrLf;
    }

    void nested(QTextFrame *f)
    {
        if (QTextTable *t = qobject_cast<QTextTable *>(f))
            table(t);
        else
            frame(f);
    }

    static bool numbered(const QTextList *l) { return l->format().style() <= QTextListFormat::ListDecimal; }

    // The list's bullet or number as CSS; empty where the browser gives it at `depth` (lists around it).
    static QString listStyle(const QTextList *l, int depth)
    {
        static const QHash<int, QString> names = {
            {QTextListFormat::ListDisc, QStringLiteral("disc")},          {QTextListFormat::ListCircle, QStringLiteral("circle")},
            {QTextListFormat::ListSquare, QStringLiteral("square")},      {QTextListFormat::ListDecimal, QStringLiteral("decimal")},
            {QTextListFormat::ListLowerAlpha, QStringLiteral("lower-alpha")}, {QTextListFormat::ListUpperAlpha, QStringLiteral("upper-alpha")},
            {QTextListFormat::ListLowerRoman, QStringLiteral("lower-roman")}, {QTextListFormat::ListUpperRoman, QStringLiteral("upper-roman")}};
        const QString name = names.value(l->format().style());
        const QString browser = numbered(l) ? QStringLiteral("decimal")
                                            : depth == 0 ? QStringLiteral("disc") : depth == 1 ? QStringLiteral("circle")
                                                                                               : QStringLiteral("square");
        return name.isEmpty() || name == browser ? QString() : name;
    }

    // The lists open at the block being written, outermost first; each has an item open.
    struct OpenList {
        QTextList *list;
        int indent;
    };

    void closeLists(QList<OpenList> &open, qsizetype keep)
    {
        while (open.size() > keep) {
            m_out += QStringLiteral("</li>") + CrLf + (numbered(open.last().list) ? QStringLiteral("</ol>") : QStringLiteral("</ul>")) + CrLf;
            open.removeLast();
        }
    }

    // Opens the item of `b` in `l`: a list inside a list stands in its parent's open item, as deep as
    // its indent says; an item of a list that is open already follows its last one, so the numbers
    // go on after a sub-list.
    void openItem(QList<OpenList> &open, QTextList *l, const QTextBlock &b)
    {
        const int indent = qMax(1, l->format().indent());
        qsizetype at = open.size();
        while (at > 0 && open[at - 1].list != l)
            --at;
        if (at > 0) {
            closeLists(open, at);
            m_out += QStringLiteral("</li>") + CrLf + QStringLiteral("<li>") + CrLf;
            return;
        }
        while (!open.isEmpty() && open.last().indent >= indent)
            closeLists(open, open.size() - 1);
        QString style = listStyle(l, int(open.size()));
        if (!style.isEmpty())
            style = QStringLiteral("list-style-type:") + style + QLatin1Char(';');
        // A level a browser gives by nesting is one indent; levels with no list of their own between.
        const int levels = indent - (open.isEmpty() ? 0 : open.last().indent);
        const double width = b.document() ? b.document()->indentWidth() : 40.0;
        if (levels != 1 || std::abs(width - 40.0) > 0.01)
            style += QStringLiteral("padding-left:") + num(levels * width * 0.75) + QStringLiteral("pt;");
        QString attrs;
        // Items that go on after something other than their list start at their own number.
        const int before = l->itemNumber(b);
        if (before > 0 && numbered(l)) {
            if (m_o.listStart)
                attrs = QStringLiteral(" start=\"%1\"").arg(before + 1);
            else
                style += QStringLiteral("counter-reset:list-item %1;").arg(before);
        }
        if (!style.isEmpty())
            attrs += QStringLiteral(" style=\"") + style + QLatin1Char('"');
        m_out += (numbered(l) ? QStringLiteral("<ol") : QStringLiteral("<ul")) + attrs + QLatin1Char('>') + CrLf
                 + QStringLiteral("<li>") + CrLf;
        open << OpenList{l, indent};
    }

    void frame(QTextFrame *f)
    {
        QList<OpenList> open;
        for (auto it = f->begin(); !it.atEnd(); ++it) {
            if (QTextFrame *child = it.currentFrame()) {
                closeLists(open, 0);
                nested(child);
                continue;
            }
            const QTextBlock b = it.currentBlock();
            if (QTextList *l = b.textList())
                openItem(open, l, b);
            else
                closeLists(open, 0);
            block(b);
        }
        closeLists(open, 0);
    }

    const PageDocument &m_page;
    HtmlExport::Options m_o;
    QString m_name, m_folder, m_rel, m_out;
    double m_pageWidth = 600;
    QColor m_ground = Qt::white; // what the text stands on: the page, its cell or its frame
    int m_pictures = 0;
    bool m_folderMade = false;
    bool m_ok = true;
};

} // namespace

QString HtmlExport::text(const PageDocument &page, const QString &file, const Options &options, bool *ok)
{
    bool done = true;
    Writer w(page, file, options);
    const QString html = w.run(done);
    if (ok)
        *ok = done;
    return html;
}

bool HtmlExport::save(const PageDocument &page, const QString &file, const Options &options)
{
    bool ok = true;
    const QByteArray bytes = text(page, file, options, &ok).toUtf8();
    QFile out(file);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size() && ok;
}
