// Firmware downloads end to end: the procedure through the real bus adapter
// port into the simulated fitting's boot loader and flash.
#include "common/ResultCodes.h"
#include "common/TimeService.h"
#include "configdata/StringParameter.h"
#include "devicelink/VelmorTPExt.h"
#include "firmware/FirmwareDownload.h"

#include "LanguageGuard.h"
#include "MonitorTestSupport.h"
#include "DownloadPhases.h"
#include "SimulatedTime.h"
#include "SimulatorControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

const std::string kSampleDir = FLUXA_SAMPLE_FIRMWARE_DIR;
const std::string kReturnText = "Reset module into the bootloader at 2400 Bit/s\n";

struct FlashFrame {
    DWORD address;
    int length;
    int baudRate;
};

class DownloadOnSimulatedBus : public ::testing::Test, public IFittingReidentification {
protected:
    void Connect()
    {
        ASSERT_EQ(Result::Ok, m_port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_error)) << m_error;
        ASSERT_TRUE(m_port.IsPortOpen());
    }
    void Choose(const char* file, int productType)
    {
        ASSERT_EQ(Result::Ok, m_download.ChooseFile(kSampleDir + "/" + file, productType, m_error)) << m_error;
    }
    void Download(int productType)
    {
        m_texts.clear();
        ASSERT_EQ(Result::Ok, m_download.StartProgramming(m_port, productType, Progress(), this, m_error)) << m_error;
    }
    FirmwareProgressCallback Progress()
    {
        return [this](const std::string& text, int) {
            if (m_texts.empty() || m_texts.back() != text)
                m_texts.push_back(text);
            if (m_onText)
                m_onText(text);
        };
    }
    // As the main window's "Next" does first: who is there now.
    void IdentifyFittingAgain() override
    {
        CStringParameterHandler information;
        CStringParameter version;
        std::string error;
        m_strVersionAfter = m_port.ReadModuleInformation(information, error) == Result::Ok &&
                                    information.GetParameterByName("SW version", version, error) == Result::Ok
                                ? version.GetValue()
                                : "failed: " + error;
    }

    // The frames of one flash command sent to the fitting, from the trace.
    std::vector<FlashFrame> FlashFrames(BYTE opcode) const
    {
        std::vector<FlashFrame> frames;
        for (const VSimFrame& frame : m_sim.Trace())
            if (frame.direction == VSIM_DIR_TO_FITTING && frame.length > 8 && frame.bytes[3] == opcode)
                frames.push_back({DWORD(frame.bytes[4]) << 24 | DWORD(frame.bytes[5]) << 16 |
                                      DWORD(frame.bytes[6]) << 8 | frame.bytes[7],
                                  frame.bytes[8], frame.baudRate});
        return frames;
    }
    void ExpectFlashHoldsImage()
    {
        for (const CDataRecord& record : m_download.Image().Records().Records()) {
            std::vector<BYTE> flash(record.GetLength());
            ASSERT_EQ(VSIM_OK, m_sim.api.ReadFlash(0, record.GetStartAddr(), flash.data(), record.GetLength()))
                << m_sim.api.GetLastError();
            EXPECT_TRUE(std::equal(flash.begin(), flash.end(), record.GetData()))
                << "record at 0x" << std::hex << record.GetStartAddr();
        }
    }
    VSimFittingState State()
    {
        VSimFittingState state{};
        EXPECT_EQ(VSIM_OK, m_sim.api.GetFittingState(0, &state));
        return state;
    }

    SimulatorControl m_sim;
    SimulatedTime m_time{m_sim.api};
    LanguageGuard m_language{kLanguageEnglish};
    CVelmorTPExt m_port;
    CFirmwareDownload m_download;
    std::vector<std::string> m_texts;
    std::function<void(const std::string&)> m_onText;
    std::string m_strVersionAfter;
    std::string m_error;
};

