// Link and picture paths: page tags to file names, local targets made relative to the page, files
// outside the page's reach copied beside it.
#include "core/LinkedFile.h"
#include "publish/converter/ConvText.h"
#include "publish/converter/yHtm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

using namespace ConvText;

namespace {

// A target with a URL scheme of its own (https:, mailto:, ftp: ...) is kept as written; "file:" and
// a drive letter are local paths.
bool hasScheme(const QString &href)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(href).hasMatch() && !href.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

// Folders whose files a page may publish besides the user's own visible files: the database's folder
// and the program's own output folders.
QStringList publishRoots(const yHtm::Context &c)
{
    QStringList roots;
    if (!c.dbFolder.isEmpty())
        roots << c.dbFolder;
    if (!c.userData.isEmpty())
        roots << c.userData + QStringLiteral("Site") << c.userData + QStringLiteral("Htm");
    return roots;
}

bool sameContent(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.readAll() == fb.readAll();
}

// Copies src into folder under its own name, or under a numbered name when a different file of
// that name is already there (two linked files named alike must not overwrite each other).
// Returns the name used, empty when the copy failed.
QString copyUnique(const QString &src, const QString &folder)
{
    // Converters on several threads (the site writer) may copy into one folder: one at a time,
    // so that none sees another's half-written copy.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const QFileInfo fi(src);
    QString name = fi.fileName();
    for (int n = 2; QFileInfo::exists(folder + name) && !sameContent(src, folder + name); ++n)
        name = fi.completeBaseName() + QStringLiteral("_%1").arg(n)
               + (fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix());
    if (QFileInfo::exists(folder + name))
        return name;
    return QFile::copy(src, folder + name) ? name : QString();
}

} // namespace

void yHtm::RewriteHref(const QString &sFL, const QString &sBase, QString &attrs) const
{
    // The href as text: the export wrote it escaped, and it is escaped again when written.
    const QString href = unescape(between(attrs, QStringLiteral("href=\""), QStringLiteral("\"")));
    // XHTML 1.1 and book pages keep no script or document addresses, whatever else the link holds.
    if (m_iDtd == 4 && activeTarget(href)) {
        attrs.clear();
        return;
    }
    if (attrs.contains(QLatin1String("#TP_")))
        return;
    const QString folder = QFileInfo(sFL).absolutePath() + QLatin1Char('/');
    // A book page takes a web address only where the link starts with one.
    if ((m_iDtd != 4 && icontains(attrs, QStringLiteral("http://"))) || hasScheme(href)) {
        // Kept as written, but as a URI: a quote or a blank in it is percent-encoded. A script of
        // the page's author stays exactly as written.
        const QString uri = activeTarget(href) ? href : uriText(href);
        if (uri != href) {
            const qsizetype at = ifind(attrs, QStringLiteral("href=\""));
            const qsizetype end = attrs.indexOf(QLatin1Char('"'), at + 6);
            if (at >= 0 && end > at)
                attrs.replace(at + 6, end - at - 6, escape(uri));
        }
        return;
    }
    QString target;
    if (href.startsWith(QLatin1String("#TG_"))) {
        const QString key = href.mid(4);
        const qsizetype u = key.indexOf(QLatin1Char('_'));
        const QString parent = u < 0 ? QString() : key.left(u);
        QString child = u < 0 ? key : key.mid(u + 1);
        if (m_iDtd != 4) {
            const QString name = (m_iDtd == 5 || parent.isEmpty()) ? HsFName(QString(), child, 0, false)
                                                                   : HsFName(parent, child, 1, false);
            target = m_sPubFd + name;
        } else if (m_ctx.outputSet.contains(QLatin1Char('.') + trim(child) + QLatin1Char('.'))) {
            target = HsFName(QString(), child, 0, false);
        } else if (m_ctx.homeKind >= 1 && !m_ctx.homeAddress.isEmpty()) {
            target = HsFNameX(parent, child);
        } else if (m_ctx.outputSet.size() <= 1) {
            target = HsFName(QString(), child, 0, false);
        }
        // A page outside the book's set has no file in it and no web address: the link keeps its text.
    } else if (m_iDtd != 4) {
        target = href;
        ResolveBase(sBase, target);
    }
    if (m_iDtd != 4)
        MakeRelative(folder, target);
    // The web address in front of a page's name comes from the settings: it is checked like the page's own.
    if (m_iDtd == 4 && activeTarget(target))
        target.clear();
    // Names and addresses come from the user's settings: a quote in them stays text.
    attrs = target.isEmpty() ? QString() : QStringLiteral("href=\"") + escape(uriText(target)) + QLatin1Char('"');
}

