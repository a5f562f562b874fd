#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "FakeTimeService.h"
#include "MonitorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Article numbers of the simulator's profiles.
const std::string kAmbra = "230300301";
const std::string kUrinal = "230400401";
const std::string kUnknown = "239999999";

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_MainWindow.AddKnown(kAmbra, 3);
        m_MainWindow.AddKnown(kUrinal, 4);
        m_Protocol.SetMainWindow(&m_MainWindow);
    }

    void StartConnectionMonitor()
    {
        ASSERT_EQ(m_Protocol.StartConnectionMonitor(m_strError), Result::Ok) << m_strError;
    }

    std::vector<std::intptr_t> WaitForStates(std::size_t nCount)
    {
        m_MainWindow.WaitFor(kWmConnectionState, nCount);
        return m_MainWindow.Values(kWmConnectionState);
    }

    // Changes the world between two cycles: the monitor cannot run a cycle
    // while the extension lock is held.
    template <typename Change>
    void BetweenCycles(Change change)
    {
        CExtLock lock(m_Protocol);
        change();
    }

    // Serial number reads (6 bytes at 0x11) on the line since the trace was cleared.
    int SerialNumberReads()
    {
        int nReads = 0;
        for (const VSimFrame& frame : m_Sim.Trace())
            if (frame.direction == VSIM_DIR_TO_FITTING && frame.bytes[3] == 0x0A && frame.bytes[4] == 0x00 &&
                frame.bytes[5] == 0x11 && frame.bytes[6] == 6)
                ++nReads;
        return nReads;
    }

    SimulatorControl m_Sim; // one adapter with an Ambra fitting
    FakeTimeService m_Time;
    CMainWindowRecorder m_MainWindow;
    CVelmorTPExt m_Protocol; // destroyed first: its monitors end before the recorder goes
    std::string m_strError;
};

} // namespace

TEST_F(MonitorTest, KnownFittingPostsOneOnceAfterTheFirstCycle)
{
    const std::uint64_t nStart = m_Time.NowMs();
    StartConnectionMonitor();
    const auto posts = m_MainWindow.WaitFor(kWmConnectionState, 1);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].lParam, kConnectionKnownFitting);
    EXPECT_EQ(posts[0].nTimeMs, nStart + CVelmorTPExt::kMonitorCycleMs) << "the wait stands before the first cycle";
    EXPECT_EQ(m_Protocol.GetConnectionState(), kConnectionKnownFitting);
    EXPECT_EQ(m_Protocol.GetArticleNumber(), kAmbra);
    EXPECT_EQ(m_Protocol.GetArticleNumberFormatted(), "23 030 03 01");

    WaitForLineTraffic(m_Sim, 40); // the fitting keeps answering
    EXPECT_EQ(m_MainWindow.Values(kWmConnectionState), std::vector<std::intptr_t>{1});
}

TEST_F(MonitorTest, UnplugPostsThreeOnceAndAnotherUnitOfTheSameProductTwo)
{
    StartConnectionMonitor();
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1}));
    m_Sim.api.UnplugFitting(0);
    ASSERT_EQ(WaitForStates(2), std::vector<std::intptr_t>({1, 3}));
    WaitForLineTraffic(m_Sim, 20); // still nobody there
    EXPECT_EQ(WaitForStates(2).size(), 2u);
    EXPECT_EQ(m_Protocol.GetConnectionState(), kConnectionNoFitting);

    BetweenCycles([&] {
        m_Sim.api.PlugFitting(0, "Ambra");
        m_Sim.api.SetSerialNumber(0, "0000AB0123CD");
    });
    ASSERT_EQ(WaitForStates(3), std::vector<std::intptr_t>({1, 3, 2}));

    // Back to the same unit after a gap: no longer "another unit".
    m_Sim.api.UnplugFitting(0);
    ASSERT_EQ(WaitForStates(4), std::vector<std::intptr_t>({1, 3, 2, 3}));
    BetweenCycles([&] {
        m_Sim.api.PlugFitting(0, "Ambra");
        m_Sim.api.SetSerialNumber(0, "0000AB0123CD");
    });
    EXPECT_EQ(WaitForStates(5), std::vector<std::intptr_t>({1, 3, 2, 3, 1}));
}

