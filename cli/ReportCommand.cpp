// fluxa-cli report: the service report of a unit's last visit as a PDF.

#include "cli/CliCommands.h"
#include "cli/FittingSession.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "pages/SettingsFamily.h"
#include "report/ServiceReport.h"

#include <QGuiApplication>

#include <memory>

namespace {

int FailNoVisit(const CCliContext& context, const CVisitFilter& filter)
{
    return context.Fail(FormatText(PickText("The service record holds no visit of the unit with serial number %s.",
                                            "Das Serviceprotokoll enthält keinen Besuch des Geräts mit der Seriennummer %s."),
                                   filter.strSerialNumber.c_str()),
                        "'fluxa-cli history' lists the visits kept; a command run on the unit (say 'fluxa-cli identify') records one.",
                        "'fluxa-cli history' listet die aufgezeichneten Besuche; ein Befehl am Gerät (etwa 'fluxa-cli identify') zeichnet einen auf.");
}

// The unit named by --serial (and --article), or the connected one, found
// without starting a visit for the report itself.
int FindUnit(const CCliContext& context, CFittingSession& session, CVisitFilter& filter)
{
    filter = {context.historyFilter.strSerialNumber, context.historyFilter.strArticleNumber, ""};
    if (!filter.strSerialNumber.empty()) {
        // Without its definition the report still shows what was recorded.
        session.catalog.LoadDeviceConfigs(context.strConfigDir, session.strCatalogError, CheckDefinitionFitsFields);
        return ExitOk;
    }
    session.bStartVisit = false;
    const int nExit = Connect(context, session, false);
    filter = {session.identity.strUnitSerialNumber, session.identity.strArticleNumber, ""};
    return nExit;
}

// Only the report draws; the other commands need no display. It draws
// offscreen unless told otherwise.
std::unique_ptr<QGuiApplication> MakeApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int nArgc = 1;
    static char szProgram[] = "fluxa-cli";
    static char* argv[] = {szProgram, nullptr};
    return std::make_unique<QGuiApplication>(nArgc, argv);
}

} // namespace

int RunReport(CCliContext& context)
{
    const std::unique_ptr<QGuiApplication> pApplication = MakeApplication();
    CFittingSession session;
    CVisitFilter filter;
    const int nExit = FindUnit(context, session, filter);
    if (nExit != ExitOk)
        return nExit;
    CServiceLog log;
    std::string strError;
    std::vector<CVisitSummary> visits;
    if (log.OpenToRead(context.strServiceLog, strError) != Result::Ok)
        return context.Fail(strError, kNoServiceRecordHint, kNoServiceRecordHintGerman);
    if (log.ListVisits(filter, visits, strError) != Result::Ok)
        return context.Fail(strError);
    if (visits.empty())
        return FailNoVisit(context, filter);
    const CVisitSummary& visit = visits.front(); // newest first
    if (WriteServiceReport(log, visit.llId, session.catalog, context.args.at(0), strError) != Result::Ok)
        return context.Fail(strError, "Choose a file in a folder you can write to.", "Wählen Sie eine Datei in einem Ordner, in den Sie schreiben dürfen.");
    CCliReport report;
    report.Add("file", Label("Service report", "Servicebericht"), context.args.at(0));
    report.Add("visit", Label("Visit", "Besuch"), static_cast<long long>(visit.llId));
    report.Add("startedLocal", Label("Date", "Datum"), LocalRecordTime(visit.strStarted));
    AddArticle(report, visit.unit.strArticleNumber);
    report.Add("unitSerialNumber", Label("Serial number of the unit", "Seriennummer des Geräts"), visit.unit.strSerialNumber);
    context.Print(report);
    return ExitOk;
}
