#include "configdata/XMLLib.h"

#include "common/FileIO.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/XmlSyntax.h"

#include <expat.h>

#include <charconv>
#include <climits>
#include <new>
#include <string_view>
#include <type_traits>
#include <unordered_set>

namespace {

// Declarations are kept so that the output names the encoding the file had.
// Without parse_doctype a DTD is skipped, never read: its entities are not
// expanded and nothing it references is fetched.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration;

// Definitions and saved configurations are a few kilobytes; the bound only
// keeps a wrong file from taking all memory.
constexpr std::size_t kMaxFileBytes = 32 * 1024 * 1024;

bool IsSingleByteEncoding(std::string encoding)
{
    encoding = ToLowerAscii(TrimWhiteSpace(encoding));
    return encoding == "iso-8859-1" || encoding == "iso8859-1" || encoding == "latin1" || encoding == "latin-1" ||
           encoding == "windows-1252" || encoding == "cp1252";
}

// Decimal floating point, independent of the C locale. True when the text is
// not empty and is the number alone.
bool ConvertDoubleText(const std::string& text, double& dValue)
{
    const char* pBegin = text.data();
    const char* pEnd = text.data() + text.size();
    while (pBegin < pEnd && IsWhiteSpace(*pBegin))
        ++pBegin;
    if (pBegin < pEnd && *pBegin == '+')
        ++pBegin;
    dValue = 0.0;
    const auto [pStop, error] = std::from_chars(pBegin, pEnd, dValue);
    return error == std::errc() && pStop == pEnd && !text.empty();
}

int ClampToInt(double dValue)
{
    if (!(dValue > INT_MIN)) // also NaN
        return INT_MIN;
    if (dValue > INT_MAX)
        return INT_MAX;
    return static_cast<int>(dValue);
}

// Integers: unsigned text (base 16 after "0x"), kept as the type's bits
// (a BYTE its low 8 bits, a LONG the 32 bits taken as signed).
template <class T>
bool ConvertValueText(const std::string& lowered, T& out)
{
    if constexpr (std::is_same_v<T, double>) {
        return ConvertDoubleText(lowered, out);
    } else {
        DWORD dwValue = 0;
        const bool bWhole = XmlText::ConvertNumberText(lowered, dwValue);
        out = static_cast<T>(dwValue);
        return bWhole;
    }
}

template <class T>
int MessageNumber(const T& value)
{
    if constexpr (std::is_same_v<T, double>)
        return ClampToInt(value);
    else
        return static_cast<int>(value);
}

class CStringWriter final : public pugi::xml_writer {
public:
    explicit CStringWriter(std::string& out) : m_out(out) {}
    void write(const void* data, std::size_t size) override { m_out.append(static_cast<const char*>(data), size); }

private:
    std::string& m_out;
};

// Stops at the first element or attribute name that the file cannot hold;
// each name is checked once.
class CNameChecker final : public pugi::xml_tree_walker {
public:
    CNameChecker(char32_t cLastByte, std::string& strError) : m_cLastByte(cLastByte), m_strError(strError) {}

    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() != pugi::node_element)
            return true;
        if (!Check(node.name()))
            return false;
        for (const pugi::xml_attribute& attribute : node.attributes())
            if (!Check(attribute.name()))
                return false;
        return true;
    }

    int m_nResult = Result::Ok;

private:
    bool Check(const char* szName)
    {
        if (m_checked.insert(szName).second)
            m_nResult = XmlText::CheckWritableName(szName, m_cLastByte, m_strError);
        return m_nResult == Result::Ok;
    }

    char32_t m_cLastByte;
    std::string& m_strError;
    std::unordered_set<std::string_view> m_checked;
};

} // namespace

CXMLLib::CXMLLib() : m_pDocument(new (std::nothrow) pugi::xml_document) {}

CXMLLib::~CXMLLib() = default;

