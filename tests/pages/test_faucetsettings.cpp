// The basin faucet settings model against the simulated faucet, through the
// real binding: what it reads and writes where, and what the EEPROM holds
// afterwards.
#include "fitting/Bcd.h"

#include "SettingsModelTest.h"

#include <cstdio>
#include <functional>

namespace {

// Where the faucet keeps each setting, and values that tell a wrong address
// or size apart (each field's neighbour holds something else).
const FieldCase kFields[] = {
    {"StartupProgramming", 0x5E, 1, 0},         {"LEDCurrentOff", 0x94, 1, 3},
    {"Maxruntime", 0x70, 2, 0x012C},            {"Runtime", 0x72, 2, 0x0A8C},
    {"StagnationMode", 0x76, 1, 2},             {"StagnationCycleTime", 0x77, 2, 0x00A8},
    {"StagnationRuntime", 0x79, 2, 0x0258},     {"PowerSavingTimeout", 0x9E, 1, 0xC8},
    {"ThermaldisinfectionMode", 0xAB, 1, 1},    {"ThermaldisinfectionRuntime", 0xAC, 2, 0x0190},
    {"NonStopOperationMode", 0xA8, 1, 0},       {"NonStopOperationRuntime", 0xA9, 2, 0x0384},
    {"CleaningStopMode", 0x6C, 1, 1},           {"CleaningStopRuntime", 0x6D, 2, 0x0101},
};

const FieldCase& Field(const std::string& strName)
{
    for (const FieldCase& field : kFields)
        if (strName == field.szName)
            return field;
    throw std::invalid_argument(strName);
}

class FaucetModel : public SettingsModelTest {
protected:
    CSettingsModel Model(const std::string& strArticle = "230300301") { return SettingsModelTest::Model(strArticle); }
    // A loaded file with the given settings (all of the faucet's unless left
    // out), then edited.
    CDeviceConfig File(const std::map<std::string, DWORD>& values, const std::string& strLeftOut = "",
                       const std::function<void(CToolConfigXML&)>& edit = {})
    {
        CToolConfigXML file;
        for (const FieldCase& field : kFields)
            if (field.szName != strLeftOut)
                file.SetSettingValue(field.szName, values.contains(field.szName) ? values.at(field.szName) : field.dwValue);
        file.SetSettingText("Installer", "ABCDE");
        file.SetSettingText("InstallLocation", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
        if (edit)
            edit(file);
        return file.GetConfig();
    }
};

} // namespace

TEST_F(FaucetModel, ReadsEveryFieldFromItsAddressWithItsSize)
{
    for (const FieldCase& field : kFields)
        PokeValue(field, field.dwValue);
    CSettingsModel model = Model();
    m_sim.api.ClearTrace();
    Read(model);

    for (const FieldCase& field : kFields)
        EXPECT_EQ(model.LastRead().Number(field.szName), field.dwValue) << field.szName;
    const std::vector<EepromAccess> expected = {
        {'R', 0x20, 5},  {'R', 0x5E, 1},  {'R', 0x94, 1},  {'R', 0x70, 2},  {'R', 0x72, 2},  {'R', 0x76, 1},
        {'R', 0x79, 2},  {'R', 0x77, 2},  {'R', 0x9E, 1},  {'R', 0xA8, 1},  {'R', 0xA9, 2},  {'R', 0xAB, 1},
        {'R', 0xAC, 2},  {'R', 0x6C, 1},  {'R', 0x6D, 2},  {'R', 0xB0, 15}, {'R', 0xD0, 15}, {'R', 0xE0, 15},
        {'R', 0xC0, 5}};
    EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected);

    const CSettingsForm& form = model.Form();
    EXPECT_EQ(form.texts.at("LEDCurrentOff"), "Long");
    EXPECT_EQ(form.texts.at("StagnationMode"), "Fixed interval");
    EXPECT_EQ(form.texts.at("Runtime"), "2700");
    EXPECT_FALSE(form.switches.at("StartupProgramming"));
    EXPECT_TRUE(form.switches.at("StagnationMode"));
    EXPECT_TRUE(form.switches.at("PowerSavingMode"));
    EXPECT_TRUE(form.switches.at("ThermaldisinfectionMode"));
    EXPECT_FALSE(form.switches.at("NonStopOperationMode"));
    EXPECT_EQ(form.strInstaller, "Müller Haustech");
    EXPECT_EQ(form.strPlacement, "Building A, floor 2, room 12");
    EXPECT_EQ(form.date, (CDate{2024, 6, 3}));
}

