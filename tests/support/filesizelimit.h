#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// While it lives, no file of this process can grow past bytes: a write beyond
// fails (EFBIG) as on a full disk, even for root. Unix only.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        m_active = m_active && setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    void (*m_handler)(int);
    rlimit m_previous{};
    bool m_active = false;
};
#endif
