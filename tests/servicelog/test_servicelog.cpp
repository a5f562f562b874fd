// The service log: visits recorded and read back, the history of one unit,
// reading that changes nothing, and a database that is damaged, newer,
// locked, full or whose writer dies.

#include "servicelog/ServiceLog.h"
#include "servicelog/VisitCsv.h"

#include "common/Language.h"
#include "common/ResultCodes.h"

#include "FileSizeLimit.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const CServiceUnit kUnit{"230300301", "0000000000A1", "M-77", "V4.02", "V2.07", "15.03.2024"};
const CServiceUnit kOtherUnit{"230100101", "0000000000B2", "M-78", "V1.00", "V1.00", "01.01.2023"};
const CServiceContext kContext{"K. Weber", "Adapter number 0 (VB1)", "2.15.0"};

CServiceEvent Event(ServiceEventKind eKind, std::vector<CServiceItem> items, int nResult = Result::Ok)
{
    CServiceEvent event;
    event.eKind = eKind;
    event.nResult = nResult;
    event.items = std::move(items);
    return event;
}

// A connection of its own, as another program would hold.
class CRawDatabase {
public:
    explicit CRawDatabase(const fs::path& path) { sqlite3_open(path.string().c_str(), &m_pDb); }
    ~CRawDatabase() { sqlite3_close(m_pDb); }
    bool Exec(const char* szSql) { return sqlite3_exec(m_pDb, szSql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    std::string Value(const char* szSql)
    {
        sqlite3_stmt* pStatement = nullptr;
        std::string strValue;
        if (sqlite3_prepare_v2(m_pDb, szSql, -1, &pStatement, nullptr) == SQLITE_OK && sqlite3_step(pStatement) == SQLITE_ROW)
            strValue = reinterpret_cast<const char*>(sqlite3_column_text(pStatement, 0));
        sqlite3_finalize(pStatement);
        return strValue;
    }

private:
    sqlite3* m_pDb = nullptr;
};

std::string FileBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ServiceLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = kLanguageEnglish;
        m_dir = fs::temp_directory_path() / ("servicelog-" + std::to_string(ProcessId()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        m_path = m_dir / "records" / "service.db"; // the folder is made on open
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A visit with a read, a write where one value did not hold, and a clear:
    // its id.
    long long RecordVisit(CServiceLog& log, const CServiceUnit& unit)
    {
        CServiceVisit visit = log.StartVisit(unit, kContext);
        EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::SettingsRead, {{"Maxruntime", "", "60"}, {"Runtime", "", "900"}}), m_strWarning), 0);
        EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::SettingsWritten, {{"Maxruntime", "60", "75"}, {"Runtime", "900", "1200", WriteVerdict::NotHeld, "900"}, {"LEDCurrentOff", "2", "2"}}),
                             m_strWarning),
                  0);
        EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::ErrorsCleared, {{"Count", "3", "0"}, {"Entry 1", "0x21", "0x00"}}), m_strWarning), 0);
        EXPECT_NE(visit.llId, 0) << m_strWarning;
        return visit.llId;
    }
    // A visit of its own with one event: its id.
    long long RecordNewVisit(CServiceLog& log, const CServiceUnit& unit, const CServiceContext& context)
    {
        CServiceVisit visit = log.StartVisit(unit, context);
        EXPECT_EQ(visit.llId, 0); // nothing written before its first event
        EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::OperatingData, {{"HoursTotal", "", "120"}}), m_strWarning), 0) << m_strWarning;
        return visit.llId;
    }

    fs::path m_dir;
    fs::path m_path;
    std::string m_strWarning;
};

