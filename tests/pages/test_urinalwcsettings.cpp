// The urinal and WC settings model against the simulated controls: each
// variant reads, writes, saves and loads its own values only, and the
// urinal's flush time is seconds on the page and milliseconds in the fitting.

#include "SettingsModelTest.h"

#include <map>

namespace {

constexpr const char* kUrinal = "230400401";
constexpr const char* kWc = "230500501";

// Where the controls keep each setting (one map for both); the flush time
// in seconds, as the page shows it.
const FieldCase kShared[] = {
    {"StartupProgramming", 0x5E, 1, 0},       {"LEDCurrentOff", 0xA4, 1, 3},
    {"StagnationMode", 0x76, 1, 2},           {"StagnationCycleTime", 0x77, 2, 0x00A8},
    {"StagnationRuntime", 0x79, 2, 0x012C},   {"PowerSavingTimeout", 0x8E, 1, 0xC8},
};
const FieldCase kUrinalOnly[] = {
    {"Runtime", 0x72, 2, 12},                 {"ComfortFlushMode", 0xAD, 1, 0},
    {"ComfortFlushLastUsed", 0xAE, 1, 0xF0},  {"StadiumMode", 0xA2, 1, 1},
    {"StadiumRuntime", 0xA0, 2, 0x0384},      {"StadiumDelta", 0x9D, 2, 0x0078},
    {"AirtrapMode", 0xAB, 1, 0},              {"AirtrapLastUsed", 0xAC, 1, 0xA8},
};
const FieldCase kWcOnly[] = {{"FlushIndex", 0xC8, 1, 4}};

constexpr DWORD kMillisecondsPerSecond = 1000;

// The value as the fitting keeps it.
DWORD Stored(const FieldCase& field)
{
    return field.szName == std::string("Runtime") ? field.dwValue * kMillisecondsPerSecond : field.dwValue;
}

struct Variant {
    const char* szProfile;
    const char* szArticle;
    std::vector<FieldCase> own;     // the variant's fields
    std::vector<FieldCase> foreign; // the other variant's
};

std::vector<FieldCase> Join(std::initializer_list<std::vector<FieldCase>> parts)
{
    std::vector<FieldCase> fields;
    for (const auto& part : parts)
        fields.insert(fields.end(), part.begin(), part.end());
    return fields;
}

const std::vector<FieldCase> kSharedFields(std::begin(kShared), std::end(kShared));
const std::vector<FieldCase> kUrinalFields(std::begin(kUrinalOnly), std::end(kUrinalOnly));
const std::vector<FieldCase> kWcFields(std::begin(kWcOnly), std::end(kWcOnly));

const Variant kVariants[] = {
    {"Urinal", kUrinal, Join({kSharedFields, kUrinalFields}), kWcFields},
    {"WC", kWc, Join({kSharedFields, kWcFields}), kUrinalFields},
};

const FieldCase& Field(const std::vector<FieldCase>& fields, const std::string& strName)
{
    for (const FieldCase& field : fields)
        if (strName == field.szName)
            return field;
    throw std::invalid_argument(strName);
}

class UrinalWcModel : public SettingsModelTest {
protected:
    void PokeStored(const FieldCase& field) { PokeValue(field, Stored(field)); }
    // The foreign fields hold something else than the variant's own values.
    void PokeForeign(const Variant& variant)
    {
        for (const FieldCase& field : variant.foreign)
            PokeValue(field, 1);
    }
    CDeviceConfig File(const std::vector<FieldCase>& fields)
    {
        CToolConfigXML file;
        for (const FieldCase& field : fields)
            file.SetSettingValue(field.szName, field.dwValue);
        file.SetSettingText("Installer", "Fa. Keller");
        file.SetSettingText("InstallLocation", "Stadium, block C");
        return file.GetConfig();
    }
};

} // namespace

