// The main window: start, settings, views, menus and language, tabs, the
// close sequence and the services for the pages.

#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgAbout.h"
#include "app/DlgInfoState.h"
#include "app/DlgProgress.h"
#include "app/NexaroDlg.h"
#include "app/PageTable.h"
#include "app/RecentNames.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

#include <thread>

namespace {

// A window as the program starts it, on its own settings and bus.

template <class T = QWidget>
T* Child(QWidget& parent, int nId)
{
    return parent.findChild<T*>(QStringLiteral("id%1").arg(nId));
}

// A mouse move over the widget, through the application as the platform's would.
void MoveMouse(QWidget* pWidget, const QPoint& position)
{
    QMouseEvent move(QEvent::MouseMove, position, pWidget->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &move);
}

QStringList MenuTexts(QMenuBar* pMenuBar)
{
    QStringList texts;
    for (QAction* pAction : pMenuBar->findChildren<QAction*>())
        if (!pAction->text().isEmpty())
            texts << pAction->text();
    return texts;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void storedSettingsAreReadWithinTheirRanges_data();
    void storedSettingsAreReadWithinTheirRanges();
    void startCreatesDialogsPagesThenTheRest();
    void serviceModeAddsTheToolsTab();
    void startErrorsAreShownOnce();
    void startViewInBothLanguages();
    void languageSwitchRebuildsMenusAndTellsTheDialogs();
    void loadMenusWithAnUnknownLanguageTakesGerman();
    void viewsShowTheirElements();
    void tabsWithoutAProductShowNoPage();
    void configurationTabShowsThePageOfTheProductType();
    void tooltipsAreCutTo79Characters();
    void hoverOverTheConnectionTextShowsTheStatePanel();
    void statePanelFollowsTheState();
    void recentNamesFollowTheStoredOrder();
    void enterDoesNothingAndEscapeAsks();
    void qtTextsFollowTheLanguage();
    void windowKeepsItsSize();
    void closingSwitchesTheValveOffAndStoresTheSettings();
    void progressTurnsTheHourGlassDuringAJob();
    void heldMessagesAreDeliveredAfterTheJob();
    void aboutWindowIsOneWindow();
};

void MainWindowTest::storedSettingsAreReadWithinTheirRanges_data()
{
    QTest::addColumn<int>("storedLanguage");
    QTest::addColumn<int>("storedKeyPad");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("keyPad");
    QTest::newRow("German") << 1 << 1 << 1 << 1;
    QTest::newRow("English") << 2 << 0 << 2 << 0;
    QTest::newRow("zero") << 0 << -1 << 1 << 0;
    QTest::newRow("three") << 3 << 5 << 1 << 0;
    QTest::newRow("minus one") << -1 << 2 << 1 << 0;
}

void MainWindowTest::storedSettingsAreReadWithinTheirRanges()
{
    QFETCH(int, storedLanguage);
    QFETCH(int, storedKeyPad);
    QFETCH(int, language);
    QFETCH(int, keyPad);
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), storedLanguage);
    env.settings->setValue(QStringLiteral("Settings/KeyPad"), storedKeyPad);
    env.settings->setValue(QStringLiteral("Settings/DontChange"), 12345);
    ReadStoredSettings(*env.settings);
    QCOMPARE(static_cast<int>(g_nLanguage), language);
    QCOMPARE(g_bShowKeyPad, keyPad);
    QCOMPARE(g_nServiceCode, 12345u);
    QVERIFY(!IsServiceMode());
}

void MainWindowTest::startCreatesDialogsPagesThenTheRest()
{
    AppEnvironment env;
    CVelmorTPExt link;
    CNexaroDlg dlg(*env.settings, link);
    QStringList created;
    connect(&dlg, &CNexaroDlg::Created, [&created](const QString& name) { created << name; });
    QVERIFY(StartMainWindow(dlg, *env.settings).empty());
    const QStringList expected = {QStringLiteral("CDlgAbout"),   QStringLiteral("CDlgProgress"),       QStringLiteral("CDlgConnectionInformation"),
                                  QStringLiteral("CDlgKeyPad"),  QStringLiteral("CDlgInfoState"),      QStringLiteral("CDlgServiceHistory"),
                                  QStringLiteral("InfoGeneric"),
                                  QStringLiteral("Ambra"),       QStringLiteral("Urinal"),             QStringLiteral("Tarvo"),
                                  QStringLiteral("TarvoV2"),     QStringLiteral("GenericDiagnostics"), QStringLiteral("CDlgBusconverter"),
                                  QStringLiteral("CDlgNewConfiguration")};
    QCOMPARE(created, expected);
    QCOMPARE(dlg.m_Pages.Dialogs().size(), static_cast<std::size_t>(expected.size() - 8));
}

