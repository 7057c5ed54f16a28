#pragma once

#include <QList>
#include <QString>

#include <functional>

class QTextBlock;
class QTextDocument;

// A part's text as it leaves the program as plain text (files, mail, the clipboard): one line per
// paragraph, its line breaks kept as line ends, one line per table row with the cells separated by
// tabs. Objects, page breaks and the table's cell marks are no characters of it, and no control
// character other than the tab and the line end is left.
class PlainText
{
public:
    struct Line
    {
        QString text;     // a paragraph's line breaks as "\n"; a table row's cells joined by "\t"
        int last = 0;     // position of the paragraph's last character (its start when empty)
        bool row = false; // a table row
    };
    // Text put in front of a paragraph (a list mark, say), given its first block.
    using Prefix = std::function<QString(const QTextBlock &)>;

    static QList<Line> lines(const QTextDocument *doc, const Prefix &prefix = {});
    // The lines, each ended by `lineEnd` except the last.
    static QString of(const QTextDocument *doc, const QString &lineEnd = QStringLiteral("\n"),
                      const Prefix &prefix = {});
    // `text` without control characters other than tab and LF; the line and paragraph separators
    // and the line ends CR LF and CR become LF.
    static QString clean(QString text);
};
