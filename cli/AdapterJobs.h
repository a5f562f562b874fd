#pragma once
// fluxa-cli --adapter all (or a list): one job per bus adapter, all at once,
// each on its own thread with its own link, product catalogue and service
// record connection. A job's output is kept, not printed; while the jobs run
// one progress line per adapter is shown, at the end each job's output and a
// table of all (or one JSON object per adapter).

#include "cli/CliContext.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// What a job shows while it runs.
struct CJobProgress {
    std::string strUnitSerial; // empty until the fitting is identified
    std::string strStep;
    int nPercent = 0;
};

class CAdapterJob {
public:
    CAdapterJob(int nAdapter, std::string strAdapterSerial) : m_nAdapter(nAdapter), m_strAdapterSerial(std::move(strAdapterSerial)) {}

    // From the job's own thread.
    void Keep(const CCliReport& report);
    void KeepError(const std::string& strError, const std::string& strMessage, const std::string& strHint);
    // What happened, in the technician's words, when the core's text says it
    // in its own (a time-out, a bad checksum): the table shows it instead.
    void KeepCause(const std::string& strCause);
    void KeepWarning(const std::string& strMessage);
    void SetUnit(const std::string& strArticle, const std::string& strUnitSerial);
    void SetStep(const std::string& strStep, int nPercent);
    void SetNotHeld(const std::vector<std::string>& settings) { m_notHeld = settings; }
    void Finish(int nExit);

    // From any thread while the job runs.
    CJobProgress Progress() const;

    // After the job's thread has ended.
    int Adapter() const { return m_nAdapter; }
    const std::string& AdapterSerial() const { return m_strAdapterSerial; }
    // Its number and USB serial number, as the table shows them: "2 (VB4713)".
    std::string AdapterText() const;
    bool Succeeded() const { return m_nExit == ExitOk; }
    const std::string& Article() const { return m_strArticle; }
    const std::vector<CCliReport>& Reports() const { return m_reports; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    // Why it failed: its first error.
    const std::string& Why() const { return m_strWhy; }
    // The same for the table: the cause kept for it, else the error.
    const std::string& ShownWhy() const { return m_strCause.empty() ? m_strWhy : m_strCause; }
    const std::vector<std::string>& NotHeld() const { return m_notHeld; }

private:
    int m_nAdapter;
    std::string m_strAdapterSerial;
    int m_nExit = ExitFailed;
    std::string m_strArticle;
    std::vector<CCliReport> m_reports;
    std::vector<std::string> m_messages; // errors, hints and warnings, in order
    std::string m_strWhy;
    std::string m_strCause;
    std::vector<std::string> m_notHeld;

    mutable std::mutex m_mutex; // guards m_progress
    CJobProgress m_progress;
};

// Jobs that write a file named after their unit's serial number meet once
// their units are identified: two units with the same serial number would
// share one file, so then no job goes on, before any of them writes.
class CUnitGate {
public:
    explicit CUnitGate(std::size_t nJobs) : m_nJobs(nJobs) {}

    // From a job's thread, its unit identified: waits until every job has
    // come here or ended; false when two units have the same serial number.
    bool Pass(const CAdapterJob& job, const std::string& strUnitSerial);
    // From a job's thread as it ends, that the others need not wait for it.
    void Leave(const CAdapterJob& job);
    // After the jobs: two whose units have the same serial number, or nulls.
    std::pair<const CAdapterJob*, const CAdapterJob*> Clash() const;

private:
    bool HasCome(const CAdapterJob& job) const;

    std::size_t m_nJobs;
    mutable std::mutex m_mutex;
    std::condition_variable m_settled;
    std::vector<std::pair<const CAdapterJob*, std::string>> m_units; // the jobs come, with their unit's serial number
    std::size_t m_nLeft = 0;                                         // the jobs ended without coming
};

// --adapter: a number (one adapter, as ever), "all", or a list "0,2,5".
// False when the value is none of them.
bool ParseAdapterOption(const std::string& strValue, CCliContext& context);
// Empty when the command may run on several adapters as given; else why not.
std::string SeveralAdaptersUsageError(const std::string& strCommand, const CCliContext& context);
// Runs the command once per adapter, all at once: ExitOk when every job
// succeeded, ExitFailed when any failed, ExitUsage when two units have the
// same serial number and the command names a file after it.
int RunOnAdapters(const std::string& strCommand, const CCliContext& context, int (*pRun)(CCliContext&));
