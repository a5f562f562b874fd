#include "common/ResultCodes.h"
#include "fitting/EEAddressMap.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kAllProducts[] = {1, 2, 3, 4, 5, 6, 7};

// Resolves an address with a stale address and text in the out arguments, so
// that a lookup that forgets to reset them shows.
int Resolve(int nType, int nProduct, int& nAddr, std::string& strError)
{
    nAddr = 0x7777;
    strError = "stale";
    return GetEEAddr(nType, nProduct, nAddr, strError);
}

} // namespace

// Values patched into a row must stay inside bytes 0..14 of one row, or the
// row write would overwrite its own checksum.
TEST(EEAddressMap, NoFieldTouchesTheChecksumOrCrossesARow)
{
    for (int nProduct : kAllProducts) {
        int nMapped = 0;
        for (int nType = kFirstEEAddrType; nType <= kLastEEAddrType; ++nType) {
            int nAddr = 0;
            std::string strError;
            if (Resolve(nType, nProduct, nAddr, strError) != Result::Ok)
                continue;
            ++nMapped;
            const int nSize = GetEEAddrTypeSize(nType);
            ASSERT_GT(nSize, 0) << nType;
            const int nFirst = nAddr % kEERowSize;
            const int nLast = nFirst + nSize - 1;
            EXPECT_LT(nLast, kEERowChecksumOffset) << "type " << nType << " product " << nProduct;
            EXPECT_GE(nAddr, 0x11) << nType;
            EXPECT_LE(nAddr + nSize - 1, 0xEE) << nType;
            EXPECT_TRUE(strError.empty());
        }
        EXPECT_GT(nMapped, 25) << nProduct;
    }
}

// A typing slip in a table shows up as two fields sharing a byte. Only the
// power saving pair shares one on purpose.
TEST(EEAddressMap, FieldsOfOneMapDoNotOverlapExceptPowerSaving)
{
    for (int nProduct : {kProductTarvo, kProductAmbra, kProductUrinal}) {
        std::map<int, int> owners; // EEPROM byte -> address type
        for (int nType = kFirstEEAddrType; nType <= kLastEEAddrType; ++nType) {
            if (nType == EE_POWER_SAVING_MODE)
                continue;
            int nAddr = 0;
            std::string strError;
            if (Resolve(nType, nProduct, nAddr, strError) != Result::Ok)
                continue;
            for (int i = 0; i < GetEEAddrTypeSize(nType); ++i) {
                const auto [it, bInserted] = owners.emplace(nAddr + i, nType);
                EXPECT_TRUE(bInserted) << "product " << nProduct << " byte " << nAddr + i << " types " << it->second << " and " << nType;
            }
        }
    }
}

TEST(EEAddressMap, FamiliesAndTheirDifferences)
{
    struct Case {
        int nType;
        int nProduct;
        int nExpected; // -1: refused
    };
    const Case cases[] = {
        {EE_SERIAL_NUMBER, 1, 0x11},       {EE_SERIAL_NUMBER, 5, 0x11},
        {EE_PRODUCTION_DATE, 2, 0x1A},     {EE_PRODUCTION_DATE, 7, 0x2C},
        {EE_SWITCH_LEVEL, 1, 0x40},        {EE_SWITCH_LEVEL, 2, 0x40},
        {EE_SWITCH_LEVEL, 3, -1},          {EE_SWITCH_LEVEL, 4, -1},
        {EE_HOURS_SINCE_RESET, 3, 0x40},   {EE_MAX_RUNTIME, 1, -1},
        {EE_MAX_RUNTIME, 2, -1},           {EE_MAX_RUNTIME, 3, 0x70},
        {EE_MAX_RUNTIME, 4, 0x70},         {EE_MAX_RUNTIME, 5, 0x70},
        {EE_MAX_RUNTIME, 6, 0x70},         {EE_MAX_RUNTIME, 7, 0x70},
        {EE_INSTALLER, 2, 0xE0},           {EE_INSTALLER, 6, 0xB0},
        {EE_INSTALLER, 4, 0xB0},           {EE_LED_CURRENT_OFF, 1, -1},
        {EE_LED_CURRENT_OFF, 7, 0x94},     {EE_LED_CURRENT_OFF, 5, 0xA4},
        {EE_THERMAL_DISINFECTION_MODE, 3, 0xAB}, {EE_THERMAL_DISINFECTION_MODE, 4, -1},
        {EE_AIRTRAP_MODE, 5, 0xAB},        {EE_AIRTRAP_MODE, 3, -1},
        {EE_FLUSH_INDEX, 4, 0xC8},         {EE_SIMPLE_SWITCH_FUNCTION, 2, 0x8B},
        {EE_SIMPLE_SWITCH_FUNCTION, 3, -1}, {EE_VALVE_DEAD_TIME_RUNTIME, 1, 0x5B},
    };
    for (const Case& c : cases) {
        int nAddr = 0;
        std::string strError;
        const int nResult = Resolve(c.nType, c.nProduct, nAddr, strError);
        if (c.nExpected < 0) {
            EXPECT_EQ(nResult, Result::InvalidArgument) << c.nType << "/" << c.nProduct;
            EXPECT_EQ(nAddr, 0);
        } else {
            EXPECT_EQ(nResult, Result::Ok) << c.nType << "/" << c.nProduct;
            EXPECT_EQ(nAddr, c.nExpected) << c.nType << "/" << c.nProduct;
            EXPECT_EQ(strError, "");
        }
    }
}

