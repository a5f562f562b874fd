#pragma once
// Helpers of the Windows-only tests: running a program as the system does,
// and folders of their own below the temporary folder.
#include <windows.h>

#include <filesystem>
#include <string>

// Runs the command line without a shell (nothing is expanded or quoted
// again) and waits for its end; its exit code, or -1 when it did not start
// or outran a minute.
inline int RunProgram(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD dwExitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60 * 1000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &dwExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(dwExitCode);
}

// A fresh folder below the temporary folder, named with umlauts.
inline std::filesystem::path FreshFolder(const std::wstring& name)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"fluxa Prüfung " + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}
