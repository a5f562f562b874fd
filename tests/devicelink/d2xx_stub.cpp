// A minimal D2XX library for testing the binding: every entry point succeeds
// except FT_Open, which reports FT_IO_ERROR, and FT_Read, which throws.
// Built once complete and once for each entry point it is made to lack: the
// build defines that name as another one, so the export goes by that name.
#define FLUXA_D2XX_DECLARE_FUNCTIONS
#define FLUXA_D2XX_EXPORT __attribute__((visibility("default")))
#include "devicelink/D2XXApi.h"

#include <cstring>
#include <stdexcept>
#include <type_traits>

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace {

template <class R>
R Answer(const char* szName)
{
    if constexpr (std::is_same_v<R, FT_STATUS>) {
        if (std::strcmp(szName, "FT_Open") == 0)
            return FT_IO_ERROR;
    }
    if (std::strcmp(szName, "FT_Read") == 0)
        throw std::runtime_error("stub read failure");
    return R{};
}

} // namespace

#define STUB_DEFINITION(ret, name, params, args) \
    extern "C" FLUXA_D2XX_EXPORT ret FLUXA_WINAPI name params { return Answer<ret>(#name); }
FLUXA_D2XX_ENTRY_POINTS(STUB_DEFINITION)
