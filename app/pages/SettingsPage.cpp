#include "app/pages/SettingsPageRows.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/FileChooser.h"
#include "app/FittingJobOwner.h"
#include "app/ProductSession.h"
#include "app/RecentNames.h"
#include "app/ServiceRecorder.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingsRecord.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <string_view>

namespace {

constexpr QColor kOutOfRange(255, 251, 233);
constexpr int kMarkerPicture = 110;

} // namespace

CSettingsPage::CSettingsPage(const CPageDescription& description, const CPageContext& context, QWidget* pParent)
    : CPageBase(description.szPageName, context, pParent), m_Description(description)
{
    m_imgMarker.LoadResource(kMarkerPicture);
    m_imgMarker.ApplyPremultipliedAlpha();
    BuildControls();
}

CSettingsPage::~CSettingsPage() = default;

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
    m_formHeld.reset();
}

QString CSettingsPage::FieldLabel(const std::string& strField) const
{
    for (const auto& pRow : m_rows)
        if (strField == pRow->pRow->szField)
            return RowLabel(*pRow->pRow).Text().remove(QLatin1Char(':'));
    for (const CPageGroup& group : m_Description.groups)
        if (group.szSwitch != nullptr && strField == group.szSwitch)
            return group.title.Text();
    if (strField == kInstallerName)
        return UiText("Installer", "Installateur");
    if (strField == kPlacementName)
        return UiText("Placement", "Einsatzort");
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
        ShowErrorMessage(window(), RowCheckMessage(*pRow, strError));
        return;
    }
    CPageBase::mouseReleaseEvent(pEvent);
}

// The check's message led by the row as the page shows it; a row switched
// off or not shown is checked and written all the same, so the message says
// how to reach it.
std::string CSettingsPage::RowCheckMessage(const RowControls& row, const std::string& strError) const
{
    const std::string strLabel = FieldLabel(row.pRow->szField).trimmed().toStdString();
    const std::string strGroup = row.pGroup->title.Text().trimmed().toStdString();
    std::string strText = strGroup.empty() ? FormatText(PickText("The value of \"%s\" is not valid.", "Der Wert für \"%s\" ist ungültig."), strLabel.c_str())
                                           : FormatText(PickText("The value of \"%s\" in \"%s\" is not valid.", "Der Wert für \"%s\" in \"%s\" ist ungültig."),
                                                        strLabel.c_str(), strGroup.c_str());
    strText += " " + strError;
    if (row.pLabel->isHidden())
        strText += FormatText(PickText(" The page does not show this row for the product, but writes its value: \"%s\" sets it to its default.",
                                       " Die Seite zeigt diese Zeile für das Produkt nicht, schreibt ihren Wert aber: \"%s\" setzt ihn auf seinen Standardwert."),
                              m_pReset->text().toStdString().c_str());
    else if (!row.Control()->isEnabled())
        strText += FormatText(PickText(" The row is switched off by \"%s\", yet its value is written: switch the row on to correct it.",
                                       " Die Zeile ist durch \"%s\" ausgeschaltet, ihr Wert wird aber geschrieben: Schalten Sie die Zeile ein, "
                                       "um ihn zu korrigieren."),
                              SwitchingGroup(*row.pGroup).title.Text().trimmed().toStdString().c_str());
    return strText;
}

// The group whose box switches the group's rows off as the page stands.
const CPageGroup& CSettingsPage::SwitchingGroup(const CPageGroup& group) const
{
    if (group.szOffWhenChecked == nullptr || !m_switches.at(group.szOffWhenChecked)->isChecked())
        return group;
    const auto other = std::ranges::find_if(m_Description.groups, [&group](const CPageGroup& candidate) {
        return candidate.szSwitch != nullptr && std::string_view(candidate.szSwitch) == group.szOffWhenChecked;
    });
    return other != m_Description.groups.end() ? *other : group;
}

void CSettingsPage::ReportFailedRow(int nResult, const std::string& strField, const std::string& strError)
{
    const auto failed = std::ranges::find_if(m_rows, [&strField](const auto& pRow) { return strField == pRow->pRow->szField; });
    if (failed == m_rows.end()) {
        ShowJobError(nResult, strError);
        return;
    }
    ShowJobMessage(RowCheckMessage(**failed, strError));
    FocusRow(strField);
}

void CSettingsPage::FocusRow(const std::string& strField)
{
    for (const auto& pRow : m_rows) {
        if (strField != pRow->pRow->szField || pRow->pEdit == nullptr)
            continue;
        pRow->pEdit->setFocus();
        pRow->pEdit->selectAll();
    }
}

