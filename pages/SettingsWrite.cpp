#include "pages/SettingsWrite.h"

#include "common/ResultCodes.h"

#include <functional>

namespace {

using WritePhase = std::function<int(std::string& strError)>;

// Restart, readiness and read-back after the values went out, and the
// verdict of each value.
void RestartAndVerify(CSettingsModel& model, CVelmorTPExt& link, const SettingsProgress& progress, CWriteJournal& journal)
{
    journal.nResult = RestartAndWait(link, progress, journal.bReady, journal.strError);
    if (journal.nResult != Result::Ok) {
        journal.eOutcome = WriteOutcome::CutRestarting;
        return;
    }
    // A read-back that fails leaves the model as it was: the page goes on
    // showing, and checking against, what it showed.
    const CSettingValues lastRead = model.LastRead();
    const CSettingsForm form = model.Form();
    journal.nResult = model.ReadFromTarget(link, progress, journal.strError);
    CSettingValues readBack = model.LastRead();
    if (journal.nResult == Result::Ok)
        journal.nResult = model.ReadDerived(link, readBack, journal.strError);
    if (journal.nResult != Result::Ok) {
        model.SetLastRead(lastRead);
        model.Form() = form;
        journal.eOutcome = WriteOutcome::Unverified;
        return;
    }
    journal.Judge([&](const std::string& strName) { return model.ValueText(readBack, strName); });
    journal.eOutcome = journal.NotHeld().empty() ? WriteOutcome::AllHeld : WriteOutcome::SomeNotHeld;
}

int RunWrite(CSettingsModel& model, CVelmorTPExt& link, const CWriteStart& start, const SettingsProgress& progress,
             CWriteJournal& journal, const WritePhase& writeValues)
{
    std::string strError;
    const int nResult = writeValues(strError);
    // What another unit than the one read held is not known.
    for (CJournalEntry& entry : journal.entries)
        entry.strBefore = journal.strOtherUnit.empty() ? model.ValueText(start.before, entry.strName) : std::string();
    journal.nResult = nResult;
    journal.strError = strError;
    if (nResult != Result::Ok) {
        journal.eOutcome = journal.Touched() ? WriteOutcome::CutWriting : WriteOutcome::None;
        return nResult;
    }
    RestartAndVerify(model, link, progress, journal);
    return journal.nResult;
}

} // namespace

int WriteSettings(CSettingsModel& model, CVelmorTPExt& link, const CWriteStart& start, const SettingsProgress& progress,
                  CWriteJournal& journal, std::string& strFailedField)
{
    return RunWrite(model, link, start, progress, journal, [&](std::string& strError) {
        return model.WriteToTarget(link, progress, journal, strError, strFailedField, start.strUnitSerial);
    });
}

int RestoreSettings(CSettingsModel& model, CVelmorTPExt& link, const std::vector<CEepromBytes>& backup, const CWriteStart& start,
                    const SettingsProgress& progress, CWriteJournal& journal)
{
    return RunWrite(model, link, start, progress, journal,
                    [&](std::string& strError) { return model.RestoreBytes(link, backup, journal, strError, start.strUnitSerial); });
}
