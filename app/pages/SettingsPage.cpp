#include "app/pages/SettingsPage.h"

#include "app/AppGlobals.h"
#include "app/ErrorBox.h"
#include "app/FittingJobOwner.h"
#include "app/ProductSession.h"
#include "app/RecentNames.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "app/widgets/ControlElements.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

namespace {

constexpr QColor kOutOfRange(255, 251, 233);
constexpr int kMarkerPicture = 110;

// What the fitting's text lines hold, in the field as it will be stored: a
// pasted tab or line break becomes a space, a character without a byte of
// its own there is refused.
class CFittingTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar& character : input)
            if (character.category() == QChar::Other_Control)
                character = QLatin1Char(' ');
        return IsStorableText(input.toStdString()) ? Acceptable : Invalid;
    }
};

QString Text(const CPageText& text)
{
    return QString::fromUtf8(text.Pick());
}

} // namespace

const char* CPageText::Pick() const
{
    return szEnglish == nullptr ? "" : PickText(szEnglish, szGerman);
}

struct CSettingsPage::RowControls {
    const CPageRow* pRow;
    const CPageGroup* pGroup;
    CColorStatic* pLabel;
    CColorEdit* pEdit = nullptr;      // Number rows
    QComboBox* pList = nullptr;       // Symbolic rows
    QPushButton* pPlus = nullptr;
    QPushButton* pMinus = nullptr;
    bool bInvalid = false;
    QWidget* Control() const { return pEdit != nullptr ? static_cast<QWidget*>(pEdit) : pList; }
};

CSettingsPage::CSettingsPage(const CPageDescription& description, const CPageContext& context, QWidget* pParent)
    : CPageBase(description.szPageName, context, pParent), m_Description(description)
{
    m_imgMarker.LoadResource(kMarkerPicture);
    m_imgMarker.ApplyPremultipliedAlpha();
    BuildControls();
}

CSettingsPage::~CSettingsPage() = default;

void CSettingsPage::BuildControls()
{
    for (const CPageGroup& group : m_Description.groups) {
        AddStatic(group.nTitleId, 12, true);
        if (group.nLineId != 0)
            AddLine(group.nLineId);
        if (group.szSwitch != nullptr) {
            auto* pBox = new QCheckBox(this);
            pBox->setObjectName(ControlName(group.nSwitchId));
            connect(pBox, &QCheckBox::toggled, this, [this] { UpdateSwitches(); });
            m_switches[group.szSwitch] = pBox;
        }
        for (const CPageRow& row : group.rows) {
            auto controls = std::make_unique<RowControls>(RowControls{&row, &group, AddStatic(row.nLabelId)});
            RowControls* pControls = controls.get();
            if (row.nPlusId != 0) {
                controls->pEdit = new CColorEdit(this);
                controls->pEdit->setObjectName(ControlName(row.nControlId));
                controls->pEdit->SetTextColor(kDarkRed);
                controls->pEdit->SetTypingLimit(row.nEditLimit);
                controls->pEdit->installEventFilter(this);
                connect(controls->pEdit, &QLineEdit::textChanged, this, [this, pControls] { CheckRow(*pControls); });
                controls->pPlus = AddButton(row.nPlusId);
                controls->pPlus->setText(QStringLiteral("+"));
                controls->pMinus = AddButton(row.nMinusId);
                controls->pMinus->setText(QStringLiteral("-"));
                connect(controls->pPlus, &QPushButton::clicked, this, [this, pControls] { StepRow(*pControls, +1); });
                connect(controls->pMinus, &QPushButton::clicked, this, [this, pControls] { StepRow(*pControls, -1); });
            } else {
                controls->pList = new QComboBox(this);
                controls->pList->setObjectName(ControlName(row.nControlId));
            }
            m_rows.push_back(std::move(controls));
        }
    }
    AddStatic(m_Description.nInstallerLabelId);
    AddStatic(m_Description.nPlacementLabelId);
    AddStatic(m_Description.nDateLabelId);
    AddLine(m_Description.nTopLineId);
    m_pInstaller = new CColorComboBox(this);
    m_pInstaller->setObjectName(ControlName(m_Description.nInstallerId));
    m_pInstaller->SetTextLimit(15);
    m_pPlacement = new CColorComboBox(this);
    m_pPlacement->setObjectName(ControlName(m_Description.nPlacementId));
    m_pPlacement->SetTextLimit(30);
    for (QComboBox* pName : {static_cast<QComboBox*>(m_pInstaller), static_cast<QComboBox*>(m_pPlacement)})
        pName->setValidator(new CFittingTextValidator(pName));
    m_pInstaller->SetCompletionList(RecentNames().List(CRecentNames::kInstaller));
    m_pPlacement->SetCompletionList(RecentNames().List(CRecentNames::kPlacement));
    m_pDate = new QDateEdit(this);
    m_pDate->setObjectName(ControlName(m_Description.nDateId));
    m_pDate->setCalendarPopup(true);
    m_pDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_pDate->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31)); // the fitting keeps two BCD digits
    m_pDate->setDate(QDate::currentDate());
    for (QWidget* pValue : {static_cast<QWidget*>(m_pInstaller), static_cast<QWidget*>(m_pPlacement), static_cast<QWidget*>(m_pDate)}) {
        QPalette palette = pValue->palette();
        palette.setColor(QPalette::Text, kDarkRed);
        pValue->setPalette(palette);
    }
    m_pRead = AddButton(m_Description.nReadId);
    m_pReset = AddButton(m_Description.nResetId);
    m_pWrite = AddButton(m_Description.nWriteId);
    connect(m_pRead, &QPushButton::clicked, this, &CSettingsPage::ReadFromTarget);
    connect(m_pReset, &QPushButton::clicked, this, [this] {
        if (!AskQuestion(window(), "Information",
                         PickText("Do you want to reset the settings to their defaults?",
                                  "Möchten Sie die Daten der Benutzeroberfläche zurücksetzen?\n\n(Die Daten in der Armatur bleiben unverändert.)")))
            return;
        TakeForm(); // what the reset leaves, it leaves as shown
        std::string strError;
        if (ResetToDefaults(strError) != Result::Ok)
            ShowErrorMessage(window(), strError);
    });
    connect(m_pWrite, &QPushButton::clicked, this, &CSettingsPage::WriteToTarget);
    SetLanguage(g_nLanguage);
}

