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
#include "simulator/SimulatorApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef FLUXA_VELMORSIM_PATH
#error "FLUXA_VELMORSIM_PATH is defined for test programs when the velmorsim target exists"
#endif

class SimulatorControl {
    CSimulatorLibrary m_library; // first: api refers to it

public:
    explicit SimulatorControl(const char* scenario = nullptr, double timeScale = 0.0)
    {
        SetProcessEnvironment("FLUXA_D2XX_LIBRARY", FLUXA_VELMORSIM_PATH);
        std::string error;
        if (!m_library.Load(FLUXA_VELMORSIM_PATH, error))
            throw std::runtime_error(error);
        api.SetTimeScale(timeScale);
        Reset(scenario);
    }
    ~SimulatorControl() { api.Reset(nullptr); }
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
        VSimFault fault{kind, trigger, n, 0, param, 0, text, nullptr, 0, 0, 0};
        int id = api.AddFault(device, &fault);
        EXPECT_GT(id, 0) << api.GetLastError();
        return id;
    }

    SimulatorApi& api = m_library.api;
};
