#include "common/FilePaths.h"

#if defined(_WIN32)
#include "common/WideText.h"

#include <windows.h>
#include <shlobj.h>
#endif

#include "common/Language.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The first existing file among the candidates, as UTF-8; empty for none.
std::string FirstExisting(std::initializer_list<fs::path> candidates)
{
    std::error_code error;
    for (const fs::path& candidate : candidates)
        if (fs::exists(candidate, error))
            return Utf8FromPath(candidate);
    return {};
}

} // namespace

void SetProcessEnvironment(const char* szName, const std::string& strValue)
{
#if defined(_WIN32)
    _wputenv_s(WideFromUtf8(szName).c_str(), WideFromUtf8(strValue).c_str());
#else
    ::setenv(szName, strValue.c_str(), 1);
#endif
}

std::string EnvironmentText(const char* szName)
{
#if defined(_WIN32)
    // The narrow environment is in the system's code page, not UTF-8.
    const wchar_t* szValue = _wgetenv(WideFromUtf8(szName).c_str());
    return szValue != nullptr ? Utf8FromWide(szValue) : std::string();
#else
    const char* szValue = std::getenv(szName);
    return szValue != nullptr ? szValue : std::string();
#endif
}

std::string UserDataDirectory()
{
#if defined(_WIN32)
    wchar_t* szFolder = nullptr;
    std::string strFolder;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &szFolder) == S_OK)
        strFolder = Utf8FromWide(szFolder);
    CoTaskMemFree(szFolder);
    return strFolder;
#else
    const std::string strData = EnvironmentText("XDG_DATA_HOME");
    if (!strData.empty())
        return strData;
    const std::string strHome = EnvironmentText("HOME");
    return strHome.empty() ? std::string() : Utf8FromPath(PathFromUtf8(strHome) / ".local" / "share");
#endif
}

std::string ProgramDirectory()
{
#if defined(_WIN32)
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    return Utf8FromPath(std::filesystem::path(buffer).parent_path());
#else
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : Utf8FromPath(program.parent_path());
#endif
}

std::string DefaultConfigDirectory()
{
    const std::string strProgramDirectory = ProgramDirectory();
    if (strProgramDirectory.empty())
        return {};
    const fs::path program = PathFromUtf8(strProgramDirectory);
    const std::string strInstalled = FirstExisting({program / "Config", program.parent_path() / "share" / "fluxa-usb" / "Config"});
    return strInstalled.empty() ? Utf8FromPath(program / "Config") : strInstalled;
}

bool UseDemoBus(std::string& strError)
{
    const fs::path program = PathFromUtf8(ProgramDirectory());
#if defined(_WIN32)
    const char* const szLibrary = "velmorsim.dll";
#else
    const char* const szLibrary = "libvelmorsim.so";
#endif
    const std::string strLibrary = FirstExisting({program / szLibrary, program.parent_path() / "libexec" / "fluxa-usb" / szLibrary});
    const std::string strScenario =
        FirstExisting({program / "demo-scenario.txt", program.parent_path() / "share" / "fluxa-usb" / "demo-scenario.txt"});
    if (strLibrary.empty() || strScenario.empty()) {
        strError = PickText("The simulated bus for --demo is not installed beside the program.",
                            "Der simulierte Bus für --demo ist nicht neben dem Programm installiert.");
        return false;
    }
    SetProcessEnvironment("FLUXA_D2XX_LIBRARY", strLibrary);
    if (EnvironmentText("VELMOR_SIM_SCENARIO").empty())
        SetProcessEnvironment("VELMOR_SIM_SCENARIO", strScenario);
    return true;
}

const char* MissingLibraryHint()
{
#if defined(_WIN32)
    return PickText("The bus adapter's D2XX library is missing: install the USB chip vendor's D2XX driver, which places ftd2xx.dll "
                    "in the Windows system folder, or name the file with FLUXA_D2XX_LIBRARY. To try the tool without an adapter, "
                    "start it with --demo.",
                    "Die D2XX-Bibliothek des Busadapters fehlt: Installieren Sie den D2XX-Treiber des USB-Chip-Herstellers, der "
                    "ftd2xx.dll in den Windows-Systemordner legt, oder nennen Sie die Datei mit FLUXA_D2XX_LIBRARY. Zum Ausprobieren "
                    "ohne Adapter starten Sie das Programm mit --demo.");
#else
    return PickText("The system's serial driver holds no bus adapter, and the D2XX library is not installed. Plug in the bus adapter: "
                    "it works without further software. Those who want the USB chip vendor's D2XX library install its package "
                    "(libftd2xx) or name the file with FLUXA_D2XX_LIBRARY. To try the tool without an adapter, start it with --demo.",
                    "Der serielle Treiber des Systems hält keinen Busadapter, und die D2XX-Bibliothek ist nicht installiert. Stecken "
                    "Sie den Busadapter ein: er arbeitet ohne weitere Software. Wer die D2XX-Bibliothek des USB-Chip-Herstellers "
                    "möchte, installiert ihr Paket (libftd2xx) oder nennt die Datei mit FLUXA_D2XX_LIBRARY. Zum Ausprobieren ohne "
                    "Adapter starten Sie das Programm mit --demo.");
#endif
}
