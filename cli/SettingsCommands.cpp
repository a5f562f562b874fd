// Commands that read, save and write a fitting's settings through the model
// of its settings page, with the page's checks and messages.

#include "cli/CliCommands.h"
#include "cli/FittingSession.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingsModel.h"
#include "pages/SettingsRecord.h"
#include "pages/SettingsWrite.h"
#include "workflow/FailureHints.h"

#include "common/FilePaths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

using ModelSlot = std::optional<CSettingsModel>;

// A file name with "{serial}" names one file per unit.
std::string WithSerial(const std::string& strPath, const std::string& strUnitSerial)
{
    return ReplaceAll(strPath, kSerialPlaceholder, strUnitSerial);
}

// Every product type a definition can name has its family.
void OpenModel(const CDeviceConfig& definition, int nProductType, ModelSlot& model)
{
    model.emplace(*FindSettingsFamily(nProductType), definition, nProductType);
}

int ReadFitting(const CCliContext& context, CFittingSession& session, CSettingsModel& model)
{
    std::string strError;
    context.Progress(PickText("Reading the settings", "Die Einstellungen werden gelesen"), 40);
    const int nResult = model.ReadFromTarget(session.link, {}, strError);
    RecordVisit(session, ServiceEventKind::SettingsRead, nResult, strError,
                nResult == Result::Ok ? SettingsReadItems(model, model.LastRead()) : std::vector<CServiceItem>());
    return nResult == Result::Ok ? ExitOk : FailJob(context, nResult, strError);
}

// Connects and reads the fitting's settings by its own product definition.
int ConnectAndRead(const CCliContext& context, CFittingSession& session, ModelSlot& model)
{
    const int nExit = Connect(context, session, true);
    if (nExit != ExitOk)
        return nExit;
    OpenModel(session.identity.definition, session.identity.nProductType, model);
    return ReadFitting(context, session, *model);
}

// A value as the page shows it, with its label where it has one.
std::string ValueText(CSettingsModel& model, const CSettingField& field, const CSettingValues& values)
{
    const std::string strText = model.ValueText(values, field.szName);
    const std::string strLabel = model.ValueLabel(field, values.Number(field.szName));
    return strLabel.empty() ? strText : strText + " (" + strLabel + ")";
}

void AddIdentity(CCliReport& report, CSettingsModel& model)
{
    AddArticle(report, model.Definition().GetArticleNumber());
    report.Add("typeName", Label("Product type", "Produkttyp"), model.Definition().GetConfigSheet());
}

CCliReport SettingsReport(const CCliContext& context, CSettingsModel& model)
{
    const CSettingValues& values = model.LastRead();
    CCliReport report;
    AddIdentity(report, model);
    std::vector<CCliReport> items;
    std::vector<std::string> lines;
    for (const CSettingField& field : model.Fields()) {
        if (!model.ShowsField(field.szName))
            continue; // as on the page
        const DWORD dwValue = values.Number(field.szName);
        CCliReport item;
        item.Add("name", "", field.szName);
        item.Add("value", "", static_cast<long long>(dwValue));
        const std::string strLabel = model.ValueLabel(field, dwValue);
        if (!strLabel.empty())
            item.Add("label", "", strLabel);
        // Between two of the page's steps: the value with its fraction.
        if (values.stored.contains(field.szName))
            item.Add("shown", "", model.ValueText(values, field.szName));
        items.push_back(item);
        lines.push_back(PadRight(field.szName, 28) + ValueText(model, field, values));
    }
    if (context.bJson)
        report.AddList("settings", "", items);
    else
        report.AddLines("settings", Label("Settings", "Einstellungen"), lines);
    report.Add("installer", Label("Installer", "Installateur"), values.strInstaller);
    report.Add("placement", Label("Placement", "Einsatzort"), values.strPlacement);
    report.Add("installationDate", Label("Installation date", "Installationsdatum"), DateText(values.date));
    return report;
}

int WriteFile(const CCliContext& context, CSettingsModel& model, const CSettingValues& values, const std::string& strPath,
              const std::vector<CEepromBytes>& backupBytes = {})
{
    CToolConfigXML file;
    model.PutValuesIntoFile(values, file);
    file.SetBackupBytes(backupBytes);
    std::string strError;
    return file.WriteConfigurationFile(strPath, strError) == Result::Ok ? ExitOk : context.Fail(strError);
}

