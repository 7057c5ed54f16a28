#pragma once

#include <QString>

// Files that make the program known to the desktop (freedesktop.org): a
// launcher entry that opens the files given to it, and a MIME type for the
// program's own file extension. Templates live in data/.
class DesktopEntry
{
public:
    // Writes a launcher for `program` to `file`; it claims `mimeType` when that
    // is not empty. False when the file could not be written.
    static bool writeLauncher(const QString &file, const QString &program, const QString &mimeType);
    // Writes a shared-mime-info package declaring `mimeType` for "*.<extension>".
    static bool writeMimeType(const QString &file, const QString &mimeType, const QString &extension);
    // `program` as one argument of an Exec line (quoted and escaped as the
    // desktop entry format requires when it holds blanks or special characters).
    static QString execArgument(const QString &program);
};
