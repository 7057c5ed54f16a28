#include "platform/richtext/HtmlImport.h"

#include "platform/richtext/HtmlNesting.h"
#include "platform/richtext/HtmlReferences.h"
#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PastedItems.h"
#include "platform/richtext/TableOps.h"
#include "platform/richtext/TextProps.h"
#include "platform/text/TextChars.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cctype>
#include <iterator>
#include <utility>
#include <vector>

namespace {

constexpr char16_t IdeographicSpace = 0x3000;
constexpr char16_t PrivateFirst = 0xE000;
constexpr char16_t PrivateEnd = 0xF900;
// Elements visited by the import that cost as much as a character laid out.
constexpr qint64 VisitsPerCharacter = 100;

// Where the tag or comment starting at `at` ends; quoted attribute values may hold ">".
qsizetype tagEnd(const QString &html, qsizetype at)
{
    if (QStringView(html).mid(at).startsWith(u"<!--")) {
        const qsizetype end = html.indexOf(QStringLiteral("-->"), at + 4);
        return end < 0 ? html.size() : end + 3;
    }
    QChar quote;
    for (qsizetype i = at + 1; i < html.size(); ++i) {
        const QChar ch = html.at(i);
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
        } else if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            quote = ch;
        } else if (ch == QLatin1Char('>')) {
            return i + 1;
        }
    }
    return html.size();
}

// Whether the tag at `at` is one: "<" followed by a name, "/", "!" or "?" ("a < b" is text).
bool isTag(const QString &html, qsizetype at)
{
    const QChar next = at + 1 < html.size() ? html.at(at + 1) : QChar();
    return next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!') || next == QLatin1Char('?');
}

// The character of a numeric character reference at `at` ("&#12288;", "&#x3000;") and the
// reference's length; length 0 where there is none.
std::pair<qsizetype, uint> referenceAt(const QString &html, qsizetype at)
{
    const QStringView ref = QStringView(html).mid(at, 12);
    if (!ref.startsWith(u"&#"))
        return {0, 0};
    const qsizetype end = ref.indexOf(u';');
    if (end < 3)
        return {0, 0};
    const bool hex = ref.at(2) == QLatin1Char('x') || ref.at(2) == QLatin1Char('X');
    const QStringView digits = ref.mid(hex ? 3 : 2, end - (hex ? 3 : 2));
    for (QChar ch : digits) {
        if (!(hex ? std::isxdigit(ch.toLatin1()) : std::isdigit(ch.toLatin1())))
            return {0, 0};
    }
    bool ok = false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    return ok && !digits.isEmpty() ? std::pair{end + 1, code} : std::pair<qsizetype, uint>{0, 0};
}

// Private-use characters the HTML holds nowhere, as characters or references, to mark places through
// the import: `count` of them, else none when the HTML holds too many.
std::vector<QChar> standInsFor(const QString &html, size_t count)
{
    std::vector<bool> used(PrivateEnd - PrivateFirst, false);
    auto use = [&used](uint code) {
        if (code >= PrivateFirst && code < PrivateEnd)
            used[code - PrivateFirst] = true;
    };
    for (qsizetype i = 0; i < html.size(); ++i) {
        use(html.at(i).unicode());
        if (html.at(i) == QLatin1Char('&'))
            use(referenceAt(html, i).second);
    }
    std::vector<QChar> free;
    for (size_t i = 0; i < used.size() && free.size() < count; ++i) {
        if (!used[i])
            free.push_back(QChar(char16_t(PrivateFirst + i)));
    }
    return free.size() == count ? free : std::vector<QChar>();
}

// One to stand for U+3000 through the import; null when the HTML holds every one of them.
QChar standInFor(const QString &html)
{
    const std::vector<QChar> free = standInsFor(html, 1);
    return free.empty() ? QChar() : free.front();
}

