#ifndef FLUXA_DEVICELINK_D2XXAPI_H
#define FLUXA_DEVICELINK_D2XXAPI_H
/*
 * Our own declarations of the USB chip vendor's D2XX C interface, as its
 * programmer's guide documents it. The binding (CFTDID2Driver) resolves these
 * entry points at run time; the simulated bus (velmorsim) exports them. The
 * declarations are plain C so that either side may be C or C++.
 *
 * FLUXA_D2XX_ENTRY_POINTS(X) lists all 85 entry points in resolution order as
 *     X(returnType, name, (parameter declarations), (argument names))
 * An entry point without parameters is written with "()" so that the lists
 * can be extended with further parameters (see FLUXA_D2XX_PARAMS_AND, C++).
 *
 * An exporter defines FLUXA_D2XX_DECLARE_FUNCTIONS (and, if needed,
 * FLUXA_D2XX_EXPORT for its visibility attribute) before including this
 * header to get the function prototypes. The binding never declares them,
 * so nothing links against the vendor's library by accident.
 */

#include <stdint.h>

#ifdef __cplusplus
#include "common/FluxaTypes.h"
#else
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t UCHAR;
typedef uint8_t BYTE;
typedef int32_t LONG;
typedef int BOOL;
#endif

/* Every D2XX function uses the Windows API calling convention on Windows and
 * the plain C convention elsewhere; function-pointer types must carry it. */
#ifdef _WIN32
#define FLUXA_WINAPI __stdcall
#else
#define FLUXA_WINAPI
#endif

typedef uint32_t ULONG;
typedef uint16_t USHORT;
typedef void* FT_HANDLE;
typedef ULONG FT_STATUS;
typedef ULONG FT_DEVICE;

/* One entry of the device information list (104 bytes on 64-bit). */
typedef struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

/* Status codes. */
enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
    FT_DEVICE_LIST_NOT_READY = 19
};

/* Purge masks. */
#define FT_PURGE_RX 1u
#define FT_PURGE_TX 2u

/* Data characteristics. */
#define FT_BITS_8 8u
#define FT_BITS_7 7u
#define FT_STOP_BITS_1 0u
#define FT_STOP_BITS_2 2u
#define FT_PARITY_NONE 0u
#define FT_PARITY_ODD 1u
#define FT_PARITY_EVEN 2u

/* Flow control. */
#define FT_FLOW_NONE 0x0000u
#define FT_FLOW_RTS_CTS 0x0100u
#define FT_FLOW_DTR_DSR 0x0200u
#define FT_FLOW_XON_XOFF 0x0400u

/* FT_OpenEx flags. */
#define FT_OPEN_BY_SERIAL_NUMBER 1u
#define FT_OPEN_BY_DESCRIPTION 2u
#define FT_OPEN_BY_LOCATION 4u

/* FT_ListDevices flags. */
#define FT_LIST_NUMBER_ONLY 0x80000000u
#define FT_LIST_BY_INDEX 0x40000000u
#define FT_LIST_ALL 0x20000000u

/* Device information flags. */
#define FT_FLAGS_OPENED 1u
#define FT_FLAGS_HISPEED 2u

/* Device types. */
enum {
    FT_DEVICE_BM = 0,
    FT_DEVICE_AM = 1,
    FT_DEVICE_100AX = 2,
    FT_DEVICE_UNKNOWN = 3,
    FT_DEVICE_2232C = 4,
    FT_DEVICE_232R = 5,
    FT_DEVICE_2232H = 6,
    FT_DEVICE_4232H = 7,
    FT_DEVICE_232H = 8,
    FT_DEVICE_X_SERIES = 9
};

/* Sizes of the texts FT_GetDeviceInfoDetail fills. */
#define FT_SERIAL_NUMBER_SIZE 16
#define FT_DESCRIPTION_SIZE 64

#define FLUXA_D2XX_ENTRY_POINT_COUNT 85

