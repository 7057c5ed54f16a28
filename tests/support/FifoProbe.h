#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A FIFO that tells whether the process opened it to read while the probe stood. A reader of a FIFO
// waits for a writer: here a thread opens the writing end again and again (which succeeds only while a
// reader waits or reads), so a reader reads an empty file instead of waiting for ever, and the probe
// knows it came.
class FifoProbe
{
public:
    explicit FifoProbe(const QString &path) : m_path(QFile::encodeName(path))
    {
        if (::mkfifo(m_path.constData(), 0600) != 0)
            return;
        m_made = true;
        m_thread = std::thread([this] {
            while (!m_stop) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_opened = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~FifoProbe()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    FifoProbe(const FifoProbe &) = delete;
    FifoProbe &operator=(const FifoProbe &) = delete;

    bool made() const { return m_made; }
    bool opened() const { return m_opened; }

private:
    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};
