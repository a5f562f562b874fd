// Reads all sixteen EEPROM rows by address from the simulated fitting at real
// line timing (2400 bit/s) and compares the wall time with the time the
// frames take on the wire. Budget: ratio at most 1.05.
#include "devicelink/VelmorTPFTDI.h"
#include "simulator/velmorsim_control.h"

#include "common/ResultCodes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 16;
constexpr int kRowLength = 16;

// The few control functions of the simulator this benchmark needs.
struct Simulator {
    int (*Reset)(const char*) = nullptr;
    void (*SetTimeScale)(double) = nullptr;
    void (*ClearTrace)() = nullptr;
    unsigned long long (*GetWireTimeNs)() = nullptr;
    int (*GetTraceCount)() = nullptr;

    bool Load(const char* szPath)
    {
        void* hLibrary = dlopen(szPath, RTLD_NOW | RTLD_LOCAL);
        if (hLibrary == nullptr)
            return false;
        Reset = reinterpret_cast<int (*)(const char*)>(dlsym(hLibrary, "VSim_Reset"));
        SetTimeScale = reinterpret_cast<void (*)(double)>(dlsym(hLibrary, "VSim_SetTimeScale"));
        ClearTrace = reinterpret_cast<void (*)()>(dlsym(hLibrary, "VSim_ClearTrace"));
        GetWireTimeNs = reinterpret_cast<unsigned long long (*)()>(dlsym(hLibrary, "VSim_GetWireTimeNs"));
        GetTraceCount = reinterpret_cast<int (*)()>(dlsym(hLibrary, "VSim_GetTraceCount"));
        return Reset && SetTimeScale && ClearTrace && GetWireTimeNs && GetTraceCount;
    }
};

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
    Simulator sim;
    if (!sim.Load(FLUXA_VELMORSIM_PATH))
        return Fail("cannot load", FLUXA_VELMORSIM_PATH);
    setenv("FLUXA_D2XX_LIBRARY", FLUXA_VELMORSIM_PATH, 1);
    sim.SetTimeScale(1.0);
    if (sim.Reset(nullptr) != VSIM_OK)
        return Fail("cannot reset the simulated bus", "");

    CVelmorTPFTDI port;
    std::string strError;
    if (port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError) != Result::Ok || !port.IsPortOpen())
        return Fail("cannot open the adapter:", strError);
    sim.ClearTrace();

    std::vector<BYTE> row;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i) {
        if (port.ReadEEByAddr(static_cast<WORD>(i * kRowLength), kRowLength, row, strError) != Result::Ok)
            return Fail("row read failed:", strError);
    }
    const auto end = std::chrono::steady_clock::now();

    const double dWallMs = std::chrono::duration<double, std::milli>(end - start).count();
    const double dWireMs = static_cast<double>(sim.GetWireTimeNs()) / 1e6;
    std::printf("rows=%d frames=%d\n", kRows, sim.GetTraceCount());
    std::printf("wall_ms=%.1f\n", dWallMs);
    std::printf("wire_ms=%.1f\n", dWireMs);
    std::printf("ratio=%.4f\n", dWallMs / dWireMs);
    return 0;
#endif
}
