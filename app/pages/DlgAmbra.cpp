#include "app/pages/DlgAmbra.h"

#include "app/AppGlobals.h"
#include "app/ProductSession.h"

#include <cstring>

namespace {

constexpr CPageText kSecondMore{"Increases the runtime by 1 second", "Erhöht die Laufzeit um 1 Sekunde"};
constexpr CPageText kSecondLess{"Decreases the runtime by 1 second", "Reduziert die Laufzeit um 1 Sekunde"};

const CPageDescription& FaucetPage()
{
    static const CPageDescription page = {
        "Ambra",
        {
            {0, 1142, 1228, PageTexts::kManualProgramming, "StartupProgramming", 1144,
             PageTexts::kManualProgrammingTip, {}},
            {0, 1171, 1229, {"Sensor detection range", "Sensor-Erfassungsbereich"}, nullptr, 0, {},
             {{"LEDCurrentOff", 1175, 1173, 0, 0, {"Range:", "Reichweite:"}, 0, {"Changes the detection range", "Ändert die Erkennungsreichweite"}, {}, {}}}},
            {0, 1146, 1230, PageTexts::kRuntime, nullptr, 0, {},
             {{"Maxruntime", 1148, 1150, 1152, 1154, {"Max runtime [s]:", "Max. Laufzeit [s]:"}, 3,
               {"Defines the max. flush time in seconds", "Stellt die maximale Laufzeit der Armatur in Sekunden ein"},
               {"Increases the max. flush time by 1 second", "Erhöht die maximale Spüldauer um 1 Sekunde"},
               {"Decreases the max flush time by 1 second", "Reduziert die maximale Spülzeit um 1 Sekunde"}},
              {"Runtime", 1213, 1210, 1211, 1212, {"Post runtime [ms]:", "Nachlaufzeit [ms]:"}, 5, PageTexts::kFlushTimeTip,
               PageTexts::kFlushTimeMore,
               PageTexts::kFlushTimeLess}}},
            {0, 1156, 1231, {"Stagnation flushing", "Stagnationsspülung"}, "StagnationMode", 1157,
             PageTexts::kStagnationTip,
             {{"StagnationMode", 1158, 1159, 0, 0, PageTexts::kStagnationMode, 0, PageTexts::kStagnationModeTip, {}, {}},
              {"StagnationRuntime", 1164, 1165, 1166, 1167, PageTexts::kRuntimeSeconds, 4,
               PageTexts::kStagnationRuntimeTip,
               PageTexts::kStagnationRuntimeMore,
               PageTexts::kStagnationRuntimeLess},
              {"StagnationCycleTime", 1160, 1161, 1162, 1163, PageTexts::kCycleTime, 4,
               PageTexts::kCycleTimeTip,
               PageTexts::kCycleTimeMore,
               PageTexts::kCycleTimeLess}}},
            {1, 1177, 1232, {"Power saving mode", "Energiesparmodus"}, "PowerSavingMode", 1188,
             {"Enable / disable the power saving mode", "Schaltet den Energiesparmodus ein bzw. aus"},
             {{"PowerSavingTimeout", 1186, 1180, 1182, 1184, {"Activation time [h]:", "Aktivierungszeit [h]:"}, 3,
               {"Activation time of the power save mode", "Aktivierungszeit des Energiesparmodus"},
               {"Increases the value by 1 hour", "Erhöht den Wert um 1 Stunde"}, {"Decreases the value by 1 hour", "Reduziert den Wert um 1 Stunde"}}}},
            {1, 1197, 1233, {"Thermal disinfection", "Thermische Desinfektion"}, "ThermaldisinfectionMode", 1203,
             {"Enable / disable the thermal disinfection", "Schaltet die thermische Desinfektion ein bzw. aus"},
             {{"ThermaldisinfectionRuntime", 1202, 1199, 1200, 1201, PageTexts::kRuntimeSeconds, 3,
               {"Runtime of the thermal disinfection", "Laufzeit der Thermischen Desinfektion"}, kSecondMore, kSecondLess}}},
            {1, 1204, 1234, {"Non-stop operation", "Dauerlauf"}, "NonStopOperationMode", 1209,
             {"Enable / disable the non-stop operation mode", "Schaltet den Dauerbetrieb ein bzw. aus"},
             {{"NonStopOperationRuntime", 1208, 1205, 1206, 1207, PageTexts::kRuntimeSeconds, 3,
               {"Runtime of the non-stop operation", "Laufzeit des Dauerlaufes"}, kSecondMore, kSecondLess}}},
            {1, 1189, 1235, {"Cleaning stop", "Reinigungsstop"}, "CleaningStopMode", 1195,
             {"Enable / disable the cleaning stop", "Schaltet den Reinigungsstop ein bzw. aus"},
             {{"CleaningStopRuntime", 1193, 1190, 1191, 1192, PageTexts::kRuntimeSeconds, 3, {"Runtime of the cleaning stop", "Laufzeit des Reinigungsstop"},
               kSecondMore, kSecondLess}}},
        },
        1220, 1214, 1219, 1215, 1194, 1217, 1196,
        1168, 1169, 1170,
        PageTexts::kReadSettings, PageTexts::kReset, PageTexts::kWriteSettings,
        PageTexts::kReadSettingsTip,
        PageTexts::kResetTip,
        PageTexts::kWriteSettingsTip,
    };
    return page;
}

bool IsField(const CPageRow& row, const char* szName)
{
    return std::strcmp(row.szField, szName) == 0;
}

} // namespace

CDlgAmbra::CDlgAmbra(const CPageContext& context, QWidget* pParent) : CSettingsPage(FaucetPage(), context, pParent)
{
}

// The types 6 and 7 have no detection range and no maximum runtime; 7 has
// none of the groups of the right column but power saving.
bool CDlgAmbra::IsRowHidden(const CPageRow& row) const
{
    return (Session().ProductType() == 6 || Session().ProductType() == 7) && IsField(row, "Maxruntime");
}

bool CDlgAmbra::IsGroupHidden(const CPageGroup& group) const
{
    const int nType = Session().ProductType();
    if ((nType == 6 || nType == 7) && group.nTitleId == 1171)
        return true;
    return nType == 7 && (group.nTitleId == 1197 || group.nTitleId == 1204 || group.nTitleId == 1189);
}

CPageText CDlgAmbra::RowLabel(const CPageRow& row) const
{
    return IsField(row, "Runtime") && (Session().ProductType() == 6 || Session().ProductType() == 7) ? PageTexts::kRuntimeSeconds : row.label;
}

CPageText CDlgAmbra::RowTip(const CPageRow& row) const
{
    if (IsField(row, "Runtime") && (Session().ProductType() == 6 || Session().ProductType() == 7))
        return {"Defines the flush time in seconds", "Stellt die Laufzeit der Armatur in Sekunden ein"};
    return row.tip;
}
