#pragma once

#include <QList>
#include <QString>
#include <QTextCharFormat>

class QTextFragment;

// A picture or a text frame is one object character (U+FFFC) in its object's format. Other characters
// may stand in that format too (text typed after a picture by earlier versions took the picture's
// format): they are text, never another picture.
namespace ObjectChars {

bool isObject(const QTextCharFormat &format); // a picture's or a text frame anchor's format

// The look of text in an object's format: the format without what makes it the object.
QTextCharFormat textFormat(QTextCharFormat format);

struct Piece {
    QString text;           // the object character alone, or text
    QTextCharFormat format; // the object's format, or the text's look
    bool object = false;
};

// The fragment as it reads: each object character a piece of its own, the text between in pieces
// of its look. A fragment of text is one piece.
QList<Piece> pieces(const QTextFragment &fragment);

} // namespace ObjectChars
