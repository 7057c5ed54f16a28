// Times typing in page view: 10,000 characters typed one by one into the middle of a 20-page
// document with a header, each keystroke followed by the repaint it causes. Prints the mean time
// per keystroke.
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/TextProps.h"
#include "platform/richview/RichView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
    view.setViewMode(2);
    view.resize(1000, 900);
    view.show();
    view.activateWindow();
    view.setFocus();
    app.processEvents();
    const int pages = view.pageCount();
    edit.setSelStart(edit.textLength() / 2);
    view.showModelCaret();
    app.processEvents();

    const int keys = qEnvironmentVariableIntValue("BENCH_KEYS") > 0 ? qEnvironmentVariableIntValue("BENCH_KEYS") : 10000;
    const QString letters = QStringLiteral("abcdefghij あいうえお");
    const int before = edit.textLength();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < keys; ++i) {
        // A paragraph end every 100 characters, as a writer presses Enter.
        const bool enter = i % 100 == 99;
        const QString text = enter ? QStringLiteral("\r") : letters.mid(i % letters.size(), 1);
        const int key = enter ? Qt::Key_Return : Qt::Key_A;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(view.viewport(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(view.viewport(), &release);
        app.processEvents();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    QTextStream out(stdout);
    out << "richview: " << keys << " keystrokes into " << pages << " pages (now " << view.pageCount()
        << "), mean " << QString::number(ms / keys, 'f', 3) << " ms per keystroke (target < 1 ms)\n";
    // Commands of the editor move the model's caret many times; the view follows each move.
    timer.restart();
    const int moves = 10000;
    for (int i = 0; i < moves; ++i)
        edit.select((i * 7919) % edit.textLength(), 3);
    app.processEvents();
    out << "richview: " << moves << " selections set by the model, mean "
        << QString::number(timer.nsecsElapsed() / 1e6 / moves, 'f', 3) << " ms each\n";
    if (edit.textLength() != before + keys) {
        out << "richview: only " << edit.textLength() - before << " characters arrived\n";
        return 1;
    }
    return 0;
}
