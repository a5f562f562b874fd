#pragma once
// The new configuration dialog: the technician chooses a product of the
// loaded definitions by description, extended description or article
// number, with its picture as preview, and makes it the product in force
// without reading a fitting. The main window disables itself while the
// dialog is shown, so the dialog is a window of its own (a child would be
// disabled with it); the main window deletes it before it goes.

#include "app/LanguageDialog.h"
#include "app/widgets/FCObjImage.h"
#include "configdata/DeviceConfig.h"

#include <functional>
#include <string>
#include <vector>

class CColorStatic;
class CNexaroDlg;
class QComboBox;
class QFrame;
class QPushButton;

class CDlgNewConfiguration : public CLanguageDialog {
    Q_OBJECT
public:
    explicit CDlgNewConfiguration(CNexaroDlg& mainDlg);

    // Centred over the main window, with no choice made yet.
    void ShowDialog();
    // Texts and the lists, filled from the main window's definitions.
    void SetLanguage(int nLanguage) override;

    // The preview: loaded, its width / height.
    int m_bPreviewLoaded = 0;
    double m_dPreviewAspect = 0;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    // Cancel, Escape and the close box.
    void reject() override;

private:
    CNexaroDlg& m_mainDlg;
    // A definition with its descriptions in the language of the program.
    struct CListedDefinition {
        CDeviceConfig config;
        std::string strDescription;
        std::string strExtended;
    };

    CColorStatic* AddStatic(int nId, const QRect& geometry);
    QComboBox* AddList(int nId, const QRect& geometry);
    QFrame* AddFrame(int nId, const QRect& geometry);
    void CenterOverMainWindow();
    void FillLists();
    // The main window's definitions by index; reading stops at the first
    // that cannot be read, with its error.
    std::vector<CListedDefinition> ListDefinitions(std::string& strError) const;
    void OnDescriptionChosen();
    void OnExtendedChosen();
    void OnArticleChosen();
    void ShowPreview(const CDeviceConfig& definition);
    void ClearPreview();
    void OnAccept();
    int ConnectionStateFor(const std::string& strArticleNumber) const;

    CColorStatic* m_pDescriptionLabel;
    CColorStatic* m_pExtendedLabel;
    CColorStatic* m_pArticleLabel;
    QComboBox* m_pDescriptions;
    QComboBox* m_pExtended;
    QComboBox* m_pArticles;
    QPushButton* m_pAccept;
    QPushButton* m_pCancel;
    QFrame* m_stcPictureSquare;
    QFrame* m_stcPictureTall;
    FCObjImage m_imgPreview;
};
