// The product definitions shipped beside the programs: every product type is
// there, each family's page finds its settings, every limit fits the page's
// edit fields and the fitting's EEPROM fields, every symbolic value is
// labelled in both languages, the pictures are real drawings, and the
// simulator's fittings lie within the limits.
#include "configdata/DeviceConfig.h"

#include "common/FilePaths.h"
#include "common/ResultCodes.h"

#include <gtest/gtest.h>

#ifdef FLUXA_VELMORSIM_PATH
#include "SimulatorControl.h"
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum class Kind { Flag, Symbolic, Number };

// One setting a family's page looks up: its edit field's width in characters
// (numbers only), its EEPROM field (address in the family's map, size) and
// the factor from the page's unit to the EEPROM's.
struct SettingRule {
    const char* name;
    Kind kind;
    int nEditChars;
    unsigned uAddress; // 0: no field of its own
    unsigned uSize;
    DWORD dwScale;
    bool bZeroMeansOff; // the fitting stores 0 for a switched-off function
};

const std::vector<SettingRule> kTarvoRules = {
    {"StartupProgramming", Kind::Flag, 0, 0x7E, 1, 1, false},
    {"SwitchLevel", Kind::Symbolic, 0, 0x40, 2, 1, false},
    {"FlushTime", Kind::Number, 5, 0x86, 2, 1, false},
    {"StagnationMode", Kind::Symbolic, 0, 0x88, 1, 1, true},
    {"StagnationRuntime", Kind::Number, 5, 0x91, 2, 1, false},
    {"StagnationCycleTime", Kind::Number, 5, 0x89, 2, 1, false},
    {"ValveDeadTimeRuntime", Kind::Number, 5, 0x5B, 2, 1, false},
    {"ValveDeadTimeTimeout", Kind::Number, 5, 0x52, 2, 1, true},
    {"SimpleSwitchFunction", Kind::Flag, 0, 0x8B, 1, 1, false},
};

const std::vector<SettingRule> kFaucetRules = {
    {"StartupProgramming", Kind::Flag, 0, 0x5E, 1, 1, false},
    {"LEDCurrentOff", Kind::Symbolic, 0, 0x94, 1, 1, false},
    {"Maxruntime", Kind::Number, 3, 0x70, 2, 1, false},
    {"Runtime", Kind::Number, 5, 0x72, 2, 1, false},
    {"StagnationMode", Kind::Symbolic, 0, 0x76, 1, 1, true},
    {"StagnationRuntime", Kind::Number, 4, 0x79, 2, 1, false},
    {"StagnationCycleTime", Kind::Number, 4, 0x77, 2, 1, false},
    {"PowerSavingMode", Kind::Flag, 0, 0, 1, 1, false},
    {"PowerSavingTimeout", Kind::Number, 3, 0x9E, 1, 1, true},
    {"ThermaldisinfectionMode", Kind::Flag, 0, 0xAB, 1, 1, false},
    {"ThermaldisinfectionRuntime", Kind::Number, 3, 0xAC, 2, 1, false},
    {"NonStopOperationMode", Kind::Flag, 0, 0xA8, 1, 1, false},
    {"NonStopOperationRuntime", Kind::Number, 3, 0xA9, 2, 1, false},
    {"CleaningStopMode", Kind::Flag, 0, 0x6C, 1, 1, false},
    {"CleaningStopRuntime", Kind::Number, 3, 0x6D, 2, 1, false},
};

const std::vector<SettingRule> kUrinalWcCommonRules = {
    {"StartupProgramming", Kind::Flag, 0, 0x5E, 1, 1, false},
    {"LEDCurrentOff", Kind::Symbolic, 0, 0xA4, 1, 1, false},
    {"StagnationMode", Kind::Symbolic, 0, 0x76, 1, 1, true},
    {"StagnationRuntime", Kind::Number, 4, 0x79, 2, 1, false},
    {"StagnationCycleTime", Kind::Number, 4, 0x77, 2, 1, false},
    {"PowerSavingMode", Kind::Flag, 0, 0, 1, 1, false},
    {"PowerSavingTimeout", Kind::Number, 3, 0x8E, 1, 1, true},
};

std::vector<SettingRule> WithCommon(std::vector<SettingRule> rules)
{
    rules.insert(rules.begin(), kUrinalWcCommonRules.begin(), kUrinalWcCommonRules.end());
    return rules;
}

