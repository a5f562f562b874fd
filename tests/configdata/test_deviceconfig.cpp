// Product definitions: the reading rules of "DeviceConfig.xml", the failures
// that stop a scan, and the definition classes' lookups and copies.
#include "configdata/DeviceConfig.h"

#include "common/ResultCodes.h"
#include "LanguageGuard.h"

#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(FLUXA_SOURCE_DIR) / "tests/configdata/fixtures";

CProductSetting* FindSetting(CDeviceConfig& config, const std::string& name)
{
    CProductSetting* pSetting = nullptr;
    std::string strError;
    EXPECT_EQ(Result::Ok, config.m_Settings.LookupObjectByName(name, pSetting, MustExist, strError)) << strError;
    return pSetting;
}

std::vector<std::string> Labels(const CProductSetting& setting, int nLanguage)
{
    std::vector<std::string> labels;
    setting.GetSymbolicLabels(nLanguage, labels);
    return labels;
}

class DeviceConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TestTempDir("fluxa_deviceconfig_");
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string WriteFile(const std::string& bytes)
    {
        const fs::path path = m_dir / "DeviceConfig.xml";
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    LanguageGuard m_english{2};
    fs::path m_dir;
    CDeviceConfigXML m_reader;
};

TEST_F(DeviceConfigTest, ReadsEveryRuleOfTheFileFormat)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_reader.LoadDefinition((kFixtures / "definition_rules.xml").string(), strError)) << strError;
    CDeviceConfig& config = m_reader.GetConfig();

    // A later article number replaces the earlier one; the header is skipped.
    EXPECT_EQ("230300301", config.GetArticleNumber());
    EXPECT_EQ("Ambra", config.GetConfigSheet());

    // A later description list replaces the earlier one; texts stay as they stand.
    std::string strDescription, strExtended;
    config.GetProductDescription(1, strDescription, strExtended);
    EXPECT_EQ("Waschtischarmatur f\xC3\xBCr B\xC3\xBC""ros", strDescription);
    EXPECT_EQ("Mit Sensor", strExtended);
    config.GetProductDescription(2, strDescription, strExtended);
    EXPECT_EQ("  Basin faucet  ", strDescription);
    EXPECT_EQ("With sensor", strExtended);
    EXPECT_EQ(5, config.GetDescriptions().GetParameterCount());

    // Both "Settings" elements add up, in file order.
    ASSERT_EQ(6, config.m_Settings.GetCount());
    const char* order[] = {"Limits", "NoLimits", "Overridden", "Range", "FirstTagUnknown", "Runtime"};
    for (int i = 0; i < 6; ++i) {
        CProductSetting setting;
        ASSERT_EQ(Result::Ok, config.m_Settings.GetObjectByIndex(i, setting, strError));
        EXPECT_EQ(order[i], setting.GetName());
    }

    const struct {
        const char* name;
        DWORD min, max, def;
    } limits[] = {
        {"Limits", 16, 250, 0},   // "0x10", " 250 ", "abc"
        {"NoLimits", 0, 0, 0},
        {"Overridden", 0, 31, 7}, // a malformed later Default keeps the earlier one
        {"runtime", 1, 60, 6},
    };
    for (const auto& l : limits) {
        const CProductSetting* pSetting = FindSetting(config, l.name);
        ASSERT_NE(nullptr, pSetting) << l.name;
        EXPECT_EQ(l.min, pSetting->GetMin()) << l.name;
        EXPECT_EQ(l.max, pSetting->GetMax()) << l.name;
        EXPECT_EQ(l.def, pSetting->GetDefault()) << l.name;
        EXPECT_EQ(0u, pSetting->GetValue()) << l.name;
        EXPECT_EQ("", pSetting->GetText()) << l.name;
    }
}