// Only the page of the family in force acts: the main window sends its
// messages to every page.
const CSettingsFamily* CSettingsPage::FamilyInForce() const
{
    const CSettingsFamily* pFamily = FindSheetFamily(m_Description.szPageName);
    const bool bInForce = pFamily != nullptr && pFamily == FindSettingsFamily(Session().ProductType())
                          && IsFamilySheet(*pFamily, Session().Config().GetConfigSheet());
    return bInForce ? pFamily : nullptr;
}

CSettingsModel* CSettingsPage::Model() const
{
    const CSettingsFamily* pFamily = FamilyInForce();
    if (pFamily == nullptr || !m_pModel || &m_pModel->Family() != pFamily)
        return nullptr;
    return m_pModel.get();
}

void CSettingsPage::RebuildModel()
{
    const CSettingsFamily* pFamily = FamilyInForce();
    // A job still holding the old model keeps it until it ends.
    m_pModel = pFamily == nullptr ? nullptr
                                  : std::make_shared<CSettingsModel>(*pFamily, Session().Config(), Session().ProductType());
}

QString CSettingsPage::FieldLabel(const std::string& strField) const
{
    for (const auto& pRow : m_rows)
        if (strField == pRow->pRow->szField)
            return Text(RowLabel(*pRow->pRow)).remove(QLatin1Char(':'));
    for (const CPageGroup& group : m_Description.groups)
        if (group.szSwitch != nullptr && strField == group.szSwitch)
            return Text(group.title);
    if (strField == kInstallerName)
        return Text({"Installer", "Installateur"});
    if (strField == kPlacementName)
        return Text({"Placement", "Einsatzort"});
    return QString::fromStdString(strField);
}

