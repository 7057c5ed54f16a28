#include "platform/docx/ZipPackage.h"

#include <QStringList>

#include <limits>

#include <zip.h>

ZipPackage::ZipPackage() = default;

ZipPackage::~ZipPackage()
{
    if (m_archive)
        zip_discard(static_cast<zip_t *>(m_archive));
}

bool ZipPackage::open(const QByteArray &bytes)
{
    if (m_archive) {
        zip_discard(static_cast<zip_t *>(m_archive));
        m_archive = nullptr;
    }
    m_bytes = bytes;
    m_readTotal = 0;
    if (m_bytes.isEmpty())
        return false;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return false;
    }
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return false;
    }
    m_archive = archive;
    return true;
}

bool ZipPackage::contains(const QString &name) const
{
    return m_archive && zip_name_locate(static_cast<zip_t *>(m_archive), name.toUtf8().constData(), 0) >= 0;
}

QStringList ZipPackage::names() const
{
    QStringList names;
    auto *archive = static_cast<zip_t *>(m_archive);
    const zip_int64_t count = archive ? zip_get_num_entries(archive, 0) : 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char *name = zip_get_name(archive, zip_uint64_t(i), 0))
            names << QString::fromUtf8(name);
    }
    return names;
}

qint64 ZipPackage::unpackedSize(const QString &name) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (!m_archive || zip_stat(static_cast<zip_t *>(m_archive), name.toUtf8().constData(), 0, &st) != 0
        || !(st.valid & ZIP_STAT_SIZE))
        return -1;
    return qint64(qMin<zip_uint64_t>(st.size, zip_uint64_t(std::numeric_limits<qint64>::max())));
}

bool ZipPackage::read(const QString &name, QByteArray &bytes, qint64 limit)
{
    bytes.clear();
    if (!m_archive || name.isEmpty())
        return false;
    auto *archive = static_cast<zip_t *>(m_archive);
    const zip_int64_t index = zip_name_locate(archive, name.toUtf8().constData(), 0);
    if (index < 0)
        return false;
    zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(index), 0);
    if (!file)
        return false;
    // The sizes in the directory may lie: count what really comes out.
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > limit || m_readTotal + n > TotalLimit) {
            ok = false;
            break;
        }
        m_readTotal += n;
        bytes.append(buffer, qsizetype(n));
    }
    zip_fclose(file);
    if (!ok)
        bytes.clear();
    return ok;
}

QByteArray ZipPackage::write(const QList<QPair<QString, QByteArray>> &entries, bool firstStored)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target) {
        zip_error_fini(&error);
        return {};
    }
    zip_t *archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(target);
        return {};
    }
    zip_source_keep(target);
    bool ok = true;
    for (qsizetype i = 0; ok && i < entries.size(); ++i) {
        const QByteArray &data = entries.at(i).second;
        zip_source_t *source = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        if (!source) {
            ok = false;
            break;
        }
        const zip_int64_t index = zip_file_add(archive, entries.at(i).first.toUtf8().constData(), source,
                                               ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            ok = false;
            break;
        }
        // zlib's usual level: libzip's own default is the slowest one, for a few bytes less.
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 (firstStored && i == 0) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 6);
    }
    if (!ok || zip_close(archive) < 0) {
        zip_discard(archive);
        zip_source_free(target);
        return {};
    }
    QByteArray result;
    zip_stat_t st;
    if (zip_source_stat(target, &st) == 0 && zip_source_open(target) == 0) {
        result.resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(target, result.data(), st.size);
        zip_source_close(target);
        if (n != zip_int64_t(st.size))
            result.clear();
    }
    zip_source_free(target);
    return result;
}

QString ZipPackage::resolve(const QString &baseFolder, const QString &reference)
{
    QString ref = reference;
    if (ref.isEmpty() || ref.contains(QLatin1Char('\\')) || ref.contains(QLatin1Char(':')))
        return {};
    QStringList parts;
    if (!ref.startsWith(QLatin1Char('/')))
        parts = baseFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : ref.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return {};
            parts.removeLast();
            continue;
        }
        parts << part;
    }
    return parts.join(QLatin1Char('/'));
}