void MainWindowTest::serviceModeAddsTheToolsTab()
{
    for (const auto& [nCode, nTabs] : {std::pair{0x2B5E1C47u, 4}, std::pair{0x2B5E1C46u, 3}, std::pair{0u, 3}}) {
        AppEnvironment env;
        env.settings->setValue(QStringLiteral("Settings/DontChange"), nCode);
        StartedWindow window(env);
        QVERIFY2(window.strStartError.empty(), window.strStartError.c_str());
        QCOMPARE(Child<QTabBar>(window.dlg, 1079)->count(), nTabs);
    }
}

void MainWindowTest::startErrorsAreShownOnce()
{
    const auto writeDefinition = [](const QDir& config, const char* szFolder, const QByteArray& text) {
        config.mkpath(QString::fromUtf8(szFolder));
        QFile file(config.filePath(QString::fromUtf8(szFolder) + QStringLiteral("/DeviceConfig.xml")));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    QFile shipped(QCoreApplication::applicationDirPath() + QStringLiteral("/Config/Ambra_230300301/DeviceConfig.xml"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray ambra = shipped.readAll();
    struct Case {
        const char* szWhat;
        const char* szExpected;
    };
    for (const Case& c : {Case{"library", "libnothing.so"}, Case{"broken", "DeviceConfig.xml"},
                          Case{"empty", "does not contain at least one product definition"}, Case{"missing", "can't be read"},
                          Case{"twice", "allready known"}}) {
        AppEnvironment env;
        env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
        QTemporaryDir temporary;
        const QDir config(temporary.path());
        const QByteArray what(c.szWhat);
        std::string strConfigPath = config.path().toStdString();
        if (what == "library") {
            qputenv("FLUXA_D2XX_LIBRARY", config.filePath(QStringLiteral("libnothing.so")).toUtf8());
            strConfigPath.clear(); // the shipped definitions
        } else if (what == "broken") {
            QVERIFY(writeDefinition(config, "Broken", "<DeviceConfig><ArticleNumber>1</Article"));
        } else if (what == "missing") {
            strConfigPath = config.filePath(QStringLiteral("nowhere")).toStdString();
        } else if (what == "twice") {
            QVERIFY(writeDefinition(config, "A", ambra) && writeDefinition(config, "B", ambra));
        }
        CVelmorTPExt link;
        CNexaroDlg dlg(*env.settings, link);
        dlg.m_strConfigPath = strConfigPath;
        QString text;
        int nBoxes = 0;
        AnswerMessageBox(QMessageBox::Ok, &text, &nBoxes);
        const std::string strError = StartMainWindow(dlg, *env.settings);
        QTRY_COMPARE(nBoxes, 1);
        QVERIFY2(text.contains(QString::fromUtf8(c.szExpected)), qPrintable(what + ": " + text));
        QCOMPARE(text.toStdString(), strError);
        QVERIFY(dlg.isVisible()); // the window opens all the same
        QCOMPARE(dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kStartView));
        QTest::qWait(50);
        QCOMPARE(nBoxes, 1); // shown once
    }
}

void MainWindowTest::startViewInBothLanguages()
{
    AppEnvironment env("[adapter]\nfitting = none\n");
    for (const auto& [nLanguage, szTitle, szCenter, szName] :
         {std::tuple{kLanguageGerman, "Fluxa USB Programmier- und Diagnosesoftware", "Keine Armatur angeschlossen", "start_view_de"},
          std::tuple{kLanguageEnglish, "Fluxa USB programming and diagnostic software", "No faucet connected", "start_view_en"}}) {
        env.settings->setValue(QStringLiteral("Settings/Language"), nLanguage);
        StartedWindow window(env);
        QVERIFY2(window.strStartError.empty(), window.strStartError.c_str());
        QCOMPARE(window.dlg.windowTitle(), QStringLiteral("Fluxa USB, V2.15"));
        QCOMPARE(Child<QLabel>(window.dlg, 1035)->text(), QString::fromUtf8(szTitle));
        // The monitor finds no fitting within its first cycles.
        QTRY_COMPARE_WITH_TIMEOUT(Child<QLabel>(window.dlg, 1045)->text(), QString::fromUtf8(szCenter), 3000);
        QVERIFY(!Child<QPushButton>(window.dlg, 1053)->isEnabled());
        QVERIFY(window.dlg.Canvas().m_imgLogo.IsValid() && window.dlg.Canvas().m_imgIllustration.IsValid());
        SaveScreenshot(window.dlg, QString::fromUtf8(szName));
    }
}

void MainWindowTest::languageSwitchRebuildsMenusAndTellsTheDialogs()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.m_dlgAbout->ShowAbout();
    for (int nSwitch = 0; nSwitch < 2; ++nSwitch) {
        const bool bEnglish = nSwitch == 0;
        QAction* pChoice = window.dlg.menuBar()->findChild<QAction*>(bEnglish ? QStringLiteral("id1073") : QStringLiteral("id1071"));
        QVERIFY(pChoice != nullptr);
        pChoice->trigger();
        QCOMPARE(static_cast<int>(g_nLanguage), bEnglish ? kLanguageEnglish : kLanguageGerman);
        QMenuBar* pMenuBar = window.dlg.menuBar();
        QCOMPARE(pMenuBar->objectName(), bEnglish ? QStringLiteral("menu108") : QStringLiteral("menu109"));
        QVERIFY(MenuTexts(pMenuBar).contains(bEnglish ? QStringLiteral("Save as ...") : QStringLiteral("Speichern unter ...")));
        QVERIFY(pMenuBar->findChild<QAction*>(QStringLiteral("id1073"))->isChecked() == bEnglish);
        QVERIFY(pMenuBar->findChild<QAction*>(QStringLiteral("id1071"))->isChecked() == !bEnglish);
        QCOMPARE(window.dlg.findChildren<QAction*>(QStringLiteral("id16")).size(), 1); // one "Info about" item
        QCOMPARE(window.dlg.findChild<QAction*>(QStringLiteral("id16"))->text(),
                 bEnglish ? QStringLiteral("Info about Fluxa USB") : QStringLiteral("Info über Fluxa USB"));
        QCOMPARE(window.dlg.m_dlgAbout->windowTitle(), window.dlg.findChild<QAction*>(QStringLiteral("id16"))->text());
        QCOMPARE(Child<QTabBar>(window.dlg, 1079)->tabText(2), bEnglish ? QStringLiteral("Diagnostics") : QStringLiteral("Diagnose"));
    }
    // The key pad item toggles the setting and its check mark.
    window.dlg.menuBar()->findChild<QAction*>(QStringLiteral("id1255"))->trigger();
    QCOMPARE(g_bShowKeyPad, 1);
    QVERIFY(window.dlg.menuBar()->findChild<QAction*>(QStringLiteral("id1255"))->isChecked());
}

void MainWindowTest::loadMenusWithAnUnknownLanguageTakesGerman()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.LoadMenus(5);
    QCOMPARE(static_cast<int>(g_nLanguage), kLanguageGerman);
    QCOMPARE(window.dlg.menuBar()->objectName(), QStringLiteral("menu109"));
    QVERIFY(MenuTexts(window.dlg.menuBar()).contains(QStringLiteral("Beenden")));
}

