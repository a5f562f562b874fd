// The model's form: what the page shows, the defaults, and the values
// collected from it with the check of each row.

#include "pages/SettingsModel.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/XMLLib.h"
#include "pages/SettingValue.h"

#include <algorithm>

DWORD CSettingValues::Number(const std::string& strName) const
{
    const auto it = numbers.find(strName);
    return it != numbers.end() ? it->second : 0;
}

CSettingsModel::CSettingsModel(const CSettingsFamily& family, const CDeviceConfig& definition, int nProductType)
    : m_Family(family), m_Fields(FieldsOfType(family, nProductType)), m_Definition(definition), m_nProductType(nProductType)
{
}

const CSettingField* CSettingsModel::FindField(const std::string& strName) const
{
    const auto it = std::ranges::find_if(m_Fields, [&](const CSettingField& field) { return strName == field.szName; });
    return it != m_Fields.end() ? &*it : nullptr;
}

bool CSettingsModel::ShowsField(const std::string& strName) const
{
    const CSettingField* pField = FindField(strName);
    return pField != nullptr
           && (pField->shownByTypes.empty() || std::ranges::find(pField->shownByTypes, m_nProductType) != pField->shownByTypes.end());
}

std::vector<std::string> CSettingsModel::Switches() const
{
    std::vector<std::string> names;
    for (const CSettingField& field : m_Fields)
        if (field.szSwitch != nullptr && std::ranges::find(names, field.szSwitch) == names.end())
            names.emplace_back(field.szSwitch);
    return names;
}

int CSettingsModel::GetSetting(const std::string& strName, const CProductSetting*& pSetting, std::string& strError)
{
    CProductSetting* pFound = nullptr;
    const int nResult = m_Definition.m_Settings.LookupObjectByName(strName, pFound, MustExist, strError);
    pSetting = pFound;
    return nResult;
}

std::vector<std::string> CSettingsModel::Labels(const std::string& strName)
{
    std::vector<std::string> labels;
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (GetSetting(strName, pSetting, strIgnored) == Result::Ok)
        pSetting->GetSymbolicLabels(g_nLanguage, labels);
    return labels;
}

std::string CSettingsModel::ValueLabel(const CSettingField& field, DWORD dwValue)
{
    if (field.eKind == SettingKind::Flag || (field.bZeroMeansOff && dwValue == 0))
        return IsFlagOn(field, dwValue) ? PickText("on", "ein") : PickText("off", "aus");
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    std::string strLabel;
    if (field.eKind == SettingKind::Symbolic && GetSetting(field.szName, pSetting, strIgnored) == Result::Ok)
        pSetting->GetSymbolicLabel(g_nLanguage, dwValue, strLabel);
    return strLabel;
}

namespace {

// A value the fitting keeps scaled, in the page's unit with its fraction
// ("1.5" for 1500 ms in seconds).
std::string OffStepText(DWORD dwStored, DWORD dwScale)
{
    std::string strFraction = FormatText("%0*u", dwScale > 1000 ? 4 : dwScale > 100 ? 3 : dwScale > 10 ? 2 : 1,
                                         static_cast<unsigned>(dwStored % dwScale));
    while (strFraction.size() > 1 && strFraction.back() == '0')
        strFraction.pop_back();
    return FormatText("%u.%s", static_cast<unsigned>(dwStored / dwScale), strFraction.c_str());
}

} // namespace

bool CSettingsModel::IsHeldOffStep(const std::string& strName, const std::string& strText) const
{
    const CSettingField* pField = FindField(strName);
    const auto held = m_LastRead.stored.find(strName);
    return pField != nullptr && pField->dwScale > 1 && held != m_LastRead.stored.end()
           && strText == OffStepText(held->second, pField->dwScale);
}

int CSettingsModel::CheckValue(const std::string& strName, const std::string& strText, DWORD& dwValue,
                               std::string& strError)
{
    if (IsHeldOffStep(strName, strText)) {
        dwValue = m_LastRead.Number(strName);
        return Result::Ok;
    }
    return CheckSettingValue(m_Definition, strName, strText, dwValue, strError);
}

std::optional<std::string> CSettingsModel::StepValue(const std::string& strName, const std::string& strText, int nStep)
{
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (GetSetting(strName, pSetting, strIgnored) != Result::Ok)
        return strText;
    // From an off-step value, "-" goes to the step below and "+" to the one above.
    if (IsHeldOffStep(strName, strText)) {
        const std::string strBelow = FormatText("%u", static_cast<unsigned>(m_LastRead.Number(strName)));
        DWORD dwIgnored = 0;
        std::string strIgnoredError;
        if (nStep > 0)
            return StepSettingValue(*pSetting, strBelow, nStep);
        return CheckSettingValue(*pSetting, strBelow, dwIgnored, strIgnoredError) == Result::Ok ? std::optional<std::string>(strBelow)
                                                                                                 : std::nullopt;
    }
    return StepSettingValue(*pSetting, strText, nStep);
}

std::string CSettingsModel::ValueText(const CSettingValues& values, const std::string& strName) const
{
    if (strName == kInstallerName)
        return values.strInstaller;
    if (strName == kPlacementName)
        return values.strPlacement;
    if (strName == kInstallationDateName)
        return DateText(values.date);
    const CSettingField* pField = FindField(strName);
    const auto stored = values.stored.find(strName);
    if (pField != nullptr && stored != values.stored.end())
        return pField->dwScale > 1 ? OffStepText(stored->second, pField->dwScale) : FormatText("%u", static_cast<unsigned>(stored->second));
    const auto number = values.numbers.find(strName);
    return number != values.numbers.end() ? FormatText("%u", static_cast<unsigned>(number->second)) : std::string();
}

