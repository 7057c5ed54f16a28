#include "editor/LoadWait.h"

#include "core/sbWait.h"
#include "platform/richtext/PageCodec.h"

#include <QCoreApplication>
#include <QFileInfo>

LoadWait::LoadWait(qint64 weight)
{
    if (weight <= Weight || sbWait::isShown())
        return;
    sbWait::cMsg(message());
    m_shown = true;
}

LoadWait::~LoadWait()
{
    if (!m_shown)
        return;
    // The first painting of the page (every cell of a wide table) is part of the wait too.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sbWait::cEnd();
}

qint64 LoadWait::pageWeight(const QByteArray &page)
{
    return sbWait::isShown() ? 0 : PageCodec::layoutWeight(page);
}

qint64 LoadWait::fileWeight(const QString &file, bool packed)
{
    return QFileInfo(file).size() * (packed ? PackedRatio : 1) * Weight / FileSize;
}

QString LoadWait::message()
{
    return QStringLiteral("しばらくお待ち下さい");
}
