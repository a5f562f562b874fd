#pragma once
// The tool's waits let the simulated bus's time pass instead of sleeping, so
// that a restarting fitting's start-up takes its course at time scale 0.
// Installed for the lifetime of the object. A real pause per wait keeps
// threads that wait in a loop (the window's monitors) from spinning.
#include "common/TimeService.h"
#include "simulator/SimulatorApi.h"

#include <chrono>
#include <thread>

class SimulatedTime final : public ITimeService {
public:
    explicit SimulatedTime(SimulatorApi& api, unsigned nRealPauseMs = 0) : m_api(api), m_nRealPauseMs(nRealPauseMs) { SetTimeService(this); }
    ~SimulatedTime() override { SetTimeService(nullptr); }
    SimulatedTime(const SimulatedTime&) = delete;
    SimulatedTime& operator=(const SimulatedTime&) = delete;
    void SleepMs(unsigned milliseconds) override
    {
        m_api.AdvanceTime(milliseconds);
        if (m_nRealPauseMs != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_nRealPauseMs));
    }
    std::uint64_t NowMs() override { return m_api.GetTimeNs() / 1000000; }

private:
    SimulatorApi& m_api;
    unsigned m_nRealPauseMs;
};
