// The whole tool as a technician uses it, for every product type: plug in,
// Next, every tab, change, write (restart and wait), save, another unit of
// the same product, open the file, write again, a language switch on the
// way, and a fitting pulled in the middle of a write.

#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgProgress.h"
#include "app/pages/SettingsPage.h"
#include "common/Language.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <optional>

namespace {

const char* const kConfigurationPage[8] = {"", "Tarvo", "TarvoV2", "Ambra", "Urinal", "Urinal", "Ambra", "Ambra"};

// The first step up that changes a value of the page, or false.
bool ChangeASetting(QWidget& page)
{
    for (QLineEdit* pEdit : page.findChildren<QLineEdit*>()) {
        if (pEdit->isHidden() || !pEdit->isEnabled() || pEdit->objectName() == QLatin1String("qt_spinbox_lineedit"))
            continue;
        const QString before = pEdit->text();
        const int nId = pEdit->objectName().mid(2).toInt();
        for (int nButton : {nId + 1, nId + 2})
            if (auto* pPlus = page.findChild<QPushButton*>(QStringLiteral("id%1").arg(nButton)); pPlus != nullptr && pPlus->text() == QLatin1String("+"))
                pPlus->click();
        if (pEdit->text() != before)
            return true;
    }
    return false;
}

} // namespace

class AcceptanceTest : public QObject {
    Q_OBJECT
private slots:
    void aTechniciansDay_data();
    void aTechniciansDay();
};

void AcceptanceTest::aTechniciansDay_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("productType");
    QTest::addColumn<bool>("realTime");
    // The tool's waits pass in simulated time; one day runs on the real clock.
    for (const auto& [szProfile, nType] : {std::pair{"Tarvo", 1}, std::pair{"TarvoV2", 2}, std::pair{"Ambra", 3}, std::pair{"Urinal", 4},
                                           std::pair{"WC", 5}, std::pair{"Pelio", 6}, std::pair{"Culina", 7}})
        QTest::newRow(szProfile) << QByteArray(szProfile) << nType << (nType == 3);
}

void AcceptanceTest::aTechniciansDay()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, productType);
    QFETCH(bool, realTime);
    AppEnvironment env(("[adapter]\nserial = VB1\nfitting = " + profile + "\nstartup_ms = 100\nready_ms = 0\n").constData());
    std::optional<SimulatedTime> time;
    if (!realTime)
        time.emplace(env.sim.api, 1);
    StartedWindow window(env);
    QVERIFY2(window.strStartError.empty(), window.strStartError.c_str());
    window.PressNext();
    CNexaroDlg& dlg = window.dlg;
    QCOMPARE(dlg.Session().ProductType(), productType);
    QVERIFY(!dlg.m_dlgProgress->isVisible());

    // Every tab shows its page.
    auto* pTabs = window.Child<QTabBar>(1079);
    const char* const pages[3] = {"InfoGeneric", kConfigurationPage[productType], "GenericDiagnostics"};
    for (int nTab = 2; nTab >= 0; --nTab) {
        pTabs->setCurrentIndex(nTab);
        QCOMPARE(QString::fromStdString(dlg.m_Pages.GetCurrent()->GetName()), QString::fromUtf8(pages[nTab]));
    }
    pTabs->setCurrentIndex(1);
    auto* pPage = qobject_cast<CSettingsPage*>(dlg.m_Pages.GetCurrent()->GetWnd());
    QVERIFY(pPage != nullptr);

    // Change, write with restart; the fitting holds it and every row its sum.
    const std::vector<unsigned char> before = Eeprom(env.sim);
    QVERIFY(ChangeASetting(*pPage));
    VSimFittingState state{};
    env.sim.api.GetFittingState(0, &state);
    const int nRestarts = state.restarts;
    pPage->WriteToTarget();
    env.sim.api.GetFittingState(0, &state);
    QCOMPARE(state.restarts, nRestarts + 1);
    QVERIFY(Eeprom(env.sim) != before);
    QVERIFY(EveryRowSumHolds(env.sim));

    // Save, in the other language.
    dlg.findChild<QAction*>(QStringLiteral("id1073"))->trigger();
    QCOMPARE(static_cast<int>(g_nLanguage), kLanguageEnglish);
    const QString path = QDir(env.Path()).filePath(QStringLiteral("settings.xml"));
    pPage->m_chooseSaveFile = [&path] { return path; };
    dlg.findChild<QAction*>(QStringLiteral("id1058"))->trigger();
    QVERIFY(QFile::exists(path));
    const std::vector<unsigned char> written = Eeprom(env.sim);

    // Another unit of the same product: the connection dialog tells; the
    // file goes into it and is written.
    env.sim.api.UnplugFitting(0);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_nConnState, kConnectionNoFitting, 4000);
    dlg.m_dlgConnectionInformation->findChild<QPushButton*>(QStringLiteral("id1139"))->click(); // "connection lost" seen
    QCOMPARE(env.sim.api.PlugFitting(0, profile.constData()), VSIM_OK);
    QCOMPARE(env.sim.api.SetSerialNumber(0, "000000000077"), VSIM_OK);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_nConnState, kConnectionOtherUnit, 4000);
    // The connection dialog tells of the new unit; Close hands the window back.
    QTRY_VERIFY(dlg.m_dlgConnectionInformation->isVisible());
    dlg.m_dlgConnectionInformation->findChild<QPushButton*>(QStringLiteral("id1139"))->click();
    QVERIFY(dlg.isEnabled());
    dlg.m_chooseOpenFile = [&path] { return path; };
    AnswerMessageBox(QMessageBox::Yes); // override the settings in force
    dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    pPage->WriteToTarget();
    QVERIFY(EveryRowSumHolds(env.sim));
    // The new unit holds what the first one was given, but for its serial
    // number's row.
    std::vector<unsigned char> second = Eeprom(env.sim);
    std::vector<unsigned char> first = written;
    for (std::size_t i = 0x10; i < 0x20; ++i)
        first[i] = second[i] = 0;
    QVERIFY(first == second);

    // Pulled in the middle of a write: the message says so; no row is left
    // with a wrong sum.
    ChangeASetting(*pPage);
    VSimFault pulled{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, 12, 0, 0, 0, nullptr, nullptr, 2, 0, 0};
    env.sim.api.AddFault(0, &pulled);
    QString error;
    AnswerMessageBox(QMessageBox::Ok, &error);
    pPage->WriteToTarget();
    QTRY_VERIFY(!error.isEmpty());
    QVERIFY2(error.contains(QStringLiteral("Timeout")), qPrintable(error));
    QVERIFY(EveryRowSumHolds(env.sim));
    QVERIFY(!dlg.m_dlgProgress->isVisible());
}

QTEST_MAIN(AcceptanceTest)
#include "test_acceptance.moc"
