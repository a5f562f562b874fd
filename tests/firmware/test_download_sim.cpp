// Firmware downloads end to end: the procedure through the real bus adapter
// port into the simulated fitting's boot loader and flash.
#include "common/ResultCodes.h"
#include "common/TimeService.h"
#include "configdata/StringParameter.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareDownload.h"

#include "LanguageGuard.h"
#include "SimulatorControl.h"

#include <gtest/gtest.h>

namespace {

const std::string kSampleDir = FLUXA_SAMPLE_FIRMWARE_DIR;

// The procedure's waits let simulated time pass, so that the fitting's
// start-up after a reset takes its course without the test sleeping.
class SimulatedTime final : public ITimeService {
public:
    explicit SimulatedTime(SimulatorApi& api) : m_api(api) { SetTimeService(this); }
    ~SimulatedTime() override { SetTimeService(nullptr); }
    SimulatedTime(const SimulatedTime&) = delete;
    SimulatedTime& operator=(const SimulatedTime&) = delete;
    void SleepMs(unsigned milliseconds) override { m_api.AdvanceTime(milliseconds); }
    std::uint64_t NowMs() override { return m_api.GetTimeNs() / 1000000; }

private:
    SimulatorApi& m_api;
};

struct FlashFrame {
    DWORD address;
    int length;
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
                                  frame.bytes[8]});
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
    CVelmorTPFTDI m_port;
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
    EXPECT_EQ("Flashing data: Address: 0x4000, length: 64\n", m_texts[m_texts.size() - 2]);
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

} // namespace
