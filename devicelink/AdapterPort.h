#pragma once
// How the device link reaches a bus adapter: one small port with two
// implementations, the vendor's D2XX library and (not on Windows) the
// kernel's serial device. Both report the same situations (no device,
// adapter pulled, busy, time-out) with the same result codes and texts, the
// D2XX status texts, so that nothing above the port can tell them apart.

#include "devicelink/D2XXApi.h"

#include <memory>
#include <string>

// One USB serial device as a port lists it.
struct CAdapterDevice {
    std::string strDescription;
    std::string strSerialNumber;
    std::string strPath;             // the serial device; empty for D2XX
    std::string strLatencyTimerPath; // the driver's latency setting; empty where it has none
};

class IAdapterPort {
public:
    virtual ~IAdapterPort() = default;

    // "d2xx" or "serial", as --port names it.
    virtual const char* GetName() const = 0;
    virtual int Load(std::string& strError) = 0;
    virtual int Unload(std::string& strError) = 0;
    // A fresh list of the attached devices; device numbers refer to it until
    // the next call.
    virtual int CreateDeviceList(DWORD& dwCount, std::string& strError) = 0;
    virtual int GetDeviceDetail(DWORD dwDevice, CAdapterDevice& device, std::string& strError) = 0;
    // Opens a device of the list at the speed in 8N1 without flow control,
    // with read and write time-outs of 100 ms, both buffers purged. A port
    // that fails half way is closed again. An open port is closed first.
    virtual int Open(int nDevice, long nBaudrate, std::string& strError) = 0;
    virtual bool IsOpen() const = 0;
    // A port whose close fails stays open.
    virtual int Close(std::string& strError) = 0;
    // Closes the port whatever the close answers; it counts as closed after.
    virtual void Release() = 0;
    virtual int SetBaudRate(long nBaudrate, std::string& strError) = 0;
    // Empties the receive and transmit buffers.
    virtual int Purge(std::string& strError) = 0;
    virtual int Write(const BYTE* pData, DWORD dwCount, DWORD& dwWritten, std::string& strError) = 0;
    // Returns when dwCount bytes arrived or after the read time-out with fewer
    // (possibly none).
    virtual int Read(BYTE* pData, DWORD dwCount, DWORD& dwRead, std::string& strError) = 0;
};

// What --port and the settings store choose.
enum class EAdapterPortKind { Auto, D2xx, Serial };

struct CAdapterPortChoice {
    EAdapterPortKind eKind = EAdapterPortKind::Auto;
    std::string strDevicePath; // --device: this serial device is the one adapter
};

const char* AdapterPortKindName(EAdapterPortKind eKind);
// "auto", "d2xx" or "serial"; false for anything else.
bool ParseAdapterPortKind(const std::string& strName, EAdapterPortKind& eKind);
// Whether this system has the serial device port.
bool HasSerialAdapterPort();

// The choice every link of this process follows (default auto).
void SetAdapterPortChoice(const CAdapterPortChoice& choice);
CAdapterPortChoice GetAdapterPortChoice();

// The port the choice names. Auto takes the kernel's serial driver when it
// holds a bus adapter (or a device is named) and D2XX otherwise; D2XX also
// when FLUXA_D2XX_LIBRARY names a library, which is then what is meant.
EAdapterPortKind ResolveAdapterPortKind(const CAdapterPortChoice& choice);
std::unique_ptr<IAdapterPort> CreateAdapterPort(EAdapterPortKind eResolvedKind, const CAdapterPortChoice& choice);

// A driver status as the D2XX binding reports it: "Call to function (%s)
// failed with the device error code (%d)", -1012.
int ReportDriverStatus(FT_STATUS status, const char* szFunction, std::string& strError);
