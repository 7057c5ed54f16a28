#include "publish/site/SiteMap.h"

#include "core/Frmt.h"
#include "core/TreeWalk.h"
#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/db/DbTable.h"
#include "publish/converter/ConvText.h"
#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"
#include "publish/site/SiteText.h"
#include "publish/site/SiteWriter.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Stands for the row count of the current group until the group is complete. Titles cannot
// hold it: control characters never reach the page.
const QString GroupRows = QStringLiteral("\x01");

// The converter's template convention, applied to the template before the values go in, so that
// a title keeps its "@", "~" and quotes.
QString fill(const QString &templ, const QStringList &values)
{
    const QString t = ConvText::finish(templ);
    QString out;
    int v = 0;
    for (QChar c : t) {
        if (c == QLatin1Char('?'))
            out += values.value(v++);
        else
            out += c;
    }
    return out;
}

} // namespace

void SiteMap::MapRows(qint64 parent, int level, const QString &parentText, State &s)
{
    if (s.listed >= TreeWalk::MaxNodes)
        return;
    zSvr &db = zSvr::instance();
    const bool grandchildren = db.R_GtVaL(QStringLiteral("Select C.noLfc From tbTree P, tbTree C "
                                                         " Where P.boHide = 0 And P.noLfP = ? And C.boHide = 0 And P.noLfC = C.noLfP"),
                                          {parent}, QVariant())
                                   .isValid();
    DbTable t;
    const int count = db.R_Ary(QStringLiteral("Select noLfC, boLnk, szDoc From tbTree Where boHide = 0 And noLfP =? Order By inSrt"),
                               {parent}, t);
    s.listed += count;
    // The files as the site writer names them, in its one flat folder.
    auto link = [&](int r) {
        const qint64 child = t.at(0, r).toLongLong();
        if (child == s.firstPage && !s.firstName.isEmpty())
            return s.base + s.firstName;
        return s.base + SiteWriter::placementFile(parent, child, t.at(1, r).toInt() != 0);
    };
    if (!grandchildren) {
        if (count == 0)
            return;
        const int rows = (count + 5) / 6;
        if (s.kind == QLatin1String("Gp"))
            s.rows += fill(QStringLiteral("@<tr>~@@<td rowspan='") + GroupRows + QStringLiteral("' class='tdGp'></td>~@@<td rowspan='?' class='tdNd'></td>~"),
                           {QString::number(rows)});
        else
            s.rows += fill(QStringLiteral("@<tr>~@@<td rowspan='?' class='tdNd'></td>~"), {QString::number(rows)});
        s.kind = QStringLiteral("Lf");
        for (int row = 0; row < rows; ++row) {
            if (row > 0)
                s.rows += fill(QStringLiteral("@<tr>~"), {});
            for (int cell = 0; cell < 6; ++cell) {
                const int r = row * 6 + cell;
                s.rows += r < count ? fill(QStringLiteral("@@<td class='tdLf'><a href='?'>?</a></td>~"),
                                           {SiteText::href(link(r)), SiteText::html(t.at(2, r).toString())})
                                    : fill(QStringLiteral("@@<td class='tdLf'></td>~"), {});
            }
            s.rows += fill(QStringLiteral("@</tr>~"), {});
            ++s.counter;
        }
        return;
    }
    for (int r = 0; r < count; ++r) {
        const qint64 child = t.at(0, r).toLongLong();
        const QString href = SiteText::href(link(r));
        QString text = SiteText::html(t.at(2, r).toString());
        if (level == 0) {
            s.kind = QStringLiteral("Gp");
            if (s.counter > 0) {
                s.rows.replace(GroupRows, QString::number(s.counter));
                s.counter = 0;
            }
            s.rows += fill(QStringLiteral("@<tr>~@@<td colspan='8' class='tdGp'><a href='?'>?</a></td>~@</tr>~"), {href, text});
        }
        if (level == 1)
            text = parentText + QStringLiteral("&nbsp;&gt;&nbsp;") + text;
        if (level >= 1) {
            if (s.kind == QLatin1String("Gp"))
                s.rows += fill(QStringLiteral("@<tr>~@@<td rowspan='") + GroupRows
                                   + QStringLiteral("' class='tdGp'></td>~@@<td colspan='7' class='tdNd'><a href='?'>?</a></td>~@</tr>~"),
                               {href, text});
            else
                s.rows += fill(QStringLiteral("@<tr>~@@<td colspan='7' class='tdNd'><a href='?'>?</a></td>~@</tr>~"), {href, text});
            s.kind = QStringLiteral("Nd");
        }
        // A page already on the way down is listed but not entered again.
        if ((level <= s.limit || s.limit < 1) && level + 1 < TreeWalk::MaxDepth && !s.path.contains(child) && child != parent) {
            s.path.append(child);
            MapRows(child, level + 1, text, s);
            s.path.removeLast();
        }
        if (level > 0)
            ++s.counter;
    }
}

