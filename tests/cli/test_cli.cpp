// fluxa-cli as a user runs it: a process on the simulated bus, each test with
// its own scenario file and its own settings store.

#include "CliTestSupport.h"

#include <fstream>

TEST_F(Cli, IdentifiesTheSimulatedFaucet)
{
    const CliResult text = Run("identify --lang en");
    ASSERT_EQ(text.nExit, 0) << text.strErr;
    for (const char* part : {"23 030 03 01", "Ambra", "Active application", "1 = Application", "Production date"})
        EXPECT_TRUE(Contains(text.strOut, part)) << part << "\n" << text.strOut;

    const CliResult json = Run("identify --json");
    ASSERT_EQ(json.nExit, 0) << json.strErr;
    EXPECT_TRUE(Contains(json.strOut, "\"typeCode\": 3")) << json.strOut;
    EXPECT_TRUE(Contains(json.strOut, "\"article\": \"230300301\"")) << json.strOut;
}

TEST_F(Cli, BothSerialNumbersAreShownEachWithItsLabel)
{
    // The unit's own serial number from its EEPROM, and the module
    // information's, which this fitting reports from the same bytes.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\nfitting_serial = 0000000A0B0C\n");
    const CliResult result = Run("identify --lang en --json");
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_TRUE(Contains(result.strOut, "\"unitSerialNumber\": \"0000000A0B0C\"")) << result.strOut;
    EXPECT_TRUE(Contains(result.strOut, "\"Serial number\": \"0000000A0B0C\"")) << result.strOut;
    const CliResult text = Run("identify --lang en");
    EXPECT_TRUE(Contains(text.strOut, "Serial number of the unit (EEPROM): 0000000A0B0C")) << text.strOut;
    EXPECT_TRUE(Contains(text.strOut, "Serial number (module information): 0000000A0B0C")) << text.strOut;
}

TEST_F(Cli, EveryCommandNamesTheArticleByTheSameKeys)
{
    std::ofstream(Dir() / "saved.xml") << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file><ArticleNumber>230300301</ArticleNumber>"
                                          "<ConfigSheet>Ambra</ConfigSheet><Settings><Runtime>10</Runtime></Settings></file>\n";
    for (const std::string& arguments : {std::string("identify"), std::string("info"), std::string("errors"), std::string("eeprom dump"),
                                         std::string("product 230300301"), "config show '" + (Dir() / "saved.xml").string() + "'"}) {
        const CliResult result = Run(arguments + " --json");
        ASSERT_EQ(result.nExit, 0) << arguments << ": " << result.strErr;
        EXPECT_TRUE(Contains(result.strOut, "\"article\": \"230300301\"")) << arguments << "\n" << result.strOut;
        EXPECT_TRUE(Contains(result.strOut, "\"articleFormatted\": \"23 030 03 01\"")) << arguments << "\n" << result.strOut;
    }
    const CliResult products = Run("products --json");
    EXPECT_TRUE(Contains(products.strOut, "\"articleFormatted\": \"23 010 01 01\"")) << products.strOut;
    EXPECT_TRUE(Contains(Run("info --help").strOut, "articleFormatted"));
}

TEST_F(Cli, GermanOutputHasNoEnglishLines)
{
    const char* const englishWords[] = {"Article", "Serial", "Open", "Closed", "Application", "Software version", "Boot loader", "Product", "Error",
                                        "history", "Valve", "sum ok", "Rows", "hours", "count", "Installer"};
    for (const char* arguments : {"identify", "info", "errors", "valve state", "eeprom dump"}) {
        const CliResult result = Run(std::string(arguments) + " --lang de");
        ASSERT_EQ(result.nExit, 0) << arguments << ": " << result.strErr;
        for (const char* word : englishWords)
            EXPECT_FALSE(Contains(result.strOut, word)) << arguments << ": " << word << "\n" << result.strOut;
    }
}

