// Commands that read, save and write a fitting's settings through the model
// of its settings page, with the page's checks and messages.

#include "cli/CliCommands.h"
#include "cli/FittingSession.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "pages/SettingsModel.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

using ModelSlot = std::optional<CSettingsModel>;

// Every product type a definition can name has its family.
void OpenModel(const CDeviceConfig& definition, int nProductType, ModelSlot& model)
{
    model.emplace(*FindSettingsFamily(nProductType), definition, nProductType);
}

int ReadFitting(const CCliContext& context, CFittingSession& session, CSettingsModel& model)
{
    std::string strError;
    const int nResult = model.ReadFromTarget(session.link, {}, strError);
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

// What a value means on the page: "on"/"off" for a check box (also for a
// group kept off in its value), a list's label; empty for a plain number.
QString ValueLabel(CSettingsModel& model, const CSettingField& field, DWORD dwValue)
{
    if (field.eKind == SettingKind::Flag || (field.bZeroMeansOff && dwValue == 0))
        return IsFlagOn(field, dwValue) ? Label("on", "ein") : Label("off", "aus");
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    std::string strLabel;
    if (field.eKind == SettingKind::Symbolic && model.GetSetting(field.szName, pSetting, strIgnored) == Result::Ok)
        pSetting->GetSymbolicLabel(g_nLanguage, dwValue, strLabel);
    return QString::fromStdString(strLabel);
}

QString ValueText(CSettingsModel& model, const CSettingField& field, DWORD dwValue)
{
    const QString label = ValueLabel(model, field, dwValue);
    return label.isEmpty() ? QString::number(dwValue) : QStringLiteral("%1 (%2)").arg(dwValue).arg(label);
}

void AddIdentity(CCliReport& report, CSettingsModel& model)
{
    AddArticle(report, model.Definition().GetArticleNumber());
    report.Add(QStringLiteral("typeName"), Label("Product type", "Produkttyp"), model.Definition().GetConfigSheet());
}

CCliReport SettingsReport(const CCliContext& context, CSettingsModel& model)
{
    const CSettingValues& values = model.LastRead();
    CCliReport report;
    AddIdentity(report, model);
    std::vector<CCliReport> items;
    QStringList lines;
    for (const CSettingField& field : model.Fields()) {
        const DWORD dwValue = values.Number(field.szName);
        CCliReport item;
        item.Add(QStringLiteral("name"), QString(), QString::fromUtf8(field.szName));
        item.Add(QStringLiteral("value"), QString(), static_cast<qint64>(dwValue));
        const QString label = ValueLabel(model, field, dwValue);
        if (!label.isEmpty())
            item.Add(QStringLiteral("label"), QString(), label);
        items.push_back(item);
        lines << QString::fromUtf8(field.szName).leftJustified(28) + ValueText(model, field, dwValue);
    }
    if (context.bJson)
        report.AddList(QStringLiteral("settings"), QString(), items);
    else
        report.AddLines(QStringLiteral("settings"), Label("Settings", "Einstellungen"), lines);
    report.Add(QStringLiteral("installer"), Label("Installer", "Installateur"), values.strInstaller);
    report.Add(QStringLiteral("placement"), Label("Placement", "Einsatzort"), values.strPlacement);
    report.Add(QStringLiteral("installationDate"), Label("Installation date", "Installationsdatum"), DateText(values.date));
    return report;
}

int WriteFile(const CCliContext& context, CSettingsModel& model, const CSettingValues& values, const std::string& strPath)
{
    CToolConfigXML file;
    model.PutValuesIntoFile(values, file);
    std::string strError;
    return file.WriteConfigurationFile(strPath, strError) == Result::Ok ? ExitOk : context.Fail(strError);
}

// ---- apply -----------------------------------------------------------------

struct CChange {
    QString setting;
    QString before;
    QString after;
};

// Every value that differs between two readings, as the page would show it.
std::vector<CChange> Differences(CSettingsModel& model, const CSettingValues& before, const CSettingValues& after)
{
    std::vector<CChange> changes;
    for (const CSettingField& field : model.Fields()) {
        const DWORD dwBefore = before.Number(field.szName);
        const DWORD dwAfter = after.Number(field.szName);
        if (dwBefore != dwAfter)
            changes.push_back({field.szName, ValueText(model, field, dwBefore), ValueText(model, field, dwAfter)});
    }
    const auto addText = [&changes](const char* szName, const std::string& strBefore, const std::string& strAfter) {
        if (strBefore != strAfter)
            changes.push_back({szName, QString::fromStdString(strBefore), QString::fromStdString(strAfter)});
    };
    addText(kInstallerName, before.strInstaller, after.strInstaller);
    addText(kPlacementName, before.strPlacement, after.strPlacement);
    addText(kInstallationDateName, DateText(before.date), DateText(after.date));
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
void AddChanges(const CCliContext& context, CCliReport& report, const QString& key, const QString& title,
                const std::vector<CChange>& changes, const CColumns& columns)
{
    if (context.bJson) {
        std::vector<CCliReport> items;
        for (const CChange& change : changes) {
            CCliReport item;
            item.Add(QStringLiteral("setting"), QString(), change.setting);
            item.Add(QString::fromUtf8(columns.szBeforeKey), QString(), change.before);
            item.Add(QString::fromUtf8(columns.szAfterKey), QString(), change.after);
            items.push_back(item);
        }
        report.AddList(key, QString(), items);
        return;
    }
    const auto row = [](const QString& setting, const QString& before, const QString& after) {
        return setting.leftJustified(28) + before.leftJustified(32) + after;
    };
    QStringList lines{row(Label("Setting", "Einstellung"), Label(columns.szBeforeEnglish, columns.szBeforeGerman),
                          Label(columns.szAfterEnglish, columns.szAfterGerman))};
    for (const CChange& change : changes)
        lines << row(change.setting, change.before, change.after);
    if (changes.empty())
        lines = QStringList{Label("none", "keine")};
    report.AddLines(key, title, lines);
}

QString DefaultBackupPath(const QString& file, const std::string& strArticle)
{
    const QString base = QFileInfo(file).absoluteDir().filePath(
        QStringLiteral("%1_backup_%2").arg(QString::fromStdString(strArticle), QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))));
    // An earlier backup is never overwritten.
    QString path = base + QStringLiteral(".xml");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1_%2.xml").arg(base).arg(n);
    return path;
}

