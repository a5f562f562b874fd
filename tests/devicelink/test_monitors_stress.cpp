// Both monitors run while this thread sends commands for a few seconds and
// the simulated bus injects faults now and then. Nothing may deadlock, no
// exchange may hand back another one's data, and every EEPROM row must still
// carry its sum. Also built with ThreadSanitizer.
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "MonitorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>

namespace {

constexpr auto kRunTime = std::chrono::seconds(3);
constexpr auto kDeadlockLimit = std::chrono::seconds(120);

// Prescribed waits pass 100 times faster than real time: the monitors cycle
// every 7.5 ms and retries pause 5 ms, so the threads meet often.
class CFastTimeService final : public ITimeService {
public:
    CFastTimeService() { SetTimeService(this); }
    ~CFastTimeService() override { SetTimeService(nullptr); }
    void SleepMs(unsigned nMilliseconds) override
    {
        m_nNow += nMilliseconds;
        std::this_thread::sleep_for(std::chrono::microseconds(nMilliseconds * 10));
    }
    std::uint64_t NowMs() override { return m_nNow; }

private:
    std::atomic<std::uint64_t> m_nNow{1000};
};

// Ends the process when the test has not finished in time: a deadlock
// otherwise only shows as the test runner's time-out.
class CWatchdog {
public:
    CWatchdog()
        : m_Thread([this] {
              std::unique_lock<std::mutex> lock(m_Mutex);
              if (!m_Done.wait_for(lock, kDeadlockLimit, [this] { return m_bDone; })) {
                  std::fprintf(stderr, "deadlock: the stress test did not finish\n");
                  std::abort();
              }
          })
    {
    }
    ~CWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_bDone = true;
        }
        m_Done.notify_all();
        m_Thread.join();
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Done;
    bool m_bDone = false;
    std::thread m_Thread;
};

// A setting value the test writes; after a failed write the fitting may or
// may not hold the new value.
struct Field {
    int nAddress;
    int nSize;
    int nValue;
    std::vector<int> pending; // written since, but not confirmed
};

} // namespace

