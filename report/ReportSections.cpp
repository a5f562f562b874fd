#include "report/ReportSections.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingCaptions.h"
#include "pages/SettingsModel.h"
#include "report/ServiceReport.h"
#include "workflow/FittingReadout.h"
#include "workflow/ServiceRecording.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

QString Text(const char* szEnglish, const char* szGerman)
{
    return QString::fromUtf8(PickText(szEnglish, szGerman));
}

QString Html(const std::string& strText)
{
    return QString::fromStdString(strText).toHtmlEscaped();
}

QString Heading(const QString& title)
{
    return QStringLiteral("<h2>%1</h2>").arg(title);
}

QString NotInVisit(const QString& what)
{
    return QStringLiteral("<p class=\"none\">%1</p>").arg(what);
}

QString Change(const QString& before, const QString& after)
{
    return QStringLiteral("<b>%1 \u2192 %2</b>").arg(before, after);
}

using Pairs = std::vector<std::pair<QString, QString>>;

// Label and value pairs, two to a row.
QString PairTable(const Pairs& pairs)
{
    QString html = QStringLiteral("<table class=\"pairs\" width=\"100%\" cellspacing=\"0\" cellpadding=\"1\">");
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        html += QStringLiteral("<tr><td class=\"label\" width=\"24%\">%1</td><td width=\"26%\">%2</td>").arg(pairs[i].first, pairs[i].second);
        html += i + 1 < pairs.size()
                    ? QStringLiteral("<td class=\"label\" width=\"24%\">%1</td><td width=\"26%\">%2</td></tr>").arg(pairs[i + 1].first, pairs[i + 1].second)
                    : QStringLiteral("<td>&nbsp;</td><td>&nbsp;</td></tr>");
    }
    return html + QStringLiteral("</table>");
}

// A table with a header row; a row given as "<tr ...>" cells.
QString GridTable(const QStringList& header, const QString& rows)
{
    QString html = QStringLiteral("<table class=\"grid\" width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><thead><tr>");
    for (const QString& title : header)
        html += QStringLiteral("<th>%1</th>").arg(title);
    return html + QStringLiteral("</tr></thead>") + rows + QStringLiteral("</table>");
}

QString ResultText(const CServiceEvent& event)
{
    return event.nResult == Result::Ok ? Text("done", "erledigt") : Text("failed: ", "fehlgeschlagen: ") + Html(event.strMessage);
}

// ---- values seen in the visit ---------------------------------------------------

struct CValueState {
    std::string strValue;     // the last value seen (read, or held after a write)
    std::string strBefore;    // what the fitting held before the visit first wrote it
    std::string strAttempted; // what the last write of it sent
    bool bChanged = false;
    WriteVerdict eVerdict = WriteVerdict::Held; // of the last write of it
};
using ValueStates = std::map<std::string, CValueState>;

// The operating data's installation record by the names the settings give it.
std::string InstallationName(const std::string& strOperatingName)
{
    if (strOperatingName == "Placement")
        return "InstallLocation";
    if (strOperatingName == "InstallationDate")
        return "InstallDate";
    return strOperatingName == "Installer" ? strOperatingName : std::string();
}

// What the visit read of each setting and of the installation record, and
// what it wrote, in the order it happened.
ValueStates SeenValues(const CVisitDetail& visit)
{
    ValueStates states;
    for (const CServiceEvent& event : visit.events) {
        const bool bWrite = event.eKind == ServiceEventKind::SettingsWritten;
        const bool bChecked = event.eKind == ServiceEventKind::SettingsChecked;
        const bool bOperating = event.eKind == ServiceEventKind::OperatingData;
        if (!bWrite && !bChecked && !bOperating && event.eKind != ServiceEventKind::SettingsRead)
            continue;
        for (const CServiceItem& item : event.items) {
            const std::string strName = bOperating ? InstallationName(item.strName) : item.strName;
            if (strName.empty())
                continue;
            CValueState& state = states[strName];
            if (bWrite && !state.bChanged) {
                state.strBefore = item.strBefore;
                state.bChanged = true;
            }
            if (bWrite || bChecked) {
                state.eVerdict = item.eVerdict;
                state.strAttempted = item.strAfter;
                state.strValue = item.Holds();
            } else {
                state.strValue = item.strAfter;
            }
        }
    }
    return states;
}

