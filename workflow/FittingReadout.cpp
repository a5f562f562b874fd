#include "workflow/FittingReadout.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "configdata/XMLLib.h"
#include "devicelink/AdapterPort.h"
#include "devicelink/VelmorTPExt.h"
#include "fitting/Bcd.h"
#include "fitting/EEAddressMap.h"
#include "fitting/ErrorHistory.h"
#include "workflow/ProductCatalog.h"

#include <algorithm>

namespace {

constexpr UCHAR kValveIndex = 1;
constexpr unsigned kReidentifyPauseMs = 1000;
constexpr int kErrorEntries = 5;
constexpr EEAddrType kErrorEntryTypes[kErrorEntries] = {EE_ERROR_1, EE_ERROR_2, EE_ERROR_3, EE_ERROR_4, EE_ERROR_5};

void Report(const ProgressCallback& progress, int nPercent)
{
    if (progress)
        progress(nPercent);
}

// A little-endian value of an address type's field, as wide as nSize.
int ReadItemValue(CVelmorTPExt& link, int nProductType, EEAddrType type, int nSize, int& nValue, std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(type, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult : link.ReadEEValue(nAddress, nSize, nValue, strError);
}

int ReadItemBytes(CVelmorTPExt& link, int nProductType, EEAddrType type, UCHAR byLength, std::vector<BYTE>& bytes,
                  std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(type, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult
                                 : link.ReadEEByAddr(static_cast<WORD>(nAddress), byLength, bytes, strError);
}

int WriteItemValue(CVelmorTPExt& link, int nProductType, EEAddrType type, int nValue, std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(type, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult : link.WriteEEValue(nAddress, 1, nValue, strError);
}

// Characters from the start up to the first byte the field does not accept.
template <class Accept>
std::string TextUntil(const std::vector<BYTE>& bytes, Accept accept)
{
    std::string strRaw;
    for (BYTE byChar : bytes) {
        if (!accept(byChar))
            break;
        strRaw += static_cast<char>(byChar);
    }
    return XmlText::Windows1252ToUtf8(strRaw.data(), strRaw.size());
}

} // namespace

int ListUsbDevices(std::vector<CUsbDevice>& devices, std::string& strError)
{
    devices.clear();
    const CAdapterPortChoice choice = GetAdapterPortChoice();
    const std::unique_ptr<IAdapterPort> pPort = CreateAdapterPort(ResolveAdapterPortKind(choice), choice);
    int nResult = pPort->Load(strError);
    DWORD dwCount = 0;
    if (nResult == Result::Ok)
        nResult = pPort->CreateDeviceList(dwCount, strError);
    int nAdapters = 0;
    for (DWORD dwDevice = 0; nResult == Result::Ok && dwDevice < dwCount; ++dwDevice) {
        CAdapterDevice found;
        nResult = pPort->GetDeviceDetail(dwDevice, found, strError);
        if (nResult != Result::Ok)
            break;
        CUsbDevice device;
        device.nDeviceNumber = static_cast<int>(dwDevice);
        device.strDescription = found.strDescription;
        device.strSerialNumber = found.strSerialNumber;
        device.strPort = pPort->GetName();
        device.strPath = found.strPath;
        if (EqualsNoCase(device.strDescription, CVelmorTPFTDI::kAdapterDescription))
            device.nAdapterNumber = nAdapters++;
        devices.push_back(device);
    }
    std::string strIgnored;
    pPort->Unload(strIgnored);
    return nResult;
}

int IdentifyFitting(CVelmorTPExt& link, CProductCatalog& catalog, CFittingIdentity& identity, std::string& strError)
{
    identity = CFittingIdentity();
    int nResult = link.ReadArticleNumberAtAnySpeed(true, identity.strArticleNumber, identity.strArticleNumberFormatted,
                                                   strError);
    if (nResult == Result::Ok)
        nResult = link.ReadModuleInformation(identity.moduleInformation, strError);
    if (nResult != Result::Ok)
        return nResult;
    int nApplication = 0;
    std::string strIgnored; // a fitting that does not tell runs its application
    identity.bInBootloader =
        CVelmorTPExt::ActiveApplicationOf(identity.moduleInformation, nApplication, strIgnored) == Result::Ok &&
        nApplication == CVelmorTPExt::kRunningBootloader;
    CStringParameter version;
    if (identity.moduleInformation.GetParameterByName("SW version", version, strIgnored) == Result::Ok)
        identity.strSoftwareVersion = version.GetValue();
    identity.bDefinitionFound = catalog.FindDefinition(identity.strArticleNumber, identity.definition);
    if (!identity.bDefinitionFound)
        return Result::Ok;
    nResult = ProductNameToType(identity.definition.GetConfigSheet(), identity.nProductType, strError);
    int nAddress = 0;
    if (nResult == Result::Ok)
        nResult = ReadUnitSerialNumber(link, identity.nProductType, identity.strUnitSerialNumber, strError);
    if (nResult == Result::Ok)
        nResult = GetEEAddr(EE_PRODUCTION_DATE, identity.nProductType, nAddress, strError);
    if (nResult == Result::Ok)
        nResult = link.ReadProductionDate(nAddress, identity.strProductionDate, strError);
    return nResult;
}

void CIdentificationAfterDownload::IdentifyFittingAgain()
{
    if (m_download.GetResult() == Result::Ok)
        m_nResult = IdentifyFittingWithin(m_link, m_catalog, kReidentifyWaitMs, m_identity, m_strError);
}

int IdentifyFittingWithin(CVelmorTPExt& link, CProductCatalog& catalog, unsigned nWaitMs, CFittingIdentity& identity,
                          std::string& strError)
{
    // A download's ten tries per command would let one attempt overrun the wait by seconds.
    CRetryCountGuard retries(link, CVelmorTPBase::kDefaultRetryCount);
    ITimeService& time = TimeService();
    const std::uint64_t nDeadline = time.NowMs() + nWaitMs;
    for (;;) {
        const int nResult = IdentifyFitting(link, catalog, identity, strError);
        const std::uint64_t nNow = time.NowMs();
        if (nResult == Result::Ok || nNow >= nDeadline)
            return nResult;
        time.SleepMs(static_cast<unsigned>(std::min<std::uint64_t>(nDeadline - nNow, kReidentifyPauseMs)));
    }
}

int CheckProgrammedFitting(const CFittingIdentity& before, const CFittingIdentity& after,
                           const std::string& strImageVersion, std::string& strError)
{
    if (after.strUnitSerialNumber != before.strUnitSerialNumber)
        strError = FormatText(PickText("Another unit answers after the download: serial number %s before, %s now.",
                                       "Nach dem Download antwortet ein anderes Gerät: vorher Seriennummer %s, jetzt %s."),
                              before.strUnitSerialNumber.c_str(), after.strUnitSerialNumber.c_str());
    else if (after.bInBootloader)
        strError = FormatText(PickText("The fitting waits in its boot loader after the download: the image's version %s does not run.",
                                       "Die Armatur wartet nach dem Download in ihrem Bootloader: die Version %s des Abbilds läuft nicht."),
                              strImageVersion.c_str());
    else if (!strImageVersion.empty() && after.strSoftwareVersion != strImageVersion)
        strError = FormatText(PickText("The fitting runs %s after the download, the image carries %s.",
                                       "Die Armatur führt nach dem Download %s aus, das Abbild enthält %s."),
                              after.strSoftwareVersion.c_str(), strImageVersion.c_str());
    else
        return Result::Ok;
    return Result::MissingPrecondition;
}

int CheckArticleNumber(CVelmorTPExt& link, const std::string& strConfiguredArticle, std::string& strError)
{
    std::string strArticle;
    std::string strFormatted;
    const int nResult = link.ReadArticleNumber(strArticle, strFormatted, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (strArticle == strConfiguredArticle)
        return Result::Ok;
    strError = FormatText(PickText("The configured article number (%s) is not equal to the \nread one (%s) from the connected target device.\n\nTarget configuration aborted.",
                                   "Die konfigurierte Artikelnummer (%s) stimmt nicht \nmit der Artikelnummer des Ziels (%s) überein.\n\nKonfiguration des Ziels wurde abgebrochen."),
                          strConfiguredArticle.c_str(), strArticle.c_str());
    return Result::MissingPrecondition;
}

int ReadUnitSerialNumber(CVelmorTPExt& link, int nProductType, std::string& strSerial, std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(EE_SERIAL_NUMBER, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult : link.ReadSerialNumber(nAddress, strSerial, strError);
}

std::string InstallerText(const std::vector<BYTE>& bytes)
{
    return TextUntil(bytes, [](BYTE by) { return by != 0x00 && by != 0xFF; });
}

std::string PlacementText(const std::vector<BYTE>& first, const std::vector<BYTE>& second)
{
    const auto accept = [](BYTE by) { return by >= 0x20 && by != 0xFF; };
    return TextUntil(first, accept) + TextUntil(second, accept);
}

int ReadFittingInformation(CVelmorTPExt& link, int nProductType, CFittingInformation& information,
                           std::string& strError, const ProgressCallback& progress)
{
    int nValue = 0;
    int nResult = ReadItemValue(link, nProductType, EE_HOURS_TOTAL, 2, nValue, strError);
    if (nResult != Result::Ok)
        return nResult;
    information.nHoursTotal = nValue;
    Report(progress, 14);

    if ((nResult = ReadItemValue(link, nProductType, EE_HOURS_SINCE_RESET, 2, nValue, strError)) != Result::Ok)
        return nResult;
    information.nHoursSinceReset = nValue;
    Report(progress, 29);

    if ((nResult = ReadItemValue(link, nProductType, EE_SWITCH_COUNT_SINCE_RESET, 2, nValue, strError)) != Result::Ok)
        return nResult;
    information.llSwitchCountSinceReset = 10LL * nValue;
    Report(progress, 43);

    int nCountB = 0;
    if ((nResult = ReadItemValue(link, nProductType, EE_SWITCH_COUNT_A, 3, nValue, strError)) != Result::Ok
        || (nResult = ReadItemValue(link, nProductType, EE_SWITCH_COUNT_B, 3, nCountB, strError)) != Result::Ok)
        return nResult;
    information.llSwitchCountTotal = 10LL * (static_cast<long long>(nValue) + nCountB);
    Report(progress, 57);

    std::vector<BYTE> first;
    std::vector<BYTE> second;
    if ((nResult = ReadItemBytes(link, nProductType, EE_PLACEMENT_1, 15, first, strError)) != Result::Ok
        || (nResult = ReadItemBytes(link, nProductType, EE_PLACEMENT_2, 15, second, strError)) != Result::Ok)
        return nResult;
    information.strPlacement = PlacementText(first, second);
    Report(progress, 71);

    std::vector<BYTE> date;
    if ((nResult = ReadItemBytes(link, nProductType, EE_INSTALLATION_DATE, 5, date, strError)) != Result::Ok)
        return nResult;
    std::copy_n(date.begin(), std::min<std::size_t>(date.size(), 5), information.abyInstallationDate.begin());
    information.strInstallationDate = InstallationDateText(information.abyInstallationDate.data());
    Report(progress, 85);

    std::vector<BYTE> installer;
    if ((nResult = ReadItemBytes(link, nProductType, EE_INSTALLER, 15, installer, strError)) != Result::Ok)
        return nResult;
    information.strInstaller = InstallerText(installer);
    Report(progress, 100);
    return Result::Ok;
}

int ReadErrorHistory(CVelmorTPExt& link, int nProductType, CErrorHistory& history, std::string& strError)
{
    int nValue = 0;
    int nResult = ReadItemValue(link, nProductType, EE_ERROR_COUNT, 1, nValue, strError);
    history.bComplete = false;
    if (nResult != Result::Ok)
        return nResult;
    history.byCount = static_cast<BYTE>(nValue);
    history.bCountRead = true;
    history.abyEntries.fill(0);
    for (int i = 0; i < kErrorEntries; ++i) {
        if ((nResult = ReadItemValue(link, nProductType, kErrorEntryTypes[i], 1, nValue, strError)) != Result::Ok)
            return nResult;
        history.abyEntries[static_cast<std::size_t>(i)] = static_cast<BYTE>(nValue);
    }
    history.bComplete = true;
    return Result::Ok;
}

int ClearErrorHistory(CVelmorTPExt& link, int nProductType, CErrorHistory& history, std::string& strError)
{
    int nFirstFailure = Result::Ok;
    std::string strFirstFailure;
    for (EEAddrType type : {EE_ERROR_COUNT, EE_ERROR_1, EE_ERROR_2, EE_ERROR_3, EE_ERROR_4, EE_ERROR_5}) {
        std::string strWriteError;
        const int nResult = WriteItemValue(link, nProductType, type, 0, strWriteError);
        if (nResult != Result::Ok && nFirstFailure == Result::Ok) {
            nFirstFailure = nResult;
            strFirstFailure = strWriteError;
        }
    }
    std::string strReadError;
    const int nReadResult = ReadErrorHistory(link, nProductType, history, strReadError);
    if (nFirstFailure != Result::Ok) {
        strError = strFirstFailure;
        return nFirstFailure;
    }
    if (nReadResult != Result::Ok) {
        strError = strReadError;
        return nReadResult;
    }
    const bool bEmpty = history.byCount == 0
                        && std::all_of(history.abyEntries.begin(), history.abyEntries.end(), [](BYTE by) { return by == 0; });
    if (bEmpty)
        return Result::Ok;
    strError = PickText(kClearNotKept.szEnglish, kClearNotKept.szGerman);
    return Result::InvalidResponse;
}

int ErrorHistoryLines(const CErrorHistory& history, int nProductType, std::vector<std::string>& lines,
                      std::string& strError)
{
    lines.clear();
    for (int i = 0; i < kErrorEntries; ++i) {
        std::string strLine;
        const int nResult = DeCodeErrorHistory(nProductType, history.abyEntries[static_cast<std::size_t>(i)], strLine, strError);
        if (nResult != Result::Ok)
            return nResult;
        // The first line always shows; the others up to the stored count.
        if (i == 0 || i < history.byCount)
            lines.push_back(strLine);
    }
    if (history.byCount == 0)
        lines.front() = PickText("No entry", "Kein Eintrag");
    return Result::Ok;
}

int ReadValveState(CVelmorTPBase& link, BYTE& byState, std::string& strError)
{
    return link.ReadByteByIndex(kValveIndex, byState, strError);
}

int SwitchValve(CVelmorTPBase& link, bool bOpen, std::string& strError)
{
    const BYTE abyParameters[2] = {kValveIndex, static_cast<BYTE>(bOpen ? 1 : 0)};
    link.Lock();
    const int nResult = link.SendCommand(CVelmorTPBase::CmdWriteByteByIndex, 2, abyParameters, strError);
    link.Unlock();
    return nResult;
}

int ReadEepromRows(CVelmorTPBase& link, int nFirstAddress, int nLastAddress, std::vector<CEepromRow>& rows,
                   std::string& strError, const ProgressCallback& progress)
{
    rows.clear();
    const int nFirstRow = nFirstAddress / 16;
    const int nRowCount = nLastAddress / 16 - nFirstRow + 1;
    if (nFirstAddress < 0 || nLastAddress > 0xFFFF || nRowCount < 1) {
        strError = FormatText(PickText("ReadEepromRows: the address range 0x%X to 0x%X is invalid",
                                       "ReadEepromRows: Der Adressbereich 0x%X bis 0x%X ist ungültig"),
                              static_cast<unsigned>(nFirstAddress), static_cast<unsigned>(nLastAddress));
        return Result::InvalidArgument;
    }
    for (int nRow = nFirstRow; nRow < nFirstRow + nRowCount; ++nRow) {
        std::vector<BYTE> data;
        const int nResult = link.ReadEEByAddr(static_cast<WORD>(nRow * 16), 16, data, strError);
        if (nResult != Result::Ok)
            return nResult;
        CEepromRow row;
        row.nAddress = nRow * 16;
        std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 16), row.abyBytes.begin());
        BYTE bySum = 0;
        for (int i = 0; i < 15; ++i)
            bySum = static_cast<BYTE>(bySum + row.abyBytes[static_cast<std::size_t>(i)]);
        row.bChecksumGood = bySum == row.abyBytes[15];
        rows.push_back(row);
        Report(progress, (nRow - nFirstRow + 1) * 100 / nRowCount);
    }
    Report(progress, 100);
    return Result::Ok;
}
