// The bus adapter dialog, the connection dialog and the new configuration
// dialog, each beside a main window on its own simulated bus.

#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgBusconverter.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgNewConfiguration.h"
#include "app/NexaroDlg.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <utility>
#include <vector>

namespace {

using Message = std::pair<std::uintptr_t, std::intptr_t>; // wParam, lParam
using Messages = std::vector<Message>;

template <class T = QWidget>
T* Child(QWidget& parent, int nId)
{
    return parent.findChild<T*>(QStringLiteral("id%1").arg(nId));
}

// A page that records the 0x40B messages sent to all pages.
class RecordingPage : public QWidget {
public:
    explicit RecordingPage(Messages& received) : m_received(received) {}

protected:
    bool event(QEvent* pEvent) override
    {
        if (CWindowMessage::MessageOf(pEvent) != kWmEnableFittingOperations)
            return QWidget::event(pEvent);
        const auto* pMessage = static_cast<const CWindowMessage*>(pEvent);
        m_received.emplace_back(pMessage->wParam, pMessage->lParam);
        return true;
    }

private:
    Messages& m_received;
};

// Records the 0x409 messages posted to the main window with wParam 1 (the
// new configuration dialog's; the connection monitor posts wParam 0).
class PostedStates : public QObject {
public:
    std::vector<std::intptr_t> states;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (CWindowMessage::MessageOf(pEvent) == kWmConnectionStateMsg && static_cast<const CWindowMessage*>(pEvent)->wParam == 1)
            states.push_back(static_cast<const CWindowMessage*>(pEvent)->lParam);
        return false;
    }
};

// The main window the dialogs talk to, with a recording page. Started, it
// has the shipped definitions and its connection monitor runs; otherwise
// nothing touches the bus but the test.
struct MainWindow {
    MainWindow(AppEnvironment& env, bool bStart) : dlg(*env.settings, link)
    {
        if (bStart) {
            std::string strIgnored;
            dlg.SetDefaultConfigPath(strIgnored);
            strStartError = dlg.OnInitDialog();
        }
        dlg.SetPageFactory([this](int) { return new RecordingPage(pageMessages); });
        std::string strError;
        dlg.m_Pages.AddDialog("Recorder", 1, strError);
        dlg.installEventFilter(&posted);
        dlg.show();
    }
    CVelmorTPExt link;
    CNexaroDlg dlg;
    std::string strStartError;
    Messages pageMessages;
    PostedStates posted;
};

// The user picks the entry with this text.
void Choose(QComboBox* pList, const QString& text)
{
    const int nIndex = pList->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(nIndex >= 0, qPrintable(text));
    pList->setCurrentIndex(nIndex);
    emit pList->activated(nIndex);
}

QStringList Entries(const QComboBox* pList)
{
    QStringList entries;
    for (int i = 0; i < pList->count(); ++i)
        entries << pList->itemText(i);
    return entries;
}

const char* const kLanguageSuffix[3] = {"", "de", "en"};

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void busAdapterRescanListsAndOpens_data();
    void busAdapterRescanListsAndOpens();
    void busAdapterOpenFailuresKeepTheDialog();
    void busAdapterDialogFollowsTheLanguage();
    void busAdapterDialogChoosesThePort();
    void connectionDialogShowsTheState_data();
    void connectionDialogShowsTheState();
    void connectionDialogReadsOnlyANewFitting();
    void connectionDialogFollowsTheMainWindow();
    void newConfigurationListsFollowThePrefixSearch();
    void newConfigurationAcceptPostsTheConnectionState_data();
    void newConfigurationAcceptPostsTheConnectionState();
    void newConfigurationAcceptNeedsChoiceAndConsent();
    void newConfigurationDialogInBothLanguages();
};

// ---- Bus adapter dialog ----------------------------------------------------

void DialogsTest::busAdapterRescanListsAndOpens_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QStringList>("serialNumbers"); // of the adapters, in their order
    QTest::addColumn<int>("nOpenAfterRescan"); // device number, -1 none
    QTest::addColumn<int>("nLastAdapterDevice");
    QTest::newRow("none") << QByteArray("[device]\n") << QStringList() << -1 << -1; // a USB device, but no bus adapter
    QTest::newRow("one") << QByteArray("[adapter]\nserial = VB4711\nfitting = Ambra\n") << QStringList{QStringLiteral("VB4711")} << 0 << 0;
    // Device 1 is another USB serial device (its serial number is not
    // listed): adapter 2 is device 3.
    QTest::newRow("three") << QByteArray("[adapter]\nserial = VB1\n[device]\nserial = FT9\n[adapter]\nserial = VB2\n[adapter]\nserial = VB3\n")
                           << QStringList{QStringLiteral("VB1"), QStringLiteral("VB2"), QStringLiteral("VB3")} << -1 << 3;
}

