#include "publish/converter/yHtm.h"

#include "core/Frmt.h"
#include "core/HtmMoji.h"
#include "core/Usr.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "publish/converter/ConvText.h"
#include "publish/converter/StagedWriter.h"

#include <QDir>
#include <QFileInfo>

using namespace ConvText;

yHtm::yHtm()
{
    for (int i = 0; i < 8; ++i)
        m_ctx.usrFmt[i] = Frmt::DefaultFmt(i);
}

yHtm::~yHtm() = default;

yHtm &yHtm::instance()
{
    static yHtm converter;
    return converter;
}

void yHtm::setContext(const Context &context)
{
    m_ctx = context;
    m_followGlobals = false;
}

// The program's converter reads the open database's formats and publication values at each call,
// so a change of database or formats needs no notice.
void yHtm::refresh()
{
    if (m_followGlobals)
        m_ctx = programContext();
}

yHtm::Context yHtm::programContext()
{
    Context c;
    const FrmtState &f = Frmt::st();
    c.usrFmt = f.usrFmt;
    c.lineFactor = f.lineFactor;
    c.homeKind = f.homeKind;
    c.homeAddress = f.homeAddress;
    c.htmList = f.htmList;
    c.outputSet = f.outputSet;
    c.userData = Usr::st().userData;
    c.dbName = Usr::st().dbName;
    c.dbFolder = Usr::st().dbFolder;
    return c;
}

void yHtm::cOn(const QString &sWph)
{
    m_sWph = sWph;
}

void yHtm::cOff()
{
    m_tags.clear();
}

void yHtm::E_Opt(int yTf, int yNt)
{
    m_yTbF = yTf;
    m_yNit = yNt;
}

