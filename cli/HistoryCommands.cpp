// The service log seen from the command line: the visits newest first, one
// visit in full.

#include "cli/CliCommands.h"
#include "cli/CommandLine.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "servicelog/ServiceLog.h"
#include "servicelog/VisitCsv.h"

#include <climits>
#include <cstdio>
#include <optional>

namespace {

CCliReport VisitReport(const CVisitSummary& visit)
{
    CCliReport report;
    report.Add("id", Label("Visit", "Besuch"), static_cast<long long>(visit.llId));
    report.Add("started", "", visit.strStarted);
    report.Add("startedLocal", Label("Date", "Datum"), LocalRecordTime(visit.strStarted));
    AddArticle(report, visit.unit.strArticleNumber);
    report.Add("unitSerialNumber", Label("Serial number of the unit", "Seriennummer des Geräts"), visit.unit.strSerialNumber);
    report.Add("softwareVersion", Label("Software version", "Softwareversion"), visit.unit.strSoftwareVersion);
    report.Add("technician", Label("Technician", "Techniker"), visit.context.strTechnician);
    report.Add("adapter", "", visit.context.strAdapter);
    report.Add("toolVersion", "", visit.context.strToolVersion);
    report.Add("events", Label("Events", "Ereignisse"), static_cast<long long>(visit.nEvents));
    report.Add("settingsChanged", Label("Settings changed", "Geänderte Einstellungen"), static_cast<long long>(visit.nSettingsChanged));
    return report;
}

CCliReport EventReport(const CServiceEvent& event)
{
    CCliReport report;
    report.Add("kind", Label("Event", "Ereignis"), ServiceEventTitle(event.eKind));
    report.Add("kindName", "", ServiceEventName(event.eKind));
    report.Add("time", "", event.strTime);
    report.Add("result", Label("Result", "Ergebnis"),
               event.nResult == Result::Ok ? Label("done", "erledigt") : Label("failed: ", "fehlgeschlagen: ") + event.strMessage);
    if (event.eOutcome != WriteOutcome::None)
        report.Add("outcome", Label("Outcome", "Ausgang"), WriteOutcomeName(event.eOutcome));
    std::vector<std::string> lines;
    std::vector<CCliReport> items;
    for (const CServiceItem& item : event.items) {
        const bool bChange = !item.strBefore.empty() || event.eKind == ServiceEventKind::SettingsWritten;
        lines.push_back(item.strName + ": " + (bChange ? item.strBefore + " -> " : std::string()) + item.strAfter
                        + VerdictText(item));
        CCliReport& shown = items.emplace_back();
        shown.Add("name", "", item.strName);
        shown.Add("before", "", item.strBefore);
        shown.Add("after", "", item.strAfter);
        shown.Add("held", "", static_cast<long long>(item.IsHeld() ? 1 : 0));
        if (!item.IsHeld())
            shown.Add("readBack", "", item.strReadBack);
    }
    report.AddLines("itemLines", "", lines);
    report.AddList("items", "", items);
    return report;
}

int ShowVisit(const CCliContext& context, CServiceLog& log, const std::string& strId)
{
    const std::optional<long long> visit = ParseNumber(strId, 10, LLONG_MIN, LLONG_MAX);
    CVisitDetail detail;
    std::string strError;
    const int nResult = visit ? log.ReadVisit(*visit, detail, strError) : Result::InvalidArgument;
    if (nResult == Result::InvalidArgument)
        return context.Fail(FormatText(PickText("The service record holds no visit %s.", "Das Serviceprotokoll enthält keinen Besuch %s."),
                                       strId.c_str()),
                            "'fluxa-cli history' lists the visits with their numbers.",
                            "'fluxa-cli history' listet die Besuche mit ihren Nummern.");
    if (nResult != Result::Ok)
        return context.Fail(strError);
    CCliReport report = VisitReport(detail.summary);
    std::vector<CCliReport> events;
    for (const CServiceEvent& event : detail.events)
        events.push_back(EventReport(event));
    report.AddList("eventList", Label("What was done", "Was getan wurde"), events);
    context.Print(report);
    return ExitOk;
}

} // namespace

int RunHistory(CCliContext& context)
{
    if (!context.args.empty() && (context.args.size() != 2 || context.args.front() != "show")) {
        std::fprintf(stderr, "fluxa-cli: wrong arguments for 'history' (usage: fluxa-cli history [show <id>])\n");
        return ExitUsage;
    }
    CServiceLog log;
    std::string strError;
    if (log.OpenToRead(context.strServiceLog, strError) != Result::Ok)
        return context.Fail(strError, kNoServiceRecordHint, kNoServiceRecordHintGerman);
    if (!context.args.empty())
        return ShowVisit(context, log, context.args.at(1));
    std::vector<CVisitSummary> visits;
    if (log.ListVisits(context.historyFilter, visits, strError) != Result::Ok)
        return context.Fail(strError);
    if (context.bCsv) {
        std::fputs(VisitListCsv(visits).c_str(), stdout);
        return ExitOk;
    }
    std::vector<CCliReport> items;
    for (const CVisitSummary& visit : visits)
        items.push_back(VisitReport(visit));
    CCliReport report;
    report.Add("database", Label("Service record", "Serviceprotokoll"), log.Path());
    report.AddList("visits", Label("Visits, newest first", "Besuche, neueste zuerst"), items);
    if (items.empty())
        report.Add("note", Label("Note", "Hinweis"), Label("No visit matches.", "Kein Besuch passt."));
    context.Print(report);
    return ExitOk;
}
