#include "simulator/SimClock.h"

#include <algorithm>

CSimClock::CSimClock() : m_realBase(Steady::now()) {}

std::int64_t CSimClock::NowNs() const
{
    if (m_dScale <= 0.0)
        return m_nBaseNs;
    auto realNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - m_realBase).count();
    return m_nBaseNs + static_cast<std::int64_t>(static_cast<double>(realNs) / m_dScale);
}

void CSimClock::Rebase()
{
    m_nBaseNs = NowNs();
    m_realBase = Steady::now();
}

void CSimClock::SetScale(double dScale)
{
    Rebase();
    m_dScale = std::max(0.0, dScale);
}

void CSimClock::Restart()
{
    m_nBaseNs = 0;
    m_realBase = Steady::now();
}

void CSimClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t tNs)
{
    if (m_dScale <= 0.0) {
        m_nBaseNs = std::max(m_nBaseNs, tNs);
        return;
    }
    std::int64_t waitNs = tNs - NowNs();
    if (waitNs <= 0)
        return;
    auto realWait = std::chrono::nanoseconds(static_cast<std::int64_t>(static_cast<double>(waitNs) * m_dScale));
    cv.wait_for(lock, realWait);
}
