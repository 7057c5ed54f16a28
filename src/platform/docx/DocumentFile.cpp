#include "platform/docx/DocumentFile.h"

#include "platform/docx/DocxReader.h"
#include "platform/docx/DocxWriter.h"
#include "platform/docx/FlowBuilder.h"
#include "platform/docx/HtmlPictures.h"
#include "platform/docx/ZipPackage.h"
#include "platform/richtext/HtmlImport.h"
#include "platform/richtext/HtmlNesting.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/TextProps.h"
#include "platform/rtf/RtfWeight.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/text/SystemCodec.h"
#include "platform/text/WebEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cctype>
#include <utility>

namespace {

constexpr qint64 FileLimit = 128 * 1024 * 1024;

bool readAll(const QString &path, QByteArray &bytes, QString *problem = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > FileLimit) {
        if (problem)
            *problem = QStringLiteral("ﾌｧｲﾙが大きすぎます(%1 MB まで)｡").arg(FileLimit / (1024 * 1024));
        return false;
    }
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Why an HTML file is more than a page holds, from a quick look at it; empty when it is not. Its text
// is at most what stands outside its tags (an entity one character), its cells its <td> and <th> tags.
QString htmlProblem(const QString &html)
{
    qint64 text = 0;
    qint64 cells = 0;
    const qsizetype n = html.size();
    for (qsizetype i = 0; i < n && text <= Flow::TextLimit && cells <= Flow::CellLimit; ++i) {
        const QChar ch = html.at(i);
        if (ch == QLatin1Char('<')) {
            const qsizetype end = html.indexOf(QLatin1Char('>'), i);
            if (end < 0)
                break;
            const QStringView tag = QStringView(html).mid(i + 1, end - i - 1);
            if (tag.size() >= 2 && tag.at(0).toLower() == QLatin1Char('t')
                && (tag.at(1).toLower() == QLatin1Char('d') || tag.at(1).toLower() == QLatin1Char('h'))
                && (tag.size() == 2 || !tag.at(2).isLetterOrNumber()))
                ++cells;
            i = end;
            continue;
        }
        if (ch == QLatin1Char('&')) {
            const qsizetype end = QStringView(html).mid(i, 32).indexOf(QLatin1Char(';'));
            if (end > 0)
                i += end;
        }
        ++text;
    }
    if (text > Flow::TextLimit)
        return Flow::textProblem();
    return cells > Flow::CellLimit ? Flow::cellProblem() : QString();
}

bool overTextLimit(qint64 characters, QString *problem)
{
    if (characters <= Flow::TextLimit)
        return false;
    if (problem)
        *problem = Flow::textProblem();
    return true;
}

// Text files: UTF-8 when they say so or read as such, else the system code page.
QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return SystemCodec::toUnicode(bytes);
}

// The prescan of a page's bytes for the encoding it declares, as browsers do it: comments are passed
// over, tags are read as names and attributes, and only a <meta> element declares, by its charset
// attribute or by http-equiv="content-type" with a content naming a charset.
class Prescan
{
public:
    explicit Prescan(const QByteArray &bytes) : m_bytes(bytes) {}