std::string CXMLLib::GetNodeName(const pugi::xml_node& node)
{
    switch (node.type()) {
    case pugi::node_pcdata:
        return "#text";
    case pugi::node_cdata:
        return "#cdata-section";
    case pugi::node_comment:
        return "#comment";
    case pugi::node_document:
        return "#document";
    default:
        return node.name();
    }
}

std::string CXMLLib::GetNodeText(const pugi::xml_node& node)
{
    const auto isText = [](const pugi::xml_node& item) {
        return item.type() == pugi::node_pcdata || item.type() == pugi::node_cdata;
    };
    if (isText(node))
        return node.value();
    // Most elements hold one text alone.
    const pugi::xml_node first = node.first_child();
    if (isText(first) && !first.next_sibling())
        return first.value();
    // Walked without recursion: a deeply nested file must not exhaust the stack.
    std::string text;
    pugi::xml_node current = first;
    while (current) {
        if (isText(current))
            text += current.value();
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != node && !current.next_sibling())
            current = current.parent();
        if (current == node)
            break;
        current = current.next_sibling();
    }
    return text;
}

bool CXMLLib::IsNamed(const pugi::xml_node& node, const char* szName)
{
    if (node.type() != pugi::node_element)
        return false;
    // Compared in place: the readers ask this of every node several times.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const char* szNode = node.name();
    while (*szNode != '\0' && lower(*szNode) == lower(*szName))
        ++szNode, ++szName;
    return *szNode == *szName;
}

std::vector<pugi::xml_node> CXMLLib::GetChildElements(const pugi::xml_node& node)
{
    std::vector<pugi::xml_node> elements;
    for (const pugi::xml_node& child : node.children())
        if (child.type() == pugi::node_element)
            elements.push_back(child);
    return elements;
}

int CXMLLib::CheckRootHasChildItems(std::string& strError)
{
    const int nResult = CheckRootElement(strError);
    if (nResult != Result::Ok || m_pRoot.first_child())
        return nResult;
    strError = FormatText(PickText("No child items were found for the XML file (%s)!",
                                   "Die XML Datei (%s) beinhaltet keine Unterelemente!"),
                          m_strFileName.c_str());
    return Result::MissingPrecondition;
}

int CXMLLib::CheckDocument(std::string& strError)
{
    if (!m_pDocument)
        strError = PickText("The XML object is not valid", "Das XML Objekt ist nicht gültig");
    return Result::Ok;
}

int CXMLLib::IsDocumentValid(std::string& strError)
{
    strError.clear();
    return CheckDocument(strError);
}

