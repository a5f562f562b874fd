#pragma once
// fluxa-cli as a user runs it: a process on the simulated bus, each test with
// its own scenario file and its own settings store. On Windows (under Wine)
// the settings store is the registry, and the service record lies in the
// test's folder through LOCALAPPDATA.

#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

inline namespace cli_support {

struct CliResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The process id keeps test runs of two build folders apart.
        m_dir = TestTempDir("fluxa_cli_");
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config" / "VELMOR");
        Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\n");
    }
    void TearDown() override
    {
#if defined(_WIN32)
        if (m_bServiceCodeStored)
            std::system("reg delete HKCU\\Software\\VELMOR\\fluxa-usb\\Settings /v DontChange /f >NUL");
#endif
        fs::remove_all(m_dir);
    }

    void Scenario(const std::string& text) { std::ofstream(m_dir / "scenario.txt") << text; }
    void StoreSettings(const std::string& text) { std::ofstream(m_dir / "config" / "VELMOR" / "fluxa-usb.conf") << text; }
    // Service mode: "DontChange" holds the service code 0x2B5E1C47, in the
    // settings file on Linux and, as the window's store keeps it there, in
    // the registry on Windows (for this test only).
    void StoreServiceCode()
    {
#if defined(_WIN32)
        ASSERT_EQ(std::system("reg add HKCU\\Software\\VELMOR\\fluxa-usb\\Settings /v DontChange /t REG_DWORD "
                              "/d 727587911 /f >NUL"), 0);
        m_bServiceCodeStored = true;
#else
        StoreSettings("[Settings]\nDontChange=727587911\n");
#endif
    }
    fs::path Dir() const { return m_dir; }

    CliResult Run(const std::string& strArguments) { return RunIn(m_dir, strArguments); }

    // fluxa-cli with the scenario and settings store of another folder laid
    // out as Dir(): tests may run several at once, each in its own folder.
    static CliResult RunIn(const fs::path& dir, const std::string& strArguments)
    {
        const fs::path errFile = dir / "stderr.txt";
#if defined(_WIN32)
        // cmd.exe takes the line: the whole of it quoted once more.
        SetProcessEnvironment("FLUXA_D2XX_LIBRARY", FLUXA_VELMORSIM_PATH);
        SetProcessEnvironment("VELMOR_SIM_SCENARIO", (dir / "scenario.txt").string());
        SetProcessEnvironment("LOCALAPPDATA", (dir / "data").string());
        const std::string command =
            "\"\"" FLUXA_CLI_PATH "\" " + strArguments + " 2>\"" + errFile.string() + "\" <NUL\"";
        FILE* pipe = ::_popen(command.c_str(), "rb");
#else
        const std::string command = "env FLUXA_D2XX_LIBRARY='" FLUXA_VELMORSIM_PATH "' VELMOR_SIM_SCENARIO='" +
                                    (dir / "scenario.txt").string() + "' XDG_CONFIG_HOME='" + (dir / "config").string() +
                                    "' XDG_DATA_HOME='" + (dir / "data").string() +
                                    "' '" FLUXA_CLI_PATH "' " + strArguments + " 2>'" + errFile.string() + "' </dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
#endif
        CliResult result;
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.strOut.append(buffer, n);
#if defined(_WIN32)
        result.nExit = ::_pclose(pipe);
#else
        const int status = ::pclose(pipe);
        result.nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        std::ifstream err(errFile);
        std::stringstream text;
        text << err.rdbuf();
        result.strErr = text.str();
#if defined(_WIN32)
        // Text written to the console ends its lines with CR LF there.
        std::erase(result.strOut, '\r');
        std::erase(result.strErr, '\r');
#endif
        return result;
    }

private:
    fs::path m_dir;
    bool m_bServiceCodeStored = false;
};

inline std::string FileText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace cli_support
