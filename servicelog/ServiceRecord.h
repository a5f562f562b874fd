#pragma once
// What the service log keeps of a visit: the unit served, who served it with
// what, and the events of the visit, each with its items.

#include <string>
#include <vector>

// The unit as it identified itself at the start of the visit.
struct CServiceUnit {
    std::string strArticleNumber; // plain digits, as the fitting stores them
    std::string strSerialNumber;  // the unit's own (EEPROM)
    std::string strModuleSerial;  // the electronics module's
    std::string strSoftwareVersion;
    std::string strBootloaderVersion;
    std::string strProductionDate;
};

// Who served the unit, through which adapter, with which tool.
struct CServiceContext {
    std::string strTechnician;
    std::string strAdapter;
    std::string strToolVersion;
};

// The names are stored in the database: never rename one. SettingsChecked
// follows a write that was cut off or not read back: what the fitting held
// of it when it was read again.
enum class ServiceEventKind { SettingsRead, SettingsWritten, ErrorsRead, ErrorsCleared, FirmwareDownload, OperatingData, SettingsChecked };
const char* ServiceEventName(ServiceEventKind eKind);
// What the technician reads for it, in the language in force.
const char* ServiceEventTitle(ServiceEventKind eKind);
// A time of the record (UTC, as strTime) as local date and time in the
// language in force; the text as recorded when it is no such time.
std::string LocalRecordTime(const std::string& strUtc);

// What became of a value a write sent. The numbers are stored: never
// renumber one.
enum class WriteVerdict {
    NotHeld = 0,    // acknowledged, but the fitting holds another value
    Held = 1,       // read back as written (and every item that is no write)
    NotWritten = 2, // the write ended before it
    Unknown = 3,    // acknowledged, but not read back
    InFlight = 4,   // under way when the write was cut off: may or may not be stored
};

// How a write ended. The names are stored: never rename one.
enum class WriteOutcome {
    None,          // no write, or refused before anything was sent
    AllHeld,       // read back: the fitting holds every value
    SomeNotHeld,   // read back: some values are not held
    CutWriting,    // the line failed while the values were written
    CutRestarting, // every value acknowledged; the fitting did not answer after its restart
    Unverified,    // written and restarted, but the read-back failed
};
const char* WriteOutcomeName(WriteOutcome eOutcome);

WriteOutcome WriteOutcomeOf(const std::string& strName);

// One value of an event: a setting with its value before and after a write,
// an error entry before and after a clear, a firmware file's name, hash and
// versions, a counter.
struct CServiceItem {
    std::string strName;
    std::string strBefore;
    std::string strAfter; // of a write: the value sent
    WriteVerdict eVerdict = WriteVerdict::Held;
    std::string strReadBack = {}; // of a write: what the fitting held when read back; empty when not read
    bool IsHeld() const { return eVerdict == WriteVerdict::Held; }
    // What the fitting holds of the item as far as the record knows.
    const std::string& Holds() const;
};
// What the record says of a written value after "before -> after", in the
// language in force: empty when the fitting holds it.
std::string VerdictText(const CServiceItem& item);

struct CServiceEvent {
    ServiceEventKind eKind = ServiceEventKind::SettingsRead;
    int nResult = 0;        // 0 done, otherwise the job's result code
    std::string strMessage; // what went wrong, when something did
    std::vector<CServiceItem> items;
    std::string strTime = {}; // set by the log: UTC, "YYYY-MM-DDTHH:MM:SSZ"
    WriteOutcome eOutcome = WriteOutcome::None; // of a write
};

struct CVisitSummary {
    long long llId = 0;
    std::string strStarted; // UTC, as strTime
    CServiceUnit unit;
    CServiceContext context;
    int nEvents = 0;
    int nSettingsChanged = 0; // items of writes whose value changed
};

struct CVisitDetail {
    CVisitSummary summary;
    std::vector<CServiceEvent> events; // in the order they happened
};

// Empty fields select everything; strSince is a date "YYYY-MM-DD" (UTC).
struct CVisitFilter {
    std::string strSerialNumber;
    std::string strArticleNumber;
    std::string strSince;
};
