// The flush valve settings models (both generations) against the simulated
// valves: where they read and write, the group boxes kept in value bytes,
// the version checks before a write, and what the EEPROM holds afterwards.

#include "SettingsModelTest.h"

#include <functional>
#include <map>

namespace {

constexpr const char* kTarvo = "230100101";   // application V2.06: old
constexpr const char* kTarvoV2 = "230200201"; // V3.01

// Where the valves keep each setting (one map for both generations).
const FieldCase kFields[] = {
    {"StartupProgramming", 0x7E, 1, 0},       {"SwitchLevel", 0x40, 2, 3},
    {"FlushTime", 0x86, 2, 45},               {"StagnationMode", 0x88, 1, 2},
    {"StagnationCycleTime", 0x89, 2, 300},    {"StagnationRuntime", 0x91, 2, 0x0258},
    {"ValveDeadTimeTimeout", 0x52, 2, 0x0384}, {"ValveDeadTimeRuntime", 0x5B, 2, 0x0190},
    {"SimpleSwitchFunction", 0x8B, 1, 1},
};

const FieldCase& Field(const std::string& strName)
{
    for (const FieldCase& field : kFields)
        if (strName == field.szName)
            return field;
    throw std::invalid_argument(strName);
}

const char* const kStagnationRefusal = "The stagnation mode (Fixed interval) is not supported by the application version V%s.\n\n"
                                       "Please upgrade the faucets SW to use this option.";
const char* const kSimpleSwitchRefusal = "The simple switch mode is not supported by the application version V%s.\n\n"
                                         "Please upgrade the faucets SW to use this option.";

std::string Refusal(const char* szFormat, const std::string& strVersion)
{
    std::string strText = szFormat;
    return strText.replace(strText.find("%s"), 2, strVersion);
}

class FlushValveModel : public SettingsModelTest {
protected:
    // The valve of the article on the line, with the application version.
    void Plug(const std::string& strArticle, const char* szVersion = nullptr)
    {
        const bool bSecond = strArticle == kTarvoV2;
        ASSERT_EQ(m_sim.api.PlugFitting(0, bSecond ? "TarvoV2" : "Tarvo"), VSIM_OK);
        if (szVersion != nullptr) {
            ASSERT_EQ(m_sim.api.SetVersions(0, bSecond ? 1 : 0, nullptr, szVersion), VSIM_OK) << m_sim.api.GetLastError();
        }
    }
    // A loaded file with the table's settings, changed by the map.
    CDeviceConfig File(const std::map<std::string, DWORD>& changed = {})
    {
        CToolConfigXML file;
        for (const FieldCase& field : kFields)
            file.SetSettingValue(field.szName, changed.contains(field.szName) ? changed.at(field.szName) : field.dwValue);
        file.SetSettingText("Installer", "Fa. Keller");
        file.SetSettingText("InstallLocation", "WC 4, ground floor");
        return file.GetConfig();
    }
};

} // namespace

TEST_F(FlushValveModel, BothGenerationsReadEveryFieldFromItsAddressWithItsSize)
{
    for (const char* szArticle : {kTarvo, kTarvoV2}) {
        Plug(szArticle);
        for (const FieldCase& field : kFields)
            PokeValue(field, field.dwValue);
        CSettingsModel model = Model(szArticle);
        m_sim.api.ClearTrace();
        Read(model);

        for (const FieldCase& field : kFields)
            EXPECT_EQ(model.LastRead().Number(field.szName), field.dwValue) << szArticle << " " << field.szName;
        const std::vector<EepromAccess> expected = {
            {'R', 0x20, 5}, {'R', 0x7E, 1}, {'R', 0x40, 2}, {'R', 0x86, 2}, {'R', 0x88, 1},  {'R', 0x91, 2},  {'R', 0x89, 2},
            {'R', 0x52, 2}, {'R', 0x5B, 2}, {'R', 0x8B, 1}, {'R', 0xE0, 15}, {'R', 0xC0, 15}, {'R', 0xD0, 15}, {'R', 0xB0, 5}};
        EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected) << szArticle;

        const CSettingsForm& form = model.Form();
        EXPECT_EQ(form.texts.at("SwitchLevel"), "Firm");
        EXPECT_EQ(form.texts.at("StagnationMode"), "Fixed interval");
        EXPECT_EQ(form.texts.at("StagnationCycleTime"), "300");
        EXPECT_EQ(form.texts.at("ValveDeadTimeTimeout"), "900");
        EXPECT_FALSE(form.switches.at("StartupProgramming"));
        EXPECT_TRUE(form.switches.at("StagnationMode"));
        EXPECT_TRUE(form.switches.at("ValveDeadTimeTimeout"));
        EXPECT_TRUE(form.switches.at("SimpleSwitchFunction"));
        EXPECT_EQ(form.strInstaller, "Müller Haustech");
        EXPECT_EQ(form.strPlacement, "Building A, floor 2, room 12");
        EXPECT_EQ(form.date, (CDate{2024, 6, 3}));
    }
}

