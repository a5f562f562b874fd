#include "workflow/ServiceRecording.h"

#include "common/FileDigest.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/TextFormat.h"
#include "firmware/IntelHex.h"

#include <string>

namespace {

std::string ModuleValue(const CFittingIdentity& identity, const char* szName)
{
    CStringParameterHandler information = identity.moduleInformation; // its look-up is not const
    CStringParameter value;
    std::string strIgnored; // layout 0 has no boot loader version
    return information.GetParameterByName(szName, value, strIgnored) == Result::Ok ? value.GetValue() : std::string();
}

std::string CodeText(BYTE byCode)
{
    return FormatText("0x%02X", byCode);
}

struct CItemCaption {
    const char* szName;
    const char* szEnglish;
    const char* szGerman;
};

// The words of the information, diagnostics and tools pages.
constexpr CItemCaption kItemCaptions[] = {
    {"HoursTotal", "Operation hours total", "Betriebsstunden gesamt"},
    {"HoursSinceReset", "Operation hours since last reset", "Betriebsstunden seit letzter Stromunterbrechung"},
    {"SwitchCountTotal", "Switch count total", "Auslösungen gesamt"},
    {"SwitchCountSinceReset", "Switch count since last reset", "Auslösungen seit letzter Stromunterbrechung"},
    {"InstallationDate", "Installation date", "Installationsdatum"},
    {"Installer", "Installer", "Installateur"},
    {"Placement", "Placement", "Einsatzort"},
    {"Count", "Errors stored", "Gespeicherte Fehler"},
    {"File", "File", "Datei"},
    {"Version", "Firmware version", "Firmwareversion"},
};

} // namespace

std::string ServiceItemCaption(const std::string& strName)
{
    static const std::string strEntry = "Entry ";
    if (strName.rfind(strEntry, 0) == 0)
        return PickText("Entry ", "Eintrag ") + strName.substr(strEntry.size());
    for (const CItemCaption& caption : kItemCaptions)
        if (strName == caption.szName)
            return PickText(caption.szEnglish, caption.szGerman);
    return strName;
}

CServiceUnit ServiceUnitOf(const CFittingIdentity& identity)
{
    return {identity.strArticleNumber,  identity.strUnitSerialNumber,         ModuleValue(identity, "Serial number"),
            identity.strSoftwareVersion, ModuleValue(identity, "BL version"), identity.strProductionDate};
}

std::string ServiceAdapterName(int nAdapter, const CAdapterDevice& adapter)
{
    return FormatText("%d (%s, %s)", nAdapter, adapter.strSerialNumber.c_str(), adapter.strPath.empty() ? "D2XX" : adapter.strPath.c_str());
}

std::vector<CServiceItem> OperatingDataItems(const CFittingInformation& information)
{
    return {{"HoursTotal", "", std::to_string(information.nHoursTotal)},
            {"HoursSinceReset", "", std::to_string(information.nHoursSinceReset)},
            {"SwitchCountTotal", "", std::to_string(information.llSwitchCountTotal)},
            {"SwitchCountSinceReset", "", std::to_string(information.llSwitchCountSinceReset)},
            {"InstallationDate", "", information.strInstallationDate},
            {"Installer", "", information.strInstaller},
            {"Placement", "", information.strPlacement}};
}

std::vector<CServiceItem> ErrorHistoryItems(const CErrorHistory& history, const CErrorHistory* pBefore)
{
    std::vector<CServiceItem> items;
    items.push_back({"Count", pBefore != nullptr ? std::to_string(pBefore->byCount) : "", std::to_string(history.byCount)});
    for (std::size_t i = 0; i < history.abyEntries.size(); ++i)
        items.push_back({"Entry " + std::to_string(i + 1), pBefore != nullptr ? CodeText(pBefore->abyEntries[i]) : "",
                         CodeText(history.abyEntries[i])});
    return items;
}

std::vector<CServiceItem> FirmwareDownloadItems(const std::string& strFile, const std::string& strVersionBefore,
                                                const std::string& strVersionAfter)
{
    std::string strSha256;
    std::string strIgnored; // a file gone since the download is recorded without its digest
    Sha256OfFile(strFile, CIntelHex::kMaxFileBytes, strSha256, strIgnored);
    return {{"File", "", Utf8FromPath(PathFromUtf8(strFile).filename())}, {"SHA-256", "", strSha256}, {"Version", strVersionBefore, strVersionAfter}};
}