TEST_F(MonitorTest, UnknownArticlePostsFourWithoutReadingTheSerialNumber)
{
    m_Sim.api.UnplugFitting(0);
    m_Sim.api.PlugFitting(0, "Unknown");
    m_Sim.api.ClearTrace();
    StartConnectionMonitor();
    EXPECT_EQ(WaitForStates(1), std::vector<std::intptr_t>({4}));
    EXPECT_EQ(SerialNumberReads(), 0);
    EXPECT_EQ(m_Protocol.GetArticleNumber(), kUnknown);
}

TEST_F(MonitorTest, AnotherProductWhileOneIsInForcePostsFiveWithoutReadingTheSerialNumber)
{
    m_MainWindow.SetInForce(kAmbra);
    StartConnectionMonitor();
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1}));
    m_Sim.api.UnplugFitting(0);
    ASSERT_EQ(WaitForStates(2), std::vector<std::intptr_t>({1, 3}));
    BetweenCycles([&] {
        m_Sim.api.PlugFitting(0, "Urinal");
        m_Sim.api.ClearTrace();
    });
    ASSERT_EQ(WaitForStates(3), std::vector<std::intptr_t>({1, 3, 5}));
    EXPECT_EQ(SerialNumberReads(), 0);
    EXPECT_EQ(m_Protocol.GetConnectionState(), kConnectionOtherProduct);
}

// "Another product" needs both a previous identification and a product in
// force; without either a known fitting is simply connected.
TEST_F(MonitorTest, AnotherProductIsOnlyReportedAgainstAPreviousIdentification)
{
    m_MainWindow.SetInForce(kUrinal);
    StartConnectionMonitor();
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1})) << "first identification since start";

    m_Sim.api.UnplugFitting(0);
    ASSERT_EQ(WaitForStates(2), std::vector<std::intptr_t>({1, 3}));
    m_MainWindow.SetInForce("");
    BetweenCycles([&] { m_Sim.api.PlugFitting(0, "Urinal"); });
    // With nothing in force it is no other product, only another unit.
    ASSERT_EQ(WaitForStates(3), std::vector<std::intptr_t>({1, 3, 2}));
}

// A failed serial number read leaves the fitting unidentified until a later
// cycle reads it: the same unit must not turn into "another unit".
TEST_F(MonitorTest, FailedSerialNumberReadIsRetriedInTheNextCycle)
{
    StartConnectionMonitor();
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1}));
    m_Sim.api.UnplugFitting(0);
    ASSERT_EQ(WaitForStates(2), std::vector<std::intptr_t>({1, 3}));
    int nFault = 0;
    BetweenCycles([&] {
        m_Sim.api.PlugFitting(0, "Ambra"); // the same unit again
        // The next cycle's second frame is the serial number read.
        VSimFault fault{VSIM_FAULT_TARGET_ERROR, VSIM_TRIGGER_EVERY, 2, 1, 0, 0, nullptr, nullptr, 0, 0, 0};
        nFault = m_Sim.api.AddFault(0, &fault);
    });
    ASSERT_GT(nFault, 0);
    EXPECT_EQ(WaitForStates(3), std::vector<std::intptr_t>({1, 3, 1}));
    EXPECT_EQ(m_Sim.api.GetFaultHits(nFault), 1);
}

// A definition whose type name is no product type gives type 0: the fitting
// counts as unknown and its serial number stays unread.
TEST_F(MonitorTest, DefinitionWithoutAProductTypeIsAnUnknownFitting)
{
    m_MainWindow.AddKnown(kAmbra, 0);
    m_Sim.api.ClearTrace();
    StartConnectionMonitor();
    EXPECT_EQ(WaitForStates(1), std::vector<std::intptr_t>({4}));
    EXPECT_EQ(SerialNumberReads(), 0);
}

