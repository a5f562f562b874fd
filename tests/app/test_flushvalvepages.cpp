// The flush valve pages in the window: each generation's groups, the on/off
// switch mode that switches the runtime off on the second generation, the
// refusal of modes an old application lacks; and for every product page
// built on the settings model, reset, save and open only for its own sheet,
// and a fitting's settings through a file and back into the fitting.

#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "app/pages/DlgAmbra.h"
#include "common/Language.h"
#include "workflow/ProductCatalog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

constexpr QColor kSwitchedOff(170, 170, 170);
// Both flush valves keep the Tarvo map.
constexpr unsigned kTarvoRuntime = 0x86;
constexpr unsigned kTarvoSimpleSwitch = 0x8B;

QColor TextColor(QWidget* pLabel)
{
    return pLabel->palette().color(QPalette::WindowText);
}

// The edits of a page's numeric rows.
QList<QLineEdit*> RowEdits(CNexaroDlg& dlg, const QString& page)
{
    QList<QLineEdit*> edits;
    for (auto* pEdit : dlg.findChild<QWidget*>(page)->findChildren<QLineEdit*>())
        if (pEdit->objectName().startsWith(QStringLiteral("id")))
            edits << pEdit;
    return edits;
}

} // namespace

class FlushValvePagesTest : public QObject {
    Q_OBJECT
private slots:
    void eachGenerationShowsItsGroups_data();
    void eachGenerationShowsItsGroups();
    void simpleSwitchTurnsTheRuntimeOffOnTheSecondGeneration_data();
    void simpleSwitchTurnsTheRuntimeOffOnTheSecondGeneration();
    void anOldApplicationRefusesTheStagnationModeAndNothingIsWritten();
    void resetSaveAndOpenActOnlyOnTheirOwnSheet_data();
    void resetSaveAndOpenActOnlyOnTheirOwnSheet();
    void settingsGoThroughAFileBackIntoTheFitting_data();
    void settingsGoThroughAFileBackIntoTheFitting();
};

void FlushValvePagesTest::eachGenerationShowsItsGroups_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("simpleSwitchShown");
    QTest::addColumn<QString>("runtimeLabel");
    QTest::addColumn<QString>("stagnationMode");
    QTest::newRow("tarvo_page_de") << QByteArray("Tarvo") << kLanguageGerman << false << QStringLiteral("Max. Laufzeit [s]:")
                                   << QStringLiteral("Nach letzter Nutzung");
    QTest::newRow("tarvo_page_en") << QByteArray("Tarvo") << kLanguageEnglish << false << QStringLiteral("Max runtime [s]:")
                                   << QStringLiteral("After last use");
    QTest::newRow("tarvov2_page_de") << QByteArray("TarvoV2") << kLanguageGerman << true << QStringLiteral("Max. Laufzeit [s]:")
                                     << QStringLiteral("Festes Intervall");
    QTest::newRow("tarvov2_page_en") << QByteArray("TarvoV2") << kLanguageEnglish << true << QStringLiteral("Max runtime [s]:")
                                     << QStringLiteral("Fixed interval");
}

void FlushValvePagesTest::eachGenerationShowsItsGroups()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, language);
    QFETCH(bool, simpleSwitchShown);
    QFETCH(QString, runtimeLabel);
    QFETCH(QString, stagnationMode);
    AppEnvironment env(("[adapter]\nfitting = " + profile + "\n").constData());
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    const char* szPage = profile.constData();
    QVERIFY(window.dlg.findChild<QWidget*>(QString::fromUtf8(szPage))->isVisible());
    QVERIFY(!window.dlg.findChild<QWidget*>(QStringLiteral("Ambra"))->isVisible());
    for (int nId : {1256, 1257, 1258})
        QCOMPARE(!window.PageChild(szPage, nId)->isHidden(), simpleSwitchShown);
    QCOMPARE(window.PageChild<QLabel>(szPage, 1118)->text(), runtimeLabel);
    // Read from the fitting.
    QCOMPARE(window.PageChild<QLineEdit>(szPage, 1119)->text(), QStringLiteral("7"));
    QCOMPARE(window.PageChild<QComboBox>(szPage, 1124)->currentText(), stagnationMode);
    QCOMPARE(window.PageChild<QComboBox>(szPage, 1181)->currentText(), QStringLiteral("Müller Haustech"));
    QVERIFY(window.PageChild(szPage, 1151)->toolTip().endsWith(QStringLiteral(", (0)...(1440)")));
    SaveScreenshot(window.dlg, QString::fromUtf8(QTest::currentDataTag()));
}

