#pragma once
// The flush valve families: the first generation (product type 1) and the
// second (type 2), with the same settings in the same map.

#include "pages/SettingsModel.h"

const CSettingsFamily& FlushValveFamily();
const CSettingsFamily& FlushValveV2Family();

// Whether an application version predates the stagnation mode 2 and the
// simple switch function: major up to 2 and minor up to 6, each on its own,
// so V1.05 is old and V1.07 is not; a major with bit 7 set is never old.
bool IsOldFlushValveApplication(int nMajor, int nMinor);
