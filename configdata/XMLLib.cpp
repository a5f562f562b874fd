#include "configdata/XMLLib.h"

#include "common/FileIO.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <new>
#include <random>
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

// pugixml reads much that is not XML (a second root, text after the root,
// undefined entities, a bare "&", a repeated attribute, control characters)
// without a word, so expat checks every text first. The text is UTF-8
// whatever its declaration says: the file bytes were decoded before. Nothing
// outside the text is read (no external DTD, no external or parameter
// entity).
using ExpatParser = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

// Entity declarations are refused: expanding a few nested or repeated
// entities makes gigabytes of text ("billion laughs"), and pugixml, which
// does not expand them, would read something else than expat checked.
void XMLCALL RefuseEntityDeclaration(void* pParser, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*)
{
    XML_StopParser(static_cast<XML_Parser>(pParser), XML_FALSE);
}

// The parser for a text of nTextBytes, reset and set up; handlers get the
// parser, the caller's data is its user data. Making a parser costs a good
// part of checking a definition file, so each thread keeps one for small
// texts. A large text gets a parser of its own (in own), so that what it
// made the parser hold is given back.
XML_Parser PrepareExpatParser(std::size_t nTextBytes, ExpatParser& own)
{
    constexpr std::size_t kKeptParserTextBytes = 16 * 1024;
    // One secret hash salt for the process: expat would gather a new one
    // for every text, which also costs more than checking a definition file.
    static const unsigned long nHashSalt = std::random_device{}();
    thread_local ExpatParser kept(nullptr, &XML_ParserFree);
    ExpatParser& parser = nTextBytes <= kKeptParserTextBytes ? kept : own;
    if (!parser || !XML_ParserReset(parser.get(), "UTF-8"))
        parser.reset(XML_ParserCreate("UTF-8"));
    if (!parser)
        return nullptr;
    XML_SetHashSalt(parser.get(), nHashSalt);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    XML_UseParserAsHandlerArg(parser.get());
    XML_SetEntityDeclHandler(parser.get(), RefuseEntityDeclaration);
    return parser.get();
}

// Expat's code for the text (XML_ERROR_NONE when it is well-formed); the
// reason names the line and column of the fault.
int CheckWellFormed(const std::string& text, std::string& strReason)
{
    ExpatParser own(nullptr, &XML_ParserFree);
    const XML_Parser parser = PrepareExpatParser(text.size(), own);
    if (!parser)
        throw std::bad_alloc();
    // Fed in pieces whose length an int holds.
    std::size_t nDone = 0;
    do {
        const std::size_t nPiece = std::min<std::size_t>(text.size() - nDone, INT_MAX);
        nDone += nPiece;
        if (XML_Parse(parser, text.data() + nDone - nPiece, static_cast<int>(nPiece), nDone == text.size()) !=
            XML_STATUS_OK) {
            const XML_Error error = XML_GetErrorCode(parser);
            strReason = FormatText("%s (line %llu, column %llu)",
                                   error == XML_ERROR_ABORTED ? "entity declarations are not supported"
                                                              : XML_ErrorString(error),
                                   static_cast<unsigned long long>(XML_GetCurrentLineNumber(parser)),
                                   static_cast<unsigned long long>(XML_GetCurrentColumnNumber(parser)) + 1);
            return error;
        }
    } while (nDone < text.size());
    return XML_ERROR_NONE;
}

// Whether the text is an XML name: expat must read "<name/>" as one element
// of exactly that name, without attributes.
bool IsXmlName(const std::string& strName)
{
    struct SElement {
        std::string strName;
        bool bAttributes = false;
    } element;
    const std::string text = "<" + strName + "/>";
    ExpatParser own(nullptr, &XML_ParserFree);
    const XML_Parser parser = PrepareExpatParser(text.size(), own);
    if (!parser || text.size() > INT_MAX)
        return false;
    XML_SetUserData(parser, &element);
    XML_SetStartElementHandler(parser, [](void* pParser, const XML_Char* szName, const XML_Char** ppAttributes) {
        auto& first = *static_cast<SElement*>(XML_GetUserData(static_cast<XML_Parser>(pParser)));
        if (first.strName.empty()) {
            first.strName = szName;
            first.bAttributes = ppAttributes[0] != nullptr;
        }
    });
    return XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK &&
           element.strName == strName && !element.bAttributes;
}

// Windows-1252 characters of bytes 0x80 to 0x9F; the five unassigned bytes
// stand for the C1 controls of the same number, as Windows maps them.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos; returns its length, or 0 when the bytes
// there are not a valid (shortest-form, non-surrogate) sequence.
std::size_t DecodeUtf8(const unsigned char* p, std::size_t nLeft, char32_t& c)
{
    const unsigned char lead = p[0];
    std::size_t nLength = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        nLength = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        nLength = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        nLength = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (nLength > nLeft)
        return 0;
    for (std::size_t i = 1; i < nLength; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return nLength;
}

// Whether the XML declaration at the start names UTF-8 as the encoding.
bool DeclaresUtf8(std::string_view text)
{
    if (!text.starts_with("<?xml"))
        return false;
    const std::size_t nEnd = text.find("?>");
    if (nEnd == std::string::npos)
        return false;
    const std::string_view declaration = text.substr(0, nEnd);
    std::size_t pos = declaration.find("encoding");
    if (pos == std::string::npos)
        return false;
    pos += 8;
    while (pos < declaration.size() && IsWhiteSpace(declaration[pos]))
        ++pos;
    if (pos >= declaration.size() || declaration[pos] != '=')
        return false;
    ++pos;
    while (pos < declaration.size() && IsWhiteSpace(declaration[pos]))
        ++pos;
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return false;
    const std::size_t nClose = declaration.find(declaration[pos], pos + 1);
    if (nClose == std::string::npos)
        return false;
    const std::string encoding = ToLowerAscii(std::string(declaration.substr(pos + 1, nClose - pos - 1)));
    return encoding == "utf-8" || encoding == "utf8";
}

bool IsSingleByteEncoding(std::string encoding)
{
    encoding = ToLowerAscii(TrimWhiteSpace(encoding));
    return encoding == "iso-8859-1" || encoding == "iso8859-1" || encoding == "latin1" || encoding == "latin-1" ||
           encoding == "windows-1252" || encoding == "cp1252";
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
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

// Whether the character goes into a file whose bytes go up to cLastByte as
// a byte of its own, rather than as a character reference. C1 controls never
// do: a reader of Windows-1252 would take their bytes for other characters.
bool IsWrittenAsByte(char32_t c, char32_t cLastByte)
{
    return c < 0x80 || (c >= 0xA0 && c <= cLastByte);
}

// Whether every character of the UTF-8 text is written as a byte.
bool IsWrittenAsBytes(const std::string& text, char32_t cLastByte)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t nUsed = DecodeUtf8(p + i, text.size() - i, c);
        if (nUsed == 0 || !IsWrittenAsByte(c, cLastByte))
            return false;
        i += nUsed;
    }
    return true;
}

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

