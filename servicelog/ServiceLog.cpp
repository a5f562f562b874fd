#include "servicelog/ServiceLog.h"

#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "servicelog/SqliteStatement.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace {

// Step n brings a database of schema n - 1 to schema n. Steps are never
// changed once released; a new schema adds a step.
constexpr const char* kMigrations[] = {
    "CREATE TABLE units(id INTEGER PRIMARY KEY, article TEXT NOT NULL, serial TEXT NOT NULL, UNIQUE(article, serial));"
    "CREATE INDEX units_serial ON units(serial COLLATE NOCASE);"
    "CREATE TABLE visits(id INTEGER PRIMARY KEY, unit_id INTEGER NOT NULL REFERENCES units(id), started TEXT NOT NULL,"
    " tool_version TEXT NOT NULL, technician TEXT NOT NULL, adapter TEXT NOT NULL, module_serial TEXT NOT NULL,"
    " software_version TEXT NOT NULL, bootloader_version TEXT NOT NULL, production_date TEXT NOT NULL);"
    "CREATE INDEX visits_unit ON visits(unit_id, id);"
    "CREATE INDEX visits_started ON visits(started);"
    "CREATE TABLE events(id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id), time TEXT NOT NULL,"
    " kind TEXT NOT NULL, result INTEGER NOT NULL, message TEXT NOT NULL);"
    "CREATE INDEX events_visit ON events(visit_id, id);"
    "CREATE TABLE items(event_id INTEGER NOT NULL REFERENCES events(id), position INTEGER NOT NULL, name TEXT NOT NULL,"
    " before TEXT NOT NULL, after TEXT NOT NULL, held INTEGER NOT NULL, PRIMARY KEY(event_id, position)) WITHOUT ROWID;",
    // What a write read back, and how it ended; "held" now keeps the verdict.
    "ALTER TABLE items ADD COLUMN read_back TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE events ADD COLUMN outcome TEXT NOT NULL DEFAULT '';",
};
static_assert(std::size(kMigrations) == CServiceLog::kSchemaVersion);

std::string UtcText(std::chrono::system_clock::time_point time)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char szText[32];
    std::strftime(szText, sizeof szText, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return szText;
}

std::string UtcNow()
{
    return UtcText(std::chrono::system_clock::now());
}

int SchemaVersion(sqlite3* pDb, int& nVersion)
{
    CSqliteStatement version(pDb, "PRAGMA user_version");
    const int nStep = version.Step();
    if (nStep != SQLITE_ROW)
        return nStep;
    nVersion = static_cast<int>(version.Int(0));
    return SQLITE_OK;
}

