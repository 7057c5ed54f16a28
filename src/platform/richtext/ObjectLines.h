#pragma once

class QTextBlock;
class QTextDocument;

// A fixed line height lays a picture or frame that is taller than the line over the lines above it,
// on screen and on paper alike. A paragraph that holds one in its lines takes its line height as a
// minimum instead: its lines keep that height where their text is lower, and the line with the object
// grows to it. Positioned (floating) pictures stand beside the lines and change nothing.
class ObjectLines
{
public:
    static bool holdsObject(const QTextBlock &block);
    // The blocks from the one holding `from` to the one holding `to`: an edit of the document, part of
    // the edit block around it.
    static void fit(QTextDocument *doc, int from, int to);
    static void fit(QTextDocument *doc);
};