/* clang-format off */
#define FLUXA_D2XX_ENTRY_POINTS(X) \
    X(FT_STATUS, FT_Open, (int deviceNumber, FT_HANDLE* pHandle), (deviceNumber, pHandle)) \
    X(FT_STATUS, FT_OpenEx, (void* pArg1, DWORD dwFlags, FT_HANDLE* pHandle), (pArg1, dwFlags, pHandle)) \
    X(FT_STATUS, FT_ListDevices, (void* pArg1, void* pArg2, DWORD dwFlags), (pArg1, pArg2, dwFlags)) \
    X(FT_STATUS, FT_Close, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_Read, (FT_HANDLE ftHandle, void* lpBuffer, DWORD dwBytesToRead, DWORD* lpBytesReturned), (ftHandle, lpBuffer, dwBytesToRead, lpBytesReturned)) \
    X(FT_STATUS, FT_Write, (FT_HANDLE ftHandle, void* lpBuffer, DWORD dwBytesToWrite, DWORD* lpBytesWritten), (ftHandle, lpBuffer, dwBytesToWrite, lpBytesWritten)) \
    X(FT_STATUS, FT_IoCtl, (FT_HANDLE ftHandle, DWORD dwIoControlCode, void* lpInBuf, DWORD nInBufSize, void* lpOutBuf, DWORD nOutBufSize, DWORD* lpBytesReturned, void* lpOverlapped), (ftHandle, dwIoControlCode, lpInBuf, nInBufSize, lpOutBuf, nOutBufSize, lpBytesReturned, lpOverlapped)) \
    X(FT_STATUS, FT_SetBaudRate, (FT_HANDLE ftHandle, ULONG baudRate), (ftHandle, baudRate)) \
    X(FT_STATUS, FT_SetDivisor, (FT_HANDLE ftHandle, USHORT divisor), (ftHandle, divisor)) \
    X(FT_STATUS, FT_SetDataCharacteristics, (FT_HANDLE ftHandle, UCHAR wordLength, UCHAR stopBits, UCHAR parity), (ftHandle, wordLength, stopBits, parity)) \
    X(FT_STATUS, FT_SetFlowControl, (FT_HANDLE ftHandle, USHORT flowControl, UCHAR xonChar, UCHAR xoffChar), (ftHandle, flowControl, xonChar, xoffChar)) \
    X(FT_STATUS, FT_ResetDevice, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_SetDtr, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_ClrDtr, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_SetRts, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_ClrRts, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_GetModemStatus, (FT_HANDLE ftHandle, ULONG* pModemStatus), (ftHandle, pModemStatus)) \
    X(FT_STATUS, FT_SetChars, (FT_HANDLE ftHandle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar, UCHAR errorCharEnabled), (ftHandle, eventChar, eventCharEnabled, errorChar, errorCharEnabled)) \
    X(FT_STATUS, FT_Purge, (FT_HANDLE ftHandle, ULONG mask), (ftHandle, mask)) \
    X(FT_STATUS, FT_SetTimeouts, (FT_HANDLE ftHandle, ULONG readTimeout, ULONG writeTimeout), (ftHandle, readTimeout, writeTimeout)) \
    X(FT_STATUS, FT_GetQueueStatus, (FT_HANDLE ftHandle, DWORD* dwRxBytes), (ftHandle, dwRxBytes)) \
    X(FT_STATUS, FT_SetEventNotification, (FT_HANDLE ftHandle, DWORD mask, void* pParam), (ftHandle, mask, pParam)) \
    X(FT_STATUS, FT_GetStatus, (FT_HANDLE ftHandle, DWORD* dwRxBytes, DWORD* dwTxBytes, DWORD* dwEventDWord), (ftHandle, dwRxBytes, dwTxBytes, dwEventDWord)) \
    X(FT_STATUS, FT_SetBreakOn, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_SetBreakOff, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_SetWaitMask, (FT_HANDLE ftHandle, DWORD mask), (ftHandle, mask)) \
    X(FT_STATUS, FT_WaitOnMask, (FT_HANDLE ftHandle, DWORD* pMask), (ftHandle, pMask)) \
    X(FT_STATUS, FT_GetEventStatus, (FT_HANDLE ftHandle, DWORD* dwEventDWord), (ftHandle, dwEventDWord)) \
    X(FT_STATUS, FT_ReadEE, (FT_HANDLE ftHandle, DWORD dwWordOffset, WORD* lpwValue), (ftHandle, dwWordOffset, lpwValue)) \
    X(FT_STATUS, FT_WriteEE, (FT_HANDLE ftHandle, DWORD dwWordOffset, WORD wValue), (ftHandle, dwWordOffset, wValue)) \
    X(FT_STATUS, FT_EraseEE, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_EE_Program, (FT_HANDLE ftHandle, void* pData), (ftHandle, pData)) \
    X(FT_STATUS, FT_EE_ProgramEx, (FT_HANDLE ftHandle, void* pData, char* manufacturer, char* manufacturerId, char* description, char* serialNumber), (ftHandle, pData, manufacturer, manufacturerId, description, serialNumber)) \
    X(FT_STATUS, FT_EE_Read, (FT_HANDLE ftHandle, void* pData), (ftHandle, pData)) \
    X(FT_STATUS, FT_EE_ReadEx, (FT_HANDLE ftHandle, void* pData, char* manufacturer, char* manufacturerId, char* description, char* serialNumber), (ftHandle, pData, manufacturer, manufacturerId, description, serialNumber)) \
    X(FT_STATUS, FT_EE_UASize, (FT_HANDLE ftHandle, DWORD* lpdwSize), (ftHandle, lpdwSize)) \
    X(FT_STATUS, FT_EE_UAWrite, (FT_HANDLE ftHandle, UCHAR* pucData, DWORD dwDataLen), (ftHandle, pucData, dwDataLen)) \
    X(FT_STATUS, FT_EE_UARead, (FT_HANDLE ftHandle, UCHAR* pucData, DWORD dwDataLen, DWORD* lpdwBytesRead), (ftHandle, pucData, dwDataLen, lpdwBytesRead)) \
    X(FT_STATUS, FT_EEPROM_Read, (FT_HANDLE ftHandle, void* eepromData, DWORD eepromDataSize, char* manufacturer, char* manufacturerId, char* description, char* serialNumber), (ftHandle, eepromData, eepromDataSize, manufacturer, manufacturerId, description, serialNumber)) \
    X(FT_STATUS, FT_EEPROM_Program, (FT_HANDLE ftHandle, void* eepromData, DWORD eepromDataSize, char* manufacturer, char* manufacturerId, char* description, char* serialNumber), (ftHandle, eepromData, eepromDataSize, manufacturer, manufacturerId, description, serialNumber)) \
    X(FT_STATUS, FT_SetLatencyTimer, (FT_HANDLE ftHandle, UCHAR ucLatency), (ftHandle, ucLatency)) \
    X(FT_STATUS, FT_GetLatencyTimer, (FT_HANDLE ftHandle, UCHAR* pucLatency), (ftHandle, pucLatency)) \
    X(FT_STATUS, FT_SetBitMode, (FT_HANDLE ftHandle, UCHAR ucMask, UCHAR ucEnable), (ftHandle, ucMask, ucEnable)) \
    X(FT_STATUS, FT_GetBitMode, (FT_HANDLE ftHandle, UCHAR* pucMode), (ftHandle, pucMode)) \
    X(FT_STATUS, FT_SetUSBParameters, (FT_HANDLE ftHandle, ULONG ulInTransferSize, ULONG ulOutTransferSize), (ftHandle, ulInTransferSize, ulOutTransferSize)) \
    X(FT_STATUS, FT_SetDeadmanTimeout, (FT_HANDLE ftHandle, ULONG ulDeadmanTimeout), (ftHandle, ulDeadmanTimeout)) \
    X(FT_STATUS, FT_GetDeviceInfo, (FT_HANDLE ftHandle, FT_DEVICE* lpftDevice, DWORD* lpdwID, char* serialNumber, char* description, void* dummy), (ftHandle, lpftDevice, lpdwID, serialNumber, description, dummy)) \
    X(FT_STATUS, FT_StopInTask, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_RestartInTask, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_SetResetPipeRetryCount, (FT_HANDLE ftHandle, DWORD dwCount), (ftHandle, dwCount)) \
    X(FT_STATUS, FT_ResetPort, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_STATUS, FT_CyclePort, (FT_HANDLE ftHandle), (ftHandle)) \
    X(FT_HANDLE, FT_W32_CreateFile, (const char* lpszName, DWORD dwAccess, DWORD dwShareMode, void* lpSecurityAttributes, DWORD dwCreate, DWORD dwAttrsAndFlags, void* hTemplate), (lpszName, dwAccess, dwShareMode, lpSecurityAttributes, dwCreate, dwAttrsAndFlags, hTemplate)) \
    X(BOOL, FT_W32_CloseHandle, (FT_HANDLE ftHandle), (ftHandle)) \
    X(BOOL, FT_W32_ReadFile, (FT_HANDLE ftHandle, void* lpBuffer, DWORD nBufferSize, DWORD* lpBytesReturned, void* lpOverlapped), (ftHandle, lpBuffer, nBufferSize, lpBytesReturned, lpOverlapped)) \
    X(BOOL, FT_W32_WriteFile, (FT_HANDLE ftHandle, void* lpBuffer, DWORD nBufferSize, DWORD* lpBytesWritten, void* lpOverlapped), (ftHandle, lpBuffer, nBufferSize, lpBytesWritten, lpOverlapped)) \
    X(DWORD, FT_W32_GetLastError, (FT_HANDLE ftHandle), (ftHandle)) \
    X(BOOL, FT_W32_GetOverlappedResult, (FT_HANDLE ftHandle, void* lpOverlapped, DWORD* lpdwBytesTransferred, BOOL bWait), (ftHandle, lpOverlapped, lpdwBytesTransferred, bWait)) \
    X(BOOL, FT_W32_CancelIo, (FT_HANDLE ftHandle), (ftHandle)) \
    X(BOOL, FT_W32_ClearCommBreak, (FT_HANDLE ftHandle), (ftHandle)) \
    X(BOOL, FT_W32_ClearCommError, (FT_HANDLE ftHandle, DWORD* lpdwErrors, void* lpftComstat), (ftHandle, lpdwErrors, lpftComstat)) \
    X(BOOL, FT_W32_EscapeCommFunction, (FT_HANDLE ftHandle, DWORD dwFunc), (ftHandle, dwFunc)) \
    X(BOOL, FT_W32_GetCommModemStatus, (FT_HANDLE ftHandle, DWORD* lpdwModemStatus), (ftHandle, lpdwModemStatus)) \
    X(BOOL, FT_W32_GetCommState, (FT_HANDLE ftHandle, void* lpftDcb), (ftHandle, lpftDcb)) \
    X(BOOL, FT_W32_GetCommTimeouts, (FT_HANDLE ftHandle, void* pTimeouts), (ftHandle, pTimeouts)) \
    X(BOOL, FT_W32_PurgeComm, (FT_HANDLE ftHandle, DWORD dwMask), (ftHandle, dwMask)) \
    X(BOOL, FT_W32_SetCommBreak, (FT_HANDLE ftHandle), (ftHandle)) \
    X(BOOL, FT_W32_SetCommMask, (FT_HANDLE ftHandle, DWORD dwMask), (ftHandle, dwMask)) \
    X(BOOL, FT_W32_GetCommMask, (FT_HANDLE ftHandle, DWORD* lpdwEventMask), (ftHandle, lpdwEventMask)) \
    X(BOOL, FT_W32_SetCommState, (FT_HANDLE ftHandle, void* lpftDcb), (ftHandle, lpftDcb)) \
    X(BOOL, FT_W32_SetCommTimeouts, (FT_HANDLE ftHandle, void* pTimeouts), (ftHandle, pTimeouts)) \
    X(BOOL, FT_W32_SetupComm, (FT_HANDLE ftHandle, DWORD dwReadBufferSize, DWORD dwWriteBufferSize), (ftHandle, dwReadBufferSize, dwWriteBufferSize)) \
    X(BOOL, FT_W32_WaitCommEvent, (FT_HANDLE ftHandle, ULONG* pulEvent, void* lpOverlapped), (ftHandle, pulEvent, lpOverlapped)) \
    X(FT_STATUS, FT_CreateDeviceInfoList, (DWORD* lpdwNumDevs), (lpdwNumDevs)) \
    X(FT_STATUS, FT_GetDeviceInfoList, (FT_DEVICE_LIST_INFO_NODE* pDest, DWORD* lpdwNumDevs), (pDest, lpdwNumDevs)) \
    X(FT_STATUS, FT_GetDeviceInfoDetail, (DWORD dwIndex, DWORD* lpdwFlags, DWORD* lpdwType, DWORD* lpdwID, DWORD* lpdwLocId, void* lpSerialNumber, void* lpDescription, FT_HANDLE* pftHandle), (dwIndex, lpdwFlags, lpdwType, lpdwID, lpdwLocId, lpSerialNumber, lpDescription, pftHandle)) \
    X(FT_STATUS, FT_GetDriverVersion, (FT_HANDLE ftHandle, DWORD* lpdwVersion), (ftHandle, lpdwVersion)) \
    X(FT_STATUS, FT_GetLibraryVersion, (DWORD* lpdwVersion), (lpdwVersion)) \
    X(FT_STATUS, FT_Rescan, (), ()) \
    X(FT_STATUS, FT_Reload, (WORD wVid, WORD wPid), (wVid, wPid)) \
    X(FT_STATUS, FT_GetComPortNumber, (FT_HANDLE ftHandle, LONG* lpdwComPortNumber), (ftHandle, lpdwComPortNumber)) \
    X(FT_STATUS, FT_EE_ReadConfig, (FT_HANDLE ftHandle, UCHAR ucAddress, UCHAR* pucValue), (ftHandle, ucAddress, pucValue)) \
    X(FT_STATUS, FT_EE_WriteConfig, (FT_HANDLE ftHandle, UCHAR ucAddress, UCHAR ucValue), (ftHandle, ucAddress, ucValue)) \
    X(FT_STATUS, FT_EE_ReadECC, (FT_HANDLE ftHandle, UCHAR ucOption, WORD* lpwValue), (ftHandle, ucOption, lpwValue)) \
    X(FT_STATUS, FT_GetQueueStatusEx, (FT_HANDLE ftHandle, DWORD* dwRxBytes), (ftHandle, dwRxBytes))
