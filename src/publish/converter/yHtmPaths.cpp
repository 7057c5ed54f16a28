// Link and picture paths: page tags to file names, local targets made relative to the page, files
// outside the page's reach copied beside it.
#include "core/LinkedFile.h"
#include "publish/converter/ConvText.h"
#include "publish/converter/OutputFolder.h"
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

// The database's folder: its files a page may publish besides the user's own visible files.
QStringList publishRoots(const yHtm::Context &c)
{
    return c.dbFolder.isEmpty() ? QStringList() : QStringList{c.dbFolder};
}

// The program's own output folders, whose files a page may always publish.
QStringList outputRoots(const yHtm::Context &c)
{
    if (c.userData.isEmpty())
        return QStringList();
    return {c.userData + QStringLiteral("Site"), c.userData + QStringLiteral("Htm")};
}

// A "file:" address that names its host "localhost" names the same local path as one without a host:
// the host goes with the scheme, which was removed in front of `at`.
void dropLocalHost(QString &path, qsizetype at)
{
    if (path.mid(at, 10).compare(QLatin1String("localhost/"), Qt::CaseInsensitive) == 0)
        path.remove(at, 9);
}

bool sameContent(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.readAll() == fb.readAll();
}

// A copy goes to `dst` below the run's folder `root` and nowhere else.
bool copyBelow(const QString &src, const QString &root, const QString &dst)
{
    return OutputFolder::holds(root, dst) && QFile::copy(src, dst);
}

// Copies src into folder (below root) under its own name, or under a numbered name when a different
// file of that name is already there (two linked files named alike must not overwrite each other).
// Returns the name used, empty when the copy failed or would land outside root.
QString copyUnique(const QString &src, const QString &root, const QString &folder)
{
    // Converters on several threads (the site writer) may copy into one folder: one at a time,
    // so that none sees another's half-written copy.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const QFileInfo fi(src);
    QString name = fi.fileName();
    auto same = [&](const QString &there) { return !QFileInfo(there).isSymLink() && sameContent(src, there); };
    auto taken = [](const QString &there) { return QFileInfo::exists(there) || QFileInfo(there).isSymLink(); };
    for (int n = 2; taken(folder + name) && !same(folder + name); ++n)
        name = fi.completeBaseName() + QStringLiteral("_%1").arg(n)
               + (fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix());
    if (taken(folder + name))
        return OutputFolder::holds(root, folder + name) ? name : QString();
    return copyBelow(src, root, folder + name) ? name : QString();
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
            const bool home = m_iDtd == 5 || parent.isEmpty();
            const QString name = home ? HsFName(QString(), child, 0, false) : HsFName(parent, child, 1, false);
            const QString placed = home ? child : parent + QLatin1Char('_') + child;
            if (m_ctx.sitePages.isEmpty() || m_ctx.sitePages.contains(QLatin1Char('.') + placed + QLatin1Char('.')))
                target = m_sPubFd + name;
        } else if (m_ctx.outputSet.contains(QLatin1Char('.') + trim(child) + QLatin1Char('.'))) {
            target = HsFName(QString(), child, 0, false);
        } else if (m_ctx.homeKind >= 1 && !m_ctx.homeAddress.isEmpty()) {
            target = HsFNameX(parent, child);
        } else if (m_ctx.outputSet.size() <= 1) {
            target = HsFName(QString(), child, 0, false);
        }
        // A page outside the book's set (or the site's) has no file in it and no web address: the link
        // keeps its text.
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
    if (hadFile) {
        href.remove(f, 7);
        dropLocalHost(href, f);
    }
    if (base.isEmpty() || hadFile)
        return;
    QString b = base;
    const qsizetype g = ifind(b, QStringLiteral("file://"));
    if (g >= 0) {
        b.remove(g, 7);
        dropLocalHost(b, g);
    }
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

// The folder the run writes into: the caller's, else the page's own.
QString yHtm::runFolder(const QString &pageFolder) const
{
    return QDir::cleanPath(m_ctx.outputFolder.isEmpty() ? pageFolder : m_ctx.outputFolder);
}

// A linked file outside the run's folder is copied into it, and t names the copy (or, for a file
// already inside, the file itself) as an absolute path. A file of the folder the run's output is put
// in place of keeps its place; any other goes into "lnk". Nothing is written outside the run's folder.
bool yHtm::PlaceLinkedFile(const QString &pageFolder, QString &t) const
{
    if (!t.contains(QLatin1Char('/')) || !QFileInfo(pageFolder).isDir())
        return false;
    // A relative path lies in the database's folder, never above it.
    const QString src = LinkedFile::resolve(ToLocalPath(t), m_ctx.dbFolder);
    if (src.isEmpty())
        return false;
    const QString root = runFolder(pageFolder);
    if (LinkedFile::inside(src, root)) {
        t = src;
        return false;
    }
    if (!LinkedFile::publishable(src, publishRoots(m_ctx), outputRoots(m_ctx)))
        return false;
    const QString site = QDir::cleanPath(m_ctx.siteFolder);
    if (!m_ctx.siteFolder.isEmpty() && src.startsWith(site + QLatin1Char('/'))) {
        const QString dst = root + src.mid(site.size());
        if ((QFileInfo(dst).isFile() && OutputFolder::holds(root, dst)) || copyBelow(src, root, dst)) {
            t = dst;
            return false;
        }
    }
    const QString name = copyUnique(src, root, root + QStringLiteral("/lnk/"));
    if (name.isEmpty())
        return false;
    t = root + QStringLiteral("/lnk/") + name;
    return true;
}

void yHtm::MakeRelative(const QString &base, QString &target) const
{
    if (base.isEmpty())
        return;
    QString b = base, t = target;
    b.replace(QLatin1Char('\\'), QLatin1Char('/'));
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    b.remove(QStringLiteral("file://"), Qt::CaseInsensitive);
    if (t.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        t.remove(0, 7);
        dropLocalHost(t, 0);
    }
    // Tidied, a path holds no ".." that a common folder could hide.
    b = QDir::cleanPath(b);
    if (t.startsWith(QLatin1Char('/')))
        t = QDir::cleanPath(t);
    const bool copied = PlaceLinkedFile(b, t);
    if (!b.endsWith(QLatin1Char('/')))
        b += QLatin1Char('/');
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
    if (copied)
        t.replace(QLatin1Char(' '), QStringLiteral("%20"));
    target = QStringLiteral("../").repeated(b.count(QLatin1Char('/'))) + t;
}
