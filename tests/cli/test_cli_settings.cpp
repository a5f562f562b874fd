// fluxa-cli read, save and apply on simulated fittings that keep their
// EEPROM in a file between the runs, as a powered fitting keeps it.

#include "CliTestSupport.h"

#include <array>
#include <map>
#include <vector>

namespace {

// A fitting's field: address, size and a new value within the limits of
// its definition that differs from what the simulated fitting holds.
struct FieldCase {
    const char* szName;
    unsigned nAddress;
    unsigned nSize;
    unsigned nNewValue;
    unsigned nScale = 1; // the fitting keeps the value times this
};

const FieldCase kFields[] = {
    {"StartupProgramming", 0x5E, 1, 0},          {"LEDCurrentOff", 0x94, 1, 3},
    {"Maxruntime", 0x70, 2, 120},                {"Runtime", 0x72, 2, 2500},
    {"StagnationMode", 0x76, 1, 2},              {"StagnationRuntime", 0x79, 2, 90},
    {"StagnationCycleTime", 0x77, 2, 48},        {"PowerSavingTimeout", 0x9E, 1, 36},
    {"ThermaldisinfectionMode", 0xAB, 1, 1},     {"ThermaldisinfectionRuntime", 0xAC, 2, 240},
    {"NonStopOperationMode", 0xA8, 1, 0},        {"NonStopOperationRuntime", 0xA9, 2, 600},
    {"CleaningStopMode", 0x6C, 1, 1},            {"CleaningStopRuntime", 0x6D, 2, 120},
};

// Odd bytes by EEPROM map (see FamilyCase).
const char* const kOddValve = "eeprom 0x8B = FF\neeprom 0x88 = 07\neeprom 0x86 = 00 00\neeprom 0xE0 = 1B 5D 30 3B 41\n";
const char* const kOddFaucet = "eeprom 0x6C = 00 00 00\neeprom 0x94 = 09\neeprom 0xB0 = 1B 5D 30 3B 41\n";
const char* const kOddUrinalWc = "eeprom 0x72 = DC 05\neeprom 0xA4 = 09\neeprom 0xD0 = 41 1B 42\neeprom 0xC0 = FF FF FF\n";

// A fitting of each family with a file that changes every field, and the
// keys of another variant that its files never hold.
struct FamilyCase {
    const char* szProfile;
    const char* szArticle;
    std::vector<FieldCase> fields;
    std::vector<std::string> absent;
    // Bytes no page would write: a box's byte other than 0 and 1, values
    // beyond the limits or without a label, control characters in a text,
    // no installation date.
    const char* szOddBytes;
};
const FamilyCase kFamilies[] = {
    {"Tarvo", "230100101",
     {{"StartupProgramming", 0x7E, 1, 0}, {"SwitchLevel", 0x40, 2, 3}, {"FlushTime", 0x86, 2, 45},
      {"StagnationMode", 0x88, 1, 0}, {"StagnationRuntime", 0x91, 2, 600}, {"StagnationCycleTime", 0x89, 2, 300},
      {"ValveDeadTimeRuntime", 0x5B, 2, 400}, {"ValveDeadTimeTimeout", 0x52, 2, 900}, {"SimpleSwitchFunction", 0x8B, 1, 0}},
     {},
     kOddValve},
    {"TarvoV2", "230200201",
     {{"StartupProgramming", 0x7E, 1, 0}, {"SwitchLevel", 0x40, 2, 1}, {"FlushTime", 0x86, 2, 100},
      {"StagnationMode", 0x88, 1, 1}, {"StagnationRuntime", 0x91, 2, 90}, {"StagnationCycleTime", 0x89, 2, 300},
      {"ValveDeadTimeRuntime", 0x5B, 2, 45}, {"ValveDeadTimeTimeout", 0x52, 2, 0}, {"SimpleSwitchFunction", 0x8B, 1, 1}},
     {},
     kOddValve},
    {"Urinal", "230400401",
     {{"StartupProgramming", 0x5E, 1, 0}, {"LEDCurrentOff", 0xA4, 1, 3}, {"Runtime", 0x72, 2, 12, 1000},
      {"StagnationMode", 0x76, 1, 2}, {"StagnationRuntime", 0x79, 2, 300}, {"StagnationCycleTime", 0x77, 2, 168},
      {"PowerSavingTimeout", 0x8E, 1, 0}, {"ComfortFlushMode", 0xAD, 1, 0}, {"ComfortFlushLastUsed", 0xAE, 1, 240},
      {"StadiumMode", 0xA2, 1, 1}, {"StadiumRuntime", 0xA0, 2, 900}, {"StadiumDelta", 0x9D, 2, 120},
      {"AirtrapMode", 0xAB, 1, 0}, {"AirtrapLastUsed", 0xAC, 1, 168}},
     {"FlushIndex"},
     kOddUrinalWc},
    {"WC", "230500501",
     {{"StartupProgramming", 0x5E, 1, 0}, {"LEDCurrentOff", 0xA4, 1, 1}, {"FlushIndex", 0xC8, 1, 4},
      {"StagnationMode", 0x76, 1, 2}, {"StagnationRuntime", 0x79, 2, 45}, {"StagnationCycleTime", 0x77, 2, 12},
      {"PowerSavingTimeout", 0x8E, 1, 36}},
     {"Runtime", "ComfortFlushMode", "StadiumMode", "AirtrapMode"},
     kOddUrinalWc},
};

using Eeprom = std::array<unsigned char, 0x200>;

// The EEPROM rows of the simulator's state file ("0x0010: 00 11 ...").
Eeprom ReadEepromFile(const fs::path& path)
{
    Eeprom eeprom{};
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("0x", 0) != 0)
            continue;
        std::istringstream fields(line);
        std::string address;
        fields >> address;
        const unsigned nRow = std::stoul(address, nullptr, 16);
        for (unsigned i = 0; i < 16 && nRow + i < eeprom.size(); ++i) {
            std::string byte;
            fields >> byte;
            eeprom[nRow + i] = static_cast<unsigned char>(std::stoul(byte, nullptr, 16));
        }
    }
    return eeprom;
}