TEST_F(ServiceLogTest, AVisitIsReadBackWhole)
{
    CServiceLog log;
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    const long long llVisit = RecordVisit(log, kUnit);
    CVisitDetail detail;
    std::string strError;
    ASSERT_EQ(log.ReadVisit(llVisit, detail, strError), 0) << strError;
    EXPECT_EQ(detail.summary.unit.strSerialNumber, "0000000000A1");
    EXPECT_EQ(detail.summary.unit.strBootloaderVersion, "V2.07");
    EXPECT_EQ(detail.summary.context.strTechnician, "K. Weber");
    EXPECT_EQ(detail.summary.nEvents, 3);
    // Neither the unchanged LED current nor the run time the fitting kept as before counts.
    EXPECT_EQ(detail.summary.nSettingsChanged, 1);
    ASSERT_EQ(detail.events.size(), 3u);
    EXPECT_EQ(detail.events[1].eKind, ServiceEventKind::SettingsWritten);
    ASSERT_EQ(detail.events[1].items.size(), 3u);
    EXPECT_EQ(detail.events[1].items[1].strBefore, "900");
    EXPECT_EQ(detail.events[1].items[1].strAfter, "1200");
    EXPECT_EQ(detail.events[1].items[1].eVerdict, WriteVerdict::NotHeld);
    EXPECT_EQ(detail.events[1].items[1].strReadBack, "900");
    EXPECT_EQ(detail.events[2].eKind, ServiceEventKind::ErrorsCleared);
    EXPECT_EQ(detail.events[2].items[1].strBefore, "0x21");
    EXPECT_EQ(detail.events[0].strTime.size(), 20u) << detail.events[0].strTime; // 2026-12-11T10:00:00Z
    EXPECT_EQ(log.ReadVisit(llVisit + 1, detail, strError), Result::InvalidArgument);
    CRawDatabase raw(m_path);
    EXPECT_EQ(raw.Value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(raw.Value("PRAGMA user_version"), std::to_string(CServiceLog::kSchemaVersion));
}

TEST_F(ServiceLogTest, VisitsAreFoundNewestFirst)
{
    CServiceLog log(std::chrono::seconds(0)); // each visit one of its own
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    const long long llFirst = RecordVisit(log, kUnit);
    const long long llOther = RecordVisit(log, kOtherUnit);
    const long long llSecond = RecordVisit(log, kUnit);
    struct Case {
        CVisitFilter filter;
        std::vector<long long> expected;
    };
    const Case cases[] = {
        {{}, {llSecond, llOther, llFirst}},
        {{"0000000000a1", "", ""}, {llSecond, llFirst}}, // serial numbers without regard to case
        {{"", "230100101", ""}, {llOther}},
        {{"", "", "2000-01-01"}, {llSecond, llOther, llFirst}},
        {{"", "", "2999-01-01"}, {}},
        {{"unknown", "", ""}, {}},
    };
    for (const Case& c : cases) {
        std::vector<CVisitSummary> visits;
        std::string strError;
        ASSERT_EQ(log.ListVisits(c.filter, visits, strError), 0) << strError;
        std::vector<long long> ids;
        for (const CVisitSummary& visit : visits)
            ids.push_back(visit.llId);
        EXPECT_EQ(ids, c.expected) << c.filter.strSerialNumber << c.filter.strArticleNumber << c.filter.strSince;
    }
}

TEST(VisitCsv, OneLinePerVisitWithFieldsQuotedWhereTheyMustBe)
{
    CVisitSummary visit;
    visit.llId = 7;
    visit.strStarted = "2026-03-12T09:30:00Z";
    visit.unit = kUnit;
    visit.context = {"Weber, \"Kai\"", "0 (VB1, /dev/ttyUSB0)", "2.15.0"};
    visit.nEvents = 3;
    visit.nSettingsChanged = 2;
    EXPECT_EQ(VisitListCsv({visit}),
              "id,started,article,unitSerialNumber,moduleSerialNumber,softwareVersion,bootloaderVersion,technician,adapter,toolVersion,"
              "events,settingsChanged\r\n"
              "7,2026-03-12T09:30:00Z,230300301,0000000000A1,M-77,V4.02,V2.07,\"Weber, \"\"Kai\"\"\",\"0 (VB1, /dev/ttyUSB0)\",2.15.0,3,2\r\n");
    const std::string strEmpty = VisitListCsv({});
    EXPECT_EQ(std::count(strEmpty.begin(), strEmpty.end(), '\n'), 1); // the header alone
}

#if !defined(_WIN32)
// (Linux only: the zone is named as the tz database names it.)
TEST(LocalRecordTime, ShowsTheRecordedUtcInTheLocalZoneAndLanguage)
{
    const char* szZone = std::getenv("TZ");
    const std::string strZoneBefore = szZone != nullptr ? szZone : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    struct Case {
        int nLanguage;
        const char* szUtc;
        const char* szLocal;
    };
    for (const Case& c : {Case{kLanguageEnglish, "2026-03-12T10:00:00Z", "2026-03-12 11:00:00"},
                          Case{kLanguageGerman, "2026-07-01T23:30:05Z", "02.07.2026 01:30:05"}, // summer time, the next day
                          Case{kLanguageGerman, "2026-02-30T10:00:00Z", "2026-02-30T10:00:00Z"}, // no such day: as recorded
                          Case{kLanguageEnglish, "2026-03-12T10:00:00", "2026-03-12T10:00:00"},
                          Case{kLanguageEnglish, "2026-03-12T10:00:00Z trailing", "2026-03-12T10:00:00Z trailing"},
                          Case{kLanguageEnglish, "", ""}}) {
        g_nLanguage = c.nLanguage;
        EXPECT_EQ(LocalRecordTime(c.szUtc), c.szLocal) << c.szUtc;
    }
    g_nLanguage = kLanguageGerman;
    if (szZone != nullptr)
        ::setenv("TZ", strZoneBefore.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
#endif

TEST_F(ServiceLogTest, AUnitIsKnownByWhatItHeldLastTime)
{
    CServiceLog log(std::chrono::seconds(0)); // each visit one of its own
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    std::string strError;
    CVisitSummary previous;
    bool bFound = true;
    ASSERT_EQ(log.PreviousVisit(kUnit, 0, previous, bFound, strError), 0);
    EXPECT_FALSE(bFound); // first service of this unit

    const long long llFirst = RecordVisit(log, kUnit);
    RecordVisit(log, kOtherUnit);
    CServiceVisit now = log.StartVisit(kUnit, kContext);
    ASSERT_EQ(log.Record(now, Event(ServiceEventKind::SettingsRead, {{"Maxruntime", "", "80"}}), m_strWarning), 0) << m_strWarning;
    ASSERT_EQ(log.PreviousVisit(kUnit, now.llId, previous, bFound, strError), 0);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(previous.llId, llFirst);

    std::map<std::string, std::string> known;
    ASSERT_EQ(log.LastKnownSettings(kUnit, now.llId, known, strError), 0) << strError;
    // The write left Maxruntime at 75; Runtime did not hold, so it kept 900.
    EXPECT_EQ(known, (std::map<std::string, std::string>{{"LEDCurrentOff", "2"}, {"Maxruntime", "75"}, {"Runtime", "900"}}));
    EXPECT_EQ(CountChangedSettings(known, {{"Maxruntime", "", "75"}, {"Runtime", "", "1000"}, {"NewSetting", "", "1"}}), 1);
}

TEST_F(ServiceLogTest, JobsCloseTogetherMakeOneVisit)
{
    CServiceLog log;
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    const long long llVisit = RecordVisit(log, kUnit);
    EXPECT_EQ(log.StartVisit(kUnit, kContext).llId, llVisit);
    EXPECT_GT(RecordNewVisit(log, kOtherUnit, kContext), llVisit);
    const long long llOtherTechnician = RecordNewVisit(log, kUnit, {"A. Other", kContext.strAdapter, kContext.strToolVersion});
    EXPECT_GT(llOtherTechnician, llVisit);

    // Back in the same technician's hands a day later: a visit of its own.
    CRawDatabase raw(m_path);
    ASSERT_TRUE(raw.Exec("UPDATE visits SET technician = 'K. Weber', started = '2026-01-01T08:00:00Z'"));
    ASSERT_TRUE(raw.Exec("UPDATE events SET time = '2026-01-01T09:30:00Z'"));
    const long long llLater = RecordNewVisit(log, kUnit, kContext);
    EXPECT_GT(llLater, llOtherTechnician);
    std::vector<CVisitSummary> visits;
    std::string strError;
    ASSERT_EQ(log.ListVisits({kUnit.strSerialNumber, "", ""}, visits, strError), 0) << strError;
    EXPECT_EQ(visits.size(), 3u);

    // The window and fluxa-cli start on one unit at once: the first to record
    // writes the visit, the other continues it.
    CServiceLog window;
    ASSERT_EQ(window.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    CServiceVisit inWindow = window.StartVisit(kOtherUnit, {"B. Berg", "", ""});
    const long long llFromCli = RecordNewVisit(log, kOtherUnit, {"B. Berg", "", ""});
    ASSERT_EQ(window.Record(inWindow, Event(ServiceEventKind::ErrorsRead, {{"Count", "", "0"}}), m_strWarning), 0) << m_strWarning;
    EXPECT_EQ(inWindow.llId, llFromCli);
}

// A record written before writes kept their read-back: reading it brings it
// up to date, and a value its write did not keep holds what it held before.
TEST_F(ServiceLogTest, ARecordOfTheFirstSchemaIsReadAfterItsUpdate)
{
    fs::create_directories(m_path.parent_path());
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.string().c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb,
                           "CREATE TABLE units(id INTEGER PRIMARY KEY, article TEXT NOT NULL, serial TEXT NOT NULL, UNIQUE(article, serial));"
                           "CREATE TABLE visits(id INTEGER PRIMARY KEY, unit_id INTEGER NOT NULL, started TEXT NOT NULL, tool_version TEXT NOT NULL,"
                           " technician TEXT NOT NULL, adapter TEXT NOT NULL, module_serial TEXT NOT NULL, software_version TEXT NOT NULL,"
                           " bootloader_version TEXT NOT NULL, production_date TEXT NOT NULL);"
                           "CREATE TABLE events(id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL, time TEXT NOT NULL, kind TEXT NOT NULL,"
                           " result INTEGER NOT NULL, message TEXT NOT NULL);"
                           "CREATE TABLE items(event_id INTEGER NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, before TEXT NOT NULL,"
                           " after TEXT NOT NULL, held INTEGER NOT NULL, PRIMARY KEY(event_id, position)) WITHOUT ROWID;"
                           "INSERT INTO units VALUES(1, '230300301', '0000000000A1');"
                           "INSERT INTO visits VALUES(1, 1, '2026-01-05T08:00:00Z', '2.14.0', 'K. Weber', '0', '', 'V1.12', 'V2.07', '');"
                           "INSERT INTO events VALUES(1, 1, '2026-01-05T08:01:00Z', 'settings-written', 0, '');"
                           "INSERT INTO items VALUES(1, 0, 'Maxruntime', '60', '75', 1), (1, 1, 'Runtime', '900', '1200', 0);"
                           "PRAGMA user_version = 1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(pDb);

    CServiceLog log;
    std::string strError;
    ASSERT_EQ(log.OpenToRead(m_path.string(), strError), Result::Ok) << strError;
    CVisitDetail detail;
    ASSERT_EQ(log.ReadVisit(1, detail, strError), Result::Ok) << strError;
    ASSERT_EQ(detail.events.size(), 1u);
    const std::vector<CServiceItem>& items = detail.events[0].items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].eVerdict, WriteVerdict::Held);
    EXPECT_EQ(items[1].eVerdict, WriteVerdict::NotHeld);
    EXPECT_EQ(items[1].Holds(), "900");
    std::map<std::string, std::string> known;
    CServiceUnit unit;
    unit.strArticleNumber = "230300301";
    unit.strSerialNumber = "0000000000A1";
    ASSERT_EQ(log.LastKnownSettings(unit, 0, known, strError), Result::Ok) << strError;
    EXPECT_EQ(known["Maxruntime"], "75");
    EXPECT_EQ(known["Runtime"], "900");
}

TEST_F(ServiceLogTest, ADamagedOrNewerDatabaseIsLeftAsItIs)
{
    fs::create_directories(m_path.parent_path());
    {
        std::ofstream(m_path, std::ios::binary) << std::string(4096, '\x5A');
    }
    const std::string strDamaged = FileBytes(m_path);
    CServiceLog log;
    EXPECT_NE(log.Open(m_path.string(), m_strWarning), 0);
    EXPECT_NE(m_strWarning.find(m_path.string()), std::string::npos) << m_strWarning;
    EXPECT_FALSE(log.IsOpen());
    CServiceVisit visit = log.StartVisit(kUnit, kContext);
    EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::ErrorsRead, {{"Count", "", "0"}}), m_strWarning), 0); // records nothing, fails nothing
    EXPECT_EQ(FileBytes(m_path), strDamaged);

    fs::remove(m_path);
    {
        CRawDatabase newer(m_path);
        ASSERT_TRUE(newer.Exec("CREATE TABLE future(x); INSERT INTO future VALUES(42); PRAGMA user_version = 99"));
    }
    m_strWarning.clear();
    EXPECT_NE(log.Open(m_path.string(), m_strWarning), 0);
    EXPECT_NE(m_strWarning.find("newer"), std::string::npos) << m_strWarning;
    CRawDatabase check(m_path);
    EXPECT_EQ(check.Value("PRAGMA user_version"), "99");
    EXPECT_EQ(check.Value("SELECT x FROM future"), "42");
}

