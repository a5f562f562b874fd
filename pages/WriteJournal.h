#pragma once
// The journal of one write of a fitting's settings: for each value the write
// sends, what the fitting held before, what was sent, whether the fitting
// acknowledged it, what it held when read back, and the verdict; and how the
// write ended. The window, fluxa-cli, the service record and the report take
// their words from it: nothing else decides what "written" means.

#include "servicelog/ServiceRecord.h"

#include <functional>
#include <string>
#include <vector>

struct CJournalEntry {
    std::string strName = {};      // as the write sequence and the saved files name it
    std::string strBefore = {};    // what the fitting held before; empty when not known
    std::string strAttempted = {}; // what was sent
    bool bAcknowledged = false;
    bool bInFlight = false;  // sent when the line failed: may or may not be stored
    bool bRead = false;      // read back (or read again after a cut)
    std::string strReadBack = {}; // what the fitting held then
    WriteVerdict eVerdict = WriteVerdict::NotWritten;
    // A value the fitting gets that no page shows, computed from the others:
    // judged, but not recorded as a setting.
    bool bDerived = false;

    bool Changes() const { return strAttempted != strBefore; }
};

class CWriteJournal {
public:
    std::vector<CJournalEntry> entries; // in the order the write sends them
    WriteOutcome eOutcome = WriteOutcome::None;
    int nResult = 0;       // the failure that ended the write or its check
    std::string strError;  // its message
    bool bReady = false;   // the fitting reported ready after its restart
    // The serial number of another unit than the one read, which answered
    // the write (a unit exchanged for one of the same product); else empty.
    std::string strOtherUnit;

    CJournalEntry* Find(const std::string& strName);
    // Notes the fitting's answer to the entry's write.
    void NoteWrite(const std::string& strName, int nResult);
    // The names the fitting acknowledged, in order.
    std::vector<std::string> Acknowledged() const;
    // The entry under way when the write was cut off; nullptr for none.
    const CJournalEntry* InFlight() const;
    // The settings the fitting holds otherwise than written (a derived
    // value follows the others and is no setting of its own).
    std::vector<const CJournalEntry*> NotHeld() const;
    // Whether the fitting may hold anything of the write.
    bool Touched() const;
    // Whether the write was sent to its end, restarted and read back.
    bool IsVerified() const { return eOutcome == WriteOutcome::AllHeld || eOutcome == WriteOutcome::SomeNotHeld; }
    bool IsCut() const { return eOutcome == WriteOutcome::CutWriting || eOutcome == WriteOutcome::CutRestarting; }
    // Whether the service record keeps it: every write that may have sent
    // something, and one the line ended; not a write its checks refused.
    bool IsForRecord() const;
    // Verdicts from what the fitting holds now (the name's value, as sent):
    // a value is held when the fitting holds it as sent; one never sent, or
    // under way and still as before, was not written; anything else is not
    // held. The outcome stays as it is.
    void Judge(const std::function<std::string(const std::string& strName)>& valueOf);

    // The service record's items: every setting the write was to change, or
    // that the fitting does not hold as written, by the record's names.
    std::vector<CServiceItem> RecordItems() const;
    // The event of the write: its outcome, its failure and its items.
    CServiceEvent RecordEvent() const;
    // The event that adds what the fitting held of a write that was cut off
    // or not read back, when it was read again.
    CServiceEvent CheckedEvent() const;
};

// The name the service record gives a value of the write sequence.
std::string RecordName(const std::string& strName);

// The sentence that leads the message of a write that ended early: that
// nothing was written, that the fitting may now hold a mix of old and new
// settings, or that it did not answer after its restart.
std::string WriteEndedEarlyText(const CWriteJournal& journal);
