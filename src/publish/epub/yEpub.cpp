#include "publish/epub/yEpub.h"

#include "core/zClt.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QUrl>

namespace
{
const char kOpfNs[] = "http://www.idpf.org/2007/opf";
const char kDcNs[] = "http://purl.org/dc/elements/1.1/";
const char kNcxNs[] = "http://www.daisy.org/z3986/2005/ncx/";

// The template shorthand of the package files: "@" two spaces, "'" a double
// quote, "~" a line end. Applied to the fixed pieces only, never to values.
QString t(const char *piece)
{
    QString s = QString::fromUtf8(piece);
    s.replace(u'@', QStringLiteral("  "));
    s.replace(u'\'', u'"');
    s.replace(u'~', QStringLiteral("\r\n"));
    return s;
}

QString esc(const QString &value)
{
    return yEpub::XmlText(value).toHtmlEscaped();
}

QString indent(int count)
{
    return QString(2 * count, u' ');
}

// An XML name made from a file's stem: ids such as "1002" would start with a
// digit, and two files may share a stem, so each gets a prefix and, when
// needed, a number that makes it unique in the manifest.
QString uniqueId(const QString &prefix, const QString &stem, QSet<QString> &used)
{
    QString id = prefix;
    for (const QChar c : stem)
        id += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'_' || c == u'-' || c == u'.' ? c : QChar(u'_');
    QString candidate = id;
    for (int n = 2; used.contains(candidate); ++n)
        candidate = id + u'_' + QString::number(n);
    used.insert(candidate);
    return candidate;
}

QString stemOf(const QString &name)
{
    const int dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString href(const QString &name)
{
    return esc(QString::fromLatin1(QUrl::toPercentEncoding(name, "/!$&'()*+,;=@~")));
}
} // namespace

bool yEpub::writeUtf(const QString &relative, const QString &text) const
{
    const QString path = workFolder + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return zClt::instance().F_StUtf(path, text);
}

bool yEpub::WriteRootFiles()
{
    QFile mime(workFolder + QStringLiteral("/mimetype"));
    if (!mime.open(QIODevice::WriteOnly | QIODevice::Truncate) || mime.write("application/epub+zip") != 20)
        return false;
    mime.close();
    const QString container =
        t("<?xml version='1.0'?>~"
          "<container version='1.0' xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>~"
          "  <rootfiles>~"
          "    <rootfile full-path='OEBPS/content.opf' media-type='application/oebps-package+xml'/>~"
          "  </rootfiles>~"
          "</container>");
    return writeUtf(QStringLiteral("META-INF/container.xml"), container);
}

bool yEpub::WriteOpf()
{
    QString s = t("<?xml version='1.0' encoding='UTF-8'?>~");
    s += t("<package version='2.0' xmlns='") + kOpfNs + t("' unique-identifier='BookId'>~");
    s += t("@<metadata xmlns:dc='") + kDcNs + t("' xmlns:opf='") + kOpfNs + t("'>~");
    s += t("@@<dc:title>") + esc(title) + t("</dc:title>~");
    s += t("@@<dc:language>ja</dc:language>~");
    s += t("@@<dc:identifier id='BookId'>") + esc(identifier) + t("</dc:identifier>~");
    if (!creator.isEmpty())
        s += t("@@<dc:creator opf:role='aut'>") + esc(creator) + t("</dc:creator>~");
    if (!rights.isEmpty())
        s += t("@@<dc:rights>") + esc(rights) + t("</dc:rights>~");
    if (!publisher.isEmpty())
        s += t("@@<dc:publisher>") + esc(publisher) + t("</dc:publisher>~");
    s += t("@</metadata>~");
    s += t("@<manifest>~");
    s += t("@@<item id='ncx' href='toc.ncx' media-type='application/x-dtbncx+xml' />~");

    QSet<QString> used{QStringLiteral("ncx")};
    QStringList pageIds;
    QSet<QString> listed;
    const QStringList pages = fileList.split(u',', Qt::SkipEmptyParts);
    for (const QString &name : pages) {
        if (listed.contains(name))
            continue; // one manifest item per file, also when a page is listed twice
        listed.insert(name);
        const QString id = uniqueId(QStringLiteral("x"), stemOf(name), used);
        pageIds << id;
        s += t("@@<item id='") + id + t("' href='") + href(name) + t("' media-type='application/xhtml+xml' />~");
    }
    // No picture saved yet means no pictures, not a failed book.
    const QStringList pictures = QDir(workFolder + QStringLiteral("/OEBPS/Images")).entryList(QDir::Files, QDir::Name);
    for (const QString &name : pictures) {
        const int dot = name.lastIndexOf(u'.');
        if (dot < 0)
            continue;
        QString type = name.mid(dot + 1).toLower();
        if (type == u"jpg")
            type = QStringLiteral("jpeg");
        else if (type == u"svg")
            type = QStringLiteral("svg+xml");
        const QString id = uniqueId(QStringLiteral("i"), name.left(dot), used);
        s += t("@@<item id='") + id + t("' href='") + href(QStringLiteral("Images/") + name) + t("' media-type='image/")
             + esc(type) + t("' />~");
    }
    s += t("@</manifest>~");
    s += t("@<spine toc='ncx'>~");
    for (const QString &id : pageIds)
        s += t("@@<itemref idref='") + id + t("' />~");
    s += t("@</spine>~");
    s += t("</package>");
    return writeUtf(QStringLiteral("OEBPS/content.opf"), s);
}

QString yEpub::NcxUid(const QString &identifier)
{
    // Readers and checkers require the navigation file to name the book by the
    // same identifier as the package file, so it is used whole.
    return identifier;
}

bool yEpub::WriteNcx(const QString &navigation, int depth)
{
    QString s = t("<?xml version='1.0' encoding='UTF-8'?>~");
    s += t("<ncx xmlns='") + kNcxNs + t("' version='2005-1'>~");
    s += t("@<head>~");
    s += t("@@<meta name='dtb:uid' content='") + esc(NcxUid(identifier)) + t("'/>~");
    s += t("@@<meta name='dtb:depth' content='") + QString::number(depth) + t("'/>~");
    s += t("@@<meta name='dtb:totalPageCount' content='0'/>~");
    s += t("@@<meta name='dtb:maxPageNumber' content='0'/>~");
    s += t("@</head>~");
    s += t("@<docTitle>~");
    s += t("@@<text>") + esc(title) + t("</text>~");
    s += t("@</docTitle>~");
    s += t("@<navMap>~");
    s += navigation;
    s += t("@</navMap>~</ncx>");
    return writeUtf(QStringLiteral("OEBPS/toc.ncx"), s);
}

QString yEpub::NavOpen(int level, int k, const QString &label, const QString &fileName, int playOrder)
{
    const QString n = QString::number(k);
    QString s = indent(2 * level + 2) + QStringLiteral("<navPoint id=\"p") + n + QStringLiteral("\" playOrder=\"")
                + QString::number(playOrder > 0 ? playOrder : k) + QStringLiteral("\">\r\n");
    s += indent(2 * level + 3) + QStringLiteral("<navLabel>\r\n");
    s += indent(2 * level + 4) + QStringLiteral("<text>") + esc(label) + QStringLiteral("</text>\r\n");
    s += indent(2 * level + 3) + QStringLiteral("</navLabel>\r\n");
    s += indent(2 * level + 3) + QStringLiteral("<content src=\"") + href(fileName) + QStringLiteral("\"/>\r\n");
    return s;
}

QString yEpub::NavClose(int level)
{
    return indent(2 * level + 2) + QStringLiteral("</navPoint>\r\n");
}

QString yEpub::PageFileName(const QString &pageNo)
{
    QString name = pageNo.trimmed();
    if (name.size() < 3)
        name = name.rightJustified(3, u'0');
    return name + QStringLiteral(".xhtml");
}
