// A full type-3 firmware download into the simulated fitting at real line
// timing. Prints the measured wall time, the sum of the waits the procedure
// and the port prescribe, the wire time of all frames from the simulator's
// trace, and last ratio=measured/(waits+wire). Budget: at most 1.05.
// "--port serial" runs it over the serial device port and velmorsim-serial
// instead of D2XX.
#include "SimulatedLine.h"

#include "common/ResultCodes.h"
#include "common/TimeService.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareDownload.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// The sample image beside the sources, or the file named on the command line.
std::string ImagePath(int argc, char** argv)
{
    if (argc > 1)
        return argv[1];
    return (std::filesystem::path(FLUXA_SOURCE_DIR) / "data" / "Firmware" / "faucet_V4.02.hex")
        .string();
}

// Sleeps for real and adds up what was asked for.
class CountingTimeService final : public ITimeService {
public:
    void SleepMs(unsigned milliseconds) override
    {
        m_nWaitedMs += milliseconds;
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint64_t NowMs() override
    {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    std::uint64_t WaitedMs() const { return m_nWaitedMs; }

private:
    std::uint64_t m_nWaitedMs = 0;
};

int Fail(const char* szWhat, const std::string& strError)
{
    std::fprintf(stderr, "%s: %s\n", szWhat, strError.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    CSimulatedLine line; // one adapter with a type-3 fitting
    std::string strError;
    if (!line.TakePortArgument(argc, argv, strError) || argc > 2 || !line.Start(strError))
        return Fail("cannot start", strError.empty() ? "usage: bench_download [--port d2xx|serial] [image]" : strError);

    CountingTimeService time;
    SetTimeService(&time);
    CVelmorTPFTDI port;
    if (port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError) != Result::Ok || !port.IsPortOpen())
        return Fail("open the adapter", strError);
    CFirmwareDownload download;
    const std::string strImage = ImagePath(argc, argv);
    if (download.ChooseFile(strImage, 3, strError) != Result::Ok)
        return Fail(strImage.c_str(), strError);

    line.ClearTrace();
    const auto start = std::chrono::steady_clock::now();
    if (download.StartProgramming(port, 3, nullptr, nullptr, strError) != Result::Ok)
        return Fail("start programming", strError);
    const double measuredS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (download.GetResult() != Result::Ok)
        return Fail("download", download.GetError());

    const double waitsS = static_cast<double>(time.WaitedMs()) / 1e3;
    const double wireS = line.WireMs() / 1e3;
    const double ratio = measuredS / (waitsS + wireS);
    std::printf("frames=%d\n", line.FrameCount());
    std::printf("measured_s=%.3f\n", measuredS);
    std::printf("waits_s=%.3f\n", waitsS);
    std::printf("wire_s=%.3f\n", wireS);
    std::printf("ratio=%.4f\n", ratio);
    port.Close(strError);
    SetTimeService(nullptr);
    return ratio <= kWireRatioBudget ? 0 : 1;
}
