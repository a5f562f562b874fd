#include "pages/UrinalWcSettings.h"

namespace {

constexpr const char* kComfortFlush = "ComfortFlushMode";
constexpr const char* kStadium = "StadiumMode";
constexpr const char* kAirtrap = "AirtrapMode";

} // namespace

const CSettingsFamily& UrinalWcFamily()
{
    using enum SettingKind;
    static const CSettingsFamily family{
        .productTypes = {kProductUrinal, kProductWC},
        .configSheets = {"Urinal", "WC"},
        .nMapProductType = kProductUrinal,
        .fields = {
            {.szName = "StartupProgramming", .eKind = Flag, .eAddrType = EE_STARTUP_PROGRAMMING, .nSize = 1,
             .szSwitch = "StartupProgramming"},
            {.szName = "LEDCurrentOff", .eKind = Symbolic, .eAddrType = EE_LED_CURRENT_OFF, .nSize = 1},
            {.szName = "FlushIndex", .eKind = Symbolic, .eAddrType = EE_FLUSH_INDEX, .nSize = 1, .nOnlyProductType = kProductWC},
            // The page shows whole seconds; the fitting keeps milliseconds.
            {.szName = "Runtime", .eKind = Number, .eAddrType = EE_RUNTIME, .nSize = 2,
             .dwScale = 1000, .nOnlyProductType = kProductUrinal},
            {.szName = "StagnationMode", .eKind = Symbolic, .eAddrType = EE_STAGNATION_MODE, .nSize = 1,
             .szSwitch = "StagnationMode", .bZeroMeansOff = true},
            {.szName = "StagnationCycleTime", .eKind = Number, .eAddrType = EE_STAGNATION_CYCLE_TIME, .nSize = 2,
             .szSwitch = "StagnationMode"},
            {.szName = "StagnationRuntime", .eKind = Number, .eAddrType = EE_STAGNATION_RUNTIME, .nSize = 2,
             .szSwitch = "StagnationMode"},
            {.szName = "PowerSavingTimeout", .eKind = Number, .eAddrType = EE_POWER_SAVING_TIMEOUT, .nSize = 1,
             .szSwitch = "PowerSavingMode", .bZeroMeansOff = true},
            {.szName = kComfortFlush, .eKind = Flag, .eAddrType = EE_COMFORT_FLUSH_MODE, .nSize = 1,
             .szSwitch = kComfortFlush, .nOnlyProductType = kProductUrinal},
            {.szName = "ComfortFlushLastUsed", .eKind = Number, .eAddrType = EE_COMFORT_FLUSH_LAST_USED, .nSize = 1,
             .szSwitch = kComfortFlush, .nOnlyProductType = kProductUrinal},
            {.szName = kStadium, .eKind = Flag, .eAddrType = EE_STADIUM_MODE, .nSize = 1,
             .szSwitch = kStadium, .nOnlyProductType = kProductUrinal},
            {.szName = "StadiumRuntime", .eKind = Number, .eAddrType = EE_STADIUM_RUNTIME, .nSize = 2,
             .szSwitch = kStadium, .nOnlyProductType = kProductUrinal},
            {.szName = "StadiumDelta", .eKind = Number, .eAddrType = EE_STADIUM_DELTA, .nSize = 2,
             .szSwitch = kStadium, .nOnlyProductType = kProductUrinal},
            {.szName = kAirtrap, .eKind = Flag, .eAddrType = EE_AIRTRAP_MODE, .nSize = 1,
             .szSwitch = kAirtrap, .nOnlyProductType = kProductUrinal},
            {.szName = "AirtrapLastUsed", .eKind = Number, .eAddrType = EE_AIRTRAP_LAST_USED, .nSize = 1,
             .szSwitch = kAirtrap, .nOnlyProductType = kProductUrinal},
        },
        .readOrder = {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "Runtime", "StagnationMode", "StagnationRuntime",
                      "StagnationCycleTime", "PowerSavingTimeout", kComfortFlush, "ComfortFlushLastUsed", kStadium, "StadiumRuntime",
                      "StadiumDelta", kAirtrap, "AirtrapLastUsed"},
        .saveOrder = {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "Runtime", "StagnationMode", "StagnationRuntime",
                      "StagnationCycleTime", "PowerSavingTimeout", kComfortFlush, "ComfortFlushLastUsed", kStadium, "StadiumRuntime",
                      "StadiumDelta", kAirtrap, "AirtrapLastUsed"},
        // Both variants load the power saving last.
        .loadOrder = {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "Runtime", "StagnationMode", "StagnationRuntime",
                      "StagnationCycleTime", kComfortFlush, "ComfortFlushLastUsed", kStadium, "StadiumRuntime", "StadiumDelta",
                      kAirtrap, "AirtrapLastUsed", "PowerSavingTimeout"},
    };
    return family;
}
