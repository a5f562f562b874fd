// Start-up of fluxa-usb to its shown main window (offscreen), with the
// shipped product definitions and the simulated bus: the application
// object, the settings, the window's start sequence (pages, definitions,
// library, connection monitor) and its first paint. Prints the median of
// five starts; budget 500 ms.
#include "app/NexaroApp.h"
#include "app/NexaroDlg.h"
#include "devicelink/VelmorTPExt.h"
#include "simulator/SimulatorApi.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

double StartOnce(int argc, char* argv[])
{
    const auto tStart = std::chrono::steady_clock::now();
    QApplication application(argc, argv);
    CVelmorTPExt link;
    std::unique_ptr<QSettings> pSettings(OpenSettingsStore());
    CNexaroDlg dialog(*pSettings, link);
    if (!StartMainWindow(dialog, *pSettings).empty())
        std::fprintf(stderr, "bench_startup: start error\n");
    if (!QTest::qWaitForWindowExposed(&dialog))
        std::fprintf(stderr, "bench_startup: the window was not shown\n");
    QCoreApplication::processEvents(); // the first paint
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - tStart).count();
}

} // namespace

int main(int argc, char* argv[])
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir settingsHome;
    ::setenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8().constData(), 1);
    CSimulatorLibrary simulator;
    std::string strError;
    if (!simulator.LoadForTheTool(FLUXA_VELMORSIM_PATH, 0.0, strError)) {
        std::fprintf(stderr, "bench_startup: %s\n", strError.c_str());
        return 1;
    }
    std::vector<double> times;
    for (int nRound = 0; nRound < 5; ++nRound) {
        times.push_back(StartOnce(argc, argv));
        std::printf("start %d: %.1f ms\n", nRound + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("startup_ms=%.1f\n", times[2]);
    return 0;
}