// ---- apply -----------------------------------------------------------------

struct CChange {
    std::string strSetting;
    std::string strBefore;
    std::string strAfter;
};

// Every value that differs between two readings, as the page would show it.
std::vector<CChange> Differences(CSettingsModel& model, const CSettingValues& before, const CSettingValues& after)
{
    std::vector<CChange> changes;
    for (const CSettingField& field : model.Fields())
        if (model.ValueText(before, field.szName) != model.ValueText(after, field.szName))
            changes.push_back({field.szName, ValueText(model, field, before), ValueText(model, field, after)});
    const auto addText = [&changes](const char* szName, const std::string& strBefore, const std::string& strAfter) {
        if (strBefore != strAfter)
            changes.push_back({szName, strBefore, strAfter});
    };
    addText(kInstallerName, before.strInstaller, after.strInstaller);
    addText(kPlacementName, before.strPlacement, after.strPlacement);
    addText(kInstallationDateName, DateText(before.date), DateText(after.date));
    return changes;
}

// Every backup item whose bytes differ from what the fitting holds there.
std::vector<CChange> ByteDifferences(const std::vector<CEepromBytes>& before, const std::vector<CEepromBytes>& after)
{
    std::vector<CChange> changes;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i])
            changes.push_back({FormatText("%s (0x%04x)", after[i].strName.c_str(), static_cast<unsigned>(after[i].nAddress)),
                               HexBytes(before[i].bytes), HexBytes(after[i].bytes)});
    return changes;
}

// The two value columns of a table: JSON keys and titles.
struct CColumns {
    const char* szBeforeKey;
    const char* szAfterKey;
    const char* szBeforeEnglish;
    const char* szBeforeGerman;
    const char* szAfterEnglish;
    const char* szAfterGerman;
};
constexpr CColumns kChangeColumns{"fitting", "file", "In the fitting", "In der Armatur", "In the file", "In der Datei"};
constexpr CColumns kNotHeldColumns{"written", "readBack", "Written", "Geschrieben", "Read back", "Zurückgelesen"};

// A table on the terminal, a list of objects in JSON.
void AddChanges(const CCliContext& context, CCliReport& report, const std::string& strKey, const std::string& strTitle,
                const std::vector<CChange>& changes, const CColumns& columns)
{
    if (context.bJson) {
        std::vector<CCliReport> items;
        for (const CChange& change : changes) {
            CCliReport item;
            item.Add("setting", "", change.strSetting);
            item.Add(columns.szBeforeKey, "", change.strBefore);
            item.Add(columns.szAfterKey, "", change.strAfter);
            items.push_back(item);
        }
        report.AddList(strKey, "", items);
        return;
    }
    const auto row = [](const std::string& strSetting, const std::string& strBefore, const std::string& strAfter) {
        return PadRight(strSetting, 28) + PadRight(strBefore, 32) + strAfter;
    };
    std::vector<std::string> lines{row(Label("Setting", "Einstellung"), Label(columns.szBeforeEnglish, columns.szBeforeGerman),
                                       Label(columns.szAfterEnglish, columns.szAfterGerman))};
    for (const CChange& change : changes)
        lines.push_back(row(change.strSetting, change.strBefore, change.strAfter));
    if (changes.empty())
        lines = {Label("none", "keine")};
    report.AddLines(strKey, strTitle, lines);
}

// Beside the file, named after the article number (and the unit's serial
// number for a job of several), date and time; an earlier backup is never
// overwritten.
fs::path DefaultBackupPath(const fs::path& file, const std::string& strName, const std::string& strTime)
{
    const std::string strBase = strName + "_backup_" + (strTime.empty() ? BackupTimeNow() : strTime);
    fs::path path = file.parent_path() / (strBase + ".xml");
    for (int n = 2; fs::exists(fs::symlink_status(path)); ++n)
        path = file.parent_path() / (strBase + "_" + std::to_string(n) + ".xml");
    return path;
}

