// The head values of the page being converted to HTML: the nearest tbHtm row up the tree.
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "publish/converter/yHtm.h"
#include "publish/converter/yHtmBridge.h"

#include <QSet>

void fmDoc::connectHtml()
{
    yHtmBridge::install();
    connect(m_editor, &uTxm::eAskHtmHd, this, &fmDoc::onAskHtmHd, Qt::DirectConnection);
}

void fmDoc::onAskHtmHd()
{
    zSvr &db = zSvr::instance();
    QString title, description, keywords, rights;
    int noIndex = 0, fitTables = 0;
    int n = nDocNo;
    // Placements may form a cycle through links: every page is visited once at most.
    QSet<int> seen;
    while (n > 0 && !seen.contains(n)) {
        seen.insert(n);
        QVariantList row;
        if (db.R_PAry(QStringLiteral("Select noDoc, szTtl, szDsc, szKwd, szCpy, boNnx, boTbF From tbHtm Where noDoc=?"),
                      {n}, row)
            && row.size() == 7 && row[0].toInt() > 0) {
            title = row[1].toString();
            description = row[2].toString();
            keywords = row[3].toString();
            rights = row[4].toString();
            noIndex = row[5].toInt();
            fitTables = row[6].toInt();
            break;
        }
        int p = db.R_GtVaL(QStringLiteral("Select noLfP From tbTree Where noLfC=?"), {n}, 0).toInt();
        if (p == 0) {
            p = nTopNo;
            if (p == n)
                break;
        }
        n = p;
    }
    if (title.isEmpty()) {
        title = db.R_GtVaL(QStringLiteral("Select szDoc From tbTree Where boLnk=0 And noLfC=?"), {nDocNo}, QString())
                    .toString();
        const qsizetype bar = title.indexOf(QLatin1Char('|'));
        if (bar >= 0)
            title = title.mid(bar + 1).trimmed();
        if (!sTopTtl.isEmpty())
            title = sTopTtl + QStringLiteral(" | ") + title;
    }
    const bool png = db.R_GtVaL(QStringLiteral("Select boPng From msDoc Where noDoc=?"), {nDocNo}, 0).toInt() == 1;
    yHtm::instance().HtmHd(title, description, keywords, rights, png, noIndex, fitTables);
}
