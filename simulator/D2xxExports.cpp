// The 85 D2XX entry points, generated from the shared list so that their
// signatures cannot drift from what the tool's binding resolves. The eleven
// the tool calls (and a few more) act on the simulated world; the others
// answer as the vendor's library does where a feature is missing.
#include "simulator/SimWorld.h"

#include <type_traits>

namespace sim {
namespace {

CSimWorld& World() { return CSimWorld::Instance(); }

// Not simulated: the adapter chip's own EEPROM, event masks, port resets.
struct CNotSupported {
    template <class... A>
    FT_STATUS operator()(A&&...) const { return FT_NOT_SUPPORTED; }
};
// The Windows-style file interface is not offered.
struct CW32Refused {
    template <class... A>
    BOOL operator()(A&&...) const { return FALSE; }
};
// A setting without effect on the simulated line: only the handle counts.
struct CHandleOnly {
    const char* szName;
    template <class... A>
    FT_STATUS operator()(FT_HANDLE h, A&&...) const { return World().Touch(h, szName); }
};
// A getter of a constant.
template <class T, T value>
struct CConstant {
    const char* szName;
    FT_STATUS operator()(FT_HANDLE h, T* p) const
    {
        FT_STATUS status = World().Touch(h, szName);
        if (status == FT_OK && p == nullptr)
            return FT_INVALID_PARAMETER;
        if (status == FT_OK)
            *p = value;
        return status;
    }
};

constexpr DWORD kLibraryVersion = 0x00010427;

} // namespace

FT_STATUS FT_Open(int n, FT_HANDLE* p) { return World().Open(n, p); }
FT_STATUS FT_OpenEx(void* a, DWORD f, FT_HANDLE* p) { return World().OpenEx(a, f, p); }
FT_STATUS FT_ListDevices(void* a, void* b, DWORD f) { return World().ListDevices(a, b, f); }
FT_STATUS FT_Close(FT_HANDLE h) { return World().Close(h); }
FT_STATUS FT_Read(FT_HANDLE h, void* b, DWORD n, DWORD* r) { return World().Read(h, b, n, r); }
FT_STATUS FT_Write(FT_HANDLE h, void* b, DWORD n, DWORD* w) { return World().Write(h, b, n, w); }
FT_STATUS FT_SetBaudRate(FT_HANDLE h, ULONG baud) { return World().SetBaudRate(h, baud); }
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, UCHAR w, UCHAR s, UCHAR p)
{
    return World().SetDataCharacteristics(h, w, s, p);
}
FT_STATUS FT_Purge(FT_HANDLE h, ULONG mask) { return World().Purge(h, mask); }
FT_STATUS FT_SetTimeouts(FT_HANDLE h, ULONG r, ULONG w) { return World().SetTimeouts(h, r, w); }
FT_STATUS FT_GetQueueStatus(FT_HANDLE h, DWORD* n) { return World().GetQueueStatus(h, n); }
FT_STATUS FT_GetQueueStatusEx(FT_HANDLE h, DWORD* n) { return World().GetQueueStatus(h, n, "FT_GetQueueStatusEx"); }
FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* r, DWORD* t, DWORD* e) { return World().GetStatus(h, r, t, e); }
FT_STATUS FT_GetDeviceInfo(FT_HANDLE h, FT_DEVICE* t, DWORD* id, char* s, char* d, void*)
{
    return World().GetDeviceInfo(h, t, id, s, d);
}
FT_STATUS FT_CreateDeviceInfoList(DWORD* n) { return World().CreateDeviceInfoList(n); }
FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* l, DWORD* n) { return World().GetDeviceInfoList(l, n); }
FT_STATUS FT_GetDeviceInfoDetail(DWORD i, DWORD* f, DWORD* t, DWORD* id, DWORD* loc, void* s, void* d, FT_HANDLE* h)
{
    return World().GetDeviceInfoDetail(i, f, t, id, loc, s, d, h);
}
FT_STATUS FT_GetLibraryVersion(DWORD* v)
{
    FT_STATUS status = World().Injected("FT_GetLibraryVersion");
    if (status == FT_OK && v == nullptr)
        return FT_INVALID_PARAMETER;
    if (status == FT_OK)
        *v = kLibraryVersion;
    return status;
}
FT_HANDLE FT_W32_CreateFile(const char*, DWORD, DWORD, void*, DWORD, DWORD, void*)
{
    return reinterpret_cast<FT_HANDLE>(static_cast<std::intptr_t>(-1)); // INVALID_HANDLE_VALUE
}
DWORD FT_W32_GetLastError(FT_HANDLE) { return 50; } // ERROR_NOT_SUPPORTED