TEST_F(DownloadOnSimulatedBus, Type3ImageLandsInTheFlash)
{
    Connect();
    Choose("faucet_V4.03_gap.hex", 3);
    m_sim.api.ClearTrace();
    Download(3);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    EXPECT_EQ("Download procedure finished successfully\n", m_texts.back());

    const std::vector<FlashFrame> erases = FlashFrames(0x1C);
    const std::vector<FlashFrame> writes = FlashFrames(0x0F);
    ASSERT_EQ(416u, erases.size());
    ASSERT_EQ(416u, writes.size());
    for (std::size_t i = 0; i < 416; ++i) {
        EXPECT_EQ(0x1800u + 64 * i, erases[i].address);
        EXPECT_EQ(64, erases[i].length);
        EXPECT_EQ(0x1800u + 64 * i, writes[i].address);
        EXPECT_EQ(64, writes[i].length);
    }
    ExpectFlashHoldsImage();
    EXPECT_EQ("V4.03", m_strVersionAfter);
    const VSimFittingState state = State();
    EXPECT_EQ(VSIM_RUNNING_APPLICATION, state.running);
    EXPECT_EQ(2400, state.baudRate);
    EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
    EXPECT_EQ(CVelmorTPBase::kDefaultRetryCount, m_port.GetRetryCount());
}

TEST_F(DownloadOnSimulatedBus, Type1ImageLandsInTheFlashAndTheEEPROMIsConfigured)
{
    ASSERT_EQ(VSIM_OK, m_sim.api.PlugFitting(0, "Tarvo"));
    Connect();
    Choose("flushvalve_V3.01.hex", 1);
    Download(1);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    ExpectFlashHoldsImage();
    EXPECT_EQ("V3.01", m_strVersionAfter);
    BYTE eeprom[3] = {};
    ASSERT_EQ(VSIM_OK, m_sim.api.ReadEeprom(0, 0x8C, eeprom, 1));
    EXPECT_EQ(0x01, eeprom[0]);
    ASSERT_EQ(VSIM_OK, m_sim.api.ReadEeprom(0, 0x6D, eeprom, 2));
    EXPECT_EQ(0x37, eeprom[0]);
    EXPECT_EQ(0x02, eeprom[1]);
}

TEST_F(DownloadOnSimulatedBus, LineLostDuringTheWritesLeavesTheBootloaderAndASecondDownloadSucceeds)
{
    Connect();
    Choose("faucet_V4.02.hex", 3);
    // From the middle of the writes on every write to the adapter fails, as
    // when its plug is pulled.
    m_onText = [this](const std::string& text) {
        if (text == "Flashing data: Address: 0x4000, length: 64\n")
            m_sim.AddFault(0, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_EVERY, 1, 0, "FT_Write");
    };
    Download(3);
    EXPECT_EQ(Result::DriverStatus, m_download.GetResult());
    EXPECT_EQ("Download procedure aborted\n", m_texts.back());
    EXPECT_EQ(kReturnText, m_texts[m_texts.size() - 2]);
    EXPECT_EQ("Flashing data: Address: 0x4000, length: 64\n", m_texts[m_texts.size() - 3]);
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, State().running);

    // Plugged in again: the same image once more.
    m_onText = nullptr;
    m_sim.api.ClearFaults();
    Download(3);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    ExpectFlashHoldsImage();
    EXPECT_EQ("V4.02", m_strVersionAfter);
    EXPECT_EQ(VSIM_RUNNING_APPLICATION, State().running);
}

TEST_F(DownloadOnSimulatedBus, AdapterPulledDuringTheWritesAbortsTheDownload)
{
    Connect();
    Choose("faucet_V4.02.hex", 3);
    m_onText = [this](const std::string& text) {
        if (text == "Flashing data: Address: 0x4000, length: 64\n")
            m_sim.AddFault(0, VSIM_FAULT_UNPLUG_ADAPTER);
    };
    Download(3);
    EXPECT_NE(Result::Ok, m_download.GetResult());
    EXPECT_EQ("Download procedure aborted\n", m_texts.back());
    EXPECT_EQ(0, m_sim.api.GetDeviceCount());
    EXPECT_EQ(CVelmorTPBase::kDefaultRetryCount, m_port.GetRetryCount());

    // Another adapter and fitting: the tool connects and programs it.
    m_onText = nullptr;
    ASSERT_EQ(0, m_sim.api.AddAdapter(-1, nullptr, nullptr));
    ASSERT_EQ(VSIM_OK, m_sim.api.PlugFitting(0, "Culina"));
    Connect();
    Download(7);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    ExpectFlashHoldsImage();
    EXPECT_EQ("V4.02", m_strVersionAfter);
}

