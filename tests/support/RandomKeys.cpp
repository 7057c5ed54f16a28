#include "support/RandomKeys.h"

#include "platform/richtext/LineBlocks.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/PageTextItem.h"
#include "platform/richview/RichButtonBar.h"
#include "platform/richview/RichView.h"
#include "platform/richview/TableCaret.h"

#include "support/ForeignFiles.h"
#include "support/LayoutCompare.h"
#include "support/SamplePage.h"
#include "support/ShownSelection.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QtTest>

namespace RandomKeys {

namespace {

using TextProps::StructureCode;

QString spacedLines(int lines)
{
    return SamplePage::pastedLines(lines).replace(QChar(11), QLatin1Char(' '));
}

QString japaneseText(int size)
{
    const QString sentence = QStringLiteral("日本語の文章には空白がなく、行はほとんどの文字の間で折り返される。");
    return sentence.repeated(size / sentence.size() + 1).left(size);
}

QString latinWord(int size)
{
    return QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
}

QString shortParagraphs(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("段落 %1 of a few words").arg(i);
    return list.join(QChar(10));
}

// A heading, a table of one row of two cells holding `text` in its first, and paragraphs after it.
void cellPage(RichTextEdit &edit, const QString &text, int columnWidth)
{
    edit.setText(QStringLiteral("見出しの段落\n") + shortParagraphs(8));
    edit.select(7, 0);
    const int table = edit.insertTable(1, 2);
    for (int column = 1; columnWidth > 0 && column <= 2; ++column)
        edit.setColumnWidth(table, column, columnWidth);
    edit.setSelectedText(text);
}

// A held paragraph between short ones, given a paragraph format.
QString heldBetween(RichTextEdit &edit, const QString &held, const std::function<void()> &format)
{
    const QString before = shortParagraphs(6) + QChar(10);
    const QString text = before + held + QChar(10) + shortParagraphs(40);
    edit.setText(text);
    edit.select(int(before.size()), int(held.size()));
    format();
    return text;
}

// Words of a few letters, `count` of them, each followed by a space.
QString randomWords(QRandomGenerator &random, int count)
{
    QString words;
    for (int i = 0; i < count; ++i) {
        const int letters = 1 + random.bounded(12);
        for (int j = 0; j < letters; ++j)
            words += QChar(u'a' + random.bounded(26));
        words += u' ';
    }
    return words;
}

// A look of characters a file may bring: plain, or some of bold, italic, underline, a size, a font,
// letters spaced, colours, raised or lowered.
QTextCharFormat randomLook(QRandomGenerator &random)
{
    QTextCharFormat format;
    if (random.bounded(2))
        return format;
    static const double sizes[] = {8, 9, 10.5, 12, 14, 16, 20, 28};
    if (random.bounded(2))
        format.setFontPointSize(sizes[random.bounded(8)]);
    if (random.bounded(3) == 0)
        format.setFontWeight(QFont::Bold);
    if (random.bounded(4) == 0)
        format.setFontItalic(true);
    if (random.bounded(5) == 0)
        format.setFontUnderline(true);
    if (random.bounded(4) == 0)
        format.setForeground(QColor::fromRgb(random.bounded(0x1000000)));
    if (random.bounded(6) == 0)
        format.setBackground(QColor::fromRgb(random.bounded(0x1000000)));
    static const char *const families[] = {"DejaVu Serif", "IPAMincho", "Noto Sans CJK JP", "DejaVu Sans Mono"};
    if (random.bounded(4) == 0)
        format.setFontFamilies({QString::fromUtf8(families[random.bounded(4)])});
    if (random.bounded(12) == 0)
        format.setFontLetterSpacing(90 + random.bounded(30));
    if (random.bounded(12) == 0)
        format.setVerticalAlignment(random.bounded(2) ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    return format;
}

// A paragraph format a file may bring: indents, room above and below, a set or a proportional
// line height, now and then justified.
QTextBlockFormat randomParagraph(QRandomGenerator &random)
{
    QTextBlockFormat format;
    static const double lefts[] = {0, 0, 10, 20.5, 40, 66.67};
    static const double rights[] = {0, 0, 15, 30.4};
    static const double firsts[] = {0, 0, 0, 20, 26.67, -13.33};
    static const double tops[] = {0, 0, 4, 8, 16, 21.33};
    static const double bottoms[] = {0, 0, 4, 8, 10.67};
    format.setLeftMargin(lefts[random.bounded(6)]);
    format.setRightMargin(rights[random.bounded(4)]);
    format.setTextIndent(firsts[random.bounded(6)]);
    format.setTopMargin(tops[random.bounded(6)]);
    format.setBottomMargin(bottoms[random.bounded(5)]);
    static const double fixedHeights[] = {14, 18, 19.33, 24, 30};
    static const double shares[] = {100, 120, 150, 200};
    switch (random.bounded(4)) {
    case 0:
        format.setLineHeight(fixedHeights[random.bounded(5)], QTextBlockFormat::FixedHeight);
        break;
    case 1:
        format.setLineHeight(shares[random.bounded(4)], QTextBlockFormat::ProportionalHeight);
        break;
    default:
        break;
    }
    if (random.bounded(10) == 0)
        format.setAlignment(random.bounded(2) ? Qt::AlignJustify : Qt::AlignHCenter);
    return format;
}

// A page as a file brings it, read as a page is loaded: a paragraph of 19,000-60,000 characters
// (words, long words, Japanese text, line breaks, each run in a look of its own) in a paragraph
// format of its own, between short paragraphs of the main text, in a table's cell or in the header.
// Returns the part that holds it.
int loadedPage(RichTextEdit &edit, quint32 seed)
{
    QRandomGenerator random(seed);
    PageDocument made;
    const int where = random.bounded(3);
    QTextDocument *doc = where == 2 ? made.ensurePart(TextProps::HeaderAll) : made.main();
    QTextCursor cursor(doc);
    cursor.insertText(QStringLiteral("見出しの段落\n") + shortParagraphs(3));
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    if (where == 1) {
        QTextTableFormat table;
        table.setProperty(TextProps::ObjectId, made.newObjectId());
        table.setBorder(1);
        table.setCellPadding(3);
        table.setCellSpacing(0);
        if (random.bounded(2))
            table.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 400), QTextLength(QTextLength::FixedLength, 200)});
        QTextTable *grid = cursor.insertTable(2, 2, table);
        grid->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("隣のセル"));
        grid->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("下のセル"));
        cursor = grid->cellAt(0, 0).firstCursorPosition();
    }
    cursor.setBlockFormat(randomParagraph(random));
    const int length = 19000 + random.bounded(41001);
    int written = 0;
    while (written < length) {
        const int kind = random.bounded(100);
        QString run;
        if (kind < 50)
            run = randomWords(random, 5 + random.bounded(60));
        else if (kind < 62)
            run = QString(QChar::LineSeparator);
        else if (kind < 80)
            run = japaneseText(20 + random.bounded(3000));
        else if (kind < 86)
            run = latinWord(100 + random.bounded(qMax(1, qMin(30000, length - written))));
        else
            run = QStringLiteral("%1-%2, ").arg(random.bounded(100000)).arg(random.bounded(1000));
        cursor.insertText(run, randomLook(random));
        written += int(run.size());
    }
    if (where != 1) {
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(shortParagraphs(3));
    }
    PageCodec::load(*edit.page(), PageCodec::save(made));
    edit.select(0, 0);
    return where == 2 ? TextProps::HeaderAll : TextProps::MainPart;
}

