#pragma once
#include "common/TimeService.h"

#include <mutex>
#include <vector>

// Records every sleep and advances its clock by it instead of sleeping.
// Installed for the lifetime of the object.
class FakeTimeService final : public ITimeService {
public:
    FakeTimeService() { SetTimeService(this); }
    ~FakeTimeService() override { SetTimeService(nullptr); }
    FakeTimeService(const FakeTimeService&) = delete;
    FakeTimeService& operator=(const FakeTimeService&) = delete;

    void SleepMs(unsigned milliseconds) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sleeps.push_back(milliseconds);
        m_now += milliseconds;
    }
    std::uint64_t NowMs() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_now;
    }
    std::vector<unsigned> Sleeps()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sleeps;
    }
    void Advance(std::uint64_t milliseconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_now += milliseconds;
    }

private:
    std::mutex m_mutex;
    std::vector<unsigned> m_sleeps;
    std::uint64_t m_now = 1000;
};
