// The settings model's side of the saved configuration files.

#include "pages/SettingsModel.h"

#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "configdata/XMLLib.h"

namespace {

// A saved text setting into a text; a text of digits alone comes back from
// the file as a number.
int LoadText(CDeviceConfig& file, const char* szName, std::string& strText, std::string& strError)
{
    CProductSetting* pSetting = nullptr;
    const int nResult = file.m_Settings.LookupObjectByName(szName, pSetting, MustExist, strError);
    if (nResult != Result::Ok)
        return nResult;
    const bool bText = !pSetting->GetText().empty() || pSetting->GetValue() == 0;
    strText = bText ? pSetting->GetText() : FormatText("%u", pSetting->GetValue());
    return Result::Ok;
}

// A text as a saved file can hold it: no XML file holds a control
// character, so each becomes U+FFFD (which no fitting's text reads as).
std::string FileText(const std::string& strText)
{
    std::string strFile;
    for (const char c : strText)
        strFile += static_cast<unsigned char>(c) < 0x20 ? std::string("\xEF\xBF\xBD") : std::string(1, c);
    return strFile;
}

} // namespace

int CSettingsModel::SaveConfiguration(CToolConfigXML& file, std::string& strError, std::string& strFailedField)
{
    CSettingValues values;
    const int nResult = CollectValues(Purpose::Save, values, strError, strFailedField);
    if (nResult != Result::Ok)
        return nResult;
    PutValuesIntoFile(values, file);
    return Result::Ok;
}

void CSettingsModel::PutValuesIntoFile(const CSettingValues& values, CToolConfigXML& file) const
{
    file.Clear();
    for (const std::string& strName : m_Family.saveOrder) {
        const CSettingField* pField = FindField(strName);
        if (pField == nullptr)
            continue;
        const DWORD dwValue = values.Number(strName);
        file.SetSettingValue(strName, pField->eKind == SettingKind::Flag ? (IsFlagOn(*pField, dwValue) ? 1u : 0u) : dwValue);
    }
    file.SetSettingText(kInstallerName, FileText(values.strInstaller));
    file.SetSettingText(kPlacementName, FileText(values.strPlacement));
    file.SetArticleNumber(m_Definition.GetArticleNumber());
    file.SetConfigSheet(m_Definition.GetConfigSheet());
}

int CSettingsModel::LoadFile(CDeviceConfig& file, std::string& strError, std::string& strFailedField)
{
    strFailedField.clear();
    for (const std::string& strName : m_Family.loadOrder.empty() ? m_Family.saveOrder : m_Family.loadOrder) {
        const CSettingField* pField = FindField(strName);
        if (pField == nullptr)
            continue;
        const CSettingField& field = *pField;
        CProductSetting* pSetting = nullptr;
        std::string strLookupError;
        const int nResult = file.m_Settings.LookupObjectByName(strName, pSetting, MustExist, strLookupError);
        if (nResult != Result::Ok && field.bLoadIfPresent)
            continue;
        if (nResult != Result::Ok) {
            strError = strLookupError;
            strFailedField = strName;
            return nResult;
        }
        if (field.eKind == SettingKind::Flag || pSetting->GetText().empty()) {
            ShowValue(field, pSetting->GetValue());
        } else {
            // Not a number: shown as it stands, for the value check to refuse.
            if (field.bZeroMeansOff)
                m_Form.switches[field.szSwitch] = true;
            m_Form.texts[strName] = pSetting->GetText();
        }
    }
    int nResult = LoadText(file, kInstallerName, m_Form.strInstaller, strError);
    if (nResult != Result::Ok) {
        strFailedField = kInstallerName;
        return nResult;
    }
    if ((nResult = LoadText(file, kPlacementName, m_Form.strPlacement, strError)) != Result::Ok)
        strFailedField = kPlacementName;
    return nResult;
}

int CSettingsModel::LoadConfiguration(CDeviceConfig& file, std::string& strError)
{
    // All or nothing: a file that lacks an entry leaves the controls as they were.
    const CSettingsForm before = m_Form;
    std::string strFailedField;
    const int nResult = LoadFile(file, strError, strFailedField);
    if (nResult != Result::Ok)
        m_Form = before;
    return nResult;
}

int CSettingsModel::CheckConfiguration(CDeviceConfig& file, std::string& strError, std::string& strFailedField)
{
    // A file is taken when it could have been saved: every entry is there
    // and every value passes the checks of saving.
    const CSettingsForm before = m_Form;
    int nResult = LoadFile(file, strError, strFailedField);
    CSettingValues values;
    if (nResult == Result::Ok)
        nResult = CollectValues(Purpose::Save, values, strError, strFailedField);
    m_Form = before;
    return nResult;
}

void CSettingsModel::KeepWhatTheFileLeaves(CDeviceConfig& file)
{
    CToolConfigXML fitting;
    PutValuesIntoFile(m_LastRead, fitting);
    std::vector<std::string> names{kInstallerName, kPlacementName};
    for (const CSettingField& field : m_Fields)
        names.emplace_back(field.szName);
    m_Kept = {kInstallationDateName};
    for (const std::string& strName : names) {
        CProductSetting* pInFile = nullptr;
        CProductSetting* pOfFitting = nullptr;
        std::string strIgnored;
        // A setting the file lacks fails the load, or is kept when it may be missing.
        if (file.m_Settings.LookupObjectByName(strName, pInFile, MustExist, strIgnored) != Result::Ok
            || (fitting.GetConfig().m_Settings.LookupObjectByName(strName, pOfFitting, MustExist, strIgnored) == Result::Ok
                && pInFile->GetValue() == pOfFitting->GetValue() && pInFile->GetText() == pOfFitting->GetText()))
            m_Kept.insert(strName);
    }
}
