#include "platform/db/DataLink.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

namespace {

// A value as it stands between its quotes or braces, the doubled closing character made single.
QString unquoted(const QString &value)
{
    if (value.size() < 2)
        return value;
    const QChar open = value.front();
    const QChar close = open == u'{' ? u'}' : open;
    if ((open != u'"' && open != u'\'' && open != u'{') || value.back() != close)
        return value;
    return value.mid(1, value.size() - 2).replace(QString(2, close), QString(close));
}

// A value other than the password as a connection string holds it. Drivers
// take the braces off a password, but some keep them on other values (the
// PostgreSQL driver on the user name, SQLite's on the source name): braced
// only when a ";", a brace or blanks around it leave no other way.
QString plainOrBraced(const QString &value)
{
    const bool plain = value == value.trimmed() && !value.contains(u';') && !value.contains(u'{') && !value.contains(u'}');
    return plain ? value : DataLink::braced(value);
}

} // namespace

QString DataLink::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    // UTF-16 without a mark shows as zero bytes between ASCII characters.
    if (bytes.size() >= 4 && bytes[1] == '\0' && bytes[3] == '\0') {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(bytes);
    }
    QByteArray utf8 = bytes;
    if (utf8.startsWith("\xEF\xBB\xBF"))
        utf8.remove(0, 3);
    return QString::fromUtf8(utf8);
}

QString DataLink::parse(const QString &text)
{
    const QStringList lines = QString(text).replace(u'\r', u'\n').split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(u';') || t.compare(u"[oledb]", Qt::CaseInsensitive) == 0)
            continue;
        return t;
    }
    return QString();
}

bool DataLink::read(const QString &path, QString *connectionString)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString found = toOdbc(parse(decode(file.readAll())));
    if (connectionString)
        *connectionString = found;
    return !found.isEmpty();
}

QString DataLink::value(const QString &connectionString, const QString &key)
{
    for (const QString &part : parts(connectionString)) {
        const int eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return unquoted(part.mid(eq + 1).trimmed());
    }
    return QString();
}

// A value that starts with a
// double or single quote (the classic provider's form) or a brace (ODBC's)
// runs to the matching closing one and may hold semicolons; inside it the
// closing character doubled stands for itself:
// Extended Properties="DRIVER={x};SERVER=y", PWD={a;b}}c}.
QStringList DataLink::parts(const QString &connectionString)
{
    QStringList out;
    QString part;
    QChar closing;
    bool atValue = false;   // after the "=" of the part, before its value's first character
    for (int i = 0; i < connectionString.size(); ++i) {
        const QChar c = connectionString.at(i);
        if (!closing.isNull()) {
            if (c == closing) {
                if (i + 1 < connectionString.size() && connectionString.at(i + 1) == closing) {
                    part += c;
                    ++i;
                } else {
                    closing = QChar();
                }
            }
            part += c;
            continue;
        }
        if (c == u';') {
            if (!part.trimmed().isEmpty())
                out << part;
            part.clear();
            atValue = false;
            continue;
        }
        if (atValue && !c.isSpace()) {
            atValue = false;
            if (c == u'"' || c == u'\'')
                closing = c;
            else if (c == u'{')
                closing = u'}';
        } else if (c == u'=' && !part.contains(u'=')) {
            atValue = true;
        }
        part += c;
    }
    if (!part.trimmed().isEmpty())
        out << part;
    return out;
}

QString DataLink::braced(const QString &value)
{
    return u'{' + QString(value).replace(u'}', QStringLiteral("}}")) + u'}';
}

QString DataLink::toOdbc(const QString &connectionString)
{
    QStringList out;
    for (const QString &part : parts(connectionString)) {
        const int eq = part.indexOf(u'=');
        const QString key = eq > 0 ? part.left(eq).trimmed().toLower() : QString();
        const QString rest = eq > 0 ? part.mid(eq + 1).trimmed() : part.trimmed();
        if (key == u"provider" || key == u"persist security info")
            continue;
        if (key == u"extended properties")
            out << parts(unquoted(rest));   // the ODBC string the classic provider passed on
        else if (key == u"data source")
            out << QStringLiteral("DSN=") + plainOrBraced(unquoted(rest));
        else if (key == u"user id")
            out << QStringLiteral("UID=") + plainOrBraced(unquoted(rest));
        else if (key == u"password")
            out << QStringLiteral("PWD=") + braced(unquoted(rest));
        else if (!part.trimmed().isEmpty())
            out << part.trimmed();
    }
    return out.join(u';');
}