// A backup given by name replaces no file unless --force allows it, and
// never the file being applied (under whatever name or link).
int CheckBackupPath(const CCliContext& context, const fs::path& backup, const fs::path& file)
{
    std::error_code error;
    if (fs::equivalent(backup, file, error))
        return context.Fail(PickText("The backup file is the file being applied; nothing was written.",
                                     "Die Sicherungsdatei ist die Datei, die eingespielt wird; nichts wurde geschrieben."),
                            "Name another file with --backup <file>.", "Nennen Sie mit --backup <Datei> eine andere Datei.");
    if (!context.bForce && fs::exists(fs::symlink_status(backup, error)))
        return context.Fail(FormatText(PickText("The backup file %s exists already; nothing was written.",
                                                "Die Sicherungsdatei %s existiert bereits; nichts wurde geschrieben."),
                                       Utf8FromPath(backup).c_str()),
                            "Name another file with --backup <file>, or give --force to replace it.",
                            "Nennen Sie mit --backup <Datei> eine andere Datei, oder geben Sie --force an, um sie zu ersetzen.");
    return ExitOk;
}

// What a write got to, when it ended early.
void AddJournal(CCliReport& report, const CWriteJournal& journal)
{
    std::vector<std::string> notWritten;
    for (const CJournalEntry& entry : journal.entries)
        if (!entry.bAcknowledged && !entry.bInFlight)
            notWritten.push_back(entry.strName);
    report.AddLines("written", Label("Written", "Geschrieben"), journal.Acknowledged());
    if (const CJournalEntry* pInFlight = journal.InFlight())
        report.Add("failed", Label("Failed (may or may not be stored)", "Fehlgeschlagen (vielleicht gespeichert)"),
                   pInFlight->strName);
    report.AddLines("notWritten", Label("Not written", "Nicht geschrieben"), notWritten);
}

// The file's settings checked against the fitting's application version,
// then as the page checks them before writing.
int PrepareFromFile(const CCliContext& context, CFittingSession& session, CSettingsModel& model, CDeviceConfig& file,
                    CSettingValues& values)
{
    std::string strError;
    std::string strFailedField;
    model.KeepWhatTheFileLeaves(file);
    int nResult = model.LoadConfiguration(file, strError);
    if (nResult == Result::Ok) // the application's version first, as the page checks
        nResult = model.CheckApplicationVersion(session.link, strError);
    if (nResult == Result::Ok)
        nResult = model.PrepareWrite(values, strError, strFailedField);
    if (nResult == Result::Ok)
        return ExitOk;
    return context.Fail(strFailedField.empty() ? strError : strFailedField + ": " + strError,
                        "Correct the file; 'fluxa-cli product <article>' shows the limits.",
                        "Korrigieren Sie die Datei; 'fluxa-cli product <Artikelnummer>' zeigt die Grenzen.");
}

// The model of the page that the file's product selects, its definition in
// force, as when the window opens the file.
int OpenFileModel(const CCliContext& context, CFittingSession& session, CDeviceConfig& file, ModelSlot& model)
{
    CDeviceConfig* pDefinition = nullptr;
    std::string strError;
    if (session.catalog.Configs().LookupObjectByName(file.GetArticleNumber(), pDefinition, MustExist, strError) != Result::Ok)
        return context.Fail(WithDetails(UnknownArticleOfFile(Utf8FromPath(PathFromUtf8(context.args.at(0)).filename()),
                                                             FormatArticleNumber(file.GetArticleNumber())),
                                        strError),
                            "'fluxa-cli products' lists the article numbers that are known.",
                            "'fluxa-cli products' zeigt die bekannten Artikelnummern.");
    int nProductType = 0;
    if (ProductNameToType(pDefinition->GetConfigSheet(), nProductType, strError) != Result::Ok)
        return context.Fail(strError);
    OpenModel(*pDefinition, nProductType, model);
    return ExitOk;
}

// What apply writes: the file's changes through the page's model, or a
// backup's bytes as they were.
struct CApplyPlan {
    CToolConfigXML& file;
    CSettingValues values;                 // the values to write (not for a backup)
    CSettingValues before;                 // what the fitting held before
    std::vector<CEepromBytes> held;        // what the fitting holds where a write goes
    bool IsBackup() const { return !file.GetBackupBytes().empty(); }
};

// The settings the fitting holds otherwise than written: written → read back.
std::vector<CChange> NotHeldChanges(const CWriteJournal& journal)
{
    std::vector<CChange> changes;
    for (const CJournalEntry* pEntry : journal.NotHeld())
        changes.push_back({pEntry->strName, pEntry->strAttempted, pEntry->strReadBack});
    return changes;
}

