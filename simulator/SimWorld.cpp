#include "simulator/SimWorld.h"

#include "common/FilePaths.h"
#include "common/Language.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

thread_local std::string g_strLastError;

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
constexpr DWORD kDeviceId = 0x04036001;
constexpr const char* kAdapterDescription = "Velmor BUS converter";
constexpr const char* kOtherDescription = "USB Serial Converter";

void CopyText(void* pTarget, const std::string& strText, std::size_t nSize)
{
    if (pTarget == nullptr)
        return;
    char* target = static_cast<char*>(pTarget);
    std::size_t n = std::min(strText.size(), nSize - 1);
    std::memcpy(target, strText.data(), n);
    target[n] = '\0';
}

} // namespace

const char* SimLastError() { return g_strLastError.c_str(); }

CSimWorld& CSimWorld::Instance()
{
    static CSimWorld world;
    return world;
}

CSimWorld::CSimWorld()
{
    g_nLanguage = kLanguageEnglish; // the file helpers' messages, for developers
    if (const char* trace = std::getenv("VELMOR_SIM_TRACE"); trace != nullptr && *trace != '\0')
        m_pTraceFile = std::fopen(trace, "w");
    CSimScenario scenario;
    std::string why;
    ParseSimScenario(kSimDefaultScenario, scenario, why);
    Apply(scenario, false);
    if (std::string strPath = EnvironmentText("VELMOR_SIM_SCENARIO"); !strPath.empty()) {
        m_strScenarioPath = std::move(strPath);
        WatchScenarioFile();
    }
    m_clock.Restart(); // simulated time starts with the first use
}

int CSimWorld::Fail(int nResult, const std::string& strWhy)
{
    g_strLastError = strWhy;
    return nResult;
}

// ---------------------------------------------------------------- devices

std::shared_ptr<CSimDevice> CSimWorld::MakeDevice(bool bAdapter, const std::string& strDescription,
                                                  const std::string& strSerial)
{
    auto device = std::make_shared<CSimDevice>();
    device->nId = m_nextDeviceId++;
    device->bAdapter = bAdapter;
    device->strDescription =
        strDescription.empty() ? std::string(bAdapter ? kAdapterDescription : kOtherDescription) : strDescription;
    char generated[16];
    std::snprintf(generated, sizeof(generated), "%s%06d", bAdapter ? "VB" : "FT", m_nextSerial++);
    device->strSerial = strSerial.empty() ? std::string(generated) : strSerial;
    device->dwLocId = 0x1000u + static_cast<DWORD>(device->nId);
    if (auto left = m_leftFittings.find(device->strSerial); bAdapter && left != m_leftFittings.end()) {
        device->fitting = std::move(left->second.fitting);
        device->strFittingKey = left->second.strKey;
        m_leftFittings.erase(left);
    }
    return device;
}

CSimDevice* CSimWorld::DeviceAt(int nDevice)
{
    if (nDevice < 0 || nDevice >= static_cast<int>(m_devices.size())) {
        Fail(VSIM_ERR_ARGUMENT, "no device number " + std::to_string(nDevice));
        return nullptr;
    }
    return m_devices[static_cast<std::size_t>(nDevice)].get();
}

int CSimWorld::IndexOf(const CSimDevice& device) const
{
    for (std::size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].get() == &device)
            return static_cast<int>(i);
    return -1;
}

FT_HANDLE CSimWorld::OpenDevice(const std::shared_ptr<CSimDevice>& device)
{
    device->hOpen = m_nextHandle;
    m_nextHandle += 0x10;
    device->nBaud = 9600;
    device->byWordLength = 8;
    device->byStopBits = 0;
    device->byParity = 0;
    device->dwReadTimeoutMs = 0;
    device->rx.clear();
    m_handles[device->hOpen] = device;
    return reinterpret_cast<FT_HANDLE>(device->hOpen);
}

void CSimWorld::Pull(const std::shared_ptr<CSimDevice>& device)
{
    device->bRemoved = true;
    device->rx.clear();
    if (device->fitting != nullptr) // the fitting stays on the bus wire, powered on its own
        m_leftFittings[device->strSerial] = {std::move(device->fitting), device->strFittingKey};
    m_devices.erase(std::remove(m_devices.begin(), m_devices.end(), device), m_devices.end());
    m_cv.notify_all();
}

FT_STATUS CSimWorld::Resolve(FT_HANDLE h, const char* szFunction, std::shared_ptr<CSimDevice>& device)
{
    auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == m_handles.end())
        return FT_INVALID_HANDLE;
    device = it->second;
    if (FT_STATUS status = DriverStatus(szFunction, device->nId); status != FT_OK)
        return status;
    return device->bRemoved ? FT_IO_ERROR : FT_OK;
}

