// Following the bus: the Next read into the work view, the information and
// diagnostics pages, the connection states in the work view, Open and Save.

#include "AmbraAddresses.h"
#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgProgress.h"
#include "app/FittingJobOwner.h"
#include "app/NexaroDlg.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "app/pages/DlgInfoGeneric.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

namespace {

// "eeprom 0x.. = bytes" lines of a scenario.
std::string EepromLine(unsigned nAddress, const char* szBytes)
{
    char szLine[96];
    std::snprintf(szLine, sizeof szLine, "eeprom 0x%X = %s\n", nAddress, szBytes);
    return szLine;
}

// Every frame goes unanswered while it lives: the connection monitor sees
// no fitting, as if it had been pulled, without the adapter going away.
class SilentLine {
public:
    explicit SilentLine(CSimulatorLibrary& sim) : m_sim(sim)
    {
        const VSimFault silence{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
        m_sim.api.AddFault(0, &silence);
    }
    ~SilentLine() { m_sim.api.ClearFaults(); }

private:
    CSimulatorLibrary& m_sim;
};

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void nextReadFillsTheWorkView();
    void informationPageShowsTheCounters();
    void diagnosticsShowTheStoredErrors_data();
    void diagnosticsShowTheStoredErrors();
    void clearingTheHistoryIsHonest();
    void valveButtonSwitchesByHand();
    void aLostFittingLocksTheConfigurationTab();
    void tabsStayLockedUntilAKnownUnitAnswers_data();
    void tabsStayLockedUntilAKnownUnitAnswers();
    void diagnosticsSayNothingIsKnownUntilRead_data();
    void diagnosticsSayNothingIsKnownUntilRead();
    void pageButtonsFollowTheFittingLock();
    void anInformationReadCutHalfwayKeepsWhatItRead();
    void aNextReadThatFailsLeavesTheWindowUsable();
    void openWithAnUnknownArticleKeepsTheProduct();
    void saveAsWithoutAProductSaysSo();
    void detectionFollowsTheScenarioFile();
};

void WorkflowTest::nextReadFillsTheWorkView()
{
    for (const auto& [nLanguage, szSuffix] : {std::pair{kLanguageGerman, "de"}, std::pair{kLanguageEnglish, "en"}}) {
        AppEnvironment env;
        env.settings->setValue(QStringLiteral("Settings/Language"), nLanguage);
        StartedWindow window(env);
        QVERIFY2(window.strStartError.empty(), window.strStartError.c_str());
        window.PressNext();
        CNexaroDlg& dlg = window.dlg;
        QCOMPARE(dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
        QCOMPARE(dlg.Session().ProductType(), 3);
        QCOMPARE(window.Child<QLabel>(1040)->text(), QStringLiteral("23 030 03 01"));
        QVERIFY(window.Child<QLabel>(1035)->text().startsWith(QStringLiteral("Ambra")));
        QCOMPARE(window.Child<QLabel>(1087)->text(), QStringLiteral("V1.12"));
        QCOMPARE(window.Child<QLabel>(1089)->text(), QStringLiteral("V1.03"));
        QCOMPARE(window.Child<QLabel>(1085)->text(), QStringLiteral("000003012301"));
        QCOMPARE(window.Child<QLabel>(1083)->text(), QStringLiteral("2024.05.17"));
        QVERIFY(dlg.Canvas().m_bPictureLoaded);
        QCOMPARE(window.Child(1020)->isVisible(), dlg.Canvas().m_dPictureAspect == 1.0);
        QCOMPARE(window.Child(1004)->isVisible(), dlg.Canvas().m_dPictureAspect != 1.0);
        // Both pages read behind the one progress dialog, hidden at the end.
        QVERIFY(!dlg.m_dlgProgress->isVisible());
        QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1047)->text(), QStringLiteral("5678"));
        QCOMPARE(!window.PageChild<QLabel>("GenericDiagnostics", 1106)->isHidden(), true); // three stored errors
        SaveScreenshot(dlg, QStringLiteral("work_view_information_%1").arg(QString::fromUtf8(szSuffix)));
        window.Child<QTabBar>(1079)->setCurrentIndex(2);
        QTRY_COMPARE_WITH_TIMEOUT(window.PageChild<QLabel>("GenericDiagnostics", 1100)->text(),
                                  nLanguage == kLanguageEnglish ? QStringLiteral("Closed") : QStringLiteral("Geschlossen"), 3000);
        SaveScreenshot(dlg, QStringLiteral("work_view_diagnostics_%1").arg(QString::fromUtf8(szSuffix)));
    }
}

