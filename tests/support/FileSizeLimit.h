#pragma once
// Lowers the process's file size limit for a scope, so that writes beyond it
// fail as on a full disk (EFBIG instead of the SIGXFSZ that would end the
// test program). Both are restored afterwards. Windows has no such limit:
// tests that need it start with FLUXA_LINUX_ONLY.

#include "TestPlatform.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t nBytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};
#else
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long) {}
};
#endif
