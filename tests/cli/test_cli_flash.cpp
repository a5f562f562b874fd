// fluxa-cli flash after a download cut short: the next process finds the
// fitting where the last one left it and programs it.

#include "CliTestSupport.h"

#include <cstdlib>
#include <fstream>

namespace {

const std::string kFaucetImage = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex";
const char* const kLeftInBootloader = "state software=bootloader baud=38400 bootloader_next=1";

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The speed of the first answer in a trace file ("start device RX speed ...").
std::string FirstAnswerSpeed(const std::string& trace)
{
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string start, device, direction, speed;
        if (fields >> start >> device >> direction >> speed && direction == "RX")
            return speed;
    }
    return "none";
}

} // namespace

TEST_F(Cli, FlashReachesAFittingThatAnInterruptedDownloadLeftAtTheDownloadSpeed)
{
    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode
    const fs::path stateFile = Dir() / "fitting.state";
    // At time scale 0 the simulator does not see the tool's own pauses, the
    // wait for a restarted fitting among them: its start-up is kept short.
    const std::string fitting = "time_scale = 0\n[adapter]\nserial = VB4711\nfitting = Ambra\nstartup_ms = 100\n"
                                "eeprom_file = " + stateFile.string() + "\n";
    const std::string flash = "flash '" + kFaucetImage + "' --lang en";
    for (const bool bAdapterPulled : {true, false}) {
        SCOPED_TRACE(bAdapterPulled ? "adapter pulled during the writes" : "program killed");
        fs::remove(stateFile);
        if (bAdapterPulled) {
            Scenario(fitting + "fault = unplug_adapter command 16 skip=100\n");
            const CliResult first = Run(flash);
            EXPECT_EQ(first.nExit, 1);
            EXPECT_TRUE(Contains(first.strErr, "Download procedure aborted")) << first.strErr;
        } else {
            std::ofstream(stateFile) << kLeftInBootloader << "\n"; // its flash erased
        }
        ASSERT_TRUE(Contains(ReadText(stateFile), kLeftInBootloader)) << ReadText(stateFile);

        Scenario(fitting);
        const fs::path trace = Dir() / "trace.txt";
        ::setenv("VELMOR_SIM_TRACE", trace.c_str(), 1);
        const CliResult second = Run(flash);
        ::unsetenv("VELMOR_SIM_TRACE");
        ASSERT_EQ(second.nExit, 0) << second.strErr;
        EXPECT_TRUE(Contains(second.strOut, "V4.02")) << second.strOut;
        // Found at the download speed, where nothing at 2400 bit/s reached it.
        EXPECT_EQ("38400", FirstAnswerSpeed(ReadText(trace)));

        const CliResult identity = Run("identify --lang en");
        ASSERT_EQ(identity.nExit, 0) << identity.strErr;
        EXPECT_TRUE(Contains(identity.strOut, "V4.02")) << identity.strOut;
        EXPECT_TRUE(Contains(identity.strOut, "1 = Application")) << identity.strOut;
    }
}
