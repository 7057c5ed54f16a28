#include "publish/converter/OutputFolder.h"

#include "platform/desktop/Prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The file system `path` lies on; false when it cannot be told.
bool deviceOf(const QString &path, dev_t &device)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    device = st.st_dev;
    return true;
}

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

bool OutputFolder::unmovable(const QString &out, const QString &work)
{
    const QString outParent = QFileInfo(out).absolutePath();
    const QString workParent = QFileInfo(work).absolutePath();
    dev_t outDevice = 0, parentDevice = 0, workDevice = 0;
    const bool parentKnown = deviceOf(outParent, parentDevice);
    QString why;
    if (parentKnown && deviceOf(out, outDevice) && outDevice != parentDevice)
        why = out + QStringLiteral(" はﾏｳﾝﾄﾎﾟｲﾝﾄです\nﾏｳﾝﾄﾎﾟｲﾝﾄは新しいｻｲﾄと置き換えられないので出力できません");
    else if (parentKnown && deviceOf(workParent, workDevice) && parentDevice != workDevice)
        why = outParent + QStringLiteral(" は作業ﾌｫﾙﾀﾞ ") + workParent
              + QStringLiteral(" と別のﾌｧｲﾙｼｽﾃﾑにあります\n作業ﾌｫﾙﾀﾞで作ったｻｲﾄと置き換えられないので出力できません");
    else
        return false;
    Prompt::current().message(why, Prompt::OkOnly | Prompt::Exclamation);
    return true;
}
