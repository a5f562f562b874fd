// The service log seen from the command line: the visits newest first, one
// visit in full.

#include "cli/CliCommands.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "report/ServiceReport.h"
#include "servicelog/ServiceLog.h"
#include "servicelog/VisitCsv.h"

#include <cstdio>

namespace {

CCliReport VisitReport(const CVisitSummary& visit)
{
    CCliReport report;
    report.Add(QStringLiteral("id"), Label("Visit", "Besuch"), static_cast<qint64>(visit.llId));
    report.AddJson(QStringLiteral("started"), QString::fromStdString(visit.strStarted));
    report.Add(QStringLiteral("startedLocal"), Label("Date", "Datum"), LocalServiceTime(visit.strStarted));
    AddArticle(report, visit.unit.strArticleNumber);
    report.Add(QStringLiteral("unitSerialNumber"), Label("Serial number of the unit", "Seriennummer des Geräts"), visit.unit.strSerialNumber);
    report.Add(QStringLiteral("softwareVersion"), Label("Software version", "Softwareversion"), visit.unit.strSoftwareVersion);
    report.Add(QStringLiteral("technician"), Label("Technician", "Techniker"), visit.context.strTechnician);
    report.Add(QStringLiteral("adapter"), QString(), visit.context.strAdapter);
    report.Add(QStringLiteral("toolVersion"), QString(), visit.context.strToolVersion);
    report.Add(QStringLiteral("events"), Label("Events", "Ereignisse"), static_cast<qint64>(visit.nEvents));
    report.Add(QStringLiteral("settingsChanged"), Label("Settings changed", "Geänderte Einstellungen"), static_cast<qint64>(visit.nSettingsChanged));
    return report;
}

CCliReport EventReport(const CServiceEvent& event)
{
    CCliReport report;
    report.Add(QStringLiteral("kind"), Label("Event", "Ereignis"), QString::fromUtf8(ServiceEventTitle(event.eKind)));
    report.AddJson(QStringLiteral("kindName"), QString::fromUtf8(ServiceEventName(event.eKind)));
    report.AddJson(QStringLiteral("time"), QString::fromStdString(event.strTime));
    report.Add(QStringLiteral("result"), Label("Result", "Ergebnis"),
               event.nResult == Result::Ok ? Label("done", "erledigt") : Label("failed: ", "fehlgeschlagen: ") + QString::fromStdString(event.strMessage));
    QStringList lines;
    QJsonArray items;
    for (const CServiceItem& item : event.items) {
        const bool bChange = !item.strBefore.empty() || event.eKind == ServiceEventKind::SettingsWritten;
        lines << QString::fromStdString(item.strName + ": " + (bChange ? item.strBefore + " -> " : std::string()) + item.strAfter)
                     + (item.bHeld ? QString() : Label(" (not held)", " (nicht gehalten)"));
        items.append(QJsonObject{{QStringLiteral("name"), QString::fromStdString(item.strName)},
                                 {QStringLiteral("before"), QString::fromStdString(item.strBefore)},
                                 {QStringLiteral("after"), QString::fromStdString(item.strAfter)},
                                 {QStringLiteral("held"), item.bHeld ? 1 : 0}});
    }
    report.AddLines(QStringLiteral("itemLines"), QString(), lines);
    report.AddJson(QStringLiteral("items"), items);
    return report;
}

int ShowVisit(const CCliContext& context, CServiceLog& log, const QString& id)
{
    bool bNumber = false;
    const long long llVisit = id.toLongLong(&bNumber);
    CVisitDetail detail;
    std::string strError;
    const int nResult = bNumber ? log.ReadVisit(llVisit, detail, strError) : Result::InvalidArgument;
    if (nResult == Result::InvalidArgument)
        return context.Fail(FormatText(PickText("The service record holds no visit %s.", "Das Serviceprotokoll enthält keinen Besuch %s."),
                                       id.toUtf8().constData()),
                            "'fluxa-cli history' lists the visits with their numbers.",
                            "'fluxa-cli history' listet die Besuche mit ihren Nummern.");
    if (nResult != Result::Ok)
        return context.Fail(strError);
    CCliReport report = VisitReport(detail.summary);
    std::vector<CCliReport> events;
    for (const CServiceEvent& event : detail.events)
        events.push_back(EventReport(event));
    report.AddList(QStringLiteral("eventList"), Label("What was done", "Was getan wurde"), events);
    context.Print(report);
    return ExitOk;
}

} // namespace

int RunHistory(CCliContext& context)
{
    if (!context.args.isEmpty() && (context.args.size() != 2 || context.args.front() != QLatin1String("show"))) {
        std::fprintf(stderr, "fluxa-cli: wrong arguments for 'history' (usage: fluxa-cli history [show <id>])\n");
        return ExitUsage;
    }
    CServiceLog log;
    std::string strError;
    if (log.Open(context.strServiceLog, strError) != Result::Ok)
        return context.Fail(strError);
    if (!context.args.isEmpty())
        return ShowVisit(context, log, context.args.value(1));
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
    report.Add(QStringLiteral("database"), Label("Service record", "Serviceprotokoll"), log.Path());
    report.AddList(QStringLiteral("visits"), Label("Visits, newest first", "Besuche, neueste zuerst"), items);
    if (items.empty())
        report.Add(QStringLiteral("note"), Label("Note", "Hinweis"), Label("No visit matches.", "Kein Besuch passt."));
    context.Print(report);
    return ExitOk;
}
