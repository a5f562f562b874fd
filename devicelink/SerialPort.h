#pragma once
// The bus adapter port over the kernel's serial driver (termios): the
// adapters found through sysfs, or the one device named on the command line
// (a pseudo-terminal, for example). Failures are told as the D2XX binding
// tells them, with the status the vendor's library gives in that situation.

#include "devicelink/AdapterPort.h"

#include <string>
#include <vector>

class CSerialPort final : public IAdapterPort {
public:
    // With a device path the list is that one device, a bus adapter.
    explicit CSerialPort(std::string strDevicePath = std::string());
    ~CSerialPort() override;

    const char* GetName() const override { return "serial"; }
    int Load(std::string& strError) override;
    int Unload(std::string& strError) override;
    int CreateDeviceList(DWORD& dwCount, std::string& strError) override;
    int GetDeviceDetail(DWORD dwDevice, CAdapterDevice& device, std::string& strError) override;
    int Open(int nDevice, long nBaudrate, std::string& strError) override;
    bool IsOpen() const override { return m_nFd >= 0; }
    int Close(std::string& strError) override;
    void Release() override;
    int SetBaudRate(long nBaudrate, std::string& strError) override;
    int Purge(std::string& strError) override;
    int Write(const BYTE* pData, DWORD dwCount, DWORD& dwWritten, std::string& strError) override;
    int Read(BYTE* pData, DWORD dwCount, DWORD& dwRead, std::string& strError) override;

private:
    int OpenDevice(const CAdapterDevice& device, std::string& strError);
    int Configure(long nBaudrate, std::string& strError);
    int PurgeWhenQuiet(std::string& strError);
    // Waits up to the line time-out for the events; a hang-up is a pulled adapter.
    int WaitFor(short nEvents, int nTimeoutMs, bool& bReady, const char* szFunction, std::string& strError);

    std::string m_strDevicePath;
    std::vector<CAdapterDevice> m_devices;
    int m_nFd = -1;
};
