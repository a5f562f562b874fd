#include "cli/AdapterJobs.h"

#include "cli/JobSummary.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "servicelog/ServiceLog.h"
#include "workflow/FailureHints.h"

#include <chrono>
#include <condition_variable>
#include <memory>
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

bool ParseAdapterOption(const QString& value, CCliContext& context)
{
    context.bAllAdapters = value == QLatin1String("all");
    if (context.bAllAdapters)
        return true;
    std::set<int> seen;
    const QStringList items = value.split(QLatin1Char(','));
    for (const QString& item : items) {
        bool bNumber = false;
        const int nAdapter = item.trimmed().toInt(&bNumber);
        if (!bNumber || nAdapter < 0 || !seen.insert(nAdapter).second)
            return false;
        if (items.size() > 1)
            context.adapterList.push_back(nAdapter);
        else
            context.nAdapter = nAdapter;
    }
    return true;
}

QString SeveralAdaptersUsageError(const QString& command, const CCliContext& context)
{
    static const QStringList commands = {QStringLiteral("identify"), QStringLiteral("info"), QStringLiteral("errors"), QStringLiteral("read"),
                                         QStringLiteral("save"), QStringLiteral("apply"), QStringLiteral("flash")};
    if (!commands.contains(command))
        return QStringLiteral("'%1' serves one adapter; --adapter all or a list serves %2").arg(command, commands.join(QStringLiteral(", ")));
    // The jobs cannot ask: one question for several fittings would be a guess.
    const bool bWrites = (command == QLatin1String("apply") && !context.bDryRun) || context.bClear;
    if (bWrites && !context.bYes)
        return QStringLiteral("'%1' on several adapters writes without asking: give --yes").arg(command);
    const bool bSave = command == QLatin1String("save");
    const std::string& strFile = bSave ? context.rawArgs.at(0) : context.strBackupFile;
    if ((bSave || !strFile.empty()) && strFile.find(kSerialPlaceholder) == std::string::npos)
        return QStringLiteral("one file per unit: name it with %1, e.g. 'backup-%1.xml'").arg(QLatin1String(kSerialPlaceholder));
    return QString();
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
            jobs[i]->Finish(pRun(contexts[i]));
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

int RunOnAdapters(const CCliContext& context, int (*pRun)(CCliContext&))
{
    std::vector<CAdapterDevice> adapters;
    if (const int nExit = ListBusAdapters(context, adapters); nExit != ExitOk)
        return nExit;
    PrepareServiceLog(context);
    const std::vector<std::unique_ptr<CAdapterJob>> jobs = MakeJobs(context, adapters);
    RunJobs(context, pRun, jobs);
    PrintJobs(context, jobs);
    for (const auto& job : jobs)
        if (!job->Succeeded())
            return ExitFailed;
    return ExitOk;
}