void WorkflowTest::informationPageShowsTheCounters()
{
    // Switch counts A 1000 (E8 03 00) and B 234 (EA 00 00); a date 15.03.2024;
    // a placement of ten letters ended by 0xFF, then five; an empty installer.
    const std::string scenario = "[adapter]\nfitting = Ambra\n" + EepromLine(kSwitchCountA, "E8 03 00") +
                                 EepromLine(kSwitchCountB, "EA 00 00") + EepromLine(kInstallationDate, "24 03 15") +
                                 EepromLine(kPlacement1, "41 42 43 44 45 46 47 48 49 4A FF") +
                                 EepromLine(kPlacement2, "4B 4C 4D 4E 4F 00") + EepromLine(kInstaller, "00 41");
    AppEnvironment env(scenario.c_str());
    StartedWindow window(env);
    window.PressNext();
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1059)->text(), QStringLiteral("12340"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1094)->text(), QStringLiteral("15.03.2024"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1099)->text(), QStringLiteral("ABCDEFGHIJKLMNO"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1096)->text(), QString());
}

void WorkflowTest::diagnosticsShowTheStoredErrors_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shownLines");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("three") << 3 << 3;
    QTest::newRow("seven") << 7 << 5;
}

void WorkflowTest::diagnosticsShowTheStoredErrors()
{
    QFETCH(int, count);
    QFETCH(int, shownLines);
    char szCount[8];
    std::snprintf(szCount, sizeof szCount, "%02X", count);
    const std::string scenario = "[adapter]\nfitting = Ambra\n" + EepromLine(kErrorCount, szCount);
    AppEnvironment env(scenario.c_str());
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    for (int i = 0; i < 5; ++i)
        QCOMPARE(!window.PageChild("GenericDiagnostics", 1104 + i)->isHidden(), i < shownLines);
    QCOMPARE(window.PageChild<QPushButton>("GenericDiagnostics", 1115)->isEnabled(), count != 0);
    if (count == 0)
        QCOMPARE(window.PageChild<QLabel>("GenericDiagnostics", 1104)->text(), QStringLiteral("No entry"));
}

void WorkflowTest::clearingTheHistoryIsHonest()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    auto* pPage = window.dlg.findChild<CDlgDiagnosticGeneric*>();
    // The row read before the third entry's write is garbled on both attempts.
    VSimFault fault{VSIM_FAULT_BAD_CHECKSUM, VSIM_TRIGGER_COMMAND, 11, 2, 0, 0, nullptr, nullptr, 4, 0, 0};
    std::string strIgnored;
    window.link.StopConnectionMonitor(strIgnored); // its reads would count too
    env.sim.api.AddFault(0, &fault);
    QString question;
    QString error;
    AnswerMessageBox(QMessageBox::Yes, &question);
    QTimer::singleShot(300, [&] { AnswerMessageBox(QMessageBox::Ok, &error); });
    pPage->ClearHistory();
    QCOMPARE(question, QStringLiteral("Do you want to reset the error history?"));
    QTRY_VERIFY(!error.isEmpty());
    QVERIFY2(error.contains(QStringLiteral("checksum")), qPrintable(error));
    QCOMPARE(pPage->History().byCount, 0);
    QVERIFY(pPage->History().abyEntries[2] != 0); // the entry that survived is shown
    unsigned char entry = 0;
    env.sim.api.ReadEeprom(0, kError3, &entry, 1);
    QCOMPARE(static_cast<int>(pPage->History().abyEntries[2]), static_cast<int>(entry));

    env.sim.api.ClearFaults();
    AnswerMessageBox(QMessageBox::Yes);
    pPage->ClearHistory();
    QCOMPARE(pPage->History().abyEntries, (std::array<BYTE, 5>{}));
    QCOMPARE(window.PageChild<QLabel>("GenericDiagnostics", 1104)->text(), QStringLiteral("No entry"));
}

void WorkflowTest::valveButtonSwitchesByHand()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(2);
    auto* pButton = window.PageChild<QPushButton>("GenericDiagnostics", 1102);
    pButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.findChild<CDlgDiagnosticGeneric*>()->ValveState(), 2, 3000); // the monitor reports it
    VSimFittingState state{};
    env.sim.api.GetFittingState(0, &state);
    QCOMPARE(state.valveOpen, 1);
    env.sim.api.ClearTrace();
    pButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.findChild<CDlgDiagnosticGeneric*>()->ValveState(), 1, 3000);
    bool bCloseSent = false;
    for (int i = 0; i < env.sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        env.sim.api.GetTraceFrame(i, &frame);
        bCloseSent |= frame.direction == VSIM_DIR_TO_FITTING && frame.bytes[3] == 0x02 && frame.bytes[4] == 0x01 && frame.bytes[5] == 0x00;
    }
    QVERIFY(bCloseSent);
}

