// What pressing "Next" reads from a fitting (article number, serial number,
// module information, production date), at real line timing (2400 bit/s),
// compared with the time its frames take on the wire. Budget: ratio at most
// 1.05.
#include "common/ResultCodes.h"
#include "configdata/StringParameter.h"
#include "devicelink/VelmorTPExt.h"
#include "fitting/EEAddressMap.h"
#include "simulator/SimulatorApi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 3;
constexpr int kProductType = 3; // the simulator's default fitting

int Fail(const char* szWhat, const std::string& strError)
{
    std::fprintf(stderr, "bench_identify: %s %s\n", szWhat, strError.c_str());
    return 1;
}

// One identification as the main window performs it after "Next".
int Identify(CVelmorTPExt& protocol, std::string& strError)
{
    std::string strArticle, strFormatted, strDate;
    int nResult = protocol.ReadArticleNumber(strArticle, strFormatted, strError);
    int nAddress = 0;
    if (nResult == Result::Ok)
        nResult = GetEEAddr(EE_SERIAL_NUMBER, kProductType, nAddress, strError);
    std::vector<BYTE> serial;
    if (nResult == Result::Ok)
        nResult = protocol.ReadEEByAddr(static_cast<WORD>(nAddress), 6, serial, strError);
    CStringParameterHandler information;
    if (nResult == Result::Ok)
        nResult = protocol.ReadModuleInformation(information, strError);
    if (nResult == Result::Ok)
        nResult = GetEEAddr(EE_PRODUCTION_DATE, kProductType, nAddress, strError);
    if (nResult == Result::Ok)
        nResult = protocol.ReadProductionDate(nAddress, strDate, strError);
    return nResult;
}

} // namespace

int main()
{
#ifndef FLUXA_VELMORSIM_PATH
    return Fail("needs the simulator", "(velmorsim was not built)");
#else
    CSimulatorLibrary sim;
    std::string strError;
    if (!sim.LoadForTheTool(FLUXA_VELMORSIM_PATH, 1.0, strError))
        return Fail("needs the simulator:", strError);

    CVelmorTPExt protocol;
    if (protocol.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError) != Result::Ok || !protocol.IsPortOpen())
        return Fail("cannot open the adapter:", strError);
    sim.api.ClearTrace();

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        if (Identify(protocol, strError) != Result::Ok)
            return Fail("identification failed:", strError);
    const auto end = std::chrono::steady_clock::now();

    const double dWallMs = std::chrono::duration<double, std::milli>(end - start).count() / kRounds;
    const double dWireMs = static_cast<double>(sim.api.GetWireTimeNs()) / 1e6 / kRounds;
    std::printf("identifications=%d frames_each=%d\n", kRounds, sim.api.GetTraceCount() / kRounds);
    std::printf("measured_ms=%.1f wire_ms=%.1f\n", dWallMs, dWireMs);
    std::printf("ratio=%.3f\n", dWallMs / dWireMs);
    return 0;
#endif
}
