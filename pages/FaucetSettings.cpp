#include "pages/FaucetSettings.h"

#include "common/Language.h"
#include "common/ResultCodes.h"

namespace {

constexpr const char* kNonStop = "NonStopOperationMode";
constexpr const char* kThermal = "ThermaldisinfectionMode";

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
        {kProductAmbra, kProductPelio, kProductCulina},
        {"Ambra", "Pelio", "Culina"},
        kProductAmbra,
        {
            {"StartupProgramming", Flag, EE_STARTUP_PROGRAMMING, 1, "StartupProgramming"},
            {"LEDCurrentOff", Symbolic, EE_LED_CURRENT_OFF, 1},
            {"Maxruntime", Number, EE_MAX_RUNTIME, 2},
            {"Runtime", Number, EE_RUNTIME, 2},
            {"StagnationMode", Symbolic, EE_STAGNATION_MODE, 1, "StagnationMode", true},
            {"StagnationCycleTime", Number, EE_STAGNATION_CYCLE_TIME, 2, "StagnationMode"},
            {"StagnationRuntime", Number, EE_STAGNATION_RUNTIME, 2, "StagnationMode"},
            {"PowerSavingTimeout", Number, EE_POWER_SAVING_TIMEOUT, 1, "PowerSavingMode", true},
            {kThermal, Flag, EE_THERMAL_DISINFECTION_MODE, 1, kThermal, false, true},
            {"ThermaldisinfectionRuntime", Number, EE_THERMAL_DISINFECTION_RUNTIME, 2, kThermal, false, true},
            {kNonStop, Flag, EE_NON_STOP_OPERATION_MODE, 1, kNonStop, false, true},
            {"NonStopOperationRuntime", Number, EE_NON_STOP_OPERATION_RUNTIME, 2, kNonStop, false, true},
            {"CleaningStopMode", Flag, EE_CLEANING_STOP_MODE, 1, "CleaningStopMode", false, true},
            {"CleaningStopRuntime", Number, EE_CLEANING_STOP_RUNTIME, 2, "CleaningStopMode", false, true},
        },
        {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode", "StagnationRuntime",
         "StagnationCycleTime", "PowerSavingTimeout", kNonStop, "NonStopOperationRuntime", kThermal,
         "ThermaldisinfectionRuntime", "CleaningStopMode", "CleaningStopRuntime"},
        {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode", "StagnationRuntime",
         "StagnationCycleTime", "PowerSavingTimeout", kThermal, "ThermaldisinfectionRuntime", kNonStop,
         "NonStopOperationRuntime", "CleaningStopMode", "CleaningStopRuntime"},
        {{"SpecialOperation", EE_SPECIAL_OPERATION, 1, SpecialOperation}},
        CheckSpecialOperation,
    };
    return family;
}
