#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>

// The flag that lets a benchmark write to a server database it is given.
inline QString benchWriteFlag()
{
    return QStringLiteral("--write-server");
}

// Takes the flag off the command line's arguments; true when it was there.
inline bool takeBenchWriteFlag(QStringList &args)
{
    return args.removeAll(benchWriteFlag()) > 0;
}

// The database a benchmark works on. Benchmarks save, replace and delete
// pages, so a given database is never written itself:
// - a file is copied beside `generated` and the copy is measured;
// - a data-link file names a server database that cannot be copied here: it is
//   refused unless `serverWrites` (the command line's --write-server) says
//   that its pages may be overwritten;
// - none given: one of `pages` pages that tools/gen_sample makes at `generated`.
// "" when there is nothing to work on (the reason is printed).
inline QString benchDatabase(const QString &given, const QString &generated, int pages, bool serverWrites = false)
{
    if (given.endsWith(QLatin1String(".udl"), Qt::CaseInsensitive)) {
        if (serverWrites)
            return given;
        std::fprintf(stderr,
                     "%s names a server database; a benchmark would overwrite its pages.\n"
                     "Give a copy of it, or add %s to let the benchmark write to it.\n",
                     qPrintable(given), qPrintable(benchWriteFlag()));
        return QString();
    }
    if (!given.isEmpty()) {
        const QString copy = QFileInfo(generated).absoluteDir().filePath(QStringLiteral("copy-") + QFileInfo(given).fileName());
        QFile::remove(copy);
        if (!QFileInfo(given).isFile() || !QFile::copy(given, copy)) {
            std::fprintf(stderr, "cannot copy %s to %s\n", qPrintable(given), qPrintable(copy));
            return QString();
        }
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        return copy;
    }
    const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample");
    if (QProcess::execute(generator, {generated, QStringLiteral("--pages"), QString::number(pages)}) != 0) {
        std::fprintf(stderr, "gen_sample failed\n");
        return QString();
    }
    return generated;
}