// The urinal's run time is shown in seconds and kept in milliseconds.
const std::vector<SettingRule> kUrinalRules = WithCommon({
    {"Runtime", Kind::Number, 5, 0x72, 2, 1000, false},
    {"ComfortFlushMode", Kind::Flag, 0, 0xAD, 1, 1, false},
    {"ComfortFlushLastUsed", Kind::Number, 3, 0xAE, 1, 1, false},
    {"StadiumMode", Kind::Flag, 0, 0xA2, 1, 1, false},
    {"StadiumRuntime", Kind::Number, 3, 0xA0, 2, 1, false},
    {"StadiumDelta", Kind::Number, 3, 0x9D, 2, 1, false},
    {"AirtrapMode", Kind::Flag, 0, 0xAB, 1, 1, false},
    {"AirtrapLastUsed", Kind::Number, 3, 0xAC, 1, 1, false},
});

const std::vector<SettingRule> kWcRules = WithCommon({{"FlushIndex", Kind::Symbolic, 0, 0xC8, 1, 1, false}});

const std::vector<SettingRule>& RulesFor(const std::string& strConfigSheet)
{
    static const std::map<std::string, const std::vector<SettingRule>*> rules = {
        {"Tarvo", &kTarvoRules},   {"TarvoV2", &kTarvoRules}, {"Ambra", &kFaucetRules}, {"Pelio", &kFaucetRules},
        {"Culina", &kFaucetRules}, {"Urinal", &kUrinalRules}, {"WC", &kWcRules}};
    static const std::vector<SettingRule> none;
    const auto it = rules.find(strConfigSheet);
    return it != rules.end() ? *it->second : none;
}

DWORD LargestEditValue(int nChars)
{
    DWORD dwLargest = 1;
    for (int i = 0; i < nChars; ++i)
        dwLargest *= 10;
    return dwLargest - 1;
}

DWORD LargestFieldValue(unsigned uSize)
{
    return uSize >= 4 ? 0xFFFFFFFFu : (1u << (8 * uSize)) - 1;
}

struct ShippedProduct {
    std::string strDirectory;
    CDeviceConfig config;
};

// Reads the definitions as the directory scan does: one per subdirectory,
// the picture beside it, keyed by article number.
std::vector<ShippedProduct> LoadShippedProducts()
{
    std::vector<ShippedProduct> products;
    const fs::path configDir = PathFromUtf8(DefaultConfigDirectory());
    std::vector<fs::path> directories;
    for (const fs::directory_entry& entry : fs::directory_iterator(configDir))
        if (entry.is_directory())
            directories.push_back(entry.path());
    std::sort(directories.begin(), directories.end());
    CHashedObjects<CDeviceConfig> registry;
    for (const fs::path& directory : directories) {
        CDeviceConfigXML reader;
        std::string strError;
        EXPECT_EQ(Result::Ok, reader.LoadDefinition(Utf8FromPath(directory / "DeviceConfig.xml"), strError))
            << directory << ": " << strError;
        reader.GetConfig().SetPicturePath(Utf8FromPath(directory / "ProductPicture.bmp"));
        EXPECT_EQ(Result::Ok, registry.AddObjectByName(reader.GetConfig(), strError)) << directory << ": " << strError;
        products.push_back({directory.filename().string(), reader.GetConfig()});
    }
    return products;
}

class ShippedDefinitionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_products = LoadShippedProducts(); }
    static std::vector<ShippedProduct> s_products;
};
std::vector<ShippedProduct> ShippedDefinitionsTest::s_products;

TEST_F(ShippedDefinitionsTest, EveryProductTypeIsShippedWithItsArticleNumbers)
{
    std::map<std::string, std::string> sheetByArticle;
    for (const ShippedProduct& product : s_products)
        sheetByArticle[product.config.GetArticleNumber()] = product.config.GetConfigSheet();
    const std::map<std::string, std::string> expected = {
        {"230100101", "Tarvo"}, {"230200201", "TarvoV2"}, {"230300301", "Ambra"}, {"230300302", "Ambra"},
        {"230400401", "Urinal"}, {"230500501", "WC"},     {"230600601", "Pelio"}, {"230700701", "Culina"}};
    EXPECT_EQ(expected, sheetByArticle);
    EXPECT_EQ(0u, sheetByArticle.count("239999999")); // kept free for an unknown fitting
}