TEST_F(UrinalWcModel, EachVariantReadsItsOwnFields)
{
    const std::map<std::string, std::vector<EepromAccess>> expected = {
        {"Urinal",
         {{'R', 0x20, 5},  {'R', 0x5E, 1},  {'R', 0xA4, 1},  {'R', 0x72, 2},  {'R', 0x76, 1},  {'R', 0x79, 2},  {'R', 0x77, 2},
          {'R', 0x8E, 1},  {'R', 0xAD, 1},  {'R', 0xAE, 1},  {'R', 0xA2, 1},  {'R', 0xA0, 2},  {'R', 0x9D, 2},  {'R', 0xAB, 1},
          {'R', 0xAC, 1},  {'R', 0xB0, 15}, {'R', 0xD0, 15}, {'R', 0xE0, 15}, {'R', 0xC0, 5}}},
        {"WC",
         {{'R', 0x20, 5}, {'R', 0x5E, 1}, {'R', 0xA4, 1}, {'R', 0xC8, 1}, {'R', 0x76, 1}, {'R', 0x79, 2}, {'R', 0x77, 2},
          {'R', 0x8E, 1}, {'R', 0xB0, 15}, {'R', 0xD0, 15}, {'R', 0xE0, 15}, {'R', 0xC0, 5}}},
    };
    for (const Variant& variant : kVariants) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, variant.szProfile), VSIM_OK);
        for (const FieldCase& field : variant.own)
            PokeStored(field);
        CSettingsModel model = Model(variant.szArticle);
        m_sim.api.ClearTrace();
        Read(model);
        EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected.at(variant.szProfile)) << variant.szProfile;
        std::map<std::string, DWORD> values;
        for (const FieldCase& field : variant.own)
            values[field.szName] = field.dwValue;
        EXPECT_EQ(model.LastRead().numbers, values) << variant.szProfile;
    }
}

TEST_F(UrinalWcModel, FlushTimeIsSecondsOnThePageAndMillisecondsInTheFitting)
{
    const struct {
        std::vector<BYTE> stored;
        const char* szShown;
        const char* szTyped; // nullptr: written back as shown
        std::vector<BYTE> written;
    } cases[] = {
        {{0xDC, 0x05}, "1.5", nullptr, {0xDC, 0x05}}, // 1500 ms: shown as it is, written back unchanged
        {{0xDC, 0x05}, "1.5", "2", {0xD0, 0x07}},      // changed by the technician: whole seconds
        {{0x0A, 0x00}, "0.01", nullptr, {0x0A, 0x00}}, // 10 ms, below the definition's minimum
        {{0x70, 0x17}, "6", nullptr, {0x70, 0x17}},
        {{0x70, 0x17}, "6", "12", {0xE0, 0x2E}},
        {{0x60, 0xEA}, "60", nullptr, {0x60, 0xEA}}, // the longest the definition allows
    };
    ASSERT_EQ(m_sim.api.PlugFitting(0, "Urinal"), VSIM_OK);
    for (const auto& c : cases) {
        Poke(0x72, c.stored);
        CSettingsModel model = Model(kUrinal);
        Read(model);
        EXPECT_EQ(model.Form().texts.at("Runtime"), c.szShown);
        if (c.szTyped != nullptr)
            model.Form().texts["Runtime"] = c.szTyped;
        ASSERT_EQ(Write(model), Result::Ok) << m_strError;
        EXPECT_EQ(Peek(0x72, 2), c.written) << c.szShown;
    }
    ExpectEveryRowSumRight();
}

TEST_F(UrinalWcModel, EachVariantWritesItsOwnFieldsOnly)
{
    const std::map<std::string, std::vector<std::string>> sequences = {
        {"Urinal",
         {"StartupProgramming", "LEDCurrentOff", "Runtime", "StagnationMode", "StagnationCycleTime", "StagnationRuntime",
          "PowerSavingTimeout", "ComfortFlushMode", "ComfortFlushLastUsed", "StadiumMode", "StadiumRuntime", "StadiumDelta",
          "AirtrapMode", "AirtrapLastUsed", "InstallationDate", "Installer", "InstallLocation"}},
        {"WC",
         {"StartupProgramming", "LEDCurrentOff", "FlushIndex", "StagnationMode", "StagnationCycleTime", "StagnationRuntime",
          "PowerSavingTimeout", "InstallationDate", "Installer", "InstallLocation"}},
    };
    for (const Variant& variant : kVariants) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, variant.szProfile), VSIM_OK);
        PokeForeign(variant);
        CSettingsModel model = Model(variant.szArticle);
        Read(model);
        CDeviceConfig file = File(variant.own);
        ASSERT_EQ(model.LoadConfiguration(file, m_strError), Result::Ok) << m_strError;
        ASSERT_EQ(Write(model), Result::Ok) << m_strError;

        EXPECT_EQ(model.WriteSequence(), sequences.at(variant.szProfile)) << variant.szProfile;
        EXPECT_EQ(m_journal.Acknowledged(), model.WriteSequence()) << variant.szProfile;
        std::vector<EepromAccess> expected = {{'R', 0x20, 5}};
        for (const std::string& strName : model.WriteSequence())
            if (strName != "InstallationDate" && strName != "Installer" && strName != "InstallLocation")
                for (const EepromAccess& access : RowWrite(Field(variant.own, strName).nAddress))
                    expected.push_back(access);
        expected.insert(expected.end(), {{'R', 0xC0, 16}, {'W', 0xC0, 16}, {'W', 0xB0, 16}, {'W', 0xD0, 16}, {'W', 0xE0, 16}});
        EXPECT_EQ(EepromAccesses(m_sim.Trace()), expected) << variant.szProfile;
        for (const FieldCase& field : variant.own)
            EXPECT_EQ(PeekValue(field), Stored(field)) << variant.szProfile << " " << field.szName;
        for (const FieldCase& field : variant.foreign)
            EXPECT_EQ(PeekValue(field), 1u) << variant.szProfile << " keeps " << field.szName;
        ExpectEveryRowSumRight();
    }
}

