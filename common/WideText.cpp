#include "common/WideText.h"

#include <windows.h>

std::wstring WideFromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int nSize = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8FromWide(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int nSize = static_cast<int>(text.size());
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), nSize, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), nSize, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}