void ExpectEveryRowSumRight(const Eeprom& eeprom)
{
    for (std::size_t nRow = 0; nRow < eeprom.size(); nRow += 16) {
        unsigned char bySum = 0;
        for (std::size_t i = 0; i < 15; ++i)
            bySum = static_cast<unsigned char>(bySum + eeprom[nRow + i]);
        EXPECT_EQ(bySum, eeprom[nRow + 15]) << "row 0x" << std::hex << nRow;
    }
}

unsigned Value(const Eeprom& eeprom, const FieldCase& field)
{
    return field.nSize == 1 ? eeprom[field.nAddress] : eeprom[field.nAddress] + 256u * eeprom[field.nAddress + 1];
}

template <class Fields>
std::string SettingsFile(const std::string& strArticle, const std::string& strSheet, const Fields& fields,
                         const std::map<std::string, unsigned>& changed = {})
{
    std::string text = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file><ArticleNumber>" + strArticle +
                       "</ArticleNumber><ConfigSheet>" + strSheet + "</ConfigSheet><Settings>\n";
    for (const FieldCase& field : fields) {
        const unsigned nValue = changed.contains(field.szName) ? changed.at(field.szName) : field.nNewValue;
        text += "<" + std::string(field.szName) + ">" + std::to_string(nValue) + "</" + field.szName + ">\n";
    }
    return text + "<Installer>Fa. Keller</Installer><InstallLocation>Hall 3, basin left</InstallLocation></Settings></file>\n";
}

std::string ConfigurationFile(const std::string& strArticle, const std::map<std::string, unsigned>& changed = {})
{
    return SettingsFile(strArticle, "Ambra", kFields, changed);
}

// The value of a setting in the JSON of 'read --json'.
unsigned long JsonValue(const std::string& json, const std::string& strName)
{
    const std::size_t nName = json.find("\"name\": \"" + strName + "\"");
    if (nName == std::string::npos)
        throw std::invalid_argument(strName);
    return std::stoul(json.substr(json.find("\"value\": ", nName) + 9));
}

// The strings of a JSON array as fluxa-cli prints it, one per line.
std::vector<std::string> JsonArray(const std::string& json, const std::string& key)
{
    std::vector<std::string> items;
    const std::size_t nStart = json.find("\"" + key + "\": [");
    if (nStart == std::string::npos)
        return items;
    const std::size_t nEnd = json.find(']', nStart);
    std::istringstream lines(json.substr(nStart, nEnd - nStart));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line))
        if (const std::size_t nQuote = line.find('"'); nQuote != std::string::npos)
            items.push_back(line.substr(nQuote + 1, line.rfind('"') - nQuote - 1));
    return items;
}

