#pragma once
// The tool's waits let the simulated bus's time pass instead of sleeping, so
// that a restarting fitting's start-up takes its course at time scale 0.
// Installed for the lifetime of the object.
#include "common/TimeService.h"
#include "simulator/SimulatorApi.h"

class SimulatedTime final : public ITimeService {
public:
    explicit SimulatedTime(SimulatorApi& api) : m_api(api) { SetTimeService(this); }
    ~SimulatedTime() override { SetTimeService(nullptr); }
    SimulatedTime(const SimulatedTime&) = delete;
    SimulatedTime& operator=(const SimulatedTime&) = delete;
    void SleepMs(unsigned milliseconds) override { m_api.AdvanceTime(milliseconds); }
    std::uint64_t NowMs() override { return m_api.GetTimeNs() / 1000000; }

private:
    SimulatorApi& m_api;
};