// ---------------------------------------------------------------- D2XX

FT_STATUS CSimWorld::Injected(const char* szFunction)
{
    Lock lock(m_mutex);
    return DriverStatus(szFunction, -1);
}

FT_STATUS CSimWorld::CreateDeviceInfoList(DWORD* pCount)
{
    Lock lock(m_mutex);
    WatchScenarioFile();
    if (FT_STATUS status = DriverStatus("FT_CreateDeviceInfoList", -1); status != FT_OK)
        return status;
    if (pCount == nullptr)
        return FT_INVALID_PARAMETER;
    m_listed = m_devices;
    *pCount = static_cast<DWORD>(m_listed.size());
    return FT_OK;
}

FT_STATUS CSimWorld::GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* pNodes, DWORD* pCount)
{
    Lock lock(m_mutex);
    if (FT_STATUS status = DriverStatus("FT_GetDeviceInfoList", -1); status != FT_OK)
        return status;
    if (pNodes == nullptr || pCount == nullptr)
        return FT_INVALID_PARAMETER;
    // The caller sized its array by FT_CreateDeviceInfoList: its snapshot it is.
    for (std::size_t i = 0; i < m_listed.size(); ++i) {
        const CSimDevice& device = *m_listed[i];
        FT_DEVICE_LIST_INFO_NODE& node = pNodes[i];
        node.Flags = device.hOpen != 0 ? FT_FLAGS_OPENED : 0;
        node.Type = FT_DEVICE_232R;
        node.ID = kDeviceId;
        node.LocId = device.dwLocId;
        CopyText(node.SerialNumber, device.strSerial, sizeof(node.SerialNumber));
        CopyText(node.Description, device.strDescription, sizeof(node.Description));
        node.ftHandle = reinterpret_cast<FT_HANDLE>(device.hOpen);
    }
    *pCount = static_cast<DWORD>(m_listed.size());
    return FT_OK;
}

FT_STATUS CSimWorld::GetDeviceInfoDetail(DWORD dwIndex, DWORD* pFlags, DWORD* pType, DWORD* pId, DWORD* pLocId,
                                         void* pSerial, void* pDescription, FT_HANDLE* pHandle)
{
    Lock lock(m_mutex);
    const bool bListed = dwIndex < m_listed.size();
    if (FT_STATUS status = DriverStatus("FT_GetDeviceInfoDetail", bListed ? m_listed[dwIndex]->nId : -1);
        status != FT_OK)
        return status;
    if (!bListed)
        return FT_DEVICE_NOT_FOUND;
    const CSimDevice& device = *m_listed[dwIndex];
    if (pFlags != nullptr)
        *pFlags = device.hOpen != 0 ? FT_FLAGS_OPENED : 0;
    if (pType != nullptr)
        *pType = FT_DEVICE_232R;
    if (pId != nullptr)
        *pId = kDeviceId;
    if (pLocId != nullptr)
        *pLocId = device.dwLocId;
    CopyText(pSerial, device.strSerial, FT_SERIAL_NUMBER_SIZE);
    CopyText(pDescription, device.strDescription, FT_DESCRIPTION_SIZE);
    if (pHandle != nullptr)
        *pHandle = reinterpret_cast<FT_HANDLE>(device.hOpen);
    return FT_OK;
}

FT_STATUS CSimWorld::ListDevices(void* pArg1, void* pArg2, DWORD dwFlags)
{
    Lock lock(m_mutex);
    WatchScenarioFile();
    if (FT_STATUS status = DriverStatus("FT_ListDevices", -1); status != FT_OK)
        return status;
    auto text = [&](const CSimDevice& device) {
        return (dwFlags & FT_OPEN_BY_DESCRIPTION) != 0 ? device.strDescription : device.strSerial;
    };
    if ((dwFlags & FT_LIST_NUMBER_ONLY) != 0) {
        if (pArg1 == nullptr)
            return FT_INVALID_PARAMETER;
        *static_cast<DWORD*>(pArg1) = static_cast<DWORD>(m_devices.size());
    } else if ((dwFlags & FT_LIST_BY_INDEX) != 0) {
        auto index = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(pArg1));
        if (index >= m_devices.size())
            return FT_DEVICE_NOT_FOUND;
        if (pArg2 == nullptr)
            return FT_INVALID_PARAMETER;
        CopyText(pArg2, text(*m_devices[index]), FT_DESCRIPTION_SIZE);
    } else if ((dwFlags & FT_LIST_ALL) != 0) {
        if (pArg1 == nullptr || pArg2 == nullptr)
            return FT_INVALID_PARAMETER;
        char** buffers = static_cast<char**>(pArg1);
        for (std::size_t i = 0; i < m_devices.size() && buffers[i] != nullptr; ++i)
            CopyText(buffers[i], text(*m_devices[i]), FT_DESCRIPTION_SIZE);
        *static_cast<DWORD*>(pArg2) = static_cast<DWORD>(m_devices.size());
    } else {
        return FT_INVALID_PARAMETER;
    }
    return FT_OK;
}