// Whether a trace file of the simulator shows an EEPROM write (opcode 0B)
// sent to the fitting.
bool TraceHasEepromWrite(const fs::path& path)
{
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string start, device, direction, speed, lineTime, sync, address, length, opcode;
        if (fields >> start >> device >> direction >> speed >> lineTime >> sync >> address >> length >> opcode
            && direction == "TX" && opcode == "0B")
            return true;
    }
    return false;
}

bool Has(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

class CliSettings : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        Faucet();
    }
    // The fitting starts at once after a restart: at time scale 0 the
    // simulator does not see the tool's pauses.
    void Fitting(const std::string& strProfile, const std::string& strExtra = "")
    {
        Scenario("time_scale = 0\n[adapter]\nserial = VB4711\nfitting = " + strProfile + "\nstartup_ms = 0\nready_ms = 0\n"
                 "eeprom_file = " + EepromFile().string() + "\n" + strExtra);
    }
    // The faucet runs non-stop operation, so that the file's thermal
    // disinfection changes both modes.
    void Faucet(const std::string& strExtra = "") { Fitting("Ambra", "eeprom 0xA8 = 01\neeprom 0xAE = 02\n" + strExtra); }
    fs::path EepromFile() const { return Dir() / "fitting.eep"; }
    // Runs with the simulator's trace in a file of its own.
    CliResult RunTraced(const std::string& strArguments, const fs::path& trace)
    {
        fs::remove(trace);
        ::setenv("VELMOR_SIM_TRACE", trace.c_str(), 1);
        CliResult result = Run(strArguments);
        ::unsetenv("VELMOR_SIM_TRACE");
        return result;
    }
    std::string Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(Dir() / strName) << strText;
        return "'" + (Dir() / strName).string() + "'";
    }
};

} // namespace

TEST_F(CliSettings, ApplyChangesEveryFieldAndTheFittingHoldsThem)
{
    const CliResult before = Run("read --lang en");
    ASSERT_EQ(before.nExit, 0) << before.strErr;
    EXPECT_TRUE(Contains(before.strOut, "NonStopOperationMode        1 (on)")) << before.strOut;

    const CliResult applied = Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --lang en");
    ASSERT_EQ(applied.nExit, 0) << applied.strErr << applied.strOut;
    for (const FieldCase& field : kFields)
        EXPECT_TRUE(Contains(applied.strOut, "\n  " + std::string(field.szName) + " ")) << field.szName << "\n" << applied.strOut;
    EXPECT_TRUE(Contains(applied.strOut, "the fitting holds every value")) << applied.strOut;

    const Eeprom eeprom = ReadEepromFile(EepromFile());
    for (const FieldCase& field : kFields)
        EXPECT_EQ(Value(eeprom, field), field.nNewValue) << field.szName;
    EXPECT_EQ(eeprom[0xAE], 1); // special operation: thermal disinfection
    EXPECT_EQ(std::string(eeprom.begin() + 0xB0, eeprom.begin() + 0xBA), "Fa. Keller");
    ExpectEveryRowSumRight(eeprom);

    const CliResult after = Run("read --json");
    ASSERT_EQ(after.nExit, 0) << after.strErr;
    for (const FieldCase& field : kFields)
        EXPECT_EQ(JsonValue(after.strOut, field.szName), field.nNewValue) << field.szName;
    EXPECT_TRUE(Contains(after.strOut, "\"installer\": \"Fa. Keller\"")) << after.strOut;
    EXPECT_TRUE(Contains(after.strOut, "\"placement\": \"Hall 3, basin left\"")) << after.strOut;

    // What save writes, apply takes back without a change.
    const CliResult saved = Run("save " + (Dir() / "saved.xml").string());
    ASSERT_EQ(saved.nExit, 0) << saved.strErr;
    const CliResult again = Run("apply " + (Dir() / "saved.xml").string() + " --yes --json");
    ASSERT_EQ(again.nExit, 0) << again.strErr;
    EXPECT_TRUE(Contains(again.strOut, "\"changes\": []")) << again.strOut;
}