int CSettingsPage::CheckConfigurationFile(const CDeviceConfig& definition, int nProductType, CDeviceConfig& file,
                                          const std::string& strFileName, std::string& strError) const
{
    const CSettingsFamily* pFamily = FindSettingsFamily(nProductType);
    if (pFamily == nullptr || FindSheetFamily(m_Description.szPageName) != pFamily)
        return Result::Ok;
    CSettingsModel probe(*pFamily, definition, nProductType);
    std::string strDetail;
    std::string strField;
    int nResult = probe.ResetToDefaults(strDetail); // what a file of an older version lacks
    if (nResult == Result::Ok)
        nResult = probe.CheckConfiguration(file, strDetail, strField);
    if (nResult == Result::Ok)
        return Result::Ok;
    const std::string strLabel = FieldLabel(strField).trimmed().toStdString();
    CProductSetting* pEntry = nullptr;
    std::string strIgnored;
    const bool bMissing = file.m_Settings.LookupObjectByName(strField, pEntry, MustExist, strIgnored) != Result::Ok;
    const std::string strReason = FormatText(bMissing ? PickText("it has no value for \"%s\".", "Sie enthält keinen Wert für \"%s\".")
                                                      : PickText("its value for \"%s\" is outside the limits of this product.",
                                                                 "Ihr Wert für \"%s\" liegt außerhalb der Grenzen dieses Produkts."),
                                             strLabel.c_str());
    strError = FileNotLoadedMessage(strFileName, strReason, strDetail);
    return nResult;
}

void CSettingsPage::SetLanguage(int)
{
    for (const CPageGroup& group : m_Description.groups)
        ChildById<CColorStatic>(this, group.nTitleId)->setText(Text(group.title));
    const auto setText = [this](int nId, const CPageText& text) { ChildById(this, nId)->setProperty("text", Text(text)); };
    setText(m_Description.nInstallerLabelId, {"Installer:", "Installateur:"});
    setText(m_Description.nPlacementLabelId, {"Placement:", "Einsatzort:"});
    setText(m_Description.nDateLabelId, {"Date:", "Datum:"});
    m_pRead->setText(Text(m_Description.readText));
    m_pReset->setText(Text(m_Description.resetText));
    m_pWrite->setText(Text(m_Description.writeText));
    RelabelLists();
    UpdateProductVariant();
}

void CSettingsPage::RelabelLists()
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return;
    // The labels come in the same order in every language: the choice stays.
    for (const auto& pRow : m_rows) {
        if (pRow->pList == nullptr)
            continue;
        const int nIndex = pRow->pList->currentIndex();
        const std::vector<std::string> labels = pModel->Labels(pRow->pRow->szField);
        for (int i = 0; i < pRow->pList->count() && i < static_cast<int>(labels.size()); ++i)
            pRow->pList->setItemText(i, QString::fromStdString(labels[static_cast<std::size_t>(i)]));
        pRow->pList->setCurrentIndex(nIndex);
    }
}

void CSettingsPage::UpdateProductVariant()
{
    for (const auto& pRow : m_rows)
        pRow->pLabel->setText(Text(RowLabel(*pRow->pRow)));
    UpdateToolTips();
    ArrangeControls();
}

void CSettingsPage::UpdateToolTips()
{
    m_mapToolTips.Clear();
    const auto tip = [this](QWidget* pControl, int nId, const QString& text) { m_mapToolTips.Set(pControl, nId, text); };
    CSettingsModel* pModel = Model();
    for (const auto& pRow : m_rows) {
        QString text = Text(RowTip(*pRow->pRow));
        const CProductSetting* pSetting = nullptr;
        std::string strIgnored;
        if (pRow->pEdit != nullptr && pModel != nullptr && pModel->GetSetting(pRow->pRow->szField, pSetting, strIgnored) == Result::Ok)
            text += QString::fromStdString(FormatText(", (%d)...(%d)", static_cast<int>(pSetting->GetMin()), static_cast<int>(pSetting->GetMax())));
        tip(pRow->Control(), pRow->pRow->nControlId, text);
        if (pRow->pPlus != nullptr) {
            tip(pRow->pPlus, pRow->pRow->nPlusId, Text(pRow->pRow->plusTip));
            tip(pRow->pMinus, pRow->pRow->nMinusId, Text(pRow->pRow->minusTip));
        }
    }
    for (const CPageGroup& group : m_Description.groups)
        if (group.szSwitch != nullptr)
            tip(m_switches[group.szSwitch], group.nSwitchId, Text(group.switchTip));
    tip(m_pInstaller, m_Description.nInstallerId, Text({"Short name of the installer (up to 15 chars)", "Eingabe eines Namenskürzel (bis zu 15 Zeichen)"}));
    tip(m_pPlacement, m_Description.nPlacementId,
        Text({"Definition of the mounting place (up to 30 chars)", "Definition des Einsatzortes (bis zu 30 Zeichen)"}));
    tip(m_pDate, m_Description.nDateId, Text({"Set the current date as installation date", "Setzt das aktuelle Datum als Installationsdatum"}));
    tip(m_pRead, m_Description.nReadId, Text(m_Description.readTip));
    tip(m_pReset, m_Description.nResetId, Text(m_Description.resetTip));
    tip(m_pWrite, m_Description.nWriteId, Text(m_Description.writeTip));
}

