// The basin faucet page in the window: variants, the live check with its
// marker, "+" and "-", read, write with restart, save and open.

#include "AmbraAddresses.h"
#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgKeyPad.h"
#include "app/DlgProgress.h"
#include "app/pages/DlgAmbra.h"
#include "common/Language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

class FaucetPageTest : public QObject {
    Q_OBJECT
private slots:
    void variantsShowTheirGroups_data();
    void variantsShowTheirGroups();
    void liveCheckMarksAndTheMarkerTells();
    void plusAndMinusKeepTheLimits();
    void tabFollowsTheRowsAndKeysStep();
    void cursorOnlyWithTheFocus();
    void writeRestartsAndTheFittingHoldsTheValues();
    void writeWithAnotherProductSendsNothing();
    void saveAndOpenRoundTrip();
    void openAsksBeforeOverriding();
    void keyPadOpensInTheOtherHalf();
};

void FaucetPageTest::variantsShowTheirGroups_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("rangeShown");
    QTest::addColumn<bool>("thermalShown");
    QTest::addColumn<QString>("runtimeLabel");
    QTest::newRow("Ambra_de") << QByteArray("Ambra") << kLanguageGerman << true << true << QStringLiteral("Nachlaufzeit [ms]:");
    QTest::newRow("Ambra_en") << QByteArray("Ambra") << kLanguageEnglish << true << true << QStringLiteral("Post runtime [ms]:");
    QTest::newRow("Pelio_de") << QByteArray("Pelio") << kLanguageGerman << false << true << QStringLiteral("Laufzeit [s]:");
    QTest::newRow("Pelio_en") << QByteArray("Pelio") << kLanguageEnglish << false << true << QStringLiteral("Runtime [s]:");
    QTest::newRow("Culina_de") << QByteArray("Culina") << kLanguageGerman << false << false << QStringLiteral("Laufzeit [s]:");
    QTest::newRow("Culina_en") << QByteArray("Culina") << kLanguageEnglish << false << false << QStringLiteral("Runtime [s]:");
}

void FaucetPageTest::variantsShowTheirGroups()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, language);
    QFETCH(bool, rangeShown);
    QFETCH(bool, thermalShown);
    QFETCH(QString, runtimeLabel);
    AppEnvironment env(("[adapter]\nfitting = " + profile + "\n").constData());
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    QCOMPARE(!window.PageChild("Ambra", 1173)->isHidden(), rangeShown);
    QCOMPARE(!window.PageChild("Ambra", 1150)->isHidden(), rangeShown); // the maximum runtime
    QCOMPARE(!window.PageChild("Ambra", 1199)->isHidden(), thermalShown);
    QCOMPARE(!window.PageChild("Ambra", 1180)->isHidden(), true); // power saving in every variant
    QCOMPARE(window.PageChild<QLabel>("Ambra", 1213)->text(), runtimeLabel);
    QVERIFY(!window.PageChild<QLineEdit>("Ambra", 1210)->text().isEmpty()); // read from the fitting
    QVERIFY(window.PageChild("Ambra", 1210)->toolTip().contains(QStringLiteral(")...(")));
    SaveScreenshot(window.dlg, QStringLiteral("faucet_page_%1").arg(QString::fromUtf8(QTest::currentDataTag()).toLower()));
}

