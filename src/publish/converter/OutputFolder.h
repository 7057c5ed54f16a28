#pragma once

#include <QString>

// The folder a publishing run writes its output into (the site's, the book's) is the user's to
// look into and to point elsewhere: what stands in its place other than a folder is neither moved,
// deleted nor followed.
namespace OutputFolder {

// True (after the message naming `path`) when a link or a file stands where the folder should be.
bool refused(const QString &path);

} // namespace OutputFolder
