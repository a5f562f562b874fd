#include "TextFormat.h"

#include "Language.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    return text;
}

void AppendSystemMessage(std::string& error, const char* systemMessage)
{
    if (systemMessage == nullptr || *systemMessage == '\0')
        return;
    const std::string message(systemMessage, std::min<std::size_t>(511, std::char_traits<char>::length(systemMessage)));
    error += PickText(" The system reports the error message (", " Die Fehlermeldung des Systems lautet (");
    error += message;
    error += ")";
}

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimWhiteSpace(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string ToLowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

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
