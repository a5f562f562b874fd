#pragma once
// The tool's one transfer protocol object: fitting identification, EEPROM
// values in 16-byte rows that carry their own sum, and the two background
// monitors that watch the bus.

#include "configdata/StringParameter.h"
#include "devicelink/MainWindowLink.h"
#include "devicelink/VelmorTPFTDI.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

// Auto-reset event that ends a monitor. Waits run on the time service in
// short slices, so that tests pass time without sleeping and a stop is seen
// within one slice.
class CStopEvent {
public:
    static constexpr unsigned kSliceMs = 25;

    void Set() { m_bSignalled.store(true); }
    // True when the event is set, without resetting it.
    bool IsSet() const { return m_bSignalled.load(); }
    // Waits up to nMilliseconds for the event; true (and reset) when it was set.
    bool Wait(unsigned nMilliseconds);

private:
    std::atomic<bool> m_bSignalled{false};
};

// The display form of an article number: "12 345 67 89" from "123456789".
std::string FormatArticleNumber(const std::string& strPlain);

class CVelmorTPExt : public CVelmorTPFTDI {
public:
    static constexpr unsigned kMonitorCycleMs = 750;
    // A silent bus is searched at the download speeds on its first silent
    // cycle after a fitting was seen (or after the start), otherwise only on
    // every so many silent cycles: each search costs four line time-outs.
    static constexpr int kProbeEverySilentCycles = 5;
    static constexpr WORD kArticleNumberAddress = 0x20;
    static constexpr UCHAR kArticleNumberLength = 5;
    static constexpr UCHAR kValveStateIndex = 1;
    // GetActiveApplication
    static constexpr int kRunningBootloader = 1;
    static constexpr int kRunningApplication = 2;

    CVelmorTPExt();
    // Ends both monitors before the port goes.
    ~CVelmorTPExt() override;

    // The main window the monitors report to; nullptr while none exists.
    virtual void SetMainWindow(IMainWindowLink* pMainWindow);

    // Starting a running monitor does nothing. Stopping waits until the
    // thread has ended; call it without holding the extension or protocol
    // lock, which the monitor may be waiting for.
    virtual int StartConnectionMonitor(std::string& strError);
    virtual int StopConnectionMonitor(std::string& strError);
    virtual int StartValveMonitor(std::string& strError);
    virtual int StopValveMonitor(std::string& strError);

