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
#include "pages/SettingsWrite.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QMessageBox>
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
    // The marks of the last write belong to the product it wrote; a write
    // not checked waits for a read of its unit (the Next read rebuilds too).
    m_notHeld.clear();
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
    if (strField == kInstallationDateName)
        return UiText("Installation date", "Installationsdatum");
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
    const std::string strText = row.pEdit->text().toStdString();
    row.bInvalid = pModel != nullptr && pModel->CheckValue(row.pRow->szField, strText, dwIgnored, strIgnored) != Result::Ok;
    row.note = row.bInvalid || pModel == nullptr ? QString() : RowNote(*pModel, row.pRow->szField, strText);
    if (row.bInvalid) {
        row.pEdit->SetBkColor(kOutOfRange);
    } else {
        row.pEdit->setPalette(QPalette());
        row.pEdit->SetTextColor(kDarkRed);
    }
    update(MarkerRect(row));
}

// A value as the page shows it: a list's label, "on"/"off", or the number.
QString CSettingsPage::ShownValue(CSettingsModel& model, const std::string& strField, const std::string& strValue) const
{
    const CSettingField* pField = model.FindField(strField);
    const std::string strLabel = pField != nullptr && !strValue.empty()
                                     ? model.ValueLabel(*pField, static_cast<DWORD>(std::strtoul(strValue.c_str(), nullptr, 10)))
                                     : std::string();
    return QString::fromStdString(strLabel.empty() ? strValue : strLabel);
}

QString CSettingsPage::NotHeldNote(CSettingsModel& model, const CJournalEntry& entry) const
{
    return UiText("The fitting does not hold the value written (%1); it holds %2.", "Die Armatur hält den geschriebenen Wert (%1) nicht; sie hält %2.")
        .arg(ShownValue(model, entry.strName, entry.strAttempted), ShownValue(model, entry.strName, entry.strReadBack));
}

void CSettingsPage::RefreshMarkers()
{
    CSettingsModel* pModel = Model();
    for (const auto& pRow : m_rows) {
        if (pRow->pEdit != nullptr) {
            CheckRow(*pRow);
            continue;
        }
        const auto found = m_notHeld.find(pRow->pRow->szField);
        pRow->note = pModel != nullptr && found != m_notHeld.end() ? NotHeldNote(*pModel, found->second) : QString();
    }
    update();
}

QString CSettingsPage::RowNote(CSettingsModel& model, const std::string& strField, const std::string& strText) const
{
    const auto notHeld = m_notHeld.find(strField);
    if (notHeld != m_notHeld.end() && notHeld->second.strReadBack == strText)
        return NotHeldNote(model, notHeld->second);
    if (model.IsHeldOffStep(strField, strText))
        return UiText("The fitting holds %1, between two steps of this page. While the value stays as it is, "
                      "\"Write settings\" writes it back unchanged.",
                      "Die Armatur hält %1, zwischen zwei Stufen dieser Seite. Solange der Wert so bleibt, "
                      "schreibt \"Daten übertragen\" ihn unverändert zurück.")
            .arg(QString::fromStdString(strText));
    return {};
}

bool CSettingsPage::IsMarked(const std::string& strField) const
{
    for (const auto& pRow : m_rows)
        if (strField == pRow->pRow->szField)
            return pRow->IsMarked();
    return false;
}

QString CSettingsPage::MarkerNote(const std::string& strField) const
{
    for (const auto& pRow : m_rows)
        if (strField == pRow->pRow->szField)
            return pRow->note;
    return {};
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
        if (pRow->IsMarked() && pRow->Control()->isVisible())
            m_imgMarker.Draw(painter, MarkerRect(*pRow));
}

