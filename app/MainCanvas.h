#pragma once
// The main window's client area: the product header, the page tabs and the
// frame the pages show in, the pictures, the start view's centre text and
// Next, the device details and the connection state. It paints the pictures;
// the window fills and arranges the rest.

#include "app/WindowColors.h"
#include "app/widgets/FCObjImage.h"

#include <QWidget>

class CColorStatic;
class CColorTabCtrl;
class QPushButton;

class CMainCanvas : public QWidget {
public:
    static constexpr int kClientWidth = 984;  // 656 dialog units
    static constexpr int kClientHeight = 662; // 378 dialog units

    explicit CMainCanvas(QWidget* pParent);

    // The colours and fonts of the start: logo and illustration loaded.
    void Initialize();
    // The product picture beside the pages; false when the file can't be read.
    bool LoadProductPicture(const QString& path);
    // The work view shows the state icon, the start view the illustration.
    void SetWorkView(bool bWork);

    CColorStatic* m_stcDescription = nullptr;
    CColorStatic* m_stcExtDescription = nullptr;
    CColorStatic* m_stcArticleNumber = nullptr;
    CColorStatic* m_stcCenterText = nullptr;
    CColorStatic* m_stcConnState = nullptr;
    CColorStatic* m_stcConnStateSmall = nullptr;
    // The work view's last word on a write: when it succeeded, or that it
    // was cut off.
    CColorStatic* m_stcWriteOutcome = nullptr;
    // Under the product's descriptions: when the unit was last served, and
    // how many of its settings changed since.
    CColorStatic* m_stcLastService = nullptr;
    // Label and value of production date, serial number, firmware, boot loader.
    CColorStatic* m_stcDeviceInfo[8] = {};
    CColorTabCtrl* m_tabPages = nullptr;
    QWidget* m_stcPageFrame = nullptr;
    QPushButton* m_btnNext = nullptr;

    int m_bPictureLoaded = 0;
    double m_dPictureAspect = 0;
    int m_bShowIllustration = 1;
    FCObjImage m_imgLogo, m_imgProduct, m_imgIllustration, m_imgState;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CColorStatic* AddStatic(int nId, const QRect& geometry, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

    QWidget* m_stcPictureTall = nullptr;
    QWidget* m_stcPictureSquare = nullptr;
    bool m_bWorkView = false;
};
