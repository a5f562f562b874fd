#pragma once
// The rules of a numeric setting row, free of any widget: the value check
// (used while typing, before writing and before saving) and the "+"/"-" step.

#include "common/FluxaTypes.h"
#include "configdata/DeviceConfig.h"

#include <optional>
#include <string>

// The text trimmed and lower-cased, "0x" for hexadecimal, taken as an unsigned
// number that must use the whole text and lie within the setting's limits.
// dwValue receives the converted number also when it is invalid. 0, or -1001
// with "Enter a valid value in the range from (min) to (max)." in the
// language in force.
int CheckSettingValue(const CProductSetting& setting, const std::string& strText, DWORD& dwValue,
                      std::string& strError);
// The same for the setting of that name in a definition; a failed lookup
// returns its own error.
int CheckSettingValue(CDeviceConfig& definition, const std::string& strName, const std::string& strText,
                      DWORD& dwValue, std::string& strError);

// What "+" (nStep 1) or "-" (nStep -1) makes of the text: a value outside the
// limits becomes the nearer limit, one inside moves by the step without
// leaving them; the result is decimal. No value: an empty or not wholly
// numeric text, for which the page beeps and changes nothing.
std::optional<std::string> StepSettingValue(const CProductSetting& setting, const std::string& strText, int nStep);