TEST_F(UrinalWcModel, EachVariantSavesItsOwnKeysOnly)
{
    for (const Variant& variant : kVariants) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, variant.szProfile), VSIM_OK);
        CSettingsModel model = Model(variant.szArticle);
        Read(model);
        const std::string strText = SavedText(model);
        for (const FieldCase& field : variant.own)
            EXPECT_NE(strText.find("<" + std::string(field.szName) + ">"), std::string::npos) << variant.szProfile << " " << field.szName;
        for (const FieldCase& field : variant.foreign)
            EXPECT_EQ(strText.find("<" + std::string(field.szName) + ">"), std::string::npos) << variant.szProfile << " " << field.szName;
        EXPECT_NE(strText.find("<Installer>M\xFCller Haustech</Installer>"), std::string::npos) << strText;
    }
    // The urinal's flush time is saved in seconds.
    ASSERT_EQ(m_sim.api.PlugFitting(0, "Urinal"), VSIM_OK);
    CSettingsModel urinal = Model(kUrinal);
    Read(urinal);
    EXPECT_NE(SavedText(urinal).find("<Runtime>6</Runtime>"), std::string::npos);
}

TEST_F(UrinalWcModel, EachVariantSavesItsFileByteForByte)
{
    // The power saving follows the stagnation flushing, ahead of the
    // urinal's own groups; with its box off it is saved as 0.
    const std::string strUrinal = "\t<ArticleNumber>230400401</ArticleNumber>\r\n"
                                  "\t<ConfigSheet>Urinal</ConfigSheet>\r\n"
                                  "\t<Settings>\r\n"
                                  "\t\t<StartupProgramming>1</StartupProgramming>\r\n"
                                  "\t\t<LEDCurrentOff>2</LEDCurrentOff>\r\n"
                                  "\t\t<Runtime>6</Runtime>\r\n"
                                  "\t\t<StagnationMode>1</StagnationMode>\r\n"
                                  "\t\t<StagnationRuntime>30</StagnationRuntime>\r\n"
                                  "\t\t<StagnationCycleTime>24</StagnationCycleTime>\r\n"
                                  "\t\t<PowerSavingTimeout>24</PowerSavingTimeout>\r\n"
                                  "\t\t<ComfortFlushMode>1</ComfortFlushMode>\r\n"
                                  "\t\t<ComfortFlushLastUsed>30</ComfortFlushLastUsed>\r\n"
                                  "\t\t<StadiumMode>0</StadiumMode>\r\n"
                                  "\t\t<StadiumRuntime>10</StadiumRuntime>\r\n"
                                  "\t\t<StadiumDelta>60</StadiumDelta>\r\n"
                                  "\t\t<AirtrapMode>1</AirtrapMode>\r\n"
                                  "\t\t<AirtrapLastUsed>72</AirtrapLastUsed>\r\n"
                                  "\t\t<Installer>M\xFCller Haustech</Installer>\r\n"
                                  "\t\t<InstallLocation>Building A, floor 2, room 12</InstallLocation>\r\n"
                                  "\t</Settings>\r\n";
    const std::string strWc = "\t<ArticleNumber>230500501</ArticleNumber>\r\n"
                              "\t<ConfigSheet>WC</ConfigSheet>\r\n"
                              "\t<Settings>\r\n"
                              "\t\t<StartupProgramming>1</StartupProgramming>\r\n"
                              "\t\t<LEDCurrentOff>1</LEDCurrentOff>\r\n"
                              "\t\t<FlushIndex>2</FlushIndex>\r\n"
                              "\t\t<StagnationMode>1</StagnationMode>\r\n"
                              "\t\t<StagnationRuntime>60</StagnationRuntime>\r\n"
                              "\t\t<StagnationCycleTime>72</StagnationCycleTime>\r\n"
                              "\t\t<PowerSavingTimeout>0</PowerSavingTimeout>\r\n"
                              "\t\t<Installer>M\xFCller Haustech</Installer>\r\n"
                              "\t\t<InstallLocation>Building A, floor 2, room 12</InstallLocation>\r\n"
                              "\t</Settings>\r\n";
    const std::map<std::string, std::string> expected = {{"Urinal", strUrinal}, {"WC", strWc}};
    for (const Variant& variant : kVariants) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, variant.szProfile), VSIM_OK);
        CSettingsModel model = Model(variant.szArticle);
        Read(model);
        const std::string strText = SavedText(model);
        EXPECT_NE(strText.find(expected.at(variant.szProfile)), std::string::npos) << strText;
    }
}