namespace XmlText {

std::string Windows1252ToUtf8(const char* pData, std::size_t nLength)
{
    std::string out;
    out.reserve(nLength + nLength / 8);
    for (std::size_t i = 0; i < nLength; ++i) {
        const auto byte = static_cast<unsigned char>(pData[i]);
        if (byte < 0x80)
            out += static_cast<char>(byte);
        else if (byte < 0xA0)
            AppendUtf8(out, kWindows1252High[byte - 0x80]);
        else
            AppendUtf8(out, byte);
    }
    return out;
}

bool IsValidUtf8(const char* pData, std::size_t nLength)
{
    const auto* p = reinterpret_cast<const unsigned char*>(pData);
    char32_t c = 0;
    for (std::size_t i = 0; i < nLength;) {
        if (p[i] < 0x80) { // most of a file is ASCII
            ++i;
            continue;
        }
        const std::size_t nUsed = DecodeUtf8(p + i, nLength - i, c);
        if (nUsed == 0)
            return false;
        i += nUsed;
    }
    return true;
}

std::string DecodeFileBytes(const std::string& bytes)
{
    const std::string_view text(bytes.c_str());
    const bool bBom = text.starts_with("\xEF\xBB\xBF");
    const std::string_view body = text.substr(bBom ? 3 : 0);
    if ((bBom || DeclaresUtf8(body)) && IsValidUtf8(body.data(), body.size()))
        return std::string(body);
    return Windows1252ToUtf8(body.data(), body.size());
}

std::string Utf8ToLatin1WithCharRefs(const std::string& text, char32_t cLastByte)
{
    std::string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    // A reference inside a CDATA section would stay literal text there, so
    // the section is closed around it.
    bool bInCdata = false;
    for (std::size_t i = 0; i < text.size();) {
        if (!bInCdata && text.compare(i, 9, "<![CDATA[") == 0)
            bInCdata = true;
        else if (bInCdata && text.compare(i, 3, "]]>") == 0)
            bInCdata = false;
        char32_t c = 0;
        std::size_t nUsed = DecodeUtf8(p + i, text.size() - i, c);
        if (nUsed == 0) { // a stray byte stands for itself
            c = p[i];
            nUsed = 1;
        }
        i += nUsed;
        if (IsWrittenAsByte(c, cLastByte))
            out += static_cast<char>(c);
        else
            out += FormatText(bInCdata ? "]]>&#%u;<![CDATA[" : "&#%u;", static_cast<unsigned>(c));
    }
    return out;
}

std::size_t ConvertUnsigned(const std::string& text, int nBase, DWORD& dwValue)
{
    dwValue = 0;
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    if (nBase == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2]) < 16)
        i += 2;
    const std::size_t nDigits = i;
    unsigned long long ullMagnitude = 0;
    bool bOverflow = false;
    for (; i < text.size() && DigitValue(text[i]) < nBase; ++i) {
        ullMagnitude = ullMagnitude * static_cast<unsigned>(nBase) + static_cast<unsigned>(DigitValue(text[i]));
        if (ullMagnitude > 0xFFFFFFFFull) {
            bOverflow = true;
            ullMagnitude = 0xFFFFFFFFull;
        }
    }
    if (i == nDigits)
        return 0;
    const auto dwMagnitude = static_cast<DWORD>(ullMagnitude);
    dwValue = bOverflow ? 0xFFFFFFFFu : (bNegative ? static_cast<DWORD>(0u - dwMagnitude) : dwMagnitude);
    return i;
}

bool ConvertNumberText(const std::string& text, DWORD& dwValue)
{
    const int nBase = text.compare(0, 2, "0x") == 0 ? 16 : 10;
    const std::size_t nUsed = ConvertUnsigned(text, nBase, dwValue);
    return !text.empty() && nUsed == text.size();
}

int CheckWritableName(const std::string& strName, char32_t cLastByte, std::string& strError)
{
    if (IsXmlName(strName) && IsWrittenAsBytes(strName, cLastByte))
        return Result::Ok;
    strError = FormatText(PickText("The name '%s' can't be written to the XML file.",
                                   "Der Name '%s' kann nicht in die XML Datei geschrieben werden."),
                          strName.c_str());
    return Result::InvalidArgument;
}

} // namespace XmlText

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
        m_pParseError.nCode = CheckWellFormed(strText, m_pParseError.strReason);
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
