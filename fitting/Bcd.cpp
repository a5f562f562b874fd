#include "fitting/Bcd.h"

#include "common/TextFormat.h"

#include <cstdlib>

int BcdToInt(BYTE byBcd)
{
    return std::atoi(FormatText("%X", byBcd).c_str());
}

BYTE IntToBcd(int nValue)
{
    return static_cast<BYTE>(std::strtol(FormatText("%d", nValue).c_str(), nullptr, 16));
}

bool IsBcd(BYTE by)
{
    return (by & 0x0F) <= 9 && (by >> 4) <= 9;
}

std::string InstallationDateText(const BYTE* pDate)
{
    for (int i = 0; i < 3; ++i)
        if (pDate[i] == 0x00 || pDate[i] == 0xFF)
            return {};
    return FormatText("%02d.%02d.%04d", BcdToInt(pDate[2]), BcdToInt(pDate[1]), 2000 + BcdToInt(pDate[0]));
}
