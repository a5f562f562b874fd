// fluxa-cli on Intel HEX images: what "hex show" tells about a file, and what
// "flash" refuses to program.

#include "CliTestSupport.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace {

const std::string kFaucetImage = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex";

// The faucet image as a copy cut off right before its end-of-file record:
// every data line and the signature are there.
std::string WriteCutOffCopy(const fs::path& path)
{
    std::ifstream in(kFaucetImage);
    std::ofstream out(path);
    for (std::string line; std::getline(in, line);)
        if (line != ":00000001FF")
            out << line << "\n";
    return path.string();
}

} // namespace

TEST_F(Cli, HexShowWarnsOfAMissingEndOfFileRecord)
{
    const std::string cutOff = WriteCutOffCopy(Dir() / "cut.hex");
    struct Case {
        std::string arguments;
        std::string expected;
        bool present;
    };
    const Case cases[] = {
        {"'" + cutOff + "' --lang en", "Warning: The file has no end-of-file record and may be cut off.", true},
        {"'" + cutOff + "' --lang de", "Warnung: Die Datei hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten.",
         true},
        {"'" + cutOff + "' --json", "\"endOfFileRecord\": 0", true},
        {"'" + kFaucetImage + "' --lang en", "Warning:", false},
        {"'" + kFaucetImage + "' --json", "\"endOfFileRecord\": 1", true},
    };
    for (const Case& c : cases) {
        const CliResult result = Run("hex show " + c.arguments);
        ASSERT_EQ(result.nExit, 0) << c.arguments << "\n" << result.strErr;
        EXPECT_EQ(Contains(result.strOut, c.expected), c.present) << c.arguments << "\n" << result.strOut;
    }
}

TEST_F(Cli, HexShowGivesLengthsInDecimalAndHexadecimal)
{
    const std::string image = "'" FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.03_gap.hex' --merge 0x1800 0x7FFF";
    const CliResult text = Run("hex show " + image + " --lang en");
    ASSERT_EQ(text.nExit, 0) << text.strErr;
    EXPECT_TRUE(Contains(text.strOut, "Length: 26624 (0x6800)")) << text.strOut;

    const CliResult json = Run("hex show " + image + " --json");
    ASSERT_EQ(json.nExit, 0) << json.strErr;
    EXPECT_TRUE(Contains(json.strOut, "\"length\": 26624,")) << json.strOut;
    EXPECT_TRUE(Contains(json.strOut, "\"lengthHex\": \"0x6800\"")) << json.strOut;
}

TEST_F(Cli, FilesThatNeverEndAreRefusedAtOnce)
{
    const CliResult shown = Run("hex show /dev/zero --lang en");
    EXPECT_EQ(shown.nExit, 1);
    EXPECT_TRUE(Contains(shown.strErr, "Error:")) << shown.strErr;
    EXPECT_TRUE(Contains(shown.strErr, "/dev/zero")) << shown.strErr;

    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode
    const CliResult flashed = Run("flash /dev/zero --lang en");
    EXPECT_EQ(flashed.nExit, 1);
    EXPECT_TRUE(Contains(flashed.strErr, "/dev/zero")) << flashed.strErr;
}

TEST_F(Cli, AnImageThatCannotBeOpenedIsNamedWithTheSystemsReasonAsDetail)
{
    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode
    const std::string missing = (Dir() / "missing.hex").string();
    const std::string details = "\n\nDetails: Can't open the given file (" + missing + "). The system reports the error: (" +
                                std::generic_category().message(ENOENT) + ")";
    const std::string english = "The firmware file \"missing.hex\" can't be read. Check that it exists and that you may read it.";
    const std::string german = "Die Firmware-Datei \"missing.hex\" kann nicht gelesen werden. Prüfen Sie, ob sie vorhanden ist und "
                               "Sie sie lesen dürfen.";
    const struct {
        std::string command;
        std::string message;
    } cases[] = {
        {"hex show '" + missing + "' --lang en", "Error: " + english + details},
        {"hex show '" + missing + "' --lang de", "Fehler: " + german + details},
        {"flash '" + missing + "' --lang en", "Error: " + english + details},
        {"flash '" + missing + "' --lang de", "Fehler: " + german + details},
    };
    for (const auto& c : cases) {
        const CliResult result = Run(c.command);
        EXPECT_EQ(result.nExit, 1) << c.command;
        EXPECT_TRUE(Contains(result.strErr, c.message)) << c.command << "\n" << result.strErr;
    }
}

TEST_F(Cli, FlashRefusesACutOffImage)
{
    // The state file keeps the fitting's flash from one process to the next.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom_file = " + (Dir() / "fitting.state").string() + "\n");
    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode
    const std::string cutOff = WriteCutOffCopy(Dir() / "cut.hex");
    const CliResult english = Run("flash '" + cutOff + "' --lang en");
    EXPECT_EQ(english.nExit, 1);
    EXPECT_TRUE(Contains(english.strErr, "has no end-of-file record and may be cut off; it is not programmed."))
        << english.strErr;
    // The download never began: no boot loader, no new application.
    EXPECT_FALSE(Contains(english.strErr, "Activate bootloader")) << english.strErr;
    EXPECT_FALSE(Contains(english.strOut, "V4.02")) << english.strOut;

    const CliResult german = Run("flash '" + cutOff + "' --lang de");
    EXPECT_EQ(german.nExit, 1);
    EXPECT_TRUE(Contains(german.strErr, "hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten; sie wird nicht "
                                        "programmiert."))
        << german.strErr;

    // The fitting still runs its old application.
    const CliResult identity = Run("identify --lang en");
    ASSERT_EQ(identity.nExit, 0) << identity.strErr;
    EXPECT_TRUE(Contains(identity.strOut, "V1.12")) << identity.strOut;
}
