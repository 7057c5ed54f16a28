#pragma once

#include <QString>
#include <QVector>

// The site map page: a table of the pages below a page, each top-level page as a group row,
// deeper pages with children as node rows, pages without children as links six to a row. The
// links lead to the pages of the site the site writer publishes (its one flat folder, its file
// names, the first page under its chosen name). Hidden placements and what lies below them are
// left out; the depth limit is kaUsr.HiPopS (0 or less: none).
class SiteMap
{
public:
    // Writes the map of the pages below `nRt` (0: the top level) to `sFL`, its links relative to
    // that place; false, with no file left behind, when it could not be written whole.
    static bool MakeMap(qint64 nRt, const QString &sFL);
    // The page text (before the byte-order mark); `siteBase` goes in front of every file name
    // ("" when the map lies in the site's folder).
    static QString MapPage(qint64 nRt, const QString &siteBase = QString());

private:
    struct State {
        QString kind;       // "", "Gp", "Nd", "Lf"
        int counter = 0;    // rows of the current group
        QString rows;
        int limit = 0;
        int listed = 0;     // placements listed so far
        QVector<qint64> path;
        QString base;       // in front of the file names
        qint64 firstPage = 0;
        QString firstName;  // the first page's file name, "" = numbered
    };
    static void MapRows(qint64 parent, int level, const QString &parentText, State &s);
};
