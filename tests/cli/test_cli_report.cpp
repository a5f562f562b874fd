// The service report through fluxa-cli: a whole visit on the simulated bus
// made into a PDF whose text is read back with pdftotext, and the reports
// that cannot be made.

#include "CliTestSupport.h"
#include "PdfText.h"

#include <regex>

namespace {

class CliReport : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        Scenario("time_scale = 0\n[adapter]\nserial = VB1\nfitting = Ambra\nstartup_ms = 0\nready_ms = 0\neeprom_file = " + (Dir() / "eeprom.bin").string() + "\n");
        StoreSettings("[Settings]\nDontChange=727587911\nTechnician=K. Weber\n"); // service mode, for flash
    }

    // Identify, read, apply a file with Maxruntime changed to 120, clear the
    // errors, read the operating data and flash: one visit. The fitting's Maxruntime before.
    std::string ServeTheUnit()
    {
        EXPECT_EQ(Run("identify").nExit, 0);
        const fs::path saved = Dir() / "saved.xml";
        EXPECT_EQ(Run("save '" + saved.string() + "'").nExit, 0);
        std::string strFile = FileText(saved);
        std::smatch old;
        EXPECT_TRUE(std::regex_search(strFile, old, std::regex("<Maxruntime>([0-9]+)</Maxruntime>"))) << strFile;
        const std::string strOld = old.empty() ? "?" : old[1].str();
        std::ofstream(Dir() / "changed.xml") << std::regex_replace(strFile, std::regex("<Maxruntime>[0-9]+<"), "<Maxruntime>120<");
        const CliResult applied = Run("apply '" + (Dir() / "changed.xml").string() + "' --yes --backup '" + (Dir() / "backup.xml").string() + "'");
        EXPECT_EQ(applied.nExit, 0) << applied.strErr;
        EXPECT_EQ(Run("errors --clear --yes").nExit, 0);
        EXPECT_EQ(Run("info").nExit, 0);
        const CliResult flashed = Run("flash '" FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex'");
        EXPECT_EQ(flashed.nExit, 0) << flashed.strErr;
        return strOld;
    }
};

TEST_F(CliReport, AWholeVisitIsReportedInEitherLanguage)
{
    const std::string strOld = ServeTheUnit();
    ASSERT_NE(strOld, "120");
    // The fitting holds what was written and cleared.
    const CliResult read = Run("read --json");
    EXPECT_TRUE(std::regex_search(read.strOut, std::regex("\"name\": \"Maxruntime\",\\s*\"value\": 120"))) << read.strOut;
    EXPECT_TRUE(Contains(Run("errors --json").strOut, "\"count\": 0"));

    const CliResult history = Run("history --json");
    ASSERT_EQ(history.nExit, 0) << history.strErr;
    EXPECT_EQ(std::count(history.strOut.begin(), history.strOut.end(), '{'), 2) << history.strOut; // the list and one visit
    const CliResult visit = Run("history show 1 --lang en");
    EXPECT_TRUE(Contains(visit.strOut, "Maxruntime: " + strOld + " -> 120")) << visit.strOut;
    EXPECT_TRUE(Contains(visit.strOut, "Version: V1.12 -> V4.02")) << visit.strOut;

    struct Case {
        const char* szLanguage;
        const char* szChangedRow; // regex of the settings row, after the old value
        const char* szClearHeader;
        const char* szNoEntry;
        const char* szFirmwareDone;
        const char* szHoursTotal;
    };
    const Case cases[] = {
        {"en", "Max runtime +", "Before the clear +After the clear", "No entry", "V1\\.12 → V4\\.02 +done", "Operation hours total +[0-9]+"},
        {"de", "Max\\. Laufzeit +", "Vor dem Löschen +Nach dem Löschen", "Kein Eintrag", "V1\\.12 → V4\\.02 +erledigt", "Betriebsstunden gesamt +[0-9]+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szLanguage);
        const fs::path pdf = Dir() / ("report_" + std::string(c.szLanguage) + ".pdf");
        const CliResult report = Run("report '" + pdf.string() + "' --json --lang " + c.szLanguage);
        ASSERT_EQ(report.nExit, 0) << report.strErr;
        EXPECT_TRUE(Contains(report.strOut, "\"visit\": 1")) << report.strOut;
        const int nPages = PdfPageCount(pdf);
        EXPECT_TRUE(nPages >= 1 && nPages <= 2) << nPages;
        const std::string strText = PdfText(pdf);
        EXPECT_TRUE(Contains(strText, "000003012301")) << strText; // the unit's serial number
        EXPECT_TRUE(Contains(strText, "23 030 03 01")) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex(c.szChangedRow + strOld + " → 120 +s +10–300"))) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex(c.szClearHeader))) << strText;
        // The first entry before the clear beside what the fitting held after it.
        EXPECT_TRUE(std::regex_search(strText, std::regex("1 +0x[0-9a-f]{2} - .+ " + std::string(c.szNoEntry)))) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex(c.szFirmwareDone))) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex("SHA-256 [0-9a-f]{64}"))) << strText;
        EXPECT_TRUE(Contains(strText, "K. Weber")) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex(c.szHoursTotal))) << strText;