void MainWindowTest::viewsShowTheirElements()
{
    AppEnvironment env;
    StartedWindow window(env);
    struct Element {
        int nId;
        bool bStartView;
    };
    const Element elements[] = {{1077, false}, {1079, false}, {1042, true}, {1056, false}, {1082, false},
                                {1089, false}, {1053, true},  {1045, true}};
    for (int nMode : {CNexaroDlg::kWorkView, CNexaroDlg::kStartView}) {
        window.dlg.SetViewMode(nMode);
        for (const Element& element : elements)
            QVERIFY2(Child(window.dlg, element.nId)->isVisible() == (element.bStartView == (nMode == CNexaroDlg::kStartView)),
                     qPrintable(QStringLiteral("id%1 in view %2").arg(element.nId).arg(nMode)));
        QCOMPARE(window.dlg.Canvas().m_bShowIllustration, nMode == CNexaroDlg::kStartView ? 1 : 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPushButton>(window.dlg, 1053)->isEnabled(), 3000); // a known fitting answers
}

void MainWindowTest::tabsWithoutAProductShowNoPage()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.SetViewMode(CNexaroDlg::kWorkView);
    std::string strError;
    QCOMPARE(window.link.StartValveMonitor(strError), 0);
    Child<QTabBar>(window.dlg, 1079)->setCurrentIndex(2);
    QCOMPARE(window.dlg.m_Pages.GetCurrent(), nullptr);
    // The valve monitor was stopped: over two of its cycles nothing reads
    // the valve (command 3, index 1).
    env.sim.api.ClearTrace();
    QTest::qWait(1600);
    for (int i = 0; i < env.sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        env.sim.api.GetTraceFrame(i, &frame);
        QVERIFY(!(frame.direction == VSIM_DIR_TO_FITTING && frame.bytes[3] == 0x03 && frame.bytes[4] == 0x01));
    }
}