    virtual int GetModuleInformation(CStringParameterHandler& moduleInformation, std::string& strError);
    virtual int GetConnectionState();
    // Whether the connection monitor found a bus adapter to open on its last
    // cycle; it posts kWmAdapterState when that changes.
    bool IsAdapterPresent() const { return m_bAdapterPresent; }
    // The next connection cycle identifies what answers as a newly connected
    // fitting and posts its state, as after another adapter was opened.
    void IdentifyAnew() { m_bIdentifyAnew = true; }
    // Plain: 9 hexadecimal digits; formatted: digit groups 2, 3, 2, 2.
    virtual int ReadArticleNumber(std::string& strArticleNumber, std::string& strArticleNumberFormatted,
                                  std::string& strError);
    // ReadArticleNumber; with bLookAtDownloadSpeeds a fitting silent at
    // 2400 bit/s is looked for at the download speeds, restarted there
    // (RestartFromDownloadSpeed) and read again at 2400 bit/s. The line is at
    // the speed it was afterwards (2400 bit/s after a search).
    virtual int ReadArticleNumberAtAnySpeed(bool bLookAtDownloadSpeeds, std::string& strArticleNumber,
                                            std::string& strArticleNumberFormatted, std::string& strError);
    virtual int ReadEEValueAsString(int nAddress, int nSize, std::string& strValue, std::string& strError);
    // Little-endian value of 1 to 3 bytes; any other size reads nothing and
    // gives 0.
    virtual int ReadEEValue(int nAddress, int nSize, int& nValue, std::string& strError);
    virtual int GetSWVersion(UCHAR& byMajor, UCHAR& byMinor, std::string& strError);
    // Patches the value into its row and writes the whole row. A value that
    // would leave bytes 0..14 of its row is refused and nothing is written.
    virtual int WriteEEValue(int nAddress, int nSize, int nValue, std::string& strError);
    // Writes one 16-byte row at a row address with its sum renewed.
    virtual int WriteEEBlock(int nRowAddress, std::span<const BYTE> row, std::string& strError);
    // The unit's own serial number at the address: 6 bytes as 12 hexadecimal
    // digits, the byte at the highest address first.
    virtual int ReadSerialNumber(int nAddress, std::string& strSerialNumber, std::string& strError);
    // "20yy.mm.dd" of the three BCD bytes at the address.
    virtual int ReadProductionDate(int nAddress, std::string& strDate, std::string& strError);
    virtual std::string GetArticleNumber();
    virtual std::string GetArticleNumberFormatted();
    // 1 boot loader, 2 application.
    virtual int GetActiveApplication(int& nApplication, std::string& strError);
    // The same from a module information read before.
    static int ActiveApplicationOf(CStringParameterHandler& moduleInformation, int& nApplication,
                                   std::string& strError);
    virtual void LockExt();
    virtual void UnlockExt();

protected:
    // One cycle of each monitor; the threads run them between their waits.
    virtual void RunConnectionCycle(const CStopEvent& stopEvent);
    virtual void RunValveCycle(const CStopEvent& stopEvent);

private:
    using MonitorCycle = void (CVelmorTPExt::*)(const CStopEvent&);
    int StartMonitor(std::unique_ptr<CStopEvent>& pEvent, std::thread& thread, MonitorCycle pCycle,
                     const char* pszFailure, std::string& strError);
    void StopMonitor(std::unique_ptr<CStopEvent>& pEvent, std::thread& thread);
    void MonitorLoop(CStopEvent* pStopEvent, MonitorCycle pCycle);
    // Opens the first adapter when no port is open.
    int EnsurePortOpen(std::string& strError);
    bool IsProbeDue() const;
    void CountSilentCycle(int nResult);
    // The state of a fitting that newly answers, or that waited in its boot
    // loader; fails when the fitting fell silent meanwhile.
    int ClassifyFitting(const CStopEvent& stopEvent, int& nState);
    int IsInBootloader(bool& bInBootloader);
    int IdentifyFitting(const CStopEvent& stopEvent, int& nState);
    void CloseAfterDriverFailure(int nResult);
    void NoteAdapterPresence();

    std::recursive_mutex m_csExt;
    std::unique_ptr<CStopEvent> m_hConnectionEvent;
    std::thread m_hConnectionThread;
    std::unique_ptr<CStopEvent> m_hValveEvent;
    std::thread m_hValveThread;
    std::mutex m_csMonitors; // serialises starting and stopping
    CStringParameterHandler m_ModuleInformation;
    int m_nPostedState = kConnectionNoFitting;
    std::atomic<int> m_nConnectionState{kConnectionNoFitting};
    std::atomic<bool> m_bAdapterPresent{false};
    std::atomic<bool> m_bIdentifyAnew{false};
    bool m_bProbeArmed = true; // no search since a fitting was seen
    int m_nSilentCycles = 0;   // in a row
    std::string m_strPreviousArticleNumber;
    std::string m_strArticleNumber;
    std::string m_strPreviousArticleNumberFormatted;
    std::string m_strArticleNumberFormatted;
    std::string m_strSerialNumber;
    std::string m_strPreviousSerialNumber;
    IMainWindowLink* m_pMainWindow = nullptr; // guarded by m_csExt
};

// Holds the extension lock of the protocol object for a scope.
class CExtLock {
public:
    explicit CExtLock(CVelmorTPExt& protocol) : m_Protocol(protocol) { m_Protocol.LockExt(); }
    ~CExtLock() { m_Protocol.UnlockExt(); }
    CExtLock(const CExtLock&) = delete;
    CExtLock& operator=(const CExtLock&) = delete;

private:
    CVelmorTPExt& m_Protocol;
};
