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

// The names are stored in the database: never rename one.
enum class ServiceEventKind { SettingsRead, SettingsWritten, ErrorsRead, ErrorsCleared, FirmwareDownload, OperatingData };
const char* ServiceEventName(ServiceEventKind eKind);
// What the technician reads for it, in the language in force.
const char* ServiceEventTitle(ServiceEventKind eKind);
// A time of the record (UTC, as strTime) as local date and time in the
// language in force; the text as recorded when it is no such time.
std::string LocalRecordTime(const std::string& strUtc);

// One value of an event: a setting with its value before and after a write,
// an error entry before and after a clear, a firmware file's name, hash and
// versions, a counter.
struct CServiceItem {
    std::string strName;
    std::string strBefore;
    std::string strAfter;
    bool bHeld = true; // false: written, but the fitting did not keep it
};

struct CServiceEvent {
    ServiceEventKind eKind = ServiceEventKind::SettingsRead;
    int nResult = 0;        // 0 done, otherwise the job's result code
    std::string strMessage; // what went wrong, when something did
    std::vector<CServiceItem> items;
    std::string strTime; // set by the log: UTC, "YYYY-MM-DDTHH:MM:SSZ"
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
