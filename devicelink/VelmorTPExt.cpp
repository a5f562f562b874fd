#include "devicelink/VelmorTPExt.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "fitting/EEAddressMap.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <system_error>
#include <vector>

namespace {

constexpr int kSerialNumberLength = 6;
constexpr int kProductionDateLength = 3;
constexpr int kMaxEEAddress = 0xFFFF;

bool IsValidEEAddress(int nAddress)
{
    return nAddress >= 0 && nAddress <= kMaxEEAddress;
}

int ReportInvalidAddress(const char* pszPrefix, int nAddress, std::string& strError)
{
    strError = FormatText(PickText("%s The EEPROM address (%d) is invalid", "%s Die EEPROM-Adresse (%d) ist ungültig"),
                          pszPrefix, nAddress);
    return Result::InvalidArgument;
}

} // namespace

std::string FormatArticleNumber(const std::string& strPlain)
{
    std::string strFormatted = strPlain;
    for (std::size_t nPosition : {2, 6, 9})
        if (nPosition <= strFormatted.size())
            strFormatted.insert(nPosition, 1, ' ');
    return strFormatted;
}

bool CStopEvent::Wait(unsigned nMilliseconds)
{
    const std::uint64_t nDeadline = TimeService().NowMs() + nMilliseconds;
    for (;;) {
        if (m_bSignalled.exchange(false))
            return true;
        const std::uint64_t nNow = TimeService().NowMs();
        if (nNow >= nDeadline)
            return false;
        TimeService().SleepMs(static_cast<unsigned>(std::min<std::uint64_t>(nDeadline - nNow, kSliceMs)));
    }
}

CVelmorTPExt::CVelmorTPExt() = default;

CVelmorTPExt::~CVelmorTPExt()
{
    std::string strError;
    StopValveMonitor(strError);
    StopConnectionMonitor(strError);
}

void CVelmorTPExt::SetMainWindow(IMainWindowLink* pMainWindow)
{
    // Under the extension lock: once this returns, no monitor still uses the
    // previous main window.
    CExtLock lock(*this);
    m_pMainWindow = pMainWindow;
}

// ---- Monitors --------------------------------------------------------------

int CVelmorTPExt::StartConnectionMonitor(std::string& strError)
{
    return StartMonitor(m_hConnectionEvent, m_hConnectionThread, &CVelmorTPExt::RunConnectionCycle,
                        PickText("Can't create the connection state thread",
                                 "Der Verbindungstest Thread konnte nicht erstellt werden"),
                        strError);
}

int CVelmorTPExt::StopConnectionMonitor(std::string& strError)
{
    strError.clear();
    StopMonitor(m_hConnectionEvent, m_hConnectionThread);
    return Result::Ok;
}

int CVelmorTPExt::StartValveMonitor(std::string& strError)
{
    return StartMonitor(m_hValveEvent, m_hValveThread, &CVelmorTPExt::RunValveCycle,
                        PickText("Can't create the valve state thread",
                                 "Der Ventil-Info Thread konnte nicht erstellt werden"),
                        strError);
}

int CVelmorTPExt::StopValveMonitor(std::string& strError)
{
    strError.clear();
    StopMonitor(m_hValveEvent, m_hValveThread);
    return Result::Ok;
}

int CVelmorTPExt::StartMonitor(std::unique_ptr<CStopEvent>& pEvent, std::thread& thread, MonitorCycle pCycle,
                               const char* pszFailure, std::string& strError)
{
    strError.clear();
    std::lock_guard<std::mutex> lock(m_csMonitors);
    try {
        if (!pEvent)
            pEvent = std::make_unique<CStopEvent>();
        if (!thread.joinable())
            thread = std::thread(&CVelmorTPExt::MonitorLoop, this, pEvent.get(), pCycle);
    } catch (const std::exception&) { // std::system_error or std::bad_alloc
        strError = pszFailure;
        return Result::MissingPrecondition;
    }
    return Result::Ok;
}

void CVelmorTPExt::StopMonitor(std::unique_ptr<CStopEvent>& pEvent, std::thread& thread)
{
    std::lock_guard<std::mutex> lock(m_csMonitors);
    if (!pEvent || !thread.joinable())
        return;
    pEvent->Set();
    // Wait for the end however long it takes: a cycle inside a read can last
    // beyond 1000 ms (two attempts, each with 100 ms time-outs, a port reopen
    // and a 500 ms pause), and a thread left running could die holding the
    // extension, protocol or driver lock. The cycle checks the event between
    // its commands, so the wait stays close to one exchange.
    thread.join();
    thread = std::thread();
    pEvent.reset();
}

