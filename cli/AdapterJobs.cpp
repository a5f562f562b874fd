#include "cli/AdapterJobs.h"

#include "cli/CommandLine.h"
#include "cli/JobSummary.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"
#include "servicelog/ServiceLog.h"
#include "workflow/FailureHints.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <optional>
#include <set>
#include <thread>

void CAdapterJob::Keep(const CCliReport& report)
{
    m_reports.push_back(report);
}

void CAdapterJob::KeepError(const std::string& strError, const std::string& strMessage, const std::string& strHint)
{
    if (m_strWhy.empty())
        m_strWhy = strError;
    m_messages.push_back(strMessage);
    if (!strHint.empty())
        m_messages.push_back(strHint);
}

void CAdapterJob::KeepCause(const std::string& strCause)
{
    if (m_strWhy.empty() && m_strCause.empty())
        m_strCause = strCause;
}

void CAdapterJob::KeepWarning(const std::string& strMessage)
{
    m_messages.push_back(strMessage);
}

void CAdapterJob::SetUnit(const std::string& strArticle, const std::string& strUnitSerial)
{
    m_strArticle = strArticle;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.strUnitSerial = strUnitSerial;
}

void CAdapterJob::SetStep(const std::string& strStep, int nPercent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.strStep = strStep;
    m_progress.nPercent = nPercent;
}

void CAdapterJob::Finish(int nExit)
{
    m_nExit = nExit;
    SetStep(nExit == ExitOk ? PickText("done", "erledigt") : PickText("failed", "fehlgeschlagen"), 100);
}

CJobProgress CAdapterJob::Progress() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progress;
}

std::string CAdapterJob::AdapterText() const
{
    return m_strAdapterSerial.empty() ? std::to_string(m_nAdapter) : FormatText("%d (%s)", m_nAdapter, m_strAdapterSerial.c_str());
}

namespace {

using UnitsCome = std::vector<std::pair<const CAdapterJob*, std::string>>;

// Two jobs whose units have the same serial number, the lower adapter first.
std::pair<const CAdapterJob*, const CAdapterJob*> SameSerial(const UnitsCome& units)
{
    const auto byAdapter = [](const CAdapterJob* pA, const CAdapterJob* pB) { return pA->Adapter() < pB->Adapter(); };
    for (auto first = units.begin(); first != units.end(); ++first)
        for (auto second = std::next(first); second != units.end(); ++second)
            if (first->second == second->second)
                return std::minmax(first->first, second->first, byAdapter);
    return {nullptr, nullptr};
}

} // namespace

bool CUnitGate::HasCome(const CAdapterJob& job) const
{
    return std::ranges::find(m_units, &job, &UnitsCome::value_type::first) != m_units.end();
}

bool CUnitGate::Pass(const CAdapterJob& job, const std::string& strUnitSerial)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!HasCome(job))
        m_units.emplace_back(&job, strUnitSerial);
    m_settled.notify_all();
    m_settled.wait(lock, [this] { return m_units.size() + m_nLeft >= m_nJobs; });
    return SameSerial(m_units).first == nullptr;
}

void CUnitGate::Leave(const CAdapterJob& job)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (HasCome(job))
        return;
    ++m_nLeft;
    m_settled.notify_all();
}

std::pair<const CAdapterJob*, const CAdapterJob*> CUnitGate::Clash() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return SameSerial(m_units);
}

bool ParseAdapterOption(const std::string& strValue, CCliContext& context)
{
    context.bAllAdapters = strValue == "all";
    if (context.bAllAdapters)
        return true;
    std::set<int> seen;
    const bool bList = strValue.find(',') != std::string::npos;
    for (std::size_t nStart = 0; nStart <= strValue.size();) {
        const std::size_t nEnd = std::min(strValue.find(',', nStart), strValue.size());
        const std::optional<long long> adapter = ParseNumber(strValue.substr(nStart, nEnd - nStart), 10, 0, INT_MAX);
        if (!adapter || !seen.insert(static_cast<int>(*adapter)).second)
            return false;
        if (bList)
            context.adapterList.push_back(static_cast<int>(*adapter));
        else
            context.nAdapter = static_cast<int>(*adapter);
        nStart = nEnd + 1;
    }
    return true;
}

std::string SeveralAdaptersUsageError(const std::string& strCommand, const CCliContext& context)
{
    static const std::vector<std::string> commands = {"identify", "info", "errors", "read", "save", "apply", "flash"};
    if (std::ranges::find(commands, strCommand) == commands.end())
        return "'" + strCommand + "' serves one adapter; --adapter all or a list serves " + Join(commands, ", ");
    // The jobs cannot ask: one question for several fittings would be a guess.
    const bool bWrites = (strCommand == "apply" && !context.bDryRun) || context.bClear;
    if (bWrites && !context.bYes)
        return "'" + strCommand + "' on several adapters writes without asking: give --yes";
    const bool bSave = strCommand == "save";
    const std::string& strFile = bSave ? context.args.at(0) : context.strBackupFile;
    if ((bSave || !strFile.empty()) && strFile.find(kSerialPlaceholder) == std::string::npos)
        return FormatText("one file per unit: name it with %s, e.g. 'backup-%s.xml'", kSerialPlaceholder, kSerialPlaceholder);
    return std::string();
}

