// Page output: the editor's export through the passes into a finished page or a body fragment.
#include "publish/converter/ConvText.h"
#include "publish/converter/StagedWriter.h"
#include "publish/converter/yHtm.h"

#include "platform/richtext/HtmlExport.h"
#include "platform/richtext/PageDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace ConvText;

namespace {

// Head, body and base address of an export text; false when it has no body.
bool splitExport(const QString &text, QString &head, QString &body, QString &base)
{
    QString t = text;
    if (t.startsWith(QChar(0xFEFF)))
        t.remove(0, 1);
    if (t.isEmpty())
        return false;
    base = between(t, QStringLiteral("base href=\""), QStringLiteral("\""));
    if (!icontains(t, QStringLiteral("base href=\"")))
        base.clear();
    const qsizetype h = ifind(t, QStringLiteral("</head>"));
    const qsizetype q = ifind(t, QStringLiteral("<body"), h < 0 ? 5 : h + 6);
    if (q < 0)
        return false;
    head = t.left(q);
    body = t.mid(q);
    return true;
}

} // namespace

// UTF-8 with a byte-order mark: in a work folder written straight, else replaced whole or not at all.
bool yHtm::writeUtf8(const QString &file, const QString &text)
{
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    if (m_workFolderRun)
        return writeWorkFile(file, bytes);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(bytes);
    return out.commit();
}

bool yHtm::ExportEditorHtml(const PageDocument &page, const QString &file, bool png, QString &head, QString &body,
                            QString &base, bool listStart, const QString &sharedPictures) const
{
    // A work folder starts empty: no old page to remove (which would only wait on the folder's lock).
    if (!m_workFolderRun)
        QFile::remove(file);
    HtmlExport::Options o;
    o.pictureFormat = png ? 3 : 4;
    o.lineFactor = m_ctx.lineFactor;
    o.bodyFont = m_ctx.usrFmt[3].fontName;
    o.bodySize = m_ctx.usrFmt[3].fontSize;
    o.sharedPictures = sharedPictures;
    o.listStart = listStart;
    bool ok = true;
    const QString text = HtmlExport::text(page, file, o, &ok);
    return splitExport(text, head, body, base);
}

void yHtm::FixPictureSrc(QString &body, const QString &file)
{
    const QFileInfo fi(file);
    const QString name = fi.completeBaseName();
    const QString folder = fi.absolutePath() + QLatin1Char('/') + name + QStringLiteral("_Images");
    if (!QFileInfo(folder).isDir())
        return;
    const QString rel = QString(name + QStringLiteral("_Images")).replace(QLatin1Char(' '), QStringLiteral("%20"));
    const qsizetype p = ifind(body, rel);
    if (p < 0)
        return;
    const qsizetype q = body.lastIndexOf(QStringLiteral("img src=\""), p, Qt::CaseInsensitive);
    if (q >= 0 && p - q >= 9)
        ireplace(body, body.mid(q, p + rel.size() - q), QStringLiteral("img src=\"") + rel);
}

QString yHtm::pageFromBody(QString body, const QString &sFL, const QString &sBase, const QString &sTp,
                           const QString &sTL)
{
    QString styleA, styleB;
    BuildTipStyles(styleA, styleB);
    FixPictureSrc(body, sFL);
    SetTagTbl(body, sFL, sBase);
    if (m_iDtd == 4)
        DelImgWrap();
    FixTable();
    CnvTip(styleB, sTp);
    AttrToCss();
    DelEmpty();
    FixList();
    DelSpanSp();
    MrgDivSpan();
    FixCell();
    JoinTable();
    MarkHeadings();
    DelUlInh();
    DelTdInh();
    QString sheet;
    CollectClasses(sheet);
    SetIndLvl();
    body = WrtBody();
    if (m_iDtd == 4)
        body = DelBlank(body);
    const QString style = BuildStyleBlock(sheet, styleA);
    m_tags.clear();
    QString page = BuildHead(body, style, sTL) + body;
    SetDTD(page);
    return page;
}

QString yHtm::convertExport(const QString &exportText, const QString &sFL, const QString &sTp, const QString &sTL,
                            int iJb)
{
    const int type = m_iDtd;
    if (iJb == 1)
        m_iDtd = 5;
    else if (iJb == 2)
        m_iDtd = 4;
    QString head, body, base;
    QString page;
    if (splitExport(exportText, head, body, base))
        page = pageFromBody(body, sFL, base, sTp, sTL);
    // A job's own type is for that page only: the next page gets the database's type again.
    m_iDtd = type;
    return page;
}

void yHtm::cSaveHtm(const PageDocument &xTx, bool bPng, const QString &sFL, const QString &sTp, const QString &sTL,
                    int iJb, bool &bOk)
{
    bOk = false;
    refresh();
    const int type = m_iDtd;
    if (iJb == 1)
        m_iDtd = 5;
    else if (iJb == 2)
        m_iDtd = 4;
    // A book's pictures all lie in Images beside its pages, which the package lists even when empty.
    if (iJb == 2)
        QDir().mkpath(QFileInfo(sFL).absolutePath() + QStringLiteral("/Images"));
    QString head, body, base;
    if (!ExportEditorHtml(xTx, sFL, bPng, head, body, base, listStartAllowed(),
                          iJb == 2 ? QStringLiteral("Images") : QString())) {
        m_iDtd = type;
        return;
    }
    const QString page = pageFromBody(body, sFL, base, sTp, sTL);
    m_iDtd = type;
    bOk = writeUtf8(sFL, page);
}