void DialogsTest::busAdapterRescanListsAndOpens()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QStringList, serialNumbers);
    QFETCH(int, nOpenAfterRescan);
    const int nAdapters = static_cast<int>(serialNumbers.size());
    QFETCH(int, nLastAdapterDevice);
    g_nLanguage = kLanguageGerman;
    AppEnvironment env(scenario.constData());
    MainWindow window(env, false);
    CDlgBusconverter dlg(window.link, &window.dlg);
    window.dlg.setEnabled(false); // as the menu command does
    dlg.show();
    QVERIFY(dlg.isEnabled()); // a window of its own, not disabled with the main window
    auto* pList = Child<QComboBox>(dlg, 1029);
    QCOMPARE(pList->count(), 0); // empty until Rescan

    QString rescanText;
    if (nAdapters == 0)
        AnswerMessageBox(QMessageBox::Ok, &rescanText); // asked for, so nothing found is said
    Child<QPushButton>(dlg, 1033)->click();
    QCOMPARE(rescanText, nAdapters == 0 ? QStringLiteral("Es wurde kein Busadapter \"Velmor BUS converter\" gefunden. "
                                                         "Stecken Sie den Bus Adapter in den PC und drücken Sie dann erneut \"Neu suchen\".")
                                        : QString());
    QStringList expected;
    for (int i = 0; i < nAdapters; ++i)
        expected << QStringLiteral("Adapternummer %1 (%2, D2XX)").arg(i).arg(serialNumbers[i]);
    QCOMPARE(Entries(pList), expected);
    QCOMPARE(pList->currentIndex(), nAdapters > 0 ? 0 : -1);
    // An empty list says that nothing was found.
    QCOMPARE(pList->placeholderText(), QStringLiteral("Kein Bus Adapter gefunden"));
    QCOMPARE(pList->currentText().isEmpty(), nAdapters == 0);
    QCOMPARE(window.link.IsPortOpen(), nOpenAfterRescan >= 0);
    for (int nDevice = 0; nDevice < env.sim.api.GetDeviceCount(); ++nDevice)
        QCOMPARE(env.sim.api.IsDeviceOpen(nDevice), nDevice == nOpenAfterRescan ? 1 : 0);

    if (nAdapters == 0) {
        // Nothing to open: an error, not a success.
        QString text;
        AnswerMessageBox(QMessageBox::Ok, &text);
        Child<QPushButton>(dlg, 1031)->click();
        QCOMPARE(text, QStringLiteral("Es ist kein Bus Adapter ausgewählt. Stecken Sie den Adapter ein, drücken Sie \"Neu suchen\" und wählen Sie ihn aus der Liste."));
        QVERIFY(dlg.isVisible());
        QVERIFY(!window.dlg.isEnabled());
        QVERIFY(!window.link.IsPortOpen());
        return;
    }
    pList->setCurrentIndex(nAdapters - 1);
    Child<QPushButton>(dlg, 1031)->click();
    QVERIFY(!dlg.isVisible());
    QVERIFY(window.dlg.isEnabled());
    QCOMPARE(env.sim.api.IsDeviceOpen(nLastAdapterDevice), 1);
    QCOMPARE(window.link.GetPortNumber(), nLastAdapterDevice);

    Child<QPushButton>(dlg, 1032)->click();
    QVERIFY(!window.link.IsPortOpen());
    QCOMPARE(env.sim.api.IsDeviceOpen(nLastAdapterDevice), 0);
}

