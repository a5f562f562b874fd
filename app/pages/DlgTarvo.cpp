#include "app/pages/DlgTarvo.h"

namespace {

constexpr int kSimpleSwitchTitle = 1256;
constexpr const char* kSimpleSwitch = "SimpleSwitchFunction";

// szRuntimeOffWith: the box that switches the runtime off, or nullptr.
CPageDescription FlushValvePage(const char* szPageName, const char* szRuntimeOffWith)
{
    using namespace PageTexts;
    return {
        .szPageName = szPageName,
        .groups = {
            {.nColumn = 0, .nTitleId = 1109, .title = kManualProgramming,
             .szSwitch = "StartupProgramming", .nSwitchId = 1110, .switchTip = kManualProgrammingTip},
            {.nColumn = 0, .nTitleId = 1111, .title = {"Switching", "Auslösung"},
             .rows = {{.szField = "SwitchLevel", .nLabelId = 1112, .label = {"Actuation force:", "Betätigungskraft:"},
                       .nControlId = 1113, .tip = {"Changes the needed switching force", "Ändert die Betätigungskraft"}}}},
            {.nColumn = 0, .nTitleId = 1116, .title = kRuntime,
             .rows = {{.szField = "FlushTime", .nLabelId = 1118, .label = {"Max runtime [s]:", "Max. Laufzeit [s]:"},
                       .nControlId = 1119, .tip = kFlushTimeTip, .nEditLimit = 5,
                       .nPlusId = 1120, .plusTip = kFlushTimeMore, .nMinusId = 1121, .minusTip = kFlushTimeLess}},
             .szOffWhenChecked = szRuntimeOffWith},
            {.nColumn = 0, .nTitleId = 1122, .title = {"Stagnation flushing", "Stagnationsspülung"},
             .szSwitch = "StagnationMode", .nSwitchId = 1130, .switchTip = kStagnationTip,
             .rows = {{.szField = "StagnationMode", .nLabelId = 1123, .label = kStagnationMode,
                       .nControlId = 1124, .tip = kStagnationModeTip},
                      {.szField = "StagnationRuntime", .nLabelId = 1129, .label = kRuntimeSeconds,
                       .nControlId = 1131, .tip = kStagnationRuntimeTip, .nEditLimit = 5,
                       .nPlusId = 1132, .plusTip = kStagnationRuntimeMore, .nMinusId = 1133, .minusTip = kStagnationRuntimeLess},
                      {.szField = "StagnationCycleTime", .nLabelId = 1125, .label = kCycleTime,
                       .nControlId = 1126, .tip = kCycleTimeTip, .nEditLimit = 5,
                       .nPlusId = 1127, .plusTip = kCycleTimeMore, .nMinusId = 1128, .minusTip = kCycleTimeLess}}},
            {.nColumn = 1, .nTitleId = 1134, .title = {"Hold-off period", "Betätigungssperrzeit"},
             .szSwitch = "ValveDeadTimeTimeout", .nSwitchId = 1135,
             .switchTip = {"Enable / disable the valve dead time", "Aktiviert / deaktiviert die Ventilsperrzeit"},
             .rows = {{.szField = "ValveDeadTimeRuntime", .nLabelId = 1141, .label = {"Duration [s]:", "Dauer der Sperre [s]:"},
                       .nControlId = 1143, .tip = {"Runtime of the dead time", "Dauer der Sperre"}, .nEditLimit = 5,
                       .nPlusId = 1145,
                       .plusTip = {"Increases the duration of the valve dead time by 1 second", "Erhöht die Dauer der Sperrzeit um 1 Sekunde"},
                       .nMinusId = 1147,
                       .minusTip = {"Decreases the duration of the valve dead time by 1 second", "Reduziert die Dauer der Sperrzeit um 1 Sekunde"}},
                      {.szField = "ValveDeadTimeTimeout", .nLabelId = 1149, .label = {"Timeout [min]:", "Timeout [min]:"},
                       .nControlId = 1151, .tip = {"Timeout of value for the dead time activation", "Timeout für die Aktivierung der Ventil-Sperrzeit"},
                       .nEditLimit = 5,
                       .nPlusId = 1153, .plusTip = {"Increases the timeout value by 1 minute", "Erhöht das Timeout um 1 Minute"},
                       .nMinusId = 1155, .minusTip = {"Decreases the timeout value by 1 minute", "Reduziert die Dauer der Sperrzeit um 1 Minute"}}}},
            {.nColumn = 1, .nTitleId = kSimpleSwitchTitle, .title = {"On/Off switch mode", "Ein/Aus Schalterbetrieb"}, .nLineId = 1258,
             .szSwitch = kSimpleSwitch, .nSwitchId = 1257,
             .switchTip = {"Enable/disable the simple switch functionality (will disable the runtime)",
                           "Schaltet die Einfache Schaltfunktion EIN bzw. AUS (deaktiviert die Laufzeit)"}},
        },
        .nInstallerId = 1181, .nInstallerLabelId = 1185, .nPlacementId = 1179, .nPlacementLabelId = 1183,
        .nDateId = 1218, .nDateLabelId = 1187, .nTopLineId = 1196,
        .nReadId = 1136, .nResetId = 1140, .nWriteId = 1137,
        .readText = kReadSettings, .resetText = kReset, .writeText = kWriteSettings,
        .readTip = kReadSettingsTip, .resetTip = kResetTip, .writeTip = kWriteSettingsTip,
    };
}

const CPageDescription& TarvoPage()
{
    static const CPageDescription page = FlushValvePage("Tarvo", nullptr);
    return page;
}

const CPageDescription& TarvoV2Page()
{
    static const CPageDescription page = FlushValvePage("TarvoV2", kSimpleSwitch);
    return page;
}

} // namespace

CDlgTarvo::CDlgTarvo(const CPageContext& context, QWidget* pParent) : CSettingsPage(TarvoPage(), context, pParent)
{
}

// The first generation has no on/off switch mode to offer; its box still
// carries the fitting's value.
bool CDlgTarvo::IsGroupHidden(const CPageGroup& group) const
{
    return group.nTitleId == kSimpleSwitchTitle || CSettingsPage::IsGroupHidden(group);
}

CDlgTarvoV2::CDlgTarvoV2(const CPageContext& context, QWidget* pParent) : CSettingsPage(TarvoV2Page(), context, pParent)
{
}
