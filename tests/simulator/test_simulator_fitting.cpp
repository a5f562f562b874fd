// What a simulated fitting answers: every command's answer shape, the EEPROM
// rows with their sums, restart and readiness, the boot loader with its flash,
// the speed change and the product profiles.
#include "SimBus.h"

#include <string>

namespace {

class SimulatorFitting : public ::testing::Test {
protected:
    void SetUp() override { h = bus.OpenPort(0); }

    Bytes Eeprom(unsigned address, unsigned length)
    {
        Bytes bytes(length);
        EXPECT_EQ(VSIM_OK, sim.api.ReadEeprom(0, address, bytes.data(), length));
        return bytes;
    }

    VSimFittingState State()
    {
        VSimFittingState state{};
        EXPECT_EQ(VSIM_OK, sim.api.GetFittingState(0, &state)) << sim.api.GetLastError();
        return state;
    }

    static Bytes Row(const Bytes& row15)
    {
        Bytes row = row15;
        std::uint8_t sum = 0;
        for (std::uint8_t b : row15)
            sum = static_cast<std::uint8_t>(sum + b);
        row.push_back(sum);
        return row;
    }

    static Bytes Cat(Bytes head, const Bytes& tail)
    {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }

    SimulatorControl sim;
    SimBus bus;
    FT_HANDLE h = nullptr;
};

struct CommandCase {
    const char* szName;
    Bytes request;
    Bytes answer; // payload, status first
};

TEST_F(SimulatorFitting, AnswersEveryCommandInItsShape)
{
    const CommandCase cases[]{
        {"module information, layout 1",
         {0x01},
         {0x00, 0x01, 0x01, 0x03, 0x01, 0x01, 0x03, 0x01, 0x0C, 0x00, 0x00, 0x03, 0x01, 0x23, 0x01}},
        {"valve closed", {0x03, 0x01}, {0x00, 0x00}},
        {"open the valve", {0x02, 0x01, 0x01}, {0x00}},
        {"valve open", {0x05, 0x01}, {0x00, 0x01}},
        {"close it by word", {0x06, 0x01, 0x00, 0x00}, {0x00}},
        {"ready after start-up", {0x03, 0x02}, {0x00, 0x00}},
        {"supply voltage as word", {0x07, 0x03}, {0x00, 0x17, 0x7C}},
        {"supply voltage as double word", {0x09, 0x03}, {0x00, 0x00, 0x00, 0x17, 0x7C}},
        {"article number by address", {0x0A, 0x00, 0x20, 0x05}, {0x00, 0x01, 0x03, 0x30, 0x30, 0x02}},
        {"article number by block", {0x0C, 0x00, 0x02, 0x05}, {0x00, 0x01, 0x03, 0x30, 0x30, 0x02}},
        {"command 20", {0x12}, {0x00}},
        {"command 31", {0x1E}, {0x00}},
        {"data by address", {0x1A, 0x10, 0x04}, {0x00, 0x10, 0x04, 0x70, 0x73, 0x76, 0x79}},
        {"counted list: the error history", {0x1F}, {0x00, 0x03, 0x0D, 0x10, 0x05}},
        {"error details of entry 1", {0x20, 0x01}, {0x00, 0x00, 0x0D, 0xF1, 0x15, 0xCA, 0x17, 0x3E}},
        {"error details beyond the history", {0x20, 0x04}, {0xFF, 0x02}},
        {"unknown index", {0x03, 0x09}, {0xFF, 0x02}},
        {"index 2 is read only", {0x02, 0x02, 0x00}, {0xFF, 0x02}},
        {"valve value beyond 1", {0x02, 0x01, 0x02}, {0xFF, 0x02}},
        {"parameter count", {0x03}, {0xFF, 0x02}},
        {"EEPROM beyond its end", {0x0A, 0x01, 0xFF, 0x02}, {0xFF, 0x08}},
        {"EEPROM above the maps", {0x0A, 0x01, 0x05, 0x02}, {0x00, 0x00, 0x00}},
        {"EEPROM length 0", {0x0A, 0x00, 0x20, 0x00}, {0xFF, 0x02}},
        {"flash while the application runs", {0x1C, 0x00, 0x00, 0x18, 0x00, 0x40}, {0xFF, 0x07}},
        {"speed code 6", {0x1D, 0x06}, {0xFF, 0x02}},
        {"command 18", {0x10, 0x01}, {0xFF, 0x04}},
        {"command 29", {0x1B}, {0xFF, 0x04}},
        {"opcode beyond the table", {0x21}, {0xFF, 0x04}},
    };
    for (const CommandCase& c : cases)
        EXPECT_EQ(c.answer, bus.Exchange(h, c.request)) << c.szName;
}

TEST_F(SimulatorFitting, RefusesARequestWithAWrongSum)
{
    Bytes frame = SimBus::Frame({0x01});
    ++frame.back();
    const Bytes line = bus.Raw(h, frame);
    ASSERT_EQ(frame.size() + 6, line.size());
    EXPECT_EQ(Bytes({0x01, 0xF1, 0x03, 0xFF, 0x05, 0xF9}), Bytes(line.begin() + 5, line.end()));
}

TEST_F(SimulatorFitting, WholeRowsMustCarryTheirSum)
{
    const Bytes before = Eeprom(0x40, 16);
    Bytes row(before.begin(), before.begin() + 15);
    row[2] = 0x46; // the error count of the faucet map
    Bytes wrong = Row(row);
    ++wrong[15];
    EXPECT_EQ(Bytes({0xFF, 0x09}), bus.Exchange(h, Cat({0x0B, 0x00, 0x40, 0x10}, wrong)));
    EXPECT_EQ(before, Eeprom(0x40, 16)) << "a refused row is not stored";
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, Cat({0x0D, 0x00, 0x04, 0x10}, Row(row)))) << "by block number";
    EXPECT_EQ(Row(row), Eeprom(0x40, 16));

    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x41, 0x01, 0x55})) << "part of a row";
    EXPECT_EQ(Row(Cat({row[0], 0x55}, Bytes(row.begin() + 2, row.end()))), Eeprom(0x40, 16))
        << "the fitting renews the sum of a row written in part";

    ASSERT_EQ(VSIM_OK, sim.api.SetRowCheck(0, 0));
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, Cat({0x0B, 0x00, 0x40, 0x10}, wrong)));
    EXPECT_EQ(wrong, Eeprom(0x40, 16));
    EXPECT_EQ(Bytes({0xFF, 0x08}), bus.Exchange(h, Cat({0x0B, 0x01, 0xF8, 0x10}, wrong)));
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, Cat({0x0B, 0x01, 0x00, 0x10}, wrong))) << "a row above the maps";
    EXPECT_EQ(wrong, Eeprom(0x100, 16));
}

