#include "common/SharedLibrary.h"

#include "common/FilePaths.h"

#include <filesystem>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

bool IsSafeLibraryPath(const std::string& strPath)
{
    const std::filesystem::path path(PathFromUtf8(strPath));
    return !strPath.empty() && (path.is_absolute() || !path.has_parent_path());
}

} // namespace

void* OpenSharedLibrary(const std::string& strPath, std::string& strWhy)
{
    if (!IsSafeLibraryPath(strPath)) {
        strWhy = "a relative path with a folder would be searched from the current folder";
        return nullptr;
    }
#ifdef _WIN32
    // Neither search takes the current directory: a full path finds the
    // library's own dependencies beside it or in System32, a bare name the
    // program's folder, System32 and folders added for the process. The
    // loader takes backslashes only.
    const std::filesystem::path path = PathFromUtf8(strPath).make_preferred();
    const DWORD flags = path.is_absolute() ? (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)
                                           : LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    HMODULE hLibrary = LoadLibraryExW(path.c_str(), nullptr, flags);
    if (hLibrary == nullptr)
        strWhy = "system error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(hLibrary);
#else
    void* hLibrary = dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (hLibrary == nullptr) {
        const char* szWhy = dlerror();
        strWhy = szWhy != nullptr ? szWhy : "unknown";
    }
    return hLibrary;
#endif
}

void CloseSharedLibrary(void* hLibrary)
{
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(hLibrary));
#else
    dlclose(hLibrary);
#endif
}

void* SharedLibrarySymbol(void* hLibrary, const char* szName)
{
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(hLibrary), szName));
#else
    return dlsym(hLibrary, szName);
#endif
}
