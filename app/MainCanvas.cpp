#include "app/MainCanvas.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/widgets/ColorControls.h"

#include <QPainter>
#include <QPushButton>

CMainCanvas::CMainCanvas(QWidget* pParent) : QWidget(pParent)
{
    setObjectName(QStringLiteral("clientArea"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(DialogFont());
    m_stcArticleNumber = AddStatic(1040, DluRect(6, 12, 148, 8));
    m_stcDescription = AddStatic(1035, DluRect(6, 21, 487, 12));
    m_stcExtDescription = AddStatic(1037, DluRect(6, 35, 487, 12));
    m_tabPages = NewControl<CColorTabCtrl>(this, 1079, DluRect(7, 57, 483, 12));
    m_stcPageFrame = NewControl<QWidget>(this, 1077, DluRect(7, 68, 484, 304));
    m_stcPageFrame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_stcPictureTall = NewControl<QWidget>(this, 1004, DluRect(498, 68, 150, 205));
    m_stcPictureSquare = NewControl<QWidget>(this, 1020, DluRect(498, 68, 150, 128));
    m_stcConnState = AddStatic(1042, DluRect(291, 301, 73, 8), Qt::AlignCenter);
    // Two lines wide and high between the connection text and Next: the
    // longest status, an unknown fitting with what to do, fits in either
    // language.
    m_stcCenterText = AddStatic(1045, DluRect(66, 309, 524, 26), Qt::AlignCenter);
    m_stcCenterText->setWordWrap(true);
    m_btnNext = NewControl<QPushButton>(this, 1053, DluRect(267, 336, 121, 14));
    m_btnNext->setAutoDefault(false);
    for (int i = 0; i < 4; ++i) {
        m_stcDeviceInfo[2 * i] = AddStatic(1082 + 2 * i, DluRect(499, 314 + 12 * i, 70, 8));
        m_stcDeviceInfo[2 * i + 1] = AddStatic(1083 + 2 * i, DluRect(578, 314 + 12 * i, 67, 8));
    }
    // Between the product picture and the device details.
    m_stcWriteOutcome = AddStatic(1500, DluRect(499, 276, 148, 37), Qt::AlignLeft | Qt::AlignTop);
    m_stcWriteOutcome->setWordWrap(true);
    m_stcWriteOutcome->hide();
    // The device column below the details has no room for a line this long.
    m_stcLastService = AddStatic(1501, DluRect(6, 47, 487, 8));
    m_stcLastService->hide();
    m_stcConnStateSmall = AddStatic(1056, DluRect(562, 365, 73, 8), Qt::AlignRight | Qt::AlignVCenter);
    m_stcConnStateSmall->setMouseTracking(true);
    setMouseTracking(true);
}

CColorStatic* CMainCanvas::AddStatic(int nId, const QRect& geometry, Qt::Alignment alignment)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId, geometry);
    pStatic->setAlignment(alignment);
    return pStatic;
}

void CMainCanvas::Initialize()
{
    m_stcDescription->SetTextColor(kDarkRed);
    m_stcDescription->setFont(DialogFont(18, true));
    m_stcExtDescription->SetTextColor(kDarkRed);
    m_stcExtDescription->setFont(DialogFont(12, true));
    m_stcArticleNumber->SetTextColor(kDarkRed);
    m_stcArticleNumber->setFont(DialogFont(12));
    m_stcCenterText->SetTextColor(kGrey);
    m_stcCenterText->setFont(DialogFont(16));
    for (CColorStatic* pInfo : m_stcDeviceInfo)
        pInfo->SetTextColor(kDarkGrey);
    m_stcLastService->SetTextColor(kDarkGrey);
    m_stcWriteOutcome->setFont(DialogFont(13));
    m_stcConnState->SetTextColor(kDarkRed);
    m_tabPages->SetSelectedTextColor(kDarkRed);
    m_tabPages->SetNormalTextColor(Qt::black);
    m_tabPages->SetDisabledTextColor(kLightGrey);
    m_imgLogo.LoadResource(106);
    m_imgLogo.ApplyPremultipliedAlpha();
    m_imgIllustration.LoadResource(107);
    m_imgIllustration.ApplyPremultipliedAlpha();
    m_stcPictureTall->hide();
    m_stcPictureSquare->hide();
}

bool CMainCanvas::LoadProductPicture(const QString& path)
{
    if (!m_imgProduct.LoadFile(path)) {
        m_bPictureLoaded = 0;
        m_stcPictureSquare->hide();
        m_stcPictureTall->hide();
        return false;
    }
    m_imgProduct.ApplyPremultipliedAlpha();
    m_dPictureAspect = static_cast<double>(m_imgProduct.Width()) / m_imgProduct.Height();
    m_stcPictureSquare->setVisible(m_dPictureAspect == 1.0);
    m_stcPictureTall->setVisible(m_dPictureAspect != 1.0);
    m_bPictureLoaded = 1;
    update();
    return true;
}

void CMainCanvas::SetWorkView(bool bWork)
{
    m_bWorkView = bWork;
    m_bShowIllustration = bWork ? 0 : 1;
    update();
}

void CMainCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_bPictureLoaded) {
        const QWidget* pFrame = m_dPictureAspect == 1.0 ? m_stcPictureSquare : m_stcPictureTall;
        m_imgProduct.Draw(painter, pFrame->geometry().adjusted(1, 1, -1, -1));
    }
    if (m_imgLogo.IsValid())
        m_imgLogo.Draw(painter, QRect(kClientWidth - 20 - m_imgLogo.Width(), 25, m_imgLogo.Width(), m_imgLogo.Height()));
    if (m_bShowIllustration && m_imgIllustration.IsValid()) {
        const QRect illustration(QPoint(0, 0), QSize(m_imgIllustration.Width(), m_imgIllustration.Height()));
        m_imgIllustration.Draw(painter, illustration.translated(rect().center() - illustration.center()));
    }
    if (m_bWorkView && m_imgState.IsValid()) {
        const QRect label = m_stcConnStateSmall->geometry();
        m_imgState.Draw(painter, QRect(label.right() + 1 + 6, label.center().y() - m_imgState.Height() / 2, m_imgState.Width(),
                                       m_imgState.Height()));
    }
}
