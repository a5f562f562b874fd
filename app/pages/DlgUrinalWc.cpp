#include "app/pages/DlgUrinalWc.h"

namespace {

constexpr CUiText kSecondMore{"Increases the time by 1 second", "Erhöht die Zeit um 1 Sekunde"};
constexpr CUiText kSecondLess{"Decreases the time by 1 second", "Reduziert die Zeit um 1 Sekunde"};

// "Main flushing" (WC) and "Runtime" (urinal) take the same place: the
// variant shows one of them.
const CPageDescription& UrinalWcPage()
{
    using namespace PageTexts;
    static const CPageDescription page = {
        .szPageName = "Urinal",
        .groups = {
            {.nColumn = 0, .nTitleId = 1279, .title = kManualProgramming, .nLineId = 1280,
             .szSwitch = "StartupProgramming", .nSwitchId = 1301, .switchTip = kManualProgrammingTip},
            {.nColumn = 0, .nTitleId = 1322, .title = {"Sensor detection range", "Sensor-Erfassungsbereich"}, .nLineId = 1281,
             .rows = {{.szField = "LEDCurrentOff", .nLabelId = 1324, .label = {"Range:", "Reichweite:"},
                       .nControlId = 1323, .tip = {"Changes the detection range", "Ändert die Erkennungsreichweite"}}}},
            {.nColumn = 0, .nTitleId = 1362, .title = {"Main flushing", "Hauptspülung"}, .nLineId = 1284,
             .rows = {{.szField = "FlushIndex", .nLabelId = 1364, .label = {"Flushing amount:", "Spülmenge:"},
                       .nControlId = 1363, .tip = {"Changes the flushing amount", "Ändert die Spülmenge"}}}},
            {.nColumn = 0, .nTitleId = 1302, .title = kRuntime, .nLineId = 1282,
             .rows = {{.szField = "Runtime", .nLabelId = 1352, .label = {"Flushing time [s]:", "Spüldauer [s]:"},
                       .nControlId = 1349, .tip = kFlushTimeTip, .nEditLimit = 5,
                       .nPlusId = 1350, .plusTip = kFlushTimeMore, .nMinusId = 1351, .minusTip = kFlushTimeLess}}},
            {.nColumn = 0, .nTitleId = 1307, .title = {"Stagnation flushing", "Stagnationspülung"}, .nLineId = 1283,
             .szSwitch = "StagnationMode", .nSwitchId = 1308, .switchTip = kStagnationTip,
             .rows = {{.szField = "StagnationMode", .nLabelId = 1309, .label = kStagnationMode,
                       .nControlId = 1310, .tip = kStagnationModeTip},
                      {.szField = "StagnationRuntime", .nLabelId = 1315, .label = kRuntimeSeconds,
                       .nControlId = 1316, .tip = kStagnationRuntimeTip, .nEditLimit = 4,
                       .nPlusId = 1317, .plusTip = kStagnationRuntimeMore, .nMinusId = 1318, .minusTip = kStagnationRuntimeLess},
                      {.szField = "StagnationCycleTime", .nLabelId = 1311, .label = kCycleTime,
                       .nControlId = 1312, .tip = kCycleTimeTip, .nEditLimit = 4,
                       .nPlusId = 1313, .plusTip = kCycleTimeMore, .nMinusId = 1314, .minusTip = kCycleTimeLess}}},
            {.nColumn = 0, .nTitleId = 1325, .title = {"Power saving mode", "Energiesparmodus"}, .nLineId = 1285,
             .szSwitch = "PowerSavingMode", .nSwitchId = 1330,
             .switchTip = {"Enable / disable the power saving mode", "Schaltet den Energiesparmodus ein bzw. aus"},
             .rows = {{.szField = "PowerSavingTimeout", .nLabelId = 1329, .label = {"Activation time [h]:", "Aktivierungszeit [h]:"},
                       .nControlId = 1326, .tip = {"Activation time of the power save mode", "Aktivierungszeit des Energiesparmodus"},
                       .nEditLimit = 3,
                       .nPlusId = 1327, .plusTip = {"Increases the value by 1 hour", "Erhöht den Wert um 1 Stunde"},
                       .nMinusId = 1328, .minusTip = {"Decreases the value by 1 hour", "Reduziert den Wert um 1 Stunde"}}}},
            {.nColumn = 1, .nTitleId = 1337, .title = {"Pre flushing", "Vorspülung"}, .nLineId = 1286,
             .szSwitch = "ComfortFlushMode", .nSwitchId = 1342,
             .switchTip = {"Enable / disable the pre flushing", "Schaltet die Vorspülung ein bzw. aus"},
             .rows = {{.szField = "ComfortFlushLastUsed", .nLabelId = 1341, .label = {"Last used before [min]:", "Letzte Nutzung vor [min]:"},
                       .nControlId = 1338, .tip = {"Last used before x minutes", "Letzte Nutzung vor x Minuten"},
                       .nEditLimit = 3,
                       .nPlusId = 1339, .plusTip = {"Increases the time by 1 minute", "Erhöht die Zeit um 1 Minute"},
                       .nMinusId = 1340, .minusTip = {"Decreases the time by 1 minute", "Reduziert die Zeit um 1 Minute"}}}},
            {.nColumn = 1, .nTitleId = 1343, .title = {"Stadium mode", "Stadion-Betrieb"}, .nLineId = 1287,
             .szSwitch = "StadiumMode", .nSwitchId = 1348,
             .switchTip = {"Enable / disable the stadium mode", "Schaltet den Stadion-Betrieb ein bzw. aus"},
             .rows = {{.szField = "StadiumRuntime", .nLabelId = 1356, .label = {"Duration [s]:", "Dauer [s]:"},
                       .nControlId = 1361, .tip = {"Active for about x seconds", "Aktiv für x Sekunden"},
                       .nEditLimit = 3, .nPlusId = 1359, .plusTip = kSecondMore, .nMinusId = 1360, .minusTip = kSecondLess},
                      {.szField = "StadiumDelta", .nLabelId = 1347, .label = {"Time difference [s]:", "Zeitabstand [s]:"},
                       .nControlId = 1344, .tip = {"Time in seconds beetween two users", "Time in seconds beetween two users"},
                       .nEditLimit = 3, .nPlusId = 1345, .plusTip = kSecondMore, .nMinusId = 1346, .minusTip = kSecondLess}}},
            {.nColumn = 1, .nTitleId = 1331, .title = {"Airtrap flushing", "Geruchsverschluß-Spülung"}, .nLineId = 1288,
             .szSwitch = "AirtrapMode", .nSwitchId = 1336,
             .switchTip = {"Enable / disable the airtrap flushing", "Schaltet die Geruchsverschluß-Spülung ein bzw. aus"},
             .rows = {{.szField = "AirtrapLastUsed", .nLabelId = 1335, .label = {"Last used before [h]:", "Letzte Nutzung vor [h]:"},
                       .nControlId = 1332, .tip = {"Last used before x hours", "Letzte Nutzung vor x Stunden"},
                       .nEditLimit = 3,
                       .nPlusId = 1333, .plusTip = {"Increases the time by 1 hour", "Erhöht die Zeit um 1 Stunde"},
                       .nMinusId = 1334, .minusTip = {"Decreases the time by 1 hour", "Reduziert die Zeit um 1 Stunde"}}}},
        },
        .nInstallerId = 1358, .nInstallerLabelId = 1353, .nPlacementId = 1357, .nPlacementLabelId = 1354,
        .nDateId = 1278, .nDateLabelId = 1355, .nTopLineId = 1196,
        .nReadId = 1319, .nResetId = 1320, .nWriteId = 1321,
        .readText = kReadSettings, .resetText = kReset, .writeText = kWriteSettings,
        .readTip = kReadSettingsTip, .resetTip = kResetTip, .writeTip = kWriteSettingsTip,
    };
    return page;
}

} // namespace

CDlgUrinalWc::CDlgUrinalWc(const CPageContext& context, QWidget* pParent) : CSettingsPage(UrinalWcPage(), context, pParent)
{
}
