#pragma once
// Product definitions: CDeviceConfig (article number, configuration sheet,
// descriptions, picture path, settings), CProductSetting (limits, default,
// value, text, symbolic values), CSymbolicValue (a label for a number in one
// language) and CDeviceConfigXML, the reader of "DeviceConfig.xml".

#include "common/FluxaTypes.h"
#include "configdata/HashedObjects.h"
#include "configdata/StringParameter.h"
#include "configdata/XMLLib.h"

#include <functional>
#include <string>
#include <vector>

// Language ids of labels and descriptions (the user-interface language ids).
constexpr int kLabelLanguageNone = 0;

class CSymbolicValue {
public:
    CSymbolicValue() = default;
    CSymbolicValue(int nLanguage, DWORD dwValue, const std::string& strLabel);
    CSymbolicValue(const CSymbolicValue&) = default;
    CSymbolicValue& operator=(const CSymbolicValue&) = default;
    virtual ~CSymbolicValue() = default;

    virtual void OnClear() {}
    virtual void SetLanguage(const int& nLanguage);
    virtual int GetLanguage() const;
    virtual void SetLabel(const std::string& strLabel);
    virtual std::string GetLabel() const;
    virtual void SetValue(const DWORD& dwValue);
    virtual DWORD GetValue() const;
    virtual void SetNote(const std::string& strNote);
    virtual std::string GetNote() const;

    int m_nLanguage = kLabelLanguageNone;
    std::string m_strLabel;
    DWORD m_dwValue = 0;
    std::string m_strNote;
};

class CProductSetting {
public:
    CProductSetting() = default;
    CProductSetting(const CProductSetting&) = default;
    // Deep copy: the symbolic values are copied.
    CProductSetting& operator=(const CProductSetting&) = default;
    virtual ~CProductSetting() = default;

    virtual void OnClear() {}
    virtual void SetName(const std::string& strName);
    virtual std::string GetName() const;
    virtual void SetMin(const DWORD& dwMin);
    virtual DWORD GetMin() const;
    virtual void SetMax(const DWORD& dwMax);
    virtual DWORD GetMax() const;
    virtual void SetDefault(const DWORD& dwDefault);
    virtual DWORD GetDefault() const;
    virtual void SetValue(const DWORD& dwValue);
    // The value of the first symbolic value of that language whose label
    // equals strLabel without regard to case; dwValue is left as it was (and
    // FALSE returned) when there is none.
    virtual BOOL GetSymbolicValue(const int& nLanguage, const std::string& strLabel, DWORD& dwValue) const;
    virtual DWORD GetValue() const;
    virtual void SetText(const std::string& strText);
    virtual std::string GetText() const;
    // All labels of that language, in list order.
    virtual void GetSymbolicLabels(const int& nLanguage, std::vector<std::string>& labels) const;
    // The label of the first symbolic value of that language and value;
    // strLabel is left as it was (and FALSE returned) when there is none.
    virtual BOOL GetSymbolicLabel(const int& nLanguage, const DWORD& dwValue, std::string& strLabel) const;
    virtual void AddSymbolicValue(const int& nLanguage, const DWORD& dwValue, const std::string& strLabel);

    // Back to the state after construction, then OnClear.
    void Reset();
    const std::vector<CSymbolicValue>& GetSymbolicValues() const { return m_SymbolicValues; }

    std::string m_strName;
    DWORD m_dwMin = 0;
    DWORD m_dwMax = 0;
    DWORD m_dwDefault = 0;
    DWORD m_dwValue = 0;
    std::string m_strText;
    std::vector<CSymbolicValue> m_SymbolicValues;
};

class CDeviceConfig {
public:
    CDeviceConfig() = default;
    CDeviceConfig(const CDeviceConfig& other);
    virtual ~CDeviceConfig() = default;

    virtual void OnClear() {}
    virtual void SetArticleNumber(const std::string& strArticleNumber);
    virtual std::string GetArticleNumber() const;
    virtual void SetConfigSheet(const std::string& strConfigSheet);
    virtual std::string GetConfigSheet() const;
    // Deep copy of the settings and descriptions.
    virtual CDeviceConfig& operator=(const CDeviceConfig& other);
    virtual void SetName(const std::string& strName);
    virtual std::string GetName() const;
    virtual void SetDescriptions(const CStringParameterHandler& descriptions);
    // Language 2: "ENU" and "ENU_EXT", any other: "DE" and "DE_EXT"; an absent
    // text leaves its output empty.
    virtual void GetProductDescription(const int& nLanguage, std::string& strDescription,
                                       std::string& strExtendedDescription);
    virtual CStringParameterHandler GetDescriptions() const;
    virtual void SetPicturePath(const std::string& strPicturePath);
    virtual std::string GetPicturePath() const;

    // Empties article number, configuration sheet, settings, descriptions and
    // picture path, then OnClear.
    void Clear();

    CHashedObjects<CProductSetting> m_Settings;
    std::string m_strArticleNumber;
    std::string m_strConfigSheet;
    CStringParameterHandler m_Descriptions;
    std::string m_strPicturePath;
};

// Reads each element below node into a new setting with parseSetting and
// adds it to settings; the first failure (also a name already known,
// compared without regard to case) ends it with its result.
int AddParsedSettings(const pugi::xml_node& node, CHashedObjects<CProductSetting>& settings,
                      const std::function<int(CProductSetting&, const pugi::xml_node&, std::string&)>& parseSetting,
                      std::string& strError);

// What the product definition and the saved configuration file share: a
// root whose "ArticleNumber", "ConfigSheet" and "Settings" children fill
// m_Config; "header" and unknown children are skipped, others go to
// ParseOtherChild.
class CConfigFileXML : public CXMLLib {
public:
    virtual CDeviceConfig& GetConfig();
    virtual int ParseDocument(std::string& strError);
    virtual int ParseArticleNumber(const pugi::xml_node& node, std::string& strError);
    virtual int ParseConfigSheet(const pugi::xml_node& node, std::string& strError);
    virtual int ParseSettings(const pugi::xml_node& node, std::string& strError);
    virtual int ParseSetting(CProductSetting& setting, const pugi::xml_node& node, std::string& strError) = 0;

protected:
    virtual int ParseOtherChild(const pugi::xml_node& node, std::string& strError);

    CDeviceConfig m_Config;
};

class CDeviceConfigXML : public CConfigFileXML {
public:
    CDeviceConfigXML() = default;

    virtual void OnClear() {}
    // Reads one "DeviceConfig.xml"; afterwards GetConfig holds what was read.
    virtual int LoadDefinition(const std::string& strPath, std::string& strError);
    virtual int ParseProductDescription(const pugi::xml_node& node, std::string& strError);
    int ParseSetting(CProductSetting& setting, const pugi::xml_node& node, std::string& strError) override;

protected:
    int ParseOtherChild(const pugi::xml_node& node, std::string& strError) override;

private:
    int ParseSymbolic(CProductSetting& setting, const pugi::xml_node& node, int& nLanguage, std::string& strError);
};
