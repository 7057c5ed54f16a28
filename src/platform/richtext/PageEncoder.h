#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTextFrame>

class ByteWriter;
class PageDocument;
class QTextBlock;
class QTextDocument;
class QTextFormat;
class QTextList;
class QTextTable;

// Writes a page document as the page stream (PageStream.h). Equal pages give equal bytes: formats are
// numbered in the order the walk meets them, parts and pictures in a fixed order.
class PageEncoder
{
public:
    explicit PageEncoder(const PageDocument &page) : m_page(page) {}
    QByteArray encode();

    // A block whose separator before it is a table/frame boundary shows that boundary's format as its
    // character format: such a block has no character format of its own.
    static bool followsStructure(const QTextBlock &block);

private:
    QByteArray part(QTextDocument *doc, int kind, int key);
    void content(ByteWriter &out, QTextFrame::iterator it);
    void block(ByteWriter &out, const QTextBlock &block, bool follows);
    void table(ByteWriter &out, QTextTable *table);
    int formatIndex(const QTextFormat &format);
    int cachedIndex(int kind, int docIndex, const QTextFormat &format);

    const PageDocument &m_page;
    QHash<QByteArray, int> m_index;
    QList<QByteArray> m_formats;
    QHash<qint64, int> m_cache;          // per part: Qt's format index -> ours
    QHash<QTextList *, int> m_lists;     // per part
    QList<int> m_listFormats;
};