// Pages of tables where page keys and Up and Down cross cells' and tables' edges: a first cell of
// 30,000 characters ("long cell"), a cell over two columns and one over two rows ("merged cells"), 80
// rows of short cells ("tall table"), a table in a cell whose first cell is long ("nested table"),
// each between short paragraphs.
void tablePage(const QString &shape, RichTextEdit &edit)
{
    const QString words = QStringLiteral("lorem ipsum dolor sit amet ").repeated(1200).left(30000);
    edit.setText(QStringLiteral("見出しの段落\n") + shortParagraphs(30));
    const int paragraphs = int(edit.text().size());
    const auto tableAt = [&](int position, int rows) {
        edit.select(position, 0);
        const int table = edit.insertTable(rows, 2);
        edit.setColumnWidth(table, 1, 6000);
        edit.setColumnWidth(table, 2, 3000);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= 2; ++c)
                edit.setCellText(table, r, c, QStringLiteral("r%1c%2 セル").arg(r).arg(c));
        }
        return table;
    };
    if (shape == QLatin1String("long cell")) {
        edit.setCellText(tableAt(paragraphs / 2, 2), 1, 1, words);
    } else if (shape == QLatin1String("merged cells")) {
        const int over = tableAt(paragraphs * 2 / 3, 3);
        edit.mergeCells(over, 2, 1, 1, 2);
        edit.setCellText(over, 2, 1, words.left(300));
        const int down = tableAt(paragraphs / 3, 3);
        edit.mergeCells(down, 1, 1, 2, 1);
        edit.setCellText(down, 1, 1, words.left(200));
    } else if (shape == QLatin1String("tall table")) {
        tableAt(paragraphs / 2, 80);
    } else if (shape == QLatin1String("nested table")) {
        const int outer = tableAt(paragraphs / 2, 2);
        edit.select(edit.cellStart(outer, 1, 1) - 1, 0);
        const int inner = edit.insertTable(2, 1);
        edit.setCellText(inner, 1, 1, words.left(20000));
        edit.setCellText(inner, 2, 1, QStringLiteral("内側の下のセル"));
    }
}

int build(const QString &shape, RichTextEdit &edit)
{
    if (shape.startsWith(QLatin1String("loaded "))) {
        return loadedPage(edit, shape.mid(7).toUInt());
    } else if (shape == QLatin1String("lines")) {
        edit.setText(QStringLiteral("見出し\n") + SamplePage::pastedLines(400) + QStringLiteral("\n終わり"));
    } else if (shape == QLatin1String("spaced")) {
        edit.setText(QStringLiteral("見出し\n") + spacedLines(600) + QStringLiteral("\n終わり"));
    } else if (shape == QLatin1String("japanese")) {
        edit.setText(QStringLiteral("見出し\n") + japaneseText(24000) + QStringLiteral("\n終わり"));
    } else if (shape == QLatin1String("word")) {
        edit.setText(QStringLiteral("見出し\n") + latinWord(23000) + QStringLiteral("\n終わり"));
    } else if (shape == QLatin1String("signs")) {
        // Runs of signs and digits without a break, held in pieces as a long word is.
        edit.setText(QStringLiteral("見出し\n") + QString(8000, QLatin1Char('&')) + QStringLiteral("0123456789").repeated(800)
                     + QString(8000, QChar(0x2501)) + QStringLiteral("\n終わり"));
    } else if (shape == QLatin1String("list word")) {
        // A numbered list of short items, one long word and Japanese text.
        const QString before = QStringLiteral("見出し\n");
        const QString items = QStringLiteral("一つ目の項目\n") + latinWord(23000) + QStringLiteral("\n三つ目\n")
                              + japaneseText(24000) + QStringLiteral("\n五つ目");
        edit.setText(before + items + QStringLiteral("\n終わり"));
        edit.select(int(before.size()), int(items.size()));
        edit.setListKind(3);
    } else if (shape == QLatin1String("hebrew word")) {
        // A Hebrew word in a paragraph and in a list item, whose room the list leaves at the left.
        const QString word = QString::fromUtf8(ForeignFiles::hebrewWord(23000));
        const QString before = QStringLiteral("見出し\n") + word + QStringLiteral("\n");
        const QString items = QStringLiteral("一つ目\n") + word;
        edit.setText(before + items + QStringLiteral("\n終わり"));
        edit.select(int(before.size()), int(items.size()));
        edit.setListKind(3);
    } else if (shape == QLatin1String("cell")) {
        cellPage(edit, SamplePage::pastedLines(120), 0);
    } else if (shape == QLatin1String("sized cell")) {
        cellPage(edit, SamplePage::pastedLines(120), 3000);
    } else if (shape == QLatin1String("heading")) {
        // The look of a heading style: 16 pt, indented, room above and below.
        heldBetween(edit, SamplePage::pastedLines(150), [&] {
            edit.setFontSize(16);
            edit.setIndentLeft(300);
            edit.setSpaceBefore(240);
            edit.setSpaceAfter(120);
        });
    } else if (shape == QLatin1String("indented")) {
        heldBetween(edit, SamplePage::pastedLines(150), [&] {
            edit.setIndentLeft(450);
            edit.setIndentFirstLine(300);
            edit.setIndentRight(600);
            edit.setSpaceBefore(90);
            edit.setSpaceAfter(150);
        });
    } else if (shape == QLatin1String("fixed height")) {
        heldBetween(edit, SamplePage::pastedLines(150), [&] {
            edit.setLineSpacingTwips(290);
            edit.setSpaceAfter(75);
        });
    } else if (shape == QLatin1String("space before")) {
        heldBetween(edit, SamplePage::pastedLines(150), [&] { edit.setSpaceBefore(120); });
    } else if (shape == QLatin1String("short")) {
        edit.setText(QStringLiteral("abc\ndef\nghi jkl mno\n短い段落"));
    } else if (shape == QLatin1String("big cell")) {
        // A page as the sample's pages with a table are stored: a bordered table of four rows and
        // three columns after a few paragraphs, its third column's second row empty.
        PageDocument made;
        QTextCursor cursor(made.main());
        cursor.insertText(QStringLiteral("見出しの段落\n") + shortParagraphs(3));
        cursor.insertBlock();
        QTextTableFormat format;
        format.setProperty(TextProps::ObjectId, made.newObjectId());
        format.setBorder(1);
        format.setCellPadding(3);
        format.setCellSpacing(0);
        QTextTable *grid = cursor.insertTable(4, 3, format);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        const char *const head[] = {"項目", "内容", "備考"};
        for (int c = 0; c < 3; ++c)
            grid->cellAt(0, c).firstCursorPosition().insertText(QString::fromUtf8(head[c]), bold);
        for (int r = 1; r < 4; ++r) {
            grid->cellAt(r, 0).firstCursorPosition().insertText(r == 1 ? QStringLiteral("目次") : QStringLiteral("見出し"));
            grid->cellAt(r, 1).firstCursorPosition().insertText(QStringLiteral("%1件").arg(r + 3));
            grid->cellAt(r, 2).firstCursorPosition().insertText(r == 2 ? QStringLiteral("要確認") : QString());
        }
        PageCodec::load(*edit.page(), PageCodec::save(made));
    } else if (tableShapes().contains(shape)) {
        tablePage(shape, edit);
    } else if (shape == QLatin1String("table then empty")) {
        edit.setText(QStringLiteral("前の段落\n"));
        edit.select(5, 0);
        const int table = edit.insertTable(2, 2);
        edit.setCellText(table, 1, 1, QStringLiteral("一つ目のセル"));
        edit.setCellText(table, 2, 2, QStringLiteral("last cell of the table"));
    }
    edit.select(0, 0);
    return TextProps::MainPart;
}