TEST_F(CliSettings, ALineFaultMidWayIsReportedAndTheBackupRestoresTheFitting)
{
    // Bytes the limits refuse and a text no XML file can hold come back too.
    Faucet(kOddFaucet);
    const CliResult original = Run("read --json");
    ASSERT_EQ(original.nExit, 0) << original.strErr;
    const Eeprom before = ReadEepromFile(EepromFile());
    const std::string backup = (Dir() / "backup.xml").string();
    Faucet(kOddFaucet + std::string("fault = no_answer command 12 skip=5\n")); // the sixth row write is not heard

    const CliResult failed = Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --json --lang en --backup " + backup);
    EXPECT_EQ(failed.nExit, 1);
    EXPECT_TRUE(Contains(failed.strOut, "\"failed\": \"StagnationCycleTime\"")) << failed.strOut;
    const std::vector<std::string> written = JsonArray(failed.strOut, "written");
    const std::vector<std::string> notWritten = JsonArray(failed.strOut, "notWritten");
    for (const char* szName : {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode"}) {
        EXPECT_TRUE(Has(written, szName)) << szName << "\n" << failed.strOut;
        EXPECT_FALSE(Has(notWritten, szName)) << szName;
    }
    for (const char* szName : {"StagnationRuntime", "CleaningStopRuntime", "SpecialOperation", "Installer", "InstallLocation"}) {
        EXPECT_TRUE(Has(notWritten, szName)) << szName << "\n" << failed.strOut;
        EXPECT_FALSE(Has(written, szName)) << szName;
    }
    EXPECT_TRUE(Contains(failed.strOut, "\"backup\": \"" + backup + "\"")) << failed.strOut;
    EXPECT_TRUE(Contains(failed.strErr, "The fitting may now hold a mix of old and new settings. Apply the backup file " + backup))
        << failed.strErr;
    const Eeprom half = ReadEepromFile(EepromFile());
    EXPECT_EQ(Value(half, kFields[3]), 2500u); // Runtime, written before the fault
    EXPECT_EQ(Value(half, kFields[6]), 24u);   // StagnationCycleTime, as it was
    ExpectEveryRowSumRight(half);

    Faucet(kOddFaucet);
    const CliResult restored = Run("apply '" + backup + "' --yes --lang en");
    ASSERT_EQ(restored.nExit, 0) << restored.strErr << restored.strOut;
    EXPECT_EQ(Run("read --json").strOut, original.strOut);
    EXPECT_EQ(ReadEepromFile(EepromFile()), before);
}

TEST_F(CliSettings, SaveThenApplyOnTheSameOddFittingChangesNothing)
{
    const struct {
        const char* szProfile;
        const char* szOddBytes;
    } cases[] = {{"Tarvo", kOddValve},     {"TarvoV2", kOddValve},    {"Ambra", kOddFaucet},  {"Ambra2", kOddFaucet},
                 {"Pelio", kOddFaucet},    {"Culina", kOddFaucet},    {"Urinal", kOddUrinalWc}, {"WC", kOddUrinalWc}};
    const fs::path trace = Dir() / "trace.txt";
    const std::string saved = (Dir() / "saved.xml").string();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szProfile);
        fs::remove(EepromFile());
        Fitting(c.szProfile, c.szOddBytes);
        const CliResult save = Run("save '" + saved + "' --lang en");
        ASSERT_EQ(save.nExit, 0) << save.strErr;
        const Eeprom before = ReadEepromFile(EepromFile());

        const CliResult dry = Run("apply '" + saved + "' --dry-run --json");
        EXPECT_EQ(dry.nExit, 0) << dry.strErr;
        EXPECT_TRUE(Contains(dry.strOut, "\"changes\": []")) << dry.strOut;
        const CliResult applied = RunTraced("apply '" + saved + "' --yes --lang en", trace);
        EXPECT_EQ(applied.nExit, 0) << applied.strErr;
        EXPECT_TRUE(Contains(applied.strOut, "nothing was written")) << applied.strOut;
        EXPECT_FALSE(TraceHasEepromWrite(trace));
        EXPECT_EQ(ReadEepromFile(EepromFile()), before);
    }
    // An unprogrammed simple switch is off, in the file as on the page.
    fs::remove(EepromFile());
    Fitting("TarvoV2", kOddValve);
    ASSERT_EQ(Run("save '" + saved + "'").nExit, 0);
    std::ifstream valve(saved);
    EXPECT_TRUE(Contains(std::string(std::istreambuf_iterator<char>(valve), {}), "<SimpleSwitchFunction>0<"));
}

