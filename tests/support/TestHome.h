#pragma once

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// Points HOME and the standard paths of a test into a temporary folder, so that
// nothing a test writes reaches the real home. Create it before anything asks
// for a standard path.
class TestHome
{
public:
    TestHome()
    {
        qputenv("HOME", m_dir.path().toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
        QStandardPaths::setTestModeEnabled(true);
    }
    QString path() const { return m_dir.path(); }
    bool isValid() const { return m_dir.isValid(); }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

private:
    QTemporaryDir m_dir;
};