TEST_F(DownloadOnSimulatedBus, TimeOutDuringTheWritesIsRepeatedAtTheDownloadSpeed)
{
    Connect();
    Choose("faucet_V4.02.hex", 3);
    // The eleventh block's write goes unheard once.
    const VSimFault unheard{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, CVelmorTPBase::CmdWriteFlashByAddr, 1, 0, 0,
                            nullptr, nullptr, 0, 0x1A80, 1};
    ASSERT_GT(m_sim.api.AddFault(0, &unheard), 0) << m_sim.api.GetLastError();
    m_sim.api.ClearTrace();
    Download(3);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    const std::vector<FlashFrame> writes = FlashFrames(0x0F);
    ASSERT_EQ(417u, writes.size());
    EXPECT_EQ(writes[10].address, writes[11].address);
    for (const FlashFrame& write : writes)
        EXPECT_EQ(38400, write.baudRate) << std::hex << write.address;
    ExpectFlashHoldsImage();
}

TEST_F(DownloadOnSimulatedBus, FittingLeftAtADownloadSpeedIsRestartedWhereItListens)
{
    for (const int speed : {2400, 19200, 38400}) {
        SCOPED_TRACE(speed);
        m_sim.Reset();
        Connect();
        // As a download cut short leaves it: in its boot loader, at that speed.
        ASSERT_EQ(Result::Ok, m_port.ActivateBootloader(m_error)) << m_error;
        ASSERT_EQ(Result::Ok, m_port.ResetModule(m_error)) << m_error;
        m_time.SleepMs(1000);
        ASSERT_EQ(Result::Ok, m_port.SetBaudrate(speed, m_error)) << m_error;
        Connect(); // as a new program does, at 2400 bit/s
        const int restarts = State().restarts;
        m_sim.api.ClearTrace();

        std::string article, formatted;
        // Not searched for, a fitting at a download speed stays silent.
        EXPECT_EQ(speed == 2400 ? Result::Ok : Result::NoResponse,
                  m_port.ReadArticleNumberAtAnySpeed(false, article, formatted, m_error));
        EXPECT_EQ(restarts, State().restarts);
        m_sim.api.ClearTrace();
        ASSERT_EQ(Result::Ok, m_port.ReadArticleNumberAtAnySpeed(true, article, formatted, m_error)) << m_error;
        EXPECT_EQ("230300301", article);
        const VSimFittingState state = State();
        EXPECT_EQ(speed == 2400 ? restarts : restarts + 1, state.restarts);
        EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
        EXPECT_EQ(2400, state.baudRate);
        EXPECT_EQ(2400, m_port.GetLineBaudrate());
        const std::vector<VSimFrame> trace = m_sim.Trace();
        const auto firstAnswer = std::find_if(trace.begin(), trace.end(), [](const VSimFrame& frame) {
            return frame.direction == VSIM_DIR_FROM_FITTING;
        });
        ASSERT_NE(trace.end(), firstAnswer);
        EXPECT_EQ(speed, firstAnswer->baudRate);
        CStringParameterHandler information;
        EXPECT_EQ(Result::Ok, m_port.ReadModuleInformation(information, m_error)) << m_error;
    }
}

// A product family and the image that replaces its application. The adapter
// keeps its serial number, so that plugged in again it finds its fitting.
struct Family {
    const char* scenario;
    int productType;
    const char* image;
    const char* newVersion;
};
const Family kFaucet{"[adapter]\nserial = VB4711\nfitting = Ambra\n", 3, "faucet_V4.02.hex", "V4.02"};
const Family kFlushValve{"[adapter]\nserial = VB4711\nfitting = Tarvo\n", 1, "flushvalve_V3.01.hex", "V3.01"};

