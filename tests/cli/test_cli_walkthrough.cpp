// A technician's round with fluxa-cli on one simulated faucet, each step a
// process of its own, as scripts run it: identify, information, the error
// history cleared, settings read, saved, changed and applied, firmware
// programmed. The same table runs on Linux and, built for Windows, under
// Wine; what each step did is checked on the fitting afterwards.

#include "CliTestSupport.h"

#include <regex>
#include <vector>

namespace {

struct Step {
    const char* szWhat;
    std::string strArguments;
    std::vector<std::string> expected; // in the output, in this order of checking
};

// The speeds of the fitting's answers in a trace file ("<ms> <device> RX <speed> ...").
std::vector<std::string> AnswerSpeeds(const fs::path& trace)
{
    std::vector<std::string> speeds;
    std::istringstream lines(FileText(trace));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string start, device, direction, speed;
        if (fields >> start >> device >> direction >> speed && direction == "RX" &&
            (speeds.empty() || speeds.back() != speed))
            speeds.push_back(speed);
    }
    return speeds;
}

} // namespace

TEST_F(Cli, ATechniciansRoundFromIdentifyToFlash)
{
    // The fitting keeps its EEPROM and its running firmware between the runs.
    const fs::path state = Dir() / "fitting.state";
    Scenario("time_scale = 0\n[adapter]\nserial = VB4711\nfitting = Ambra\nstartup_ms = 100\neeprom_file = " + state.string() + "\n");
    StoreServiceCode();
    const fs::path trace = Dir() / "trace.txt"; // of the download's process

    const std::string saved = (Dir() / "saved.xml").string();
    const std::string changed = (Dir() / "changed.xml").string();
    const std::string image = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex";
    const Step steps[] = {
        {"identify", "identify --lang en", {"23 030 03 01", "Serial number of the unit (EEPROM)"}},
        {"information", "info --lang en", {"Operation hours total", "Switch count total"}},
        {"errors cleared", "errors --clear --yes --lang en", {"No entry"}},
        {"settings read", "read --lang en", {"Maxruntime"}},
        {"settings saved", "save \"" + saved + "\" --lang en", {"23 030 03 01"}},
        {"settings applied", "apply \"" + changed + "\" --yes --lang en", {"Maxruntime", "the fitting holds every value"}},
        {"firmware programmed", "flash \"" + image + "\" --lang en", {"V4.02"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.szWhat);
        if (step.strArguments.starts_with("apply")) {
            // The saved file with one value changed within its limits.
            const std::string text = FileText(saved);
            const std::string changedText = std::regex_replace(text, std::regex("<Maxruntime>[0-9]+</Maxruntime>"), "<Maxruntime>120</Maxruntime>");
            ASSERT_NE(text, changedText) << text;
            std::ofstream(changed, std::ios::binary) << changedText;
        }
        const bool bDownload = step.strArguments.starts_with("flash");
        if (bDownload)
            SetProcessEnvironment("VELMOR_SIM_TRACE", trace.string());
        const CliResult result = Run(step.strArguments);
        if (bDownload)
            UnsetEnv("VELMOR_SIM_TRACE");
        ASSERT_EQ(result.nExit, 0) << result.strErr << result.strOut;
        for (const std::string& part : step.expected)
            EXPECT_TRUE(Contains(result.strOut, part)) << part << "\n" << result.strOut;
    }

    // The fitting afterwards, each answer from a new process.
    const CliResult errors = Run("errors --json");
    EXPECT_TRUE(Contains(errors.strOut, "\"count\": 0")) << errors.strOut;
    const CliResult settings = Run("read --json");
    EXPECT_TRUE(std::regex_search(settings.strOut, std::regex("\"name\": \"Maxruntime\",\\s*\"value\": 120"))) << settings.strOut;
    const CliResult identity = Run("identify --json");
    EXPECT_TRUE(std::regex_search(identity.strOut, std::regex("\"SW version\": \"V4.02\""))) << identity.strOut;
    // The download ran at its own speed, and the line went back to 2400 bit/s.
    const std::vector<std::string> speeds = AnswerSpeeds(trace);
    ASSERT_GE(speeds.size(), 3u) << FileText(trace).substr(0, 2000);
    EXPECT_EQ(speeds.front(), "2400");
    EXPECT_NE(std::find(speeds.begin(), speeds.end(), "38400"), speeds.end());
    EXPECT_EQ(speeds.back(), "2400");
}