// What a write got to, when it ended early.
void AddJournal(CCliReport& report, const CSettingsModel& model, const CWriteJournal& journal)
{
    QStringList written;
    QStringList notWritten;
    for (const std::string& strName : model.WriteSequence()) {
        if (std::ranges::find(journal.written, strName) != journal.written.end())
            written << QString::fromStdString(strName);
        else if (strName != journal.strFailed)
            notWritten << QString::fromStdString(strName);
    }
    report.AddLines(QStringLiteral("written"), Label("Written", "Geschrieben"), written);
    if (!journal.strFailed.empty())
        report.Add(QStringLiteral("failed"), Label("Failed (may or may not be stored)", "Fehlgeschlagen (vielleicht gespeichert)"),
                   journal.strFailed);
    report.AddLines(QStringLiteral("notWritten"), Label("Not written", "Nicht geschrieben"), notWritten);
}

// The file's settings checked as the page checks them before writing, and
// against the fitting's application version.
int PrepareFromFile(const CCliContext& context, CFittingSession& session, CSettingsModel& model, CDeviceConfig& file,
                    CSettingValues& values)
{
    std::string strError;
    std::string strFailedField;
    int nResult = model.LoadConfiguration(file, strError);
    if (nResult == Result::Ok)
        nResult = model.PrepareWrite(values, strError, strFailedField);
    if (nResult == Result::Ok)
        nResult = model.CheckApplicationVersion(session.link, strError);
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
        return context.Fail(strError, "'fluxa-cli products' lists the article numbers that are known.",
                            "'fluxa-cli products' zeigt die bekannten Artikelnummern.");
    int nProductType = 0;
    if (ProductNameToType(pDefinition->GetConfigSheet(), nProductType, strError) != Result::Ok)
        return context.Fail(strError);
    OpenModel(*pDefinition, nProductType, model);
    return ExitOk;
}