FT_STATUS CSimWorld::Open(int nDevice, FT_HANDLE* pHandle)
{
    Lock lock(m_mutex);
    WatchScenarioFile();
    const bool bExists = nDevice >= 0 && nDevice < static_cast<int>(m_devices.size());
    if (FT_STATUS status = DriverStatus("FT_Open", bExists ? m_devices[static_cast<std::size_t>(nDevice)]->nId : -1);
        status != FT_OK)
        return status;
    if (pHandle == nullptr)
        return FT_INVALID_PARAMETER;
    if (!bExists)
        return FT_DEVICE_NOT_FOUND;
    const auto& device = m_devices[static_cast<std::size_t>(nDevice)];
    if (device->hOpen != 0)
        return FT_DEVICE_NOT_OPENED;
    *pHandle = OpenDevice(device);
    return FT_OK;
}

FT_STATUS CSimWorld::OpenEx(void* pArg, DWORD dwFlags, FT_HANDLE* pHandle)
{
    Lock lock(m_mutex);
    WatchScenarioFile();
    if (FT_STATUS status = DriverStatus("FT_OpenEx", -1); status != FT_OK)
        return status;
    if (pHandle == nullptr || (pArg == nullptr && (dwFlags & FT_OPEN_BY_LOCATION) == 0))
        return FT_INVALID_PARAMETER;
    for (const auto& device : m_devices) {
        bool bMatch = false;
        if ((dwFlags & FT_OPEN_BY_SERIAL_NUMBER) != 0)
            bMatch = device->strSerial == static_cast<const char*>(pArg);
        else if ((dwFlags & FT_OPEN_BY_DESCRIPTION) != 0)
            bMatch = device->strDescription == static_cast<const char*>(pArg);
        else if ((dwFlags & FT_OPEN_BY_LOCATION) != 0)
            bMatch = device->dwLocId == static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(pArg));
        if (!bMatch)
            continue;
        if (device->hOpen != 0)
            return FT_DEVICE_NOT_OPENED;
        *pHandle = OpenDevice(device);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS CSimWorld::Close(FT_HANDLE h)
{
    Lock lock(m_mutex);
    auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == m_handles.end())
        return FT_INVALID_HANDLE;
    std::shared_ptr<CSimDevice> device = it->second;
    if (FT_STATUS status = DriverStatus("FT_Close", device->nId); status != FT_OK)
        return status;
    m_handles.erase(it);
    device->hOpen = 0;
    device->rx.clear();
    m_cv.notify_all();
    return FT_OK;
}

FT_STATUS CSimWorld::Touch(FT_HANDLE h, const char* szFunction)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    return Resolve(h, szFunction, device);
}

FT_STATUS CSimWorld::SetBaudRate(FT_HANDLE h, ULONG ulBaud)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_SetBaudRate", device); status != FT_OK)
        return status;
    if (ulBaud < 300 || ulBaud > 3000000)
        return FT_INVALID_BAUD_RATE;
    device->nBaud = static_cast<int>(ulBaud);
    return FT_OK;
}

FT_STATUS CSimWorld::SetDataCharacteristics(FT_HANDLE h, UCHAR byWordLength, UCHAR byStopBits, UCHAR byParity)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_SetDataCharacteristics", device); status != FT_OK)
        return status;
    if ((byWordLength != FT_BITS_7 && byWordLength != FT_BITS_8) ||
        (byStopBits != FT_STOP_BITS_1 && byStopBits != FT_STOP_BITS_2) || byParity > 4)
        return FT_INVALID_PARAMETER;
    device->byWordLength = byWordLength;
    device->byStopBits = byStopBits;
    device->byParity = byParity;
    return FT_OK;
}

FT_STATUS CSimWorld::SetTimeouts(FT_HANDLE h, ULONG ulReadMs, ULONG)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_SetTimeouts", device); status != FT_OK)
        return status;
    device->dwReadTimeoutMs = ulReadMs;
    return FT_OK;
}