TEST_F(Cli, ListsAdaptersAmongOtherDevices)
{
    Scenario("time_scale = 0\n[device]\ndescription = USB Serial Converter\n[adapter]\ndescription = VELMOR BUS CONVERTER\n"
             "fitting = WC\n[adapter]\nfitting = Tarvo\n");
    const CliResult result = Run("adapters --json");
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_TRUE(Contains(result.strOut, "\"description\": \"USB Serial Converter\"")) << result.strOut;
    EXPECT_TRUE(Contains(result.strOut, "\"adapter\": \"-\"")) << result.strOut;
    EXPECT_TRUE(Contains(result.strOut, "\"adapter\": \"1\"")) << result.strOut;

    const CliResult second = Run("identify --adapter 1 --lang en"); // device 2, the flush valve
    ASSERT_EQ(second.nExit, 0) << second.strErr;
    EXPECT_TRUE(Contains(second.strOut, "23 010 01 01")) << second.strOut;
}

TEST_F(Cli, InformationAndLanguages)
{
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\n"
             "eeprom 0x50 = 00 00 00\n");
    const CliResult english = Run("info --lang en");
    ASSERT_EQ(english.nExit, 0) << english.strErr;
    EXPECT_TRUE(Contains(english.strOut, "Operation hours total:")) << english.strOut;
    const CliResult german = Run("info --lang de");
    ASSERT_EQ(german.nExit, 0) << german.strErr;
    EXPECT_TRUE(Contains(german.strOut, "Betriebsstunden gesamt:")) << german.strOut;

    StoreSettings("[Settings]\nLanguage=2\n");
    EXPECT_TRUE(Contains(Run("info").strOut, "Operation hours total:")); // the stored language
}

TEST_F(Cli, ErrorHistoryIsClearedOnlyWhenConfirmed)
{
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom_file = " + (Dir() / "eeprom.bin").string() + "\n");
    const CliResult before = Run("errors --lang en --json");
    ASSERT_EQ(before.nExit, 0) << before.strErr;
    EXPECT_FALSE(Contains(before.strOut, "\"count\": 0")) << before.strOut;

    const CliResult refused = Run("errors --clear --lang en"); // no terminal to ask on
    EXPECT_EQ(refused.nExit, 1);
    EXPECT_TRUE(Contains(refused.strErr, "was not cleared")) << refused.strErr;

    const CliResult cleared = Run("errors --clear --yes --lang en");
    ASSERT_EQ(cleared.nExit, 0) << cleared.strErr;
    EXPECT_TRUE(Contains(cleared.strOut, "No entry")) << cleared.strOut;
    const CliResult after = Run("errors --lang en --json"); // a new process, the EEPROM file kept
    EXPECT_TRUE(Contains(after.strOut, "\"count\": 0")) << after.strOut;
    EXPECT_TRUE(Contains(after.strOut, "\"storedCodes\": [\n        0,\n        0,\n        0,")) << after.strOut;
}

TEST_F(Cli, AClearWithAFailedWriteFailsAndTheTruthIsShown)
{
    // Reads of EEPROM rows (command 11) before the clear: identification 3,
    // error history 6, the article check 1; then one a write: count, entry 1,
    // entry 2, and both attempts for entry 3 are garbled.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom_file = " + (Dir() / "eeprom.bin").string() +
             "\nfault = bad_checksum command 11 skip=13 times=2\n");
    const CliResult failed = Run("errors --clear --yes --lang en --json");
    EXPECT_EQ(failed.nExit, 1);
    EXPECT_TRUE(Contains(failed.strErr, "Invalid checksum")) << failed.strErr;
    EXPECT_TRUE(Contains(failed.strErr, "garbled")) << failed.strErr; // the hint

    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom_file = " + (Dir() / "eeprom.bin").string() + "\n");
    const CliResult after = Run("errors --lang en --json");
    ASSERT_EQ(after.nExit, 0) << after.strErr;
    EXPECT_TRUE(Contains(after.strOut, "\"count\": 0")) << after.strOut;
    EXPECT_TRUE(Contains(after.strOut, "\"storedCodes\": [\n        0,\n        0,\n        5,\n        0,\n        0\n")) << after.strOut;
    EXPECT_EQ(failed.strOut, after.strOut) << "the failed clear showed what was read back";
}