void CSettingsPage::ReportEndedWrite(int nResult, const CWriteJournal& journal, const std::string& strField, const std::string& strError)
{
    // A check that refused the write (article, application version) says
    // why on its own; a write the line cut off says what the fitting holds.
    const bool bRefused = nResult == Result::MissingPrecondition || nResult == Result::InvalidArgument;
    const std::string strCause = JobFailureMessage(nResult, strError, HintAudience::Window);
    if (!journal.Touched()) {
        ShowJobMessage(bRefused ? strCause : WriteEndedEarlyText(journal) + "\n\n" + strCause);
        FocusRow(strField);
        return;
    }
    ShowJobMessage(WriteEndedEarlyText(journal) + " "
                   + PickText("When it answers again, the window offers to read what it holds; \"Write settings\" writes the settings shown again.",
                              "Wenn sie wieder antwortet, bietet das Fenster an, auszulesen, was sie hält; \"Daten übertragen\" schreibt die angezeigten Einstellungen erneut.")
                   + "\n\n" + strCause);
    emit WriteCutOff();
}

void CSettingsPage::NoteFormHeld()
{
    TakeForm();
    m_formHeld = Model()->Form();
}

bool CSettingsPage::HasUnwrittenChanges()
{
    if (Model() == nullptr || !m_formHeld)
        return false;
    TakeForm();
    return Model()->Form() != *m_formHeld;
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
    Recorder().Record(ServiceEventKind::SettingsRead, nResult, strError,
                      nResult == Result::Ok ? SettingsReadItems(*pModel, pModel->LastRead()) : std::vector<CServiceItem>());
    ShowForm(kFormAll);
    if (nResult != Result::Ok) {
        ShowJobError(nResult, strError);
        return;
    }
    m_fittingValues = pModel->LastRead();
    NoteFormHeld();
    emit SettingsRead();
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
    int nResult = pModel->PrepareWrite(values, strError, strFailedField);
    if (nResult != Result::Ok) {
        ReportFailedRow(nResult, strFailedField, strError);
        return;
    }
    CWriteJournal journal;
    bool bWritten = false;
    const CSettingValues before = m_fittingValues;
    int nReadBack = Result::Ok;
    std::string strReadBackError;
    {
        // The write, the restart and the read-back as one: no input in between.
        const CFittingJobOwner::CSequence sequence(Jobs(), StepWrite);
        nResult = Jobs().Run(StepWrite, [&](std::string& strJobError) {
            return pModel->WriteToTarget(Session().Link(), Progress(), journal, strJobError, strFailedField);
        }, strError);
        bWritten = nResult == Result::Ok;
        if (bWritten) {
            RecentNames().Store(CRecentNames::kInstaller, m_pInstaller);
            RecentNames().Store(CRecentNames::kPlacement, m_pPlacement);
            bool bReady = false;
            nResult = Jobs().Run(0, [&](std::string& strJobError) {
                return RestartAndWait(Session().Link(), Progress(), bReady, strJobError);
            }, strError);
        }
        if (nResult == Result::Ok)
            nReadBack = ReadBack(*pModel, strReadBackError);
    }
    // What the fitting kept is known only from the read-back; a failed one
    // is the record's, not the write's.
    const bool bReadBack = nResult == Result::Ok && nReadBack == Result::Ok;
    if (bReadBack)
        m_fittingValues = pModel->LastRead();
    Recorder().Record(ServiceEventKind::SettingsWritten, nResult != Result::Ok ? nResult : nReadBack,
                      nResult != Result::Ok ? strError : strReadBackError,
                      SettingsWriteItems(*pModel, before, values, bReadBack ? pModel->LastRead() : before));
    if (!bWritten) {
        ReportEndedWrite(nResult, journal, strFailedField, strError);
        return;
    }
    if (nResult != Result::Ok) {
        ReportFailedRow(nResult, strFailedField, strError);
        return;
    }
    NoteFormHeld();
    emit InstallationWritten(StoredInstaller(values.strInstaller), StoredPlacement(values.strPlacement), DateText(values.date));
}

int CSettingsPage::ReadBack(CSettingsModel& model, std::string& strError)
{
    const CSettingsForm shown = model.Form(); // the page keeps showing what was written
    const int nResult = Jobs().Run(StepRead, [&](std::string& strJobError) {
        return model.ReadFromTarget(Session().Link(), Progress(), strJobError);
    }, strError);
    model.Form() = shown;
    return nResult;
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
                                          : Files().ChooseSaveFile(window(), CFileChooser::kConfiguration,
                                                                   UiText("Configuration files (*.xml)", "Konfigurationsdateien (*.xml)"));
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
    if (pEvent->type() == QEvent::KeyPress) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        // Tab leaves the date for the next row; the arrow keys go through its parts.
        if (pWatched == m_pDate && (nKey == Qt::Key_Tab || nKey == Qt::Key_Backtab))
            return focusNextPrevChild(nKey == Qt::Key_Tab);
        if (nKey == Qt::Key_Plus || nKey == Qt::Key_Minus)
            for (const auto& pRow : m_rows)
                if (pRow->pEdit == pWatched) {
                    StepRow(*pRow, nKey == Qt::Key_Plus ? +1 : -1);
                    return true;
                }
    }
    return CPageBase::eventFilter(pWatched, pEvent);
}

void CSettingsPage::ShowKeyPad(int nEditId)
{
    for (const auto& pRow : m_rows)
        if (pRow->pEdit != nullptr && pRow->pEdit->objectName() == ControlName(nEditId))
            emit KeyPadWanted(pRow->pEdit, pRow->pLabel->text().toStdString());
}
