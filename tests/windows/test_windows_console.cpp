// The command line on Windows: arguments outside the system's code page reach
// the program whole, as UTF-8, and so does the environment.
#include "common/Console.h"
#include "common/FileIO.h"
#include "common/FilePaths.h"
#include "common/ResultCodes.h"

#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(WindowsConsole, ArgumentsArriveAsUtf8)
{
    const fs::path folder = FreshFolder(L"Argumente");
    const fs::path output = folder / L"Ärger.txt";
    const fs::path probe = PathFromUtf8(ProgramDirectory()) / L"fluxa-arguments-probe.exe";
    const std::wstring commandLine = L"\"" + probe.wstring() + L"\" \"" + output.wstring() + L"\" \"Prüf stand\" ß€ \"\" plain";
    ASSERT_EQ(RunProgram(commandLine), 0) << probe.string();
    std::string strLines;
    std::string strError;
    ASSERT_EQ(ReadRegularFile(Utf8FromPath(output), 4096, strLines, strError), Result::Ok) << strError;
    EXPECT_EQ(strLines, Utf8FromPath(probe) + "\n" + Utf8FromPath(output) + "\nPrüf stand\nß€\n\nplain\n");
    fs::remove_all(folder);
}

TEST(WindowsConsole, EnvironmentArrivesAsUtf8)
{
    ASSERT_EQ(_wputenv_s(L"FLUXA_TEST_TEXT", L"Grüße aus Köln €"), 0);
    EXPECT_EQ(EnvironmentText("FLUXA_TEST_TEXT"), "Grüße aus Köln €");
    EXPECT_EQ(EnvironmentText("FLUXA_TEST_UNSET"), "");
}

} // namespace
