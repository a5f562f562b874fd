#pragma once
// The settings of a product family's page, free of any widget: which values
// the fitting keeps where, how the page shows them, how they are checked,
// read, written, saved and loaded, and the restart that makes the fitting
// take them. A family is a table (CSettingsFamily); one engine
// (CSettingsModel) serves every family. The page and fluxa-cli drive the
// same model.
//
// Two views of the same settings:
// - CSettingValues: the numbers the fitting and the saved files hold, by
//   setting name (a group switch kept as 0 in its value's byte shows here as
//   that 0);
// - CSettingsForm: what the page shows: a text per row (an edit's number or
//   a list's label) and a state per check box.
// Read and load fill the form; write and save collect the values from it
// with the value check of each row.

#include "common/FluxaTypes.h"
#include "configdata/DeviceConfig.h"
#include "pages/InstallationRecord.h"
#include "pages/SettingsFamily.h"
#include "pages/WriteJournal.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CToolConfigXML;
class CVelmorTPExt;
struct CEepromBytes;

class CSettingValues {
public:
    std::map<std::string, DWORD> numbers; // by field name; a field not read is missing
    std::string strInstaller;             // as the fitting keeps it (UTF-8)
    std::string strPlacement;
    CDate date; // not set when the fitting holds none
    // A value the page cannot show as the fitting holds it: between two of
    // the page's steps (1500 ms on a page in seconds; its number is the step
    // below) or a check box's byte other than 0 and 1. The value as the
    // fitting holds it: a write that leaves its control as read writes this
    // back, so that nothing changes that nobody touched.
    std::map<std::string, DWORD> stored;

    DWORD Number(const std::string& strName) const;
};

struct CSettingsForm {
    std::map<std::string, bool> switches;     // by switch name
    std::map<std::string, std::string> texts; // by field name (Number and Symbolic rows)
    std::string strInstaller;
    std::string strPlacement;
    CDate date; // the date picker
    bool operator==(const CSettingsForm&) const = default;
};

// Progress dialog steps of the page.
enum SettingsStep { StepRead = 1, StepWrite = 2, StepRestart = 5, StepWaitUntilReady = 6 };
// The step in force and the position of the page's progress bar.
using SettingsProgress = std::function<void(int nStep, int nPosition)>;

// Restarts the fitting (command 1) and waits until it runs its application
// and reports ready, for at most 20 s; every wait goes through the time
// service. A disturbed or missing answer to the restart is no failure by
// itself: the fitting most likely restarted and keeps silent while it
// starts, so the polling decides. A fitting that answers but never reports
// ready ends the wait without error (bReady stays false); one that never
// answers the polling at all fails with -1008.
int RestartAndWait(CVelmorTPExt& link, const SettingsProgress& progress, bool& bReady, std::string& strError);

class CSettingsModel {
public:
    // Checks collected for writing and for saving differ: saving does not
    // check a value whose group is off (it is saved as 0), and an empty list
    // takes its first label.
    enum class Purpose { Write, Save };

    // The definition in force and the current product type (it places the
    // installation data; the fields use the family's map).
    CSettingsModel(const CSettingsFamily& family, const CDeviceConfig& definition, int nProductType);

    const CSettingsFamily& Family() const { return m_Family; }
    // The family's fields that the product type keeps.
    const std::vector<CSettingField>& Fields() const { return m_Fields; }
    // One of Fields(), or nullptr.
    const CSettingField* FindField(const std::string& strName) const;
    // Whether the page of the product type shows the row of one of Fields()
    // and fluxa-cli lists it.
    bool ShowsField(const std::string& strName) const;
    // The product type the model was built for.
    int ProductType() const { return m_nProductType; }
    // Every check box's name, in field order.
    std::vector<std::string> Switches() const;
    CDeviceConfig& Definition() { return m_Definition; }
    const CDeviceConfig& Definition() const { return m_Definition; }

    // The page's controls. A list's text is a label of its setting in the
    // language in force, or the number itself when the definition has no
    // label for it (the page shows it as it stands; writing checks it).
    CSettingsForm& Form() { return m_Form; }
    const CSettingsForm& Form() const { return m_Form; }

    // The row's setting in the definition in force (limits, default,
    // labels); -1001 with the lookup's message when it has none.
    int GetSetting(const std::string& strName, const CProductSetting*& pSetting, std::string& strError);
    // The labels of a Symbolic row in the language in force.
    std::vector<std::string> Labels(const std::string& strName);
    // What a value of one of Fields() means on the page, in the language in
    // force: "on"/"off" for a check box (also for a group kept off in its
    // value), a list's label; empty for a plain number.
    std::string ValueLabel(const CSettingField& field, DWORD dwValue);
    // The value check of a row's text (the live check and the marker's message).
    int CheckValue(const std::string& strName, const std::string& strText, DWORD& dwValue, std::string& strError);
    // Whether the row's text is the off-step value the fitting held when
    // last read, as shown: it is written back unchanged.
    bool IsHeldOffStep(const std::string& strName, const std::string& strText) const;
    // A value of the write sequence as text, from the values: a number as
    // the page shows it (an off-step value with its fraction), the
    // installation texts and date as the fitting stores them; empty when
    // the values lack it.
    std::string ValueText(const CSettingValues& values, const std::string& strName) const;
    // "+" and "-": the new text, or none (beep). An unknown row keeps its text.
    std::optional<std::string> StepValue(const std::string& strName, const std::string& strText, int nStep);

