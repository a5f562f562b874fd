#include "configdata/XMLLib.h"

#include "common/FilePaths.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>
#include <type_traits>

namespace {

// Declarations are kept so that the output names the encoding the file had.
// Without parse_doctype a DTD is skipped, never read: its entities are not
// expanded and nothing it references is fetched.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration;

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

bool StartsWithUtf8Bom(const std::string& bytes)
{
    return bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// Whether the XML declaration at the start names UTF-8 as the encoding.
bool DeclaresUtf8(const std::string& text)
{
    if (text.compare(0, 5, "<?xml") != 0)
        return false;
    const std::size_t nEnd = text.find("?>");
    if (nEnd == std::string::npos)
        return false;
    const std::string declaration = text.substr(0, nEnd);
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
    const std::string encoding = ToLowerAscii(declaration.substr(pos + 1, nClose - pos - 1));
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

std::string SystemMessage(int nErrno)
{
    return std::generic_category().message(nErrno);
}

// Reads the whole file; the messages and codes of the file access.
int ReadFileBytes(const std::string& strPath, std::string& bytes, std::string& strError)
{
    const std::filesystem::path path = PathFromUtf8(strPath);
    try {
        // The size first: it also refuses what is not a regular file
        // (a directory, a device), which could not be read as a whole.
        std::error_code ec;
        const std::uintmax_t nSize = std::filesystem::file_size(path, ec);
        std::ifstream file;
        if (!ec) {
            file.open(path, std::ios::binary);
            if (!file)
                ec = std::error_code(errno != 0 ? errno : EACCES, std::generic_category());
        }
        if (ec) {
            strError = FormatText(PickText("Can't open the file: '%s'.", "Kann die Datei ('%s') nicht öffnen."),
                                  strPath.c_str());
            AppendSystemMessage(strError, ec.message().c_str());
            return Result::InvalidArgument;
        }
        if (nSize == 0) {
            strError = FormatText(PickText("Error reading the file: '%s'. The file is empty.",
                                           "Fehler beim Lesen der Datei: '%s'. Kein Dateiinhalt vorhanden."),
                                  strPath.c_str());
            return Result::InvalidArgument;
        }
        bytes.assign(static_cast<std::size_t>(nSize), '\0');
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (static_cast<std::uintmax_t>(file.gcount()) != nSize) {
            strError = FormatText(PickText("Error reading the file: '%s'.", "Fehler beim Lesen der Datei: '%s'."),
                                  strPath.c_str());
            AppendSystemMessage(strError, PickText("The file could not be read to its end",
                                                   "Die Datei konnte nicht bis zum Ende gelesen werden"));
            return Result::FileException;
        }
        return Result::Ok;
    } catch (const std::bad_alloc& e) {
        strError = FormatText(PickText("Error reading the file: '%s'.", "Fehler beim Lesen der Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return Result::OutOfMemory;
    } catch (const std::exception& e) {
        strError = FormatText(PickText("Error reading the file: '%s'.", "Fehler beim Lesen der Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return Result::FileException;
    }
}

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
        const std::size_t nUsed = DecodeUtf8(p + i, nLength - i, c);
        if (nUsed == 0)
            return false;
        i += nUsed;
    }
    return true;
}

std::string DecodeFileBytes(const std::string& bytes)
{
    const std::string text = bytes.substr(0, std::char_traits<char>::length(bytes.c_str()));
    const bool bBom = StartsWithUtf8Bom(text);
    const std::size_t nStart = bBom ? 3 : 0;
    const char* pBody = text.data() + nStart;
    const std::size_t nBody = text.size() - nStart;
    if ((bBom || DeclaresUtf8(text)) && IsValidUtf8(pBody, nBody))
        return std::string(pBody, nBody);
    return Windows1252ToUtf8(pBody, nBody);
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
        if (c < 0x80 || (c >= 0xA0 && c <= cLastByte))
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
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        return node.value();
    // Walked without recursion: a deeply nested file must not exhaust the stack.
    std::string text;
    pugi::xml_node current = node.first_child();
    while (current) {
        if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata)
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
    return node.type() == pugi::node_element && EqualsNoCase(node.name(), szName);
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
    const int nResult = ReadFileBytes(strPath, bytes, strError);
    if (nResult != Result::Ok)
        return nResult;
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
    if (!m_pDocument)
        return Result::CallException;
    try {
        m_pParseError = m_pDocument->load_buffer(strText.data(), strText.size(), kParseOptions, pugi::encoding_utf8);
        if (!m_pParseError) {
            int nCode = 0;
            std::string strReason;
            GetParseError(nCode, strReason);
            strError = FormatText(PickText("Error: the passed string contains invalid data! XML parser failed with "
                                           "error code '%d' and error description '%s'",
                                           "Fehler: Die Zeichenkette enthält ungültige Daten! Der XML Parser liefert "
                                           "den Fehlercode '%d' und die Beschreibung '%s'"),
                                  nCode, strReason.c_str());
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
    nCode = static_cast<int>(m_pParseError.status);
    strReason = m_pParseError.status == pugi::status_ok
                    ? std::string()
                    : FormatText("%s (offset %lld)", m_pParseError.description(),
                                 static_cast<long long>(m_pParseError.offset));
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
    if (encoding != "utf-8" && encoding != "utf8")
        text = XmlText::Utf8ToLatin1WithCharRefs(text, IsSingleByteEncoding(encoding) ? 0xFF : 0x7F);
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
        errno = 0;
        std::ofstream file(PathFromUtf8(strPath), std::ios::binary | std::ios::trunc);
        if (!file) {
            strError = FormatText(PickText("Can't create the file: '%s'.", "Kann die Datei '%s' nicht erzeugen."),
                                  strPath.c_str());
            AppendSystemMessage(strError, SystemMessage(errno != 0 ? errno : EACCES).c_str());
            return Result::InvalidArgument;
        }
        errno = 0;
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.flush();
        const int nWriteErrno = errno;
        file.close();
        if (!file) {
            strError = FormatText(PickText("Error writing the file: '%s'.", "Fehler beim Schreiben in die Datei: '%s'."),
                                  strPath.c_str());
            AppendSystemMessage(strError, SystemMessage(nWriteErrno != 0 ? nWriteErrno : (errno != 0 ? errno : EIO)).c_str());
            return Result::FileException;
        }
        return Result::Ok;
    } catch (const std::bad_alloc& e) {
        strError = FormatText(PickText("Error writing the file: '%s'.", "Fehler beim Schreiben in die Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return Result::OutOfMemory;
    } catch (const std::exception& e) {
        strError = FormatText(PickText("Error writing the file: '%s'.", "Fehler beim Schreiben in die Datei: '%s'."),
                              strPath.c_str());
        AppendSystemMessage(strError, e.what());
        return Result::FileException;
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
