// Times typing in the editing view, each keystroke followed by the repaint it causes:
// - 10,000 characters typed one by one into the middle of a 20-page document with a header, in page
//   view (target < 1 ms a keystroke);
// - characters typed into the middle of a page that is one paragraph of 1 MB of text with line
//   breaks, as a text pasted as text becomes, with the marks of paragraph ends and line breaks shown
//   (target < 5 ms a keystroke).
// - characters typed into the middle of a paragraph of 1 MB without line breaks, and into the middle
//   of 1 MB of lines in a table cell, its columns following their text or of set widths (target < 10 ms
//   a keystroke each);
// - characters typed into the middle of a heading with space before and after it that a paste of 1 MB
//   without line breaks went into (target < 10 ms a keystroke);
// - 10 characters typed at the top of a paragraph of 5 MB without line breaks, where a key moves every
//   line below it (target < 50 ms a keystroke), and 300 keys of words typed there, a paragraph end
//   every 100, where each line they fill and each paragraph end moves every line below (the same
//   target, for the mean and for the slowest key);
// - the CPU time the view takes while nobody touches it, its caret blinking in a paragraph of 5 MB
//   without line breaks (target < 5 ms a second);
// - opening a page of one paragraph of 5 MB in the view, as the editor loads a page from its bytes
//   (target < 3 s; the editor shows its wait window meanwhile).
// - the same for paragraphs without any space, where a line may break only inside a word: opening a
//   page that holds one word of 1,000,000 letters (target < 1 s), characters typed into the middle of
//   1 MB of Japanese text without spaces and of that word (target < 10 ms a keystroke), and the idle
//   caret in 5 MB of Japanese text without spaces (target < 5 ms a second).
// BENCH_KEYS sets the keystrokes of the first figure (the next two type a tenth of them, at least 100;
// the table cell a hundredth, at least 20, the cell of set widths a tenth, at least 100). BENCH_CASE
// runs one figure only, by the name main() gives it (to profile one case).
#include "editor/EditorServices.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"

#include <QApplication>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>

#include <ctime>
#include <functional>

