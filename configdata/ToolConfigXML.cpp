#include "configdata/ToolConfigXML.h"

#include <algorithm>
#include <sstream>

#include "common/ResultCodes.h"
#include "common/TextFormat.h"

namespace {

// The file is ISO-8859-1, as it declares.
constexpr char32_t kLatin1LastByte = 0xFF;

// "&" and "<" would end the text early; they are written as entity
// references, and so is a ">" after "]]", which no XML text may hold.
std::string EscapeText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>' && out.ends_with("]]"))
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string HexBytes(const std::vector<BYTE>& bytes)
{
    std::string text;
    for (const BYTE by : bytes)
        text += FormatText(text.empty() ? "%02X" : " %02X", by);
    return text;
}

void CToolConfigXML::Clear()
{
    m_Config.Clear();
    m_BackupBytes.clear();
    OnClear();
}

void CToolConfigXML::SetArticleNumber(const std::string& strArticleNumber)
{
    m_Config.SetArticleNumber(strArticleNumber);
}

void CToolConfigXML::SetConfigSheet(const std::string& strConfigSheet)
{
    m_Config.SetConfigSheet(strConfigSheet);
}

CProductSetting* CToolConfigXML::FindOrAddSetting(const std::string& strName)
{
    std::string strError;
    CProductSetting* pSetting = nullptr;
    if (m_Config.m_Settings.LookupObjectByName(strName, pSetting, MustExist, strError) == Result::Ok)
        return pSetting;
    CProductSetting setting;
    setting.SetName(strName);
    if (m_Config.m_Settings.AddObjectByName(setting, strError) != Result::Ok)
        return nullptr;
    m_Config.m_Settings.LookupObjectByName(strName, pSetting, MustExist, strError);
    return pSetting;
}

void CToolConfigXML::SetSettingText(const std::string& strName, const std::string& strText)
{
    if (CProductSetting* pSetting = FindOrAddSetting(strName))
        pSetting->SetText(strText);
}

void CToolConfigXML::SetSettingValue(const std::string& strName, const DWORD& dwValue)
{
    if (CProductSetting* pSetting = FindOrAddSetting(strName))
        pSetting->SetValue(dwValue);
}

namespace {

// Characters below 0x20 other than tab, line feed and carriage return.
bool HoldsControlCharacter(const std::string& strText)
{
    return std::any_of(strText.begin(), strText.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

// The bytes of a "Bytes" element: 1 to 15 hexadecimal pairs.
bool ParseHexBytes(const std::string& strText, std::vector<BYTE>& bytes)
{
    std::istringstream pairs(strText);
    bytes.clear();
    for (std::string strPair; pairs >> strPair;) {
        DWORD dwByte = 0;
        if (strPair.size() != 2 || !XmlText::ConvertNumberText("0x" + ToLowerAscii(strPair), dwByte))
            return false;
        bytes.push_back(static_cast<BYTE>(dwByte));
    }
    return !bytes.empty() && bytes.size() < 16;
}

} // namespace

int CToolConfigXML::RenderFile(std::string& bytes, std::string& strError)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n\r\n<file>\r\n";
    text += "\t<ArticleNumber>" + EscapeText(m_Config.GetArticleNumber()) + "</ArticleNumber>\r\n";
    text += "\t<ConfigSheet>" + EscapeText(m_Config.GetConfigSheet()) + "</ConfigSheet>\r\n";
    text += "\t<Settings>\r\n";
    const int nCount = m_Config.m_Settings.GetCount();
    for (int i = 0; i < nCount; ++i) {
        CProductSetting setting;
        if (m_Config.m_Settings.GetObjectByIndex(i, setting, strError) != Result::Ok)
            continue;
        const std::string strName = setting.GetName();
        const int nResult = XmlText::CheckWritableName(strName, kLatin1LastByte, strError);
        if (nResult != Result::Ok)
            return nResult;
        if (HoldsControlCharacter(setting.GetText())) {
            // Not even a character reference holds one: the file would not read back.
            strError = FormatText(PickText("The text of '%s' holds a control character that can't be written to the XML file.",
                                           "Der Text von '%s' enthält ein Steuerzeichen, das nicht in die XML Datei geschrieben werden kann."),
                                  strName.c_str());
            return Result::InvalidArgument;
        }
        // A number setting is one without text; numbers are signed, as the
        // file has always held them (4294967295 is written as -1).
        const std::string strValue = setting.GetText().empty()
                                         ? FormatText("%d", static_cast<int>(setting.GetValue()))
                                         : EscapeText(setting.GetText());
        text += "\t\t<" + strName + ">" + strValue + "</" + strName + ">\r\n";
    }
    text += "\t</Settings>\r\n";
    if (!m_BackupBytes.empty()) {
        text += "\t<Backup>\r\n";
        for (const CEepromBytes& item : m_BackupBytes)
            text += FormatText("\t\t<Bytes Name=\"%s\" Address=\"0x%04X\">%s</Bytes>\r\n", EscapeText(item.strName).c_str(),
                               item.nAddress, HexBytes(item.bytes).c_str());
        text += "\t</Backup>\r\n";
    }
    text += "</file>\r\n";
    bytes = XmlText::Utf8ToLatin1WithCharRefs(text, kLatin1LastByte);
    strError.clear();
    return Result::Ok;
}

int CToolConfigXML::WriteConfigurationFile(const std::string& strPath, std::string& strError)
{
    std::string bytes;
    const int nResult = RenderFile(bytes, strError);
    if (nResult != Result::Ok)
        return nResult;
    return WriteBytesToFile(strPath, bytes, strError);
}

int CToolConfigXML::ReadConfigurationFile(const std::string& strPath, std::string& strError)
{
    Clear();
    const int nResult = LoadFromFile(strPath, strError);
    if (nResult != Result::Ok)
        return nResult;
    return ParseDocument(strError);
}

int CToolConfigXML::ParseSetting(CProductSetting& setting, const pugi::xml_node& node, std::string& strError)
{
    strError.clear();
    setting.Reset();
    setting.SetName(node.name());
    const std::string text = GetNodeText(node);
    const std::string normalised = TrimWhiteSpace(ToLowerAscii(text));
    if (normalised.empty())
        return Result::Ok;
    // A number alone is the setting's number; anything else is its text,
    // exactly as it stands in the file.
    DWORD dwNumber = 0;
    if (XmlText::ConvertNumberText(normalised, dwNumber))
        setting.SetValue(dwNumber);
    else
        setting.SetText(text);
    return Result::Ok;
}

int CToolConfigXML::ParseOtherChild(const pugi::xml_node& node, std::string& strError)
{
    return IsNamed(node, "Backup") ? ParseBackup(node, strError) : CConfigFileXML::ParseOtherChild(node, strError);
}

int CToolConfigXML::ParseBackup(const pugi::xml_node& node, std::string& strError)
{
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        CEepromBytes item;
        item.strName = child.attribute("Name").value();
        DWORD dwAddress = 0;
        const bool bAddress = XmlText::ConvertNumberText(ToLowerAscii(TrimWhiteSpace(child.attribute("Address").value())), dwAddress);
        item.nAddress = static_cast<int>(dwAddress);
        // Every byte of an item lies in one row, before its sum.
        if (!IsNamed(child, "Bytes") || !bAddress || !ParseHexBytes(GetNodeText(child), item.bytes)
            || dwAddress % 16 + item.bytes.size() > 15) {
            strError = FormatText(PickText("The backup in the file (%s) holds an entry that is not valid: '%s'.",
                                           "Die Sicherung in der Datei (%s) enthält einen ungültigen Eintrag: '%s'."),
                                  m_strFileName.c_str(), item.strName.c_str());
            return Result::InvalidArgument;
        }
        m_BackupBytes.push_back(item);
    }
    return Result::Ok;
}
