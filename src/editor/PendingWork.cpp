#include "editor/PendingWork.h"

#include <QSet>

namespace {

// The list of work not built yet. Take a name off when its hook is filled.
const QStringList NotBuilt = {};

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
        for (const QString &name : NotBuilt)
            set.insert(name);
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
