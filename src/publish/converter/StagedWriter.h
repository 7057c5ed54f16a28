#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QTemporaryDir;

// Writes the files of a work-folder run for one thread. Creating a file holds its folder's lock for
// the whole creation, which on some file systems is slow, so threads writing into one folder would
// create their files one at a time. Each writer creates its files in a folder of its own beside them
// and moves each into place, which holds the lock only for a moment. The folder goes with the writer.
class StagedWriter
{
public:
    StagedWriter();
    ~StagedWriter();

    // `bytes` as `file`, whole, or false with no file left behind.
    bool write(const QString &file, const QByteArray &bytes);
    // The same without the folder of its own.
    static bool writeStraight(const QString &file, const QByteArray &bytes);
    // Removes the writers' folders that a run which ended abruptly left in `folder`.
    static void removeLeftovers(const QString &folder);
    // Flushes the file system that holds `folder`: one flush writes every file of a run.
    static bool flushFolder(const QString &folder);

private:
    std::unique_ptr<QTemporaryDir> m_stage;
    QString m_stageFor;
};
