// Which settings family serves which product type and which configuration
// sheet.

#include "pages/FaucetSettings.h"
#include "pages/FlushValveSettings.h"
#include "pages/UrinalWcSettings.h"

#include <gtest/gtest.h>

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