TEST_F(MonitorTest, StartingTwiceMakesOneThreadAndStoppingEndsIt)
{
    const std::size_t nThreads = ThreadCount();
    StartConnectionMonitor();
    StartConnectionMonitor();
    EXPECT_EQ(ThreadCount(), nThreads + 1);
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1}));

    m_Protocol.StopConnectionMonitor(m_strError);
    EXPECT_EQ(ThreadCount(), nThreads) << "the stop waited for the thread's end";
    m_Sim.api.UnplugFitting(0);
    const int nTraffic = m_Sim.api.GetTraceCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_Sim.api.GetTraceCount(), nTraffic);
    EXPECT_EQ(m_MainWindow.Values(kWmConnectionState).size(), 1u);

    StartConnectionMonitor(); // a stopped monitor starts again
    EXPECT_EQ(WaitForStates(2), std::vector<std::intptr_t>({1, 3}));
}

// A failing driver call closes the port; the next cycle opens the first
// adapter again and identifies the same unit.
TEST_F(MonitorTest, DriverFailureClosesThePortAndTheNextCycleReopensIt)
{
    StartConnectionMonitor();
    ASSERT_EQ(WaitForStates(1), std::vector<std::intptr_t>({1}));
    BetweenCycles([&] {
        VSimFault fault{VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_EVERY, 1, 2, 0, 0, "FT_Read", nullptr, 0, 0, 0};
        ASSERT_GT(m_Sim.api.AddFault(-1, &fault), 0) << m_Sim.api.GetLastError();
    });
    EXPECT_EQ(WaitForStates(3), std::vector<std::intptr_t>({1, 3, 1}));
}

TEST_F(MonitorTest, NothingIsPostedWithoutAMainWindow)
{
    m_Protocol.SetMainWindow(nullptr);
    StartConnectionMonitor();
    WaitForLineTraffic(m_Sim, 20);
    m_Protocol.StopConnectionMonitor(m_strError);
    EXPECT_TRUE(m_MainWindow.Values(kWmConnectionState).empty());
}

// A silent bus costs a search at the download speeds on the first silent
// cycle after the start (or after a fitting was seen), then on every fifth.
TEST_F(MonitorTest, SilentBusIsSearchedAtTheDownloadSpeedsOnlyNowAndThen)
{
    m_Sim.api.UnplugFitting(0);
    StartConnectionMonitor();
    constexpr int kCycles = 11;
    const auto observeLine = [&] {
        std::vector<int> searchedCycles; // the cycle, counted from 1, of each frame at a download speed
        int nReads = 0;
        for (const VSimFrame& frame : m_Sim.Trace()) {
            if (frame.direction != VSIM_DIR_TO_FITTING)
                continue;
            if (frame.baudRate == 2400 && frame.bytes[3] == 0x0A)
                ++nReads;
            else if (frame.baudRate == 19200) // each search begins there
                searchedCycles.push_back((nReads + 3) / 4);
        }
        return std::make_pair(nReads, searchedCycles);
    };
    // A silent cycle reads the article number four times: two attempts, each
    // repeated after the port was opened afresh.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (observeLine().first < 4 * kCycles + 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_Protocol.StopConnectionMonitor(m_strError);
    std::vector<int> searchedCycles = observeLine().second;
    searchedCycles.erase(std::unique(searchedCycles.begin(), searchedCycles.end()), searchedCycles.end());
    EXPECT_EQ((std::vector<int>{1, 5, 10}), std::vector<int>(searchedCycles.begin(),
                                                             std::find_if(searchedCycles.begin(), searchedCycles.end(),
                                                                          [](int n) { return n > kCycles; })));
    EXPECT_TRUE(m_MainWindow.Values(kWmConnectionState).empty());
    EXPECT_EQ(2400, m_Sim.api.GetAdapterBaudRate(0));
}

