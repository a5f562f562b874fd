#include "devicelink/SerialAdapters.h"

#include "common/TextFormat.h"
#include "devicelink/VelmorTPFTDI.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kVendorId = "0403";
constexpr const char* kProductId = "6001";

std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string strValue;
    std::getline(in, strValue);
    return TrimWhiteSpace(strValue);
}

// "1-1.10:1.0" sorts after "1-1.2:1.0": the numbers of the path, compared as numbers.
std::vector<long> BusPathKey(const std::string& strPath)
{
    std::vector<long> key;
    for (std::size_t i = 0; i < strPath.size();) {
        if (std::isdigit(static_cast<unsigned char>(strPath[i])) == 0) {
            ++i;
            continue;
        }
        std::size_t nEnd = i;
        while (nEnd < strPath.size() && std::isdigit(static_cast<unsigned char>(strPath[nEnd])) != 0)
            ++nEnd;
        key.push_back(std::strtol(strPath.substr(i, nEnd - i).c_str(), nullptr, 10));
        i = nEnd;
    }
    return key;
}

struct CFoundDevice {
    std::vector<long> key;
    CAdapterDevice device;
};

// A usb-serial port directory: <usb device>/<interface>/ttyUSBn.
bool ReadPort(const fs::path& port, CFoundDevice& found)
{
    std::error_code error;
    const fs::path real = fs::canonical(port, error);
    if (error)
        return false;
    const fs::path interface = real.parent_path();
    const fs::path usbDevice = interface.parent_path();
    if (ReadAttribute(usbDevice / "idVendor") != kVendorId || ReadAttribute(usbDevice / "idProduct") != kProductId)
        return false;
    found.key = BusPathKey(interface.filename().string());
    found.device.strDescription = ReadAttribute(usbDevice / "product");
    found.device.strSerialNumber = ReadAttribute(usbDevice / "serial");
    found.device.strPath = "/dev/" + real.filename().string();
    const fs::path latency = real / "latency_timer";
    if (fs::exists(latency, error))
        found.device.strLatencyTimerPath = latency.string();
    return true;
}

} // namespace

std::string SysfsRoot()
{
    const char* szRoot = std::getenv("FLUXA_SYSFS_ROOT");
    return szRoot != nullptr && *szRoot != '\0' ? szRoot : "/sys";
}

std::vector<CAdapterDevice> ListSerialAdapterDevices(const std::string& strRoot)
{
    std::vector<CFoundDevice> found;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(strRoot) / "bus" / "usb-serial" / "devices", error), end; !error && it != end;
         it.increment(error)) {
        CFoundDevice device;
        if (ReadPort(it->path(), device))
            found.push_back(std::move(device));
    }
    std::sort(found.begin(), found.end(), [](const CFoundDevice& a, const CFoundDevice& b) { return a.key < b.key; });
    std::vector<CAdapterDevice> devices;
    for (CFoundDevice& device : found)
        devices.push_back(std::move(device.device));
    return devices;
}

bool HasSerialBusAdapter(const std::vector<CAdapterDevice>& devices)
{
    return std::any_of(devices.begin(), devices.end(), [](const CAdapterDevice& device) {
        return EqualsNoCase(device.strDescription, CVelmorTPFTDI::kAdapterDescription);
    });
}
