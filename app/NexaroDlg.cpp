#include "app/NexaroDlg.h"

#include "app/AppGlobals.h"
#include "app/DlgAbout.h"
#include "app/DlgBusconverter.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgNewConfiguration.h"
#include "app/DlgInfoState.h"
#include "app/DlgKeyPad.h"
#include "app/DlgProgress.h"
#include "app/DlgServiceHistory.h"
#include "app/NexaroApp.h"
#include "app/ErrorBox.h"
#include "app/MainMenu.h"
#include "app/PageTable.h"
#include "app/QtLanguage.h"
#include "app/ToolVersion.h"
#include "app/UiText.h"
#include "app/pages/DlgInfoGeneric.h"
#include "app/pages/DlgTools.h"
#include "app/pages/SettingsPage.h"
#include "app/widgets/ColorControls.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingsModel.h"
#include "workflow/FittingReadout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>

#include <algorithm>

CNexaroDlg::CNexaroDlg(QSettings& settings, CVelmorTPExt& link, QWidget* pParent)
    : QMainWindow(pParent), m_link(link), m_settings(settings), m_session(link), m_recentNames(settings), m_files(settings),
      m_jobs([this](unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) { HandleWindowMessage(nMessage, wParam, lParam); })
{
    InitPictureResources();
    m_session.SetProductTypeListener([this] { OnProductType(); });
    setObjectName(QStringLiteral("CNexaroDlg"));
    m_Pages.SetPageFactory([this](int nPageId) { return CreatePageById(nPageId); });
    CreateControls();
    ConnectRecorder();
}

CNexaroDlg::~CNexaroDlg()
{
    m_link.SetMainWindow(nullptr);
    std::string strIgnored;
    m_link.StopConnectionMonitor(strIgnored);
    m_link.StopValveMonitor(strIgnored);
    m_Pages.RemoveAll();
    // Windows of their own.
    delete m_dlgKeyPad;
    delete m_dlgBusconverter;
    delete m_dlgNewConfiguration;
    delete m_dlgConnectionInformation;
}

QWidget* CNexaroDlg::CreatePageById(int nPageId)
{
    const CPageEntry* pEntry = FindPageEntry(nPageId);
    if (pEntry == nullptr)
        return nullptr;
    CPageBase* pPage = pEntry->create(m_pageContext);
    ConnectPage(pPage);
    return pPage;
}

void CNexaroDlg::ConnectPage(CPageBase* pPage)
{
    if (auto* pSettings = qobject_cast<CSettingsPage*>(pPage)) {
        connect(pSettings, &CSettingsPage::KeyPadWanted, this, [this](QLineEdit* pEdit, const std::string& strPrompt) {
            if (m_dlgKeyPad != nullptr)
                m_dlgKeyPad->ShowFor(pEdit, strPrompt);
        });
        // The information page shows the installation record just written.
        connect(pSettings, &CSettingsPage::InstallationWritten, this,
                [this](const std::string& strInstaller, const std::string& strPlacement, const std::string& strDate) {
                    CDisplayDialog* pInfo = nullptr;
                    std::string strIgnored;
                    if (m_Pages.GetDialog("InfoGeneric", pInfo, strIgnored) == Result::Ok)
                        if (auto* pInfoPage = qobject_cast<CDlgInfoGeneric*>(pInfo->GetWnd()))
                            pInfoPage->ShowInstallation(strInstaller, strPlacement, strDate);
                    NoteWriteOutcome(kWritten);
                });
        connect(pSettings, &CSettingsPage::WriteCutOff, this, [this] { NoteWriteOutcome(kWriteCutOff); });
        connect(pSettings, &CSettingsPage::WriteNotHeld, this, [this] { NoteWriteOutcome(kWriteNotHeld); });
        connect(pSettings, &CSettingsPage::WriteUnverified, this, [this] { NoteWriteOutcome(kWriteUnverified); });
        connect(pSettings, &CSettingsPage::SettingsRead, this, [this] { NoteWriteOutcome(kNoWriteOutcome); });
    }
    if (auto* pTools = qobject_cast<CDlgTools*>(pPage))
        connect(pTools, &CDlgTools::ImageWritten, this, [this] {
            ReadConnectedProduct(); // what answers now, whatever it is
            EnableFittingOperations(true);
        });
}

