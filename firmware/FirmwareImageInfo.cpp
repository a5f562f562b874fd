#include "firmware/FirmwareImageInfo.h"

#include "common/Language.h"
#include "devicelink/VelmorTPBase.h"
#include "firmware/IntelHex.h"

namespace {

constexpr BYTE kSignature[2] = {0x55, 0x34}; // "U4"

} // namespace

DWORD FirmwareSignatureAddr(FirmwareFamily eFamily)
{
    switch (eFamily) {
    case FirmwareFamily::FlushValves:
        return 0x3FFE;
    case FirmwareFamily::FaucetsAndControls:
        return 0x7FFE;
    case FirmwareFamily::None:
        break;
    }
    return 0;
}

bool HasFirmwareSignature(const CIntelHex& image, DWORD nSignatureAddr)
{
    for (DWORD i = 0; i < 2; ++i) {
        BYTE byValue = 0;
        if (!image.FindByte(nSignatureAddr + i, byValue) || byValue != kSignature[i])
            return false;
    }
    return true;
}

bool ReadFirmwareVersion(const CIntelHex& image, DWORD nSignatureAddr, std::string& strVersion)
{
    BYTE byMajor = 0;
    BYTE byMinor = 0;
    if (!image.FindByte(nSignatureAddr - 2, byMajor) || !image.FindByte(nSignatureAddr - 1, byMinor))
        return false;
    strVersion = ModuleVersionText(byMajor, byMinor);
    return true;
}

bool ReadFirmwareImageInfo(const CIntelHex& image, CFirmwareImageInfo& info)
{
    info = {};
    for (const CDataRecord& record : image.Records().Records())
        info.nDataBytes += record.GetLength();
    // The larger family first: its images may hold filler at the other's place.
    for (const FirmwareFamily eFamily : {FirmwareFamily::FaucetsAndControls, FirmwareFamily::FlushValves}) {
        if (HasFirmwareSignature(image, FirmwareSignatureAddr(eFamily))) {
            info.eFamily = eFamily;
            ReadFirmwareVersion(image, FirmwareSignatureAddr(eFamily), info.strVersion);
            return true;
        }
    }
    return false;
}

std::string FirmwareFamilyText(FirmwareFamily eFamily)
{
    switch (eFamily) {
    case FirmwareFamily::FlushValves:
        return PickText("Flush valves", "Spülventile");
    case FirmwareFamily::FaucetsAndControls:
        return PickText("Basin faucets, urinal and WC controls", "Waschtischarmaturen, Urinal- und WC-Steuerungen");
    case FirmwareFamily::None:
        break;
    }
    return PickText("unknown", "unbekannt");
}
