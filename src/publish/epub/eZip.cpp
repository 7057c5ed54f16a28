#include "publish/epub/eZip.h"

#include "core/sbWait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

#include <zip.h>

namespace
{
const char kCompressing[] = " 圧縮しています・・・";

// libzip says why in English: the message says first, in the user's words, what failed.
QString zipReason(const char *english)
{
    return QStringLiteral("ZIP 圧縮できませんでした (") + QString::fromUtf8(english) + u')';
}

QString zipError(zip_t *za)
{
    return zipReason(zip_strerror(za));
}

// Adds one file under `name`; stored when `store`, else deflated at level 9.
bool addFile(zip_t *za, const QString &path, const QString &name, bool store, QString &error)
{
    const QByteArray local = QFile::encodeName(path);
    zip_source_t *src = zip_source_file(za, local.constData(), 0, -1);
    if (!src) {
        error = zipError(za);
        return false;
    }
    const QByteArray entry = name.toUtf8();
    const zip_int64_t index = zip_file_add(za, entry.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(src);
        error = zipError(za);
        return false;
    }
    const int rc = store ? zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_STORE, 0)
                         : zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, 9);
    if (rc != 0) {
        error = zipError(za);
        return false;
    }
    return true;
}

// Every file below `dir`, in a stable order, named relative to `root`. The
// walk follows no symbolic links: a link to a folder up the tree cannot loop,
// and a file outside the folder never goes into the book.
bool addTree(zip_t *za, const QDir &root, const QString &dir, QString &error)
{
    const QFileInfoList entries = QDir(dir).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::DirsLast);
    for (const QFileInfo &fi : entries) {
        if (fi.isSymLink())
            continue;
        if (fi.isDir()) {
            if (!addTree(za, root, fi.filePath(), error))
                return false;
        } else if (!addFile(za, fi.filePath(), root.relativeFilePath(fi.filePath()), false, error)) {
            return false;
        }
    }
    return true;
}
} // namespace

void eZip::ZipFolder(QString &folder, const QString &archive, bool &result, QString *error)
{
    QString why;
    auto fail = [&](const QString &reason) {
        result = false;
        if (error)
            *error = reason;
    };
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);

    const QDir root(folder);
    if (!root.exists()) {
        fail(QStringLiteral("フォルダがありません: ") + folder);
        return;
    }
    sbWait::cMsg(folder + QString::fromUtf8(kCompressing));

    QFileInfoList files = root.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    const QFileInfoList dirs = root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    if (files.isEmpty() && dirs.isEmpty())
        return;
    // A reader finds the media type only in the very first entry.
    std::stable_partition(files.begin(), files.end(),
                          [](const QFileInfo &fi) { return fi.fileName().toLower() == u"mimetype"; });

    const QString partial = archive + QStringLiteral(".part");
    QFile::remove(partial);
    int zerr = 0;
    zip_t *za = zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zerr);
        fail(zipReason(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return;
    }
    bool ok = true;
    for (const QFileInfo &fi : files) {
        if (fi.isSymLink())
            continue;
        ok = addFile(za, fi.filePath(), fi.fileName(), fi.fileName().toLower() == u"mimetype", why);
        if (!ok)
            break;
    }
    for (int i = 0; ok && i < dirs.size(); ++i) {
        if (dirs[i].isSymLink())
            continue;
        sbWait::cMsg(dirs[i].filePath() + QString::fromUtf8(kCompressing));
        ok = addTree(za, root, dirs[i].filePath(), why);
    }
    // The data is read and compressed only here, so a full disk shows up now.
    if (ok && zip_close(za) != 0) {
        why = zipError(za);
        ok = false;
    }
    if (!ok) {
        zip_discard(za);
        QFile::remove(partial);
        fail(why);
        return;
    }
    // rename() puts the new book in the old one's place at once: there is no moment without a book.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(archive).constData()) != 0) {
        QFile::remove(partial);
        fail(QStringLiteral("ファイルを置き換えられません: ") + archive);
        return;
    }
    result = true;
}