TEST_F(FaucetModel, ReadsTheSameMapForEveryFaucetType)
{
    const struct {
        const char* szProfile;
        const char* szArticle;
        DWORD dwRuntime;
    } cases[] = {{"Ambra", "230300301", 1500}, {"Pelio", "230600601", 10}, {"Culina", "230700701", 15}};
    for (const auto& c : cases) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, c.szProfile), VSIM_OK);
        CSettingsModel model = Model(c.szArticle);
        Read(model);
        EXPECT_EQ(model.LastRead().Number("Runtime"), c.dwRuntime) << c.szProfile;
        EXPECT_EQ(model.Form().texts.at("Runtime"), std::to_string(c.dwRuntime)) << c.szProfile;
    }
}

TEST_F(FaucetModel, GroupsOffInTheirValueByteReadAsSwitchedOffWithOne)
{
    PokeValue(Field("StagnationMode"), 0);
    PokeValue(Field("PowerSavingTimeout"), 0);
    CSettingsModel model = Model();
    Read(model);
    EXPECT_FALSE(model.Form().switches.at("StagnationMode"));
    EXPECT_EQ(model.Form().texts.at("StagnationMode"), "After last use");
    EXPECT_FALSE(model.Form().switches.at("PowerSavingMode"));
    EXPECT_EQ(model.Form().texts.at("PowerSavingTimeout"), "1");

    // Writing with power saving off writes 0 whatever its row holds.
    model.Form().texts["PowerSavingTimeout"] = "50";
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;
    EXPECT_EQ(PeekValue(Field("PowerSavingTimeout")), 0u);
    EXPECT_EQ(PeekValue(Field("StagnationMode")), 0u);
}

TEST_F(FaucetModel, WritesEachFieldWithOneRowReadAndOneRowWrite)
{
    CSettingsModel model = Model();
    Read(model);
    CDeviceConfig file = File({});
    ASSERT_EQ(model.LoadConfiguration(file, m_strError), Result::Ok) << m_strError;
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;

    std::vector<EepromAccess> expected = {{'R', 0x20, 5}};
    for (const char* szName : {"StartupProgramming", "LEDCurrentOff", "Maxruntime", "Runtime", "StagnationMode",
                               "StagnationCycleTime", "StagnationRuntime", "PowerSavingTimeout",
                               "ThermaldisinfectionMode", "ThermaldisinfectionRuntime", "NonStopOperationMode",
                               "NonStopOperationRuntime", "CleaningStopMode", "CleaningStopRuntime"}) {
        expected.push_back({'R', Field(szName).nAddress & ~0xFu, 16});
        expected.push_back({'W', Field(szName).nAddress & ~0xFu, 16});
    }
    expected.insert(expected.end(), {{'R', 0xA0, 16}, {'W', 0xA0, 16}, // special operation
                                     {'R', 0xC0, 16}, {'W', 0xC0, 16}, // date
                                     {'W', 0xB0, 16}, {'W', 0xD0, 16}, {'W', 0xE0, 16}});
    EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected);
    for (const FieldCase& field : kFields)
        EXPECT_EQ(PeekValue(field), field.dwValue) << field.szName;
    ExpectEveryRowSumRight();
    EXPECT_EQ(m_journal.Acknowledged(), model.WriteSequence());
}

TEST_F(FaucetModel, SpecialOperationFollowsTheModes)
{
    const struct {
        bool bThermal;
        bool bNonStop;
        BYTE bySpecial;
    } cases[] = {{false, false, 0}, {true, false, 1}, {false, true, 2}};
    CSettingsModel model = Model();
    Read(model);
    for (const auto& c : cases) {
        model.Form().switches["ThermaldisinfectionMode"] = c.bThermal;
        model.Form().switches["NonStopOperationMode"] = c.bNonStop;
        ASSERT_EQ(Write(model), Result::Ok) << m_strError;
        EXPECT_EQ(Peek(0xAE, 1)[0], c.bySpecial) << c.bThermal << c.bNonStop;
        EXPECT_EQ(PeekValue(Field("ThermaldisinfectionMode")), c.bThermal ? 1u : 0u);
        EXPECT_EQ(PeekValue(Field("NonStopOperationMode")), c.bNonStop ? 1u : 0u);
    }
}