TEST_F(ServiceLogTest, ALockedDatabaseWarnsAndRecordsAgainWhenFree)
{
    CServiceLog log(CServiceLog::kVisitContinues, std::chrono::milliseconds(50));
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    CServiceVisit visit = log.StartVisit(kUnit, kContext);
    CRawDatabase other(m_path);
    ASSERT_TRUE(other.Exec("BEGIN EXCLUSIVE"));
    m_strWarning.clear();
    EXPECT_NE(log.Record(visit, Event(ServiceEventKind::ErrorsRead, {{"Count", "", "0"}}), m_strWarning), 0);
    EXPECT_NE(m_strWarning.find("could not record this (database is locked)"), std::string::npos) << m_strWarning;
    ASSERT_TRUE(other.Exec("COMMIT"));
    EXPECT_EQ(log.Record(visit, Event(ServiceEventKind::OperatingData, {{"Hours", "", "120"}}), m_strWarning), 0) << m_strWarning;
    CVisitDetail detail;
    std::string strError;
    ASSERT_EQ(log.ReadVisit(visit.llId, detail, strError), 0);
    ASSERT_EQ(detail.events.size(), 1u);
    EXPECT_EQ(detail.events[0].eKind, ServiceEventKind::OperatingData);
}

TEST_F(ServiceLogTest, ReadingCreatesAndChangesNothing)
{
    CServiceLog reader;
    std::string strError;
    EXPECT_NE(reader.OpenToRead(m_path.string(), strError), 0);
    EXPECT_EQ(strError, "The service record " + m_path.string() + " does not exist.");
    EXPECT_FALSE(fs::exists(m_path.parent_path())); // nor its folder

    {
        CServiceLog log;
        ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
        RecordVisit(log, kUnit);
    }
    const std::string strBefore = FileBytes(m_path);
    ASSERT_EQ(reader.OpenToRead(m_path.string(), strError), 0) << strError;
    std::vector<CVisitSummary> visits;
    ASSERT_EQ(reader.ListVisits({}, visits, strError), 0) << strError;
    EXPECT_EQ(visits.size(), 1u);
    CServiceVisit visit = reader.StartVisit(kUnit, kContext);
    EXPECT_NE(reader.Record(visit, Event(ServiceEventKind::ErrorsRead, {{"Count", "", "0"}}), m_strWarning), 0); // read-only
    reader.Close();
    EXPECT_EQ(FileBytes(m_path), strBefore);

    CRawDatabase(m_path).Exec("PRAGMA user_version = 99");
    EXPECT_NE(reader.OpenToRead(m_path.string(), strError), 0);
    EXPECT_NE(strError.find("newer version"), std::string::npos) << strError;
}

