#include "core/Frmt.h"
#include "platform/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QCursor>
#include <QGuiApplication>

void Frmt::SetBusy(bool busy)
{
    // The pointer is a setting, not a stack: true shows the hourglass, false
    // the normal pointer, however often either was asked for before.
    if (busy) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
    QCoreApplication::processEvents();
}

bool Frmt::InStrOk(const QString &text, const QString &sought, int &position)
{
    position = text.isEmpty() && !sought.isEmpty() ? 0 : text.indexOf(sought, 0, Qt::CaseInsensitive) + 1;
    return !sought.isEmpty() && position > 0;
}

void Frmt::SplitKey(const QString &key, QString &kind, QString &identity)
{
    const QString head = key.left(3).toUpper();
    if (head == QLatin1String("TG_") || head == QLatin1String("TP_")) {
        kind = head.left(2);
        identity = key.mid(3);
    } else {
        kind = QStringLiteral("LK");
        identity = key;
    }
}

QString Frmt::DialogFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        filters << parts[i] + QLatin1String(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

QString Frmt::OpenDlg(const QString &title, const QString &fileName, const QString &filter,
                      const QString &startFolder)
{
    // A file name that carries its own folder wins over the start folder.
    QString start = fileName;
    if (!fileName.contains(QLatin1Char('/')) && !startFolder.isEmpty())
        start = fileName.isEmpty() ? startFolder : QDir(startFolder).filePath(fileName);
    return Prompt::current().openFile(title, start, DialogFilter(filter));
}
