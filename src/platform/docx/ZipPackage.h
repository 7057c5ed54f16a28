#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A zip package held in memory, as the document formats of other programs use it. Reading is bounded:
// an entry larger than the limit, a package whose entries add up to more than the total limit, a
// damaged archive or a name that leaves the package (absolute, "..") gives no bytes, so a hostile
// file costs at most the limits in memory and never reaches outside the package.
class ZipPackage
{
public:
    static constexpr qint64 EntryLimit = 64 * 1024 * 1024;
    static constexpr qint64 TotalLimit = 256 * 1024 * 1024;

    // Reading. open() is false for bytes that are no readable zip archive.
    ZipPackage();
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;
    bool open(const QByteArray &bytes);
    bool contains(const QString &name) const;
    QStringList names() const;
    // The size the entry unpacks to, as the package's directory gives it (which may lie); -1 when the
    // entry is missing.
    qint64 unpackedSize(const QString &name) const;
    // The entry's bytes; false when it is missing, damaged or over a limit.
    bool read(const QString &name, QByteArray &bytes, qint64 limit = EntryLimit);

    // Writing: the entries in order, the first one stored uncompressed (as "mimetype"-style
    // packages want). Empty on failure.
    static QByteArray write(const QList<QPair<QString, QByteArray>> &entries, bool firstStored = false);

    // A name inside the package from a base folder and a relative reference ("../media/a.png"),
    // empty when it would leave the package or is absolute or a URL.
    static QString resolve(const QString &baseFolder, const QString &reference);

private:
    QByteArray m_bytes;
    void *m_archive = nullptr;
    qint64 m_readTotal = 0;
};
