#pragma once
// The service log: every unit served, what was read from it and what was
// changed, kept in one SQLite database per user. Recording is a side effect
// of a job: a log that cannot record says so in a warning and the job goes
// on. The window and fluxa-cli may use the same database at the same time.

#include "servicelog/ServiceRecord.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

// A visit as the jobs record into it. A new visit is written together with
// its first event, so that the record never keeps a visit of nothing.
struct CServiceVisit {
    CServiceUnit unit;
    CServiceContext context;
    std::string strStarted; // UTC, as an event's time; empty: no visit, nothing is recorded
    long long llId = 0;     // its id in the record: 0 until written; a continued visit's at once
};

class CServiceLog {
public:
    static constexpr int kSchemaVersion = 2;
    // Jobs on one unit by one technician this close together belong to one
    // visit: identify, read, write, clear and flash make one record.
    static constexpr std::chrono::seconds kVisitContinues = std::chrono::hours(1);
    // A database held longer than this by another program is reported busy.
    static constexpr std::chrono::milliseconds kLockWait{1000};

    // visitContinues 0: every StartVisit starts a visit of its own.
    explicit CServiceLog(std::chrono::seconds visitContinues = kVisitContinues, std::chrono::milliseconds lockWait = kLockWait)
        : m_visitContinues(visitContinues), m_lockWait(lockWait)
    {
    }
    ~CServiceLog();
    CServiceLog(const CServiceLog&) = delete;
    CServiceLog& operator=(const CServiceLog&) = delete;

    // Opens the database, creating it and its folder when missing, and brings
    // its schema up to date. A database that cannot be used (damaged, locked
    // for long, written by a newer version) is left as it is: the log stays
    // closed, records nothing, and strWarning says why.
    int Open(const std::string& strPath, std::string& strWarning);
    // Opens an existing database read-only, for reading alone: nothing is
    // created or changed. strError names the database when it cannot be read.
    int OpenToRead(const std::string& strPath, std::string& strError);
    void Close();
    bool IsOpen() const { return m_pDb != nullptr; }
    const std::string& Path() const { return m_strPath; }
    std::chrono::milliseconds LockWait() const { return m_lockWait; }

    // Starts a visit of the unit, or continues the unit's last visit when the
    // same technician recorded in it less than visitContinues ago. Nothing is
    // written: a new visit waits for its first event. No visit without a log.
    CServiceVisit StartVisit(const CServiceUnit& unit, const CServiceContext& context);
    // Records one event of the visit, whole or not at all; the first event of
    // a new visit writes the visit with it.
    int Record(CServiceVisit& visit, CServiceEvent event, std::string& strWarning);
    // Writes a new visit that no event follows: a command that only saw the
    // unit (identified it, switched its valve, dumped its EEPROM) keeps that.
    int RecordSeen(CServiceVisit& visit, std::string& strWarning);

    // The visits the filter selects, newest first.
    int ListVisits(const CVisitFilter& filter, std::vector<CVisitSummary>& visits, std::string& strError);
    int ReadVisit(long long llVisit, CVisitDetail& detail, std::string& strError);
    // The unit's last visit before llBefore (0: its last visit of all).
    int PreviousVisit(const CServiceUnit& unit, long long llBefore, CVisitSummary& visit, bool& bFound, std::string& strError);
    // What each setting of the unit held when last seen in a visit before
    // llBefore (0: in any visit): the value read, or the value a write left.
    int LastKnownSettings(const CServiceUnit& unit, long long llBefore, std::map<std::string, std::string>& settings,
                          std::string& strError);

private:
    std::string Reason() const;
    int FailOpen(std::string& strWarning);
    int FailRecord(std::string& strWarning) const;
    int FailRead(std::string& strError) const;

    long long VisitToContinue(const CServiceUnit& unit, const CServiceContext& context);
    long long AddVisit(const CServiceVisit& visit);
    long long VisitRow(const CServiceVisit& visit);

    std::chrono::seconds m_visitContinues;
    std::chrono::milliseconds m_lockWait;
    sqlite3* m_pDb = nullptr;
    std::string m_strPath;
};

// $XDG_DATA_HOME/VELMOR/fluxa-usb/service.db (~/.local/share without it);
// on Windows the same below %LOCALAPPDATA%.
std::string DefaultServiceLogPath();
// How many of the settings read now differ from what the unit held when it
// was last seen; settings not seen before do not count.
int CountChangedSettings(const std::map<std::string, std::string>& known, const std::vector<CServiceItem>& now);