    // The decoder of the first declaration from where the last run ended whose label names an
    // encoding, where one starts before `end`; empty when there is none. With `headOnly`, the scan ends
    // at the first tag of an element no page head holds, in this run or one before.
    QByteArray run(qsizetype end, bool headOnly)
    {
        end = qMin(end, m_bytes.size());
        while (m_at < end && !(headOnly && m_leftHead)) {
            if (startsWith("<!--")) {
                const qsizetype close = m_bytes.indexOf("-->", m_at + 2);
                m_at = close < 0 ? m_bytes.size() : close + 3;
            } else if (startsWith("<") && isLetter(m_at + 1)) {
                const qsizetype nameStart = m_at + 1;
                m_at = nameStart;
                while (m_at < m_bytes.size() && !isSpace(byte(m_at)) && byte(m_at) != '>' && byte(m_at) != '/')
                    ++m_at;
                const QByteArray name = m_bytes.mid(nameStart, m_at - nameStart).toLower();
                if (name == "meta") {
                    if (const QByteArray decoder = meta(); !decoder.isEmpty())
                        return decoder;
                    continue;
                }
                m_leftHead = m_leftHead || !inHead(name);
                skipAttributes();
            } else if (startsWith("</") && isLetter(m_at + 2)) {
                m_at += 2;
                while (m_at < m_bytes.size() && !isSpace(byte(m_at)) && byte(m_at) != '>')
                    ++m_at;
                skipAttributes();
            } else if (startsWith("<!") || startsWith("</") || startsWith("<?")) {
                const qsizetype close = m_bytes.indexOf('>', m_at + 1);
                m_at = close < 0 ? m_bytes.size() : close + 1;
            } else {
                ++m_at;
            }
        }
        return {};
    }

private:
    char byte(qsizetype at) const { return at < m_bytes.size() ? m_bytes.at(at) : '\0'; }
    bool startsWith(const char *text) const { return QByteArrayView(m_bytes).sliced(qMin(m_at, m_bytes.size())).startsWith(text); }
    bool isLetter(qsizetype at) const { return std::isalpha(static_cast<unsigned char>(byte(at))) != 0; }
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
    static bool inHead(const QByteArray &name)
    {
        static const QByteArrayList names = {"html", "head", "title", "base", "link", "style", "script", "noscript", "template"};
        return names.contains(name);
    }

    void skipSpace()
    {
        while (m_at < m_bytes.size() && isSpace(byte(m_at)))
            ++m_at;
    }

    // The next attribute of the tag, its name in lower case; false at the tag's end.
    bool attribute(QByteArray &name, QByteArray &value)
    {
        name.clear();
        value.clear();
        while (m_at < m_bytes.size() && (isSpace(byte(m_at)) || byte(m_at) == '/'))
            ++m_at;
        if (m_at >= m_bytes.size() || byte(m_at) == '>')
            return false;
        for (;; ++m_at) {
            if (m_at >= m_bytes.size())
                return false;
            const char c = byte(m_at);
            if (c == '=' && !name.isEmpty())
                break;
            if (isSpace(c)) {
                skipSpace();
                if (byte(m_at) != '=')
                    return true;
                break;
            }
            if (c == '/' || c == '>')
                return true;
            name += char(std::tolower(static_cast<unsigned char>(c)));
        }
        ++m_at; // past "="
        skipSpace();
        const char quote = byte(m_at);
        if (quote == '"' || quote == '\'') {
            const qsizetype close = m_bytes.indexOf(quote, m_at + 1);
            if (close < 0) {
                m_at = m_bytes.size();
                return false;
            }
            value = m_bytes.mid(m_at + 1, close - m_at - 1).toLower();
            m_at = close + 1;
            return true;
        }
        if (quote == '>')
            return true;
        const qsizetype start = m_at;
        while (m_at < m_bytes.size() && !isSpace(byte(m_at)) && byte(m_at) != '>')
            ++m_at;
        value = m_bytes.mid(start, m_at - start).toLower();
        return true;
    }

    void skipAttributes()
    {
        QByteArray name, value;
        while (attribute(name, value)) {
        }
        if (byte(m_at) == '>')
            ++m_at;
    }

    // The label named in a content attribute ("text/html; charset=euc-jp").
    static QByteArray charsetOfContent(const QByteArray &content)
    {
        qsizetype at = 0;
        while ((at = content.indexOf("charset", at)) >= 0) {
            at += 7;
            while (at < content.size() && isSpace(content.at(at)))
                ++at;
            if (at >= content.size() || content.at(at) != '=')
                continue;
            ++at;
            while (at < content.size() && isSpace(content.at(at)))
                ++at;
            if (at >= content.size())
                return {};
            const char quote = content.at(at);
            if (quote == '"' || quote == '\'') {
                const qsizetype close = content.indexOf(quote, at + 1);
                return close < 0 ? QByteArray() : content.mid(at + 1, close - at - 1);
            }
            qsizetype stop = at;
            while (stop < content.size() && !isSpace(content.at(stop)) && content.at(stop) != ';')
                ++stop;
            return content.mid(at, stop - at);
        }
        return {};
    }

