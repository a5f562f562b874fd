#pragma once
// Dates in the fitting's EEPROM are kept as BCD bytes: decimal digits
// stored as hexadecimal digits.

#include "common/FluxaTypes.h"

#include <string>

// 12 <-> 0x12.
int BcdToInt(BYTE byBcd);
BYTE IntToBcd(int nValue);
// Whether both digits of the byte are decimal.
bool IsBcd(BYTE by);
// "dd.mm.yyyy" of BCD year, month and day; empty when one is 0x00 or 0xFF.
std::string InstallationDateText(const BYTE* pDate);
