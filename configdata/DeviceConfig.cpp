#include "configdata/DeviceConfig.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <memory>

// ---------------------------------------------------------------- CSymbolicValue

CSymbolicValue::CSymbolicValue(int nLanguage, DWORD dwValue, const std::string& strLabel)
    : m_nLanguage(nLanguage), m_strLabel(strLabel), m_dwValue(dwValue)
{
}

void CSymbolicValue::SetLanguage(const int& nLanguage) { m_nLanguage = nLanguage; }
int CSymbolicValue::GetLanguage() const { return m_nLanguage; }
void CSymbolicValue::SetLabel(const std::string& strLabel) { m_strLabel = strLabel; }
std::string CSymbolicValue::GetLabel() const { return m_strLabel; }
void CSymbolicValue::SetValue(const DWORD& dwValue) { m_dwValue = dwValue; }
DWORD CSymbolicValue::GetValue() const { return m_dwValue; }
void CSymbolicValue::SetNote(const std::string& strNote) { m_strNote = strNote; }
std::string CSymbolicValue::GetNote() const { return m_strNote; }

// --------------------------------------------------------------- CProductSetting

void CProductSetting::SetName(const std::string& strName) { m_strName = strName; }
std::string CProductSetting::GetName() const { return m_strName; }
void CProductSetting::SetMin(const DWORD& dwMin) { m_dwMin = dwMin; }
DWORD CProductSetting::GetMin() const { return m_dwMin; }
void CProductSetting::SetMax(const DWORD& dwMax) { m_dwMax = dwMax; }
DWORD CProductSetting::GetMax() const { return m_dwMax; }
void CProductSetting::SetDefault(const DWORD& dwDefault) { m_dwDefault = dwDefault; }
DWORD CProductSetting::GetDefault() const { return m_dwDefault; }
void CProductSetting::SetValue(const DWORD& dwValue) { m_dwValue = dwValue; }
DWORD CProductSetting::GetValue() const { return m_dwValue; }
void CProductSetting::SetText(const std::string& strText) { m_strText = strText; }
std::string CProductSetting::GetText() const { return m_strText; }

BOOL CProductSetting::GetSymbolicValue(const int& nLanguage, const std::string& strLabel, DWORD& dwValue) const
{
    for (const CSymbolicValue& symbolic : m_SymbolicValues) {
        if (symbolic.GetLanguage() == nLanguage && EqualsNoCase(symbolic.GetLabel(), strLabel)) {
            dwValue = symbolic.GetValue();
            return TRUE;
        }
    }
    return FALSE;
}

void CProductSetting::GetSymbolicLabels(const int& nLanguage, std::vector<std::string>& labels) const
{
    labels.clear();
    for (const CSymbolicValue& symbolic : m_SymbolicValues)
        if (symbolic.GetLanguage() == nLanguage)
            labels.push_back(symbolic.GetLabel());
}

BOOL CProductSetting::GetSymbolicLabel(const int& nLanguage, const DWORD& dwValue, std::string& strLabel) const
{
    for (const CSymbolicValue& symbolic : m_SymbolicValues) {
        if (symbolic.GetLanguage() == nLanguage && symbolic.GetValue() == dwValue) {
            strLabel = symbolic.GetLabel();
            return TRUE;
        }
    }
    return FALSE;
}

void CProductSetting::AddSymbolicValue(const int& nLanguage, const DWORD& dwValue, const std::string& strLabel)
{
    m_SymbolicValues.emplace_back(nLanguage, dwValue, strLabel);
}

void CProductSetting::Reset()
{
    m_strName.clear();
    m_dwMin = m_dwMax = m_dwDefault = m_dwValue = 0;
    m_strText.clear();
    m_SymbolicValues.clear();
    OnClear();
}

// ----------------------------------------------------------------- CDeviceConfig

CDeviceConfig::CDeviceConfig(const CDeviceConfig& other)
{
    *this = other;
}