void yHtm::SetFmtCss()
{
    static const int margins[4][4] = {{7, 0, 6, 8}, {5, 0, 4, 8}, {3, 0, 2, 8}, {0, 0, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        const UsrFmt &f = m_ctx.usrFmt[k];
        m_fmtCss[k] = QStringLiteral("font-family:") + cssFont(f.fontName) + QLatin1Char(';');
        m_fmtCss[4 + k] = QStringLiteral("font-size:") + QString::number(f.fontSize) + QStringLiteral("pt;");
        m_fmtCss[8 + k] = QStringLiteral("color:#") + ColorToHex(f.textColor) + QLatin1Char(';');
        m_fmtCss[12 + k] = m_fmtCss[k] + m_fmtCss[4 + k] + m_fmtCss[8 + k]
                           + QStringLiteral("margin: %1px %2px %3px %4px;").arg(margins[k][0]).arg(margins[k][1])
                                 .arg(margins[k][2]).arg(margins[k][3]);
    }
}

// ---------------------------------------------------------------- settings and file names

void yHtm::SetKaHtm(bool bSite)
{
    refresh();
    if (bSite) {
        const QString site = m_ctx.userData + QStringLiteral("Site/") + m_ctx.dbName + QLatin1Char('/');
        m_bFav = QFileInfo::exists(site + QStringLiteral("cmn/favicon.ico"));
        m_sPubFd = site + QStringLiteral("pub/");
    }
    QVariantList row;
    if (zSvr::instance().isOpen()
        && zSvr::instance().R_PAry(QStringLiteral("Select HiType, HiPfold, HsPfold  From kaUsr"), row)
        && row.size() == 3) {
        m_iDtd = qBound(0, row[0].toInt(), 4);
        m_iPfold = row[1].toInt();
        m_sPfold = row[2].toString();
        // The folder name comes from the database: a name that leads elsewhere is not used.
        if (!m_sPfold.isEmpty() && !zClt::isPlainName(m_sPfold))
            m_sPfold = QStringLiteral("Images");
    } else {
        m_iDtd = 0;
        m_sPfold = QStringLiteral("Images");
        m_iPfold = 1;
    }
    if (bSite) {
        Frmt::LoadHtmList();
        m_ctx.htmList = Frmt::st().htmList;
    }
}

namespace {

QString threeDigits(const QString &n)
{
    return n.size() < 3 ? QString(3 - n.size(), QLatin1Char('0')) + n : n;
}

void extensionRule(QString &name)
{
    if (!name.right(4).endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)
        && !name.right(5).endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        name += QStringLiteral(".htm");
}

// The custom name of a page: the entry whose whole page number matches.
QString customName(const QString &list, const QString &page)
{
    if (page.isEmpty())
        return QString();
    for (const QString &line : list.split(QLatin1Char('\r'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0 && QStringView(line).left(tab) == page)
            return line.mid(tab + 1);
    }
    return QString();
}

} // namespace

QString yHtm::HsFName(const QString &sNoP, QString &sNoC, int yLnk, bool bHp) const
{
    sNoC = trim(sNoC);
    QString name;
    if (yLnk != 0) {
        name = threeDigits(sNoP) + QLatin1Char('_') + threeDigits(sNoC) + QStringLiteral(".htm");
    } else {
        if (bHp || m_iDtd != 4)
            name = customName(m_ctx.htmList, sNoC);
        if (name.isEmpty())
            name = threeDigits(sNoC);
        extensionRule(name);
    }
    if (!bHp && m_iDtd == 4) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        name = name.left(dot + 1) + QStringLiteral("xhtml");
    }
    return name;
}

QString yHtm::HsFNameX(const QString &sNoP, QString &sNoC) const
{
    sNoC = trim(sNoC);
    QString name;
    if (!sNoP.isEmpty()) {
        name = threeDigits(sNoP) + QLatin1Char('_') + threeDigits(sNoC) + QStringLiteral(".htm");
    } else {
        name = customName(m_ctx.htmList, sNoC);
        if (name.isEmpty())
            name = threeDigits(sNoC);
        extensionRule(name);
    }
    if (m_ctx.homeKind != 2)
        return m_ctx.homeAddress + name;
    if (name.startsWith(QLatin1String("../")))
        return m_ctx.homeAddress + name.mid(3);
    return m_ctx.homeAddress + QStringLiteral("pub/") + name;
}

QString yHtm::HsFName2(const QString &vNoP, const QString &vNoC, int &vLnk) const
{
    QString parent = vNoP;
    QString child = vNoC;
    const qsizetype u = child.indexOf(QLatin1Char('_'));
    if (u >= 0) {
        parent = child.left(u);
        child = child.mid(u + 1);
        vLnk = 1;
    }
    QString name;
    int root = 0;
    bool number = false;
    const qint64 page = child.toLongLong(&number);
    QVariantList row;
    if (number && zSvr::instance().isOpen()
        && zSvr::instance().R_PAry(QStringLiteral("Select saFnm, boRoot From tbHtm Where noDoc=?"), {page}, row)
        && row.size() == 2) {
        name = row[0].toString();
        root = row[1].toInt();
    }
    if (!name.isEmpty())
        extensionRule(name);
    else if (vLnk != 0)
        name = threeDigits(parent) + QLatin1Char('_') + threeDigits(child) + QStringLiteral(".htm");
    else
        name = threeDigits(child) + QStringLiteral(".htm");
    return (root == 1 ? QStringLiteral("/") : QStringLiteral("/pub/")) + name;
}

// ---------------------------------------------------------------- document types and head

void yHtm::HtmHd(const QString &sTT, const QString &sDs, const QString &sKw, const QString &sCp, bool bPg,
                 int yNn, int yTb)
{
    auto noQuote = [](QString s) { return s.replace(QLatin1Char('"'), QLatin1Char(' ')); };
    m_sTtl = noQuote(sTT);
    m_sDsc = noQuote(sDs);
    m_sKwd = noQuote(sKw);
    m_sCpy = noQuote(sCp);
    m_bPng = bPg;
    m_yNnx = yNn;
    m_yTbF = yTb;
}

namespace {

const QString Html401Loose = QStringLiteral(
    "<!DOCTYPE html PUBLIC '-//W3C//DTD HTML 4.01 Transitional//EN' 'http://www.w3.org/TR/html4/loose.dtd'>");

QString frontText(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD HTML 4.01//EN' 'http://www.w3.org/TR/html4/strict.dtd'>");
    case 2:
        return QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Transitional//EN' "
                              "'http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd'>");
    case 3:
        return QStringLiteral("<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Strict//EN' "
                              "'http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd'>");
    case 4:
        return QStringLiteral("<?xml version='1.0' encoding='UTF-8'?>\r\n<!DOCTYPE html PUBLIC "
                              "'-//W3C//DTD XHTML 1.1//EN' 'http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd'>\r\n"
                              "<html xmlns='http://www.w3.org/1999/xhtml' xml:lang='ja' lang='ja'>\r\n");
    default:
        return QString();
    }
}

