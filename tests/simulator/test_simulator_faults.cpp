// Faults on demand: what each kind does to the line, when triggers fire, and
// failing D2XX calls.
#include "SimBus.h"

#include <functional>
#include <string>

namespace {

class SimulatorFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        h = bus.OpenPort(0);
        request = SimBus::Frame({0x01});
        answer = bus.Raw(h, request);
        answer.erase(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(request.size()));
        ASSERT_EQ(19u, answer.size());
    }

    static Bytes Cat(Bytes head, const Bytes& tail)
    {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }

    SimulatorControl sim;
    SimBus bus;
    FT_HANDLE h = nullptr;
    Bytes request; // module information
    Bytes answer;  // its good answer frame
};

struct LineFaultCase {
    const char* szName;
    int nKind;
    int nParam;
    std::function<Bytes(const Bytes& request, const Bytes& answer)> expected; // the whole line
};

TEST_F(SimulatorFaults, EachKindChangesTheLineAsNamed)
{
    auto with = [](Bytes bytes, std::size_t at, std::uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    const LineFaultCase cases[]{
        {"corrupt echo", VSIM_FAULT_CORRUPT_ECHO, 3,
         [&](const Bytes& q, const Bytes& a) { return Cat(with(q, 3, static_cast<std::uint8_t>(q[3] ^ 0xFF)), a); }},
        {"missing echo", VSIM_FAULT_MISSING_ECHO, 0, [](const Bytes&, const Bytes& a) { return a; }},
        {"no answer", VSIM_FAULT_NO_ANSWER, 0, [](const Bytes& q, const Bytes&) { return q; }},
        {"short answer", VSIM_FAULT_SHORT_ANSWER, 0,
         [](const Bytes& q, const Bytes& a) { return Cat(q, Bytes(a.begin(), a.end() - 2)); }},
        {"answer cut after 3 bytes", VSIM_FAULT_SHORT_ANSWER, 3,
         [](const Bytes& q, const Bytes& a) { return Cat(q, Bytes(a.begin(), a.begin() + 3)); }},
        {"bad checksum", VSIM_FAULT_BAD_CHECKSUM, 0,
         [&](const Bytes& q, const Bytes& a) {
             return Cat(q, with(a, a.size() - 1, static_cast<std::uint8_t>(a.back() + 1)));
         }},
        {"bad length", VSIM_FAULT_BAD_LENGTH, 0,
         [&](const Bytes& q, const Bytes& a) { return Cat(q, with(a, 2, static_cast<std::uint8_t>(a[2] + 1))); }},
        {"bad length -2", VSIM_FAULT_BAD_LENGTH, -2,
         [&](const Bytes& q, const Bytes& a) { return Cat(q, with(a, 2, static_cast<std::uint8_t>(a[2] - 2))); }},
        {"target error", VSIM_FAULT_TARGET_ERROR, 0,
         [](const Bytes& q, const Bytes&) { return Cat(q, {0x01, 0xF1, 0x03, 0xFF, 0x07, 0xFB}); }},
        {"target error 0x0C", VSIM_FAULT_TARGET_ERROR, 0x0C,
         [](const Bytes& q, const Bytes&) { return Cat(q, {0x01, 0xF1, 0x03, 0xFF, 0x0C, 0x00}); }},
        {"target error with library", VSIM_FAULT_TARGET_ERROR_LIB, 0x05,
         [](const Bytes& q, const Bytes&) { return Cat(q, {0x01, 0xF1, 0x04, 0xFF, 0x05, 0x01, 0xFB}); }},
        {"garbage", VSIM_FAULT_GARBAGE, 0, [](const Bytes& q, const Bytes& a) { return Cat(Cat(q, {0x55, 0xAA, 0x00}), a); }},
        {"late answer", VSIM_FAULT_LATE_ANSWER, 300, [](const Bytes& q, const Bytes&) { return q; }},
    };
    for (const LineFaultCase& c : cases) {
        int id = sim.AddFault(0, c.nKind, VSIM_TRIGGER_NEXT, 0, c.nParam);
        EXPECT_EQ(c.expected(request, answer), bus.Raw(h, request)) << c.szName;
        EXPECT_EQ(1, sim.api.GetFaultHits(id)) << c.szName;
        EXPECT_EQ(Cat(request, answer), bus.Raw(h, request)) << c.szName << ": the next frame is good again";
    }
}

TEST_F(SimulatorFaults, LateAnswerArrivesAfterTheReadTimeOut)
{
    sim.AddFault(0, VSIM_FAULT_LATE_ANSWER); // 150 ms after the request
    DWORD written = 0;
    ASSERT_EQ(FT_OK, bus.FT_Write(h, request.data(), static_cast<DWORD>(request.size()), &written));
    EXPECT_EQ(request, bus.Read(h, static_cast<DWORD>(request.size())));
    EXPECT_TRUE(bus.Read(h, 3).empty()) << "nothing within the 100 ms time-out";
    ASSERT_EQ(FT_OK, bus.FT_SetTimeouts(h, 500, 500));
    EXPECT_EQ(answer, bus.Read(h, static_cast<DWORD>(answer.size()))) << "then it comes";
}

TEST_F(SimulatorFaults, TriggersPickTheirFrames)
{
    sim.AddFault(0, VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 3);
    std::string pattern;
    for (int i = 0; i < 6; ++i)
        pattern += bus.Exchange(h, {0x01}).empty() ? 'x' : '.';
    EXPECT_EQ("..x..x", pattern);
    sim.api.ClearFaults();

    const int id = sim.AddFault(0, VSIM_FAULT_TARGET_ERROR, VSIM_TRIGGER_COMMAND, 3, 0x02); // command 3: opcode 03
    EXPECT_EQ(Bytes({0xFF, 0x02}), bus.Exchange(h, {0x03, 0x01}));
    EXPECT_EQ(Bytes({0x00, 0x00}), bus.Exchange(h, {0x05, 0x01})) << "command 4 is another command";
    EXPECT_EQ(15u, bus.Exchange(h, {0x01}).size());
    EXPECT_EQ(Bytes({0xFF, 0x02}), bus.Exchange(h, {0x03, 0x01}));
    EXPECT_EQ(2, sim.api.GetFaultHits(id));
    sim.api.ClearFaults();

    VSimFault limited{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 2, 0, 0, nullptr, nullptr, 0, 0, 0};
    ASSERT_GT(sim.api.AddFault(0, &limited), 0);
    pattern.clear();
    for (int i = 0; i < 4; ++i)
        pattern += bus.Exchange(h, {0x01}).empty() ? 'x' : '.';
    EXPECT_EQ("xx..", pattern) << "times limits how often it fires";
}

TEST_F(SimulatorFaults, AnAddressRangeNarrowsTheTriggerToFramesAddressingIt)
{
    VSimFault fault{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, 11, 0, 0, 0, nullptr, nullptr, 0, 0x20, 5};
    const int id = sim.api.AddFault(0, &fault);
    ASSERT_GT(id, 0);
    EXPECT_EQ(7u, bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06}).size()) << "0x11..0x16 lies before the range";
    EXPECT_TRUE(bus.Exchange(h, {0x0A, 0x00, 0x1E, 0x03}).empty()) << "0x1E..0x20 reaches into it";
    EXPECT_EQ(4u, bus.Exchange(h, {0x0A, 0x00, 0x25, 0x03}).size()) << "0x25 lies beyond it";
    EXPECT_EQ(17u, bus.Exchange(h, {0x0C, 0x00, 0x02, 0x10}).size()) << "row 2 (0x20) by block is command 13";
    EXPECT_EQ(15u, bus.Exchange(h, {0x01}).size()) << "a frame without an address";
    EXPECT_EQ(1, sim.api.GetFaultHits(id));

    // With "next" the first frame addressing the range is the one meant.
    sim.api.ClearFaults();
    fault = {VSIM_FAULT_TARGET_ERROR, VSIM_TRIGGER_NEXT, 0, 0, 0x0C, 0, nullptr, nullptr, 0, 0x0100, 0x40};
    ASSERT_GT(sim.api.AddFault(0, &fault), 0);
    EXPECT_EQ(2u, bus.Exchange(h, {0x0A, 0x00, 0x40, 0x01}).size());
    EXPECT_EQ(Bytes({0xFF, 0x0C}), bus.Exchange(h, {0x0C, 0x00, 0x11, 0x10})) << "row 0x11 is 0x110";
    EXPECT_EQ(17u, bus.Exchange(h, {0x0C, 0x00, 0x11, 0x10}).size()) << "once";
}