void FlushValvePagesTest::simpleSwitchTurnsTheRuntimeOffOnTheSecondGeneration_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<int>("productType");
    QTest::addColumn<bool>("runtimeOff");
    QTest::newRow("TarvoV2") << QByteArray("fitting = TarvoV2\n") << kProductTarvoV2 << true;
    QTest::newRow("Tarvo, box hidden") << QByteArray("fitting = Tarvo\napp_version = V2.07\n") << kProductTarvo << false;
}

void FlushValvePagesTest::simpleSwitchTurnsTheRuntimeOffOnTheSecondGeneration()
{
    QFETCH(QByteArray, scenario);
    QFETCH(int, productType);
    QFETCH(bool, runtimeOff);
    AppEnvironment env(("[adapter]\n" + scenario + "startup_ms = 100\nready_ms = 0\n").constData());
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    const char* szPage = productType == kProductTarvo ? "Tarvo" : "TarvoV2";
    auto* pBox = window.PageChild<QCheckBox>(szPage, 1257);
    auto* pFlushTime = window.PageChild<QLineEdit>(szPage, 1119);
    pBox->setChecked(true);
    for (int nId : {1119, 1120, 1121})
        QCOMPARE(window.PageChild(szPage, nId)->isEnabled(), !runtimeOff);
    for (int nId : {1116, 1118})
        QCOMPARE(TextColor(window.PageChild(szPage, nId)) == kSwitchedOff, runtimeOff);
    if (runtimeOff)
        SaveScreenshot(window.dlg, QStringLiteral("tarvov2_page_simple_switch"));

    // Switched off, the runtime is still checked, and the message says how to reach it ...
    pFlushTime->setText(QStringLiteral("0"));
    QString refusal;
    AnswerMessageBox(QMessageBox::Ok, &refusal);
    window.PageChild<QPushButton>(szPage, 1137)->click();
    const int nMaximum = productType == kProductTarvo ? 60 : 120;
    const QString switchedOff = QStringLiteral(" The row is switched off by \"On/Off switch mode\", yet its value is written: switch the row on to correct it.");
    QTRY_COMPARE(refusal, QStringLiteral("The value of \"Max runtime [s]\" in \"Runtime\" is not valid. Enter a valid value in the range from (1) to (%1).%2")
                              .arg(nMaximum)
                              .arg(runtimeOff ? switchedOff : QString()));
    QCOMPARE(EepromValue(env.sim, kTarvoSimpleSwitch, 1), 0u);
    // ... and written.
    pFlushTime->setText(QStringLiteral("33"));
    window.PageChild<QPushButton>(szPage, 1137)->click();
    QCOMPARE(EepromValue(env.sim, kTarvoRuntime, 2), 33u);
    QCOMPARE(EepromValue(env.sim, kTarvoSimpleSwitch, 1), 1u);
    QVERIFY(EveryRowSumHolds(env.sim));

    pBox->setChecked(false);
    for (int nId : {1119, 1120, 1121})
        QVERIFY(window.PageChild(szPage, nId)->isEnabled());
    QCOMPARE(TextColor(window.PageChild(szPage, 1118)), QColor(Qt::black));
}

