// The bus adapter port against the simulated bus: frames on the wire, echo and
// checksum checks, time-out with reopen, speed switches, adapter numbering,
// and every fault the simulator can inject.
#include "devicelink/VelmorTPFTDI.h"

#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "SimulatorControl.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/StringParameter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

using Bytes = std::vector<BYTE>;

class AdapterPort : public ::testing::Test {
protected:
    void OpenFirstAdapter()
    {
        ASSERT_EQ(Result::Ok, m_port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_error)) << m_error;
        ASSERT_TRUE(m_port.IsPortOpen());
        m_sim.api.ClearTrace();
    }

    std::vector<Bytes> FramesToFitting() const
    {
        std::vector<Bytes> frames;
        for (const VSimFrame& frame : m_sim.Trace()) {
            if (frame.direction == VSIM_DIR_TO_FITTING)
                frames.emplace_back(frame.bytes, frame.bytes + frame.length);
        }
        return frames;
    }

    int ReadValve()
    {
        UCHAR byValue = 0xEE;
        return m_port.ReadByteByIndex(1, byValue, m_error);
    }

    SimulatorControl m_sim;
    FakeTimeService m_time;
    LanguageGuard m_english{kLanguageEnglish};
    CVelmorTPFTDI m_port;
    std::string m_error;
};

TEST(AdapterPortChecksum, IsThePlainEightBitSum)
{
    CVelmorTPFTDI port;
    std::string error;
    BYTE bySum = 0;
    const BYTE frame[] = {0xF1, 0x01, 0x02, 0x00};
    ASSERT_EQ(Result::Ok, port.CalcChecksum(4, frame, bySum, error));
    EXPECT_EQ(0xF4, bySum);
    const BYTE wrapping[] = {0xFF, 0xFF, 0x03};
    ASSERT_EQ(Result::Ok, port.CalcChecksum(3, wrapping, bySum, error));
    EXPECT_EQ(0x01, bySum);
    EXPECT_EQ(Result::InvalidArgument, port.CalcChecksum(0, frame, bySum, error));
    EXPECT_EQ("CVelmorTPFTDI::CalcChecksum: The passed length information (0) is invalid", error);
    EXPECT_EQ(Result::InvalidArgument, port.CalcChecksum(1, nullptr, bySum, error));
    EXPECT_EQ("CVelmorTPFTDI::CalcChecksum: The passed data pointer is invalid (NULL)", error);
}

TEST_F(AdapterPort, FramesOnTheWire)
{
    OpenFirstAdapter();
    const BYTE byIndex = 1;
    ASSERT_EQ(Result::Ok, m_port.SendCommand(3, 1, &byIndex, m_error)) << m_error;
    EXPECT_EQ(2, m_port.GetResponseLength());
    EXPECT_EQ(0x00, m_port.GetResponse()[0]);
    const BYTE byCode = 4;
    ASSERT_EQ(Result::Ok, m_port.SendCommand(30, 1, &byCode, m_error)) << m_error;
    EXPECT_EQ((std::vector<Bytes>{{0xF1, 0x01, 0x03, 0x03, 0x01, 0xF9}, {0xF1, 0x01, 0x03, 0x1D, 0x04, 0x16}}), FramesToFitting());
}

TEST_F(AdapterPort, SpeedFollowsBaudrateAndResetCommands)
{
    OpenFirstAdapter();
    ASSERT_EQ(Result::Ok, m_port.SetBaudrate(38400, m_error)) << m_error;
    EXPECT_EQ(38400, m_sim.api.GetAdapterBaudRate(0));
    EXPECT_EQ(std::vector<unsigned>{100}, m_time.Sleeps());
    ASSERT_EQ(Result::Ok, ReadValve()) << m_error;
    EXPECT_EQ(38400, m_sim.Trace().back().baudRate);

    ASSERT_EQ(Result::Ok, m_port.ResetModule(m_error)) << m_error;
    EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
    EXPECT_EQ((std::vector<unsigned>{100, 100}), m_time.Sleeps());
}

