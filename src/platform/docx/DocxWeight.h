#pragma once

#include <QByteArray>

// A quick look at a Word file for what reading and showing it will cost, before it is read: a few
// kilobytes may unpack to megabytes of text or to a table of a quarter of a million cells.
class DocxWeight
{
public:
    struct Look {
        bool package = false;   // false: no zip package (nothing else is told)
        qint64 unpacked = 0;    // bytes of its XML parts, as its directory gives them
        qint64 gridPlaces = 0;  // rows times columns of its tables, merged cells covering many
        qint64 listItems = 0;   // numbered or bulleted paragraphs
    };
    // The tables and list items are counted only while the XML parts unpack to at most
    // `markupLimit` bytes: beyond it, the text alone is heavy.
    static Look of(const QByteArray &bytes, qint64 markupLimit);
    // The same counts in one part's XML.
    static void count(const QByteArray &xml, Look &look);
};