void CSettingsPage::ArrangeControls()
{
    // The installation row across the top.
    const auto place = [](QWidget* pWidget, int x, int y, int w, int h) { pWidget->setGeometry(x, y, w, h); };
    const auto child = [this](int nId) { return ChildById(this, nId); };
    place(child(m_Description.nInstallerLabelId), 21, 14, 70, 16);
    place(m_pInstaller, 95, 10, 140, 22);
    place(child(m_Description.nPlacementLabelId), 250, 14, 70, 16);
    place(m_pPlacement, 322, 10, 200, 22);
    place(child(m_Description.nDateLabelId), 537, 14, 45, 16);
    place(m_pDate, 585, 10, width() - 585 - 21, 22);
    place(child(m_Description.nTopLineId), 21, 42, width() - 42, 2);

    // Two columns of groups; a hidden group leaves no gap.
    const int nColumnWidth = PageGeometry::ColumnWidth(width());
    QPoint next[2] = {{PageGeometry::kFirstColumnLeft, 56}, {PageGeometry::SecondColumnLeft(nColumnWidth), 56}};
    for (const CPageGroup& group : m_Description.groups) {
        const bool bHidden = IsGroupHidden(group);
        std::vector<QWidget*> widgets = {child(group.nTitleId)};
        if (group.nLineId != 0)
            widgets.push_back(child(group.nLineId));
        if (group.szSwitch != nullptr)
            widgets.push_back(m_switches[group.szSwitch]);
        for (const auto& pRow : m_rows)
            if (pRow->pGroup == &group)
                for (QWidget* pWidget : {static_cast<QWidget*>(pRow->pLabel), pRow->Control(), static_cast<QWidget*>(pRow->pPlus),
                                         static_cast<QWidget*>(pRow->pMinus)})
                    if (pWidget != nullptr)
                        pWidget->setVisible(!bHidden && !IsRowHidden(*pRow->pRow));
        for (QWidget* pWidget : widgets)
            pWidget->setVisible(!bHidden);
        if (bHidden)
            continue;
        CControlOption option(width());
        option.SetTitle(child(group.nTitleId));
        if (group.nLineId != 0)
            option.SetLine(child(group.nLineId));
        if (group.szSwitch != nullptr)
            option.SetCheck(m_switches[group.szSwitch]);
        QPoint& cursor = next[group.nColumn];
        option.SetPosition(cursor.x(), cursor.y());
        option.Arrange();
        std::vector<std::unique_ptr<CControlBaseElement>> elements;
        for (const auto& pRow : m_rows) {
            if (pRow->pGroup != &group || IsRowHidden(*pRow->pRow))
                continue;
            if (pRow->pEdit != nullptr) {
                auto element = std::make_unique<CControlEditAndSpins>(width());
                element->SetLabel(pRow->pLabel);
                element->SetEdit(pRow->pEdit);
                element->SetPlus(pRow->pPlus);
                element->SetMinus(pRow->pMinus);
                option.AddElement(element.get());
                elements.push_back(std::move(element));
            } else {
                auto element = std::make_unique<CControlLabelAndCombo>(width());
                element->SetLabel(pRow->pLabel);
                element->SetCombo(pRow->pList);
                option.AddElement(element.get());
                elements.push_back(std::move(element));
            }
        }
        option.EndGroup();
        cursor = option.GetNextPosition();
    }
    const int nButtonWidth = 150;
    for (int i = 0; i < 3; ++i)
        (i == 0 ? m_pRead : i == 1 ? m_pReset : m_pWrite)
            ->setGeometry(width() - 21 - (3 - i) * (nButtonWidth + 8) + 8, height() - 46, nButtonWidth, 25);
    update();
}

