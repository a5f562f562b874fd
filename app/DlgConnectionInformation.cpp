#include "app/DlgConnectionInformation.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/DlgKeyPad.h"
#include "app/NexaroDlg.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "devicelink/MainWindowLink.h"
#include "devicelink/VelmorTPExt.h"

namespace {

// The texts of a state; a text without words leaves its line empty.
struct StateTexts {
    CUiText headline = {};
    CUiText explanation = {};
    CUiText question = {};
};

constexpr CUiText kNewFaucet{"New faucet detected.", "Neue Armatur erkannt."};
constexpr CUiText kReadQuestion{"Read settings from connected faucet?", "Daten aus der Armatur auslesen?"};

// States 2 to 5.
const StateTexts kStateTexts[4] = {
    {.headline = kNewFaucet, .question = kReadQuestion},
    {.headline = {"The connection to the faucet was terminated.", "Die Verbindung zur Armatur wurde unterbrochen."},
     .explanation = {"Please connect the faucet again to continue.", "Bitte schließen Sie die Armatur wieder an, um weiterzuarbeiten."}},
    {.headline = {"Unknown faucet", "Unbekannte Armatur"},
     .explanation = {"The connected faucet can't be configured with this SW version.",
                     "Die angeschlossene Armatur kann mit der aktuellen Softwareversion nicht konfiguriert werden."}},
    {.headline = kNewFaucet,
     .explanation = {"The connected faucet is not compatible with the selected product configuration.",
                     "Die angeschlossene Armatur ist mit der aktuellen\nProduktkonfiguration nicht kompatibel."},
     .question = kReadQuestion},
};

} // namespace

CDlgConnectionInformation::CDlgConnectionInformation(CNexaroDlg& mainDlg) : CLanguageDialog(nullptr), m_mainDlg(mainDlg)
{
    setObjectName(QStringLiteral("CDlgConnectionInformation"));
    setFixedSize(DluSize(274, 143));
    setFont(DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    m_pHeadline = AddStatic(1172, DluRect(6, 12, 258, 30), 18);
    m_pProductLine = AddStatic(1179, DluRect(6, 28, 258, 18), 0);
    m_pProductLine->hide();
    m_pExplanation = AddStatic(1174, DluRect(6, 58, 258, 18), 12);
    m_pQuestion = AddStatic(1178, DluRect(6, 99, 258, 18), 12);
    m_pHeadline->SetTextColor(kDarkRed);
    m_pProductLine->SetTextColor(kDarkRed);
    m_pRead = NewButton(this, 1176, DluRect(6, 120, 127, 14));
    m_pClose = NewButton(this, 1139, DluRect(138, 120, 127, 14));
    m_rectRead = m_pRead->geometry();
    m_rectClose = m_pClose->geometry();
    connect(m_pRead, &QPushButton::clicked, this, &CDlgConnectionInformation::OnRead);
    connect(m_pClose, &QPushButton::clicked, this, &CDlgConnectionInformation::CloseDialog);
    SetLanguage(g_nLanguage);
    m_mainDlg.m_onConnectionDialog = [this](std::uintptr_t bClose, int nState) { OnConnectionState(bClose, nState); };
}

CDlgConnectionInformation::~CDlgConnectionInformation()
{
    m_mainDlg.m_onConnectionDialog = nullptr;
}

CColorStatic* CDlgConnectionInformation::AddStatic(int nId, const QRect& geometry, int nFontPixels)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId, geometry);
    pStatic->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pStatic->setWordWrap(true);
    if (nFontPixels > 0)
        pStatic->setFont(DialogFont(nFontPixels));
    return pStatic;
}

void CDlgConnectionInformation::SetLanguage(int nLanguage)
{
    setWindowTitle(UiText(nLanguage, "Connection state", "Verbindungsstatus"));
    m_pRead->setText(UiText(nLanguage, "Read", "Auslesen"));
    m_pClose->setText(UiText(nLanguage, "Close", "Schließen"));
    m_mapToolTips.Set(m_pRead, 1176, UiText(nLanguage, "Read the settings to continue", "Auslesen der Einstellungen um fortzufahren"));
    m_mapToolTips.Set(m_pClose, 1139, UiText(nLanguage, "Close this dialog", "Schließt diesen Dialog"));
}