void CVelmorTPExt::MonitorLoop(CStopEvent* pStopEvent, MonitorCycle pCycle)
{
    // The wait stands before every cycle: the first one runs a cycle after
    // the start.
    while (!pStopEvent->Wait(kMonitorCycleMs))
        (this->*pCycle)(*pStopEvent);
}

int CVelmorTPExt::EnsurePortOpen(std::string& strError)
{
    // Under the protocol lock, so that the port never changes under another
    // thread's exchange.
    CProtocolLock protocolLock(*this);
    if (IsPortOpen())
        return Result::Ok;
    return OpenAdapter(kAdapterDescription, 0, strError);
}

void CVelmorTPExt::CloseAfterDriverFailure(int nResult)
{
    // A failing driver call usually means the adapter was pulled: close, so
    // that the next cycle opens the first adapter afresh.
    if (nResult != Result::DriverStatus)
        return;
    CProtocolLock protocolLock(*this);
    std::string strError;
    ClosePort(strError);
}

void CVelmorTPExt::NoteAdapterPresence()
{
    const bool bPresent = IsPortOpen();
    if (m_bAdapterPresent.exchange(bPresent) != bPresent && m_pMainWindow != nullptr)
        m_pMainWindow->PostToMainWindow(kWmAdapterState, 0, bPresent ? 1 : 0);
}

void CVelmorTPExt::RunConnectionCycle(const CStopEvent& stopEvent)
{
    CExtLock lock(*this);
    if (m_bIdentifyAnew.exchange(false))
        m_nPostedState = kConnectionNoFitting; // whatever answers now is classified afresh
    std::string strError;
    int nResult = EnsurePortOpen(strError);
    NoteAdapterPresence();
    if (nResult == Result::Ok)
        nResult = ReadArticleNumberAtAnySpeed(IsProbeDue(), m_strArticleNumber, m_strArticleNumberFormatted, strError);
    CountSilentCycle(nResult);
    CloseAfterDriverFailure(nResult);
    m_ModuleInformation = CStringParameterHandler();

    if (m_pMainWindow == nullptr)
        return;
    if (nResult != Result::Ok) {
        if (m_nConnectionState != kConnectionNoFitting) {
            m_nConnectionState = m_nPostedState = kConnectionNoFitting;
            m_pMainWindow->PostToMainWindow(kWmConnectionState, 0, kConnectionNoFitting);
        }
        return;
    }
    // The same fitting still answers; one in its boot loader is watched for
    // its application to start.
    if (m_nPostedState != kConnectionNoFitting && m_nPostedState != kConnectionInBootloader)
        return;
    int nState = kConnectionNoFitting;
    if (ClassifyFitting(stopEvent, nState) != Result::Ok || nState == m_nPostedState)
        return; // not identified completely: the next cycle tries again
    m_nConnectionState = m_nPostedState = nState;
    m_bProbeArmed = true;
    m_pMainWindow->PostToMainWindow(kWmConnectionState, 0, nState);
}

bool CVelmorTPExt::IsProbeDue() const
{
    // Only at the normal speed: at a download speed a download is running.
    return GetLineBaudrate() == kNormalBaudrate &&
           (m_bProbeArmed || (m_nSilentCycles + 1) % kProbeEverySilentCycles == 0);
}

void CVelmorTPExt::CountSilentCycle(int nResult)
{
    if (nResult == Result::NoResponse) {
        ++m_nSilentCycles;
        m_bProbeArmed = false; // searched now, if it was due
    } else if (nResult == Result::Ok) {
        m_nSilentCycles = 0;
    }
}

int CVelmorTPExt::ClassifyFitting(const CStopEvent& stopEvent, int& nState)
{
    bool bInBootloader = false;
    const int nResult = IsInBootloader(bInBootloader);
    CloseAfterDriverFailure(nResult);
    if (nResult != Result::Ok)
        return nResult;
    if (!bInBootloader)
        return IdentifyFitting(stopEvent, nState);
    nState = kConnectionInBootloader;
    return Result::Ok;
}

int CVelmorTPExt::IsInBootloader(bool& bInBootloader)
{
    std::string strError;
    int nApplication = 0;
    const int nResult = GetActiveApplication(nApplication, strError);
    bInBootloader = nResult == Result::Ok && nApplication == kRunningBootloader;
    // A fitting that answers without telling its software (an unknown
    // layout, say) runs its application as far as the monitor can tell.
    return nResult == Result::NoResponse || nResult == Result::DriverStatus ? nResult : Result::Ok;
}