TEST_F(Cli, TextsFromTheFittingArePrintedEscaped)
{
    // Installer "AB", an escape sequence that would clear the screen, "C".
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom 0xB0 = 41 42 1B 5B 32 4A 43 00\n");
    const CliResult text = Run("info --lang en");
    ASSERT_EQ(text.nExit, 0) << text.strErr;
    EXPECT_TRUE(Contains(text.strOut, "AB\\x1b[2JC")) << text.strOut;
    EXPECT_FALSE(Contains(text.strOut, "\x1b")) << "no raw escape character";
    const CliResult json = Run("info --json");
    EXPECT_TRUE(Contains(json.strOut, "\"installer\": \"AB\\u001b[2JC\"")) << json.strOut;

    // A soft hyphen (a format character) and a C1 control are escaped as
    // well; a letter beyond ASCII is shown as it is.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom 0xB0 = 41 AD 42 81 E4 00\n");
    const CliResult wide = Run("info --lang en");
    ASSERT_EQ(wide.nExit, 0) << wide.strErr;
    EXPECT_TRUE(Contains(wide.strOut, "Installer: ")) << wide.strOut;
    EXPECT_TRUE(Contains(wide.strOut, "A\\xadB\\x81\u00e4\n")) << wide.strOut;
}

TEST_F(Cli, ValveAndEepromDump)
{
    const CliResult opened = Run("valve open --lang en");
    ASSERT_EQ(opened.nExit, 0) << opened.strErr;
    EXPECT_TRUE(Contains(opened.strOut, "Opened")) << opened.strOut;
    EXPECT_TRUE(Contains(Run("valve state --lang en").strOut, "Closed")); // a new process, a new fitting

    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\neeprom 0x30 = 12 34\n");
    const CliResult dump = Run("eeprom dump --lang en");
    ASSERT_EQ(dump.nExit, 0) << dump.strErr;
    EXPECT_TRUE(Contains(dump.strOut, "0030: 12 34 ")) << dump.strOut;
    EXPECT_TRUE(Contains(dump.strOut, "00F0: ")) << dump.strOut; // the rows the maps use
    EXPECT_FALSE(Contains(dump.strOut, "0100: ")) << dump.strOut;
    EXPECT_TRUE(Contains(dump.strOut, "Rows with a bad sum: 0")) << dump.strOut;

    const CliResult range = Run("eeprom dump --range 0x100 0x1FF --lang en");
    ASSERT_EQ(range.nExit, 0) << range.strErr;
    EXPECT_TRUE(Contains(range.strOut, "0100: ")) << range.strOut;
    EXPECT_TRUE(Contains(range.strOut, "01F0: ")) << range.strOut;
    EXPECT_FALSE(Contains(range.strOut, "00F0: ")) << range.strOut;
    for (const char* bad : {"eeprom dump --range 0x200 0x100", "eeprom dump --range 0x100", "eeprom dump --range 0 0x10000", "eeprom dump 0 1"})
        EXPECT_EQ(Run(bad).nExit, 2) << bad;
}

