// The services that read and write the fitting's memory: indexed values,
// EEPROM blocks, flash, data by address and the counted list.
#include "devicelink/VelmorTPBase.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/ByteOrder.h"

#include <cstring>
#include <new>

namespace {

int ReportLengthZero(const char* szService, std::string& strError)
{
    strError = FormatText("%s failed due to the length can't be 0", szService);
    return Result::InvalidArgument;
}

int ReportNullData(const char* szService, std::string& strError)
{
    strError = FormatText("%s failed due to the passed data array is invalid (NULL)", szService);
    return Result::InvalidArgument;
}

} // namespace

int CVelmorTPBase::ReadIndexed(int nCommandID, UCHAR byIndex, int nBytes, DWORD& dwValue, const char* szPrefix,
                               std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = SendCommand(nCommandID, 1, &byIndex, strError);
    if (nResult == Result::Ok)
        nResult = CheckMinimumResponse(1 + nBytes, szPrefix, strError);
    if (nResult == Result::Ok)
        dwValue = GetBigEndian(m_byResponse + 1, nBytes);
    return nResult;
}

int CVelmorTPBase::WriteIndexed(int nCommandID, UCHAR byIndex, DWORD dwValue, int nBytes, std::string& strError)
{
    BYTE byParameters[5] = {byIndex};
    PutBigEndian(byParameters + 1, dwValue, nBytes);
    CProtocolLock lock(*this);
    return SendCommand(nCommandID, 1 + nBytes, byParameters, strError);
}

int CVelmorTPBase::ReadByteByIndex(UCHAR byIndex, UCHAR& byValue, std::string& strError)
{
    DWORD dwValue = 0;
    int nResult = ReadIndexed(CmdReadByteByIndex, byIndex, 1, dwValue, "CVelmorTPBase::ReadByteByIndex:", strError);
    if (nResult == Result::Ok)
        byValue = static_cast<UCHAR>(dwValue);
    return nResult;
}

int CVelmorTPBase::ReadByteByIndexB(UCHAR byIndex, UCHAR& byValue, std::string& strError)
{
    DWORD dwValue = 0;
    int nResult = ReadIndexed(CmdReadByteByIndexB, byIndex, 1, dwValue, "CVelmorTPBase::ReadByteByIndexB:", strError);
    if (nResult == Result::Ok)
        byValue = static_cast<UCHAR>(dwValue);
    return nResult;
}

int CVelmorTPBase::ReadWordByIndex(UCHAR byIndex, WORD& wValue, std::string& strError)
{
    DWORD dwValue = 0;
    int nResult = ReadIndexed(CmdReadWordByIndex, byIndex, 2, dwValue, "CVelmorTPBase::ReadWordByIndex:", strError);
    if (nResult == Result::Ok)
        wValue = static_cast<WORD>(dwValue);
    return nResult;
}

int CVelmorTPBase::ReadDWordByIndex(UCHAR byIndex, DWORD& dwValue, std::string& strError)
{
    return ReadIndexed(CmdReadDWordByIndex, byIndex, 4, dwValue, "CVelmorTPBase::ReadDWordByIndex:", strError);
}

int CVelmorTPBase::WriteByteByIndex(UCHAR byIndex, UCHAR byValue, std::string& strError)
{
    return WriteIndexed(CmdWriteByteByIndex, byIndex, byValue, 1, strError);
}

int CVelmorTPBase::WriteByteByIndexB(UCHAR byIndex, UCHAR byValue, std::string& strError)
{
    return WriteIndexed(CmdWriteByteByIndexB, byIndex, byValue, 1, strError);
}

int CVelmorTPBase::WriteWordByIndex(UCHAR byIndex, WORD wValue, std::string& strError)
{
    return WriteIndexed(CmdWriteWordByIndex, byIndex, wValue, 2, strError);
}

int CVelmorTPBase::WriteDWordByIndex(UCHAR byIndex, DWORD dwValue, std::string& strError)
{
    return WriteIndexed(CmdWriteDWordByIndex, byIndex, dwValue, 4, strError);
}

