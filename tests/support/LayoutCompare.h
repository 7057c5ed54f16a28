#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <memory>

class PageDocument;
class QTextDocument;

// Comparisons of a part's layout with the one Qt reaches on its own: the part's layout may lay a
// change out by itself (PartLayout), and must leave every block, line, drawn pixel and hit where Qt
// would put them.
namespace LayoutCompare {

// A copy of the part laid out by Qt alone, from scratch, as the page shows it: same page size,
// margins, fonts, pictures and frames.
std::unique_ptr<QTextDocument> laidOutByQt(const PageDocument &page, QTextDocument *doc);

// The first block or line that stands elsewhere in `doc` than in `qt` (the same text), or an empty
// text when all stand alike.
QString geometryDiffers(QTextDocument *doc, QTextDocument *qt);

// The text drawn in strips from `top` down to `bottom`, each strip from its own top (Qt finds the
// first block to draw from its notes of where blocks begin), with the letters of held paragraphs.
QList<QImage> strips(QTextDocument *doc, qreal top, qreal bottom, qreal step = 97, int height = 120);

// What is wrong with the way the part holds its long paragraphs in blocks (LineBlocks), or an empty
// text: marks of a line left on a paragraph's first block, room for a letter where none is drawn,
// the share of the paragraph's format a block lays out, and blocks whose format is not their
// paragraph's.
QString heldWrongly(QTextDocument *doc);

} // namespace LayoutCompare
