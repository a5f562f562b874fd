#include "app/pages/DlgTarvo.h"

namespace {

constexpr int kSimpleSwitchTitle = 1256;
constexpr const char* kSimpleSwitch = "SimpleSwitchFunction";

// szRuntimeOffWith: the box that switches the runtime off, or nullptr.
CPageDescription FlushValvePage(const char* szPageName, const char* szRuntimeOffWith)
{
    using namespace PageTexts;
    return {
        szPageName,
        {
            {0, 1109, 0, kManualProgramming, "StartupProgramming", 1110, kManualProgrammingTip, {}},
            {0, 1111, 0, {"Switching", "Auslösung"}, nullptr, 0, {},
             {{"SwitchLevel", 1112, 1113, 0, 0, {"Actuation force:", "Betätigungskraft:"}, 0,
               {"Changes the needed switching force", "Ändert die Betätigungskraft"}, {}, {}}}},
            {0, 1116, 0, kRuntime, nullptr, 0, {},
             {{"FlushTime", 1118, 1119, 1120, 1121, {"Max runtime [s]:", "Max. Laufzeit [s]:"}, 5, kFlushTimeTip, kFlushTimeMore,
               kFlushTimeLess}},
             szRuntimeOffWith},
            {0, 1122, 0, {"Stagnation flushing", "Stagnationsspülung"}, "StagnationMode", 1130, kStagnationTip,
             {{"StagnationMode", 1123, 1124, 0, 0, kStagnationMode, 0, kStagnationModeTip, {}, {}},
              {"StagnationRuntime", 1129, 1131, 1132, 1133, kRuntimeSeconds, 5, kStagnationRuntimeTip, kStagnationRuntimeMore,
               kStagnationRuntimeLess},
              {"StagnationCycleTime", 1125, 1126, 1127, 1128, kCycleTime, 5, kCycleTimeTip, kCycleTimeMore, kCycleTimeLess}}},
            {1, 1134, 0, {"Hold-off period", "Betätigungssperrzeit"}, "ValveDeadTimeTimeout", 1135,
             {"Enable / disable the valve dead time", "Aktiviert / deaktiviert die Ventilsperrzeit"},
             {{"ValveDeadTimeRuntime", 1141, 1143, 1145, 1147, {"Duration [s]:", "Dauer der Sperre [s]:"}, 5,
               {"Runtime of the dead time", "Dauer der Sperre"},
               {"Increases the duration of the valve dead time by 1 second", "Erhöht die Dauer der Sperrzeit um 1 Sekunde"},
               {"Decreases the duration of the valve dead time by 1 second", "Reduziert die Dauer der Sperrzeit um 1 Sekunde"}},
              {"ValveDeadTimeTimeout", 1149, 1151, 1153, 1155, {"Timeout [min]:", "Timeout [min]:"}, 5,
               {"Timeout of value for the dead time activation", "Timeout für die Aktivierung der Ventil-Sperrzeit"},
               {"Increases the timeout value by 1 minute", "Erhöht das Timeout um 1 Minute"},
               {"Decreases the timeout value by 1 minute", "Reduziert die Dauer der Sperrzeit um 1 Minute"}}}},
            {1, kSimpleSwitchTitle, 1258, {"On/Off switch mode", "Ein/Aus Schalterbetrieb"}, kSimpleSwitch, 1257,
             {"Enable/disable the simple switch functionality (will disable the runtime)",
              "Schaltet die Einfache Schaltfunktion EIN bzw. AUS (deaktiviert die Laufzeit)"},
             {}},
        },
        1181, 1185, 1179, 1183, 1218, 1187, 1196,
        1136, 1140, 1137,
        kReadSettings, kReset, kWriteSettings, kReadSettingsTip, kResetTip, kWriteSettingsTip,
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