// A value as the page shows it: a list's label, "on"/"off", or the number.
QString ShownValue(CSettingsModel* pModel, const CSettingField* pField, const std::string& strValue)
{
    if (strValue.empty())
        return QStringLiteral("\u2013");
    if (pModel != nullptr && pField != nullptr) {
        const std::string strLabel = pModel->ValueLabel(*pField, static_cast<DWORD>(std::strtoul(strValue.c_str(), nullptr, 10)));
        if (!strLabel.empty())
            return Html(strLabel);
    }
    return Html(strValue);
}

QString StateText(const CValueState& state, CSettingsModel* pModel = nullptr, const CSettingField* pField = nullptr)
{
    if (!state.bChanged)
        return ShownValue(pModel, pField, state.strValue);
    const QString change = Change(ShownValue(pModel, pField, state.strBefore), ShownValue(pModel, pField, state.strAttempted));
    switch (state.eVerdict) {
    case WriteVerdict::Held:
        return change;
    case WriteVerdict::NotHeld:
        return change + QStringLiteral(", <i>%1</i>").arg(Text("the fitting holds %1", "die Armatur hält %1").arg(ShownValue(pModel, pField, state.strValue)));
    case WriteVerdict::NotWritten:
        return change + QStringLiteral(" <i>%1</i>").arg(Text("(not written)", "(nicht geschrieben)"));
    case WriteVerdict::Unknown:
        return change + QStringLiteral(" <i>%1</i>").arg(Text("(written, not checked)", "(geschrieben, nicht geprüft)"));
    case WriteVerdict::InFlight:
        return change + QStringLiteral(" <i>%1</i>").arg(Text("(cut off while written: may or may not be stored)",
                                                                "(beim Schreiben abgebrochen: vielleicht gespeichert)"));
    }
    return change;
}

