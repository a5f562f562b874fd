#pragma once
// The bus adapter port over the vendor's D2XX library, loaded at run time.

#include "devicelink/AdapterPort.h"
#include "devicelink/FTDID2Driver.h"

class CD2xxPort final : public IAdapterPort {
public:
    ~CD2xxPort() override;

    const char* GetName() const override { return "d2xx"; }
    int Load(std::string& strError) override;
    int Unload(std::string& strError) override;
    int CreateDeviceList(DWORD& dwCount, std::string& strError) override;
    int GetDeviceDetail(DWORD dwDevice, CAdapterDevice& device, std::string& strError) override;
    int Open(int nDevice, long nBaudrate, std::string& strError) override;
    bool IsOpen() const override { return m_hPort != nullptr; }
    int Close(std::string& strError) override;
    void Release() override;
    int SetBaudRate(long nBaudrate, std::string& strError) override;
    int Purge(std::string& strError) override;
    int Write(const BYTE* pData, DWORD dwCount, DWORD& dwWritten, std::string& strError) override;
    int Read(BYTE* pData, DWORD dwCount, DWORD& dwRead, std::string& strError) override;

private:
    CFTDID2Driver m_Driver;
    FT_HANDLE m_hPort = nullptr;
};
