#pragma once

#include <QString>

// The folder a publishing run writes its output into (the site's, the book's) is the user's to
// look into and to point elsewhere: what stands in its place other than a folder is neither moved,
// deleted nor followed.
namespace OutputFolder {

// True (after the message naming `path`) when a link or a file stands where the folder should be.
bool refused(const QString &path);

// True (after the message naming the reason) when a run finished in `work` cannot take the place
// of `out` in one step: `out` is a mount point, or lies on another file system than `work`.
bool unmovable(const QString &out, const QString &work);

// True when `file` may be written below `folder`, the run's own folder: the folders leading to it
// are made, and resolved (links followed, ".." taken out) they lie inside the folder resolved the
// same way. A link standing in the file's own place is removed, never written through.
bool holds(const QString &folder, const QString &file);

} // namespace OutputFolder
