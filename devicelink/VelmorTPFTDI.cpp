#include "devicelink/VelmorTPFTDI.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "configdata/StringParameter.h"

#include <cstring>

namespace {

constexpr int kHeaderLength = 3;

int ReportTimeout(std::string& strError)
{
    strError = "Timeout";
    return Result::NoResponse;
}

} // namespace

CVelmorTPFTDI::CVelmorTPFTDI()
{
    std::memset(m_byTxFrame, 0, sizeof(m_byTxFrame));
    std::memset(m_byRxFrame, 0, sizeof(m_byRxFrame));
    FollowPortChoice();
}

CVelmorTPFTDI::~CVelmorTPFTDI()
{
    std::string strIgnored;
    if (m_pPort->IsOpen())
        ClosePort(strIgnored);
}

void CVelmorTPFTDI::FollowPortChoice()
{
    if (m_pPort != nullptr && m_pPort->IsOpen())
        return;
    const CAdapterPortChoice choice = GetAdapterPortChoice();
    const EAdapterPortKind eKind = ResolveAdapterPortKind(choice);
    if (m_pPort != nullptr && eKind == m_ePortKind && choice.strDevicePath == m_strPortDevice)
        return;
    m_pPort = CreateAdapterPort(eKind, choice);
    m_ePortKind = eKind;
    m_strPortDevice = choice.strDevicePath;
}

const char* CVelmorTPFTDI::GetPortName()
{
    CProtocolLock lock(*this);
    return m_pPort->GetName();
}

// The port the choice names now is the one loaded (a choice changed since the
// last load takes another port).
int CVelmorTPFTDI::LoadDriver(std::string& strError)
{
    CProtocolLock lock(*this);
    FollowPortChoice();
    return m_pPort->Load(strError);
}

int CVelmorTPFTDI::UnloadDriver(std::string& strError)
{
    return m_pPort->Unload(strError);
}

// The port operations take the protocol lock: the connection monitor and the
// adapter dialog reach them outside any command.
bool CVelmorTPFTDI::IsPortOpen()
{
    CProtocolLock lock(*this);
    return m_pPort->IsOpen();
}

int CVelmorTPFTDI::VerifyPortHandle(std::string& strError)
{
    if (m_pPort->IsOpen())
        return Result::Ok;
    strError = FormatText(PickText("%s The comport is not opened yet, open the port first", "%s Öffnen Sie zunächst die Schnittstelle"),
                          kPortNotOpenSource);
    return Result::MissingPrecondition;
}

int CVelmorTPFTDI::Open(const std::string& strParameters, std::string& strError)
{
    CProtocolLock lock(*this);
    m_strParameters = strParameters;
    m_nOpenedAdapter = -1;
    m_openedAdapter = {};
    std::memset(m_byTxFrame, 0, sizeof(m_byTxFrame));
    std::memset(m_byRxFrame, 0, sizeof(m_byRxFrame));
    m_nBaudrate = 0;
    m_nTxLength = 0;
    m_nRxLength = 0;

    int nResult = LoadDriver(strError);
    if (nResult != Result::Ok)
        return nResult;
    CStringParameterHandler parameters;
    nResult = parameters.ExtractParameters(strParameters, strError);
    if (nResult != Result::Ok)
        return nResult;

    CStringParameter parameter;
    BOOL bKnown = FALSE;
    parameters.IsParameterKnown("PortNumber", bKnown, strError);
    if (bKnown) {
        parameters.GetParameterByName("PortNumber", parameter, strError);
        nResult = parameter.GetValueAsUCHAR(m_byPortNumber, strError);
        if (nResult != Result::Ok)
            return nResult;
    } else {
        strError.clear();
    }

    nResult = parameters.GetParameterByName("Baudrate", parameter, strError);
    LONG lBaudrate = 0;
    if (nResult == Result::Ok)
        nResult = parameter.GetValueAsLong(lBaudrate, strError);
    if (nResult != Result::Ok)
        return nResult;
    m_nBaudrate = lBaudrate;

    parameters.IsParameterKnown("Adapter", bKnown, strError);
    if (bKnown) {
        parameters.GetParameterByName("Adapter", parameter, strError);
        return OpenAdapter(parameter.GetValue(), 0, strError);
    }
    return OpenPort(m_byPortNumber, m_nBaudrate, strError);
}

int CVelmorTPFTDI::Close(std::string& strError)
{
    strError.clear();
    return ClosePort(strError);
}

