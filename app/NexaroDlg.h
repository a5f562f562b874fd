#pragma once
// The main window: the start and work views, menus and language, the page
// tabs, the pictures, the monitors' messages, and the start and close
// sequences. The product in force, the recent names and the fitting jobs
// are parts of their own that the pages receive.

#include "app/DisplayDialog.h"
#include "app/FileChooser.h"
#include "app/FittingJobOwner.h"
#include "app/ProductSession.h"
#include "app/RecentNames.h"
#include "app/ServiceRecorder.h"
#include "app/UiText.h"
#include "app/pages/PageBase.h"
#include "app/MainCanvas.h"
#include "devicelink/MainWindowLink.h"

#include <QMainWindow>
#include <QPointer>
#include <QTime>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CColorStatic;
class CColorTabCtrl;
class CDlgAbout;
class CDlgBusconverter;
class CDlgConnectionInformation;
class CDlgNewConfiguration;
class CDlgInfoState;
class CDlgKeyPad;
class CDlgProgress;
class CDlgServiceHistory;
class CVelmorTPExt;
class QPushButton;
class QSettings;

class CNexaroDlg : public QMainWindow, public IMainWindowLink {
    Q_OBJECT
public:
    enum ViewMode { kStartView = 1, kWorkView = 4 };
    static constexpr int kToolsTab = 3;

    // The settings store and the device link outlive the window.
    CNexaroDlg(QSettings& settings, CVelmorTPExt& link, QWidget* pParent = nullptr);
    ~CNexaroDlg() override;

    // The start sequence; a start error is shown once, after the window is
    // complete. Returns it (empty when none).
    std::string OnInitDialog();
    int SetDefaultConfigPath(std::string& strError);
    int WriteLanguage(std::string& strError);
    int WriteKeyPad(std::string& strError);
    int WriteDeviceConfigPath(std::string& strError);

    void SetLanguage(int nLanguage);
    void LoadMenus(int nLanguage);
    void UpdateTexts(int nLanguage);
    void UpdateNextToolTip(int nLanguage);
    void RebuildTabs();
    void OnTabChanged();
    void SetViewMode(int nMode);
    // Makes a new page for a page id, connected to the window; nullptr for
    // an id without a page.
    QWidget* CreatePageById(int nPageId);

    // The fitting and the files.
    void OnConnectionState(std::uintptr_t bClose, int nState);
    // A state the connection monitor posted.
    void OnMonitorState(int nState);
    void ReadConnectedProduct();
    void OpenConfigurationFile();
    void SaveConfigurationFile();
    int LoadProductPicture(std::string& strError);
    // Descriptions and article number of the product in force.
    void ShowDescriptions();
    // 0x40B to every page: their fitting buttons on or off.
    void EnableFittingOperations(bool bEnable);
    // A write was cut off and nothing has been read since: the fitting may
    // hold a mix of old and new settings.
    bool IsWriteCutOff() const { return m_eWriteOutcome == kWriteCutOff; }

    // The product in force.
    CProductSession& Session() { return m_session; }
    // Every fitting job of the window runs through it.
    CFittingJobOwner& Jobs() { return m_jobs; }
    // The service record of the units served.
    CServiceRecorder& Recorder() { return m_recorder; }
    // The client area with its controls and pictures.
    CMainCanvas& Canvas() { return *m_pCanvas; }

    // The close sequence without its question.
    void CloseSequence();
    // The tooltip text of a control id, cut to 79 characters; empty for none.
    QString ToolTipText(int nControlId) const { return m_mapToolTips.Text(nControlId); }

    // IMainWindowLink, safe from the monitor threads.
    void PostToMainWindow(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType) override;
    std::string GetArticleNumberInForce() override;

