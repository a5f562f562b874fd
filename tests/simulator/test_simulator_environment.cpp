// The environment variables a program sets before it first loads the
// simulator: VELMOR_SIM_SCENARIO and VELMOR_SIM_TRACE. (A program of its own:
// the simulator reads them once, when it is first used.)
#include "SimBus.h"
#include "TestPlatform.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(SimulatorEnvironment, ScenarioAndTraceFilesComeFromTheEnvironment)
{
    const fs::path dir = fs::temp_directory_path() / ("velmorsim_env_" + std::to_string(ProcessId()));
    fs::create_directories(dir);
    std::ofstream(dir / "scenario.txt") << "time_scale = 0\n[device]\n[adapter]\nfitting = Pelio\n";
    SetProcessEnvironment("VELMOR_SIM_SCENARIO", (dir / "scenario.txt").string());
    SetProcessEnvironment("VELMOR_SIM_TRACE", (dir / "trace.txt").string());

    SimBus bus;
    DWORD count = 0;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    ASSERT_EQ(2u, count);
    FT_HANDLE h = bus.OpenPort(1);
    const Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(6, info[3]);
    bus.FT_Close(h);

    std::ostringstream trace;
    trace << std::ifstream(dir / "trace.txt").rdbuf();
    std::istringstream lines(trace.str());
    std::string tx, rx;
    std::getline(lines, tx);
    std::getline(lines, rx);
    // "<ms> <device> <direction> <baud> <line ms> <bytes>"
    EXPECT_EQ("0.000 1 TX 2400 20.833 F1 01 02 01 F5", tx);
    EXPECT_EQ(0u, rx.find("20.833 1 RX 2400 79.167 01 F1 10 00 01 01 06 01")) << rx;
    EXPECT_EQ(rx.size(), rx.find(" 4F") + 3) << "ends with the answer's sum";
    // On Windows the loaded simulator keeps its trace open until the program ends.
    std::error_code error;
    fs::remove_all(dir, error);
}

} // namespace