// Other programs' texts on the clipboard.
QString outsideText(int n)
{
    switch (n) {
    case 0: return QStringLiteral("pasted words ");
    case 1: return QStringLiteral("two\nparagraphs");
    case 2: return SamplePage::pastedLines(70);
    case 3: return QStringLiteral("貼り付けた日本語");
    default: // a long first line and many short ones
        return QStringLiteral("https://example.com/").repeated(8).left(158) + QChar(11) + SamplePage::pastedLines(600);
    }
}

// A list another program copied as HTML (a browser's copy), with its text.
QMimeData *outsideList()
{
    auto *data = new QMimeData;
    data->setHtml(QStringLiteral("<ul><li>one</li><li>two</li></ul>"));
    data->setText(QStringLiteral("one\ntwo"));
    return data;
}

struct NamedKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

const QHash<QString, NamedKey> &namedKeys()
{
    static const QHash<QString, NamedKey> keys = [] {
        QHash<QString, NamedKey> k;
        const std::pair<const char *, Qt::Key> moves[] = {
            {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down},
            {"Home", Qt::Key_Home}, {"End", Qt::Key_End}, {"PageUp", Qt::Key_PageUp}, {"PageDown", Qt::Key_PageDown},
        };
        for (const auto &[name, key] : moves) {
            k.insert(QLatin1String(name), {key, Qt::NoModifier});
            k.insert(QStringLiteral("Shift+") + QLatin1String(name), {key, Qt::ShiftModifier});
        }
        k.insert(QStringLiteral("Enter"), {Qt::Key_Return, Qt::NoModifier});
        k.insert(QStringLiteral("Shift+Enter"), {Qt::Key_Return, Qt::ShiftModifier});
        k.insert(QStringLiteral("BackSpace"), {Qt::Key_Backspace, Qt::NoModifier});
        k.insert(QStringLiteral("Delete"), {Qt::Key_Delete, Qt::NoModifier});
        k.insert(QStringLiteral("Ctrl+BackSpace"), {Qt::Key_Backspace, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+Delete"), {Qt::Key_Delete, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+Home"), {Qt::Key_Home, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+End"), {Qt::Key_End, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+A"), {Qt::Key_A, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+Z"), {Qt::Key_Z, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+Y"), {Qt::Key_Y, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+X"), {Qt::Key_X, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+C"), {Qt::Key_C, Qt::ControlModifier});
        k.insert(QStringLiteral("Ctrl+V"), {Qt::Key_V, Qt::ControlModifier});
        return k;
    }();
    return keys;
}

bool typedToken(const QString &key)
{
    return key.size() >= 2 && key.startsWith(u'"') && key.endsWith(u'"');
}

// What a key does to the text, for the model.
enum class Effect { None, Type, Enter, LineBreak, BackSpace, Delete, ByQt, Cut, Copy, Paste, Undo, Redo };

Effect effectOf(const QString &key)
{
    if (typedToken(key))
        return Effect::Type;
    static const QHash<QString, Effect> effects{
        {QStringLiteral("Enter"), Effect::Enter},         {QStringLiteral("Shift+Enter"), Effect::LineBreak},
        {QStringLiteral("BackSpace"), Effect::BackSpace}, {QStringLiteral("Delete"), Effect::Delete},
        {QStringLiteral("Ctrl+BackSpace"), Effect::ByQt}, {QStringLiteral("Ctrl+Delete"), Effect::ByQt},
        {QStringLiteral("Ctrl+X"), Effect::Cut},          {QStringLiteral("Ctrl+C"), Effect::Copy},
        {QStringLiteral("Ctrl+V"), Effect::Paste},        {QStringLiteral("Ctrl+Z"), Effect::Undo},
        {QStringLiteral("Ctrl+Y"), Effect::Redo},
    };
    if (key.startsWith(QLatin1String("paste ")))
        return Effect::Paste;
    return effects.value(key, Effect::None);
}

} // namespace

QStringList shapes()
{
    return QStringList{QStringLiteral("lines"),        QStringLiteral("spaced"),       QStringLiteral("japanese"),
            QStringLiteral("word"),         QStringLiteral("cell"),         QStringLiteral("sized cell"),
            QStringLiteral("heading"),      QStringLiteral("indented"),     QStringLiteral("fixed height"),
            QStringLiteral("space before"), QStringLiteral("short"),        QStringLiteral("table then empty"),
            QStringLiteral("big cell"),     QStringLiteral("list word"),    QStringLiteral("signs")}
           + tableShapes();
}

QStringList tableShapes()
{
    return {QStringLiteral("long cell"), QStringLiteral("merged cells"), QStringLiteral("tall table"), QStringLiteral("nested table")};
}