    // The decoder a <meta> declares, its attributes read (each name's first only); empty for none.
    QByteArray meta()
    {
        QByteArrayList seen;
        bool gotPragma = false;
        int needPragma = -1; // unknown, no, yes
        QByteArray charset;
        QByteArray name, value;
        while (attribute(name, value)) {
            if (seen.contains(name))
                continue;
            seen << name;
            if (name == "http-equiv") {
                gotPragma = gotPragma || value == "content-type";
            } else if (name == "content" && charset.isEmpty()) {
                charset = charsetOfContent(value);
                if (!charset.isEmpty())
                    needPragma = 1;
            } else if (name == "charset") {
                charset = value;
                needPragma = 0;
            }
        }
        if (byte(m_at) == '>')
            ++m_at;
        if (needPragma < 0 || (needPragma == 1 && !gotPragma) || charset.isEmpty())
            return {};
        const QByteArray decoder = WebEncoding::decoderFor(charset.trimmed());
        // A page declaring UTF-16 in its own bytes is no UTF-16 page.
        return decoder.startsWith("UTF-16") ? QByteArray("UTF-8") : decoder;
    }

    const QByteArray &m_bytes;
    qsizetype m_at = 0;
    bool m_leftHead = false; // a tag of an element no head holds was seen
};

// Within the first bytes of a page browsers look for its declaration; a page whose head goes on
// further (a long title, style sheet or script before the <meta>) declares it there as well.
constexpr qsizetype PrescanBytes = 1024;

// The decoder a page declares: the first <meta> whose label names an encoding, found by the prescan
// within its first 1,024 bytes and on through its head, else its XML declaration's (an XHTML page);
// empty when it declares none that does.
QByteArray declaredDecoder(const QByteArray &bytes)
{
    static const QRegularExpression xml(QStringLiteral("^\\s*<\\?xml\\b[^>]*?\\bencoding\\s*=\\s*[\"']\\s*([A-Za-z0-9_.:-]+)"),
                                        QRegularExpression::CaseInsensitiveOption);
    Prescan scan(bytes);
    QByteArray decoder = scan.run(PrescanBytes, false);
    if (decoder.isEmpty())
        decoder = scan.run(bytes.size(), true);
    if (!decoder.isEmpty())
        return decoder;
    const QRegularExpressionMatch match = xml.match(QString::fromLatin1(bytes.left(PrescanBytes)));
    return match.hasMatch() ? WebEncoding::decoderFor(match.captured(1).toLatin1()) : QByteArray();
}

// An HTML file: by its byte-order mark, else in the encoding it declares, as browsers read the web's
// labels (WebEncoding), else as a text file. False, with the reason, for an encoding that browsers
// refuse to decode.
bool decodeHtml(const QByteArray &bytes, QString &html, QString *problem = nullptr)
{
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        html = decodeText(bytes);
        return true;
    }
    const QByteArray decoder = declaredDecoder(bytes);
    if (decoder == WebEncoding::Refused) {
        if (problem)
            *problem = QStringLiteral("文書の文字ｺｰﾄﾞは､ﾌﾞﾗｳｻﾞも読まない符号化(ISO-2022-KR など)です｡");
        return false;
    }
    if (decoder == "UTF-8")
        html = QString::fromUtf8(bytes);
    else if (decoder == "CP932")
        html = SystemCodec::toUnicode(bytes);
    else if (decoder.isEmpty() || !SystemCodec::decode(bytes, decoder, html))
        html = decodeText(bytes);
    return true;
}

// What Qt's HTML import marks its own way becomes the page's: heading levels the user styles, links
// link fields (as a paste makes them).
void adoptHtml(PageDocument &page)
{
    QTextDocument *doc = page.main();
    // One edit: a cursor placed outside one lays its whole paragraph out again.
    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int heading = Flow::outlineHeading(block.blockFormat().headingLevel() - 1);
        if (heading >= 0) {
            QTextBlockFormat format;
            format.setProperty(TextProps::BlockStyle, heading);
            QTextCursor(block).mergeBlockFormat(format);
        }
    }
    edit.endEditBlock();
    HtmlImport::linkAnchors(doc, page);
}