TEST_F(CliSettings, ReadListsTheRowsTheVariantShowsAndSaveKeepsEveryField)
{
    // Pelio and Culina have no detection range and no maximum runtime on
    // their page; Culina has no special operations either.
    const std::vector<std::string> kCommon{"StartupProgramming", "Runtime", "StagnationMode", "StagnationRuntime",
                                           "StagnationCycleTime", "PowerSavingTimeout"};
    const std::vector<std::string> kSpecial{"ThermaldisinfectionMode", "ThermaldisinfectionRuntime", "NonStopOperationMode",
                                            "NonStopOperationRuntime", "CleaningStopMode", "CleaningStopRuntime"};
    const std::vector<std::string> kAmbraOwn{"LEDCurrentOff", "Maxruntime"};
    const struct {
        const char* szProfile;
        std::vector<std::vector<std::string>> shown;
        std::vector<std::vector<std::string>> hidden;
    } cases[] = {{"Ambra", {kCommon, kSpecial, kAmbraOwn}, {}},
                 {"Pelio", {kCommon, kSpecial}, {kAmbraOwn}},
                 {"Culina", {kCommon}, {kSpecial, kAmbraOwn}}};
    const fs::path saved = Dir() / "saved.xml";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szProfile);
        fs::remove(EepromFile());
        Fitting(c.szProfile);
        const CliResult json = Run("read --json");
        const CliResult text = Run("read --lang en");
        ASSERT_EQ(json.nExit, 0) << json.strErr;
        ASSERT_EQ(text.nExit, 0) << text.strErr;
        ASSERT_EQ(Run("save '" + saved.string() + "'").nExit, 0);
        std::ifstream in(saved);
        const std::string strSaved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& names : c.shown)
            for (const std::string& strName : names) {
                EXPECT_TRUE(Contains(json.strOut, "\"name\": \"" + strName + "\"")) << strName;
                EXPECT_TRUE(Contains(text.strOut, "\n  " + strName + " ")) << strName;
            }
        for (const auto& names : c.hidden)
            for (const std::string& strName : names) {
                EXPECT_FALSE(Contains(json.strOut, "\"name\": \"" + strName + "\"")) << strName;
                EXPECT_FALSE(Contains(text.strOut, strName)) << strName;
                EXPECT_TRUE(Contains(strSaved, "<" + strName + ">")) << strName; // still read and saved
            }
    }
}

TEST_F(CliSettings, ABackupGivesTheFittingBackByteForByte)
{
    std::vector<FamilyCase> cases(std::begin(kFamilies), std::end(kFamilies));
    cases.push_back({"Ambra", "230300301", {std::begin(kFields), std::end(kFields)}, {}, kOddFaucet});
    const std::string backup = (Dir() / "backup.xml").string();
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(c.szProfile);
        fs::remove(EepromFile());
        fs::remove(backup);
        Fitting(c.szProfile, c.szOddBytes);
        ASSERT_EQ(Run("read").nExit, 0); // the state file now holds the odd bytes
        const Eeprom before = ReadEepromFile(EepromFile());
        const CliResult applied = Run("apply " + Write("new.xml", SettingsFile(c.szArticle, c.szProfile, c.fields)) +
                                      " --yes --lang en --backup '" + backup + "'");
        ASSERT_EQ(applied.nExit, 0) << applied.strErr << applied.strOut;
        ASSERT_NE(ReadEepromFile(EepromFile()), before);

        const CliResult restored = Run("apply '" + backup + "' --yes --json --lang en");
        ASSERT_EQ(restored.nExit, 0) << restored.strErr << restored.strOut;
        EXPECT_TRUE(Contains(restored.strOut, "\"notHeld\": []")) << restored.strOut;
        EXPECT_EQ(ReadEepromFile(EepromFile()), before);
    }
}

