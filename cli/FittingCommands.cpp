// Commands that talk to a fitting through a bus adapter.

#include "cli/AdapterJobs.h"
#include "cli/CliCommands.h"
#include "cli/CommandLine.h"
#include "cli/FittingSession.h"

#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "devicelink/VelmorTPExt.h"
#include "firmware/FirmwareDownload.h"
#include "pages/SettingsModel.h"
#include "workflow/FailureHints.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"
#include "workflow/ServiceRecording.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>

int FailJob(const CCliContext& context, int nResult, const std::string& strError)
{
    const std::string strHint = FailureHint(nResult, strError, HintAudience::CommandLine);
    // The hint's first sentence says what happened ("No fitting answers.").
    if (context.pJob != nullptr && !strHint.empty()) {
        const std::size_t nEnd = strHint.find(". ");
        context.pJob->KeepCause(nEnd == std::string::npos ? strHint : strHint.substr(0, nEnd + 1));
    }
    return context.Fail(strError, strHint);
}

namespace {

int FailCatalog(const CCliContext& context, const std::string& strCatalogError)
{
    return context.Fail(FormatText(PickText("The product definitions could not be loaded: %s", "Die Produktdefinitionen konnten nicht geladen werden: %s"),
                                   strCatalogError.c_str()),
                        "Remove or repair the folder named in the product definition directory (--config <dir>).",
                        "Entfernen oder reparieren Sie den genannten Ordner im Verzeichnis der Produktdefinitionen (--config <Verzeichnis>).");
}

int FailUnknownArticle(const CCliContext& context, const CFittingIdentity& identity)
{
    return context.Fail(FormatText(PickText("The connected fitting's article number %s is in no product definition.",
                                            "Die Artikelnummer %s der angeschlossenen Armatur ist in keiner Produktdefinition."),
                                   identity.strArticleNumberFormatted.c_str()),
                        "Add its product definition to the definition directory (--config <dir>).",
                        "Legen Sie seine Produktdefinition im Definitionsverzeichnis ab (--config <Verzeichnis>).");
}

int FailInBootloader(const CCliContext& context, const CFittingIdentity& identity)
{
    return context.Fail(FormatText(PickText("The fitting (article number %s) is waiting in its boot loader: it has no working application.",
                                            "Die Armatur (Artikelnummer %s) wartet in ihrem Bootloader: sie hat keine funktionsfähige Anwendung."),
                                   identity.strArticleNumberFormatted.c_str()),
                        "Program its firmware with 'fluxa-cli flash <file>' (service mode).",
                        "Programmieren Sie ihre Firmware mit 'fluxa-cli flash <Datei>' (Servicemodus).");
}

// Every unit identified is a visit of the service record.
void StartVisit(const CCliContext& context, CFittingSession& session)
{
    if (context.strServiceLog.empty() || !session.bStartVisit)
        return;
    std::string strWarning;
    if (session.serviceLog.Open(context.strServiceLog, strWarning) == Result::Ok)
        session.visit = session.serviceLog.StartVisit(ServiceUnitOf(session.identity),
                                                      {context.strTechnician, ServiceAdapterName(context.nAdapter, session.adapter), FLUXA_VERSION});
    context.Warn(strWarning);
}

} // namespace

void RecordVisit(CFittingSession& session, ServiceEventKind eKind, int nResult, const std::string& strMessage,
                 std::vector<CServiceItem> items)
{
    RecordVisit(session, {eKind, nResult, strMessage, std::move(items)});
}

void RecordVisit(CFittingSession& session, CServiceEvent event)
{
    std::string strWarning;
    session.serviceLog.Record(session.visit, std::move(event), strWarning);
    session.pContext->Warn(strWarning);
}

