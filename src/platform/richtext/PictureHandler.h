#pragma once

#include <QObject>
#include <QTextObjectInterface>

class PageDocument;

// Lays out and draws picture characters from the page's picture store only. Qt's own image handler
// would otherwise load a name the store does not hold from the file system, which a page from
// elsewhere must never make it do.
class PictureHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit PictureHandler(PageDocument *page);

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                    const QTextFormat &format) override;

private:
    PageDocument *m_page;
};
