#include "platform/docx/DocxNames.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>

namespace DocxNames {

namespace {

// An XML part being written, after its prolog.
struct XmlPart {
    QByteArray xml = prolog();
    QXmlStreamWriter w{&xml};

    // The root element of a part in the word-processing namespace.
    void startWordRoot(const QString &tag)
    {
        w.writeStartElement(tag);
        w.writeAttribute(QStringLiteral("xmlns:w"), WordNamespace);
    }
};

} // namespace

QByteArray prolog()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
}

void writeNamespaces(QXmlStreamWriter &w)
{
    w.writeAttribute(QStringLiteral("xmlns:w"), WordNamespace);
    w.writeAttribute(QStringLiteral("xmlns:r"), RelNamespace);
    w.writeAttribute(QStringLiteral("xmlns:wp"),
                     QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"));
    w.writeAttribute(QStringLiteral("xmlns:a"), QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main"));
    w.writeAttribute(QStringLiteral("xmlns:pic"), PictureUri);
}

QByteArray contentTypes(const QStringList &xmlParts)
{
    XmlPart part;
    QXmlStreamWriter &w = part.w;
    w.writeStartElement(QStringLiteral("Types"));
    w.writeDefaultNamespace(QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    auto byExtension = [&w](const char *ext, const char *type) {
        w.writeEmptyElement(QStringLiteral("Default"));
        w.writeAttribute(QStringLiteral("Extension"), QLatin1String(ext));
        w.writeAttribute(QStringLiteral("ContentType"), QLatin1String(type));
    };
    byExtension("rels", "application/vnd.openxmlformats-package.relationships+xml");
    byExtension("xml", "application/xml");
    byExtension("png", "image/png");
    byExtension("jpeg", "image/jpeg");
    byExtension("gif", "image/gif");
    const QString base = QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.");
    auto override = [&w](const QString &part, const QString &type) {
        w.writeEmptyElement(QStringLiteral("Override"));
        w.writeAttribute(QStringLiteral("PartName"), QLatin1Char('/') + part);
        w.writeAttribute(QStringLiteral("ContentType"), type);
    };
    override(QStringLiteral("word/document.xml"), base + QStringLiteral("document.main+xml"));
    override(QStringLiteral("word/styles.xml"), base + QStringLiteral("styles+xml"));
    override(QStringLiteral("word/settings.xml"), base + QStringLiteral("settings+xml"));
    for (const QString &part : xmlParts) {
        const QString name = part.section(QLatin1Char('/'), -1);
        override(part, base + (name.startsWith(QLatin1String("header")) ? QStringLiteral("header+xml")
                               : name.startsWith(QLatin1String("numbering")) ? QStringLiteral("numbering+xml")
                                                                              : QStringLiteral("footer+xml")));
    }
    w.writeEndElement();
    return part.xml;
}

QByteArray relationships(const QList<Relationship> &rels)
{
    XmlPart part;
    QXmlStreamWriter &w = part.w;
    w.writeStartElement(QStringLiteral("Relationships"));
    w.writeDefaultNamespace(RelsNamespace);
    for (const Relationship &r : rels) {
        w.writeEmptyElement(QStringLiteral("Relationship"));
        w.writeAttribute(QStringLiteral("Id"), r.id);
        w.writeAttribute(QStringLiteral("Type"), r.type);
        w.writeAttribute(QStringLiteral("Target"), r.target);
        if (r.external)
            w.writeAttribute(QStringLiteral("TargetMode"), QStringLiteral("External"));
    }
    w.writeEndElement();
    return part.xml;
}

QByteArray packageRels()
{
    return relationships({{QStringLiteral("rId1"), RelOfficeDocument, QStringLiteral("word/document.xml")}});
}

// "toc 1" to "toc 3": the entries of a table of contents, indented by level.
static void contentsEntryStyle(QXmlStreamWriter &w, int level)
{
    w.writeStartElement(QStringLiteral("w:style"));
    w.writeAttribute(QStringLiteral("w:type"), QStringLiteral("paragraph"));
    w.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("TOC%1").arg(level));
    w.writeEmptyElement(QStringLiteral("w:name"));
    w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("toc %1").arg(level));
    w.writeEmptyElement(QStringLiteral("w:basedOn"));
    w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Normal"));
    w.writeStartElement(QStringLiteral("w:pPr"));
    w.writeEmptyElement(QStringLiteral("w:ind"));
    w.writeAttribute(QStringLiteral("w:left"), QString::number((level - 1) * 220));
    w.writeEndElement();
    w.writeEndElement();
}

QByteArray styles()
{
    XmlPart part;
    QXmlStreamWriter &w = part.w;
    part.startWordRoot(QStringLiteral("w:styles"));
    auto style = [&w](const QString &type, const QString &id, const QString &name, int outline, int halfPoints,
                      bool isDefault) {
        w.writeStartElement(QStringLiteral("w:style"));
        w.writeAttribute(QStringLiteral("w:type"), type);
        if (isDefault)
            w.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
        w.writeAttribute(QStringLiteral("w:styleId"), id);
        w.writeEmptyElement(QStringLiteral("w:name"));
        w.writeAttribute(QStringLiteral("w:val"), name);
        if (!isDefault && type == QLatin1String("paragraph")) {
            w.writeEmptyElement(QStringLiteral("w:basedOn"));
            w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("Normal"));
            w.writeEmptyElement(QStringLiteral("w:qFormat"));
        }
        if (outline >= 0) {
            w.writeStartElement(QStringLiteral("w:pPr"));
            w.writeEmptyElement(QStringLiteral("w:keepNext"));
            w.writeEmptyElement(QStringLiteral("w:outlineLvl"));
            w.writeAttribute(QStringLiteral("w:val"), QString::number(outline));
            w.writeEndElement();
        }
        if (halfPoints > 0 || type == QLatin1String("character")) {
            w.writeStartElement(QStringLiteral("w:rPr"));
            if (type == QLatin1String("character")) {
                w.writeEmptyElement(QStringLiteral("w:color"));
                w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("0563C1"));
                w.writeEmptyElement(QStringLiteral("w:u"));
                w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("single"));
            } else {
                w.writeEmptyElement(QStringLiteral("w:b"));
                w.writeEmptyElement(QStringLiteral("w:sz"));
                w.writeAttribute(QStringLiteral("w:val"), QString::number(halfPoints));
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    };
    style(QStringLiteral("paragraph"), QStringLiteral("Normal"), QStringLiteral("Normal"), -1, 0, true);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading1"), QStringLiteral("heading 1"), 0, 32, false);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading2"), QStringLiteral("heading 2"), 1, 28, false);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading3"), QStringLiteral("heading 3"), 2, 24, false);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading4"), QStringLiteral("heading 4"), 3, 22, false);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading5"), QStringLiteral("heading 5"), 4, 22, false);
    style(QStringLiteral("paragraph"), QStringLiteral("Heading6"), QStringLiteral("heading 6"), 5, 22, false);
    style(QStringLiteral("paragraph"), QStringLiteral("TOCHeading"), QStringLiteral("TOC Heading"), -1, 28, false);
    for (int level = 1; level <= 3; ++level)
        contentsEntryStyle(w, level);
    style(QStringLiteral("character"), QStringLiteral("Hyperlink"), QStringLiteral("Hyperlink"), -1, 0, false);
    w.writeEndElement();
    return part.xml;
}

QByteArray settings()
{
    XmlPart part;
    QXmlStreamWriter &w = part.w;
    part.startWordRoot(QStringLiteral("w:settings"));
    // Lets Word fill the table of contents when it opens the file.
    w.writeEmptyElement(QStringLiteral("w:updateFields"));
    w.writeAttribute(QStringLiteral("w:val"), QStringLiteral("true"));
    w.writeEndElement();
    return part.xml;
}

bool isAddress(const QString &data)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]{1,15}:"));
    return scheme.match(data).hasMatch();
}

bool isXmlChar(char16_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u != 0xFFFE && u != 0xFFFF);
}

} // namespace DocxNames
