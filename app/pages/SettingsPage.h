#pragma once
// A product family's settings page, drawn from a description of its groups
// and rows and driven by the family's settings model: the installation row
// at the top, two columns of titled groups with their switches, numeric rows
// with "+" and "-", the live value check with its marker, tooltips with the
// ranges, the key pad, and read, reset, write, save and load.

#include "app/UiText.h"
#include "app/pages/PageBase.h"
#include "app/widgets/FCObjImage.h"
#include "pages/SettingsModel.h"

#include <memory>
#include <optional>
#include <vector>

class CColorComboBox;
class CColorEdit;
class CColorStatic;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

// Texts that several product pages share.
namespace PageTexts {
inline constexpr CUiText kManualProgramming{"Manual programming", "Manuelle Programmierung"};
inline constexpr CUiText kManualProgrammingTip{"Enables / disables the manual programming",
                                                 "Schaltet die manuelle Programmierung ein/aus"};
inline constexpr CUiText kRuntime{"Runtime", "Laufzeit"};
inline constexpr CUiText kFlushTimeTip{"Defines the flush time", "Stellt die Laufzeit der Armatur ein"};
inline constexpr CUiText kFlushTimeMore{"Increases the flush time by 1 second", "Erhöht die Spüldauer um 1 Sekunde"};
inline constexpr CUiText kFlushTimeLess{"Decreases the flush time by 1 second", "Reduziert die Spülzeit um 1 Sekunde"};
inline constexpr CUiText kStagnationTip{"Enables / disables the stagnation flushing",
                                          "Schaltet die Stagnationsspülung ein oder aus"};
inline constexpr CUiText kStagnationMode{"Mode:", "Art:"};
inline constexpr CUiText kStagnationModeTip{"Changes the mode of the stagnation flushing", "Ändert die Art der Stagnationsspülung"};
inline constexpr CUiText kRuntimeSeconds{"Runtime [s]:", "Laufzeit [s]:"};
inline constexpr CUiText kStagnationRuntimeTip{"Changes the runtime of the stagnation",
                                                 "Stellt die Laufzeit der Stagnationsspülung ein"};
inline constexpr CUiText kStagnationRuntimeMore{"Increases the stagnation run time by 1 second",
                                                  "Erhöht die Spüldauer der Stagnation um 1 Sekunde"};
inline constexpr CUiText kStagnationRuntimeLess{"Decreases the stagnation run time by 1 second",
                                                  "Reduziert die Spüldauer der Stagnation um 1 Sekunde"};
inline constexpr CUiText kCycleTime{"Cycle time [h]:", "Intervall [h]:"};
inline constexpr CUiText kCycleTimeTip{"Changes the cycle time of the stagnation",
                                         "Stellt die Zykluszeit der Stagnationsspülung ein"};
inline constexpr CUiText kCycleTimeMore{"Increases the stagnation cycle time by 1 hour",
                                          "Erhöht die Zykluszeit der Stagnation um 1 Stunde"};
inline constexpr CUiText kCycleTimeLess{"Decreases the stagnation cycle by 1 hour",
                                          "Reduziert die Zykluszeit der Stagnation um 1 Stunde"};
inline constexpr CUiText kReadSettings{"Read faucet settings", "Daten auslesen"};
inline constexpr CUiText kReset{"Reset", "Zurücksetzen"};
inline constexpr CUiText kWriteSettings{"Write settings", "Daten übertragen"};
inline constexpr CUiText kReadSettingsTip{"Read the current settings from the faucet",
                                            "Liest die aktuellen Einstellungen aus der Armatur"};
inline constexpr CUiText kResetTip{"Reset the setting to their factory defaults",
                                     "Setzt die Benutzeroberfläche auf die Werkseinstellungen zurück"};
inline constexpr CUiText kWriteSettingsTip{"Send the current settings to the faucet",
                                             "Überträgt die aktuellen Einstellungen zur Armatur"};
} // namespace PageTexts

