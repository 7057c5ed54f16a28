#pragma once

#include <csignal>
#include <sys/resource.h>

// A full disk for the files the process writes itself (QFile's, libzip's): while the limit stands, no
// file grows past `bytes`, and a write beyond fails (EFBIG) instead of ending the process. SQLite's
// files are better filled by FullDisk, which fails them as a full disk does.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_set = getrlimit(RLIMIT_FSIZE, &m_before) == 0;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_before;
        small.rlim_cur = bytes;
        m_set = m_set && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool set() const { return m_set; }
    void lift()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_before);
        m_set = false;
    }

private:
    rlimit m_before{};
    bool m_set = false;
};