void WorkflowTest::aLostFittingLocksTheConfigurationTab()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    auto* pTabs = window.Child<QTabBar>(1079);
    QVERIFY(pTabs->isEnabled());
    env.sim.api.UnplugFitting(0);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionNoFitting, 4000);
    QCOMPARE(pTabs->currentIndex(), 1);
    QVERIFY(!pTabs->isEnabled());
    env.sim.api.PlugFitting(0, "Ambra");
    QTRY_VERIFY_WITH_TIMEOUT(window.dlg.m_nConnState == kConnectionKnownFitting || window.dlg.m_nConnState == kConnectionOtherUnit, 4000);
    QVERIFY(pTabs->isEnabled());
    QCOMPARE(pTabs->currentIndex(), 1); // the tab stays
}

void WorkflowTest::tabsStayLockedUntilAKnownUnitAnswers_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("lockedState");
    QTest::newRow("unknown fitting") << QStringLiteral("Unknown") << kConnectionUnknownFitting;
    QTest::newRow("other product") << QStringLiteral("Tarvo") << kConnectionOtherProduct;
}

void WorkflowTest::tabsStayLockedUntilAKnownUnitAnswers()
{
    QFETCH(QString, profile);
    QFETCH(int, lockedState);
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    auto* pTabs = window.Child<CColorTabCtrl>(1079);
    pTabs->setCurrentIndex(2);
    // Each exchange happens while the line is silent, so the monitor
    // identifies the unit that answers afterwards.
    const auto exchange = [&](const char* szProfile, const char* szSerial, int nState) {
        {
            const SilentLine silence(env.sim);
            QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionNoFitting, 4000);
            QCOMPARE(env.sim.api.ExchangeFitting(0, szProfile, szSerial), VSIM_OK);
        }
        QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, nState, 4000);
    };
    exchange(profile.toUtf8().constData(), nullptr, lockedState);
    QVERIFY(!pTabs->isEnabled());
    QCOMPARE(pTabs->currentIndex(), 1); // locked on the configuration
    exchange("Ambra", "0000000000A2", kConnectionOtherUnit);
    QVERIFY(pTabs->IsTabsEnabled());
    QCOMPARE(pTabs->currentIndex(), 1);
    // The connection dialog asks about the other unit; closed, the window is free.
    CDlgConnectionInformation* pDialog = window.dlg.m_dlgConnectionInformation;
    QTRY_VERIFY(pDialog->isVisible());
    pDialog->CloseDialog();
    QVERIFY(pTabs->isEnabled());
    pTabs->setCurrentIndex(2);
    QVERIFY(!window.dlg.findChild<QWidget*>(QStringLiteral("GenericDiagnostics"))->isHidden());
}

void WorkflowTest::diagnosticsSayNothingIsKnownUntilRead_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("nothingKnown");
    QTest::newRow("German") << kLanguageGerman << QStringLiteral("Kein Fehler bekannt");
    QTest::newRow("English") << kLanguageEnglish << QStringLiteral("No error known");
}

void WorkflowTest::diagnosticsSayNothingIsKnownUntilRead()
{
    QFETCH(int, language);
    QFETCH(QString, nothingKnown);
    AppEnvironment env; // three stored errors
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    const auto firstLine = [&window] { return window.PageChild<QLabel>("GenericDiagnostics", 1104)->text(); };
    QCOMPARE(firstLine(), nothingKnown);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QVERIFY(firstLine() != nothingKnown);
    QVERIFY(!window.PageChild("GenericDiagnostics", 1106)->isHidden());
    // A file opened: what was read belonged to the fitting, not to the file.
    const QString path = WriteFaucetFile(env.Path(), "230300301");
    window.dlg.m_chooseOpenFile = [&path] { return path; };
    AnswerMessageBox(QMessageBox::Yes);
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(firstLine(), nothingKnown);
    for (int nId : {1105, 1106, 1107, 1108})
        QVERIFY(window.PageChild("GenericDiagnostics", nId)->isHidden());
}

void WorkflowTest::pageButtonsFollowTheFittingLock()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    const QList<QPushButton*> buttons = {window.PageChild<QPushButton>("InfoGeneric", 1081),
                                         window.PageChild<QPushButton>("GenericDiagnostics", 1115),
                                         window.PageChild<QPushButton>("GenericDiagnostics", 1117),
                                         window.PageChild<QPushButton>("GenericDiagnostics", 1102)};
    for (const bool bEnable : {false, true}) {
        window.dlg.EnableFittingOperations(bEnable);
        for (QPushButton* pButton : buttons)
            QVERIFY2(pButton->isEnabled() == bEnable, qPrintable(pButton->objectName()));
    }
    // A locked button starts nothing.
    window.dlg.EnableFittingOperations(false);
    int nJobs = 0;
    connect(&window.dlg.Jobs(), &CFittingJobOwner::JobStarted, [&nJobs] { ++nJobs; });
    for (QPushButton* pButton : buttons)
        QTest::mouseClick(pButton, Qt::LeftButton);
    QCOMPARE(nJobs, 0);
}