// Reads a run of EEPROM bytes through the bus.
Bytes ReadEeprom(SimBus& bus, FT_HANDLE h, std::uint8_t byAddress, std::uint8_t byLength)
{
    Bytes answer = bus.Exchange(h, {0x0A, 0x00, byAddress, byLength});
    EXPECT_EQ(0x00, answer.empty() ? 0xFF : answer.front());
    return answer.empty() ? answer : Bytes(answer.begin() + 1, answer.end());
}

TEST_F(SimulatorFaults, IgnoredWriteIsAcknowledgedButKeepsTheBytesInItsRange)
{
    const Bytes row = ReadEeprom(bus, h, 0x40, 16);
    ASSERT_EQ(16u, row.size());
    ASSERT_NE(0x00, row[7]) << "the profile's first error entry at 0x47";
    VSimFault fault{VSIM_FAULT_IGNORE_WRITE, VSIM_TRIGGER_COMMAND, 12, 0, 0, 0, nullptr, nullptr, 0, 0x47, 1};
    const int id = sim.api.AddFault(0, &fault);
    ASSERT_GT(id, 0);

    // A whole row with its sum: all but 0x47 is stored, the row stays valid.
    Bytes cleared(row);
    std::fill(cleared.begin() + 6, cleared.begin() + 12, 0x00);
    std::uint8_t sum = 0;
    for (int i = 0; i < 15; ++i)
        sum = static_cast<std::uint8_t>(sum + cleared[static_cast<std::size_t>(i)]);
    cleared[15] = sum;
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, Cat({0x0B, 0x00, 0x40, 0x10}, cleared))) << "acknowledged";
    Bytes kept = ReadEeprom(bus, h, 0x40, 16);
    ASSERT_EQ(16u, kept.size());
    EXPECT_EQ(row[7], kept[7]) << "0x47 kept its entry";
    EXPECT_EQ(Bytes(cleared.begin(), cleared.begin() + 7), Bytes(kept.begin(), kept.begin() + 7));
    EXPECT_EQ(Bytes(cleared.begin() + 8, cleared.begin() + 15), Bytes(kept.begin() + 8, kept.begin() + 15));
    sum = 0;
    for (int i = 0; i < 15; ++i)
        sum = static_cast<std::uint8_t>(sum + kept[static_cast<std::size_t>(i)]);
    EXPECT_EQ(sum, kept[15]) << "the row sum is renewed";

    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x50, 0x01, 0x5A}));
    EXPECT_EQ(Bytes({0x5A}), ReadEeprom(bus, h, 0x50, 1)) << "a write beside the range is stored";
    EXPECT_EQ(1, sim.api.GetFaultHits(id));

    // Without an address the next EEPROM write is lost whole; reads pass unseen.
    sim.api.ClearFaults();
    sim.AddFault(0, VSIM_FAULT_IGNORE_WRITE);
    EXPECT_EQ(Bytes({0x5A}), ReadEeprom(bus, h, 0x50, 1));
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x50, 0x01, 0x11}));
    EXPECT_EQ(Bytes({0x5A}), ReadEeprom(bus, h, 0x50, 1)) << "lost";
    EXPECT_EQ(Bytes({0x00}), bus.Exchange(h, {0x0B, 0x00, 0x50, 0x01, 0x22}));
    EXPECT_EQ(Bytes({0x22}), ReadEeprom(bus, h, 0x50, 1)) << "the next one is kept";
}