// Every U+3000 of the text, as a character or a character reference, becomes the stand-in; tags and
// their attribute values stay as they are.
QString protect(const QString &html, QChar standIn)
{
    QString out;
    out.reserve(html.size());
    qsizetype i = 0;
    while (i < html.size()) {
        const QChar ch = html.at(i);
        if (ch == QLatin1Char('<') && isTag(html, i)) {
            const qsizetype end = tagEnd(html, i);
            out += QStringView(html).mid(i, end - i);
            i = end;
        } else if (ch.unicode() == IdeographicSpace) {
            out += standIn;
            ++i;
        } else if (ch == QLatin1Char('&') && referenceAt(html, i).second == IdeographicSpace) {
            out += standIn;
            i += referenceAt(html, i).first;
        } else {
            out += ch;
            ++i;
        }
    }
    return out;
}

// The stand-ins become U+3000 again, each in its own character format, in one pass over the blocks (a
// search from each one found went over its whole paragraph again); true when there were any.
bool restore(QTextDocument *doc, QChar standIn)
{
    QTextCursor edit(doc);
    edit.beginEditBlock();
    bool any = false;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (qsizetype at = text.indexOf(standIn); at >= 0; at = text.indexOf(standIn, at + 1)) {
            edit.setPosition(block.position() + int(at));
            edit.setPosition(block.position() + int(at) + 1, QTextCursor::KeepAnchor);
            edit.insertText(QString(QChar(IdeographicSpace)), edit.charFormat());
            any = true;
        }
    }
    edit.endEditBlock();
    return any;
}

// The tag's name at `at` (after "<" or "</").
QStringView tagName(const QString &html, qsizetype at)
{
    qsizetype end = at;
    while (end < html.size() && (html.at(end).isLetterOrNumber()))
        ++end;
    return QStringView(html).mid(at, end - at);
}

