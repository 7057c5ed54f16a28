#pragma once

#include <QFile>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

// Whether any process opened a file while the probe stood (Linux's inotify): a file that a picture
// names is one the program must leave alone, whichever process reads the picture.
class OpenProbe
{
public:
    explicit OpenProbe(const QString &path)
    {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN);
    }
    ~OpenProbe()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenProbe(const OpenProbe &) = delete;
    OpenProbe &operator=(const OpenProbe &) = delete;

    bool made() const { return m_watch >= 0; }
    // Opened since the probe was made.
    bool opened()
    {
        char events[4096];
        while (m_fd >= 0 && ::read(m_fd, events, sizeof events) > 0)
            m_opened = true;
        return m_opened;
    }

private:
    int m_fd = -1;
    int m_watch = -1;
    bool m_opened = false;
};
