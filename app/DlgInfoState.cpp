#include "app/DlgInfoState.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "devicelink/MainWindowLink.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int kIconMargin = 3;
constexpr int kRowHeight = 22;

} // namespace

CDlgInfoState::CDlgInfoState(QWidget* pParent) : QWidget(pParent)
{
    setObjectName(QStringLiteral("CDlgInfoState"));
    setAutoFillBackground(true);
    m_pCaption = AddStatic(1259);
    m_pCaption->setText(QStringLiteral("verbunden mit:"));
    m_pConnection = AddStatic(1260);
    m_pConnection->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pProduct = AddStatic(1261);
    m_pProduct->SetFontWeight(true);
    m_pWarning = AddStatic(1262);
    m_pWarning->SetTextColor(QColor(145, 15, 10));
    m_pWarning->setWordWrap(true);
    m_pWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pWarning->hide();
    hide();
}

CColorStatic* CDlgInfoState::AddStatic(int nId)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId);
    pStatic->setFont(DialogFont(14));
    return pStatic;
}

void CDlgInfoState::SetProductLine(const QString& text)
{
    m_pProduct->setText(text);
}

void CDlgInfoState::ShowState(int nState, int bShow)
{
    m_nState = nState;
    if (!bShow) {
        hide();
        return;
    }
    const QString connected = QString::fromUtf8(PickText("connected", "verbunden"));
    const QString warning = QString::fromUtf8(PickText("The connected faucet is not compatible with the selected product configuration.",
                                                       "Die angeschlossene Armatur ist mit der aktuellen\nProduktkonfiguration nicht kompatibel."))
                                .replace(QLatin1Char('\n'), QLatin1Char(' '));
    int nHeight = 0;
    int nIcon = 0;
    switch (nState) {
    case kConnectionKnownFitting:
    case kConnectionOtherUnit:
        nIcon = 144;
        nHeight = 100;
        m_pConnection->setText(connected);
        m_pProduct->show();
        m_pWarning->hide();
        break;
    case kConnectionNoFitting:
        nIcon = 145;
        nHeight = 80;
        m_pConnection->setText(QString::fromUtf8(PickText("not connected", "nicht verbunden")));
        m_pProduct->hide();
        m_pWarning->hide();
        break;
    case kConnectionUnknownFitting:
        nIcon = 111;
        nHeight = 150;
        m_pConnection->setText(connected);
        m_pProduct->setText(QString::fromUtf8(PickText("Unknown faucet", "Unbekannte Armatur")));
        m_pProduct->show();
        m_pWarning->setText(warning);
        m_pWarning->show();
        break;
    case kConnectionOtherProduct:
        nIcon = 110;
        nHeight = 150;
        m_pWarning->setText(warning);
        m_pWarning->show();
        break;
    default:
        break;
    }
    if (nIcon != 0) {
        m_imgState.LoadResource(nIcon);
        m_imgState.ApplyPremultipliedAlpha();
    } else {
        m_imgState.Clear();
    }
    setGeometry(QRect(kBottomRight.x() - kWidth, kBottomRight.y() - nHeight, kWidth, nHeight));
    show();
    raise();
}

void CDlgInfoState::resizeEvent(QResizeEvent*)
{
    // Caption and product at the top, the warning below them, the connection
    // row at the bottom beside the icon.
    const int nRowTop = height() - kRowHeight - 1;
    m_pCaption->setGeometry(8, 6, width() - 16, 18);
    m_pProduct->setGeometry(8, 26, width() - 16, 18);
    m_pWarning->setGeometry(8, 48, width() - 16, std::max(0, nRowTop - 52));
    m_pConnection->setGeometry(width() - kIconMargin - 14 - 6 - 120, nRowTop, 120, kRowHeight);
}

void CDlgInfoState::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(214, 210, 210));
    const int nLineY = height() - kRowHeight - 3;
    painter.drawLine(6, nLineY, width() - 7, nLineY);
    if (m_imgState.IsValid())
        m_imgState.Draw(painter, QRect(width() - kIconMargin - m_imgState.Width(), height() - kIconMargin - m_imgState.Height(),
                                       m_imgState.Width(), m_imgState.Height()));
}