void FaucetPageTest::liveCheckMarksAndTheMarkerTells()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    auto* pPage = window.dlg.findChild<CDlgAmbra*>();
    auto* pEdit = window.PageChild<QLineEdit>("Ambra", 1210); // post runtime, 0 to 3000, five characters
    pEdit->setText(QStringLiteral("26abc"));
    QVERIFY(pPage->IsMarked("Runtime"));
    pEdit->setText(QStringLiteral("0x1A"));
    QVERIFY(!pPage->IsMarked("Runtime"));
    pEdit->setText(QStringLiteral("  "));
    QVERIFY(pPage->IsMarked("Runtime"));
    pEdit->setText(QStringLiteral("3001"));
    QVERIFY(pPage->IsMarked("Runtime"));
    // A click on the marker shows the range.
    const QRect minus = window.PageChild("Ambra", 1212)->geometry();
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    QTest::mouseClick(pPage, Qt::LeftButton, Qt::NoModifier, QPoint(minus.right() + 1 + 6 + 3, minus.top() + 8));
    QTRY_VERIFY2(text.startsWith(QStringLiteral("The value of \"Post runtime [ms]\" in \"Runtime\" is not valid. Enter a valid value in the range from (")),
                 qPrintable(text));
    // Writing refuses it, tells why and gives the edit the focus back.
    env.sim.api.ClearTrace();
    QString refusal;
    AnswerMessageBox(QMessageBox::Ok, &refusal);
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_VERIFY2(refusal.startsWith(QStringLiteral("The value of \"Post runtime [ms]\" in \"Runtime\" is not valid. Enter a valid value")),
                 qPrintable(refusal));
    QTRY_COMPARE(window.dlg.focusWidget(), static_cast<QWidget*>(pEdit));
}

void FaucetPageTest::plusAndMinusKeepTheLimits()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    auto* pEdit = window.PageChild<QLineEdit>("Ambra", 1150);
    auto* pPlus = window.PageChild<QPushButton>("Ambra", 1152);
    auto* pMinus = window.PageChild<QPushButton>("Ambra", 1154);
    pEdit->setText(QStringLiteral("999"));
    pMinus->click(); // above the maximum: the maximum
    const int nMax = pEdit->text().toInt();
    QVERIFY(nMax < 999);
    pPlus->click();
    QCOMPARE(pEdit->text().toInt(), nMax);
    pMinus->click();
    QCOMPARE(pEdit->text().toInt(), nMax - 1);
    pEdit->setText(QStringLiteral("x"));
    pPlus->click(); // a beep, nothing changes
    QCOMPARE(pEdit->text(), QStringLiteral("x"));
}

// The id of the control that holds the focus (a combo box's edit counts as
// the combo box).
QString FocusedControl()
{
    for (QWidget* pWidget = QApplication::focusWidget(); pWidget != nullptr; pWidget = pWidget->parentWidget())
        if (pWidget->objectName().startsWith(QStringLiteral("id")))
            return pWidget->objectName();
    return {};
}

// Tab goes down the left column's rows, then the right one's, skipping
// "+" and "-" and what is switched off; their keys step the edit instead.
void FaucetPageTest::tabFollowsTheRowsAndKeysStep()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    window.dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.dlg));
    QVERIFY(!window.PageChild("Ambra", 1180)->isEnabled()); // power saving is off
    // Installation row; manual programming; range; runtime; stagnation;
    // the switches of the right column; the buttons.
    const QStringList expected{"id1220", "id1219", "id1194", "id1144", "id1173", "id1150", "id1210", "id1157", "id1159",
                               "id1165", "id1161", "id1188", "id1203", "id1209", "id1195", "id1168", "id1169", "id1170"};
    window.PageChild("Ambra", 1220)->setFocus(Qt::TabFocusReason);
    QStringList visited{FocusedControl()};
    while (visited.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << FocusedControl();
    }
    QCOMPARE(visited, expected);

    auto* pEdit = window.PageChild<QLineEdit>("Ambra", 1150);
    pEdit->setFocus(Qt::TabFocusReason);
    pEdit->setText(QStringLiteral("30"));
    QTest::keyClick(pEdit, Qt::Key_Plus);
    QCOMPARE(pEdit->text(), QStringLiteral("31"));
    QTest::keyClick(pEdit, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(pEdit, Qt::Key_Minus);
    QCOMPARE(pEdit->text(), QStringLiteral("29"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(pEdit));
}

// True when the edit draws its text cursor: it looks different read-only,
// which draws none.
bool CursorDrawn(QLineEdit* pEdit)
{
    const QImage shown = pEdit->grab().toImage();
    const bool bReadOnly = pEdit->isReadOnly();
    pEdit->setReadOnly(true);
    const QImage plain = pEdit->grab().toImage();
    pEdit->setReadOnly(bReadOnly);
    return shown != plain;
}

// Only the edit with the focus draws a cursor, also when the key pad opens
// for it (and takes the window's focus) and after it closed.
void FaucetPageTest::cursorOnlyWithTheFocus()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    window.dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.dlg));
    auto* pEdit = window.PageChild<QLineEdit>("Ambra", 1150);
    auto* pOther = window.PageChild<QLineEdit>("Ambra", 1210);
    pEdit->setFocus(Qt::TabFocusReason);
    QVERIFY(CursorDrawn(pEdit));
    QVERIFY(!CursorDrawn(pOther));
    g_bShowKeyPad = 1;
    pOther->setFocus(Qt::MouseFocusReason);
    g_bShowKeyPad = 0;
    QVERIFY(window.dlg.m_dlgKeyPad->isVisible());
    QVERIFY(!pOther->hasFocus());
    QVERIFY(!CursorDrawn(pOther));
    QVERIFY(!CursorDrawn(pEdit));
    QMetaObject::invokeMethod(window.dlg.m_dlgKeyPad, "reject");
    QVERIFY(window.dlg.isEnabled());
    QVERIFY(!CursorDrawn(pOther));
}

