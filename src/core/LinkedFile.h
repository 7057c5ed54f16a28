#pragma once

#include <QString>
#include <QStringList>

// Files that link fields of pages name, as publishing sees them. A database may come from someone
// else (an import, a shared server database): what its links name must not make a user publish
// files of their own that no page of theirs shows.
class LinkedFile
{
public:
    // The file a link names. An absolute path is taken as it stands, tidied; a relative one lies in
    // `folder` (the document database's folder, so that a database moved with its files keeps its
    // links) and may not climb out of it. Empty when it does, or when there is no folder.
    static QString resolve(const QString &path, const QString &folder);
    // True when the file may be copied into a published site: a regular file (a symbolic link counts
    // by its target) inside one of the program's own output folders `ownFolders`, or outside every
    // hidden folder of the user's home (keys, settings, mail and browser profiles live there) and
    // inside one of `roots` or the home. The home and the folders above it are never a root. System
    // files and other users' files are never published.
    static bool publishable(const QString &path, const QStringList &roots, const QStringList &ownFolders);
    // True when `path` lies inside `folder` (both as they stand on disk).
    static bool inside(const QString &path, const QString &folder);
};
