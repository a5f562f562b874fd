// Which settings family serves which product type and which configuration
// sheet.

#include "pages/FaucetSettings.h"
#include "pages/FlushValveSettings.h"
#include "pages/UrinalWcSettings.h"

#include "common/FilePaths.h"
#include "common/ResultCodes.h"
#include "LanguageGuard.h"
#include "pages/SettingsModel.h"
#include "workflow/ProductCatalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

TEST(SettingsFamilies, EveryProductTypeAndSheetHasItsFamily)
{
    const struct {
        int nProductType;
        const char* szSheet;
        const CSettingsFamily* pFamily;
    } cases[] = {
        {kProductTarvo, "Tarvo", &FlushValveFamily()},   {kProductTarvoV2, "TarvoV2", &FlushValveV2Family()},
        {kProductAmbra, "Ambra", &FaucetFamily()},       {kProductUrinal, "Urinal", &UrinalWcFamily()},
        {kProductWC, "WC", &UrinalWcFamily()},           {kProductPelio, "Pelio", &FaucetFamily()},
        {kProductCulina, "Culina", &FaucetFamily()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindSettingsFamily(c.nProductType), c.pFamily) << c.szSheet;
        EXPECT_EQ(FindSheetFamily(c.szSheet), c.pFamily) << c.szSheet;
        EXPECT_TRUE(IsFamilySheet(*c.pFamily, c.szSheet)) << c.szSheet;
    }
    EXPECT_EQ(FindSettingsFamily(0), nullptr);
    for (const char* szSheet : {"tarvo", "TARVOV2", "urinal", "Wc", ""})
        EXPECT_EQ(FindSheetFamily(szSheet), nullptr) << szSheet;
}

TEST(SettingsFamilies, EachProductTypeShowsItsRowsAndKeepsWhatItsFamilyKeeps)
{
    const std::set<std::string> kAmbraOwn{"LEDCurrentOff", "Maxruntime"};
    const std::set<std::string> kSpecial{"ThermaldisinfectionMode", "ThermaldisinfectionRuntime", "NonStopOperationMode",
                                         "NonStopOperationRuntime", "CleaningStopMode", "CleaningStopRuntime"};
    std::set<std::string> culinaHides = kAmbraOwn;
    culinaHides.insert(kSpecial.begin(), kSpecial.end());
    const struct {
        int nProductType;
        std::size_t nKept;
        std::set<std::string> hidden;
    } cases[] = {
        {kProductAmbra, 14, {}}, {kProductPelio, 14, kAmbraOwn}, {kProductCulina, 14, culinaHides},
        {kProductUrinal, 14, {}}, {kProductWC, 7, {}}, {kProductTarvo, 9, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nProductType);
        const CSettingsModel model(*FindSettingsFamily(c.nProductType), CDeviceConfig(), c.nProductType);
        EXPECT_EQ(model.ProductType(), c.nProductType);
        // Hiding a row changes nothing the fitting or a file gets.
        EXPECT_EQ(model.Fields().size(), c.nKept);
        for (const CSettingField& field : model.Fields())
            EXPECT_EQ(model.ShowsField(field.szName), !c.hidden.contains(field.szName)) << field.szName;
        for (const std::string& strName : c.hidden)
            EXPECT_NE(model.FindField(strName), nullptr) << strName;
    }
    // What a type does not keep, it does not show; nor a switch that is no field.
    const CSettingsModel wc(UrinalWcFamily(), CDeviceConfig(), kProductWC);
    EXPECT_FALSE(wc.ShowsField("StadiumMode"));
    EXPECT_FALSE(wc.ShowsField("Runtime"));
    EXPECT_FALSE(wc.ShowsField("PowerSavingMode"));
    EXPECT_FALSE(wc.ShowsField(""));
}

TEST(SettingsFamilies, OldFlushValveApplications)
{
    const struct {
        int nMajor;
        int nMinor;
        bool bOld;
    } cases[] = {{2, 6, true}, {1, 5, true}, {0, 6, true},  {2, 0, true},  {2, 7, false},
                 {3, 0, false}, {1, 7, false}, {3, 6, false}, {130, 1, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsOldFlushValveApplication(c.nMajor, c.nMinor), c.bOld) << c.nMajor << "." << c.nMinor;
}

namespace {

// The shipped definitions in a folder of the test's own, with one maximum changed.
std::filesystem::path DefinitionsWithMaximum(const std::string& strProduct, const std::string& strSetting, const std::string& strMax)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("fluxa_fits_" + strSetting + strMax);
    fs::remove_all(dir);
    fs::copy(DefaultConfigDirectory(), dir, fs::copy_options::recursive);
    const fs::path file = dir / strProduct / "DeviceConfig.xml";
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::size_t nMax = text.find("<Max>", text.find("<" + strSetting + ">")) + 5;
    text.replace(nMax, text.find("</Max>", nMax) - nMax, strMax);
    std::ofstream(file) << text;
    return dir;
}

} // namespace

TEST(SettingsFamilies, ADefinitionWhoseMaximumTheFittingCannotHoldIsRefusedAtLoad)
{
    LanguageGuard english{2};
    const struct {
        const char* szProduct;
        const char* szSetting;
        const char* szMax;
        bool bFits;
    } cases[] = {
        {"Urinal_230400401", "Runtime", "65", true},            // 65000 ms in two bytes
        {"Urinal_230400401", "Runtime", "66", false},           // 66000 would wrap
        {"Urinal_230400401", "PowerSavingTimeout", "255", true},
        {"Urinal_230400401", "PowerSavingTimeout", "256", false},
        {"Ambra_230300301", "Runtime", "65535", true},
        {"Ambra_230300301", "Runtime", "65536", false},
        {"Tarvo_230100101", "FlushTime", "65536", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.szProduct) + " " + c.szSetting + " " + c.szMax);
        const auto dir = DefinitionsWithMaximum(c.szProduct, c.szSetting, c.szMax);
        CProductCatalog catalog;
        std::string strError;
        const int nResult = catalog.LoadDeviceConfigs(Utf8FromPath(dir), strError, CheckDefinitionFitsFields);
        if (c.bFits) {
            EXPECT_EQ(nResult, Result::Ok) << strError;
        } else {
            EXPECT_EQ(nResult, Result::InvalidArgument);
            EXPECT_NE(strError.find("'" + std::string(c.szSetting) + "' does not fit"), std::string::npos) << strError;
            EXPECT_NE(strError.find(c.szProduct), std::string::npos) << strError;
            EXPECT_EQ(catalog.FindProductTypeForArticle(std::string(c.szProduct).substr(std::string(c.szProduct).find('_') + 1)), 0);
        }
        std::filesystem::remove_all(dir);
    }
}
