#pragma once
// Loads libvelmorsim at run time and resolves its VSim_* control functions
// (velmorsim_control.h), for tests and benchmarks that drive the simulated
// bus beside the tool:
//
//   CSimulatorLibrary sim;
//   std::string strError;
//   if (!sim.Load(FLUXA_VELMORSIM_PATH, strError)) ...
//   sim.api.Reset(nullptr);
//
// The library stays loaded for the loader's lifetime.
#include "simulator/velmorsim_control.h"

#include "common/FilePaths.h"
#include "common/SharedLibrary.h"

#include <cstdlib>

#include <string>
#include <type_traits>

// The control functions as X(return type, name without "VSim_", (parameters)).
#define FLUXA_VSIM_FUNCTIONS(X)                                                                   \
    X(int, Reset, (const char*))                                                                  \
    X(int, LoadScenarioFile, (const char*))                                                       \
    X(const char*, GetLastError, (void))                                                          \
    X(void, SetTimeScale, (double))                                                               \
    X(double, GetTimeScale, (void))                                                               \
    X(unsigned long long, GetTimeNs, (void))                                                      \
    X(void, AdvanceTime, (unsigned))                                                              \
    X(int, GetDeviceCount, (void))                                                                \
    X(int, AddAdapter, (int, const char*, const char*))                                           \
    X(int, AddOtherDevice, (int, const char*, const char*))                                       \
    X(int, RemoveDevice, (int))                                                                   \
    X(int, IsDeviceOpen, (int))                                                                   \
    X(int, GetAdapterBaudRate, (int))                                                             \
    X(int, PlugFitting, (int, const char*))                                                       \
    X(int, UnplugFitting, (int))                                                                  \
    X(int, ExchangeFitting, (int, const char*, const char*))                                      \
    X(int, SetSerialNumber, (int, const char*))                                                   \
    X(int, SetArticleNumber, (int, unsigned long))                                                \
    X(int, SetVersions, (int, int, const char*, const char*))                                     \
    X(int, SetStartupTime, (int, unsigned, unsigned))                                             \
    X(int, SetRowCheck, (int, int))                                                               \
    X(int, RestartFitting, (int))                                                                 \
    X(int, GetFittingState, (int, VSimFittingState*))                                             \
    X(int, ReadEeprom, (int, unsigned, unsigned char*, unsigned))                                 \
    X(int, WriteEeprom, (int, unsigned, const unsigned char*, unsigned))                          \
    X(int, FixRowSums, (int))                                                                     \
    X(int, ReadFlash, (int, unsigned, unsigned char*, unsigned))                                  \
    X(int, WriteFlash, (int, unsigned, const unsigned char*, unsigned))                           \
    X(int, SetEepromFile, (int, const char*))                                                     \
    X(int, AddFault, (int, const VSimFault*))                                                     \
    X(int, GetFaultHits, (int))                                                                   \
    X(void, ClearFaults, (void))                                                                  \
    X(int, GetTraceCount, (void))                                                                 \
    X(int, GetTraceFrame, (int, VSimFrame*))                                                      \
    X(void, ClearTrace, (void))                                                                   \
    X(unsigned long long, GetWireTimeNs, (void))

// The list cannot drift from the declarations.
#define FLUXA_VSIM_CHECK(ret, name, params)                                                       \
    static_assert(std::is_same_v<decltype(&VSim_##name), ret(*) params>, "VSim_" #name " is declared otherwise");
FLUXA_VSIM_FUNCTIONS(FLUXA_VSIM_CHECK)
#undef FLUXA_VSIM_CHECK

// The control functions, resolved by name. Member names drop the VSim_ prefix.
struct SimulatorApi {
#define FLUXA_VSIM_MEMBER(ret, name, params) ret(*name) params = nullptr;
    FLUXA_VSIM_FUNCTIONS(FLUXA_VSIM_MEMBER)
#undef FLUXA_VSIM_MEMBER
};

class CSimulatorLibrary {
public:
    CSimulatorLibrary() = default;
    ~CSimulatorLibrary()
    {
        Unload();
    }
    CSimulatorLibrary(const CSimulatorLibrary&) = delete;
    CSimulatorLibrary& operator=(const CSimulatorLibrary&) = delete;

    // Loads the library file and resolves every control function; false
    // with the reason in strError when the file or a function is missing.
    bool Load(const char* szPath, std::string& strError)
    {
        Unload();
        api = SimulatorApi{};
        if (!Open(szPath, strError))
            return false;
#define FLUXA_VSIM_RESOLVE(ret, name, params)                                                     \
    api.name = reinterpret_cast<ret(*) params>(Symbol("VSim_" #name));                            \
    if (api.name == nullptr) {                                                                    \
        strError = std::string("VSim_" #name " is missing in ") + szPath;                         \
        return false;                                                                             \
    }
        FLUXA_VSIM_FUNCTIONS(FLUXA_VSIM_RESOLVE)
#undef FLUXA_VSIM_RESOLVE
        return true;
    }

    // Loads the library for a run of the tool against it: the tool's binding
    // is pointed at the same file (FLUXA_D2XX_LIBRARY), the world is reset to
    // the default (one adapter with the "Ambra" fitting) at the time scale.
    bool LoadForTheTool(const char* szPath, double dTimeScale, std::string& strError)
    {
        if (!Load(szPath, strError))
            return false;
        SetProcessEnvironment("FLUXA_D2XX_LIBRARY", szPath);
        api.SetTimeScale(dTimeScale);
        if (api.Reset(nullptr) == VSIM_OK)
            return true;
        strError = std::string("cannot reset the simulated bus: ") + api.GetLastError();
        return false;
    }

    // Any other export of the loaded library (a D2XX entry point), or nullptr.
    void* Symbol(const char* szName) const { return m_hLibrary != nullptr ? SharedLibrarySymbol(m_hLibrary, szName) : nullptr; }

    SimulatorApi api;

private:
    bool Open(const char* szPath, std::string& strError)
    {
        std::string strWhy;
        m_hLibrary = OpenSharedLibrary(szPath, strWhy);
        if (m_hLibrary == nullptr)
            strError = std::string("cannot load ") + szPath + ": " + strWhy;
        return m_hLibrary != nullptr;
    }
    void Unload()
    {
        if (m_hLibrary != nullptr)
            CloseSharedLibrary(m_hLibrary);
        m_hLibrary = nullptr;
    }
    void* m_hLibrary = nullptr;
};
