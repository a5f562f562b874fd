#include "firmware/FirmwareDownload.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareImageInfo.h"

#include <algorithm>
#include <array>

namespace {

// Values the flush valves need in their EEPROM after a new application.
constexpr WORD kEEPROMFlagAddr = 0x8C;
constexpr BYTE kEEPROMFlag[1] = {0x01};
constexpr WORD kEEPROMWordAddr = 0x6D;
constexpr BYTE kEEPROMWord[2] = {0x37, 0x02};

std::string SpeedText(long nBaudrate)
{
    return FormatText(PickText("Change the communication speed to: %d Bit/s\n",
                               "Setze Kommunikationsgeschwindigkeit auf: %d Bit/s\n"),
                      static_cast<int>(nBaudrate));
}

void Wait(unsigned nMilliseconds)
{
    TimeService().SleepMs(nMilliseconds);
}

} // namespace

bool CFirmwareDownload::GetProductParameters(int nProductType, FirmwareProductParameters& parameters)
{
    if (nProductType == 1 || nProductType == 2) {
        parameters = {32, 19200, FirmwareSignatureAddr(FirmwareFamily::FlushValves), false, true};
        return true;
    }
    if (nProductType >= 3 && nProductType <= 7) {
        parameters = {64, 38400, FirmwareSignatureAddr(FirmwareFamily::FaucetsAndControls), true, false};
        return true;
    }
    return false;
}

int CFirmwareDownload::ChooseFile(const std::string& strPath, int nProductType, std::string& strError)
{
    int nResult = m_Image.Load(strPath, strError);
    // What a failing file left in the image is never programmed.
    m_bImageLoaded = nResult == Result::Ok;
    // Read before the merge below fills the gaps.
    ReadFirmwareImageInfo(m_Image, m_ImageInfo);
    if (nResult != Result::Ok) {
        m_eRefusal = m_Image.FileUnreadable() ? FirmwareFileRefusal::Unreadable : FirmwareFileRefusal::Damaged;
        return nResult;
    }
    m_eRefusal = FirmwareFileRefusal::Incomplete;
    nResult = CheckWholeImage(strError);
    if (nResult != Result::Ok)
        return nResult;
    if (!CheckFile(nProductType)) {
        m_eRefusal = FirmwareFileRefusal::NotForProduct;
        strError = PickText("File not supported", "Die gewählte Datei ist nicht gültig!");
        return Result::InvalidArgument;
    }
    m_eRefusal = FirmwareFileRefusal::None;
    return Result::Ok;
}