void MainWindowTest::configurationTabShowsThePageOfTheProductType()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.SetViewMode(CNexaroDlg::kWorkView);
    Child<QTabBar>(window.dlg, 1079)->setCurrentIndex(1);
    struct Case {
        const char* szTypeName;
        const char* szPage;
    };
    for (const Case& c : {Case{"Tarvo", "Tarvo"}, {"TarvoV2", "TarvoV2"}, {"Ambra", "Ambra"}, {"Urinal", "Urinal"},
                          {"WC", "Urinal"}, {"Pelio", "Ambra"}, {"Culina", "Ambra"}}) {
        std::string strError;
        QCOMPARE(window.dlg.Session().SelectProduct(c.szTypeName, strError), 0);
        QVERIFY(window.dlg.m_Pages.GetCurrent() != nullptr);
        QCOMPARE(window.dlg.m_Pages.GetCurrent()->GetName(), std::string(c.szPage));
    }
    QCOMPARE(ConfigurationPageOf(0), std::string());
    QCOMPARE(ConfigurationPageOf(8), std::string());
}

void MainWindowTest::tooltipsAreCutTo79Characters()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.UpdateNextToolTip(kLanguageEnglish);
    QCOMPARE(window.dlg.ToolTipText(1053), QStringLiteral("Read the current settings from the faucet"));
    window.dlg.UpdateNextToolTip(kLanguageGerman);
    QCOMPARE(window.dlg.ToolTipText(1053), QStringLiteral("Liest die aktuellen Einstellungen aus der Armatur"));
    auto* pNext = Child<QPushButton>(window.dlg, 1053);
    for (const auto& [nLength, nShown] : {std::pair{78, 78}, std::pair{79, 79}, std::pair{80, 79}, std::pair{100, 79}}) {
        window.dlg.m_mapToolTips.Set(pNext, 1053, QString(nLength, QLatin1Char('x')));
        QCOMPARE(window.dlg.ToolTipText(1053), QString(nShown, QLatin1Char('x')));
        QCOMPARE(pNext->toolTip(), QString(nShown, QLatin1Char('x')));
    }
    QCOMPARE(window.dlg.ToolTipText(4711), QString());
}