TEST_F(SimulatorFaults, TargetErrorAnswerStillLetsTheRequestAct)
{
    sim.AddFault(0, VSIM_FAULT_TARGET_ERROR, VSIM_TRIGGER_NEXT);
    EXPECT_EQ(Bytes({0xFF, 0x07}), bus.Exchange(h, {0x1D, 0x04}));
    VSimFittingState state{};
    ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(0, &state));
    EXPECT_EQ(19200, state.baudRate) << "only the answer is replaced";
}

TEST_F(SimulatorFaults, AdapterPulledAsAFrameIsWritten)
{
    sim.AddFault(0, VSIM_FAULT_UNPLUG_ADAPTER);
    DWORD written = 0;
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Write(h, request.data(), static_cast<DWORD>(request.size()), &written));
    EXPECT_EQ(0, sim.api.GetDeviceCount());
    DWORD count = 9;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(FT_OK, bus.FT_Close(h));
}

// A download cut short by a pulled plug leaves the fitting in its boot loader,
// where the adapter finds it again when it comes back.
TEST_F(SimulatorFaults, PulledAdaptersFittingStaysAsItWasLeft)
{
    ASSERT_EQ(VSIM_OK, sim.api.SetStartupTime(0, 0, 0));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x13}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x00}));
    ASSERT_EQ(Bytes({0x00}), bus.Exchange(h, {0x1D, 0x05}));
    char serial[16] = {};
    ASSERT_EQ(FT_OK, bus.FT_GetDeviceInfo(h, nullptr, nullptr, serial, nullptr, nullptr));
    sim.AddFault(0, VSIM_FAULT_UNPLUG_ADAPTER);
    DWORD written = 0;
    ASSERT_EQ(FT_IO_ERROR, bus.FT_Write(h, request.data(), static_cast<DWORD>(request.size()), &written));
    EXPECT_EQ(FT_OK, bus.FT_Close(h));

    VSimFittingState state{};
    ASSERT_EQ(0, sim.api.AddAdapter(-1, nullptr, "VB-OTHER"));
    EXPECT_EQ(VSIM_ERR_STATE, sim.api.GetFittingState(0, &state)) << "another adapter has no fitting";
    ASSERT_EQ(1, sim.api.AddAdapter(-1, nullptr, serial));
    ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(1, &state));
    EXPECT_EQ(VSIM_RUNNING_BOOTLOADER, state.running);
    EXPECT_EQ(38400, state.baudRate);
    h = bus.OpenPort(1, 38400);
    const Bytes info = bus.Exchange(h, {0x01});
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(0x00, info[2]) << "still in its boot loader";

    ASSERT_EQ(VSIM_OK, sim.api.RemoveDevice(1));
    sim.Reset();
    ASSERT_EQ(1, sim.api.AddAdapter(-1, nullptr, serial));
    EXPECT_EQ(VSIM_ERR_STATE, sim.api.GetFittingState(1, &state)) << "a reset forgets left fittings";
}

