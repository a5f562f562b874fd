// Scenario texts and files: what they set up, how errors are reported, the
// re-read of a changed file and the EEPROM persistence file.
#include "SimBus.h"
#include "TestPlatform.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class SimulatorScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("velmorsim_" + std::to_string(ProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        sim.Reset();
        fs::remove_all(m_dir);
    }

    // Writes a file and moves its time stamp on, so that a rewrite within
    // the same clock tick still counts as a change.
    void WriteFile(const fs::path& path, const std::string& text)
    {
        const bool bExisted = fs::exists(path);
        const auto previous = bExisted ? fs::last_write_time(path) : fs::file_time_type{};
        std::ofstream(path) << text;
        if (bExisted)
            fs::last_write_time(path, previous + std::chrono::seconds(1));
    }

    static std::string ReadFile(const fs::path& path)
    {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    DWORD DeviceCount()
    {
        DWORD count = 0;
        EXPECT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
        return count;
    }

    SimulatorControl sim;
    SimBus bus;
    fs::path m_dir;
};

TEST_F(SimulatorScenario, TextSetsUpFittingsAndFaults)
{
    sim.Reset("time_scale = 0\n"
              "fault = driver_status next function=FT_Open status=3  # any device\n"
              "[adapter]   # the first adapter\n"
              "Serial = VB4711\n"
              "fitting = culina\n"
              "article = 230700799\n"
              "fitting_serial = 0000000A0B0C\n"
              "layout = 0\n"
              "app_version = V4.02\n"
              "startup_ms = 0\n"
              "ready_ms = 0\n"
              "row_check = off\n"
              "eeprom 0x72 = E8 03\n"
              "fault = target_error command 3 code=0x0A times=1\n"
              "fault = ignore_write command 12 address=0x74-0x75\n");
    FT_HANDLE h = nullptr;
    EXPECT_EQ(FT_DEVICE_NOT_OPENED, bus.FT_Open(0, &h)) << "the armed failing status";
    h = bus.OpenPort(0);
    char serial[16] = {};
    ASSERT_EQ(FT_OK, bus.FT_GetDeviceInfo(h, nullptr, nullptr, serial, nullptr, nullptr));
    EXPECT_STREQ("VB4711", serial);
    EXPECT_EQ(Bytes({0x00, 0x99, 0x07, 0x70, 0x30, 0x02}), bus.Exchange(h, {0x0A, 0x00, 0x20, 0x05}));
    EXPECT_EQ(Bytes({0x00, 0x0C, 0x0B, 0x0A, 0x00, 0x00, 0x00}), bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06}));
    EXPECT_EQ(Bytes({0x00, 0xE8, 0x03}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02}));
    const Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(13u, info.size());
    EXPECT_EQ(Bytes({0x04, 0x02}), Bytes(info.begin() + 5, info.begin() + 7));
    EXPECT_EQ(Bytes({0xFF, 0x0A}), bus.Exchange(h, {0x03, 0x01}));
    EXPECT_EQ(Bytes({0x00, 0x00}), bus.Exchange(h, {0x03, 0x01}));
    Bytes row(16, 0x01);
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, [&] {
                  Bytes write{0x0B, 0x00, 0xB0, 0x10};
                  write.insert(write.end(), row.begin(), row.end());
                  return write;
              }())) << "row check off";
    Bytes before = bus.Exchange(h, {0x0A, 0x00, 0x73, 0x03});
    ASSERT_EQ(4u, before.size());
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x73, 0x03, 0x01, 0x02, 0x03}));
    EXPECT_EQ(Bytes({0x00, 0x01, before[2], before[3]}), bus.Exchange(h, {0x0A, 0x00, 0x73, 0x03}))
        << "the write into 0x74-0x75 is ignored";
}