// A write that did not reach its read-back: what the fitting may hold, and
// what to do.
int FailEndedWrite(const CCliContext& context, const CWriteJournal& journal, const fs::path& backup)
{
    FailJob(context, journal.nResult, journal.strError);
    if (journal.eOutcome == WriteOutcome::Unverified)
        return context.Fail(PickText("The settings were written and the fitting restarted, but the write could not be checked.",
                                     "Die Einstellungen wurden geschrieben und die Armatur neu gestartet, das Schreiben konnte aber nicht geprüft werden."),
                            "Run 'fluxa-cli read' to see what the fitting holds.",
                            "Rufen Sie 'fluxa-cli read' auf, um zu sehen, was die Armatur hält.");
    const std::string strWhatToDo = journal.Touched()
                                        ? FormatText(PickText("Apply the backup file %s to restore it, or apply the file again.",
                                                              "Spielen Sie die Sicherungsdatei %s ein, um sie wiederherzustellen, oder die Datei erneut."),
                                                     Utf8FromPath(backup).c_str())
                                        : PickText("Apply the file again.", "Spielen Sie die Datei erneut ein.");
    return context.Fail(WriteEndedEarlyText(journal) + " " + strWhatToDo);
}

// Writes, restarts, waits and reads back through the write journal; the
// outcome goes into the report and the service record.
int WriteAndVerify(const CCliContext& context, CFittingSession& session, CSettingsModel& model, const CApplyPlan& plan,
                   const fs::path& backup, CCliReport& report)
{
    if (context.pJob == nullptr)
        std::fprintf(stderr, "%s\n", PickText("Writing the settings, then restarting the fitting (up to 20 s) ...",
                                              "Die Einstellungen werden geschrieben, dann startet die Armatur neu (bis zu 20 s) ..."));
    context.Progress(PickText("Writing the settings", "Die Einstellungen werden geschrieben"), 60);
    CWriteJournal journal;
    const CWriteStart start{plan.before, session.identity.strUnitSerialNumber};
    std::string strFailedField;
    if (plan.IsBackup())
        RestoreSettings(model, session.link, plan.file.GetBackupBytes(), start, {}, journal);
    else
        WriteSettings(model, session.link, start, {}, journal, strFailedField);
    if (journal.IsForRecord())
        RecordVisit(session, journal.RecordEvent());
    // On the terminal the lists only matter when the write ended early.
    if (context.bJson || !journal.IsVerified())
        AddJournal(report, journal);
    if (journal.eOutcome == WriteOutcome::None || journal.IsCut() || journal.eOutcome == WriteOutcome::Unverified) {
        if (journal.eOutcome == WriteOutcome::Unverified)
            report.Add("ready", "", static_cast<long long>(journal.bReady ? 1 : 0));
        context.Print(report);
        return journal.eOutcome == WriteOutcome::None ? FailJob(context, journal.nResult, journal.strError)
                                                      : FailEndedWrite(context, journal, backup);
    }
    report.Add("ready", "", static_cast<long long>(journal.bReady ? 1 : 0));
    if (!journal.bReady)
        report.Add("warning", Label("Warning", "Warnung"),
                   Label("The fitting did not report ready within 20 s.", "Die Armatur hat sich nicht innerhalb von 20 s bereit gemeldet."));
    const std::vector<CChange> notHeld = NotHeldChanges(journal);
    if (context.bJson || !notHeld.empty())
        AddChanges(context, report, "notHeld", Label("Not held by the fitting", "Von der Armatur nicht gehalten"),
                   notHeld, kNotHeldColumns);
    if (notHeld.empty())
        report.Add("result", Label("Result", "Ergebnis"),
                   Label("Written and read back: the fitting holds every value.",
                         "Geschrieben und zurückgelesen: die Armatur hält jeden Wert."));
    context.Print(report);
    if (notHeld.empty())
        return ExitOk;
    std::vector<std::string> settings;
    for (const CChange& change : notHeld)
        settings.push_back(change.strSetting);
    context.NotHeld(settings);
    return context.Fail(PickText("The fitting does not hold every value written.", "Die Armatur hält nicht jeden geschriebenen Wert."));
}