// The download ignores a refused speed change, so the adapter switches also
// when the fitting answers with an error; a code without a speed returns it
// to the configured one.
TEST_F(AdapterPort, SpeedSwitchesAlsoWhenTheFittingRefuses)
{
    OpenFirstAdapter();
    ASSERT_EQ(Result::Ok, m_port.SetBaudrate(38400, m_error)) << m_error;
    const BYTE byUnknownCode = 9;
    EXPECT_EQ(Result::TargetError, m_port.SendCommand(30, 1, &byUnknownCode, m_error));
    EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
    EXPECT_EQ((std::vector<unsigned>{100, 100}), m_time.Sleeps());
}

TEST_F(AdapterPort, TimeOutReopensAndRepeatsOnce)
{
    OpenFirstAdapter();
    m_sim.AddFault(0, VSIM_FAULT_NO_ANSWER);
    ASSERT_EQ(Result::Ok, ReadValve()) << m_error;
    const auto frames = FramesToFitting();
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ(frames[0], frames[1]);
    EXPECT_TRUE(m_time.Sleeps().empty()); // the transport's own repeat, not another attempt
    EXPECT_TRUE(m_port.IsPortOpen());
}

TEST_F(AdapterPort, TimeOutRepeatRunsAtTheSpeedInForce)
{
    OpenFirstAdapter();
    ASSERT_EQ(Result::Ok, m_port.SetBaudrate(38400, m_error)) << m_error;
    m_sim.api.ClearTrace();
    m_sim.AddFault(0, VSIM_FAULT_NO_ANSWER);
    ASSERT_EQ(Result::Ok, ReadValve()) << m_error;
    std::vector<int> speeds;
    for (const VSimFrame& frame : m_sim.Trace())
        if (frame.direction == VSIM_DIR_TO_FITTING)
            speeds.push_back(frame.baudRate);
    EXPECT_EQ((std::vector<int>{38400, 38400}), speeds);
    EXPECT_EQ(38400, m_port.GetLineBaudrate());
    EXPECT_EQ(38400, m_sim.api.GetAdapterBaudRate(0));
}

// A reopen that fails at any of its steps is an error and leaves no port
// behind (a port without read time-outs would wait for ever).
TEST_F(AdapterPort, TimeOutReopenThatFailsIsAnErrorAndLeavesThePortClosed)
{
    for (const char* szFunction : {"FT_Open", "FT_SetTimeouts", "FT_SetBaudRate", "FT_SetDataCharacteristics"}) {
        OpenFirstAdapter();
        m_port.SetRetryCount(1);
        m_sim.AddFault(0, VSIM_FAULT_NO_ANSWER);
        const int nFault = m_sim.AddFault(-1, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, FT_DEVICE_NOT_FOUND, szFunction);
        EXPECT_EQ(Result::DriverStatus, ReadValve()) << szFunction;
        EXPECT_NE(std::string::npos, m_error.find(szFunction)) << m_error;
        EXPECT_EQ(1, m_sim.api.GetFaultHits(nFault)) << szFunction;
        EXPECT_FALSE(m_port.IsPortOpen()) << szFunction;
        EXPECT_EQ(1u, FramesToFitting().size()) << szFunction;
        m_sim.api.ClearFaults();
    }
}

TEST_F(AdapterPort, ChecksumFailureIsRepeatedAfterAPause)
{
    OpenFirstAdapter();
    m_sim.AddFault(0, VSIM_FAULT_BAD_CHECKSUM);
    EXPECT_EQ(Result::Ok, ReadValve()) << m_error;
    EXPECT_EQ(2u, FramesToFitting().size());
    EXPECT_EQ(std::vector<unsigned>{500}, m_time.Sleeps());
}