int CVelmorTPFTDI::OpenPort(int nDevice, long nBaudrate, std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = LoadDriver(strError);
    if (nResult == Result::Ok)
        nResult = m_pPort->Open(nDevice, nBaudrate, strError);
    if (nResult != Result::Ok)
        return nResult;
    m_byPortNumber = static_cast<BYTE>(nDevice);
    m_nLineBaudrate = static_cast<int>(nBaudrate);
    return Result::Ok;
}

int CVelmorTPFTDI::ClosePort(std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = VerifyPortHandle(strError);
    if (nResult == Result::Ok)
        nResult = m_pPort->Close(strError);
    if (nResult != Result::Ok)
        return nResult;
    return UnloadDriver(strError);
}

int CVelmorTPFTDI::GetDeviceCount(DWORD& dwCount, std::string& strError)
{
    CProtocolLock lock(*this);
    FollowPortChoice();
    return m_pPort->CreateDeviceList(dwCount, strError);
}

int CVelmorTPFTDI::CountAdapters(const std::string& strDescription, int& nCount, std::string& strError)
{
    std::vector<CAdapterDevice> adapters;
    const int nResult = ListAdapters(strDescription, adapters, strError);
    nCount = static_cast<int>(adapters.size());
    return nResult;
}

int CVelmorTPFTDI::ListAdapters(const std::string& strDescription, std::vector<CAdapterDevice>& adapters, std::string& strError)
{
    CProtocolLock lock(*this);
    adapters.clear();
    FollowPortChoice();
    DWORD dwDevices = 0;
    int nResult = m_pPort->CreateDeviceList(dwDevices, strError);
    for (DWORD i = 0; nResult == Result::Ok && i < dwDevices; ++i) {
        CAdapterDevice device;
        nResult = m_pPort->GetDeviceDetail(i, device, strError);
        if (nResult == Result::Ok && EqualsNoCase(device.strDescription, strDescription))
            adapters.push_back(device);
    }
    return nResult;
}

int CVelmorTPFTDI::OpenAdapter(const std::string& strDescription, int nAdapter, std::string& strError)
{
    return OpenListedAdapter(strDescription, nAdapter, std::string(), strError);
}

int CVelmorTPFTDI::OpenAdapterBySerial(const std::string& strDescription, const std::string& strSerialNumber, std::string& strError)
{
    return OpenListedAdapter(strDescription, -1, strSerialNumber, strError);
}

int CVelmorTPFTDI::FindAdapter(const std::string& strDescription, int nAdapter, const std::string& strSerialNumber, int& nDevice,
                               std::string& strError)
{
    nDevice = -1;
    DWORD dwDevices = 0;
    int nResult = m_pPort->CreateDeviceList(dwDevices, strError);
    int nMatch = 0;
    for (DWORD i = 0; nResult == Result::Ok && i < dwDevices; ++i) {
        CAdapterDevice device;
        nResult = m_pPort->GetDeviceDetail(i, device, strError);
        if (nResult != Result::Ok || !EqualsNoCase(device.strDescription, strDescription))
            continue;
        if (strSerialNumber.empty() ? nMatch == nAdapter : device.strSerialNumber == strSerialNumber) {
            nDevice = static_cast<int>(i);
            m_nOpenedAdapter = nMatch;
            m_openedAdapter = device;
            return Result::Ok;
        }
        ++nMatch;
    }
    return nResult;
}

int CVelmorTPFTDI::OpenListedAdapter(const std::string& strDescription, int nAdapter, const std::string& strSerialNumber,
                                     std::string& strError)
{
    CProtocolLock lock(*this);
    if (m_pPort->IsOpen()) {
        m_pPort->Release();
        strError.clear();
    }
    int nDevice = -1;
    int nResult = LoadDriver(strError); // with the port the choice names now
    if (nResult == Result::Ok)
        nResult = FindAdapter(strDescription, nAdapter, strSerialNumber, nDevice, strError);
    if (nResult != Result::Ok || nDevice < 0)
        return nResult;
    const int nFound = m_nOpenedAdapter;
    const CAdapterDevice found = m_openedAdapter;
    nResult = Open(FormatText("PortNumber=%d; Baudrate=2400;", nDevice), strError);
    m_nOpenedAdapter = nFound;
    m_openedAdapter = found;
    return nResult;
}

bool CVelmorTPFTDI::OpenedAdapter(int& nAdapter, CAdapterDevice& device)
{
    CProtocolLock lock(*this);
    if (m_nOpenedAdapter < 0 || !m_pPort->IsOpen())
        return false;
    nAdapter = m_nOpenedAdapter;
    device = m_openedAdapter;
    return true;
}

