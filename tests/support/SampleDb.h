#pragma once

#include "core/TemplateDb.h"
#include "core/Usr.h"

#include <QDir>
#include <QProcess>
#include <QString>
#include <QWidget>

// The generated sample database and screenshots for tests that look at the
// program as a user would.
namespace SampleDb {

// Runs tools/gen_sample for `path`; true when it wrote the database.
inline bool generate(const QString &path)
{
    QProcess gen;
    gen.start(QStringLiteral(FENWAR_BINARY_DIR "/tools/gen_sample"), {path});
    return gen.waitForFinished(120000) && gen.exitStatus() == QProcess::NormalExit && gen.exitCode() == 0;
}

// The sample database `folder`/Sample.txdb, with `folder` as the user-data folder holding the template.
inline bool setUp(const QString &folder, QString &sample)
{
    sample = folder + QStringLiteral("/Sample.txdb");
    Usr::st().userData = folder + QLatin1Char('/');
    Usr::st().runTime = true;
    return generate(sample) && TemplateDb::install(Usr::st().userData);
}

// Saves a picture of `widget` as build/screenshots/<name> for a look by eye.
inline bool shoot(QWidget &widget, const QString &name)
{
    const QString folder = QStringLiteral(FENWAR_BINARY_DIR "/screenshots");
    return QDir().mkpath(folder) && widget.grab().save(folder + QLatin1Char('/') + name);
}

} // namespace SampleDb