namespace {

// A command that records no event keeps in the service record that it saw
// the unit.
void RecordSeen(CFittingSession& session)
{
    std::string strWarning;
    session.serviceLog.RecordSeen(session.visit, strWarning);
    session.pContext->Warn(strWarning);
}

// The adapter this command serves: by its number, or for a job of several by
// the serial number it was listed with, wherever it is in the list now.
int OpenChosenAdapter(const CCliContext& context, CFittingSession& session)
{
    std::string strError;
    std::vector<CAdapterDevice> adapters;
    if (session.link.LoadDriver(strError) != Result::Ok
        || session.link.ListAdapters(CVelmorTPFTDI::kAdapterDescription, adapters, strError) != Result::Ok)
        return context.Fail(strError, MissingLibraryHint(), MissingLibraryHint());
    const int nAdapters = static_cast<int>(adapters.size());
    if (nAdapters == 0)
        return context.Fail(NoAdapterFoundText(),
                            "Plug in the bus adapter; 'fluxa-cli adapters' lists the USB devices found.",
                            "Stecken Sie den Busadapter ein; 'fluxa-cli adapters' zeigt die gefundenen USB-Geräte.");
    const auto listed = std::ranges::find(adapters, context.strAdapterSerial, &CAdapterDevice::strSerialNumber);
    if (context.strAdapterSerial.empty() ? context.nAdapter >= nAdapters : listed == adapters.end())
        return context.Fail(FormatText(PickText("There is no bus adapter number %d; %d adapter(s) found.",
                                                "Es gibt keinen Busadapter Nummer %d; %d Adapter gefunden."),
                                       context.nAdapter, nAdapters),
                            "Choose an adapter with --adapter <n>, counting from 0.",
                            "Wählen Sie einen Adapter mit --adapter <n>, gezählt ab 0.");
    session.adapter = context.strAdapterSerial.empty() ? adapters[static_cast<std::size_t>(context.nAdapter)] : *listed;
    const int nOpened = context.strAdapterSerial.empty()
                            ? session.link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, context.nAdapter, strError)
                            : session.link.OpenAdapterBySerial(CVelmorTPFTDI::kAdapterDescription, context.strAdapterSerial, strError);
    if (nOpened != Result::Ok || !session.link.IsPortOpen())
        return context.Fail(strError.empty() ? PickText("The bus adapter could not be opened.", "Der Busadapter konnte nicht geöffnet werden.")
                                             : strError,
                            "Is the adapter in use by another program?", "Wird der Adapter von einem anderen Programm benutzt?");
    return ExitOk;
}

} // namespace

int Connect(const CCliContext& context, CFittingSession& session, bool bNeedDefinition)
{
    session.pContext = &context;
    context.Progress(PickText("Identifying the fitting", "Die Armatur wird identifiziert"), 5);
    if (const int nExit = OpenChosenAdapter(context, session); nExit != ExitOk)
        return nExit;
    const bool bCatalogLoaded = session.catalog.LoadDeviceConfigs(context.strConfigDir, session.strCatalogError, CheckDefinitionFitsFields) == Result::Ok;
    std::string strError;
    const int nResult = IdentifyFitting(session.link, session.catalog, session.identity, strError);
    if (nResult != Result::Ok)
        return FailJob(context, nResult, strError);
    if (!context.Identified(session.identity.strArticleNumber, session.identity.strUnitSerialNumber))
        return ExitUsage; // the run says why
    context.Progress(PickText("Identified", "Identifiziert"), 20);
    // Without the whole catalog an article number missing from it proves nothing.
    if (bNeedDefinition && !session.identity.bDefinitionFound)
        return bCatalogLoaded ? FailUnknownArticle(context, session.identity) : FailCatalog(context, session.strCatalogError);
    StartVisit(context, session);
    return ExitOk;
}

