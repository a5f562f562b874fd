// The serial device port over a pseudo-terminal whose other end the test
// holds, and the link over both ports: the same situation gives the same
// result and text whichever port reaches the adapter.

#include "SerialFrontEnd.h"
#include "SimulatorControl.h"

#include "common/ResultCodes.h"
#include "devicelink/SerialPort.h"
#include "devicelink/VelmorTPExt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <termios.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPulledText = "Call to function (FT_Purge) failed with the device error code (4)";
constexpr const char* kBusyText = "Call to function (FT_Open) failed with the device error code (3)";

// A pseudo-terminal: the port opens the slave, the test is the line behind the master.
class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_nMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(m_nMaster, 0);
        ASSERT_EQ(0, ::grantpt(m_nMaster));
        ASSERT_EQ(0, ::unlockpt(m_nMaster));
        m_strPath = ::ptsname(m_nMaster);
    }
    void TearDown() override
    {
        if (m_nMaster >= 0)
            ::close(m_nMaster);
    }
    int Open(CSerialPort& port, std::string& strError, long nBaudrate = 2400)
    {
        DWORD dwCount = 0;
        port.CreateDeviceList(dwCount, strError);
        EXPECT_EQ(1u, dwCount);
        return port.Open(0, nBaudrate, strError);
    }
    std::string ReadMaster(std::size_t nCount)
    {
        std::string strBytes;
        pollfd fd{m_nMaster, POLLIN, 0};
        while (strBytes.size() < nCount && ::poll(&fd, 1, 1000) > 0) {
            char buffer[64];
            const ssize_t n = ::read(m_nMaster, buffer, sizeof buffer);
            if (n <= 0)
                break;
            strBytes.append(buffer, static_cast<std::size_t>(n));
        }
        return strBytes;
    }

    int m_nMaster = -1;
    std::string m_strPath;
};

TEST_F(SerialPortOnPty, OpensRaw8N1WithoutFlowControlAtTheSpeedAndPassesEveryByte)
{
    CSerialPort port(m_strPath);
    std::string strError;
    ASSERT_EQ(0, Open(port, strError)) << strError;
    termios tio{};
    ASSERT_EQ(0, ::tcgetattr(m_nMaster, &tio));
    EXPECT_EQ(B2400, ::cfgetospeed(&tio));
    EXPECT_EQ(CS8, tio.c_cflag & CSIZE);
    EXPECT_EQ(0u, tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(0u, tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(0u, tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP));
    EXPECT_EQ(0u, tio.c_oflag & OPOST);

    // Line ends, flow control and signal characters are data on this bus.
    const BYTE byFrame[] = {0xF1, 0x01, 0x0A, 0x0D, 0x11, 0x13, 0x03, 0x7F, 0xFF};
    DWORD dwWritten = 0;
    ASSERT_EQ(0, port.Write(byFrame, sizeof byFrame, dwWritten, strError)) << strError;
    EXPECT_EQ(sizeof byFrame, dwWritten);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(byFrame), sizeof byFrame), ReadMaster(sizeof byFrame));
    ASSERT_EQ(static_cast<ssize_t>(sizeof byFrame), ::write(m_nMaster, byFrame, sizeof byFrame));
    BYTE byRead[16] = {};
    DWORD dwRead = 0;
    ASSERT_EQ(0, port.Read(byRead, sizeof byFrame, dwRead, strError)) << strError;
    ASSERT_EQ(sizeof byFrame, dwRead);
    EXPECT_EQ(0, std::memcmp(byFrame, byRead, sizeof byFrame));

    EXPECT_EQ(0, port.SetBaudRate(38400, strError)) << strError;
    ASSERT_EQ(0, ::tcgetattr(m_nMaster, &tio));
    EXPECT_EQ(B38400, ::cfgetospeed(&tio));
    EXPECT_EQ(Result::DriverStatus, port.SetBaudRate(12345, strError));
    EXPECT_EQ("Call to function (FT_SetBaudRate) failed with the device error code (7)", strError);
}

