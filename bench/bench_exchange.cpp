// Reads all sixteen EEPROM rows by address from the simulated fitting at real
// line timing (2400 bit/s) and compares the wall time with the time the
// frames take on the wire. Budget: ratio at most 1.05.
#include "devicelink/VelmorTPFTDI.h"
#include "simulator/SimulatorApi.h"

#include "common/ResultCodes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 16;
constexpr int kRowLength = 16;

int Fail(const char* szWhat, const std::string& strError)
{
    std::fprintf(stderr, "bench_exchange: %s %s\n", szWhat, strError.c_str());
    return 1;
}

} // namespace

int main()
{
#ifndef FLUXA_VELMORSIM_PATH
    return Fail("needs the simulator", "(velmorsim was not built)");
#else
    CSimulatorLibrary sim;
    std::string strError;
    if (!sim.LoadForTheTool(FLUXA_VELMORSIM_PATH, 1.0, strError))
        return Fail("needs the simulator:", strError);

    CVelmorTPFTDI port;
    if (port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError) != Result::Ok || !port.IsPortOpen())
        return Fail("cannot open the adapter:", strError);
    sim.api.ClearTrace();

    std::vector<BYTE> row;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i) {
        if (port.ReadEEByAddr(static_cast<WORD>(i * kRowLength), kRowLength, row, strError) != Result::Ok)
            return Fail("row read failed:", strError);
    }
    const auto end = std::chrono::steady_clock::now();

    const double dWallMs = std::chrono::duration<double, std::milli>(end - start).count();
    const double dWireMs = static_cast<double>(sim.api.GetWireTimeNs()) / 1e6;
    std::printf("rows=%d frames=%d\n", kRows, sim.api.GetTraceCount());
    std::printf("wall_ms=%.1f\n", dWallMs);
    std::printf("wire_ms=%.1f\n", dWireMs);
    std::printf("ratio=%.4f\n", dWallMs / dWireMs);
    return 0;
#endif
}