namespace {

// As the pages do before they touch the fitting: is it still the one identified?
int CheckSameFitting(const CCliContext& context, CFittingSession& session)
{
    std::string strError;
    const int nResult = CheckArticleNumber(session.link, session.identity.strArticleNumber, strError);
    return nResult == Result::Ok ? ExitOk : FailJob(context, nResult, strError);
}

// The module information's names are its keys; the labels and the active
// application's value follow the chosen language.
std::string ModuleInformationLabel(const std::string& strName)
{
    static const struct {
        const char* szName;
        const char* szEnglish;
        const char* szGerman;
    } kLabels[] = {{"Active application", "Active application", "Aktive Anwendung"},
                   {"Product ID", "Product ID", "Produkt-ID"},
                   {"BL version", "Boot loader version", "Bootloader-Version"},
                   {"SW version", "Software version", "Softwareversion"},
                   {"Serial number", "Serial number (module information)", "Seriennummer (Modulinformation)"}};
    for (const auto& label : kLabels)
        if (strName == label.szName)
            return Label(label.szEnglish, label.szGerman);
    return strName;
}

std::string ModuleInformationValue(const std::string& strName, const std::string& strValue)
{
    if (strName == "Active application" && strValue == "1 = Application")
        return Label("1 = Application", "1 = Anwendung");
    return strValue;
}

} // namespace

bool Confirm(const char* szQuestion)
{
    if (!IsTerminal(stdin))
        return false;
    std::printf("%s [%s] ", szQuestion, PickText("y/N", "j/N"));
    std::fflush(stdout);
    std::string strAnswer;
    std::getline(std::cin, strAnswer);
    return strAnswer == "y" || strAnswer == "Y" || strAnswer == "j" || strAnswer == "J" || strAnswer == "yes" || strAnswer == "ja";
}

namespace {

// A progress bar on a terminal; plain lines when the output is not one.
class CProgressView {
public:
    CProgressView() : m_bTerminal(IsTerminal(stderr)) {}
    ~CProgressView()
    {
        if (m_bTerminal && m_nPercent >= 0)
            std::fputc('\n', stderr);
    }
    void Show(const std::string& strStepText, int nPercent)
    {
        const std::string strText = TrimWhiteSpace(strStepText);
        if (m_bTerminal) {
            const int nFilled = nPercent * 30 / 100;
            std::fprintf(stderr, "\r[%-30s] %3d%% %-60.60s", std::string(static_cast<std::size_t>(nFilled), '#').c_str(), nPercent,
                         strText.c_str());
        } else if (strText != m_strText) {
            std::fprintf(stderr, "%3d%% %s\n", nPercent, strText.c_str());
        }
        std::fflush(stderr);
        m_strText = strText;
        m_nPercent = nPercent;
    }

private:
    bool m_bTerminal;
    std::string m_strText;
    int m_nPercent = -1;
};

CCliReport IdentityReport(CFittingSession& session)
{
    CFittingIdentity& identity = session.identity;
    CCliReport report;
    AddArticle(report, identity.strArticleNumber);
    if (identity.bDefinitionFound) {
        std::string strDescription;
        std::string strExtended;
        identity.definition.GetProductDescription(g_nLanguage, strDescription, strExtended);
        CCliReport product;
        product.Add("description", Label("Description", "Beschreibung"), strDescription);
        product.Add("extendedDescription", Label("Extended description", "Erweiterte Beschreibung"), strExtended);
        product.Add("typeName", Label("Product type", "Produkttyp"), identity.definition.GetConfigSheet());
        product.Add("typeCode", Label("Type code", "Typcode"), static_cast<long long>(identity.nProductType));
        report.AddSection("product", Label("Product definition", "Produktdefinition"), product);
    }
    report.Add("unitSerialNumber", Label("Serial number of the unit (EEPROM)", "Seriennummer des Geräts (EEPROM)"),
               identity.strUnitSerialNumber);
    CCliReport module;
    std::string strIgnored;
    for (int nIndex = 0; nIndex < identity.moduleInformation.GetParameterCount(); ++nIndex) {
        CStringParameter parameter;
        if (identity.moduleInformation.GetParameterByIndex(nIndex, parameter, strIgnored) == Result::Ok)
            module.Add(parameter.GetName(), ModuleInformationLabel(parameter.GetName()),
                       ModuleInformationValue(parameter.GetName(), parameter.GetValue()));
    }
    report.AddSection("moduleInformation", Label("Module information", "Modulinformation"), module);
    report.Add("productionDate", Label("Production date", "Produktionsdatum"), identity.strProductionDate);
    report.Add("bootloader", "", static_cast<long long>(identity.bInBootloader ? 1 : 0));
    return report;
}

// What a download left, for the service record.
struct CDownloadRecord {
    std::string strFile;
    std::string strImageVersion;
    CFittingIdentity before;
};

// The download's outcome, with the check of the unit that answers after it:
// the file, and the version before → the version that answers (empty when
// none did).
void RecordDownload(CFittingSession& session, const CDownloadRecord& record, int nStarted, const std::string& strStartError,
                    const CFirmwareDownload& download, const CIdentificationAfterDownload& reidentification)
{
    int nResult = nStarted;
    std::string strMessage = strStartError;
    if (nResult == Result::Ok && download.GetResult() != Result::Ok) {
        nResult = download.GetResult();
        strMessage = download.GetError();
    } else if (nResult == Result::Ok && reidentification.GetResult() != Result::Ok) {
        nResult = reidentification.GetResult();
        strMessage = reidentification.GetError();
    } else if (nResult == Result::Ok) {
        nResult = CheckProgrammedFitting(record.before, session.identity, record.strImageVersion, strMessage);
    }
    const bool bAnswered = nStarted == Result::Ok && download.GetResult() == Result::Ok && reidentification.GetResult() == Result::Ok;
    RecordVisit(session, ServiceEventKind::FirmwareDownload, nResult, strMessage,
                FirmwareDownloadItems(record.strFile, record.before.strSoftwareVersion,
                                      bAnswered ? session.identity.strSoftwareVersion : std::string()));
}

int FailSilentAfterDownload(const CCliContext& context, const std::string& strError)
{
    return context.Fail(FormatText(PickText("The fitting did not answer within %u s after the download: %s",
                                            "Die Armatur hat nach dem Download %u s lang nicht geantwortet: %s"),
                                   kReidentifyWaitMs / 1000, strError.c_str()),
                        "Check its cable and power supply, then run 'fluxa-cli identify'; if it waits in its boot loader, run the download again.",
                        "Prüfen Sie Kabel und Versorgung der Armatur und rufen Sie dann 'fluxa-cli identify' auf; wartet sie im Bootloader, starten Sie den Download erneut.");
}

} // namespace