TEST_F(SerialPortOnPty, ReadsWhatArrivedWithinTheTimeOutAndPurgeDropsWhatWaits)
{
    CSerialPort port(m_strPath);
    std::string strError;
    ASSERT_EQ(0, Open(port, strError)) << strError;
    ASSERT_EQ(2, ::write(m_nMaster, "\x01\x02", 2));
    ::usleep(20000);
    ASSERT_EQ(0, port.Purge(strError)) << strError;
    ASSERT_EQ(1, ::write(m_nMaster, "\x05", 1));
    BYTE byRead[4] = {};
    DWORD dwRead = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, port.Read(byRead, 4, dwRead, strError)) << strError;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(1u, dwRead); // fewer than asked: the time-out ended the read
    EXPECT_EQ(0x05, byRead[0]);
    EXPECT_GE(elapsed, std::chrono::milliseconds(95));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}

TEST_F(SerialPortOnPty, TellsAMissingDeviceABusyOneAndAPulledOneAsD2xxDoes)
{
    std::string strError;
    CSerialPort missing((fs::temp_directory_path() / "fluxa-no-such-tty").string());
    EXPECT_EQ(Result::DriverStatus, Open(missing, strError));
    EXPECT_EQ("Call to function (FT_Open) failed with the device error code (2)", strError);
    EXPECT_FALSE(missing.IsOpen());

    CSerialPort port(m_strPath), second(m_strPath);
    ASSERT_EQ(0, Open(port, strError)) << strError;
    EXPECT_EQ(Result::DriverStatus, Open(second, strError));
    EXPECT_EQ(kBusyText, strError);
    EXPECT_FALSE(second.IsOpen());

    ::close(m_nMaster); // the adapter is pulled
    m_nMaster = -1;
    BYTE by = 0;
    DWORD dwRead = 0;
    EXPECT_EQ(Result::DriverStatus, port.Read(&by, 1, dwRead, strError));
    EXPECT_EQ("Call to function (FT_Read) failed with the device error code (4)", strError);
    EXPECT_EQ(Result::DriverStatus, port.Purge(strError));
    EXPECT_EQ(kPulledText, strError);
    EXPECT_EQ(0, port.Close(strError)) << strError; // a pulled port still closes, as D2XX's does
}

// ---- The link over both ports -----------------------------------------------

// One bus adapter with a scenario's fitting, reached through D2XX (the
// simulated library) or through the serial port (the simulator's front end
// on a pseudo-terminal).
class LinkOverBothPorts : public ::testing::TestWithParam<EAdapterPortKind> {
protected:
    void SetUp() override
    {
        const std::string strName = "fluxa_ports_" + std::to_string(::getpid());
        m_scenario = fs::temp_directory_path() / (strName + ".txt");
        m_trace = fs::temp_directory_path() / (strName + "_trace.txt");
    }
    void TearDown() override
    {
        m_frontEnd.Stop();
        SetAdapterPortChoice({});
        fs::remove(m_scenario);
        fs::remove(m_trace);
    }
    bool Serial() const { return GetParam() == EAdapterPortKind::Serial; }
    // A fresh world on the scenario (the front end started anew).
    void Start(const std::string& strScenario)
    {
        if (!Serial()) {
            m_sim.Reset(strScenario.c_str());
            SetAdapterPortChoice({EAdapterPortKind::D2xx, {}});
            return;
        }
        m_frontEnd.Stop();
        std::ofstream(m_scenario) << strScenario;
        ::setenv("VELMOR_SIM_TRACE", m_trace.c_str(), 1); // the front end's world traces into it
        const std::string strPath = m_frontEnd.Start(m_scenario.string());
        ::unsetenv("VELMOR_SIM_TRACE");
        ASSERT_FALSE(strPath.empty()) << "the front end printed no terminal";
        SetAdapterPortChoice({EAdapterPortKind::Serial, strPath});
    }
    // The frames on the line since the start in one direction (VSIM_DIR_*).
    int Frames(int nDirection)
    {
        if (!Serial()) {
            const std::vector<VSimFrame> frames = m_sim.Trace();
            return static_cast<int>(std::count_if(frames.begin(), frames.end(),
                                                  [&](const VSimFrame& frame) { return frame.direction == nDirection; }));
        }
        static const char* const kDirections[] = {"TX", "RX", "NOISE"}; // in the order of VSIM_DIR_*
        std::ifstream trace(m_trace); // start, device, direction, ...
        int nFrames = 0;
        for (std::string strLine; std::getline(trace, strLine);) {
            std::istringstream fields(strLine);
            std::string strStart, strDevice, strDirection;
            fields >> strStart >> strDevice >> strDirection;
            nFrames += strDirection == kDirections[nDirection] ? 1 : 0;
        }
        return nFrames;
    }
    int SentFrames() { return Frames(VSIM_DIR_TO_FITTING); }
    void Pull()
    {
        if (!Serial()) {
            m_sim.api.RemoveDevice(0);
            return;
        }
        std::ofstream(m_scenario) << "time_scale = 1\n"; // no adapter left
    }
    static int Open(CVelmorTPExt& link, std::string& strError)
    {
        return link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError);
    }

    SimulatorControl m_sim;
    CSerialFrontEnd m_frontEnd;
    fs::path m_scenario;
    fs::path m_trace;
};

