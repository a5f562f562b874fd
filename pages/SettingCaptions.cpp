#include "pages/SettingCaptions.h"

#include "common/Language.h"
#include "fitting/EEAddressMap.h"

#include <algorithm>
#include <iterator>

namespace {

struct CCaptionRow {
    const char* szName;
    const char* szEnglish;
    const char* szGerman;
    const char* szUnit;
};

// The words of the pages' group titles and row labels.
constexpr CCaptionRow kCaptions[] = {
    {"StartupProgramming", "Manual programming", "Manuelle Programmierung", ""},
    {"LEDCurrentOff", "Sensor detection range", "Sensor-Erfassungsbereich", ""},
    {"SwitchLevel", "Actuation force", "Betätigungskraft", ""},
    {"FlushIndex", "Flushing amount", "Spülmenge", ""},
    {"Maxruntime", "Max runtime", "Max. Laufzeit", "s"},
    {"FlushTime", "Max runtime", "Max. Laufzeit", "s"},
    {"Runtime", "Runtime", "Laufzeit", "s"},
    {"StagnationMode", "Stagnation flushing: mode", "Stagnationsspülung: Art", ""},
    {"StagnationRuntime", "Stagnation flushing: runtime", "Stagnationsspülung: Laufzeit", "s"},
    {"StagnationCycleTime", "Stagnation flushing: cycle time", "Stagnationsspülung: Intervall", "h"},
    {"PowerSavingTimeout", "Power saving mode: activation time", "Energiesparmodus: Aktivierungszeit", "h"},
    {"ThermaldisinfectionMode", "Thermal disinfection", "Thermische Desinfektion", ""},
    {"ThermaldisinfectionRuntime", "Thermal disinfection: runtime", "Thermische Desinfektion: Laufzeit", "s"},
    {"NonStopOperationMode", "Non-stop operation", "Dauerlauf", ""},
    {"NonStopOperationRuntime", "Non-stop operation: runtime", "Dauerlauf: Laufzeit", "s"},
    {"CleaningStopMode", "Cleaning stop", "Reinigungsstop", ""},
    {"CleaningStopRuntime", "Cleaning stop: runtime", "Reinigungsstop: Laufzeit", "s"},
    {"ValveDeadTimeTimeout", "Hold-off period: timeout", "Betätigungssperrzeit: Timeout", "min"},
    {"ValveDeadTimeRuntime", "Hold-off period: duration", "Betätigungssperrzeit: Dauer", "s"},
    {"SimpleSwitchFunction", "On/Off switch mode", "Ein/Aus Schalterbetrieb", ""},
    {"ComfortFlushMode", "Pre flushing", "Vorspülung", ""},
    {"ComfortFlushLastUsed", "Pre flushing: last used before", "Vorspülung: letzte Nutzung vor", "min"},
    {"StadiumMode", "Stadium mode", "Stadion-Betrieb", ""},
    {"StadiumRuntime", "Stadium mode: duration", "Stadion-Betrieb: Dauer", "s"},
    {"StadiumDelta", "Stadium mode: time difference", "Stadion-Betrieb: Zeitabstand", "s"},
    {"AirtrapMode", "Airtrap flushing", "Geruchsverschluß-Spülung", ""},
    {"AirtrapLastUsed", "Airtrap flushing: last used before", "Geruchsverschluß-Spülung: letzte Nutzung vor", "h"},
    {"Installer", "Installer", "Installateur", ""},
    {"InstallLocation", "Placement", "Einsatzort", ""},
    {"InstallDate", "Installation date", "Installationsdatum", ""},
};

} // namespace

CSettingCaption SettingCaption(const std::string& strName, int nProductType)
{
    // The basin faucet keeps its post runtime in milliseconds; its variants
    // and the urinal show seconds.
    if (strName == "Runtime" && nProductType == kProductAmbra)
        return {PickText("Post runtime", "Nachlaufzeit"), "ms"};
    if (strName == "Runtime" && nProductType == kProductUrinal)
        return {PickText("Flushing time", "Spüldauer"), "s"};
    const auto found = std::ranges::find_if(kCaptions, [&](const CCaptionRow& row) { return strName == row.szName; });
    if (found == std::end(kCaptions))
        return {strName, ""};
    return {PickText(found->szEnglish, found->szGerman), found->szUnit};
}
