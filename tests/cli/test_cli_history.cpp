// The service record through fluxa-cli: what the commands record, history
// and its filters, and a record that cannot be kept.

#include "CliTestSupport.h"

#include <regex>

namespace {

// The visit ids of a "history --json" output, newest first.
std::vector<std::string> VisitIds(const std::string& strJson)
{
    std::vector<std::string> ids;
    const std::regex id("\"id\": ([0-9]+)");
    for (auto it = std::sregex_iterator(strJson.begin(), strJson.end(), id); it != std::sregex_iterator(); ++it)
        ids.push_back((*it)[1]);
    return ids;
}

class CliHistory : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        Scenario("time_scale = 0\n[adapter]\nserial = VB1\nfitting = Ambra\nstartup_ms = 0\nready_ms = 0\neeprom_file = " + (Dir() / "eeprom.bin").string() + "\n");
    }
    fs::path Database() const { return Dir() / "data" / "VELMOR" / "fluxa-usb" / "service.db"; }
};

TEST_F(CliHistory, EachVisitKeepsWhatItReadAndChanged)
{
    const std::string strWeber = " --technician 'K. Weber'";
    ASSERT_EQ(Run("identify" + strWeber).nExit, 0);
    const fs::path saved = Dir() / "saved.xml";
    ASSERT_EQ(Run("save '" + saved.string() + "'" + strWeber).nExit, 0);
    std::string strFile = FileText(saved);
    const std::smatch old = [&] {
        std::smatch match;
        std::regex_search(strFile, match, std::regex("<Maxruntime>([0-9]+)</Maxruntime>"));
        return match;
    }();
    ASSERT_FALSE(old.empty()) << strFile;
    const std::string strOld = old[1];
    strFile = std::regex_replace(strFile, std::regex("<Maxruntime>[0-9]+</Maxruntime>"), "<Maxruntime>120</Maxruntime>");
    std::ofstream(Dir() / "changed.xml") << strFile;
    const CliResult applied = Run("apply '" + (Dir() / "changed.xml").string() + "' --yes --backup '" + (Dir() / "backup.xml").string() + "'" + strWeber);
    ASSERT_EQ(applied.nExit, 0) << applied.strErr;
    ASSERT_EQ(Run("errors --clear --yes" + strWeber).nExit, 0);
    ASSERT_EQ(Run("info --technician 'A. Öther'").nExit, 0);

    const CliResult history = Run("history --json --lang en");
    ASSERT_EQ(history.nExit, 0) << history.strErr;
    const std::vector<std::string> ids = VisitIds(history.strOut);
    // identify, save, apply and errors made one visit; another technician starts one of their own
    ASSERT_EQ(ids.size(), 2u) << history.strOut;
    EXPECT_TRUE(std::stoi(ids[0]) > std::stoi(ids[1]));
    EXPECT_TRUE(Contains(history.strOut, "\"technician\": \"K. Weber\"")) << history.strOut;
    EXPECT_TRUE(Contains(history.strOut, "\"technician\": \"A. Öther\"")) << history.strOut; // the name's bytes as given
    EXPECT_TRUE(Contains(history.strOut, "\"adapter\": \"0 (VB1, D2XX)\"")) << history.strOut;
    EXPECT_TRUE(Contains(history.strOut, "\"settingsChanged\": 1")) << history.strOut;

    const CliResult visit = Run("history show " + ids[1] + " --json");
    ASSERT_EQ(visit.nExit, 0) << visit.strErr;
    EXPECT_TRUE(std::regex_search(visit.strOut, std::regex("\"after\": \"120\",\\s*\"before\": \"" + strOld + "\",\\s*\"held\": 1,\\s*\"name\": \"Maxruntime\"")))
        << visit.strOut;
    EXPECT_TRUE(Contains(visit.strOut, "\"kindName\": \"errors-cleared\"")) << visit.strOut;
    EXPECT_TRUE(std::regex_search(visit.strOut, std::regex("\"after\": \"0\",\\s*\"before\": \"[1-9][0-9]*\",\\s*\"held\": 1,\\s*\"name\": \"Count\"")))
        << visit.strOut;
    const CliResult text = Run("history show " + ids[1] + " --lang en");
    EXPECT_TRUE(Contains(text.strOut, "Maxruntime: " + strOld + " -> 120")) << text.strOut;
}