void CNexaroDlg::EnableFittingOperations(bool bEnable)
{
    std::string strIgnored;
    m_Pages.SendToAll(kWmEnableFittingOperations, 0, bEnable ? 1 : 0, strIgnored);
}

void CNexaroDlg::CreateControls()
{
    m_pCanvas = new CMainCanvas(this);
    setCentralWidget(m_pCanvas);
    setFont(DialogFont());
    connect(m_pCanvas->m_tabPages, &QTabBar::currentChanged, this, [this] {
        if (!m_jobs.IsBusy()) {
            OnTabChanged();
            return;
        }
        const QSignalBlocker blocker(m_pCanvas->m_tabPages); // the page in force stays while a job runs
        m_pCanvas->m_tabPages->setCurrentIndex(m_nShownTab);
    });
    connect(m_pCanvas->m_btnNext, &QPushButton::clicked, this, &CNexaroDlg::ReadConnectedProduct);
    qApp->installEventFilter(this);
}

std::string CNexaroDlg::OnInitDialog()
{
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    g_fontSmall = DialogFont(14);
    g_fontBold = DialogFont(15, true);
    g_fontTitle = DialogFont(18, true);
    g_fontLarge = DialogFont(20);

    m_dlgAbout = new CDlgAbout(this);
    m_dlgProgress = new CDlgProgress(this);
    m_jobs.SetProgressDialog(m_dlgProgress);
    m_dlgKeyPad = new CDlgKeyPad(this);
    m_dlgConnectionInformation = new CDlgConnectionInformation(*this);
    m_dlgInfoState = new CDlgInfoState(m_pCanvas);
    m_dlgServiceHistory = new CDlgServiceHistory(m_recorder, m_files, m_session, this);
    for (QWidget* pDialog : {static_cast<QWidget*>(m_dlgAbout), static_cast<QWidget*>(m_dlgProgress),
                             static_cast<QWidget*>(m_dlgConnectionInformation), static_cast<QWidget*>(m_dlgKeyPad),
                             static_cast<QWidget*>(m_dlgInfoState), static_cast<QWidget*>(m_dlgServiceHistory)}) {
        pDialog->hide();
        emit Created(pDialog->objectName());
    }
    m_Pages.SetParentWnd(m_pCanvas);
    m_Pages.SetFrameWnd(m_pCanvas->m_stcPageFrame);

    m_pCanvas->Initialize();
    setWindowTitle(QString::fromStdString(CToolVersion().GetTitle()));

    std::string strStartError = RegisterPages();
    if (strStartError.empty()) {
        m_dlgBusconverter = new CDlgBusconverter(m_link, this);
        m_dlgNewConfiguration = new CDlgNewConfiguration(*this);
        connect(m_dlgBusconverter, &CDlgBusconverter::AdapterOpened, this, &CNexaroDlg::OnAdapterChosen);
        connect(m_dlgBusconverter, &CDlgBusconverter::PortChosen, this, [this](EAdapterPortKind eKind) {
            m_settings.setValue(QLatin1String(kAdapterPortKey), QLatin1String(AdapterPortKindName(eKind)));
        });
        for (QWidget* pDialog : {static_cast<QWidget*>(m_dlgBusconverter), static_cast<QWidget*>(m_dlgNewConfiguration)}) {
            pDialog->hide();
            emit Created(pDialog->objectName());
        }
    }
    if (strStartError.empty() && !m_strConfigPath.empty()) {
        // Without a single definition no fitting can ever be known: that is
        // said at start, not left for the technician to find out.
        if (ListSubdirectories(m_strConfigPath, m_lstConfigDirs, strStartError) == Result::Ok)
            m_session.Catalog().LoadDeviceConfigs(m_strConfigPath, strStartError, CheckDefinitionFitsFields);
        if (strStartError.empty()) {
            if (m_link.LoadDriver(strStartError) == Result::Ok) {
                m_link.SetMainWindow(this);
                m_link.StartConnectionMonitor(strStartError);
            } else {
                strStartError += std::string("\n\n") + MissingLibraryHint();
            }
        }
    }
    SetLanguage(g_nLanguage);
    SetViewMode(kStartView);
    if (!strStartError.empty()) {
        show();
        ShowErrorMessage(this, strStartError);
    }
    return strStartError;
}

