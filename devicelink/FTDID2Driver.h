#pragma once
// Run-time binding to the USB chip vendor's D2XX library: loads it, resolves
// its entry points by name and offers one guarded member per entry point.
// A guarded member serialises the call and turns a missing entry point, an
// exception and a failing status into result codes; nothing escapes it.
//
// The library is "ftd2xx.dll" on Windows and "libftd2xx.so" elsewhere, or the
// file named by the environment variable FLUXA_D2XX_LIBRARY (the simulated
// bus, for example). It is never looked up in the current working directory.
//
// Entry points that a library may lack without failing the load are listed
// in kOptionalEntryPoints (FTDID2Driver.cpp): on Linux the vendor's library
// does not export FT_W32_GetCommMask. Its guarded member then answers -1002.

#include "common/FluxaTypes.h"
#include "devicelink/D2XXApi.h"

#include <mutex>
#include <string>

#if defined(_MSC_VER) && (!defined(_MSVC_TRADITIONAL) || _MSVC_TRADITIONAL)
#error "The guarded members are generated with __VA_OPT__: compile with /Zc:preprocessor"
#endif

// Guarded members of entry points that return a status take the entry
// point's arguments and the error text. The W32 family returns a value
// instead of a status; it is handed out through pResult.
#define FLUXA_D2XX_GUARD_TAIL_FT_STATUS std::string& strError
#define FLUXA_D2XX_GUARD_TAIL_BOOL BOOL* pResult, std::string& strError
#define FLUXA_D2XX_GUARD_TAIL_DWORD DWORD* pResult, std::string& strError
#define FLUXA_D2XX_GUARD_TAIL_FT_HANDLE FT_HANDLE* pResult, std::string& strError
#define FLUXA_D2XX_GUARDED_PARAMS(ret, params) FLUXA_D2XX_PARAMS_AND(params, FLUXA_D2XX_GUARD_TAIL_##ret)

class CFTDID2Driver {
public:
    CFTDID2Driver();
    virtual ~CFTDID2Driver();
    CFTDID2Driver(const CFTDID2Driver&) = delete;
    CFTDID2Driver& operator=(const CFTDID2Driver&) = delete;

    // The library this platform loads: FLUXA_D2XX_LIBRARY when set, else the
    // vendor's file name, found through the system's library search path.
    static std::string DefaultLibraryPath();

    // Frees the library if loaded and forgets every entry point.
    virtual void ReleaseLibrary();
    // Loads the library (once) and resolves the entry points in list order.
    virtual int LoadDriver(const std::string& strLibraryPath, std::string& strError);
    virtual int UnloadDriver(std::string& strError);
    virtual bool IsLoaded();

#define FLUXA_D2XX_GUARDED_MEMBER(ret, name, params, args) \
    virtual int name FLUXA_D2XX_GUARDED_PARAMS(ret, params);
    FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_GUARDED_MEMBER)
#undef FLUXA_D2XX_GUARDED_MEMBER

    virtual int ReportDeviceError(FT_STATUS status, const char* szFunction, std::string& strError);
    virtual int ReportInvalidFunctionPointer(const char* szFunction, std::string& strError);
    virtual int ReportException(const char* szFunction, const char* szSystemMessage, std::string& strError);
    virtual int VerifyDriverLoaded(std::string& strError);
    virtual void ClearEntryPoints();

    virtual void Lock();
    virtual void Unlock();

private:
    template <class Fn, class... Args>
    int CallStatus(const char* szFunction, Fn& pfn, std::string& strError, Args... args);
    template <class R, class Fn, class... Args>
    int CallValue(const char* szFunction, Fn& pfn, R* pResult, std::string& strError, Args... args);

    void* m_hLibrary = nullptr;

#define FLUXA_D2XX_ENTRY_POINTER(ret, name, params, args) name##_Fn m_p##name = nullptr;
    FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_ENTRY_POINTER)
#undef FLUXA_D2XX_ENTRY_POINTER

    std::recursive_mutex m_csDriver;
};