TEST_F(AdapterPort, EveryAttemptTimingOut)
{
    OpenFirstAdapter();
    m_sim.AddFault(0, VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1);
    EXPECT_EQ(Result::NoResponse, ReadValve());
    EXPECT_EQ("Timeout", m_error);
    EXPECT_EQ(4u, FramesToFitting().size()); // two attempts, each repeated after the reopen
    EXPECT_EQ(std::vector<unsigned>{500}, m_time.Sleeps());
}

TEST_F(AdapterPort, AdaptersAreNumberedAmongMatchingDevices)
{
    ASSERT_EQ(0, m_sim.api.AddOtherDevice(0, nullptr, "FT0000000000009"));
    ASSERT_EQ(2, m_sim.api.AddAdapter(-1, "VELMOR bus Converter", "VB3456789012345"));
    ASSERT_EQ(Result::Ok, m_port.LoadDriver(m_error));
    DWORD dwDevices = 0;
    ASSERT_EQ(Result::Ok, m_port.GetDeviceCount(dwDevices, m_error));
    EXPECT_EQ(3u, dwDevices);
    int nAdapters = 0;
    ASSERT_EQ(Result::Ok, m_port.CountAdapters(CVelmorTPFTDI::kAdapterDescription, nAdapters, m_error));
    EXPECT_EQ(2, nAdapters);
    std::vector<CAdapterDevice> adapters;
    ASSERT_EQ(Result::Ok, m_port.ListAdapters(CVelmorTPFTDI::kAdapterDescription, adapters, m_error));
    ASSERT_EQ(2u, adapters.size());
    EXPECT_FALSE(adapters[0].strSerialNumber.empty());
    EXPECT_EQ("VB3456789012345", adapters[1].strSerialNumber);
    EXPECT_EQ("", adapters[1].strPath); // D2XX names no device

    ASSERT_EQ(Result::Ok, m_port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 1, m_error)) << m_error;
    EXPECT_EQ(2, m_port.GetPortNumber());
    EXPECT_EQ(1, m_sim.api.IsDeviceOpen(2));
    EXPECT_EQ(2400, m_port.GetBaudrate());

    EXPECT_EQ(Result::Ok, m_port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 2, m_error));
    EXPECT_FALSE(m_port.IsPortOpen());
    EXPECT_EQ(0, m_sim.api.IsDeviceOpen(2)); // the open port was closed first
}

TEST_F(AdapterPort, OpenWithParameterString)
{
    struct Case {
        const char* szParameters;
        int nExpected;
        int nAdapterBaud; // 0: no port open
    };
    const Case cases[] = {
        {"PortNumber=0; Baudrate=9600;", Result::Ok, 9600},
        {"Baudrate=4800", Result::Ok, 4800},
        {"Adapter=velmor bus converter; Baudrate=9600", Result::Ok, 2400},
        {"PortNumber=0", Result::InvalidArgument, 0},
        {"PortNumber=x; Baudrate=2400", Result::MissingPrecondition, 0},
        {"PortNumber=7; Baudrate=2400", Result::DriverStatus, 0},
        {"", Result::InvalidArgument, 0},
    };
    for (const Case& c : cases) {
        CVelmorTPFTDI port;
        EXPECT_EQ(c.nExpected, port.Open(c.szParameters, m_error)) << c.szParameters << ": " << m_error;
        EXPECT_EQ(c.nAdapterBaud != 0, port.IsPortOpen()) << c.szParameters;
        if (c.nAdapterBaud != 0) {
            EXPECT_EQ(c.nAdapterBaud, m_sim.api.GetAdapterBaudRate(0)) << c.szParameters;
        }
    }
}

TEST_F(AdapterPort, StatusFromOpenIsReported)
{
    m_sim.AddFault(-1, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, FT_IO_ERROR, "FT_Open");
    EXPECT_EQ(Result::DriverStatus, m_port.OpenPort(0, 2400, m_error));
    EXPECT_EQ("Call to function (FT_Open) failed with the device error code (4)", m_error);
    EXPECT_FALSE(m_port.IsPortOpen());
}

