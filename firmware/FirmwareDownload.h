#pragma once
// Programs a firmware image into the connected fitting's flash through its
// boot loader. Free of any user interface: the firmware page and the
// command-line tool show the progress and the failures.
#include "common/FluxaTypes.h"
#include "firmware/FirmwareImageInfo.h"
#include "firmware/IntelHex.h"

#include <cstdint>
#include <functional>
#include <string>

class CVelmorTPBase;
class CVelmorTPFTDI;

// The text of the step in progress (each replaces the previous) and the
// progress bar's percentage; called whenever either changes.
using FirmwareProgressCallback = std::function<void(const std::string& strText, int nPercent)>;

// What the download needs from the main window when it ends.
class IFittingReidentification {
public:
    virtual ~IFittingReidentification() = default;
    // Identifies the fitting again (the "Next" action), then sends 0x40B
    // (WM_USER+11) with lParam 1 to all pages so that they enable their
    // Read and Write buttons again.
    virtual void IdentifyFittingAgain() = 0;
};

// How a product family is programmed.
struct FirmwareProductParameters {
    int nBlockSize;            // bytes per flash write
    long nDownloadBaudrate;    // bit/s while the image is written
    DWORD nSignatureAddr;      // "U" here, "4" at the next address
    bool bApplicationArea;     // merge, erase and write whole blocks of 0x1800..0x7FFF
    bool bConfigureEEPROM;     // write the two EEPROM values after the flash
};

// Why the file chosen last was refused.
enum class FirmwareFileRefusal {
    None,
    Unreadable,    // it could not be opened or read
    Damaged,       // a line of it is not valid Intel HEX
    Incomplete,    // no data, or no end-of-file record: cut off
    NotForProduct, // it lacks the signature of the product type in force
};

class CFirmwareDownload {
public:
    static constexpr DWORD kApplicationStart = 0x1800;
    static constexpr DWORD kApplicationEnd = 0x7FFF;
    static constexpr BYTE kFillByte = 0xFF;
    static constexpr int kEraseBlockSize = 64;
    static constexpr int kDownloadRetryCount = 10;
    static constexpr long kNormalBaudrate = 2400;
    static constexpr unsigned kStepWaitMs = 1000;
    static constexpr unsigned kEEPROMWaitMs = 500;

    virtual ~CFirmwareDownload() = default;

    // False for a product type outside 1..7.
    static bool GetProductParameters(int nProductType, FirmwareProductParameters& parameters);

    // The Select action: loads the file and checks it for the product type in
    // force. A failing load returns its own code and text; a file without
    // data or without its end-of-file record -1001 with a text that says so;
    // an unsupported file -1001 with "File not supported". All go to an error
    // box. The image stays loaded either way.
    virtual int ChooseFile(const std::string& strPath, int nProductType, std::string& strError);
    FirmwareFileRefusal GetRefusal() const { return m_eRefusal; }
    // True when the loaded image carries the signature of the product type.
    // For types 3 to 7 the application area is merged first.
    virtual bool CheckFile(int nProductType);

    // The Start action: raises the protocol's retry count to 10, runs the
    // download and restores the retry count. Returns -1001 with "Device not
    // supported" when the product type is none of 1..7 (nothing is sent; the
    // caller shows it in an error box). Otherwise returns 0 and the download's
    // outcome is in GetResult / GetError, its steps went to onProgress. An
    // image that failed to load, lacks its end-of-file record or does not fit
    // the product type given here is not programmed. The boot loader is
    // activated at whichever speed the fitting answers, so a fitting that an
    // earlier download left at a download speed is found. A download that
    // fails once the boot loader is active restarts the fitting into its boot
    // loader at 2400 bit/s, so that the next download can begin.
    virtual int StartProgramming(CVelmorTPFTDI& port, int nProductType, const FirmwareProgressCallback& onProgress,
                                 IFittingReidentification* pReidentification, std::string& strError);

    // The application version the image carries in the two bytes below its
    // signature, as the fitting's module information shows it. False when
    // the image lacks them or the product type is none of 1..7.
    bool GetImageVersion(int nProductType, std::string& strVersion) const;

    // The family, version and size of the file chosen last, read before the
    // check; no family when it carries no signature.
    const CFirmwareImageInfo& ImageInfo() const { return m_ImageInfo; }

    int GetResult() const { return m_nResult; }
    const std::string& GetError() const { return m_strError; }
    CIntelHex& Image() { return m_Image; }

protected:
    // The download procedure; every step after the first failure is skipped
    // but the return to the boot loader, the final message and the new
    // identification.
    virtual void Download(CVelmorTPFTDI& port, const FirmwareProductParameters& parameters,
                          IFittingReidentification* pReidentification);

    CIntelHex m_Image;
    int m_nResult = 0;
    std::string m_strError;

private:
    // Step 2: merges for types 3 to 7 and refuses an image that is missing,
    // failed to load, may be cut off, or does not fit the product type in force.
    void PrepareImage(const FirmwareProductParameters& parameters);
    // An image holds data and ended with its end-of-file record; a cut-off
    // copy would leave the fitting with part of a firmware.
    int CheckWholeImage(std::string& strError) const;
    // A command without parameters wherever the fitting answers, then the
    // progress (unchanged when it is the percentage in force) and the step's wait.
    void PlainCommandStep(CVelmorTPFTDI& port, int nCommandID, const std::string& strText, int nPercent);
    // After a failure: back into the boot loader at 2400 bit/s, the adapter
    // too. The failure that ended the download stays the one reported.
    void ReturnToBootloader(CVelmorTPFTDI& port);
    // Sends a command without parameters at the speed in force and, when
    // nothing answers there, at the other speeds a fitting may listen at;
    // the adapter stays at the speed that answered.
    static int SendAtAnySpeed(CVelmorTPFTDI& port, int nCommandID, std::string& strError);
    int SwitchSpeed(CVelmorTPBase& protocol, long nBaudrate, std::string& strError, int nPercent);
    void EraseApplicationArea(CVelmorTPBase& protocol);
    void WriteImage(CVelmorTPBase& protocol, const FirmwareProductParameters& parameters);
    void ConfigureEEPROM(CVelmorTPBase& protocol);
    bool Succeeded() const { return m_nResult == 0; }
    void ShowText(const std::string& strText);
    void ShowPercent(int nPercent);
    void Show(const std::string& strText, int nPercent);

    bool m_bImageLoaded = false; // the last file chosen loaded without failure
    CFirmwareImageInfo m_ImageInfo;
    FirmwareFileRefusal m_eRefusal = FirmwareFileRefusal::None;
    FirmwareProgressCallback m_OnProgress;
    std::string m_strProgressText;
    int m_nPercent = 0;
    std::uint64_t m_nTotalLength = 0;
};
