#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>

// The database a benchmark works on: the one given on its command line, or one
// of `pages` pages that tools/gen_sample makes at `generated`. "" when the
// generator fails.
inline QString benchDatabase(const QString &given, const QString &generated, int pages)
{
    if (!given.isEmpty())
        return given;
    const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample");
    if (QProcess::execute(generator, {generated, QStringLiteral("--pages"), QString::number(pages)}) != 0) {
        std::fprintf(stderr, "gen_sample failed\n");
        return QString();
    }
    return generated;
}
