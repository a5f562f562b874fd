#pragma once
// Simulated time. With a time scale above 0 it runs with the steady clock
// (scale 2.0 runs at half speed); with 0 it stands still until somebody
// waits, and a wait lets it jump to the moment waited for. So tests never
// sleep and still see every time-out, start-up time and line time in order.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CSimClock {
public:
    CSimClock();

    std::int64_t NowNs() const;
    double GetScale() const { return m_dScale; }
    void SetScale(double dScale);
    // Simulated time starts again at 0.
    void Restart();
    // Waits until simulated time tNs, or until cv is notified; the caller's
    // lock is released while the real clock runs.
    void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t tNs);

private:
    using Steady = std::chrono::steady_clock;
    void Rebase();

    double m_dScale = 1.0;
    std::int64_t m_nBaseNs = 0;      // simulated time at m_realBase
    Steady::time_point m_realBase;   // used while the scale is above 0
};