FT_STATUS CSimWorld::Purge(FT_HANDLE h, ULONG ulMask)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_Purge", device); status != FT_OK)
        return status;
    if ((ulMask & (FT_PURGE_RX | FT_PURGE_TX)) == 0)
        return FT_INVALID_PARAMETER;
    if ((ulMask & FT_PURGE_RX) != 0) {
        // Without delays the caller's own pauses are invisible here: take it
        // that the line went quiet before it purged.
        if (m_clock.GetScale() <= 0.0)
            m_clock.WaitUntil(lock, m_cv, device->tLineFree);
        const std::int64_t now = m_clock.NowNs();
        while (!device->rx.empty() && device->rx.front().tNs <= now)
            device->rx.pop_front();
    }
    return FT_OK;
}

FT_STATUS CSimWorld::GetQueueStatus(FT_HANDLE h, DWORD* pRxBytes, const char* szFunction)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, szFunction, device); status != FT_OK)
        return status;
    if (pRxBytes == nullptr)
        return FT_INVALID_PARAMETER;
    const std::int64_t now = m_clock.NowNs();
    *pRxBytes = static_cast<DWORD>(std::count_if(device->rx.begin(), device->rx.end(),
                                                 [now](const CSimRxByte& b) { return b.tNs <= now; }));
    return FT_OK;
}

FT_STATUS CSimWorld::GetStatus(FT_HANDLE h, DWORD* pRx, DWORD* pTx, DWORD* pEvents)
{
    if (pRx == nullptr || pTx == nullptr || pEvents == nullptr)
        return FT_INVALID_PARAMETER;
    *pTx = 0;
    *pEvents = 0;
    return GetQueueStatus(h, pRx, "FT_GetStatus");
}

FT_STATUS CSimWorld::GetDeviceInfo(FT_HANDLE h, FT_DEVICE* pType, DWORD* pId, char* szSerial, char* szDescription)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_GetDeviceInfo", device); status != FT_OK)
        return status;
    if (pType != nullptr)
        *pType = FT_DEVICE_232R;
    if (pId != nullptr)
        *pId = kDeviceId;
    CopyText(szSerial, device->strSerial, FT_SERIAL_NUMBER_SIZE);
    CopyText(szDescription, device->strDescription, FT_DESCRIPTION_SIZE);
    return FT_OK;
}

FT_STATUS CSimWorld::Read(FT_HANDLE h, void* pBuffer, DWORD dwToRead, DWORD* pReturned)
{
    Lock lock(m_mutex);
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_Read", device); status != FT_OK)
        return status;
    if (pBuffer == nullptr || pReturned == nullptr || dwToRead == 0)
        return FT_INVALID_PARAMETER;
    *pReturned = 0;
    const std::int64_t deadline =
        device->dwReadTimeoutMs == 0 ? kNever : m_clock.NowNs() + std::int64_t{device->dwReadTimeoutMs} * 1000000;
    for (;;) {
        if (device->bRemoved || device->hOpen == 0)
            return FT_IO_ERROR;
        const std::int64_t now = m_clock.NowNs();
        std::size_t arrived = 0;
        while (arrived < device->rx.size() && arrived < dwToRead && device->rx[arrived].tNs <= now)
            ++arrived;
        const std::int64_t complete = device->rx.size() >= dwToRead ? device->rx[dwToRead - 1].tNs : kNever;
        const std::int64_t wake = std::min(complete, deadline);
        // Done when all arrived, the time-out ended, or (without delays)
        // nothing under way could ever bring the rest.
        if (arrived == dwToRead || now >= deadline || (wake == kNever && m_clock.GetScale() <= 0.0)) {
            auto* out = static_cast<std::uint8_t*>(pBuffer);
            for (std::size_t i = 0; i < arrived; ++i) {
                out[i] = device->rx.front().by;
                device->rx.pop_front();
            }
            *pReturned = static_cast<DWORD>(arrived);
            return FT_OK;
        }
        if (wake == kNever)
            m_cv.wait(lock);
        else
            m_clock.WaitUntil(lock, m_cv, wake);
    }
}

FT_STATUS CSimWorld::Write(FT_HANDLE h, const void* pBuffer, DWORD dwToWrite, DWORD* pWritten)
{
    Lock lock(m_mutex);
    WatchScenarioFile();
    std::shared_ptr<CSimDevice> device;
    if (FT_STATUS status = Resolve(h, "FT_Write", device); status != FT_OK)
        return status;
    if (pBuffer == nullptr || pWritten == nullptr)
        return FT_INVALID_PARAMETER;
    *pWritten = 0;
    if (dwToWrite == 0)
        return FT_OK;
    if (device->bAdapter)
        Transmit(*device, static_cast<const std::uint8_t*>(pBuffer), static_cast<int>(dwToWrite));
    if (device->bRemoved)
        return FT_IO_ERROR;
    *pWritten = dwToWrite;
    m_cv.notify_all();
    return FT_OK;
}