QString SettingRow(const std::string& strName, int nProductType, const CValueState& state, CSettingsModel* pModel,
                   const CSettingField* pField)
{
    const CSettingCaption caption = SettingCaption(strName, nProductType);
    QString limits;
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (pModel != nullptr && pField != nullptr && pField->eKind == SettingKind::Number
        && pModel->GetSetting(strName, pSetting, strIgnored) == Result::Ok)
        limits = QStringLiteral("%1\u2013%2").arg(pSetting->GetMin()).arg(pSetting->GetMax());
    return QStringLiteral("<tr%1><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
        .arg(state.bChanged ? QStringLiteral(" class=\"changed\" bgcolor=\"#fff4c2\"") : QString(), Html(caption.strText),
             StateText(state, pModel, pField), QString::fromUtf8(caption.szUnit), limits);
}

bool IsInstallationName(const std::string& strName)
{
    return strName == "Installer" || strName == "InstallLocation" || strName == "InstallDate";
}

// Without the product's definition: each setting recorded, by its name.
QString RecordedSettingRows(const ValueStates& states)
{
    QString rows;
    for (const auto& [strName, state] : states)
        if (!IsInstallationName(strName))
            rows += SettingRow(strName, 0, state, nullptr, nullptr);
    return rows;
}

QString ModelSettingRows(const ValueStates& states, CReportProduct& product)
{
    const CSettingsFamily* pFamily = FindSettingsFamily(product.nProductType);
    if (pFamily == nullptr)
        return RecordedSettingRows(states);
    CSettingsModel model(*pFamily, product.definition, product.nProductType);
    QString rows;
    for (const CSettingField& field : model.Fields()) {
        const auto found = states.find(field.szName);
        if (model.ShowsField(field.szName) || (found != states.end() && found->second.bChanged))
            rows += SettingRow(field.szName, product.nProductType, found != states.end() ? found->second : CValueState(), &model, &field);
    }
    return rows;
}

// What became of each write that did not reach its read-back, in the
// technician's words.
QString WriteNotes(const CVisitDetail& visit, int nProductType)
{
    QString notes;
    for (std::size_t i = 0; i < visit.events.size(); ++i) {
        const CServiceEvent& event = visit.events[i];
        if (event.eKind != ServiceEventKind::SettingsWritten)
            continue;
        const QString time = LocalServiceTime(event.strTime).toHtmlEscaped();
        QString note;
        if (event.eOutcome == WriteOutcome::CutWriting) {
            const auto inFlight = std::ranges::find(event.items, WriteVerdict::InFlight, &CServiceItem::eVerdict);
            note = inFlight != event.items.end()
                       ? Text("The write of %1 was cut off while %2 was written: the fitting may hold a mix of old and new settings.",
                              "Das Schreiben vom %1 wurde beim Schreiben von %2 abgebrochen: Die Armatur hält womöglich alte und neue Einstellungen gemischt.")
                             .arg(time, Html(SettingCaption(inFlight->strName, nProductType).strText))
                       : Text("The write of %1 was cut off: the fitting may hold a mix of old and new settings.",
                              "Das Schreiben vom %1 wurde abgebrochen: Die Armatur hält womöglich alte und neue Einstellungen gemischt.")
                             .arg(time);
        } else if (event.eOutcome == WriteOutcome::CutRestarting) {
            note = Text("The write of %1 sent every value, but the fitting did not answer after its restart.",
                        "Das Schreiben vom %1 hat jeden Wert gesendet, die Armatur hat nach ihrem Neustart aber nicht geantwortet.")
                       .arg(time);
        } else if (event.eOutcome == WriteOutcome::Unverified) {
            note = Text("The write of %1 could not be read back: what the fitting holds was not checked then.",
                        "Das Schreiben vom %1 konnte nicht zurückgelesen werden: Was die Armatur hält, wurde dabei nicht geprüft.")
                       .arg(time);
        } else {
            continue;
        }
        // Its check comes before the next write, if it came.
        const auto next = std::find_if(visit.events.begin() + static_cast<std::ptrdiff_t>(i) + 1, visit.events.end(), [](const CServiceEvent& later) {
            return later.eKind == ServiceEventKind::SettingsChecked || later.eKind == ServiceEventKind::SettingsWritten;
        });
        const auto checked = next != visit.events.end() && next->eKind == ServiceEventKind::SettingsChecked ? next : visit.events.end();
        if (checked != visit.events.end())
            note += QLatin1Char(' ') + Text("Read again at %1: the table shows what the fitting held then.",
                                            "Am %1 erneut gelesen: Die Tabelle zeigt, was die Armatur zu diesem Zeitpunkt hielt.")
                                           .arg(LocalServiceTime(checked->strTime).toHtmlEscaped());
        notes += QStringLiteral("<p>%1</p>").arg(note);
    }
    return notes;
}

// The software version the unit ran at the start of the visit, and at its
// end when a download changed it.
QString SoftwareVersionText(const CVisitDetail& visit)
{
    std::string strFirst;
    std::string strLast;
    for (const CServiceEvent& event : visit.events)
        for (const CServiceItem& item : event.items)
            if (event.eKind == ServiceEventKind::FirmwareDownload && item.strName == "Version" && !item.strAfter.empty()) {
                if (strFirst.empty())
                    strFirst = item.strBefore;
                strLast = item.strAfter;
            }
    const std::string& strStart = strFirst.empty() ? visit.summary.unit.strSoftwareVersion : strFirst;
    return strLast.empty() || strLast == strStart ? Html(visit.summary.unit.strSoftwareVersion) : Change(Html(strStart), Html(strLast));
}

// ---- error history ---------------------------------------------------------------

// The history as the items of an error event hold it, before or after.
CErrorHistory HistoryOf(const std::vector<CServiceItem>& items, bool bBefore)
{
    CErrorHistory history;
    for (const CServiceItem& item : items) {
        const std::string& strValue = bBefore ? item.strBefore : item.strAfter;
        const unsigned long ulValue = std::strtoul(strValue.c_str(), nullptr, 0);
        if (item.strName == "Count")
            history.byCount = static_cast<BYTE>(ulValue);
        else if (item.strName.rfind("Entry ", 0) == 0) {
            const std::size_t nIndex = std::strtoul(item.strName.c_str() + 6, nullptr, 10);
            if (nIndex >= 1 && nIndex <= history.abyEntries.size())
                history.abyEntries[nIndex - 1] = static_cast<BYTE>(ulValue);
        }
    }
    return history;
}

// One line per entry up to the count, as the diagnostics page shows them,
// each with its code.
QStringList HistoryLines(const CErrorHistory& history, int nProductType)
{
    std::vector<std::string> lines;
    std::string strIgnored; // an unknown product type shows the codes alone
    const bool bDecoded = ErrorHistoryLines(history, nProductType, lines, strIgnored) == Result::Ok;
    QStringList shown;
    const std::size_t nLines = history.byCount == 0 ? 1 : std::min<std::size_t>(history.byCount, history.abyEntries.size());
    for (std::size_t i = 0; i < nLines; ++i) {
        if (history.byCount == 0)
            shown << (bDecoded ? Html(lines.front()) : Text("No entry", "Kein Eintrag"));
        else
            shown << QStringLiteral("0x%1%2").arg(history.abyEntries[i], 2, 16, QLatin1Char('0')).arg(bDecoded ? Html(lines[i]) : QString());
    }
    return shown;
}

QString ErrorRows(const QStringList& first, const QStringList* pSecond)
{
    QString rows;
    const qsizetype nRows = std::max(first.size(), pSecond != nullptr ? pSecond->size() : 0);
    for (qsizetype i = 0; i < nRows; ++i) {
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td>").arg(i + 1).arg(first.value(i));
        rows += pSecond != nullptr ? QStringLiteral("<td>%1</td></tr>").arg(pSecond->value(i)) : QStringLiteral("</tr>");
    }
    return rows;
}

// The last event of the kind that was done, or none.
const CServiceEvent* LastDone(const CVisitDetail& visit, ServiceEventKind eKind)
{
    const CServiceEvent* pLast = nullptr;
    for (const CServiceEvent& event : visit.events)
        if (event.eKind == eKind && event.nResult == Result::Ok && !event.items.empty())
            pLast = &event;
    return pLast;
}

} // namespace

