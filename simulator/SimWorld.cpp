#include "simulator/SimWorld.h"

#include "common/Language.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

thread_local std::string g_strLastError;

constexpr std::int64_t kNsPerSecond = 1000000000LL;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
constexpr DWORD kDeviceId = 0x04036001;
constexpr const char* kAdapterDescription = "Velmor BUS converter";
constexpr const char* kOtherDescription = "USB Serial Converter";
constexpr std::size_t kTraceLimit = 1000000; // frames kept; the oldest half goes beyond it
constexpr std::chrono::seconds kScenarioTick{2}; // the coarsest file time stamps

// Opcode on the wire of each command ID 1..33.
constexpr int kOpcodeOfCommand[34]{-1,   0x00, 0x01, 0x03, 0x05, 0x07, 0x09, 0x02, 0x04, 0x06, 0x08, 0x0A,
                                   0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x1C, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                                   0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20};

// End of byte i (0-based) of a transmission that starts at tStart: ten bit times per byte.
std::int64_t ByteEnd(std::int64_t tStart, int i, int nBaud)
{
    return tStart + (static_cast<std::int64_t>(i + 1) * 10 * kNsPerSecond) / nBaud;
}

void CopyText(void* pTarget, const std::string& strText, std::size_t nSize)
{
    if (pTarget == nullptr)
        return;
    char* target = static_cast<char*>(pTarget);
    std::size_t n = std::min(strText.size(), nSize - 1);
    std::memcpy(target, strText.data(), n);
    target[n] = '\0';
}

bool Fires(CSimArmedFault& fault, bool bCommandMatches)
{
    const VSimFault& f = fault.spec.fault;
    if (f.times > 0 && fault.nHits >= f.times)
        return false;
    bool bFires = false;
    if (f.trigger == VSIM_TRIGGER_NEXT)
        bFires = fault.nHits == 0;
    else if (f.trigger == VSIM_TRIGGER_EVERY)
        bFires = f.n > 0 && ++fault.nSeen % static_cast<std::uint64_t>(f.n) == 0;
    else
        bFires = bCommandMatches;
    if (bFires && fault.nSkipped < f.skip) {
        ++fault.nSkipped;
        return false;
    }
    if (bFires)
        ++fault.nHits;
    return bFires;
}

// Serial number + 1, EEPROM order (lowest byte first).
void NextSerial(std::uint8_t serial[6])
{
    for (int i = 0; i < 6 && ++serial[i] == 0; ++i) {
    }
}

