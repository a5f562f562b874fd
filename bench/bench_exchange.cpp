// Reads all sixteen EEPROM rows by address from the simulated fitting at real
// line timing (2400 bit/s) and compares the wall time with the time the
// frames take on the wire. Budget: ratio at most 1.05. "--port serial" runs
// it over the serial device port and velmorsim-serial instead of D2XX.
#include "SimulatedLine.h"

#include "devicelink/VelmorTPFTDI.h"

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

int main(int argc, char** argv)
{
    CSimulatedLine line;
    std::string strError;
    if (!line.TakePortArgument(argc, argv, strError) || argc > 1 || !line.Start(strError))
        return Fail("cannot start:", strError.empty() ? "usage: bench_exchange [--port d2xx|serial]" : strError);

    CVelmorTPFTDI port;
    if (port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError) != Result::Ok || !port.IsPortOpen())
        return Fail("cannot open the adapter:", strError);
    line.ClearTrace();

    std::vector<BYTE> row;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i) {
        if (port.ReadEEByAddr(static_cast<WORD>(i * kRowLength), kRowLength, row, strError) != Result::Ok)
            return Fail("row read failed:", strError);
    }
    const auto end = std::chrono::steady_clock::now();

    const double dWallMs = std::chrono::duration<double, std::milli>(end - start).count();
    const double dWireMs = line.WireMs();
    const double dRatio = dWallMs / dWireMs;
    std::printf("rows=%d frames=%d\n", kRows, line.FrameCount());
    std::printf("wall_ms=%.1f\n", dWallMs);
    std::printf("wire_ms=%.1f\n", dWireMs);
    std::printf("ratio=%.4f\n", dRatio);
    return dRatio <= kWireRatioBudget ? 0 : 1;
}