void CSettingsPage::mouseReleaseEvent(QMouseEvent* pEvent)
{
    CSettingsModel* pModel = Model();
    for (const auto& pRow : m_rows) {
        if (!pRow->IsMarked() || pModel == nullptr || !MarkerRect(*pRow).contains(pEvent->position().toPoint()))
            continue;
        if (!pRow->bInvalid) {
            QMessageBox::information(window(), UiText("Note", "Hinweis"), FieldLabel(pRow->pRow->szField).trimmed() + ": " + pRow->note);
            return;
        }
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

void CSettingsPage::ReportEndedWrite(const CWriteJournal& journal, const std::string& strField)
{
    // A check that refused the write (article, application version, unit)
    // says why on its own; a write the line cut off says what the fitting holds.
    const bool bRefused = journal.nResult == Result::MissingPrecondition || journal.nResult == Result::InvalidArgument;
    const std::string strCause = JobFailureMessage(journal.nResult, journal.strError, HintAudience::Window);
    if (journal.eOutcome == WriteOutcome::Unverified) {
        ShowJobMessage(PickText("The settings were written and the fitting restarted, but the write could not be checked: "
                                "read the fitting to see what it holds.",
                                "Die Einstellungen wurden geschrieben und die Armatur neu gestartet, das Schreiben konnte aber nicht "
                                "geprüft werden: Lesen Sie die Armatur aus, um zu sehen, was sie hält.")
                       + std::string("\n\n") + strCause);
        emit WriteUnverified();
        return;
    }
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

void CSettingsPage::ReportNotHeld(const CWriteJournal& journal)
{
    CSettingsModel& model = *Model();
    std::string strLines;
    for (const CJournalEntry* pEntry : journal.NotHeld()) {
        m_notHeld[pEntry->strName] = *pEntry;
        strLines += FormatText(PickText("%s: written %s, the fitting holds %s", "%s: geschrieben %s, die Armatur hält %s"),
                               FieldLabel(pEntry->strName).trimmed().toStdString().c_str(),
                               ShownValue(model, pEntry->strName, pEntry->strAttempted).toStdString().c_str(),
                               ShownValue(model, pEntry->strName, pEntry->strReadBack).toStdString().c_str())
                    + "\n";
    }
    RefreshMarkers();
    emit WriteNotHeld(); // the status line says so before the message is answered
    ShowJobMessage(PickText("The fitting acknowledged the write, but does not hold every value; the page shows what it holds "
                            "and marks what it did not keep:",
                            "Die Armatur hat das Schreiben bestätigt, hält aber nicht jeden Wert; die Seite zeigt, was sie hält, "
                            "und markiert, was sie nicht behalten hat:")
                   + std::string("\n\n") + strLines);
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

void CSettingsPage::RecordWrite(const CSettingsModel& model, const CWriteJournal& journal)
{
    if (journal.strOtherUnit.empty()) {
        Recorder().Record(journal.RecordEvent());
        return;
    }
    // Another unit of the product took the place of the one read: the
    // write is its visit's.
    CFittingIdentity unit;
    unit.strArticleNumber = model.Definition().GetArticleNumber();
    unit.strArticleNumberFormatted = FormatArticleNumber(unit.strArticleNumber);
    unit.bDefinitionFound = true;
    unit.definition = model.Definition();
    unit.nProductType = model.ProductType();
    unit.strUnitSerialNumber = journal.strOtherUnit;
    Recorder().RecordFor(unit, journal.RecordEvent());
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
    m_notHeld.clear();
    ShowForm(kFormAll);
    RefreshMarkers();
    if (nResult != Result::Ok) {
        ShowJobError(nResult, strError);
        return;
    }
    m_fittingValues = pModel->LastRead();
    // What the fitting holds of a write that did not reach its check, when
    // this is the unit it went to.
    if (m_uncheckedWrite && m_strUncheckedUnit == Recorder().CurrentUnit().strSerialNumber) {
        m_uncheckedWrite->Judge([&](const std::string& strName) { return pModel->ValueText(pModel->LastRead(), strName); });
        Recorder().Record(m_uncheckedWrite->CheckedEvent());
    }
    m_uncheckedWrite.reset();
    NoteFormHeld();
    emit SettingsRead();
}

void CSettingsPage::WriteToTarget()
{
    const std::shared_ptr<CSettingsModel> pModel = Model() != nullptr ? m_pModel : nullptr;
    if (pModel == nullptr || !Jobs().CanStart())
        return;
    TakeForm();
    CWriteJournal journal;
    std::string strFailedField;
    const CSettingValues before = m_fittingValues;
    const std::string strUnit = Recorder().CurrentUnit().strSerialNumber;
    std::string strError;
    Jobs().Run(StepWrite, [&](std::string& strJobError) {
        const int nResult = WriteSettings(*pModel, Session().Link(), {before, strUnit}, Progress(), journal, strFailedField);
        strJobError = journal.strError;
        return nResult;
    }, strError);
    if (journal.IsForRecord())
        RecordWrite(*pModel, journal);
    m_notHeld.clear();
    RefreshMarkers();
    if (!journal.IsVerified()) {
        if (journal.Touched()) {
            m_uncheckedWrite = journal;
            m_strUncheckedUnit = journal.strOtherUnit.empty() ? Recorder().CurrentUnit().strSerialNumber : journal.strOtherUnit;
        }
        if (journal.eOutcome == WriteOutcome::None && !strFailedField.empty())
            ReportFailedRow(journal.nResult, strFailedField, journal.strError);
        else
            ReportEndedWrite(journal, strFailedField);
        return;
    }
    m_uncheckedWrite.reset();
    RecentNames().Store(CRecentNames::kInstaller, m_pInstaller);
    RecentNames().Store(CRecentNames::kPlacement, m_pPlacement);
    // The page shows what the fitting holds now.
    m_fittingValues = pModel->LastRead();
    ShowForm(kFormAll);
    NoteFormHeld();
    emit InstallationWritten(m_fittingValues.strInstaller, m_fittingValues.strPlacement, DateText(m_fittingValues.date));
    if (journal.eOutcome == WriteOutcome::SomeNotHeld)
        ReportNotHeld(journal);
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