QStringList parse(const QString &sequence)
{
    QStringList keys;
    int i = 0;
    const int n = int(sequence.size());
    while (i < n) {
        while (i < n && (sequence.at(i) == u',' || sequence.at(i).isSpace()))
            ++i;
        if (i >= n)
            break;
        QString token;
        if (sequence.at(i) == u'"') {
            const int end = int(sequence.indexOf(u'"', i + 1));
            const int stop = end < 0 ? n : end + 1;
            token = sequence.mid(i, stop - i);
            i = stop;
        } else {
            const int end = int(sequence.indexOf(u',', i));
            const int stop = end < 0 ? n : end;
            token = sequence.mid(i, stop - i).trimmed();
            i = stop;
        }
        int times = 1;
        const int star = int(token.lastIndexOf(u'*'));
        if (!typedToken(token) && star > 0) {
            times = token.mid(star + 1).toInt();
            token = token.left(star);
        }
        for (int t = 0; t < times; ++t)
            keys << token;
    }
    return keys;
}

QString describe(const QStringList &keys)
{
    QStringList out;
    for (int i = 0; i < keys.size();) {
        int j = i + 1;
        while (j < keys.size() && keys.at(j) == keys.at(i))
            ++j;
        out << (j - i > 2 ? QStringLiteral("%1*%2").arg(keys.at(i)).arg(j - i) : keys.at(i));
        if (j - i == 2)
            out << keys.at(i);
        i = j;
    }
    return out.join(QStringLiteral(", "));
}

namespace {
QStringList withFormatActs(quint32 seed, QStringList keys);

// A selection made by screens: Shift+PageUp or Shift+PageDown one to three times, now and then from a
// table's first cell, now and then typed over.
void selectByScreens(QRandomGenerator &random, QStringList &keys)
{
    if (random.bounded(3) == 0)
        keys << QStringLiteral("at cell 1 1");
    const QString key = random.bounded(2) ? QStringLiteral("Shift+PageUp") : QStringLiteral("Shift+PageDown");
    for (int i = int(random.bounded(3)); i >= 0; --i)
        keys << key;
    if (random.bounded(2))
        keys << QStringLiteral("\"Z\"");
}

} // namespace

QStringList randomKeys(quint32 seed, int count, int length)
{
    QRandomGenerator random(seed);
    QStringList keys{QStringLiteral("at %1").arg(random.bounded(length + 1))};
    static const char *const typed[] = {"x", "ab", " ", "word ", "Q"};
    static const char *const japanese[] = {"語", "日本", "、"};
    static const char *const moves[] = {"Left", "Right", "Up", "Down"};
    static const char *const others[] = {"Home", "End", "PageUp", "PageDown"};
    while (keys.size() < count) {
        const int r = random.bounded(100);
        const QString shift = random.bounded(2) ? QStringLiteral("Shift+") : QString();
        if (r < 18)
            keys << QStringLiteral("\"%1\"").arg(QLatin1String(typed[random.bounded(5)]));
        else if (r < 24)
            keys << QStringLiteral("\"%1\"").arg(QString::fromUtf8(japanese[random.bounded(3)]));
        else if (r < 30)
            keys << QStringLiteral("Enter");
        else if (r < 34)
            keys << QStringLiteral("Shift+Enter");
        else if (r < 42)
            keys << QStringLiteral("BackSpace");
        else if (r < 48)
            keys << QStringLiteral("Delete");
        else if (r < 50)
            keys << QStringLiteral("Ctrl+BackSpace");
        else if (r < 52)
            keys << QStringLiteral("Ctrl+Delete");
        else if (r < 66)
            keys << shift + QLatin1String(moves[random.bounded(4)]);
        else if (r < 72)
            keys << shift + QLatin1String(others[random.bounded(4)]);
        else if (r < 75)
            keys << (random.bounded(2) ? QStringLiteral("Ctrl+Home") : QStringLiteral("Ctrl+End"));
        else if (r < 80)
            keys << QStringLiteral("Ctrl+Z");
        else if (r < 82)
            keys << QStringLiteral("Ctrl+Y");
        else if (r < 83)
            keys << QStringLiteral("Ctrl+A");
        else if (r < 85)
            keys << QStringLiteral("Ctrl+X");
        else if (r < 87)
            keys << QStringLiteral("Ctrl+C");
        else if (r < 89)
            keys << QStringLiteral("Ctrl+V");
        else if (r < 92) {
            const int n = int(random.bounded(5));
            keys << (n == 4 ? QStringLiteral("paste list") : QStringLiteral("paste %1").arg(n));
        }
        else if (r < 95)
            selectByScreens(random, keys);
        else
            keys << QStringLiteral("click %1 %2").arg(random.bounded(900)).arg(random.bounded(700));
    }
    return withFormatActs(seed, keys);
}