// Writes, restarts, waits and reads back; the outcome goes into the report.
int WriteAndVerify(const CCliContext& context, CFittingSession& session, CSettingsModel& model,
                   const CSettingValues& values, const QString& backup, CCliReport& report)
{
    std::fprintf(stderr, "%s\n", PickText("Writing the settings, then restarting the fitting (up to 20 s) ...",
                                          "Die Einstellungen werden geschrieben, dann startet die Armatur neu (bis zu 20 s) ..."));
    CWriteJournal journal;
    std::string strError;
    std::string strFailedField;
    int nResult = model.WriteToTarget(session.link, {}, journal, strError, strFailedField);
    // On the terminal the lists only matter when the write ended early.
    if (context.bJson || nResult != Result::Ok)
        AddJournal(report, model, journal);
    if (nResult != Result::Ok) {
        context.Print(report);
        FailJob(context, nResult, strError);
        return context.Fail(FormatText(PickText("The fitting may now hold a mix of old and new settings. Apply the backup file %s to restore it, or apply the file again.",
                                                "Die Armatur hält jetzt womöglich alte und neue Einstellungen gemischt. Spielen Sie die Sicherungsdatei %s ein, um sie wiederherzustellen, oder die Datei erneut."),
                                       backup.toUtf8().constData()));
    }
    bool bReady = false;
    nResult = RestartAndWait(session.link, {}, bReady, strError);
    report.Add(QStringLiteral("ready"), QString(), static_cast<qint64>(bReady ? 1 : 0));
    if (!bReady)
        report.Add(QStringLiteral("warning"), Label("Warning", "Warnung"),
                   Label("The fitting did not report ready within 20 s.", "Die Armatur hat sich nicht innerhalb von 20 s bereit gemeldet."));
    if (nResult != Result::Ok || ReadFitting(context, session, model) != ExitOk) {
        context.Print(report);
        return nResult != Result::Ok ? FailJob(context, nResult, strError) : ExitFailed;
    }
    const std::vector<CChange> notHeld = Differences(model, values, model.LastRead());
    if (context.bJson || !notHeld.empty())
        AddChanges(context, report, QStringLiteral("notHeld"), Label("Not held by the fitting", "Von der Armatur nicht gehalten"),
                   notHeld, kNotHeldColumns);
    if (notHeld.empty())
        report.Add(QStringLiteral("result"), Label("Result", "Ergebnis"),
                   Label("Written and read back: the fitting holds every value.",
                         "Geschrieben und zurückgelesen: die Armatur hält jeden Wert."));
    context.Print(report);
    if (notHeld.empty())
        return ExitOk;
    return context.Fail(PickText("The fitting does not hold every value written.", "Die Armatur hält nicht jeden geschriebenen Wert."));
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
    const std::string strPath = context.args.at(0).toStdString();
    if (nExit != ExitOk || (nExit = WriteFile(context, *model, model->LastRead(), strPath)) != ExitOk)
        return nExit;
    CCliReport report;
    report.Add(QStringLiteral("file"), Label("File", "Datei"), strPath);
    AddIdentity(report, *model);
    context.Print(report);
    return ExitOk;
}

int RunApply(CCliContext& context)
{
    const QString path = context.args.at(0);
    CToolConfigXML file;
    std::string strError;
    if (file.ReadConfigurationFile(path.toStdString(), strError) != Result::Ok)
        return context.Fail(strError);
    CFittingSession session;
    ModelSlot model;
    int nExit = Connect(context, session, true);
    if (nExit != ExitOk || (nExit = OpenFileModel(context, session, file.GetConfig(), model)) != ExitOk
        || (nExit = ReadFitting(context, session, *model)) != ExitOk)
        return nExit;
    const CSettingValues fitting = model->LastRead();
    CSettingValues values;
    if ((nExit = PrepareFromFile(context, session, *model, file.GetConfig(), values)) != ExitOk)
        return nExit;

    CCliReport report;
    report.Add(QStringLiteral("file"), Label("File", "Datei"), path);
    AddIdentity(report, *model);
    const std::vector<CChange> changes = Differences(*model, fitting, values);
    AddChanges(context, report, QStringLiteral("changes"), Label("Changes", "Änderungen"), changes, kChangeColumns);
    if (changes.empty() || context.bDryRun) {
        report.Add(QStringLiteral("result"), Label("Result", "Ergebnis"),
                   changes.empty() ? Label("The fitting already holds these settings; nothing was written.",
                                           "Die Armatur hält diese Einstellungen bereits; nichts wurde geschrieben.")
                                   : Label("Dry run; nothing was written.", "Probelauf; nichts wurde geschrieben."));
        context.Print(report);
        return ExitOk;
    }
    if (!context.bJson) {
        context.Print(report);
        report = CCliReport();
    }
    if (!context.bYes && !Confirm(PickText("Write these settings to the fitting?", "Diese Einstellungen in die Armatur schreiben?")))
        return context.Fail(PickText("Nothing was written.", "Nichts wurde geschrieben."),
                            "Answer y at the prompt, or give --yes to write without asking.",
                            "Antworten Sie j auf die Frage, oder geben Sie --yes an, um ohne Rückfrage zu schreiben.");
    const QString backup = context.strBackupFile.empty() ? DefaultBackupPath(path, model->Definition().GetArticleNumber())
                                                        : QString::fromStdString(context.strBackupFile);
    if ((nExit = WriteFile(context, *model, fitting, backup.toStdString())) != ExitOk)
        return nExit;
    report.Add(QStringLiteral("backup"), Label("Backup of the fitting's settings", "Sicherung der Einstellungen der Armatur"), backup);
    return WriteAndVerify(context, session, *model, values, backup, report);
}