QString HeaderSection(const CVisitDetail& visit, CReportProduct& product, bool bPicture)
{
    QString names;
    if (product.bFound) {
        std::string strDescription;
        std::string strExtended;
        product.definition.GetProductDescription(g_nLanguage, strDescription, strExtended);
        names = QStringLiteral("<p class=\"product\">%1</p><p>%2</p><p>%3 %4</p>")
                    .arg(Html(strDescription), Html(strExtended), Text("Product type:", "Produkttyp:"), Html(product.definition.GetConfigSheet()));
    }
    names += QStringLiteral("<p>%1 <b>%2</b></p>").arg(Text("Article number", "Artikelnummer"), Html(FormatArticleNumber(visit.summary.unit.strArticleNumber)));
    const QString picture = bPicture ? QStringLiteral("<img src=\"%1\" height=\"110\">").arg(QLatin1String(kPictureResource)) : QString();
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr><td valign=\"top\"><h1>%1</h1>%2</td>"
                          "<td valign=\"top\" align=\"right\">%3</td></tr></table>")
        .arg(Text("Service report", "Servicebericht"), names, picture);
}

QString UnitSection(const CVisitDetail& visit)
{
    const CServiceUnit& unit = visit.summary.unit;
    const CServiceContext& context = visit.summary.context;
    return Heading(Text("Unit and visit", "Gerät und Besuch"))
           + PairTable({{Text("Serial number", "Seriennummer"), QStringLiteral("<b>%1</b>").arg(Html(unit.strSerialNumber))},
                        {Text("Date", "Datum"), LocalServiceTime(visit.summary.strStarted).toHtmlEscaped()},
                        {Text("Module serial number", "Seriennummer Modul"), Html(unit.strModuleSerial)},
                        {Text("Technician", "Techniker"), Html(context.strTechnician)},
                        {Text("Software version", "Softwareversion"), SoftwareVersionText(visit)},
                        {Text("Bus adapter", "Busadapter"), Html(context.strAdapter)},
                        {Text("Boot loader version", "Bootloader-Version"), Html(unit.strBootloaderVersion)},
                        {Text("Fluxa USB version", "Fluxa-USB-Version"), Html(context.strToolVersion)},
                        {Text("Production date", "Produktionsdatum"), Html(unit.strProductionDate)},
                        {Text("Visit", "Besuch"), QString::number(visit.summary.llId)}});
}

QString InstallationSection(const CVisitDetail& visit)
{
    const ValueStates states = SeenValues(visit);
    const QString heading = Heading(Text("Installation record", "Installationsdaten"));
    if (std::none_of(states.begin(), states.end(), [](const auto& entry) { return IsInstallationName(entry.first); }))
        return heading + NotInVisit(Text("Not read in this visit.", "In diesem Besuch nicht gelesen."));
    const auto value = [&states](const char* szName) {
        const auto found = states.find(szName);
        return found != states.end() ? StateText(found->second) : QString();
    };
    return heading + PairTable({{Text("Installer", "Installateur"), value("Installer")},
                                {Text("Installation date", "Installationsdatum"), value("InstallDate")},
                                {Text("Placement", "Einsatzort"), value("InstallLocation")}});
}

