#pragma once

#include "platform/db/DbConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL cluster (tools/pg-cluster.sh) for the benchmarks that
// compare the server with the file database; stopped when the object ends.
class BenchServer
{
public:
    BenchServer() : m_dir(m_folder.path() + QStringLiteral("/pg"))
    {
        m_running = QProcess::execute(script(), {QStringLiteral("start"), m_dir}) == 0;
    }
    ~BenchServer()
    {
        if (m_running)
            QProcess::execute(script(), {QStringLiteral("stop"), m_dir});
    }
    bool running() const { return m_running; }

    // A new database filled by gen_sample with `pages` pages; the path of its
    // data-link file, "" on failure.
    QString generate(const QString &name, int pages)
    {
        QFile portFile(m_dir + QStringLiteral("/port"));
        if (!m_running || !portFile.open(QIODevice::ReadOnly))
            return QString();
        const QString base = QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;UID=fenwar;PWD=fenwar-test;DATABASE=")
                                 .arg(QString::fromLatin1(portFile.readAll()).trimmed());
        DbConnection admin;
        if (!admin.openOdbc(base + QStringLiteral("postgres")) || !admin.exec(QStringLiteral("CREATE DATABASE ") + name, {}, false))
            return QString();
        const QString udl = QDir(m_dir).filePath(name + QStringLiteral(".udl"));
        QFile link(udl);
        if (!link.open(QIODevice::WriteOnly) || link.write((base + name).toUtf8()) < 0)
            return QString();
        link.close();
        const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/gen_sample");
        return QProcess::execute(generator, {udl, QStringLiteral("--pages"), QString::number(pages)}) == 0 ? udl : QString();
    }

private:
    static QString script() { return QStringLiteral(FENWAR_SOURCE_DIR "/tools/pg-cluster.sh"); }

    QTemporaryDir m_folder;
    QString m_dir;
    bool m_running = false;
};