int CVelmorTPExt::IdentifyFitting(const CStopEvent& stopEvent, int& nState)
{
    int nProductType = 0;
    // A definition whose type name maps to no product type (0) is no known
    // product either.
    const bool bKnown = m_pMainWindow->FindProductTypeForArticle(m_strArticleNumber, nProductType) &&
                        nProductType != 0;
    if (!bKnown) {
        nState = kConnectionUnknownFitting;
    } else {
        const std::string strInForce = m_pMainWindow->GetArticleNumberInForce();
        const bool bOtherProduct = !EqualsNoCase(m_strArticleNumber, strInForce) &&
                                   !m_strPreviousArticleNumber.empty() && !strInForce.empty();
        nState = bOtherProduct ? kConnectionOtherProduct : kConnectionKnownFitting;
    }

    std::string strSerialNumber = m_strSerialNumber;
    int nSerialAddress = 0;
    std::string strError;
    if (bKnown && nState != kConnectionOtherProduct &&
        GetEEAddr(EE_SERIAL_NUMBER, nProductType, nSerialAddress, strError) == Result::Ok) {
        if (stopEvent.IsSet())
            return Result::MissingPrecondition;
        // A serial number that could not be read is no identification: taking
        // it as empty would report another unit and forget the last one.
        const int nResult = ReadSerialNumber(nSerialAddress, strSerialNumber, strError);
        CloseAfterDriverFailure(nResult);
        if (nResult != Result::Ok)
            return nResult;
        if (!EqualsNoCase(strSerialNumber, m_strPreviousSerialNumber) && !m_strPreviousSerialNumber.empty())
            nState = kConnectionOtherUnit;
    }
    m_strPreviousArticleNumber = m_strArticleNumber;
    m_strPreviousArticleNumberFormatted = m_strArticleNumberFormatted;
    m_strSerialNumber = strSerialNumber;
    m_strPreviousSerialNumber = m_strSerialNumber;
    return Result::Ok;
}

int CVelmorTPExt::ReadSerialNumber(int nAddress, std::string& strSerialNumber, std::string& strError)
{
    std::vector<BYTE> data;
    const int nResult = ReadEEByAddr(static_cast<WORD>(nAddress), kSerialNumberLength, data, strError);
    if (nResult != Result::Ok)
        return nResult;
    // The byte at the highest address comes first.
    strSerialNumber.clear();
    for (auto it = data.rbegin(); it != data.rend(); ++it)
        strSerialNumber += FormatText("%02X", *it);
    return Result::Ok;
}

void CVelmorTPExt::RunValveCycle(const CStopEvent&)
{
    CExtLock lock(*this);
    std::string strError;
    UCHAR byValveState = 0;
    int nResult = EnsurePortOpen(strError);
    if (nResult == Result::Ok)
        nResult = ReadByteByIndex(kValveStateIndex, byValveState, strError);
    // Posted before the lock is released, so that the main window cannot go
    // in between.
    if (m_pMainWindow != nullptr && nResult == Result::Ok)
        m_pMainWindow->PostToMainWindow(kWmValveState, 0, byValveState);
}

// ---- Identification and EEPROM values ---------------------------------------

int CVelmorTPExt::GetModuleInformation(CStringParameterHandler& moduleInformation, std::string& strError)
{
    strError.clear();
    CExtLock lock(*this);
    moduleInformation = m_ModuleInformation;
    return Result::Ok;
}

int CVelmorTPExt::GetConnectionState()
{
    return m_nConnectionState;
}

int CVelmorTPExt::ReadArticleNumber(std::string& strArticleNumber, std::string& strArticleNumberFormatted,
                                    std::string& strError)
{
    strArticleNumber.clear();
    CExtLock lock(*this);
    std::vector<BYTE> data;
    const int nResult = ReadEEByAddr(kArticleNumberAddress, kArticleNumberLength, data, strError);
    if (nResult != Result::Ok)
        return nResult;
    // Ten digits from the highest byte down; the article number is the last
    // nine of them.
    std::string strDigits;
    for (auto it = data.rbegin(); it != data.rend(); ++it)
        strDigits += FormatText("%02X", *it);
    strArticleNumber = strDigits.substr(1);
    strArticleNumberFormatted = FormatArticleNumber(strArticleNumber);
    return Result::Ok;
}