bool CSettingsPage::IsGroupHidden(const CPageGroup& group) const
{
    const CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return false;
    const auto kept = [pModel](const char* szName) { return pModel->FindField(szName) != nullptr; };
    return !(group.szSwitch != nullptr && kept(group.szSwitch))
           && std::ranges::none_of(group.rows, [&kept](const CPageRow& row) { return kept(row.szField); });
}

void CSettingsPage::UpdateSwitches()
{
    const auto checked = [this](const char* szSwitch) { return m_switches.at(szSwitch)->isChecked(); };
    for (const CPageGroup& group : m_Description.groups) {
        const bool bOn = (group.szSwitch == nullptr || checked(group.szSwitch))
                         && (group.szOffWhenChecked == nullptr || !checked(group.szOffWhenChecked));
        ChildById<CColorStatic>(this, group.nTitleId)->SetTextColor(bOn ? QColor(Qt::black) : kLightGrey);
        for (const auto& pRow : m_rows) {
            if (pRow->pGroup != &group)
                continue;
            pRow->pLabel->SetTextColor(bOn ? QColor(Qt::black) : kLightGrey);
            for (QWidget* pWidget : {pRow->Control(), static_cast<QWidget*>(pRow->pPlus), static_cast<QWidget*>(pRow->pMinus)})
                if (pWidget != nullptr)
                    pWidget->setEnabled(bOn);
        }
    }
}

void CSettingsPage::ShowForm(int nParts)
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return;
    const CSettingsForm& form = pModel->Form();
    if (nParts & kFormNames) {
        m_pInstaller->setEditText(QString::fromStdString(form.strInstaller));
        m_pPlacement->setEditText(QString::fromStdString(form.strPlacement));
    }
    if (nParts & kFormDate)
        m_pDate->setDate(form.date.IsSet() ? QDate(form.date.nYear, form.date.nMonth, form.date.nDay) : QDate::currentDate());
    if (!(nParts & kFormValues))
        return;
    for (const auto& [strName, bOn] : form.switches)
        if (auto found = m_switches.find(strName); found != m_switches.end())
            found->second->setChecked(bOn);
    for (const auto& pRow : m_rows) {
        const auto text = form.texts.find(pRow->pRow->szField);
        const QString value = text != form.texts.end() ? QString::fromStdString(text->second) : QString();
        if (pRow->pEdit != nullptr) {
            pRow->pEdit->setText(value);
            continue;
        }
        pRow->pList->clear();
        for (const std::string& strLabel : pModel->Labels(pRow->pRow->szField))
            pRow->pList->addItem(QString::fromStdString(strLabel));
        if (!value.isEmpty() && pRow->pList->findText(value) < 0)
            pRow->pList->addItem(value); // a value without a label, shown as it stands
        pRow->pList->setCurrentIndex(pRow->pList->findText(value));
    }
    UpdateSwitches();
}

void CSettingsPage::TakeForm()
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return;
    CSettingsForm& form = pModel->Form();
    for (const auto& [strName, pBox] : m_switches)
        form.switches[strName] = pBox->isChecked();
    for (const auto& pRow : m_rows)
        form.texts[pRow->pRow->szField] = (pRow->pEdit != nullptr ? pRow->pEdit->text() : pRow->pList->currentText()).toStdString();
    form.strInstaller = m_pInstaller->currentText().toStdString();
    form.strPlacement = m_pPlacement->currentText().toStdString();
    const QDate date = m_pDate->date();
    form.date = CDate{date.year(), date.month(), date.day()};
}