TEST_F(FlushValveModel, BoxesKeptInValueBytes)
{
    const struct {
        const char* szField;
        std::vector<BYTE> stored;
        const char* szSwitch;
        bool bOn;
        const char* szShown; // nullptr: a box alone
    } cases[] = {
        {"ValveDeadTimeTimeout", {0x00, 0x00}, "ValveDeadTimeTimeout", false, "1"},
        {"ValveDeadTimeTimeout", {0x05, 0x00}, "ValveDeadTimeTimeout", true, "5"},
        {"StagnationMode", {0x00}, "StagnationMode", false, "After last use"},
        {"SimpleSwitchFunction", {0x01}, "SimpleSwitchFunction", true, nullptr},
        {"SimpleSwitchFunction", {0x02}, "SimpleSwitchFunction", false, nullptr},
        {"SimpleSwitchFunction", {0xFF}, "SimpleSwitchFunction", false, nullptr}, // never programmed
    };
    Plug(kTarvo);
    for (const auto& c : cases) {
        Poke(Field(c.szField).nAddress, c.stored);
        CSettingsModel model = Model(kTarvo);
        Read(model);
        EXPECT_EQ(model.Form().switches.at(c.szSwitch), c.bOn) << c.szField << " " << int(c.stored[0]);
        if (c.szShown != nullptr) {
            EXPECT_EQ(model.Form().texts.at(c.szField), c.szShown) << c.szField << " " << int(c.stored[0]);
        }
    }
}

TEST_F(FlushValveModel, HoldOffPeriodOffWritesZeroWhateverItsRowHolds)
{
    Plug(kTarvoV2); // hold-off after 10 min
    CSettingsModel model = Model(kTarvoV2);
    Read(model);
    model.Form().switches["ValveDeadTimeTimeout"] = false;
    model.Form().texts["ValveDeadTimeTimeout"] = "50";
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;
    EXPECT_EQ(PeekValue(Field("ValveDeadTimeTimeout")), 0u);
    EXPECT_EQ(PeekValue(Field("ValveDeadTimeRuntime")), 30u); // still written
    ExpectEveryRowSumRight();
}

TEST_F(FlushValveModel, WritesEachFieldWithOneRowReadAndOneRowWrite)
{
    Plug(kTarvoV2);
    CSettingsModel model = Model(kTarvoV2);
    Read(model);
    CDeviceConfig file = File();
    ASSERT_EQ(model.LoadConfiguration(file, m_strError), Result::Ok) << m_strError;
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;

    std::vector<EepromAccess> expected = {{'R', 0x20, 5}};
    for (const char* szName : {"StartupProgramming", "SwitchLevel", "FlushTime", "StagnationMode", "StagnationCycleTime",
                               "StagnationRuntime", "ValveDeadTimeTimeout", "ValveDeadTimeRuntime", "SimpleSwitchFunction"})
        for (const EepromAccess& access : RowWrite(Field(szName).nAddress))
            expected.push_back(access);
    expected.insert(expected.end(), {{'R', 0xB0, 16}, {'W', 0xB0, 16}, // date
                                     {'W', 0xE0, 16}, {'W', 0xC0, 16}, {'W', 0xD0, 16}});
    EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected);
    for (const FieldCase& field : kFields)
        EXPECT_EQ(PeekValue(field), field.dwValue) << field.szName;
    const std::vector<BYTE> installer = Peek(0xE0, 10);
    EXPECT_EQ(std::string(installer.begin(), installer.end()), "Fa. Keller");
    ExpectEveryRowSumRight();
    EXPECT_EQ(m_journal.Acknowledged(), model.WriteSequence());

    Read(model);
    EXPECT_EQ(model.Form().texts.at("StagnationCycleTime"), "300"); // two bytes
}