std::string CNexaroDlg::RegisterPages()
{
    std::string strError;
    for (const CPageEntry& page : PageTable()) {
        if (page.bServiceOnly && !IsServiceMode())
            continue;
        if (m_Pages.AddDialog(page.szName, page.nPageId, strError) != Result::Ok)
            return strError;
        emit Created(QString::fromUtf8(page.szName));
    }
    return {};
}

int CNexaroDlg::SetDefaultConfigPath(std::string& strError)
{
    strError.clear();
    if (m_strConfigPath.empty())
        m_strConfigPath = DefaultConfigDirectory();
    return Result::Ok;
}

int CNexaroDlg::WriteLanguage(std::string& strError)
{
    strError.clear();
    m_settings.setValue(QStringLiteral("Settings/Language"), g_nLanguage.load());
    return Result::Ok;
}

int CNexaroDlg::WriteKeyPad(std::string& strError)
{
    strError.clear();
    m_settings.setValue(QStringLiteral("Settings/KeyPad"), g_bShowKeyPad);
    return Result::Ok;
}

int CNexaroDlg::WriteDeviceConfigPath(std::string& strError)
{
    strError.clear();
    m_settings.setValue(QStringLiteral("Settings/DeviceConfigPath"), QString::fromStdString(m_strConfigPath));
    return Result::Ok;
}

void CNexaroDlg::SetLanguage(int nLanguage)
{
    LoadMenus(nLanguage);
    UseQtLanguage(g_nLanguage);
    UpdateTexts(g_nLanguage);
    UpdateNextToolTip(g_nLanguage);
    std::string strIgnored;
    m_Pages.SendToAll(kWmLanguageChanged, strIgnored);
    for (QWidget* pDialog : {static_cast<QWidget*>(m_dlgAbout), static_cast<QWidget*>(m_dlgBusconverter),
                             static_cast<QWidget*>(m_dlgNewConfiguration), static_cast<QWidget*>(m_dlgProgress),
                             static_cast<QWidget*>(m_dlgConnectionInformation), static_cast<QWidget*>(m_dlgServiceHistory)}) {
        if (pDialog != nullptr) {
            CWindowMessage message(kWmLanguageChanged, 0, 0);
            QCoreApplication::sendEvent(pDialog, &message);
        }
    }
}

void CNexaroDlg::LoadMenus(int nLanguage)
{
    if (nLanguage != kLanguageEnglish)
        g_nLanguage = kLanguageGerman;
    const CommandHandler onCommand = [this](int nCommand) { HandleCommand(nCommand); };
    QMenuBar* pMenuBar = BuildMenuBar(this, nLanguage, g_bShowKeyPad == 1, onCommand);
    setMenuBar(pMenuBar); // deletes the menu bar of the other language
    EnableServiceReport();
    setFixedSize(CMainCanvas::kClientWidth, CMainCanvas::kClientHeight + pMenuBar->sizeHint().height());
    delete m_pContextMenu;
    m_pContextMenu = BuildContextMenu(this, onCommand);
}

void CNexaroDlg::HandleCommand(int nCommand)
{
    if (m_jobs.IsBusy())
        return;
    switch (nCommand) {
    case kCmdAbout:
    case kCmdSystemInfo:
        if (m_dlgAbout != nullptr)
            m_dlgAbout->ShowAbout();
        break;
    case kCmdGerman:
    case kCmdEnglish:
        g_nLanguage = nCommand == kCmdEnglish ? kLanguageEnglish : kLanguageGerman;
        SetLanguage(g_nLanguage);
        break;
    case kCmdKeyPad:
        g_bShowKeyPad = g_bShowKeyPad ? 0 : 1;
        LoadMenus(g_nLanguage);
        break;
    case kCmdQuit:
        close();
        break;
    case kCmdBusAdapter:
        if (m_dlgBusconverter != nullptr) {
            setEnabled(false);
            m_dlgBusconverter->move(geometry().center() - m_dlgBusconverter->rect().center());
            m_dlgBusconverter->show();
        }
        break;
    case kCmdNew:
        if (m_dlgNewConfiguration != nullptr) {
            setEnabled(false);
            m_dlgNewConfiguration->ShowDialog();
        }
        break;
    case kCmdOpen:
        OpenConfigurationFile();
        break;
    case kCmdSaveAs:
        SaveConfigurationFile();
        break;
    case kCmdServiceHistory:
        if (m_dlgServiceHistory != nullptr)
            m_dlgServiceHistory->ShowHistory();
        break;
    case kCmdTechnician:
        ChangeTechnician();
        break;
    case kCmdSaveServiceReport:
        SaveServiceReport();
        break;
    default:
        break;
    }
}