void CSettingsPage::CheckRow(RowControls& row)
{
    CSettingsModel* pModel = Model();
    DWORD dwIgnored = 0;
    std::string strIgnored;
    row.bInvalid = pModel != nullptr && pModel->CheckValue(row.pRow->szField, row.pEdit->text().toStdString(), dwIgnored, strIgnored) != Result::Ok;
    if (row.bInvalid) {
        row.pEdit->SetBkColor(kOutOfRange);
    } else {
        row.pEdit->setPalette(QPalette());
        row.pEdit->SetTextColor(kDarkRed);
    }
    update(MarkerRect(row));
}

bool CSettingsPage::IsMarked(const std::string& strField) const
{
    for (const auto& pRow : m_rows)
        if (strField == pRow->pRow->szField)
            return pRow->bInvalid;
    return false;
}

void CSettingsPage::StepRow(RowControls& row, int nStep)
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return;
    const std::optional<std::string> text = pModel->StepValue(row.pRow->szField, row.pEdit->text().toStdString(), nStep);
    if (text)
        row.pEdit->setText(QString::fromStdString(*text));
    else
        QApplication::beep();
}

QRect CSettingsPage::MarkerRect(const RowControls& row) const
{
    const QRect minus = row.pMinus != nullptr ? row.pMinus->geometry() : row.Control()->geometry();
    return QRect(minus.right() + 1 + 6, minus.top() + (22 - m_imgMarker.Height()) / 2, m_imgMarker.Width(), m_imgMarker.Height());
}

void CSettingsPage::paintEvent(QPaintEvent* pEvent)
{
    CPageBase::paintEvent(pEvent);
    QPainter painter(this);
    for (const auto& pRow : m_rows)
        if (pRow->bInvalid && pRow->Control()->isVisible())
            m_imgMarker.Draw(painter, MarkerRect(*pRow));
}

void CSettingsPage::mouseReleaseEvent(QMouseEvent* pEvent)
{
    CSettingsModel* pModel = Model();
    for (const auto& pRow : m_rows) {
        if (!pRow->bInvalid || pModel == nullptr || !MarkerRect(*pRow).contains(pEvent->position().toPoint()))
            continue;
        DWORD dwIgnored = 0;
        std::string strError;
        pModel->CheckValue(pRow->pRow->szField, pRow->pEdit->text().toStdString(), dwIgnored, strError);
        ShowErrorMessage(window(), strError);
        return;
    }
    CPageBase::mouseReleaseEvent(pEvent);
}

void CSettingsPage::ReportFailedRow(const std::string& strField, const std::string& strError)
{
    ShowJobError(strError);
    for (const auto& pRow : m_rows) {
        if (strField != pRow->pRow->szField || pRow->pEdit == nullptr)
            continue;
        pRow->pEdit->setFocus();
        pRow->pEdit->selectAll();
    }
}

SettingsProgress CSettingsPage::Progress() const
{
    CFittingJobOwner& jobs = Jobs();
    return [&jobs](int nStep, int nPosition) { jobs.ReportProgress(nStep, nPosition); };
}

void CSettingsPage::OnReadFromTarget()
{
    ReadFromTarget();
}

void CSettingsPage::ReadFromTarget()
{
    const std::shared_ptr<CSettingsModel> pModel = Model() != nullptr ? m_pModel : nullptr;
    if (pModel == nullptr || !Jobs().CanStart())
        return;
    UpdateProductVariant();
    RecentNames().Fill(CRecentNames::kInstaller, m_pInstaller);
    RecentNames().Fill(CRecentNames::kPlacement, m_pPlacement);
    TakeForm(); // what a failed read does not reach stays as shown
    std::string strError;
    const int nResult = Jobs().Run(StepRead, [this, pModel](std::string& strJobError) {
        return pModel->ReadFromTarget(Session().Link(), Progress(), strJobError);
    }, strError);
    ShowForm(kFormAll);
    if (nResult != Result::Ok)
        ShowJobError(strError);
}

