#pragma once
// The write of a fitting's settings from the first value to the read-back:
// the checks, the values in order, the restart and the wait until the
// fitting is ready, the read-back and the comparison, all noted in one
// journal. The window's page and fluxa-cli both write through it.

#include "pages/SettingsModel.h"
#include "pages/WriteJournal.h"

#include <string>
#include <vector>

class CVelmorTPExt;

// What the fitting held before the write, and the unit that must answer
// (its EEPROM serial number; not checked when empty).
struct CWriteStart {
    const CSettingValues& before;
    const std::string& strUnitSerial;
};

// The page's settings as the model's form holds them. The journal's result
// is the return value: 0 once the fitting was read back, whatever it holds.
int WriteSettings(CSettingsModel& model, CVelmorTPExt& link, const CWriteStart& start, const SettingsProgress& progress,
                  CWriteJournal& journal, std::string& strFailedField);
// A backup's bytes, written back as they were.
int RestoreSettings(CSettingsModel& model, CVelmorTPExt& link, const std::vector<CEepromBytes>& backup, const CWriteStart& start,
                    const SettingsProgress& progress, CWriteJournal& journal);
