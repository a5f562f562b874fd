// The D2XX binding on Windows: the simulated bus's DLL is loaded by full path
// with every entry point, and a bare name is never looked for in the current
// folder.
#include "devicelink/FTDID2Driver.h"

#include "common/FilePaths.h"
#include "common/ResultCodes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kSimulatorVersion = 0x00010427; // what velmorsim reports

fs::path SimulatorDll()
{
    return PathFromUtf8(ProgramDirectory()) / "velmorsim.dll";
}

// The library is pinned once loaded: a copy stays until the next run.
fs::path CopyOfSimulator(const fs::path& folder, const char* szName)
{
    fs::create_directories(folder);
    // This C++ library's overwrite_existing fails on Windows when the file exists.
    fs::remove(folder / szName);
    fs::copy_file(SimulatorDll(), folder / szName);
    return folder / szName;
}

void ExpectSimulatorLoaded(CFTDID2Driver& driver, const std::string& strPath)
{
    std::string strError;
    ASSERT_EQ(driver.LoadDriver(strPath, strError), Result::Ok) << strError;
    // Every entry point resolved, FT_W32_GetCommMask too, and it is velmorsim.
    DWORD dwVersion = 0;
    EXPECT_EQ(driver.FT_GetLibraryVersion(&dwVersion, strError), Result::Ok) << strError;
    EXPECT_EQ(dwVersion, kSimulatorVersion);
    DWORD dwMask = 0;
    BOOL bResult = TRUE;
    EXPECT_EQ(driver.FT_W32_GetCommMask(nullptr, &dwMask, &bResult, strError), Result::Ok) << strError;
    EXPECT_EQ(bResult, FALSE);
    driver.UnloadDriver(strError);
}

TEST(WindowsDriver, LoadsTheSimulatorByFullPath)
{
    const fs::path umlautCopy = CopyOfSimulator(SimulatorDll().parent_path() / L"Prüfstand Ä", "velmorsim.dll");
    const std::string strPaths[] = {
        Utf8FromPath(SimulatorDll()),
        Utf8FromPath(SimulatorDll().generic_wstring()), // forward slashes, as build systems write paths
        Utf8FromPath(umlautCopy),
    };
    for (const std::string& strPath : strPaths) {
        SCOPED_TRACE(strPath);
        CFTDID2Driver driver;
        ExpectSimulatorLoaded(driver, strPath);
    }
}

TEST(WindowsDriver, ABareNameIsLookedForBesideTheProgramNotInTheCurrentFolder)
{
    const fs::path folder = fs::temp_directory_path() / "fluxa-current-folder";
    CopyOfSimulator(folder, "fluxa-d2xx-in-current-folder.dll");
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    for (const std::string strName : {"fluxa-d2xx-in-current-folder.dll", ".\\fluxa-d2xx-in-current-folder.dll", "ftd2xx-missing.dll"}) {
        CFTDID2Driver driver;
        std::string strError;
        EXPECT_EQ(driver.LoadDriver(strName, strError), Result::InvalidArgument) << strName;
        EXPECT_EQ(strError, "Can't load the FTDI device driver DLL (" + strName + ")");
        EXPECT_FALSE(driver.IsLoaded());
    }
    CFTDID2Driver driver;
    ExpectSimulatorLoaded(driver, "velmorsim.dll"); // the program's own folder is searched
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace
