#include "publish/converter/OutputFolder.h"

#include "platform/desktop/Prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool below(const QString &path, const QString &folder)
{
    return !path.isEmpty() && (path == folder || path.startsWith(folder + QLatin1Char('/')));
}

} // namespace

bool OutputFolder::refused(const QString &path)
{
    const QFileInfo out(path);
    QString why;
    if (out.isSymLink())
        why = QStringLiteral(" はｼﾝﾎﾞﾘｯｸﾘﾝｸです\nﾘﾝｸ先は書き換えません　通常のﾌｫﾙﾀﾞにしてから出力して下さい");
    else if (out.exists() && !out.isDir())
        why = QStringLiteral(" はﾌｫﾙﾀﾞではなくﾌｧｲﾙです\nﾌｧｲﾙを移動してから出力して下さい");
    else
        return false;
    Prompt::current().message(path + why, Prompt::OkOnly | Prompt::Exclamation);
    return true;
}

bool OutputFolder::holds(const QString &folder, const QString &file)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    const QString dir = QFileInfo(clean).absolutePath();
    // No folder is made through a link that leads out: the part that stands already is looked at first.
    QString standing = dir;
    while (!QFileInfo::exists(standing) && standing != QFileInfo(standing).absolutePath())
        standing = QFileInfo(standing).absolutePath();
    if (!below(QFileInfo(standing).canonicalFilePath(), root) || !QDir().mkpath(dir)
        || !below(QFileInfo(dir).canonicalFilePath(), root))
        return false;
    const QFileInfo there(clean);
    if (there.isSymLink())
        return QFile::remove(clean);
    return !there.exists() || there.isFile();
}