void WorkflowTest::anInformationReadCutHalfwayKeepsWhatItRead()
{
    const std::string scenario = "[adapter]\nfitting = Ambra\n" + EepromLine(kHoursTotal, "0A 00")
                                 + EepromLine(kPlacement1, "41 42 43 FF") + EepromLine(kPlacement2, "00");
    AppEnvironment env(scenario.c_str());
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1047)->text(), QStringLiteral("10"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1099)->text(), QStringLiteral("ABC"));
    // New hours; the placement's row no longer answers.
    const unsigned char abyHours[2] = {0x14, 0x00};
    env.sim.api.WriteEeprom(0, kHoursTotal, abyHours, 2);
    env.sim.api.FixRowSums(0);
    const VSimFault silent{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, kPlacement1, 1};
    env.sim.api.AddFault(0, &silent);
    const MessageBoxWatch watch;
    window.PageChild<QPushButton>("InfoGeneric", 1081)->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(watch.unexpected.size(), 1); // the failure is reported
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1047)->text(), QStringLiteral("20"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1099)->text(), QStringLiteral("ABC"));
}

void WorkflowTest::aNextReadThatFailsLeavesTheWindowUsable()
{
    AppEnvironment env;
    // The identification succeeds; the information page's first read does not.
    const VSimFault silent{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, kHoursTotal, 1};
    env.sim.api.AddFault(0, &silent);
    StartedWindow window(env);
    const MessageBoxWatch watch;
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QVERIFY(!watch.unexpected.isEmpty());
    QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
    QVERIFY(!window.dlg.m_dlgProgress->isVisible());
    QVERIFY(window.dlg.isEnabled());
    QVERIFY(window.Child<QTabBar>(1079)->isEnabled());
    // Usable: a second read succeeds once the fitting answers.
    env.sim.api.ClearFaults();
    window.PageChild<QPushButton>("InfoGeneric", 1081)->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(watch.unexpected.size(), 1);
    QVERIFY(!window.PageChild<QLabel>("InfoGeneric", 1047)->text().isEmpty());
}

void WorkflowTest::openWithAnUnknownArticleKeepsTheProduct()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    auto* pMaxRuntime = window.PageChild<QLineEdit>("Ambra", 1150);
    const QString shown = pMaxRuntime->text();
    const QString path = WriteFaucetFile(env.Path(), "239999999");
    window.dlg.m_chooseOpenFile = [&path] { return path; };
    const MessageBoxWatch watch(QStringLiteral("Do you want to override the current settings?"));
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(watch.unexpected.size(), 1);
    QVERIFY2(watch.unexpected.front().contains(QStringLiteral("23 999 99 99")), qPrintable(watch.unexpected.front()));
    QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), std::string("230300301"));
    QCOMPARE(window.dlg.Session().ProductType(), 3);
    QCOMPARE(pMaxRuntime->text(), shown);
}

void WorkflowTest::saveAsWithoutAProductSaysSo()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    window.dlg.findChild<QAction*>(QStringLiteral("id1058"))->trigger();
    QVERIFY2(text.startsWith(QStringLiteral("Can't save the settings.")), qPrintable(text));
}

void WorkflowTest::detectionFollowsTheScenarioFile()
{
    AppEnvironment env;
    const QString path = QDir(env.Path()).filePath(QStringLiteral("scenario.txt"));
    const auto writeScenario = [&path](const char* szFitting) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("time_scale = 0\n[adapter]\nserial = VB1\nfitting = ") + szFitting + "\n");
    };
    writeScenario("Ambra");
    QCOMPARE(env.sim.api.LoadScenarioFile(path.toUtf8().constData()), VSIM_OK);
    StartedWindow window(env);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionKnownFitting, 3000);
    // Each change shows within two monitor cycles (750 ms each). A fitting
    // is identified when it appears, so another one follows a gap.
    for (const auto& [szFitting, nState] : {std::pair{"none", kConnectionNoFitting}, std::pair{"Unknown", kConnectionUnknownFitting},
                                            std::pair{"none", kConnectionNoFitting}, std::pair{"Ambra", kConnectionKnownFitting}}) {
        writeScenario(szFitting);
        QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, nState, 1500 + 300);
    }
    QCOMPARE(window.Child<QLabel>(1045)->text(), QStringLiteral("Ambra Waschtischarmatur"));
}

QTEST_MAIN(WorkflowTest)
#include "test_workflow.moc"