int CFirmwareDownload::CheckWholeImage(std::string& strError) const
{
    const char* szPath = m_Image.GetFileName().c_str();
    if (m_Image.GetDataRecordCount() == 0) {
        strError = FormatText(PickText("The file (%s) holds no firmware data; it is not programmed.",
                                       "Die Datei (%s) enthält keine Firmware-Daten; sie wird nicht programmiert."),
                              szPath);
        return Result::InvalidArgument;
    }
    if (!m_Image.HasEndOfFileRecord()) {
        strError = FormatText(PickText("The file (%s) has no end-of-file record and may be cut off; it is not programmed.",
                                       "Die Datei (%s) hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten; "
                                       "sie wird nicht programmiert."),
                              szPath);
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

bool CFirmwareDownload::CheckFile(int nProductType)
{
    FirmwareProductParameters parameters{};
    if (!GetProductParameters(nProductType, parameters))
        return false;
    if (parameters.bApplicationArea) {
        std::string strError;
        if (m_Image.MergeMemoryArea(kApplicationStart, kApplicationEnd, strError, kFillByte) != Result::Ok ||
            m_Image.GetDataRecordCount() == 0)
            return false;
    }
    return HasFirmwareSignature(m_Image, parameters.nSignatureAddr);
}

bool CFirmwareDownload::GetImageVersion(int nProductType, std::string& strVersion) const
{
    FirmwareProductParameters parameters{};
    return GetProductParameters(nProductType, parameters) && ReadFirmwareVersion(m_Image, parameters.nSignatureAddr, strVersion);
}

int CFirmwareDownload::StartProgramming(CVelmorTPFTDI& port, int nProductType,
                                        const FirmwareProgressCallback& onProgress,
                                        IFittingReidentification* pReidentification, std::string& strError)
{
    FirmwareProductParameters parameters{};
    if (!GetProductParameters(nProductType, parameters)) {
        strError = PickText("Device not supported", "Unbekanntes Gerät");
        return Result::InvalidArgument;
    }
    m_OnProgress = onProgress;
    CRetryCountGuard retries(port, kDownloadRetryCount);
    Download(port, parameters, pReidentification);
    m_OnProgress = nullptr;
    return Result::Ok;
}

void CFirmwareDownload::Download(CVelmorTPFTDI& port, const FirmwareProductParameters& parameters,
                                 IFittingReidentification* pReidentification)
{
    m_strProgressText.clear();
    m_nPercent = 0;
    PrepareImage(parameters);

    // An earlier download cut short may have left the fitting at its
    // download speed; the boot loader is activated wherever it listens.
    if (Succeeded())
        PlainCommandStep(port, CVelmorTPBase::CmdActivateBootloader,
                         PickText("Activate bootloader\n", "Aktivierung des Bootloader\n"), 10);
    const bool bBootloaderActivated = Succeeded();
    // The adapter falls back to its configured speed after the reset.
    if (Succeeded())
        PlainCommandStep(port, CVelmorTPBase::CmdResetModule, PickText("Reset module\n", "Zurücksetzen des Moduls\n"),
                         20);
    if (Succeeded()) {
        m_nResult = SwitchSpeed(port, parameters.nDownloadBaudrate, m_strError, 5);
        // A fitting may answer the speed change with an error code and still
        // switch; the next command shows whether it did.
        if (m_nResult == Result::TargetError) {
            m_nResult = Result::Ok;
            m_strError.clear();
        }
    }
    if (Succeeded() && parameters.bApplicationArea)
        EraseApplicationArea(port);
    if (Succeeded())
        WriteImage(port, parameters);
    if (Succeeded() && parameters.bConfigureEEPROM)
        ConfigureEEPROM(port);
    if (Succeeded()) {
        std::string strScratch;
        SwitchSpeed(port, kNormalBaudrate, strScratch, 100);
    }
    if (Succeeded())
        PlainCommandStep(port, CVelmorTPBase::CmdActivateApplication,
                         PickText("Activate application\n", "Aktivierung der Applikation\n"), m_nPercent);
    if (Succeeded())
        PlainCommandStep(port, CVelmorTPBase::CmdResetModule, PickText("Reset Module\n", "Zurücksetzen des Moduls\n"),
                         m_nPercent);
    if (!Succeeded() && bBootloaderActivated)
        ReturnToBootloader(port);

    ShowText(Succeeded() ? PickText("Download procedure finished successfully\n", "Download erfolgreich beendet\n")
                         : PickText("Download procedure aborted\n", "Download wurde abgebrochen\n"));
    Wait(kStepWaitMs);
    if (pReidentification != nullptr)
        pReidentification->IdentifyFittingAgain();
}

void CFirmwareDownload::PrepareImage(const FirmwareProductParameters& parameters)
{
    m_nResult = Result::Ok;
    m_strError.clear();
    if (parameters.bApplicationArea)
        m_nResult = m_Image.MergeMemoryArea(kApplicationStart, kApplicationEnd, m_strError, kFillByte);
    if (m_Image.GetDataRecordCount() == 0 || !m_bImageLoaded) {
        m_nResult = Result::MissingPrecondition;
        m_strError = PickText("Can't continue the download due to no data was loaded yet!",
                              "Download abgebrochen, da noch keine Datei für den Download ausgewählt wurde!");
    } else if (const int nWhole = CheckWholeImage(m_strError); nWhole != Result::Ok) {
        m_nResult = nWhole;
    } else if (!HasFirmwareSignature(m_Image, parameters.nSignatureAddr)) {
        // The fitting in force may have changed since the file was chosen.
        m_nResult = Result::InvalidArgument;
        m_strError = PickText("File not supported", "Die gewählte Datei ist nicht gültig!");
    }
    m_nTotalLength = 0;
    for (const CDataRecord& record : m_Image.Records().Records())
        m_nTotalLength += record.GetLength();
}

void CFirmwareDownload::PlainCommandStep(CVelmorTPFTDI& port, int nCommandID, const std::string& strText, int nPercent)
{
    ShowText(strText);
    m_nResult = SendAtAnySpeed(port, nCommandID, m_strError);
    ShowPercent(nPercent);
    Wait(kStepWaitMs);
}

void CFirmwareDownload::ReturnToBootloader(CVelmorTPFTDI& port)
{
    // Never into the application: its image may be incomplete.
    ShowText(FormatText(PickText("Reset module into the bootloader at %d Bit/s\n",
                                 "Zurücksetzen des Moduls in den Bootloader mit %d Bit/s\n"),
                        static_cast<int>(kNormalBaudrate)));
    std::string strScratch;
    if (SendAtAnySpeed(port, CVelmorTPBase::CmdActivateBootloader, strScratch) == Result::Ok)
        SendAtAnySpeed(port, CVelmorTPBase::CmdResetModule, strScratch);
    Wait(kStepWaitMs);
}

int CFirmwareDownload::SendAtAnySpeed(CVelmorTPFTDI& port, int nCommandID, std::string& strError)
{
    // The whole search under the lock: nobody else may talk at a passing speed.
    CProtocolLock lock(port);
    const int nResult = port.SendCommand(nCommandID, 0, nullptr, strError);
    if (nResult != Result::NoResponse)
        return nResult;
    return port.SendAtOtherSpeeds(nCommandID, std::min(port.GetRetryCount(), CVelmorTPBase::kDefaultRetryCount),
                                  strError);
}

int CFirmwareDownload::SwitchSpeed(CVelmorTPBase& protocol, long nBaudrate, std::string& strError, int nPercent)
{
    ShowText(SpeedText(nBaudrate));
    const int nResult = protocol.SetBaudrate(nBaudrate, strError);
    ShowPercent(nPercent);
    Wait(kStepWaitMs);
    return nResult;
}

void CFirmwareDownload::EraseApplicationArea(CVelmorTPBase& protocol)
{
    constexpr DWORD nAreaSize = kApplicationEnd - kApplicationStart + 1;
    for (DWORD nAddress = kApplicationStart; nAddress <= kApplicationEnd; nAddress += kEraseBlockSize) {
        const BYTE byParameters[5] = {BYTE(nAddress >> 24), BYTE(nAddress >> 16), BYTE(nAddress >> 8),
                                      BYTE(nAddress), BYTE(kEraseBlockSize)};
        {
            CProtocolLock lock(protocol);
            m_nResult = protocol.SendCommand(CVelmorTPBase::CmdEraseFlashByAddr, 5, byParameters, m_strError);
        }
        if (!Succeeded())
            return;
        const DWORD nErased = nAddress - kApplicationStart + kEraseBlockSize;
        Show(FormatText(PickText("Erasing flash: Address: 0x%04X, length: %d\n",
                                 "Lösche Flash-Speicher: Adresse: 0x%04X, Länge: %d\n"),
                        nAddress, kEraseBlockSize),
             static_cast<int>(std::uint64_t(nErased) * 100 / nAreaSize));
    }
}

void CFirmwareDownload::WriteImage(CVelmorTPBase& protocol, const FirmwareProductParameters& parameters)
{
    const DWORD nBlock = static_cast<DWORD>(parameters.nBlockSize);
    std::uint64_t nWritten = 0;
    std::array<BYTE, 256> buffer{};
    for (const CDataRecord& record : m_Image.Records().Records()) {
        DWORD nOffset = 0;
        while (nOffset < record.GetLength()) {
            const DWORD nAddress = record.GetStartAddr() + nOffset;
            const DWORD nRemaining = record.GetLength() - nOffset;
            DWORD nSlice = std::min(nRemaining, nBlock);
            DWORD nBufferOffset = 0;
            DWORD nWriteAddr = nAddress;
            DWORD nWriteLength = nSlice;
            if (nSlice < nBlock && parameters.bApplicationArea) {
                // A record's last bytes go into their whole block. They end at
                // that block's end at the latest; the rest follows in the
                // next block rather than being cut off.
                nBufferOffset = nAddress % nBlock;
                nSlice = std::min(nSlice, nBlock - nBufferOffset);
                nWriteAddr = nAddress - nBufferOffset;
                nWriteLength = nBlock;
            }
            buffer.fill(kFillByte);
            std::copy_n(record.GetData() + nOffset, nSlice, buffer.begin() + nBufferOffset);
            m_nResult = protocol.WriteFlashByAddr(nWriteAddr, static_cast<UCHAR>(nWriteLength), buffer.data(),
                                                  m_strError);
            if (!Succeeded())
                return;
            nWritten += nSlice;
            Show(FormatText(PickText("Flashing data: Address: 0x%04X, length: %d\n",
                                     "Programmiere Flash-Speicher: Adresse: 0x%04X, Länge: %d\n"),
                            nWriteAddr, static_cast<int>(nWriteLength)),
                 static_cast<int>(nWritten * 100 / m_nTotalLength));
            nOffset += nSlice;
        }
    }
}

void CFirmwareDownload::ConfigureEEPROM(CVelmorTPBase& protocol)
{
    ShowText(PickText("Configure EEPROM\n", "Konfiguriere EEPROM\n"));
    m_nResult = protocol.WriteEEByAddr(kEEPROMFlagAddr, sizeof kEEPROMFlag, kEEPROMFlag, m_strError);
    ShowPercent(100);
    Wait(kEEPROMWaitMs);
    if (!Succeeded())
        return;
    m_nResult = protocol.WriteEEByAddr(kEEPROMWordAddr, sizeof kEEPROMWord, kEEPROMWord, m_strError);
    Wait(kEEPROMWaitMs);
}

void CFirmwareDownload::ShowText(const std::string& strText)
{
    Show(strText, m_nPercent);
}

void CFirmwareDownload::ShowPercent(int nPercent)
{
    Show(m_strProgressText, nPercent);
}

void CFirmwareDownload::Show(const std::string& strText, int nPercent)
{
    if (strText == m_strProgressText && nPercent == m_nPercent)
        return;
    m_strProgressText = strText;
    m_nPercent = nPercent;
    if (m_OnProgress)
        m_OnProgress(m_strProgressText, m_nPercent);
}