namespace {

// The bus adapters as listed now; each job keeps to its adapter by its
// serial number whatever is plugged or pulled meanwhile.
int ListBusAdapters(const CCliContext& context, std::vector<CAdapterDevice>& adapters)
{
    CVelmorTPExt link;
    std::string strError;
    if (link.LoadDriver(strError) != Result::Ok || link.ListAdapters(CVelmorTPFTDI::kAdapterDescription, adapters, strError) != Result::Ok)
        return context.Fail(strError, MissingLibraryHint(), MissingLibraryHint());
    if (adapters.empty() && context.bAllAdapters)
        return context.Fail(NoAdapterFoundText(), "Plug in the bus adapters; 'fluxa-cli adapters' lists the USB devices found.",
                            "Stecken Sie die Busadapter ein; 'fluxa-cli adapters' zeigt die gefundenen USB-Geräte.");
    return ExitOk;
}

std::vector<std::unique_ptr<CAdapterJob>> MakeJobs(const CCliContext& context, const std::vector<CAdapterDevice>& adapters)
{
    std::vector<int> numbers = context.adapterList;
    for (int n = 0; context.bAllAdapters && n < static_cast<int>(adapters.size()); ++n)
        numbers.push_back(n);
    std::vector<std::unique_ptr<CAdapterJob>> jobs;
    for (const int nAdapter : numbers) {
        // An adapter beyond the list gets no serial number: its job says it is missing.
        const bool bListed = nAdapter < static_cast<int>(adapters.size());
        jobs.push_back(std::make_unique<CAdapterJob>(nAdapter, bListed ? adapters[static_cast<std::size_t>(nAdapter)].strSerialNumber : ""));
    }
    return jobs;
}

// Creates the service record and its schema once, before the jobs open it
// each on their own.
void PrepareServiceLog(const CCliContext& context)
{
    if (context.strServiceLog.empty())
        return;
    CServiceLog log;
    std::string strIgnored; // each job warns for itself
    log.Open(context.strServiceLog, strIgnored);
}

// save names its file after the unit, and apply its backup (with {serial},
// or by default after the article and serial number).
bool WritesFilePerUnit(const std::string& strCommand, const CCliContext& context)
{
    return strCommand == "save" || (strCommand == "apply" && !context.bDryRun);
}

int RefuseSameSerial(const CCliContext& context, const CAdapterJob& first, const CAdapterJob& second)
{
    context.Fail(FormatText(PickText("The units on the adapters %s and %s have the same serial number %s: their files would have the same name. "
                                     "Nothing was written.",
                                     "Die Geräte an den Adaptern %s und %s haben dieselbe Seriennummer %s: ihre Dateien hätten denselben Namen. "
                                     "Nichts wurde geschrieben."),
                            first.AdapterText().c_str(), second.AdapterText().c_str(), first.Progress().strUnitSerial.c_str()),
                 FormatText(PickText("Serve them in runs of their own, e.g. --adapter %d, then --adapter %d.",
                                     "Bedienen Sie sie in getrennten Läufen, etwa --adapter %d, dann --adapter %d."),
                            first.Adapter(), second.Adapter()));
    return ExitUsage;
}

// Every job on its own thread; the progress is shown until the last ends.
void RunJobs(const CCliContext& context, int (*pRun)(CCliContext&), const std::vector<std::unique_ptr<CAdapterJob>>& jobs)
{
    const std::string strTime = BackupTimeNow();
    std::vector<CCliContext> contexts;
    for (const auto& job : jobs) {
        CCliContext& jobContext = contexts.emplace_back(context);
        jobContext.nAdapter = job->Adapter();
        jobContext.strAdapterSerial = job->AdapterSerial();
        jobContext.pJob = job.get();
        jobContext.strBackupTime = strTime;
    }
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t nEnded = 0;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < jobs.size(); ++i)
        threads.emplace_back([&, i] {
            const int nExit = pRun(contexts[i]);
            if (context.pUnitGate != nullptr)
                context.pUnitGate->Leave(*jobs[i]);
            jobs[i]->Finish(nExit);
            std::lock_guard<std::mutex> lock(mutex);
            ++nEnded;
            ended.notify_one();
        });
    CJobsView view(jobs);
    std::unique_lock<std::mutex> lock(mutex);
    while (nEnded < jobs.size()) {
        lock.unlock();
        view.Show();
        lock.lock();
        ended.wait_for(lock, std::chrono::milliseconds(250), [&] { return nEnded == jobs.size(); });
    }
    lock.unlock();
    for (std::thread& thread : threads)
        thread.join();
    view.Show();
}

} // namespace

int RunOnAdapters(const std::string& strCommand, const CCliContext& context, int (*pRun)(CCliContext&))
{
    std::vector<CAdapterDevice> adapters;
    if (const int nExit = ListBusAdapters(context, adapters); nExit != ExitOk)
        return nExit;
    PrepareServiceLog(context);
    const std::vector<std::unique_ptr<CAdapterJob>> jobs = MakeJobs(context, adapters);
    CUnitGate gate(jobs.size());
    CCliContext shared = context;
    shared.pUnitGate = WritesFilePerUnit(strCommand, context) ? &gate : nullptr;
    RunJobs(shared, pRun, jobs);
    if (const auto [pFirst, pSecond] = gate.Clash(); pFirst != nullptr)
        return RefuseSameSerial(context, *pFirst, *pSecond);
    PrintJobs(context, jobs);
    for (const auto& job : jobs)
        if (!job->Succeeded())
            return ExitFailed;
    return ExitOk;
}