TEST_F(SimulatorFitting, RestartsSilentlyAndReportsReadinessLater)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetStartupTime(0, 1000, 500));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x02, 0x01, 0x01}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00})) << "the restart is answered first";
    EXPECT_EQ(VSIM_RUNNING_STARTING, State().running);
    EXPECT_TRUE(bus.Exchange(h, {0x01}).empty()) << "silent while starting";
    sim.api.AdvanceTime(1000);
    EXPECT_EQ(VSIM_RUNNING_APPLICATION, State().running);
    EXPECT_EQ(Bytes({0x00, 0x01}), bus.Exchange(h, {0x03, 0x02})) << "running, not ready yet";
    EXPECT_EQ(Bytes({0x00, 0x00}), bus.Exchange(h, {0x03, 0x01})) << "the restart closed the valve";
    sim.api.AdvanceTime(500);
    EXPECT_EQ(Bytes({0x00, 0x00}), bus.Exchange(h, {0x03, 0x02})) << "ready";
    EXPECT_EQ(1, State().restarts);
}

TEST_F(SimulatorFitting, SpeedChangesAfterTheAnswerAndRestartReturnsTo2400)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetStartupTime(0, 0, 0));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1D, 0x04})) << "answered at the old speed";
    EXPECT_EQ(19200, State().baudRate);
    EXPECT_TRUE(bus.Exchange(h, {0x01}).empty()) << "at 2400 the fitting no longer understands";
    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 19200));
    EXPECT_EQ(15u, bus.Exchange(h, {0x01}).size());
    EXPECT_EQ(19200, sim.Trace().back().baudRate);
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    EXPECT_EQ(2400, State().baudRate);
    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 2400));
    EXPECT_EQ(15u, bus.Exchange(h, {0x01}).size());
}