void DialogsTest::busAdapterOpenFailuresKeepTheDialog()
{
    g_nLanguage = kLanguageEnglish;
    struct Case {
        const char* szWhat;
        const char* szExpected;
    };
    for (const Case& c : {Case{"adapter pulled", "The bus adapter number 1 is not attached any more."},
                          Case{"library missing", "Can't load the FTDI device driver DLL"}}) {
        AppEnvironment env("[adapter]\nserial = VB1\n[adapter]\nserial = VB2\n");
        MainWindow window(env, false);
        CDlgBusconverter dlg(window.link, &window.dlg);
        window.dlg.setEnabled(false);
        dlg.show();
        std::string strError;
        QCOMPARE(dlg.Rescan(strError), 0);
        Child<QComboBox>(dlg, 1029)->setCurrentIndex(1);
        if (QByteArray(c.szWhat) == "adapter pulled") {
            QCOMPARE(env.sim.api.RemoveDevice(1), 0);
        } else {
            QCOMPARE(window.link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError), 0);
            QCOMPARE(window.link.ClosePort(strError), 0); // releases the library
            qputenv("FLUXA_D2XX_LIBRARY", QByteArray("/nonexistent/libftd2xx.so"));
        }
        QString text;
        AnswerMessageBox(QMessageBox::Ok, &text);
        Child<QPushButton>(dlg, 1031)->click();
        QVERIFY2(text.startsWith(QString::fromUtf8(c.szExpected)), qPrintable(text));
        QVERIFY(dlg.isVisible());
        QVERIFY(!window.dlg.isEnabled());
        QVERIFY(!window.link.IsPortOpen());
    }
}

