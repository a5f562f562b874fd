// The value check and the "+"/"-" step of a numeric setting row.
#include "common/ResultCodes.h"
#include "pages/SettingValue.h"

#include "LanguageGuard.h"

#include <gtest/gtest.h>

namespace {

CProductSetting Limits(DWORD dwMin, DWORD dwMax)
{
    CProductSetting setting;
    setting.SetName("Maxruntime");
    setting.SetMin(dwMin);
    setting.SetMax(dwMax);
    return setting;
}

struct CheckCase {
    const char* szText;
    bool bValid;
    DWORD dwValue; // also when invalid
};

} // namespace

TEST(SettingValue, CheckTakesTheWholeTrimmedTextWithinTheLimits)
{
    LanguageGuard english(kLanguageEnglish);
    const CProductSetting setting = Limits(10, 300);
    const CheckCase cases[] = {
        {"0x1A", true, 26},   {"0X1a", true, 26},   {" 26 ", true, 26},    {"10", true, 10},
        {"300", true, 300},   {"9", false, 9},      {"301", false, 301},   {"26abc", false, 26},
        {"", false, 0},       {"   ", false, 0},    {"0x", false, 0},      {"-20", false, 4294967276u},
        {"4294967296", false, 4294967295u},
    };
    for (const CheckCase& c : cases) {
        DWORD dwValue = 12345;
        std::string strError;
        const int nResult = CheckSettingValue(setting, c.szText, dwValue, strError);
        EXPECT_EQ(nResult, c.bValid ? Result::Ok : Result::InvalidArgument) << '"' << c.szText << '"';
        EXPECT_EQ(dwValue, c.dwValue) << '"' << c.szText << '"';
        if (!c.bValid) {
            EXPECT_EQ(strError, "Enter a valid value in the range from (10) to (300).") << '"' << c.szText << '"';
        }
    }
}

TEST(SettingValue, CheckMessageInGerman)
{
    LanguageGuard german(kLanguageGerman);
    DWORD dwValue = 0;
    std::string strError;
    EXPECT_EQ(CheckSettingValue(Limits(1, 255), "0", dwValue, strError), Result::InvalidArgument);
    EXPECT_EQ(strError, "Geben Sie eine gültige Zahl im Bereich von (1) bis (255) ein.");
}

TEST(SettingValue, CheckOfAnUnknownSettingGivesTheLookupError)
{
    LanguageGuard english(kLanguageEnglish);
    CDeviceConfig definition;
    std::string strError;
    ASSERT_EQ(definition.m_Settings.AddObjectByName(Limits(0, 10), strError), Result::Ok);
    DWORD dwValue = 0;
    EXPECT_EQ(CheckSettingValue(definition, " MAXRUNTIME ", "5", dwValue, strError), Result::Ok);
    EXPECT_EQ(CheckSettingValue(definition, "Runtime", "5", dwValue, strError), Result::InvalidArgument);
    EXPECT_NE(strError.find("(Runtime) is not known"), std::string::npos) << strError;
}

TEST(SettingValue, StepMovesWithinTheLimitsAndBeepsOnNoNumber)
{
    const CProductSetting setting = Limits(10, 300);
    const struct {
        const char* szText;
        int nStep;
        const char* szResult; // nullptr: beep
    } cases[] = {
        {"20", 1, "21"},   {"20", -1, "19"},    {"300", 1, "300"}, {"10", -1, "10"},  {"5", 1, "10"},
        {"5", -1, "10"},   {"400", -1, "300"},  {"400", 1, "300"}, {"-3", 1, "10"},   {"0x1A", 1, "27"},
        {" 15 ", -1, "14"}, {"", 1, nullptr},   {"  ", -1, nullptr}, {"abc", 1, nullptr}, {"26abc", 1, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> result = StepSettingValue(setting, c.szText, c.nStep);
        if (c.szResult == nullptr)
            EXPECT_FALSE(result.has_value()) << '"' << c.szText << '"';
        else
            EXPECT_EQ(result.value_or("beep"), c.szResult) << '"' << c.szText << "\" " << c.nStep;
    }
}