/* clang-format on */

#ifdef __cplusplus
/* FLUXA_D2XX_PARAMS_AND(params, extra): a parameter list followed by one more
 * parameter, also for the empty list "()". */
#define FLUXA_D2XX_UNPACK_AND(...) __VA_ARGS__ __VA_OPT__(, )
#define FLUXA_D2XX_PARAMS_AND(params, extra) (FLUXA_D2XX_UNPACK_AND params extra)
#endif

/* Function-pointer types, named <entry point>_Fn. */
#define FLUXA_D2XX_FN_TYPE(ret, name, params, args) typedef ret(FLUXA_WINAPI* name##_Fn) params;
FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_FN_TYPE)
#undef FLUXA_D2XX_FN_TYPE

#ifdef FLUXA_D2XX_DECLARE_FUNCTIONS
#ifndef FLUXA_D2XX_EXPORT
#define FLUXA_D2XX_EXPORT
#endif
#ifdef __cplusplus
extern "C" {
#endif
#define FLUXA_D2XX_PROTOTYPE(ret, name, params, args) FLUXA_D2XX_EXPORT ret FLUXA_WINAPI name params;
FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_PROTOTYPE)
#undef FLUXA_D2XX_PROTOTYPE
#ifdef __cplusplus
}
#endif
#endif /* FLUXA_D2XX_DECLARE_FUNCTIONS */

#ifdef __cplusplus
#define FLUXA_D2XX_COUNT_ONE(ret, name, params, args) +1
static_assert(0 FLUXA_D2XX_ENTRY_POINTS(FLUXA_D2XX_COUNT_ONE) == FLUXA_D2XX_ENTRY_POINT_COUNT,
              "the D2XX entry point list must hold every entry point");
#undef FLUXA_D2XX_COUNT_ONE
static_assert(sizeof(DWORD) == 4 && sizeof(ULONG) == 4, "D2XX words are 32 bits");
#endif

#endif /* FLUXA_DEVICELINK_D2XXAPI_H */