TEST_F(FlushValveModel, ApplicationVersionChecksBeforeTheWrite)
{
    const struct {
        const char* szVersion;
        const char* szStagnationMode;
        bool bStagnationOn;
        bool bSimpleSwitch;
        const char* szRefusal; // nullptr: written
    } cases[] = {
        {"V2.06", "Fixed interval", false, false, kStagnationRefusal},
        {"V2.06", "Fixed interval", true, false, kStagnationRefusal},
        {"V2.06", "Fixed interval", true, true, kStagnationRefusal}, // the stagnation mode is checked first
        {"V2.06", "After last use", true, true, kSimpleSwitchRefusal},
        {"V1.05", "Fixed interval", true, false, kStagnationRefusal},
        {"V0.06", "After last use", false, true, kSimpleSwitchRefusal},
        {"V2.06", "After last use", true, false, nullptr},
        {"V2.07", "Fixed interval", true, true, nullptr},
        {"V3.00", "Fixed interval", true, true, nullptr},
        {"V1.07", "Fixed interval", true, true, nullptr},
    };
    for (const auto& c : cases) {
        const std::string strCase = std::string(c.szVersion) + " " + c.szStagnationMode + (c.bStagnationOn ? " on" : " off") +
                                    (c.bSimpleSwitch ? " simple switch" : "");
        Plug(kTarvo, c.szVersion);
        CSettingsModel model = Model(kTarvo);
        Read(model);
        model.Form().texts["StagnationMode"] = c.szStagnationMode;
        model.Form().switches["StagnationMode"] = c.bStagnationOn;
        model.Form().switches["SimpleSwitchFunction"] = c.bSimpleSwitch;
        const std::vector<BYTE> before = Peek(0, 0x200);
        const int nResult = Write(model);
        if (c.szRefusal != nullptr) {
            EXPECT_EQ(nResult, Result::MissingPrecondition) << strCase;
            EXPECT_EQ(m_strError, Refusal(c.szRefusal, std::string(c.szVersion).substr(1))) << strCase;
            EXPECT_FALSE(HasCommand(m_sim.Trace(), 0x0B)) << strCase;
            EXPECT_EQ(Peek(0, 0x200), before) << strCase;
            continue;
        }
        ASSERT_EQ(nResult, Result::Ok) << strCase << ": " << m_strError;
        EXPECT_EQ(PeekValue(Field("StagnationMode")), c.szStagnationMode == std::string("Fixed interval") ? 2u : 1u) << strCase;
        EXPECT_EQ(PeekValue(Field("SimpleSwitchFunction")), c.bSimpleSwitch ? 1u : 0u) << strCase;
    }
}

// An old application hears of its version before any value is checked: a
// value out of range as well gets the version's message.
TEST_F(FlushValveModel, TheVersionIsCheckedBeforeTheValues)
{
    Plug(kTarvo, "V2.06");
    CSettingsModel model = Model(kTarvo);
    Read(model);
    model.Form().texts["StagnationMode"] = "Fixed interval";
    model.Form().switches["StagnationMode"] = true;
    model.Form().texts["FlushTime"] = "99999";
    EXPECT_EQ(Write(model), Result::MissingPrecondition);
    EXPECT_EQ(m_strError, Refusal(kStagnationRefusal, "2.06"));
    EXPECT_FALSE(HasCommand(m_sim.Trace(), 0x0B));
}

