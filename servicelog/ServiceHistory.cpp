// Reading the service log: visits, one visit in full, and what a unit held
// when it was last seen.

#include "servicelog/ServiceLog.h"

#include "common/ResultCodes.h"
#include "servicelog/SqliteStatement.h"

#include <cstdint>

namespace {

// The columns ReadSummary takes, then the tables; a WHERE clause follows.
constexpr const char* kVisitSelect =
    "SELECT v.id, v.started, u.article, u.serial, v.module_serial, v.software_version, v.bootloader_version,"
    " v.production_date, v.technician, v.adapter, v.tool_version,"
    " (SELECT count(*) FROM events e WHERE e.visit_id = v.id),"
    " (SELECT count(*) FROM events e JOIN items i ON i.event_id = e.id"
    "   WHERE e.visit_id = v.id AND e.kind = 'settings-written' AND i.before <> i.after AND (i.held = 1 OR (i.held = 0 AND i.read_back <> i.before)))"
    " FROM visits v JOIN units u ON u.id = v.unit_id ";

CVisitSummary ReadSummary(const CSqliteStatement& row)
{
    CVisitSummary visit;
    visit.llId = row.Int(0);
    visit.strStarted = row.Text(1);
    visit.unit = {row.Text(2), row.Text(3), row.Text(4), row.Text(5), row.Text(6), row.Text(7)};
    visit.context = {row.Text(8), row.Text(9), row.Text(10)};
    visit.nEvents = static_cast<int>(row.Int(11));
    visit.nSettingsChanged = static_cast<int>(row.Int(12));
    return visit;
}

ServiceEventKind EventKindOf(const std::string& strName)
{
    for (ServiceEventKind eKind : {ServiceEventKind::SettingsRead, ServiceEventKind::SettingsWritten, ServiceEventKind::ErrorsRead,
                                   ServiceEventKind::ErrorsCleared, ServiceEventKind::FirmwareDownload, ServiceEventKind::OperatingData,
                                   ServiceEventKind::SettingsChecked})
        if (strName == ServiceEventName(eKind))
            return eKind;
    return ServiceEventKind::OperatingData;
}

// 0 stands for "after every visit".
long long UpperBound(long long llBefore)
{
    return llBefore > 0 ? llBefore : INT64_MAX;
}

} // namespace

int CServiceLog::ListVisits(const CVisitFilter& filter, std::vector<CVisitSummary>& visits, std::string& strError)
{
    visits.clear();
    if (!IsOpen())
        return FailRead(strError);
    CSqliteStatement query(m_pDb, (std::string(kVisitSelect) +
                                   "WHERE (?1 = '' OR u.serial = ?1 COLLATE NOCASE) AND (?2 = '' OR u.article = ?2)"
                                   " AND (?3 = '' OR v.started >= ?3) ORDER BY v.id DESC")
                                      .c_str());
    query.Bind(1, filter.strSerialNumber).Bind(2, filter.strArticleNumber).Bind(3, filter.strSince);
    int nStep = SQLITE_ROW;
    while ((nStep = query.Step()) == SQLITE_ROW)
        visits.push_back(ReadSummary(query));
    return nStep == SQLITE_DONE ? Result::Ok : FailRead(strError);
}

int CServiceLog::ReadVisit(long long llVisit, CVisitDetail& detail, std::string& strError)
{
    detail = {};
    if (!IsOpen())
        return FailRead(strError);
    CSqliteStatement visit(m_pDb, (std::string(kVisitSelect) + "WHERE v.id = ?1").c_str());
    const int nVisit = visit.Bind(1, llVisit).Step();
    if (nVisit != SQLITE_ROW)
        return nVisit == SQLITE_DONE ? Result::InvalidArgument : FailRead(strError);
    detail.summary = ReadSummary(visit);
    CSqliteStatement events(m_pDb, "SELECT id, time, kind, result, message, outcome FROM events WHERE visit_id = ?1 ORDER BY id");
    CSqliteStatement items(m_pDb, "SELECT name, before, after, held, read_back FROM items WHERE event_id = ?1 ORDER BY position");
    events.Bind(1, llVisit);
    int nStep = SQLITE_ROW;
    while ((nStep = events.Step()) == SQLITE_ROW) {
        CServiceEvent& event = detail.events.emplace_back();
        event.strTime = events.Text(1);
        event.eKind = EventKindOf(events.Text(2));
        event.nResult = static_cast<int>(events.Int(3));
        event.strMessage = events.Text(4);
        event.eOutcome = WriteOutcomeOf(events.Text(5));
        items.Reset();
        items.Bind(1, events.Int(0));
        while (items.Step() == SQLITE_ROW)
            event.items.push_back({items.Text(0), items.Text(1), items.Text(2), static_cast<WriteVerdict>(items.Int(3)), items.Text(4)});
    }
    return nStep == SQLITE_DONE ? Result::Ok : FailRead(strError);
}

int CServiceLog::PreviousVisit(const CServiceUnit& unit, long long llBefore, CVisitSummary& visit, bool& bFound, std::string& strError)
{
    bFound = false;
    if (!IsOpen())
        return FailRead(strError);
    CSqliteStatement query(m_pDb, (std::string(kVisitSelect) + "WHERE u.article = ?1 AND u.serial = ?2 AND v.id < ?3 ORDER BY v.id DESC LIMIT 1").c_str());
    const int nStep = query.Bind(1, unit.strArticleNumber).Bind(2, unit.strSerialNumber).Bind(3, UpperBound(llBefore)).Step();
    if (nStep == SQLITE_ROW) {
        visit = ReadSummary(query);
        bFound = true;
    }
    return nStep == SQLITE_ROW || nStep == SQLITE_DONE ? Result::Ok : FailRead(strError);
}

int CServiceLog::LastKnownSettings(const CServiceUnit& unit, long long llBefore, std::map<std::string, std::string>& settings,
                                   std::string& strError)
{
    settings.clear();
    if (!IsOpen())
        return FailRead(strError);
    // Oldest first, so that later events overwrite earlier ones. A failed
    // job's values are not known to be in the fitting.
    // A cut-off write is known once it was checked.
    CSqliteStatement query(m_pDb, "SELECT i.name, i.before, i.after, i.held, i.read_back FROM items i JOIN events e ON e.id = i.event_id"
                                  " JOIN visits v ON v.id = e.visit_id JOIN units u ON u.id = v.unit_id"
                                  " WHERE u.article = ?1 AND u.serial = ?2 AND v.id < ?3 AND e.result = 0"
                                  " AND e.kind IN ('settings-read', 'settings-written', 'settings-checked') ORDER BY e.id, i.position");
    query.Bind(1, unit.strArticleNumber).Bind(2, unit.strSerialNumber).Bind(3, UpperBound(llBefore));
    int nStep = SQLITE_ROW;
    while ((nStep = query.Step()) == SQLITE_ROW) {
        const CServiceItem item{query.Text(0), query.Text(1), query.Text(2), static_cast<WriteVerdict>(query.Int(3)), query.Text(4)};
        settings[item.strName] = item.Holds();
    }
    return nStep == SQLITE_DONE ? Result::Ok : FailRead(strError);
}