// Another port lists that port's adapters; the choice is kept for the next start.
void DialogsTest::busAdapterDialogChoosesThePort()
{
    QTemporaryDir noSysfs; // the serial driver holds no adapter here
    qputenv("FLUXA_SYSFS_ROOT", noSysfs.path().toUtf8());
    AppEnvironment env("[adapter]\nserial = VB4711\nfitting = Ambra\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.dlg.findChild<QAction*>(QStringLiteral("id1070"))->trigger();
    CDlgBusconverter& dlg = *window.dlg.m_dlgBusconverter;
    auto* pPorts = Child<QComboBox>(dlg, 1411);
    auto* pList = Child<QComboBox>(dlg, 1029);
    QCOMPARE(Entries(pPorts), (QStringList{QStringLiteral("Automatic"), QStringLiteral("D2XX library"), QStringLiteral("Serial device (kernel driver)")}));
    QCOMPARE(pPorts->currentText(), QStringLiteral("Automatic"));
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    pPorts->setCurrentIndex(2);
    emit pPorts->activated(2);
    QVERIFY2(text.startsWith(QStringLiteral("No bus adapter \"Velmor BUS converter\" was found.")), qPrintable(text));
    QCOMPARE(pList->count(), 0);
    QCOMPARE(GetAdapterPortChoice().eKind, EAdapterPortKind::Serial);
    QCOMPARE(env.settings->value(QStringLiteral("Settings/AdapterPort")).toString(), QStringLiteral("serial"));
    QVERIFY(!window.link.IsPortOpen());

    const MessageBoxWatch none; // back on D2XX the adapter is found again
    pPorts->setCurrentIndex(1);
    emit pPorts->activated(1);
    QVERIFY2(none.unexpected.isEmpty(), qPrintable(none.unexpected.join(QLatin1Char('\n'))));
    QCOMPARE(Entries(pList), QStringList{QStringLiteral("Adapter number 0 (VB4711, D2XX)")});
    QVERIFY(window.link.IsPortOpen()); // the one adapter is opened at once
    QCOMPARE(env.settings->value(QStringLiteral("Settings/AdapterPort")).toString(), QStringLiteral("d2xx"));
    SetAdapterPortChoice({});
    qunsetenv("FLUXA_SYSFS_ROOT");
}

void DialogsTest::busAdapterDialogFollowsTheLanguage()
{
    g_nLanguage = kLanguageEnglish;
    AppEnvironment env("[adapter]\nserial = VB4711\n[adapter]\nserial = VB4712\n");
    MainWindow window(env, false);
    CDlgBusconverter dlg(window.link, &window.dlg);
    Child<QPushButton>(dlg, 1033)->click();
    struct Texts {
        int nLanguage;
        const char* szTitle;
        const char* szLabel;
        const char* szOpen;
        const char* szClose;
        const char* szRescan;
        const char* szEntry;
        const char* szCloseTip;
    };
    for (const Texts& t : {Texts{kLanguageGerman, "VELMOR Bus Adapter Auswahl", "VELMOR Bus Adapter:", "Öffnen", "Schließen", "Neu suchen",
                                 "Adapternummer 1 (VB4712, D2XX)", "Schliesst eine bereits geöffnete Schnittstelle"},
                           Texts{kLanguageEnglish, "VELMOR bus connector selection", "VELMOR bus adapter port:", "Open", "Close", "Rescan",
                                 "Adapter number 1 (VB4712, D2XX)", "Close the interface"}}) {
        g_nLanguage = t.nLanguage;
        CWindowMessage message(kWmLanguageChanged, 0, 0);
        QCoreApplication::sendEvent(&dlg, &message);
        QCOMPARE(dlg.windowTitle(), QString::fromUtf8(t.szTitle));
        QCOMPARE(Child<QLabel>(dlg, 1027)->text(), QString::fromUtf8(t.szLabel));
        QCOMPARE(Child<QPushButton>(dlg, 1031)->text(), QString::fromUtf8(t.szOpen));
        QCOMPARE(Child<QPushButton>(dlg, 1032)->text(), QString::fromUtf8(t.szClose));
        QCOMPARE(Child<QPushButton>(dlg, 1033)->text(), QString::fromUtf8(t.szRescan));
        QCOMPARE(Child<QComboBox>(dlg, 1029)->itemText(1), QString::fromUtf8(t.szEntry));
        QCOMPARE(Child(dlg, 1032)->toolTip(), QString::fromUtf8(t.szCloseTip));
        QCOMPARE(dlg.ToolTipText(1032), QString::fromUtf8(t.szCloseTip));
        window.dlg.setEnabled(false);
        dlg.show();
        SaveScreenshot(dlg, QStringLiteral("bus_adapter_dialog_%1").arg(QString::fromUtf8(kLanguageSuffix[t.nLanguage])));
        auto* pList = Child<QComboBox>(dlg, 1029);
        pList->showPopup();
        SaveScreenshot(*pList->view()->window(), QStringLiteral("bus_adapter_list_%1").arg(QString::fromUtf8(kLanguageSuffix[t.nLanguage])));
        pList->hidePopup();
        // Enter does nothing; Escape hands the main window back.
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QVERIFY(window.dlg.isEnabled());
    }
    QCOMPARE(dlg.ToolTipText(4711), QString());
}

// ---- Connection dialog -----------------------------------------------------

void DialogsTest::connectionDialogShowsTheState_data()
{
    QTest::addColumn<int>("nState");
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("explanation");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("bShown");
    QTest::addColumn<bool>("bReadable");
    QTest::addColumn<Messages>("sentOnShow");
    QTest::addColumn<Messages>("sentOnClose");
    const QString newFaucet = QStringLiteral("New faucet detected.");
    const QString readQuestion = QStringLiteral("Read settings from connected faucet?");
    QTest::newRow("1 known") << 1 << QString() << QString() << QString() << false << true << Messages{{0, 1}} << Messages{};
    QTest::newRow("2 other unit") << 2 << newFaucet << QString() << readQuestion << true << true << Messages{{0, 0}} << Messages{{0, 1}};
    QTest::newRow("3 no fitting") << 3 << QStringLiteral("The connection to the faucet was terminated.")
                                  << QStringLiteral("Please connect the faucet again to continue.") << QString() << true << false
                                  << Messages{{0, 0}} << Messages{{0, 0}};
    QTest::newRow("4 unknown") << 4 << QStringLiteral("Unknown faucet")
                               << QStringLiteral("The connected faucet can't be configured with this SW version.") << QString() << true
                               << false << Messages{{0, 0}} << Messages{{0, 0}};
    QTest::newRow("5 other product") << 5 << newFaucet
                                     << QStringLiteral("The connected faucet is not compatible with the selected product configuration.")
                                     << readQuestion << true << true << Messages{} << Messages{{0, 0}};
}

void DialogsTest::connectionDialogShowsTheState()
{
    QFETCH(int, nState);
    QFETCH(QString, headline);
    QFETCH(QString, explanation);
    QFETCH(QString, question);
    QFETCH(bool, bShown);
    QFETCH(bool, bReadable);
    QFETCH(Messages, sentOnShow);
    QFETCH(Messages, sentOnClose);
    g_nLanguage = kLanguageEnglish;
    AppEnvironment env;
    MainWindow window(env, false);
    CDlgConnectionInformation dlg(window.dlg);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Connection state"));
    window.dlg.m_nConnState = nState; // the main window stores the state before it shows it
    dlg.ShowState(nState);
    QCOMPARE(window.pageMessages, sentOnShow);
    QCOMPARE(dlg.isVisible(), bShown);
    QCOMPARE(window.dlg.isEnabled(), !bShown);
    if (bShown) {
        QVERIFY(dlg.isEnabled());
        QCOMPARE(Child<QLabel>(dlg, 1172)->text(), headline);
        QCOMPARE(Child<QLabel>(dlg, 1174)->text(), explanation);
        QCOMPARE(Child<QLabel>(dlg, 1178)->text(), question);
        auto* pRead = Child<QPushButton>(dlg, 1176);
        auto* pClose = Child<QPushButton>(dlg, 1139);
        QCOMPARE(pRead->isVisible(), bReadable);
        QCOMPARE(pRead->isEnabled(), bReadable);
        QCOMPARE(pRead->geometry(), DluRect(6, 120, 127, 14));
        QCOMPARE(pClose->geometry(), bReadable ? DluRect(138, 120, 127, 14)
                                               : QRect(QPoint((dlg.width() - pClose->width()) / 2, pClose->y()), pClose->size()));
        QVERIFY(pClose->isVisible());
        // Enter presses nothing.
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
    }
    window.pageMessages.clear();
    if (bShown)
        QTest::keyClick(&dlg, Qt::Key_Escape); // closes like the Close button
    else
        dlg.CloseDialog(); // as the main window does for a state with close flag 1
    QVERIFY(!dlg.isVisible());
    QVERIFY(window.dlg.isEnabled());
    QCOMPARE(window.pageMessages, sentOnClose);

    // A later state 2 puts Read and Close back on their places.
    window.dlg.m_nConnState = kConnectionOtherUnit;
    dlg.ShowState(kConnectionOtherUnit);
    QVERIFY(Child(dlg, 1176)->isVisible() && Child(dlg, 1176)->isEnabled());
    QCOMPARE(Child(dlg, 1176)->geometry(), DluRect(6, 120, 127, 14));
    QCOMPARE(Child(dlg, 1139)->geometry(), DluRect(138, 120, 127, 14));
    window.pageMessages.clear();
    Child<QPushButton>(dlg, 1139)->click();
    QCOMPARE(window.pageMessages, (Messages{{0, 1}}));
}

void DialogsTest::connectionDialogReadsOnlyANewFitting()
{
    g_nLanguage = kLanguageEnglish;
    AppEnvironment env("[adapter]\nfitting = Ambra\n");
    MainWindow window(env, true);
    QTRY_COMPARE_WITH_TIMEOUT(window.link.GetConnectionState(), kConnectionKnownFitting, 3000);
    CDlgConnectionInformation dlg(window.dlg);
    QCOMPARE(dlg.ToolTipText(1176), QStringLiteral("Read the settings to continue"));
    for (const auto& [nState, szRead] : {std::pair{2, "230300301"}, std::pair{5, "230300301"}, std::pair{1, ""}, std::pair{3, ""}}) {
        dlg.ShowState(kConnectionOtherProduct);
        window.dlg.m_nConnState = nState; // the state may change while the dialog is open
        window.dlg.Session().SetCurrentConfig(CDeviceConfig());
        window.pageMessages.clear();
        Child<QPushButton>(dlg, 1176)->click();
        QVERIFY(!dlg.isVisible());
        QVERIFY(window.dlg.isEnabled());
        // The Next read made the connected product the one in force.
        QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), std::string(szRead));
        if (*szRead != '\0')
            QCOMPARE(window.pageMessages.back(), (Message{0, 1}));
        else
            QVERIFY(window.pageMessages.empty());
    }
}