TEST_F(CliSettings, TheBackupReplacesNoFileUnaskedAndNeverTheFileApplied)
{
    const std::string strNew = ConfigurationFile("230300301");
    const fs::path file = Dir() / "new.xml";
    const fs::path other = Dir() / "other.xml";
    const fs::path link = Dir() / "link.xml";
    fs::create_symlink(file, link);
    ASSERT_EQ(Run("read").nExit, 0);
    const Eeprom before = ReadEepromFile(EepromFile());
    const fs::path trace = Dir() / "trace.txt";
    const struct {
        fs::path backup;
        const char* szOptions;
        const char* szError;
    } cases[] = {
        {file, "", "The backup file is the file being applied"},
        {link, "--force", "The backup file is the file being applied"},
        {Dir() / "." / "new.xml", "--force", "The backup file is the file being applied"},
        {other, "", "exists already"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.backup.string());
        Write("new.xml", strNew);
        std::ofstream(other) << "keep";
        const CliResult result = RunTraced("apply '" + file.string() + "' --yes --lang en --backup '" + c.backup.string() + "' " + c.szOptions, trace);
        EXPECT_EQ(result.nExit, 1);
        EXPECT_TRUE(Contains(result.strErr, c.szError)) << result.strErr;
        EXPECT_FALSE(TraceHasEepromWrite(trace));
        std::ifstream applied(file);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(applied), {}), strNew);
        std::ifstream kept(other);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    }
    EXPECT_EQ(ReadEepromFile(EepromFile()), before);
    const CliResult forced = Run("apply '" + file.string() + "' --yes --lang en --backup '" + other.string() + "' --force");
    ASSERT_EQ(forced.nExit, 0) << forced.strErr;
    std::ifstream replaced(other);
    EXPECT_TRUE(Contains(std::string(std::istreambuf_iterator<char>(replaced), {}), "<Runtime>1500</Runtime>"));
}

TEST_F(CliSettings, ValuesTheFittingDoesNotHoldAfterTheRestartFailTheApply)
{
    Faucet("fault = exchange_fitting command 1\n"); // a fresh faucet answers the restart
    const CliResult result = Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --json --lang en");
    EXPECT_EQ(result.nExit, 1);
    EXPECT_TRUE(Contains(result.strErr, "The fitting does not hold every value written.")) << result.strErr;
    EXPECT_TRUE(Contains(result.strOut, "\"readBack\": \"1500\",\n            \"setting\": \"Runtime\",\n            \"written\": \"2500\""))
        << result.strOut;
}

// What the service record says of each write, from its journal: the
// visit's item lines as "history show" prints them.
TEST_F(CliSettings, TheRecordSaysWhatTheFittingHoldsAfterEachWrite)
{
    const struct {
        const char* szCase;
        const char* szFault;
        int nExit;
        std::vector<std::string> lines; // expected among the visit's lines
        std::vector<std::string> absent;
        unsigned nRuntimeAfter;         // what the fitting holds afterwards
    } cases[] = {
        {"a write acknowledged but not kept", "fault = ignore_write command 12 address=0x72-0x73\n", 1,
         {"Runtime: 1500 -> 2500, the fitting holds 1500", "Maxruntime: 60 -> 120\n", "Outcome: some-not-held"},
         {"not written"},
         1500},
        {"the adapter pulled after the second write", "fault = unplug_adapter command 12 skip=2\n", 1,
         {"StartupProgramming: 1 -> 0 (written, not checked)", "Maxruntime: 60 -> 120 (cut off while written: may or may not be stored)",
          "Runtime: 1500 -> 2500 (not written)", "Outcome: cut-writing"},
         {"not held"},
         1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szCase);
        fs::remove_all(Dir() / "data");
        fs::remove(EepromFile());
        Faucet(c.szFault);
        const CliResult result = Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --lang en --force --backup " +
                                     (Dir() / "backup.xml").string());
        EXPECT_EQ(result.nExit, c.nExit) << result.strErr << result.strOut;
        EXPECT_EQ(Value(ReadEepromFile(EepromFile()), kFields[3]), c.nRuntimeAfter);
        const CliResult visit = Run("history show 1 --lang en");
        ASSERT_EQ(visit.nExit, 0) << visit.strErr;
        for (const std::string& strLine : c.lines)
            EXPECT_TRUE(Contains(visit.strOut, strLine)) << strLine << "\n" << visit.strOut;
        for (const std::string& strAbsent : c.absent)
            EXPECT_FALSE(Contains(visit.strOut, strAbsent)) << strAbsent << "\n" << visit.strOut;
    }
}

