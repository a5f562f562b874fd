// Parameter strings: a text parsed, rendered and parsed again gives the same
// names and values in the same order.
#include "configdata/StringParameter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CStringParameterHandler parameters;
    std::string strError;
    if (parameters.ExtractParameters(std::string(reinterpret_cast<const char*>(pData), nSize), strError) != 0)
        return 0;
    std::string strText;
    if (parameters.GetParameters(strText, strError) != 0)
        return 0;
    CStringParameterHandler again;
    if (again.ExtractParameters(strText, strError) != 0 || again.GetParameterCount() != parameters.GetParameterCount())
        std::abort();
    for (int i = 0; i < parameters.GetParameterCount(); ++i) {
        CStringParameter first;
        CStringParameter second;
        parameters.GetParameterByIndex(i, first, strError);
        again.GetParameterByIndex(i, second, strError);
        if (first.GetName() != second.GetName() || first.GetValue() != second.GetValue())
            std::abort();
    }
    return 0;
}