void yHtm::setWorkFolderRun(bool on)
{
    m_workFolderRun = on;
    m_staged.reset(on ? new StagedWriter : nullptr);
}

bool yHtm::writeWorkFile(const QString &file, const QByteArray &bytes)
{
    return m_staged ? m_staged->write(file, bytes) : StagedWriter::writeStraight(file, bytes);
}

void yHtm::cGetHtm(const PageDocument &xTx, const QString &sFL, const QString &sTp, QString &sCss, QString &sBd,
                   bool &bOk)
{
    bOk = false;
    refresh();
    QString head, body, base;
    // The site's pages are HTML 4.01 Strict.
    if (!ExportEditorHtml(xTx, sFL, false, head, body, base, false))
        return;
    QString styleA, styleB;
    BuildTipStyles(styleA, styleB);
    FixPictureSrc(body, sFL);
    SetTagTbl(body, sFL, base);
    FixTable();
    CnvTip(styleB, sTp);
    AttrToCss();
    DelEmpty();
    MarkHeadings();
    QString sheet;
    CollectClasses(sheet);
    SetIndLvl();
    body = WrtBody();
    sCss = BuildStyleBlock(sheet, styleA);
    const qsizetype a = ifind(body, QStringLiteral("<body>"));
    const qsizetype b = ifind(body, QStringLiteral("</body>"), a < 0 ? 0 : a);
    sBd = a < 0 ? QString() : body.mid(a + 6, (b < 0 ? body.size() : b) - a - 6);
    m_tags.clear();
    bOk = true;
}

// ---------------------------------------------------------------- the reference driver

void yHtm::MovePictures(QString &body, const QString &base, const QString &sFL)
{
    const QFileInfo fi(sFL);
    QString name = fi.completeBaseName();
    const qsizetype u = name.lastIndexOf(QLatin1Char('_'));
    if (u >= 0)
        name = name.mid(u + 1);
    const QString pageFolder = fi.absolutePath();
    QString folder;
    if (m_iPfold != 0) {
        folder = pageFolder + QLatin1Char('/') + m_sPfold + QLatin1Char('/');
    } else {
        folder = pageFolder + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral("_files/");
        QDir d(folder);
        for (const QString &f : d.entryList(QDir::Files))
            d.remove(f);
    }
    QDir().mkpath(folder);
    const QString temp = m_sWph + QStringLiteral("temp_Images/");
    QDir().mkpath(temp);
    int n = 0;
    for (const QString &f : QDir(temp).entryList(QDir::Files, QDir::Name)) {
        ++n;
        const QString to = folder + name + QStringLiteral("_%1.").arg(n, 3, 10, QLatin1Char('0'))
                           + (m_bPng ? QStringLiteral("png") : QStringLiteral("jpg"));
        if (!m_bNoPic) {
            QFile::remove(to);
            if (!QFile::rename(temp + f, to)) {
                QFile::copy(temp + f, to);
                QFile::remove(temp + f);
            }
        }
        QString oldRef = temp + f;
        MakeRelative(base, oldRef);
        QString newRef = to;
        MakeRelative(pageFolder, newRef);
        oldRef.replace(QLatin1Char(' '), QStringLiteral("%20"));
        newRef.replace(QLatin1Char(' '), QStringLiteral("%20"));
        ireplace(body, QStringLiteral("file://") + oldRef, newRef);
        ireplace(body, oldRef, newRef);
    }
}

void yHtm::CnvHtml(const PageDocument &xTx, const QString &sFL, QString &sHd, QString &sBd, const QString &sTp,
                   bool &bOk)
{
    bOk = false;
    refresh();
    if (m_sWph.isEmpty())
        m_sWph = m_ctx.userData + QStringLiteral("Wrk/");
    QDir().mkpath(m_sWph);
    QString base;
    if (!ExportEditorHtml(xTx, m_sWph + QStringLiteral("temp.htm"), m_bPng, sHd, sBd, base, true))
        return;
    base = m_sWph;
    MovePictures(sBd, base, sFL);
    SetFmtCss();
    SetTagTbl(sBd, sFL, base);
    FixTable();
    CnvTip(m_fmtCss[3] + m_fmtCss[7] + QStringLiteral("color:#804040;"), sTp);
    AttrToCss();
    DelSpanImg();
    DelEmpty();
    FixList();
    DelSpanSp();
    MrgDivSpan();
    FixCell();
    JoinTable();
    SetHdLvl();
    DelBare();
    DelUlInh();
    DelTdInh();
    QString sheet;
    SetCls(sheet);
    SetIndLvl();
    sBd = WrtBody();
    WrtSheet(sheet);
    WrtHead(sBd, sHd, sheet);
    m_tags.clear();
    bOk = true;
}
