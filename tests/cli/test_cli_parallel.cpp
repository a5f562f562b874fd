// fluxa-cli --adapter all: four simulated adapters served at once, one of
// them with a fault; the other three end with their fittings checked.

#include "CliTestSupport.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <regex>

namespace {

constexpr int kAdapters = 4;
constexpr int kFaulty = 2;
const std::string kImage = FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.03_gap.hex";

std::string UnitSerial(int nAdapter)
{
    return "0000000000A" + std::to_string(nAdapter);
}

using Json = nlohmann::json;

// A member of a JSON object; null when the value is no object or lacks it.
const Json& At(const Json& object, const char* szKey)
{
    static const Json none;
    const auto member = object.is_object() ? object.find(szKey) : object.end();
    return object.is_object() && member != object.end() ? *member : none;
}

std::string Text(const Json& value)
{
    return value.is_string() ? value.get<std::string>() : std::string();
}

int Int(const Json& value)
{
    return value.is_number_integer() ? value.get<int>() : 0;
}

Json Jobs(const CliResult& result)
{
    return At(Json::parse(result.strOut, nullptr, false), "adapters");
}

// The report of each adapter's job, by adapter number.
std::vector<Json> Reports(const CliResult& result)
{
    std::vector<Json> reports(kAdapters);
    for (const Json& job : Jobs(result))
        reports.at(static_cast<std::size_t>(Int(At(job, "adapter")))) = At(job, "report");
    return reports;
}

// A setting's value in a job's report of 'read'; -1 when it has none.
int Setting(const Json& report, const char* szSetting)
{
    for (const Json& setting : At(report, "settings"))
        if (Text(At(setting, "name")) == szSetting)
            return Int(At(setting, "value"));
    return -1;
}

class CliParallel : public Cli {
public:
    // For the checks of the cases.
    using Cli::Dir;
    using Cli::Run;

protected:
    // Four faucets, each keeping its EEPROM and flash in a file of its own;
    // the faulty adapter's section gets strFaulty (a fault, another profile).
    void Adapters(const std::string& strFaulty, double dTimeScale = 0)
    {
        std::string text = "time_scale = " + std::to_string(dTimeScale) + "\n";
        for (int n = 0; n < kAdapters; ++n) {
            const bool bFaulty = n == kFaulty && !strFaulty.empty();
            const bool bOtherProfile = bFaulty && Contains(strFaulty, "fitting =");
            text += "[adapter]\nserial = VB000" + std::to_string(n) + "\n" + (bOtherProfile ? "" : "fitting = Ambra\n") +
                    "fitting_serial = " + UnitSerial(n) + "\neeprom_file = " + (Dir() / ("fitting" + std::to_string(n) + ".eep")).string() + "\n" +
                    (dTimeScale == 0 ? "startup_ms = 0\nready_ms = 0\n" : "") + (bFaulty ? strFaulty + "\n" : "");
        }
        Scenario(text);
    }
    std::string Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(Dir() / strName) << strText;
        return "'" + (Dir() / strName).string() + "'";
    }
    // Every job but the faulty one's done; that one failed with its reason.
    static void ExpectOnlyTheFaultyFailed(const CliResult& result, int nFaulty)
    {
        const Json jobs = Jobs(result);
        ASSERT_EQ(jobs.size(), kAdapters) << result.strOut << result.strErr;
        for (const Json& job : jobs) {
            const int nAdapter = Int(At(job, "adapter"));
            EXPECT_EQ(Text(At(job, "adapterSerial")), "VB000" + std::to_string(nAdapter));
            EXPECT_EQ(Text(At(job, "result")), nAdapter == nFaulty ? "failed" : "done") << nAdapter << "\n" << result.strErr;
            EXPECT_EQ(Text(At(job, "error")).empty(), nAdapter != nFaulty) << nAdapter;
            if (nAdapter != nFaulty) {
                EXPECT_EQ(Text(At(job, "unitSerialNumber")), UnitSerial(nAdapter));
            }
        }
        EXPECT_EQ(result.nExit, nFaulty < 0 ? 0 : 1) << result.strErr;
    }
};

struct ParallelCase {
    const char* szName;
    std::string strArguments; // after the command; {dir} is the test's folder
    std::string strFaulty;    // the faulty adapter's scenario lines; empty: none
    double dTimeScale;
    // Checks the fittings afterwards, with the fault gone.
    std::function<void(CliParallel&)> check;
};

} // namespace

