#include "cli/JobSummary.h"

#include "common/Language.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>

namespace {

QString AdapterText(const CAdapterJob& job)
{
    return job.AdapterSerial().empty() ? QString::number(job.Adapter())
                                       : QStringLiteral("%1 (%2)").arg(job.Adapter()).arg(QString::fromStdString(job.AdapterSerial()));
}

QString ProgressLine(const CAdapterJob& job, const CJobProgress& progress)
{
    const QString serial = progress.strUnitSerial.empty() ? QStringLiteral("-") : QString::fromStdString(progress.strUnitSerial);
    return QStringLiteral("%1 %2 %3 %4%")
        .arg(Label("Adapter", "Adapter") + QLatin1Char(' ') + AdapterText(job), -22)
        .arg(serial, -14)
        .arg(QString::fromStdString(TrimWhiteSpace(progress.strStep)), -40)
        .arg(progress.nPercent, 3);
}

void WriteText(std::FILE* pFile, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), pFile);
}

QString ResultText(const CAdapterJob& job)
{
    if (job.Succeeded())
        return Label("done", "erledigt");
    QString text = Label("failed: ", "fehlgeschlagen: ") + QString::fromStdString(job.ShownWhy());
    if (!job.NotHeld().isEmpty())
        text += Label(" Not held: ", " Nicht gehalten: ") + job.NotHeld().join(QStringLiteral(", "));
    return text;
}

// Columns as wide as their widest cell; the last one runs on.
QString Table(const std::vector<QStringList>& rows)
{
    std::vector<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[static_cast<std::size_t>(i)] = std::max(widths[static_cast<std::size_t>(i)], row[i].size());
    QString text;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i + 1 < row.size(); ++i)
            text += row[i].leftJustified(widths[static_cast<std::size_t>(i)] + 2);
        text += row.back() + QLatin1Char('\n');
    }
    return text;
}

QString SummaryTable(const AdapterJobs& jobs)
{
    std::vector<QStringList> rows{{Label("Adapter", "Adapter"), Label("Unit serial", "Geräteseriennummer"), Label("Article", "Artikelnummer"),
                                   Label("Result", "Ergebnis")}};
    for (const auto& job : jobs) {
        const CJobProgress progress = job->Progress();
        rows.push_back({AdapterText(*job), progress.strUnitSerial.empty() ? QStringLiteral("-") : QString::fromStdString(progress.strUnitSerial),
                        job->Article().empty() ? QStringLiteral("-") : QString::fromStdString(FormatArticleNumber(job->Article())),
                        ResultText(*job)});
    }
    return Table(rows);
}

QJsonObject JobJson(const CAdapterJob& job)
{
    CCliReport object;
    object.Add(QStringLiteral("adapter"), QString(), static_cast<qint64>(job.Adapter()));
    object.Add(QStringLiteral("adapterSerial"), QString(), job.AdapterSerial());
    AddArticle(object, job.Article());
    object.Add(QStringLiteral("unitSerialNumber"), QString(), job.Progress().strUnitSerial);
    object.Add(QStringLiteral("result"), QString(), QString::fromLatin1(job.Succeeded() ? "done" : "failed"));
    if (!job.Succeeded())
        object.Add(QStringLiteral("error"), QString(), job.Why());
    if (!job.NotHeld().isEmpty())
        object.AddJson(QStringLiteral("notHeld"), QJsonArray::fromStringList(job.NotHeld()));
    // The command's own output, as it prints it for one adapter.
    if (!job.Reports().empty())
        object.AddJson(QStringLiteral("report"), job.Reports().back().ToJson());
    return object.ToJson();
}

} // namespace

CJobsView::CJobsView(const AdapterJobs& jobs) : m_jobs(jobs), m_bTerminal(IsTerminal(stderr)), m_steps(jobs.size()) {}

void CJobsView::Show()
{
    if (m_bTerminal && m_bDrawn)
        std::fprintf(stderr, "\x1b[%zuA", m_jobs.size()); // back to the first line
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        const CJobProgress progress = m_jobs[i]->Progress();
        const QString line = ProgressLine(*m_jobs[i], progress);
        if (m_bTerminal)
            WriteText(stderr, QStringLiteral("\r\x1b[K") + line + QLatin1Char('\n'));
        else if (progress.strStep != m_steps[i] && !progress.strStep.empty())
            WriteText(stderr, line.trimmed() + QLatin1Char('\n'));
        m_steps[i] = progress.strStep;
    }
    m_bDrawn = true;
    std::fflush(stderr);
}

void PrintJobs(const CCliContext& context, const AdapterJobs& jobs)
{
    for (const auto& job : jobs)
        for (const std::string& strMessage : job->Messages())
            WriteText(stderr, Label("Adapter", "Adapter") + QStringLiteral(" %1: %2\n").arg(job->Adapter()).arg(QString::fromStdString(strMessage)));
    if (context.bJson) {
        QJsonArray array;
        for (const auto& job : jobs)
            array.append(JobJson(*job));
        WriteText(stdout, QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("adapters"), array}}).toJson(QJsonDocument::Indented)));
    } else {
        for (const auto& job : jobs) {
            WriteText(stdout, Label("Adapter", "Adapter") + QLatin1Char(' ') + AdapterText(*job) + QLatin1Char('\n'));
            for (const CCliReport& report : job->Reports())
                WriteText(stdout, report.ToText(2));
            WriteText(stdout, QStringLiteral("\n"));
        }
        WriteText(stdout, SummaryTable(jobs));
    }
    std::fflush(stdout);
}