namespace {

// Types `keys` characters at the view's caret; a paragraph end every 100 when `enters` is set, as a
// writer presses Enter; `letters` in turn. Returns the mean milliseconds a keystroke, and the most
// one took in `worst`.
double typeKeys(QApplication &app, RichView &view, int keys, bool enters,
                const QString &letters = QStringLiteral("abcdefghij あいうえお"), double *worst = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    qint64 last = 0;
    for (int i = 0; i < keys; ++i) {
        const bool enter = enters && i % 100 == 99;
        const QString text = enter ? QStringLiteral("\r") : letters.mid(i % letters.size(), 1);
        const int key = enter ? Qt::Key_Return : Qt::Key_A;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(view.viewport(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(view.viewport(), &release);
        app.processEvents();
        const qint64 now = timer.nsecsElapsed();
        if (worst)
            *worst = qMax(*worst, (now - last) / 1e6);
        last = now;
    }
    return timer.nsecsElapsed() / 1e6 / keys;
}

void showView(QApplication &app, RichView &view, int mode)
{
    view.setViewMode(mode);
    view.resize(1000, 900);
    view.show();
    view.activateWindow();
    view.setFocus();
    app.processEvents();
}

// The caret into the middle of the text, scrolled into sight and painted once.
void caretToMiddle(QApplication &app, RichView &view)
{
    RichTextEdit &edit = *view.edit();
    edit.setSelStart(edit.textLength() / 2);
    view.showModelCaret();
    app.processEvents();
    typeKeys(app, view, 1, false); // the first keystroke scrolls the caret into sight
}

bool twentyPages(QApplication &app, QTextStream &out, int keys)
{
    PageDocument page;
    RichTextEdit edit(&page);
    QTextCursor(page.ensurePart(TextProps::HeaderAll)).insertText(QStringLiteral("ヘッダー"));
    const QString paragraph =
        QStringLiteral("これは速度を測るための文章です。The editor lays out this line. ").repeated(3);
    int count = 100;
    while (true) {
        edit.setText(QStringList(count, paragraph).join(QLatin1Char('\n')));
        if (page.main()->pageCount() >= 20)
            break;
        count += 20;
    }
    RichView view(&edit);
    showView(app, view, 2);
    const int pages = view.pageCount();
    caretToMiddle(app, view);
    const int before = edit.textLength();
    const double ms = typeKeys(app, view, keys, true);
    out << "richview: " << keys << " keystrokes into " << pages << " pages (now " << view.pageCount()
        << "), mean " << QString::number(ms, 'f', 3) << " ms per keystroke (target < 1 ms)\n";
    // Commands of the editor move the model's caret many times; the view follows each move.
    QElapsedTimer timer;
    timer.start();
    const int moves = 10000;
    for (int i = 0; i < moves; ++i)
        edit.select((i * 7919) % edit.textLength(), 3);
    app.processEvents();
    out << "richview: " << moves << " selections set by the model, mean "
        << QString::number(timer.nsecsElapsed() / 1e6 / moves, 'f', 3) << " ms each\n";
    if (edit.textLength() != before + keys) {
        out << "richview: only " << edit.textLength() - before << " characters arrived\n";
        return false;
    }
    return true;
}

// Lines of a text file, joined by line breaks into one paragraph.
QString pastedText(int size)
{
    const QString line = QStringLiteral("貼り付けたテキストの一行です。A line of a pasted text file, 1234567890.");
    QStringList lines(size / line.size() + 1, line);
    return lines.join(QChar(11)).left(size);
}

bool longParagraph(QApplication &app, QTextStream &out, int keys)
{
    PageDocument page;
    RichTextEdit edit(&page);
    const int size = 1 << 20;
    edit.setText(pastedText(size));
    RichView view(&edit);
    view.setControlChars(true);
    showView(app, view, 0);
    caretToMiddle(app, view);
    const int before = edit.textLength();
    const double ms = typeKeys(app, view, keys, false);
    out << "richview: " << keys << " keystrokes into one paragraph of " << size / 1024
        << " K characters, marks shown, mean " << QString::number(ms, 'f', 3)
        << " ms per keystroke (target < 5 ms)\n";
    if (edit.text().contains(QChar(10)) || edit.textLength() != before + keys) {
        out << "richview: the paragraph did not take the keystrokes as typed\n";
        return false;
    }
    return true;
}

// Qt lays a long page out a step at a time while the program waits for input; the figures below
// are taken once it has laid it out.
void layOut(PageDocument &page)
{
    page.main()->documentLayout()->documentSize();
}

// The lines of pastedText() joined by spaces: one paragraph without line breaks.
QString spacedText(int size)
{
    return pastedText(size).replace(QChar(11), QLatin1Char(' '));
}

// Types `keys` characters at `position` of the page's main text in a view; `letters` they are, when
// given, and the slowest key is printed too.
bool typeAt(QApplication &app, QTextStream &out, PageDocument &page, RichTextEdit &edit, int keys, int position,
            const QString &what, int target, const QString &letters = QString())
{
    RichView view(&edit);
    showView(app, view, 0);
    layOut(page);
    edit.select(position, 0);
    view.showModelCaret();
    app.processEvents();
    typeKeys(app, view, 1, false); // the first keystroke scrolls the caret into sight
    const int before = edit.textLength();
    double worst = 0;
    // Words come as a writer types them, a paragraph end every 100 keys.
    const double ms = letters.isEmpty() ? typeKeys(app, view, keys, false) : typeKeys(app, view, keys, true, letters, &worst);
    out << "richview: " << keys << " keystrokes into " << what << ", mean " << QString::number(ms, 'f', 3)
        << " ms per keystroke (target < " << target << " ms)";
    if (!letters.isEmpty())
        out << ", the slowest " << QString::number(worst, 'f', 1) << " ms (target < " << target << " ms)";
    out << "\n";
    return edit.textLength() == before + keys;
}

// Types into the middle of the text, or near its top with `atTop`; the text is `given` or lines.
bool typedInto(QApplication &app, QTextStream &out, int keys, const QString &what, bool inCell,
               int size = 1 << 20, bool atTop = false, int target = 10, bool setWidths = false,
               const QString &given = QString(), const QString &letters = QString())
{
    PageDocument page;
    RichTextEdit edit(&page);
    const QString text = !given.isEmpty() ? given : inCell ? pastedText(size) : spacedText(size);
    if (inCell) {
        edit.setText(QStringLiteral("表の前"));
        edit.select(edit.textLength(), 0);
        const int table = edit.insertTable(1, 2); // the caret in its first cell
        for (int column = 1; setWidths && column <= 2; ++column)
            edit.setColumnWidth(table, column, 4500);
        edit.setSelectedText(text);
    } else {
        edit.setText(text);
    }
    return typeAt(app, out, page, edit, keys, atTop ? 10 : inCell ? edit.textLength() / 2 : size / 2, what, target,
                  letters);
}

// A paste of 1 MB without line breaks into the sample page's heading, which has room above and below
// it, as Ctrl+A and a paste as text make it; typed into its middle.
bool typedIntoHeading(QApplication &app, QTextStream &out, int keys)
{
    PageDocument page;
    RichTextEdit edit(&page);
    edit.setText(QStringLiteral("見出し\n本文"));
    edit.select(0, 0);
    edit.setSpaceBefore(90);
    edit.setSpaceAfter(60);
    edit.select(0, 3);
    const int size = 1 << 20;
    edit.setSelectedText(spacedText(size));
    return typeAt(app, out, page, edit, keys, size / 2,
                  QStringLiteral("a heading with space before and after of 1024 K characters without line breaks"), 10);
}

bool idleCaret(QApplication &app, QTextStream &out, const QString &text, const QString &what)
{
    PageDocument page;
    RichTextEdit edit(&page);
    const int size = int(text.size());
    edit.setText(text);
    RichView view(&edit);
    showView(app, view, 0);
    layOut(page);
    caretToMiddle(app, view);
    // An event loop that sleeps between events: processEvents() with a time limit drops the wait and
    // would measure its own polling (a whole core) instead of the view.
    const auto idleFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    idleFor(500);
    QElapsedTimer wall;
    const std::clock_t cpu = std::clock();
    wall.start();
    idleFor(4000);
    const double ms = (std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC / (wall.elapsed() / 1000.0);
    out << "richview: the view idle with its caret in a paragraph of " << size / 1024
        << " K characters " << what << ", " << QString::number(ms, 'f', 2)
        << " ms of CPU a second (target < 5 ms)\n";
    return true;
}

// `laidOut`: until Qt has laid the whole page out (a paragraph without break opportunities costs
// there, not in the loading).
bool openLongPage(QApplication &app, QTextStream &out, const QString &text, const QString &what, int target,
                  bool laidOut = false)
{
    const int size = int(text.size());
    QByteArray bytes;
    {
        PageDocument source(PageDocument::WithoutLayout);
        RichTextEdit edit(&source);
        edit.setText(text);
        bytes = PageCodec::save(source);
    }
    PageDocument page;
    RichTextEdit edit(&page);
    edit.setText(QStringLiteral("前のページ"));
    RichView view(&edit);
    showView(app, view, 0);
    EditorServices services;
    QElapsedTimer timer;
    timer.start();
    const bool ok = services.loadBytes(edit, bytes, 9, false);
    app.processEvents();
    if (laidOut)
        layOut(page);
    out << "richview: a page of " << what << " opened in the view, " << timer.elapsed() << " ms (target < "
        << target << " ms)\n";
    return ok && edit.textLength() == size;
}

// Japanese text without spaces or line breaks: a line may break between most of its characters.
QString japaneseText(int size)
{
    const QString sentence = QStringLiteral("日本語の文章には単語の間に空白がなく、行はほとんどの文字の間で折り返される。");
    return sentence.repeated(size / sentence.size() + 1).left(size);
}

// One word of letters: no break opportunity at all.
QString longWord(int size)
{
    return QStringLiteral("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int keys = qEnvironmentVariableIntValue("BENCH_KEYS") > 0 ? qEnvironmentVariableIntValue("BENCH_KEYS") : 10000;
    const QString only = qEnvironmentVariable("BENCH_CASE");
    bool ok = true;
    const auto run = [&](const char *name, const std::function<bool()> &figure) {
        if (!only.isEmpty() && only != QLatin1String(name))
            return;
        ok = figure() && ok;
        out.flush();
    };
    run("pages", [&] { return twentyPages(app, out, keys); });
    run("lines", [&] { return longParagraph(app, out, qMax(100, keys / 10)); });
    run("spaced", [&] {
        return typedInto(app, out, qMax(100, keys / 10),
                         QStringLiteral("one paragraph of 1024 K characters without line breaks"), false);
    });
    // A key into the cell costs over a second today: a hundredth of the keystrokes keeps the run to minutes.
    run("cell", [&] {
        return typedInto(app, out, qMax(20, keys / 100), QStringLiteral("1024 K characters of lines in a table cell"), true);
    });
    run("setcell", [&] {
        return typedInto(app, out, qMax(100, keys / 10),
                         QStringLiteral("1024 K characters of lines in a table cell of set column widths"), true,
                         1 << 20, false, 10, true);
    });
    run("heading", [&] { return typedIntoHeading(app, out, qMax(100, keys / 10)); });
    run("top", [&] {
        return typedInto(app, out, 10, QStringLiteral("the top of one paragraph of 5120 K characters without line breaks"),
                         false, 5 << 20, true, 50);
    });
    run("top-words", [&] {
        return typedInto(app, out, 300, QStringLiteral("words and paragraph ends at the top of one paragraph of 5120 K characters without line breaks"),
                         false, 5 << 20, true, 50, false, QString(), QStringLiteral("word "));
    });
    run("idle", [&] { return idleCaret(app, out, spacedText(5 << 20), QStringLiteral("without line breaks")); });
    run("open", [&] {
        return openLongPage(app, out, pastedText(5 << 20), QStringLiteral("one paragraph of %1 K characters").arg(5 << 10),
                            3000);
    });
    const int word = 1000000;
    run("word-open", [&] {
        return openLongPage(app, out, longWord(word), QStringLiteral("one word of %1 letters").arg(word), 1000, true);
    });
    run("japanese", [&] {
        return typedInto(app, out, qMax(100, keys / 10), QStringLiteral("1024 K characters of Japanese text without spaces"),
                         false, 1 << 20, false, 10, false, japaneseText(1 << 20));
    });
    run("word", [&] {
        return typedInto(app, out, qMax(100, keys / 10), QStringLiteral("one word of %1 letters").arg(word), false, word,
                         false, 10, false, longWord(word));
    });
    run("japanese-idle", [&] {
        return idleCaret(app, out, japaneseText(5 << 20), QStringLiteral("of Japanese text without spaces"));
    });
    return ok ? 0 : 1;
}
