#pragma once
// Paths are UTF-8 std::strings inside the tool; std::filesystem wants them
// as char8_t text.
#include <filesystem>
#include <string>

inline std::filesystem::path PathFromUtf8(const std::string& strPath)
{
    return std::filesystem::path(std::u8string(strPath.begin(), strPath.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Sets a variable of this process's environment, seen by the libraries it
// loads and the programs it starts.
void SetProcessEnvironment(const char* szName, const std::string& strValue);

// An environment variable's value as UTF-8; empty when it is not set.
std::string EnvironmentText(const char* szName);

// The folder of this user's own data: the local application data folder on
// Windows, $XDG_DATA_HOME (~/.local/share without it) elsewhere; empty when
// there is none.
std::string UserDataDirectory();

// The folder of the running program (UTF-8); empty when it cannot be found.
std::string ProgramDirectory();
// The product definition directory: "Config" beside the program, or, for an
// installed program without one, the package's data folder
// (<prefix>/share/fluxa-usb/Config).
std::string DefaultConfigDirectory();

// --demo: points the D2XX binding at the simulated bus and, unless
// VELMOR_SIM_SCENARIO names another, at the demo scenario. Both are found
// beside the program (a build) or in the installed package's folders. False
// with the reason when they are missing.
bool UseDemoBus(std::string& strError);

// What to tell a user whose D2XX library could not be loaded.
const char* MissingLibraryHint();
