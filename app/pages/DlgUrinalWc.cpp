#include "app/pages/DlgUrinalWc.h"

namespace {

constexpr CPageText kSecondMore{"Increases the time by 1 second", "Erhöht die Zeit um 1 Sekunde"};
constexpr CPageText kSecondLess{"Decreases the time by 1 second", "Reduziert die Zeit um 1 Sekunde"};

// "Main flushing" (WC) and "Runtime" (urinal) take the same place: the
// variant shows one of them.
const CPageDescription& UrinalWcPage()
{
    using namespace PageTexts;
    static const CPageDescription page = {
        "Urinal",
        {
            {0, 1279, 1280, kManualProgramming, "StartupProgramming", 1301, kManualProgrammingTip, {}},
            {0, 1322, 1281, {"Sensor detection range", "Sensor-Erfassungsbereich"}, nullptr, 0, {},
             {{"LEDCurrentOff", 1324, 1323, 0, 0, {"Range:", "Reichweite:"}, 0,
               {"Changes the detection range", "Ändert die Erkennungsreichweite"}, {}, {}}}},
            {0, 1362, 1284, {"Main flushing", "Hauptspülung"}, nullptr, 0, {},
             {{"FlushIndex", 1364, 1363, 0, 0, {"Flushing amount:", "Spülmenge:"}, 0,
               {"Changes the flushing amount", "Ändert die Spülmenge"}, {}, {}}}},
            {0, 1302, 1282, kRuntime, nullptr, 0, {},
             {{"Runtime", 1352, 1349, 1350, 1351, {"Flushing time [s]:", "Spüldauer [s]:"}, 5, kFlushTimeTip, kFlushTimeMore,
               kFlushTimeLess}}},
            {0, 1307, 1283, {"Stagnation flushing", "Stagnationspülung"}, "StagnationMode", 1308, kStagnationTip,
             {{"StagnationMode", 1309, 1310, 0, 0, kStagnationMode, 0, kStagnationModeTip, {}, {}},
              {"StagnationRuntime", 1315, 1316, 1317, 1318, kRuntimeSeconds, 4, kStagnationRuntimeTip, kStagnationRuntimeMore,
               kStagnationRuntimeLess},
              {"StagnationCycleTime", 1311, 1312, 1313, 1314, kCycleTime, 4, kCycleTimeTip, kCycleTimeMore, kCycleTimeLess}}},
            {0, 1325, 1285, {"Power saving mode", "Energiesparmodus"}, "PowerSavingMode", 1330,
             {"Enable / disable the power saving mode", "Schaltet den Energiesparmodus ein bzw. aus"},
             {{"PowerSavingTimeout", 1329, 1326, 1327, 1328, {"Activation time [h]:", "Aktivierungszeit [h]:"}, 3,
               {"Activation time of the power save mode", "Aktivierungszeit des Energiesparmodus"},
               {"Increases the value by 1 hour", "Erhöht den Wert um 1 Stunde"},
               {"Decreases the value by 1 hour", "Reduziert den Wert um 1 Stunde"}}}},
            {1, 1337, 1286, {"Pre flushing", "Vorspülung"}, "ComfortFlushMode", 1342,
             {"Enable / disable the pre flushing", "Schaltet die Vorspülung ein bzw. aus"},
             {{"ComfortFlushLastUsed", 1341, 1338, 1339, 1340, {"Last used before [min]:", "Letzte Nutzung vor [min]:"}, 3,
               {"Last used before x minutes", "Letzte Nutzung vor x Minuten"},
               {"Increases the time by 1 minute", "Erhöht die Zeit um 1 Minute"},
               {"Decreases the time by 1 minute", "Reduziert die Zeit um 1 Minute"}}}},
            {1, 1343, 1287, {"Stadium mode", "Stadion-Betrieb"}, "StadiumMode", 1348,
             {"Enable / disable the stadium mode", "Schaltet den Stadion-Betrieb ein bzw. aus"},
             {{"StadiumRuntime", 1356, 1361, 1359, 1360, {"Duration [s]:", "Dauer [s]:"}, 3,
               {"Active for about x seconds", "Aktiv für x Sekunden"}, kSecondMore, kSecondLess},
              {"StadiumDelta", 1347, 1344, 1345, 1346, {"Time difference [s]:", "Zeitabstand [s]:"}, 3,
               {"Time in seconds beetween two users", "Time in seconds beetween two users"}, kSecondMore, kSecondLess}}},
            {1, 1331, 1288, {"Airtrap flushing", "Geruchsverschluß-Spülung"}, "AirtrapMode", 1336,
             {"Enable / disable the airtrap flushing", "Schaltet die Geruchsverschluß-Spülung ein bzw. aus"},
             {{"AirtrapLastUsed", 1335, 1332, 1333, 1334, {"Last used before [h]:", "Letzte Nutzung vor [h]:"}, 3,
               {"Last used before x hours", "Letzte Nutzung vor x Stunden"},
               {"Increases the time by 1 hour", "Erhöht die Zeit um 1 Stunde"},
               {"Decreases the time by 1 hour", "Reduziert die Zeit um 1 Stunde"}}}},
        },
        1358, 1353, 1357, 1354, 1278, 1355, 1196,
        1319, 1320, 1321,
        kReadSettings, kReset, kWriteSettings, kReadSettingsTip, kResetTip, kWriteSettingsTip,
    };
    return page;
}

} // namespace

CDlgUrinalWc::CDlgUrinalWc(const CPageContext& context, QWidget* pParent) : CSettingsPage(UrinalWcPage(), context, pParent)
{
}