int CVelmorTPExt::ReadArticleNumberAtAnySpeed(bool bLookAtDownloadSpeeds, std::string& strArticleNumber,
                                              std::string& strArticleNumberFormatted, std::string& strError)
{
    CExtLock lock(*this);
    // The line speed may not change between the silent read and the search.
    CProtocolLock protocolLock(*this);
    int nResult = ReadArticleNumber(strArticleNumber, strArticleNumberFormatted, strError);
    if (nResult != Result::NoResponse || !bLookAtDownloadSpeeds || GetLineBaudrate() != kNormalBaudrate)
        return nResult;
    std::string strSearchError;
    if (RestartFromDownloadSpeed(strSearchError) != Result::Ok)
        return nResult; // the silence at 2400 bit/s is what the caller reports
    return ReadArticleNumber(strArticleNumber, strArticleNumberFormatted, strError);
}

int CVelmorTPExt::ReadEEValueAsString(int nAddress, int nSize, std::string& strValue, std::string& strError)
{
    int nValue = 0;
    const int nResult = ReadEEValue(nAddress, nSize, nValue, strError);
    strValue = nResult == Result::Ok ? FormatText("%d", nValue) : std::string();
    return nResult;
}

int CVelmorTPExt::ReadEEValue(int nAddress, int nSize, int& nValue, std::string& strError)
{
    nValue = 0;
    if (nSize < 1 || nSize > 3)
        return Result::Ok;
    if (!IsValidEEAddress(nAddress))
        return ReportInvalidAddress("CVelmorTPExt::ReadEEValue", nAddress, strError);
    CExtLock lock(*this);
    std::vector<BYTE> data;
    const int nResult = ReadEEByAddr(static_cast<WORD>(nAddress), static_cast<UCHAR>(nSize), data, strError);
    if (nResult != Result::Ok)
        return nResult;
    for (int i = nSize - 1; i >= 0; --i)
        nValue = nValue * 256 + data[static_cast<std::size_t>(i)];
    return Result::Ok;
}

int CVelmorTPExt::GetSWVersion(UCHAR& byMajor, UCHAR& byMinor, std::string& strError)
{
    byMajor = byMinor = 0;
    CStringParameterHandler information;
    int nResult = ReadModuleInformation(information, strError);
    if (nResult != Result::Ok)
        return nResult;
    CStringParameter version;
    if (information.GetParameterByName("SW version", version, strError) != Result::Ok) {
        strError.clear(); // older fittings do not report it
        return Result::Ok;
    }
    // "V2.07" is a release, "T05.03" a test version: the letter goes.
    std::string strVersion = ToLowerAscii(version.GetValue());
    const char chPrefix = strVersion.find('v') != std::string::npos ? 'v' : 't';
    std::replace(strVersion.begin(), strVersion.end(), chPrefix, ' ');
    strVersion = TrimWhiteSpace(strVersion);
    const std::size_t nDot = strVersion.find('.');
    if (nDot != std::string::npos && nDot > 0) {
        byMajor = static_cast<UCHAR>(std::strtol(strVersion.substr(0, nDot).c_str(), nullptr, 10));
        byMinor = static_cast<UCHAR>(std::strtol(strVersion.substr(nDot + 1).c_str(), nullptr, 10));
    }
    return Result::Ok;
}

int CVelmorTPExt::WriteEEValue(int nAddress, int nSize, int nValue, std::string& strError)
{
    static constexpr const char* kPrefix = "CVelmorTPExt::WriteEEValue";
    // Another size would patch nothing and still report the value written.
    if (nSize < 1 || nSize > 3) {
        strError = FormatText(
            PickText("%s The value size (%d) is not supported", "%s Die Wertgröße (%d) wird nicht unterstützt"),
            kPrefix, nSize);
        return Result::InvalidArgument;
    }
    if (!IsValidEEAddress(nAddress))
        return ReportInvalidAddress(kPrefix, nAddress, strError);
    const int nOffset = nAddress % kEERowSize;
    // Wrapping inside the row or writing over the sum would corrupt the row.
    if (nOffset + nSize > kEERowChecksumOffset) {
        strError = FormatText(PickText("%s The value of %d bytes at the address 0x%04X does not fit into bytes 0 "
                                       "to 14 of its EEPROM row",
                                       "%s Der Wert mit %d Bytes an der Adresse 0x%04X passt nicht in die Bytes 0 "
                                       "bis 14 seiner EEPROM-Zeile"),
                              kPrefix, nSize, nAddress);
        return Result::InvalidArgument;
    }
    const int nRowAddress = nAddress - nOffset;
    // The lock spans reading, patching and writing the row, so that a write
    // of another thread into the same row cannot be lost in between.
    CExtLock lock(*this);
    std::vector<BYTE> row;
    const int nResult = ReadEEByAddr(static_cast<WORD>(nRowAddress), kEERowSize, row, strError);
    if (nResult != Result::Ok)
        return nResult;
    for (int i = 0; i < nSize; ++i)
        row[static_cast<std::size_t>(nOffset + i)] = static_cast<BYTE>(static_cast<unsigned>(nValue) >> (8 * i));
    return WriteEEBlock(nRowAddress, row, strError);
}