bool isEmptyElement(QStringView name)
{
    static const char16_t *const names[] = {u"area", u"base", u"br", u"col", u"embed", u"hr", u"img",
                                            u"input", u"link", u"meta", u"param", u"source", u"wbr"};
    for (const char16_t *empty : names) {
        if (name.compare(QStringView(empty), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// As the import nests them: an end tag closes the elements up to its own, or nothing when none is
// open; a paragraph or list item ends the one it would nest in.
bool endsOpen(QStringView name, QStringView open)
{
    return name.compare(open, Qt::CaseInsensitive) == 0
           && (name.compare(u"p", Qt::CaseInsensitive) == 0 || name.compare(u"li", Qt::CaseInsensitive) == 0);
}

// Calls visit(start, end, closing, name) for each tag of the HTML, comments too (with an empty name).
template<typename Visit>
void forEachTag(const QString &html, Visit visit)
{
    for (qsizetype i = html.indexOf(QLatin1Char('<')); i >= 0; i = html.indexOf(QLatin1Char('<'), i)) {
        if (!isTag(html, i)) {
            ++i;
            continue;
        }
        const qsizetype end = tagEnd(html, i);
        const bool closing = html.at(i + 1) == QLatin1Char('/');
        visit(i, end, closing, tagName(html, i + (closing ? 2 : 1)));
        i = qMax(end, i + 1);
    }
}

// Ruby as the Word reader gives it: the import shows a reading right after its base, so that
// "<ruby>漢字<rt>かんじ</rt></ruby>" read "漢字かんじ". Each reading of a ruby element without <rp> gets
// the parentheses of TextChars (an <rt> ends at its end tag, at the next <rt>, <rb>, <rtc> or <rp>,
// or where the ruby or the element around it ends); a ruby with <rp> shows the parentheses it
// gives, and nothing is added.
QString withReadings(const QString &html)
{
    if (!html.contains(u"<rt", Qt::CaseInsensitive))
        return html;
    std::vector<std::pair<qsizetype, char16_t>> added;   // where, what
    std::vector<std::pair<qsizetype, char16_t>> ruby;    // of the ruby element being read
    bool inRuby = false;
    bool parenthesised = false;
    bool reading = false;
    int inner = 0;   // elements open inside the ruby
    auto endRuby = [&](qsizetype at) {
        if (reading)
            ruby.emplace_back(at, TextChars::RubyClose);
        if (!parenthesised)
            added.insert(added.end(), ruby.begin(), ruby.end());
        ruby.clear();
        inRuby = parenthesised = reading = false;
        inner = 0;
    };
    forEachTag(html, [&](qsizetype i, qsizetype end, bool closing, QStringView name) {
        const auto is = [&name](const char16_t *other) { return name.compare(QStringView(other), Qt::CaseInsensitive) == 0; };
        const bool rubyPart = is(u"rt") || is(u"rb") || is(u"rtc") || is(u"rp");
        if (is(u"ruby")) {
            if (inRuby)
                endRuby(i);
            inRuby = !closing;
        } else if (inRuby && !rubyPart && !closing && !isEmptyElement(name) && html.at(end - 2) != QLatin1Char('/')) {
            ++inner;
        } else if (inRuby && !rubyPart && closing) {
            // The end of an element inside the ruby, else of the one around it, which ends the ruby.
            if (inner > 0)
                --inner;
            else
                endRuby(i);
        } else if (inRuby && rubyPart) {
            if (reading) {
                ruby.emplace_back(i, TextChars::RubyClose);
                reading = false;
            }
            parenthesised = parenthesised || is(u"rp");
            if (is(u"rt") && !closing) {
                ruby.emplace_back(end, TextChars::RubyOpen);
                reading = true;
            }
        }
    });
    if (inRuby)
        endRuby(html.size());
    if (added.empty())
        return html;
    QString out;
    out.reserve(html.size() + qsizetype(added.size()));
    qsizetype from = 0;
    for (const auto &[at, ch] : added) {
        out += QStringView(html).mid(from, at - from);
        out += QChar(ch);
        from = at;
    }
    out += QStringView(html).mid(from);
    return out;
}

// Qt's import moves its cursor back over each picture it puts in, which goes over the whole paragraph
// again (its text itemized): pictures in one paragraph took time in the square of their number (20,000
// in 70 s). Each <img> comes in a block of its own instead, between the marks `before` and `after`,
// so that each is put into a paragraph of one picture; joinPictures() joins them to the text around
// them after the import. Text that the import shows none of (scripts, style sheets, the title) is left
// as it is.
QString withPicturesApart(const QString &html, QChar before, QChar after)
{
    if (!html.contains(u"<img", Qt::CaseInsensitive))
        return html;
    std::vector<std::pair<qsizetype, qsizetype>> pictures; // start, end of each <img> tag
    QStringView raw;                                        // the element whose text is not HTML, if in one
    forEachTag(html, [&](qsizetype i, qsizetype end, bool closing, QStringView name) {
        if (!raw.isEmpty()) {
            if (closing && name.compare(raw, Qt::CaseInsensitive) == 0)
                raw = QStringView();
            return;
        }
        for (const char16_t *kind : {u"script", u"style", u"title", u"textarea", u"xmp"}) {
            if (!closing && name.compare(QStringView(kind), Qt::CaseInsensitive) == 0)
                raw = name;
        }
        if (!closing && name.compare(u"img", Qt::CaseInsensitive) == 0)
            pictures.emplace_back(i, end);
    });
    if (pictures.empty())
        return html;
    QString out;
    out.reserve(html.size() + qsizetype(pictures.size()) * 13);
    qsizetype from = 0;
    for (const auto &[start, end] : pictures) {
        out += QStringView(html).mid(from, start - from);
        out += before;
        out += QLatin1String("<div>");
        out += QStringView(html).mid(start, end - start);
        out += QLatin1String("</div>");
        out += after;
        from = end;
    }
    out += QStringView(html).mid(from);
    return out;
}

// The pictures that withPicturesApart() put into paragraphs of their own join the paragraph they stood
// in: a paragraph that ends with `before`, the picture's, and one that begins with `after` become one,
// with the format of the first and the space below the last. The marks go, wherever they are.
void joinPictures(QTextDocument *doc, QChar before, QChar after)
{
    QTextCursor edit(doc);
    edit.beginEditBlock();
    // From the end, so that what is joined moves no block still to come.
    for (QTextBlock block = doc->lastBlock(); block.isValid();) {
        // Looked at by their characters: the joined paragraph grows with every picture.
        const QTextBlock picture = block.previous();
        const QTextBlock start = picture.previous();
        const auto at = [doc](int position) { return doc->characterAt(position); };
        if (!picture.isValid() || !start.isValid() || start.length() < 2 || picture.length() > 2
            || at(block.position()) != after || at(start.position() + start.length() - 2) != before
            || at(picture.position()) == before || at(picture.position()) == after) {
            block = block.previous();
            continue;
        }
        const double below = block.blockFormat().bottomMargin();
        // The separators alone, each after a character of its paragraph: a removal from a paragraph's start
        // leaves the format of the paragraph after it. The marks go last.
        edit.setPosition(block.position() - 1);
        edit.setPosition(block.position(), QTextCursor::KeepAnchor);
        edit.removeSelectedText();
        edit.setPosition(picture.position() - 1);
        edit.setPosition(picture.position(), QTextCursor::KeepAnchor);
        edit.removeSelectedText();
        QTextBlockFormat format;
        format.setBottomMargin(below);
        edit.mergeBlockFormat(format);
        // The joined paragraph may begin with the mark after another picture.
        block = edit.block();
    }
    // The marks, and those left where the import parted no paragraph.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (qsizetype at = text.size() - 1; at >= 0; --at) {
            if (text.at(at) != before && text.at(at) != after)
                continue;
            edit.setPosition(block.position() + int(at));
            edit.setPosition(block.position() + int(at) + 1, QTextCursor::KeepAnchor);
            edit.removeSelectedText();
        }
    }
    edit.endEditBlock();
}

// Lists nested deeper than ListNestingLimit: the import takes time that grows faster than the
// square of their depth (50 s for 20,000 <ul> in half a megabyte), and the page shows no list that
// deep (each level indents it a step further). The deeper <ul> and <ol> tags are left out with
// their end tags, so that their items become items of the deepest list kept, every text in its place.
QString withListsCut(const QString &html, bool *wasCut = nullptr)
{
    int depth = 0;
    std::vector<std::pair<qsizetype, qsizetype>> cut;   // tags left out: start, end
    forEachTag(html, [&](qsizetype i, qsizetype end, bool closing, QStringView name) {
        if (name.compare(u"ul", Qt::CaseInsensitive) == 0 || name.compare(u"ol", Qt::CaseInsensitive) == 0) {
            // With the white space after it, which would end up in the text of an item.
            qsizetype after = end;
            while (after < html.size() && html.at(after).isSpace())
                ++after;
            if (!closing && ++depth > HtmlImport::ListNestingLimit)
                cut.emplace_back(i, after);
            if (closing && depth > 0 && depth-- > HtmlImport::ListNestingLimit)
                cut.emplace_back(i, after);
        }
    });
    if (wasCut)
        *wasCut = !cut.empty();
    if (cut.empty())
        return html;
    QString out;
    out.reserve(html.size());
    qsizetype from = 0;
    for (const auto &[start, end] : cut) {
        out += QStringView(html).mid(from, start - from);
        from = end;
    }
    out += QStringView(html).mid(from);
    return out;
}

// The HTML as the import takes it: references ended as browsers read them, ruby with its readings in
// parentheses, lists and other elements cut where they nest too deep.
QString prepared(const QString &html, HtmlImport::Cuts *cuts = nullptr)
{
    return HtmlNesting::cut(withListsCut(withReadings(HtmlReferences::ended(html)), cuts ? &cuts->lists : nullptr),
                            cuts ? &cuts->elements : nullptr);
}

// Qt's import puts an empty paragraph between a table and the paragraph after it, which the page
// showed nowhere (a browser shows none) and the site would publish as a blank line: the paragraph
// after the table takes its place, in its own format and list. True when there were any.
bool dropParagraphsAfterTables(QTextDocument *doc)
{
    QTextCursor edit(doc);
    edit.beginEditBlock();
    bool any = false;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextBlock previous = block.previous();
        const QTextBlock next = block.next();
        if (block.length() != 1 || !previous.isValid() || !next.isValid())
            continue;
        // Never across the end of a frame or of a table's cell: a table that ends a cell is followed by
        // the cell's own last paragraph, and the next paragraph is another cell's.
        QTextFrame *const frame = QTextCursor(block).currentFrame();
        if (QTextCursor(next).currentFrame() != frame)
            continue;
        if (const QTextTable *table = qobject_cast<QTextTable *>(frame);
            table && table->cellAt(block.position()) != table->cellAt(next.position()))
            continue;
        // The frame around the paragraph before, up to the one that holds this paragraph: a table
        // that ends right here.
        QTextFrame *before = QTextCursor(previous).currentFrame();
        while (before && before->parentFrame() != frame)
            before = before->parentFrame();
        if (!qobject_cast<QTextTable *>(before) || before->lastPosition() + 1 != block.position())
            continue;
        QTextCursor merge(block);
        merge.setBlockFormat(next.blockFormat());
        merge.setBlockCharFormat(next.charFormat());
        if (QTextList *list = next.textList())
            list->add(block);
        const int at = block.position();
        merge.setPosition(next.position(), QTextCursor::KeepAnchor);
        merge.removeSelectedText();
        // The paragraph that holds the text now, wherever Qt keeps it.
        block = doc->findBlock(at);
        any = true;
    }
    edit.endEditBlock();
    return any;
}

// The fragment of the pasted document at the cursor, its list items in paragraphs of their own: a list
// that begins it at a paragraph's start takes the place of the paragraph's start, and the text after the
// caret follows a list that ends it as a paragraph of its own, as it would in a browser.
void insertAtParagraph(QTextCursor &cursor, const QTextDocumentFragment &fragment, const QTextDocument &pasted)
{
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int start = cursor.position();
    const QTextBlock into = cursor.block();
    const bool inList = LineBlocks::head(into).textList();
    const bool atStart = cursor.atBlockStart() && !LineBlocks::continues(into);
    const QTextBlockFormat format = LineBlocks::paragraphFormat(into);
    const QTextCharFormat charFormat = into.charFormat();
    cursor.insertFragment(fragment);
    if (pasted.lastBlock().textList())
        PastedItems::endItem(cursor, format, charFormat);
    if (atStart && !inList && pasted.firstBlock().textList())
        PastedItems::dropEmptyParagraph(cursor.document(), start);
    // A paragraph held in blocks (LineBlocks) that the fragment parted holds each part as its own, and
    // long paragraphs that came in are held so too.
    LineBlocks::settle(cursor.document(), start, cursor.position() + 1);
    cursor.endEditBlock();
}

} // namespace

