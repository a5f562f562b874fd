#pragma once
// The text conversions of the XML files: file bytes to UTF-8 and back, the
// numbers of settings, and the names a file can hold.

#include "common/FluxaTypes.h"

#include <cstddef>
#include <string>

namespace XmlText {
// File bytes taken as Windows-1252 text, as UTF-8.
std::string Windows1252ToUtf8(const char* pData, std::size_t nLength);
bool IsValidUtf8(const char* pData, std::size_t nLength);
// The text of a file's bytes (see the file comment); it ends at the first zero byte.
std::string DecodeFileBytes(const std::string& bytes);
// UTF-8 text as ISO-8859-1 bytes. A character the reader would not get back
// from a single byte (outside ISO-8859-1, or a C1 control, which Windows-1252
// reads differently) is written as a numeric character reference (inside a
// CDATA section, the section is closed around it). Bytes that
// are not valid UTF-8 are kept as the ISO-8859-1 characters they stand for.
// With cLastByte 0x7F only ASCII is written as bytes.
std::string Utf8ToLatin1WithCharRefs(const std::string& text, char32_t cLastByte = 0xFF);

// Converts like the C library's strtoul with a 32-bit unsigned long: leading
// white space, an optional sign (a negative number wraps around), "0x" allowed
// in base 16, saturation at 4294967295. Returns the number of characters used
// (0 when there is no number).
std::size_t ConvertUnsigned(const std::string& text, int nBase, DWORD& dwValue);
// Base 16 when the text begins with "0x" (lower-case, as the callers lower-case
// first), else base 10. True when the text is not empty and is the number
// alone; dwValue receives the converted number in any case.
bool ConvertNumberText(const std::string& text, DWORD& dwValue);

// Whether the UTF-8 name can stand as an element or attribute name in a file
// whose bytes go up to cLastByte (see Utf8ToLatin1WithCharRefs): it must be
// an XML name, and as a character reference is not allowed in a name, every
// character must be written as a byte. Otherwise -1001 with a message naming it.
int CheckWritableName(const std::string& strName, char32_t cLastByte, std::string& strError);
} // namespace XmlText
