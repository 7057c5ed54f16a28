#include "publish/converter/StagedWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QLatin1String StagePrefix(".pages-");
} // namespace

StagedWriter::StagedWriter() = default;

StagedWriter::~StagedWriter() = default;

void StagedWriter::removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList({StagePrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        QDir(dir.filePath(name)).removeRecursively();
}

bool StagedWriter::flushFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool StagedWriter::writeStraight(const QString &file, const QByteArray &bytes)
{
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size() && out.flush())
        return true;
    out.remove();
    return false;
}

bool StagedWriter::write(const QString &file, const QByteArray &bytes)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (!m_stage || m_stageFor != folder) {
        m_stage = std::make_unique<QTemporaryDir>(folder + QLatin1Char('/') + StagePrefix + QStringLiteral("XXXXXX"));
        m_stageFor = folder;
    }
    if (m_stage->isValid()) {
        const QString staged = m_stage->filePath(QFileInfo(file).fileName());
        // rename() replaces a file of that name, as the straight write would.
        if (writeStraight(staged, bytes)
            && std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(file).constData()) == 0)
            return true;
        QFile::remove(staged);
    }
    return writeStraight(file, bytes);
}
