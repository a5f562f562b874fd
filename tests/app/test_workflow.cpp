// Following the bus: the Next read into the work view, the information and
// diagnostics pages, the connection states in the work view, Open and Save.

#include "AmbraAddresses.h"
#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgProgress.h"
#include "app/NexaroDlg.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "app/pages/DlgInfoGeneric.h"
#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QDir>
#include <QFile>
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
