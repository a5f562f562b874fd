#include "pages/SettingsFamily.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "pages/FaucetSettings.h"
#include "pages/FlushValveSettings.h"
#include "pages/UrinalWcSettings.h"
#include "workflow/ProductCatalog.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const CSettingsFamily& (*)(), 4> kFamilies{FaucetFamily, FlushValveFamily, FlushValveV2Family,
                                                                UrinalWcFamily};

} // namespace

bool IsFlagOn(const CSettingField& field, DWORD dwValue)
{
    return field.bOnOnlyAtOne ? dwValue == 1 : dwValue != 0;
}

std::vector<CSettingField> FieldsOfType(const CSettingsFamily& family, int nProductType)
{
    std::vector<CSettingField> fields;
    for (const CSettingField& field : family.fields)
        if (field.nOnlyProductType == 0 || field.nOnlyProductType == nProductType)
            fields.push_back(field);
    return fields;
}

const CSettingsFamily* FindSettingsFamily(int nProductType)
{
    for (const auto family : kFamilies)
        if (std::ranges::find(family().productTypes, nProductType) != family().productTypes.end())
            return &family();
    return nullptr;
}

const CSettingsFamily* FindSheetFamily(const std::string& strConfigSheet)
{
    for (const auto family : kFamilies)
        if (IsFamilySheet(family(), strConfigSheet))
            return &family();
    return nullptr;
}

bool IsFamilySheet(const CSettingsFamily& family, const std::string& strConfigSheet)
{
    return std::ranges::find(family.configSheets, strConfigSheet) != family.configSheets.end();
}

int CheckDefinitionFitsFields(CDeviceConfig& definition, std::string& strError)
{
    int nProductType = 0;
    std::string strIgnored;
    const CSettingsFamily* pFamily = ProductNameToType(definition.GetConfigSheet(), nProductType, strIgnored) == Result::Ok
                                         ? FindSettingsFamily(nProductType)
                                         : nullptr;
    if (pFamily == nullptr)
        return Result::Ok;
    for (const CSettingField& field : FieldsOfType(*pFamily, nProductType)) {
        CProductSetting* pSetting = nullptr;
        if (definition.m_Settings.LookupObjectByName(field.szName, pSetting, MustExist, strIgnored) != Result::Ok)
            continue;
        const std::uint64_t ullLargest = (std::uint64_t{1} << (8 * field.nSize)) - 1;
        if (std::uint64_t{pSetting->GetMax()} * field.dwScale <= ullLargest)
            continue;
        strError = FormatText(PickText("The maximum (%u) of the setting '%s' does not fit into its %d byte(s) in the fitting; it may be at most %u.",
                                       "Das Maximum (%u) der Einstellung '%s' passt nicht in ihre %d Byte(s) in der Armatur; es darf höchstens %u sein."),
                              pSetting->GetMax(), field.szName, field.nSize, static_cast<unsigned>(ullLargest / field.dwScale));
        return Result::InvalidArgument;
    }
    return Result::Ok;
}