void CSettingsPage::WriteToTarget()
{
    const std::shared_ptr<CSettingsModel> pModel = Model() != nullptr ? m_pModel : nullptr;
    if (pModel == nullptr || !Jobs().CanStart())
        return;
    TakeForm();
    CSettingValues values;
    std::string strError;
    std::string strFailedField;
    if (pModel->PrepareWrite(values, strError, strFailedField) != Result::Ok) {
        ReportFailedRow(strFailedField, strError);
        return;
    }
    int nResult = Result::Ok;
    {
        // The write and the restart as one: no input in between.
        const CFittingJobOwner::CSequence sequence(Jobs(), StepWrite);
        CWriteJournal journal;
        nResult = Jobs().Run(StepWrite, [&](std::string& strJobError) {
            return pModel->WriteToTarget(Session().Link(), Progress(), journal, strJobError, strFailedField);
        }, strError);
        if (nResult == Result::Ok) {
            RecentNames().Store(CRecentNames::kInstaller, m_pInstaller);
            RecentNames().Store(CRecentNames::kPlacement, m_pPlacement);
            bool bReady = false;
            nResult = Jobs().Run(0, [&](std::string& strJobError) {
                return RestartAndWait(Session().Link(), Progress(), bReady, strJobError);
            }, strError);
        }
    }
    if (nResult != Result::Ok) {
        ReportFailedRow(strFailedField, strError);
        return;
    }
    emit InstallationWritten(StoredInstaller(values.strInstaller), StoredPlacement(values.strPlacement), DateText(values.date));
}

int CSettingsPage::ResetToDefaults(std::string& strError)
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return Result::Ok;
    UpdateProductVariant(); // the main window resets the page when another product comes into force
    const int nResult = pModel->ResetToDefaults(strError);
    ShowForm(kFormValues);
    return nResult;
}

int CSettingsPage::SaveConfiguration(std::string& strError)
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return Result::Ok;
    TakeForm();
    std::string strFailedField;
    CToolConfigXML& file = Session().LoadedFile();
    int nResult = pModel->SaveConfiguration(file, strError, strFailedField);
    if (nResult != Result::Ok)
        return nResult;
    const QString path = m_chooseSaveFile ? m_chooseSaveFile()
                                          : QFileDialog::getSaveFileName(window(), QString(), QString(),
                                                                         QString::fromUtf8(PickText("Configuration files (*.xml)", "Konfigurationsdateien (*.xml)")));
    if (path.isEmpty())
        return Result::Ok;
    return file.WriteConfigurationFile(path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive) ? path.toStdString()
                                                                                                  : path.toStdString() + ".xml",
                                       strError);
}

int CSettingsPage::LoadConfiguration(std::string& strError)
{
    CSettingsModel* pModel = Model();
    if (pModel == nullptr)
        return Result::Ok;
    TakeForm(); // the date stays as shown
    const int nResult = pModel->LoadConfiguration(Session().LoadedFile().GetConfig(), strError);
    ShowForm(kFormValues | kFormNames);
    return nResult;
}

bool CSettingsPage::event(QEvent* pEvent)
{
    const unsigned nMessage = CWindowMessage::MessageOf(pEvent);
    if (nMessage != kWmConfigurationLoaded && nMessage != kWmSaveConfiguration && nMessage != kWmTakeDefaults)
        return CPageBase::event(pEvent);
    std::string strError;
    if (nMessage == kWmTakeDefaults)
        RebuildModel(); // another product is in force
    const int nResult = nMessage == kWmConfigurationLoaded ? LoadConfiguration(strError)
                        : nMessage == kWmSaveConfiguration ? SaveConfiguration(strError)
                                                           : ResetToDefaults(strError);
    if (nResult != Result::Ok)
        ShowErrorMessage(window(), strError);
    return true;
}

void CSettingsPage::OnEnableFittingOperations(bool bEnable)
{
    m_pRead->setEnabled(bEnable);
    m_pWrite->setEnabled(bEnable);
}

bool CSettingsPage::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::FocusIn && g_bShowKeyPad == 1)
        if (auto* pEdit = qobject_cast<QLineEdit*>(pWatched))
            ShowKeyPad(pEdit->objectName().mid(2).toInt());
    return CPageBase::eventFilter(pWatched, pEvent);
}

void CSettingsPage::ShowKeyPad(int nEditId)
{
    for (const auto& pRow : m_rows)
        if (pRow->pEdit != nullptr && pRow->pEdit->objectName() == ControlName(nEditId))
            emit KeyPadWanted(pRow->pEdit, pRow->pLabel->text().toStdString());
}
