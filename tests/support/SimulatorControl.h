#pragma once
// Test helper for the simulated bus (libvelmorsim).
//
//   SimulatorControl sim;                 // default world: one adapter, the "Ambra" fitting
//   SimulatorControl sim("[adapter]\nfitting = Tarvo\n");   // a scenario text (simulator/README.md)
//   sim.api.PlugFitting(0, "WC");         // any control function, see simulator/velmorsim_control.h
//   sim.Trace();                          // the frames on the line so far
//
// The constructor loads the library named by FLUXA_VELMORSIM_PATH, keeps it
// loaded for its own lifetime (the tool's binding unloads its handle on every
// port close; ours keeps the simulated world alive), resets it to the
// scenario, sets the time scale to 0 (no delays) and points
// FLUXA_D2XX_LIBRARY at the same file so that the tool's binding loads it.
// The destructor resets the world to the default for the next test.
// Use one SimulatorControl per test (a fixture member is the usual place).
#include "simulator/velmorsim_control.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef FLUXA_VELMORSIM_PATH
#error "FLUXA_VELMORSIM_PATH is defined for test programs when the velmorsim target exists"
#endif

// The control functions, resolved by name. Member names drop the VSim_ prefix.
struct SimulatorApi {
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

#define FLUXA_VSIM_MEMBER(ret, name, params) ret(*name) params = nullptr;
    FLUXA_VSIM_FUNCTIONS(FLUXA_VSIM_MEMBER)
#undef FLUXA_VSIM_MEMBER
};

class SimulatorControl {
public:
    explicit SimulatorControl(const char* scenario = nullptr, double timeScale = 0.0)
    {
        ::setenv("FLUXA_D2XX_LIBRARY", FLUXA_VELMORSIM_PATH, 1);
        m_hLibrary = ::dlopen(FLUXA_VELMORSIM_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m_hLibrary == nullptr)
            throw std::runtime_error(std::string("cannot load ") + FLUXA_VELMORSIM_PATH);
#define FLUXA_VSIM_RESOLVE(ret, name, params)                                                     \
    api.name = reinterpret_cast<ret(*) params>(::dlsym(m_hLibrary, "VSim_" #name));               \
    if (api.name == nullptr)                                                                      \
        throw std::runtime_error("VSim_" #name " is missing");
        FLUXA_VSIM_FUNCTIONS(FLUXA_VSIM_RESOLVE)
#undef FLUXA_VSIM_RESOLVE
        api.SetTimeScale(timeScale);
        Reset(scenario);
    }
    ~SimulatorControl()
    {
        api.Reset(nullptr);
        ::dlclose(m_hLibrary);
    }
    SimulatorControl(const SimulatorControl&) = delete;
    SimulatorControl& operator=(const SimulatorControl&) = delete;

    // Resets the world to a scenario text (nullptr: the default world); a
    // text the simulator does not understand fails the test.
    void Reset(const char* scenario = nullptr)
    {
        int result = api.Reset(scenario);
        EXPECT_EQ(VSIM_OK, result) << api.GetLastError();
    }

    // All frames traced since the last reset or ClearTrace.
    std::vector<VSimFrame> Trace() const
    {
        std::vector<VSimFrame> frames(static_cast<std::size_t>(api.GetTraceCount()));
        for (std::size_t i = 0; i < frames.size(); ++i)
            api.GetTraceFrame(static_cast<int>(i), &frames[i]);
        return frames;
    }

    // Injects a fault on the adapter with device number `device`; returns its id.
    int AddFault(int device, int kind, int trigger = VSIM_TRIGGER_NEXT, int n = 0, int param = 0,
                 const char* text = nullptr)
    {
        VSimFault fault{kind, trigger, n, 0, param, 0, text, nullptr};
        int id = api.AddFault(device, &fault);
        EXPECT_GT(id, 0) << api.GetLastError();
        return id;
    }

    SimulatorApi api;

private:
    void* m_hLibrary = nullptr;
};
#undef FLUXA_VSIM_FUNCTIONS
