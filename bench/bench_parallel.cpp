// fluxa-cli on eight simulated adapters at real line timing: apply of one
// settings file and flash of one image, each with --adapter all, against the
// same job alone on the first and on the last adapter. The jobs wait on their
// lines, not on the CPU, so all eight take hardly longer than one.
// Prints wall and CPU time per run and last ratio=all/slowest alone, the
// larger of apply's and flash's. Budget: at most 1.15; the CPU time per job
// of the eight should be about that of one job alone.
// The image is the small sample with gaps (faucet_V4.03_gap.hex): the whole
// image takes minutes at real timing and shows nothing more.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kAdapters = 8;
constexpr double kRatioBudget = 1.15;

struct CRun {
    int nExit = -1;
    double dWallS = 0;
    double dCpuS = 0; // user and system time of the process
};

double ChildrenCpuS()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

CRun RunCli(const fs::path& dir, const std::string& strArguments)
{
    const std::string command = "env FLUXA_D2XX_LIBRARY='" FLUXA_VELMORSIM_PATH "' VELMOR_SIM_SCENARIO='" + (dir / "scenario.txt").string() +
                                "' XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_DATA_HOME='" + (dir / "data").string() +
                                "' '" FLUXA_CLI_PATH "' " + strArguments + " --lang en >/dev/null 2>>'" + (dir / "stderr.txt").string() + "'";
    const double dCpuBefore = ChildrenCpuS();
    const auto start = std::chrono::steady_clock::now();
    const int nStatus = std::system(command.c_str());
    CRun run;
    run.dWallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.dCpuS = ChildrenCpuS() - dCpuBefore;
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return run;
}

// Eight faucets at real timing with their usual start-up after a restart.
void WriteWorld(const fs::path& dir)
{
    fs::create_directories(dir / "config" / "VELMOR");
    std::ofstream(dir / "config" / "VELMOR" / "fluxa-usb.conf") << "[Settings]\nDontChange=727587911\n"; // service mode
    std::ofstream scenario(dir / "scenario.txt");
    scenario << "time_scale = 1\n";
    for (int n = 0; n < kAdapters; ++n)
        scenario << "[adapter]\nserial = VB00" << n << "\nfitting = Ambra\nfitting_serial = 00000000B00" << n << "\n";
}

// The faucet's settings with another run time.
bool WriteSettingsFile(const fs::path& dir, const fs::path& file)
{
    if (RunCli(dir, "save '" + (dir / "saved.xml").string() + "'").nExit != 0)
        return false;
    std::ifstream saved(dir / "saved.xml");
    std::stringstream text;
    text << saved.rdbuf();
    std::ofstream(file) << std::regex_replace(text.str(), std::regex("<Runtime>[0-9]+</Runtime>"), "<Runtime>20</Runtime>");
    return true;
}

// One command alone on the first and on the last adapter, then on all;
// the ratio of all to the slower one alone, or -1 when a run failed.
double Measure(const fs::path& dir, const char* szName, const std::string& strArguments)
{
    double dSlowestS = 0;
    double dCpuAloneS = 0;
    for (const int nAdapter : {0, kAdapters - 1}) {
        const CRun alone = RunCli(dir, strArguments + " --adapter " + std::to_string(nAdapter));
        std::printf("%s_alone_adapter%d_s=%.3f cpu_s=%.3f\n", szName, nAdapter, alone.dWallS, alone.dCpuS);
        if (alone.nExit != 0)
            return -1;
        dSlowestS = std::max(dSlowestS, alone.dWallS);
        dCpuAloneS = std::max(dCpuAloneS, alone.dCpuS);
    }
    const CRun all = RunCli(dir, strArguments + " --adapter all");
    const double dRatio = all.dWallS / dSlowestS;
    std::printf("%s_all_s=%.3f cpu_per_job_s=%.3f (alone %.3f)\n", szName, all.dWallS, all.dCpuS / kAdapters, dCpuAloneS);
    std::printf("%s_ratio=%.4f\n", szName, dRatio);
    return all.nExit == 0 ? dRatio : -1;
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("fluxa_bench_parallel_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    WriteWorld(dir);
    const fs::path file = dir / "runtime.xml";
    const std::string strImage = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.03_gap.hex";
    double dRatio = -1;
    if (WriteSettingsFile(dir, file)) {
        const double dApply = Measure(dir, "apply", "apply '" + file.string() + "' --yes --no-log");
        const double dFlash = Measure(dir, "flash", "flash '" + strImage + "' --no-log");
        if (dApply > 0 && dFlash > 0)
            dRatio = std::max(dApply, dFlash);
    }
    if (dRatio < 0) {
        std::fprintf(stderr, "bench_parallel: a run failed; see %s\n", (dir / "stderr.txt").c_str());
        return 1;
    }
    fs::remove_all(dir);
    std::printf("ratio=%.4f\n", dRatio);
    return dRatio <= kRatioBudget ? 0 : 1;
}