TEST_F(DeviceConfigTest, SymbolicLabelsCarryTheLanguageOfTheTagBefore)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_reader.LoadDefinition((kFixtures / "definition_rules.xml").string(), strError)) << strError;
    CDeviceConfig& config = m_reader.GetConfig();

    const CProductSetting* pRange = FindSetting(config, "Range");
    ASSERT_NE(nullptr, pRange);
    const std::vector<std::tuple<int, DWORD, std::string>> expected = {
        {1, 1, "Ein"}, {2, 1, "On"}, {2, 2, "Off"}, {2, 2, "Arr\xC3\xAAt"}, {1, 2, "Aus"}};
    ASSERT_EQ(expected.size(), pRange->GetSymbolicValues().size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const CSymbolicValue& symbolic = pRange->GetSymbolicValues()[i];
        EXPECT_EQ(expected[i], std::make_tuple(symbolic.GetLanguage(), symbolic.GetValue(), symbolic.GetLabel())) << i;
    }
    EXPECT_EQ((std::vector<std::string>{"On", "Off", "Arr\xC3\xAAt"}), Labels(*pRange, 2));
    EXPECT_EQ((std::vector<std::string>{"Ein", "Aus"}), Labels(*pRange, 1));

    DWORD dwValue = 99;
    EXPECT_TRUE(pRange->GetSymbolicValue(2, "ON", dwValue));
    EXPECT_EQ(1u, dwValue);
    EXPECT_FALSE(pRange->GetSymbolicValue(1, "On", dwValue)); // no German "On": left as it was
    EXPECT_EQ(1u, dwValue);
    std::string strLabel = "unchanged";
    EXPECT_TRUE(pRange->GetSymbolicLabel(1, 2, strLabel));
    EXPECT_EQ("Aus", strLabel);
    strLabel = "unchanged";
    EXPECT_FALSE(pRange->GetSymbolicLabel(1, 3, strLabel));
    EXPECT_EQ("unchanged", strLabel);

    const CProductSetting* pFirst = FindSetting(config, "FirstTagUnknown");
    ASSERT_NE(nullptr, pFirst);
    ASSERT_EQ(2u, pFirst->GetSymbolicValues().size());
    EXPECT_EQ(0, pFirst->GetSymbolicValues()[0].GetLanguage());
    EXPECT_EQ("Cinq", pFirst->GetSymbolicValues()[0].GetLabel());
    EXPECT_EQ(1, pFirst->GetSymbolicValues()[1].GetLanguage());
}

TEST_F(DeviceConfigTest, FailuresStopTheReadingWithTheirMessages)
{
    const std::string path = (m_dir / "DeviceConfig.xml").string();
    const struct {
        const char* name;
        std::string xml;
        int result;
        std::string error;
    } cases[] = {
        {"symbolic without Value", "<p><Settings><Mode><Symbolic><DE>Ein</DE></Symbolic></Mode></Settings></p>",
         Result::InvalidArgument, "CHashedObjects::LookupObjectByName: The object with the name (Value) is not known"},
        {"Value not a number", "<p><Settings><Mode><Symbolic><Value>x1</Value></Symbolic></Mode></Settings></p>",
         Result::MissingPrecondition,
         "CStringParameter::GetValueAsDWORD: The parameter value (x1) is invalid for the parameter name (Value)"},
        {"repeated label tag", "<p><Settings><Mode><Symbolic><Value>1</Value><DE>a</DE><de>b</de></Symbolic></Mode>"
                               "</Settings></p>",
         Result::InvalidArgument, "CHashedObjects::LookupObjectByName: The object with the name (de) is allready known."},
        {"same setting twice", "<p><Settings><Runtime/></Settings><Settings><RUNTIME/></Settings></p>",
         Result::InvalidArgument,
         "CHashedObjects::LookupObjectByName: The object with the name (runtime) is allready known."},
        {"same description twice", "<p><ProductDescription><DE>a</DE><De>b</De></ProductDescription></p>",
         Result::InvalidArgument, "CHashedObjects::LookupObjectByName: The object with the name (de) is allready known."},
        {"empty root", "<p>  </p>", Result::MissingPrecondition,
         "No child items were found for the XML file (" + path + ")!"},
        {"not XML", "DeviceConfig", Result::InvalidArgument, ""},
        {"bare ampersand", "<p><ProductDescription><DE>Bad & K\xFC""che</DE></ProductDescription></p>",
         Result::InvalidArgument,
         "Error: the passed string contains invalid data! XML parser failed with error code '4' and error "
         "description 'not well-formed (invalid token) (line 1, column 33)'"},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_EQ(c.result, m_reader.LoadDefinition(WriteFile(c.xml), strError)) << c.name;
        if (!c.error.empty()) {
            EXPECT_EQ(c.error, strError) << c.name;
        }
    }

    LanguageGuard german(1);
    std::string strError;
    EXPECT_EQ(Result::MissingPrecondition, m_reader.LoadDefinition(WriteFile("<p/>"), strError));
    EXPECT_EQ("Die XML Datei (" + path + ") beinhaltet keine Unterelemente!", strError);
}

