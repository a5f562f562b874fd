// The USB devices and the one-wire line of the simulated bus, driven through
// its D2XX functions as the tool's binding drives them.
#include "SimBus.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

class SimulatorLine : public ::testing::Test {
protected:
    std::string Description(DWORD index)
    {
        char description[64] = {};
        char serial[16] = {};
        DWORD flags = 99, type = 0, id = 0, loc = 0;
        FT_HANDLE h = nullptr;
        EXPECT_EQ(FT_OK, bus.FT_GetDeviceInfoDetail(index, &flags, &type, &id, &loc, serial, description, &h));
        EXPECT_NE('\0', serial[0]);
        return description;
    }

    SimulatorControl sim;
    SimBus bus;
};

const Bytes kModuleInfo{0x01};

TEST_F(SimulatorLine, DefaultWorldIsOneAdapterWithAnAmbra)
{
    DWORD count = 0;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    ASSERT_EQ(1u, count);
    EXPECT_EQ("Velmor BUS converter", Description(0));
    DWORD flags = 0;
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, bus.FT_GetDeviceInfoDetail(1, &flags, nullptr, nullptr, nullptr, nullptr,
                                                              nullptr, nullptr));
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(FT_OK, bus.FT_GetDeviceInfoDetail(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(FT_FLAGS_OPENED, flags);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(FT_DEVICE_NOT_OPENED, bus.FT_Open(0, &second)) << "a device opens once";
    Bytes info = bus.Exchange(h, kModuleInfo);
    ASSERT_EQ(15u, info.size());
    EXPECT_EQ(3, info[3]) << "product type of the Ambra";
    EXPECT_EQ(FT_OK, bus.FT_Close(h));
}

TEST_F(SimulatorLine, ScenarioListsDevicesInOrderWithTheirDescriptions)
{
    sim.Reset("[device]\ndescription = USB Serial Port\n"
              "[adapter]\ndescription = VELMOR bus Converter\nfitting = WC\n"
              "[device]\n"
              "[adapter]\nfitting = Tarvo\n");
    DWORD count = 0;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    ASSERT_EQ(4u, count);
    EXPECT_EQ("USB Serial Port", Description(0));
    EXPECT_EQ("VELMOR bus Converter", Description(1));
    EXPECT_EQ("USB Serial Converter", Description(2));
    EXPECT_EQ("Velmor BUS converter", Description(3));

    FT_HANDLE other = bus.OpenPort(0);
    EXPECT_TRUE(bus.Raw(other, SimBus::Frame(kModuleInfo)).empty()) << "a plain serial port neither echoes nor answers";
    FT_HANDLE tarvo = bus.OpenPort(3);
    EXPECT_EQ(1, bus.Exchange(tarvo, kModuleInfo).at(3));
    sim.Reset("# no devices\n");
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    EXPECT_EQ(0u, count);
    FT_HANDLE none = nullptr;
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, bus.FT_Open(0, &none));
}

TEST_F(SimulatorLine, ControlAddsDevicesWhereAsked)
{
    EXPECT_EQ(0, sim.api.AddOtherDevice(0, "FT232R USB UART", "FT1"));
    EXPECT_EQ(2, sim.api.AddAdapter(-1, "velmor bus converter", "VB2"));
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.AddAdapter(7, nullptr, nullptr));
    DWORD count = 0;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    ASSERT_EQ(3u, count);
    EXPECT_EQ("FT232R USB UART", Description(0));
    EXPECT_EQ("Velmor BUS converter", Description(1)) << "the default adapter moved up";
    EXPECT_EQ("velmor bus converter", Description(2));
    EXPECT_EQ(VSIM_ERR_STATE, sim.api.PlugFitting(0, "WC")) << "no bus on a plain serial port";
    EXPECT_EQ(VSIM_ERR_STATE, sim.api.ExchangeFitting(0, "WC", nullptr));
    ASSERT_EQ(VSIM_OK, sim.api.PlugFitting(2, "WC"));
    FT_HANDLE h = bus.OpenPort(2, 19200);
    EXPECT_EQ(1, sim.api.IsDeviceOpen(2));
    EXPECT_EQ(0, sim.api.IsDeviceOpen(1));
    EXPECT_EQ(19200, sim.api.GetAdapterBaudRate(2));
    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 2400));
    EXPECT_EQ(5, bus.Exchange(h, kModuleInfo).at(3));
    EXPECT_EQ(VSIM_ERR_ARGUMENT, sim.api.RemoveDevice(3));
}