int CVelmorTPFTDI::CalcChecksum(int nLength, const BYTE* pData, BYTE& byChecksum, std::string& strError)
{
    if (nLength < 1) {
        strError = FormatText("CVelmorTPFTDI::CalcChecksum: The passed length information (%d) is invalid", nLength);
        return Result::InvalidArgument;
    }
    if (pData == nullptr) {
        strError = "CVelmorTPFTDI::CalcChecksum: The passed data pointer is invalid (NULL)";
        return Result::InvalidArgument;
    }
    BYTE bySum = 0;
    for (int i = 0; i < nLength; ++i)
        bySum = static_cast<BYTE>(bySum + pData[i]);
    byChecksum = bySum;
    return Result::Ok;
}

void CVelmorTPFTDI::BuildTxFrame()
{
    m_byTxFrame[0] = m_byFrameHeader[0];
    m_byTxFrame[1] = m_byFrameHeader[1];
    m_byTxFrame[2] = static_cast<BYTE>(m_nRequestLength + 1);
    std::memcpy(m_byTxFrame + kHeaderLength, m_byRequest, static_cast<size_t>(m_nRequestLength));
    const int nSummed = kHeaderLength + m_nRequestLength;
    std::string strUnused; // the request always holds its opcode
    CalcChecksum(nSummed, m_byTxFrame, m_byTxFrame[nSummed], strUnused);
    m_nTxLength = nSummed + 1;
}

int CVelmorTPFTDI::SetLineBaudrate(long nBaudrate, std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = VerifyPortHandle(strError);
    if (nResult == Result::Ok)
        nResult = m_pPort->SetBaudRate(nBaudrate, strError);
    if (nResult == Result::Ok)
        m_nLineBaudrate = static_cast<int>(nBaudrate);
    return nResult;
}

int CVelmorTPFTDI::SendAtOtherSpeeds(int nCommandID, int nAttempts, std::string& strError)
{
    // The whole search under the lock: nobody else may talk at a passing speed.
    CProtocolLock lock(*this);
    const long nTried = m_nLineBaudrate;
    int nResult = Result::NoResponse;
    for (const long nBaudrate : {kNormalBaudrate, kDownloadBaudrates[0], kDownloadBaudrates[1]}) {
        if (nBaudrate == nTried)
            continue;
        nResult = SetLineBaudrate(nBaudrate, strError);
        if (nResult == Result::Ok)
            nResult = SendCommandAttempts(nCommandID, 0, nullptr, nAttempts, strError);
        if (nResult != Result::NoResponse)
            break;
    }
    // Nobody there: a fitting plugged in next starts at the normal speed.
    if (nResult == Result::NoResponse) {
        std::string strIgnored;
        SetLineBaudrate(kNormalBaudrate, strIgnored);
    }
    return nResult;
}

int CVelmorTPFTDI::RestartFromDownloadSpeed(std::string& strError)
{
    // A fitting listening there answers the first attempt; each speed tried
    // in vain costs two line time-outs (the exchange repeats a silent frame).
    const int nResult = SendAtOtherSpeeds(CmdResetModule, 1, strError);
    if (nResult == Result::Ok)
        TimeService().SleepMs(kStartupWaitMs);
    return nResult;
}

int CVelmorTPFTDI::SwitchBaudrate(long nBaudrate, std::string& strError)
{
    const int nResult = SetLineBaudrate(nBaudrate, strError);
    TimeService().SleepMs(kSpeedSwitchWaitMs);
    return nResult;
}

int CVelmorTPFTDI::ReopenAtLineSpeed(std::string& strError)
{
    // Opening sets the configured speed; a download runs faster.
    std::string strParameters = m_strParameters;
    const int nLineBaudrate = m_nLineBaudrate;
    const int nOpenedAdapter = m_nOpenedAdapter;
    const CAdapterDevice openedAdapter = m_openedAdapter;
    const std::string& strAdapterSerial = openedAdapter.strSerialNumber;
    std::string strIgnored;
    Close(strIgnored);
    // Device numbers move when another adapter is pulled: the adapter
    // opened is found again by its serial number, never another one.
    int nDevice = -1;
    if (!strAdapterSerial.empty() && LoadDriver(strIgnored) == Result::Ok
        && FindAdapter(kAdapterDescription, -1, strAdapterSerial, nDevice, strIgnored) == Result::Ok && nDevice < 0)
        return VerifyPortHandle(strError);
    if (nDevice >= 0)
        strParameters = FormatText("PortNumber=%d; Baudrate=%d;", nDevice, m_nBaudrate);
    int nResult = Open(strParameters, strError);
    m_nOpenedAdapter = nOpenedAdapter;
    m_openedAdapter = openedAdapter;
    if (nResult == Result::Ok)
        nResult = VerifyPortHandle(strError);
    if (nResult == Result::Ok && nLineBaudrate != m_nLineBaudrate)
        nResult = SetLineBaudrate(nLineBaudrate, strError);
    return nResult;
}

