#pragma once
#include <cstdint>
#include <ctime>

// Sleeping and the millisecond clock go through this service so that tests
// can check prescribed waits (500 ms between attempts, 750 ms cycles, ...)
// without sleeping.
class ITimeService {
public:
    virtual ~ITimeService() = default;
    virtual void SleepMs(unsigned milliseconds) = 0;
    // Milliseconds of a steady clock; only differences are meaningful.
    virtual std::uint64_t NowMs() = 0;
};

// The service in force: the real one unless a test installed another.
ITimeService& TimeService();
// Installs a replacement (not owned); nullptr restores the real service.
void SetTimeService(ITimeService* service);

// The calendar time as local time. The one place that reads the time zone:
// the C library's localtime is not safe from several threads.
std::tm LocalTime(std::time_t tTime);