TEST_F(ShippedDefinitionsTest, DescriptionsExistInBothLanguages)
{
    std::map<std::string, std::set<std::string>> extendedByDescription;
    for (ShippedProduct& product : s_products) {
        for (const int nLanguage : {1, 2}) {
            std::string strDescription, strExtended;
            product.config.GetProductDescription(nLanguage, strDescription, strExtended);
            EXPECT_FALSE(strDescription.empty()) << product.strDirectory << " language " << nLanguage;
            EXPECT_FALSE(strExtended.empty()) << product.strDirectory << " language " << nLanguage;
            if (nLanguage == 2)
                extendedByDescription[strDescription].insert(strExtended);
        }
    }
    // Two products share their description and differ in the extended one.
    EXPECT_TRUE(std::any_of(extendedByDescription.begin(), extendedByDescription.end(),
                            [](const auto& entry) { return entry.second.size() >= 2; }));
}

TEST_F(ShippedDefinitionsTest, EverySettingOfThePageFitsTheEditAndTheEepromField)
{
    for (ShippedProduct& product : s_products) {
        const std::vector<SettingRule>& rules = RulesFor(product.config.GetConfigSheet());
        ASSERT_FALSE(rules.empty()) << product.strDirectory << ": unknown sheet " << product.config.GetConfigSheet();
        for (const SettingRule& rule : rules) {
            const std::string where = product.strDirectory + " " + rule.name;
            CProductSetting* pSetting = nullptr;
            std::string strError;
            ASSERT_EQ(Result::Ok, product.config.m_Settings.LookupObjectByName(rule.name, pSetting, MustExist, strError))
                << where;
            EXPECT_EQ(rule.name, pSetting->GetName()) << where << ": the page looks it up by this spelling";
            EXPECT_LE(pSetting->GetMin(), pSetting->GetDefault()) << where;
            EXPECT_LE(pSetting->GetDefault(), pSetting->GetMax()) << where;
            EXPECT_LE(static_cast<unsigned long long>(pSetting->GetMax()) * rule.dwScale, LargestFieldValue(rule.uSize))
                << where;
            if (rule.kind == Kind::Flag) {
                EXPECT_LE(pSetting->GetMax(), 1u) << where;
            }
            if (rule.kind == Kind::Number) {
                EXPECT_LE(pSetting->GetMax(), LargestEditValue(rule.nEditChars)) << where;
                EXPECT_LT(pSetting->GetMin(), pSetting->GetMax()) << where;
            }
            if (rule.kind != Kind::Symbolic) {
                EXPECT_TRUE(pSetting->GetSymbolicValues().empty()) << where;
                continue;
            }
            // Every symbolic value is labelled once in each language, and
            // a default that is not "off" is one of them.
            std::map<DWORD, std::multiset<int>> languagesByValue;
            for (const CSymbolicValue& symbolic : pSetting->GetSymbolicValues()) {
                EXPECT_FALSE(symbolic.GetLabel().empty()) << where;
                EXPECT_GE(symbolic.GetValue(), pSetting->GetMin()) << where;
                EXPECT_LE(symbolic.GetValue(), pSetting->GetMax()) << where;
                languagesByValue[symbolic.GetValue()].insert(symbolic.GetLanguage());
            }
            EXPECT_GE(languagesByValue.size(), 2u) << where;
            for (const auto& [dwValue, languages] : languagesByValue)
                EXPECT_EQ((std::multiset<int>{1, 2}), languages) << where << " value " << dwValue;
            if (!(rule.bZeroMeansOff && pSetting->GetDefault() == 0)) {
                EXPECT_EQ(1u, languagesByValue.count(pSetting->GetDefault())) << where;
            }
        }
    }
}

struct Picture {
    int nWidth = 0;
    int nHeight = 0;
    std::size_t nColours = 0;
    double dDrawnShare = 0.0; // pixels that are not the background white
};