TEST_F(CliSettings, ARestoredBackupIsRecordedAsTheSettingsItChangedBack)
{
    Faucet();
    const std::string backup = (Dir() / "backup.xml").string();
    ASSERT_EQ(Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --lang en --backup " + backup).nExit, 0);
    fs::remove_all(Dir() / "data");
    const CliResult restored = Run("apply '" + backup + "' --yes --lang en");
    ASSERT_EQ(restored.nExit, 0) << restored.strErr << restored.strOut;
    EXPECT_EQ(Value(ReadEepromFile(EepromFile()), kFields[3]), 1500u);
    const CliResult visit = Run("history show 1 --lang en");
    ASSERT_EQ(visit.nExit, 0) << visit.strErr;
    for (const char* szLine : {"Runtime: 2500 -> 1500\n", "Maxruntime: 120 -> 60\n", "Outcome: all-held"})
        EXPECT_TRUE(Contains(visit.strOut, szLine)) << szLine << "\n" << visit.strOut;
    for (const char* szAbsent : {"-> ''", "not held", "InstallLocation:  ->"})
        EXPECT_FALSE(Contains(visit.strOut, szAbsent)) << szAbsent << "\n" << visit.strOut;
}

// A disturbed answer to the restart that ends a complete write: the fitting
// restarted all the same, and the readiness polling tells.
TEST_F(CliSettings, ADisturbedAnswerToTheRestartDoesNotFailTheWrite)
{
    for (const char* szFault : {"fault = bad_checksum command 1\n", "fault = garbage command 1\n", "fault = late_answer command 1\n",
                                "fault = no_answer command 1\n"}) {
        SCOPED_TRACE(szFault);
        fs::remove(EepromFile());
        Faucet(szFault);
        const CliResult result = Run("apply " + Write("new.xml", ConfigurationFile("230300301")) + " --yes --lang en --force --backup " +
                                     (Dir() / "backup.xml").string());
        EXPECT_EQ(result.nExit, 0) << result.strErr << result.strOut;
        EXPECT_TRUE(Contains(result.strOut, "Written and read back: the fitting holds every value.")) << result.strOut;
        const Eeprom after = ReadEepromFile(EepromFile());
        for (const FieldCase& field : kFields)
            EXPECT_EQ(Value(after, field), field.nNewValue) << field.szName;
    }
}

TEST_F(CliSettings, RefusedAppliesWriteNothing)
{
    const struct {
        const char* szCase;
        std::string strFile;
        std::string strOptions;
        const char* szError;
    } cases[] = {
        {"both special operations", ConfigurationFile("230300301", {{"NonStopOperationMode", 1}}), "--yes",
         "Non-stop operation mode and the thermal disinfection can't be enabled at the same time."},
        {"a value beyond its limit", ConfigurationFile("230300301", {{"Runtime", 3001}}), "--yes",
         "Runtime: Enter a valid value in the range from (0) to (3000)."},
        {"a label value the definition lacks", ConfigurationFile("230300301", {{"LEDCurrentOff", 7}}), "--yes",
         "LEDCurrentOff: Enter a valid value in the range from (1) to (3)."},
        {"a file of another product", ConfigurationFile("230600601"), "--yes",
         "The configured article number (230600601) is not equal to the \nread one (230300301)"},
        {"an unknown product", ConfigurationFile("239999999"), "--yes",
         "Error: The configuration file \"file.xml\" is for article number 23 999 99 99, which no product definition knows."},
        {"no answer to the question", ConfigurationFile("230300301"), "", "Nothing was written."},
    };
    const fs::path trace = Dir() / "trace.txt";
    for (const auto& c : cases) {
        const CliResult result = RunTraced("apply " + Write("file.xml", c.strFile) + " --lang en " + c.strOptions, trace);
        EXPECT_EQ(result.nExit, 1) << c.szCase;
        EXPECT_TRUE(Contains(result.strErr, c.szError)) << c.szCase << "\n" << result.strErr;
        ASSERT_TRUE(fs::exists(trace));
        EXPECT_FALSE(TraceHasEepromWrite(trace)) << c.szCase;
    }
    const CliResult dry = RunTraced("apply " + Write("file.xml", ConfigurationFile("230300301")) + " --dry-run --lang en", trace);
    EXPECT_EQ(dry.nExit, 0) << dry.strErr;
    EXPECT_TRUE(Contains(dry.strOut, "Runtime                     1500                            2500")) << dry.strOut;
    EXPECT_FALSE(TraceHasEepromWrite(trace));
}

TEST_F(CliSettings, EveryProductFamilyRoundTrips)
{
    for (const FamilyCase& c : kFamilies) {
        fs::remove(EepromFile());
        Fitting(c.szProfile);
        const CliResult applied = Run("apply " + Write("new.xml", SettingsFile(c.szArticle, c.szProfile, c.fields)) + " --yes --lang en");
        ASSERT_EQ(applied.nExit, 0) << c.szProfile << "\n" << applied.strErr << applied.strOut;
        EXPECT_TRUE(Contains(applied.strOut, "the fitting holds every value")) << applied.strOut;
        const Eeprom eeprom = ReadEepromFile(EepromFile());
        for (const FieldCase& field : c.fields)
            EXPECT_EQ(Value(eeprom, field), field.nNewValue * field.nScale) << c.szProfile << " " << field.szName;
        ExpectEveryRowSumRight(eeprom);

        const CliResult after = Run("read --json");
        ASSERT_EQ(after.nExit, 0) << after.strErr;
        for (const FieldCase& field : c.fields)
            EXPECT_EQ(JsonValue(after.strOut, field.szName), field.nNewValue) << c.szProfile << " " << field.szName;
        EXPECT_TRUE(Contains(after.strOut, "\"installer\": \"Fa. Keller\"")) << after.strOut;

        const fs::path saved = Dir() / "saved.xml";
        ASSERT_EQ(Run("save '" + saved.string() + "'").nExit, 0) << c.szProfile;
        std::ifstream in(saved);
        const std::string strSaved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const FieldCase& field : c.fields)
            EXPECT_TRUE(Contains(strSaved, "<" + std::string(field.szName) + ">" + std::to_string(field.nNewValue) + "<"))
                << c.szProfile << " " << field.szName << "\n" << strSaved;
        for (const std::string& strKey : c.absent)
            EXPECT_FALSE(Contains(strSaved, "<" + strKey + ">")) << c.szProfile << " " << strKey;
        const CliResult again = Run("apply '" + saved.string() + "' --yes --json");
        ASSERT_EQ(again.nExit, 0) << again.strErr;
        EXPECT_TRUE(Contains(again.strOut, "\"changes\": []")) << c.szProfile << "\n" << again.strOut;
    }
}