#if !defined(_WIN32)
// (Linux only: the full disk is a file size limit.)
TEST_F(ServiceLogTest, AFullDiskLeavesNoVisitWithoutEvents)
{
    CServiceLog log;
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    CServiceVisit visit = log.StartVisit(kUnit, kContext);
    {
        const FileSizeLimit full(64 * 1024);
        EXPECT_NE(log.Record(visit, Event(ServiceEventKind::SettingsWritten, {{"Installer", "", std::string(256 * 1024, 'x')}}), m_strWarning), 0);
    }
    EXPECT_NE(m_strWarning.find("could not record this"), std::string::npos) << m_strWarning;
    CRawDatabase check(m_path);
    EXPECT_EQ(check.Value("SELECT count(*) FROM visits"), "0");
    EXPECT_EQ(check.Value("SELECT count(*) FROM units"), "0");

    // With room again the visit is written with the event that comes next.
    ASSERT_EQ(log.Record(visit, Event(ServiceEventKind::ErrorsRead, {{"Count", "", "0"}}), m_strWarning), 0) << m_strWarning;
    std::vector<CVisitSummary> visits;
    std::string strError;
    ASSERT_EQ(log.ListVisits({}, visits, strError), 0) << strError;
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].llId, visit.llId);
    EXPECT_EQ(visits[0].nEvents, 1);
}
#endif