TEST(MonitorStress, CommandsBesideBothMonitorsWithFaultsOnTheLine)
{
    CWatchdog watchdog;
    SimulatorControl sim; // one adapter with an Ambra fitting
    CFastTimeService time;
    CMainWindowRecorder mainWindow;
    mainWindow.AddKnown("230300301", 3);
    ASSERT_EQ(sim.api.FixRowSums(0), VSIM_OK);

    // Faults every so many frames, at periods that do not line up.
    auto addFault = [&](int nKind, int nPeriod, const char* pszText = nullptr) {
        VSimFault fault{nKind, VSIM_TRIGGER_EVERY, nPeriod, 0, 0, 0, pszText, nullptr, 0, 0, 0};
        ASSERT_GT(sim.api.AddFault(pszText != nullptr ? -1 : 0, &fault), 0) << sim.api.GetLastError();
    };
    addFault(VSIM_FAULT_CORRUPT_ECHO, 23);
    addFault(VSIM_FAULT_BAD_CHECKSUM, 31);
    addFault(VSIM_FAULT_NO_ANSWER, 41);
    addFault(VSIM_FAULT_SHORT_ANSWER, 47);
    addFault(VSIM_FAULT_TARGET_ERROR, 59);
    addFault(VSIM_FAULT_DRIVER_STATUS, 211, "FT_Write");

    std::vector<Field> fields = {{0xB1, 2, 0, {}}, {0xB5, 3, 0, {}}, {0xC0, 1, 0, {}},
                                 {0xCD, 2, 0, {}}, {0xD7, 2, 0, {}}, {0xEE, 1, 0, {}}};
    for (Field& field : fields) {
        BYTE bytes[3] = {};
        ASSERT_EQ(sim.api.ReadEeprom(0, static_cast<unsigned>(field.nAddress), bytes,
                                     static_cast<unsigned>(field.nSize)),
                  VSIM_OK);
        for (int i = field.nSize - 1; i >= 0; --i)
            field.nValue = field.nValue * 256 + bytes[i];
    }

    int nWrites = 0, nReads = 0, nFailures = 0;
    {
        CVelmorTPExt protocol;
        protocol.SetMainWindow(&mainWindow);
        std::string strError;
        ASSERT_EQ(protocol.StartConnectionMonitor(strError), Result::Ok);
        ASSERT_EQ(protocol.StartValveMonitor(strError), Result::Ok);

        // A read must give the value last confirmed or one whose write was
        // left unconfirmed; it then settles which one the fitting holds.
        auto checkRead = [&](Field& field) {
            int nValue = -1;
            if (protocol.ReadEEValue(field.nAddress, field.nSize, nValue, strError) != Result::Ok) {
                ++nFailures;
                return;
            }
            ++nReads;
            if (std::find(field.pending.begin(), field.pending.end(), nValue) != field.pending.end())
                field.nValue = nValue;
            EXPECT_EQ(nValue, field.nValue) << "field at 0x" << std::hex << field.nAddress;
            field.pending.clear();
        };

        std::mt19937 random(4711);
        const auto end = std::chrono::steady_clock::now() + kRunTime;
        while (std::chrono::steady_clock::now() < end) {
            Field& field = fields[random() % fields.size()];
            switch (random() % 4) {
            case 0: { // write a new value
                const int nValue = static_cast<int>(random() % (1u << (8 * field.nSize)));
                if (protocol.WriteEEValue(field.nAddress, field.nSize, nValue, strError) == Result::Ok) {
                    field.nValue = nValue;
                    field.pending.clear();
                    ++nWrites;
                } else {
                    field.pending.push_back(nValue);
                    ++nFailures;
                }
                break;
            }
            case 1:
                checkRead(field);
                break;
            case 2: {
                std::string strArticle, strFormatted;
                if (protocol.ReadArticleNumber(strArticle, strFormatted, strError) == Result::Ok)
                    EXPECT_EQ(strArticle, "230300301");
                else
                    ++nFailures;
                break;
            }
            default: { // a raw command as the pages send it
                CProtocolLock lock(protocol);
                const BYTE byIndex = 1;
                if (protocol.SendCommand(CVelmorTPBase::CmdReadByteByIndex, 1, &byIndex, strError) == Result::Ok) {
                    EXPECT_EQ(protocol.GetResponseLength(), 2);
                    EXPECT_EQ(protocol.GetResponse()[1], 0) << "the valve stays closed";
                } else {
                    ++nFailures;
                }
                break;
            }
            }
        }

        protocol.StopValveMonitor(strError);
        protocol.StopConnectionMonitor(strError);
        sim.api.ClearFaults();
        // The port may have been closed by a monitor after a driver failure.
        if (!protocol.IsPortOpen()) {
            ASSERT_EQ(protocol.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError), Result::Ok) << strError;
        }
        for (Field& field : fields)
            checkRead(field);
    }
    std::printf("writes %d, reads %d, failed operations %d\n", nWrites, nReads, nFailures);
    EXPECT_GT(nWrites, 20);
    EXPECT_GT(nFailures, 0) << "the faults fired";

    // Every row still carries its sum, and holds what was written.
    std::vector<BYTE> eeprom(256);
    ASSERT_EQ(sim.api.ReadEeprom(0, 0, eeprom.data(), 256), VSIM_OK);
    for (std::size_t nRow = 0; nRow < eeprom.size(); nRow += 16) {
        const BYTE bySum = static_cast<BYTE>(std::accumulate(&eeprom[nRow], &eeprom[nRow + 15], 0u));
        EXPECT_EQ(eeprom[nRow + 15], bySum) << "row 0x" << std::hex << nRow;
    }
    for (const Field& field : fields) {
        int nValue = 0;
        for (int i = field.nSize - 1; i >= 0; --i)
            nValue = nValue * 256 + eeprom[static_cast<std::size_t>(field.nAddress + i)];
        EXPECT_EQ(nValue, field.nValue) << "field at 0x" << std::hex << field.nAddress;
    }

    // The monitors saw the one fitting come and go, never another one.
    const auto states = mainWindow.Values(kWmConnectionState);
    EXPECT_FALSE(states.empty());
    for (std::intptr_t nState : states)
        EXPECT_TRUE(nState == kConnectionKnownFitting || nState == kConnectionNoFitting) << nState;
    const auto valveStates = mainWindow.Values(kWmValveState);
    EXPECT_FALSE(valveStates.empty());
    for (std::intptr_t nValve : valveStates)
        EXPECT_EQ(nValve, 0);
}
