#include "TimeService.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class CSystemTimeService final : public ITimeService {
public:
    void SleepMs(unsigned milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint64_t NowMs() override
    {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

CSystemTimeService g_systemTime;
std::atomic<ITimeService*> g_pTimeService{&g_systemTime};

} // namespace

ITimeService& TimeService()
{
    return *g_pTimeService.load();
}

void SetTimeService(ITimeService* service)
{
    g_pTimeService.store(service != nullptr ? service : &g_systemTime);
}

std::tm LocalTime(std::time_t tTime)
{
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &tTime);
#else
    localtime_r(&tTime, &parts);
#endif
    return parts;
}