void CNexaroDlg::UpdateTexts(int nLanguage)
{
    std::string strDescription;
    std::string strExtended;
    m_session.Config().GetProductDescription(nLanguage, strDescription, strExtended);
    if (!strDescription.empty()) {
        m_pCanvas->m_stcDescription->setText(QString::fromStdString(strDescription));
        m_pCanvas->m_stcExtDescription->setText(QString::fromStdString(strExtended));
    }
    RebuildTabs();
    const char* const kLabels[4][2] = {{"Production date:", "Herstellungsdatum:"},
                                       {"Serial number:", "Seriennummer:"},
                                       {"Firmware:", "Firmware:"},
                                       {"Bootloader:", "Bootloader:"}};
    for (int i = 0; i < 4; ++i)
        m_pCanvas->m_stcDeviceInfo[2 * i]->setText(UiText(kLabels[i][0], kLabels[i][1]));
    const bool bConnected = m_nConnState == kConnectionKnownFitting || m_nConnState == kConnectionOtherUnit
                            || m_nConnState == kConnectionOtherProduct || m_nConnState == kConnectionUnknownFitting
                            || m_nConnState == kConnectionInBootloader;
    const QString connection = bConnected ? UiText("connected", "verbunden") : UiText("not connected", "nicht verbunden");
    m_pCanvas->m_stcConnState->setText(connection);
    m_pCanvas->m_stcConnStateSmall->setText(connection);
    if (m_nConnState == kConnectionUnknownFitting)
        m_pCanvas->m_stcCenterText->setText(
            UiText("The connected faucet is not known: no product definition has its article number %1.\n"
                   "Add the product's definition to the \"Config\" folder, or ask for a newer Fluxa USB.",
                   "Die angeschlossene Armatur ist nicht bekannt: keine Produktdefinition hat ihre Artikelnummer %1.\n"
                   "Legen Sie die Produktdefinition im Ordner \"Config\" ab oder fordern Sie ein neueres Fluxa USB an.")
                .arg(QString::fromStdString(m_link.GetArticleNumberFormatted())));
    if (m_nConnState == kConnectionInBootloader)
        m_pCanvas->m_stcCenterText->setText(UiText("The faucet is waiting in its boot loader", "Die Armatur wartet in ihrem Bootloader"));

    if (m_nViewMode == kStartView) {
        m_pCanvas->m_stcDescription->setText(UiText("Fluxa USB programming and diagnostic software", "Fluxa USB Programmier- und Diagnosesoftware"));
        m_pCanvas->m_stcExtDescription->clear();
        m_pCanvas->m_stcArticleNumber->clear();
        if (m_link.GetConnectionState() == kConnectionNoFitting) {
            m_pCanvas->m_stcCenterText->setText(m_link.IsAdapterPresent() ? UiText("No faucet connected", "Keine Armatur angeschlossen")
                                                                          : UiText("No bus adapter connected", "Kein Bus Adapter angeschlossen"));
            m_pCanvas->m_btnNext->setEnabled(false);
        } else if (m_nConnState == kConnectionKnownFitting || m_nConnState == kConnectionOtherUnit
                   || m_nConnState == kConnectionOtherProduct) {
            m_pCanvas->m_btnNext->setEnabled(true);
        }
    }
    m_pCanvas->m_btnNext->setText(UiText("Next", "Weiter"));
    ShowWriteOutcome();
    ShowLastService();
}

void CNexaroDlg::UpdateNextToolTip(int nLanguage)
{
    m_mapToolTips.Set(m_pCanvas->m_btnNext, 1053,
                      UiText(nLanguage, "Read the current settings from the faucet", "Liest die aktuellen Einstellungen aus der Armatur"));
}

