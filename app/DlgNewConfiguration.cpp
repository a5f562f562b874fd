#include "app/DlgNewConfiguration.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/NexaroDlg.h"
#include "app/UiText.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/MainWindowLink.h"
#include "devicelink/VelmorTPExt.h"

#include <QFrame>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace {

QString Text(const std::string& strText)
{
    return QString::fromStdString(strText);
}

// The lists are sorted without regard to case, as the platform's sorted
// list boxes are.
void AddSorted(QComboBox* pList, const QString& text)
{
    int nIndex = 0;
    while (nIndex < pList->count() && QString::compare(pList->itemText(nIndex), text, Qt::CaseInsensitive) <= 0)
        ++nIndex;
    pList->insertItem(nIndex, text);
}

// A text that begins an entry already listed (without regard to case) is
// not added: the list's prefix search finds that entry.
void AddUnlessPrefixFound(QComboBox* pList, const std::string& strText)
{
    if (pList->findText(Text(strText), Qt::MatchStartsWith) < 0)
        AddSorted(pList, Text(strText));
}

// Selects the first entry that begins with the text; none found changes
// nothing.
void SelectByPrefix(QComboBox* pList, const std::string& strText)
{
    const int nIndex = pList->findText(Text(strText), Qt::MatchStartsWith);
    if (nIndex >= 0)
        pList->setCurrentIndex(nIndex);
}

} // namespace

CDlgNewConfiguration::CDlgNewConfiguration(CNexaroDlg& mainDlg) : CLanguageDialog(nullptr), m_mainDlg(mainDlg)
{
    setObjectName(QStringLiteral("CDlgNewConfiguration"));
    setFixedSize(DluSize(202, 369));
    setFont(DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    m_pDescriptionLabel = AddStatic(1021, DluRect(7, 7, 188, 9));
    m_pDescriptions = AddList(1025, DluRect(7, 17, 188, 14));
    m_pExtendedLabel = AddStatic(1028, DluRect(7, 37, 188, 9));
    m_pExtended = AddList(1030, DluRect(7, 47, 188, 14));
    m_pArticleLabel = AddStatic(1022, DluRect(7, 67, 188, 9));
    m_pArticles = AddList(1026, DluRect(7, 77, 188, 14));
    m_stcPictureTall = AddFrame(1004, DluRect(15, 98, 171, 240));
    m_stcPictureSquare = AddFrame(1020, DluRect(15, 143, 171, 150));
    m_stcPictureSquare->hide();
    m_pAccept = NewButton(this, 1023, DluRect(7, 347, 90, 14));
    m_pCancel = NewButton(this, 1024, DluRect(105, 347, 90, 14));
    connect(m_pDescriptions, &QComboBox::activated, this, &CDlgNewConfiguration::OnDescriptionChosen);
    connect(m_pExtended, &QComboBox::activated, this, &CDlgNewConfiguration::OnExtendedChosen);
    connect(m_pArticles, &QComboBox::activated, this, &CDlgNewConfiguration::OnArticleChosen);
    connect(m_pAccept, &QPushButton::clicked, this, &CDlgNewConfiguration::OnAccept);
    connect(m_pCancel, &QPushButton::clicked, this, &CDlgNewConfiguration::reject);
    SetLanguage(g_nLanguage);
    CenterOverMainWindow();
}

CColorStatic* CDlgNewConfiguration::AddStatic(int nId, const QRect& geometry)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId, geometry);
    return pStatic;
}

QComboBox* CDlgNewConfiguration::AddList(int nId, const QRect& geometry)
{
    auto* pList = NewControl<QComboBox>(this, nId, geometry);
    return pList;
}

QFrame* CDlgNewConfiguration::AddFrame(int nId, const QRect& geometry)
{
    auto* pFrame = NewControl<QFrame>(this, nId, geometry);
    pFrame->setFrameShape(QFrame::Box);
    QPalette palette = pFrame->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    pFrame->setPalette(palette);
    return pFrame;
}

