// fluxa-cli flash after a download cut short: the next process finds the
// fitting where the last one left it and programs it.

#include "CliTestSupport.h"
#include "DownloadPhases.h"
#include "SimulatedTime.h"
#include "SimulatorControl.h"

#include "common/ResultCodes.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareDownload.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <regex>
#include <vector>

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
            Scenario(fitting + "fault = unplug_adapter command 16 address=0x3100\n"); // the 101st block
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

namespace {

// What a download cut short by the adapter pulled in the phase leaves in the
// fitting's state file: made in this process at time scale 0.
void LeaveInterruptedDownload(const std::string& scenario, const DownloadPhase& phase)
{
    SimulatorControl sim(scenario.c_str());
    SimulatedTime time(sim.api);
    CVelmorTPFTDI port;
    CFirmwareDownload download;
    std::string error;
    ASSERT_EQ(Result::Ok, port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, error)) << error;
    ASSERT_EQ(Result::Ok, download.ChooseFile(kFaucetImage, 3, error)) << error;
    const VSimFault pull = PullInPhase(phase);
    ASSERT_GT(sim.api.AddFault(0, &pull), 0) << sim.api.GetLastError();
    ASSERT_EQ(Result::Ok, download.StartProgramming(port, 3, {}, nullptr, error)) << error;
    ASSERT_NE(Result::Ok, download.GetResult());
    // Plugged in again; the fitting's flash goes into its state file too.
    ASSERT_EQ(0, sim.api.AddAdapter(-1, nullptr, "VB4711")) << sim.api.GetLastError();
    ASSERT_EQ(VSIM_OK, sim.api.FixRowSums(0)) << sim.api.GetLastError();
    VSimFittingState state{};
    ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(0, &state));
    ASSERT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
    ASSERT_EQ(phase.speedLeftAt, state.baudRate);
}

} // namespace

// After a download cut short in any phase, identify says the fitting waits in
// its boot loader, and flash programs it: the new version then runs.
TEST_F(Cli, IdentifyAndFlashAFittingLeftInItsBootloaderInEachPhase)
{
    std::vector<fs::path> dirs;
    for (const DownloadPhase& phase : kDownloadPhases) {
        const fs::path dir = Dir() / phase.name;
        fs::create_directories(dir / "config" / "VELMOR");
        std::ofstream(dir / "config" / "VELMOR" / "fluxa-usb.conf") << "[Settings]\nDontChange=727587911\n";
        const std::string scenario = "time_scale = 0\n[adapter]\nserial = VB4711\nfitting = Ambra\nstartup_ms = 100\n"
                                     "eeprom_file = " + (dir / "fitting.state").string() + "\n";
        std::ofstream(dir / "scenario.txt") << scenario;
        LeaveInterruptedDownload(scenario, phase);
        if (HasFatalFailure())
            return;
        dirs.push_back(dir);
    }

    // Each phase's fitting in a process of its own, all at once: the tool's
    // own waits are real.
    struct Outcome {
        CliResult identify, identifyJson, flash, identifyAfter;
    };
    std::vector<std::future<Outcome>> outcomes;
    for (const fs::path& dir : dirs)
        outcomes.push_back(std::async(std::launch::async, [dir] {
            Outcome outcome;
            outcome.identify = RunIn(dir, "identify --lang en");
            outcome.identifyJson = RunIn(dir, "identify --lang de --json");
            outcome.flash = RunIn(dir, "flash '" + kFaucetImage + "' --lang en");
            outcome.identifyAfter = RunIn(dir, "identify --lang en");
            return outcome;
        }));
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        SCOPED_TRACE(kDownloadPhases[i].name);
        ASSERT_EQ(std::future_status::ready, outcomes[i].wait_for(std::chrono::minutes(3)));
        const Outcome outcome = outcomes[i].get();
        EXPECT_EQ(1, outcome.identify.nExit);
        EXPECT_TRUE(Contains(outcome.identify.strErr, "The fitting (article number 23 030 03 01) is waiting in its boot "
                                                      "loader: it has no working application."))
            << outcome.identify.strErr;
        EXPECT_TRUE(Contains(outcome.identify.strErr, "'fluxa-cli flash <file>'")) << outcome.identify.strErr;
        EXPECT_TRUE(Contains(outcome.identify.strOut, "0 = Bootloader")) << outcome.identify.strOut;
        EXPECT_EQ(1, outcome.identifyJson.nExit);
        EXPECT_TRUE(Contains(outcome.identifyJson.strOut, "\"bootloader\": 1")) << outcome.identifyJson.strOut;
        EXPECT_TRUE(Contains(outcome.identifyJson.strErr, "wartet in ihrem Bootloader")) << outcome.identifyJson.strErr;
        EXPECT_TRUE(Contains(outcome.identifyJson.strErr, "'fluxa-cli flash <Datei>'")) << outcome.identifyJson.strErr;

        EXPECT_EQ(0, outcome.flash.nExit) << outcome.flash.strErr;
        EXPECT_EQ(0, outcome.identifyAfter.nExit) << outcome.identifyAfter.strErr;
        EXPECT_TRUE(Contains(outcome.identifyAfter.strOut, "V4.02")) << outcome.identifyAfter.strOut;
        EXPECT_TRUE(Contains(outcome.identifyAfter.strOut, "1 = Application")) << outcome.identifyAfter.strOut;
        EXPECT_TRUE(Contains(ReadText(dirs[i] / "fitting.state"), "state software=application baud=2400"));
    }
}

