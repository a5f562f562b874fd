#pragma once
// The transport of the transfer protocol over the USB bus adapter: finds
// adapters by description, opens one, frames a request (F1 01 L request sum),
// writes it, checks the echo of the one-wire line, reads and checks the
// response frame, and follows the fitting's speed changes. The adapter is
// reached through the port the process's choice names (AdapterPort.h); the
// choice is followed whenever adapters are listed with no port open.

#include "devicelink/AdapterPort.h"
#include "devicelink/VelmorTPBase.h"

#include <memory>
#include <string>
#include <vector>

class CVelmorTPFTDI : public CVelmorTPBase {
public:
    static constexpr const char* kAdapterDescription = "Velmor BUS converter";
    static constexpr unsigned kSpeedSwitchWaitMs = 100;
    // A fitting listens at the normal speed, or at a download speed while
    // its boot loader is being programmed.
    static constexpr long kNormalBaudrate = 2400;
    static constexpr long kDownloadBaudrates[] = {19200, 38400};
    // Silence of a restarted fitting before it answers.
    static constexpr unsigned kStartupWaitMs = 1000;
    // The message when the line did not return the frame as written.
    static constexpr const char* kInvalidEchoText = "Invalid echo response";
    // Where the message of a command without an open port begins: the
    // adapter went and could not be opened again.
    static constexpr const char* kPortNotOpenSource = "CVelmorTPFTDI::VerifyPortHandle:";

    CVelmorTPFTDI();
    ~CVelmorTPFTDI() override;

    // Parameters "PortNumber" (optional), "Baudrate" (required) and "Adapter"
    // (optional: open the first adapter with this description instead).
    int Open(const std::string& strParameters, std::string& strError) override;
    int Close(std::string& strError) override;

    virtual int GetDeviceCount(DWORD& dwCount, std::string& strError);
    // Devices whose description equals strDescription without regard to case.
    virtual int CountAdapters(const std::string& strDescription, int& nCount, std::string& strError);
    // Those devices (serial number, serial device path), in adapter number order.
    virtual int ListAdapters(const std::string& strDescription, std::vector<CAdapterDevice>& adapters, std::string& strError);
    // Opens the nAdapter-th matching device at 2400 bit/s. Without such a
    // device the result is 0 and no port is open.
    virtual int OpenAdapter(const std::string& strDescription, int nAdapter, std::string& strError);
    // Opens the matching device with this USB serial number at 2400 bit/s, so
    // that the adapter listed is the one opened while others come and go.
    // Without such a device the result is 0 and no port is open.
    virtual int OpenAdapterBySerial(const std::string& strDescription, const std::string& strSerialNumber, std::string& strError);
    // The adapter OpenAdapter opened last (its number and device), while its
    // port is open: what the service record names.
    bool OpenedAdapter(int& nAdapter, CAdapterDevice& device);
    virtual int LoadDriver(std::string& strError);
    virtual int UnloadDriver(std::string& strError);
    virtual bool IsPortOpen();
    virtual int OpenPort(int nDevice, long nBaudrate, std::string& strError);
    // Closes the port and releases the library.
    virtual int ClosePort(std::string& strError);
    virtual int VerifyPortHandle(std::string& strError);
    // One write / echo / response cycle of the request frame.
    virtual int TransferFrame(std::string& strError);
    virtual int CalcChecksum(int nLength, const BYTE* pData, BYTE& byChecksum, std::string& strError);

    // The frames of the last exchange.
    const BYTE* GetTxFrame() const { return m_byTxFrame; }
    int GetTxLength() const { return m_nTxLength; }
    const BYTE* GetRxFrame() const { return m_byRxFrame; }
    int GetRxLength() const { return m_nRxLength; }
    int GetBaudrate() const { return m_nBaudrate; }
    // The speed the adapter's line runs at now (the configured one, or the
    // one a speed switch set).
    int GetLineBaudrate() const { return m_nLineBaudrate; }
    // Sets the adapter's line speed without telling the fitting, as when
    // looking for a fitting left at another speed.
    virtual int SetLineBaudrate(long nBaudrate, std::string& strError);
    // Sends a command without parameters, nAttempts times at most, at each
    // speed a fitting may listen at other than the line's, until one answers.
    // The line stays at the speed that answered; when none did, it goes back
    // to the normal speed.
    virtual int SendAtOtherSpeeds(int nCommandID, int nAttempts, std::string& strError);
    // A download cut short can leave the fitting in its boot loader at a
    // download speed, deaf at 2400 bit/s. Looks for it at the download speeds
    // and restarts it where it answers, then waits for its start-up: it
    // listens at 2400 bit/s again, in its boot loader while its application
    // is incomplete or not activated. The line is at 2400 bit/s afterwards
    // whatever was found. 0 when a fitting was restarted, -1008 when none
    // answered. Call it with the line at 2400 bit/s.
    virtual int RestartFromDownloadSpeed(std::string& strError);
    int GetPortNumber() const { return m_byPortNumber; }
    // "d2xx" or "serial": the port the adapters are reached through.
    const char* GetPortName();

protected:
    int TransferCommand(int nCommandID, std::string& strError) override;

    BYTE m_byPortNumber = 0;
    BYTE m_byFrameHeader[2] = {0xF1, 0x01};
    BYTE m_byTxFrame[kBufferSize];
    BYTE m_byRxFrame[kBufferSize];
    int m_nTxLength = 0;
    int m_nRxLength = 0;
    int m_nBaudrate = 0;
    int m_nLineBaudrate = 0;
    std::string m_strParameters;
    std::unique_ptr<IAdapterPort> m_pPort;
    EAdapterPortKind m_ePortKind = EAdapterPortKind::D2xx;
    std::string m_strPortDevice; // the device the serial port was made for
    // The adapter opened as the nAdapter-th matching device, while it is
    // open: a reopen finds it again by its serial number.
    int m_nOpenedAdapter = -1;
    CAdapterDevice m_openedAdapter;

private:
    // The device number of the nAdapter-th matching device, or of the one
    // with this serial number when one is given; -1 when there is none.
    int FindAdapter(const std::string& strDescription, int nAdapter, const std::string& strSerialNumber, int& nDevice,
                    std::string& strError);
    int OpenListedAdapter(const std::string& strDescription, int nAdapter, const std::string& strSerialNumber, std::string& strError);
    void BuildTxFrame();
    // Takes the port the process's choice names now, unless one is open.
    void FollowPortChoice();
    int ReadFully(BYTE* pBuffer, int nCount, std::string& strError);
    int SwitchBaudrate(long nBaudrate, std::string& strError);
    // After a time-out: the port opened afresh at the line speed in force.
    int ReopenAtLineSpeed(std::string& strError);
};