void MainWindowTest::hoverOverTheConnectionTextShowsTheStatePanel()
{
    AppEnvironment env("[adapter]\nfitting = Unknown\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionUnknownFitting, 3000);
    QWidget* pCanvas = window.dlg.centralWidget();
    QWidget* pPanel = window.dlg.findChild<QWidget*>(QStringLiteral("CDlgInfoState"));
    const int nY = Child(window.dlg, 1056)->geometry().center().y();
    MoveMouse(pCanvas, QPoint(900, nY));
    QVERIFY(!pPanel->isVisible()); // only in the work view
    window.dlg.SetViewMode(CNexaroDlg::kWorkView);
    struct Move {
        int x;
        bool bShown;
    };
    for (const Move& move : {Move{900, true}, Move{978, true}, Move{979, false}, Move{960, true}, Move{500, false}}) {
        MoveMouse(pCanvas, QPoint(move.x, nY));
        QVERIFY2(pPanel->isVisible() == move.bShown, qPrintable(QString::number(move.x)));
    }
    MoveMouse(pCanvas, QPoint(900, nY));
    QCOMPARE(pPanel->geometry(), QRect(979 - 210, 657 - 150, 210, 150));
    QCOMPARE(Child<QLabel>(*pPanel, 1261)->text(), QStringLiteral("Unknown faucet"));
    QVERIFY(Child(*pPanel, 1262)->isVisible());
    SaveScreenshot(window.dlg, QStringLiteral("state_panel_unknown_en"));
}

void MainWindowTest::statePanelFollowsTheState()
{
    AppEnvironment env;
    StartedWindow window(env);
    auto* pPanel = window.dlg.findChild<CDlgInfoState*>();
    pPanel->SetProductLine(QStringLiteral("Ambra"));
    struct Case {
        int nLanguage;
        int nState;
        int nHeight;
        const char* szConnection;
        bool bProduct;
        bool bWarning;
    };
    for (const Case& c : {Case{kLanguageEnglish, 1, 100, "connected", true, false}, Case{kLanguageEnglish, 3, 80, "not connected", false, false},
                          Case{kLanguageGerman, 2, 100, "verbunden", true, false}, Case{kLanguageGerman, 3, 80, "nicht verbunden", false, false},
                          Case{kLanguageGerman, 4, 150, "verbunden", true, true},
                          Case{kLanguageGerman, 5, 150, "verbunden", true, true}}) { // 5 keeps the connection text
        g_nLanguage = c.nLanguage;
        pPanel->ShowState(c.nState, 1);
        QCOMPARE(pPanel->height(), c.nHeight);
        QCOMPARE(pPanel->geometry().bottomRight(), QPoint(978, 656)); // its corner at (979, 657)
        QCOMPARE(Child<QLabel>(*pPanel, 1260)->text(), QString::fromUtf8(c.szConnection));
        QCOMPARE(!Child(*pPanel, 1261)->isHidden(), c.bProduct);
        QCOMPARE(!Child(*pPanel, 1262)->isHidden(), c.bWarning);
    }
    QCOMPARE(Child<QLabel>(*pPanel, 1262)->text(), QStringLiteral("Die angeschlossene Armatur ist mit der aktuellen Produktkonfiguration nicht kompatibel."));
    pPanel->ShowState(1, 0);
    QVERIFY(!pPanel->isVisible());
    QCOMPARE(pPanel->GetState(), 1);
}

void MainWindowTest::recentNamesFollowTheStoredOrder()
{
    const auto storeAToJ = [](QSettings& settings) {
        for (int i = 0; i < 10; ++i)
            settings.setValue(QStringLiteral("Installer/Installer_%1").arg(i), QString(QChar('A' + i)));
    };
    const auto stored = [](QSettings& settings) {
        QString names;
        for (int i = 0; i < 10; ++i)
            names += settings.value(QStringLiteral("Installer/Installer_%1").arg(i)).toString();
        return names;
    };
    struct Case {
        const char* szStore;
        const char* szEntries;
    };
    for (const Case& c : {Case{"K", "KJIHGFEDCB"}, Case{"C", "JIHGFEDCBA"}}) {
        AppEnvironment env;
        storeAToJ(*env.settings);
        CRecentNames names(*env.settings);
        CColorComboBox combo;
        names.Fill(CRecentNames::kInstaller, &combo);
        QCOMPARE(combo.count(), 10);
        combo.setEditText(QString::fromUtf8(c.szStore));
        names.Store(CRecentNames::kInstaller, &combo);
        QCOMPARE(stored(*env.settings), QString::fromUtf8(c.szEntries));
        QCOMPARE(env.settings->value(QStringLiteral("Installer/InstallerLast")).toString(), QString::fromUtf8(c.szStore));
        QCOMPARE(combo.currentText(), QString::fromUtf8(c.szStore));
    }
    // Blanks are skipped and store nothing; storing before any fill writes
    // entry 0 and leaves the others.
    AppEnvironment env;
    storeAToJ(*env.settings);
    env.settings->setValue(QStringLiteral("Installer/Installer_3"), QStringLiteral("   "));
    CRecentNames names(*env.settings);
    CColorComboBox combo;
    combo.setEditText(QStringLiteral("   "));
    names.Store(CRecentNames::kInstaller, &combo);
    QCOMPARE(env.settings->value(QStringLiteral("Installer/InstallerLast")).toString(), QString());
    combo.setEditText(QStringLiteral("Z"));
    names.Store(CRecentNames::kInstaller, &combo);
    QCOMPARE(stored(*env.settings), QStringLiteral("ZBC   EFGHIJ"));
    names.Fill(CRecentNames::kInstaller, &combo);
    QCOMPARE(combo.count(), 9); // the blank entry is skipped
    QCOMPARE(names.List(CRecentNames::kInstaller)->size(), std::size_t{9}); // "Z" once
}

void MainWindowTest::enterDoesNothingAndEscapeAsks()
{
    AppEnvironment env;
    StartedWindow window(env);
    QTest::keyClick(&window.dlg, Qt::Key_Return);
    QVERIFY(window.dlg.isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QString question;
    AnswerMessageBox(QMessageBox::No, &question);
    QTest::keyClick(&window.dlg, Qt::Key_Escape);
    QCOMPARE(question, QStringLiteral("Möchten Sie diese Applikation beenden?"));
    QVERIFY(window.dlg.isVisible());
}

// Qt's own texts switch with the window's language at run time: the
// standard buttons, the file dialogs and the calendar of the date edits.
void MainWindowTest::qtTextsFollowTheLanguage()
{
    AppEnvironment env;
    StartedWindow window(env);
    const QStringList expected[] = {{"Ja", "Nein", "Abbrechen"}, {"Yes", "No", "Cancel"}, {"Ja", "Nein", "Abbrechen"}};
    for (int i = 0; i < 3; ++i) {
        const bool bEnglish = i == 1;
        if (i > 0)
            window.dlg.menuBar()->findChild<QAction*>(bEnglish ? QStringLiteral("id1073") : QStringLiteral("id1071"))->trigger();
        QStringList shown;
        QTimer::singleShot(0, [&shown] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (pBox == nullptr)
                return;
            shown << pBox->button(QMessageBox::Yes)->text().remove(QLatin1Char('&'))
                  << pBox->button(QMessageBox::No)->text().remove(QLatin1Char('&'));
            pBox->button(QMessageBox::No)->click();
        });
        QTest::keyClick(&window.dlg, Qt::Key_Escape); // the quit question
        QFileDialog files(&window.dlg);
        files.setOption(QFileDialog::DontUseNativeDialog);
        shown << files.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
        QCOMPARE(shown, expected[i]);
        auto* pDate = window.PageChild<QDateEdit>("Ambra", 1194);
        QCOMPARE(pDate->calendarWidget()->locale().language(), bEnglish ? QLocale::English : QLocale::German);
    }
}

// The layout is fixed: the window can be neither enlarged nor shrunk, in
// either language, and shows its client area whole below the menu bar.
void MainWindowTest::windowKeepsItsSize()
{
    AppEnvironment env;
    StartedWindow window(env);
    for (const QString& language : {QStringLiteral("id1073"), QStringLiteral("id1071")}) {
        window.dlg.menuBar()->findChild<QAction*>(language)->trigger();
        QApplication::processEvents();
        const QSize size = window.dlg.size();
        QCOMPARE(window.dlg.minimumSize(), size);
        QCOMPARE(window.dlg.maximumSize(), size);
        for (const QSize& wanted : {size + QSize(200, 150), size - QSize(200, 150)}) {
            window.dlg.resize(wanted);
            QApplication::processEvents();
            QCOMPARE(window.dlg.size(), size);
        }
        const QRect client = window.dlg.centralWidget()->geometry();
        QCOMPARE(client.size(), QSize(CMainCanvas::kClientWidth, CMainCanvas::kClientHeight));
        QVERIFY(window.dlg.rect().contains(client));
        QCOMPARE(client.top(), window.dlg.menuBar()->geometry().bottom() + 1);
    }
}

void MainWindowTest::closingSwitchesTheValveOffAndStoresTheSettings()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/KeyPad"), 5);
    env.settings->setValue(QStringLiteral("Settings/DontChange"), 7);
    StartedWindow window(env);
    QTRY_VERIFY_WITH_TIMEOUT(window.link.GetConnectionState() == kConnectionKnownFitting, 3000);
    std::string strIgnored;
    window.link.StopConnectionMonitor(strIgnored);
    env.sim.api.ClearTrace();
    AnswerMessageBox(QMessageBox::Yes);
    QVERIFY(window.dlg.close());
    // Command 7 (write byte by index): index 1, value 0.
    bool bValveOff = false;
    for (int i = 0; i < env.sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        env.sim.api.GetTraceFrame(i, &frame);
        bValveOff |= frame.direction == VSIM_DIR_TO_FITTING && frame.length >= 6 && frame.bytes[3] == 0x02 && frame.bytes[4] == 0x01
                     && frame.bytes[5] == 0x00;
    }
    QVERIFY(bValveOff);
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VELMOR"), QCoreApplication::applicationName());
    QCOMPARE(stored.value(QStringLiteral("Settings/Language")).toInt(), 1);
    QCOMPARE(stored.value(QStringLiteral("Settings/KeyPad")).toInt(), 0);
    QVERIFY(!stored.value(QStringLiteral("Settings/DeviceConfigPath")).toString().isEmpty());
    QCOMPARE(stored.value(QStringLiteral("Settings/DontChange")).toInt(), 7); // never written
}

