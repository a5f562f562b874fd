#include "pages/FlushValveSettings.h"

namespace {

constexpr const char* kStagnationMode = "StagnationMode";
constexpr const char* kHoldOff = "ValveDeadTimeTimeout"; // 0: the hold-off period is off
constexpr const char* kSimpleSwitch = "SimpleSwitchFunction";

CSettingsFamily MakeFamily(int nProductType, const char* szSheet, const char* szSimpleSwitchGerman)
{
    using enum SettingKind;
    return {
        .productTypes = {nProductType},
        .configSheets = {szSheet},
        .nMapProductType = nProductType,
        .fields = {
            {.szName = "StartupProgramming", .eKind = Flag, .eAddrType = EE_STARTUP_PROGRAMMING, .nSize = 1,
             .szSwitch = "StartupProgramming"},
            {.szName = "SwitchLevel", .eKind = Symbolic, .eAddrType = EE_SWITCH_LEVEL, .nSize = 2},
            {.szName = "FlushTime", .eKind = Number, .eAddrType = EE_RUNTIME, .nSize = 2},
            {.szName = kStagnationMode, .eKind = Symbolic, .eAddrType = EE_STAGNATION_MODE, .nSize = 1,
             .szSwitch = kStagnationMode, .bZeroMeansOff = true},
            {.szName = "StagnationCycleTime", .eKind = Number, .eAddrType = EE_STAGNATION_CYCLE_TIME, .nSize = 2,
             .szSwitch = kStagnationMode},
            {.szName = "StagnationRuntime", .eKind = Number, .eAddrType = EE_STAGNATION_RUNTIME, .nSize = 2,
             .szSwitch = kStagnationMode},
            {.szName = kHoldOff, .eKind = Number, .eAddrType = EE_VALVE_DEAD_TIME_TIMEOUT, .nSize = 2,
             .szSwitch = kHoldOff, .bZeroMeansOff = true, .bSaveChecksWhenOff = true},
            {.szName = "ValveDeadTimeRuntime", .eKind = Number, .eAddrType = EE_VALVE_DEAD_TIME_RUNTIME, .nSize = 2,
             .szSwitch = kHoldOff},
            {.szName = kSimpleSwitch, .eKind = Flag, .eAddrType = EE_SIMPLE_SWITCH_FUNCTION, .nSize = 1,
             .szSwitch = kSimpleSwitch, .bOnOnlyAtOne = true},
        },
        .readOrder = {"StartupProgramming", "SwitchLevel", "FlushTime", kStagnationMode, "StagnationRuntime", "StagnationCycleTime",
                      kHoldOff, "ValveDeadTimeRuntime", kSimpleSwitch},
        .saveOrder = {"StartupProgramming", "SwitchLevel", "FlushTime", kStagnationMode, "StagnationRuntime", "StagnationCycleTime",
                      "ValveDeadTimeRuntime", kHoldOff, kSimpleSwitch},
        .versionRequirements = {
            {.szField = kStagnationMode, .dwFirstValue = 2, .pIsTooOld = IsOldFlushValveApplication,
             .szEnglish = "The stagnation mode (%s) is not supported by the application version V%d.%02d.\n\n"
                          "Please upgrade the faucets SW to use this option.",
             .szGerman = "Der Stagnationsmodus (%s) wird von der Applikationsversion V%d.%02d nicht unterstützt.\n\n"
                         "Bitte aktualisieren Sie die Produkt SW der Armatur um diese Einstellung nutzen zu können"},
            {.szField = kSimpleSwitch, .dwFirstValue = 1, .pIsTooOld = IsOldFlushValveApplication,
             .szEnglish = "The simple switch mode is not supported by the application version V%d.%02d.\n\n"
                          "Please upgrade the faucets SW to use this option.",
             .szGerman = szSimpleSwitchGerman},
        },
        .nProgressStep = 8,
    };
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