void FaucetPageTest::writeRestartsAndTheFittingHoldsTheValues()
{
    AppEnvironment env("[adapter]\nfitting = Ambra\nstartup_ms = 100\nready_ms = 0\n");
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    window.PageChild<QLineEdit>("Ambra", 1210)->setText(QStringLiteral("2500"));
    window.PageChild<QCheckBox>("Ambra", 1203)->setChecked(false);
    window.PageChild<QComboBox>("Ambra", 1220)->setEditText(QStringLiteral("ABCDE"));
    VSimFittingState before{};
    env.sim.api.GetFittingState(0, &before);
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 42u);
    QCOMPARE(EepromValue(env.sim, kRuntime, 2), 2500u);
    QCOMPARE(EepromValue(env.sim, kThermalDisinfectionMode, 1), 0u);
    QCOMPARE(EepromValue(env.sim, kInstaller, 1), static_cast<unsigned>('A'));
    QVERIFY(EveryRowSumHolds(env.sim));
    VSimFittingState after{};
    env.sim.api.GetFittingState(0, &after);
    QCOMPARE(after.restarts, before.restarts + 1);
    QVERIFY(!window.dlg.m_dlgProgress->isVisible());
    QCOMPARE(env.settings->value(QStringLiteral("Installer/InstallerLast")).toString(), QStringLiteral("ABCDE"));
    QCOMPARE(window.PageChild<QLabel>("InfoGeneric", 1096)->text(), QStringLiteral("ABCDE"));
}

void FaucetPageTest::writeWithAnotherProductSendsNothing()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    std::string strIgnored;
    window.link.StopConnectionMonitor(strIgnored);
    env.sim.api.ExchangeFitting(0, "Pelio", nullptr);
    env.sim.api.ClearTrace();
    QString error;
    AnswerMessageBox(QMessageBox::Ok, &error);
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_VERIFY(error.contains(QStringLiteral("is not equal to the")));
    for (int i = 0; i < env.sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        env.sim.api.GetTraceFrame(i, &frame);
        QVERIFY(!(frame.direction == VSIM_DIR_TO_FITTING && (frame.bytes[3] == 0x0B || frame.bytes[3] == 0x0D))); // no EEPROM write
    }
}

