#pragma once
// Text is UTF-8 inside the tool; the Windows API takes and gives UTF-16.
// These convert at that edge only.
#if defined(_WIN32)
#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
#endif