void CNexaroDlg::RebuildTabs()
{
    const int nSelected = m_pCanvas->m_tabPages->currentIndex();
    const QSignalBlocker blocker(m_pCanvas->m_tabPages);
    while (m_pCanvas->m_tabPages->count() > 0)
        m_pCanvas->m_tabPages->removeTab(0);
    m_pCanvas->m_tabPages->addTab(QStringLiteral("Information"));
    m_pCanvas->m_tabPages->addTab(UiText("Configuration", "Konfiguration"));
    m_pCanvas->m_tabPages->addTab(UiText("Diagnostics", "Diagnose"));
    if (IsServiceMode())
        m_pCanvas->m_tabPages->addTab(QStringLiteral("Tools"));
    m_pCanvas->m_tabPages->setCurrentIndex(nSelected >= 0 && nSelected < m_pCanvas->m_tabPages->count() ? nSelected : 0);
}

void CNexaroDlg::OnTabChanged()
{
    const int nTab = m_pCanvas->m_tabPages->currentIndex();
    m_nShownTab = nTab;
    std::string strIgnored;
    m_link.StopValveMonitor(strIgnored);
    const std::string strConfigurationPage = ConfigurationPageOf(m_session.ProductType());
    if (strConfigurationPage.empty())
        return;
    switch (nTab) {
    case 0:
        m_Pages.ShowDialog("InfoGeneric", strIgnored);
        break;
    case 1:
        m_Pages.ShowDialog(strConfigurationPage, strIgnored);
        break;
    case 2:
        if (m_Pages.ShowDialog("GenericDiagnostics", strIgnored) == Result::Ok)
            m_link.StartValveMonitor(strIgnored);
        break;
    case 3:
        m_Pages.ShowDialog("Tools", strIgnored);
        break;
    default:
        break;
    }
}

void CNexaroDlg::SetViewMode(int nMode)
{
    m_nViewMode = nMode;
    UpdateTexts(g_nLanguage);
    const bool bWork = nMode != kStartView;
    m_pCanvas->m_stcPageFrame->setVisible(bWork);
    m_pCanvas->m_tabPages->setVisible(bWork);
    m_pCanvas->m_stcConnState->setVisible(!bWork);
    m_pCanvas->m_stcConnStateSmall->setVisible(bWork);
    for (CColorStatic* pInfo : m_pCanvas->m_stcDeviceInfo)
        pInfo->setVisible(bWork);
    m_pCanvas->m_btnNext->setVisible(!bWork);
    m_pCanvas->m_btnNext->setEnabled(false);
    m_pCanvas->m_stcCenterText->setVisible(!bWork);
    if (!bWork)
        UpdateTexts(g_nLanguage); // enables Next again for a usable fitting
    m_pCanvas->SetWorkView(bWork);
}

void CNexaroDlg::ShowDescriptions()
{
    std::string strDescription;
    std::string strExtended;
    m_session.Config().GetProductDescription(g_nLanguage, strDescription, strExtended);
    m_pCanvas->m_stcDescription->setText(QString::fromStdString(strDescription));
    m_pCanvas->m_stcExtDescription->setText(QString::fromStdString(strExtended));
    m_pCanvas->m_stcArticleNumber->setText(QString::fromStdString(FormatArticleNumber(m_session.Config().GetArticleNumber())));
    m_dlgInfoState->SetProductLine(QString::fromStdString(strDescription));
}

void CNexaroDlg::OnProductType()
{
    OnTabChanged();
    std::string strIgnored;
    m_Pages.SendToAll(kWmTakeDefaults, strIgnored);
}

int CNexaroDlg::LoadProductPicture(std::string& strError)
{
    if (!m_pCanvas->LoadProductPicture(QString::fromStdString(m_session.Config().GetPicturePath()))) {
        strError = FormatText(PickText("The product picture (%s) can't be loaded and displayed",
                                       "Das Produktbild (%s) konnte nicht geladen und angezeigt werden"),
                              m_session.Config().GetPicturePath().c_str());
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

void CNexaroDlg::PostToMainWindow(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam)
{
    QCoreApplication::postEvent(this, new CWindowMessage(nMessage, wParam, lParam));
}

bool CNexaroDlg::FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType)
{
    return m_session.FindProductTypeForArticle(strArticleNumber, nProductType);
}

std::string CNexaroDlg::GetArticleNumberInForce()
{
    return m_session.GetArticleNumberInForce();
}

bool CNexaroDlg::event(QEvent* pEvent)
{
    const unsigned nMessage = CWindowMessage::MessageOf(pEvent);
    if (nMessage == 0)
        return QMainWindow::event(pEvent);
    const auto* pMessage = static_cast<const CWindowMessage*>(pEvent);
    if (!m_jobs.HoldMessage(pMessage->nMessage, pMessage->wParam, pMessage->lParam))
        HandleWindowMessage(pMessage->nMessage, pMessage->wParam, pMessage->lParam);
    return true;
}

void CNexaroDlg::HandleWindowMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam)
{
    std::string strIgnored;
    if (nMessage == kWmConnectionStateMsg) {
        if (wParam == 0)
            OnMonitorState(static_cast<int>(lParam));
        else
            OnConnectionState(wParam, static_cast<int>(lParam));
        m_pCanvas->update(QRect(961, 640, 14, 14));
    } else if (nMessage == kWmAdapterStateMsg) {
        UpdateTexts(g_nLanguage);
    } else if (nMessage == kWmValveStateMsg) {
        m_Pages.SendToAll(nMessage, wParam, lParam, strIgnored);
    }
}