void FlushValvePagesTest::anOldApplicationRefusesTheStagnationModeAndNothingIsWritten()
{
    AppEnvironment env("[adapter]\nfitting = Tarvo\n"); // application V2.06
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    window.PageChild<QCheckBox>("Tarvo", 1130)->setChecked(false);
    window.PageChild<QComboBox>("Tarvo", 1124)->setCurrentText(QStringLiteral("Fixed interval"));
    const std::vector<unsigned char> before = Eeprom(env.sim);
    VSimFittingState state{};
    env.sim.api.GetFittingState(0, &state);
    QString refusal;
    AnswerMessageBox(QMessageBox::Ok, &refusal);
    window.PageChild<QPushButton>("Tarvo", 1137)->click();
    QTRY_COMPARE(refusal, QStringLiteral("The stagnation mode (Fixed interval) is not supported by the application version V2.06.\n\n"
                                         "Please upgrade the faucets SW to use this option."));
    QVERIFY(Eeprom(env.sim) == before);
    VSimFittingState after{};
    env.sim.api.GetFittingState(0, &after);
    QCOMPARE(after.restarts, state.restarts);
}

void FlushValvePagesTest::resetSaveAndOpenActOnlyOnTheirOwnSheet_data()
{
    QTest::addColumn<QByteArray>("article");
    QTest::addColumn<QByteArray>("sheet"); // in force
    QTest::addColumn<QByteArray>("actingPage");
    QTest::addColumn<int>("editId"); // a row of the acting page
    QTest::addColumn<QString>("defaultValue");
    QTest::newRow("Tarvo") << QByteArray("230100101") << QByteArray("Tarvo") << QByteArray("Tarvo") << 1119 << QStringLiteral("7");
    QTest::newRow("TarvoV2") << QByteArray("230200201") << QByteArray("TarvoV2") << QByteArray("TarvoV2") << 1119 << QStringLiteral("7");
    QTest::newRow("Urinal") << QByteArray("230400401") << QByteArray("Urinal") << QByteArray("Urinal") << 1349 << QStringLiteral("6");
    QTest::newRow("WC") << QByteArray("230500501") << QByteArray("WC") << QByteArray("Urinal") << 1312 << QStringLiteral("24");
    QTest::newRow("Ambra") << QByteArray("230300301") << QByteArray("Ambra") << QByteArray("Ambra") << 1150 << QStringLiteral("60");
    QTest::newRow("tarvo") << QByteArray("230100101") << QByteArray("tarvo") << QByteArray() << 0 << QString();
    QTest::newRow("TARVOV2") << QByteArray("230200201") << QByteArray("TARVOV2") << QByteArray() << 0 << QString();
    QTest::newRow("urinal") << QByteArray("230400401") << QByteArray("urinal") << QByteArray() << 0 << QString();
    QTest::newRow("wc") << QByteArray("230500501") << QByteArray("wc") << QByteArray() << 0 << QString();
}