constexpr CHandleOnly FT_SetFlowControl{"FT_SetFlowControl"}, FT_ResetDevice{"FT_ResetDevice"},
    FT_SetDtr{"FT_SetDtr"}, FT_ClrDtr{"FT_ClrDtr"}, FT_SetRts{"FT_SetRts"}, FT_ClrRts{"FT_ClrRts"},
    FT_SetChars{"FT_SetChars"}, FT_SetBreakOn{"FT_SetBreakOn"}, FT_SetBreakOff{"FT_SetBreakOff"},
    FT_SetEventNotification{"FT_SetEventNotification"}, FT_SetLatencyTimer{"FT_SetLatencyTimer"},
    FT_SetBitMode{"FT_SetBitMode"}, FT_SetUSBParameters{"FT_SetUSBParameters"},
    FT_SetDeadmanTimeout{"FT_SetDeadmanTimeout"}, FT_StopInTask{"FT_StopInTask"},
    FT_RestartInTask{"FT_RestartInTask"}, FT_CyclePort{"FT_CyclePort"};
constexpr CConstant<ULONG, 0x30> FT_GetModemStatus{"FT_GetModemStatus"}; // CTS and DSR on
constexpr CConstant<UCHAR, 16> FT_GetLatencyTimer{"FT_GetLatencyTimer"};
constexpr CConstant<UCHAR, 0> FT_GetBitMode{"FT_GetBitMode"};
constexpr CConstant<DWORD, 0> FT_GetEventStatus{"FT_GetEventStatus"};
constexpr CConstant<DWORD, kLibraryVersion> FT_GetDriverVersion{"FT_GetDriverVersion"};
constexpr CNotSupported FT_IoCtl, FT_SetDivisor, FT_SetWaitMask, FT_WaitOnMask, FT_ReadEE, FT_WriteEE, FT_EraseEE,
    FT_EE_Program, FT_EE_ProgramEx, FT_EE_Read, FT_EE_ReadEx, FT_EE_UASize, FT_EE_UAWrite, FT_EE_UARead,
    FT_EEPROM_Read, FT_EEPROM_Program, FT_SetResetPipeRetryCount, FT_ResetPort, FT_Rescan, FT_Reload,
    FT_GetComPortNumber, FT_EE_ReadConfig, FT_EE_WriteConfig, FT_EE_ReadECC;
constexpr CW32Refused FT_W32_CloseHandle, FT_W32_ReadFile, FT_W32_WriteFile, FT_W32_GetOverlappedResult,
    FT_W32_CancelIo, FT_W32_ClearCommBreak, FT_W32_ClearCommError, FT_W32_EscapeCommFunction,
    FT_W32_GetCommModemStatus, FT_W32_GetCommState, FT_W32_GetCommTimeouts, FT_W32_PurgeComm, FT_W32_SetCommBreak,
    FT_W32_SetCommMask, FT_W32_GetCommMask, FT_W32_SetCommState, FT_W32_SetCommTimeouts, FT_W32_SetupComm,
    FT_W32_WaitCommEvent;

// What a call answers when something inside it threw: never let it cross the C boundary.
template <class R>
R Broken()
{
    if constexpr (std::is_pointer_v<R>)
        return nullptr;
    else if constexpr (std::is_same_v<R, BOOL>)
        return FALSE;
    else
        return FT_OTHER_ERROR;
}

} // namespace sim

#define SIM_DEFINE_ENTRY_POINT(ret, name, params, args)                                                           \
    ret FLUXA_WINAPI name params                                                                                  \
    {                                                                                                             \
        try {                                                                                                     \
            return sim::name args;                                                                                \
        } catch (...) {                                                                                           \
            return sim::Broken<ret>();                                                                            \
        }                                                                                                         \
    }
extern "C" {
FLUXA_D2XX_ENTRY_POINTS(SIM_DEFINE_ENTRY_POINT)
}
