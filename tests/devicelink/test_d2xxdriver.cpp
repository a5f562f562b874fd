// The D2XX binding against small stub libraries: loading, resolution,
// optional entry points and the guard's codes and texts.
#include "devicelink/FTDID2Driver.h"

#include "LanguageGuard.h"
#include "TestPlatform.h"
#include "common/FilePaths.h"
#include "common/ResultCodes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

#if defined(_WIN32)
const std::string kMissingLibrary = "Z:/nonexistent/ftd2xx.dll";
const char* const kDefaultLibrary = "ftd2xx.dll";
#else
const std::string kMissingLibrary = "/nonexistent/libftd2xx.so";
const char* const kDefaultLibrary = "libftd2xx.so";
#endif

TEST(D2XXDriver, LibraryLackingARequiredEntryPointFails)
{
    CFTDID2Driver driver;
    std::string error;
    EXPECT_EQ(Result::MissingPrecondition, driver.LoadDriver(D2XXSTUB_NO_QUEUESTATUSEX_PATH, error));
    EXPECT_EQ(std::string("Can't find the DLL function (FT_GetQueueStatusEx) in the given DLL (") + D2XXSTUB_NO_QUEUESTATUSEX_PATH + ")",
              error);
    // The library stays loaded with what was resolved before the gap.
    EXPECT_TRUE(driver.IsLoaded());
    EXPECT_EQ(Result::Ok, driver.FT_Close(nullptr, error));
    EXPECT_EQ(Result::MissingPrecondition, driver.FT_GetQueueStatusEx(nullptr, nullptr, error));
    EXPECT_EQ("The function pointer (FT_GetQueueStatusEx) is invalid", error);
}

// The vendor's Linux library lacks FT_W32_GetCommMask; its Windows library
// has every entry point, and a library without one is refused there.
TEST(D2XXDriver, CommMaskIsOptionalOnLinuxOnly)
{
    CFTDID2Driver driver;
    std::string error;
#if defined(_WIN32)
    EXPECT_EQ(Result::MissingPrecondition, driver.LoadDriver(D2XXSTUB_NO_COMMMASK_PATH, error));
    EXPECT_EQ(std::string("Can't find the DLL function (FT_W32_GetCommMask) in the given DLL (") + D2XXSTUB_NO_COMMMASK_PATH + ")",
              error);
    return;
#endif
    ASSERT_EQ(Result::Ok, driver.LoadDriver(D2XXSTUB_NO_COMMMASK_PATH, error)) << error;
    BOOL bResult = 5;
    EXPECT_EQ(Result::MissingPrecondition, driver.FT_W32_GetCommMask(nullptr, nullptr, &bResult, error));
    EXPECT_EQ("The function pointer (FT_W32_GetCommMask) is invalid", error);
    EXPECT_EQ(5, bResult);
}

TEST(D2XXDriver, UnloadedBindingRefusesCalls)
{
    CFTDID2Driver driver;
    std::string error;
    BYTE buffer[4];
    DWORD dwRead = 0;
    EXPECT_EQ(Result::MissingPrecondition, driver.FT_Read(nullptr, buffer, 4, &dwRead, error));
    EXPECT_EQ("The function pointer (FT_Read) is invalid", error);
    EXPECT_EQ(Result::MissingPrecondition, driver.VerifyDriverLoaded(error));
    EXPECT_EQ("The FTDI driver was not loaded yet. Load the driver first...", error);
}

TEST(D2XXDriver, GuardReportsStatusAndException)
{
    LanguageGuard english(kLanguageEnglish);
    CFTDID2Driver driver;
    std::string error;
    ASSERT_EQ(Result::Ok, driver.LoadDriver(D2XXSTUB_PATH, error)) << error;
    EXPECT_EQ(Result::Ok, driver.VerifyDriverLoaded(error));

    FT_HANDLE handle = nullptr;
    EXPECT_EQ(Result::DriverStatus, driver.FT_Open(0, &handle, error));
    EXPECT_EQ("Call to function (FT_Open) failed with the device error code (4)", error);

    BYTE buffer[4];
    DWORD dwRead = 0;
    EXPECT_EQ(Result::CallException, driver.FT_Read(nullptr, buffer, 4, &dwRead, error));
    EXPECT_EQ("Call to function (FT_Read) raised a ... exception The system reports the error message (stub read failure)", error);

    // Success leaves the error text alone; the W32 family hands out its value.
    error = "kept";
    EXPECT_EQ(Result::Ok, driver.FT_Purge(nullptr, FT_PURGE_RX | FT_PURGE_TX, error));
    BOOL bResult = 7;
    EXPECT_EQ(Result::Ok, driver.FT_W32_CloseHandle(nullptr, &bResult, error));
    EXPECT_EQ(0, bResult);
    EXPECT_EQ(Result::Ok, driver.FT_Rescan(error));
    EXPECT_EQ("kept", error);
}

TEST(D2XXDriver, LoadingTwiceLoadsOnceAndUnloadReleases)
{
    ASSERT_FALSE(IsLibraryInMemory(D2XXSTUB_PATH));
    CFTDID2Driver driver;
    std::string error;
    ASSERT_EQ(Result::Ok, driver.LoadDriver(D2XXSTUB_PATH, error));
    ASSERT_EQ(Result::Ok, driver.LoadDriver(D2XXSTUB_PATH, error));
    EXPECT_TRUE(IsLibraryInMemory(D2XXSTUB_PATH));

    error = "old";
    EXPECT_EQ(Result::Ok, driver.UnloadDriver(error));
    EXPECT_EQ("", error);
    EXPECT_FALSE(driver.IsLoaded());
    EXPECT_FALSE(IsLibraryInMemory(D2XXSTUB_PATH)); // one load, one release
    EXPECT_EQ(Result::MissingPrecondition, driver.FT_Close(nullptr, error));
}

TEST(D2XXDriver, NeverLoadsFromTheWorkingDirectory)
{
    const std::filesystem::path stub(D2XXSTUB_PATH);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(stub.parent_path());
    CFTDID2Driver driver;
    std::string error;
    // On Windows a bare name is also looked for beside the program, where the
    // stub lies too (tests/windows copies a library elsewhere for that case).
#if defined(_WIN32)
    const std::vector<std::string> paths = {"./" + stub.filename().string(), ".\\" + stub.filename().string()};
#else
    const std::vector<std::string> paths = {"./" + stub.filename().string(), stub.filename().string()};
#endif
    for (const std::string& path : paths) {
        EXPECT_EQ(Result::InvalidArgument, driver.LoadDriver(path, error)) << path;
        EXPECT_EQ("Can't load the FTDI device driver DLL (" + path + ")", error);
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(Result::InvalidArgument, driver.LoadDriver(kMissingLibrary, error));
    EXPECT_EQ("Can't load the FTDI device driver DLL (" + kMissingLibrary + ")", error);
}

TEST(D2XXDriver, EnvironmentNamesTheLibrary)
{
    const std::string strPrevious = EnvironmentText("FLUXA_D2XX_LIBRARY");
    UnsetEnv("FLUXA_D2XX_LIBRARY");
    EXPECT_EQ(kDefaultLibrary, CFTDID2Driver::DefaultLibraryPath());
    SetProcessEnvironment("FLUXA_D2XX_LIBRARY", D2XXSTUB_PATH);
    EXPECT_EQ(D2XXSTUB_PATH, CFTDID2Driver::DefaultLibraryPath());
    if (strPrevious.empty())
        UnsetEnv("FLUXA_D2XX_LIBRARY");
    else
        SetProcessEnvironment("FLUXA_D2XX_LIBRARY", strPrevious);
}

} // namespace