// Sends <address or block bytes> <length> and expects the status byte and
// exactly length data bytes back.
int CVelmorTPBase::ReadBlock(int nCommandID, const BYTE* pHeader, int nHeaderLength, UCHAR byLength,
                             std::vector<BYTE>& data, const char* szService, std::string& strError)
{
    BYTE byParameters[5];
    std::memcpy(byParameters, pHeader, static_cast<size_t>(nHeaderLength));
    byParameters[nHeaderLength] = byLength;
    int nResult = SendCommand(nCommandID, nHeaderLength + 1, byParameters, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (m_nResponseLength != byLength + 1) {
        data.clear();
        strError = FormatText("%s failed due to the response length (%d) does not match with the expected response length (%d)",
                              szService, m_nResponseLength, byLength + 1);
        return Result::InvalidResponse;
    }
    try {
        data.assign(m_byResponse + 1, m_byResponse + 1 + byLength);
    } catch (const std::bad_alloc& e) {
        data.clear();
        strError = FormatText("%s failed due to an CMemoryException was thrown: %s", szService, e.what());
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

// Sends <address or block bytes> <length> <data>.
int CVelmorTPBase::WriteBlock(int nCommandID, const BYTE* pHeader, int nHeaderLength, UCHAR byLength,
                              const BYTE* pData, const char* szService, std::string& strError)
{
    if (byLength == 0)
        return ReportLengthZero(szService, strError);
    if (pData == nullptr)
        return ReportNullData(szService, strError);
    BYTE byParameters[4 + 1 + 255];
    std::memcpy(byParameters, pHeader, static_cast<size_t>(nHeaderLength));
    byParameters[nHeaderLength] = byLength;
    std::memcpy(byParameters + nHeaderLength + 1, pData, byLength);
    CProtocolLock lock(*this);
    return SendCommand(nCommandID, nHeaderLength + 1 + byLength, byParameters, strError);
}

int CVelmorTPBase::ReadEEByAddr(WORD wAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError)
{
    CProtocolLock lock(*this);
    if (byLength == 0) {
        strError = FormatText(PickText("%s Failed due to the length can't be 0", "%s Die Länge kann nicht 0 sein"),
                              "CVelmorTPBase::ReadEEByAddr:");
        return Result::InvalidArgument;
    }
    BYTE byAddress[2];
    PutBigEndian(byAddress, wAddress, 2);
    return ReadBlock(CmdReadEEByAddr, byAddress, 2, byLength, data, "ReadEEByAddr", strError);
}

int CVelmorTPBase::WriteEEByAddr(WORD wAddress, UCHAR byLength, const BYTE* pData, std::string& strError)
{
    BYTE byAddress[2];
    PutBigEndian(byAddress, wAddress, 2);
    return WriteBlock(CmdWriteEEByAddr, byAddress, 2, byLength, pData, "WriteEEByAddr", strError);
}

int CVelmorTPBase::ReadEEByBlockNumber(WORD wBlock, UCHAR byLength, std::vector<BYTE>& data, std::string& strError)
{
    CProtocolLock lock(*this);
    if (byLength == 0)
        return ReportLengthZero("ReadEEByBlockNumber", strError);
    BYTE byBlock[2];
    PutBigEndian(byBlock, wBlock, 2);
    return ReadBlock(CmdReadEEByBlockNumber, byBlock, 2, byLength, data, "ReadEEByBlockNumber", strError);
}

int CVelmorTPBase::WriteEEByBlockNumber(WORD wBlock, UCHAR byLength, const BYTE* pData, std::string& strError)
{
    BYTE byBlock[2];
    PutBigEndian(byBlock, wBlock, 2);
    return WriteBlock(CmdWriteEEByBlockNumber, byBlock, 2, byLength, pData, "WriteEEByBlockNumber", strError);
}

int CVelmorTPBase::ReadFlashByAddr(DWORD dwAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError)
{
    CProtocolLock lock(*this);
    if (byLength == 0)
        return ReportLengthZero("ReadFlashByAddr", strError);
    BYTE byParameters[5];
    PutBigEndian(byParameters, dwAddress, 4);
    byParameters[4] = byLength;
    int nResult = SendCommand(CmdReadFlashByAddr, 5, byParameters, strError);
    if (nResult == Result::Ok)
        data.clear();
    return nResult;
}

int CVelmorTPBase::WriteFlashByAddr(DWORD dwAddress, UCHAR byLength, const BYTE* pData, std::string& strError)
{
    BYTE byAddress[4];
    PutBigEndian(byAddress, dwAddress, 4);
    return WriteBlock(CmdWriteFlashByAddr, byAddress, 4, byLength, pData, "WriteFlashByAddr", strError);
}

int CVelmorTPBase::EraseFlashByAddr(DWORD dwAddress, UCHAR byLength, std::string& strError)
{
    if (byLength == 0)
        return ReportLengthZero("EraseFlashByAddr", strError);
    BYTE byParameters[5];
    PutBigEndian(byParameters, dwAddress, 4);
    byParameters[4] = byLength;
    CProtocolLock lock(*this);
    return SendCommand(CmdEraseFlashByAddr, 5, byParameters, strError);
}

int CVelmorTPBase::ReadDataByAddr(UCHAR byAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError)
{
    CProtocolLock lock(*this);
    const BYTE byParameters[2] = {byAddress, byLength};
    int nResult = SendCommand(CmdReadDataByAddr, 2, byParameters, strError);
    if (nResult != Result::Ok)
        return nResult;
    nResult = CheckMinimumResponse(3, "CVelmorTPBase::ReadDataByAddr:", strError);
    if (nResult == Result::Ok && m_byResponse[1] != byAddress) {
        strError = FormatText("The received addr information (%d) does not math with the expected one (%d)", m_byResponse[1], byAddress);
        nResult = Result::InvalidResponse;
    }
    if (nResult == Result::Ok && m_byResponse[2] != byLength) {
        strError = FormatText("The received length information (%d) does not math with the expected one (%d)", m_byResponse[2], byLength);
        nResult = Result::InvalidResponse;
    }
    if (nResult == Result::Ok)
        nResult = CheckMinimumResponse(3 + byLength, "CVelmorTPBase::ReadDataByAddr:", strError);
    if (nResult != Result::Ok) {
        data.clear();
        return nResult;
    }
    data.assign(m_byResponse + 3, m_byResponse + 3 + byLength);
    return Result::Ok;
}

int CVelmorTPBase::ReadCountedList(UCHAR& byCount, std::vector<BYTE>& data, std::string& strError)
{
    CProtocolLock lock(*this);
    static const char* const kPrefix = "CVelmorTPBase::ReadCountedList:";
    int nResult = SendCommand(CmdReadCountedList, 0, nullptr, strError);
    if (nResult != Result::Ok)
        return nResult;
    nResult = CheckMinimumResponse(2, kPrefix, strError);
    if (nResult == Result::Ok)
        nResult = CheckMinimumResponse(2 + m_byResponse[1], kPrefix, strError);
    if (nResult != Result::Ok) {
        data.clear();
        return nResult;
    }
    byCount = m_byResponse[1];
    data.assign(m_byResponse + 2, m_byResponse + 2 + byCount);
    return Result::Ok;
}