TEST_F(AdapterPort, ClosingReleasesTheLibrary)
{
    OpenFirstAdapter();
    m_error = "old";
    ASSERT_EQ(Result::Ok, m_port.Close(m_error));
    EXPECT_EQ("", m_error);
    EXPECT_FALSE(m_port.IsPortOpen());
    EXPECT_EQ(0, m_sim.api.IsDeviceOpen(0));
    DWORD dwDevices = 0;
    EXPECT_EQ(Result::MissingPrecondition, m_port.GetDeviceCount(dwDevices, m_error));
    EXPECT_EQ("The function pointer (FT_CreateDeviceInfoList) is invalid", m_error);

    EXPECT_EQ(Result::MissingPrecondition, m_port.ClosePort(m_error));
    EXPECT_EQ("CVelmorTPFTDI::VerifyPortHandle: The comport is not opened yet, open the port first", m_error);
    LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(Result::MissingPrecondition, m_port.SendCommand(1, 0, nullptr, m_error));
    EXPECT_EQ("CVelmorTPFTDI::VerifyPortHandle: Öffnen Sie zunächst die Schnittstelle", m_error);
    EXPECT_EQ(std::vector<unsigned>{500}, m_time.Sleeps());
}

TEST_F(AdapterPort, FailingCloseKeepsThePortAndTheLibrary)
{
    OpenFirstAdapter();
    m_sim.AddFault(-1, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, FT_IO_ERROR, "FT_Close");
    EXPECT_EQ(Result::DriverStatus, m_port.ClosePort(m_error));
    EXPECT_EQ("Call to function (FT_Close) failed with the device error code (4)", m_error);
    EXPECT_TRUE(m_port.IsPortOpen());
    EXPECT_EQ(Result::Ok, ReadValve()) << m_error;
}

TEST_F(AdapterPort, ModuleInformationOfTheFitting)
{
    ASSERT_EQ(VSIM_OK, m_sim.api.SetVersions(0, 1, "T05.03", "V2.07"));
    ASSERT_EQ(VSIM_OK, m_sim.api.SetSerialNumber(0, "000000123456"));
    OpenFirstAdapter();
    CStringParameterHandler parameters;
    ASSERT_EQ(Result::Ok, m_port.ReadModuleInformation(parameters, m_error)) << m_error;
    CStringParameter parameter;
    ASSERT_EQ(Result::Ok, parameters.GetParameterByName("BL version", parameter, m_error));
    EXPECT_EQ("T05.03", parameter.GetValue());
    ASSERT_EQ(Result::Ok, parameters.GetParameterByName("SW version", parameter, m_error));
    EXPECT_EQ("V2.07", parameter.GetValue());
    ASSERT_EQ(Result::Ok, parameters.GetParameterByName("Serial number", parameter, m_error));
    EXPECT_EQ("000000123456", parameter.GetValue());
    ASSERT_EQ(Result::Ok, parameters.GetParameterByName("Active application", parameter, m_error));
    EXPECT_EQ("1 = Application", parameter.GetValue());
}

TEST_F(AdapterPort, ErrorHistoryOfTheFitting)
{
    OpenFirstAdapter();
    UCHAR byCount = 0;
    std::vector<BYTE> codes;
    ASSERT_EQ(Result::Ok, m_port.ReadCountedList(byCount, codes, m_error)) << m_error;
    ASSERT_EQ(3, byCount);
    ASSERT_EQ(3u, codes.size());

    // The simulated fitting dates entry n 100 hours before its 5678 hours
    // and 50 mV below 6000 mV; only the latest entry is active.
    CStringParameterHandler parameters;
    ASSERT_EQ(Result::Ok, m_port.ErrorCodesReadDetails(2, parameters, m_error)) << m_error;
    std::string strRendered;
    ASSERT_EQ(Result::Ok, parameters.GetParameters(strRendered, m_error));
    EXPECT_EQ(FormatText("ErrorCode=%d;IsHistoric=1;IsActive=0;IsStoreableToNVM=1;StoredToNVM=1;ErrorCount=2;"
                         "OperationHours=5478;BatteryVoltage=5900",
                         codes[1]),
              strRendered);

    // Beyond the history the fitting answers with an error code.
    EXPECT_EQ(Result::TargetError, m_port.ErrorCodesReadDetails(4, parameters, m_error));
}