namespace {

// ---- a character format chosen with nothing selected, and text typed after it

const QStringList &formatNames()
{
    static const QStringList names{QStringLiteral("bold"),   QStringLiteral("italic"),     QStringLiteral("underline"),
                                   QStringLiteral("strike"), QStringLiteral("colour"),     QStringLiteral("background"),
                                   QStringLiteral("font"),   QStringLiteral("size")};
    return names;
}

// Now and then in place of two or three keys: a format act and text typed after it.
QStringList withFormatActs(quint32 seed, QStringList keys)
{
    QRandomGenerator random(seed ^ 0x6d2f41u);
    static const char *const typed[] = {"ab", "x", "語", "word ", "日本"};
    for (int i = 1; i + 2 < keys.size(); ++i) {
        if (random.bounded(100) >= 3)
            continue;
        keys[i] = QStringLiteral("format ") + formatNames().at(random.bounded(int(formatNames().size())));
        keys[i + 1] = QStringLiteral("\"%1\"").arg(QString::fromUtf8(typed[random.bounded(5)]));
        if (random.bounded(2))
            keys[i + 2] = QStringLiteral("\"%1\"").arg(QString::fromUtf8(typed[random.bounded(5)]));
        i += 2;
    }
    return keys;
}

// The act: B, I or U of the format bar, or one box of the font dialog (font, size, strike-out and
// the two colours), chosen as the user chooses them.
void chooseFormat(RichView &view, RichButtonBar &bar, const QString &name)
{
    if (name == QLatin1String("bold") || name == QLatin1String("italic") || name == QLatin1String("underline")) {
        const RichButtonBar::Button button = name == QLatin1String("bold")     ? RichButtonBar::Bold
                                             : name == QLatin1String("italic") ? RichButtonBar::Italic
                                                                               : RichButtonBar::Underline;
        bar.action(button)->trigger();
        return;
    }
    view.setDialogRunner([&](QDialog &dialog) {
        auto *font = qobject_cast<FontDialog *>(&dialog);
        if (!font)
            return false;
        FontDialog::Values v = font->values();
        if (name == QLatin1String("strike"))
            v.strikeOut = !v.strikeOut;
        else if (name == QLatin1String("colour"))
            v.foreColor = v.foreColor == 0x0000FF ? 0x008000 : 0x0000FF; // red, else green
        else if (name == QLatin1String("background"))
            v.backColor = v.backColor == 0x00FFFF ? 0xFFFF00 : 0x00FFFF; // yellow, else cyan
        else if (name == QLatin1String("font"))
            v.family = v.family == QLatin1String("DejaVu Serif") ? QStringLiteral("IPAMincho") : QStringLiteral("DejaVu Serif");
        else
            v.size = v.size == 20 ? 9 : 20;
        font->setValues(v);
        return true;
    });
    view.fontDialog();
    view.setDialogRunner(nullptr);
}

// What a format act sets, as the characters typed after it must carry it.
QString formatValue(const QTextCharFormat &f, const QString &name)
{
    if (name == QLatin1String("bold"))
        return QString::number(f.fontWeight() >= QFont::Bold);
    if (name == QLatin1String("italic"))
        return QString::number(f.fontItalic());
    if (name == QLatin1String("underline"))
        return QString::number(f.fontUnderline());
    if (name == QLatin1String("strike"))
        return QString::number(f.fontStrikeOut());
    if (name == QLatin1String("colour"))
        return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QStringLiteral("none");
    if (name == QLatin1String("background"))
        return f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush
                   ? f.background().color().name() : QStringLiteral("none");
    if (name == QLatin1String("font"))
        return f.fontFamilies().toStringList().value(0);
    return QString::number(f.fontPointSize());
}

// Whether the characters typed at [from, from + count) carry what the act set, and the format bar
// shows it.
QString typedInFormat(const QTextDocument *doc, int from, int count, const QString &name, const QString &value,
                      const RichButtonBar &bar)
{
    for (int i = from; i < from + count; ++i) {
        QTextCursor at(const_cast<QTextDocument *>(doc));
        at.setPosition(i + 1);
        const QString got = formatValue(at.charFormat(), name);
        if (got != value)
            return QStringLiteral("the character typed at %1 has %2 %3, chosen before it: %4").arg(i).arg(name, got, value);
    }
    const int shown = name == QLatin1String("bold")     ? RichButtonBar::Bold
                      : name == QLatin1String("italic") ? RichButtonBar::Italic
                      : name == QLatin1String("underline") ? RichButtonBar::Underline : -1;
    if (shown >= 0 && bar.action(RichButtonBar::Button(shown))->isChecked() != (value == QLatin1String("1")))
        return QStringLiteral("the format bar shows %1 otherwise than the text typed").arg(name);
    return QString();
}

} // namespace

QStringList keysInOnePart(quint32 seed, int count, int length)
{
    QStringList keys = randomKeys(seed, count, length);
    keys.removeIf([](const QString &key) { return key.startsWith(QLatin1String("click ")); });
    return keys;
}

struct Player::State {
    PageDocument page;
    RichTextEdit edit{&page};
    RichView view{&edit};
    RichButtonBar bar{&view};

    // The model: the texts the keys gave, the one shown now, and what our own copy holds.
    QStringList history;
    // Of each text but the first, where the selection (or the caret) stood before the key that gave it,
    // its start and end: Qt's undo of a step that replaced a selection leaves the caret at either end.
    QList<std::pair<int, int>> began;
    int at = 0;
    QString copied;
    bool copiedKnown = false;
    bool copiedItem = false; // the copy begins with a whole list item, its paragraph end included
    bool clipboardOurs = false;
};

Player::Player(const QString &shape)
    : d(std::make_unique<State>())
{
    // Each sequence begins without a copy of its own on the clipboard.
    QApplication::clipboard()->clear();
    const int part = build(shape, d->edit);
    for (QTextDocument *doc : d->page.documents())
        doc->clearUndoRedoStacks();
    d->edit.page()->main()->setModified(false);
    d->view.resize(900, 700);
    d->view.show();
    d->view.activateWindow();
    d->view.setFocus();
    if (!QTest::qWaitForWindowExposed(&d->view))
        qWarning("the page view was not shown");
    if (part != TextProps::MainPart)
        d->view.activatePart(part);
    d->view.showModelCaret();
    // The part is brought into view again once the events run (RichView::activatePart): before the
    // first key, as a user's first key comes.
    QApplication::processEvents();
    d->history << d->edit.text();
    d->began.append({-1, -1});
}

Player::~Player() = default;

int Player::textLength() const
{
    return d->edit.textLength();
}

