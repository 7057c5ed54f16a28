#pragma once

class QPainter;
class QRectF;
class QTextDocument;

// What the view draws over the text on request: the marks of paragraph ends, line breaks and tabs,
// and dotted grid lines for tables drawn without borders. Both only show on screen.
class ViewMarks
{
public:
    static void drawControlChars(QPainter *painter, QTextDocument *doc, const QRectF &area);
    static void drawGridLines(QPainter *painter, QTextDocument *doc, const QRectF &area);
};
