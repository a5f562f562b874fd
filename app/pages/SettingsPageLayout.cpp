// How a settings page is built from its description, labelled in the
// language in force and laid out: the installation row, the two columns of
// groups, the buttons.

#include "app/pages/SettingsPageRows.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/QtLanguage.h"
#include "app/RecentNames.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ControlElements.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QValidator>

#include <algorithm>

namespace {

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

} // namespace

std::vector<QWidget*> CSettingsPage::RowControls::Widgets() const
{
    std::vector<QWidget*> widgets;
    for (QWidget* pWidget : {static_cast<QWidget*>(pLabel), Control(), static_cast<QWidget*>(pPlus), static_cast<QWidget*>(pMinus)})
        if (pWidget != nullptr)
            widgets.push_back(pWidget);
    return widgets;
}

void CSettingsPage::BuildControls()
{
    for (const CPageGroup& group : m_Description.groups) {
        AddStatic(group.nTitleId, 12, true);
        if (group.nLineId != 0)
            AddLine(group.nLineId);
        if (group.szSwitch != nullptr) {
            auto* pBox = NewControl<QCheckBox>(this, group.nSwitchId);
            connect(pBox, &QCheckBox::toggled, this, [this] { UpdateSwitches(); });
            m_switches[group.szSwitch] = pBox;
        }
        for (const CPageRow& row : group.rows)
            m_rows.push_back(BuildRow(group, row));
    }
    BuildInstallationRow();
    BuildButtons();
    SetTabOrder();
    SetLanguage(g_nLanguage);
}

std::unique_ptr<CSettingsPage::RowControls> CSettingsPage::BuildRow(const CPageGroup& group, const CPageRow& row)
{
    auto controls = std::make_unique<RowControls>(RowControls{&row, &group, AddStatic(row.nLabelId)});
    RowControls* pControls = controls.get();
    if (row.nPlusId == 0) {
        controls->pList = NewControl<QComboBox>(this, row.nControlId);
        return controls;
    }
    controls->pEdit = NewControl<CColorEdit>(this, row.nControlId);
    controls->pEdit->SetTextColor(kDarkRed);
    controls->pEdit->SetTypingLimit(row.nEditLimit);
    controls->pEdit->installEventFilter(this);
    connect(controls->pEdit, &QLineEdit::textChanged, this, [this, pControls] { CheckRow(*pControls); });
    controls->pPlus = AddButton(row.nPlusId);
    controls->pPlus->setText(QStringLiteral("+"));
    controls->pMinus = AddButton(row.nMinusId);
    controls->pMinus->setText(QStringLiteral("-"));
    for (QPushButton* pStep : {controls->pPlus, controls->pMinus})
        pStep->setFocusPolicy(Qt::NoFocus);
    connect(controls->pPlus, &QPushButton::clicked, this, [this, pControls] { StepRow(*pControls, +1); });
    connect(controls->pMinus, &QPushButton::clicked, this, [this, pControls] { StepRow(*pControls, -1); });
    return controls;
}

void CSettingsPage::BuildInstallationRow()
{
    AddStatic(m_Description.nInstallerLabelId);
    AddStatic(m_Description.nPlacementLabelId);
    AddStatic(m_Description.nDateLabelId);
    AddLine(m_Description.nTopLineId);
    m_pInstaller = NewControl<CColorComboBox>(this, m_Description.nInstallerId);
    m_pInstaller->SetTextLimit(15);
    m_pPlacement = NewControl<CColorComboBox>(this, m_Description.nPlacementId);
    m_pPlacement->SetTextLimit(30);
    for (QComboBox* pName : {static_cast<QComboBox*>(m_pInstaller), static_cast<QComboBox*>(m_pPlacement)})
        pName->setValidator(new CFittingTextValidator(pName));
    m_pInstaller->SetCompletionList(RecentNames().List(CRecentNames::kInstaller));
    m_pPlacement->SetCompletionList(RecentNames().List(CRecentNames::kPlacement));
    m_pDate = NewControl<QDateEdit>(this, m_Description.nDateId);
    m_pDate->setCalendarPopup(true);
    m_pDate->installEventFilter(this);
    m_pDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_pDate->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31)); // the fitting keeps two BCD digits
    m_pDate->setDate(QDate::currentDate());
    for (QWidget* pValue : {static_cast<QWidget*>(m_pInstaller), static_cast<QWidget*>(m_pPlacement), static_cast<QWidget*>(m_pDate)}) {
        QPalette palette = pValue->palette();
        palette.setColor(QPalette::Text, kDarkRed);
        pValue->setPalette(palette);
    }
}

