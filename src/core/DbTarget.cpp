#include "core/DbTarget.h"

#include "core/Usr.h"
#include "core/zSvr.h"
#include "platform/db/DbFiles.h"

#include <QFileInfo>

namespace {

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString DbTarget::refusal(const QString &target, const QString &role)
{
    zSvr &db = zSvr::instance();
    // Asked first: looking at a file for other programs would drop this program's locks on it. A file
    // put in the place of the open one is another file.
    if (db.isOpen() && db.fileInPlace() && sameFile(target, db.sSvr))
        return QStringLiteral("複写先と現在のﾌｧｲﾙが同一です");
    const QString model = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
    if (sameFile(target, model))
        return model + QStringLiteral(" は新規ﾃﾞｰﾀｰﾍﾞｰｽの雛形です\n") + role + QStringLiteral("には指定できません");
    if (DbFiles::inUse(target))
        return target + QStringLiteral(" は他のﾌﾟﾛｸﾞﾗﾑが使用中です");
    return QString();
}
