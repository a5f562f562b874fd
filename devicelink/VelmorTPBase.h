#pragma once
// The command layer of the fitting's transfer protocol: command table, checks,
// request building, attempts with target error evaluation, and the typed
// module services on top. The transport (one request/response exchange) is
// supplied by a derived class.

#include "common/FluxaTypes.h"

#include <mutex>
#include <string>
#include <vector>

class CStringParameterHandler;

class CVelmorTPBase {
public:
    static constexpr int kBufferSize = 512;
    static constexpr int kMinCommandID = 1;
    static constexpr int kMaxCommandID = 33;
    // The frame's length byte counts the request and the checksum.
    static constexpr int kMaxRequestLength = 254;
    static constexpr int kDefaultRetryCount = 2;
    static constexpr unsigned kRetryPauseMs = 500;

    // Command IDs the rest of the tool sends by number.
    enum CommandID {
        CmdResetModule = 1,
        CmdReadModuleInformation = 2,
        CmdReadByteByIndex = 3,
        CmdReadByteByIndexB = 4,
        CmdReadWordByIndex = 5,
        CmdReadDWordByIndex = 6,
        CmdWriteByteByIndex = 7,
        CmdWriteByteByIndexB = 8,
        CmdWriteWordByIndex = 9,
        CmdWriteDWordByIndex = 10,
        CmdReadEEByAddr = 11,
        CmdWriteEEByAddr = 12,
        CmdReadEEByBlockNumber = 13,
        CmdWriteEEByBlockNumber = 14,
        CmdReadFlashByAddr = 15,
        CmdWriteFlashByAddr = 16,
        CmdEraseFlashByAddr = 17,
        CmdExecuteCommand20 = 20,
        CmdActivateBootloader = 21,
        CmdActivateApplication = 22,
        CmdReadDataByAddr = 28,
        CmdSetBaudrate = 30,
        CmdExecuteCommand31 = 31,
        CmdReadCountedList = 32,
        CmdErrorCodesReadDetails = 33
    };

    CVelmorTPBase();
    virtual ~CVelmorTPBase() = default;
    CVelmorTPBase(const CVelmorTPBase&) = delete;
    CVelmorTPBase& operator=(const CVelmorTPBase&) = delete;

    virtual int Open(const std::string& strParameters, std::string& strError) = 0;
    virtual int Close(std::string& strError) = 0;

    virtual void SetRetryCount(int nRetryCount);
    virtual int GetRetryCount();

    // Module services: each takes the protocol lock, checks its arguments,
    // sends one command and evaluates the response. Out arrays are replaced.
    virtual int ResetModule(std::string& strError);
    virtual int ReadModuleInformation(CStringParameterHandler& parameters, std::string& strError);
    virtual int ReadModuleInformationRaw(UCHAR& byLayoutVersion, int& nRecordLength, std::vector<BYTE>& record,
                                         std::string& strError);

    virtual int ReadByteByIndex(UCHAR byIndex, UCHAR& byValue, std::string& strError);
    virtual int ReadByteByIndexB(UCHAR byIndex, UCHAR& byValue, std::string& strError);
    virtual int ReadWordByIndex(UCHAR byIndex, WORD& wValue, std::string& strError);
    virtual int ReadDWordByIndex(UCHAR byIndex, DWORD& dwValue, std::string& strError);
    virtual int WriteByteByIndex(UCHAR byIndex, UCHAR byValue, std::string& strError);
    virtual int WriteByteByIndexB(UCHAR byIndex, UCHAR byValue, std::string& strError);
    virtual int WriteWordByIndex(UCHAR byIndex, WORD wValue, std::string& strError);
    virtual int WriteDWordByIndex(UCHAR byIndex, DWORD dwValue, std::string& strError);

    virtual int ReadEEByAddr(WORD wAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError);
    virtual int WriteEEByAddr(WORD wAddress, UCHAR byLength, const BYTE* pData, std::string& strError);
    virtual int ReadEEByBlockNumber(WORD wBlock, UCHAR byLength, std::vector<BYTE>& data, std::string& strError);
    virtual int WriteEEByBlockNumber(WORD wBlock, UCHAR byLength, const BYTE* pData, std::string& strError);
    // The fitting's flash read data are not evaluated: the array is emptied.
    virtual int ReadFlashByAddr(DWORD dwAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError);
    virtual int WriteFlashByAddr(DWORD dwAddress, UCHAR byLength, const BYTE* pData, std::string& strError);
    virtual int EraseFlashByAddr(DWORD dwAddress, UCHAR byLength, std::string& strError);

    virtual int ExecuteCommand20(std::string& strError);
    virtual int ActivateBootloader(std::string& strError);
    virtual int ActivateApplication(std::string& strError);

    virtual int ReadDataByAddr(UCHAR byAddress, UCHAR byLength, std::vector<BYTE>& data, std::string& strError);
    // Only 2400, 4800, 9600, 19200 and 38400 bit/s.
    virtual int SetBaudrate(long nBaudrate, std::string& strError);
    virtual int ExecuteCommand31(std::string& strError);
    virtual int ReadCountedList(UCHAR& byCount, std::vector<BYTE>& data, std::string& strError);