// The download as the firmware page runs it for product types 3..7.
TEST_F(SimulatorFitting, BootLoaderProgramsANewApplication)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetStartupTime(0, 0, 0));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x13}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(0x00, info[2]) << "the boot loader runs";
    EXPECT_EQ(Bytes({0xFF, 0x04}), bus.Exchange(h, {0x03, 0x01})) << "the boot loader knows no values";
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1D, 0x05}));
    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 38400));
    EXPECT_EQ(Bytes({0xFF, 0x06}), bus.Exchange(h, Cat({0x0F, 0x00, 0x00, 0x18, 0x00, 0x40}, Bytes(64, 0x11))))
        << "flash must be erased before it is written";
    EXPECT_EQ(Bytes({0xFF, 0x08}), bus.Exchange(h, {0x1C, 0x00, 0x00, 0x10, 0x00, 0x40})) << "the boot loader itself";

    Bytes image(0x6800);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13);
    image[0x67FC] = 0x02; // application version V2.05, just below the signature "U4"
    image[0x67FD] = 0x05;
    image[0x67FE] = 0x55;
    image[0x67FF] = 0x34;
    for (unsigned address = 0x1800; address < 0x8000; address += 64)
        ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1C, 0x00, 0x00, static_cast<std::uint8_t>(address >> 8),
                                                  static_cast<std::uint8_t>(address), 0x40}));
    EXPECT_EQ(0x00, bus.Exchange(h, {0x01}).at(7)) << "no application version without an image";
    for (unsigned address = 0x1800; address < 0x8000; address += 64) {
        Bytes write{0x0F, 0x00, 0x00, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0x40};
        write.insert(write.end(), image.begin() + (address - 0x1800), image.begin() + (address - 0x1800 + 64));
        ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, write));
    }
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1D, 0x01}));
    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 2400));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x14}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    info = bus.Exchange(h, {0x01});
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(0x01, info[2]) << "the new application runs";
    EXPECT_EQ(0x02, info[7]);
    EXPECT_EQ(0x05, info[8]);
    Bytes flash(0x6800);
    ASSERT_EQ(VSIM_OK, sim.api.ReadFlash(0, 0x1800, flash.data(), 0x6800));
    EXPECT_EQ(image, flash);
}

TEST_F(SimulatorFitting, ErasedFlashKeepsTheBootLoaderRunning)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetStartupTime(0, 0, 0));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x13}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1C, 0x00, 0x00, 0x7F, 0xC0, 0x40}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x14}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, State().running) << "no valid image: no application";
}

TEST_F(SimulatorFitting, FlushValveBootLoaderWritesSmallBlocksWithoutErasing)
{
    sim.Reset("[adapter]\nfitting = Tarvo\nstartup_ms = 0\nready_ms = 0\n");
    h = bus.OpenPort(0);
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x13}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, Cat({0x0F, 0x00, 0x00, 0x20, 0x40, 0x06}, Bytes(6, 0xA5))));
    EXPECT_EQ(Bytes({0xFF, 0x02}), bus.Exchange(h, Cat({0x0F, 0x00, 0x00, 0x20, 0x00, 0x21}, Bytes(33, 0))));
    EXPECT_EQ(Bytes({0xFF, 0x08}), bus.Exchange(h, Cat({0x0F, 0x00, 0x00, 0x40, 0x00, 0x01}, Bytes(1, 0))));
    Bytes flash(6);
    ASSERT_EQ(VSIM_OK, sim.api.ReadFlash(0, 0x2040, flash.data(), 6));
    EXPECT_EQ(Bytes(6, 0xA5), flash);
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x8C, 0x01, 0x01})) << "EEPROM also under the boot loader";
}

struct ProfileCase {
    const char* szProfile;
    int nType;
    unsigned long ulArticle;
    int nLayout;
    std::uint8_t byMajor, byMinor;
};