std::string FittingKey(const CSimFittingSpec& spec)
{
    std::ostringstream key;
    key << spec.strProfile << '|' << spec.article.value_or(0) << '|' << spec.strSerial << '|'
        << spec.layout.value_or(-1) << '|' << spec.strBlVersion << '|' << spec.strAppVersion << '|'
        << spec.strEepromFile;
    for (const auto& patch : spec.eepromPatches) {
        key << '|' << patch.first;
        for (std::uint8_t by : patch.second)
            key << ' ' << static_cast<int>(by);
    }
    return key.str();
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
    if (const char* path = std::getenv("VELMOR_SIM_SCENARIO"); path != nullptr && *path != '\0') {
        m_strScenarioPath = path;
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

FT_STATUS CSimWorld::DriverStatus(const char* szFunction, int nDeviceId)
{
    if (!m_bDriverFaults)
        return FT_OK;
    for (CSimArmedFault& fault : m_faults) {
        if (fault.spec.fault.kind != VSIM_FAULT_DRIVER_STATUS || fault.spec.strText != szFunction ||
            (fault.nDeviceId != -1 && fault.nDeviceId != nDeviceId))
            continue;
        if (Fires(fault, true))
            return fault.spec.fault.param != 0 ? static_cast<FT_STATUS>(fault.spec.fault.param)
                                                 : static_cast<FT_STATUS>(FT_IO_ERROR);
    }
    return FT_OK;
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

// ---------------------------------------------------------------- the bus

const CSimFaultSpec* CSimFired::Get(int nKind) const
{
    for (const CSimArmedFault* fault : m_faults)
        if (fault->spec.fault.kind == nKind)
            return &fault->spec;
    return nullptr;
}

int CSimFired::Param(int nKind, int nDefault) const
{
    const CSimFaultSpec* spec = Get(nKind);
    return spec != nullptr && spec->fault.param != 0 ? spec->fault.param : nDefault;
}

void CSimWorld::ArmedFor(CSimDevice& device, int nOpcode, CSimFired& fired)
{
    for (CSimArmedFault& fault : m_faults) {
        const VSimFault& f = fault.spec.fault;
        if (f.kind == VSIM_FAULT_DRIVER_STATUS || (fault.nDeviceId != -1 && fault.nDeviceId != device.nId))
            continue;
        const bool bCommand = f.n >= 1 && f.n <= 33 && kOpcodeOfCommand[f.n] == nOpcode;
        if (Fires(fault, bCommand))
            fired.m_faults.push_back(&fault);
    }
}

std::int64_t CSimWorld::Deliver(CSimDevice& device, std::int64_t tStart, int nBaud, const std::uint8_t* pBytes,
                                int nLength, int nDirection)
{
    for (int i = 0; i < nLength; ++i)
        device.rx.push_back({ByteEnd(tStart, i, nBaud), pBytes[i]});
    const std::int64_t tEnd = ByteEnd(tStart, nLength - 1, nBaud);
    Record(device, tStart, tEnd - tStart, nDirection, nBaud, pBytes, nLength);
    return tEnd;
}

void CSimWorld::Transmit(CSimDevice& device, const std::uint8_t* pBytes, int nLength)
{
    const int opcode = nLength >= 4 && pBytes[0] == 0xF1 && pBytes[1] == 0x01 ? pBytes[3] : -1;
    CSimFired fired;
    if (!m_faults.empty())
        ArmedFor(device, opcode, fired);
    if (fired.Has(VSIM_FAULT_UNPLUG_ADAPTER)) {
        Pull(m_devices[static_cast<std::size_t>(IndexOf(device))]);
        return;
    }
    if (const CSimFaultSpec* exchange = fired.Get(VSIM_FAULT_EXCHANGE_FITTING))
        ExchangeFitting(device, exchange->strText, exchange->strText2);

    // The frame on the wire, and its echo.
    const std::int64_t tStart = std::max(m_clock.NowNs(), device.tLineFree);
    std::int64_t tEnd = ByteEnd(tStart, nLength - 1, device.nBaud);
    Record(device, tStart, tEnd - tStart, VSIM_DIR_TO_FITTING, device.nBaud, pBytes, nLength);
    if (!fired.Has(VSIM_FAULT_MISSING_ECHO)) {
        const int corruptAt = fired.Has(VSIM_FAULT_CORRUPT_ECHO) ? fired.Param(VSIM_FAULT_CORRUPT_ECHO, 0) : -1;
        for (int i = 0; i < nLength; ++i)
            device.rx.push_back({ByteEnd(tStart, i, device.nBaud),
                                 static_cast<std::uint8_t>(pBytes[i] ^ (i == corruptAt ? 0xFF : 0x00))});
    }

    // What the fitting makes of it.
    CSimAnswer answer;
    bool bAnswer = false;
    CSimFitting* fitting = device.fitting.get();
    if (fitting != nullptr && !fired.Has(VSIM_FAULT_NO_ANSWER)) {
        const bool bUnderstood = fitting->Baud() == device.nBaud && device.byWordLength == FT_BITS_8 &&
                                 device.byStopBits == FT_STOP_BITS_1 && device.byParity == FT_PARITY_NONE;
        for (int i = 0; i < nLength; ++i)
            bAnswer = fitting->Hear(pBytes[i], ByteEnd(tStart, i, device.nBaud), bUnderstood, answer) || bAnswer;
    }
    if (fired.Has(VSIM_FAULT_GARBAGE)) {
        static const std::uint8_t noise[]{0x55, 0xAA, 0x00, 0xFF, 0x13, 0xF1, 0x01, 0x7E};
        std::uint8_t bytes[VSIM_MAX_FRAME];
        const int count = std::clamp(fired.Param(VSIM_FAULT_GARBAGE, 3), 1, VSIM_MAX_FRAME);
        for (int i = 0; i < count; ++i)
            bytes[i] = noise[static_cast<std::size_t>(i) % sizeof(noise)];
        tEnd = Deliver(device, tEnd, device.nBaud, bytes, count, VSIM_DIR_NOISE);
    }
    device.tLineFree = tEnd;
    if (bAnswer)
        SendAnswer(device, answer, fired, tEnd);
}

void CSimWorld::SendAnswer(CSimDevice& device, CSimAnswer& answer, const CSimFired& fired, std::int64_t tAfter)
{
    const int fullLength = answer.nLength;
    int sendLength = fullLength;
    const CSimFaultSpec* error = fired.Get(VSIM_FAULT_TARGET_ERROR);
    if (error == nullptr)
        error = fired.Get(VSIM_FAULT_TARGET_ERROR_LIB);
    if (error != nullptr) { // FF code, or FF code library
        const bool bLib = error->fault.kind == VSIM_FAULT_TARGET_ERROR_LIB;
        answer.by[2] = bLib ? 4 : 3;
        answer.by[3] = 0xFF;
        answer.by[4] = static_cast<std::uint8_t>(error->fault.param != 0 ? error->fault.param : 0x07);
        answer.by[5] = static_cast<std::uint8_t>(error->fault.param2 != 0 ? error->fault.param2 : 0x01);
        sendLength = 3 + answer.by[2];
        std::uint8_t sum = 0;
        for (int i = 0; i < sendLength - 1; ++i)
            sum = static_cast<std::uint8_t>(sum + answer.by[static_cast<std::size_t>(i)]);
        answer.by[static_cast<std::size_t>(sendLength - 1)] = sum;
    }
    if (fired.Has(VSIM_FAULT_BAD_CHECKSUM))
        ++answer.by[static_cast<std::size_t>(sendLength - 1)];
    if (fired.Has(VSIM_FAULT_BAD_LENGTH))
        answer.by[2] = static_cast<std::uint8_t>(answer.by[2] + fired.Param(VSIM_FAULT_BAD_LENGTH, 1));
    if (fired.Has(VSIM_FAULT_SHORT_ANSWER))
        sendLength = std::clamp(fired.Param(VSIM_FAULT_SHORT_ANSWER, sendLength - 2), 0, sendLength);
    const int lateMs = fired.Has(VSIM_FAULT_LATE_ANSWER) ? fired.Param(VSIM_FAULT_LATE_ANSWER, 150) : 0;
    const std::int64_t tAnswer = tAfter + std::int64_t{lateMs} * 1000000;
    CSimFitting& fitting = *device.fitting;
    const int baud = fitting.Baud();
    if (sendLength > 0)
        device.tLineFree = Deliver(device, tAnswer, baud, answer.by.data(), sendLength, VSIM_DIR_FROM_FITTING);
    // The fitting believes it sent everything: what the request ordered happens now.
    fitting.AnswerSent(ByteEnd(tAnswer, fullLength - 1, baud));
}

void CSimWorld::ExchangeFitting(CSimDevice& device, const std::string& strProfile, const std::string& strSerial)
{
    const CSimProfile* profile = strProfile.empty() && device.fitting ? &device.fitting->Profile()
                                                                       : FindSimProfile(strProfile);
    if (profile == nullptr)
        return;
    std::uint8_t serial[6];
    if (!ParseSimSerial(strSerial, serial)) {
        if (device.fitting != nullptr) {
            device.fitting->GetSerial(serial);
            NextSerial(serial);
        } else {
            DefaultSimSerial(*profile, serial);
        }
    }
    device.fitting = std::make_unique<CSimFitting>(*profile, serial);
    device.strFittingKey.clear();
}

void CSimWorld::Record(const CSimDevice& device, std::int64_t tNs, std::int64_t nLineNs, int nDirection, int nBaud,
                       const std::uint8_t* pBytes, int nLength)
{
    if (m_trace.size() >= kTraceLimit) { // keep the newer half
        const std::size_t keep = m_trace.size() / 2;
        const std::size_t first = m_trace[m_trace.size() - keep].nOffset;
        m_trace.erase(m_trace.begin(), m_trace.end() - static_cast<std::ptrdiff_t>(keep));
        m_traceBytes.erase(m_traceBytes.begin(), m_traceBytes.begin() + static_cast<std::ptrdiff_t>(first));
        for (CSimTraceEntry& entry : m_trace)
            entry.nOffset -= first;
    }
    const int kept = std::min(nLength, VSIM_MAX_FRAME);
    m_trace.push_back({tNs, nLineNs, IndexOf(device), nDirection, nBaud, nLength, m_traceBytes.size()});
    m_traceBytes.insert(m_traceBytes.end(), pBytes, pBytes + kept);
    m_nWireNs += static_cast<std::uint64_t>(nLineNs);
    if (m_pTraceFile == nullptr)
        return;
    static const char* const kDirection[]{"TX", "RX", "NOISE"};
    std::fprintf(m_pTraceFile, "%.3f %d %s %d %.3f", static_cast<double>(tNs) / 1e6, IndexOf(device),
                 kDirection[nDirection], nBaud, static_cast<double>(nLineNs) / 1e6);
    for (int i = 0; i < kept; ++i)
        std::fprintf(m_pTraceFile, " %02X", pBytes[i]);
    std::fputc('\n', m_pTraceFile);
    std::fflush(m_pTraceFile);
}

// ---------------------------------------------------------------- scenarios

bool CSimWorld::SetUpFitting(CSimDevice& device, const CSimFittingSpec& spec, bool bKeepState)
{
    const std::string key = FittingKey(spec);
    if (spec.strProfile.empty()) {
        device.fitting.reset();
    } else if (!bKeepState || device.fitting == nullptr || device.strFittingKey != key) {
        const CSimProfile* profile = FindSimProfile(spec.strProfile);
        std::uint8_t serial[6];
        if (!ParseSimSerial(spec.strSerial, serial))
            DefaultSimSerial(*profile, serial);
        device.fitting = std::make_unique<CSimFitting>(*profile, serial);
        CSimFitting& fitting = *device.fitting;
        if (spec.article)
            fitting.SetArticle(*spec.article);
        std::uint8_t bl[2], app[2];
        fitting.SetVersions(spec.layout.value_or(profile->nLayout),
                            ParseSimVersion(spec.strBlVersion, bl) ? bl : nullptr,
                            ParseSimVersion(spec.strAppVersion, app) ? app : nullptr);
        std::vector<std::uint8_t>& eeprom = fitting.Eeprom();
        for (const auto& [address, bytes] : spec.eepromPatches) {
            for (std::size_t i = 0; i < bytes.size() && address + i < eeprom.size(); ++i)
                eeprom[address + i] = bytes[i];
            for (unsigned row = address & ~(kSimEepromRow - 1); row < address + bytes.size() && row < eeprom.size();
                 row += kSimEepromRow)
                RenewSimRowSum(eeprom, row);
        }
        if (!fitting.SetEepromFile(spec.strEepromFile))
            return false;
    }
    device.strFittingKey = key;
    if (device.fitting != nullptr) {
        device.fitting->SetStartupTime(spec.silentMs.value_or(1000), spec.readyMs.value_or(500));
        device.fitting->SetRowCheck(spec.rowCheck.value_or(true));
    }
    return true;
}

int CSimWorld::CheckProfiles(const CSimScenario& scenario)
{
    for (const CSimDeviceSpec& spec : scenario.devices)
        if (!spec.fitting.strProfile.empty() && FindSimProfile(spec.fitting.strProfile) == nullptr)
            return Fail(VSIM_ERR_SYNTAX, "unknown fitting profile \"" + spec.fitting.strProfile + "\"");
    return VSIM_OK;
}

int CSimWorld::Apply(const CSimScenario& scenario, bool bKeepState)
{
    if (CheckProfiles(scenario) != VSIM_OK)
        return VSIM_ERR_SYNTAX;
    if (scenario.timeScale)
        m_clock.SetScale(*scenario.timeScale);
    std::vector<std::shared_ptr<CSimDevice>> devices;
    for (std::size_t i = 0; i < scenario.devices.size(); ++i) {
        const CSimDeviceSpec& spec = scenario.devices[i];
        std::shared_ptr<CSimDevice> device;
        // On a re-read a device stays plugged (its handle open, its fitting's
        // memories as they are) when its serial number, or without one its
        // place, is the same.
        for (const auto& old : bKeepState ? m_devices : std::vector<std::shared_ptr<CSimDevice>>{}) {
            const bool bSame = spec.strSerial.empty() ? i < m_devices.size() && m_devices[i] == old
                                                      : old->strSerial == spec.strSerial;
            if (bSame && old->bAdapter == spec.bAdapter &&
                std::find(devices.begin(), devices.end(), old) == devices.end())
                device = old;
        }
        if (device == nullptr)
            device = MakeDevice(spec.bAdapter, spec.strDescription, spec.strSerial);
        else if (!spec.strDescription.empty())
            device->strDescription = spec.strDescription;
        if (spec.bAdapter && !SetUpFitting(*device, spec.fitting, bKeepState))
            return Fail(VSIM_ERR_FILE, "cannot use the EEPROM file " + spec.fitting.strEepromFile);
        devices.push_back(device);
    }
    for (const auto& old : std::vector<std::shared_ptr<CSimDevice>>(m_devices))
        if (std::find(devices.begin(), devices.end(), old) == devices.end())
            Pull(old);
    m_devices = devices;
    m_faults.clear();
    m_bDriverFaults = false;
    auto arm = [&](const CSimFaultSpec& spec, int nDeviceId) {
        m_faults.push_back({m_nextFaultId++, nDeviceId, spec, 0, 0});
        m_bDriverFaults = m_bDriverFaults || spec.fault.kind == VSIM_FAULT_DRIVER_STATUS;
    };
    for (std::size_t i = 0; i < scenario.devices.size(); ++i)
        for (const CSimFaultSpec& fault : scenario.devices[i].faults)
            arm(fault, m_devices[i]->nId);
    for (const CSimFaultSpec& fault : scenario.faults)
        arm(fault, -1);
    m_cv.notify_all();
    return VSIM_OK;
}

int CSimWorld::WatchScenarioFile()
{
    if (m_strScenarioPath.empty())
        return VSIM_OK;
    std::error_code error;
    const auto written = std::filesystem::last_write_time(m_strScenarioPath, error);
    std::ifstream file;
    if (!error) {
        // A rewrite within one tick of the file system's clock keeps the time
        // stamp: while the file is that young, its text decides.
        const bool bSettled = std::filesystem::file_time_type::clock::now() - written > kScenarioTick;
        if (written == m_scenarioWritten && bSettled)
            return VSIM_OK;
        file.open(m_strScenarioPath, std::ios::binary);
    }
    if (!file.is_open())
        return VSIM_OK; // a file being replaced: keep the world until it is back
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    m_scenarioWritten = written;
    if (text == m_scenarioText) // touched, not changed: faults stay armed as they are
        return VSIM_OK;
    m_scenarioText = text;
    CSimScenario scenario;
    std::string why;
    const int result = ParseSimScenario(text, scenario, why) ? Apply(scenario, true)
                                                             : Fail(VSIM_ERR_SYNTAX, m_strScenarioPath + ": " + why);
    if (result != VSIM_OK)
        std::fprintf(stderr, "velmorsim: %s\n", SimLastError());
    return result;
}