// A step of the procedure, found by its command: the fault begins at the
// frame of that command for the flash from `fromBlock` on, or (commands
// without an address) after `skip` others.
struct Step {
    const char* name;
    const Family* family;
    int commandID;
    unsigned fromBlock;
    int skip;
};
const Step kSteps[] = {
    {"ActivateBootloader", &kFaucet, CVelmorTPBase::CmdActivateBootloader, 0, 0},
    {"ResetIntoBootloader", &kFaucet, CVelmorTPBase::CmdResetModule, 0, 0},
    {"SwitchToDownloadSpeed", &kFaucet, CVelmorTPBase::CmdSetBaudrate, 0, 0},
    {"Erase", &kFaucet, CVelmorTPBase::CmdEraseFlashByAddr, 0x4A00, 0}, // the 201st block
    {"Write", &kFaucet, CVelmorTPBase::CmdWriteFlashByAddr, 0x4A00, 0},
    {"FlushValveWrite", &kFlushValve, CVelmorTPBase::CmdWriteFlashByAddr, 0, 100},
    {"ConfigureEEPROM", &kFlushValve, CVelmorTPBase::CmdWriteEEByAddr, 0, 0},
    {"SwitchBackTo2400", &kFaucet, CVelmorTPBase::CmdSetBaudrate, 0, 1},
    {"ActivateApplication", &kFaucet, CVelmorTPBase::CmdActivateApplication, 0, 0},
    {"FinalReset", &kFaucet, CVelmorTPBase::CmdResetModule, 0, 1},
};

struct FaultKind {
    const char* name;
    int kind;
};
const FaultKind kFaultKinds[] = {
    {"NoAnswer", VSIM_FAULT_NO_ANSWER},       {"CorruptEcho", VSIM_FAULT_CORRUPT_ECHO},
    {"MissingEcho", VSIM_FAULT_MISSING_ECHO}, {"ShortAnswer", VSIM_FAULT_SHORT_ANSWER},
    {"BadChecksum", VSIM_FAULT_BAD_CHECKSUM}, {"BadLength", VSIM_FAULT_BAD_LENGTH},
    {"TargetError", VSIM_FAULT_TARGET_ERROR}, {"LateAnswer", VSIM_FAULT_LATE_ANSWER},
    {"Garbage", VSIM_FAULT_GARBAGE},          {"UnplugAdapter", VSIM_FAULT_UNPLUG_ADAPTER},
};

void PrintTo(const Step& step, std::ostream* out)
{
    *out << step.name;
}
void PrintTo(const FaultKind& fault, std::ostream* out)
{
    *out << fault.name;
}

class FaultAtAStep : public DownloadOnSimulatedBus,
                     public ::testing::WithParamInterface<std::tuple<Step, FaultKind>> {
protected:
    // The line stays disturbed from the fault's frame on until the procedure
    // gives up (or ends): the return to the boot loader and the next download
    // find it quiet again.
    void DisturbFrom(const Step& step, int kind)
    {
        const VSimFault fault{kind,      VSIM_TRIGGER_COMMAND, step.commandID, 0, 0, 0, nullptr, nullptr, step.skip,
                              step.fromBlock, step.fromBlock != 0 ? 0x8000 - step.fromBlock : 0};
        m_nFault = m_sim.api.AddFault(0, &fault);
        ASSERT_GT(m_nFault, 0) << m_sim.api.GetLastError();
        m_onText = [this](const std::string& text) {
            if (text == kReturnText)
                EndDisturbance();
        };
    }
    void EndDisturbance()
    {
        if (m_nFault == 0)
            return;
        m_nHits = m_sim.api.GetFaultHits(m_nFault);
        m_sim.api.ClearFaults();
        m_nFault = 0;
    }

    int m_nFault = 0;
    int m_nHits = 0;
};

TEST_P(FaultAtAStep, ASecondDownloadSucceeds)
{
    const auto& [step, fault] = GetParam();
    const Family& family = *step.family;
    m_sim.Reset(family.scenario);
    Connect();
    Choose(family.image, family.productType);
    DisturbFrom(step, fault.kind);
    Download(family.productType);
    EndDisturbance();
    ASSERT_GT(m_nHits, 0);

    if (fault.kind == VSIM_FAULT_UNPLUG_ADAPTER) {
        // Plugged in again, the adapter finds the fitting as it was left.
        ASSERT_EQ(0, m_sim.api.GetDeviceCount());
        ASSERT_EQ(0, m_sim.api.AddAdapter(-1, nullptr, "VB4711")) << m_sim.api.GetLastError();
        Connect();
    } else if (m_download.GetResult() != Result::Ok) {
        EXPECT_EQ("Download procedure aborted\n", m_texts.back());
        // Back at 2400 bit/s, in the boot loader once the download had
        // activated it; never in a half-written application.
        const VSimFittingState state = State();
        EXPECT_EQ(2400, state.baudRate);
        EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
        EXPECT_EQ(step.commandID == CVelmorTPBase::CmdActivateBootloader ? VSIM_RUNNING_APPLICATION
                                                                         : VSIM_RUNNING_BOOTLOADER,
                  state.running);
    }

    Download(family.productType);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    ExpectFlashHoldsImage();
    EXPECT_EQ(family.newVersion, m_strVersionAfter);
    const VSimFittingState state = State();
    EXPECT_EQ(VSIM_RUNNING_APPLICATION, state.running);
    EXPECT_EQ(2400, state.baudRate);
    EXPECT_EQ(2400, m_sim.api.GetAdapterBaudRate(0));
}