bool CNexaroDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::MouseMove && m_nViewMode != kStartView && m_dlgInfoState != nullptr) {
        const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        HoverTest(m_pCanvas->mapFromGlobal(pMouse->globalPosition().toPoint()));
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

void CNexaroDlg::HoverTest(const QPoint& clientPosition)
{
    // 978 stands in for the label's right edge.
    const QRect label = m_pCanvas->m_stcConnStateSmall->geometry();
    const bool bInside = label.left() <= clientPosition.x() && clientPosition.x() <= 978 && label.top() <= clientPosition.y()
                         && clientPosition.y() <= label.bottom();
    if (bInside)
        m_dlgInfoState->ShowState(m_nConnState, 1);
    else if (m_dlgInfoState->isVisible())
        m_dlgInfoState->ShowState(m_nConnState, 0);
}

void CNexaroDlg::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Escape)
        close(); // asks first
    // Enter does nothing.
    pEvent->accept();
}

bool CNexaroDlg::AskToQuit()
{
    return AskQuestion(this, PickText("Application close", "Beenden der Applikation"),
                       HasUnwrittenChanges() ? PickText("The settings changed on the page have not been written to the faucet.\n"
                                                        "Do you want to quit this application anyway?",
                                                        "Die auf der Seite geänderten Einstellungen wurden nicht in die Armatur geschrieben.\n"
                                                        "Möchten Sie diese Applikation trotzdem beenden?")
                                             : PickText("Do you want to quit this application?", "Möchten Sie diese Applikation beenden?"));
}

bool CNexaroDlg::HasUnwrittenChanges() const
{
    return std::ranges::any_of(m_Pages.Dialogs(), [](const CDisplayDialog* pDialog) {
        auto* pPage = qobject_cast<CSettingsPage*>(pDialog->GetWnd());
        return pPage != nullptr && pPage->HasUnwrittenChanges();
    });
}

void CNexaroDlg::closeEvent(QCloseEvent* pEvent)
{
    if (m_bClosing || m_jobs.IsBusy() || !AskToQuit()) {
        pEvent->ignore();
        return;
    }
    CloseSequence();
    pEvent->accept();
}

void CNexaroDlg::CloseSequence()
{
    m_bClosing = true;
    std::string strIgnored;
    SwitchValve(m_link, false, strIgnored); // no fitting connected is the normal case
    m_Pages.RemoveAll();
    // Windows of their own would keep the program running without its
    // main window.
    for (QWidget* pWindow : {static_cast<QWidget*>(m_dlgKeyPad), static_cast<QWidget*>(m_dlgConnectionInformation),
                             static_cast<QWidget*>(m_dlgAbout), static_cast<QWidget*>(m_dlgServiceHistory)})
        if (pWindow != nullptr)
            pWindow->hide();
    m_jobs.SetProgressDialog(nullptr);
    delete m_dlgProgress;
    m_dlgProgress = nullptr;
    delete m_dlgInfoState;
    m_dlgInfoState = nullptr;
    delete m_dlgBusconverter;
    m_dlgBusconverter = nullptr;
    delete m_dlgNewConfiguration;
    m_dlgNewConfiguration = nullptr;
    WriteLanguage(strIgnored);
    WriteDeviceConfigPath(strIgnored);
    WriteKeyPad(strIgnored);
    m_settings.sync();
}

void CNexaroDlg::contextMenuEvent(QContextMenuEvent* pEvent)
{
    m_pContextMenu->popup(pEvent->globalPos());
}