TEST_F(DeviceConfigTest, ReadingEmptiesTheDefinitionFirst)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_reader.LoadDefinition((kFixtures / "definition_rules.xml").string(), strError));
    m_reader.GetConfig().SetPicturePath("old.bmp");
    ASSERT_EQ(Result::Ok, m_reader.LoadDefinition(WriteFile("<p><ConfigSheet>WC</ConfigSheet></p>"), strError));
    CDeviceConfig& config = m_reader.GetConfig();
    EXPECT_EQ("", config.GetArticleNumber());
    EXPECT_EQ("WC", config.GetConfigSheet());
    EXPECT_EQ("", config.GetPicturePath());
    EXPECT_EQ(0, config.m_Settings.GetCount());
    EXPECT_EQ(0, config.GetDescriptions().GetParameterCount());
}

TEST_F(DeviceConfigTest, DeeplyNestedValuesAreReadAndEntitiesRefused)
{
    std::string nested;
    for (int i = 0; i < 100000; ++i)
        nested += "<x>";
    nested += "5";
    for (int i = 0; i < 100000; ++i)
        nested += "</x>";
    std::string strError;
    ASSERT_EQ(Result::Ok, m_reader.LoadDefinition(WriteFile("<p><Settings><Deep><Min>" + nested +
                                                            "</Min></Deep></Settings></p>"),
                                                  strError))
        << strError;
    const CProductSetting* pDeep = FindSetting(m_reader.GetConfig(), "Deep");
    ASSERT_NE(nullptr, pDeep);
    EXPECT_EQ(5u, pDeep->GetMin());

    const std::string entity = "<!DOCTYPE p [<!ENTITY big \"0x10\">]><p><Settings><Deep><Max>&big;</Max></Deep>"
                               "</Settings></p>";
    EXPECT_EQ(Result::InvalidArgument, m_reader.LoadDefinition(WriteFile(entity), strError));
    EXPECT_NE(std::string::npos, strError.find("entity declarations are not supported")) << strError;
}

TEST(DeviceConfigClassesTest, DescriptionsFallBackToEmptyTexts)
{
    CDeviceConfig config;
    CStringParameterHandler descriptions;
    std::string strError;
    ASSERT_EQ(Result::Ok, descriptions.ExtractParameters("ENU=Urinal control;ENU_EXT=With stadium mode", strError));
    config.SetDescriptions(descriptions);
    std::string strDescription = "x", strExtended = "y";
    config.GetProductDescription(1, strDescription, strExtended);
    EXPECT_EQ("", strDescription);
    EXPECT_EQ("", strExtended);
    config.GetProductDescription(2, strDescription, strExtended);
    EXPECT_EQ("Urinal control", strDescription);
    EXPECT_EQ("With stadium mode", strExtended);
}

TEST(DeviceConfigClassesTest, CopiesAreDeepAndRegistriesKeyByArticleNumber)
{
    CDeviceConfig original;
    original.SetArticleNumber("230400401");
    original.SetConfigSheet("Urinal");
    original.SetPicturePath("/x/ProductPicture.bmp");
    CProductSetting setting;
    setting.SetName("Runtime");
    setting.SetMax(60);
    setting.AddSymbolicValue(2, 1, "Short");
    std::string strError;
    ASSERT_EQ(Result::Ok, original.m_Settings.AddObjectByName(setting, strError));

    CHashedObjects<CDeviceConfig> configs;
    ASSERT_EQ(Result::Ok, configs.AddObjectByName(original, strError));
    CDeviceConfig twin;
    twin.SetName(" 230400401 ");
    EXPECT_EQ(Result::InvalidArgument, configs.AddObjectByName(twin, strError));

    CDeviceConfig* pStored = nullptr;
    ASSERT_EQ(Result::Ok, configs.LookupObjectByName("230400401", pStored, MustExist, strError));
    CDeviceConfig copy = *pStored;
    CProductSetting* pCopied = FindSetting(copy, "runtime");
    ASSERT_NE(nullptr, pCopied);
    pCopied->SetMax(5);
    pCopied->AddSymbolicValue(1, 1, "Kurz");

    const CProductSetting* pOriginal = FindSetting(*pStored, "Runtime");
    ASSERT_NE(nullptr, pOriginal);
    EXPECT_EQ(60u, pOriginal->GetMax());
    EXPECT_EQ(1u, pOriginal->GetSymbolicValues().size());
    EXPECT_EQ("Urinal", copy.GetConfigSheet());
    EXPECT_EQ("/x/ProductPicture.bmp", copy.GetPicturePath());

    pCopied->Reset();
    EXPECT_EQ("", pCopied->GetName());
    EXPECT_EQ(0u, pCopied->GetMax());
    EXPECT_TRUE(pCopied->GetSymbolicValues().empty());
}

} // namespace