TEST_F(SimulatorFaults, FittingExchangedForAnotherUnitOrProduct)
{
    const Bytes serial = bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06});
    ASSERT_EQ(7u, serial.size());
    sim.AddFault(0, VSIM_FAULT_EXCHANGE_FITTING);
    Bytes next = serial;
    ++next[1]; // lowest byte first
    EXPECT_EQ(next, bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06})) << "the next unit of the product";

    VSimFault other{VSIM_FAULT_EXCHANGE_FITTING, VSIM_TRIGGER_NEXT, 0, 0, 0, 0, "WC", "000000000042", 0, 0, 0};
    ASSERT_GT(sim.api.AddFault(0, &other), 0);
    EXPECT_EQ(Bytes({0x00, 0x01, 0x05, 0x50, 0x30, 0x02}), bus.Exchange(h, {0x0A, 0x00, 0x20, 0x05}));
    EXPECT_EQ(Bytes({0x00, 0x42, 0, 0, 0, 0, 0}), bus.Exchange(h, {0x0A, 0x00, 0x11, 0x06}));
    ASSERT_EQ(VSIM_OK, sim.api.ExchangeFitting(0, "Tarvo", nullptr));
    EXPECT_EQ(13u, bus.Exchange(h, {0x01}).size()) << "layout 0";
}

TEST_F(SimulatorFaults, ChosenDriverCallFailsWithItsStatus)
{
    sim.AddFault(0, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, 0, "FT_Read");
    Bytes buffer(4);
    DWORD got = 0;
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Read(h, buffer.data(), 4, &got));
    EXPECT_FALSE(bus.Exchange(h, {0x01}).empty()) << "once only";

    sim.AddFault(-1, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_EVERY, 2, FT_DEVICE_NOT_FOUND, "FT_CreateDeviceInfoList");
    DWORD count = 0;
    EXPECT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, bus.FT_CreateDeviceInfoList(&count));
    EXPECT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));

    sim.AddFault(0, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_COMMAND, 0, 0, "FT_Close");
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Close(h));
    EXPECT_EQ(1, sim.api.IsDeviceOpen(0)) << "a failing close keeps the port open";

    VSimFault nameless{VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_NEXT, 0, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.AddFault(0, &nameless));
    const VSimFault neverFiring[]{
        {99, VSIM_TRIGGER_NEXT, 0, 0, 0, 0, nullptr, nullptr, 0, 0, 0},
        {VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 0, 0, 0, 0, nullptr, nullptr, 0, 0, 0},
        {VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, 34, 0, 0, 0, nullptr, nullptr, 0, 0, 0},
        {VSIM_FAULT_IGNORE_WRITE, VSIM_TRIGGER_COMMAND, 11, 0, 0, 0, nullptr, nullptr, 0, 0, 0},
    };
    for (const VSimFault& fault : neverFiring)
        EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.AddFault(0, &fault)) << fault.kind << " " << fault.n;

    // Calls that name a device by its number fail for that device only.
    sim.api.ClearFaults();
    const int other = sim.api.AddAdapter(-1, nullptr, nullptr);
    sim.AddFault(other, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_COMMAND, 0, FT_OTHER_ERROR, "FT_Open");
    sim.AddFault(other, VSIM_FAULT_DRIVER_STATUS, VSIM_TRIGGER_COMMAND, 0, FT_OTHER_ERROR, "FT_GetDeviceInfoDetail");
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    DWORD flags = 0;
    EXPECT_EQ(FT_OTHER_ERROR, bus.FT_GetDeviceInfoDetail(static_cast<DWORD>(other), &flags, nullptr, nullptr,
                                                         nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(FT_OK, bus.FT_GetDeviceInfoDetail(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    FT_HANDLE second = nullptr;
    EXPECT_EQ(FT_OTHER_ERROR, bus.FT_Open(other, &second));
    EXPECT_EQ(FT_OK, bus.FT_Close(h));
    EXPECT_EQ(FT_OK, bus.FT_Open(0, &h));
}

} // namespace