    // Every control takes the default of its setting; a list whose box
    // takes the default keeps its label. Nothing is sent.
    int ResetToDefaults(std::string& strError);
    // The controls' values, checked for the purpose. A failed check names the
    // row in strFailedField.
    int CollectValues(Purpose ePurpose, CSettingValues& values, std::string& strError, std::string& strFailedField);

    // Checks the article number, then reads every field and the installation
    // data into the form (and LastRead). A failure leaves the controls read
    // so far with their new values.
    int ReadFromTarget(CVelmorTPExt& link, const SettingsProgress& progress, std::string& strError);
    const CSettingValues& LastRead() const { return m_LastRead; }
    void SetLastRead(const CSettingValues& values) { m_LastRead = values; }
    // Collects for writing and applies the family's cross check: the values
    // WriteToTarget writes, or why it refuses.
    int PrepareWrite(CSettingValues& values, std::string& strError, std::string& strFailedField);
    // Asks the fitting for its application version when the family has
    // version requirements, and refuses (-1002) a value too new for it.
    int CheckApplicationVersion(CVelmorTPExt& link, std::string& strError);
    // Checks the article number and the application version, collects and
    // checks every value and applies the family's cross check, then writes
    // the fields, the derived values and the installation data, noting each
    // in the journal (its entries: the write sequence with the values sent).
    // Nothing is written when a check fails. WriteSettings wraps it with the
    // restart and the read-back.
    // With a unit serial number, the journal notes another unit answering.
    int WriteToTarget(CVelmorTPExt& link, const SettingsProgress& progress, CWriteJournal& journal,
                      std::string& strError, std::string& strFailedField, const std::string& strUnitSerial = {});
    // The names of what WriteToTarget writes, in order.
    std::vector<std::string> WriteSequence() const;

    // Collects for saving and puts the values, the installation texts, the
    // article number and the configuration sheet into the emptied file object.
    int SaveConfiguration(CToolConfigXML& file, std::string& strError, std::string& strFailedField);
    // The values as a saved file holds them (flags 0 or 1, as their box
    // shows them), with the installation texts (a control character, which
    // the file cannot hold, as U+FFFD), the article number and the
    // configuration sheet.
    void PutValuesIntoFile(const CSettingValues& values, CToolConfigXML& file) const;
    // Fills the controls from a loaded file: every field with its group's
    // box, the installer and the placement. A setting missing from the file
    // refuses it with the lookup's error and leaves the controls unchanged.
    int LoadConfiguration(CDeviceConfig& file, std::string& strError);
    // Whether the file can be loaded: every entry is there and every value
    // passes the checks of saving (limits, labels). A failed check names
    // the setting in strFailedField. The controls stay as they are.
    int CheckConfiguration(CDeviceConfig& file, std::string& strError, std::string& strFailedField);

    // After ReadFromTarget: what the file holds as a save of the fitting
    // would hold it is kept as the fitting holds it, byte for byte: it is
    // neither checked against the limits nor written. The value check
    // guards what a person changes, not what the fitting already holds
    // (say a run time below its minimum, an unprogrammed 0xFF switch, a
    // text with a control character). The installation date, which no
    // file holds, is kept too.
    void KeepWhatTheFileLeaves(CDeviceConfig& file);

    // Where WriteToTarget can write, item by item in its order, and what the
    // fitting holds there: a backup restores these bytes exactly.
    int ReadWrittenBytes(CVelmorTPExt& link, std::vector<CEepromBytes>& items, std::string& strError);
    // Writes a backup's bytes back, each into its row as it stands, with the
    // article number checked first; nothing is checked against the limits.
    // The journal's entries are the values the backup changes back.
    int RestoreBytes(CVelmorTPExt& link, const std::vector<CEepromBytes>& items, CWriteJournal& journal,
                     std::string& strError, const std::string& strUnitSerial = {});
    // The values a backup's bytes hold, as a read would find them.
    CSettingValues ValuesOfBytes(const std::vector<CEepromBytes>& items) const;
    // The derived values as the fitting holds them, into values.
    int ReadDerived(CVelmorTPExt& link, CSettingValues& values, std::string& strError);

private:
    // The article number, then the unit's serial number when one is given:
    // another unit of the product may be written, and is noted in the
    // journal so that the write is recorded against it.
    int CheckTarget(CVelmorTPExt& link, const std::string& strUnitSerial, CWriteJournal& journal, std::string& strError);
    std::string ShownText(const CSettingField& field, DWORD dwValue);
    void ShowValue(const CSettingField& field, DWORD dwValue);
    int ControlValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError);
    int CollectField(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError);
    int SymbolicValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError);
    int LoadFile(CDeviceConfig& file, std::string& strError, std::string& strFailedField);
    int ReadFields(CVelmorTPExt& link, int& nPosition, const SettingsProgress& progress, std::string& strError);
    int ReadInstallation(CVelmorTPExt& link, int& nPosition, const SettingsProgress& progress, std::string& strError);
    int WriteInstallation(CVelmorTPExt& link, const CSettingValues& values, int& nPosition,
                          const SettingsProgress& progress, CWriteJournal& journal, std::string& strError);
    bool IsKept(const std::string& strName) const { return m_Kept.contains(strName); }

    const CSettingsFamily& m_Family;
    std::vector<CSettingField> m_Fields;
    CDeviceConfig m_Definition;
    int m_nProductType;
    CSettingsForm m_Form;
    CSettingValues m_LastRead;
    std::set<std::string> m_Kept; // items KeepWhatTheFileLeaves keeps as the fitting holds them
};