// Closes (XHTML) or opens (HTML) the void tags: one pass over the page per tag, the page copied
// once per tag that needs a change.
void voidTags(QString &page, bool close)
{
    for (const QString &t : {QStringLiteral("<meta"), QStringLiteral("<link"), QStringLiteral("<img"),
                             QStringLiteral("<col "), QStringLiteral("<area")}) {
        QString out;
        qsizetype done = 0;
        qsizetype from = 0;
        for (;;) {
            const qsizetype p = ifind(page, t, from);
            if (p < 0)
                break;
            const qsizetype q = find(page, QStringLiteral(">"), p + t.size());
            if (q < 0)
                break;
            if (close && page[q - 1] != QLatin1Char('/')) {
                out += QStringView(page).mid(done, q - done);
                out += QLatin1Char('/');
                done = q;
            } else if (!close && page[q - 1] == QLatin1Char('/')) {
                out += QStringView(page).mid(done, q - 1 - done);
                done = q;
            }
            from = q + 2;
        }
        if (done > 0) {
            out += QStringView(page).mid(done);
            page = out;
        }
    }
}

} // namespace

void yHtm::SetDTD(QString &sHtm) const
{
    const int type = m_iDtd;
    if (type >= 1 && type <= 5) {
        const QString front = frontText(type);
        if (type == 4) {
            const qsizetype p = ifind(sHtm, QStringLiteral("<head"));
            sHtm = front + (p < 0 ? sHtm : sHtm.mid(p));
        } else {
            const qsizetype p = ifind(sHtm, QStringLiteral("<!DOCTYPE html PUBLIC"));
            if (p < 0) {
                sHtm = front + CrLf + sHtm;
            } else {
                const qsizetype q = find(sHtm, QStringLiteral(">"), p);
                const QString after = q < 0 ? QString() : sHtm.mid(q + 1);
                sHtm = p == 0 ? front + after : sHtm.left(p) + front + after;
            }
        }
    }
    voidTags(sHtm, type >= 2);
    if (type <= 1)
        sHtm.replace(QStringLiteral("<br />"), QStringLiteral("<br>"));
    else
        sHtm.replace(QStringLiteral("<br>"), QStringLiteral("<br />"));
}

QString yHtm::BuildHead(QString &body, const QString &style, const QString &title) const
{
    Q_UNUSED(body);
    // Titles not typed by the user reach here uncleaned: escape them, or "&" and "<" break the page.
    QString head = Html401Loose + QStringLiteral("~<html>~<head>~<meta http-equiv='Content-Type' "
                                                 "content='text/html; charset=UTF-8'>~");
    head.replace(QLatin1Char('~'), CrLf);
    return head + style + QStringLiteral("<title>") + escape(title) + QStringLiteral("</title>\r\n</head>");
}

// ---------------------------------------------------------------- titles and tag search

void yHtm::T_HtmMoji(QString &sWd)
{
    HtmMoji::T_HtmMoji(sWd);
}

int yHtm::FindNext(int &index, const QString &name, int step) const
{
    index += step;
    const int count = int(m_tags.size());
    while (index >= 0 && index < count) {
        const TagRec &r = m_tags[index];
        if (r.skip == 0 && (name.isEmpty() || r.name == name))
            return index;
        index += step;
    }
    index = -1;
    return -1;
}
