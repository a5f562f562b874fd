#pragma once
// velmorsim-serial as a test starts it: the simulated bus behind a
// pseudo-terminal, serving a scenario file. Every wait is bounded.

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

class CSerialFrontEnd {
public:
    CSerialFrontEnd() = default;
    CSerialFrontEnd(const CSerialFrontEnd&) = delete;
    CSerialFrontEnd& operator=(const CSerialFrontEnd&) = delete;
    ~CSerialFrontEnd() { Stop(); }

    // Starts it on the scenario file, to end with this process at the latest;
    // the terminal's path, or "" when it printed none within five seconds.
    std::string Start(const std::string& strScenarioFile)
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        const char* argv[] = {FLUXA_VELMORSIM_SERIAL_PATH, "--end-with-parent", strScenarioFile.c_str(), nullptr};
        const int nSpawn = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (nSpawn != 0)
            m_pid = -1;
        m_strPath = nSpawn == 0 ? ReadLine(pipeFds[0], 5000) : std::string();
        ::close(pipeFds[0]);
        return m_strPath;
    }

    const std::string& Path() const { return m_strPath; }

    // Whether it ended by itself within nMs (a pulled adapter ends it).
    bool HasEndedWithin(int nMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMs);
        while (m_pid > 0 && std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_pid <= 0;
    }

    void Stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        if (!HasEndedWithin(2000)) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    static std::string ReadLine(int nFd, int nTimeoutMs)
    {
        std::string strLine;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
        char ch = 0;
        while (std::chrono::steady_clock::now() < end) {
            pollfd fd{nFd, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            if (::read(nFd, &ch, 1) != 1)
                break;
            if (ch == '\n')
                return strLine;
            strLine += ch;
        }
        return {};
    }

    pid_t m_pid = -1;
    std::string m_strPath;
};
