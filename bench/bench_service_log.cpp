// The service log under load: 10,000 visits of 500 units written one after
// another as jobs would write them, then the history of one unit listed and
// its last visit read in full. The budgets: recording one event adds less
// than 5 ms to a job, and the history of one unit takes under 50 ms with
// 10,000 visits in the database. Prints the figures, history_ms last; exits
// with 1 when a budget is missed.
#include "common/ResultCodes.h"
#include "servicelog/ServiceLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kVisits = 10000;
constexpr int kUnits = 500;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

CServiceUnit Unit(int nUnit)
{
    char szSerial[16];
    std::snprintf(szSerial, sizeof szSerial, "%012X", 0xA000 + nUnit);
    return {"230300301", szSerial, "M-1", "V4.02", "V2.07", "15.03.2024"};
}

// A visit as the window records one: the settings read, a write of two of
// them, the error history and the counters.
std::vector<CServiceEvent> VisitEvents(int nVisit)
{
    CServiceEvent read{ServiceEventKind::SettingsRead, 0, "", {}, ""};
    for (int i = 0; i < 12; ++i)
        read.items.push_back({"Setting" + std::to_string(i), "", std::to_string(nVisit % 50 + i)});
    CServiceEvent write{ServiceEventKind::SettingsWritten, 0, "", {{"Setting1", "10", "20"}, {"Setting2", "30", "40"}}, ""};
    CServiceEvent errors{ServiceEventKind::ErrorsRead, 0, "", {{"Count", "", "2"}, {"Entry 1", "", "0x21"}, {"Entry 2", "", "0x05"}}, ""};
    CServiceEvent counters{ServiceEventKind::OperatingData, 0, "", {{"Hours", "", std::to_string(nVisit)}, {"Switches", "", "12340"}}, ""};
    return {read, write, errors, counters};
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("bench-service-log-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    CServiceLog log;
    std::string strWarning;
    if (log.Open((dir / "service.db").string(), strWarning) != Result::Ok) {
        std::fprintf(stderr, "%s\n", strWarning.c_str());
        return 2;
    }
    double dWorstRecordMs = 0.0;
    int nRecords = 0;
    const Clock::time_point writing = Clock::now();
    for (int nVisit = 0; nVisit < kVisits; ++nVisit) {
        Clock::time_point start = Clock::now();
        // A technician per visit, so that each looks for a visit to continue
        // and then starts one of its own.
        CServiceVisit visit = log.StartVisit(Unit(nVisit % kUnits), {"Bench " + std::to_string(nVisit), "Adapter number 0", "2.15.0"});
        dWorstRecordMs = std::max(dWorstRecordMs, MillisecondsSince(start));
        for (CServiceEvent& event : VisitEvents(nVisit)) {
            start = Clock::now();
            if (log.Record(visit, event, strWarning) != Result::Ok) {
                std::fprintf(stderr, "%s\n", strWarning.c_str());
                return 2;
            }
            dWorstRecordMs = std::max(dWorstRecordMs, MillisecondsSince(start));
            ++nRecords;
        }
    }
    const double dMeanRecordMs = MillisecondsSince(writing) / (kVisits + nRecords);

    const Clock::time_point querying = Clock::now();
    std::vector<CVisitSummary> visits;
    CVisitDetail detail;
    std::string strError;
    if (log.ListVisits({Unit(kUnits / 2).strSerialNumber, "", ""}, visits, strError) != Result::Ok || visits.empty()
        || log.ReadVisit(visits.front().llId, detail, strError) != Result::Ok) {
        std::fprintf(stderr, "history failed: %s\n", strError.c_str());
        return 2;
    }
    const double dHistoryMs = MillisecondsSince(querying);
    fs::remove_all(dir);

    std::printf("visits=%d events=%d\n", kVisits, nRecords);
    std::printf("record_mean_ms=%.3f\nrecord_worst_ms=%.3f\n", dMeanRecordMs, dWorstRecordMs);
    std::printf("unit_visits=%zu\nhistory_ms=%.2f\n", visits.size(), dHistoryMs);
    return dMeanRecordMs < 5.0 && dHistoryMs < 50.0 ? 0 : 1;
}
