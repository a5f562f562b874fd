#include "pages/WriteJournal.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "pages/InstallationRecord.h"

#include <algorithm>

CJournalEntry* CWriteJournal::Find(const std::string& strName)
{
    const auto found = std::ranges::find(entries, strName, &CJournalEntry::strName);
    return found != entries.end() ? &*found : nullptr;
}

void CWriteJournal::NoteWrite(const std::string& strName, int nWriteResult)
{
    CJournalEntry* pEntry = Find(strName);
    if (pEntry == nullptr)
        return;
    pEntry->bAcknowledged = nWriteResult == Result::Ok;
    pEntry->bInFlight = nWriteResult != Result::Ok;
    pEntry->eVerdict = pEntry->bAcknowledged ? WriteVerdict::Unknown : WriteVerdict::InFlight;
}

std::vector<std::string> CWriteJournal::Acknowledged() const
{
    std::vector<std::string> names;
    for (const CJournalEntry& entry : entries)
        if (entry.bAcknowledged)
            names.push_back(entry.strName);
    return names;
}

const CJournalEntry* CWriteJournal::InFlight() const
{
    const auto found = std::ranges::find_if(entries, &CJournalEntry::bInFlight);
    return found != entries.end() ? &*found : nullptr;
}

std::vector<const CJournalEntry*> CWriteJournal::NotHeld() const
{
    std::vector<const CJournalEntry*> notHeld;
    for (const CJournalEntry& entry : entries)
        if (entry.eVerdict == WriteVerdict::NotHeld && !entry.bDerived)
            notHeld.push_back(&entry);
    return notHeld;
}

bool CWriteJournal::Touched() const
{
    return std::ranges::any_of(entries, [](const CJournalEntry& entry) { return entry.bAcknowledged || entry.bInFlight; });
}

bool CWriteJournal::IsForRecord() const
{
    return eOutcome != WriteOutcome::None || (nResult != Result::InvalidArgument && nResult != Result::MissingPrecondition);
}

void CWriteJournal::Judge(const std::function<std::string(const std::string& strName)>& valueOf)
{
    for (CJournalEntry& entry : entries) {
        entry.bRead = true;
        entry.strReadBack = valueOf(entry.strName);
        if (entry.strReadBack == entry.strAttempted)
            entry.eVerdict = WriteVerdict::Held;
        else if ((!entry.bAcknowledged && !entry.bInFlight) || (entry.bInFlight && entry.strReadBack == entry.strBefore))
            entry.eVerdict = WriteVerdict::NotWritten;
        else
            entry.eVerdict = WriteVerdict::NotHeld;
    }
}

std::string RecordName(const std::string& strName)
{
    return strName == kInstallationDateName ? std::string("InstallDate") : strName;
}

std::vector<CServiceItem> CWriteJournal::RecordItems() const
{
    std::vector<CServiceItem> items;
    for (const CJournalEntry& entry : entries)
        if (!entry.bDerived && (entry.Changes() || entry.eVerdict == WriteVerdict::NotHeld))
            items.push_back({RecordName(entry.strName), entry.strBefore, entry.strAttempted, entry.eVerdict,
                             entry.bRead ? entry.strReadBack : std::string()});
    return items;
}

CServiceEvent CWriteJournal::RecordEvent() const
{
    CServiceEvent event;
    event.eKind = ServiceEventKind::SettingsWritten;
    event.nResult = nResult;
    event.strMessage = strError;
    event.eOutcome = eOutcome;
    event.items = RecordItems();
    return event;
}

CServiceEvent CWriteJournal::CheckedEvent() const
{
    CServiceEvent event = RecordEvent();
    event.eKind = ServiceEventKind::SettingsChecked;
    event.nResult = Result::Ok;
    event.strMessage.clear();
    return event;
}

std::string WriteEndedEarlyText(const CWriteJournal& journal)
{
    if (journal.eOutcome == WriteOutcome::CutRestarting)
        return PickText("Every value was sent and acknowledged, but the fitting did not answer after its restart.",
                        "Jeder Wert wurde gesendet und bestätigt, die Armatur hat nach ihrem Neustart aber nicht geantwortet.");
    return journal.Touched() ? PickText("The fitting may now hold a mix of old and new settings.",
                                        "Die Armatur hält jetzt womöglich alte und neue Einstellungen gemischt.")
                             : PickText("Nothing was written: the fitting holds its settings as before.",
                                        "Es wurde nichts geschrieben: Die Armatur hält ihre Einstellungen wie zuvor.");
}