QString SettingsSection(const CVisitDetail& visit, CReportProduct& product)
{
    const ValueStates states = SeenValues(visit);
    const QString heading = Heading(Text("Settings", "Einstellungen"));
    const bool bSettingsSeen = std::any_of(states.begin(), states.end(), [](const auto& entry) { return !IsInstallationName(entry.first); });
    if (!bSettingsSeen)
        return heading + NotInVisit(Text("Not read in this visit.", "In diesem Besuch nicht gelesen."));
    const QString rows = product.bFound ? ModelSettingRows(states, product) : RecordedSettingRows(states);
    return heading
           + GridTable({Text("Setting", "Einstellung"), Text("Value (changed: before \u2192 after)", "Wert (geändert: vorher \u2192 nachher)"),
                        Text("Unit", "Einheit"), Text("Limits", "Grenzen")},
                       rows)
           + WriteNotes(visit, product.nProductType);
}

QString OperatingDataSection(const CVisitDetail& visit)
{
    const QString heading = Heading(Text("Operating data", "Betriebsdaten"));
    const CServiceEvent* pEvent = LastDone(visit, ServiceEventKind::OperatingData);
    if (pEvent == nullptr)
        return heading + NotInVisit(Text("Not read in this visit.", "In diesem Besuch nicht gelesen."));
    Pairs pairs;
    for (const char* szName : {"HoursTotal", "SwitchCountTotal", "HoursSinceReset", "SwitchCountSinceReset"})
        for (const CServiceItem& item : pEvent->items)
            if (item.strName == szName)
                pairs.emplace_back(Html(ServiceItemCaption(szName)), Html(item.strAfter));
    return heading + PairTable(pairs);
}

QString ErrorHistorySection(const CVisitDetail& visit, int nProductType)
{
    const QString heading = Heading(Text("Error history", "Fehlerspeicher"));
    const QString entry = Text("Entry", "Eintrag");
    const CServiceEvent* pClear = nullptr;
    for (const CServiceEvent& event : visit.events)
        if (event.eKind == ServiceEventKind::ErrorsCleared && !event.items.empty())
            pClear = &event;
    if (pClear != nullptr) {
        const QStringList before = HistoryLines(HistoryOf(pClear->items, true), nProductType);
        const QStringList after = HistoryLines(HistoryOf(pClear->items, false), nProductType);
        return heading + GridTable({entry, Text("Before the clear", "Vor dem Löschen"), Text("After the clear", "Nach dem Löschen")},
                                   ErrorRows(before, &after))
               + QStringLiteral("<p>%1 %2</p>").arg(Text("Clearing the error history:", "Löschen des Fehlerspeichers:"), ResultText(*pClear));
    }
    const CServiceEvent* pRead = LastDone(visit, ServiceEventKind::ErrorsRead);
    if (pRead == nullptr)
        return heading + NotInVisit(Text("Not read in this visit.", "In diesem Besuch nicht gelesen."));
    return heading + GridTable({entry, Text("Read", "Gelesen")}, ErrorRows(HistoryLines(HistoryOf(pRead->items, false), nProductType), nullptr));
}

QString FirmwareSection(const CVisitDetail& visit)
{
    QString rows;
    for (const CServiceEvent& event : visit.events) {
        if (event.eKind != ServiceEventKind::FirmwareDownload)
            continue;
        QString file;
        QString version;
        for (const CServiceItem& item : event.items) {
            if (item.strName == "Version")
                version = Change(Html(item.strBefore), item.strAfter.empty() ? QStringLiteral("?") : Html(item.strAfter));
            else if (item.strName == "File")
                file = Html(item.strAfter);
            else if (!item.strAfter.empty()) // the image's digest; older records have none
                file += QStringLiteral("<br><span class=\"small\">%1 %2</span>").arg(Html(item.strName), Html(item.strAfter));
        }
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>").arg(file, version, ResultText(event));
    }
    const QString heading = Heading(Text("Firmware", "Firmware"));
    if (rows.isEmpty())
        return heading + NotInVisit(Text("No firmware programmed in this visit.", "In diesem Besuch wurde keine Firmware programmiert."));
    return heading + GridTable({Text("File", "Datei"), Text("Version", "Version"), Text("Result", "Ergebnis")}, rows);
}

QString SignatureSection(const CVisitDetail& visit)
{
    const std::string& strTechnician = visit.summary.context.strTechnician;
    QString signature = Text("Signature of the technician", "Unterschrift des Technikers");
    if (!strTechnician.empty())
        signature += QStringLiteral(" (%1)").arg(Html(strTechnician));
    const QString line = QStringLiteral("<br><br>______________________________________<br>");
    return QStringLiteral("<table class=\"signature\" width=\"100%\" cellspacing=\"0\" cellpadding=\"4\"><tr>"
                          "<td width=\"50%\">%1%2</td><td width=\"50%\">%1%3</td></tr></table>")
        .arg(line, Text("Place, date", "Ort, Datum"), signature);
}
