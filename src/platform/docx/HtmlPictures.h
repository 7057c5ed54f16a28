#pragma once

#include "platform/richtext/PictureDoor.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

class PageDocument;
class QByteArray;
class QTextDocument;

// The pictures an HTML file names in its <img> tags, read as the Word and RTF readers read theirs: from
// the files they name beside it (a relative path, a file URL, an absolute path) or from the page itself
// (a data URL), each through PictureDoor, within one budget. Pictures on the web are not fetched; a
// picture that cannot be read (missing, no picture, on the web, over the bounds or past the budget) is
// left out of the page and named, never kept as an empty one. Only files on the disk are
// read (no FIFO, device or file of /proc), each once however the page spells it, and one that no picture
// reader knows from its first bytes not at all.
class HtmlPictures
{
public:
    explicit HtmlPictures(const QString &htmlFile);

    // Gives each picture of the document imported from the file the page's stored picture and its size
    // (the one the page gives, else its own); the others are removed and named in unread().
    void load(PageDocument &page, QTextDocument *doc);
    // The pictures left out, as the page names them, each once, in the order of the page.
    const QStringList &unread() const { return m_unread; }
    // What the pictures the HTML names weigh (PageCodec::pictureWeight), counted until over `limit`.
    qint64 weight(const QString &html, qint64 limit) const;

private:
    // The file a source names on this machine, by its canonical path; empty for none.
    QString fileOf(const QString &source) const;
    // What a source reads, one for every spelling of a file; empty for a source that reads nothing.
    QString keyOf(const QString &source) const;
    bool bytesOf(const QString &source, QByteArray &bytes) const;

    QUrl m_base;
    mutable QHash<QString, QString> m_canonical; // of each local path named
    PictureDoor m_door; // the read's budget

    QStringList m_unread;
};