TEST_F(FlushValveModel, VersionMessagesInGermanDifferBetweenTheGenerations)
{
    LanguageGuard german(kLanguageGerman);
    const struct {
        const char* szArticle;
        const char* szVersionMark;
    } cases[] = {{kTarvo, "v"}, {kTarvoV2, "V"}};
    for (const auto& c : cases) {
        Plug(c.szArticle, "V2.06");
        CSettingsModel model = Model(c.szArticle);
        Read(model);
        model.Form().texts["StagnationMode"] = "Festes Intervall";
        ASSERT_EQ(Write(model), Result::MissingPrecondition);
        EXPECT_EQ(m_strError, "Der Stagnationsmodus (Festes Intervall) wird von der Applikationsversion V2.06 nicht unterstützt.\n\n"
                              "Bitte aktualisieren Sie die Produkt SW der Armatur um diese Einstellung nutzen zu können");
        model.Form().texts["StagnationMode"] = "Nach letzter Nutzung";
        model.Form().switches["SimpleSwitchFunction"] = true;
        ASSERT_EQ(Write(model), Result::MissingPrecondition);
        EXPECT_EQ(m_strError, std::string("Der einfache Schalterbetrieb wird von der Applikationsversion ") + c.szVersionMark +
                                  "2.06 nicht unterstützt.\n\nBitte aktualisieren Sie die Produkt SW der Armatur um diese "
                                  "Einstellung nutzen zu können")
            << c.szArticle;
    }
}

TEST_F(FlushValveModel, AFittingThatDoesNotTellItsVersionIsNotWritten)
{
    Plug(kTarvoV2);
    CSettingsModel model = Model(kTarvoV2);
    Read(model);
    m_sim.AddFault(0, VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, 2); // module information
    EXPECT_NE(Write(model), Result::Ok);
    EXPECT_FALSE(m_strError.empty());
    EXPECT_FALSE(HasCommand(m_sim.Trace(), 0x0B));
}

TEST_F(FlushValveModel, ResetTakesTheDefinitionsDefaults)
{
    CSettingsModel model = Model(kTarvoV2);
    ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok) << m_strError;
    EXPECT_FALSE(model.Form().switches.at("ValveDeadTimeTimeout")); // its default 0 is off
    EXPECT_EQ(model.Form().texts.at("ValveDeadTimeTimeout"), "0");
    CSettingValues values;
    ASSERT_EQ(model.CollectValues(CSettingsModel::Purpose::Write, values, m_strError, m_strFailedField), Result::Ok) << m_strError;
    const std::map<std::string, DWORD> defaults = {
        {"StartupProgramming", 1}, {"SwitchLevel", 2},         {"FlushTime", 7},
        {"StagnationMode", 0},     {"StagnationCycleTime", 24}, {"StagnationRuntime", 60},
        {"ValveDeadTimeTimeout", 0}, {"ValveDeadTimeRuntime", 60}, {"SimpleSwitchFunction", 0}};
    EXPECT_EQ(values.numbers, defaults);
}