// A newer program migrates the database while this one waits for it to do
// the same: the newer schema stays. (Real timing: this one must have read the
// old version before the newer commits; when it has not, it refuses at once.)
TEST_F(ServiceLogTest, ASchemaMadeNewerMeanwhileIsNotTurnedBack)
{
    fs::create_directories(m_path.parent_path());
    CRawDatabase newer(m_path);
    ASSERT_TRUE(newer.Exec("PRAGMA journal_mode = WAL"));
    ASSERT_TRUE(newer.Exec("BEGIN IMMEDIATE; CREATE TABLE future(x); PRAGMA user_version = 99"));
    CServiceLog log;
    int nOpened = 0;
    std::thread opening([&] { nOpened = log.Open(m_path.string(), m_strWarning); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(newer.Exec("COMMIT"));
    opening.join();
    EXPECT_NE(nOpened, 0);
    EXPECT_EQ(newer.Value("PRAGMA user_version"), "99");
    EXPECT_EQ(newer.Value("SELECT count(*) FROM sqlite_master WHERE name = 'visits'"), "0");
}

#if !defined(_WIN32)
// The child records until it dies; what it committed must be whole. (Linux
// only: the child is a fork and the full disk a file size limit.)
TEST_F(ServiceLogTest, AFullDiskOrAKilledWriterLosesNothingCommitted)
{
    long long llVisit = 0;
    {
        CServiceLog log;
        ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
        llVisit = RecordVisit(log, kUnit);
    }
    // A file size limit stands for a full disk.
    const pid_t full = ::fork();
    if (full == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        CServiceLog log;
        std::string strWarning;
        bool bWarned = log.Open(m_path.string(), strWarning) != 0;
        CServiceVisit visit = log.StartVisit(kUnit, kContext); // continues the visit
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string strLarge(256 * 1024, 'x');
        bWarned = bWarned || log.Record(visit, Event(ServiceEventKind::SettingsRead, {{"Big", "", strLarge}}), strWarning) != 0;
        ::_exit(bWarned && !strWarning.empty() ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(full, &nStatus, 0), full);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "no warning for a full disk";

    const pid_t writer = ::fork();
    if (writer == 0) {
        CServiceLog log;
        std::string strWarning;
        log.Open(m_path.string(), strWarning);
        CServiceVisit visit = log.StartVisit(kUnit, kContext); // continues the visit
        for (;;)
            log.Record(visit, Event(ServiceEventKind::SettingsRead, {{"A", "", "1"}, {"B", "", "2"}, {"C", "", "3"}}), strWarning);
    }
    ::usleep(300 * 1000);
    ::kill(writer, SIGKILL);
    ASSERT_EQ(::waitpid(writer, &nStatus, 0), writer);

    CRawDatabase check(m_path);
    EXPECT_EQ(check.Value("PRAGMA integrity_check"), "ok");
    // Every event has all its items, and the visit before is still there.
    EXPECT_EQ(check.Value("SELECT count(*) FROM events e WHERE (SELECT count(*) FROM items i WHERE i.event_id = e.id) = 0"), "0");
    EXPECT_NE(check.Value("SELECT count(*) FROM events"), "3");
    CServiceLog log;
    ASSERT_EQ(log.Open(m_path.string(), m_strWarning), 0) << m_strWarning;
    CVisitDetail detail;
    std::string strError;
    ASSERT_EQ(log.ReadVisit(llVisit, detail, strError), 0);
    EXPECT_EQ(detail.events[1].items[0].strAfter, "75");
}
#endif

TEST(ServiceLogPath, LivesInTheUserDataFolder)
{
    FLUXA_LINUX_ONLY("the XDG folders; Windows takes the local application data folder (tests/windows)");
    struct Case {
        const char* szDataHome;
        const char* szExpected;
    };
    const Case cases[] = {
        {"/data/k weber", "/data/k weber/VELMOR/fluxa-usb/service.db"},
        {"", "/home/k weber/.local/share/VELMOR/fluxa-usb/service.db"}, // unset or empty: the home's share folder
    };
    const std::string strDataHome = std::getenv("XDG_DATA_HOME") != nullptr ? std::getenv("XDG_DATA_HOME") : "";
    const std::string strHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    SetProcessEnvironment("HOME", "/home/k weber");
    for (const Case& c : cases) {
        SetProcessEnvironment("XDG_DATA_HOME", c.szDataHome);
        EXPECT_EQ(DefaultServiceLogPath(), c.szExpected) << c.szDataHome;
    }
    SetProcessEnvironment("XDG_DATA_HOME", strDataHome);
    SetProcessEnvironment("HOME", strHome);
}

} // namespace