// At real line timing: a fitting that a download left in its boot loader at
// 38400 bit/s is found, brought back to 2400 bit/s and reported as waiting
// in its boot loader.
TEST(MonitorAtRealTiming, FindsAFittingLeftAtADownloadSpeed)
{
    SimulatorControl sim("[adapter]\nfitting = Ambra\nstartup_ms = 100\n", 1.0);
    CVelmorTPExt protocol;
    std::string strError;
    ASSERT_EQ(Result::Ok, protocol.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError)) << strError;
    {
        CProtocolLock lock(protocol);
        ASSERT_EQ(Result::Ok, protocol.ActivateBootloader(strError)) << strError;
        ASSERT_EQ(Result::Ok, protocol.ResetModule(strError)) << strError;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(Result::Ok, protocol.SetBaudrate(38400, strError)) << strError;
    }
    ASSERT_EQ(Result::Ok, protocol.ClosePort(strError)) << strError;

    CMainWindowRecorder mainWindow;
    mainWindow.AddKnown(kAmbra, 3);
    protocol.SetMainWindow(&mainWindow);
    ASSERT_EQ(Result::Ok, protocol.StartConnectionMonitor(strError)) << strError;
    mainWindow.WaitFor(kWmConnectionState, 1);
    protocol.StopConnectionMonitor(strError);
    EXPECT_EQ(std::vector<std::intptr_t>{kConnectionInBootloader}, mainWindow.Values(kWmConnectionState));
    EXPECT_EQ(kAmbra, protocol.GetArticleNumber());
    VSimFittingState state{};
    ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(0, &state));
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
    EXPECT_EQ(2400, state.baudRate);
    EXPECT_EQ(2400, sim.api.GetAdapterBaudRate(0));
}

TEST_F(MonitorTest, ValveMonitorPostsEveryStateRead)
{
    const std::uint64_t nStart = m_Time.NowMs();
    ASSERT_EQ(m_Protocol.StartValveMonitor(m_strError), Result::Ok);
    const auto posts = m_MainWindow.WaitFor(kWmValveState, 2);
    ASSERT_GE(posts.size(), 2u);
    EXPECT_EQ(posts[0].lParam, 0);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].nTimeMs, nStart + CVelmorTPExt::kMonitorCycleMs);
    EXPECT_EQ(posts[1].nTimeMs, nStart + 2 * CVelmorTPExt::kMonitorCycleMs);

    BetweenCycles([&] {
        CProtocolLock protocolLock(m_Protocol);
        ASSERT_EQ(m_Protocol.WriteByteByIndex(1, 1, m_strError), Result::Ok) << m_strError;
    });
    const std::size_t nBefore = m_MainWindow.Posts(kWmValveState).size();
    EXPECT_EQ(m_MainWindow.WaitFor(kWmValveState, nBefore + 1).back().lParam, 1) << "valve open";
}

TEST_F(MonitorTest, FailingValveReadsPostNothing)
{
    const int nFault = m_Sim.AddFault(0, VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, CVelmorTPBase::CmdReadByteByIndex);
    ASSERT_EQ(m_Protocol.StartValveMonitor(m_strError), Result::Ok);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (m_Sim.api.GetFaultHits(nFault) < 8 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_Protocol.StopValveMonitor(m_strError);
    EXPECT_GE(m_Sim.api.GetFaultHits(nFault), 8) << "the valve monitor stopped asking";
    EXPECT_TRUE(m_MainWindow.Posts(kWmValveState).empty());
}

TEST_F(MonitorTest, BothMonitorsEndWithTheProtocolObject)
{
    const std::size_t nThreads = ThreadCount();
    {
        CVelmorTPExt protocol;
        protocol.SetMainWindow(&m_MainWindow);
        ASSERT_EQ(protocol.StartConnectionMonitor(m_strError), Result::Ok);
        ASSERT_EQ(protocol.StartValveMonitor(m_strError), Result::Ok);
        EXPECT_EQ(ThreadCount(), nThreads + 2);
        m_MainWindow.WaitFor(kWmValveState, 1);
    }
    EXPECT_EQ(ThreadCount(), nThreads);
    const std::size_t nPosts = m_MainWindow.Posts(kWmValveState).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_MainWindow.Posts(kWmValveState).size(), nPosts);
}
