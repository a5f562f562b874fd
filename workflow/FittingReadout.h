#pragma once
// What the generic pages and the command-line tool read from and write to a
// fitting, free of any window: identification, the information page's
// counters and installation record, the error history, the valve, and the
// raw EEPROM rows.

#include "common/FluxaTypes.h"
#include "common/ResultCodes.h"
#include "configdata/DeviceConfig.h"
#include "configdata/StringParameter.h"
#include "firmware/FirmwareDownload.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class CVelmorTPBase;
class CVelmorTPExt;
class CProductCatalog;

// Percentages of a long read, for a progress bar.
using ProgressCallback = std::function<void(int nPercent)>;

// ---- USB devices -----------------------------------------------------------

struct CUsbDevice {
    int nDeviceNumber = 0;
    std::string strDescription;
    std::string strSerialNumber;
    int nAdapterNumber = -1; // position among the bus adapters, -1 for other devices
    std::string strPort;     // "d2xx" or "serial"
    std::string strPath;     // the serial device; empty for D2XX
};
// Every device of the port the process's choice names and, among them, the
// bus adapters numbered in list order.
int ListUsbDevices(std::vector<CUsbDevice>& devices, std::string& strError);

// ---- Identification --------------------------------------------------------

struct CFittingIdentity {
    std::string strArticleNumber;          // 9 digits
    std::string strArticleNumberFormatted; // 12 345 67 89
    bool bDefinitionFound = false;
    CDeviceConfig definition;
    int nProductType = 0;
    CStringParameterHandler moduleInformation;
    bool bInBootloader = false;      // no application runs: only programming helps
    std::string strUnitSerialNumber; // the unit's own, from its EEPROM
    std::string strProductionDate;
    std::string strSoftwareVersion;  // the module information's "SW version"
};
// The "Next" read: article number, module information, the article's
// definition, the unit's serial number and production date. A fitting silent
// at 2400 bit/s is looked for at the download speeds first (a download cut
// short leaves it there) and brought back to 2400 bit/s. An article number
// without definition is no failure (bDefinitionFound stays false and nothing
// more is read), nor is a fitting in its boot loader (bInBootloader).
int IdentifyFitting(CVelmorTPExt& link, CProductCatalog& catalog, CFittingIdentity& identity, std::string& strError);

// ---- After a firmware download ---------------------------------------------

// A fitting answers about a second after the restart that ends a download;
// one silent for this long is not coming back by itself.
constexpr unsigned kReidentifyWaitMs = 15000;
// Identifies the fitting again as soon as it answers: attempts at the default
// retry count, 1000 ms apart, until one succeeds or nWaitMs have passed on the
// time service (the last attempt may end up to about 1.5 s later). Returns
// the last attempt's result.
int IdentifyFittingWithin(CVelmorTPExt& link, CProductCatalog& catalog, unsigned nWaitMs, CFittingIdentity& identity,
                          std::string& strError);
// 0 when the unit identified after a download is the one programmed (the
// same serial number from its EEPROM) and runs its application in the
// image's version (not compared when empty: the image carries none); else
// -1002 with the message that names what differs.
int CheckProgrammedFitting(const CFittingIdentity& before, const CFittingIdentity& after,
                           const std::string& strImageVersion, std::string& strError);

// The identification that ends a download, for CFirmwareDownload: the fitting
// identified again within kReidentifyWaitMs, when the download succeeded.
class CIdentificationAfterDownload final : public IFittingReidentification {
public:
    CIdentificationAfterDownload(CVelmorTPExt& link, CProductCatalog& catalog, const CFirmwareDownload& download,
                                 CFittingIdentity& identity)
        : m_link(link), m_catalog(catalog), m_download(download), m_identity(identity)
    {
    }
    void IdentifyFittingAgain() override;
    // -1008 (no response) until the fitting answered after a download.
    int GetResult() const { return m_nResult; }
    const std::string& GetError() const { return m_strError; }

private:
    CVelmorTPExt& m_link;
    CProductCatalog& m_catalog;
    const CFirmwareDownload& m_download;
    CFittingIdentity& m_identity;
    int m_nResult = Result::NoResponse;
    std::string m_strError;
};

