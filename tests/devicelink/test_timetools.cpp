#include "devicelink/TimeTools.h"
#include "common/TimeService.h"
#include "FakeTimeService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

// Local time fixed at 17 May 2024, 09:03:07.045.
class CFixedTimeTools : public CTimeTools {
public:
    void GetCurrentTimeParts(int& nDay, int& nMonth, int& nYear, int& nHour, int& nMinute, int& nSecond,
                             int& nMillisecond) override
    {
        nDay = 17;
        nMonth = 5;
        nYear = 2024;
        nHour = 9;
        nMinute = 3;
        nSecond = 7;
        nMillisecond = 45;
    }
};

} // namespace

TEST(TimeTools, StopwatchRunsOnTheProcessClock)
{
    FakeTimeService fake; // its clock starts at 1000 ms
    CTimeTools watch;
    EXPECT_EQ(watch.GetElapsed(), 0.0);
    watch.Start();
    fake.Advance(1500);
    std::string strText;
    watch.GetElapsedText(strText);
    EXPECT_EQ(strText, "  0.000") << "elapsed changes only at Stop";
    watch.Stop();
    EXPECT_DOUBLE_EQ(watch.GetElapsed(), 1.5);
    watch.GetElapsedText(strText);
    EXPECT_EQ(strText, "  1.500");
    // The pages poll: Stop again and again until the limit is passed.
    fake.Advance(20000);
    watch.Stop();
    EXPECT_DOUBLE_EQ(watch.GetElapsed(), 21.5);
    watch.GetElapsedText(strText);
    EXPECT_EQ(strText, " 21.500");
}

TEST(TimeTools, CopyFromTakesAllValues)
{
    FakeTimeService fake;
    CTimeTools source, copy;
    source.Start();
    fake.Advance(250);
    source.Stop();
    copy.CopyFrom(source);
    EXPECT_DOUBLE_EQ(copy.GetElapsed(), 0.25);
    fake.Advance(750);
    copy.Stop(); // the start time came along too
    EXPECT_DOUBLE_EQ(copy.GetElapsed(), 1.0);
    copy.CopyFrom(copy);
    EXPECT_DOUBLE_EQ(copy.GetElapsed(), 1.0);
}

TEST(TimeTools, TimeStampAndCalendarTimeFromTheLocalTimeParts)
{
    CFixedTimeTools tools;
    std::string strStamp;
    tools.GetTimeStamp(strStamp);
    EXPECT_EQ(strStamp, "2024.05.17 ; 09:03:07:045 ; ");

    std::time_t tNow = 0;
    tools.GetCurrentTime(tNow);
    const std::tm parts = LocalTime(tNow);
    EXPECT_EQ(parts.tm_year, 124);
    EXPECT_EQ(parts.tm_mon, 4);
    EXPECT_EQ(parts.tm_mday, 17);
    EXPECT_EQ(parts.tm_hour, 9);
    EXPECT_EQ(parts.tm_min, 3);
    EXPECT_EQ(parts.tm_sec, 7);
}

TEST(TimeTools, CurrentTimePartsFollowTheSystemClock)
{
    CTimeTools tools;
    const std::time_t tBefore = std::time(nullptr);
    std::time_t tNow = 0;
    tools.GetCurrentTime(tNow);
    const std::time_t tAfter = std::time(nullptr);
    EXPECT_GE(tNow, tBefore);
    EXPECT_LE(tNow, tAfter);

    int nDay = 0, nMonth = 0, nYear = 0, nHour = 0, nMinute = 0, nSecond = 0, nMillisecond = -1;
    tools.GetCurrentTimeParts(nDay, nMonth, nYear, nHour, nMinute, nSecond, nMillisecond);
    EXPECT_GE(nYear, 2024);
    EXPECT_GE(nMonth, 1);
    EXPECT_LE(nMonth, 12);
    EXPECT_GE(nMillisecond, 0);
    EXPECT_LE(nMillisecond, 999);
}

// Copies in both directions at once must not deadlock on the two locks.
TEST(TimeTools, CrossedCopiesBetweenThreads)
{
    CTimeTools first, second;
    auto copyMany = [](CTimeTools& target, CTimeTools& source) {
        for (int i = 0; i < 20000; ++i) {
            target.CopyFrom(source);
            source.Stop();
        }
    };
    auto forward = std::async(std::launch::async, copyMany, std::ref(first), std::ref(second));
    auto backward = std::async(std::launch::async, copyMany, std::ref(second), std::ref(first));
    // A deadlock shows as copies that never end (the futures then block at
    // the end of the test, which the test run's time-out ends).
    EXPECT_EQ(forward.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(backward.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}
