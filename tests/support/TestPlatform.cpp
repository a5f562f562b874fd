#include "TestPlatform.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dlfcn.h>
#endif

std::size_t ThreadCount()
{
    std::size_t nCount = 0;
#if defined(_WIN32)
    const HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL bMore = Thread32First(hSnapshot, &entry); bMore; bMore = Thread32Next(hSnapshot, &entry))
        nCount += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(hSnapshot);
#else
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++nCount;
#endif
    return nCount;
}

bool IsLibraryInMemory(const char* szPath)
{
#if defined(_WIN32)
    return GetModuleHandleW(PathFromUtf8(szPath).make_preferred().c_str()) != nullptr;
#else
    void* hLibrary = dlopen(szPath, RTLD_NOW | RTLD_NOLOAD);
    if (hLibrary != nullptr)
        dlclose(hLibrary);
    return hLibrary != nullptr;
#endif
}