int RunAdapters(CCliContext& context)
{
    std::vector<CUsbDevice> devices;
    std::string strError;
    if (ListUsbDevices(devices, strError) != Result::Ok)
        return context.Fail(strError, MissingLibraryHint(), MissingLibraryHint());
    std::vector<CCliReport> items;
    for (const CUsbDevice& device : devices) {
        CCliReport item;
        item.Add("device", Label("Device number", "Gerätenummer"), static_cast<long long>(device.nDeviceNumber));
        item.Add("description", Label("Description", "Beschreibung"), device.strDescription);
        item.Add("serial", Label("Serial number", "Seriennummer"), device.strSerialNumber);
        item.Add("adapter", Label("Bus adapter", "Busadapter"),
                 device.nAdapterNumber >= 0 ? std::to_string(device.nAdapterNumber) : std::string("-"));
        item.Add("port", Label("Port", "Anschluss"), device.strPort);
        if (!device.strPath.empty())
            item.Add("path", Label("Serial device", "Serielles Gerät"), device.strPath);
        items.push_back(item);
    }
    CCliReport report;
    report.AddList("devices", Label("USB devices", "USB-Geräte"), items);
    context.Print(report);
    return ExitOk;
}

int RunIdentify(CCliContext& context)
{
    CFittingSession session;
    const int nExit = Connect(context, session, false);
    if (nExit != ExitOk)
        return nExit;
    RecordSeen(session);
    context.Print(IdentityReport(session));
    if (session.identity.bInBootloader)
        return FailInBootloader(context, session.identity);
    if (session.identity.bDefinitionFound)
        return ExitOk;
    return session.strCatalogError.empty() ? FailUnknownArticle(context, session.identity)
                                           : FailCatalog(context, session.strCatalogError);
}

