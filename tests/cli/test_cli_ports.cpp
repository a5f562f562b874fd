// fluxa-cli's main paths over both ports: D2XX (the simulated library, in
// the tool's process) and the kernel's serial device (velmorsim-serial on a
// pseudo-terminal, at real line timing). The fitting's state is checked by
// the next command, which over D2XX finds it through the scenario's state file.

#include "CliTestSupport.h"
#include "SerialFrontEnd.h"

#include "devicelink/SerialPort.h"

namespace {

const std::string kFaucetImage = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.03_gap.hex";

class CliOverPorts : public Cli, public ::testing::WithParamInterface<const char*> {
protected:
    bool Serial() const { return std::string(GetParam()) == "serial"; }
    // The faucet with its state kept between the commands, and the faults given.
    void Start(const std::string& strFaults = std::string())
    {
        Scenario("time_scale = 0\n[adapter]\nserial = VB4711\nfitting = Ambra\nstartup_ms = 100\neeprom_file = " +
                 (Dir() / "fitting.state").string() + "\n" + strFaults);
        if (Serial()) {
            ASSERT_FALSE(m_frontEnd.Start((Dir() / "scenario.txt").string()).empty()) << "no terminal";
        }
    }
    CliResult RunOnPort(const std::string& strArguments)
    {
        return Run(strArguments + (Serial() ? " --device '" + m_frontEnd.Path() + "'" : std::string(" --port d2xx")));
    }
    void TearDown() override
    {
        m_frontEnd.Stop();
        Cli::TearDown();
    }

    CSerialFrontEnd m_frontEnd;
};

TEST_P(CliOverPorts, IdentifiesListsAndClearsTheErrorHistory)
{
    Start();
    const CliResult adapters = RunOnPort("adapters --json");
    ASSERT_EQ(0, adapters.nExit) << adapters.strErr;
    EXPECT_TRUE(Contains(adapters.strOut, std::string("\"port\": \"") + GetParam() + "\"")) << adapters.strOut;
    const CliResult identify = RunOnPort("identify --lang en");
    ASSERT_EQ(0, identify.nExit) << identify.strErr;
    EXPECT_TRUE(Contains(identify.strOut, "23 030 03 01")) << identify.strOut;
    EXPECT_TRUE(Contains(identify.strOut, "V1.12")) << identify.strOut;
    const CliResult info = RunOnPort("info --json");
    ASSERT_EQ(0, info.nExit) << info.strErr;
    EXPECT_TRUE(Contains(info.strOut, "\"installer\": \"Müller Haustech\"")) << info.strOut;

    const CliResult clear = RunOnPort("errors --clear --yes --json");
    ASSERT_EQ(0, clear.nExit) << clear.strErr;
    const CliResult after = RunOnPort("errors --json");
    ASSERT_EQ(0, after.nExit) << after.strErr;
    EXPECT_TRUE(Contains(after.strOut, "\"count\": 0")) << after.strOut;
}

TEST_P(CliOverPorts, SavesAndAppliesSettingsThatTheFittingThenHolds)
{
    Start();
    const fs::path saved = Dir() / "saved.xml";
    ASSERT_EQ(0, RunOnPort("save '" + saved.string() + "'").nExit);
    std::ifstream in(saved);
    std::string strText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string strOld = "<Runtime>", strNew = "<Runtime>2000</Runtime>";
    const std::size_t nAt = strText.find(strOld);
    ASSERT_NE(std::string::npos, nAt) << strText;
    strText.replace(nAt, strText.find("</Runtime>", nAt) + 10 - nAt, strNew);
    std::ofstream(Dir() / "changed.xml") << strText;
    const CliResult apply = RunOnPort("apply '" + (Dir() / "changed.xml").string() + "' --yes --json");
    ASSERT_EQ(0, apply.nExit) << apply.strErr;
    const CliResult read = RunOnPort("read --json");
    ASSERT_EQ(0, read.nExit) << read.strErr;
    EXPECT_TRUE(Contains(read.strOut, "\"name\": \"Runtime\",\n            \"value\": 2000")) << read.strOut;
}

TEST_P(CliOverPorts, ALostAnswerIsAskedAgainAndAPulledAdapterIsToldAsSuch)
{
    Start("fault = no_answer command 2 times=1\nfault = unplug_adapter command 3\n");
    const CliResult identify = RunOnPort("identify --lang en"); // the module information is asked twice
    ASSERT_EQ(0, identify.nExit) << identify.strErr;
    EXPECT_TRUE(Contains(identify.strOut, "23 030 03 01")) << identify.strOut;
    const CliResult valve = RunOnPort("valve state --lang en"); // command 3 pulls the adapter
    EXPECT_EQ(1, valve.nExit);
    EXPECT_TRUE(Contains(valve.strErr, "it may have been unplugged")) << valve.strErr;
    if (Serial()) {
        EXPECT_TRUE(m_frontEnd.HasEndedWithin(2000)); // its terminal went with it
    }
}

TEST_P(CliOverPorts, FlashesAFaucetThatThenRunsTheNewVersion)
{
    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode
    Start();
    const CliResult flash = RunOnPort("flash '" + kFaucetImage + "' --lang en --json");
    ASSERT_EQ(0, flash.nExit) << flash.strErr;
    EXPECT_TRUE(Contains(flash.strOut, "\"SW version\": \"V4.03\"")) << flash.strOut;
    const CliResult identify = RunOnPort("identify --lang en");
    ASSERT_EQ(0, identify.nExit) << identify.strErr;
    EXPECT_TRUE(Contains(identify.strOut, "V4.03")) << identify.strOut;
}

INSTANTIATE_TEST_SUITE_P(Ports, CliOverPorts, ::testing::Values("d2xx", "serial"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Only the serial device can be held by another program: the simulated
// library lives in each process.
TEST_F(Cli, ASecondProgramOnTheSameSerialAdapterIsRefusedClearly)
{
    Scenario("[adapter]\nfitting = Ambra\n");
    CSerialFrontEnd frontEnd;
    const std::string strPath = frontEnd.Start((Dir() / "scenario.txt").string());
    ASSERT_FALSE(strPath.empty());
    CSerialPort holder(strPath);
    std::string strError;
    DWORD dwCount = 0;
    holder.CreateDeviceList(dwCount, strError);
    ASSERT_EQ(0, holder.Open(0, 2400, strError)) << strError;
    const CliResult second = Run("identify --lang en --device '" + strPath + "'");
    EXPECT_EQ(1, second.nExit);
    EXPECT_TRUE(Contains(second.strErr, "Call to function (FT_Open) failed with the device error code (3)")) << second.strErr;
    EXPECT_TRUE(Contains(second.strErr, "Is the adapter in use by another program?")) << second.strErr;
    holder.Release();
    EXPECT_EQ(0, Run("identify --lang en --device '" + strPath + "'").nExit); // free again
}

TEST_F(Cli, PortOptionsAreChecked)
{
    EXPECT_EQ(2, Run("identify --port usb").nExit);
    EXPECT_EQ(2, Run("identify --port d2xx --device /dev/ttyUSB0").nExit);
    const CliResult missing = Run("identify --lang en --device /nonexistent/tty");
    EXPECT_EQ(1, missing.nExit);
    EXPECT_TRUE(Contains(missing.strErr, "Call to function (FT_Open) failed with the device error code (2)")) << missing.strErr;
}

} // namespace
