// A D2XX library with one bus adapter on an ideal line: a written frame comes
// back as its echo followed by the fitting's answer (status 00; an EEPROM
// read by address answers its length of bytes, a byte read by index one byte). It allocates nothing, so the
// tool's command path can be measured on its own. Every other entry point
// succeeds without doing anything.
#include "devicelink/D2XXApi.h"

#include <algorithm>
#include <cstring>

#pragma GCC diagnostic ignored "-Wunused-parameter"

// The entry points written out below; the generated do-nothing versions of
// them go by other names.
#define FT_CreateDeviceInfoList Unused_FT_CreateDeviceInfoList
#define FT_GetDeviceInfoDetail Unused_FT_GetDeviceInfoDetail
#define FT_Open Unused_FT_Open
#define FT_Purge Unused_FT_Purge
#define FT_Write Unused_FT_Write
#define FT_Read Unused_FT_Read

#define LOOPBACK_DEFAULT(ret, name, params, args) \
    extern "C" ret FLUXA_WINAPI name params { return ret{}; }
FLUXA_D2XX_ENTRY_POINTS(LOOPBACK_DEFAULT)

#undef FT_CreateDeviceInfoList
#undef FT_GetDeviceInfoDetail
#undef FT_Open
#undef FT_Purge
#undef FT_Write
#undef FT_Read

namespace {

struct Line {
    BYTE byPending[1024];
    DWORD dwPending = 0;
    DWORD dwConsumed = 0;
} g_line;

const char kDescription[] = "Velmor BUS converter";

void Queue(const BYTE* pData, DWORD dwLength)
{
    std::memcpy(g_line.byPending + g_line.dwPending, pData, dwLength);
    g_line.dwPending += dwLength;
}

void QueueAnswer(const BYTE* pFrame)
{
    BYTE byAnswer[260] = {0x01, 0xF1, 0, 0x00};
    int nPayload = 1;
    if (pFrame[3] == 0x0A) { // EEPROM read: address high, low, length
        for (int i = 0; i < pFrame[6]; ++i)
            byAnswer[4 + i] = static_cast<BYTE>(pFrame[5] + i);
        nPayload += pFrame[6];
    } else if (pFrame[3] == 0x03) {
        byAnswer[4] = pFrame[4];
        nPayload += 1;
    }
    byAnswer[2] = static_cast<BYTE>(nPayload + 1);
    BYTE bySum = 0;
    for (int i = 0; i < 3 + nPayload; ++i)
        bySum = static_cast<BYTE>(bySum + byAnswer[i]);
    byAnswer[3 + nPayload] = bySum;
    Queue(byAnswer, static_cast<DWORD>(4 + nPayload));
}

} // namespace

extern "C" FT_STATUS FLUXA_WINAPI FT_CreateDeviceInfoList(DWORD* lpdwNumDevs)
{
    *lpdwNumDevs = 1;
    return FT_OK;
}

extern "C" FT_STATUS FLUXA_WINAPI FT_GetDeviceInfoDetail(DWORD dwIndex, DWORD* lpdwFlags, DWORD* lpdwType, DWORD* lpdwID,
                                                         DWORD* lpdwLocId, void* lpSerialNumber, void* lpDescription,
                                                         FT_HANDLE* pftHandle)
{
    if (dwIndex != 0)
        return FT_DEVICE_NOT_FOUND;
    if (lpDescription != nullptr)
        std::memcpy(lpDescription, kDescription, sizeof(kDescription));
    return FT_OK;
}

extern "C" FT_STATUS FLUXA_WINAPI FT_Open(int deviceNumber, FT_HANDLE* pHandle)
{
    if (deviceNumber != 0)
        return FT_DEVICE_NOT_FOUND;
    *pHandle = &g_line;
    return FT_OK;
}

extern "C" FT_STATUS FLUXA_WINAPI FT_Purge(FT_HANDLE ftHandle, ULONG mask)
{
    g_line.dwPending = g_line.dwConsumed = 0;
    return FT_OK;
}

extern "C" FT_STATUS FLUXA_WINAPI FT_Write(FT_HANDLE ftHandle, void* lpBuffer, DWORD dwBytesToWrite, DWORD* lpBytesWritten)
{
    const BYTE* pFrame = static_cast<const BYTE*>(lpBuffer);
    Queue(pFrame, dwBytesToWrite);
    QueueAnswer(pFrame);
    *lpBytesWritten = dwBytesToWrite;
    return FT_OK;
}

extern "C" FT_STATUS FLUXA_WINAPI FT_Read(FT_HANDLE ftHandle, void* lpBuffer, DWORD dwBytesToRead, DWORD* lpBytesReturned)
{
    const DWORD dwCount = std::min(dwBytesToRead, g_line.dwPending - g_line.dwConsumed);
    std::memcpy(lpBuffer, g_line.byPending + g_line.dwConsumed, dwCount);
    g_line.dwConsumed += dwCount;
    *lpBytesReturned = dwCount;
    return FT_OK;
}
