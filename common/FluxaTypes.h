#pragma once
// Small integer aliases with the widths the fitting's data and the D2XX
// interface use. BOOL is an int so that it can carry any long a getter stores.
#include <cstdint>

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UCHAR = std::uint8_t;
using BYTE = std::uint8_t;
// The fitting's tool works with 32-bit longs on every platform (limits
// 2147483647 / -2147483648), so LONG is fixed at 32 bits.
using LONG = std::int32_t;
using BOOL = int;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