// The list reports the devices of the last FT_CreateDeviceInfoList, for which
// the caller sized its array, even when one was plugged in since.
TEST_F(SimulatorLine, DeviceInfoListKeepsToTheSnapshot)
{
    DWORD count = 0;
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    ASSERT_EQ(1u, count);
    ASSERT_EQ(1, sim.api.AddAdapter(-1, nullptr, "VB-LATE"));
    FT_DEVICE_LIST_INFO_NODE nodes[2]{};
    nodes[1].Flags = 0xEE;
    ASSERT_EQ(FT_OK, bus.FT_GetDeviceInfoList(nodes, &count));
    EXPECT_EQ(1u, count);
    EXPECT_STREQ("Velmor BUS converter", nodes[0].Description);
    EXPECT_EQ(0xEEu, nodes[1].Flags) << "nothing written beyond the snapshot";
    ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
    EXPECT_EQ(2u, count);
}

TEST_F(SimulatorLine, EveryByteEchoesAlsoWithoutFitting)
{
    ASSERT_EQ(VSIM_OK, sim.api.UnplugFitting(0));
    FT_HANDLE h = bus.OpenPort(0);
    const Bytes frame = SimBus::Frame(kModuleInfo);
    const unsigned long long before = sim.api.GetTimeNs();
    EXPECT_EQ(frame, bus.Raw(h, frame));
    // The echo took its line time; each empty read then waited its 100 ms.
    EXPECT_GE(sim.api.GetTimeNs() - before, 100000000ull);
    DWORD written = 0;
    Bytes garbage{0x00, 0x12, 0xFF};
    ASSERT_EQ(FT_OK, bus.FT_Write(h, garbage.data(), 3, &written));
    EXPECT_EQ(3u, written);
    EXPECT_EQ(garbage, bus.Read(h, 10)) << "a read returns fewer bytes after its time-out";
}

TEST_F(SimulatorLine, TraceGivesTenBitTimesPerByteAtTheAdaptersRate)
{
    FT_HANDLE h = bus.OpenPort(0);
    sim.api.ClearTrace();
    Bytes info = bus.Exchange(h, kModuleInfo);
    ASSERT_FALSE(info.empty());
    std::vector<VSimFrame> frames = sim.Trace();
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ(VSIM_DIR_TO_FITTING, frames[0].direction);
    EXPECT_EQ(5, frames[0].length);
    EXPECT_EQ(0, std::memcmp(frames[0].bytes, SimBus::Frame(kModuleInfo).data(), 5));
    EXPECT_EQ(2400, frames[0].baudRate);
    EXPECT_NEAR(5 * 10 / 2400.0 * 1e9, static_cast<double>(frames[0].lineTimeNs), 1.0);
    EXPECT_EQ(VSIM_DIR_FROM_FITTING, frames[1].direction);
    EXPECT_EQ(static_cast<int>(info.size()) + 4, frames[1].length);
    EXPECT_GE(frames[1].timeNs, frames[0].timeNs + frames[0].lineTimeNs) << "half duplex: the answer follows";
    EXPECT_EQ(frames[0].lineTimeNs + frames[1].lineTimeNs, sim.api.GetWireTimeNs());

    ASSERT_EQ(FT_OK, bus.FT_SetBaudRate(h, 9600));
    sim.api.ClearTrace();
    EXPECT_TRUE(bus.Exchange(h, kModuleInfo).empty()) << "the fitting listens at 2400 and stays silent";
    frames = sim.Trace();
    ASSERT_EQ(1u, frames.size());
    EXPECT_NEAR(5 * 10 / 9600.0 * 1e9, static_cast<double>(frames[0].lineTimeNs), 1.0);
}

TEST_F(SimulatorLine, FittingIgnoresFramesInAnotherFormat)
{
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(FT_OK, bus.FT_SetDataCharacteristics(h, FT_BITS_7, FT_STOP_BITS_1, FT_PARITY_NONE));
    EXPECT_TRUE(bus.Exchange(h, kModuleInfo).empty());
    ASSERT_EQ(FT_OK, bus.FT_SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE));
    EXPECT_FALSE(bus.Exchange(h, kModuleInfo).empty());
}

TEST_F(SimulatorLine, PurgeEmptiesTheReceiveBuffer)
{
    FT_HANDLE h = bus.OpenPort(0);
    const Bytes frame = SimBus::Frame(kModuleInfo);
    DWORD written = 0;
    ASSERT_EQ(FT_OK, bus.FT_Write(h, const_cast<std::uint8_t*>(frame.data()), 5, &written));
    ASSERT_EQ(2u, bus.Read(h, 2).size());
    DWORD queued = 0;
    ASSERT_EQ(FT_OK, bus.FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX));
    ASSERT_EQ(FT_OK, bus.FT_GetQueueStatus(h, &queued));
    EXPECT_EQ(0u, queued);
    EXPECT_TRUE(bus.Read(h, 1).empty());
}

