#include "pages/SettingValue.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/XMLLib.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string NormalisedText(const std::string& strText)
{
    return ToLowerAscii(TrimWhiteSpace(strText));
}

// A signed number using the whole text, as the step buttons read it.
std::optional<long long> SignedValue(const std::string& strText)
{
    if (strText.empty())
        return std::nullopt;
    const int nBase = strText.compare(0, 2, "0x") == 0 ? 16 : 10;
    char* pEnd = nullptr;
    const long long llValue = std::strtoll(strText.c_str(), &pEnd, nBase);
    if (pEnd != strText.c_str() + strText.size())
        return std::nullopt;
    return llValue;
}

} // namespace

int CheckSettingValue(const CProductSetting& setting, const std::string& strText, DWORD& dwValue,
                      std::string& strError)
{
    if (XmlText::ConvertNumberText(NormalisedText(strText), dwValue) && dwValue >= setting.GetMin()
        && dwValue <= setting.GetMax())
        return Result::Ok;
    strError = FormatText(PickText("Enter a valid value in the range from (%d) to (%d).",
                                   "Geben Sie eine gültige Zahl im Bereich von (%d) bis (%d) ein."),
                          static_cast<int>(setting.GetMin()), static_cast<int>(setting.GetMax()));
    return Result::InvalidArgument;
}

int CheckSettingValue(CDeviceConfig& definition, const std::string& strName, const std::string& strText,
                      DWORD& dwValue, std::string& strError)
{
    CProductSetting* pSetting = nullptr;
    const int nResult = definition.m_Settings.LookupObjectByName(strName, pSetting, MustExist, strError);
    return nResult != Result::Ok ? nResult : CheckSettingValue(*pSetting, strText, dwValue, strError);
}

std::optional<std::string> StepSettingValue(const CProductSetting& setting, const std::string& strText, int nStep)
{
    const std::optional<long long> value = SignedValue(NormalisedText(strText));
    if (!value)
        return std::nullopt;
    const long long llMin = setting.GetMin();
    const long long llMax = setting.GetMax();
    long long llNew = 0;
    if (*value > llMax)
        llNew = llMax;
    else if (*value < llMin)
        llNew = llMin;
    else
        llNew = nStep > 0 ? std::min(*value + nStep, llMax) : std::max(*value + nStep, llMin);
    return FormatText("%d", static_cast<int>(llNew));
}
