// The serial device port over a pseudo-terminal whose other end the test
// holds, and the link over both ports: the same situation gives the same
// result and text whichever port reaches the adapter.

#include "SerialFrontEnd.h"
#include "SimulatorControl.h"

#include "common/ResultCodes.h"
#include "devicelink/SerialPort.h"
#include "devicelink/VelmorTPExt.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    void SetUp() override { m_scenario = fs::temp_directory_path() / ("fluxa_ports_" + std::to_string(::getpid()) + ".txt"); }
    void TearDown() override
    {
        m_frontEnd.Stop();
        SetAdapterPortChoice({});
        fs::remove(m_scenario);
    }
    bool Serial() const { return GetParam() == EAdapterPortKind::Serial; }
    void Start(const std::string& strScenario)
    {
        if (!Serial()) {
            m_sim.Reset(strScenario.c_str());
            SetAdapterPortChoice({EAdapterPortKind::D2xx, {}});
            return;
        }
        std::ofstream(m_scenario) << strScenario;
        const std::string strPath = m_frontEnd.Start(m_scenario.string());
        ASSERT_FALSE(strPath.empty()) << "the front end printed no terminal";
        SetAdapterPortChoice({EAdapterPortKind::Serial, strPath});
    }
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