std::string CSettingsModel::ShownText(const CSettingField& field, DWORD dwValue)
{
    std::string strLabel;
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (field.eKind == SettingKind::Symbolic && GetSetting(field.szName, pSetting, strIgnored) == Result::Ok
        && pSetting->GetSymbolicLabel(g_nLanguage, dwValue, strLabel))
        return strLabel;
    return FormatText("%u", dwValue);
}

// A group that is off shows 1 in its row, as the fitting's 0 is no value of it.
void CSettingsModel::ShowValue(const CSettingField& field, DWORD dwValue)
{
    if (field.eKind == SettingKind::Flag) {
        m_Form.switches[field.szName] = IsFlagOn(field, dwValue);
        return;
    }
    if (field.bZeroMeansOff) {
        m_Form.switches[field.szSwitch] = dwValue != 0;
        if (dwValue == 0)
            dwValue = 1;
    }
    m_Form.texts[field.szName] = ShownText(field, dwValue);
}

int CSettingsModel::ResetToDefaults(std::string& strError)
{
    for (const CSettingField& field : m_Fields) {
        const CProductSetting* pSetting = nullptr;
        if (field.bZeroMeansOff) {
            const int nResult = GetSetting(field.szSwitch, pSetting, strError);
            if (nResult != Result::Ok)
                return nResult;
            m_Form.switches[field.szSwitch] = pSetting->GetDefault() != 0;
            // A list whose default sets the box keeps its label; an empty
            // one would write its group off however the box stands.
            if (field.eKind == SettingKind::Symbolic && field.szSwitch == std::string(field.szName)) {
                if (m_Form.texts[field.szName].empty())
                    m_Form.texts[field.szName] = ShownText(field, 1);
                continue;
            }
        }
        const int nResult = GetSetting(field.szName, pSetting, strError);
        if (nResult != Result::Ok)
            return nResult;
        if (field.eKind == SettingKind::Flag)
            m_Form.switches[field.szName] = pSetting->GetDefault() != 0;
        else
            m_Form.texts[field.szName] = ShownText(field, pSetting->GetDefault());
    }
    return Result::Ok;
}

int CSettingsModel::SymbolicValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    std::string& strText = m_Form.texts[field.szName];
    dwValue = 0;
    if (strText.empty() && ePurpose == Purpose::Write)
        return Result::Ok;
    const CProductSetting* pSetting = nullptr;
    const int nResult = GetSetting(field.szName, pSetting, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (strText.empty()) {
        std::vector<std::string> labels;
        pSetting->GetSymbolicLabels(g_nLanguage, labels);
        if (labels.empty())
            return Result::Ok;
        strText = labels.front();
    }
    if (pSetting->GetSymbolicValue(g_nLanguage, strText, dwValue))
        return Result::Ok;
    return CheckSettingValue(*pSetting, strText, dwValue, strError);
}

// The value the control shows, whether or not its group is on.
int CSettingsModel::ControlValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    if (field.eKind == SettingKind::Flag) {
        dwValue = m_Form.switches[field.szName] ? 1 : 0;
        return Result::Ok;
    }
    return field.eKind == SettingKind::Symbolic ? SymbolicValue(field, ePurpose, dwValue, strError)
                                                : CheckValue(field.szName, m_Form.texts[field.szName], dwValue, strError);
}

int CSettingsModel::CollectField(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    if (IsKept(field.szName)) {
        dwValue = m_LastRead.Number(field.szName);
        return Result::Ok;
    }
    const bool bOn = !field.bZeroMeansOff || m_Form.switches[field.szSwitch];
    dwValue = 0;
    if (!bOn && ePurpose == Purpose::Save && !field.bSaveChecksWhenOff)
        return Result::Ok;
    const int nResult = ControlValue(field, ePurpose, dwValue, strError);
    if (nResult == Result::Ok && !bOn)
        dwValue = 0;
    return nResult;
}

int CSettingsModel::CollectValues(Purpose ePurpose, CSettingValues& values, std::string& strError,
                                  std::string& strFailedField)
{
    values = CSettingValues();
    strFailedField.clear();
    for (const CSettingField& field : m_Fields) {
        DWORD dwValue = 0;
        const int nResult = CollectField(field, ePurpose, dwValue, strError);
        if (nResult != Result::Ok) {
            strFailedField = field.szName;
            return nResult;
        }
        values.numbers[field.szName] = dwValue;
        // A value the page cannot show, left as read, goes back unchanged.
        const auto held = m_LastRead.stored.find(field.szName);
        if (held == m_LastRead.stored.end())
            continue;
        const bool bAsRead = field.eKind == SettingKind::Flag
                                 ? dwValue == (IsFlagOn(field, held->second) ? 1u : 0u)
                                 : dwValue == held->second / field.dwScale
                                       && (IsKept(field.szName) || IsHeldOffStep(field.szName, m_Form.texts[field.szName]));
        if (IsKept(field.szName) || bAsRead)
            values.stored[field.szName] = held->second;
    }
    values.strInstaller = IsKept(kInstallerName) ? m_LastRead.strInstaller : StoredInstaller(m_Form.strInstaller);
    values.strPlacement = IsKept(kPlacementName) ? m_LastRead.strPlacement : StoredPlacement(m_Form.strPlacement);
    values.date = IsKept(kInstallationDateName) ? m_LastRead.date : m_Form.date.IsSet() ? m_Form.date : Today();
    return Result::Ok;
}

int CSettingsModel::PrepareWrite(CSettingValues& values, std::string& strError, std::string& strFailedField)
{
    const int nResult = CollectValues(Purpose::Write, values, strError, strFailedField);
    if (nResult != Result::Ok || m_Family.pCrossCheck == nullptr)
        return nResult;
    return m_Family.pCrossCheck(values, strError);
}
