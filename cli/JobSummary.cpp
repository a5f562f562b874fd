#include "cli/JobSummary.h"

#include "common/Language.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string ProgressLine(const CAdapterJob& job, const CJobProgress& progress)
{
    const std::string strSerial = progress.strUnitSerial.empty() ? "-" : progress.strUnitSerial;
    return PadRight(Label("Adapter", "Adapter") + " " + job.AdapterText(), 22) + " " + PadRight(strSerial, 14) + " "
           + PadRight(TrimWhiteSpace(progress.strStep), 40) + FormatText(" %3d%%", progress.nPercent);
}

void WriteText(std::FILE* pFile, const std::string& strText)
{
    std::fwrite(strText.data(), 1, strText.size(), pFile);
}

std::string ResultText(const CAdapterJob& job)
{
    if (job.Succeeded())
        return Label("done", "erledigt");
    std::string strText = Label("failed: ", "fehlgeschlagen: ") + job.ShownWhy();
    if (!job.NotHeld().empty())
        strText += Label(" Not held: ", " Nicht gehalten: ") + Join(job.NotHeld(), ", ");
    return strText;
}

// Columns as wide as their widest cell; the last one runs on.
std::string Table(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], TextWidth(row[i]));
    std::string strText;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i + 1 < row.size(); ++i)
            strText += PadRight(row[i], widths[i] + 2);
        strText += row.back() + "\n";
    }
    return strText;
}

std::string SummaryTable(const AdapterJobs& jobs)
{
    std::vector<std::vector<std::string>> rows{{Label("Adapter", "Adapter"), Label("Unit serial", "Geräteseriennummer"),
                                                Label("Article", "Artikelnummer"), Label("Result", "Ergebnis")}};
    for (const auto& job : jobs) {
        const CJobProgress progress = job->Progress();
        rows.push_back({job->AdapterText(), progress.strUnitSerial.empty() ? "-" : progress.strUnitSerial,
                        job->Article().empty() ? "-" : FormatArticleNumber(job->Article()), ResultText(*job)});
    }
    return Table(rows);
}

CCliReport JobReport(const CAdapterJob& job)
{
    CCliReport object;
    object.Add("adapter", "", static_cast<long long>(job.Adapter()));
    object.Add("adapterSerial", "", job.AdapterSerial());
    AddArticle(object, job.Article());
    object.Add("unitSerialNumber", "", job.Progress().strUnitSerial);
    object.Add("result", "", job.Succeeded() ? "done" : "failed");
    if (!job.Succeeded())
        object.Add("error", "", job.Why());
    if (!job.NotHeld().empty())
        object.AddLines("notHeld", "", job.NotHeld());
    // The command's own output, as it prints it for one adapter.
    if (!job.Reports().empty())
        object.AddSection("report", "", job.Reports().back());
    return object;
}

} // namespace

CJobsView::CJobsView(const AdapterJobs& jobs) : m_jobs(jobs), m_bTerminal(IsTerminal(stderr)), m_steps(jobs.size()) {}

void CJobsView::Show()
{
    if (m_bTerminal && m_bDrawn)
        std::fprintf(stderr, "\x1b[%zuA", m_jobs.size()); // back to the first line
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        const CJobProgress progress = m_jobs[i]->Progress();
        const std::string strLine = ProgressLine(*m_jobs[i], progress);
        if (m_bTerminal)
            WriteText(stderr, "\r\x1b[K" + strLine + "\n");
        else if (progress.strStep != m_steps[i] && !progress.strStep.empty())
            WriteText(stderr, TrimWhiteSpace(strLine) + "\n");
        m_steps[i] = progress.strStep;
    }
    m_bDrawn = true;
    std::fflush(stderr);
}

void PrintJobs(const CCliContext& context, const AdapterJobs& jobs)
{
    for (const auto& job : jobs)
        for (const std::string& strMessage : job->Messages())
            WriteText(stderr, Label("Adapter", "Adapter") + FormatText(" %d: ", job->Adapter()) + strMessage + "\n");
    if (context.bJson) {
        std::vector<CCliReport> reports;
        for (const auto& job : jobs)
            reports.push_back(JobReport(*job));
        CCliReport all;
        all.AddList("adapters", "", reports);
        WriteText(stdout, all.ToJsonText());
    } else {
        for (const auto& job : jobs) {
            WriteText(stdout, Label("Adapter", "Adapter") + " " + job->AdapterText() + "\n");
            for (const CCliReport& report : job->Reports())
                WriteText(stdout, report.ToText(2));
            WriteText(stdout, "\n");
        }
        WriteText(stdout, SummaryTable(jobs));
    }
    std::fflush(stdout);
}