int CVelmorTPExt::WriteEEBlock(int nRowAddress, std::span<const BYTE> row, std::string& strError)
{
    static constexpr const char* kPrefix = "CVelmorTPExt::WriteEEBlock";
    if (row.size() != kEERowSize) {
        strError = FormatText(PickText("%s The row length (%d) is invalid, 16 bytes are expected",
                                       "%s Die Zeilenlänge (%d) ist ungültig, erwartet werden 16 Bytes"),
                              kPrefix, static_cast<int>(row.size()));
        return Result::InvalidArgument;
    }
    // A row written elsewhere than at a row start would put its sum into the
    // middle of two rows.
    if (!IsValidEEAddress(nRowAddress) || nRowAddress % kEERowSize != 0)
        return ReportInvalidAddress(kPrefix, nRowAddress, strError);
    BYTE byParameters[3 + kEERowSize];
    byParameters[0] = static_cast<BYTE>(nRowAddress >> 8);
    byParameters[1] = static_cast<BYTE>(nRowAddress & 0xFF);
    byParameters[2] = kEERowSize;
    std::copy(row.begin(), row.end(), byParameters + 3);
    byParameters[3 + kEERowChecksumOffset] =
        static_cast<BYTE>(std::accumulate(row.begin(), row.begin() + kEERowChecksumOffset, 0u) & 0xFF);
    CExtLock lock(*this);
    CProtocolLock protocolLock(*this);
    return SendCommand(CmdWriteEEByAddr, static_cast<int>(sizeof byParameters), byParameters, strError);
}

int CVelmorTPExt::ReadProductionDate(int nAddress, std::string& strDate, std::string& strError)
{
    strDate.clear();
    if (!IsValidEEAddress(nAddress))
        return ReportInvalidAddress("CVelmorTPExt::ReadProductionDate", nAddress, strError);
    CExtLock lock(*this);
    std::vector<BYTE> data;
    const int nResult = ReadEEByAddr(static_cast<WORD>(nAddress), kProductionDateLength, data, strError);
    if (nResult == Result::Ok)
        strDate = FormatText("20%02X.%02X.%02X", data[0], data[1], data[2]);
    return nResult;
}

std::string CVelmorTPExt::GetArticleNumber()
{
    CExtLock lock(*this);
    return m_strArticleNumber;
}

std::string CVelmorTPExt::GetArticleNumberFormatted()
{
    CExtLock lock(*this);
    return m_strArticleNumberFormatted;
}

int CVelmorTPExt::GetActiveApplication(int& nApplication, std::string& strError)
{
    CStringParameterHandler information;
    const int nResult = ReadModuleInformation(information, strError);
    return nResult != Result::Ok ? nResult : ActiveApplicationOf(information, nApplication, strError);
}

int CVelmorTPExt::ActiveApplicationOf(CStringParameterHandler& moduleInformation, int& nApplication,
                                      std::string& strError)
{
    CStringParameter active;
    const int nResult = moduleInformation.GetParameterByName("Active application", active, strError);
    if (nResult != Result::Ok)
        return nResult;
    const std::string strActive = active.GetValue();
    if (EqualsNoCase(strActive, "0 = Bootloader")) {
        nApplication = kRunningBootloader;
    } else if (EqualsNoCase(strActive, "1 = Application")) {
        nApplication = kRunningApplication;
    } else {
        strError = FormatText(PickText("The received active running SW (%s) is not known",
                                       "Die aktuell ausgeführte SW (%s) ist nicht bekannt"),
                              strActive.c_str());
        return Result::InvalidResponse;
    }
    return Result::Ok;
}

void CVelmorTPExt::LockExt()
{
    m_csExt.lock();
}

void CVelmorTPExt::UnlockExt()
{
    m_csExt.unlock();
}
