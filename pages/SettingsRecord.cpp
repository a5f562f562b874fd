#include "pages/SettingsRecord.h"

#include "pages/InstallationRecord.h"

#include <string>

std::vector<CServiceItem> SettingsReadItems(const CSettingsModel& model, const CSettingValues& values)
{
    std::vector<CServiceItem> items;
    for (const CSettingField& field : model.Fields())
        if (model.ShowsField(field.szName))
            items.push_back({field.szName, "", model.ValueText(values, field.szName)});
    for (const char* szName : {kInstallerName, kPlacementName, kInstallationDateName})
        items.push_back({RecordName(szName), "", model.ValueText(values, szName)});
    return items;
}