void CSettingsPage::BuildButtons()
{
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
}

void CSettingsPage::SetTabOrder()
{
    std::vector<QWidget*> chain{m_pInstaller, m_pPlacement, m_pDate};
    for (const int nColumn : {0, 1}) {
        for (const CPageGroup& group : m_Description.groups) {
            if (group.nColumn != nColumn)
                continue;
            if (group.szSwitch != nullptr)
                chain.push_back(m_switches[group.szSwitch]);
            for (const auto& pRow : m_rows)
                if (pRow->pGroup == &group)
                    chain.push_back(pRow->Control());
        }
    }
    chain.insert(chain.end(), {m_pRead, m_pReset, m_pWrite});
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void CSettingsPage::SetLanguage(int)
{
    // The calendar's month and day names in the window's language.
    m_pDate->setLocale(LanguageLocale(g_nLanguage));
    m_pDate->calendarWidget()->setLocale(LanguageLocale(g_nLanguage));
    for (const CPageGroup& group : m_Description.groups)
        ChildById<CColorStatic>(this, group.nTitleId)->setText(group.title.Text());
    const auto setText = [this](int nId, const CUiText& text) { ChildById(this, nId)->setProperty("text", text.Text()); };
    setText(m_Description.nInstallerLabelId, {"Installer:", "Installateur:"});
    setText(m_Description.nPlacementLabelId, {"Placement:", "Einsatzort:"});
    setText(m_Description.nDateLabelId, {"Date:", "Datum:"});
    m_pRead->setText(m_Description.readText.Text());
    m_pReset->setText(m_Description.resetText.Text());
    m_pWrite->setText(m_Description.writeText.Text());
    RelabelLists();
    UpdateProductVariant();
    RefreshMarkers(); // their notes in the new language
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
        pRow->pLabel->setText(RowLabel(*pRow->pRow).Text());
    UpdateToolTips();
    ArrangeControls();
}

void CSettingsPage::UpdateToolTips()
{
    m_mapToolTips.Clear();
    const auto tip = [this](QWidget* pControl, int nId, const QString& text) { m_mapToolTips.Set(pControl, nId, text); };
    CSettingsModel* pModel = Model();
    for (const auto& pRow : m_rows) {
        QString text = RowTip(*pRow->pRow).Text();
        const CProductSetting* pSetting = nullptr;
        std::string strIgnored;
        if (pRow->pEdit != nullptr && pModel != nullptr && pModel->GetSetting(pRow->pRow->szField, pSetting, strIgnored) == Result::Ok)
            text += QString::fromStdString(FormatText(", (%d)...(%d)", static_cast<int>(pSetting->GetMin()), static_cast<int>(pSetting->GetMax())));
        tip(pRow->Control(), pRow->pRow->nControlId, text);
        if (pRow->pPlus != nullptr) {
            tip(pRow->pPlus, pRow->pRow->nPlusId, pRow->pRow->plusTip.Text());
            tip(pRow->pMinus, pRow->pRow->nMinusId, pRow->pRow->minusTip.Text());
        }
    }
    for (const CPageGroup& group : m_Description.groups)
        if (group.szSwitch != nullptr)
            tip(m_switches[group.szSwitch], group.nSwitchId, group.switchTip.Text());
    tip(m_pInstaller, m_Description.nInstallerId, UiText("Short name of the installer (up to 15 chars)", "Eingabe eines Namenskürzel (bis zu 15 Zeichen)"));
    tip(m_pPlacement, m_Description.nPlacementId,
        UiText("Definition of the mounting place (up to 30 chars)", "Definition des Einsatzortes (bis zu 30 Zeichen)"));
    tip(m_pDate, m_Description.nDateId, UiText("Set the current date as installation date", "Setzt das aktuelle Datum als Installationsdatum"));
    tip(m_pRead, m_Description.nReadId, m_Description.readTip.Text());
    tip(m_pReset, m_Description.nResetId, m_Description.resetTip.Text());
    tip(m_pWrite, m_Description.nWriteId, m_Description.writeTip.Text());
}

void CSettingsPage::ArrangeControls()
{
    ArrangeInstallationRow();
    // Two columns of groups; a hidden group leaves no gap.
    const int nColumnWidth = PageGeometry::ColumnWidth(width());
    QPoint next[2] = {{PageGeometry::kFirstColumnLeft, 56}, {PageGeometry::SecondColumnLeft(nColumnWidth), 56}};
    for (const CPageGroup& group : m_Description.groups) {
        const bool bHidden = IsGroupHidden(group);
        ShowGroup(group, !bHidden);
        if (!bHidden)
            next[group.nColumn] = ArrangeGroup(group, next[group.nColumn]);
    }
    const int nButtonWidth = 150;
    for (int i = 0; i < 3; ++i)
        (i == 0 ? m_pRead : i == 1 ? m_pReset : m_pWrite)
            ->setGeometry(width() - 21 - (3 - i) * (nButtonWidth + 8) + 8, height() - 46, nButtonWidth, 25);
    update();
}

void CSettingsPage::ArrangeInstallationRow()
{
    const auto place = [this](int nId, int x, int y, int w, int h) { ChildById(this, nId)->setGeometry(x, y, w, h); };
    place(m_Description.nInstallerLabelId, 21, 14, 70, 16);
    place(m_Description.nInstallerId, 95, 10, 140, 22);
    place(m_Description.nPlacementLabelId, 250, 14, 70, 16);
    place(m_Description.nPlacementId, 322, 10, 200, 22);
    place(m_Description.nDateLabelId, 537, 14, 45, 16);
    place(m_Description.nDateId, 585, 10, width() - 585 - 21, 22);
    place(m_Description.nTopLineId, 21, 42, width() - 42, 2);
}

void CSettingsPage::ShowGroup(const CPageGroup& group, bool bShown)
{
    ChildById(this, group.nTitleId)->setVisible(bShown);
    if (group.nLineId != 0)
        ChildById(this, group.nLineId)->setVisible(bShown);
    if (group.szSwitch != nullptr)
        m_switches[group.szSwitch]->setVisible(bShown);
    for (const auto& pRow : m_rows)
        if (pRow->pGroup == &group)
            for (QWidget* pWidget : pRow->Widgets())
                pWidget->setVisible(bShown && !IsRowHidden(*pRow->pRow));
}

QPoint CSettingsPage::ArrangeGroup(const CPageGroup& group, const QPoint& position)
{
    CControlOption option(width());
    option.SetTitle(ChildById(this, group.nTitleId));
    if (group.nLineId != 0)
        option.SetLine(ChildById(this, group.nLineId));
    if (group.szSwitch != nullptr)
        option.SetCheck(m_switches[group.szSwitch]);
    option.SetPosition(position.x(), position.y());
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
            elements.push_back(std::move(element));
        } else {
            auto element = std::make_unique<CControlLabelAndCombo>(width());
            element->SetLabel(pRow->pLabel);
            element->SetCombo(pRow->pList);
            elements.push_back(std::move(element));
        }
        option.AddElement(elements.back().get());
    }
    option.EndGroup();
    return option.GetNextPosition();
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
            for (QWidget* pWidget : pRow->Widgets())
                if (pWidget != pRow->pLabel)
                    pWidget->setEnabled(bOn);
        }
    }
}
