#pragma once
// The settings a read puts into the service log. A write's items come from
// its journal (CWriteJournal::RecordItems).

#include "pages/SettingsModel.h"
#include "servicelog/ServiceRecord.h"

#include <vector>

// Each setting the page shows with its value, then the installation record.
std::vector<CServiceItem> SettingsReadItems(const CSettingsModel& model, const CSettingValues& values);