    virtual int ErrorCodesReadDetails(UCHAR bySelector, CStringParameterHandler& parameters, std::string& strError);
    virtual int ReadErrorCodeDetailsRaw(UCHAR bySelector, UCHAR& byLayoutVersion, int& nDetailCount,
                                        std::vector<BYTE>& details, std::string& strError);

    // Record decoders; the handler receives the named values in record order.
    virtual int ParseLayoutVersion_V0(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                      CStringParameterHandler& parameters, std::string& strError);
    virtual int ParseLayoutVersion_V1(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                      CStringParameterHandler& parameters, std::string& strError);
    virtual int ParseErrorCodeDetailsLayoutVersion_V0(UCHAR byLayoutVersion, int nDetailCount, const BYTE* pDetails,
                                                      CStringParameterHandler& parameters, std::string& strError);

    virtual int CheckCommandID(int nCommandID, std::string& strError);
    virtual int CheckParameterCount(int nCommandID, int nParameterCount, const BYTE* pParameters,
                                    std::string& strError);
    virtual int BuildCommand(int nCommandID, int nParameterCount, const BYTE* pParameters, std::string& strError);
    // The whole command with its attempts. On success the response stays
    // readable until the next command; hold the protocol lock until read.
    virtual int SendCommand(int nCommandID, int nParameterCount, const BYTE* pParameters, std::string& strError);

    virtual void Lock();
    virtual void Unlock();

    // The last request and response payload (status byte first).
    const BYTE* GetRequest() const { return m_byRequest; }
    int GetRequestLength() const { return m_nRequestLength; }
    const BYTE* GetResponse() const { return m_byResponse; }
    int GetResponseLength() const { return m_nResponseLength; }

    // Baud rate codes of command 30: 1..5 for 2400..38400 bit/s; 0 for none.
    static long BaudrateFromCode(int nCode);
    static int CodeFromBaudrate(long nBaudrate);

protected:
    // One exchange of the built request; fills the response payload.
    virtual int TransferCommand(int nCommandID, std::string& strError) = 0;
    // SendCommand with its own number of attempts; the retry count in force
    // is left alone for the other threads.
    int SendCommandAttempts(int nCommandID, int nParameterCount, const BYTE* pParameters, int nAttempts,
                            std::string& strError);

    BYTE m_byRequest[kBufferSize];
    int m_nRequestLength = 0;
    BYTE m_byResponse[kBufferSize];
    int m_nResponseLength = 0;
    std::recursive_mutex m_csProtocol;
    int m_nRetryCount = kDefaultRetryCount;

private:
    int CheckTargetError(std::string& strError);
    int ReadIndexed(int nCommandID, UCHAR byIndex, int nBytes, DWORD& dwValue, const char* szPrefix,
                    std::string& strError);
    int WriteIndexed(int nCommandID, UCHAR byIndex, DWORD dwValue, int nBytes, std::string& strError);
    int WriteBlock(int nCommandID, const BYTE* pHeader, int nHeaderLength, UCHAR byLength, const BYTE* pData,
                   const char* szService, std::string& strError);
    int ReadBlock(int nCommandID, const BYTE* pHeader, int nHeaderLength, UCHAR byLength, std::vector<BYTE>& data,
                  const char* szService, std::string& strError);
    int CheckMinimumResponse(int nMinimumLength, const char* szPrefix, std::string& strError);
};

// A version of the module information as the tool shows it: "V4.02", or
// "T05.03" when bit 7 of the major byte marks a test version.
std::string ModuleVersionText(BYTE byMajor, BYTE byMinor);

// Sets a protocol's retry count for a scope; the previous one is back on
// every way out.
class CRetryCountGuard {
public:
    CRetryCountGuard(CVelmorTPBase& protocol, int nRetryCount)
        : m_Protocol(protocol), m_nPrevious(protocol.GetRetryCount())
    {
        m_Protocol.SetRetryCount(nRetryCount);
    }
    ~CRetryCountGuard() { m_Protocol.SetRetryCount(m_nPrevious); }
    CRetryCountGuard(const CRetryCountGuard&) = delete;
    CRetryCountGuard& operator=(const CRetryCountGuard&) = delete;

private:
    CVelmorTPBase& m_Protocol;
    int m_nPrevious;
};

// Holds the protocol lock of one protocol object for a scope.
class CProtocolLock {
public:
    explicit CProtocolLock(CVelmorTPBase& protocol) : m_Protocol(protocol) { m_Protocol.Lock(); }
    ~CProtocolLock() { m_Protocol.Unlock(); }
    CProtocolLock(const CProtocolLock&) = delete;
    CProtocolLock& operator=(const CProtocolLock&) = delete;

private:
    CVelmorTPBase& m_Protocol;
};
