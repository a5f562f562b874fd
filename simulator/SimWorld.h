#pragma once
// The simulated world behind the exported functions: USB devices, the
// one-wire bus of each adapter with echo and bit timing, the fittings, armed
// faults, the frame trace and the scenario file. One instance, one lock.
#include "simulator/velmorsim_control.h"
// The D2XX prototypes, exported from this library.
#define FLUXA_D2XX_DECLARE_FUNCTIONS
#define FLUXA_D2XX_EXPORT VSIM_API
#include "devicelink/D2XXApi.h"
#include "simulator/SimClock.h"
#include "simulator/SimFitting.h"
#include "simulator/SimScenario.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct CSimRxByte {
    std::int64_t tNs; // arrival at the adapter
    std::uint8_t by;
};

struct CSimDevice {
    int nId = 0;
    bool bAdapter = true;
    std::string strDescription, strSerial;
    DWORD dwLocId = 0;
    bool bRemoved = false;     // pulled: its handle is dead
    std::uintptr_t hOpen = 0;  // handle while open
    // Port settings.
    int nBaud = 9600;
    UCHAR byWordLength = 8, byStopBits = 0, byParity = 0;
    DWORD dwReadTimeoutMs = 0;
    // The bus.
    std::deque<CSimRxByte> rx;
    std::int64_t tLineFree = 0;
    std::unique_ptr<CSimFitting> fitting;
    std::string strFittingKey; // the scenario's fitting settings, to keep its state on a re-read
};

struct CSimArmedFault {
    int nId = 0;
    int nDeviceId = -1; // -1: any
    CSimFaultSpec spec;
    std::uint64_t nSeen = 0;
    int nSkipped = 0;
    int nHits = 0;
};

struct CSimTraceEntry {
    std::int64_t tNs, nLineNs;
    int nDevice, nDirection, nBaud, nLength;
    std::size_t nOffset; // into m_traceBytes
};

// The faults that fire on one frame.
class CSimFired {
public:
    const CSimFaultSpec* Get(int nKind) const;
    bool Has(int nKind) const { return Get(nKind) != nullptr; }
    // The fault's parameter, or nDefault when it is 0.
    int Param(int nKind, int nDefault) const;

private:
    friend class CSimWorld;
    std::vector<const CSimArmedFault*> m_faults;
};

class CSimWorld {
public:
    static CSimWorld& Instance();

    // ---- D2XX ----
    FT_STATUS CreateDeviceInfoList(DWORD* pCount);
    FT_STATUS GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* pNodes, DWORD* pCount);
    FT_STATUS GetDeviceInfoDetail(DWORD dwIndex, DWORD* pFlags, DWORD* pType, DWORD* pId, DWORD* pLocId,
                                  void* pSerial, void* pDescription, FT_HANDLE* pHandle);
    FT_STATUS ListDevices(void* pArg1, void* pArg2, DWORD dwFlags);
    FT_STATUS Open(int nDevice, FT_HANDLE* pHandle);
    FT_STATUS OpenEx(void* pArg, DWORD dwFlags, FT_HANDLE* pHandle);
    FT_STATUS Close(FT_HANDLE h);
    FT_STATUS Read(FT_HANDLE h, void* pBuffer, DWORD dwToRead, DWORD* pReturned);
    FT_STATUS Write(FT_HANDLE h, const void* pBuffer, DWORD dwToWrite, DWORD* pWritten);
    FT_STATUS SetBaudRate(FT_HANDLE h, ULONG ulBaud);
    FT_STATUS SetDataCharacteristics(FT_HANDLE h, UCHAR byWordLength, UCHAR byStopBits, UCHAR byParity);
    FT_STATUS SetTimeouts(FT_HANDLE h, ULONG ulReadMs, ULONG ulWriteMs);
    FT_STATUS Purge(FT_HANDLE h, ULONG ulMask);
    FT_STATUS GetQueueStatus(FT_HANDLE h, DWORD* pRxBytes, const char* szFunction = "FT_GetQueueStatus");
    FT_STATUS GetStatus(FT_HANDLE h, DWORD* pRx, DWORD* pTx, DWORD* pEvents);
    FT_STATUS GetDeviceInfo(FT_HANDLE h, FT_DEVICE* pType, DWORD* pId, char* szSerial, char* szDescription);
    // Any other call on a handle: the handle is checked and nothing else happens.
    FT_STATUS Touch(FT_HANDLE h, const char* szFunction);
    // A failing status armed for this call without a handle, or FT_OK.
    FT_STATUS Injected(const char* szFunction);

    // ---- Control ----
    int Reset(const char* szScenario);
    int LoadScenarioFile(const char* szPath);
    void SetTimeScale(double dScale);
    double GetTimeScale();
    std::int64_t NowNs();
    void AdvanceTime(unsigned nMs);
    int DeviceCount();
    int AddDevice(bool bAdapter, int nPosition, const char* szDescription, const char* szSerial);
    int RemoveDevice(int nDevice);
    int IsDeviceOpen(int nDevice);
    int AdapterBaudRate(int nDevice);
    int PlugFitting(int nDevice, const char* szProfile);
    int UnplugFitting(int nDevice);
    int ExchangeFitting(int nDevice, const char* szProfile, const char* szSerial);
    int SetSerialNumber(int nDevice, const char* szSerial);
    int SetArticleNumber(int nDevice, unsigned long ulArticle);
    int SetVersions(int nDevice, int nLayout, const char* szBl, const char* szApp);
    int SetStartupTime(int nDevice, unsigned nSilentMs, unsigned nReadyMs);
    int SetRowCheck(int nDevice, bool bOn);
    int RestartFitting(int nDevice);
    int GetFittingState(int nDevice, VSimFittingState* pState);
    int AccessEeprom(int nDevice, unsigned nAddress, unsigned char* pData, unsigned nLength, bool bWrite);
    int FixRowSums(int nDevice);
    int AccessFlash(int nDevice, unsigned nAddress, unsigned char* pData, unsigned nLength, bool bWrite);
    int SetEepromFile(int nDevice, const char* szPath);
    int AddFault(int nDevice, const VSimFault* pFault);
    int FaultHits(int nFaultId);
    void ClearFaults();
    int TraceCount();
    int TraceFrame(int nIndex, VSimFrame* pFrame);
    void ClearTrace();
    std::uint64_t WireTimeNs();