void FaucetPageTest::saveAndOpenRoundTrip()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.PressNext();
    auto* pPage = window.dlg.findChild<CDlgAmbra*>();
    const QString path = QDir(env.Path()).filePath(QStringLiteral("faucet.xml"));
    pPage->m_chooseSaveFile = [&path] { return path; };
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("33"));
    window.PageChild<QComboBox>("Ambra", 1219)->setEditText(QStringLiteral("Ward 7"));
    window.dlg.findChild<QAction*>(QStringLiteral("id1058"))->trigger();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.contains("<Maxruntime>33</Maxruntime>"), bytes.constData());
    QVERIFY2(bytes.contains("Ward 7"), bytes.constData());
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>"));

    // Open takes the file's values into the controls.
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("12"));
    std::string strError;
    QCOMPARE(window.dlg.Session().LoadedFile().ReadConfigurationFile(path.toStdString(), strError), 0);
    CWindowMessage loaded(kWmConfigurationLoaded, 0, 0);
    QCoreApplication::sendEvent(pPage, &loaded);
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1150)->text(), QStringLiteral("33"));
    QCOMPARE(window.PageChild<QComboBox>("Ambra", 1219)->currentText(), QStringLiteral("Ward 7"));
}

void FaucetPageTest::openAsksBeforeOverriding()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    const QString path = QDir(env.Path()).filePath(QStringLiteral("saved.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file><ArticleNumber>230300301</ArticleNumber><ConfigSheet>Ambra</ConfigSheet>"
               "<Settings><StartupProgramming>1</StartupProgramming><LEDCurrentOff>2</LEDCurrentOff><Maxruntime>77</Maxruntime>"
               "<Runtime>900</Runtime><StagnationMode>1</StagnationMode><StagnationRuntime>30</StagnationRuntime>"
               "<StagnationCycleTime>24</StagnationCycleTime><PowerSavingMode>0</PowerSavingMode><PowerSavingTimeout>1</PowerSavingTimeout>"
               "<Installer>Fa. Muster</Installer><InstallLocation>Ward 7</InstallLocation></Settings></file>\n");
    file.close();
    window.dlg.m_chooseOpenFile = [&path] { return path; };
    // No product in force: no question; the work view opens with the file's values.
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1150)->text(), QStringLiteral("77"));
    QCOMPARE(window.PageChild<QComboBox>("Ambra", 1220)->currentText(), QStringLiteral("Fa. Muster"));
    // With a product in force it asks; No keeps the controls.
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("55"));
    QString question;
    AnswerMessageBox(QMessageBox::No, &question);
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(question, QStringLiteral("Do you want to override the current settings?"));
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1150)->text(), QStringLiteral("55"));
    AnswerMessageBox(QMessageBox::Yes);
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1150)->text(), QStringLiteral("77"));
}

void FaucetPageTest::keyPadOpensInTheOtherHalf()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/KeyPad"), 1);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    auto* pPage = window.dlg.findChild<CDlgAmbra*>();
    auto* pEdit = window.PageChild<QLineEdit>("Ambra", 1150); // left column
    pEdit->clear();
    pPage->ShowKeyPad(1150);
    CDlgKeyPad* pPad = window.dlg.m_dlgKeyPad;
    QVERIFY(pPad->isVisible());
    QVERIFY(!window.dlg.isEnabled());
    QVERIFY(pPad->geometry().center().x() > window.dlg.geometry().center().x()); // the right half
    SaveScreenshot(*pPad, QStringLiteral("key_pad"));
    pPad->findChild<QPushButton*>(QStringLiteral("id1243"))->click(); // "2"
    pPad->findChild<QPushButton*>(QStringLiteral("id1251"))->click(); // "0"
    pPad->findChild<QPushButton*>(QStringLiteral("id1253"))->click(); // OK
    QCOMPARE(pEdit->text(), QStringLiteral("20"));
    QVERIFY(window.dlg.isEnabled());
    QVERIFY(!pPad->isVisible());
    pPage->ShowKeyPad(1180); // right column: the pad opens on the left
    QVERIFY(pPad->geometry().center().x() < window.dlg.geometry().center().x());
    pPad->findChild<QPushButton*>(QStringLiteral("id1253"))->click();
}

QTEST_MAIN(FaucetPageTest)
#include "test_faucetpage.moc"
