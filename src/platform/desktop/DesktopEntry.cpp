#include "platform/desktop/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString templateText(const QString &name)
{
    QFile file(QStringLiteral(":/desktop/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool writeText(const QString &path, const QString &text)
{
    if (text.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

} // namespace

// Resources of a static library must be registered by hand.
static void initDesktopResources() { Q_INIT_RESOURCE(desktop); }

QString DesktopEntry::execArgument(const QString &program)
{
    static const QString plain = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,:@");
    bool quote = program.isEmpty();
    for (const QChar c : program)
        quote = quote || !plain.contains(c);
    QString argument = program;
    if (quote) {
        QString escaped;
        for (const QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                escaped += QLatin1Char('\\');
            escaped += c;
        }
        argument = QLatin1Char('"') + escaped + QLatin1Char('"');
    }
    // Field codes start with "%"; the string value itself escapes "\".
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return argument;
}

bool DesktopEntry::writeLauncher(const QString &file, const QString &program, const QString &mimeType)
{
    for (const QChar c : program) {
        if (c.category() == QChar::Other_Control)
            return false; // a line end would break the entry
    }
    initDesktopResources();
    QStringList lines = templateText(QStringLiteral("fenwar.desktop")).split(QLatin1Char('\n'));
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (mimeType.isEmpty() && lines.at(i).startsWith(QLatin1String("MimeType=")))
            lines.removeAt(i);
        else if (lines.at(i).startsWith(QLatin1String("Exec=")))
            lines[i].replace(QLatin1String("@EXEC@"), execArgument(program));
        else
            lines[i].replace(QLatin1String("@MIMETYPE@"), mimeType + QLatin1Char(';'));
    }
    return writeText(file, lines.join(QLatin1Char('\n')));
}

bool DesktopEntry::writeMimeType(const QString &file, const QString &mimeType, const QString &extension)
{
    initDesktopResources();
    QString text = templateText(QStringLiteral("fenwar-mime.xml"));
    text.replace(QLatin1String("@MIMETYPE@"), mimeType.toHtmlEscaped());
    text.replace(QLatin1String("@EXTENSION@"), extension.toHtmlEscaped());
    return writeText(file, text);
}