TEST_P(LinkOverBothPorts, AsksAFittingAndTellsASilentOneABusyAdapterAndAPulledOneAlike)
{
    Start("[adapter]\nfitting = Ambra\n");
    CVelmorTPExt link, other;
    std::string strError;
    ASSERT_EQ(0, Open(link, strError)) << strError;
    ASSERT_TRUE(link.IsPortOpen());
    link.SetRetryCount(1);
    EXPECT_STREQ(Serial() ? "serial" : "d2xx", link.GetPortName());
    std::string strArticle, strFormatted;
    ASSERT_EQ(0, link.ReadArticleNumber(strArticle, strFormatted, strError)) << strError;
    EXPECT_EQ("230300301", strArticle);

    EXPECT_EQ(Result::DriverStatus, Open(other, strError)); // a second program on the same adapter
    EXPECT_EQ(kBusyText, strError);
    EXPECT_FALSE(other.IsPortOpen());

    // Command 30 (speed code 5) switches fitting and line to 38400 bit/s; a
    // frame at another speed reaches the fitting as noise.
    ASSERT_EQ(0, link.SetBaudrate(38400, strError)) << strError;
    EXPECT_EQ(38400, link.GetLineBaudrate());
    EXPECT_EQ(0, link.ReadArticleNumber(strArticle, strFormatted, strError)) << strError;
    ASSERT_EQ(0, link.SetLineBaudrate(2400, strError)) << strError;
    BYTE byValve = 0;
    EXPECT_EQ(Result::NoResponse, link.ReadByteByIndex(1, byValve, strError));
    EXPECT_EQ("Timeout", strError);

    Pull();
    EXPECT_EQ(Result::DriverStatus, link.ReadByteByIndex(1, byValve, strError));
    if (Serial()) {
        EXPECT_TRUE(m_frontEnd.HasEndedWithin(2000)); // the pulled adapter took its terminal along
    }
    EXPECT_EQ(Result::DriverStatus, link.ReadByteByIndex(1, byValve, strError));
    EXPECT_EQ(kPulledText, strError);
    EXPECT_EQ(0, link.ClosePort(strError)) << strError;
}

// Real line timing: noise between echo and answer on every third frame. The
// exchange that meets it takes the noise for a header without body, gives up
// on the answer, reopens the port and sends the frame once more; the rest of
// the answer given up on must not stand before that frame's echo. Either port
// then gets the answer on its second frame, with no pause for a retry.
TEST_P(LinkOverBothPorts, SendsAFrameMetByNoiseOnceMoreAndGetsItsAnswer)
{
    Start("time_scale = 1\n[adapter]\nfitting = Ambra\nfault = garbage every 3\n");
    CVelmorTPExt link;
    std::string strError;
    ASSERT_EQ(0, Open(link, strError)) << strError;
    constexpr WORD kAddress = 0x100; // a free row
    const std::vector<BYTE> written{0xA5, 0x5A};
    const UCHAR byLength = static_cast<UCHAR>(written.size());
    BYTE byClosed = 0xFF, byOpened = 0xFF;
    std::vector<BYTE> read;
    const struct {
        const char* szExchange;
        std::function<int(std::string&)> exchange;
        int nFrames; // the noise falls on frames 3 and 6
    } exchanges[] = {
        {"read the valve", [&](std::string& strText) { return link.ReadByteByIndex(1, byClosed, strText); }, 1},
        {"open the valve", [&](std::string& strText) { return link.WriteByteByIndex(1, 1, strText); }, 1},
        {"read the valve again", [&](std::string& strText) { return link.ReadByteByIndex(1, byOpened, strText); }, 2},
        {"write the EEPROM",
         [&](std::string& strText) { return link.WriteEEByAddr(kAddress, byLength, written.data(), strText); }, 1},
        {"read it back", [&](std::string& strText) { return link.ReadEEByAddr(kAddress, byLength, read, strText); }, 2},
    };
    for (const auto& exchange : exchanges) {
        SCOPED_TRACE(exchange.szExchange);
        const int nSentBefore = SentFrames();
        EXPECT_EQ(0, exchange.exchange(strError)) << strError;
        EXPECT_EQ(exchange.nFrames, SentFrames() - nSentBefore);
    }
    EXPECT_EQ(0, byClosed);
    EXPECT_EQ(1, byOpened);
    EXPECT_EQ(written, read);
}