    // Members the dialogs use directly.
    CDisplayDialogHandler m_Pages;
    CDlgProgress* m_dlgProgress = nullptr;
    CDlgKeyPad* m_dlgKeyPad = nullptr;
    CDlgAbout* m_dlgAbout = nullptr;
    CDlgInfoState* m_dlgInfoState = nullptr;
    // Windows of their own (a child would be disabled with the main window).
    CDlgConnectionInformation* m_dlgConnectionInformation = nullptr;
    CDlgBusconverter* m_dlgBusconverter = nullptr;
    CDlgNewConfiguration* m_dlgNewConfiguration = nullptr;
    CDlgServiceHistory* m_dlgServiceHistory = nullptr;
    std::string m_strConfigPath;
    std::vector<std::string> m_lstConfigDirs;
    int m_nViewMode = kStartView;
    int m_nConnState = 0;
    CToolTipMap m_mapToolTips;
    CVelmorTPExt& m_link;
    QSettings& m_settings;

    // The open dialog's choice; tests answer it instead of a person.
    std::function<QString()> m_chooseOpenFile;
    // The same for the service report's file, given the name proposed.
    std::function<QString(const QString& proposedName)> m_chooseReportFile;

    // The connection dialog's part of a connection state in the work view
    // (close flag, state); set by the dialog.
    std::function<void(std::uintptr_t, int)> m_onConnectionDialog;

    // Replaces the page factory (tests register pages of their own).
    void SetPageFactory(PageFactory factory) { m_Pages.SetPageFactory(std::move(factory)); }

signals:
    // After the start sequence registered each page or created each dialog:
    // its name, in order.
    void Created(const QString& name);

protected:
    bool event(QEvent* pEvent) override;
    // Every mouse move of the program, before it is dispatched: the hover
    // test for the connection state panel.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void CreateControls();
    void HandleCommand(int nCommand);
    std::string RegisterPages();
    // Says that only programming helps and, in service mode, opens the Tools
    // page with the fitting's product in force.
    void OnFittingInBootloader();
    void HandleWindowMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam);
    void HoverTest(const QPoint& clientPosition);
    bool AskToQuit();
    // Connects what a page asks of the window.
    void ConnectPage(CPageBase* pPage);
    // The product type in force changed: its page, and every page reset.
    void OnProductType();
    // The technician opened an adapter: what answers on it is identified anew.
    void OnAdapterChosen();
    // The work view's word on the last write, in the language in force.
    enum WriteOutcome { kNoWriteOutcome, kWritten, kWriteCutOff, kWriteNotHeld, kWriteUnverified };
    void NoteWriteOutcome(WriteOutcome eOutcome);
    // The status line: the word on the last write and a service record's warning.
    void ShowWriteOutcome();
    QString WithRecordWarning(const QString& outcome, bool bCutOff) const;
    // The service record: its question, warnings and last-service line.
    void ConnectRecorder();
    // The last-service line under the product's descriptions, in the language in force.
    void ShowLastService();
    void ChangeTechnician();
    // The report of the current visit, as a PDF where the technician says.
    void SaveServiceReport();
    // Offered once a visit is recorded.
    void EnableServiceReport();
    // Whether a settings page shows settings the fitting does not hold.
    bool HasUnwrittenChanges() const;

    CMainCanvas* m_pCanvas = nullptr;
    QMenu* m_pContextMenu = nullptr;

    CProductSession m_session;
    CRecentNames m_recentNames;
    CFileChooser m_files;
    CFittingJobOwner m_jobs;
    CServiceRecorder m_recorder{m_settings, m_link};
    CPageContext m_pageContext{m_session, m_jobs, m_recentNames, m_files, m_recorder};
    int m_nShownTab = 0; // the tab a click during a job falls back to
    bool m_bClosing = false;
    bool m_bAdapterChosen = false; // until the monitor posts what answers on it
    WriteOutcome m_eWriteOutcome = kNoWriteOutcome;
    QTime m_timeWriteOutcome;
    QString m_strRecordWarning; // until the next Next
};