TEST_F(SimulatorLine, TimeScaleOneRunsAtLineSpeed)
{
    sim.api.SetTimeScale(1.0);
    FT_HANDLE h = bus.OpenPort(0);
    sim.api.ClearTrace();
    auto start = std::chrono::steady_clock::now();
    ASSERT_FALSE(bus.Exchange(h, kModuleInfo).empty());
    auto wallNs = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    const auto wireNs = static_cast<long long>(sim.api.GetWireTimeNs());
    EXPECT_GE(wallNs, wireNs);
    EXPECT_LT(wallNs, wireNs + 40000000) << "at most scheduling noise on top of the wire time";
}

TEST_F(SimulatorLine, PulledAdapterTurnsItsHandleDead)
{
    FT_HANDLE h = bus.OpenPort(0);
    ASSERT_EQ(VSIM_OK, sim.api.RemoveDevice(0));
    EXPECT_EQ(0, sim.api.GetDeviceCount());
    Bytes buffer(4);
    DWORD got = 7;
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Read(h, buffer.data(), 4, &got));
    EXPECT_EQ(FT_IO_ERROR, bus.FT_Write(h, buffer.data(), 4, &got));
    EXPECT_EQ(FT_IO_ERROR, bus.FT_SetBaudRate(h, 2400));
    EXPECT_EQ(FT_OK, bus.FT_Close(h)) << "closing frees the dead handle";
    EXPECT_EQ(FT_INVALID_HANDLE, bus.FT_Close(h));
}

TEST_F(SimulatorLine, CallsOutsideTheToolsNeedsAnswerSafely)
{
    FT_HANDLE h = bus.OpenPort(0);
    DWORD version = 0, got = 0;
    UCHAR latency = 0;
    EXPECT_EQ(FT_OK, bus.FT_GetLibraryVersion(&version));
    EXPECT_NE(0u, version);
    EXPECT_EQ(FT_OK, bus.FT_GetLatencyTimer(h, &latency));
    EXPECT_EQ(FT_OK, bus.FT_SetDtr(h));
    EXPECT_EQ(FT_NOT_SUPPORTED, bus.FT_IoCtl(h, 0, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(FT_NOT_SUPPORTED, bus.FT_EE_UASize(h, &version));
    EXPECT_EQ(FALSE, bus.FT_W32_ReadFile(h, nullptr, 0, &got, nullptr));
    EXPECT_EQ(FT_INVALID_PARAMETER, bus.FT_Read(h, nullptr, 4, &got));
    EXPECT_EQ(FT_INVALID_PARAMETER, bus.FT_Read(h, &version, 0, &got));
    EXPECT_EQ(FT_INVALID_BAUD_RATE, bus.FT_SetBaudRate(h, 10));
    EXPECT_EQ(FT_INVALID_HANDLE, bus.FT_Read(reinterpret_cast<FT_HANDLE>(0x1234), &version, 4, &got));
    EXPECT_EQ(FT_INVALID_HANDLE, bus.FT_SetDtr(nullptr));
    char serial[16] = {}, description[64] = {};
    FT_DEVICE type = 0;
    EXPECT_EQ(FT_OK, bus.FT_GetDeviceInfo(h, &type, nullptr, serial, description, nullptr));
    EXPECT_STREQ("Velmor BUS converter", description);
    EXPECT_EQ(FT_OK, bus.FT_Close(h));
    FT_HANDLE byDescription = nullptr;
    EXPECT_EQ(FT_OK, bus.FT_OpenEx(description, FT_OPEN_BY_DESCRIPTION, &byDescription));
    EXPECT_EQ(FT_OK, bus.FT_Close(byDescription));
}

TEST_F(SimulatorLine, AdaptersServeThreadsAtTheSameTime)
{
    sim.Reset("[adapter]\nfitting = Ambra\n[adapter]\nfitting = Urinal\n");
    auto run = [&](int device, std::uint8_t type) {
        FT_HANDLE h = bus.OpenPort(device);
        for (int i = 0; i < 200; ++i) {
            Bytes info = bus.Exchange(h, kModuleInfo);
            ASSERT_EQ(15u, info.size());
            ASSERT_EQ(type, info[3]);
            DWORD count = 0;
            ASSERT_EQ(FT_OK, bus.FT_CreateDeviceInfoList(&count));
        }
        bus.FT_Close(h);
    };
    std::thread first(run, 0, 3), second(run, 1, 4);
    first.join();
    second.join();
}

} // namespace
