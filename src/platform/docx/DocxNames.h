#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QXmlStreamWriter;

// The fixed names and small fixed parts of a Word package shared by its reader and writer.
namespace DocxNames {

inline const QString WordNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
inline const QString RelNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
inline const QString CompatibilityNamespace = QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");
inline const QString RelsNamespace = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
inline const QString OfficeNamespace = QStringLiteral("urn:schemas-microsoft-com:office:office");
inline const QString PictureUri = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture");

inline const QString RelOfficeDocument = RelNamespace + QStringLiteral("/officeDocument");
inline const QString RelStyles = RelNamespace + QStringLiteral("/styles");
inline const QString RelSettings = RelNamespace + QStringLiteral("/settings");
inline const QString RelHeader = RelNamespace + QStringLiteral("/header");
inline const QString RelFooter = RelNamespace + QStringLiteral("/footer");
inline const QString RelImage = RelNamespace + QStringLiteral("/image");
inline const QString RelHyperlink = RelNamespace + QStringLiteral("/hyperlink");
inline const QString RelNumbering = RelNamespace + QStringLiteral("/numbering");
inline const QString RelFootnotes = RelNamespace + QStringLiteral("/footnotes");
inline const QString RelEndnotes = RelNamespace + QStringLiteral("/endnotes");

struct Relationship {
    QString id;
    QString type;
    QString target;
    bool external = false;
};

QByteArray prolog();
QByteArray relationships(const QList<Relationship> &rels);
// xmlns declarations of the prefixes the writer uses (w, r, wp, a, pic), on the open element.
void writeNamespaces(QXmlStreamWriter &w);
QByteArray contentTypes(const QStringList &xmlParts);
QByteArray packageRels();
QByteArray styles();
QByteArray settings();

// Data that reads as an address of its own (a URL scheme such as http:, https:, mailto:).
bool isAddress(const QString &data);
// A character that XML 1.0 can carry.
bool isXmlChar(char16_t u);

} // namespace DocxNames