// A restart whose answer is garbled, late or missing ends alike on either
// port: the same result after the same frames. The fitting answers one frame
// and restarts; it hears nothing for its start-up time, and the retry comes
// within it.
TEST_P(LinkOverBothPorts, EndsADisturbedRestartAlike)
{
    const struct {
        const char* szFault;
        int nResult;
        int nFrames;
    } cases[] = {
        {"bad_checksum", Result::NoResponse, 3}, // the retry, reopened once: silence
        {"late_answer", Result::NoResponse, 4},  // both attempts reopened: silence
        {"no_answer", Result::Ok, 2},            // the frame after the reopen is heard
    };
    for (const auto& disturbed : cases) {
        SCOPED_TRACE(disturbed.szFault);
        Start(std::string("time_scale = 1\n[adapter]\nfitting = Ambra\nstartup_ms = 1000\nfault = ") + disturbed.szFault
              + " command 1 times=1\n");
        CVelmorTPExt link;
        std::string strError;
        ASSERT_EQ(0, Open(link, strError)) << strError;
        EXPECT_EQ(disturbed.nResult, link.ResetModule(strError)) << strError;
        EXPECT_EQ(disturbed.nFrames, SentFrames());
        EXPECT_EQ(1, Frames(VSIM_DIR_FROM_FITTING)); // restarted once
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, LinkOverBothPorts, ::testing::Values(EAdapterPortKind::D2xx, EAdapterPortKind::Serial),
                         [](const ::testing::TestParamInfo<EAdapterPortKind>& info) {
                             return std::string(AdapterPortKindName(info.param));
                         });

// ---- The front end's lifetime ------------------------------------------------

// A test or benchmark killed half way leaves no front end serving behind it:
// the front end ends with the program that started it.
TEST(SerialFrontEndLifetime, EndsWithTheProgramThatStartedIt)
{
    const fs::path scenario = fs::temp_directory_path() / ("fluxa_orphan_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(scenario) << "[adapter]\nfitting = Ambra\n";
    int pathPipe[2], goPipe[2];
    ASSERT_EQ(0, ::pipe(pathPipe));
    ASSERT_EQ(0, ::pipe(goPipe));
    const pid_t starter = ::fork();
    ASSERT_LE(0, starter);
    if (starter == 0) { // starts it, then dies on the test's word without stopping it
        CSerialFrontEnd frontEnd;
        const std::string strPath = frontEnd.Start(scenario.string()) + "\n";
        char by = 0;
        if (::write(pathPipe[1], strPath.data(), strPath.size()) > 0)
            (void)!::read(goPipe[0], &by, 1); // returns at the word or when the test is gone
        ::_exit(0);
    }
    ::close(goPipe[0]);
    char szPath[64] = {};
    pollfd pathReady{pathPipe[0], POLLIN, 0};
    ASSERT_EQ(1, ::poll(&pathReady, 1, 5000)) << "the starter told no terminal";
    ASSERT_LT(1, ::read(pathPipe[0], szPath, sizeof szPath - 1));
    *std::strchr(szPath, '\n') = '\0';
    const int nTerminal = ::open(szPath, O_RDWR | O_NOCTTY);
    ASSERT_LE(0, nTerminal) << szPath << " is not served";

    ASSERT_EQ(1, ::write(goPipe[1], "x", 1));
    ASSERT_EQ(starter, ::waitpid(starter, nullptr, 0)); // it ends at once on the word
    pollfd hangUp{nTerminal, POLLIN, 0};
    EXPECT_EQ(1, ::poll(&hangUp, 1, 3000)) << "the front end still serves " << szPath;
    EXPECT_NE(0, hangUp.revents & POLLHUP);
    for (const int nFd : {nTerminal, pathPipe[0], pathPipe[1], goPipe[1]})
        ::close(nFd);
    fs::remove(scenario);
}

} // namespace