// One row of a group: the setting it shows, its label, its control with its
// tooltip, and for a Number row the edit's typing limit and its "+" and "-"
// buttons with theirs.
struct CPageRow {
    const char* szField;
    int nLabelId;
    CUiText label;
    int nControlId;
    CUiText tip;
    int nEditLimit = 0;
    int nPlusId = 0;
    CUiText plusTip = {};
    int nMinusId = 0;
    CUiText minusTip = {};
};

// A titled group, in the left (0) or right (1) column; its check box, when it
// has one, switches its rows.
struct CPageGroup {
    int nColumn;
    int nTitleId;
    CUiText title;
    int nLineId = 0; // the line under the title; 0: none
    const char* szSwitch = nullptr;
    int nSwitchId = 0;
    CUiText switchTip = {};
    std::vector<CPageRow> rows = {};
    // Another group's box that switches this group off while it is checked;
    // the rows are still checked and written.
    const char* szOffWhenChecked = nullptr;
};

struct CPageDescription {
    // Also the configuration sheet of the family the page serves.
    const char* szPageName;
    std::vector<CPageGroup> groups;
    // The installation row's ids: installer, placement, date and their
    // labels, the line under the row.
    int nInstallerId, nInstallerLabelId, nPlacementId, nPlacementLabelId, nDateId, nDateLabelId, nTopLineId;
    // Read, reset, write.
    int nReadId, nResetId, nWriteId;
    CUiText readText, resetText, writeText, readTip, resetTip, writeTip;
};

class CSettingsPage : public CPageBase {
    Q_OBJECT
public:
    CSettingsPage(const CPageDescription& description, const CPageContext& context, QWidget* pParent = nullptr);
    ~CSettingsPage() override;

    void SetLanguage(int nLanguage) override;
    void ReadFromTarget();
    void WriteToTarget();
    int ResetToDefaults(std::string& strError);
    int SaveConfiguration(std::string& strError);
    int LoadConfiguration(std::string& strError);
    // Asks for the key pad for the row's edit.
    void ShowKeyPad(int nEditId);

    // The save dialog's choice; tests answer it instead of a person.
    std::function<QString()> m_chooseSaveFile;
    // Whether the file can be loaded for the product (every entry there,
    // every value within its limits); the message names the file and the
    // setting by its label. Nothing on the page changes.
    int CheckConfigurationFile(const CDeviceConfig& definition, int nProductType, CDeviceConfig& file,
                               const std::string& strFileName, std::string& strError) const;
    const CPageDescription& Description() const { return m_Description; }
    // Whether a row's marker shows: its value out of range, between two of
    // the page's steps, or not held by the fitting.
    bool IsMarked(const std::string& strField) const;
    // What the marker of a valid value says; empty for none.
    QString MarkerNote(const std::string& strField) const;
    // Whether the page shows settings other than those it last read from
    // or wrote to the fitting.
    bool HasUnwrittenChanges();

signals:
    // The key pad is to type into the edit; the prompt is the row's label.
    void KeyPadWanted(QLineEdit* pEdit, const std::string& strPrompt);
    // A write and its restart succeeded with this installation record.
    void InstallationWritten(const std::string& strInstaller, const std::string& strPlacement, const std::string& strDate);
    // A write ended early after the fitting may have stored part of it.
    void WriteCutOff();
    // A write was read back: the fitting does not hold every value.
    void WriteNotHeld();
    // A write was restarted but could not be read back.
    void WriteUnverified();
    // The page shows what the fitting holds: read completely.
    void SettingsRead();

protected:
    void OnReadFromTarget() override;
    void OnEnableFittingOperations(bool bEnable) override;
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

    // Rows and groups the product type in force hides, and the texts that
    // change with it: the pages of a family with variants fill these. By
    // default a group is hidden when the product type keeps none of its values.
    virtual bool IsRowHidden(const CPageRow&) const { return false; }
    virtual bool IsGroupHidden(const CPageGroup& group) const;
    virtual CUiText RowLabel(const CPageRow& row) const { return row.label; }
    virtual CUiText RowTip(const CPageRow& row) const { return row.tip; }
    void UpdateProductVariant();