int RunInfo(CCliContext& context)
{
    CFittingSession session;
    int nExit = Connect(context, session, true);
    if (nExit != ExitOk)
        return nExit;
    CFittingInformation information;
    std::string strError;
    const int nResult = ReadFittingInformation(session.link, session.identity.nProductType, information, strError);
    RecordVisit(session, ServiceEventKind::OperatingData, nResult, strError,
                nResult == Result::Ok ? OperatingDataItems(information) : std::vector<CServiceItem>());
    if (nResult != Result::Ok)
        return FailJob(context, nResult, strError);
    CCliReport report;
    AddArticle(report, session.identity.strArticleNumber);
    report.Add("hoursTotal", Label("Operation hours total", "Betriebsstunden gesamt"), static_cast<long long>(information.nHoursTotal));
    report.Add("hoursSinceReset", Label("Operation hours since last reset", "Betriebsstunden seit letzter Stromunterbrechung"),
               static_cast<long long>(information.nHoursSinceReset));
    report.Add("switchCountTotal", Label("Switch count total", "Auslösungen gesamt"), information.llSwitchCountTotal);
    report.Add("switchCountSinceReset", Label("Switch count since last reset", "Auslösungen seit letzter Stromunterbrechung"),
               information.llSwitchCountSinceReset);
    report.Add("installationDate", Label("Installation date", "Installationsdatum"), information.strInstallationDate);
    report.Add("installer", Label("Installer", "Installateur"), information.strInstaller);
    report.Add("placement", Label("Placement", "Einsatzort"), information.strPlacement);
    context.Print(report);
    return ExitOk;
}

namespace {

int PrintErrorHistory(const CCliContext& context, const CFittingSession& session, const CErrorHistory& history)
{
    const int nType = session.identity.nProductType;
    std::vector<std::string> lines;
    std::string strError;
    if (ErrorHistoryLines(history, nType, lines, strError) != Result::Ok)
        return context.Fail(strError);
    CCliReport report;
    AddArticle(report, session.identity.strArticleNumber);
    report.Add("count", Label("Stored errors", "Gespeicherte Fehler"), static_cast<long long>(history.byCount));
    // The decoded lines begin with " - " as the diagnostics page shows them.
    std::vector<CCliReport> entries;
    std::vector<std::string> textLines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& strText = lines[i];
        CCliReport entry;
        entry.Add("code", "", static_cast<long long>(history.abyEntries[i]));
        entry.Add("text", "", strText.starts_with(" - ") ? strText.substr(3) : strText);
        entries.push_back(entry);
        textLines.push_back(history.byCount == 0 ? strText : std::to_string(history.abyEntries[i]) + strText);
    }
    if (context.bJson) {
        report.AddList("entries", "", entries);
        // All five entry bytes as stored, whatever the count says.
        report.AddNumbers("storedCodes", std::vector<long long>(std::begin(history.abyEntries), std::end(history.abyEntries)));
    } else {
        report.AddLines("entries", Label("Error history", "Fehlerspeicher"), textLines);
    }
    context.Print(report);
    return ExitOk;
}

} // namespace

int RunErrors(CCliContext& context)
{
    CFittingSession session;
    int nExit = Connect(context, session, true);
    if (nExit != ExitOk)
        return nExit;
    const int nType = session.identity.nProductType;
    CErrorHistory history;
    std::string strError;
    int nResult = ReadErrorHistory(session.link, nType, history, strError);
    RecordVisit(session, ServiceEventKind::ErrorsRead, nResult, strError,
                history.bComplete ? ErrorHistoryItems(history) : std::vector<CServiceItem>());
    if (nResult != Result::Ok)
        return FailJob(context, nResult, strError);
    if (!context.bClear)
        return PrintErrorHistory(context, session, history);

    if (!context.bYes && !Confirm(PickText("Do you want to reset the error history?", "Möchten Sie die Fehlerhistorie zurücksetzen?")))
        return context.Fail(PickText("The error history was not cleared.", "Die Fehlerhistorie wurde nicht gelöscht."),
                            "Answer y at the prompt, or give --yes to clear without asking.",
                            "Antworten Sie j auf die Frage, oder geben Sie --yes an, um ohne Rückfrage zu löschen.");
    if ((nExit = CheckSameFitting(context, session)) != ExitOk)
        return nExit;
    const CErrorHistory before = history;
    context.Progress(PickText("Clearing the error history", "Die Fehlerhistorie wird gelöscht"), 60);
    nResult = ClearErrorHistory(session.link, nType, history, strError);
    RecordVisit(session, ServiceEventKind::ErrorsCleared, nResult, strError, ErrorHistoryItems(history, &before));
    // What the fitting holds after the clear, whether or not it succeeded.
    if (history.bComplete && (nExit = PrintErrorHistory(context, session, history)) != ExitOk)
        return nExit;
    return nResult == Result::Ok ? ExitOk : FailJob(context, nResult, strError);
}

