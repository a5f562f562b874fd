#pragma once
// What a firmware image says of itself before it is programmed: the product
// family it is made for, the application version it carries and its size.
#include "common/FluxaTypes.h"

#include <cstdint>
#include <string>

class CIntelHex;

// The families that share one boot loader procedure.
enum class FirmwareFamily {
    None,
    FlushValves,         // product types 1 and 2
    FaucetsAndControls,  // product types 3 to 7: basin faucets, urinal and WC controls
};

struct CFirmwareImageInfo {
    FirmwareFamily eFamily = FirmwareFamily::None;
    std::string strVersion;     // as the fitting's module information shows it; empty when the image lacks it
    std::uint64_t nDataBytes = 0; // the bytes the file holds, gaps not counted
};

// The family whose signature ("U4") the image carries and the version in the
// two bytes below it. False, and no family, for an image without a signature.
bool ReadFirmwareImageInfo(const CIntelHex& image, CFirmwareImageInfo& info);

// The family's name in the tool's language.
std::string FirmwareFamilyText(FirmwareFamily eFamily);

// The signature's first address for the family (the second follows it).
DWORD FirmwareSignatureAddr(FirmwareFamily eFamily);
// True when the image holds "U4" at the address and the next one.
bool HasFirmwareSignature(const CIntelHex& image, DWORD nSignatureAddr);
// The version in the two bytes below the signature, if the image holds them.
bool ReadFirmwareVersion(const CIntelHex& image, DWORD nSignatureAddr, std::string& strVersion);
