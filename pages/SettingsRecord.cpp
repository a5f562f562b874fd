#include "pages/SettingsRecord.h"

#include "pages/InstallationRecord.h"

#include <string>

namespace {

// The installation record's three texts, by the names the saved files use.
std::vector<CServiceItem> InstallationItems(const CSettingValues& values)
{
    return {{"Installer", "", values.strInstaller}, {"InstallLocation", "", values.strPlacement}, {"InstallDate", "", DateText(values.date)}};
}

// What the item says of one setting in the values: its number, or nothing
// when it was not read.
std::string ValueText(const CSettingValues& values, const std::string& strName)
{
    const auto found = values.numbers.find(strName);
    return found != values.numbers.end() ? std::to_string(found->second) : std::string();
}

} // namespace

std::vector<CServiceItem> SettingsReadItems(const CSettingsModel& model, const CSettingValues& values)
{
    std::vector<CServiceItem> items;
    for (const CSettingField& field : model.Fields())
        if (model.ShowsField(field.szName))
            items.push_back({field.szName, "", ValueText(values, field.szName)});
    for (CServiceItem& item : InstallationItems(values))
        items.push_back(std::move(item));
    return items;
}

std::vector<CServiceItem> SettingsWriteItems(const CSettingsModel& model, const CSettingValues& before, const CSettingValues& written,
                                             const CSettingValues& readBack)
{
    std::vector<CServiceItem> items;
    for (const CSettingField& field : model.Fields()) {
        const std::string strBefore = ValueText(before, field.szName);
        const std::string strWritten = ValueText(written, field.szName);
        if (strWritten.empty() || strWritten == strBefore)
            continue;
        items.push_back({field.szName, strBefore, strWritten, ValueText(readBack, field.szName) == strWritten});
    }
    const std::vector<CServiceItem> installedBefore = InstallationItems(before);
    const std::vector<CServiceItem> installedWritten = InstallationItems(written);
    const std::vector<CServiceItem> installedNow = InstallationItems(readBack);
    for (std::size_t i = 0; i < installedWritten.size(); ++i)
        if (installedWritten[i].strAfter != installedBefore[i].strAfter)
            items.push_back({installedWritten[i].strName, installedBefore[i].strAfter, installedWritten[i].strAfter,
                             installedNow[i].strAfter == installedWritten[i].strAfter});
    return items;
}
