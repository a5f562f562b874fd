#include "pages/FlushValveSettings.h"

namespace {

constexpr const char* kStagnationMode = "StagnationMode";
constexpr const char* kHoldOff = "ValveDeadTimeTimeout"; // 0: the hold-off period is off
constexpr const char* kSimpleSwitch = "SimpleSwitchFunction";

CSettingsFamily MakeFamily(int nProductType, const char* szSheet, const char* szSimpleSwitchGerman)
{
    using enum SettingKind;
    CSettingField holdOff{kHoldOff, Number, EE_VALVE_DEAD_TIME_TIMEOUT, 2, kHoldOff, true};
    holdOff.bSaveChecksWhenOff = true;
    CSettingField simpleSwitch{kSimpleSwitch, Flag, EE_SIMPLE_SWITCH_FUNCTION, 1, kSimpleSwitch};
    simpleSwitch.bOnOnlyAtOne = true;
    CSettingsFamily family{
        {nProductType},
        {szSheet},
        nProductType,
        {
            {"StartupProgramming", Flag, EE_STARTUP_PROGRAMMING, 1, "StartupProgramming"},
            {"SwitchLevel", Symbolic, EE_SWITCH_LEVEL, 2},
            {"FlushTime", Number, EE_RUNTIME, 2},
            {kStagnationMode, Symbolic, EE_STAGNATION_MODE, 1, kStagnationMode, true},
            {"StagnationCycleTime", Number, EE_STAGNATION_CYCLE_TIME, 2, kStagnationMode},
            {"StagnationRuntime", Number, EE_STAGNATION_RUNTIME, 2, kStagnationMode},
            holdOff,
            {"ValveDeadTimeRuntime", Number, EE_VALVE_DEAD_TIME_RUNTIME, 2, kHoldOff},
            simpleSwitch,
        },
        {"StartupProgramming", "SwitchLevel", "FlushTime", kStagnationMode, "StagnationRuntime", "StagnationCycleTime",
         kHoldOff, "ValveDeadTimeRuntime", kSimpleSwitch},
        {"StartupProgramming", "SwitchLevel", "FlushTime", kStagnationMode, "StagnationRuntime", "StagnationCycleTime",
         "ValveDeadTimeRuntime", kHoldOff, kSimpleSwitch},
        {},
        nullptr,
        {{kStagnationMode, 2, IsOldFlushValveApplication,
          "The stagnation mode (%s) is not supported by the application version V%d.%02d.\n\n"
          "Please upgrade the faucets SW to use this option.",
          "Der Stagnationsmodus (%s) wird von der Applikationsversion V%d.%02d nicht unterstützt.\n\n"
          "Bitte aktualisieren Sie die Produkt SW der Armatur um diese Einstellung nutzen zu können"},
         {kSimpleSwitch, 1, IsOldFlushValveApplication,
          "The simple switch mode is not supported by the application version V%d.%02d.\n\n"
          "Please upgrade the faucets SW to use this option.",
          szSimpleSwitchGerman}},
        8,
    };
    return family;
}

} // namespace

bool IsOldFlushValveApplication(int nMajor, int nMinor)
{
    return nMajor <= 2 && nMinor <= 6 && nMajor < 128;
}

const CSettingsFamily& FlushValveFamily()
{
    static const CSettingsFamily family = MakeFamily(
        kProductTarvo, "Tarvo",
        "Der einfache Schalterbetrieb wird von der Applikationsversion v%d.%02d nicht unterstützt.\n\n"
        "Bitte aktualisieren Sie die Produkt SW der Armatur um diese Einstellung nutzen zu können");
    return family;
}

const CSettingsFamily& FlushValveV2Family()
{
    static const CSettingsFamily family = MakeFamily(
        kProductTarvoV2, "TarvoV2",
        "Der einfache Schalterbetrieb wird von der Applikationsversion V%d.%02d nicht unterstützt.\n\n"
        "Bitte aktualisieren Sie die Produkt SW der Armatur um diese Einstellung nutzen zu können");
    return family;
}
