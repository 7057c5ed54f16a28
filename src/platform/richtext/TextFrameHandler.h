#pragma once

#include <QObject>
#include <QTextObjectInterface>

class PageDocument;

// Lays out and draws a text frame's anchor character: a box of the frame's size (twips at 96 dpi) with
// its background and the frame's own text inside. Registered on every part of a PageDocument.
class TextFrameHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit TextFrameHandler(PageDocument *page);

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                    const QTextFormat &format) override;

private:
    PageDocument *m_page;
    int m_drawing = 0;
};
