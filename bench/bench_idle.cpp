// The connection monitor watching an attached fitting, as the tool sits idle
// most of the day, at real line timing. Prints the process's CPU share; the
// simulated bus runs in the process too and is counted. Budget: under 1 %.
// Argument: seconds to watch (default 30).
#include "common/ResultCodes.h"
#include "devicelink/MainWindowLink.h"
#include "devicelink/VelmorTPExt.h"
#include "simulator/SimulatorApi.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

// A main window that knows every article and counts what is posted.
class CIdleMainWindow : public IMainWindowLink {
public:
    void PostToMainWindow(unsigned nMessage, std::uintptr_t, std::intptr_t) override
    {
        if (nMessage == kWmConnectionState)
            ++m_nStatePosts;
    }
    bool FindProductTypeForArticle(const std::string&, int& nProductType) override
    {
        nProductType = 3;
        return true;
    }
    std::string GetArticleNumberInForce() override { return {}; }

    std::atomic<int> m_nStatePosts{0};
};

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Fail(const char* szWhat, const std::string& strError)
{
    std::fprintf(stderr, "bench_idle: %s %s\n", szWhat, strError.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
#ifndef FLUXA_VELMORSIM_PATH
    return Fail("needs the simulator", "(velmorsim was not built)");
#else
    const int nSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (nSeconds <= 0)
        return Fail("bad duration", argv[1]);
    CSimulatorLibrary sim;
    std::string strError;
    if (!sim.LoadForTheTool(FLUXA_VELMORSIM_PATH, 1.0, strError))
        return Fail("needs the simulator:", strError);

    CIdleMainWindow mainWindow;
    CVelmorTPExt protocol;
    protocol.SetMainWindow(&mainWindow);
    const double dCpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (protocol.StartConnectionMonitor(strError) != Result::Ok)
        return Fail("cannot start the monitor:", strError);
    std::this_thread::sleep_for(std::chrono::seconds(nSeconds));
    protocol.StopConnectionMonitor(strError);
    const double dWallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double dCpuSeconds = ProcessCpuSeconds() - dCpuStart;

    if (protocol.GetConnectionState() != kConnectionKnownFitting || mainWindow.m_nStatePosts != 1)
        return Fail("the fitting was not watched as expected", "");
    std::printf("seconds=%.1f frames=%d cpu_seconds=%.3f\n", dWallSeconds, sim.api.GetTraceCount(), dCpuSeconds);
    std::printf("cpu_percent=%.3f\n", 100.0 * dCpuSeconds / dWallSeconds);
    return 0;
#endif
}