TEST_F(AdapterPort, UnsupportedBaudrateSendsNothing)
{
    OpenFirstAdapter();
    EXPECT_EQ(Result::InvalidArgument, m_port.SetBaudrate(1200, m_error));
    EXPECT_EQ(0, m_sim.api.GetTraceCount());
    EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
}

// The monitors and the user interface share the port: each command's
// exchange and response reading is one piece.
TEST_F(AdapterPort, CommandsFromTwoThreadsDoNotMix)
{
    m_sim.api.SetTimeScale(0.1); // exchanges must take time to overlap
    OpenFirstAdapter();
    std::vector<BYTE> eeprom(256);
    ASSERT_EQ(VSIM_OK, m_sim.api.ReadEeprom(0, 0, eeprom.data(), 256));
    int nValveFailures = 0;
    std::thread valve([&] {
        std::string strError;
        for (int i = 0; i < 20; ++i) {
            UCHAR byValue = 0xEE;
            nValveFailures += m_port.ReadByteByIndex(1, byValue, strError) != Result::Ok || byValue > 1;
        }
    });
    int nRowFailures = 0;
    for (int i = 0; i < 20; ++i) {
        const WORD wAddress = static_cast<WORD>((i % 16) * 16);
        std::vector<BYTE> row;
        nRowFailures += m_port.ReadEEByAddr(wAddress, 16, row, m_error) != Result::Ok
                        || row != std::vector<BYTE>(eeprom.begin() + wAddress, eeprom.begin() + wAddress + 16);
    }
    valve.join();
    EXPECT_EQ(0, nValveFailures);
    EXPECT_EQ(0, nRowFailures) << m_error;
}

// One attempt, so that the transport's own handling shows.
struct FaultCase {
    const char* szName;
    int nKind;
    int nParam;
    const char* szText;
    int nExpected;
    const char* szError;
    size_t nFrames; // frames sent: 2 when the transport reopened and repeated
    int nRxLength;  // answer bytes kept; -1: not looked at
    Bytes rxFrame;  // the answer kept, as far as given
    Bytes response; // the payload kept from it, as far as given
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.szName;
}