TEST_F(SimulatorFitting, ProfilesFillTheirFamilysMap)
{
    const ProfileCase cases[]{
        {"Tarvo", 1, 230100101, 0, 2, 6},    {"TarvoV2", 2, 230200201, 1, 3, 1}, {"Ambra", 3, 230300301, 1, 1, 12},
        {"ambra2", 3, 230300302, 0, 1, 5},   {"Urinal", 4, 230400401, 1, 2, 10}, {"WC", 5, 230500501, 1, 2, 10},
        {"Pelio", 6, 230600601, 1, 1, 20},   {"Culina", 7, 230700701, 1, 0x85, 3},
        {"Unknown", 3, 239999999, 1, 1, 0},
    };
    for (const ProfileCase& c : cases) {
        ASSERT_EQ(VSIM_OK, sim.api.PlugFitting(0, c.szProfile)) << c.szProfile;
        VSimFittingState state = State();
        EXPECT_EQ(c.nType, state.productType) << c.szProfile;
        EXPECT_EQ(c.ulArticle, state.article) << c.szProfile;
        Bytes info = bus.Exchange(h, {0x01});
        ASSERT_EQ(c.nLayout == 0 ? 13u : 15u, info.size()) << c.szProfile;
        EXPECT_EQ(c.nLayout, info[1]) << c.szProfile;
        EXPECT_EQ(c.nType, info[3]) << c.szProfile;
        const std::size_t version = c.nLayout == 0 ? 5 : 7;
        EXPECT_EQ(c.byMajor, info[version]) << c.szProfile;
        EXPECT_EQ(c.byMinor, info[version + 1]) << c.szProfile;
        ASSERT_EQ(512, state.eepromSize) << c.szProfile;
        const Bytes eeprom = Eeprom(0, 512);
        for (unsigned row = 0; row < 512; row += 16)
            EXPECT_EQ(Row(Bytes(eeprom.begin() + row, eeprom.begin() + row + 15)),
                      Bytes(eeprom.begin() + row, eeprom.begin() + row + 16))
                << c.szProfile << " row 0x" << std::hex << row;
        // Serial number: EEPROM 0x11.. shown highest byte first, as in the module information.
        EXPECT_EQ(Bytes(info.end() - 6, info.end()), Bytes(eeprom.rbegin() + (512 - 0x17), eeprom.rbegin() + (512 - 0x11)))
            << c.szProfile;
    }
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.PlugFitting(0, "Ambra3"));
}

TEST_F(SimulatorFitting, FaucetProfileHoldsItsSettingsAndInstallation)
{
    const Bytes eeprom = Eeprom(0, 256);
    EXPECT_EQ(1500, eeprom[0x72] + 256 * eeprom[0x73]) << "post run time in ms";
    EXPECT_EQ(Bytes({0x24, 0x05, 0x17}), Bytes(eeprom.begin() + 0x2C, eeprom.begin() + 0x2F)) << "production date";
    EXPECT_EQ(Bytes({0x24, 0x06, 0x03}), Bytes(eeprom.begin() + 0xC0, eeprom.begin() + 0xC3)) << "installation date";
    EXPECT_EQ("M\xFCller Haustech", std::string(eeprom.begin() + 0xB0, eeprom.begin() + 0xBF));
    EXPECT_EQ("Building A, flo", std::string(eeprom.begin() + 0xD0, eeprom.begin() + 0xDF));
    EXPECT_EQ(3, eeprom[0x46]) << "three errors in the history";
}

TEST_F(SimulatorFitting, ControlSetsIdentityAndVersions)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetSerialNumber(0, "0000AB12CD34"));
    ASSERT_EQ(VSIM_OK, sim.api.SetArticleNumber(0, 123456789));
    ASSERT_EQ(VSIM_OK, sim.api.SetVersions(0, 0, nullptr, "T12.03"));
    EXPECT_EQ(Bytes({0x00, 0x89, 0x67, 0x45, 0x23, 0x01}), bus.Exchange(h, {0x0A, 0x00, 0x20, 0x05}));
    EXPECT_EQ(Bytes({0x00, 0x34, 0xCD, 0x12, 0xAB, 0x00, 0x00}), bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06}));
    Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(13u, info.size());
    EXPECT_EQ(Bytes({0x8C, 0x03, 0x00, 0x00, 0xAB, 0x12, 0xCD, 0x34}), Bytes(info.begin() + 5, info.end()));
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.SetVersions(0, 2, nullptr, nullptr));
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.SetSerialNumber(0, "12"));
    ASSERT_EQ(VSIM_OK, sim.api.UnplugFitting(0));
    EXPECT_EQ(VSIM_ERR_STATE, sim.api.SetArticleNumber(0, 1));
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.SetArticleNumber(5, 1));
}

} // namespace
