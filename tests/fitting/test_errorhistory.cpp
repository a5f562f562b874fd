#include "common/ResultCodes.h"
#include "fitting/ErrorHistory.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

namespace {

std::string Decode(int nProduct, unsigned int nCode)
{
    std::string strText = "stale";
    std::string strError = "stale";
    EXPECT_EQ(DeCodeErrorHistory(nProduct, nCode, strText, strError), Result::Ok) << nProduct << "/" << nCode;
    EXPECT_EQ(strError, "");
    return strText;
}

} // namespace

TEST(ErrorHistory, TextsOfBothTablesInBothLanguages)
{
    struct Case {
        int nProduct;
        unsigned int nCode;
        int nLanguage;
        const char* pszExpected;
    };
    const Case cases[] = {
        {1, 13, kLanguageEnglish, " - Security access failed"},
        {3, 13, kLanguageEnglish, " - Undervoltage warning"},
        {3, 13, kLanguageGerman, " - Unterspannungswarnung"},
        {2, 14, kLanguageGerman, " - EE Konfiguration fehlerhaft"},
        {7, 14, kLanguageEnglish, " - Security access failed"},
        {2, 15, kLanguageEnglish, ""},
        {5, 15, kLanguageEnglish, " - Invalid EE-parameter"},
        {6, 16, kLanguageGerman, " - Einmessen TO"},
        {1, 16, kLanguageGerman, ""},
        {4, 4, kLanguageEnglish, " - An invalid command was received "},
        {1, 4, kLanguageGerman, " - Ungültiges Kommando empfangen"},
        {1, 5, kLanguageGerman, " - Ungültige Checksumme"},
        {4, 9, kLanguageGerman, " - Ungültige Checksumme"},
        {4, 9, kLanguageEnglish, " - Invalid checksum, check is failed"},
        {2, 10, kLanguageGerman, " - Überspannung"},
        {5, 1, kLanguageEnglish, " - The received echo byte does not match with the send data byte"},
        {3, 12, 0, " - Unterspannung"}, // any language but English is German
        {3, 17, kLanguageEnglish, ""},
        {3, 255, kLanguageEnglish, ""},
    };
    for (const Case& c : cases) {
        LanguageGuard language(c.nLanguage);
        EXPECT_EQ(Decode(c.nProduct, c.nCode), c.pszExpected) << c.nProduct << "/" << c.nCode << "/" << c.nLanguage;
    }
}

TEST(ErrorHistory, EmptyEntryAndCommonCodesForEveryProduct)
{
    LanguageGuard english(kLanguageEnglish);
    for (int nProduct = 1; nProduct <= 7; ++nProduct) {
        EXPECT_EQ(Decode(nProduct, 0), "") << nProduct;
        for (unsigned int nCode = 1; nCode <= 12; ++nCode) {
            EXPECT_EQ(Decode(nProduct, nCode), Decode(1, nCode)) << nProduct << "/" << nCode;
            EXPECT_EQ(Decode(nProduct, nCode).rfind(" - ", 0), 0u);
        }
    }
}

TEST(ErrorHistory, UnknownProductTypeIsRefusedWhateverTheCode)
{
    for (int nProduct : {0, 8}) {
        for (unsigned int nCode : {0u, 3u, 13u}) {
            std::string strText, strError;
            {
                LanguageGuard english(kLanguageEnglish);
                EXPECT_EQ(DeCodeErrorHistory(nProduct, nCode, strText, strError), Result::InvalidArgument);
                EXPECT_EQ(strError, "::DeCodeErrorHistory The product (" + std::to_string(nProduct) + ") is not supported");
            }
            LanguageGuard german(kLanguageGerman);
            EXPECT_EQ(DeCodeErrorHistory(nProduct, nCode, strText, strError), Result::InvalidArgument);
            EXPECT_EQ(strError, "::DeCodeErrorHistory Das Produkt (" + std::to_string(nProduct) + ") wird nicht unterstützt");
        }
    }
}
