#include "editor/PendingWork.h"

#include <QSet>

namespace {

// The list of work not built yet. Take a name off when its hook is filled.
const char *const NotBuilt[] = {
    // files and output
    "job 1", "job 3", "job 5", "job 10", "job 30", "job 32",
    // paste by kind, pictures, frames, objects and script
    "job 15", "job 33", "job 34", "job 35", "job 40", "job 41", "job 42", "job 43", "job 44", "job 45",
    // the format copy
    "job 70", "job 71",
    // tables and the page setup of the editor's own dialog
    "job 65", "job 80", "job 81", "job 82", "job 83", "job 85",
    // object popup: edit the picture, properties
    "object 3", "object 21",
};

QStringList &log()
{
    static QStringList reached;
    return reached;
}

} // namespace

namespace PendingWork {

QString job(int code)
{
    return QStringLiteral("job %1").arg(code);
}

QString dialog(const QString &mode)
{
    return QStringLiteral("dialog ") + mode;
}

QString objectItem(int index)
{
    return QStringLiteral("object %1").arg(index);
}

bool pending(const QString &work)
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const char *name : NotBuilt)
            set.insert(QString::fromLatin1(name));
        return set;
    }();
    return names.contains(work);
}

void reached(const QString &work)
{
    log().append(work);
}

QStringList takeReached()
{
    QStringList taken;
    taken.swap(log());
    return taken;
}

} // namespace PendingWork
