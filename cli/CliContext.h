#pragma once
// What every command of fluxa-cli shares: the global options, the per-user
// settings of the GUI, the output in text or JSON, and the exit codes.

#include "cli/CliReport.h"
#include "common/FluxaTypes.h"
#include "servicelog/ServiceRecord.h"

#include <cstdio>
#include <string>
#include <vector>

class CAdapterJob;
class CUnitGate;

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// In a file name it stands for the unit's serial number: one file per unit.
constexpr const char* kSerialPlaceholder = "{serial}";

// The service code that the "DontChange" setting must hold for service mode.
constexpr DWORD kServiceCode = 0x2B5E1C47;

struct CCliContext {
    // The command's own positional arguments, as given: a path keeps bytes
    // that are not UTF-8.
    std::vector<std::string> args;
    int nAdapter = 0;
    std::string strConfigDir; // product definition directory
    bool bJson = false;
    bool bYes = false;
    bool bClear = false;
    bool bMerge = false;
    bool bRange = false;
    bool bDryRun = false;
    bool bForce = false;       // --force: --backup may replace a file
    std::string strBackupFile; // --backup as given, empty when not given
    DWORD dwServiceCode = 0;   // "DontChange" as stored
    std::string strServiceLog;  // the service record's database; empty with --no-log
    std::string strTechnician;  // who serves the fittings, for the service record
    CVisitFilter historyFilter; // history: --serial, --article, --since
    bool bCsv = false;
    // --adapter all or a list (--adapter 0,2,5): one job per adapter at once.
    bool bAllAdapters = false;
    std::vector<int> adapterList;
    // A job of several: its output is kept here instead of printed, and its
    // adapter is the one listed with this USB serial number.
    CAdapterJob* pJob = nullptr;
    std::string strAdapterSerial;
    // Where the jobs meet when each names a file after its unit; null: they do not.
    CUnitGate* pUnitGate = nullptr;
    // The time in default backup names; empty: the time of writing. Jobs of
    // several take theirs at the start, as the local time is not to be read
    // from several threads at once.
    std::string strBackupTime;

    bool ServesSeveralAdapters() const { return bAllAdapters || !adapterList.empty(); }

    // Prints the report as text or JSON on standard output.
    void Print(const CCliReport& report) const;
    // Prints "Error: <text>" (in the chosen language) and an optional hint on
    // standard error; returns ExitFailed.
    int Fail(const std::string& strError, const char* szHintEnglish = nullptr, const char* szHintGerman = nullptr) const;
    // The same with a hint already in the chosen language (none when empty).
    int Fail(const std::string& strError, const std::string& strHint) const;
    // "Warning: <text>" on standard error.
    void Warn(const std::string& strWarning) const;
    // What a job of several shows while it runs; nothing for one adapter.
    void Progress(const std::string& strStep, int nPercent) const;
    // The unit identified; false when the job must not go on, as another
    // job's unit has the same serial number and files are named after it.
    bool Identified(const std::string& strArticle, const std::string& strUnitSerial) const;
    void NotHeld(const std::vector<std::string>& settings) const;
};

// Label in the chosen language.
std::string Label(const char* szEnglish, const char* szGerman);

// The article number as "article" (the nine digits, JSON only) and
// "articleFormatted" (the display form, shown in text as well).
void AddArticle(CCliReport& report, const std::string& strArticle);

// The local time as backup files are named after it: yyyyMMdd_HHmmss.
std::string BackupTimeNow();

// Whether the stream is a terminal.
bool IsTerminal(std::FILE* pFile);
