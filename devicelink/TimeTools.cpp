#include "devicelink/TimeTools.h"

#include "common/TextFormat.h"
#include "common/TimeService.h"

#include <chrono>

namespace {

std::int64_t ClockTicks()
{
    return static_cast<std::int64_t>(TimeService().NowMs());
}

} // namespace

void CTimeTools::GetTimeStamp(std::string& strTimeStamp)
{
    int nDay = 0, nMonth = 0, nYear = 0, nHour = 0, nMinute = 0, nSecond = 0, nMillisecond = 0;
    GetCurrentTimeParts(nDay, nMonth, nYear, nHour, nMinute, nSecond, nMillisecond);
    strTimeStamp = FormatText("%04d.%02d.%02d ; %02d:%02d:%02d:%03d ; ", nYear, nMonth, nDay, nHour, nMinute, nSecond,
                              nMillisecond);
}

void CTimeTools::GetCurrentTime(std::time_t& tNow)
{
    int nDay = 0, nMonth = 0, nYear = 0, nHour = 0, nMinute = 0, nSecond = 0, nMillisecond = 0;
    GetCurrentTimeParts(nDay, nMonth, nYear, nHour, nMinute, nSecond, nMillisecond);
    std::tm parts{};
    parts.tm_year = nYear - 1900;
    parts.tm_mon = nMonth - 1;
    parts.tm_mday = nDay;
    parts.tm_hour = nHour;
    parts.tm_min = nMinute;
    parts.tm_sec = nSecond;
    parts.tm_isdst = -1; // let the library decide on daylight saving
    tNow = std::mktime(&parts);
}

void CTimeTools::GetCurrentTimeParts(int& nDay, int& nMonth, int& nYear, int& nHour, int& nMinute, int& nSecond,
                                     int& nMillisecond)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::tm parts = LocalTime(system_clock::to_time_t(now));
    nDay = parts.tm_mday;
    nMonth = parts.tm_mon + 1;
    nYear = parts.tm_year + 1900;
    nHour = parts.tm_hour;
    nMinute = parts.tm_min;
    nSecond = parts.tm_sec;
    nMillisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

void CTimeTools::Start()
{
    std::lock_guard<std::recursive_mutex> lock(m_csTime);
    m_nStartTicks = ClockTicks();
}

void CTimeTools::Stop()
{
    std::lock_guard<std::recursive_mutex> lock(m_csTime);
    m_nStopTicks = ClockTicks();
    m_dElapsed = static_cast<double>(m_nStopTicks - m_nStartTicks) / 1000.0;
}

void CTimeTools::GetElapsedText(std::string& strText)
{
    std::lock_guard<std::recursive_mutex> lock(m_csTime);
    strText = FormatText("%7.3f", m_dElapsed);
}

double CTimeTools::GetElapsed()
{
    std::lock_guard<std::recursive_mutex> lock(m_csTime);
    return m_dElapsed;
}

void CTimeTools::CopyFrom(const CTimeTools& other)
{
    if (&other == this)
        return;
    // Both locks at once, so that two threads copying in opposite directions
    // cannot deadlock.
    std::scoped_lock lock(m_csTime, other.m_csTime);
    m_nStartTicks = other.m_nStartTicks;
    m_nStopTicks = other.m_nStopTicks;
    m_dElapsed = other.m_dElapsed;
}

void CTimeTools::Lock()
{
    m_csTime.lock();
}

void CTimeTools::Unlock()
{
    m_csTime.unlock();
}