TEST_F(FaucetModel, RefusedWritesSendNothing)
{
    const struct {
        const char* szCase;
        const char* szArticle; // the definition in force
        std::function<void(CSettingsForm&)> edit;
        int nResult;
        const char* szMessage;
        const char* szFailedField;
    } cases[] = {
        {"cross check", "230300301",
         [](CSettingsForm& form) { form.switches["ThermaldisinfectionMode"] = form.switches["NonStopOperationMode"] = true; },
         Result::MissingPrecondition, "Non-stop operation mode and the thermal disinfection can't be enabled at the same time.", ""},
        {"value check", "230300301", [](CSettingsForm& form) { form.texts["StagnationRuntime"] = "26abc"; },
         Result::InvalidArgument, "Enter a valid value in the range from (5) to (600).", "StagnationRuntime"},
        {"value check with its group off", "230300301",
         [](CSettingsForm& form) { form.switches["CleaningStopMode"] = false; form.texts["CleaningStopRuntime"] = "0"; },
         Result::InvalidArgument, "Enter a valid value in the range from (10) to (300).", "CleaningStopRuntime"},
        {"a list value without label out of range", "230300301", [](CSettingsForm& form) { form.texts["LEDCurrentOff"] = "7"; },
         Result::InvalidArgument, "Enter a valid value in the range from (1) to (3).", "LEDCurrentOff"},
        {"another product connected", "230300302", [](CSettingsForm&) {}, Result::MissingPrecondition,
         "The configured article number (230300302) is not equal to the \nread one (230300301) from the connected target "
         "device.\n\nTarget configuration aborted.", ""},
    };
    const std::vector<BYTE> before = Peek(0, 0x200);
    for (const auto& c : cases) {
        CSettingsModel model = Model(c.szArticle);
        ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok) << m_strError;
        c.edit(model.Form());
        EXPECT_EQ(Write(model), c.nResult) << c.szCase;
        EXPECT_EQ(m_strError, c.szMessage) << c.szCase;
        EXPECT_EQ(m_strFailedField, c.szFailedField) << c.szCase;
        EXPECT_FALSE(HasCommand(m_sim.Trace(), 0x0B)) << c.szCase;
        EXPECT_TRUE(m_journal.Acknowledged().empty()) << c.szCase;
    }
    EXPECT_EQ(Peek(0, 0x200), before);
}

TEST_F(FaucetModel, CrossCheckMessageInGerman)
{
    LanguageGuard german(kLanguageGerman);
    CSettingsModel model = Model();
    Read(model);
    model.Form().switches["ThermaldisinfectionMode"] = model.Form().switches["NonStopOperationMode"] = true;
    EXPECT_EQ(Write(model), Result::MissingPrecondition);
    EXPECT_EQ(m_strError, "Dauerlauf und Thermische Desinfektion können nicht gleichzeitig aktiv sein.");
}

