#include "platform/db/DataLink.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

namespace {

// The "key=value" parts of a connection string. A value between double quotes
// or braces may hold semicolons: "Extended Properties="DRIVER={x};SERVER=y"".
QStringList parts(const QString &connectionString)
{
    QStringList out;
    QString part;
    QChar closing;
    for (const QChar c : connectionString) {
        if (!closing.isNull()) {
            if (c == closing)
                closing = QChar();
        } else if (c == u'"') {
            closing = u'"';
        } else if (c == u'{') {
            closing = u'}';
        } else if (c == u';') {
            if (!part.trimmed().isEmpty())
                out << part;
            part.clear();
            continue;
        }
        part += c;
    }
    if (!part.trimmed().isEmpty())
        out << part;
    return out;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
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
            out << QStringLiteral("DSN=") + unquoted(rest);
        else if (key == u"user id")
            out << QStringLiteral("UID=") + rest;
        else if (key == u"password")
            out << QStringLiteral("PWD=") + rest;
        else if (!part.trimmed().isEmpty())
            out << part.trimmed();
    }
    return out.join(u';');
}
