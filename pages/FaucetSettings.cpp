#include "pages/FaucetSettings.h"

#include "common/Language.h"
#include "common/ResultCodes.h"

#include <initializer_list>

namespace {

constexpr const char* kNonStop = "NonStopOperationMode";
constexpr const char* kThermal = "ThermaldisinfectionMode";
constexpr std::initializer_list<int> kSpecialOperationTypes{kProductAmbra, kProductPelio};

// The fitting runs one special operation at a time.
int CheckSpecialOperation(const CSettingValues& values, std::string& strError)
{
    if (values.Number(kNonStop) == 0 || values.Number(kThermal) == 0)
        return Result::Ok;
    strError = PickText("Non-stop operation mode and the thermal disinfection can't be enabled at the same time.",
                        "Dauerlauf und Thermische Desinfektion können nicht gleichzeitig aktiv sein.");
    return Result::MissingPrecondition;
}

DWORD SpecialOperation(const CSettingValues& values)
{
    if (values.Number(kNonStop) != 0)
        return 2;
    return values.Number(kThermal) != 0 ? 1 : 0;
}

} // namespace

const CSettingsFamily& FaucetFamily()
{
    using enum SettingKind;
    static const CSettingsFamily family{
        .productTypes = {kProductAmbra, kProductPelio, kProductCulina},
        .configSheets = {"Ambra", "Pelio", "Culina"},
        .nMapProductType = kProductAmbra,
        .fields = {
            {.szName = "StartupProgramming", .eKind = Flag, .eAddrType = EE_STARTUP_PROGRAMMING, .nSize = 1,
             .szSwitch = "StartupProgramming"},
            // Pelio and Culina offer no detection range and no maximum runtime.
            {.szName = "LEDCurrentOff", .eKind = Symbolic, .eAddrType = EE_LED_CURRENT_OFF, .nSize = 1, .shownByTypes = {kProductAmbra}},
            {.szName = "Maxruntime", .eKind = Number, .eAddrType = EE_MAX_RUNTIME, .nSize = 2, .shownByTypes = {kProductAmbra}},
            {.szName = "Runtime", .eKind = Number, .eAddrType = EE_RUNTIME, .nSize = 2},
            {.szName = "StagnationMode", .eKind = Symbolic, .eAddrType = EE_STAGNATION_MODE, .nSize = 1,
             .szSwitch = "StagnationMode", .bZeroMeansOff = true},
            {.szName = "StagnationCycleTime", .eKind = Number, .eAddrType = EE_STAGNATION_CYCLE_TIME, .nSize = 2,
             .szSwitch = "StagnationMode"},
            {.szName = "StagnationRuntime", .eKind = Number, .eAddrType = EE_STAGNATION_RUNTIME, .nSize = 2,
             .szSwitch = "StagnationMode"},
            {.szName = "PowerSavingTimeout", .eKind = Number, .eAddrType = EE_POWER_SAVING_TIMEOUT, .nSize = 1,
             .szSwitch = "PowerSavingMode", .bZeroMeansOff = true},
            // Culina offers none of the special operations.
            {.szName = kThermal, .eKind = Flag, .eAddrType = EE_THERMAL_DISINFECTION_MODE, .nSize = 1,
             .szSwitch = kThermal, .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
            {.szName = "ThermaldisinfectionRuntime", .eKind = Number, .eAddrType = EE_THERMAL_DISINFECTION_RUNTIME, .nSize = 2,
             .szSwitch = kThermal, .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
            {.szName = kNonStop, .eKind = Flag, .eAddrType = EE_NON_STOP_OPERATION_MODE, .nSize = 1,
             .szSwitch = kNonStop, .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
            {.szName = "NonStopOperationRuntime", .eKind = Number, .eAddrType = EE_NON_STOP_OPERATION_RUNTIME, .nSize = 2,
             .szSwitch = kNonStop, .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
            {.szName = "CleaningStopMode", .eKind = Flag, .eAddrType = EE_CLEANING_STOP_MODE, .nSize = 1,
             .szSwitch = "CleaningStopMode", .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
            {.szName = "CleaningStopRuntime", .eKind = Number, .eAddrType = EE_CLEANING_STOP_RUNTIME, .nSize = 2,
             .szSwitch = "CleaningStopMode", .bLoadIfPresent = true, .shownByTypes = kSpecialOperationTypes},
        },
        .readOrder = {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode", "StagnationRuntime",
                      "StagnationCycleTime", "PowerSavingTimeout", kNonStop, "NonStopOperationRuntime", kThermal,
                      "ThermaldisinfectionRuntime", "CleaningStopMode", "CleaningStopRuntime"},
        .saveOrder = {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode", "StagnationRuntime",
                      "StagnationCycleTime", "PowerSavingTimeout", kThermal, "ThermaldisinfectionRuntime", kNonStop,
                      "NonStopOperationRuntime", "CleaningStopMode", "CleaningStopRuntime"},
        .derived = {{.szName = "SpecialOperation", .eAddrType = EE_SPECIAL_OPERATION, .nSize = 1, .pCompute = SpecialOperation}},
        .pCrossCheck = CheckSpecialOperation,
    };
    return family;
}