void DialogsTest::connectionDialogFollowsTheMainWindow()
{
    AppEnvironment env("[adapter]\nfitting = Ambra\n");
    MainWindow window(env, true);
    QTRY_COMPARE_WITH_TIMEOUT(window.link.GetConnectionState(), kConnectionKnownFitting, 3000);
    CDlgConnectionInformation dlg(window.dlg);
    window.dlg.SetViewMode(CNexaroDlg::kWorkView);
    for (int nLanguage : {kLanguageGerman, kLanguageEnglish}) {
        g_nLanguage = nLanguage;
        CWindowMessage message(kWmLanguageChanged, 0, 0);
        QCoreApplication::sendEvent(&dlg, &message);
        const bool bEnglish = nLanguage == kLanguageEnglish;
        QCOMPARE(dlg.windowTitle(), bEnglish ? QStringLiteral("Connection state") : QStringLiteral("Verbindungsstatus"));
        QCOMPARE(Child<QPushButton>(dlg, 1139)->text(), bEnglish ? QStringLiteral("Close") : QStringLiteral("Schließen"));
        const QString productLine = bEnglish ? QStringLiteral("(Ambra basin faucet)") : QStringLiteral("(Ambra Waschtischarmatur)");
        for (const auto& [nState, enabled] : {std::pair{2, 1}, std::pair{3, 0}, std::pair{4, 0}, std::pair{5, 0}}) {
            window.dlg.OnConnectionState(0, nState); // as a 0x409 from the connection monitor
            QVERIFY(dlg.isVisible());
            const bool bProductLine = nState == kConnectionOtherUnit || nState == kConnectionOtherProduct;
            QCOMPARE(Child(dlg, 1179)->isVisible(), bProductLine);
            if (bProductLine)
                QCOMPARE(Child<QLabel>(dlg, 1179)->text(), productLine);
            if (nState != kConnectionOtherProduct)
                SaveScreenshot(dlg, QStringLiteral("conn_dialog_state%1_%2").arg(nState).arg(QString::fromUtf8(kLanguageSuffix[nLanguage])));
            // Close flag 1, as from the new configuration dialog's Accept.
            window.pageMessages.clear();
            window.dlg.OnConnectionState(1, nState);
            QVERIFY(!dlg.isVisible());
            QVERIFY(window.dlg.isEnabled());
            QCOMPARE(window.pageMessages, (Messages{{0, static_cast<std::intptr_t>(enabled)}}));
        }
    }
}