namespace {

// Selects from the caret to Qt's next or previous word edge, short of a table's or a cell's edge on
// the way: the view deletes no word across one (nothing where the caret stands at one).
void selectWord(QTextCursor &cursor, bool forward)
{
    QTextCursor edge(cursor);
    edge.movePosition(forward ? QTextCursor::NextWord : QTextCursor::PreviousWord);
    const QTextDocument *doc = cursor.document();
    const int step = forward ? 1 : -1;
    int end = cursor.position();
    while (end != edge.position()) {
        const ushort ch = doc->characterAt(forward ? end : end - 1).unicode();
        if (ch == 0xFDD0 || ch == 0xFDD1)
            break;
        end += step;
    }
    cursor.setPosition(end, QTextCursor::KeepAnchor);
}

// The text the key gives, by Qt's own rules, on a copy of the page holding each paragraph in one
// block as the position model reads it.
QString byQt(QTextDocument *doc, int anchor, int position, const QString &key, const QString &typed)
{
    const LineBlocks::Joined joined(doc);
    std::unique_ptr<QTextDocument> copy = LineBlocks::copy(joined.document());
    QTextCursor cursor(copy.get());
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    if (key == QLatin1String("Ctrl+BackSpace") || key == QLatin1String("Ctrl+Delete")) {
        if (!cursor.hasSelection())
            selectWord(cursor, key == QLatin1String("Ctrl+Delete"));
        cursor.removeSelectedText();
    } else if (key == QLatin1String("BackSpace")) {
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        else
            cursor.deletePreviousChar();
    } else if (key == QLatin1String("Delete")) {
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        else
            cursor.deleteChar();
    } else if (key == QLatin1String("Enter")) {
        cursor.insertBlock();
    } else if (key == QLatin1String("Shift+Enter")) {
        cursor.insertText(QString(QChar::LineSeparator));
    } else if (key == QLatin1String("Ctrl+X")) {
        cursor.removeSelectedText();
    } else {
        cursor.insertText(typed);
    }
    return PositionText::text(copy.get());
}

void send(RichView &view, const QString &key, QStringList *skipped)
{
    QWidget *keys = view.viewport();
    if (typedToken(key)) {
        const QString text = key.mid(1, key.size() - 2);
        QString commit;
        const auto flush = [&] {
            if (commit.isEmpty())
                return;
            QInputMethodEvent event;
            event.setCommitString(commit);
            QApplication::sendEvent(&view, &event);
            commit.clear();
        };
        for (QChar ch : text) {
            if (ch.unicode() < 0x80) {
                flush();
                QTest::keyClicks(keys, QString(ch));
            } else {
                commit += ch;
            }
        }
        flush();
    } else if (key == QLatin1String("paste list")) {
        QApplication::clipboard()->setMimeData(outsideList());
        QTest::keyClick(keys, Qt::Key_V, Qt::ControlModifier);
    } else if (key.startsWith(QLatin1String("paste "))) {
        QApplication::clipboard()->setText(outsideText(key.mid(6).toInt()));
        QTest::keyClick(keys, Qt::Key_V, Qt::ControlModifier);
    } else if (key.startsWith(QLatin1String("click "))) {
        const QStringList xy = key.mid(6).split(u' ');
        QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(xy.value(0).toInt(), xy.value(1).toInt()));
    } else if (key.startsWith(QLatin1String("at "))) {
        int position = qBound(0, key.mid(3).toInt(), view.edit()->textLength());
        // at cell R C: the start of that cell of the first table.
        const QStringList cell = key.mid(3).split(u' ');
        if (cell.size() == 3 && cell.first() == QLatin1String("cell")) {
            QTextTable *table = SamplePage::firstTable(view.edit()->document());
            const QTextTableCell at = table ? table->cellAt(cell.at(1).toInt() - 1, cell.at(2).toInt() - 1) : QTextTableCell();
            position = at.isValid() ? at.firstPosition() : 0;
        }
        view.edit()->select(position, 0);
        view.showModelCaret();
        view.ensureVisible(view.mainItem()->mapRectToScene(view.mainItem()->caretRect()));
    } else if (key == QLatin1String("page view")) {
        view.setViewMode(2);
    } else if (namedKeys().contains(key)) {
        const NamedKey named = namedKeys().value(key);
        QTest::keyClick(keys, named.key, named.modifiers);
    } else if (skipped) {
        *skipped << key;
    }
}

// Whether a page key taken in a table cell left the cell's text as moving about a screen (`screen`
// high) by lines would: only where the cell's end (PageDown) or start (PageUp) lies within a screen
// of the caret's line, and then to another cell of its column below (above) or out of the table that
// way.
QString pageKeyLeftTheCell(QTextDocument *doc, int before, int after, bool down, qreal screen)
{
    QTextCursor at(doc);
    at.setPosition(before);
    QTextTable *table = at.currentTable();
    if (!table)
        return QString();
    const QTextTableCell cell = table->cellAt(before);
    const QTextTableCell now = table->cellAt(after);
    if (now == cell)
        return QString();
    bool fine = true;
    if (!now.isValid()) {
        fine = down ? after > table->lastPosition() : after < table->firstPosition();
    } else {
        fine = now.column() == cell.column()
               && (down ? now.row() >= cell.row() + cell.rowSpan() : now.row() + now.rowSpan() <= cell.row());
    }
    const QString left = QStringLiteral("the caret went from the cell at row %1, column %2 (position %3) to position %4")
                             .arg(cell.row() + 1).arg(cell.column() + 1).arg(before).arg(after);
    if (!fine)
        return left;
    const auto [top, bottom] = TableCaret::lineSpan(doc, before);
    const auto [edgeTop, edgeBottom] = TableCaret::lineSpan(doc, down ? cell.lastPosition() : cell.firstPosition());
    const qreal reach = down ? edgeBottom - top : bottom - edgeTop;
    if (reach <= screen + (bottom - top))
        return QString();
    return left + QStringLiteral(", the cell's %1 %2 px away, a screen %3 px").arg(down ? QStringLiteral("end") : QStringLiteral("start")).arg(reach).arg(screen);
}

// Whether [from, to) begins at a list item's start and takes its paragraph end with it: the copy
// holds the item as an item.
bool beginsItem(const QTextDocument *doc, int from, int to)
{
    const QTextBlock block = doc->findBlock(from);
    const QTextBlock tail = LineBlocks::tail(block);
    return block.position() == from && block.textList() && !LineBlocks::continues(block)
           && to > tail.position() + tail.length() - 1;
}

// The text our copy gives at `from`, what a selection within one paragraph held taken out: a list
// item that comes in inside a paragraph of no list begins a paragraph of its own.
QString pastedCopy(const QTextDocument *doc, int from, const QString &copied, bool item)
{
    const QTextBlock block = doc->findBlock(from);
    const bool atStart = block.position() == from && !LineBlocks::continues(block);
    if (!item || from == 0 || atStart || LineBlocks::head(block).textList())
        return copied;
    return QChar(10) + copied;
}

// The text the list of outsideList() gives in place of [from, to), a selection within one paragraph:
// its items begin a paragraph of their own, but at a paragraph's start, where they take its place,
// and in a list item, where the first joins the text in front of the caret; the text after the caret
// follows the last item as a paragraph of its own.
QString pastedList(const QTextDocument *doc, const QString &text, int from, int to)
{
    const QTextBlock block = doc->findBlock(from);
    const bool atStart = block.position() == from && !LineBlocks::continues(block);
    const QChar after = to < text.size() ? text.at(to) : QChar(TextProps::ParagraphCode);
    const bool textAfter = after != QChar(TextProps::ParagraphCode) && after != QChar(TextProps::PageBreakCode)
                           && after != QChar(StructureCode);
    const bool joins = from == 0 || atStart || LineBlocks::head(block).textList();
    return (joins ? QString() : QStringLiteral("\n")) + QStringLiteral("one\ntwo") + (textAfter ? QStringLiteral("\n") : QString());
}

bool touchesStructure(const QString &text, int from, int to)
{
    for (int i = qMax(0, from); i < qMin(int(text.size()), to); ++i) {
        if (text.at(i) == QChar(StructureCode))
            return true;
    }
    return false;
}

} // namespace