int RunValve(CCliContext& context)
{
    const std::string& strAction = context.args.at(0);
    if (strAction != "open" && strAction != "close" && strAction != "state") {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli valve open|close|state\n");
        return ExitUsage;
    }
    CFittingSession session;
    int nExit = Connect(context, session, true);
    if (nExit != ExitOk)
        return nExit;
    RecordSeen(session);
    std::string strError;
    if (strAction != "state") {
        if ((nExit = CheckSameFitting(context, session)) != ExitOk)
            return nExit;
        const int nResult = SwitchValve(session.link, strAction == "open", strError);
        if (nResult != Result::Ok)
            return FailJob(context, nResult, strError);
    }
    BYTE byState = 0;
    const int nResult = ReadValveState(session.link, byState, strError);
    if (nResult != Result::Ok)
        return FailJob(context, nResult, strError);
    CCliReport report;
    report.Add("valve", Label("Valve", "Ventil"),
               byState != 0 ? Label("Opened", "Geöffnet") : Label("Closed", "Geschlossen"));
    report.Add("open", "", static_cast<long long>(byState != 0 ? 1 : 0));
    context.Print(report);
    return ExitOk;
}

namespace {

// The EEPROM range of "eeprom dump": the mapped rows, or --range <first> <last>.
bool DumpRange(const CCliContext& context, int& nFirst, int& nLast)
{
    nFirst = 0;
    nLast = kMappedEepromEnd;
    if (!context.bRange)
        return context.args.size() == 1;
    if (context.args.size() != 3)
        return false;
    const std::optional<long long> first = ParseNumber(context.args[1], 0, 0, UINT32_MAX);
    const std::optional<long long> last = ParseNumber(context.args[2], 0, 0, UINT32_MAX);
    nFirst = static_cast<int>(first.value_or(0));
    nLast = static_cast<int>(last.value_or(0));
    return first && last && nFirst <= nLast && nLast <= 0xFFFF;
}

void PrintEepromRows(const CCliContext& context, const CFittingSession& session, const std::vector<CEepromRow>& rows, bool bComplete)
{
    CCliReport report;
    AddArticle(report, session.identity.strArticleNumber);
    std::vector<std::string> lines;
    std::vector<CCliReport> items;
    int nBad = 0;
    for (const CEepromRow& row : rows) {
        std::string strBytes;
        for (BYTE by : row.abyBytes)
            strBytes += FormatText("%02X ", by);
        const std::string strSum = row.bChecksumGood ? Label("sum ok", "Summe ok") : Label("SUM BAD", "SUMME FALSCH");
        lines.push_back(FormatText("%04X: ", static_cast<unsigned>(row.nAddress)) + strBytes + " " + strSum);
        CCliReport item;
        item.Add("address", "", static_cast<long long>(row.nAddress));
        item.Add("bytes", "", TrimWhiteSpace(strBytes));
        item.Add("checksumGood", "", static_cast<long long>(row.bChecksumGood ? 1 : 0));
        items.push_back(item);
        nBad += row.bChecksumGood ? 0 : 1;
    }
    report.Add("badRows", Label("Rows with a bad sum", "Zeilen mit falscher Summe"), static_cast<long long>(nBad));
    report.Add("complete", "", static_cast<long long>(bComplete ? 1 : 0));
    if (context.bJson)
        report.AddList("rows", "", items);
    else
        report.AddLines("rows", "", lines);
    context.Print(report);
}

} // namespace