// ---- New configuration dialog ----------------------------------------------

void DialogsTest::newConfigurationListsFollowThePrefixSearch()
{
    g_nLanguage = kLanguageGerman;
    AppEnvironment env;
    MainWindow window(env, false);
    const QDir dir(env.Path());
    QImage(150, 150, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("square.bmp")));
    QImage(151, 150, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("tall.bmp")));
    struct Definition {
        const char* szArticle;
        const char* szDescription;
        const char* szExtended;
        const char* szPicture;
    };
    // In index order. "TARVO" begins "Tarvo Pro", which is met first; "Pelio"
    // is met before "Pelio XL".
    const Definition definitions[] = {
        {"100000001", "Ambra", "Netz", "tall.bmp"},        {"100000002", "Ambra", " Batterie ", "square.bmp"},
        {"100000003", "Tarvo Pro", "", "square.bmp"},      {"100000004", "TARVO", "", "missing.bmp"},
        {"100000005", "Pelio", "  ", "missing.bmp"},       {"100000006", "Pelio XL", "", "tall.bmp"},
    };
    for (const Definition& d : definitions) {
        CDeviceConfig config;
        config.SetArticleNumber(d.szArticle);
        config.SetConfigSheet("Ambra");
        CStringParameterHandler descriptions;
        std::string strError;
        descriptions.AddParameter(CStringParameter("DE", d.szDescription), strError);
        descriptions.AddParameter(CStringParameter("DE_EXT", d.szExtended), strError);
        config.SetDescriptions(descriptions);
        config.SetPicturePath(dir.filePath(QString::fromUtf8(d.szPicture)).toStdString());
        QCOMPARE(window.dlg.Session().Catalog().Configs().AddObjectByName(config, strError), 0);
    }
    CDlgNewConfiguration dlg(window.dlg);
    dlg.ShowDialog();
    auto* pDescriptions = Child<QComboBox>(dlg, 1025);
    auto* pExtended = Child<QComboBox>(dlg, 1030);
    auto* pArticles = Child<QComboBox>(dlg, 1026);
    QCOMPARE(Entries(pDescriptions), (QStringList{"Ambra", "Pelio", "Pelio XL", "Tarvo Pro"}));
    QCOMPARE(Entries(pArticles), (QStringList{"100000001", "100000002", "100000003", "100000004", "100000005", "100000006"}));
    QCOMPARE(pDescriptions->currentIndex(), -1);
    QCOMPARE(pArticles->currentIndex(), -1);

    enum Frame { kNoPreview, kTall, kSquare };
    struct Step {
        int nList;
        const char* szChoice;
        QStringList extended; // 1030 afterwards
        const char* szArticle; // 1026 afterwards, "" none
        const char* szDescription;
        Frame frame;
    };
    const Step steps[] = {
        // Two extended descriptions: both listed, trimmed, no article chosen.
        {1025, "Ambra", {"Batterie", "Netz"}, "", "Ambra", kNoPreview},
        {1030, "Netz", {"Batterie", "Netz"}, "100000001", "Ambra", kTall},
        {1030, "Batterie", {"Batterie", "Netz"}, "100000002", "Ambra", kSquare},
        // Without extended descriptions the first definition is chosen at once.
        {1025, "Tarvo Pro", {}, "100000003", "Tarvo Pro", kSquare},
        // A blank extended description is none; its picture is missing.
        {1025, "Pelio", {}, "100000005", "Pelio", kNoPreview},
        {1026, "100000006", {}, "100000006", "Pelio XL", kTall},
        // "TARVO" selects the entry it begins; its missing picture leaves the preview.
        {1026, "100000004", {}, "100000004", "Tarvo Pro", kTall},
    };
    for (const Step& step : steps) {
        Choose(Child<QComboBox>(dlg, step.nList), QString::fromUtf8(step.szChoice));
        const QString where = QStringLiteral("after choosing %1").arg(QString::fromUtf8(step.szChoice));
        QVERIFY2(Entries(pExtended) == step.extended, qPrintable(where));
        QVERIFY2(pArticles->currentText() == QString::fromUtf8(step.szArticle), qPrintable(where));
        QVERIFY2(pDescriptions->currentText() == QString::fromUtf8(step.szDescription), qPrintable(where));
        QVERIFY2(dlg.m_bPreviewLoaded == (step.frame != kNoPreview), qPrintable(where));
        if (step.frame != kNoPreview) {
            QVERIFY2(Child(dlg, 1020)->isVisible() == (step.frame == kSquare), qPrintable(where));
            QVERIFY2(Child(dlg, 1004)->isVisible() == (step.frame == kTall), qPrintable(where));
        }
    }
    // Shown again, nothing is chosen.
    dlg.ShowDialog();
    QCOMPARE(pDescriptions->currentIndex(), -1);
    QCOMPARE(pArticles->currentIndex(), -1);
    QCOMPARE(pExtended->count(), 0);
    QCOMPARE(dlg.m_bPreviewLoaded, 0);
}

