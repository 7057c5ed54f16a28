#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class RichTextEdit;

// The tags of page documents that travel between databases: which pages a
// page's tags name, and a cheap test whether its bytes can hold a tag at all.
class ExportLinks
{
public:
    // The tag list of the page in `edit`: the target page of every tag, once.
    static QString tagList(RichTextEdit &edit);
    // Every tag field of the page in `edit`, in order: its target page and its text.
    static QList<QPair<QString, QString>> tagFields(RichTextEdit &edit);
    // False when the page bytes cannot hold a tag field; a cheap test before a
    // page is loaded only to look at its tags.
    static bool mayHoldTags(const QByteArray &bytes);
};