TEST_F(FlushValveModel, SaveCarriesEveryValueAndTheInstallationTexts)
{
    Plug(kTarvoV2);
    CSettingsModel model = Model(kTarvoV2);
    Read(model);
    model.Form().switches["StagnationMode"] = false;
    const char* const expected = "\t<ArticleNumber>230200201</ArticleNumber>\r\n"
                                 "\t<ConfigSheet>TarvoV2</ConfigSheet>\r\n"
                                 "\t<Settings>\r\n"
                                 "\t\t<StartupProgramming>1</StartupProgramming>\r\n"
                                 "\t\t<SwitchLevel>2</SwitchLevel>\r\n"
                                 "\t\t<FlushTime>7</FlushTime>\r\n"
                                 "\t\t<StagnationMode>0</StagnationMode>\r\n"
                                 "\t\t<StagnationRuntime>30</StagnationRuntime>\r\n"
                                 "\t\t<StagnationCycleTime>72</StagnationCycleTime>\r\n"
                                 "\t\t<ValveDeadTimeRuntime>30</ValveDeadTimeRuntime>\r\n"
                                 "\t\t<ValveDeadTimeTimeout>10</ValveDeadTimeTimeout>\r\n"
                                 "\t\t<SimpleSwitchFunction>0</SimpleSwitchFunction>\r\n"
                                 "\t\t<Installer>M\xFCller Haustech</Installer>\r\n"
                                 "\t\t<InstallLocation>Building A, floor 2, room 12</InstallLocation>\r\n"
                                 "\t</Settings>\r\n";
    const std::string strText = SavedText(model);
    EXPECT_NE(strText.find(expected), std::string::npos) << strText;

    // Saved off, the hold-off period is 0, but its row is checked all the same.
    model.Form().switches["ValveDeadTimeTimeout"] = false;
    EXPECT_NE(SavedText(model).find("<ValveDeadTimeTimeout>0</ValveDeadTimeTimeout>"), std::string::npos);
    model.Form().texts["ValveDeadTimeTimeout"] = "1441";
    CToolConfigXML file;
    EXPECT_EQ(model.SaveConfiguration(file, m_strError, m_strFailedField), Result::InvalidArgument);
    EXPECT_EQ(m_strError, "Enter a valid value in the range from (0) to (1440).");
    EXPECT_EQ(m_strFailedField, "ValveDeadTimeTimeout");
}

TEST_F(FlushValveModel, LoadAppliesEveryGroupWithItsSwitch)
{
    const struct {
        std::map<std::string, DWORD> values;
        const char* szSwitch;
        bool bOn;
    } cases[] = {
        {{{"ValveDeadTimeTimeout", 0}}, "ValveDeadTimeTimeout", false},
        {{{"ValveDeadTimeTimeout", 15}}, "ValveDeadTimeTimeout", true},
        {{{"StagnationMode", 0}}, "StagnationMode", false},
        {{{"SimpleSwitchFunction", 1}}, "SimpleSwitchFunction", true},
        {{{"SimpleSwitchFunction", 0}}, "SimpleSwitchFunction", false},
        {{{"StartupProgramming", 0}}, "StartupProgramming", false},
    };
    for (const auto& c : cases) {
        CSettingsModel model = Model(kTarvoV2);
        ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok);
        model.Form().switches[c.szSwitch] = !c.bOn;
        CDeviceConfig file = File(c.values);
        ASSERT_EQ(model.LoadConfiguration(file, m_strError), Result::Ok) << m_strError;
        EXPECT_EQ(model.Form().switches.at(c.szSwitch), c.bOn) << c.szSwitch;
        EXPECT_EQ(model.Form().strInstaller, "Fa. Keller");
        EXPECT_EQ(model.Form().strPlacement, "WC 4, ground floor");
    }
}

TEST_F(FlushValveModel, SavedValuesLoadBackUnchanged)
{
    Plug(kTarvoV2);
    CSettingsModel saved = Model(kTarvoV2);
    Read(saved);
    CToolConfigXML file;
    ASSERT_EQ(saved.SaveConfiguration(file, m_strError, m_strFailedField), Result::Ok) << m_strError;
    CSettingsModel loaded = Model(kTarvoV2);
    ASSERT_EQ(loaded.ResetToDefaults(m_strError), Result::Ok);
    ASSERT_EQ(loaded.LoadConfiguration(file.GetConfig(), m_strError), Result::Ok) << m_strError;
    loaded.Form().date = saved.Form().date; // files keep no date
    CSettingValues before;
    CSettingValues after;
    ASSERT_EQ(saved.CollectValues(CSettingsModel::Purpose::Write, before, m_strError, m_strFailedField), Result::Ok);
    ASSERT_EQ(loaded.CollectValues(CSettingsModel::Purpose::Write, after, m_strError, m_strFailedField), Result::Ok);
    EXPECT_EQ(after.numbers, before.numbers);
    EXPECT_EQ(after.strInstaller, before.strInstaller);
    EXPECT_EQ(after.strPlacement, before.strPlacement);
}
