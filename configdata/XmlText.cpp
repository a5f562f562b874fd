#include "configdata/XmlText.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/XmlSyntax.h"

#include <string_view>

namespace {

// Windows-1252 characters of bytes 0x80 to 0x9F; the five unassigned bytes
// stand for the C1 controls of the same number, as Windows maps them.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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
    if (XmlSyntax::IsXmlName(strName) && IsWrittenAsBytes(strName, cLastByte))
        return Result::Ok;
    strError = FormatText(PickText("The name '%s' can't be written to the XML file.",
                                   "Der Name '%s' kann nicht in die XML Datei geschrieben werden."),
                          strName.c_str());
    return Result::InvalidArgument;
}

} // namespace XmlText