int CXMLLib::LoadFromFile(const std::string& strPath, std::string& strError)
{
    CheckDocument(strError);
    m_strFileName = strPath;
    std::string bytes;
    const int nResult = ReadRegularFile(strPath, kMaxFileBytes, bytes, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (bytes.empty()) {
        strError = FormatText(PickText("Error reading the file: '%s'. The file is empty.",
                                       "Fehler beim Lesen der Datei: '%s'. Kein Dateiinhalt vorhanden."),
                              strPath.c_str());
        return Result::InvalidArgument;
    }
    std::string text;
    try {
        text = XmlText::DecodeFileBytes(bytes);
    } catch (const std::bad_alloc& e) {
        strError = FormatText(PickText("Error reading the file: '%s'.", "Fehler beim Lesen der Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return Result::OutOfMemory;
    }
    bytes = std::string(); // the document keeps its own copy
    return ParseString(text, strError);
}

int CXMLLib::ParseString(const std::string& strText, std::string& strError)
{
    CheckDocument(strError);
    m_pRoot = pugi::xml_node();
    m_pParseError = SParseError();
    if (!m_pDocument)
        return Result::CallException;
    try {
        m_pParseError.nCode = XmlSyntax::CheckWellFormed(strText, m_pParseError.strReason);
        if (m_pParseError.nCode == XML_ERROR_NONE) {
            const pugi::xml_parse_result result =
                m_pDocument->load_buffer(strText.data(), strText.size(), kParseOptions, pugi::encoding_utf8);
            if (!result)
                m_pParseError = {static_cast<int>(result.status),
                                 FormatText("%s (offset %lld)", result.description(), static_cast<long long>(result.offset))};
        }
        if (m_pParseError.nCode != XML_ERROR_NONE) {
            m_pDocument->reset();
            strError = FormatText(PickText("Error: the passed string contains invalid data! XML parser failed with "
                                           "error code '%d' and error description '%s'",
                                           "Fehler: Die Zeichenkette enthält ungültige Daten! Der XML Parser liefert "
                                           "den Fehlercode '%d' und die Beschreibung '%s'"),
                                  m_pParseError.nCode, m_pParseError.strReason.c_str());
            return Result::InvalidArgument;
        }
        m_pRoot = m_pDocument->document_element();
        return Result::Ok;
    } catch (const std::bad_alloc&) {
        return Result::LibraryException;
    } catch (...) {
        return Result::CallException;
    }
}

int CXMLLib::GetParseError(int& nCode, std::string& strReason)
{
    nCode = m_pParseError.nCode;
    strReason = m_pParseError.strReason;
    return Result::Ok;
}

int CXMLLib::CheckRootElement(std::string& strError)
{
    if (m_pDocument && m_pRoot)
        return Result::Ok;
    strError = PickText("The XML root item is not valid", "Das XML 'root' Element ist nicht gültig.");
    return Result::MissingPrecondition;
}

int CXMLLib::GetXmlText(std::string& strOut, std::string& strError)
{
    strOut.clear();
    if (!m_pDocument) {
        CheckDocument(strError);
        return Result::MissingPrecondition;
    }
    // Unindented, as whitespace between elements is not kept: indenting
    // would also grow with the square of a deeply nested file's depth.
    CStringWriter writer(strOut);
    m_pDocument->save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return Result::Ok;
}

int CXMLLib::GetXmlBytes(std::vector<BYTE>& bytes, int& nLength, std::string& strError)
{
    bytes.clear();
    nLength = 0;
    std::string text;
    const int nResult = GetXmlText(text, strError);
    if (nResult != Result::Ok)
        return nResult;
    const pugi::xml_node declaration = m_pDocument->first_child();
    const std::string encoding = declaration.type() == pugi::node_declaration
                                     ? ToLowerAscii(TrimWhiteSpace(declaration.attribute("encoding").value()))
                                     : std::string();
    // Files not declared UTF-8 are read back as single-byte text, while XML
    // takes an undeclared encoding as UTF-8: outside the declared UTF-8 and
    // ISO-8859-1 only ASCII means the same to every reader.
    const bool bUtf8 = encoding == "utf-8" || encoding == "utf8";
    const char32_t cLastByte = bUtf8 ? 0x10FFFF : (IsSingleByteEncoding(encoding) ? 0xFF : 0x7F);
    CNameChecker names(cLastByte, strError);
    m_pDocument->traverse(names);
    if (names.m_nResult != Result::Ok)
        return names.m_nResult;
    if (!bUtf8)
        text = XmlText::Utf8ToLatin1WithCharRefs(text, cLastByte);
    bytes.assign(text.begin(), text.end());
    nLength = static_cast<int>(bytes.size());
    return Result::Ok;
}

int CXMLLib::SaveToFile(const std::string& strPath, const int& nMode, std::string& strError)
{
    std::vector<BYTE> bytes;
    int nLength = 0;
    const int nResult = GetXmlBytes(bytes, nLength, strError);
    if (nResult != Result::Ok)
        return nResult;
    std::string content;
    content.reserve(bytes.size() + bytes.size() / 16);
    for (const BYTE byte : bytes) {
        if (byte == '\n' && nMode != 1)
            content += '\r';
        content += static_cast<char>(byte);
    }
    return WriteBytesToFile(strPath, content, strError);
}

int CXMLLib::WriteBytesToFile(const std::string& strPath, const std::string& bytes, std::string& strError)
{
    try {
        return ReplaceFileContent(strPath, bytes, strError);
    } catch (const std::exception& e) {
        strError = FormatText(PickText("Error writing the file: '%s'.", "Fehler beim Schreiben in die Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? Result::OutOfMemory : Result::FileException;
    }
}

int CXMLLib::ReportNotFound(const std::string& strName, int& nResult, std::string& strError)
{
    nResult = Result::InvalidArgument;
    strError = FormatText(PickText("'%s' parameter not found", "Der Parametername '%s' wurde nicht gefunden"),
                          strName.c_str());
    return nResult;
}

int CXMLLib::NodeExists(const pugi::xml_node& node, const std::string& strName, BOOL& bExists,
                        std::string& strError)
{
    strError.clear();
    bExists = FALSE;
    try {
        bExists = node.select_node(strName.c_str()) ? TRUE : FALSE;
    } catch (const std::exception&) { // a malformed path selects nothing
    }
    return Result::Ok;
}

int CXMLLib::AttributeExists(const pugi::xml_node& node, const std::string& strName, BOOL& bExists,
                             std::string& strError)
{
    strError.clear();
    bExists = node.attribute(strName.c_str()) ? TRUE : FALSE;
    return Result::Ok;
}

int CXMLLib::SelectNodeText(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                            std::string& strError)
{
    int nResult = Result::Ok;
    try {
        const pugi::xpath_node selected = node.select_node(strName.c_str());
        if (selected.attribute()) {
            strOut = selected.attribute().value();
            return Result::Ok;
        }
        if (selected.node()) {
            strOut = GetNodeText(selected.node());
            return Result::Ok;
        }
    } catch (const std::exception& e) {
        ReportNotFound(strName, nResult, strError);
        AppendSystemMessage(strError, e.what());
        return nResult;
    }
    return ReportNotFound(strName, nResult, strError);
}

int CXMLLib::GetChildText(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                          std::string& strError)
{
    return SelectNodeText(node, strName, strOut, strError);
}

int CXMLLib::ReportChildOutOfRange(int nMin, int nMax, int nValue, const std::string& strName, std::string& strError)
{
    strError = FormatText(PickText("Value out of range: min:%d max:%d value:%d for name:'%s'",
                                   "Wert ausserhalb des Gültigkeitsbereiches: Min:%d Max:%d Wert:%d für den Namen:'%s'"),
                          nMin, nMax, nValue, strName.c_str());
    return Result::InvalidArgument;
}

int CXMLLib::ReportAttributeOutOfRange(int nMin, int nMax, int nValue, const std::string& strName,
                                       std::string& strError)
{
    strError = FormatText(PickText("Attribut out of range: min:%d max:%d value:%d for name:'%s'",
                                   "Attribut ausserhalb des Gültigkeitsbereiches: Min:%d Max:%d Wert:%d für den "
                                   "Namen:'%s'"),
                          nMin, nMax, nValue, strName.c_str());
    return Result::InvalidArgument;
}

template <class T>
int CXMLLib::GetCheckedValue(bool bAttribute, const pugi::xml_node& node, const std::string& strName, T& out,
                             const T& min, const T& max, std::string& strError)
{
    std::string text;
    const int nResult = bAttribute ? GetAttribute(node, strName, text, strError)
                                   : SelectNodeText(node, strName, text, strError);
    if (nResult != Result::Ok)
        return nResult;
    // The output holds the converted number even when the check fails.
    const bool bWhole = ConvertValueText(ToLowerAscii(text), out);
    if (bWhole && min <= out && out <= max)
        return Result::Ok;
    if (bAttribute)
        return ReportAttributeOutOfRange(MessageNumber(min), MessageNumber(max), MessageNumber(out), strName, strError);
    if constexpr (std::is_same_v<T, double>) {
        strError = FormatText(PickText("Value out of range: min:%f max:%f value:%f for name:'%s'",
                                       "Wert ausserhalb des Gültigkeitsbereiches: Min:%f Max:%f Wert:%f für den "
                                       "Namen:'%s'"),
                              min, max, out, strName.c_str());
        return Result::InvalidArgument;
    }
    return ReportChildOutOfRange(MessageNumber(min), MessageNumber(max), MessageNumber(out), strName, strError);
}

int CXMLLib::GetChildValueAsDouble(const pugi::xml_node& node, const std::string& strName, double& dOut,
                                   const double& dMin, const double& dMax, std::string& strError)
{
    return GetCheckedValue(false, node, strName, dOut, dMin, dMax, strError);
}

int CXMLLib::GetChildValueAsDWORD(const pugi::xml_node& node, const std::string& strName, DWORD& dwOut,
                                  const DWORD& dwMin, const DWORD& dwMax, std::string& strError)
{
    return GetCheckedValue(false, node, strName, dwOut, dwMin, dwMax, strError);
}

int CXMLLib::GetChildValueAsBYTE(const pugi::xml_node& node, const std::string& strName, BYTE& byOut,
                                 const BYTE& byMin, const BYTE& byMax, std::string& strError)
{
    return GetCheckedValue(false, node, strName, byOut, byMin, byMax, strError);
}

int CXMLLib::GetChildValueAsLong(const pugi::xml_node& node, const std::string& strName, LONG& lOut,
                                 const LONG& lMin, const LONG& lMax, std::string& strError)
{
    return GetCheckedValue(false, node, strName, lOut, lMin, lMax, strError);
}

int CXMLLib::GetChildValueAsBOOL(const pugi::xml_node& node, const std::string& strName, BOOL& bOut,
                                 std::string& strError)
{
    std::string text;
    const int nResult = SelectNodeText(node, strName, text, strError);
    if (nResult != Result::Ok)
        return nResult;
    text = ToLowerAscii(text);
    if (text == "yes" || text == "no") {
        bOut = text == "yes" ? TRUE : FALSE;
        return Result::Ok;
    }
    DWORD dwValue = 0;
    const bool bWhole = XmlText::ConvertNumberText(text, dwValue);
    const bool bHex = text.compare(0, 2, "0x") == 0;
    bOut = static_cast<BOOL>(bHex ? dwValue : (dwValue & 0xFF));
    if (bWhole)
        return Result::Ok;
    strError = FormatText(PickText("Value out of range: for name:'%s'",
                                   "Wert ausserhalb des Gültigkeitsbereiches für den Namen:'%s'"),
                          strName.c_str());
    return Result::InvalidArgument;
}

int CXMLLib::GetAttribute(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                          std::string& strError)
{
    if (!node.first_attribute()) {
        strError = PickText("No XML attributes present/found", "Keine XML Attribute gefunden");
        return Result::InvalidArgument;
    }
    const pugi::xml_attribute attribute = node.attribute(strName.c_str());
    if (!attribute) {
        strError = FormatText(PickText("The attribute '%s' was not found.", "Das Attribute '%s' wurde nicht gefunden."),
                              strName.c_str());
        return Result::InvalidArgument;
    }
    strOut = attribute.value();
    return Result::Ok;
}

int CXMLLib::GetAttributeAsDouble(const pugi::xml_node& node, const std::string& strName, double& dOut,
                                  const double& dMin, const double& dMax, std::string& strError)
{
    return GetCheckedValue(true, node, strName, dOut, dMin, dMax, strError);
}

int CXMLLib::GetAttributeAsBYTE(const pugi::xml_node& node, const std::string& strName, BYTE& byOut,
                                const BYTE& byMin, const BYTE& byMax, std::string& strError)
{
    return GetCheckedValue(true, node, strName, byOut, byMin, byMax, strError);
}

int CXMLLib::GetAttributeAsDWORD(const pugi::xml_node& node, const std::string& strName, DWORD& dwOut,
                                 const DWORD& dwMin, const DWORD& dwMax, std::string& strError)
{
    return GetCheckedValue(true, node, strName, dwOut, dwMin, dwMax, strError);
}

int CXMLLib::GetAttributeAsLong(const pugi::xml_node& node, const std::string& strName, LONG& lOut, const LONG& lMin,
                                const LONG& lMax, std::string& strError)
{
    return GetCheckedValue(true, node, strName, lOut, lMin, lMax, strError);
}