// flash reports success only for the unit programmed running the image's
// version; a fitting silent after the download is given up within the wait.
// The cases run at once, each in its own folder: the tool's waits are real.
TEST_F(Cli, FlashChecksTheUnitThatAnswersAfterTheDownload)
{
    const struct {
        const char* szName;
        const char* szFault; // the scenario's fault line
        const char* szLanguage;
        int nExit;
        const char* szMessage;
        const char* szSerialAfter; // "" when nothing answers
        const char* szVersionAfter;
    } cases[] = {
        {"programmed", "", "en", 0, "", "000003012301", "V4.02"},
        {"another unit at activate application", "fault = exchange_fitting command 22", "en", 1,
         "Another unit answers after the download: serial number 000003012301 before, 000003012302 now.",
         "000003012302", "V1.12"},
        // In place of the unit programmed one with its serial number and its old firmware.
        {"old version runs", "fault = exchange_fitting command 22 serial=000003012301", "de", 1,
         "Die Armatur führt nach dem Download V1.12 aus, das Abbild enthält V4.02.", "000003012301", "V1.12"},
        // Deaf to every article number read after the identification before the download.
        {"silent after the download", "fault = no_answer command 11 skip=3", "en", 1,
         "The fitting did not answer within 15 s after the download", "", ""},
    };
    struct Outcome {
        CliResult flash;
        std::chrono::steady_clock::duration taken;
    };
    std::vector<fs::path> dirs;
    std::vector<std::future<Outcome>> outcomes;
    for (const auto& c : cases) {
        const fs::path dir = Dir() / c.szName;
        fs::create_directories(dir / "config" / "VELMOR");
        std::ofstream(dir / "config" / "VELMOR" / "fluxa-usb.conf") << "[Settings]\nDontChange=727587911\n";
        std::ofstream(dir / "scenario.txt") << "time_scale = 0\n[adapter]\nserial = VB4711\nfitting = Ambra\nstartup_ms = 100\n"
                                            << "eeprom_file = " << (dir / "fitting.state").string() << "\n" << c.szFault << "\n";
        const std::string arguments = "flash '" + kFaucetImage + "' --json --lang " + c.szLanguage;
        outcomes.push_back(std::async(std::launch::async, [dir, arguments] {
            const auto start = std::chrono::steady_clock::now();
            Outcome outcome;
            outcome.flash = RunIn(dir, arguments);
            outcome.taken = std::chrono::steady_clock::now() - start;
            return outcome;
        }));
        dirs.push_back(dir);
    }
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.szName);
        ASSERT_EQ(std::future_status::ready, outcomes[i].wait_for(std::chrono::minutes(3)));
        const Outcome outcome = outcomes[i].get();
        const CliResult& flash = outcome.flash;
        EXPECT_EQ(c.nExit, flash.nExit) << flash.strErr;
        EXPECT_TRUE(Contains(flash.strErr, c.szMessage)) << flash.strErr;
        // What answers after the download, from the fitting, beside what was programmed.
        if (*c.szSerialAfter == '\0') {
            EXPECT_EQ("", flash.strOut);
            // Ten identifications of ten tries each waited over a minute.
            EXPECT_LT(outcome.taken, std::chrono::seconds(45));
        } else {
            EXPECT_TRUE(Contains(flash.strOut, "\"unitSerialNumber\": \"" + std::string(c.szSerialAfter) + "\"")) << flash.strOut;
            EXPECT_TRUE(Contains(flash.strOut, "\"SW version\": \"" + std::string(c.szVersionAfter) + "\"")) << flash.strOut;
            EXPECT_TRUE(Contains(flash.strOut, "\"unitSerialNumberBefore\": \"000003012301\"")) << flash.strOut;
            EXPECT_TRUE(Contains(flash.strOut, "\"imageVersion\": \"V4.02\"")) << flash.strOut;
        }
        // The service record keeps the download: its file and digest, the version before → after, and whether it did.
        const CliResult record = RunIn(dirs[i], "history show 1 --json --lang en");
        EXPECT_TRUE(Contains(record.strOut, "\"kindName\": \"firmware-download\"")) << record.strOut;
        EXPECT_TRUE(Contains(record.strOut, "\"after\": \"faucet_V4.02.hex\"")) << record.strOut;
        EXPECT_TRUE(std::regex_search(record.strOut, std::regex("\"after\": \"[0-9a-f]{64}\",\\s*\"before\": \"\",\\s*\"held\": 1,\\s*\"name\": \"SHA-256\"")))
            << record.strOut;
        EXPECT_TRUE(std::regex_search(record.strOut, std::regex("\"after\": \"" + std::string(c.szVersionAfter) + "\",\\s*\"before\": \"V1.12\"")))
            << record.strOut;
        EXPECT_EQ(Contains(record.strOut, "\"result\": \"done\""), c.nExit == 0) << record.strOut;
    }
    // The unit programmed holds the image: its version and signature at the flash's end.
    const std::string state = ReadText(dirs[0] / "fitting.state");
    EXPECT_TRUE(Contains(state, "state software=application baud=2400")) << state;
    EXPECT_TRUE(Contains(state, "flash 0x7FF0: B4 FC AB 00 D9 D9 06 A8 4C A9 E2 E2 04 02 55 34")) << state;
}