// The text of each list item opens with its bullet ("・") or number ("1. ", "iv. "), deeper levels
// indented by tabs.
QString listMark(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return QString();
    QString mark(qMax(0, list->format().indent() - 1), QLatin1Char('\t'));
    if (Flow::ListNumbering::isNumbered(list))
        return mark + list->itemText(block) + QLatin1Char(' ');
    return mark + QStringLiteral("・");
}

// The pictures of a Word package: whatever entry is no part of its text.
qint64 packageWeight(const QByteArray &bytes, qint64 limit)
{
    ZipPackage zip;
    if (!zip.open(bytes))
        return 0;
    qint64 weight = 0;
    for (const QString &name : zip.names()) {
        QByteArray entry;
        if (weight > limit || name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels")))
            continue;
        if (zip.read(name, entry))
            weight += PageCodec::pictureWeight(entry);
    }
    return weight;
}

// Whether a compound file (the container of Word 97 documents) holds the streams of an encrypted
// package, as Word writes a document with a password: its directory entries (128 bytes each, in sectors
// after the 512-byte header) name "EncryptionInfo" and "EncryptedPackage".
bool isEncryptedPackage(const QByteArray &bytes)
{
    constexpr qsizetype Entry = 128;
    const auto named = [&bytes](qsizetype at, QStringView name) {
        // The name in UTF-16 with its terminating zero, its length in bytes, and the type of a stream (2).
        const auto byte = [&bytes, at](qsizetype i) { return uchar(bytes.at(at + i)); };
        if (byte(64) + 256 * byte(65) != 2 * (name.size() + 1) || byte(66) != 2)
            return false;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (byte(2 * i) != name.at(i).unicode() || byte(2 * i + 1) != 0)
                return false;
        }
        return true;
    };
    bool info = false;
    bool package = false;
    for (qsizetype at = 512; at + Entry <= bytes.size() && !(info && package); at += Entry) {
        info = info || named(at, u"EncryptionInfo");
        package = package || named(at, u"EncryptedPackage");
    }
    return info && package;
}

} // namespace

DocumentFile::Format DocumentFile::formatOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return None;
    const QString ext = name.mid(dot + 1).toLower();
    if (ext == QLatin1String("txt"))
        return Text;
    if (ext == QLatin1String("htm") || ext == QLatin1String("html"))
        return Html;
    if (ext == QLatin1String("rtf"))
        return Rtf;
    if (ext == QLatin1String("doc"))
        return Word97;
    if (ext == QLatin1String("docx"))
        return Word;
    if (ext == QLatin1String("pdf"))
        return Pdf;
    return None;
}

DocumentFile::Result DocumentFile::read(PageDocument &page, const QString &path, Format format, QString *problem,
                                        QString *note)
{
    if (note)
        note->clear();
    QByteArray bytes;
    if (!readAll(path, bytes, problem))
        return Failed;
    switch (format) {
    case Word97:
    case Word:
    case Rtf:
        // Look at the content: ".doc" names hold our Word documents or RTF; a binary Word 97 file is none.
        if (bytes.startsWith("PK") || bytes.startsWith("{\\rtf")) {
            QStringList unread;
            QStringList parts;
            const bool read = bytes.startsWith("PK") ? DocxReader::read(page, bytes, problem, &unread)
                                                     : RtfReader::read(page, bytes, problem, &unread, &parts);
            if (read && note) {
                QStringList notes;
                if (!unread.isEmpty())
                    notes << PictureDoor::note(unread);
                if (!parts.isEmpty())
                    notes << RtfReader::partsNote(parts);
                *note = notes.join(QLatin1Char('\n'));
            }
            return read ? Ok : Failed;
        }
        if (bytes.startsWith("\xD0\xCF\x11\xE0")) {
            // Word keeps a document with a password as an encrypted package in such a file.
            if (!isEncryptedPackage(bytes))
                return Binary97;
            if (problem)
                *problem = protectedProblem();
            return Failed;
        }
        if (problem)
            *problem = unknownContentProblem();
        return Failed;
    case Text: {
        PageDocument read(PageDocument::WithoutLayout);
        QString text = decodeText(bytes);
        if (overTextLimit(text.size(), problem))
            return Failed;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QTextCursor(read.main()).insertText(text);
        return Flow::handOver(read, page, problem) ? Ok : Failed;
    }
    case Html: {
        QString html;
        if (!decodeHtml(bytes, html, problem))
            return Failed;
        if (const QString why = htmlProblem(html); !why.isEmpty()) {
            if (problem)
                *problem = why;
            return Failed;
        }
        PageDocument read(PageDocument::WithoutLayout);
        const HtmlImport::Cuts cuts = HtmlImport::setHtml(read.main(), html);
        // Line breaks and pictures are characters of their own too.
        if (overTextLimit(read.main()->characterCount(), problem))
            return Failed;
        HtmlPictures pictures(path);
        pictures.load(read, read.main());
        adoptHtml(read);
        if (!Flow::handOver(read, page, problem))
            return Failed;
        if (note) {
            QStringList notes;
            if (cuts.lists)
                notes << listNestingNote();
            if (cuts.elements)
                notes << elementNestingNote();
            if (!pictures.unread().isEmpty())
                notes << PictureDoor::note(pictures.unread());
            *note = notes.join(QLatin1Char('\n'));
        }
        return Ok;
    }
    default:
        return Failed;
    }
}

