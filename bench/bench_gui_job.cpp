// The window's own cost on the wire: the "Next" read of a basin faucet
// through fluxa-usb (offscreen, real line timing), which identifies the
// fitting and lets every page read it (information, the faucet's settings,
// the error history), against the time its frames take on the wire. No
// wait is prescribed on this path (no faults, no restart). Budget: ratio at
// most 1.05.
#include "app/NexaroApp.h"
#include "app/NexaroDlg.h"
#include "app/ServiceRecorder.h"
#include "devicelink/VelmorTPExt.h"
#include "simulator/SimulatorApi.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char* argv[])
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir settingsHome;
    ::setenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8().constData(), 1);
    ::setenv("XDG_DATA_HOME", settingsHome.path().toUtf8().constData(), 1); // its own service record
    CSimulatorLibrary sim;
    std::string strError;
    if (!sim.LoadForTheTool(FLUXA_VELMORSIM_PATH, 1.0, strError)) {
        std::fprintf(stderr, "bench_gui_job: %s\n", strError.c_str());
        return 1;
    }
    QApplication application(argc, argv);
    CVelmorTPExt link;
    std::unique_ptr<QSettings> pSettings(OpenSettingsStore());
    // Next asks for the technician's name while none is stored.
    pSettings->setValue(QLatin1String(CServiceRecorder::kTechnicianKey), QStringLiteral("Benchmark"));
    CNexaroDlg window(*pSettings, link);
    if (!StartMainWindow(window, *pSettings).empty())
        return 1;
    auto* pNext = window.findChild<QPushButton*>(QStringLiteral("id1053"));
    if (!QTest::qWaitFor([pNext] { return pNext->isEnabled(); }, 5000)) {
        std::fprintf(stderr, "bench_gui_job: no fitting found\n");
        return 1;
    }
    // The monitor's own cycles are not the job's.
    link.StopConnectionMonitor(strError);
    sim.api.ClearTrace();
    const auto start = std::chrono::steady_clock::now();
    window.ReadConnectedProduct(); // returns when every page has read
    const auto end = std::chrono::steady_clock::now();
    const double dWallMs = std::chrono::duration<double, std::milli>(end - start).count();
    const double dWireMs = static_cast<double>(sim.api.GetWireTimeNs()) / 1e6;
    std::printf("frames=%d measured_ms=%.1f wire_ms=%.1f\n", sim.api.GetTraceCount(), dWallMs, dWireMs);
    std::printf("ratio=%.3f\n", dWallMs / dWireMs);
    return window.m_nViewMode == CNexaroDlg::kWorkView ? 0 : 1;
}