#ifdef FLUXA_SCREENSHOT_DIR
        fs::create_directories(FLUXA_SCREENSHOT_DIR);
        ShellOutput("pdftoppm -r 80 -png -f 1 -l 1 -singlefile '" + pdf.string() + "' '" FLUXA_SCREENSHOT_DIR "/service_report_" + c.szLanguage + "'");
#endif
    }
    const CliResult after = Run("history --json");
    EXPECT_EQ(std::count(after.strOut.begin(), after.strOut.end(), '{'), 2) << after.strOut; // the report recorded nothing
}

TEST_F(CliReport, AUnitIsFoundBySerialNumberWithoutTheFitting)
{
    ASSERT_EQ(Run("info").nExit, 0);
    Scenario("time_scale = 0\n"); // no adapter left
    const fs::path pdf = Dir() / "by_serial.pdf";
    const CliResult report = Run("report '" + pdf.string() + "' --serial 000003012301 --article '23 030 03 01' --lang en");
    ASSERT_EQ(report.nExit, 0) << report.strErr;
    const std::string strText = PdfText(pdf);
    EXPECT_TRUE(Contains(strText, "Operation hours total")) << strText;
    EXPECT_TRUE(Contains(strText, "Not read in this visit.")) << strText; // no settings were
}

TEST_F(CliReport, NoVisitOrNoPlaceToWriteIsRefused)
{
    struct Case {
        const char* szArguments;
        int nExit;
        const char* szError;
    };
    const Case cases[] = {
        // No service record yet: the report makes none.
        {"report '%s/none.pdf' --lang en", 1, "The service record %s/data/VELMOR/fluxa-usb/service.db does not exist."},
        {"report '%s/none.pdf' --serial 1 --service-db '%s/typo/service.db' --lang en", 1, "The service record %s/typo/service.db does not exist."},
        {"report '%s/none.pdf' --no-log", 2, "option --no-log does not apply to 'report'"},
        {"report '%s/none.pdf' --since 2026-01-01", 2, "option --since does not apply to 'report'"},
        // The connected unit has no visit yet (another unit has), and the report starts none.
        {"info --technician 'on another unit'", 0, ""},
        {"report '%s/none.pdf' --lang en", 1, "holds no visit of the unit with serial number 000003012301"},
        {"report '%s/none.pdf' --serial 999 --lang en", 1, "holds no visit of the unit with serial number 999"},
    };
    const std::string strScenario = FileText(Dir() / "scenario.txt");
    for (const Case& c : cases) {
        const std::string strArguments = std::regex_replace(c.szArguments, std::regex("%s"), Dir().string());
        Scenario(c.nExit == 0 ? "time_scale = 0\n[adapter]\nserial = VB1\nfitting = Ambra\nfitting_serial = 0000000009AA\n" : strScenario);
        const CliResult result = Run(strArguments);
        EXPECT_EQ(result.nExit, c.nExit) << strArguments;
        EXPECT_TRUE(Contains(result.strErr, std::regex_replace(c.szError, std::regex("%s"), Dir().string()))) << strArguments << "\n" << result.strErr;
        EXPECT_FALSE(fs::exists(Dir() / "typo")) << strArguments;
    }
    EXPECT_FALSE(fs::exists(Dir() / "none.pdf"));
    EXPECT_TRUE(Contains(Run("history --serial 000003012301 --lang en").strOut, "No visit matches.")); // nothing recorded

    ASSERT_EQ(Run("identify").nExit, 0);
    const fs::path unwritable = Dir() / "missing" / "report.pdf";
    const CliResult result = Run("report '" + unwritable.string() + "' --lang en");
    EXPECT_EQ(result.nExit, 1);
    EXPECT_TRUE(Contains(result.strErr, "Can't create the file: '" + unwritable.string() + "'")) << result.strErr;
    EXPECT_FALSE(fs::exists(unwritable));
}

} // namespace