class AdapterFault : public AdapterPort, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(AdapterFault, IsMetWithItsCodeAndText)
{
    const FaultCase& c = GetParam();
    OpenFirstAdapter();
    m_port.SetRetryCount(1);
    const int nFault = m_sim.AddFault(c.nKind == VSIM_FAULT_DRIVER_STATUS ? -1 : 0, c.nKind, VSIM_TRIGGER_NEXT, 0, c.nParam, c.szText);
    EXPECT_EQ(c.nExpected, ReadValve()) << m_error;
    if (c.nExpected != Result::Ok) {
        EXPECT_EQ(c.szError, m_error);
    }
    EXPECT_EQ(1, m_sim.api.GetFaultHits(nFault));
    EXPECT_EQ(c.nFrames, FramesToFitting().size());
    EXPECT_TRUE(m_time.Sleeps().empty());
    if (c.nRxLength >= 0) {
        ASSERT_EQ(c.nRxLength, m_port.GetRxLength());
        EXPECT_EQ(c.rxFrame, Bytes(m_port.GetRxFrame(), m_port.GetRxFrame() + c.rxFrame.size()));
        ASSERT_GE(m_port.GetResponseLength(), static_cast<int>(c.response.size()));
        EXPECT_EQ(c.response, Bytes(m_port.GetResponse(), m_port.GetResponse() + c.response.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AdapterPort, AdapterFault,
    ::testing::Values(
        FaultCase{"CorruptEcho", VSIM_FAULT_CORRUPT_ECHO, 0, nullptr, Result::InvalidResponse, "Invalid echo response", 1, 0, {}, {}},
        // Stopped before the answer: nothing of it is kept.
        FaultCase{"EchoDifferingInTheOpcode", VSIM_FAULT_CORRUPT_ECHO, 3, nullptr, Result::InvalidResponse, "Invalid echo response", 1, 0, {}, {}},
        FaultCase{"MissingEcho", VSIM_FAULT_MISSING_ECHO, 0, nullptr, Result::InvalidResponse, "Invalid echo response", 1, -1, {}, {}},
        FaultCase{"NoAnswer", VSIM_FAULT_NO_ANSWER, 0, nullptr, Result::Ok, "", 2, -1, {}, {}},
        FaultCase{"ShortAnswer", VSIM_FAULT_SHORT_ANSWER, 0, nullptr, Result::Ok, "", 2, -1, {}, {}},
        // The answer with its payload is kept for the caller to look at.
        FaultCase{"BadChecksum", VSIM_FAULT_BAD_CHECKSUM, 0, nullptr, Result::InvalidResponse, "Invalid checksum", 1, 6,
                  {0x01, 0xF1, 0x03, 0x00, 0x00, 0xF6}, {0x00, 0x00}},
        FaultCase{"BadLength", VSIM_FAULT_BAD_LENGTH, 0, nullptr, Result::Ok, "", 2, -1, {}, {}},
        FaultCase{"TargetError", VSIM_FAULT_TARGET_ERROR, 0x05, nullptr, Result::TargetError,
                  "CVelmorTPBase::SendCommand Error code 0x05 reported by target", 1, -1, {}, {}},
        FaultCase{"TargetErrorLib", VSIM_FAULT_TARGET_ERROR_LIB, 0, nullptr, Result::TargetError,
                  "Error code 0x07 for SW lib 0x01 reported by target", 1, -1, {}, {}},
        FaultCase{"LateAnswer", VSIM_FAULT_LATE_ANSWER, 0, nullptr, Result::Ok, "", 2, -1, {}, {}},
        FaultCase{"Garbage", VSIM_FAULT_GARBAGE, 0, nullptr, Result::Ok, "", 2, -1, {}, {}},
        FaultCase{"UnplugAdapter", VSIM_FAULT_UNPLUG_ADAPTER, 0, nullptr, Result::DriverStatus,
                  "Call to function (FT_Write) failed with the device error code (4)", 0, -1, {}, {}},
        FaultCase{"ExchangeFitting", VSIM_FAULT_EXCHANGE_FITTING, 0, nullptr, Result::Ok, "", 1, -1, {}, {}},
        FaultCase{"DriverStatus", VSIM_FAULT_DRIVER_STATUS, FT_IO_ERROR, "FT_Write", Result::DriverStatus,
                  "Call to function (FT_Write) failed with the device error code (4)", 0, -1, {}, {}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.szName); });

} // namespace

// At real line timing a port left without read time-outs would wait for ever
// on the repeat; the failed reopen must end the command within its attempts.
TEST(AdapterPortRealTiming, FailedReopenEndsWithAnError)
{
    SimulatorControl sim(nullptr, 1.0);
    CVelmorTPFTDI port;
    std::string error;
    ASSERT_EQ(Result::Ok, port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, error)) << error;
    port.SetRetryCount(1);
    sim.AddFault(0, VSIM_FAULT_NO_ANSWER);
    sim.AddFault(-1, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, FT_IO_ERROR, "FT_SetTimeouts");
    std::promise<int> finished;
    std::thread command([&] {
        UCHAR byValue = 0;
        std::string strError;
        finished.set_value(port.ReadByteByIndex(1, byValue, strError));
    });
    std::future<int> result = finished.get_future();
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // It would wait for ever, on objects of this frame: end the program.
        std::fprintf(stderr, "FailedReopenEndsWithAnError: the command did not end\n");
        std::_Exit(1);
    }
    command.join();
    EXPECT_EQ(Result::DriverStatus, result.get());
    EXPECT_FALSE(port.IsPortOpen());
}