TEST_F(CliSettings, AnOldValveApplicationRefusesNewModesBeforeAnythingIsWritten)
{
    const FieldCase kValve[] = {
        {"StartupProgramming", 0x7E, 1, 1}, {"SwitchLevel", 0x40, 2, 2},         {"FlushTime", 0x86, 2, 7},
        {"StagnationMode", 0x88, 1, 1},     {"StagnationRuntime", 0x91, 2, 30},  {"StagnationCycleTime", 0x89, 2, 72},
        {"ValveDeadTimeRuntime", 0x5B, 2, 30}, {"ValveDeadTimeTimeout", 0x52, 2, 0}, {"SimpleSwitchFunction", 0x8B, 1, 0}};
    const struct {
        std::map<std::string, unsigned> changed;
        const char* szError;
    } cases[] = {
        {{{"StagnationMode", 2}}, "The stagnation mode (Fixed interval) is not supported by the application version V2.06."},
        {{{"SimpleSwitchFunction", 1}}, "The simple switch mode is not supported by the application version V2.06."},
    };
    Fitting("Tarvo");
    const fs::path trace = Dir() / "trace.txt";
    for (const auto& c : cases) {
        const CliResult result = RunTraced("apply " + Write("file.xml", SettingsFile("230100101", "Tarvo", kValve, c.changed)) +
                                               " --yes --lang en",
                                           trace);
        EXPECT_EQ(result.nExit, 1) << c.szError;
        EXPECT_TRUE(Contains(result.strErr, c.szError)) << result.strErr;
        EXPECT_FALSE(TraceHasEepromWrite(trace)) << c.szError;
    }
}

TEST_F(CliSettings, HelpNamesTheOptionsAndJsonKeys)
{
    const CliResult help = Run("apply --help");
    EXPECT_EQ(help.nExit, 0);
    for (const char* part : {"--dry-run", "--backup <file>", "--force", "--yes", "changes [{setting, fitting, file}]", "notWritten", "notHeld"})
        EXPECT_TRUE(Contains(help.strOut, part)) << part << "\n" << help.strOut;
    EXPECT_EQ(Run("read --backup x").nExit, 2); // an option of apply only
}