TEST_F(CliHistory, HistoryFiltersAndRefusesWhatItCannotShow)
{
    ASSERT_EQ(Run("identify").nExit, 0);
    ASSERT_EQ(Run("info --technician 'A. Other'").nExit, 0); // a visit of its own
    struct Case {
        const char* szArguments;
        int nExit;
        const char* szExpected; // in the output, or in standard error when it fails
    };
    const Case cases[] = {
        {"history --lang en --article '23 030 03 01'", 0, "Visits, newest first"},
        {"history --lang en --since 2999-01-01", 0, "No visit matches."},
        {"history --lang en --serial 000000000000", 0, "No visit matches."},
        {"history --csv", 0, "id,started,article,unitSerialNumber"},
        {"history --since 11.12.2026", 2, "--since takes a date"},
        {"history --since 2023-02-29", 2, "--since takes a date"}, // no such day
        {"history --lang en --since 2999/01/01", 0, "No visit matches."},
        {"history show ' +2' --lang en", 0, "Operating data read"},
        {"history show", 2, "usage: fluxa-cli history [show <id>]"},
        {"history show 999 --lang en", 1, "holds no visit 999"},
        {"identify --serial 1", 2, "does not apply to 'identify'"},
    };
    for (const Case& c : cases) {
        const CliResult result = Run(c.szArguments);
        EXPECT_EQ(result.nExit, c.nExit) << c.szArguments << "\n" << result.strErr;
        EXPECT_TRUE(Contains(c.nExit == 0 ? result.strOut : result.strErr, c.szExpected)) << c.szArguments << "\n" << result.strOut << result.strErr;
    }
    const CliResult csv = Run("history --csv");
    EXPECT_EQ(std::count(csv.strOut.begin(), csv.strOut.end(), '\n'), 3) << csv.strOut; // the header and two visits
    const CliResult info = Run("history show 2 --json");
    EXPECT_TRUE(Contains(info.strOut, "\"name\": \"HoursTotal\"")) << info.strOut;
}

TEST_F(CliHistory, ReadingTheRecordCreatesNothing)
{
    const fs::path typo = Dir() / "typo" / "servce.db";
    struct Case {
        std::string strArguments;
        int nExit;
        std::string strError;
    };
    const Case cases[] = {
        // Nothing recorded yet: the error, then what to do.
        {"history --lang en", 1, "Error: The service record " + Database().string() + " does not exist.\n--service-db <file> names"},
        {"history show 1 --lang en --service-db '" + typo.string() + "'", 1, "Error: The service record " + typo.string() + " does not exist."},
        {"history --csv --lang de --service-db '" + typo.string() + "'", 1, "Fehler: Das Serviceprotokoll " + typo.string() + " existiert nicht."},
        {"history --no-log", 2, "option --no-log does not apply to 'history'"},
    };
    for (const Case& c : cases) {
        const CliResult result = Run(c.strArguments);
        EXPECT_EQ(result.nExit, c.nExit) << c.strArguments << "\n" << result.strErr;
        EXPECT_TRUE(Contains(result.strErr, c.strError)) << c.strArguments << "\n" << result.strErr;
        EXPECT_EQ(result.strOut, "") << c.strArguments;
    }
    EXPECT_FALSE(fs::exists(Dir() / "typo"));
    EXPECT_FALSE(fs::exists(Dir() / "data"));

    // A command that records no event keeps that it saw the unit; reading it changes nothing.
    ASSERT_EQ(Run("identify").nExit, 0);
    const std::string strRecord = FileText(Database());
    const CliResult history = Run("history --json");
    ASSERT_EQ(history.nExit, 0) << history.strErr;
    EXPECT_EQ(VisitIds(history.strOut).size(), 1u) << history.strOut;
    EXPECT_TRUE(Contains(history.strOut, "\"events\": 0")) << history.strOut;
    EXPECT_EQ(FileText(Database()), strRecord);
}

TEST_F(CliHistory, ARecordThatCannotBeKeptNeverFailsTheJob)
{
    const CliResult quiet = Run("identify --no-log");
    EXPECT_EQ(quiet.nExit, 0) << quiet.strErr;
    EXPECT_FALSE(fs::exists(Database()));

    const fs::path damaged = Dir() / "damaged.db";
    std::ofstream(damaged, std::ios::binary) << std::string(2048, 'Z');
    const CliResult warned = Run("info --lang en --service-db '" + damaged.string() + "'");
    EXPECT_EQ(warned.nExit, 0) << warned.strErr;
    EXPECT_TRUE(Contains(warned.strOut, "Operation hours total")) << warned.strOut;
    EXPECT_TRUE(Contains(warned.strErr, "Warning: The service record " + damaged.string() + " cannot be used")) << warned.strErr;
    EXPECT_EQ(FileText(damaged), std::string(2048, 'Z'));
}

} // namespace
