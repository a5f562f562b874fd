#pragma once
// The protocol carries numbers of several bytes most significant byte first.

#include "common/FluxaTypes.h"

inline void PutBigEndian(BYTE* pOut, DWORD dwValue, int nBytes)
{
    for (int i = nBytes - 1; i >= 0; --i) {
        pOut[i] = static_cast<BYTE>(dwValue & 0xFF);
        dwValue >>= 8;
    }
}

inline DWORD GetBigEndian(const BYTE* pIn, int nBytes)
{
    DWORD dwValue = 0;
    for (int i = 0; i < nBytes; ++i)
        dwValue = (dwValue << 8) | pIn[i];
    return dwValue;
}