TEST_F(SimulatorScenario, MistakesAreNamedWithTheirLine)
{
    const char* const bad[]{
        "[adapter]\nfitting = Ambra\n[bridge]\n",
        "[adapter]\ncolour = red\n",
        "[adapter]\nfitting = Ambra\nlayout = 3\n",
        "[adapter]\napp_version = 2.07\n",
        "[adapter]\nfault = smoke next\n",
        "[adapter]\nfault = no_answer every\n",
        "[adapter]\nfault = no_answer every 0\n",
        "[adapter]\nfault = no_answer command 34\n",
        "[adapter]\nfault = ignore_write command 11\n",
        "[adapter]\nfault = no_answer command 11 address=0x30-0x20\n",
        "[adapter]\nfault = no_answer command 11 address=low\n",
        "fault = driver_status next\n",
        "[device]\nfitting = Ambra\n",
        "time_scale = fast\n",
        "[adapter]\nfitting = Ambra9\n",
        "[adapter]\nfitting = Ambra\narticle = -5\n",
        "[adapter]\nfitting = Ambra\narticle = 1234567890\n",
        "[adapter]\nfitting = Ambra\neeprom 0x1FF = 01 02\n",
    };
    for (const char* text : bad) {
        EXPECT_EQ(VSIM_ERR_SYNTAX, sim.api.Reset(text)) << text;
        EXPECT_NE(std::string(), sim.api.GetLastError()) << text;
    }
    EXPECT_EQ(VSIM_ERR_SYNTAX, sim.api.Reset("[adapter]\nfitting = Ambra\n\nlayout = 9\n"));
    EXPECT_NE(std::string::npos, std::string(sim.api.GetLastError()).find("line 4"));
    EXPECT_EQ(1u, DeviceCount()) << "a refused scenario leaves the world as it was";
}

TEST_F(SimulatorScenario, ChangedFileIsReadAgainKeepingWhatStayedTheSame)
{
    const fs::path file = m_dir / "scenario.txt";
    WriteFile(file, "[adapter]\nserial = A1\nfitting = Ambra\n");
    ASSERT_EQ(VSIM_OK, sim.api.LoadScenarioFile(file.string().c_str())) << sim.api.GetLastError();
    ASSERT_EQ(1u, DeviceCount());
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x72, 0x02, 0x34, 0x12}));

    WriteFile(file, "[device]\nserial = D1\n[adapter]\nserial = A1\nfitting = Ambra\nfault = no_answer next\n");
    ASSERT_EQ(2u, DeviceCount());
    EXPECT_TRUE(bus.Exchange(h, {0x01}).empty()) << "the new file's fault; the open handle stayed";
    EXPECT_EQ(Bytes({0x00, 0x34, 0x12}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02})) << "the same fitting";

    WriteFile(file, "[device]\nserial = D1\n[adapter]\nserial = A1\nfitting = WC\n");
    EXPECT_EQ(Bytes({0x00, 0x01, 0x05, 0x50, 0x30, 0x02}), bus.Exchange(h, {0x0A, 0x00, 0x20, 0x05}))
        << "re-read on the next frame: another fitting";

    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x72, 0x02, 0x78, 0x56}));

    WriteFile(file, "[adapter]\nserial = A2\nfitting = WC\n");
    ASSERT_EQ(1u, DeviceCount());
    Bytes buffer(1);
    DWORD got = 0;
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Read(h, buffer.data(), 1, &got)) << "adapter A1 was pulled";
    EXPECT_EQ(FT_OK, bus.FT_Close(h));

    WriteFile(file, "[adapter]\nserial = A2\nfitting = WC\n[adapter]\nserial = A1\nfitting = WC\n");
    ASSERT_EQ(2u, DeviceCount());
    h = bus.OpenPort(1);
    EXPECT_EQ(Bytes({0x00, 0x78, 0x56}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02})) << "A1 back with its fitting";
    EXPECT_EQ(FT_OK, bus.FT_Close(h));

    WriteFile(file, "[adapter]\nfitting = nonsense\n");
    EXPECT_EQ(2u, DeviceCount()) << "a broken file keeps the world";
    EXPECT_EQ(VSIM_ERR_SYNTAX, sim.api.LoadScenarioFile(file.string().c_str())) << "and is refused when loaded";
    EXPECT_EQ(VSIM_ERR_FILE, sim.api.LoadScenarioFile((m_dir / "missing.txt").string().c_str()));
}

// Time stamps are coarse: a rewrite of the same size within one tick must be
// seen, and a touch that changes no text must not re-arm the file's faults.
TEST_F(SimulatorScenario, TextNotTimeStampDecidesWhatChanged)
{
    const fs::path file = m_dir / "scenario.txt";
    std::ofstream(file) << "[adapter]\nfitting = Tarvo\nfault = no_answer next\n";
    const auto stamp = fs::last_write_time(file);
    ASSERT_EQ(VSIM_OK, sim.api.LoadScenarioFile(file.string().c_str())) << sim.api.GetLastError();
    FT_HANDLE h = bus.OpenPort(0);
    EXPECT_TRUE(bus.Exchange(h, {0x01}).empty()) << "the file's fault";

    fs::last_write_time(file, stamp + std::chrono::seconds(1));
    EXPECT_EQ(13u, bus.Exchange(h, {0x01}).size()) << "a touch re-arms nothing";

    std::ofstream(file) << "[adapter]\nfitting = Pelio\nfault = no_answer next\n";
    fs::last_write_time(file, stamp + std::chrono::seconds(1));
    EXPECT_TRUE(bus.Exchange(h, {0x01}).empty()) << "the rewritten file's fault";
    const Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(6, info[3]) << "the rewritten file's fitting";
}

