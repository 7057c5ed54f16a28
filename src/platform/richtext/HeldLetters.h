#pragma once

#include <QColor>

class QChar;
class QPainter;
class QTextCharFormat;
class QRectF;
class QTextDocument;

// Draws the letters that the separators of a long paragraph held in blocks stand for (LineBlocks,
// where it parts a stretch without spaces): Qt draws no separator, and the block after one leaves
// room for its letter in front of its first line. Whoever draws a part's text draws them over it.
class HeldLetters
{
public:
    struct Look {
        QColor text;                       // of a letter without a colour of its own
        int selectionStart = -1;           // a selection to show, positions of the document
        int selectionEnd = -1;
        QColor highlight, highlightedText; // its colours
    };

    // The room a letter of that format takes, as the text around it lays it out: what the block
    // after a separator leaves for it.
    static double width(const QTextDocument *doc, QChar letter, const QTextCharFormat &format);
    // The letters within area (coordinates of the document's layout).
    static void draw(QPainter *painter, QTextDocument *doc, const QRectF &area, const Look &look);
    // QTextDocument::drawContents() with the letters, in the colours it takes.
    static void drawContents(QPainter *painter, QTextDocument *doc, const QRectF &clip);
};