void yHtm::ResolveBase(const QString &base, QString &href)
{
    const qsizetype f = ifind(href, QStringLiteral("file://"));
    const bool hadFile = f >= 0;
    if (hadFile)
        href.remove(f, 7);
    if (base.isEmpty() || hadFile)
        return;
    QString b = base;
    const qsizetype g = ifind(b, QStringLiteral("file://"));
    if (g >= 0)
        b.remove(g, 7);
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    while (href.startsWith(QLatin1String("../"))) {
        href.remove(0, 3);
        const qsizetype s = b.lastIndexOf(QLatin1Char('/'));
        if (s >= 0)
            b.truncate(s);
    }
    href = b + QLatin1Char('/') + href;
}

QString yHtm::ToLocalPath(const QString &href)
{
    QString s = href;
    for (;;) {
        const qsizetype p = s.indexOf(QStringLiteral("&#x"));
        if (p < 0 || p + 7 >= s.size() || s[p + 7] != QLatin1Char(';'))
            break;
        bool ok = false;
        const uint code = s.mid(p + 3, 4).toUInt(&ok, 16);
        if (!ok)
            break;
        s.replace(p, 8, QChar(char16_t(code)));
    }
    s.replace(QStringLiteral("%20"), QStringLiteral(" "));
    return s;
}

void yHtm::MakeRelative(const QString &base, QString &target) const
{
    if (base.isEmpty())
        return;
    QString b = base, t = target;
    b.replace(QLatin1Char('\\'), QLatin1Char('/'));
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    b.remove(QStringLiteral("file://"), Qt::CaseInsensitive);
    // Tidied, a path holds no ".." that a marker or a common folder could hide.
    b = QDir::cleanPath(b);
    if (t.startsWith(QLatin1Char('/')))
        t = QDir::cleanPath(t);
    if (!b.endsWith(QLatin1Char('/')))
        b += QLatin1Char('/');
    const QStringList roots = publishRoots(m_ctx);
    const QString marker = QLatin1Char('/') + m_ctx.dbName + QLatin1Char('/');
    const qsizetype pb = m_ctx.dbName.isEmpty() ? -1 : ifind(b, marker);
    const qsizetype pt = m_ctx.dbName.isEmpty() ? -1 : ifind(t, marker);
    if (pb < 0 || pt < 0) {
        if (t.contains(QLatin1Char('/')) && QFileInfo(b).isDir()) {
            // A relative path lies in the database's folder, never above it.
            const QString src = LinkedFile::resolve(ToLocalPath(t), m_ctx.dbFolder);
            // A file the page already reaches is not copied: the path below makes it relative.
            if (LinkedFile::publishable(src, roots) && !LinkedFile::inside(src, b)) {
                const bool inSite = icontains(b, QStringLiteral("/site/"));
                QString folder;
                if (!inSite) {
                    folder = b + QStringLiteral("lnk/");
                    QDir().mkpath(folder);
                } else {
                    folder = m_sLnkFd; // empty when the site folders were not loaded: copy nothing
                }
                const QString name = folder.isEmpty() ? QString() : copyUnique(src, folder);
                if (!name.isEmpty()) {
                    target = QStringLiteral("lnk/") + QString(name).replace(QLatin1Char(' '), QStringLiteral("%20"));
                    if (inSite && icontains(b, QStringLiteral("pub/")))
                        target.prepend(QStringLiteral("../"));
                    return;
                }
            }
        }
    } else {
        if (b.left(pb + marker.size()).compare(t.left(pt + marker.size()), Qt::CaseInsensitive) != 0) {
            // The copy goes into the page's own copy of the site and nowhere else.
            const QString site = QDir::cleanPath(ToLocalPath(b.left(pb + marker.size())));
            const QString dst = QDir::cleanPath(ToLocalPath(b.left(pb) + t.mid(pt)));
            const QString src = ToLocalPath(t);
            if (t.startsWith(QLatin1Char('/')) && dst.startsWith(site + QLatin1Char('/'))
                && LinkedFile::publishable(src, roots)) {
                QDir().mkpath(QFileInfo(dst).absolutePath());
                QFile::remove(dst);
                QFile::copy(src, dst);
            }
        }
        b = b.mid(pb + marker.size() - 1);
        t = t.mid(pt + marker.size() - 1);
    }
    qsizetype q = 0;
    for (qsizetype i = b.indexOf(QLatin1Char('/')); i >= 0; i = b.indexOf(QLatin1Char('/'), i + 1)) {
        if (t.left(i + 1).compare(b.left(i + 1), Qt::CaseInsensitive) == 0)
            q = i + 1;
        else
            break;
    }
    if (q == 0) {
        target = t;
        return;
    }
    b = b.mid(q);
    t = t.mid(q);
    target = QStringLiteral("../").repeated(b.count(QLatin1Char('/'))) + t;
}
