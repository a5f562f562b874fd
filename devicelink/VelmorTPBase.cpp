#include "devicelink/VelmorTPBase.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"

#include <cstring>
#include <iterator>

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

} // namespace

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
// Services without data

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