TEST_F(UrinalWcModel, EachVariantLoadsItsOwnKeysAndNeedsThem)
{
    for (const Variant& variant : kVariants) {
        CSettingsModel model = Model(variant.szArticle);
        ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok) << variant.szProfile << ": " << m_strError;
        CDeviceConfig own = File(variant.own);
        ASSERT_EQ(model.LoadConfiguration(own, m_strError), Result::Ok) << variant.szProfile << ": " << m_strError;
        CSettingValues values;
        ASSERT_EQ(model.CollectValues(CSettingsModel::Purpose::Write, values, m_strError, m_strFailedField), Result::Ok);
        for (const FieldCase& field : variant.own)
            EXPECT_EQ(values.Number(field.szName), field.dwValue) << variant.szProfile << " " << field.szName;
        EXPECT_EQ(values.strPlacement, "Stadium, block C");

        // Of two entries missing, the one loaded first is named: the power
        // saving is loaded last.
        std::vector<FieldCase> lacking = variant.own;
        lacking.pop_back();
        std::erase_if(lacking, [](const FieldCase& field) { return field.szName == std::string("PowerSavingTimeout"); });
        CDeviceConfig incomplete = File(lacking);
        EXPECT_EQ(model.LoadConfiguration(incomplete, m_strError), Result::InvalidArgument) << variant.szProfile;
        EXPECT_NE(m_strError.find(std::string("(") + variant.own.back().szName + ") is not known"), std::string::npos) << m_strError;
    }
}

TEST_F(UrinalWcModel, PowerSavingByteZeroReadsOffWithOne)
{
    const FieldCase& powerSaving = Field(kSharedFields, "PowerSavingTimeout");
    for (const Variant& variant : kVariants) {
        ASSERT_EQ(m_sim.api.PlugFitting(0, variant.szProfile), VSIM_OK);
        PokeValue(powerSaving, 0);
        CSettingsModel model = Model(variant.szArticle);
        Read(model);
        EXPECT_FALSE(model.Form().switches.at("PowerSavingMode")) << variant.szProfile;
        EXPECT_EQ(model.Form().texts.at("PowerSavingTimeout"), "1") << variant.szProfile;
        model.Form().texts["PowerSavingTimeout"] = "50";
        ASSERT_EQ(Write(model), Result::Ok) << m_strError;
        EXPECT_EQ(PeekValue(powerSaving), 0u) << variant.szProfile;
    }
}

TEST_F(UrinalWcModel, ResetTakesEachVariantsDefaults)
{
    const std::map<std::string, std::map<std::string, DWORD>> defaults = {
        {"Urinal",
         {{"StartupProgramming", 1}, {"LEDCurrentOff", 2}, {"Runtime", 6}, {"StagnationMode", 0}, {"StagnationCycleTime", 24},
          {"StagnationRuntime", 30}, {"PowerSavingTimeout", 0}, {"ComfortFlushMode", 0}, {"ComfortFlushLastUsed", 30},
          {"StadiumMode", 0}, {"StadiumRuntime", 300}, {"StadiumDelta", 20}, {"AirtrapMode", 0}, {"AirtrapLastUsed", 24}}},
        {"WC",
         {{"StartupProgramming", 1}, {"LEDCurrentOff", 2}, {"FlushIndex", 2}, {"StagnationMode", 0}, {"StagnationCycleTime", 24},
          {"StagnationRuntime", 30}, {"PowerSavingTimeout", 0}}},
    };
    for (const Variant& variant : kVariants) {
        CSettingsModel model = Model(variant.szArticle);
        ASSERT_EQ(model.ResetToDefaults(m_strError), Result::Ok) << m_strError;
        CSettingValues values;
        ASSERT_EQ(model.CollectValues(CSettingsModel::Purpose::Write, values, m_strError, m_strFailedField), Result::Ok) << m_strError;
        EXPECT_EQ(values.numbers, defaults.at(variant.szProfile)) << variant.szProfile;
    }
}
