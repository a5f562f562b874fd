// The VSim_* control functions of velmorsim_control.h.
#include "simulator/SimWorld.h"

namespace {
CSimWorld& World() { return CSimWorld::Instance(); }
} // namespace

extern "C" {

VSIM_API int VSim_Reset(const char* s) { return World().Reset(s); }
VSIM_API int VSim_LoadScenarioFile(const char* p) { return World().LoadScenarioFile(p); }
VSIM_API const char* VSim_GetLastError(void) { return SimLastError(); }
VSIM_API void VSim_SetTimeScale(double d) { World().SetTimeScale(d); }
VSIM_API double VSim_GetTimeScale(void) { return World().GetTimeScale(); }
VSIM_API unsigned long long VSim_GetTimeNs(void) { return static_cast<unsigned long long>(World().NowNs()); }
VSIM_API void VSim_AdvanceTime(unsigned ms) { World().AdvanceTime(ms); }
VSIM_API int VSim_GetDeviceCount(void) { return World().DeviceCount(); }
VSIM_API int VSim_AddAdapter(int at, const char* d, const char* s) { return World().AddDevice(true, at, d, s); }
VSIM_API int VSim_AddOtherDevice(int at, const char* d, const char* s) { return World().AddDevice(false, at, d, s); }
VSIM_API int VSim_RemoveDevice(int n) { return World().RemoveDevice(n); }
VSIM_API int VSim_IsDeviceOpen(int n) { return World().IsDeviceOpen(n); }
VSIM_API int VSim_GetAdapterBaudRate(int n) { return World().AdapterBaudRate(n); }
VSIM_API int VSim_PlugFitting(int n, const char* p) { return World().PlugFitting(n, p); }
VSIM_API int VSim_UnplugFitting(int n) { return World().UnplugFitting(n); }
VSIM_API int VSim_ExchangeFitting(int n, const char* p, const char* s) { return World().ExchangeFitting(n, p, s); }
VSIM_API int VSim_SetSerialNumber(int n, const char* s) { return World().SetSerialNumber(n, s); }
VSIM_API int VSim_SetArticleNumber(int n, unsigned long a) { return World().SetArticleNumber(n, a); }
VSIM_API int VSim_SetVersions(int n, int l, const char* b, const char* a) { return World().SetVersions(n, l, b, a); }
VSIM_API int VSim_SetStartupTime(int n, unsigned s, unsigned r) { return World().SetStartupTime(n, s, r); }
VSIM_API int VSim_SetRowCheck(int n, int on) { return World().SetRowCheck(n, on != 0); }
VSIM_API int VSim_RestartFitting(int n) { return World().RestartFitting(n); }
VSIM_API int VSim_GetFittingState(int n, VSimFittingState* s) { return World().GetFittingState(n, s); }
VSIM_API int VSim_ReadEeprom(int n, unsigned a, unsigned char* d, unsigned l)
{
    return World().AccessEeprom(n, a, d, l, false);
}
VSIM_API int VSim_WriteEeprom(int n, unsigned a, const unsigned char* d, unsigned l)
{
    return World().AccessEeprom(n, a, const_cast<unsigned char*>(d), l, true);
}
VSIM_API int VSim_FixRowSums(int n) { return World().FixRowSums(n); }
VSIM_API int VSim_ReadFlash(int n, unsigned a, unsigned char* d, unsigned l)
{
    return World().AccessFlash(n, a, d, l, false);
}
VSIM_API int VSim_WriteFlash(int n, unsigned a, const unsigned char* d, unsigned l)
{
    return World().AccessFlash(n, a, const_cast<unsigned char*>(d), l, true);
}
VSIM_API int VSim_SetEepromFile(int n, const char* p) { return World().SetEepromFile(n, p); }
VSIM_API int VSim_AddFault(int n, const VSimFault* f) { return World().AddFault(n, f); }
VSIM_API int VSim_GetFaultHits(int id) { return World().FaultHits(id); }
VSIM_API void VSim_ClearFaults(void) { World().ClearFaults(); }
VSIM_API int VSim_GetTraceCount(void) { return World().TraceCount(); }
VSIM_API int VSim_GetTraceFrame(int i, VSimFrame* f) { return World().TraceFrame(i, f); }
VSIM_API void VSim_ClearTrace(void) { World().ClearTrace(); }
VSIM_API unsigned long long VSim_GetWireTimeNs(void) { return World().WireTimeNs(); }

} // extern "C"