void CDlgNewConfiguration::CenterOverMainWindow()
{
    const QRect area = m_mainDlg.geometry();
    move(area.center() - rect().center());
}

void CDlgNewConfiguration::ShowDialog()
{
    CenterOverMainWindow();
    m_bPreviewLoaded = 0;
    m_pArticles->setCurrentIndex(-1);
    m_pDescriptions->setCurrentIndex(-1);
    m_pExtended->clear();
    update();
    show();
    raise();
    activateWindow();
}

void CDlgNewConfiguration::SetLanguage(int nLanguage)
{
    setWindowTitle(UiText(nLanguage, "New product configuration", "Neue Produktkonfiguration"));
    m_pDescriptionLabel->setText(UiText(nLanguage, "Product description:", "Produktbezeichnung:"));
    m_pExtendedLabel->setText(UiText(nLanguage, "Extended description:", "Erweiterte Beschreibung:"));
    m_pArticleLabel->setText(UiText(nLanguage, "Article number:", "Artikelnummer:"));
    m_pAccept->setText(UiText(nLanguage, "Accept", "Übernehmen"));
    m_pCancel->setText(UiText(nLanguage, "Cancel", "Abbrechen"));
    FillLists();
}

std::vector<CDlgNewConfiguration::CListedDefinition> CDlgNewConfiguration::ListDefinitions(std::string& strError) const
{
    CHashedObjects<CDeviceConfig>& configs = m_mainDlg.Session().Catalog().Configs();
    std::vector<CListedDefinition> definitions(static_cast<std::size_t>(configs.GetCount()));
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        CListedDefinition& definition = definitions[i];
        if (configs.GetObjectByIndex(static_cast<int>(i), definition.config, strError) != Result::Ok) {
            definitions.resize(i);
            break;
        }
        definition.config.GetProductDescription(g_nLanguage.load(), definition.strDescription, definition.strExtended);
    }
    return definitions;
}

void CDlgNewConfiguration::FillLists()
{
    m_pDescriptions->clear();
    m_pExtended->clear();
    m_pArticles->clear();
    std::string strIgnored;
    for (const CListedDefinition& definition : ListDefinitions(strIgnored)) {
        AddUnlessPrefixFound(m_pDescriptions, definition.strDescription);
        AddUnlessPrefixFound(m_pArticles, definition.config.GetArticleNumber());
    }
    // Filling selects the first entry; nothing is chosen yet.
    m_pDescriptions->setCurrentIndex(-1);
    m_pArticles->setCurrentIndex(-1);
}

void CDlgNewConfiguration::OnDescriptionChosen()
{
    const std::string strChosen = m_pDescriptions->currentText().toStdString();
    m_pExtended->clear();
    ClearPreview();
    m_pArticles->setCurrentIndex(-1);
    std::string strIgnored;
    const std::vector<CListedDefinition> definitions = ListDefinitions(strIgnored);
    for (const CListedDefinition& definition : definitions) {
        const std::string strExtended = TrimWhiteSpace(definition.strExtended);
        if (definition.strDescription == strChosen && !strExtended.empty())
            AddUnlessPrefixFound(m_pExtended, strExtended);
    }
    m_pExtended->setCurrentIndex(-1);
    if (m_pExtended->count() > 0)
        return;
    const auto found = std::find_if(definitions.begin(), definitions.end(),
                                    [&](const CListedDefinition& definition) { return definition.strDescription == strChosen; });
    if (found == definitions.end())
        return;
    SelectByPrefix(m_pArticles, found->config.GetArticleNumber());
    ShowPreview(found->config);
}

void CDlgNewConfiguration::OnExtendedChosen()
{
    const std::string strChosen = m_pExtended->currentText().toStdString();
    std::string strError;
    const std::vector<CListedDefinition> definitions = ListDefinitions(strError);
    const auto found = std::find_if(definitions.begin(), definitions.end(), [&](const CListedDefinition& definition) {
        return TrimWhiteSpace(definition.strExtended) == strChosen;
    });
    if (found == definitions.end()) {
        if (!strError.empty())
            ShowErrorMessage(this, strError);
        return;
    }
    ShowPreview(found->config);
    SelectByPrefix(m_pArticles, found->config.GetArticleNumber());
}