std::uint32_t ReadLe(const std::string& bytes, std::size_t offset, int nBytes)
{
    std::uint32_t value = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

// Decodes an uncompressed 24-bit or 8-bit BMP; false when it is none.
bool DecodeBmp(const std::string& path, Picture& picture)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0 || ReadLe(bytes, 2, 4) != bytes.size())
        return false;
    const std::uint32_t dataOffset = ReadLe(bytes, 10, 4);
    const auto width = static_cast<std::int32_t>(ReadLe(bytes, 18, 4));
    const auto height = static_cast<std::int32_t>(ReadLe(bytes, 22, 4));
    const std::uint32_t bits = ReadLe(bytes, 28, 2);
    if (ReadLe(bytes, 14, 4) < 40 || ReadLe(bytes, 26, 2) != 1 || ReadLe(bytes, 30, 4) != 0 || width <= 0 ||
        height == 0 || (bits != 24 && bits != 8))
        return false;
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    const std::size_t rowSize = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
    if (dataOffset + rowSize * rows > bytes.size())
        return false;
    std::set<std::uint32_t> colours;
    std::size_t drawn = 0;
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            std::uint32_t colour = 0;
            if (bits == 24) {
                colour = ReadLe(bytes, dataOffset + y * rowSize + 3 * x, 3);
            } else {
                const auto index = static_cast<unsigned char>(bytes[dataOffset + y * rowSize + x]);
                colour = ReadLe(bytes, 14 + ReadLe(bytes, 14, 4) + 4u * index, 3);
            }
            colours.insert(colour);
            drawn += colour != 0xFFFFFF ? 1 : 0;
        }
    }
    picture.nWidth = width;
    picture.nHeight = static_cast<int>(rows);
    picture.nColours = colours.size();
    picture.dDrawnShare = static_cast<double>(drawn) / static_cast<double>(rows * static_cast<std::size_t>(width));
    return true;
}

TEST_F(ShippedDefinitionsTest, PicturesAreDrawingsOneSquareTheOthersUpright)
{
    int nSquare = 0;
    for (const ShippedProduct& product : s_products) {
        Picture picture;
        ASSERT_TRUE(DecodeBmp(product.config.GetPicturePath(), picture)) << product.config.GetPicturePath();
        EXPECT_GE(picture.nColours, 32u) << product.strDirectory << ": not a blank box";
        EXPECT_GT(picture.dDrawnShare, 0.15) << product.strDirectory;
        EXPECT_GE(picture.nHeight, picture.nWidth) << product.strDirectory;
        nSquare += picture.nWidth == picture.nHeight ? 1 : 0;
    }
    EXPECT_EQ(1, nSquare);
}

#ifdef FLUXA_VELMORSIM_PATH
// Every simulated fitting's settings, as its EEPROM holds them, lie within
// the limits of its product's definition.
TEST_F(ShippedDefinitionsTest, SimulatedFittingsLieWithinTheLimits)
{
    SimulatorControl sim;
    int nChecked = 0;
    for (const char* profile : {"Tarvo", "TarvoV2", "Ambra", "Ambra2", "Urinal", "WC", "Pelio", "Culina"}) {
        ASSERT_EQ(VSIM_OK, sim.api.PlugFitting(0, profile)) << profile << ": " << sim.api.GetLastError();
        VSimFittingState state{};
        ASSERT_EQ(VSIM_OK, sim.api.GetFittingState(0, &state)) << profile;
        const std::string strArticle = std::to_string(state.article);
        const auto product = std::find_if(s_products.begin(), s_products.end(), [&](const ShippedProduct& p) {
            return p.config.GetArticleNumber() == strArticle;
        });
        ASSERT_NE(s_products.end(), product) << profile << ": no definition for " << strArticle;
        for (const SettingRule& rule : RulesFor(product->config.GetConfigSheet())) {
            if (rule.uAddress == 0)
                continue;
            unsigned char field[4] = {};
            ASSERT_EQ(VSIM_OK, sim.api.ReadEeprom(0, rule.uAddress, field, rule.uSize)) << profile;
            DWORD dwStored = 0;
            for (unsigned i = rule.uSize; i-- > 0;)
                dwStored = (dwStored << 8) | field[i];
            const DWORD dwShown = dwStored / rule.dwScale;
            const std::string where = std::string(profile) + " " + rule.name + " = " + std::to_string(dwShown);
            CProductSetting* pSetting = nullptr;
            std::string strError;
            ASSERT_EQ(Result::Ok, product->config.m_Settings.LookupObjectByName(rule.name, pSetting, MustExist, strError));
            if (rule.bZeroMeansOff && dwShown == 0)
                continue;
            EXPECT_GE(dwShown, pSetting->GetMin()) << where;
            EXPECT_LE(dwShown, pSetting->GetMax()) << where;
            if (rule.kind == Kind::Symbolic) {
                std::string strLabel;
                EXPECT_TRUE(pSetting->GetSymbolicLabel(2, dwShown, strLabel)) << where << ": no label";
            }
            ++nChecked;
        }
    }
    EXPECT_GT(nChecked, 60);
}
#endif

} // namespace