int CVelmorTPFTDI::TransferCommand(int nCommandID, std::string& strError)
{
    BuildTxFrame();
    int nResult = TransferFrame(strError);
    if (nResult == Result::NoResponse) {
        // The adapter may have lost the line: open it afresh and try once more.
        // Opening clears the frame buffers, so the frame is built again.
        nResult = ReopenAtLineSpeed(strError);
        if (nResult == Result::Ok) {
            BuildTxFrame();
            nResult = TransferFrame(strError);
        }
    }
    // The payload is kept also from a frame that failed its checks.
    if (m_nRxLength > kHeaderLength) {
        m_nResponseLength = m_nRxLength - kHeaderLength - 1;
        std::memcpy(m_byResponse, m_byRxFrame + kHeaderLength, static_cast<size_t>(m_nResponseLength));
    }
    if (nResult != Result::Ok)
        return nResult;
    if (nCommandID == CmdSetBaudrate) {
        const long nNewBaudrate = BaudrateFromCode(m_byRequest[1]);
        return SwitchBaudrate(nNewBaudrate != 0 ? nNewBaudrate : m_nBaudrate, strError);
    }
    // A restarted fitting listens at the configured speed again.
    if (nCommandID == CmdResetModule)
        return SwitchBaudrate(m_nBaudrate, strError);
    return Result::Ok;
}

// Reads nCount bytes; a read that brings nothing ends with a time-out.
int CVelmorTPFTDI::ReadFully(BYTE* pBuffer, int nCount, std::string& strError)
{
    int nReceived = 0;
    while (nReceived < nCount) {
        DWORD dwRead = 0;
        const int nResult = m_pPort->Read(pBuffer + nReceived, static_cast<DWORD>(nCount - nReceived), dwRead, strError);
        if (nResult != Result::Ok)
            return nResult;
        if (dwRead == 0)
            return ReportTimeout(strError);
        nReceived += static_cast<int>(dwRead);
        m_nRxLength += static_cast<int>(dwRead);
    }
    return Result::Ok;
}

int CVelmorTPFTDI::TransferFrame(std::string& strError)
{
    m_nRxLength = 0;
    int nResult = VerifyPortHandle(strError);
    if (nResult == Result::Ok)
        nResult = m_pPort->Purge(strError);
    DWORD dwWritten = 0;
    if (nResult == Result::Ok)
        nResult = m_pPort->Write(m_byTxFrame, static_cast<DWORD>(m_nTxLength), dwWritten, strError);
    if (nResult != Result::Ok)
        return nResult;

    // The one-wire line returns every byte written.
    BYTE byEcho[kBufferSize];
    DWORD dwEcho = 0;
    nResult = m_pPort->Read(byEcho, static_cast<DWORD>(m_nTxLength), dwEcho, strError);
    if (nResult == Result::Ok && dwEcho < dwWritten && dwEcho < static_cast<DWORD>(m_nTxLength)) {
        DWORD dwMore = 0;
        nResult = m_pPort->Read(byEcho + dwEcho, static_cast<DWORD>(m_nTxLength) - dwEcho, dwMore, strError);
        dwEcho += dwMore;
    }
    if (nResult != Result::Ok)
        return nResult;
    if (dwEcho != static_cast<DWORD>(m_nTxLength) || std::memcmp(byEcho, m_byTxFrame, static_cast<size_t>(m_nTxLength)) != 0) {
        strError = kInvalidEchoText;
        return Result::InvalidResponse;
    }

    nResult = ReadFully(m_byRxFrame, kHeaderLength, strError);
    if (nResult != Result::Ok)
        return nResult;
    const int nBodyLength = m_byRxFrame[2];
    if (nBodyLength == 0)
        return ReportTimeout(strError); // nothing can follow
    nResult = ReadFully(m_byRxFrame + kHeaderLength, nBodyLength, strError);
    if (nResult != Result::Ok)
        return nResult;

    BYTE byChecksum = 0;
    CalcChecksum(m_nRxLength - 1, m_byRxFrame, byChecksum, strError);
    if (byChecksum != m_byRxFrame[m_nRxLength - 1]) {
        strError = "Invalid checksum";
        return Result::InvalidResponse;
    }
    return Result::Ok;
}
