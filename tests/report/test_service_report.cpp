// The service report of visits made by hand: what each kind of record shows,
// a record without its product definition or from an older version, and the
// heaviest visit still on two pages.

#include "PdfText.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "fitting/EEAddressMap.h"
#include "pages/SettingsFamily.h"
#include "report/ServiceReport.h"
#include "servicelog/ServiceLog.h"
#include "workflow/ProductCatalog.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <filesystem>
#include <memory>
#include <regex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

CVisitDetail Visit(const std::string& strArticle, std::vector<CServiceEvent> events)
{
    CVisitDetail visit;
    visit.summary.llId = 7;
    visit.summary.strStarted = "2026-03-12T09:15:00Z";
    visit.summary.unit = {strArticle, "000004012301", "000004012301", "V2.10", "V1.04", "2024.05.17"};
    visit.summary.context = {"K. Weber", "0 (VB1, D2XX)", "2.15.0"};
    visit.events = std::move(events);
    return visit;
}

constexpr const char* kUrinal = "230400401";

class ServiceReportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char szName[] = "test_service_report";
        static char* argv[] = {szName, nullptr};
        s_pApplication = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { s_pApplication.reset(); }

    void SetUp() override
    {
        g_nLanguage = kLanguageEnglish;
        m_dir = fs::temp_directory_path() / ("fluxa_report_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        std::string strError;
        ASSERT_EQ(m_catalog.LoadDeviceConfigs(FLUXA_SOURCE_DIR "/data/Config", strError, CheckDefinitionFitsFields), Result::Ok) << strError;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // The report's text as laid out, and its page count.
    std::string Report(const CVisitDetail& visit, int& nPages)
    {
        const fs::path pdf = m_dir / "report.pdf";
        std::string strError;
        EXPECT_EQ(WriteServiceReport(visit, m_catalog, pdf.string(), strError), Result::Ok) << strError;
        nPages = PdfPageCount(pdf);
        return PdfText(pdf);
    }

    fs::path m_dir;
    CProductCatalog m_catalog;
    static std::unique_ptr<QGuiApplication> s_pApplication;
};

std::unique_ptr<QGuiApplication> ServiceReportTest::s_pApplication;

TEST_F(ServiceReportTest, EachRecordShowsWhatItKeeps)
{
    using K = ServiceEventKind;
    struct Case {
        const char* szName;
        std::string strArticle;
        std::vector<CServiceEvent> events;
        std::vector<std::string> expected; // regexes, in the text as laid out
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"a write the fitting did not keep, the installation record changed", kUrinal,
         {{K::SettingsWritten, Result::NoResponse, "no answer",
           {{"StadiumRuntime", "10", "30", WriteVerdict::NotHeld, "10"}, {"Installer", "Old GmbH", "Sanitär Öztürk"}}, {},
           WriteOutcome::SomeNotHeld}},
         {"Stadium mode: duration +10 → 30, the fitting holds 10 +s +5–900", "Installer +Old GmbH → Sanitär Öztürk", "Urinal flush control"},
         {}},
        {"a write cut off, then read again", kUrinal,
         {{K::SettingsWritten, Result::DriverStatus, "Call to function (FT_Write) failed",
           {{"StadiumRuntime", "10", "30", WriteVerdict::Unknown}, {"Runtime", "60", "90", WriteVerdict::InFlight},
            {"StagnationRuntime", "20", "25", WriteVerdict::NotWritten}}, {}, WriteOutcome::CutWriting},
          {K::SettingsChecked, Result::Ok, "",
           {{"StadiumRuntime", "10", "30", WriteVerdict::Held, "30"}, {"Runtime", "60", "90", WriteVerdict::NotWritten, "60"},
            {"StagnationRuntime", "20", "25", WriteVerdict::NotWritten, "20"}}, {}, WriteOutcome::CutWriting}},
         {"Stadium mode: duration +10 → 30 +s", "→ 90 \\(not written\\)", "was cut off while .* was written", "Read again at"},
         {"FT_Write", "not held"}},
        {"no product definition for the article", "999999999",
         {{K::SettingsRead, Result::Ok, "", {{"Foo", "", "7"}}, {}}, {K::ErrorsRead, Result::Ok, "", {{"Count", "", "1"}, {"Entry 1", "", "0x0D"}}, {}}},
         {"Foo +7", "99 999 99 99", "Entry +Read\\s+1 +0x0d\\s"},
         {"Product type", "Undervoltage"}},
        {"a download recorded before digests, failed", kUrinal,
         {{K::FirmwareDownload, Result::NoResponse, "The fitting did not answer.", {{"File", "", "urinal.hex"}, {"Version", "V2.10", ""}}, {}},
          {K::ErrorsRead, Result::Ok, "", {{"Count", "", "1"}, {"Entry 1", "", "0x0D"}}, {}}},
         {"urinal\\.hex +V2\\.10 → \\? +failed: The fitting did not answer\\.", "1 +0x0d - Undervoltage warning"},
         {"SHA-256", "Before the clear"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szName);
        int nPages = 0;
        const std::string strText = Report(Visit(c.strArticle, c.events), nPages);
        EXPECT_EQ(nPages, 1);
        for (const std::string& strExpected : c.expected)
            EXPECT_TRUE(std::regex_search(strText, std::regex(strExpected))) << strExpected << "\n" << strText;
        for (const std::string& strAbsent : c.absent)
            EXPECT_FALSE(std::regex_search(strText, std::regex(strAbsent))) << strAbsent << "\n" << strText;
    }
}

TEST_F(ServiceReportTest, TheHeaviestVisitFitsOnTwoPages)
{
    using K = ServiceEventKind;
    std::vector<CServiceItem> read;
    std::vector<CServiceItem> written;
    for (const CSettingField& field : FindSettingsFamily(kProductUrinal)->fields) {
        read.push_back({field.szName, "", "1"});
        written.push_back({field.szName, "1", "2", WriteVerdict::NotHeld, "1"});
    }
    std::vector<CServiceItem> errors{{"Count", "5", "5"}};
    for (int i = 1; i <= 5; ++i)
        errors.push_back({"Entry " + std::to_string(i), "0x0D", "0x0D"});
    std::vector<CServiceEvent> events{{K::SettingsRead, Result::Ok, "", read, {}},
                                      {K::SettingsWritten, Result::Ok, "", written, {}},
                                      {K::OperatingData, Result::Ok, "", {{"HoursTotal", "", "5678"}, {"Placement", "", "Building A"}}, {}},
                                      {K::ErrorsCleared, Result::TargetError, "The fitting did not keep the clear.", errors, {}}};
    for (int i = 0; i < 4; ++i)
        events.push_back({K::FirmwareDownload, Result::Ok, "", {{"File", "", "urinal.hex"}, {"SHA-256", "", std::string(64, 'a')}, {"Version", "V2.10", "V2.11"}}, {}});
    for (int nLanguage : {kLanguageEnglish, kLanguageGerman}) {
        g_nLanguage = nLanguage;
        int nPages = 0;
        const std::string strText = Report(Visit(kUrinal, events), nPages);
        EXPECT_TRUE(nPages >= 1 && nPages <= 2) << nPages;
        EXPECT_TRUE(std::regex_search(strText, std::regex("(Signature of the technician|Unterschrift des Technikers) \\(K\\. Weber\\)"))) << strText;
        EXPECT_TRUE(std::regex_search(strText, std::regex("(Placement|Einsatzort) +Building A"))) << strText; // from the operating data
    }
}

// However long the settings table grows, the signature lines never begin
// a page of their own: they stay with the last section.
TEST_F(ServiceReportTest, TheSignatureStaysWithTheLastSection)
{
    const fs::path pdf = m_dir / "report.pdf";
    int nMoved = 0;
    for (int nRows = 40; nRows <= 90; nRows += 2) {
        SCOPED_TRACE(nRows);
        std::vector<CServiceItem> items;
        for (int i = 0; i < nRows; ++i)
            items.push_back({"Setting" + std::to_string(i), "", std::to_string(i)});
        std::string strError;
        ASSERT_EQ(WriteServiceReport(Visit("999999999", {{ServiceEventKind::SettingsRead, Result::Ok, "", items, {}}}), m_catalog,
                                     pdf.string(), strError),
                  Result::Ok)
            << strError;
        const int nPages = PdfPageCount(pdf);
        const std::string strLast = ShellOutput("pdftotext -layout -f " + std::to_string(nPages) + " -l " + std::to_string(nPages) + " '" +
                                                pdf.string() + "' -");
        ASSERT_NE(strLast.find("______"), std::string::npos) << strLast;
        EXPECT_NE(strLast.find("Firmware"), std::string::npos) << strLast;
        nMoved += strLast.find("Setting") == std::string::npos ? 1 : 0;
    }
    EXPECT_GT(nMoved, 0); // some lengths put the last section on a page of its own
}

TEST_F(ServiceReportTest, AMissingVisitOrFolderIsRefused)
{
    CServiceLog log;
    std::string strError;
    ASSERT_EQ(log.Open((m_dir / "service.db").string(), strError), Result::Ok) << strError;
    EXPECT_EQ(WriteServiceReport(log, 42, m_catalog, (m_dir / "r.pdf").string(), strError), Result::InvalidArgument);
    EXPECT_EQ(strError, "The service record holds no visit 42.");
    const fs::path unwritable = m_dir / "missing" / "r.pdf";
    EXPECT_NE(WriteServiceReport(Visit(kUrinal, {}), m_catalog, unwritable.string(), strError), Result::Ok);
    EXPECT_EQ(strError.rfind("Can't create the file: '" + unwritable.string() + "'.", 0), 0u) << strError;
    EXPECT_FALSE(fs::exists(unwritable));
}

} // namespace
