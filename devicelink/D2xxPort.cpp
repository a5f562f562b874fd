#include "devicelink/D2xxPort.h"

#include "common/ResultCodes.h"


namespace {
constexpr ULONG kLineTimeoutMs = 100;
}

CD2xxPort::~CD2xxPort()
{
    if (m_hPort != nullptr)
        Release();
}

int CD2xxPort::Load(std::string& strError)
{
    return m_Driver.LoadDriver(CFTDID2Driver::DefaultLibraryPath(), strError);
}

int CD2xxPort::Unload(std::string& strError)
{
    return m_Driver.UnloadDriver(strError);
}

int CD2xxPort::CreateDeviceList(DWORD& dwCount, std::string& strError)
{
    return m_Driver.FT_CreateDeviceInfoList(&dwCount, strError);
}

int CD2xxPort::GetDeviceDetail(DWORD dwDevice, CAdapterDevice& device, std::string& strError)
{
    // The texts are at most 16 and 64 bytes and need not end in a zero byte.
    DWORD dwFlags = 0, dwType = 0, dwID = 0, dwLocation = 0;
    char szSerial[FT_SERIAL_NUMBER_SIZE + 1] = {};
    char szDescription[FT_DESCRIPTION_SIZE + 1] = {};
    FT_HANDLE hDevice = nullptr;
    const int nResult = m_Driver.FT_GetDeviceInfoDetail(dwDevice, &dwFlags, &dwType, &dwID, &dwLocation, szSerial,
                                                        szDescription, &hDevice, strError);
    device = CAdapterDevice();
    if (nResult == Result::Ok) {
        device.strDescription = szDescription;
        device.strSerialNumber = szSerial;
    }
    return nResult;
}

int CD2xxPort::Open(int nDevice, long nBaudrate, std::string& strError)
{
    // A port still open would stay claimed with its handle lost.
    if (m_hPort != nullptr)
        Release();
    FT_HANDLE hPort = nullptr;
    int nResult = m_Driver.FT_Open(nDevice, &hPort, strError);
    if (nResult != Result::Ok)
        return nResult;
    nResult = m_Driver.FT_SetTimeouts(hPort, kLineTimeoutMs, kLineTimeoutMs, strError);
    if (nResult == Result::Ok)
        nResult = m_Driver.FT_SetFlowControl(hPort, FT_FLOW_NONE, 0, 0, strError);
    if (nResult == Result::Ok)
        nResult = m_Driver.FT_SetBaudRate(hPort, static_cast<ULONG>(nBaudrate), strError);
    if (nResult == Result::Ok)
        nResult = m_Driver.FT_SetDataCharacteristics(hPort, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, strError);
    if (nResult == Result::Ok)
        nResult = m_Driver.FT_Purge(hPort, FT_PURGE_RX | FT_PURGE_TX, strError);
    if (nResult != Result::Ok) {
        // A port half set up (a read without time-out waits for ever) is no port.
        std::string strIgnored;
        m_Driver.FT_Close(hPort, strIgnored);
        return nResult;
    }
    m_hPort = hPort;
    return Result::Ok;
}

int CD2xxPort::Close(std::string& strError)
{
    const int nResult = m_Driver.FT_Close(m_hPort, strError);
    if (nResult == Result::Ok)
        m_hPort = nullptr;
    return nResult;
}

void CD2xxPort::Release()
{
    std::string strIgnored;
    m_Driver.FT_Close(m_hPort, strIgnored);
    m_hPort = nullptr;
}

int CD2xxPort::SetBaudRate(long nBaudrate, std::string& strError)
{
    return m_Driver.FT_SetBaudRate(m_hPort, static_cast<ULONG>(nBaudrate), strError);
}

int CD2xxPort::Purge(std::string& strError)
{
    return m_Driver.FT_Purge(m_hPort, FT_PURGE_RX | FT_PURGE_TX, strError);
}

int CD2xxPort::Write(const BYTE* pData, DWORD dwCount, DWORD& dwWritten, std::string& strError)
{
    // D2XX takes a non-const buffer that it does not change.
    return m_Driver.FT_Write(m_hPort, const_cast<BYTE*>(pData), dwCount, &dwWritten, strError);
}

int CD2xxPort::Read(BYTE* pData, DWORD dwCount, DWORD& dwRead, std::string& strError)
{
    return m_Driver.FT_Read(m_hPort, pData, dwCount, &dwRead, strError);
}
