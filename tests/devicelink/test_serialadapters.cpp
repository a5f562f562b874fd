// Bus adapters on the kernel's serial driver, found through a small sysfs
// tree laid out as the kernel lays it out, and the choice of port that
// follows from them.

#include "devicelink/AdapterPort.h"
#include "devicelink/SerialAdapters.h"
#include "devicelink/VelmorTPFTDI.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct CUsbSerialFixture {
    const char* szBusPath; // the USB device, e.g. "1-2"
    const char* szVendor;
    const char* szProduct;
    const char* szProductString;
    const char* szSerial;
    const char* szTty;
    bool bLatencyTimer;
};

class SerialAdapters : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One tree per test and process: ctest runs them side by side.
        m_root = fs::temp_directory_path()
                 / ("fluxa_sysfs_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "bus" / "usb-serial" / "devices");
    }
    void TearDown() override
    {
        ::unsetenv("FLUXA_SYSFS_ROOT");
        fs::remove_all(m_root);
    }

    // <root>/devices/.../usbN/<bus path>/<bus path>:1.0/<tty>, linked from
    // <root>/bus/usb-serial/devices/<tty> as sysfs links it.
    void Add(const CUsbSerialFixture& device)
    {
        const std::string strBus = std::string(device.szBusPath).substr(0, std::string(device.szBusPath).find('-'));
        const fs::path usbDevice = m_root / "devices" / "pci0000:00" / "0000:00:14.0" / ("usb" + strBus) / device.szBusPath;
        const fs::path port = usbDevice / (std::string(device.szBusPath) + ":1.0") / device.szTty;
        fs::create_directories(port);
        std::ofstream(usbDevice / "idVendor") << device.szVendor << "\n";
        std::ofstream(usbDevice / "idProduct") << device.szProduct << "\n";
        std::ofstream(usbDevice / "product") << device.szProductString << "\n";
        std::ofstream(usbDevice / "serial") << device.szSerial << "\n";
        if (device.bLatencyTimer)
            std::ofstream(port / "latency_timer") << "16\n";
        fs::create_directory_symlink(fs::relative(port, m_root / "bus" / "usb-serial" / "devices"),
                                     m_root / "bus" / "usb-serial" / "devices" / device.szTty);
    }

    void AddTwoAdaptersAndOthers()
    {
        // Bus path 1-10 comes after 1-2 (numbers, not text); another chip
        // (6015) is no such device; another product string is one, no adapter.
        Add({"1-10", "0403", "6001", "VELMOR bus converter", "VB0002", "ttyUSB0", false});
        Add({"1-2", "0403", "6001", "Velmor BUS converter", "VB0001", "ttyUSB1", true});
        Add({"1-3", "0403", "6015", "Velmor BUS converter", "VX0001", "ttyUSB2", true});
        Add({"2-1", "0403", "6001", "USB Serial Converter", "A50285BI", "ttyUSB3", true});
    }

    fs::path m_root;
};

TEST_F(SerialAdapters, AreListedByBusPathWithSerialNumberDeviceAndLatencyTimer)
{
    AddTwoAdaptersAndOthers();
    const std::vector<CAdapterDevice> devices = ListSerialAdapterDevices(m_root.string());
    ASSERT_EQ(3u, devices.size());
    const struct {
        const char* szDescription;
        const char* szSerial;
        const char* szPath;
        bool bLatencyTimer;
    } kExpected[] = {{"Velmor BUS converter", "VB0001", "/dev/ttyUSB1", true},
                     {"VELMOR bus converter", "VB0002", "/dev/ttyUSB0", false},
                     {"USB Serial Converter", "A50285BI", "/dev/ttyUSB3", true}};
    for (std::size_t i = 0; i < devices.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kExpected[i].szDescription, devices[i].strDescription);
        EXPECT_EQ(kExpected[i].szSerial, devices[i].strSerialNumber);
        EXPECT_EQ(kExpected[i].szPath, devices[i].strPath);
        EXPECT_EQ(kExpected[i].bLatencyTimer, !devices[i].strLatencyTimerPath.empty());
    }
    EXPECT_TRUE(fs::exists(devices[0].strLatencyTimerPath));
    EXPECT_TRUE(ListSerialAdapterDevices((m_root / "missing").string()).empty());
}

TEST_F(SerialAdapters, TheLinkCountsThemWithoutRegardToCaseOverTheSerialPort)
{
    AddTwoAdaptersAndOthers();
    ::setenv("FLUXA_SYSFS_ROOT", m_root.c_str(), 1);
    SetAdapterPortChoice({EAdapterPortKind::Serial, {}});
    CVelmorTPFTDI link;
    int nCount = -1;
    std::string strError;
    EXPECT_EQ(0, link.CountAdapters(CVelmorTPFTDI::kAdapterDescription, nCount, strError)) << strError;
    EXPECT_EQ(2, nCount);
    EXPECT_STREQ("serial", link.GetPortName());
    SetAdapterPortChoice({});
}

TEST_F(SerialAdapters, AutoTakesTheSerialDriverOnlyWhenItHoldsABusAdapter)
{
    ::setenv("FLUXA_SYSFS_ROOT", m_root.c_str(), 1);
    const char* szLibrary = std::getenv("FLUXA_D2XX_LIBRARY");
    const std::string strLibrary = szLibrary != nullptr ? szLibrary : "";
    ::unsetenv("FLUXA_D2XX_LIBRARY");
    const CAdapterPortChoice automatic;
    EXPECT_EQ(EAdapterPortKind::D2xx, ResolveAdapterPortKind(automatic)); // nothing attached
    Add({"2-1", "0403", "6001", "USB Serial Converter", "A50285BI", "ttyUSB3", true});
    EXPECT_EQ(EAdapterPortKind::D2xx, ResolveAdapterPortKind(automatic)); // no bus adapter among them
    Add({"1-2", "0403", "6001", "velmor bus converter", "VB0001", "ttyUSB1", true});
    EXPECT_EQ(EAdapterPortKind::Serial, ResolveAdapterPortKind(automatic));
    EXPECT_EQ(EAdapterPortKind::D2xx, ResolveAdapterPortKind({EAdapterPortKind::D2xx, {}}));
    EXPECT_EQ(EAdapterPortKind::Serial, ResolveAdapterPortKind({EAdapterPortKind::Auto, "/dev/pts/7"}));
    // A library named on purpose is what is meant, adapter or not.
    ::setenv("FLUXA_D2XX_LIBRARY", "/opt/other/libftd2xx.so", 1);
    EXPECT_EQ(EAdapterPortKind::D2xx, ResolveAdapterPortKind(automatic));
    if (strLibrary.empty())
        ::unsetenv("FLUXA_D2XX_LIBRARY");
    else
        ::setenv("FLUXA_D2XX_LIBRARY", strLibrary.c_str(), 1);
}

TEST(AdapterPortKind, NamesAsTheCommandLineWritesThem)
{
    for (const EAdapterPortKind eKind : {EAdapterPortKind::Auto, EAdapterPortKind::D2xx, EAdapterPortKind::Serial}) {
        EAdapterPortKind eParsed = EAdapterPortKind::Auto;
        EXPECT_TRUE(ParseAdapterPortKind(AdapterPortKindName(eKind), eParsed));
        EXPECT_EQ(eKind, eParsed);
    }
    EAdapterPortKind eParsed = EAdapterPortKind::Serial;
    EXPECT_FALSE(ParseAdapterPortKind("Serial", eParsed));
    EXPECT_FALSE(ParseAdapterPortKind("", eParsed));
    EXPECT_EQ(EAdapterPortKind::Serial, eParsed);
}

} // namespace