void DialogsTest::newConfigurationAcceptPostsTheConnectionState_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("article");
    QTest::addColumn<int>("nProductType");
    QTest::addColumn<int>("nMonitorState");
    QTest::addColumn<int>("nPosted");
    QTest::newRow("its fitting connected") << QByteArray("[adapter]\nfitting = Ambra\n") << "230300301" << 3 << 1 << 2;
    QTest::newRow("another fitting connected") << QByteArray("[adapter]\nfitting = Ambra\n") << "230100101" << 1 << 1 << 5;
    QTest::newRow("no fitting") << QByteArray("[adapter]\nfitting = none\n") << "230300301" << 3 << 3 << 3;
}

void DialogsTest::newConfigurationAcceptPostsTheConnectionState()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QString, article);
    QFETCH(int, nProductType);
    QFETCH(int, nMonitorState);
    QFETCH(int, nPosted);
    g_nLanguage = kLanguageGerman;
    AppEnvironment env(scenario.constData());
    MainWindow window(env, true);
    QVERIFY2(window.strStartError.empty(), window.strStartError.c_str());
    QTRY_COMPARE_WITH_TIMEOUT(window.link.GetConnectionState(), nMonitorState, 3000); // as the monitor saw it last
    CDlgNewConfiguration dlg(window.dlg);
    window.dlg.setEnabled(false); // as the menu command does
    dlg.ShowDialog();
    Choose(Child<QComboBox>(dlg, 1026), article);
    QVERIFY(Child<QComboBox>(dlg, 1025)->currentIndex() >= 0);
    Child<QPushButton>(dlg, 1023)->click(); // no product in force: no question

    QCOMPARE(window.dlg.GetArticleNumberInForce(), article.toStdString()); // what the monitor compares with
    QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), article.toStdString());
    QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
    QCOMPARE(window.dlg.Session().ProductType(), nProductType);
    QCOMPARE(window.dlg.Canvas().m_bPictureLoaded, 1);
    QCOMPARE(window.pageMessages, (Messages{{0, 1}}));
    QVERIFY(!dlg.isVisible());
    QVERIFY(window.dlg.isEnabled());
    QTRY_COMPARE(window.posted.states, std::vector<std::intptr_t>{nPosted});
    QTRY_COMPARE(window.dlg.m_nConnState, nPosted); // the main window applied it
}