void CDeviceConfig::SetArticleNumber(const std::string& strArticleNumber) { m_strArticleNumber = strArticleNumber; }
std::string CDeviceConfig::GetArticleNumber() const { return m_strArticleNumber; }
void CDeviceConfig::SetConfigSheet(const std::string& strConfigSheet) { m_strConfigSheet = strConfigSheet; }
std::string CDeviceConfig::GetConfigSheet() const { return m_strConfigSheet; }
void CDeviceConfig::SetName(const std::string& strName) { SetArticleNumber(strName); }
std::string CDeviceConfig::GetName() const { return GetArticleNumber(); }
void CDeviceConfig::SetDescriptions(const CStringParameterHandler& descriptions) { m_Descriptions = descriptions; }
CStringParameterHandler CDeviceConfig::GetDescriptions() const { return m_Descriptions; }
void CDeviceConfig::SetPicturePath(const std::string& strPicturePath) { m_strPicturePath = strPicturePath; }
std::string CDeviceConfig::GetPicturePath() const { return m_strPicturePath; }

CDeviceConfig& CDeviceConfig::operator=(const CDeviceConfig& other)
{
    if (&other == this)
        return *this;
    Clear();
    m_strArticleNumber = other.m_strArticleNumber;
    m_strConfigSheet = other.m_strConfigSheet;
    m_Settings.CopyFrom(other.m_Settings);
    m_Descriptions = other.m_Descriptions;
    m_strPicturePath = other.m_strPicturePath;
    return *this;
}

void CDeviceConfig::Clear()
{
    m_strArticleNumber.clear();
    m_strConfigSheet.clear();
    m_Settings.RemoveAll();
    m_Descriptions = CStringParameterHandler();
    m_strPicturePath.clear();
    OnClear();
}

void CDeviceConfig::GetProductDescription(const int& nLanguage, std::string& strDescription,
                                          std::string& strExtendedDescription)
{
    strDescription.clear();
    strExtendedDescription.clear();
    const bool bEnglish = nLanguage == kLanguageEnglish;
    CStringParameter parameter;
    std::string strIgnored;
    if (m_Descriptions.GetParameterByName(bEnglish ? "ENU" : "DE", parameter, strIgnored) == Result::Ok)
        strDescription = parameter.GetValue();
    if (m_Descriptions.GetParameterByName(bEnglish ? "ENU_EXT" : "DE_EXT", parameter, strIgnored) == Result::Ok)
        strExtendedDescription = parameter.GetValue();
}

// -------------------------------------------------------------- CDeviceConfigXML

int AddParsedSettings(const pugi::xml_node& node, CHashedObjects<CProductSetting>& settings,
                      const std::function<int(CProductSetting&, const pugi::xml_node&, std::string&)>& parseSetting,
                      std::string& strError)
{
    // A new setting per element, handed over to the registry: copying it
    // in would cost about as much as reading it.
    for (const pugi::xml_node& child : CXMLLib::GetChildElements(node)) {
        auto pSetting = std::make_unique<CProductSetting>();
        int nResult = parseSetting(*pSetting, child, strError);
        if (nResult == Result::Ok)
            nResult = settings.AddObjectByName(pSetting.get(), strError);
        if (nResult != Result::Ok)
            return nResult;
        pSetting.release();
    }
    return Result::Ok;
}

CDeviceConfig& CConfigFileXML::GetConfig()
{
    return m_Config;
}