void MainWindowTest::progressTurnsTheHourGlassDuringAJob()
{
    AppEnvironment env;
    StartedWindow window(env);
    CDlgProgress& progress = *window.dlg.m_dlgProgress;
    progress.SetStep(2);
    QVERIFY(Child(progress, 1000)->isVisible());
    QVERIFY(!progress.IsHourGlassRunning());
    QCOMPARE(Child<QLabel>(progress, 100)->text(), QStringLiteral("Schreiben der aktuellen Einstellungen"));
    progress.SetStep(9);
    QCOMPARE(Child<QLabel>(progress, 100)->text(), QString());
    QVERIFY(Child(progress, 1000)->isVisible());

    progress.SetStep(6);
    QVERIFY(!Child(progress, 1000)->isVisible());
    QVERIFY(progress.IsHourGlassRunning());
    QCOMPARE(progress.NextFrame(), 0);
    // A job of 600 ms on its worker: the hour glass turns (about 15 frames)
    // and wraps from the twelfth frame to the first.
    std::string strError;
    const int nResult = window.dlg.Jobs().Run(6, [&progress](std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        // As the technician sees it while the job runs.
        QMetaObject::invokeMethod(&progress, [&progress] { SaveScreenshot(progress, QStringLiteral("progress_hourglass_de")); },
                                  Qt::BlockingQueuedConnection);
        return 0;
    }, strError);
    QCOMPARE(nResult, 0);
    QVERIFY2(progress.FramesDrawn() >= 12, qPrintable(QString::number(progress.FramesDrawn())));
    QCOMPARE(progress.NextFrame(), progress.FramesDrawn() % 12);
    g_nLanguage = kLanguageEnglish;
    progress.SetStep(2);
    progress.SetPos(40);
    SaveScreenshot(progress, QStringLiteral("progress_bar_en"));
    progress.HideProgress();
    QVERIFY(!progress.IsHourGlassRunning());
    QVERIFY(!progress.isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void MainWindowTest::heldMessagesAreDeliveredAfterTheJob()
{
    AppEnvironment env;
    StartedWindow window(env);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionKnownFitting, 3000);
    std::string strIgnored;
    window.link.StopConnectionMonitor(strIgnored);
    int nStateDuringJob = 0;
    window.dlg.Jobs().Run(0, [&](std::string&) {
        window.dlg.PostToMainWindow(kWmConnectionState, 0, kConnectionUnknownFitting);
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the window's loop runs meanwhile
        nStateDuringJob = window.dlg.m_nConnState;
        return 0;
    }, strIgnored);
    QCOMPARE(nStateDuringJob, kConnectionKnownFitting);
    QCOMPARE(window.dlg.m_nConnState, kConnectionUnknownFitting); // handled as the job returned
    const QString center = Child<QLabel>(window.dlg, 1045)->text();
    QVERIFY2(center.startsWith(QStringLiteral("Die angeschlossene Armatur ist nicht bekannt")) && center.contains(QStringLiteral("23 030 03 01")),
             qPrintable(center));
}

void MainWindowTest::aboutWindowIsOneWindow()
{
    AppEnvironment env;
    StartedWindow window(env);
    window.dlg.findChild<QAction*>(QStringLiteral("id1075"))->trigger();
    window.dlg.findChild<QAction*>(QStringLiteral("id16"))->trigger();
    QCOMPARE(window.dlg.findChildren<CDlgAbout*>().size(), 1);
    QVERIFY(window.dlg.m_dlgAbout->isVisible());
    SaveScreenshot(*window.dlg.m_dlgAbout, QStringLiteral("about_de"));
    window.dlg.findChild<QAction*>(QStringLiteral("id1073"))->trigger(); // English, the window open
    QCOMPARE(window.dlg.m_dlgAbout->windowTitle(), QStringLiteral("Info about Fluxa USB"));
    SaveScreenshot(*window.dlg.m_dlgAbout, QStringLiteral("about_en"));
    Child<QPushButton>(*window.dlg.m_dlgAbout, 1002)->click();
    QVERIFY(!window.dlg.m_dlgAbout->isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
