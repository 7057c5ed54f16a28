#include "platform/richtext/PdfFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cstdio>

#include <sys/stat.h>

namespace {

// A PDF ends with its trailer: "%%EOF" in the last bytes.
bool whole(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 64)
        return false;
    f.seek(f.size() - qMin<qint64>(f.size(), 1024));
    return f.readAll().contains("%%EOF");
}

// The process's file mode creation mask, read where setting it would not race with other threads
// creating files.
mode_t creationMask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(mask & 0777);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

PdfFile::PdfFile(const QString &target) : m_target(QFileInfo(target).absoluteFilePath())
{
    const QFileInfo info(m_target);
    // Named as a PDF: a printer takes the format from the name.
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX.pdf"));
    temp.setAutoRemove(false);
    if (temp.open())
        m_temp = temp.fileName();
    else
        m_why = info.absolutePath() + QStringLiteral(" にﾌｧｲﾙを作れません");
}

PdfFile::~PdfFile()
{
    if (!m_temp.isEmpty())
        QFile::remove(m_temp);
}

bool PdfFile::commit()
{
    if (m_temp.isEmpty())
        return false;
    if (!whole(m_temp)) {
        const QStorageInfo disk(QFileInfo(m_temp).absolutePath());
        m_why = disk.isValid() && disk.bytesAvailable() < 1024 * 1024 ? QStringLiteral("ﾃﾞｨｽｸの空きが足りません")
                                                                        : QStringLiteral("ﾌｧｲﾙを最後まで書けませんでした");
        return false;
    }
    // The new file is readable as the old one was, or as a new file of the user's would be: the
    // temporary file was made for the owner alone.
    const QFileInfo old(m_target);
    if (old.exists())
        QFile::setPermissions(m_temp, old.permissions());
    else
        ::chmod(QFile::encodeName(m_temp).constData(), 0666 & ~creationMask());
    // rename() replaces the old file in one step: it is never missing nor half new.
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_why = m_target + QStringLiteral(" を置き換えられません");
        return false;
    }
    m_temp.clear();
    return true;
}
