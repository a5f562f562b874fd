#include "devicelink/AdapterPort.h"

#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/D2xxPort.h"

#ifndef _WIN32
#include "devicelink/SerialAdapters.h"
#include "devicelink/SerialPort.h"
#endif

#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_choiceMutex;
CAdapterPortChoice g_choice;

constexpr struct {
    EAdapterPortKind eKind;
    const char* szName;
} kKindNames[] = {{EAdapterPortKind::Auto, "auto"}, {EAdapterPortKind::D2xx, "d2xx"}, {EAdapterPortKind::Serial, "serial"}};

#ifndef _WIN32
bool NamesD2xxLibrary()
{
    const char* szLibrary = std::getenv("FLUXA_D2XX_LIBRARY");
    return szLibrary != nullptr && *szLibrary != '\0';
}
#endif

} // namespace

const char* AdapterPortKindName(EAdapterPortKind eKind)
{
    for (const auto& kind : kKindNames)
        if (kind.eKind == eKind)
            return kind.szName;
    return "auto";
}

bool ParseAdapterPortKind(const std::string& strName, EAdapterPortKind& eKind)
{
    for (const auto& kind : kKindNames) {
        if (strName == kind.szName) {
            eKind = kind.eKind;
            return true;
        }
    }
    return false;
}

bool HasSerialAdapterPort()
{
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

void SetAdapterPortChoice(const CAdapterPortChoice& choice)
{
    std::lock_guard<std::mutex> lock(g_choiceMutex);
    g_choice = choice;
}

CAdapterPortChoice GetAdapterPortChoice()
{
    std::lock_guard<std::mutex> lock(g_choiceMutex);
    return g_choice;
}

EAdapterPortKind ResolveAdapterPortKind(const CAdapterPortChoice& choice)
{
    if (!HasSerialAdapterPort())
        return EAdapterPortKind::D2xx;
    if (choice.eKind != EAdapterPortKind::Auto)
        return choice.eKind;
    if (!choice.strDevicePath.empty())
        return EAdapterPortKind::Serial;
#ifndef _WIN32
    if (!NamesD2xxLibrary() && HasSerialBusAdapter(ListSerialAdapterDevices(SysfsRoot())))
        return EAdapterPortKind::Serial;
#endif
    return EAdapterPortKind::D2xx;
}

std::unique_ptr<IAdapterPort> CreateAdapterPort(EAdapterPortKind eResolvedKind, const CAdapterPortChoice& choice)
{
#ifndef _WIN32
    if (eResolvedKind == EAdapterPortKind::Serial)
        return std::make_unique<CSerialPort>(choice.strDevicePath);
#else
    (void)eResolvedKind;
    (void)choice;
#endif
    return std::make_unique<CD2xxPort>();
}

int ReportDriverStatus(FT_STATUS status, const char* szFunction, std::string& strError)
{
    strError = FormatText("Call to function (%s) failed with the device error code (%d)", szFunction, static_cast<int>(status));
    return Result::DriverStatus;
}
