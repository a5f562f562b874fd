#pragma once
#include <cstddef>
#include <string>

#if defined(__GNUC__)
#define FLUXA_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define FLUXA_PRINTF(fmtIndex, firstArg)
#endif

// printf-style formatting into a std::string; the messages of the tool are
// printf format strings.
std::string FormatText(const char* format, ...) FLUXA_PRINTF(1, 2);

// Appends " The system reports the error message (...)" in the current
// language when the exception supplied a message. The message is cut to 511
// characters as the system's message buffer holds no more.
void AppendSystemMessage(std::string& error, const char* systemMessage);

// Removes space, tab, line feed, vertical tab, form feed and carriage return
// at both ends.
std::string TrimWhiteSpace(const std::string& text);
bool IsWhiteSpace(char c);
// ASCII lower-casing, as names are compared without regard to case.
std::string ToLowerAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);

// Appends the character as UTF-8.
void AppendUtf8(std::string& out, char32_t c);
// Decodes one UTF-8 sequence at p; returns its length, or 0 when the bytes
// there are not a valid (shortest-form, non-surrogate) sequence.
std::size_t DecodeUtf8(const unsigned char* p, std::size_t nLeft, char32_t& c);
