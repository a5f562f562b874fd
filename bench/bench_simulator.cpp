// CPU cost of one request/answer exchange in the simulated bus with no
// delays (budget: under 20 us), and how closely it keeps line speed at time
// scale 1.0. The simulator is driven as the tool drives it: loaded at run
// time, through its D2XX functions.
#include "devicelink/D2XXApi.h"
#include "simulator/SimulatorApi.h"

#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The D2XX entry points one exchange needs, resolved from the simulator's file.
struct Simulator {
    FT_Open_Fn open;
    FT_SetTimeouts_Fn setTimeouts;
    FT_SetBaudRate_Fn setBaudRate;
    FT_SetDataCharacteristics_Fn setDataCharacteristics;
    FT_Purge_Fn purge;
    FT_Write_Fn write;
    FT_Read_Fn read;
    FT_Close_Fn close;
};

template <class F>
F Resolve(const CSimulatorLibrary& library, const char* name)
{
    void* symbol = library.Symbol(name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "%s is missing\n", name);
        std::exit(1);
    }
    return reinterpret_cast<F>(symbol);
}

double CpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// One exchange as the bus adapter port runs it: purge, write, echo, header, body.
bool Exchange(const Simulator& sim, FT_HANDLE h, std::uint8_t* frame, DWORD length)
{
    std::uint8_t buffer[512];
    DWORD count = 0;
    sim.purge(h, FT_PURGE_RX | FT_PURGE_TX);
    sim.write(h, frame, length, &count);
    sim.read(h, buffer, length, &count);
    if (count != length)
        return false;
    sim.read(h, buffer, 3, &count);
    if (count != 3)
        return false;
    const DWORD body = buffer[2];
    sim.read(h, buffer + 3, body, &count);
    return count == body;
}

} // namespace

int main()
{
    CSimulatorLibrary library;
    std::string error;
    if (!library.Load(FLUXA_VELMORSIM_PATH, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const SimulatorApi& control = library.api;
    const Simulator sim{Resolve<FT_Open_Fn>(library, "FT_Open"),
                        Resolve<FT_SetTimeouts_Fn>(library, "FT_SetTimeouts"),
                        Resolve<FT_SetBaudRate_Fn>(library, "FT_SetBaudRate"),
                        Resolve<FT_SetDataCharacteristics_Fn>(library, "FT_SetDataCharacteristics"),
                        Resolve<FT_Purge_Fn>(library, "FT_Purge"),
                        Resolve<FT_Write_Fn>(library, "FT_Write"),
                        Resolve<FT_Read_Fn>(library, "FT_Read"),
                        Resolve<FT_Close_Fn>(library, "FT_Close")};
    control.Reset(nullptr);

    FT_HANDLE h = nullptr;
    if (sim.open(0, &h) != FT_OK)
        return 1;
    sim.setTimeouts(h, 100, 100);
    sim.setBaudRate(h, 2400);
    sim.setDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);

    // Read 16 EEPROM bytes at 0x40: the tool's most frequent request.
    std::uint8_t frame[]{0xF1, 0x01, 0x05, 0x0A, 0x00, 0x40, 0x10, 0x00};
    for (int i = 0; i < 7; ++i)
        frame[7] = static_cast<std::uint8_t>(frame[7] + frame[i]);

    control.SetTimeScale(0.0);
    constexpr int kExchanges = 50000;
    for (int i = 0; i < 1000; ++i) // warm up
        Exchange(sim, h, frame, sizeof(frame));
    control.ClearTrace();
    const double cpuStart = CpuSeconds();
    int good = 0;
    for (int i = 0; i < kExchanges; ++i)
        good += Exchange(sim, h, frame, sizeof(frame)) ? 1 : 0;
    const double cpuUs = (CpuSeconds() - cpuStart) * 1e6 / kExchanges;
    std::printf("time scale 0: %d of %d exchanges answered\n", good, kExchanges);

    // Line speed: wall time against the wire time of the traced frames.
    control.SetTimeScale(1.0);
    control.ClearTrace();
    constexpr int kRealExchanges = 10;
    const auto wallStart = std::chrono::steady_clock::now();
    for (int i = 0; i < kRealExchanges; ++i)
        Exchange(sim, h, frame, sizeof(frame));
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
    const double wireMs = static_cast<double>(control.GetWireTimeNs()) / 1e6;
    std::printf("time scale 1: %d exchanges at 2400 bit/s, wall %.1f ms, wire %.1f ms, ratio %.4f\n",
                kRealExchanges, wallMs, wireMs, wallMs / wireMs);
    sim.close(h);
    std::printf("exchange_cpu_us=%.2f\n", cpuUs);
    return good == kExchanges ? 0 : 1;
}
