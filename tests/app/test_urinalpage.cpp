// The urinal and WC page in the window: each variant's groups in both
// languages, the variant kept over a language switch, and the urinal's
// flush time in seconds on the page and milliseconds in the fitting.

#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "common/Language.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

namespace {

// The controls only the urinal has: its flush time, pre flushing, stadium
// mode and airtrap flushing.
constexpr int kUrinalControls[] = {1302, 1352, 1349, 1350, 1351, 1337, 1342, 1338, 1343, 1348, 1361, 1344, 1331, 1336, 1332};
// The WC's flush volume.
constexpr int kWcControls[] = {1362, 1364, 1363};

void CompareVariant(StartedWindow& window, bool bWc)
{
    for (int nId : kUrinalControls)
        QVERIFY2(window.PageChild("Urinal", nId)->isHidden() == bWc, qPrintable(QString::number(nId)));
    for (int nId : kWcControls)
        QVERIFY2(window.PageChild("Urinal", nId)->isHidden() == !bWc, qPrintable(QString::number(nId)));
    QVERIFY(!window.PageChild("Urinal", 1326)->isHidden()); // power saving in both
}

} // namespace

class UrinalPageTest : public QObject {
    Q_OBJECT
private slots:
    void variantsShowTheirGroups_data();
    void variantsShowTheirGroups();
    void aLanguageSwitchKeepsTheWcVariant();
    void flushTimeInSecondsOnThePage();
};

void UrinalPageTest::variantsShowTheirGroups_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("wc");
    QTest::addColumn<int>("valueId");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stagnationTitle");
    QTest::newRow("urinal_page_de") << QByteArray("Urinal") << kLanguageGerman << false << 1349 << QStringLiteral("6")
                                    << QStringLiteral("Stagnationspülung");
    QTest::newRow("urinal_page_en") << QByteArray("Urinal") << kLanguageEnglish << false << 1349 << QStringLiteral("6")
                                    << QStringLiteral("Stagnation flushing");
    QTest::newRow("wc_page_de") << QByteArray("WC") << kLanguageGerman << true << 1363 << QStringLiteral("6 Liter")
                                << QStringLiteral("Stagnationspülung");
    QTest::newRow("wc_page_en") << QByteArray("WC") << kLanguageEnglish << true << 1363 << QStringLiteral("6 litres")
                                << QStringLiteral("Stagnation flushing");
}

void UrinalPageTest::variantsShowTheirGroups()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, language);
    QFETCH(bool, wc);
    QFETCH(int, valueId);
    QFETCH(QString, value);
    QFETCH(QString, stagnationTitle);
    AppEnvironment env(("[adapter]\nfitting = " + profile + "\n").constData());
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    QVERIFY(window.dlg.findChild<QWidget*>(QStringLiteral("Urinal"))->isVisible());
    CompareVariant(window, wc);
    QWidget* pValue = window.PageChild("Urinal", valueId);
    QCOMPARE(pValue->property(wc ? "currentText" : "text").toString(), value); // read from the fitting
    QCOMPARE(window.PageChild<QLabel>("Urinal", 1307)->text(), stagnationTitle);
    // The flush volume takes the flush time's place.
    QCOMPARE(window.PageChild("Urinal", wc ? 1362 : 1302)->y(),
             window.PageChild("Urinal", 1322)->y() + 27 + 28 + 25);
    SaveScreenshot(window.dlg, QString::fromUtf8(QTest::currentDataTag()));
}

void UrinalPageTest::aLanguageSwitchKeepsTheWcVariant()
{
    AppEnvironment env("[adapter]\nfitting = WC\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageGerman);
    StartedWindow window(env);
    window.PressNext();
    CompareVariant(window, true);
    window.dlg.menuBar()->findChild<QAction*>(QStringLiteral("id1073"))->trigger();
    QCOMPARE(window.PageChild<QLabel>("Urinal", 1364)->text(), QStringLiteral("Flushing amount:"));
    QCOMPARE(window.PageChild<QComboBox>("Urinal", 1363)->currentText(), QStringLiteral("6 litres"));
    CompareVariant(window, true);
}

void UrinalPageTest::flushTimeInSecondsOnThePage()
{
    // 1500 ms, and a flush volume byte that the urinal leaves alone
    AppEnvironment env("[adapter]\nfitting = Urinal\nstartup_ms = 100\nready_ms = 0\neeprom 0x72 = DC 05\neeprom 0xC8 = 03\n");
    StartedWindow window(env);
    window.PressNext();
    // Shown as the fitting holds it, marked as off the page's step, and
    // written back unchanged while nobody touches it.
    auto* pFlushTime = window.PageChild<QLineEdit>("Urinal", 1349);
    auto* pPage = window.dlg.findChild<CSettingsPage*>(QStringLiteral("Urinal"));
    QCOMPARE(pFlushTime->text(), QStringLiteral("1.5"));
    QVERIFY(pPage->IsMarked("Runtime"));
    QVERIFY(pPage->MarkerNote("Runtime").contains(QStringLiteral("1.5")));
    auto* pWrite = window.PageChild<QPushButton>("Urinal", 1321);
    pWrite->click();
    QCOMPARE(EepromValue(env.sim, 0x72, 2), 1500u);
    QCOMPARE(pFlushTime->text(), QStringLiteral("1.5"));
    QVERIFY(!pPage->HasUnwrittenChanges());
    pFlushTime->setText(QStringLiteral("12"));
    QVERIFY(!pPage->IsMarked("Runtime"));
    pWrite->click();
    QCOMPARE(EepromValue(env.sim, 0x72, 2), 0x2EE0u);
    QCOMPARE(EepromValue(env.sim, 0xC8, 1), 3u);
    QVERIFY(EveryRowSumHolds(env.sim));
}

QTEST_MAIN(UrinalPageTest)
#include "test_urinalpage.moc"
