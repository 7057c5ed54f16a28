#pragma once

#include <QString>
#include <QStringList>

// One Word document of the pages of an output range, written without a word processor: every page in
// key order with a bookmark "TG_<page>" where its content starts; in the header modes each page opens
// a section whose header holds the page's heading text, in the outline mode the pages follow numbered
// heading paragraphs (levels 1 to 3) after a table of contents, separated by page breaks. The page
// number stands right in the footer. The pages are read from the open database.
class WordOutput
{
public:
    enum Mode { Headers = 1, Outline = 2, NoPictures = 3 };

    // The heading of a placement: empty for an empty title, the title alone for the first key, else
    // the outline number in full-width characters, a blank and the title.
    static QString headingText(const QString &title, int index, const QString &number);
    // Level 1 for the first key, 3 for a number holding "-", else 2.
    static int headingLevel(int index, const QString &number);

    // Builds the document of the keys ("P-C,...") and their outline numbers and writes it to `path`
    // whole. False with `error` set (a Japanese sentence) when a page cannot be read or the file not
    // written; nothing is written then. Placements whose page row is missing are
    // left out (their heading stays in the outline mode); a page stored without a document gives its
    // plain text. Fields are converted for output against the output set and the home settings
    // (Frmt), and with `childLinks` every page after the first ends with links to its children.
    static bool write(int mode, const QString &keys, const QString &numbers, const QString &path, QString &error,
                      bool childLinks = false);
};