    // The model of the product in force; nullptr when the page does not serve it.
    CSettingsModel* Model() const;

    const CPageDescription& m_Description;

private:
    struct RowControls;
    // The family the page serves when its product is in force, else nullptr.
    const CSettingsFamily* FamilyInForce() const;
    // Made when another product comes into force; a running job shares it.
    void RebuildModel();
    // A setting as the page names it: its row's label, its group's title.
    QString FieldLabel(const std::string& strField) const;
    void BuildControls();
    std::unique_ptr<RowControls> BuildRow(const CPageGroup& group, const CPageRow& row);
    void BuildInstallationRow();
    void BuildButtons();
    // Tab goes along the rows, the left column first; "+" and "-" are no
    // stops: their keys step the edit that has the focus.
    void SetTabOrder();
    void ArrangeControls();
    void ArrangeInstallationRow();
    void ShowGroup(const CPageGroup& group, bool bShown);
    // Lays the group out from the position; returns where the next group starts.
    QPoint ArrangeGroup(const CPageGroup& group, const QPoint& position);
    void UpdateToolTips();
    void UpdateSwitches();
    void RelabelLists();
    // The parts of the form ShowForm puts into the controls.
    enum FormPart { kFormValues = 1, kFormNames = 2, kFormDate = 4, kFormAll = 7 };
    void ShowForm(int nParts);
    void TakeForm();
    void CheckRow(RowControls& row);
    void StepRow(RowControls& row, int nStep);
    std::string RowCheckMessage(const RowControls& row, const std::string& strError) const;
    const CPageGroup& SwitchingGroup(const CPageGroup& group) const;
    // A refused or failed write: the row's check, or the job's failure.
    void ReportFailedRow(int nResult, const std::string& strField, const std::string& strError);
    void FocusRow(const std::string& strField);
    // A write that did not reach its read-back: what the fitting may hold now.
    void ReportEndedWrite(const CWriteJournal& journal, const std::string& strField);
    // A write read back with values the fitting did not keep: marked and named.
    void ReportNotHeld(const CWriteJournal& journal);
    // Into the visit of the unit that was written.
    void RecordWrite(const CSettingsModel& model, const CWriteJournal& journal);
    QString ShownValue(CSettingsModel& model, const std::string& strField, const std::string& strValue) const;
    QString NotHeldNote(CSettingsModel& model, const CJournalEntry& entry) const;
    // Every row's marker anew: after a read, a write, a language switch.
    void RefreshMarkers();
    QString RowNote(CSettingsModel& model, const std::string& strField, const std::string& strText) const;
    // The form as shown is what the fitting holds now.
    void NoteFormHeld();
    QRect MarkerRect(const RowControls& row) const;
    // The model's progress, from the job's worker, to the job owner.
    SettingsProgress Progress() const;

    std::vector<std::unique_ptr<RowControls>> m_rows;
    std::map<std::string, QCheckBox*> m_switches;
    CColorComboBox* m_pInstaller = nullptr;
    CColorComboBox* m_pPlacement = nullptr;
    QDateEdit* m_pDate = nullptr;
    QPushButton* m_pRead = nullptr;
    QPushButton* m_pReset = nullptr;
    QPushButton* m_pWrite = nullptr;
    FCObjImage m_imgMarker;
    std::shared_ptr<CSettingsModel> m_pModel;
    std::optional<CSettingsForm> m_formHeld; // none until read or written
    // What the fitting held when last read or read back: a write's "before"
    // in the service record, kept when a file opened rebuilds the model.
    CSettingValues m_fittingValues;
    // The values the last write's read-back found otherwise than written.
    std::map<std::string, CJournalEntry> m_notHeld;
    // A write cut off or not read back: the next read tells what it left.
    std::optional<CWriteJournal> m_uncheckedWrite;
    std::string m_strUncheckedUnit; // the serial number of the unit it went to
};
