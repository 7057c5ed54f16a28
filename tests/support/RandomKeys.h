#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Keys and clicks sent to a page view as a user makes them, on pages of several shapes, each
// followed by checks that the page holds the text the keys must give and shows it as Qt would:
//
// - the text against a model string: typed letters, input-method commits, Enter, Shift+Enter,
//   BackSpace, Delete, cut and pastes change it as the keys say; the keys whose result needs
//   Qt's own rules (Ctrl+BackSpace and Ctrl+Delete, a removal that meets a table's cell boundary)
//   against the same key applied with a QTextCursor to a copy of the page holding each paragraph in
//   one block; Ctrl+Z and Ctrl+Y must bring back a text the keys gave before, in their order;
// - the way long paragraphs are held in blocks;
// - every block's and line's place against Qt's own layout of a copy of the text, laid out from
//   scratch; the text drawn in strips round the caret against Qt's drawing of the copy; hit tests
//   there against the copy's;
// - a page key in a table cell: the caret leaves the cell only where the cell's end (PageDown) or
//   start (PageUp) lies within a screen of it, and then down (up) its column or out of the table;
// - Shift+PageUp and Shift+PageDown: the caret on the screen, and nothing the key added to the
//   selection (whole cells and tables Qt takes included) off both the screen before it and after it;
// - every few keys, the text stored as a page stream and read back.
//
// A key sequence is a list of tokens, written joined by ", ":
//   "abc"            typed (letters, digits and spaces as keys; other characters as one
//                    input-method commit)
//   Enter, Shift+Enter, BackSpace, Delete, Ctrl+BackSpace, Ctrl+Delete, Left, Right, Up, Down, Home,
//   End, PageUp, PageDown (each also with Shift+), Ctrl+Home, Ctrl+End, Ctrl+A, Ctrl+Z, Ctrl+Y,
//   Ctrl+X, Ctrl+C, Ctrl+V
//   paste N          another program's text N (0-3) put on the clipboard, then Ctrl+V
//   paste list       a list of two items another program copied as HTML, then Ctrl+V
//   click X Y        a left click at a point of the view (900 x 700)
//   at N             the caret put at position N and shown, as a start (no key)
//   format NAME      a character format chosen (bold, italic, underline: the format bar's buttons;
//                    strike, colour, background, font, size: the font dialog); with nothing selected
//                    the characters typed next, until another key, must carry it, and the bar show it
//   KEY*N            the key N times
namespace RandomKeys {

// The shapes of page the keys are played on. Besides them, "loaded N" is a page as a file brings it,
// made from the seed N: a long paragraph of random looks and paragraph format in the main text, a
// cell or the header (the keys go to that part), read as a page is loaded.
QStringList shapes();
// Those of them whose pages hold tables of long, merged, many or nested cells.
QStringList tableShapes();

QStringList parse(const QString &sequence);
QString describe(const QStringList &keys);

// `count` random keys for a seed, the first one placing the caret somewhere in a text of `length`.
QStringList randomKeys(quint32 seed, int count, int length);
// The same without clicks, which may take the keys to another part than the one a "loaded" page
// holds its paragraph in.
QStringList keysInOnePart(quint32 seed, int count, int length);

struct Outcome {
    int keysRun = 0;
    int failedAt = -1; // index of the key after which a check failed; -1 when none did
    QString message;
    bool failed() const { return failedAt >= 0; }
};

// Builds the shape's page in a view and plays the keys, checking after each one (and before the
// first). The page stream is stored and read back after every `roundTripEvery` keys.
class Player
{
public:
    explicit Player(const QString &shape);
    ~Player();
    int textLength() const;
    Outcome play(const QStringList &keys, int roundTripEvery = 8);

private:
    struct State;
    std::unique_ptr<State> d;
};

// Plays the keys on a fresh page of the shape.
Outcome play(const QString &shape, const QStringList &keys, int roundTripEvery = 8);

// A shorter sequence that still fails (delta debugging over the key list), from one that failed,
// trying at most `runs` sequences.
QStringList shrink(const QString &shape, const QStringList &keys, int runs = 200);

} // namespace RandomKeys
