#pragma once

#include <QString>
#include <QVector>

// The site map page: a table of the pages below a page, each top-level page as a group row,
// deeper pages with children as node rows, pages without children as links six to a row. The
// links point at the site's "pub" folder one level up ("../pub/"). Hidden placements and what
// lies below them are left out; the depth limit is kaUsr.HiPopS (0 or less: none).
class SiteMap
{
public:
    // Writes the map of the pages below `nRt` (0: the top level) to `sFL`; false, with no file
    // left behind, when it could not be written whole.
    static bool MakeMap(qint64 nRt, const QString &sFL);
    // The page text (before the byte-order mark).
    static QString MapPage(qint64 nRt);

private:
    struct State {
        QString kind;       // "", "Gp", "Nd", "Lf"
        int counter = 0;    // rows of the current group
        QString rows;
        int limit = 0;
        QVector<qint64> path;
    };
    static void MapRows(qint64 parent, int level, const QString &parentText, State &s, const class yHtm &converter);
};