TEST_F(CliParallel, EveryCommandServesAllAdaptersAndAFaultFailsOnlyItsJob)
{
    StoreSettings("[Settings]\nDontChange=727587911\n"); // service mode, for flash
    // A faucet's settings with another run time, to apply.
    Adapters("");
    ASSERT_EQ(Run("save '" + (Dir() / "saved.xml").string() + "'").nExit, 0);
    std::ifstream saved(Dir() / "saved.xml");
    const std::string strSaved((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    const std::string strFile = Write("runtime.xml", std::regex_replace(strSaved, std::regex("<Runtime>1500</Runtime>"), "<Runtime>20</Runtime>"));
    const auto settingsAfter = [](CliParallel& test, const char* szSetting, int nExpected) {
        const std::vector<Json> reports = Reports(test.Run("read --adapter all --json"));
        for (int n = 0; n < kAdapters; ++n)
            if (n != kFaulty) {
                EXPECT_EQ(Setting(reports[static_cast<std::size_t>(n)], szSetting), nExpected) << n;
            }
    };
    const ParallelCase cases[] = {
        {"identify, fitting silent, real line timing", "identify", "fault = no_answer every 1", 1.0, nullptr},
        {"info, adapter pulled", "info", "fault = unplug_adapter next", 0, nullptr},
        {"read, bad checksums", "read", "fault = bad_checksum every 1", 0, [&](CliParallel& test) { settingsAfter(test, "Runtime", 1500); }},
        {"errors --clear, fitting refuses", "errors --clear --yes", "fault = target_error command 12", 0,
         [](CliParallel& test) {
             for (const Json& job : Jobs(test.Run("errors --adapter all --json")))
                 if (Int(At(job, "adapter")) != kFaulty) {
                     EXPECT_EQ(Int(At(At(job, "report"), "count")), 0);
                 }
         }},
        {"save, adapter pulled", "save --output '{dir}/unit-{serial}.xml'", "fault = unplug_adapter command 11 skip=3", 0,
         [](CliParallel& test) {
             for (int n = 0; n < kAdapters; ++n)
                 EXPECT_EQ(fs::exists(test.Dir() / ("unit-" + UnitSerial(n) + ".xml")), n != kFaulty) << n;
         }},
        {"apply, a write not heard", "apply " + strFile + " --yes", "fault = no_answer command 12 skip=1", 0,
         [&](CliParallel& test) { settingsAfter(test, "Runtime", 20); }},
        {"apply, another product", "apply " + strFile + " --yes", "fitting = Tarvo", 0, [&](CliParallel& test) { settingsAfter(test, "Runtime", 20); }},
        // A download cut short is retried for long: the image that does not fit fails at once.
        {"flash, image of another product", "flash '" + kImage + "'", "fitting = Tarvo", 0,
         [](CliParallel& test) {
             for (const Json& job : Jobs(test.Run("identify --adapter all --json")))
                 if (Int(At(job, "adapter")) != kFaulty) {
                     EXPECT_EQ(Text(At(At(At(job, "report"), "moduleInformation"), "SW version")), "V4.03");
                 }
         }},
    };
    for (const ParallelCase& c : cases) {
        SCOPED_TRACE(c.szName);
        for (int n = 0; n < kAdapters; ++n)
            fs::remove(Dir() / ("fitting" + std::to_string(n) + ".eep"));
        Adapters(c.strFaulty, c.dTimeScale);
        const std::string strArguments = std::regex_replace(c.strArguments, std::regex("\\{dir\\}"), Dir().string());
        ExpectOnlyTheFaultyFailed(Run(strArguments + " --adapter all --json --lang en"), kFaulty);
        Adapters(c.strFaulty.rfind("fitting =", 0) == 0 ? c.strFaulty : "");
        if (c.check)
            c.check(*this);
    }
}

TEST_F(CliParallel, TheTableNamesEachUnitAndWhyAJobFailed)
{
    Adapters("fault = no_answer every 1");
    const CliResult result = Run("info --adapter all --lang en");
    EXPECT_EQ(result.nExit, 1) << result.strErr;
    for (int n = 0; n < kAdapters; ++n) {
        const std::string strAdapter = std::to_string(n) + " (VB000" + std::to_string(n) + ")";
        // Each job's output under its adapter, then its row of the table.
        EXPECT_TRUE(Contains(result.strOut, "Adapter " + strAdapter + "\n")) << result.strOut;
        const std::regex row(std::to_string(n) + " \\(VB000" + std::to_string(n) + "\\) +" + (n == kFaulty ? "- +- +failed: No fitting answers\\." : UnitSerial(n) + " +23 030 03 01 +done") + "\n");
        EXPECT_TRUE(std::regex_search(result.strOut, row)) << n << "\n" << result.strOut;
    }
    EXPECT_TRUE(Contains(result.strErr, "Adapter 2: Error: Timeout")) << result.strErr;
    // Plain progress lines when standard error is no terminal.
    EXPECT_TRUE(Contains(result.strErr, "Adapter 0 (VB0000)     0000000000A0   done")) << result.strErr;

    Adapters("");
    const CliResult german = Run("read --adapter 1,3 --lang de");
    EXPECT_EQ(german.nExit, 0) << german.strErr;
    EXPECT_TRUE(std::regex_search(german.strOut, std::regex("Adapter +Geräteseriennummer +Artikelnummer +Ergebnis\n1 \\(VB0001\\) .*erledigt\n3 \\(VB0003\\) .*erledigt\n$")))
        << german.strOut;
    const CliResult missing = Run("identify --adapter 1,7 --json");
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_TRUE(Contains(missing.strOut, "There is no bus adapter number 7") || Contains(missing.strOut, "Es gibt keinen Busadapter Nummer 7"))
        << missing.strOut;
}

TEST_F(CliParallel, UsesThatCannotServeSeveralAdaptersAreRefused)
{
    Adapters("");
    for (const char* szArguments : {"valve state --adapter all", "eeprom dump --adapter 0,1", "save x.xml --adapter all",
                                    "apply x.xml --adapter all", "apply x.xml --adapter all --yes --backup b.xml", "errors --clear --adapter all",
                                    "identify --adapter 0,0", "identify --adapter 1,x", "identify --adapter every",
                                    "save a-{serial}.xml --output b-{serial}.xml --adapter all", "read --output r.xml"}) {
        const CliResult result = Run(szArguments);
        EXPECT_EQ(result.nExit, 2) << szArguments << "\n" << result.strOut << result.strErr;
        EXPECT_TRUE(result.strOut.empty()) << szArguments << "\n" << result.strOut;
    }
}

// Units of one serial number on two adapters would share a file named after
// it: no job writes, and the run says which adapters.
TEST_F(CliParallel, TwoUnitsOfOneSerialNumberWriteNoFile)
{
    Adapters("");
    ASSERT_EQ(Run("save '" + (Dir() / "saved.xml").string() + "' --no-log").nExit, 0);
    const std::string strFile =
        Write("runtime.xml", std::regex_replace(FileText(Dir() / "saved.xml"), std::regex("<Runtime>1500</Runtime>"), "<Runtime>20</Runtime>"));
    const std::string strSameSerial = "fitting_serial = " + UnitSerial(0);
    struct Case {
        const char* szName;
        std::string strArguments; // {dir} is the test's folder
        std::string strFaulty;    // adapter 2's scenario lines
        int nExit;
    };
    const Case cases[] = {
        {"save", "save --output '{dir}/unit-{serial}.xml'", strSameSerial, 2},
        {"save, another product", "save --output '{dir}/unit-{serial}.xml'", "fitting = Tarvo\n" + strSameSerial, 2},
        {"apply with backups named", "apply " + strFile + " --yes --backup '{dir}/unit-{serial}.xml'", strSameSerial, 2},
        {"apply with backups beside the file", "apply " + strFile + " --yes", strSameSerial, 2},
        // Commands that name no file after the unit serve them all.
        {"identify", "identify", strSameSerial, 0},
        {"apply, a dry run", "apply " + strFile + " --dry-run", strSameSerial, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szName);
        for (int n = 0; n < kAdapters; ++n)
            fs::remove(Dir() / ("fitting" + std::to_string(n) + ".eep"));
        Adapters(c.strFaulty);
        const CliResult result = Run(std::regex_replace(c.strArguments, std::regex("\\{dir\\}"), Dir().string()) + " --adapter all --lang en");
        EXPECT_EQ(result.nExit, c.nExit) << result.strErr;
        if (c.nExit != 0) {
            EXPECT_EQ(result.strOut, "");
            EXPECT_TRUE(Contains(result.strErr, "Error: The units on the adapters 0 (VB0000) and 2 (VB0002) have the same serial number "
                                                + UnitSerial(0) + ": their files would have the same name. Nothing was written.\n"
                                                  "Serve them in runs of their own, e.g. --adapter 0, then --adapter 2."))
                << result.strErr;
        }
        // No file, no write to a fitting, no visit.
        for (const fs::directory_entry& entry : fs::directory_iterator(Dir()))
            EXPECT_FALSE(Contains(entry.path().filename().string(), "unit-") || Contains(entry.path().filename().string(), "_backup_"))
                << entry.path();
        Adapters(c.strFaulty);
        const std::vector<Json> reports = Reports(Run("read --adapter all --json --no-log"));
        for (int n = 0; n < kAdapters; ++n)
            if (n != kFaulty || !Contains(c.strFaulty, "Tarvo")) {
                EXPECT_EQ(Setting(reports[static_cast<std::size_t>(n)], "Runtime"), 1500) << n;
            }
        EXPECT_EQ(Contains(Run("history --lang en").strOut, "No visit matches."), c.nExit != 0);
    }
}
