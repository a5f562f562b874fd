#pragma once
// The main window: the start and work views, menus and language, the page
// tabs, the pictures, the services the pages call, the monitors' messages,
// and the start and close sequences.

#include "app/DisplayDialog.h"
#include "app/FittingJobOwner.h"
#include "app/widgets/FCObjImage.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/MainWindowLink.h"
#include "workflow/ProductCatalog.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <mutex>
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
class CVelmorTPExt;
class QComboBox;
class QPushButton;
class QSettings;

// A page of the page table: its name and page id, in registration order.
struct CPageEntry {
    const char* szName;
    int nPageId;
    bool bServiceOnly;
};
// The pages the main window registers at start, in this order.
const std::vector<CPageEntry>& PageTable();

class CNexaroDlg : public QMainWindow, public IMainWindowLink {
    Q_OBJECT
public:
    enum ViewMode { kStartView = 1, kWorkView = 4 };
    static constexpr int kToolsTab = 3;
    static constexpr int kClientWidth = 984;  // 656 dialog units
    static constexpr int kClientHeight = 662; // 378 dialog units

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
    // Makes a new page for a page id; nullptr for an id without a page.
    QWidget* CreatePageById(int nPageId);

    // The product in force and the fitting.
    int SelectProduct(const std::string& strTypeName, std::string& strError);
    int SetProductType(int nProductType, std::string& strError);
    void OnConnectionState(std::uintptr_t bClose, int nState);
    void ReadConnectedProduct();
    void OpenConfigurationFile();
    void SaveConfigurationFile();
    // 0 when the fitting's article number is the one in force; safe from a
    // fitting job's worker.
    int CheckArticleNumber(std::string& strError);
    int LoadProductPicture(std::string& strError);
    // Makes the definition the product in force (also for the monitor).
    void SetCurrentConfig(const CDeviceConfig& definition);
    // Descriptions and article number of the product in force.
    void ShowDescriptions();

    // Recent installer and placement names.
    int FillInstallerCombo(QComboBox* pCombo, std::string& strError);
    int FillPlacementCombo(QComboBox* pCombo, std::string& strError);
    int StoreInstallerCombo(QComboBox* pCombo, std::string& strError);
    int StorePlacementCombo(QComboBox* pCombo, std::string& strError);

    // Every fitting job of the window runs through it.
    CFittingJobOwner& Jobs() { return m_jobs; }

    // The close sequence without its question.
    void CloseSequence();
    // The tooltip text of a control id, cut to 79 characters; empty for none.
    QString ToolTipText(int nControlId) const;

    // IMainWindowLink, safe from the monitor threads.
    void PostToMainWindow(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType) override;
    std::string GetArticleNumberInForce() override;

    // Members the pages and dialogs use directly.
    CDeviceConfig m_CurrentConfig;
    CToolConfigXML m_ToolConfig; // the configuration file loaded last
    CProductCatalog m_Configs;
    CDisplayDialogHandler m_Pages;
    CDlgProgress* m_dlgProgress = nullptr;
    CDlgKeyPad* m_dlgKeyPad = nullptr;
    CDlgAbout* m_dlgAbout = nullptr;
    CDlgInfoState* m_dlgInfoState = nullptr;
    // Windows of their own (a child would be disabled with the main window).
    CDlgConnectionInformation* m_dlgConnectionInformation = nullptr;
    CDlgBusconverter* m_dlgBusconverter = nullptr;
    CDlgNewConfiguration* m_dlgNewConfiguration = nullptr;
    std::string m_strConfigPath;
    std::vector<std::string> m_lstConfigDirs;
    std::vector<std::string> m_lstInstaller;
    std::vector<std::string> m_lstPlacement;
    int m_nViewMode = kStartView;
    int m_nConnState = 0;
    int m_nProductType = 0;
    int m_bPictureLoaded = 0;
    double m_dPictureAspect = 0;
    int m_bShowIllustration = 1;
    FCObjImage m_imgLogo, m_imgProduct, m_imgIllustration, m_imgState;
    std::map<int, std::string> m_mapToolTips; // control id to tooltip text
    CVelmorTPExt& m_link;
    QSettings& m_settings;

    // The open dialog's choice; tests answer it instead of a person.
    std::function<QString()> m_chooseOpenFile;

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
    friend class CMainCanvas;
    void CreateControls();
    void HandleCommand(int nCommand);
    CColorStatic* AddStatic(int nId, const QRect& geometry, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    void ApplyColorsAndFonts();
    std::string RegisterPages();
    void PaintClientArea(QPainter& painter);
    // Reads the file and checks it against the product its article number
    // names and that product's page; nothing of the window changes.
    int ReadConfigurationFor(const QString& path, CToolConfigXML& file, CDeviceConfig& definition, std::string& strError);
    // Says that only programming helps and, in service mode, opens the Tools
    // page with the fitting's product in force.
    void OnFittingInBootloader();
    void HandleWindowMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam);
    void HoverTest(const QPoint& clientPosition);
    bool AskToQuit();
    int FillRecentCombo(QComboBox* pCombo, std::vector<std::string>& list, const char* szSection, const char* szPrefix,
                        const char* szLast);
    int StoreRecentCombo(QComboBox* pCombo, std::vector<std::string>& list, const char* szSection, const char* szPrefix,
                         const char* szLast);

    QWidget* m_pCanvas = nullptr;
    QWidget* m_stcPageFrame = nullptr;
    QWidget* m_stcPictureTall = nullptr;
    QWidget* m_stcPictureSquare = nullptr;
    CColorStatic* m_stcDescription = nullptr;
    CColorStatic* m_stcExtDescription = nullptr;
    CColorStatic* m_stcArticleNumber = nullptr;
    CColorStatic* m_stcCenterText = nullptr;
    CColorStatic* m_stcConnState = nullptr;
    CColorStatic* m_stcConnStateSmall = nullptr;
    CColorStatic* m_stcDeviceInfo[8] = {};
    CColorTabCtrl* m_tabPages = nullptr;
    QPushButton* m_btnNext = nullptr;
    QMenu* m_pContextMenu = nullptr;

    mutable std::mutex m_inForceLock; // the article in force, read by the monitor thread
    std::string m_strArticleInForce;

    CFittingJobOwner m_jobs;
    int m_nShownTab = 0; // the tab a click during a job falls back to
    bool m_bClosing = false;
};
