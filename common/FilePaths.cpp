#include "common/FilePaths.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <system_error>

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
    return strProgramDirectory.empty() ? std::string() : Utf8FromPath(PathFromUtf8(strProgramDirectory) / "Config");
}