TEST(EEAddressMap, PowerSavingTimeoutAndModeShareTheirByte)
{
    for (int nProduct : {3, 4, 5, 6, 7}) {
        int nTimeout = 0, nMode = 0;
        std::string strError;
        ASSERT_EQ(Resolve(EE_POWER_SAVING_TIMEOUT, nProduct, nTimeout, strError), Result::Ok);
        ASSERT_EQ(Resolve(EE_POWER_SAVING_MODE, nProduct, nMode, strError), Result::Ok);
        EXPECT_EQ(nTimeout, nMode);
    }
}

TEST(EEAddressMap, UnknownAddressTypesAreRefusedByEveryMapWithItsName)
{
    LanguageGuard english(kLanguageEnglish);
    const std::map<int, std::string> mapNames = {{1, "::GetEEAddrTarvo"}, {2, "::GetEEAddrTarvo"}, {3, "::GetEEAddrAmbra"},
                                                 {4, "::GetEEAddrUrinalWc"}, {5, "::GetEEAddrUrinalWc"},
                                                 {6, "::GetEEAddrAmbra"}, {7, "::GetEEAddrAmbra"}};
    for (int nType : {0, 17, 38, 48, -3}) {
        for (int nProduct : kAllProducts) {
            int nAddr = 0;
            std::string strError;
            EXPECT_EQ(Resolve(nType, nProduct, nAddr, strError), Result::InvalidArgument);
            EXPECT_EQ(nAddr, 0);
            EXPECT_EQ(strError, mapNames.at(nProduct) + " The addr type (" + std::to_string(nType) + ") is not supported");
        }
    }
    LanguageGuard german(kLanguageGerman);
    int nAddr = 0;
    std::string strError;
    EXPECT_EQ(GetEEAddrAmbra(EE_SWITCH_LEVEL, nAddr, strError), Result::InvalidArgument);
    EXPECT_EQ(strError, "::GetEEAddrAmbra Der Adresstyp (8) wird nicht unterstützt");
}

TEST(EEAddressMap, UnknownProductTypesAreRefusedEvenForTheSerialNumber)
{
    for (int nProduct : {0, 8, -1}) {
        int nAddr = 0;
        std::string strError;
        {
            LanguageGuard english(kLanguageEnglish);
            EXPECT_EQ(Resolve(EE_SERIAL_NUMBER, nProduct, nAddr, strError), Result::InvalidArgument);
            EXPECT_EQ(nAddr, 0);
            EXPECT_EQ(strError, "::GetEEAddr The product (" + std::to_string(nProduct) + ") is not supported");
        }
        LanguageGuard german(kLanguageGerman);
        EXPECT_EQ(Resolve(EE_SERIAL_NUMBER, nProduct, nAddr, strError), Result::InvalidArgument);
        EXPECT_EQ(strError, "::GetEEAddr Das Produkt (" + std::to_string(nProduct) + ") wird nicht unterstützt");
    }
}

TEST(EEAddressMap, SizesOfTheTypes)
{
    EXPECT_EQ(GetEEAddrTypeSize(EE_SERIAL_NUMBER), 6);
    EXPECT_EQ(GetEEAddrTypeSize(EE_SWITCH_COUNT_A), 3);
    EXPECT_EQ(GetEEAddrTypeSize(EE_INSTALLATION_DATE), 5);
    EXPECT_EQ(GetEEAddrTypeSize(EE_PLACEMENT_2), 15);
    EXPECT_EQ(GetEEAddrTypeSize(EE_STADIUM_DELTA), 2);
    EXPECT_EQ(GetEEAddrTypeSize(17), 0);
    EXPECT_EQ(GetEEAddrTypeSize(0), 0);
}
