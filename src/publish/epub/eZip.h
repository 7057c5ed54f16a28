#pragma once

#include <QString>

// Packs a folder tree into one zip archive, the way a book reader expects an
// EPUB: the files directly in the folder come first under their bare names
// ("mimetype" stored, everything else deflated at level 9), then every file
// below each subfolder under its path relative to the folder.
//
// The archive is built under a temporary name beside the target and renamed
// over it only when it is complete, so a failure (a full disk, an unreadable
// file) never leaves a half-written archive under the final name, and an older
// archive of the same name stays until the new one replaces it.
namespace eZip
{
// `folder` loses a trailing "/" (the caller's variable, as the callers expect).
// `result` becomes true when the archive was written; a folder without files
// and subfolders leaves it as the caller set it. `error` (optional) receives a
// short reason on failure.
void ZipFolder(QString &folder, const QString &archive, bool &result, QString *error = nullptr);
}
