#pragma once
// The simulated line a line-timing benchmark works over, chosen by
// "--port d2xx|serial": the simulator loaded into this process as the D2XX
// library (the default), or velmorsim-serial serving the same default world
// on a pseudo-terminal, reached through the serial device port. Either way
// the wire time is the sum of the traced frames' line times; over the
// terminal the front end's trace file tells it.

#include "devicelink/AdapterPort.h"
#include "simulator/SimScenario.h"
#include "simulator/SimulatorApi.h"
#ifdef FLUXA_VELMORSIM_SERIAL_PATH
#include "tests/support/SerialFrontEnd.h"
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>

// Wall time over the time the work needs on the wire (and in prescribed
// waits) may be at most this.
inline constexpr double kWireRatioBudget = 1.05;

class CSimulatedLine {
public:
    CSimulatedLine() = default;
    CSimulatedLine(const CSimulatedLine&) = delete;
    CSimulatedLine& operator=(const CSimulatedLine&) = delete;
    ~CSimulatedLine()
    {
#ifdef FLUXA_VELMORSIM_SERIAL_PATH
        m_frontEnd.Stop(); // before its files go
#endif
        if (!m_dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }

    // Takes "--port d2xx|serial" out of the arguments; the others keep their order.
    bool TakePortArgument(int& argc, char** argv, std::string& strError)
    {
        int nKept = 1;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--port") != 0) {
                argv[nKept++] = argv[i];
                continue;
            }
            const std::string strName = i + 1 < argc ? argv[++i] : "";
            if (strName != "d2xx" && strName != "serial") {
                strError = "--port takes d2xx or serial, not '" + strName + "'";
                return false;
            }
            m_bSerial = strName == "serial";
        }
        argc = nKept;
        return true;
    }

    // Sets the line up and points this process's device links at it: call
    // before the first link is made.
    bool Start(std::string& strError) { return m_bSerial ? StartFrontEnd(strError) : StartLibrary(strError); }

    const char* PortName() const { return m_bSerial ? "serial" : "d2xx"; }

    // The work to measure starts now: earlier frames do not count.
    void ClearTrace()
    {
        if (m_bSerial)
            m_nSkippedFrames = static_cast<int>(ReadTraceLineTimesMs().size());
        else
            m_library.api.ClearTrace();
    }

    int FrameCount() const
    {
        if (m_bSerial)
            return static_cast<int>(ReadTraceLineTimesMs().size()) - m_nSkippedFrames;
        return m_library.api.GetTraceCount();
    }

    double WireMs() const
    {
        if (!m_bSerial)
            return static_cast<double>(m_library.api.GetWireTimeNs()) / 1e6;
        const std::vector<double> lineTimes = ReadTraceLineTimesMs();
        double dSum = 0.0;
        for (std::size_t i = static_cast<std::size_t>(m_nSkippedFrames); i < lineTimes.size(); ++i)
            dSum += lineTimes[i];
        return dSum;
    }

private:
    bool StartLibrary(std::string& strError)
    {
#ifdef FLUXA_VELMORSIM_PATH
        if (m_library.LoadForTheTool(FLUXA_VELMORSIM_PATH, 1.0, strError))
            return true;
        strError = "needs the simulator: " + strError;
#else
        strError = "needs the simulator (velmorsim was not built)";
#endif
        return false;
    }

    bool StartFrontEnd(std::string& strError)
    {
#ifdef FLUXA_VELMORSIM_SERIAL_PATH
        m_dir = std::filesystem::temp_directory_path() / ("fluxa-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        std::ofstream(m_dir / "scenario.txt") << kSimDefaultScenario;
        // The front end writes the trace; this process has no simulator to trace.
        ::setenv("VELMOR_SIM_TRACE", (m_dir / "trace.txt").c_str(), 1);
        const std::string strDevice = m_frontEnd.Start((m_dir / "scenario.txt").string());
        ::unsetenv("VELMOR_SIM_TRACE");
        if (strDevice.empty()) {
            strError = "velmorsim-serial gave no terminal";
            return false;
        }
        SetAdapterPortChoice({EAdapterPortKind::Serial, strDevice});
        return true;
#else
        strError = "needs the serial front end (velmorsim-serial was not built)";
        return false;
#endif
    }

    // The line-time column (the fifth) of each complete line of the trace file.
    std::vector<double> ReadTraceLineTimesMs() const
    {
        std::vector<double> lineTimes;
        std::ifstream in(m_dir / "trace.txt");
        std::string strLine;
        while (std::getline(in, strLine) && !in.eof()) { // a last line without its end is still being written
            std::istringstream fields(strLine);
            std::string strStart, strDevice, strDirection, strBaud;
            double dLineMs = 0.0;
            if (fields >> strStart >> strDevice >> strDirection >> strBaud >> dLineMs)
                lineTimes.push_back(dLineMs);
        }
        return lineTimes;
    }

    bool m_bSerial = false;
    CSimulatorLibrary m_library;
#ifdef FLUXA_VELMORSIM_SERIAL_PATH
    CSerialFrontEnd m_frontEnd;
#endif
    std::filesystem::path m_dir;
    int m_nSkippedFrames = 0;
};
