#include "publish/converter/OutputFolder.h"

#include "platform/desktop/Prompt.h"

#include <QFileInfo>

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