// Applies the missing steps in one transaction. Another program may have
// migrated meanwhile, maybe to a newer schema that is then left as it is, so
// the version is read again inside it: nVersion is the one found there.
bool Migrate(sqlite3* pDb, int& nVersion)
{
    CSqliteTransaction transaction(pDb);
    if (!transaction.IsBegun() || SchemaVersion(pDb, nVersion) != SQLITE_OK || nVersion > CServiceLog::kSchemaVersion)
        return false;
    for (int nStep = nVersion; nStep < CServiceLog::kSchemaVersion; ++nStep)
        if (sqlite3_exec(pDb, kMigrations[nStep], nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    const std::string strSetVersion = "PRAGMA user_version = " + std::to_string(CServiceLog::kSchemaVersion);
    return sqlite3_exec(pDb, strSetVersion.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK && transaction.Commit();
}

int OpenConnection(const std::string& strPath, int nFlags, std::chrono::milliseconds lockWait, sqlite3*& pDb)
{
    const int nOpened = sqlite3_open_v2(strPath.c_str(), &pDb, nFlags | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (nOpened == SQLITE_OK)
        sqlite3_busy_timeout(pDb, static_cast<int>(lockWait.count()));
    return nOpened;
}

std::string NewerSchemaText(const std::string& strPath, int nVersion)
{
    return FormatText(PickText("The service record %s was written by a newer version of Fluxa USB (schema %d); nothing is recorded in it.",
                               "Das Serviceprotokoll %s wurde von einer neueren Version von Fluxa USB geschrieben (Schema %d); es wird nichts darin aufgezeichnet."),
                      strPath.c_str(), nVersion);
}

} // namespace

const char* ServiceEventName(ServiceEventKind eKind)
{
    switch (eKind) {
    case ServiceEventKind::SettingsRead:
        return "settings-read";
    case ServiceEventKind::SettingsWritten:
        return "settings-written";
    case ServiceEventKind::ErrorsRead:
        return "errors-read";
    case ServiceEventKind::ErrorsCleared:
        return "errors-cleared";
    case ServiceEventKind::FirmwareDownload:
        return "firmware-download";
    case ServiceEventKind::OperatingData:
        return "operating-data";
    case ServiceEventKind::SettingsChecked:
        return "settings-checked";
    }
    return "";
}

const char* ServiceEventTitle(ServiceEventKind eKind)
{
    switch (eKind) {
    case ServiceEventKind::SettingsRead:
        return PickText("Settings read", "Einstellungen gelesen");
    case ServiceEventKind::SettingsWritten:
        return PickText("Settings written", "Einstellungen geschrieben");
    case ServiceEventKind::ErrorsRead:
        return PickText("Error history read", "Fehlerspeicher gelesen");
    case ServiceEventKind::ErrorsCleared:
        return PickText("Error history cleared", "Fehlerspeicher gelöscht");
    case ServiceEventKind::FirmwareDownload:
        return PickText("Firmware programmed", "Firmware programmiert");
    case ServiceEventKind::OperatingData:
        return PickText("Operating data read", "Betriebsdaten gelesen");
    case ServiceEventKind::SettingsChecked:
        return PickText("Write checked when read again", "Schreiben beim erneuten Lesen geprüft");
    }
    return "";
}

namespace {
constexpr std::pair<WriteOutcome, const char*> kOutcomeNames[] = {
    {WriteOutcome::None, ""},
    {WriteOutcome::AllHeld, "all-held"},
    {WriteOutcome::SomeNotHeld, "some-not-held"},
    {WriteOutcome::CutWriting, "cut-writing"},
    {WriteOutcome::CutRestarting, "cut-restarting"},
    {WriteOutcome::Unverified, "unverified"},
};
} // namespace

const char* WriteOutcomeName(WriteOutcome eOutcome)
{
    for (const auto& [eKnown, szName] : kOutcomeNames)
        if (eKnown == eOutcome)
            return szName;
    return "";
}

WriteOutcome WriteOutcomeOf(const std::string& strName)
{
    for (const auto& [eKnown, szName] : kOutcomeNames)
        if (strName == szName)
            return eKnown;
    return WriteOutcome::None;
}

std::string VerdictText(const CServiceItem& item)
{
    switch (item.eVerdict) {
    case WriteVerdict::NotHeld:
        return FormatText(PickText(", the fitting holds %s", ", die Armatur hält %s"), item.Holds().c_str());
    case WriteVerdict::NotWritten:
        return PickText(" (not written)", " (nicht geschrieben)");
    case WriteVerdict::Unknown:
        return PickText(" (written, not checked)", " (geschrieben, nicht geprüft)");
    case WriteVerdict::InFlight:
        return PickText(" (cut off while written: may or may not be stored)", " (beim Schreiben abgebrochen: vielleicht gespeichert)");
    case WriteVerdict::Held:
        break;
    }
    return {};
}

const std::string& CServiceItem::Holds() const
{
    switch (eVerdict) {
    case WriteVerdict::Held:
        return strAfter;
    case WriteVerdict::NotHeld:
        return strReadBack.empty() ? strBefore : strReadBack;
    default:
        return strBefore;
    }
}

std::string LocalRecordTime(const std::string& strUtc)
{
    using namespace std::chrono;
    int nYear = 0;
    unsigned nMonth = 0, nDay = 0, nHour = 0, nMinute = 0, nSecond = 0;
    int nUsed = 0;
    const bool bRead = std::sscanf(strUtc.c_str(), "%4d-%2u-%2uT%2u:%2u:%2uZ%n", &nYear, &nMonth, &nDay, &nHour, &nMinute, &nSecond, &nUsed) == 6;
    const year_month_day date{year{nYear}, month{nMonth}, day{nDay}};
    if (!bRead || static_cast<std::size_t>(nUsed) != strUtc.size() || !date.ok() || nHour > 23 || nMinute > 59 || nSecond > 59)
        return strUtc;
    const std::tm local = LocalTime(system_clock::to_time_t(sys_days{date} + hours{nHour} + minutes{nMinute} + seconds{nSecond}));
    char szText[32];
    std::strftime(szText, sizeof szText, PickText("%Y-%m-%d %H:%M:%S", "%d.%m.%Y %H:%M:%S"), &local);
    return szText;
}

CServiceLog::~CServiceLog()
{
    Close();
}

int CServiceLog::Open(const std::string& strPath, std::string& strWarning)
{
    Close();
    m_strPath = strPath;
    std::error_code ignored; // a folder that cannot be made shows when the file cannot be opened
    std::filesystem::create_directories(PathFromUtf8(strPath).parent_path(), ignored);
    int nVersion = 0;
    if (OpenConnection(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, m_lockWait, m_pDb) != SQLITE_OK
        || SchemaVersion(m_pDb, nVersion) != SQLITE_OK)
        return FailOpen(strWarning);
    // WAL lets a reader and a writer work at once; NORMAL syncs at
    // checkpoints, which loses nothing when a program is killed.
    const bool bReady = nVersion <= kSchemaVersion
                        && sqlite3_exec(m_pDb, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON", nullptr,
                                        nullptr, nullptr) == SQLITE_OK
                        && (nVersion == kSchemaVersion || Migrate(m_pDb, nVersion));
    if (nVersion > kSchemaVersion) {
        strWarning = NewerSchemaText(strPath, nVersion);
        Close();
        return Result::MissingPrecondition;
    }
    return bReady ? Result::Ok : FailOpen(strWarning);
}

int CServiceLog::OpenToRead(const std::string& strPath, std::string& strError)
{
    Close();
    m_strPath = strPath;
    std::error_code ignored; // what cannot be looked at shows when it is opened
    if (!std::filesystem::exists(PathFromUtf8(strPath), ignored)) {
        strError = FormatText(PickText("The service record %s does not exist.", "Das Serviceprotokoll %s existiert nicht."), strPath.c_str());
        return Result::FileException;
    }
    int nVersion = 0;
    if (OpenConnection(strPath, SQLITE_OPEN_READONLY, m_lockWait, m_pDb) != SQLITE_OK || SchemaVersion(m_pDb, nVersion) != SQLITE_OK) {
        FailRead(strError);
        Close();
        return Result::FileException;
    }
    if (nVersion > kSchemaVersion) {
        strError = NewerSchemaText(strPath, nVersion);
        Close();
        return Result::MissingPrecondition;
    }
    if (nVersion == kSchemaVersion)
        return Result::Ok;
    // Written by an older version: brought up to date once, as any writer
    // would, then read.
    Close();
    std::string strWarning;
    if (Open(strPath, strWarning) != Result::Ok) {
        strError = strWarning;
        return Result::FileException;
    }
    Close();
    return OpenToRead(strPath, strError);
}

void CServiceLog::Close()
{
    sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
}

std::string CServiceLog::Reason() const
{
    return m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : "out of memory";
}

int CServiceLog::FailOpen(std::string& strWarning)
{
    strWarning = FormatText(PickText("The service record %s cannot be used (%s); jobs go on without it.",
                                     "Das Serviceprotokoll %s kann nicht benutzt werden (%s); die Aufträge laufen ohne es weiter."),
                            m_strPath.c_str(), Reason().c_str());
    Close();
    return Result::FileException;
}

int CServiceLog::FailRecord(std::string& strWarning) const
{
    strWarning = FormatText(PickText("The service record %s could not record this (%s); the job goes on.",
                                     "Das Serviceprotokoll %s konnte dies nicht aufzeichnen (%s); der Auftrag läuft weiter."),
                            m_strPath.c_str(), Reason().c_str());
    return Result::FileException;
}

int CServiceLog::FailRead(std::string& strError) const
{
    strError = FormatText(PickText("The service record %s could not be read (%s).", "Das Serviceprotokoll %s konnte nicht gelesen werden (%s)."),
                          m_strPath.c_str(), IsOpen() ? Reason().c_str() : PickText("not open", "nicht geöffnet"));
    return Result::FileException;
}

// The unit's last visit, when the same technician recorded in it recently;
// 0 otherwise. UTC times in one format compare as text.
long long CServiceLog::VisitToContinue(const CServiceUnit& unit, const CServiceContext& context)
{
    if (m_visitContinues.count() <= 0)
        return 0;
    CSqliteStatement last(m_pDb, "SELECT v.id, v.technician, max(v.started, ifnull((SELECT max(time) FROM events WHERE visit_id = v.id), ''))"
                                 " FROM visits v JOIN units u ON u.id = v.unit_id WHERE u.article = ?1 AND u.serial = ?2"
                                 " ORDER BY v.id DESC LIMIT 1");
    last.Bind(1, unit.strArticleNumber).Bind(2, unit.strSerialNumber);
    if (last.Step() != SQLITE_ROW || last.Text(1) != context.strTechnician
        || last.Text(2) < UtcText(std::chrono::system_clock::now() - m_visitContinues))
        return 0;
    return last.Int(0);
}

CServiceVisit CServiceLog::StartVisit(const CServiceUnit& unit, const CServiceContext& context)
{
    if (!IsOpen())
        return {};
    return {unit, context, UtcNow(), VisitToContinue(unit, context)};
}

// The visit's row, and its unit's when it is the unit's first: its id, or 0.
long long CServiceLog::AddVisit(const CServiceVisit& visit)
{
    const CServiceUnit& unit = visit.unit;
    CSqliteStatement addUnit(m_pDb, "INSERT OR IGNORE INTO units(article, serial) VALUES(?1, ?2)");
    CSqliteStatement addVisit(m_pDb, "INSERT INTO visits(unit_id, started, tool_version, technician, adapter, module_serial,"
                                     " software_version, bootloader_version, production_date)"
                                     " SELECT id, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10 FROM units WHERE article = ?1 AND serial = ?2");
    addVisit.Bind(1, unit.strArticleNumber).Bind(2, unit.strSerialNumber).Bind(3, visit.strStarted).Bind(4, visit.context.strToolVersion);
    addVisit.Bind(5, visit.context.strTechnician).Bind(6, visit.context.strAdapter).Bind(7, unit.strModuleSerial);
    addVisit.Bind(8, unit.strSoftwareVersion).Bind(9, unit.strBootloaderVersion).Bind(10, unit.strProductionDate);
    if (!addUnit.Bind(1, unit.strArticleNumber).Bind(2, unit.strSerialNumber).Run() || !addVisit.Run())
        return 0;
    return sqlite3_last_insert_rowid(m_pDb);
}

// The visit's id, its row written first when it is new; inside the
// transaction that records into it. Another program may have started a visit
// of the unit meanwhile, which a new one then continues.
long long CServiceLog::VisitRow(const CServiceVisit& visit)
{
    const long long llVisit = visit.llId != 0 ? visit.llId : VisitToContinue(visit.unit, visit.context);
    return llVisit != 0 ? llVisit : AddVisit(visit);
}

int CServiceLog::Record(CServiceVisit& visit, CServiceEvent event, std::string& strWarning)
{
    if (visit.strStarted.empty() || !IsOpen())
        return Result::Ok; // no visit, or no log: warned when it was opened
    event.strTime = UtcNow();
    CSqliteTransaction transaction(m_pDb);
    if (!transaction.IsBegun())
        return FailRecord(strWarning);
    const long long llVisit = VisitRow(visit);
    if (llVisit == 0)
        return FailRecord(strWarning);
    CSqliteStatement addEvent(m_pDb, "INSERT INTO events(visit_id, time, kind, result, message, outcome) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    addEvent.Bind(1, llVisit).Bind(2, event.strTime).Bind(3, std::string(ServiceEventName(event.eKind)));
    addEvent.Bind(4, static_cast<long long>(event.nResult)).Bind(5, event.strMessage).Bind(6, std::string(WriteOutcomeName(event.eOutcome)));
    if (!addEvent.Run())
        return FailRecord(strWarning);
    const long long llEvent = sqlite3_last_insert_rowid(m_pDb);
    CSqliteStatement addItem(m_pDb, "INSERT INTO items(event_id, position, name, before, after, held, read_back)"
                                    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (std::size_t i = 0; i < event.items.size(); ++i) {
        const CServiceItem& item = event.items[i];
        addItem.Bind(1, llEvent).Bind(2, static_cast<long long>(i)).Bind(3, item.strName).Bind(4, item.strBefore);
        addItem.Bind(5, item.strAfter).Bind(6, static_cast<long long>(item.eVerdict)).Bind(7, item.strReadBack);
        if (!addItem.Run())
            return FailRecord(strWarning);
        addItem.Reset();
    }
    if (!transaction.Commit())
        return FailRecord(strWarning);
    visit.llId = llVisit;
    return Result::Ok;
}

int CServiceLog::RecordSeen(CServiceVisit& visit, std::string& strWarning)
{
    if (visit.strStarted.empty() || visit.llId != 0 || !IsOpen())
        return Result::Ok;
    CSqliteTransaction transaction(m_pDb);
    const long long llVisit = transaction.IsBegun() ? VisitRow(visit) : 0;
    if (llVisit == 0 || !transaction.Commit())
        return FailRecord(strWarning);
    visit.llId = llVisit;
    return Result::Ok;
}

std::string DefaultServiceLogPath()
{
    return Utf8FromPath(PathFromUtf8(UserDataDirectory()) / "VELMOR" / "fluxa-usb" / "service.db");
}

int CountChangedSettings(const std::map<std::string, std::string>& known, const std::vector<CServiceItem>& now)
{
    int nChanged = 0;
    for (const CServiceItem& item : now) {
        const auto found = known.find(item.strName);
        nChanged += found != known.end() && found->second != item.Holds() ? 1 : 0;
    }
    return nChanged;
}