QString DocumentFile::protectedProblem()
{
    return QStringLiteral("ﾊﾟｽﾜｰﾄﾞで保護された文書です｡Word などでﾊﾟｽﾜｰﾄﾞを外して保存したものを読み込んで下さい｡");
}

QString DocumentFile::unknownContentProblem()
{
    return QStringLiteral("Word 文書(.docx)でも RTF でもありません｡");
}

QString DocumentFile::listNestingNote()
{
    return QStringLiteral("ﾘｽﾄの入れ子が深すぎます(ﾘｽﾄの中のﾘｽﾄは %1 段まで)｡それより深いﾘｽﾄの項目は %1 段目の項目にしました｡")
        .arg(HtmlImport::ListNestingLimit);
}

QString DocumentFile::elementNestingNote()
{
    return QStringLiteral("要素の入れ子が深すぎます(%1 段まで)｡それより深い要素の書式は読み込んでいません(文字はすべて読み込みました)｡")
        .arg(HtmlNesting::Limit);
}

qint64 DocumentFile::readWeight(const QString &path, Format format, qint64 limit)
{
    QByteArray bytes;
    if (format == None || format == Text || format == Pdf || !readAll(path, bytes))
        return 0;
    if (format == Html) {
        QString html;
        if (!decodeHtml(bytes, html))
            return 0;
        return HtmlImport::nestingWeight(html, limit) + HtmlImport::listItems(html) * PageCodec::ListItemWeight
               + HtmlImport::pictures(html) * HtmlImport::PictureWeight + HtmlPictures(path).weight(html, limit);
    }
    // As read() looks at the content.
    if (bytes.startsWith("PK"))
        return packageWeight(bytes, limit);
    if (bytes.startsWith("{\\rtf"))
        return RtfWeight::pictures(bytes, limit);
    return 0;
}

bool DocumentFile::readText(const QString &path, Format format, QString &text, QString *problem)
{
    if (format == Text) {
        QByteArray bytes;
        if (!readAll(path, bytes, problem))
            return false;
        text = decodeText(bytes);
        if (overTextLimit(text.size(), problem))
            return false;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return true;
    }
    PageDocument page(PageDocument::WithoutLayout);
    if (read(page, path, format, problem) != Ok)
        return false;
    text = page.main()->toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n')).replace(QChar(QChar::Nbsp), QLatin1Char(' '));
    text.remove(QChar::ObjectReplacementCharacter);
    return true;
}

QString DocumentFile::plainText(const PageDocument &page)
{
    return PlainText::of(page.main(), QStringLiteral("\r\n"), listMark);
}

bool DocumentFile::write(const PageDocument &page, const QString &path, Format format, const QString &title)
{
    switch (format) {
    case Text:
        return Flow::writeWholeFile(path, SystemCodec::fromUnicode(plainText(page)));
    case Rtf:
        return RtfWriter::writePage(page, path);
    case Word97:
    case Word:
        return DocxWriter::writePage(page, path);
    case Pdf:
        return PageRenderer(page).writePdf(path, title);
    default:
        return false;
    }
}