TEST_F(SimulatorScenario, EepromFileKeepsSettingsAcrossRestarts)
{
    const fs::path eeprom = m_dir / "ambra.eep";
    const std::string scenario = "[adapter]\nfitting = Ambra\neeprom_file = " + eeprom.string() + "\n";
    sim.Reset(scenario.c_str());
    ASSERT_TRUE(fs::exists(eeprom)) << "written at once";
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x72, 0x02, 0xD0, 0x07}));
    EXPECT_NE(std::string::npos, ReadFile(eeprom).find("0x0070: 3C 00 D0 07"));

    sim.Reset(scenario.c_str());
    h = bus.OpenPort(0);
    EXPECT_EQ(Bytes({0x00, 0xD0, 0x07}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02}));
    sim.Reset();
    h = bus.OpenPort(0);
    EXPECT_EQ(Bytes({0x00, 0xDC, 0x05}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02})) << "without it: the profile's 1500";
}

// A powered unit keeps its flash, the software it runs and the speed it
// listens at; so does the state file, for the next process.
TEST_F(SimulatorScenario, StateFileKeepsFlashAndRunningState)
{
    const fs::path state = m_dir / "ambra.eep";
    const std::string scenario = "[adapter]\nfitting = Ambra\nstartup_ms = 0\nready_ms = 0\neeprom_file = " + state.string() + "\n";
    sim.Reset(scenario.c_str());
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x13}));                         // the boot loader after the restart
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));                         // restart
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1C, 0x00, 0x00, 0x18, 0x00, 0x40})); // erase a block of the application
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1D, 0x05}));                   // 38400 bit/s from now on

    sim.Reset(scenario.c_str()); // a new process
    VSimFittingState fitting{};
    ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(0, &fitting));
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, fitting.running);
    EXPECT_EQ(38400, fitting.baudRate);
    EXPECT_EQ(1, fitting.bootloaderNext);
    unsigned char flash[2] = {};
    ASSERT_EQ(VSIM_OK, sim.api.ReadFlash(0, 0x1800, flash, 2));
    EXPECT_EQ(0xFF, flash[0]) << "erased";
    ASSERT_EQ(VSIM_OK, sim.api.ReadFlash(0, 0x7FFE, flash, 2));
    EXPECT_EQ(0x55, flash[0]) << "the image's signature outside the erased block";
    h = bus.OpenPort(0, 38400);
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x14})) << "heard at the download speed";
}

TEST_F(SimulatorScenario, AStateFileThatCannotBeKeptIsReported)
{
    // No regular file: refused at once instead of read without end.
    EXPECT_NE(VSIM_OK, sim.api.Reset("[adapter]\nfitting = Ambra\neeprom_file = /dev/zero\n"));

    // A write the fitting could not keep is answered as failed and not made.
    const fs::path folder = m_dir / "gone";
    fs::create_directories(folder);
    const std::string scenario = "[adapter]\nfitting = Ambra\neeprom_file = " + (folder / "ambra.eep").string() + "\n";
    sim.Reset(scenario.c_str());
    fs::remove_all(folder);
    FT_HANDLE h = bus.OpenPort(0);
    EXPECT_EQ(Bytes({0xFF, 0x06}), bus.Exchange(h, {0x0B, 0x00, 0x72, 0x02, 0xD0, 0x07}));
    EXPECT_EQ(Bytes({0x00, 0xDC, 0x05}), bus.Exchange(h, {0x0A, 0x00, 0x72, 0x02})) << "the profile's 1500 still";
}

TEST_F(SimulatorScenario, ShippedExampleScenariosAreValid)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(FLUXA_SIM_SCENARIO_DIR)) {
        ++files;
        EXPECT_EQ(VSIM_OK, sim.api.LoadScenarioFile(entry.path().string().c_str()))
            << entry.path() << ": " << sim.api.GetLastError();
        EXPECT_GE(DeviceCount(), 1u) << entry.path();
    }
    EXPECT_GE(files, 4);
    sim.api.SetTimeScale(0.0);
}

} // namespace