// The changes the file makes; the values are checked as the page checks
// them, a backup's bytes are not.
int PlanChanges(const CCliContext& context, CFittingSession& session, CSettingsModel& model, CApplyPlan& plan,
                std::vector<CChange>& changes)
{
    std::string strError;
    const int nResult = model.ReadWrittenBytes(session.link, plan.held, strError);
    if (nResult != Result::Ok)
        return FailJob(context, nResult, strError);
    if (plan.IsBackup()) {
        changes = ByteDifferences(plan.held, plan.file.GetBackupBytes());
        return ExitOk;
    }
    const int nExit = PrepareFromFile(context, session, model, plan.file.GetConfig(), plan.values);
    if (nExit == ExitOk)
        changes = Differences(model, model.LastRead(), plan.values);
    return nExit;
}

} // namespace

int RunRead(CCliContext& context)
{
    CFittingSession session;
    ModelSlot model;
    const int nExit = ConnectAndRead(context, session, model);
    if (nExit != ExitOk)
        return nExit;
    context.Print(SettingsReport(context, *model));
    return ExitOk;
}

int RunSave(CCliContext& context)
{
    CFittingSession session;
    ModelSlot model;
    int nExit = ConnectAndRead(context, session, model);
    if (nExit != ExitOk)
        return nExit;
    const std::string& strSerial = session.identity.strUnitSerialNumber;
    if ((nExit = WriteFile(context, *model, model->LastRead(), WithSerial(context.args.at(0), strSerial))) != ExitOk)
        return nExit;
    CCliReport report;
    report.Add("file", Label("File", "Datei"),
               WithSerial(context.args.at(0), strSerial));
    AddIdentity(report, *model);
    context.Print(report);
    return ExitOk;
}

int RunApply(CCliContext& context)
{
    const fs::path path = PathFromUtf8(context.args.at(0));
    CToolConfigXML file;
    std::string strError;
    if (file.ReadConfigurationFile(context.args.at(0), strError) != Result::Ok)
        return context.Fail(strError);
    CFittingSession session;
    ModelSlot model;
    int nExit = Connect(context, session, true);
    if (nExit != ExitOk || (nExit = OpenFileModel(context, session, file.GetConfig(), model)) != ExitOk
        || (nExit = ReadFitting(context, session, *model)) != ExitOk)
        return nExit;
    const CSettingValues fitting = model->LastRead();
    CApplyPlan plan{file, {}, fitting, {}};
    std::vector<CChange> changes;
    if ((nExit = PlanChanges(context, session, *model, plan, changes)) != ExitOk)
        return nExit;

    CCliReport report;
    report.Add("file", Label("File", "Datei"), context.args.at(0));
    AddIdentity(report, *model);
    AddChanges(context, report, "changes", Label("Changes", "Änderungen"), changes, kChangeColumns);
    if (changes.empty() || context.bDryRun) {
        report.Add("result", Label("Result", "Ergebnis"),
                   changes.empty() ? Label("The fitting already holds these settings; nothing was written.",
                                           "Die Armatur hält diese Einstellungen bereits; nichts wurde geschrieben.")
                                   : Label("Dry run; nothing was written.", "Probelauf; nichts wurde geschrieben."));
        context.Print(report);
        return ExitOk;
    }
    // Jobs of several run at once: each names its backup after its own unit.
    const std::string& strSerial = session.identity.strUnitSerialNumber;
    const std::string strBackupName = model->Definition().GetArticleNumber() + (context.pJob != nullptr ? "_" + strSerial : std::string());
    const fs::path backup = context.strBackupFile.empty() ? DefaultBackupPath(path, strBackupName, context.strBackupTime)
                                                         : PathFromUtf8(WithSerial(context.strBackupFile, strSerial));
    if ((nExit = CheckBackupPath(context, backup, path)) != ExitOk)
        return nExit;
    if (!context.bJson) {
        context.Print(report);
        report = CCliReport();
    }
    if (!context.bYes && !Confirm(PickText("Write these settings to the fitting?", "Diese Einstellungen in die Armatur schreiben?")))
        return context.Fail(PickText("Nothing was written.", "Nichts wurde geschrieben."),
                            "Answer y at the prompt, or give --yes to write without asking.",
                            "Antworten Sie j auf die Frage, oder geben Sie --yes an, um ohne Rückfrage zu schreiben.");
    if ((nExit = WriteFile(context, *model, fitting, Utf8FromPath(backup), plan.held)) != ExitOk)
        return nExit;
    report.Add("backup", Label("Backup of the fitting's settings", "Sicherung der Einstellungen der Armatur"),
               Utf8FromPath(backup));
    return WriteAndVerify(context, session, *model, plan, backup, report);
}