// The adapter pulled in each phase of a download and put back: the fitting
// waits in its boot loader (at the download speed, or at 2400 bit/s once the
// download had switched back). The connection monitor reports it as such and
// a new download programs it.
class AdapterPulledInAPhase : public DownloadOnSimulatedBus, public ::testing::WithParamInterface<DownloadPhase> {
protected:
    void SetUp() override
    {
        m_mainWindow.AddKnown(kFaucetArticle, 3);
        m_port.SetMainWindow(&m_mainWindow);
    }
    void TearDown() override { m_port.StopConnectionMonitor(m_error); }

    static constexpr const char* kFaucetArticle = "230300301";
    CMainWindowRecorder m_mainWindow;
};

TEST_P(AdapterPulledInAPhase, MonitorReportsTheBootloaderAndANewDownloadProgramsTheFitting)
{
    const DownloadPhase& phase = GetParam();
    m_sim.Reset(kFaucet.scenario);
    Connect();
    Choose(kFaucet.image, kFaucet.productType);
    const VSimFault pull = PullInPhase(phase);
    ASSERT_GT(m_sim.api.AddFault(0, &pull), 0) << m_sim.api.GetLastError();
    Download(kFaucet.productType);
    ASSERT_NE(Result::Ok, m_download.GetResult());
    ASSERT_EQ(0, m_sim.api.GetDeviceCount());

    ASSERT_EQ(0, m_sim.api.AddAdapter(-1, nullptr, "VB4711")) << m_sim.api.GetLastError();
    VSimFittingState state = State();
    ASSERT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
    ASSERT_EQ(phase.speedLeftAt, state.baudRate);

    ASSERT_EQ(Result::Ok, m_port.StartConnectionMonitor(m_error)) << m_error;
    EXPECT_EQ(std::vector<std::intptr_t>{kConnectionInBootloader},
              [&] {
                  m_mainWindow.WaitFor(kWmConnectionState, 1);
                  return m_mainWindow.Values(kWmConnectionState);
              }());
    EXPECT_EQ(kConnectionInBootloader, m_port.GetConnectionState());
    EXPECT_EQ(kFaucetArticle, m_port.GetArticleNumber());
    m_port.StopConnectionMonitor(m_error);
    state = State();
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
    EXPECT_EQ(2400, state.baudRate);
    EXPECT_EQ(2400, m_port.GetLineBaudrate());

    Download(kFaucet.productType);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    ExpectFlashHoldsImage();
    EXPECT_EQ(kFaucet.newVersion, m_strVersionAfter);
    // The same monitor sees the application run.
    ASSERT_EQ(Result::Ok, m_port.StartConnectionMonitor(m_error)) << m_error;
    EXPECT_TRUE(m_mainWindow.WaitForLast(kWmConnectionState, kConnectionKnownFitting));
    EXPECT_EQ((std::vector<std::intptr_t>{kConnectionInBootloader, kConnectionKnownFitting}),
              m_mainWindow.Values(kWmConnectionState));
    EXPECT_EQ(VSIM_RUNNING_APPLICATION, State().running);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, AdapterPulledInAPhase, ::testing::ValuesIn(kDownloadPhases),
                         [](const ::testing::TestParamInfo<DownloadPhase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(EveryStepAndFaultKind, FaultAtAStep,
                         ::testing::Combine(::testing::ValuesIn(kSteps), ::testing::ValuesIn(kFaultKinds)),
                         [](const ::testing::TestParamInfo<FaultAtAStep::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

} // namespace
