#pragma once
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>

// Stopwatch on the process's millisecond clock, and time stamps of the local
// time. Shared between threads: every value is read and written under the
// lock.
class CTimeTools {
public:
    CTimeTools() = default;
    virtual ~CTimeTools() = default;
    CTimeTools(const CTimeTools&) = delete;
    CTimeTools& operator=(const CTimeTools&) = delete;

    // "yyyy.mm.dd ; hh:mm:ss:mmm ; " of the local time now.
    virtual void GetTimeStamp(std::string& strTimeStamp);
    // Now as a calendar time, built from GetCurrentTimeParts.
    virtual void GetCurrentTime(std::time_t& tNow);
    // Local time now; month 1..12, full year.
    virtual void GetCurrentTimeParts(int& nDay, int& nMonth, int& nYear, int& nHour, int& nMinute, int& nSecond,
                                     int& nMillisecond);
    virtual void Start();
    // Takes the stop time and the seconds elapsed since Start.
    virtual void Stop();
    // "%7.3f" of the elapsed seconds.
    virtual void GetElapsedText(std::string& strText);
    virtual double GetElapsed();
    virtual void CopyFrom(const CTimeTools& other);
    virtual void Lock();
    virtual void Unlock();

private:
    // 64 bits: the steady clock counts from boot, which outgrows an int.
    std::int64_t m_nStartTicks = 0;
    std::int64_t m_nStopTicks = 0;
    double m_dElapsed = 0.0;
    mutable std::recursive_mutex m_csTime;
};