void CDlgConnectionInformation::OnConnectionState(std::uintptr_t bClose, int nState)
{
    ShowProductLine(nState);
    if (bClose)
        CloseDialog();
    else
        ShowState(nState);
}

void CDlgConnectionInformation::ShowProductLine(int nState)
{
    m_pProductLine->hide();
    CDeviceConfig definition;
    if ((nState != kConnectionOtherUnit && nState != kConnectionOtherProduct)
        || !m_mainDlg.Session().Catalog().FindDefinition(m_mainDlg.Session().Link().GetArticleNumber(), definition))
        return;
    std::string strDescription;
    std::string strExtended;
    definition.GetProductDescription(g_nLanguage.load(), strDescription, strExtended);
    m_pProductLine->setText(QStringLiteral("(%1)").arg(QString::fromStdString(strDescription)));
    m_pProductLine->show();
}

void CDlgConnectionInformation::ShowState(int nState)
{
    m_bReadAgain = false;
    m_pRead->setGeometry(m_rectRead);
    m_pClose->setGeometry(m_rectClose);
    m_pRead->show();
    m_pClose->show();
    switch (nState) {
    case kConnectionKnownFitting:
        m_mainDlg.EnableFittingOperations(1);
        ShowDialog(0);
        return;
    case kConnectionOtherUnit:
    case kConnectionNoFitting:
    case kConnectionUnknownFitting:
        m_mainDlg.EnableFittingOperations(0);
        break;
    case kConnectionOtherProduct:
        break;
    default:
        return;
    }
    const StateTexts& texts = kStateTexts[nState - kConnectionOtherUnit];
    m_pHeadline->setText(texts.headline.Text());
    m_pExplanation->setText(texts.explanation.Text());
    m_pQuestion->setText(texts.question.Text());
    // Nothing to read without a known fitting: Close alone, in the middle.
    const bool bReadable = nState == kConnectionOtherUnit || nState == kConnectionOtherProduct;
    m_pRead->setEnabled(bReadable);
    m_pRead->setVisible(bReadable);
    if (!bReadable)
        m_pClose->move((width() - m_pClose->width()) / 2, m_pClose->y());
    ShowDialog(1);
}

void CDlgConnectionInformation::ShowReadAgain()
{
    ShowState(kConnectionKnownFitting); // the buttons in place, the fitting operations on
    m_pHeadline->setText(UiText("The faucet answers again.", "Die Armatur antwortet wieder."));
    m_pExplanation->setText(UiText("The write was cut off: it may hold a mix of old and new settings.",
                                   "Das Schreiben wurde unterbrochen: Sie hält womöglich alte und neue Einstellungen gemischt."));
    m_pQuestion->setText(kReadQuestion.Text());
    m_pRead->setEnabled(true);
    m_bReadAgain = true;
    ShowDialog(1);
}

void CDlgConnectionInformation::ShowDialog(int bShow)
{
    if (!bShow) {
        hide();
        m_mainDlg.setEnabled(true);
        m_mainDlg.raise();
        m_mainDlg.activateWindow();
        return;
    }
    if (m_mainDlg.m_dlgKeyPad != nullptr)
        m_mainDlg.m_dlgKeyPad->reject(); // its field may be gone with the fitting
    m_mainDlg.setEnabled(false);
    move(m_mainDlg.geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void CDlgConnectionInformation::OnRead()
{
    ShowDialog(0);
    const int nState = m_mainDlg.m_nConnState;
    if (!m_bReadAgain && nState != kConnectionOtherUnit && nState != kConnectionOtherProduct)
        return;
    m_mainDlg.ReadConnectedProduct();
    m_mainDlg.EnableFittingOperations(1);
}

void CDlgConnectionInformation::CloseDialog()
{
    ShowDialog(0);
    switch (m_mainDlg.m_nConnState) {
    case kConnectionOtherUnit:
        m_mainDlg.EnableFittingOperations(1);
        break;
    case kConnectionNoFitting:
    case kConnectionUnknownFitting:
    case kConnectionOtherProduct:
        m_mainDlg.EnableFittingOperations(0);
        break;
    default:
        break;
    }
}
