#pragma once
// The settings a visit puts into the service log: the values read, and a
// write as before → after with whether the fitting kept each value.

#include "pages/SettingsModel.h"
#include "servicelog/ServiceRecord.h"

#include <vector>

// Each setting the page shows with its value, then the installation record.
std::vector<CServiceItem> SettingsReadItems(const CSettingsModel& model, const CSettingValues& values);
// Each setting the write was to change, from what the fitting held before to
// what was written; bHeld when the values read back afterwards keep it.
std::vector<CServiceItem> SettingsWriteItems(const CSettingsModel& model, const CSettingValues& before, const CSettingValues& written,
                                             const CSettingValues& readBack);
