#include "devicelink/FTDID2Driver.h"

#include "devicelink/AdapterPort.h"

#include "common/FilePaths.h"
#include "common/ResultCodes.h"
#include "common/SharedLibrary.h"
#include "common/TextFormat.h"

#include <cstring>
#include <exception>

namespace {

// Entry points a library may lack: the vendor's Linux library does not
// export FT_W32_GetCommMask, which the tool never calls. On Windows every
// entry point is required.
#ifdef _WIN32
constexpr const char* kOptionalEntryPoints[] = {nullptr};
#else
constexpr const char* kOptionalEntryPoints[] = {"FT_W32_GetCommMask"};
#endif

bool IsOptionalEntryPoint(const char* szName)
{
    for (const char* szOptional : kOptionalEntryPoints) {
        if (szOptional != nullptr && std::strcmp(szOptional, szName) == 0)
            return true;
    }
    return false;
}

} // namespace

CFTDID2Driver::CFTDID2Driver() = default;

CFTDID2Driver::~CFTDID2Driver()
{
    ReleaseLibrary();
}

std::string CFTDID2Driver::DefaultLibraryPath()
{
    const std::string strOverride = EnvironmentText("FLUXA_D2XX_LIBRARY");
    if (!strOverride.empty())
        return strOverride;
#ifdef _WIN32
    return "ftd2xx.dll";
#else
    return "libftd2xx.so";
#endif
}

void CFTDID2Driver::Lock()
{
    m_csDriver.lock();
}

void CFTDID2Driver::Unlock()
{
    m_csDriver.unlock();
}

bool CFTDID2Driver::IsLoaded()
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
    return m_hLibrary != nullptr;
}

void CFTDID2Driver::ClearEntryPoints()
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
#define FLUXA_D2XX_CLEAR(ret, name, params, args) m_p##name = nullptr;
    FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_CLEAR)
#undef FLUXA_D2XX_CLEAR
}

void CFTDID2Driver::ReleaseLibrary()
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
    if (m_hLibrary != nullptr)
        CloseSharedLibrary(m_hLibrary);
    m_hLibrary = nullptr;
    ClearEntryPoints();
}

int CFTDID2Driver::LoadDriver(const std::string& strLibraryPath, std::string& strError)
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
    if (m_hLibrary == nullptr) {
        std::string strWhy; // the message names the path only, as it always has
        m_hLibrary = OpenSharedLibrary(strLibraryPath, strWhy);
        if (m_hLibrary == nullptr) {
            strError = FormatText("Can't load the FTDI device driver DLL (%s)", strLibraryPath.c_str());
            return Result::InvalidArgument;
        }
    }
    // Resolved again on every load: a failed load may have left gaps.
#define FLUXA_D2XX_RESOLVE(ret, name, params, args)                                                        \
    m_p##name = reinterpret_cast<name##_Fn>(SharedLibrarySymbol(m_hLibrary, #name));                             \
    if (m_p##name == nullptr && !IsOptionalEntryPoint(#name)) {                                            \
        strError = FormatText("Can't find the DLL function (%s) in the given DLL (%s)", #name, strLibraryPath.c_str()); \
        return Result::MissingPrecondition;                                                                \
    }
    FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_RESOLVE)
#undef FLUXA_D2XX_RESOLVE
    return Result::Ok;
}

int CFTDID2Driver::UnloadDriver(std::string& strError)
{
    strError.clear();
    ReleaseLibrary();
    return Result::Ok;
}

int CFTDID2Driver::VerifyDriverLoaded(std::string& strError)
{
    if (IsLoaded())
        return Result::Ok;
    strError = "The FTDI driver was not loaded yet. Load the driver first...";
    return Result::MissingPrecondition;
}

int CFTDID2Driver::ReportDeviceError(FT_STATUS status, const char* szFunction, std::string& strError)
{
    return ReportDriverStatus(status, szFunction, strError);
}

int CFTDID2Driver::ReportInvalidFunctionPointer(const char* szFunction, std::string& strError)
{
    strError = FormatText("The function pointer (%s) is invalid", szFunction);
    return Result::MissingPrecondition;
}

int CFTDID2Driver::ReportException(const char* szFunction, const char* szSystemMessage, std::string& strError)
{
    strError = FormatText("Call to function (%s) raised a ... exception", szFunction);
    if (szSystemMessage != nullptr)
        AppendSystemMessage(strError, szSystemMessage);
    return Result::CallException;
}

// The entry point is read under the lock, so an unload on another thread
// cannot pull it away between the check and the call.
template <class Fn, class... Args>
int CFTDID2Driver::CallStatus(const char* szFunction, Fn& pfn, std::string& strError, Args... args)
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
    if (pfn == nullptr)
        return ReportInvalidFunctionPointer(szFunction, strError);
    FT_STATUS status = FT_OK;
    try {
        status = pfn(args...);
    } catch (const std::exception& e) {
        return ReportException(szFunction, e.what(), strError);
    } catch (...) {
        return ReportException(szFunction, nullptr, strError);
    }
    if (status != FT_OK)
        return ReportDeviceError(status, szFunction, strError);
    return Result::Ok;
}

template <class R, class Fn, class... Args>
int CFTDID2Driver::CallValue(const char* szFunction, Fn& pfn, R* pResult, std::string& strError, Args... args)
{
    std::lock_guard<std::recursive_mutex> lock(m_csDriver);
    if (pfn == nullptr)
        return ReportInvalidFunctionPointer(szFunction, strError);
    try {
        const R value = pfn(args...);
        if (pResult != nullptr)
            *pResult = value;
    } catch (const std::exception& e) {
        return ReportException(szFunction, e.what(), strError);
    } catch (...) {
        return ReportException(szFunction, nullptr, strError);
    }
    return Result::Ok;
}

#define FLUXA_D2XX_ARGS_AFTER(...) __VA_OPT__(, ) __VA_ARGS__
#define FLUXA_D2XX_CALL_FT_STATUS(name, args) CallStatus(#name, m_p##name, strError FLUXA_D2XX_ARGS_AFTER args)
#define FLUXA_D2XX_CALL_BOOL(name, args) CallValue(#name, m_p##name, pResult, strError FLUXA_D2XX_ARGS_AFTER args)
#define FLUXA_D2XX_CALL_DWORD FLUXA_D2XX_CALL_BOOL
#define FLUXA_D2XX_CALL_FT_HANDLE FLUXA_D2XX_CALL_BOOL

#define FLUXA_D2XX_GUARDED_DEFINITION(ret, name, params, args)   \
    int CFTDID2Driver::name FLUXA_D2XX_GUARDED_PARAMS(ret, params) \
    {                                                            \
        return FLUXA_D2XX_CALL_##ret(name, args);                \
    }
FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_GUARDED_DEFINITION)
#undef FLUXA_D2XX_GUARDED_DEFINITION