void FlushValvePagesTest::resetSaveAndOpenActOnlyOnTheirOwnSheet()
{
    QFETCH(QByteArray, article);
    QFETCH(QByteArray, sheet);
    QFETCH(QByteArray, actingPage);
    QFETCH(int, editId);
    QFETCH(QString, defaultValue);
    AppEnvironment env;
    StartedWindow window(env);
    CDeviceConfig definition;
    QVERIFY(window.dlg.Session().Catalog().FindDefinition(article.toStdString(), definition));
    int nProductType = 0;
    std::string strError;
    QCOMPARE(ProductNameToType(definition.GetConfigSheet(), nProductType, strError), 0);
    definition.SetConfigSheet(sheet.toStdString());
    window.dlg.Session().SetCurrentConfig(definition);
    QCOMPARE(window.dlg.Session().SetProductType(nProductType, strError), 0);

    // Every edit of every settings page holds a mark, every save is noted.
    const QStringList pages = {QStringLiteral("Ambra"), QStringLiteral("Urinal"), QStringLiteral("Tarvo"), QStringLiteral("TarvoV2")};
    const QString path = QDir(env.Path()).filePath(QStringLiteral("saved.xml"));
    QStringList saved;
    for (const QString& page : pages) {
        for (auto* pEdit : RowEdits(window.dlg, page))
            pEdit->setText(QStringLiteral("99"));
        window.dlg.findChild<CSettingsPage*>(page)->m_chooseSaveFile = [&saved, &path, page] {
            saved << page;
            return path;
        };
    }
    const auto edit = [&window, &actingPage, editId] { return window.PageChild<QLineEdit>(actingPage.constData(), editId); };
    window.dlg.m_Pages.SendToAll(kWmTakeDefaults, strError);
    if (!actingPage.isEmpty())
        QCOMPARE(edit()->text(), defaultValue);
    window.dlg.m_Pages.SendToAll(kWmSaveConfiguration, strError);
    QCOMPARE(saved, actingPage.isEmpty() ? QStringList() : QStringList{QString::fromUtf8(actingPage)});
    if (!actingPage.isEmpty()) {
        edit()->setText(QStringLiteral("12"));
        QCOMPARE(window.dlg.Session().LoadedFile().ReadConfigurationFile(path.toStdString(), strError), 0);
        window.dlg.m_Pages.SendToAll(kWmConfigurationLoaded, strError);
        QCOMPARE(edit()->text(), defaultValue);
    }
    // The other pages were left alone.
    for (const QString& page : pages)
        if (page != QString::fromUtf8(actingPage))
            for (auto* pEdit : RowEdits(window.dlg, page))
                QCOMPARE(pEdit->text(), QStringLiteral("99"));
}

void FlushValvePagesTest::settingsGoThroughAFileBackIntoTheFitting_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("editId"); // the stagnation cycle time
    QTest::newRow("Tarvo") << QByteArray("Tarvo") << QByteArray("Tarvo") << 1126;
    QTest::newRow("TarvoV2") << QByteArray("TarvoV2") << QByteArray("TarvoV2") << 1126;
    QTest::newRow("Urinal") << QByteArray("Urinal") << QByteArray("Urinal") << 1312;
    QTest::newRow("WC") << QByteArray("WC") << QByteArray("Urinal") << 1312;
}

// Read, saved, changed in the fitting, opened and written: the fitting holds
// what it held at first.
void FlushValvePagesTest::settingsGoThroughAFileBackIntoTheFitting()
{
    QFETCH(QByteArray, profile);
    QFETCH(QByteArray, page);
    QFETCH(int, editId);
    AppEnvironment env(("[adapter]\nfitting = " + profile + "\nstartup_ms = 100\nready_ms = 0\n").constData());
    StartedWindow window(env);
    window.PressNext();
    const std::vector<unsigned char> before = Eeprom(env.sim);
    const QString path = QDir(env.Path()).filePath(QStringLiteral("settings.xml"));
    window.dlg.findChild<CSettingsPage*>(QString::fromUtf8(page))->m_chooseSaveFile = [&path] { return path; };
    window.dlg.findChild<QAction*>(QStringLiteral("id1058"))->trigger();
    QVERIFY(QFile::exists(path));

    auto* pEdit = window.PageChild<QLineEdit>(page.constData(), editId);
    pEdit->setText(QString::number(pEdit->text().toInt() + 1));
    window.PageChild<QComboBox>(page.constData(), profile.startsWith("Tarvo") ? 1181 : 1358)->setEditText(QStringLiteral("Someone else"));
    window.PageChild<QPushButton>(page.constData(), profile.startsWith("Tarvo") ? 1137 : 1321)->click();
    QVERIFY(Eeprom(env.sim) != before);

    window.dlg.m_chooseOpenFile = [&path] { return path; };
    AnswerMessageBox(QMessageBox::Yes); // override the settings shown
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    window.PageChild<QPushButton>(page.constData(), profile.startsWith("Tarvo") ? 1137 : 1321)->click();
    QVERIFY(Eeprom(env.sim) == before);
    QVERIFY(EveryRowSumHolds(env.sim));
}

QTEST_MAIN(FlushValvePagesTest)
#include "test_flushvalvepages.moc"