// 0 when the fitting's article number equals the configured one, else -1002
// with the message that names both.
int CheckArticleNumber(CVelmorTPExt& link, const std::string& strConfiguredArticle, std::string& strError);
// The serial number of the unit answering, from its EEPROM.
int ReadUnitSerialNumber(CVelmorTPExt& link, int nProductType, std::string& strSerial, std::string& strError);

// ---- Information page ------------------------------------------------------

struct CFittingInformation {
    int nHoursTotal = 0;
    int nHoursSinceReset = 0;
    long long llSwitchCountTotal = 0;      // already times 10
    long long llSwitchCountSinceReset = 0; // already times 10
    std::array<BYTE, 5> abyInstallationDate{};
    std::string strInstallationDate; // dd.mm.yyyy, empty when not set
    std::string strInstaller;
    std::string strPlacement;
};
// Reads the items in the information page's order; the first failure ends the
// read. The progress reaches 14, 29, 43, 57, 71, 85 and 100.
int ReadFittingInformation(CVelmorTPExt& link, int nProductType, CFittingInformation& information,
                           std::string& strError, const ProgressCallback& progress = {});

// EEPROM texts (Windows-1252 bytes) as UTF-8.
std::string InstallerText(const std::vector<BYTE>& bytes);        // ends at 0x00 or 0xFF
std::string PlacementText(const std::vector<BYTE>& first, const std::vector<BYTE>& second); // each ends below 0x20 or at 0xFF

// ---- Error history ---------------------------------------------------------

struct CErrorHistory {
    BYTE byCount = 0;
    std::array<BYTE, 5> abyEntries{};
    bool bCountRead = false; // false: nothing is known of this fitting's errors yet
    bool bComplete = false;  // count and all five entries were read
};
// Count, then entries 1 to 5, stopping at the first failure.
int ReadErrorHistory(CVelmorTPExt& link, int nProductType, CErrorHistory& history, std::string& strError);
// Writes 0 to the count and to every entry, trying every write even after one
// failed, then reads the history back: it shows what the fitting holds, never
// what was hoped for. Any failed write fails the clear with the first
// failure's message; so does a history that reads back not empty.
int ClearErrorHistory(CVelmorTPExt& link, int nProductType, CErrorHistory& history, std::string& strError);
// The message of a clear that the fitting answered but did not keep.
inline constexpr struct {
    const char* szEnglish;
    const char* szGerman;
} kClearNotKept{"The error history was written but still holds entries: the fitting did not keep the clear.",
                "Die Fehlerhistorie wurde geschrieben, enthält aber noch Einträge: die Armatur hat das Löschen nicht behalten."};
// The lines the diagnostics page shows: the decoded entries up to the count
// (at least one line; "No entry" when the count is 0).
int ErrorHistoryLines(const CErrorHistory& history, int nProductType, std::vector<std::string>& lines,
                      std::string& strError);

// ---- Valve -----------------------------------------------------------------

// The valve state byte (value index 1): non-zero when open.
int ReadValveState(CVelmorTPBase& link, BYTE& byState, std::string& strError);
// Command 7 with index 1 and 1 (open) or 0 (close), under the protocol lock.
int SwitchValve(CVelmorTPBase& link, bool bOpen, std::string& strError);

// ---- EEPROM rows -----------------------------------------------------------

struct CEepromRow {
    int nAddress = 0;
    std::array<BYTE, 16> abyBytes{};
    bool bChecksumGood = false; // byte 15 equals the sum of bytes 0..14
};
// The rows the address maps use.
constexpr int kMappedEepromEnd = 0x0FF;
// Reads the rows from the one holding nFirstAddress to the one holding
// nLastAddress. Any failure ends the read; the rows read before it stay in rows.
int ReadEepromRows(CVelmorTPBase& link, int nFirstAddress, int nLastAddress, std::vector<CEepromRow>& rows,
                   std::string& strError, const ProgressCallback& progress = {});