TEST_F(Cli, AFailureInsideTheDumpRangeEndsItAfterTheRowsRead)
{
    struct Case {
        const char* fault;
        const char* arguments;
        const char* message;
    };
    // The read of row 0x40 fails: the rows before it are shown.
    for (const Case& c : {Case{"target_error command 11 address=0x40 times=1", "", "Error code 0x07 reported by target"},
                          Case{"no_answer command 11 address=0x40", "", "Timeout"},
                          Case{"", "--range 0x1C0 0x23F", "Error code 0x08 reported by target"}}) { // beyond the 512 bytes
        Scenario(std::string("time_scale = 0\n[adapter]\nfitting = Ambra\n") + (*c.fault != 0 ? "fault = " : "") + c.fault + "\n");
        const CliResult text = Run(std::string("eeprom dump --lang en ") + c.arguments);
        EXPECT_EQ(text.nExit, 1) << c.fault;
        EXPECT_TRUE(Contains(text.strErr, c.message)) << c.fault << ": " << text.strErr;
        const bool bPastEnd = *c.fault == 0;
        EXPECT_TRUE(Contains(text.strOut, bPastEnd ? "01F0: " : "0030: ")) << c.fault << "\n" << text.strOut;
        EXPECT_FALSE(Contains(text.strOut, bPastEnd ? "0200: " : "0040: ")) << c.fault << "\n" << text.strOut;

        const CliResult json = Run(std::string("eeprom dump --json ") + c.arguments);
        EXPECT_EQ(json.nExit, 1) << c.fault;
        EXPECT_TRUE(Contains(json.strOut, "\"complete\": 0")) << json.strOut;
        EXPECT_TRUE(Contains(json.strOut, bPastEnd ? "\"address\": 496" : "\"address\": 48")) << json.strOut;
    }
}

TEST_F(Cli, BusProblemsSayWhatToDo)
{
    struct Case {
        const char* scenario;
        const char* arguments;
        const char* message;
    };
    for (const Case& c : {Case{"time_scale = 0\n[device]\n", "identify", "No bus adapter \"Velmor BUS converter\" was found."},
                          {"time_scale = 0\n[adapter]\nfitting = Ambra\n", "identify --adapter 1", "There is no bus adapter number 1"},
                          {"time_scale = 0\n[adapter]\nfitting = none\n", "info", "No fitting answers."},
                          {"time_scale = 0\n[adapter]\nfitting = Unknown\n", "identify", "23 999 99 99 is in no product definition"},
                          {"time_scale = 0\n[adapter]\nfitting = Unknown\n", "errors", "23 999 99 99 is in no product definition"}}) {
        Scenario(c.scenario);
        const CliResult result = Run(std::string(c.arguments) + " --lang en");
        EXPECT_EQ(result.nExit, 1) << c.arguments;
        EXPECT_TRUE(Contains(result.strErr, c.message)) << c.arguments << ": " << result.strErr;
    }
}

TEST_F(Cli, FailuresSayWhatToDo)
{
    struct Case {
        const char* fault;
        const char* message;
        const char* hint;
    };
    for (const Case& c : {Case{"missing_echo always", "Invalid echo response", "not even as echo. Check the bus adapter and its cable"},
                          // The first read of the information: the total hours at 0x42.
                          Case{"unplug_adapter command 11 address=0x42", "FT_", "it may have been unplugged"},
                          Case{"target_error command 11 address=0x42 code=0x0C", "Error code 0x0C reported by target", "The fitting refused the request"}}) {
        Scenario(std::string("time_scale = 0\n[adapter]\nfitting = Ambra\nfault = ") + c.fault + "\n");
        const CliResult result = Run("info --lang en");
        EXPECT_EQ(result.nExit, 1) << c.fault;
        EXPECT_TRUE(Contains(result.strErr, c.message)) << c.fault << ": " << result.strErr;
        EXPECT_TRUE(Contains(result.strErr, c.hint)) << c.fault << ": " << result.strErr;
        EXPECT_FALSE(Contains(result.strErr, "Error: Error:")) << result.strErr;
    }
}

