#include "app/pages/DlgAmbra.h"

#include "fitting/EEAddressMap.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr CUiText kSecondMore{"Increases the runtime by 1 second", "Erhöht die Laufzeit um 1 Sekunde"};
constexpr CUiText kSecondLess{"Decreases the runtime by 1 second", "Reduziert die Laufzeit um 1 Sekunde"};

const CPageDescription& FaucetPage()
{
    using namespace PageTexts;
    static const CPageDescription page = {
        .szPageName = "Ambra",
        .groups = {
            {.nColumn = 0, .nTitleId = 1142, .title = kManualProgramming, .nLineId = 1228,
             .szSwitch = "StartupProgramming", .nSwitchId = 1144, .switchTip = kManualProgrammingTip},
            {.nColumn = 0, .nTitleId = 1171, .title = {"Sensor detection range", "Sensor-Erfassungsbereich"}, .nLineId = 1229,
             .rows = {{.szField = "LEDCurrentOff", .nLabelId = 1175, .label = {"Range:", "Reichweite:"},
                       .nControlId = 1173, .tip = {"Changes the detection range", "Ändert die Erkennungsreichweite"}}}},
            {.nColumn = 0, .nTitleId = 1146, .title = kRuntime, .nLineId = 1230,
             .rows = {{.szField = "Maxruntime", .nLabelId = 1148, .label = {"Max runtime [s]:", "Max. Laufzeit [s]:"},
                       .nControlId = 1150, .tip = {"Defines the max. flush time in seconds", "Stellt die maximale Laufzeit der Armatur in Sekunden ein"},
                       .nEditLimit = 3,
                       .nPlusId = 1152, .plusTip = {"Increases the max. flush time by 1 second", "Erhöht die maximale Spüldauer um 1 Sekunde"},
                       .nMinusId = 1154, .minusTip = {"Decreases the max flush time by 1 second", "Reduziert die maximale Spülzeit um 1 Sekunde"}},
                      {.szField = "Runtime", .nLabelId = 1213, .label = {"Post runtime [ms]:", "Nachlaufzeit [ms]:"},
                       .nControlId = 1210, .tip = kFlushTimeTip, .nEditLimit = 5,
                       .nPlusId = 1211, .plusTip = kFlushTimeMore, .nMinusId = 1212, .minusTip = kFlushTimeLess}}},
            {.nColumn = 0, .nTitleId = 1156, .title = {"Stagnation flushing", "Stagnationsspülung"}, .nLineId = 1231,
             .szSwitch = "StagnationMode", .nSwitchId = 1157, .switchTip = kStagnationTip,
             .rows = {{.szField = "StagnationMode", .nLabelId = 1158, .label = kStagnationMode,
                       .nControlId = 1159, .tip = kStagnationModeTip},
                      {.szField = "StagnationRuntime", .nLabelId = 1164, .label = kRuntimeSeconds,
                       .nControlId = 1165, .tip = kStagnationRuntimeTip, .nEditLimit = 4,
                       .nPlusId = 1166, .plusTip = kStagnationRuntimeMore, .nMinusId = 1167, .minusTip = kStagnationRuntimeLess},
                      {.szField = "StagnationCycleTime", .nLabelId = 1160, .label = kCycleTime,
                       .nControlId = 1161, .tip = kCycleTimeTip, .nEditLimit = 4,
                       .nPlusId = 1162, .plusTip = kCycleTimeMore, .nMinusId = 1163, .minusTip = kCycleTimeLess}}},
            {.nColumn = 1, .nTitleId = 1177, .title = {"Power saving mode", "Energiesparmodus"}, .nLineId = 1232,
             .szSwitch = "PowerSavingMode", .nSwitchId = 1188,
             .switchTip = {"Enable / disable the power saving mode", "Schaltet den Energiesparmodus ein bzw. aus"},
             .rows = {{.szField = "PowerSavingTimeout", .nLabelId = 1186, .label = {"Activation time [h]:", "Aktivierungszeit [h]:"},
                       .nControlId = 1180, .tip = {"Activation time of the power save mode", "Aktivierungszeit des Energiesparmodus"},
                       .nEditLimit = 3,
                       .nPlusId = 1182, .plusTip = {"Increases the value by 1 hour", "Erhöht den Wert um 1 Stunde"},
                       .nMinusId = 1184, .minusTip = {"Decreases the value by 1 hour", "Reduziert den Wert um 1 Stunde"}}}},
            {.nColumn = 1, .nTitleId = 1197, .title = {"Thermal disinfection", "Thermische Desinfektion"}, .nLineId = 1233,
             .szSwitch = "ThermaldisinfectionMode", .nSwitchId = 1203,
             .switchTip = {"Enable / disable the thermal disinfection", "Schaltet die thermische Desinfektion ein bzw. aus"},
             .rows = {{.szField = "ThermaldisinfectionRuntime", .nLabelId = 1202, .label = kRuntimeSeconds,
                       .nControlId = 1199, .tip = {"Runtime of the thermal disinfection", "Laufzeit der Thermischen Desinfektion"},
                       .nEditLimit = 3, .nPlusId = 1200, .plusTip = kSecondMore, .nMinusId = 1201, .minusTip = kSecondLess}}},
            {.nColumn = 1, .nTitleId = 1204, .title = {"Non-stop operation", "Dauerlauf"}, .nLineId = 1234,
             .szSwitch = "NonStopOperationMode", .nSwitchId = 1209,
             .switchTip = {"Enable / disable the non-stop operation mode", "Schaltet den Dauerbetrieb ein bzw. aus"},
             .rows = {{.szField = "NonStopOperationRuntime", .nLabelId = 1208, .label = kRuntimeSeconds,
                       .nControlId = 1205, .tip = {"Runtime of the non-stop operation", "Laufzeit des Dauerlaufes"},
                       .nEditLimit = 3, .nPlusId = 1206, .plusTip = kSecondMore, .nMinusId = 1207, .minusTip = kSecondLess}}},
            {.nColumn = 1, .nTitleId = 1189, .title = {"Cleaning stop", "Reinigungsstop"}, .nLineId = 1235,
             .szSwitch = "CleaningStopMode", .nSwitchId = 1195,
             .switchTip = {"Enable / disable the cleaning stop", "Schaltet den Reinigungsstop ein bzw. aus"},
             .rows = {{.szField = "CleaningStopRuntime", .nLabelId = 1193, .label = kRuntimeSeconds,
                       .nControlId = 1190, .tip = {"Runtime of the cleaning stop", "Laufzeit des Reinigungsstop"},
                       .nEditLimit = 3, .nPlusId = 1191, .plusTip = kSecondMore, .nMinusId = 1192, .minusTip = kSecondLess}}},
        },
        .nInstallerId = 1220, .nInstallerLabelId = 1214, .nPlacementId = 1219, .nPlacementLabelId = 1215,
        .nDateId = 1194, .nDateLabelId = 1217, .nTopLineId = 1196,
        .nReadId = 1168, .nResetId = 1169, .nWriteId = 1170,
        .readText = kReadSettings, .resetText = kReset, .writeText = kWriteSettings,
        .readTip = kReadSettingsTip, .resetTip = kResetTip, .writeTip = kWriteSettingsTip,
    };
    return page;
}