void DialogsTest::newConfigurationAcceptNeedsChoiceAndConsent()
{
    g_nLanguage = kLanguageGerman;
    AppEnvironment env;
    MainWindow window(env, true);
    // A product of an unknown type and one without its picture; both with
    // the shipped faucet's settings, so that its page takes their defaults.
    CDeviceConfig faucet;
    QVERIFY(window.dlg.Session().Catalog().FindDefinition("230300301", faucet));
    for (const auto& [szArticle, szType] : {std::pair{"100000008", "Urinal2"}, std::pair{"100000009", "Ambra"}}) {
        CDeviceConfig definition = faucet;
        definition.SetArticleNumber(szArticle);
        definition.SetConfigSheet(szType);
        definition.SetPicturePath(QDir(env.Path()).filePath(QStringLiteral("missing.bmp")).toStdString());
        std::string strError;
        QCOMPARE(window.dlg.Session().Catalog().Configs().AddObjectByName(definition, strError), 0);
    }
    CDlgNewConfiguration dlg(window.dlg);
    std::string strError;
    CDeviceConfig first;
    QCOMPARE(window.dlg.Session().Catalog().Configs().GetObjectByIndex(0, first, strError), 0);
    window.dlg.Session().SetCurrentConfig(first);
    const std::string strInForce = window.dlg.Session().Config().GetArticleNumber();
    window.dlg.setEnabled(false);
    dlg.ShowDialog();

    // Without a choice Accept does nothing.
    Child<QPushButton>(dlg, 1023)->click();
    QVERIFY(dlg.isVisible());

    // With a product in force it asks first; No changes nothing.
    Choose(Child<QComboBox>(dlg, 1026), QStringLiteral("230700701"));
    QString question;
    AnswerMessageBox(QMessageBox::No, &question);
    Child<QPushButton>(dlg, 1023)->click();
    QCOMPARE(question, QStringLiteral("Möchten Sie die aktuelle Konfiguration überschrieben?"));
    QVERIFY(dlg.isVisible());
    QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), strInForce);

    // A product that cannot be selected or shown is reported; the dialog stays.
    for (const auto& [szArticle, szError] : {std::pair{"100000008", "Das Produkt (Urinal2) ist nicht bekannt"},
                                             std::pair{"100000009", "Das Produktbild ("}}) {
        window.dlg.Session().SetCurrentConfig(CDeviceConfig()); // no question
        window.pageMessages.clear();
        Choose(Child<QComboBox>(dlg, 1026), QString::fromUtf8(szArticle));
        QString error;
        AnswerMessageBox(QMessageBox::Ok, &error);
        Child<QPushButton>(dlg, 1023)->click();
        QVERIFY2(error.startsWith(QString::fromUtf8(szError)), qPrintable(error));
        QVERIFY(dlg.isVisible());
        QVERIFY(!window.dlg.isEnabled());
        QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), std::string(szArticle));
        QCOMPARE(window.pageMessages, (Messages{{0, 1}}));
    }
    QCoreApplication::processEvents();
    QVERIFY(window.posted.states.empty());

    // Cancel hands the main window back and leaves the product in force.
    Child<QPushButton>(dlg, 1024)->click();
    QVERIFY(!dlg.isVisible());
    QVERIFY(window.dlg.isEnabled());
    QCOMPARE(window.dlg.Session().Config().GetArticleNumber(), std::string("100000009"));
}

void DialogsTest::newConfigurationDialogInBothLanguages()
{
    AppEnvironment env;
    MainWindow window(env, true);
    CDlgNewConfiguration dlg(window.dlg);
    struct Texts {
        int nLanguage;
        const char* szTitle;
        const char* szLabels[3];
        const char* szAccept;
        const char* szDescription;
    };
    for (const Texts& t : {Texts{kLanguageGerman, "Neue Produktkonfiguration",
                                 {"Produktbezeichnung:", "Erweiterte Beschreibung:", "Artikelnummer:"}, "Übernehmen", "Ambra Waschtischarmatur"},
                           Texts{kLanguageEnglish, "New product configuration",
                                 {"Product description:", "Extended description:", "Article number:"}, "Accept", "Ambra basin faucet"}}) {
        g_nLanguage = t.nLanguage;
        CWindowMessage message(kWmLanguageChanged, 0, 0);
        QCoreApplication::sendEvent(&dlg, &message);
        dlg.ShowDialog();
        QCOMPARE(dlg.windowTitle(), QString::fromUtf8(t.szTitle));
        const int kLabelIds[3] = {1021, 1028, 1022};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Child<QLabel>(dlg, kLabelIds[i])->text(), QString::fromUtf8(t.szLabels[i]));
        QCOMPARE(Child<QPushButton>(dlg, 1023)->text(), QString::fromUtf8(t.szAccept));
        // The two shipped Ambra products share their description.
        auto* pDescriptions = Child<QComboBox>(dlg, 1025);
        QCOMPARE(pDescriptions->count(), 7);
        Choose(pDescriptions, QString::fromUtf8(t.szDescription));
        auto* pExtended = Child<QComboBox>(dlg, 1030);
        QCOMPARE(pExtended->count(), 2);
        Choose(pExtended, pExtended->itemText(0));
        QVERIFY(dlg.m_bPreviewLoaded);
        SaveScreenshot(dlg, QStringLiteral("new_config_dialog_%1").arg(QString::fromUtf8(kLanguageSuffix[t.nLanguage])));
    }
}

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