int RunEeprom(CCliContext& context)
{
    int nFirst = 0;
    int nLast = 0;
    if (context.args.at(0) != "dump" || !DumpRange(context, nFirst, nLast)) {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli eeprom dump [--range <first> <last>] (addresses 0 to 0xFFFF, first <= last)\n");
        return ExitUsage;
    }
    CFittingSession session;
    const int nExit = Connect(context, session, false);
    if (nExit != ExitOk)
        return nExit;
    RecordSeen(session);
    std::vector<CEepromRow> rows;
    std::string strError;
    const int nResult = ReadEepromRows(session.link, nFirst, nLast, rows, strError);
    // The rows read before a failure are shown all the same.
    PrintEepromRows(context, session, rows, nResult == Result::Ok);
    return nResult == Result::Ok ? ExitOk : FailJob(context, nResult, strError);
}

int RunFlash(CCliContext& context)
{
    if (context.dwServiceCode != kServiceCode)
        return context.Fail(PickText("Firmware can only be programmed in service mode.",
                                     "Firmware kann nur im Servicemodus programmiert werden."),
                            "Service mode is on when the \"DontChange\" setting holds the service code.",
                            "Der Servicemodus ist an, wenn die Einstellung \"DontChange\" den Servicecode enthält.");
    CFittingSession session;
    const int nExit = Connect(context, session, true);
    if (nExit != ExitOk)
        return nExit;
    CFirmwareDownload download;
    std::string strError;
    if (download.ChooseFile(context.args.at(0), session.identity.nProductType, strError) != Result::Ok)
        return context.Fail(FirmwareFileMessage(download, context.args.at(0), session.identity.nProductType, strError));
    std::string strImageVersion;
    download.GetImageVersion(session.identity.nProductType, strImageVersion);
    const CFittingIdentity before = session.identity;
    // After programming the fitting restarts: identified again as soon as it
    // answers. After a failed download the failure is reported, not the fitting.
    CIdentificationAfterDownload reidentification(session.link, session.catalog, download, session.identity);
    int nResult = Result::Ok;
    {
        // A job of several shows its progress in the table of all jobs.
        std::optional<CProgressView> progress;
        if (context.pJob == nullptr)
            progress.emplace();
        const auto show = [&progress, &context](const std::string& strText, int nPercent) {
            if (progress)
                progress->Show(strText, nPercent);
            context.Progress(strText, nPercent);
        };
        nResult = download.StartProgramming(session.link, session.identity.nProductType, show, &reidentification, strError);
    }
    RecordDownload(session, {context.args.at(0), strImageVersion, before}, nResult, strError, download, reidentification);
    if (nResult != Result::Ok)
        return context.Fail(strError);
    if (download.GetResult() != Result::Ok)
        return context.Fail(download.GetError(), "The fitting may be left in its boot loader: run the download again.",
                            "Die Armatur ist womöglich im Bootloader geblieben: starten Sie den Download erneut.");
    if (reidentification.GetResult() == Result::NoResponse)
        return FailSilentAfterDownload(context, reidentification.GetError());
    if (reidentification.GetResult() != Result::Ok)
        return FailJob(context, reidentification.GetResult(), reidentification.GetError());
    // Whatever the check finds, the report shows what answers now beside what was programmed.
    CCliReport report = IdentityReport(session);
    report.Add("unitSerialNumberBefore", Label("Serial number of the unit programmed (EEPROM)", "Seriennummer des programmierten Geräts (EEPROM)"),
               before.strUnitSerialNumber);
    report.Add("imageVersion", Label("Version of the image", "Version des Abbilds"), strImageVersion);
    context.Print(report);
    if (CheckProgrammedFitting(before, session.identity, strImageVersion, strError) != Result::Ok)
        return context.Fail(strError, "Check which fitting is connected now ('fluxa-cli identify'); if it is the unit meant, run the download again.",
                            "Prüfen Sie, welche Armatur jetzt angeschlossen ist ('fluxa-cli identify'); ist es das gemeinte Gerät, starten Sie den Download erneut.");
    return ExitOk;
}
