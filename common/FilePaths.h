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

// The folder of the running program (UTF-8); empty when it cannot be found.
std::string ProgramDirectory();
// The product definition directory: "Config" beside the program.
std::string DefaultConfigDirectory();