int CConfigFileXML::ParseDocument(std::string& strError)
{
    int nResult = CheckRootHasChildItems(strError);
    if (nResult != Result::Ok)
        return nResult;
    for (const pugi::xml_node& node : m_pRoot.children()) {
        if (IsNamed(node, "ArticleNumber"))
            nResult = ParseArticleNumber(node, strError);
        else if (IsNamed(node, "ConfigSheet"))
            nResult = ParseConfigSheet(node, strError);
        else if (IsNamed(node, "Settings"))
            nResult = ParseSettings(node, strError);
        else
            nResult = ParseOtherChild(node, strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}

int CConfigFileXML::ParseArticleNumber(const pugi::xml_node& node, std::string& /*strError*/)
{
    m_Config.SetArticleNumber(TrimWhiteSpace(GetNodeText(node)));
    return Result::Ok;
}

int CConfigFileXML::ParseConfigSheet(const pugi::xml_node& node, std::string& /*strError*/)
{
    m_Config.SetConfigSheet(TrimWhiteSpace(GetNodeText(node)));
    return Result::Ok;
}

int CConfigFileXML::ParseSettings(const pugi::xml_node& node, std::string& strError)
{
    return AddParsedSettings(
        node, m_Config.m_Settings,
        [this](CProductSetting& setting, const pugi::xml_node& child, std::string& strText) {
            return ParseSetting(setting, child, strText);
        },
        strError);
}

// "header" and unknown children are skipped.
int CConfigFileXML::ParseOtherChild(const pugi::xml_node& /*node*/, std::string& /*strError*/)
{
    return Result::Ok;
}

int CDeviceConfigXML::ParseOtherChild(const pugi::xml_node& node, std::string& strError)
{
    return IsNamed(node, "ProductDescription") ? ParseProductDescription(node, strError)
                                               : CConfigFileXML::ParseOtherChild(node, strError);
}

int CDeviceConfigXML::LoadDefinition(const std::string& strPath, std::string& strError)
{
    m_Config.Clear();
    OnClear();
    const int nResult = LoadFromFile(strPath, strError);
    if (nResult != Result::Ok)
        return nResult;
    return ParseDocument(strError);
}

int CDeviceConfigXML::ParseProductDescription(const pugi::xml_node& node, std::string& strError)
{
    CStringParameterHandler descriptions;
    int nResult = Result::Ok;
    for (const pugi::xml_node& child : GetChildElements(node)) {
        nResult = descriptions.AddParameter(CStringParameter(child.name(), GetNodeText(child)), strError);
        if (nResult != Result::Ok)
            break;
    }
    m_Config.SetDescriptions(descriptions);
    return nResult;
}

int CDeviceConfigXML::ParseSetting(CProductSetting& setting, const pugi::xml_node& node, std::string& strError)
{
    setting.Reset();
    setting.SetName(node.name());
    // A label tag other than "DE" or "ENU" takes the language of the label
    // before it in the same setting.
    int nLanguage = kLabelLanguageNone;
    for (const pugi::xml_node& child : GetChildElements(node)) {
        const bool bMin = IsNamed(child, "Min");
        const bool bMax = IsNamed(child, "Max");
        if (bMin || bMax || IsNamed(child, "Default")) {
            // A malformed number is ignored without a message.
            DWORD dwNumber = 0;
            if (!XmlText::ConvertNumberText(TrimWhiteSpace(ToLowerAscii(GetNodeText(child))), dwNumber))
                continue;
            if (bMin)
                setting.SetMin(dwNumber);
            else if (bMax)
                setting.SetMax(dwNumber);
            else
                setting.SetDefault(dwNumber);
        } else if (IsNamed(child, "Symbolic")) {
            const int nResult = ParseSymbolic(setting, child, nLanguage, strError);
            if (nResult != Result::Ok)
                return nResult;
        }
    }
    return Result::Ok;
}

int CDeviceConfigXML::ParseSymbolic(CProductSetting& setting, const pugi::xml_node& node, int& nLanguage,
                                    std::string& strError)
{
    CStringParameterHandler group;
    for (const pugi::xml_node& child : GetChildElements(node)) {
        const int nResult = group.AddParameter(CStringParameter(child.name(), GetNodeText(child)), strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    CStringParameter valueParameter;
    int nResult = group.GetParameterByName("Value", valueParameter, strError);
    if (nResult != Result::Ok)
        return nResult;
    DWORD dwValue = 0;
    nResult = valueParameter.GetValueAsDWORD(dwValue, strError);
    if (nResult != Result::Ok)
        return nResult;
    // The labels in the group's order, which is the children's.
    for (const pugi::xml_node& child : GetChildElements(node)) {
        if (IsNamed(child, "Value"))
            continue;
        if (IsNamed(child, "ENU"))
            nLanguage = kLanguageEnglish;
        else if (IsNamed(child, "DE"))
            nLanguage = kLanguageGerman;
        setting.AddSymbolicValue(nLanguage, dwValue, GetNodeText(child));
    }
    return Result::Ok;
}