bool IsField(const CPageRow& row, const char* szName)
{
    return std::strcmp(row.szField, szName) == 0;
}

// Pelio and Culina keep their runtime in seconds.
bool IsRuntimeInSeconds(const CSettingsModel* pModel, const CPageRow& row)
{
    return IsField(row, "Runtime") && pModel != nullptr
           && (pModel->ProductType() == kProductPelio || pModel->ProductType() == kProductCulina);
}

} // namespace

CDlgAmbra::CDlgAmbra(const CPageContext& context, QWidget* pParent) : CSettingsPage(FaucetPage(), context, pParent)
{
}

// Which rows a variant shows is the faucet family's to say; with no faucet
// in force every row stands.
bool CDlgAmbra::IsRowHidden(const CPageRow& row) const
{
    const CSettingsModel* pModel = Model();
    return pModel != nullptr && !pModel->ShowsField(row.szField);
}

bool CDlgAmbra::IsGroupHidden(const CPageGroup& group) const
{
    const CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return false;
    return !(group.szSwitch != nullptr && pModel->ShowsField(group.szSwitch))
           && std::ranges::all_of(group.rows, [this](const CPageRow& row) { return IsRowHidden(row); });
}

CUiText CDlgAmbra::RowLabel(const CPageRow& row) const
{
    return IsRuntimeInSeconds(Model(), row) ? PageTexts::kRuntimeSeconds : row.label;
}

CUiText CDlgAmbra::RowTip(const CPageRow& row) const
{
    if (IsRuntimeInSeconds(Model(), row))
        return {"Defines the flush time in seconds", "Stellt die Laufzeit der Armatur in Sekunden ein"};
    return row.tip;
}
