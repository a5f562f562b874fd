#include "devicelink/VelmorTPBase.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "configdata/StringParameter.h"

#include <cstring>
#include <iterator>
#include <new>

namespace {

enum class CountRule { Exactly, AtLeast, Any, Refused };

struct CommandInfo {
    BYTE byOpcode;
    CountRule rule;
    int nCount;
};

// Indexed by command ID - 1. The opcodes are not the identity: 3..6 take the
// odd and 7..10 the even opcodes, and 17 takes 0x1C.
constexpr CommandInfo kCommands[CVelmorTPBase::kMaxCommandID] = {
    {0x00, CountRule::Exactly, 0}, // 1 reset
    {0x01, CountRule::Exactly, 0}, // 2 module information
    {0x03, CountRule::Exactly, 1}, // 3
    {0x05, CountRule::Exactly, 1}, // 4
    {0x07, CountRule::Exactly, 1}, // 5
    {0x09, CountRule::Exactly, 1}, // 6
    {0x02, CountRule::Exactly, 2}, // 7
    {0x04, CountRule::Exactly, 2}, // 8
    {0x06, CountRule::Exactly, 3}, // 9
    {0x08, CountRule::Exactly, 5}, // 10
    {0x0A, CountRule::Exactly, 3}, // 11 EEPROM read
    {0x0B, CountRule::AtLeast, 4}, // 12 EEPROM write
    {0x0C, CountRule::Any, 0},     // 13
    {0x0D, CountRule::Any, 0},     // 14
    {0x0E, CountRule::Any, 0},     // 15
    {0x0F, CountRule::Any, 0},     // 16
    {0x1C, CountRule::Exactly, 5}, // 17 flash erase
    {0x10, CountRule::Any, 0},     // 18
    {0x11, CountRule::Any, 0},     // 19
    {0x12, CountRule::Exactly, 0}, // 20
    {0x13, CountRule::Exactly, 0}, // 21 boot loader
    {0x14, CountRule::Exactly, 0}, // 22 application
    {0x15, CountRule::Any, 0},     // 23
    {0x16, CountRule::Any, 0},     // 24
    {0x17, CountRule::Any, 0},     // 25
    {0x18, CountRule::Any, 0},     // 26
    {0x19, CountRule::Any, 0},     // 27
    {0x1A, CountRule::Exactly, 2}, // 28
    {0x1B, CountRule::Refused, 0}, // 29 not handled
    {0x1D, CountRule::Exactly, 1}, // 30 baud rate
    {0x1E, CountRule::Exactly, 0}, // 31
    {0x1F, CountRule::Exactly, 0}, // 32
    {0x20, CountRule::Exactly, 1}, // 33 error code details
};

constexpr long kBaudrates[] = {2400, 4800, 9600, 19200, 38400};

constexpr BYTE kTargetErrorStatus = 0xFF;

void PutBigEndian(BYTE* pOut, DWORD dwValue, int nBytes)
{
    for (int i = nBytes - 1; i >= 0; --i) {
        pOut[i] = static_cast<BYTE>(dwValue & 0xFF);
        dwValue >>= 8;
    }
}

DWORD GetBigEndian(const BYTE* pIn, int nBytes)
{
    DWORD dwValue = 0;
    for (int i = 0; i < nBytes; ++i)
        dwValue = (dwValue << 8) | pIn[i];
    return dwValue;
}

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

// Empties a handler before a record is decoded into it; its label stays.
void EmptyHandler(CStringParameterHandler& parameters)
{
    CStringParameterHandler empty;
    empty.SetLabel(parameters.GetLabel());
    parameters = empty;
}

int AddValue(CStringParameterHandler& parameters, const char* szName, const std::string& strValue,
             std::string& strError)
{
    return parameters.AddParameter(CStringParameter(szName, strValue), strError);
}

std::string ActiveApplicationText(BYTE byValue)
{
    if (byValue == 0)
        return "0 = Bootloader";
    if (byValue == 1)
        return "1 = Application";
    return FormatText("0x%02X = Unknown", byValue);
}

std::string SerialNumberText(const BYTE* p)
{
    return FormatText("%02X%02X%02X%02X%02X%02X", p[0], p[1], p[2], p[3], p[4], p[5]);
}

// The checks every record decoder makes before it reads the record.
int CheckRecord(const char* szPrefix, UCHAR byLayoutVersion, UCHAR byExpectedVersion, int nLength,
                int nExpectedLength, const BYTE* pRecord, const char* szNullGerman, std::string& strError)
{
    if (byLayoutVersion != byExpectedVersion) {
        strError = FormatText(PickText("%s: Internal error: The function was called for the not supported layout version (%d).",
                                       "%s: Interner Fehler: Die Funktion wurde für das nicht unterstützte Layout (%d) aufgerufen."),
                              szPrefix, byLayoutVersion);
        return Result::LayoutNotSupported;
    }
    if (nLength != nExpectedLength) {
        strError = FormatText(PickText("%s: The passed length (%d) is invalid. A min length of (%d) and a max length of (%d) was expected",
                                       "%s: Die Längeninformation (%d) ist ungültig. Eine Länge zwischen (%d) und (%d) wurde erwartet"),
                              szPrefix, nLength, nExpectedLength, nExpectedLength);
        return Result::InvalidArgument;
    }
    if (pRecord == nullptr) {
        strError = FormatText(PickText("%s: The data array pointer can't be NULL", szNullGerman), szPrefix);
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

// Decodes a module information record: active application, product ID, one
// byte pair per version name from byte 3 on, then the serial number.
int ParseModuleRecord(const BYTE* pRecord, const char* const* pVersionNames, int nVersions,
                      CStringParameterHandler& parameters, std::string& strError)
{
    int nResult = AddValue(parameters, "Active application", ActiveApplicationText(pRecord[0]), strError);
    if (nResult == Result::Ok)
        nResult = AddValue(parameters, "Product ID", FormatText("%02X%02X", pRecord[1], pRecord[2]), strError);
    int nOffset = 3;
    for (int i = 0; i < nVersions && nResult == Result::Ok; ++i, nOffset += 2)
        nResult = AddValue(parameters, pVersionNames[i], ModuleVersionText(pRecord[nOffset], pRecord[nOffset + 1]), strError);
    if (nResult == Result::Ok)
        nResult = AddValue(parameters, "Serial number", SerialNumberText(pRecord + nOffset), strError);
    return nResult;
}

} // namespace

std::string ModuleVersionText(BYTE byMajor, BYTE byMinor)
{
    if (byMajor & 0x80)
        return FormatText("T%02d.%02d", byMajor & 0x7F, byMinor);
    return FormatText("V%d.%02d", byMajor, byMinor);
}

CVelmorTPBase::CVelmorTPBase()
{
    std::memset(m_byRequest, 0, sizeof(m_byRequest));
    std::memset(m_byResponse, 0, sizeof(m_byResponse));
}

// The download changes the count while the connection monitor sends its
// commands: the count changes between commands, never during one.
void CVelmorTPBase::SetRetryCount(int nRetryCount)
{
    CProtocolLock lock(*this);
    m_nRetryCount = nRetryCount;
}

int CVelmorTPBase::GetRetryCount()
{
    CProtocolLock lock(*this);
    return m_nRetryCount;
}

void CVelmorTPBase::Lock()
{
    m_csProtocol.lock();
}

void CVelmorTPBase::Unlock()
{
    m_csProtocol.unlock();
}

long CVelmorTPBase::BaudrateFromCode(int nCode)
{
    if (nCode < 1 || nCode > static_cast<int>(std::size(kBaudrates)))
        return 0;
    return kBaudrates[nCode - 1];
}

int CVelmorTPBase::CodeFromBaudrate(long nBaudrate)
{
    for (int i = 0; i < static_cast<int>(std::size(kBaudrates)); ++i) {
        if (kBaudrates[i] == nBaudrate)
            return i + 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Command layer

int CVelmorTPBase::CheckCommandID(int nCommandID, std::string& strError)
{
    if (nCommandID >= kMinCommandID && nCommandID <= kMaxCommandID)
        return Result::Ok;
    strError = FormatText(PickText("%s The given command ID (%d) is out of range. The valid range is: Min=%d and Max=%d",
                                   "%s Das Kommando (%d) ist ungültig. Der gültige Bereich liegt zwischen: Min=%d und Max=%d"),
                          "CVelmorTPBase::CheckCommandID", nCommandID, kMinCommandID, kMaxCommandID);
    return Result::InvalidArgument;
}

int CVelmorTPBase::CheckParameterCount(int nCommandID, int nParameterCount, const BYTE* pParameters,
                                       std::string& strError)
{
    static const char* const kPrefix = "CVelmorTPBase::CheckParameterCount";
    if (nParameterCount < 0) {
        strError = FormatText(PickText("%s The parameter count (%d) is not supported", "%s Die Parameteranzahl (%d) ist ungültig"),
                              kPrefix, nParameterCount);
        return Result::InvalidArgument;
    }
    if (nParameterCount > 0 && pParameters == nullptr) {
        strError = FormatText(PickText("%s The parameter count (%d) is given but the parameter array is invalid (NULL)",
                                       "%s Die Parameteranzahl (%d) wurde definiert aber das Feld enthält (NULL)"),
                              kPrefix, nParameterCount);
        return Result::InvalidArgument;
    }
    if (nCommandID < kMinCommandID || nCommandID > kMaxCommandID
        || kCommands[nCommandID - 1].rule == CountRule::Refused) {
        strError = FormatText(PickText("%s Internal error: the command ID (%d) is not handled in (%s)",
                                       "%s Interner Fehler: Das Kommando (%d) wird nicht unterstützt in (%s) "),
                              kPrefix, nCommandID, kPrefix);
        return Result::InvalidArgument;
    }
    const CommandInfo& info = kCommands[nCommandID - 1];
    const bool bValid = info.rule == CountRule::Any
                        || (info.rule == CountRule::Exactly && nParameterCount == info.nCount)
                        || (info.rule == CountRule::AtLeast && nParameterCount >= info.nCount);
    if (bValid)
        return Result::Ok;
    strError = FormatText(PickText("%s The parameter count (%d) is invalid for the command ID (%d)",
                                   "%s Die Parameteranzahl (%d) wird für das Kommando (%d) nicht unterstützt."),
                          kPrefix, nParameterCount, nCommandID);
    return Result::InvalidArgument;
}

int CVelmorTPBase::BuildCommand(int nCommandID, int nParameterCount, const BYTE* pParameters, std::string& strError)
{
    int nResult = CheckCommandID(nCommandID, strError);
    if (nResult == Result::Ok)
        nResult = CheckParameterCount(nCommandID, nParameterCount, pParameters, strError);
    if (nResult != Result::Ok)
        return nResult;
    // The frame's 8-bit length byte cannot carry a longer request.
    if (nParameterCount + 1 > kMaxRequestLength) {
        strError = FormatText(PickText("%s The request length (%d) exceeds the maximum length (%d) of a frame",
                                       "%s Die Länge der Anfrage (%d) überschreitet die maximale Rahmenlänge (%d)"),
                              "CVelmorTPBase::BuildCommand", nParameterCount + 1, kMaxRequestLength);
        return Result::InvalidArgument;
    }
    m_byRequest[0] = kCommands[nCommandID - 1].byOpcode;
    if (nParameterCount > 0)
        std::memcpy(m_byRequest + 1, pParameters, static_cast<size_t>(nParameterCount));
    m_nRequestLength = nParameterCount + 1;
    return Result::Ok;
}

// A payload of FF <code> or FF <code> <library> is the target's error answer.
int CVelmorTPBase::CheckTargetError(std::string& strError)
{
    if (m_byResponse[0] != kTargetErrorStatus)
        return Result::Ok;
    if (m_nResponseLength == 2) {
        strError = FormatText(PickText("%s Error code 0x%02X reported by target", "%s Modul meldet Fehler 0x%02X"),
                              "CVelmorTPBase::SendCommand", m_byResponse[1]);
        return Result::TargetError;
    }
    if (m_nResponseLength == 3) {
        if (g_nLanguage == kLanguageEnglish)
            strError = FormatText("Error code 0x%02X for SW lib 0x%02X reported by target", m_byResponse[1], m_byResponse[2]);
        else
            strError = FormatText("%s Modul meldet Fehler 0x%02X in der SW Bibliothek 0x%02X", "CVelmorTPBase::SendCommand",
                                  m_byResponse[1], m_byResponse[2]);
        return Result::TargetError;
    }
    return Result::Ok;
}

int CVelmorTPBase::SendCommand(int nCommandID, int nParameterCount, const BYTE* pParameters, std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommandAttempts(nCommandID, nParameterCount, pParameters, m_nRetryCount, strError);
}

int CVelmorTPBase::SendCommandAttempts(int nCommandID, int nParameterCount, const BYTE* pParameters, int nAttempts,
                                       std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = Result::Ok;
    for (int nAttempt = 0; nAttempt < nAttempts; ++nAttempt) {
        if (nAttempt > 0)
            TimeService().SleepMs(kRetryPauseMs);
        nResult = BuildCommand(nCommandID, nParameterCount, pParameters, strError);
        if (nResult != Result::Ok)
            return nResult;
        nResult = TransferCommand(nCommandID, strError);
        if (nResult == Result::Ok)
            nResult = CheckTargetError(strError);
        // A target error is an answer: repeating it would not change it.
        if (nResult == Result::Ok || nResult == Result::TargetError)
            break;
    }
    return nResult;
}

// ---------------------------------------------------------------------------
// Module services

// The payload must reach up to the last byte a service reads.
int CVelmorTPBase::CheckMinimumResponse(int nMinimumLength, const char* szPrefix, std::string& strError)
{
    if (m_nResponseLength >= nMinimumLength)
        return Result::Ok;
    strError = FormatText(PickText("%s The received length information (%d) is too short, at least (%d) bytes were expected",
                                   "%s Die Antwortlänge (%d) des Moduls ist zu kurz, mindestens (%d) Bytes wurden erwartet"),
                          szPrefix, m_nResponseLength, nMinimumLength);
    return Result::InvalidResponse;
}

int CVelmorTPBase::ResetModule(std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommand(CmdResetModule, 0, nullptr, strError);
}

int CVelmorTPBase::ExecuteCommand20(std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommand(CmdExecuteCommand20, 0, nullptr, strError);
}

int CVelmorTPBase::ActivateBootloader(std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommand(CmdActivateBootloader, 0, nullptr, strError);
}

int CVelmorTPBase::ActivateApplication(std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommand(CmdActivateApplication, 0, nullptr, strError);
}

int CVelmorTPBase::ExecuteCommand31(std::string& strError)
{
    CProtocolLock lock(*this);
    return SendCommand(CmdExecuteCommand31, 0, nullptr, strError);
}

int CVelmorTPBase::ReadModuleInformationRaw(UCHAR& byLayoutVersion, int& nRecordLength, std::vector<BYTE>& record,
                                            std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = SendCommand(CmdReadModuleInformation, 0, nullptr, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (m_nResponseLength < 3 || m_nResponseLength > 257) {
        record.clear();
        strError = FormatText(PickText("%s The received length information (%d) is invalid", "%s Die Antwortlänge (%d) des Moduls ist ungültig"),
                              "CVelmorTPBase::ReadModuleInformation:", m_nResponseLength);
        return Result::InvalidResponse;
    }
    byLayoutVersion = m_byResponse[1];
    nRecordLength = m_nResponseLength - 2;
    record.assign(m_byResponse + 2, m_byResponse + m_nResponseLength);
    return Result::Ok;
}

int CVelmorTPBase::ReadModuleInformation(CStringParameterHandler& parameters, std::string& strError)
{
    UCHAR byLayoutVersion = 0;
    int nRecordLength = 0;
    std::vector<BYTE> record;
    int nResult = ReadModuleInformationRaw(byLayoutVersion, nRecordLength, record, strError);
    if (nResult != Result::Ok)
        return nResult;
    EmptyHandler(parameters);
    if (byLayoutVersion == 0)
        return ParseLayoutVersion_V0(byLayoutVersion, nRecordLength, record.data(), parameters, strError);
    if (byLayoutVersion == 1)
        return ParseLayoutVersion_V1(byLayoutVersion, nRecordLength, record.data(), parameters, strError);
    strError = FormatText(PickText("%s The read module information layout version (%d) is not yet supported",
                                   "%s Die empfangene The read module information layout version (%d) is not yet supported"),
                          "CVelmorTPBase::ReadModuleInformation:", byLayoutVersion);
    return Result::LayoutNotSupported;
}

int CVelmorTPBase::ParseLayoutVersion_V0(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                         CStringParameterHandler& parameters, std::string& strError)
{
    static const char* const kPrefix = "CVelmorTPBase::ParseLayoutVersion_V0:";
    // This decoder has no German text for a missing record.
    int nResult = CheckRecord(kPrefix, byLayoutVersion, 0, nRecordLength, 11, pRecord,
                              "%s: The data array pointer can't be NULL", strError);
    if (nResult != Result::Ok)
        return nResult;
    static const char* const kVersions[] = {"SW version"};
    return ParseModuleRecord(pRecord, kVersions, 1, parameters, strError);
}

int CVelmorTPBase::ParseLayoutVersion_V1(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                         CStringParameterHandler& parameters, std::string& strError)
{
    static const char* const kPrefix = "CVelmorTPBase::ParseLayoutVersion_V1:";
    int nResult = CheckRecord(kPrefix, byLayoutVersion, 1, nRecordLength, 13, pRecord,
                              "%s: Der Datenzeiger darf nicht NULL", strError);
    if (nResult != Result::Ok)
        return nResult;
    static const char* const kVersions[] = {"BL version", "SW version"};
    return ParseModuleRecord(pRecord, kVersions, 2, parameters, strError);
}

int CVelmorTPBase::ReadErrorCodeDetailsRaw(UCHAR bySelector, UCHAR& byLayoutVersion, int& nDetailCount,
                                           std::vector<BYTE>& details, std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = SendCommand(CmdErrorCodesReadDetails, 1, &bySelector, strError);
    if (nResult != Result::Ok)
        return nResult;
    nResult = CheckMinimumResponse(1, "CVelmorTPBase::ReadErrorCodeDetailsRaw:", strError);
    if (nResult != Result::Ok) {
        details.clear();
        return nResult;
    }
    // The count includes one byte past the payload (a layout 0 record counts
    // 7 for its 6 detail bytes); that byte is handed back as 0 rather than
    // as whatever an earlier response left in the buffer.
    byLayoutVersion = m_nResponseLength >= 2 ? m_byResponse[1] : 0;
    nDetailCount = m_nResponseLength - 1;
    details.clear();
    if (m_nResponseLength > 2)
        details.assign(m_byResponse + 2, m_byResponse + m_nResponseLength);
    if (nDetailCount > 0)
        details.resize(static_cast<size_t>(nDetailCount), 0);
    return Result::Ok;
}

int CVelmorTPBase::ErrorCodesReadDetails(UCHAR bySelector, CStringParameterHandler& parameters, std::string& strError)
{
    UCHAR byLayoutVersion = 0;
    int nDetailCount = 0;
    std::vector<BYTE> details;
    int nResult = ReadErrorCodeDetailsRaw(bySelector, byLayoutVersion, nDetailCount, details, strError);
    if (nResult != Result::Ok)
        return nResult;
    EmptyHandler(parameters);
    if (byLayoutVersion == 0)
        return ParseErrorCodeDetailsLayoutVersion_V0(byLayoutVersion, nDetailCount, details.empty() ? nullptr : details.data(),
                                                     parameters, strError);
    strError = FormatText(PickText("%s The read error code details layout version (%d) is not yet supported",
                                   "%s Die empfangene Fehlercode-Versionsinformation (%d) wird nicht unterstützt"),
                          "CVelmorTPBase::ErrorCodesReadDetails:", byLayoutVersion);
    return Result::LayoutNotSupported;
}

int CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0(UCHAR byLayoutVersion, int nDetailCount, const BYTE* pDetails,
                                                         CStringParameterHandler& parameters, std::string& strError)
{
    int nResult = CheckRecord("CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0:", byLayoutVersion, 0, nDetailCount,
                              7, pDetails, "%s: Der Zeiger kann nicht NULL sein", strError);
    if (nResult != Result::Ok)
        return nResult;
    const BYTE byFlags = pDetails[1];
    const struct {
        const char* szName;
        int nValue;
    } values[] = {
        {"ErrorCode", pDetails[0]},
        {"IsHistoric", (byFlags >> 7) & 1},
        {"IsActive", (byFlags >> 6) & 1},
        {"IsStoreableToNVM", (byFlags >> 5) & 1},
        {"StoredToNVM", (byFlags >> 4) & 1},
        {"ErrorCount", byFlags & 0x0F},
        {"OperationHours", static_cast<int>(GetBigEndian(pDetails + 2, 2))},
        {"BatteryVoltage", static_cast<int>(GetBigEndian(pDetails + 4, 2))},
    };
    for (const auto& value : values) {
        nResult = AddValue(parameters, value.szName, FormatText("%d", value.nValue), strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}

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

int CVelmorTPBase::SetBaudrate(long nBaudrate, std::string& strError)
{
    const int nCode = CodeFromBaudrate(nBaudrate);
    if (nCode == 0) {
        strError = FormatText("The given baudrate value (%ld) is out of range", nBaudrate);
        return Result::InvalidArgument;
    }
    const BYTE byCode = static_cast<BYTE>(nCode);
    CProtocolLock lock(*this);
    return SendCommand(CmdSetBaudrate, 1, &byCode, strError);
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