namespace HtmlImport {

Cuts setHtml(QTextDocument *doc, const QString &source)
{
    Cuts cuts;
    const QString html = prepared(source, &cuts);
    const std::vector<QChar> standIns = standInsFor(html, 3);
    const QChar standIn = standIns.empty() ? standInFor(html) : standIns[0];
    const QString protectedHtml = standIn.isNull() ? html : protect(html, standIn);
    if (standIns.empty()) {
        doc->setHtml(protectedHtml);
    } else {
        doc->setHtml(withPicturesApart(protectedHtml, standIns[1], standIns[2]));
        joinPictures(doc, standIns[1], standIns[2]);
    }
    if (!standIn.isNull())
        restore(doc, standIn);
    TableOps::flattenDeepTables(doc);
    dropParagraphsAfterTables(doc);
    return cuts;
}

void insertHtml(QTextCursor &cursor, const QString &source, PageDocument &page)
{
    const QString html = prepared(source);
    const QChar standIn = standInFor(html);
    const QTextDocumentFragment imported
        = QTextDocumentFragment::fromHtml(standIn.isNull() ? html : protect(html, standIn), cursor.document());
    // Put right in a document of its own, which lays nothing out: the page would lay deep tables out as
    // soon as they came in, and every ideographic space put back.
    QTextDocument scratch;
    scratch.setUndoRedoEnabled(false);
    scratch.setLayoutEnabled(false);
    QTextCursor(&scratch).insertFragment(imported);
    const bool restored = !standIn.isNull() && restore(&scratch, standIn);
    const bool flattened = TableOps::flattenDeepTables(&scratch);
    const bool linked = linkAnchors(&scratch, page);
    const bool dropped = dropParagraphsAfterTables(&scratch);
    insertAtParagraph(cursor, restored || flattened || linked || dropped ? QTextDocumentFragment(&scratch) : imported, scratch);
}

bool linkAnchors(QTextDocument *doc, PageDocument &page)
{
    // One edit: a cursor placed outside one lays its whole paragraph out again, for every link of it.
    QTextCursor edit(doc);
    edit.beginEditBlock();
    bool any = false;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QString previous;
        int field = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (href.isEmpty() || !fragment.charFormat().isAnchor()) {
                previous.clear();
                continue;
            }
            if (href != previous)
                field = page.newFieldId();
            previous = href;
            QTextCursor cursor(doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat format = fragment.charFormat();
            format.setAnchor(false);
            format.clearProperty(QTextFormat::AnchorHref);
            format.setProperty(TextProps::FieldId, field);
            format.setProperty(TextProps::FieldType, 1);
            format.setProperty(TextProps::FieldData, href);
            cursor.setCharFormat(format);
            any = true;
        }
    }
    edit.endEditBlock();
    return any;
}

