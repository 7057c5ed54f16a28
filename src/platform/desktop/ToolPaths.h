#pragma once

#include <QString>

// Per-user store of named values by application and section, kept in a
// settings file of its own: where the program and the sibling tools record
// their paths (application "QuenlithTools", section "Path").
class ToolPaths
{
public:
    static QString value(const QString &application, const QString &section, const QString &key,
                         const QString &defaultValue = QString());
    static bool setValue(const QString &application, const QString &section, const QString &key,
                         const QString &value);
    // The settings file in use; tests point it into a temporary folder.
    static QString storeFile();
    static void setStoreFile(const QString &path);
};
