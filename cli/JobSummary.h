#pragma once
// What jobs of several adapters show: a progress line per adapter while they
// run, then each job's output and the table of all (or JSON).

#include "cli/AdapterJobs.h"

#include <memory>
#include <string>
#include <vector>

using AdapterJobs = std::vector<std::unique_ptr<CAdapterJob>>;

// On a terminal the lines are drawn over again in place; otherwise a plain
// line is written whenever a job reaches another step.
class CJobsView {
public:
    explicit CJobsView(const AdapterJobs& jobs);
    void Show();

private:
    const AdapterJobs& m_jobs;
    bool m_bTerminal;
    bool m_bDrawn = false;
    std::vector<std::string> m_steps; // the step each line showed last
};

// Each job's output under its adapter, then the table; with --json one
// object per adapter. Errors and warnings go to standard error.
void PrintJobs(const CCliContext& context, const AdapterJobs& jobs);
