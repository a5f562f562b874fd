// The D2XX binding against small stub libraries: loading, resolution,
// optional entry points and the guard's codes and texts.
#include "devicelink/FTDID2Driver.h"

#include "LanguageGuard.h"
#include "common/ResultCodes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

namespace {

bool IsLibraryInMemory(const char* szPath)
{
    void* handle = dlopen(szPath, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

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

TEST(D2XXDriver, CommMaskIsOptionalOnLinuxOnly)
{
    CFTDID2Driver driver;
    std::string error;
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
    for (const std::string& path : {"./" + stub.filename().string(), stub.filename().string()}) {
        EXPECT_EQ(Result::InvalidArgument, driver.LoadDriver(path, error)) << path;
        EXPECT_EQ("Can't load the FTDI device driver DLL (" + path + ")", error);
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(Result::InvalidArgument, driver.LoadDriver("/nonexistent/libftd2xx.so", error));
    EXPECT_EQ("Can't load the FTDI device driver DLL (/nonexistent/libftd2xx.so)", error);
}

TEST(D2XXDriver, EnvironmentNamesTheLibrary)
{
    const char* szPrevious = std::getenv("FLUXA_D2XX_LIBRARY");
    const std::string strPrevious = szPrevious ? szPrevious : "";
    unsetenv("FLUXA_D2XX_LIBRARY");
    EXPECT_EQ("libftd2xx.so", CFTDID2Driver::DefaultLibraryPath());
    setenv("FLUXA_D2XX_LIBRARY", D2XXSTUB_PATH, 1);
    EXPECT_EQ(D2XXSTUB_PATH, CFTDID2Driver::DefaultLibraryPath());
    if (szPrevious)
        setenv("FLUXA_D2XX_LIBRARY", strPrevious.c_str(), 1);
    else
        unsetenv("FLUXA_D2XX_LIBRARY");
}

} // namespace
