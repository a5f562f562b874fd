#pragma once
// fluxa-cli as a user runs it: a process on the simulated bus, each test with
// its own scenario file and its own settings store.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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
        m_dir = fs::temp_directory_path() / ("fluxa_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_"
                                             + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config" / "VELMOR");
        Scenario("time_scale = 0\n[adapter]\nfitting = Ambra\n");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Scenario(const std::string& text) { std::ofstream(m_dir / "scenario.txt") << text; }
    void StoreSettings(const std::string& text) { std::ofstream(m_dir / "config" / "VELMOR" / "fluxa-usb.conf") << text; }
    fs::path Dir() const { return m_dir; }

    CliResult Run(const std::string& strArguments) { return RunIn(m_dir, strArguments); }

    // fluxa-cli with the scenario and settings store of another folder laid
    // out as Dir(): tests may run several at once, each in its own folder.
    static CliResult RunIn(const fs::path& dir, const std::string& strArguments)
    {
        const fs::path errFile = dir / "stderr.txt";
        const std::string command = "env FLUXA_D2XX_LIBRARY='" FLUXA_VELMORSIM_PATH "' VELMOR_SIM_SCENARIO='" +
                                    (dir / "scenario.txt").string() + "' XDG_CONFIG_HOME='" + (dir / "config").string() +
                                    "' XDG_DATA_HOME='" + (dir / "data").string() +
                                    "' '" FLUXA_CLI_PATH "' " + strArguments + " 2>'" + errFile.string() + "' </dev/null";
        CliResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.strOut.append(buffer, n);
        const int status = ::pclose(pipe);
        result.nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream err(errFile);
        std::stringstream text;
        text << err.rdbuf();
        result.strErr = text.str();
        return result;
    }

private:
    fs::path m_dir;
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
