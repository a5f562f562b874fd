// The simulator's scenario texts: any text is parsed or refused with a
// reason, never crashes.
#include "simulator/SimScenario.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CSimScenario scenario;
    std::string strError;
    if (!ParseSimScenario(std::string(reinterpret_cast<const char*>(pData), nSize), scenario, strError) && strError.empty())
        std::abort(); // a refusal always says why
    return 0;
}