void CDlgNewConfiguration::OnArticleChosen()
{
    const std::string strChosen = m_pArticles->currentText().toStdString();
    std::string strIgnored;
    const std::vector<CListedDefinition> definitions = ListDefinitions(strIgnored);
    const auto found = std::find_if(definitions.begin(), definitions.end(), [&](const CListedDefinition& definition) {
        return definition.config.GetArticleNumber() == strChosen;
    });
    if (found == definitions.end())
        return;
    SelectByPrefix(m_pDescriptions, found->strDescription);
    ShowPreview(found->config);
}

void CDlgNewConfiguration::ShowPreview(const CDeviceConfig& definition)
{
    FCObjImage picture; // a picture that cannot be loaded leaves the preview as it is
    if (!picture.LoadFile(Text(definition.GetPicturePath())))
        return;
    m_imgPreview = picture;
    m_dPreviewAspect = static_cast<double>(picture.Width()) / picture.Height();
    const bool bSquare = m_dPreviewAspect == 1.0;
    m_stcPictureSquare->setVisible(bSquare);
    m_stcPictureTall->setVisible(!bSquare);
    m_bPreviewLoaded = 1;
    update();
}

void CDlgNewConfiguration::ClearPreview()
{
    m_bPreviewLoaded = 0;
    update();
}

void CDlgNewConfiguration::paintEvent(QPaintEvent*)
{
    if (!m_bPreviewLoaded)
        return;
    QPainter painter(this);
    m_imgPreview.Draw(painter, (m_dPreviewAspect == 1.0 ? m_stcPictureSquare : m_stcPictureTall)->geometry());
}

void CDlgNewConfiguration::OnAccept()
{
    if (m_pArticles->currentIndex() < 0 || m_pDescriptions->currentIndex() < 0)
        return;
    CNexaroDlg& mainDlg = m_mainDlg;
    if (!mainDlg.Session().Config().GetArticleNumber().empty()
        && !AskQuestion(this, "Override the settings",
                        PickText("Do you want to override the current settings?", "Möchten Sie die aktuelle Konfiguration überschrieben?")))
        return;
    const std::string strArticleNumber = m_pArticles->currentText().toStdString();
    std::string strError;
    CDeviceConfig* pDefinition = nullptr;
    if (mainDlg.Session().Catalog().Configs().LookupObjectByName(strArticleNumber, pDefinition, MustExist, strError) != Result::Ok) {
        ShowErrorMessage(this, strError);
        return;
    }
    const CDeviceConfig definition(*pDefinition);
    mainDlg.Session().SetCurrentConfig(definition);
    mainDlg.ShowDescriptions();
    mainDlg.SetViewMode(CNexaroDlg::kWorkView);
    int nResult = mainDlg.Session().SelectProduct(definition.GetConfigSheet(), strError);
    if (nResult == Result::Ok)
        nResult = mainDlg.LoadProductPicture(strError);
    mainDlg.EnableFittingOperations(true);
    mainDlg.SetLanguage(g_nLanguage);
    if (nResult != Result::Ok) {
        ShowErrorMessage(this, strError);
        return;
    }
    mainDlg.PostToMainWindow(kWmConnectionStateMsg, 1, ConnectionStateFor(strArticleNumber));
    mainDlg.setEnabled(true);
    hide();
    mainDlg.update();
}

// How the fitting on the bus relates to the chosen product, as the
// connection monitor saw it last.
int CDlgNewConfiguration::ConnectionStateFor(const std::string& strArticleNumber) const
{
    CVelmorTPExt& link = m_mainDlg.Session().Link();
    if (link.GetConnectionState() == kConnectionNoFitting)
        return kConnectionNoFitting;
    return link.GetArticleNumber() == strArticleNumber ? kConnectionOtherUnit : kConnectionOtherProduct;
}

void CDlgNewConfiguration::reject()
{
    m_mainDlg.setEnabled(true);
    hide();
}