TEST_F(FaucetModel, InstallationTexts)
{
    CSettingsModel model = Model();
    Read(model);
    model.Form().strInstaller = "ABCDE";
    model.Form().strPlacement = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"; // 31 characters
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;
    EXPECT_EQ(Peek(0xB0, 16), (std::vector<BYTE>{'A', 'B', 'C', 'D', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x4F}));
    const std::vector<BYTE> first = Peek(0xD0, 16);
    const std::vector<BYTE> second = Peek(0xE0, 16);
    EXPECT_EQ(std::string(first.begin(), first.begin() + 15), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(std::string(second.begin(), second.begin() + 15), "PQRSTUVWXYZ0123");
    ExpectEveryRowSumRight();
    Read(model);
    EXPECT_EQ(model.Form().strPlacement, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
}

TEST(InstallationLines, TextsAsTheFittingKeepsThem)
{
    const std::array<BYTE, 16> cut = InstallerLine("ABCDEFGHIJKLMNOPQRST"); // 20 characters
    EXPECT_EQ(std::string(cut.begin(), cut.end()), std::string("ABCDEFGHIJKLMNO\0", 16));
    const std::array<BYTE, 16> ended = InstallerLine("AB\tCD");
    EXPECT_EQ(std::string(ended.begin(), ended.end()), std::string("AB\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(InstallerLine("Mü€")[1], 0xFC); // Windows-1252
    EXPECT_EQ(InstallerLine("Mü€")[2], 0x80);
    EXPECT_EQ(InstallerLine("日")[0], '?');
    EXPECT_EQ(StoredInstaller("Müller Haustechnik GmbH"), "Müller Haustech");

    const auto lines = PlacementLines("A\tB");
    EXPECT_EQ(lines[0][0], 'A');
    EXPECT_EQ(lines[0][1], 0); // a control character leaves its place empty
    EXPECT_EQ(lines[0][2], 'B');
    EXPECT_EQ(StoredPlacement("A\tB"), "A"); // and ends the text read back
}

TEST_F(FaucetModel, TheDateIsWrittenAsBcdBesideTheBytesLeftAlone)
{
    Poke(0xC0, {0x24, 0x06, 0x03, 0xA5, 0x5A});
    CSettingsModel model = Model();
    Read(model);
    model.Form().date = CDate{2031, 12, 9};
    ASSERT_EQ(Write(model), Result::Ok) << m_strError;
    // Bytes 3 and 4 are not interpreted and stay.
    EXPECT_EQ(Peek(0xC0, 5), (std::vector<BYTE>{0x31, 0x12, 0x09, 0xA5, 0x5A}));
    ExpectEveryRowSumRight();
}

TEST_F(FaucetModel, UnsetInstallationDateShowsAndWritesToday)
{
    const CDate today = Today();
    // A BCD byte in hexadecimal reads as the decimal number it holds.
    char szToday[16];
    std::snprintf(szToday, sizeof szToday, "%02d%02d%02d", today.nYear % 100, today.nMonth, today.nDay);
    for (int nPosition = 0; nPosition < 3; ++nPosition) {
        for (BYTE byMark : {BYTE{0x00}, BYTE{0xFF}}) {
            std::vector<BYTE> record = {0x24, 0x06, 0x03, 0xA5, 0x5A};
            record[static_cast<std::size_t>(nPosition)] = byMark;
            Poke(0xC0, record);
            CSettingsModel model = Model();
            Read(model);
            EXPECT_FALSE(model.LastRead().date.IsSet());
            EXPECT_EQ(model.Form().date, today);
            ASSERT_EQ(Write(model), Result::Ok) << m_strError;
            const std::vector<BYTE> stored = Peek(0xC0, 5);
            char szStored[16];
            std::snprintf(szStored, sizeof szStored, "%02X%02X%02X", stored[0], stored[1], stored[2]);
            EXPECT_STREQ(szStored, szToday);
            EXPECT_EQ(std::vector<BYTE>(stored.begin() + 3, stored.end()), (std::vector<BYTE>{0xA5, 0x5A}));
        }
    }
    Poke(0xC0, {0x24, 0x13, 0x40}); // no date: month 13, day 40
    CSettingsModel model = Model();
    Read(model);
    EXPECT_EQ(model.Form().date, today);
    ExpectEveryRowSumRight();
}

TEST_F(FaucetModel, ResetTakesTheDefinitionsDefaults)
{
    CSettingsModel model = Model();
    ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok) << m_strError;
    CSettingValues values;
    ASSERT_EQ(model.CollectValues(CSettingsModel::Purpose::Write, values, m_strError, m_strFailedField), Result::Ok) << m_strError;
    const std::map<std::string, DWORD> defaults = {
        {"StartupProgramming", 1},       {"LEDCurrentOff", 2},        {"Maxruntime", 60},
        {"Runtime", 500},                {"StagnationMode", 0},       {"StagnationCycleTime", 24},
        {"StagnationRuntime", 60},       {"PowerSavingTimeout", 0},   {"ThermaldisinfectionMode", 0},
        {"ThermaldisinfectionRuntime", 300}, {"NonStopOperationMode", 0}, {"NonStopOperationRuntime", 180},
        {"CleaningStopMode", 0},         {"CleaningStopRuntime", 60}};
    EXPECT_EQ(values.numbers, defaults);
    // Switched on, the stagnation list has a label to write.
    model.Form().switches["StagnationMode"] = true;
    ASSERT_EQ(model.CollectValues(CSettingsModel::Purpose::Write, values, m_strError, m_strFailedField), Result::Ok);
    EXPECT_EQ(values.Number("StagnationMode"), 1u);
}

TEST_F(FaucetModel, SaveCarriesEveryGroupAndTheInstallationTexts)
{
    CSettingsModel model = Model();
    Read(model);
    model.Form().switches["ThermaldisinfectionMode"] = model.Form().switches["NonStopOperationMode"] = true; // saved as is
    model.Form().switches["PowerSavingMode"] = false;
    model.Form().texts["PowerSavingTimeout"] = "not checked when off";
    CToolConfigXML file;
    ASSERT_EQ(model.SaveConfiguration(file, m_strError, m_strFailedField), Result::Ok) << m_strError;
    std::string strText;
    ASSERT_EQ(file.RenderFile(strText, m_strError), Result::Ok) << m_strError;
    const char* const expected = "\t<ArticleNumber>230300301</ArticleNumber>\r\n"
                                 "\t<ConfigSheet>Ambra</ConfigSheet>\r\n"
                                 "\t<Settings>\r\n"
                                 "\t\t<StartupProgramming>1</StartupProgramming>\r\n"
                                 "\t\t<LEDCurrentOff>2</LEDCurrentOff>\r\n"
                                 "\t\t<Maxruntime>60</Maxruntime>\r\n"
                                 "\t\t<Runtime>1500</Runtime>\r\n"
                                 "\t\t<StagnationMode>1</StagnationMode>\r\n"
                                 "\t\t<StagnationRuntime>30</StagnationRuntime>\r\n"
                                 "\t\t<StagnationCycleTime>24</StagnationCycleTime>\r\n"
                                 "\t\t<PowerSavingTimeout>0</PowerSavingTimeout>\r\n"
                                 "\t\t<ThermaldisinfectionMode>1</ThermaldisinfectionMode>\r\n"
                                 "\t\t<ThermaldisinfectionRuntime>180</ThermaldisinfectionRuntime>\r\n"
                                 "\t\t<NonStopOperationMode>1</NonStopOperationMode>\r\n"
                                 "\t\t<NonStopOperationRuntime>300</NonStopOperationRuntime>\r\n"
                                 "\t\t<CleaningStopMode>0</CleaningStopMode>\r\n"
                                 "\t\t<CleaningStopRuntime>60</CleaningStopRuntime>\r\n"
                                 "\t\t<Installer>M\xFCller Haustech</Installer>\r\n"
                                 "\t\t<InstallLocation>Building A, floor 2, room 12</InstallLocation>\r\n"
                                 "\t</Settings>\r\n";
    EXPECT_NE(strText.find(expected), std::string::npos) << strText;
}

TEST_F(FaucetModel, LoadAppliesEveryGroupWithItsSwitch)
{
    CSettingsModel model = Model();
    ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok);
    // An installer of digits alone comes back from a file as a number.
    CDeviceConfig file = File({{"StagnationMode", 0}, {"PowerSavingTimeout", 0}, {"ThermaldisinfectionMode", 0},
                               {"NonStopOperationMode", 1}, {"CleaningStopMode", 1}},
                              "", [](CToolConfigXML& xml) { xml.SetSettingValue("Installer", 1234); xml.SetSettingText("Installer", ""); });
    ASSERT_EQ(model.LoadConfiguration(file, m_strError), Result::Ok) << m_strError;
    const CSettingsForm& form = model.Form();
    EXPECT_FALSE(form.switches.at("StagnationMode"));
    EXPECT_FALSE(form.switches.at("PowerSavingMode"));
    EXPECT_EQ(form.texts.at("PowerSavingTimeout"), "1"); // a valid value, so that the write is not refused
    EXPECT_FALSE(form.switches.at("ThermaldisinfectionMode"));
    EXPECT_TRUE(form.switches.at("NonStopOperationMode"));
    EXPECT_TRUE(form.switches.at("CleaningStopMode"));
    EXPECT_EQ(form.texts.at("NonStopOperationRuntime"), "900");
    EXPECT_EQ(form.texts.at("CleaningStopRuntime"), "257");
    EXPECT_EQ(form.strInstaller, "1234");
    EXPECT_EQ(form.strPlacement, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
}

TEST_F(FaucetModel, LoadOfAFileWithoutAGroupKeepsItsControlsButNeedsTheOthers)
{
    CSettingsModel model = Model();
    ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok);
    CDeviceConfig older = File({}, "CleaningStopRuntime");
    ASSERT_EQ(model.LoadConfiguration(older, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(model.Form().texts.at("CleaningStopRuntime"), "60");

    CDeviceConfig broken = File({}, "Runtime");
    EXPECT_EQ(model.LoadConfiguration(broken, m_strError), Result::InvalidArgument);
    EXPECT_NE(m_strError.find("(Runtime) is not known"), std::string::npos) << m_strError;
}

TEST_F(FaucetModel, PageHelpersFollowTheDefinitionInForce)
{
    CSettingsModel model = Model();
    EXPECT_EQ(model.Switches(), (std::vector<std::string>{"StartupProgramming", "StagnationMode", "PowerSavingMode",
                                                          "ThermaldisinfectionMode", "NonStopOperationMode", "CleaningStopMode"}));
    EXPECT_EQ(model.Labels("LEDCurrentOff"), (std::vector<std::string>{"Short", "Medium", "Long"}));
    EXPECT_EQ(model.StepValue("PowerSavingTimeout", "255", 1), "255");
    EXPECT_EQ(model.StepValue("NoSuchRow", "7", 1), "7");
    DWORD dwValue = 0;
    EXPECT_EQ(model.CheckValue("PowerSavingTimeout", "256", dwValue, m_strError), Result::InvalidArgument);
    EXPECT_EQ(m_strError, "Enter a valid value in the range from (1) to (255).");
    LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(model.Labels("LEDCurrentOff"), (std::vector<std::string>{"Kurz", "Mittel", "Weit"}));
}

TEST_F(FaucetModel, RestartWaitLeavesWhenTheFittingIsReady)
{
    ASSERT_EQ(m_sim.api.SetStartupTime(0, 0, 0), VSIM_OK);
    bool bReady = false;
    m_sim.api.ClearTrace();
    const std::uint64_t ullStart = m_time.NowMs();
    ASSERT_EQ(RestartAndWait(m_link, {}, bReady, m_strError), Result::Ok) << m_strError;
    EXPECT_TRUE(bReady);
    EXPECT_TRUE(HasCommand(m_sim.Trace(), 0x00)); // the restart
    // The pause after the restart, and no poll interval after it.
    const std::uint64_t ullWaited = m_time.NowMs() - ullStart;
    EXPECT_GE(ullWaited, 750u);
    EXPECT_LT(ullWaited, 750u + 1500u);
}

TEST_F(FaucetModel, RestartWaitFailsWhenNothingAnswersForTwentySeconds)
{
    ASSERT_EQ(m_sim.api.SetStartupTime(0, 1000000000u, 0), VSIM_OK); // silent for ever
    bool bReady = true;
    const std::uint64_t ullStart = m_time.NowMs();
    EXPECT_EQ(RestartAndWait(m_link, {}, bReady, m_strError), Result::NoResponse);
    EXPECT_FALSE(bReady);
    EXPECT_EQ(m_strError, "The fitting did not answer within 20 s after its restart.");
    EXPECT_GT(m_time.NowMs() - ullStart, 20000u);
}

TEST_F(FaucetModel, RestartWaitEndsWithoutErrorAfterTwentySeconds)
{
    ASSERT_EQ(m_sim.api.SetStartupTime(0, 0, 1000000000u), VSIM_OK); // never ready
    bool bReady = true;
    m_strError = "stale";
    const std::uint64_t ullStart = m_time.NowMs();
    ASSERT_EQ(RestartAndWait(m_link, {}, bReady, m_strError), Result::Ok);
    EXPECT_FALSE(bReady);
    EXPECT_EQ(m_strError, "");
    const std::uint64_t ullWaited = m_time.NowMs() - ullStart - 750;
    EXPECT_GT(ullWaited, 20000u);
    EXPECT_LE(ullWaited, 21500u);
}
