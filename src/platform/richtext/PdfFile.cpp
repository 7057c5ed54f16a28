#include "platform/richtext/PdfFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cstdio>

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
    // The new file is readable as the old one was, or as a new file of the user's would be.
    const QFileInfo old(m_target);
    QFile::setPermissions(m_temp, old.exists() ? old.permissions()
                                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces the old file in one step: it is never missing nor half new.
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_why = m_target + QStringLiteral(" を置き換えられません");
        return false;
    }
    m_temp.clear();
    return true;
}