Outcome Player::play(const QStringList &keys, int roundTripEvery)
{
    Outcome outcome;
    State &s = *d;
    // The text of the part being edited (a click may take the keys to another).
    QTextDocument *doc = s.edit.document();
    QStringList unknown;
    const auto check = [&](int index, const QString &key) -> QString {
        doc = s.edit.document();
        QString step = index < 0 ? QStringLiteral("as built") : QStringLiteral("after %1").arg(key);
        const QString wrong = LayoutCompare::heldWrongly(doc);
        if (!wrong.isEmpty())
            return step + QStringLiteral(": ") + wrong;
        const std::unique_ptr<QTextDocument> qt = LayoutCompare::laidOutByQt(s.page, doc);
        const QString differs = LayoutCompare::geometryDiffers(doc, qt.get());
        if (!differs.isEmpty())
            return step + QStringLiteral(": ") + differs;
        // Round the caret, where the view shows the text: drawn and hit as in Qt's copy.
        const QTextCursor caret = s.edit.cursor();
        const QTextBlock block = qt->findBlock(caret.position());
        const QTextLayout *layout = block.layout();
        const QTextLine line = layout->lineForTextPosition(caret.position() - block.position());
        const qreal y = layout->position().y() + (line.isValid() ? line.y() : 0);
        const qreal top = qMax<qreal>(0, y - 350);
        const qreal bottom = qMin(qt->documentLayout()->documentSize().height(), y + 450);
        const QList<QImage> ours = LayoutCompare::strips(doc, top, bottom, 263, 280);
        const QList<QImage> theirs = LayoutCompare::strips(qt.get(), top, bottom, 263, 280);
        for (int i = 0; i < ours.size(); ++i) {
            if (ours.at(i) != theirs.at(i))
                return step + QStringLiteral(": the strip from y=%1 is drawn otherwise than by Qt").arg(top + i * 263);
        }
        const qreal width = doc->pageSize().width();
        for (qreal py = top; py < bottom; py += 31) {
            for (qreal px : {2.0, width / 3, width * 2 / 3}) {
                const int hit = doc->documentLayout()->hitTest(QPointF(px, py), Qt::FuzzyHit);
                const int expected = qt->documentLayout()->hitTest(QPointF(px, py), Qt::FuzzyHit);
                if (hit != expected)
                    return step + QStringLiteral(": a click at %1,%2 hits %3, Qt: %4").arg(px).arg(py).arg(hit).arg(expected);
            }
        }
        return QString();
    };
    // A format chosen with nothing selected, and the value the characters typed after it must carry.
    QString chosenFormat;
    QString chosenValue;
    if (const QString failed = check(-1, QString()); !failed.isEmpty()) {
        outcome.failedAt = 0;
        outcome.message = failed;
        return outcome;
    }
    for (int index = 0; index < keys.size(); ++index) {
        const QString &key = keys.at(index);
        doc = s.edit.document();
        const QString before = s.history.at(s.at);
        const QTextCursor cursor = s.edit.cursor();
        const int from = cursor.selectionStart();
        const int to = cursor.selectionEnd();
        const bool complex = cursor.hasComplexSelection();
        const Effect effect = effectOf(key);
        QString expected = before;
        bool known = true;
        const QString typed = typedToken(key) ? key.mid(1, key.size() - 2) : QString();
        const bool structure = complex || touchesStructure(before, from, to);
        // Qt takes a list item out of its list, its text kept, on BackSpace at its start and on
        // Enter when it is empty (not an item held in blocks whose first line is empty); BackSpace at
        // the start of an indented paragraph takes an indent off (an item taken out of its list keeps
        // the list's indent).
        const QTextBlock at = cursor.block();
        const bool atStart = !cursor.hasSelection() && cursor.atBlockStart();
        const bool leavesList = atStart
                                && ((effect == Effect::BackSpace && !LineBlocks::continues(at)
                                     && (at.textList() || at.blockFormat().indent() > 0))
                                    || (effect == Effect::Enter && at.textList() && at.length() <= 1
                                        && !LineBlocks::continues(at.next())));
        switch (effect) {
        case Effect::None:
        case Effect::Undo:
        case Effect::Redo:
            break;
        case Effect::Type:
            expected = structure ? byQt(doc, cursor.anchor(), cursor.position(), key, typed)
                                 : QString(before).replace(from, to - from, typed);
            break;
        case Effect::Enter:
        case Effect::LineBreak:
            if (leavesList)
                break;
            expected = structure ? byQt(doc, cursor.anchor(), cursor.position(), key, typed)
                                 : QString(before).replace(from, to - from, effect == Effect::Enter ? QChar(10) : QChar(11));
            break;
        case Effect::BackSpace:
        case Effect::Delete: {
            const bool back = effect == Effect::BackSpace;
            const int a = from < to ? from : (back ? from - 1 : from);
            const int b = from < to ? to : (back ? from : from + 1);
            if (leavesList)
                break;
            if (structure || touchesStructure(before, a, b))
                expected = byQt(doc, cursor.anchor(), cursor.position(), key, typed);
            else if (a >= 0 && b <= before.size())
                expected.remove(a, b - a);
            break;
        }
        case Effect::ByQt:
            expected = byQt(doc, cursor.anchor(), cursor.position(), key, typed);
            break;
        case Effect::Cut:
        case Effect::Copy:
            if (from < to) {
                s.copied = before.mid(from, to - from);
                s.copiedKnown = !structure;
                s.copiedItem = beginsItem(doc, from, to);
                s.clipboardOurs = true;
                if (effect == Effect::Cut)
                    expected = structure ? byQt(doc, cursor.anchor(), cursor.position(), key, typed)
                                         : QString(before).remove(from, to - from);
            }
            break;
        case Effect::Paste:
            if (key == QLatin1String("paste list")) {
                s.clipboardOurs = false;
                // Over a paragraph end the paragraph the removal leaves is Qt's; in the pieces of a
                // held list item after its first, Qt's own paragraphs meet the item's.
                const QTextBlock into = doc->findBlock(from);
                if (structure || before.mid(from, to - from).contains(QChar(10))
                    || (LineBlocks::continues(into) && LineBlocks::head(into).textList()))
                    known = false;
                else
                    expected.replace(from, to - from, pastedList(doc, before, from, to));
            } else if (key.startsWith(QLatin1String("paste "))) {
                s.clipboardOurs = false;
                QString text = outsideText(key.mid(6).toInt());
                if (structure)
                    known = false;
                else
                    expected.replace(from, to - from, text);
            } else if (s.clipboardOurs && s.copiedKnown && !structure
                       && !(s.copiedItem && before.mid(from, to - from).contains(QChar(10)))) {
                // Over paragraph ends, whether the paragraph the removal leaves is an item is Qt's.
                expected.replace(from, to - from, pastedCopy(doc, from, s.copied, s.copiedItem));
            } else {
                known = false;
            }
            break;
        }
        const bool byScreens = key == QLatin1String("Shift+PageUp") || key == QLatin1String("Shift+PageDown");
        const QTextCursor selectionBefore = s.view.activeItem()->textCursor();
        const std::pair<qreal, qreal> shownBefore = ShownSelection::shown(s.view);
        const bool formatAct = key.startsWith(QLatin1String("format "));
        if (effect != Effect::Type)
            chosenFormat.clear(); // the caret moves, or the act chooses anew
        if (formatAct)
            chooseFormat(s.view, s.bar, key.mid(7));
        else
            send(s.view, key, &unknown);
        QApplication::processEvents();
        outcome.keysRun = index + 1;
        const QString text = s.edit.text();
        QString failed;
        if (!unknown.isEmpty()) {
            failed = QStringLiteral("no such key: %1").arg(unknown.join(u' '));
        } else if (effect == Effect::Undo || effect == Effect::Redo) {
            int found = -1;
            if (effect == Effect::Undo) {
                for (int i = s.at; i >= 0 && found < 0; --i)
                    found = s.history.at(i) == text ? i : -1;
            } else {
                for (int i = s.at; i < s.history.size() && found < 0; ++i)
                    found = s.history.at(i) == text ? i : -1;
            }
            if (found < 0) {
                failed = QStringLiteral("after %1: a text no key gave %2").arg(key, effect == Effect::Undo ? QStringLiteral("before") : QStringLiteral("after"));
            } else if (text != before) {
                // The caret stands where the text changed (a change in a run of like characters
                // may be anywhere in the run).
                int same = 0;
                while (same < text.size() && same < before.size() && text.at(same) == before.at(same))
                    ++same;
                int tail = 0;
                while (tail < text.size() && tail < before.size()
                       && text.at(text.size() - 1 - tail) == before.at(before.size() - 1 - tail))
                    ++tail;
                // Where like characters stand on either side, the change may begin that many earlier.
                const int low = qMin(same, int(qMin(text.size(), before.size())) - tail);
                const int high = qMax(same, int(text.size()) - tail) + int(qAbs(text.size() - before.size()));
                // A step that replaced a selection may have taken out and put back like text on
                // either side of the difference the two texts show (" " replaced by "word " after
                // "word"): the caret may stand that much farther off. A caret thrown elsewhere on
                // the page is farther still.
                constexpr int ReplacedAlike = 16;
                // An undo may also put the caret back where an undone step began: at either end of
                // the selection it replaced.
                const int caret = s.edit.cursor().position();
                bool whereBegun = false;
                if (effect == Effect::Undo) {
                    for (const auto &[one, other] : s.began.mid(found + 1, s.at - found))
                        whereBegun = whereBegun || caret == one || caret == other;
                }
                if (!whereBegun && (caret < low - ReplacedAlike || caret > high + ReplacedAlike))
                    failed = QStringLiteral("after %1: the caret at %2, away from the change at %3-%4")
                                 .arg(key).arg(caret).arg(low).arg(high);
                s.at = found;
            } else {
                s.at = found;
            }
        } else {
            if (known && text != expected) {
                int i = 0;
                while (i < text.size() && i < expected.size() && text.at(i) == expected.at(i))
                    ++i;
                failed = QStringLiteral("after %1: another text from position %2: %3, expected %4")
                             .arg(key).arg(i)
                             .arg(QString(text.mid(qMax(0, i - 10), 30)).replace(QChar(11), u'|').replace(QChar(10), u'/'),
                                  QString(expected.mid(qMax(0, i - 10), 30)).replace(QChar(11), u'|').replace(QChar(10), u'/'));
            } else if (text != before) {
                s.history.erase(s.history.begin() + s.at + 1, s.history.end());
                s.began.erase(s.began.begin() + s.at + 1, s.began.end());
                s.history << text;
                s.began.append({from, to});
                s.at = int(s.history.size()) - 1;
            }
        }
        if (failed.isEmpty() && formatAct && from == to) {
            chosenFormat = key.mid(7);
            chosenValue = formatValue(s.edit.cursor().charFormat(), chosenFormat);
        } else if (failed.isEmpty() && effect == Effect::Type && !chosenFormat.isEmpty() && from == to && text == expected) {
            failed = typedInFormat(doc, from, int(typed.size()), chosenFormat, chosenValue, s.bar);
            if (!failed.isEmpty())
                failed = QStringLiteral("after %1: ").arg(key) + failed;
        }
        if (failed.isEmpty() && (key.endsWith(QLatin1String("PageDown")) || key.endsWith(QLatin1String("PageUp")))) {
            const qreal screen = s.view.mapToScene(s.view.viewport()->rect()).boundingRect().height();
            failed = pageKeyLeftTheCell(doc, cursor.position(), s.edit.cursor().position(), key.endsWith(QLatin1String("Down")), screen);
            if (!failed.isEmpty())
                failed = QStringLiteral("after %1: ").arg(key) + failed;
        }
        // A selection by screens shows its moving end and nothing it took out of sight.
        if (failed.isEmpty() && byScreens) {
            failed = ShownSelection::unseen(s.view, selectionBefore, shownBefore);
            if (!failed.isEmpty())
                failed = QStringLiteral("after %1: ").arg(key) + failed;
        }
        if (failed.isEmpty())
            failed = check(index, key);
        if (failed.isEmpty() && roundTripEvery > 0 && (index + 1) % roundTripEvery == 0) {
            PageDocument stored;
            const auto *part = qobject_cast<const PartDocument *>(doc);
            const QTextDocument *back = PageCodec::load(stored, PageCodec::save(s.page)) && part ? stored.part(part->partFlag()) : nullptr;
            if (!back || PositionText::text(back) != text)
                failed = QStringLiteral("after %1: the page stream read back holds another text").arg(key);
        }
        if (!failed.isEmpty()) {
            outcome.failedAt = index;
            outcome.message = failed;
            return outcome;
        }
    }
    return outcome;
}

Outcome play(const QString &shape, const QStringList &keys, int roundTripEvery)
{
    Player player(shape);
    return player.play(keys, roundTripEvery);
}

QStringList shrink(const QString &shape, const QStringList &keys, int runs)
{
    const auto fails = [&](const QStringList &candidate) {
        --runs;
        return play(shape, candidate, 1).failed();
    };
    QStringList current = keys;
    {
        const Outcome first = play(shape, current, 1);
        if (!first.failed())
            return keys;
        current = current.mid(0, first.failedAt + 1);
    }
    int parts = 2;
    while (current.size() >= 2 && runs > 0) {
        const int chunk = int((current.size() + parts - 1) / parts);
        bool reduced = false;
        for (int start = 0; start < current.size() && runs > 0; start += chunk) {
            QStringList candidate = current.mid(0, start) + current.mid(start + chunk);
            if (!candidate.isEmpty() && fails(candidate)) {
                current = candidate;
                parts = qMax(parts - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (parts >= current.size())
                break;
            parts = qMin(int(current.size()), parts * 2);
        }
    }
    return current;
}

} // namespace RandomKeys