qint64 nestingWeight(const QString &source, qint64 limit)
{
    const QString html = prepared(source);
    std::vector<QStringView> open;
    qint64 visits = 0;
    for (qsizetype i = html.indexOf(QLatin1Char('<')); i >= 0 && visits / VisitsPerCharacter <= limit;
         i = html.indexOf(QLatin1Char('<'), i)) {
        const qsizetype end = tagEnd(html, i);
        const bool closing = i + 1 < html.size() && html.at(i + 1) == QLatin1Char('/');
        const QStringView name = tagName(html, i + (closing ? 2 : 1));
        i = qMax(end, i + 1);
        if (name.isEmpty())
            continue;
        if (closing) {
            auto it = open.rbegin();
            while (it != open.rend() && it->compare(name, Qt::CaseInsensitive) != 0)
                ++it;
            visits += it - open.rbegin();
            if (it != open.rend())
                open.erase(std::next(it).base(), open.end());
            continue;
        }
        if (!open.empty() && endsOpen(name, open.back()))
            open.pop_back();
        visits += qint64(open.size());
        const bool closed = html.at(end - 1) == QLatin1Char('>') && html.at(end - 2) == QLatin1Char('/');
        if (!isEmptyElement(name) && !closed)
            open.push_back(name);
    }
    return visits / VisitsPerCharacter;
}

qint64 listItems(const QString &html)
{
    qint64 items = 0;
    forEachTag(html, [&items](qsizetype, qsizetype, bool closing, QStringView name) {
        items += !closing && name.compare(u"li", Qt::CaseInsensitive) == 0;
    });
    return items;
}

qint64 pictures(const QString &html)
{
    qint64 count = 0;
    forEachTag(html, [&count](qsizetype, qsizetype, bool closing, QStringView name) {
        count += !closing && name.compare(u"img", Qt::CaseInsensitive) == 0;
    });
    return count;
}

} // namespace HtmlImport