TEST_F(Cli, ADefinitionFolderThatFailsToLoadIsNamed)
{
    const std::string config = (Dir() / "Config").string();
    std::filesystem::create_directories(Dir() / "Config" / ".thumbnails");
    std::filesystem::copy(FLUXA_SOURCE_DIR "/data/Config/Ambra_230300301", Dir() / "Config" / "Ambra_230300301", std::filesystem::copy_options::recursive);
    for (const char* command : {"identify", "info"}) {
        const CliResult result = Run(std::string(command) + " --lang en --config '" + config + "'");
        EXPECT_EQ(result.nExit, 1) << command;
        EXPECT_TRUE(Contains(result.strErr, "The product definitions could not be loaded")) << result.strErr;
        EXPECT_TRUE(Contains(result.strErr, ".thumbnails")) << result.strErr;
        EXPECT_FALSE(Contains(result.strErr, "is in no product definition")) << result.strErr;
    }
    std::ofstream(Dir() / "broken.xml") << "<file><ArticleNumber>12";
    const CliResult broken = Run("config show '" + (Dir() / "broken.xml").string() + "' --lang de");
    EXPECT_EQ(broken.nExit, 1);
    EXPECT_EQ(broken.strErr.rfind("Fehler: ", 0), 0u) << broken.strErr;
    EXPECT_FALSE(Contains(broken.strErr, "Fehler: Fehler:")) << broken.strErr;
}

TEST_F(Cli, LineFaultInTheMiddleOfAJob)
{
    // The fitting stops answering EEPROM reads after the identification.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\nfault = no_answer command 11 always\n");
    const CliResult result = Run("info --lang en");
    EXPECT_EQ(result.nExit, 1);
    EXPECT_TRUE(Contains(result.strErr, "No fitting answers.")) << result.strErr;

    // Another product is plugged in after the identification: the check
    // before switching the valve refuses it.
    Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\nfault = exchange_fitting command 2 times=1 profile=Tarvo\n");
    const CliResult swapped = Run("valve open --lang en");
    EXPECT_EQ(swapped.nExit, 1);
    EXPECT_TRUE(Contains(swapped.strErr, "is not equal to the")) << swapped.strErr;
}

TEST_F(Cli, WrongUsageExitsWithTwo)
{
    for (const char* arguments : {"", "frobnicate", "identify --adapter x", "identify --lang fr", "valve sideways", "valve",
                                  "errors --merge", "identify --bogus", "hex show", "config list x.xml"}) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.nExit, 2) << arguments;
        EXPECT_FALSE(result.strErr.empty()) << arguments;
    }
    const CliResult help = Run("flash --help");
    EXPECT_EQ(help.nExit, 0);
    EXPECT_TRUE(Contains(help.strOut, "Usage: fluxa-cli flash <file>")) << help.strOut;
}

TEST_F(Cli, TheCommandLineIsReadAsEver)
{
    struct Case {
        const char* szArguments;
        int nExit;
        const char* szOut; // expected on standard output, or else on standard error
    };
    for (const Case& c : {Case{"identify --bogus --foo", 2, "fluxa-cli: Unknown options: bogus, foo.\nTry 'fluxa-cli --help'."},
                          Case{"-hx", 2, "Unknown option 'x'."},
                          Case{"-json products", 2, "Unknown options: j, s, o, n."},
                          Case{"products --lang", 2, "Missing value after '--lang'."},
                          Case{"products --json=1", 2, "Unexpected value after '--json'."},
                          Case{"-h=1", 2, "Unexpected value after '-h'."},
                          Case{"products -- --json", 2, "wrong arguments for 'products'"},
                          Case{"-- --help", 2, "unknown command '--help'"},
                          Case{"--lang --json products", 2, "--lang takes de or en"}, // a value may begin with a dash
                          Case{"--adapter 1,1 identify", 2, "--adapter takes a number"},
                          Case{"--lang=en products --json", 0, "\"articleFormatted\": \"23 030 03 01\""},
                          Case{"--lang de products --lang en", 0, "Products"}, // the last value counts
                          Case{"-hh products extra", 0, "Usage: fluxa-cli products"}}) {
        const CliResult result = Run(c.szArguments);
        EXPECT_EQ(result.nExit, c.nExit) << c.szArguments << "\n" << result.strErr;
        EXPECT_TRUE(Contains(c.nExit == 0 ? result.strOut : result.strErr, c.szOut)) << c.szArguments << "\n" << result.strOut << result.strErr;
    }
}