QString SiteMap::MapPage(qint64 nRt, const QString &siteBase)
{
    zSvr &db = zSvr::instance();
    QVariantList settings{QVariant(), QVariant()};
    db.R_PAry(QStringLiteral("Select HiType, HiPopS  From kaUsr"), settings);
    yHtm converter;
    converter.SetKaHtm(false);
    converter.setDocumentType(qBound(0, settings.value(0).toInt(), 4));
    State s;
    s.limit = settings.value(1).toInt();
    s.base = siteBase;
    s.firstPage = db.R_GtVaL(QStringLiteral("Select Top 1 noLfC From tbTree Where noLfP = 0 And boHide =0 Order By inSrt"), 0)
                      .toLongLong();
    const QString firstName = db.R_GtVaL(QStringLiteral("Select HsTopNm From kaUsr"), QString()).toString();
    // The name as the site writer takes it ("0" is a stored empty one).
    if (firstName != QLatin1String("0") && Frmt::IsTopName(firstName))
        s.firstName = firstName;
    const QString style = fill(
        QStringLiteral("<style type='text/css'>~"
                       "@table#tMap  {border: 1pt solid #AEAECA;border-collapse:collapse; width:800px;}~"
                       "@table#tMap tr {height:13.5pt;}~"
                       "@table#tMap td {font-size: 10.0pt;font-weight:normal;border:1pt solid #CACADB;text-align:left;"
                       "vertical-align: middle;padding-left: 1px;padding-right: 1px;padding-top: 1px;"
                       "white-space: nowrap; color: windowtext;}~"
                       "@table#tMap td a{color:WindowText;text-decoration:none;}~"
                       "@table#tMap td a:link {color:WindowText;text-decoration: none;}~"
                       "@table#tMap td a:visited {color:WindowText;text-decoration: none;}~"
                       "@table#tMap td a:hover {color: white;background-color: #666633;text-decoration: underline;}~"
                       "@table#tMap td.tdGp {font-weight:bold;background: #EBEEEE;}~"
                       "@table#tMap td.tdNd {background: #F9FAFA;}~"
                       "@table#tMap td.tdLf {font-size:9.0pt;background:white;}~"
                       "</style>~"),
        {});
    const QString head = fill(QStringLiteral("<table id='tMap'>~@<colgroup>~@@<col width='2%'>~@@<col width='2%'>~"
                                             "@@<col width='16%'>~@@<col width='16%'>~@@<col width='16%'>~"
                                             "@@<col width='16%'>~@@<col width='16%'>~@@<col width='16%'>~@</colgroup>~"),
                              {});
    s.path.append(nRt);
    MapRows(nRt, 0, QString(), s);
    s.rows.replace(GroupRows, QString::number(s.counter));
    QString page = fill(QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD HTML 4.01 Transitional//EN' "
                                       "'http://www.w3.org/TR/html4/loose.dtd'>~<html>~<head>~"
                                       "<meta http-equiv='Content-Type' content='text/html; charset=utf-8'>~"
                                       "<title>サイトマップ</title>~"),
                        {})
                   + style + fill(QStringLiteral("</head>~<body>~"), {}) + head + s.rows
                   + fill(QStringLiteral("</table>~</body>~</html>"), {});
    converter.SetDTD(page);
    return page;
}

bool SiteMap::MakeMap(qint64 nRt, const QString &sFL)
{
    // The links lead from where the map lies to the site's folder.
    const Usr::State &st = Usr::st();
    const QString site = QDir::cleanPath(st.userData + QStringLiteral("Htm/") + st.dbName);
    QString base = QDir(QFileInfo(sFL).absolutePath()).relativeFilePath(site);
    base = base == QLatin1String(".") || base.isEmpty() ? QString() : base + QLatin1Char('/');
    return StagedWriter::writeStraight(sFL, QByteArray("\xEF\xBB\xBF") + MapPage(nRt, base).toUtf8());
}
