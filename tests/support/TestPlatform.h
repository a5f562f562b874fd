#pragma once
// What the tests need of the platform beyond the standard library, alike on
// Linux and on Windows (where the tests run under Wine).

#include "common/FilePaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

inline void UnsetEnv(const char* szName)
{
#if defined(_WIN32)
    _putenv_s(szName, "");
#else
    ::unsetenv(szName);
#endif
}

// Keeps the folders of test programs that run at once apart.
inline int ProcessId()
{
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

// A folder name under the system's temporary folder of this test alone, also
// when test programs run at once.
inline std::filesystem::path TestTempDir(const std::string& strPrefix)
{
    return std::filesystem::temp_directory_path() /
           (strPrefix + std::to_string(ProcessId()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The threads of this process.
std::size_t ThreadCount();

// Whether the library file is loaded into this process.
bool IsLibraryInMemory(const char* szPath);

// A test of what only Linux has (device files, file modes, resource limits,
// fork) is skipped on Windows, with the reason in the test's output.
#if defined(_WIN32)
#define FLUXA_LINUX_ONLY(reason) GTEST_SKIP() << "Linux only: " << (reason)
#else
#define FLUXA_LINUX_ONLY(reason) static_cast<void>(0)
#endif