TEST_F(Cli, ProductDefinitionsAndFiles)
{
    const CliResult products = Run("products --lang en --json");
    ASSERT_EQ(products.nExit, 0) << products.strErr;
    for (const char* article : {"230100101", "230200201", "230300301", "230300302", "230400401", "230500501", "230600601", "230700701"})
        EXPECT_TRUE(Contains(products.strOut, article)) << article;

    const CliResult product = Run("product 230300301 --lang en");
    ASSERT_EQ(product.nExit, 0) << product.strErr;
    EXPECT_TRUE(Contains(product.strOut, "Runtime")) << product.strOut;
    EXPECT_TRUE(Contains(product.strOut, "Maximum:")) << product.strOut;
    const CliResult unknown = Run("product 239999999 --lang en");
    EXPECT_EQ(unknown.nExit, 1);
    EXPECT_TRUE(Contains(unknown.strErr, "No product definition has the article number 239999999.")) << unknown.strErr;
    EXPECT_EQ(Run("products --config /nonexistent/dir").nExit, 1);

    std::ofstream(Dir() / "saved.xml") << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file><ArticleNumber>230300301</ArticleNumber>"
                                          "<ConfigSheet>Ambra</ConfigSheet><Settings><Runtime>10</Runtime><Installer>Fa. Muster</Installer>"
                                          "</Settings></file>\n";
    const CliResult config = Run("config show '" + (Dir() / "saved.xml").string() + "' --lang en");
    ASSERT_EQ(config.nExit, 0) << config.strErr;
    EXPECT_TRUE(Contains(config.strOut, "Fa. Muster")) << config.strOut;
    std::ofstream(Dir() / "broken.xml") << "<file><ArticleNumber>12";
    EXPECT_EQ(Run("config show '" + (Dir() / "broken.xml").string() + "'").nExit, 1);
    EXPECT_EQ(Run("config show '" + (Dir() / "missing.xml").string() + "'").nExit, 1);

    const std::string image = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.03_gap.hex";
    const CliResult hex = Run("hex show '" + image + "' --json");
    ASSERT_EQ(hex.nExit, 0) << hex.strErr;
    const CliResult merged = Run("hex show '" + image + "' --merge 0x1800 0x7FFF --lang en");
    ASSERT_EQ(merged.nExit, 0) << merged.strErr;
    EXPECT_TRUE(Contains(merged.strOut, "0x00001800")) << merged.strOut;
    EXPECT_TRUE(Contains(merged.strOut, "0x00007FFF")) << merged.strOut;
    EXPECT_TRUE(Contains(merged.strOut, "26624")) << merged.strOut; // one record over the whole area
    EXPECT_EQ(Run("hex show '" + (Dir() / "broken.xml").string() + "'").nExit, 1);
}

TEST_F(Cli, FlashOnlyInServiceMode)
{
    const std::string image = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex";
    const CliResult refused = Run("flash '" + image + "' --lang en");
    EXPECT_EQ(refused.nExit, 1);
    EXPECT_TRUE(Contains(refused.strErr, "service mode")) << refused.strErr;

    StoreSettings("[Settings]\nDontChange=727587911\n"); // the service code 0x2B5E1C47
    const CliResult wrongFamily = Run("flash '" FLUXA_SOURCE_DIR "/data/Firmware/flushvalve_V3.01.hex' --lang en");
    EXPECT_EQ(wrongFamily.nExit, 1);
    EXPECT_TRUE(Contains(wrongFamily.strErr, "File not supported")) << wrongFamily.strErr;

    const CliResult flashed = Run("flash '" + image + "' --lang en");
    ASSERT_EQ(flashed.nExit, 0) << flashed.strErr;
    EXPECT_TRUE(Contains(flashed.strOut, "V4.02")) << flashed.strOut; // the new application reports itself
    EXPECT_TRUE(Contains(flashed.strErr, "100%")) << flashed.strErr;  // plain progress lines off a terminal
}

