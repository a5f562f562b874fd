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
