#include "pages/UrinalWcSettings.h"

namespace {

constexpr const char* kComfortFlush = "ComfortFlushMode";
constexpr const char* kStadium = "StadiumMode";
constexpr const char* kAirtrap = "AirtrapMode";

CSettingField Only(int nProductType, CSettingField field)
{
    field.nOnlyProductType = nProductType;
    return field;
}

// The page shows whole seconds; the fitting keeps milliseconds.
CSettingField InMilliseconds(CSettingField field)
{
    field.dwScale = 1000;
    return field;
}

} // namespace

const CSettingsFamily& UrinalWcFamily()
{
    using enum SettingKind;
    static const CSettingsFamily family{
        {kProductUrinal, kProductWC},
        {"Urinal", "WC"},
        kProductUrinal,
        {
            {"StartupProgramming", Flag, EE_STARTUP_PROGRAMMING, 1, "StartupProgramming"},
            {"LEDCurrentOff", Symbolic, EE_LED_CURRENT_OFF, 1},
            Only(kProductWC, {"FlushIndex", Symbolic, EE_FLUSH_INDEX, 1}),
            Only(kProductUrinal, InMilliseconds({"Runtime", Number, EE_RUNTIME, 2})),
            {"StagnationMode", Symbolic, EE_STAGNATION_MODE, 1, "StagnationMode", true},
            {"StagnationCycleTime", Number, EE_STAGNATION_CYCLE_TIME, 2, "StagnationMode"},
            {"StagnationRuntime", Number, EE_STAGNATION_RUNTIME, 2, "StagnationMode"},
            {"PowerSavingTimeout", Number, EE_POWER_SAVING_TIMEOUT, 1, "PowerSavingMode", true},
            Only(kProductUrinal, {kComfortFlush, Flag, EE_COMFORT_FLUSH_MODE, 1, kComfortFlush}),
            Only(kProductUrinal, {"ComfortFlushLastUsed", Number, EE_COMFORT_FLUSH_LAST_USED, 1, kComfortFlush}),
            Only(kProductUrinal, {kStadium, Flag, EE_STADIUM_MODE, 1, kStadium}),
            Only(kProductUrinal, {"StadiumRuntime", Number, EE_STADIUM_RUNTIME, 2, kStadium}),
            Only(kProductUrinal, {"StadiumDelta", Number, EE_STADIUM_DELTA, 2, kStadium}),
            Only(kProductUrinal, {kAirtrap, Flag, EE_AIRTRAP_MODE, 1, kAirtrap}),
            Only(kProductUrinal, {"AirtrapLastUsed", Number, EE_AIRTRAP_LAST_USED, 1, kAirtrap}),
        },
        {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "Runtime", "StagnationMode", "StagnationRuntime",
         "StagnationCycleTime", "PowerSavingTimeout", kComfortFlush, "ComfortFlushLastUsed", kStadium, "StadiumRuntime",
         "StadiumDelta", kAirtrap, "AirtrapLastUsed"},
        {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "Runtime", "StagnationMode", "StagnationRuntime",
         "StagnationCycleTime", kComfortFlush, "ComfortFlushLastUsed", kStadium, "StadiumRuntime", "StadiumDelta",
         kAirtrap, "AirtrapLastUsed", "PowerSavingTimeout"},
        {},
    };
    return family;
}