TEST_F(Cli, FileNamesAreTakenAsGivenAndLinksAreNeverReplaced)
{
    // Bytes that are not UTF-8 name the file they name.
    const fs::path odd = Dir() / "\xFE\xFF.xml";
    const CliResult saved = Run("save '" + odd.string() + "' --lang en");
    ASSERT_EQ(saved.nExit, 0) << saved.strErr;
    EXPECT_TRUE(fs::exists(odd));
    EXPECT_FALSE(fs::exists(Dir() / "\xEF\xBF\xBD\xEF\xBF\xBD.xml"));
    const CliResult shown = Run("config show '" + odd.string() + "' --lang en");
    ASSERT_EQ(shown.nExit, 0) << shown.strErr;
    EXPECT_TRUE(Contains(shown.strOut, "23 030 03 01")) << shown.strOut;
    EXPECT_EQ(Run("apply '" + odd.string() + "' --dry-run").nExit, 0);

    // A dangling link is written through to its target and stays a link.
    fs::create_symlink("target.xml", Dir() / "link.xml");
    ASSERT_EQ(Run("save '" + (Dir() / "link.xml").string() + "'").nExit, 0);
    EXPECT_TRUE(fs::is_symlink(Dir() / "link.xml"));
    std::ifstream target(Dir() / "target.xml");
    EXPECT_TRUE(Contains(std::string(std::istreambuf_iterator<char>(target), {}), "<ArticleNumber>230300301<"));
}

TEST_F(Cli, ProductsFailWhenADefinitionIsRefused)
{
    const fs::path config = Dir() / "Config";
    fs::copy(FLUXA_SOURCE_DIR "/data/Config", config, fs::copy_options::recursive);
    const fs::path urinal = config / "Urinal_230400401" / "DeviceConfig.xml";
    std::ifstream in(urinal);
    const std::string strUrinal((std::istreambuf_iterator<char>(in)), {});
    const struct {
        const char* szCase;
        const char* szError;
    } cases[] = {
        {"two definitions of one article", "is allready known"},
        {"a urinal run time the fitting's two bytes of milliseconds cannot hold",
         "The maximum (66) of the setting 'Runtime' does not fit into its 2 byte(s) in the fitting; it may be at most 65."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szCase);
        if (c.szCase == cases[0].szCase) {
            fs::copy(config / "Ambra_230300301", config / "zz_copy", fs::copy_options::recursive);
        } else {
            fs::remove_all(config / "zz_copy");
            std::string strText = strUrinal;
            strText.replace(strText.find("<Max>60</Max>"), 13, "<Max>66</Max>");
            std::ofstream(urinal) << strText;
        }
        for (const char* szCommand : {"products", "product 230300301"}) {
            const CliResult result = Run(std::string(szCommand) + " --lang en --config '" + config.string() + "'");
            EXPECT_EQ(result.nExit, 1) << szCommand;
            EXPECT_TRUE(Contains(result.strErr, "Error:")) << result.strErr;
            EXPECT_TRUE(Contains(result.strErr, c.szError)) << result.strErr;
            EXPECT_FALSE(result.strOut.empty()) << szCommand; // what loaded is still shown
        }
    }
    // A urinal fitting is not served by the refused definition.
    Scenario("time_scale = 0\n[adapter]\nfitting = Urinal\n");
    const CliResult read = Run("read --lang en --config '" + config.string() + "'");
    EXPECT_EQ(read.nExit, 1);
    EXPECT_TRUE(Contains(read.strErr, "'Runtime' does not fit")) << read.strErr;
}