private:
    CSimWorld();
    using Lock = std::unique_lock<std::mutex>;

    // Handles and devices; the caller holds the lock.
    FT_STATUS Resolve(FT_HANDLE h, const char* szFunction, std::shared_ptr<CSimDevice>& device);
    CSimDevice* DeviceAt(int nDevice);
    int IndexOf(const CSimDevice& device) const;
    std::shared_ptr<CSimDevice> MakeDevice(bool bAdapter, const std::string& strDescription,
                                           const std::string& strSerial);
    FT_HANDLE OpenDevice(const std::shared_ptr<CSimDevice>& device);
    void Pull(const std::shared_ptr<CSimDevice>& device);
    FT_STATUS DriverStatus(const char* szFunction, int nDeviceId);
    // Runs f on the fitting of a device under the lock; VSIM_ERR_* without one.
    template <class F>
    int WithFitting(int nDevice, F f)
    {
        Lock lock(m_mutex);
        CSimDevice* device = DeviceAt(nDevice);
        if (device == nullptr)
            return VSIM_ERR_ARGUMENT;
        if (device->fitting == nullptr)
            return Fail(VSIM_ERR_STATE, "no fitting on device " + std::to_string(nDevice));
        return f(*device->fitting);
    }

    // The bus.
    void Transmit(CSimDevice& device, const std::uint8_t* pBytes, int nLength);
    std::int64_t Deliver(CSimDevice& device, std::int64_t tStart, int nBaud, const std::uint8_t* pBytes,
                         int nLength, int nDirection);
    void ArmedFor(CSimDevice& device, const std::uint8_t* pBytes, int nLength, CSimFired& fired);
    // The fitting hears the frame; true with its answer when it answers.
    bool FittingHears(CSimDevice& device, const std::uint8_t* pBytes, int nLength, std::int64_t tStart,
                      const CSimFired& fired, CSimAnswer& answer);
    void SendAnswer(CSimDevice& device, CSimAnswer& answer, const CSimFired& fired, std::int64_t tAfter);
    void ExchangeFitting(CSimDevice& device, const std::string& strProfile, const std::string& strSerial);
    void Record(const CSimDevice& device, std::int64_t tNs, std::int64_t nLineNs, int nDirection, int nBaud,
                const std::uint8_t* pBytes, int nLength);

    // Scenarios.
    int CheckProfiles(const CSimScenario& scenario);
    int Apply(const CSimScenario& scenario, bool bKeepState);
    bool SetUpFitting(CSimDevice& device, const CSimFittingSpec& spec, bool bKeepState);
    // Re-reads the scenario file when it changed: VSIM_OK, or why the changed file was refused.
    int WatchScenarioFile();
    int Fail(int nResult, const std::string& strWhy);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    CSimClock m_clock;
    std::vector<std::shared_ptr<CSimDevice>> m_devices;
    std::vector<std::shared_ptr<CSimDevice>> m_listed; // as FT_CreateDeviceInfoList saw them
    // Fittings of pulled adapters, by the adapter's serial number: plugging
    // that adapter in again finds its fitting as it was left.
    struct CSimLeftFitting {
        std::unique_ptr<CSimFitting> fitting;
        std::string strKey;
    };
    std::unordered_map<std::string, CSimLeftFitting> m_leftFittings;
    std::unordered_map<std::uintptr_t, std::shared_ptr<CSimDevice>> m_handles;
    std::uintptr_t m_nextHandle = 0x5100;
    int m_nextDeviceId = 1;
    int m_nextSerial = 1;

    std::vector<CSimArmedFault> m_faults;
    int m_nextFaultId = 1;
    bool m_bDriverFaults = false; // fast path: no failing status armed

    std::vector<CSimTraceEntry> m_trace;
    std::vector<std::uint8_t> m_traceBytes;
    std::uint64_t m_nWireNs = 0;
    std::FILE* m_pTraceFile = nullptr;

    std::string m_strScenarioPath;
    std::filesystem::file_time_type m_scenarioWritten{};
    std::optional<std::string> m_scenarioText; // as last read; none before the first read
};

// The reason of the last failed control call on this thread.
const char* SimLastError();
