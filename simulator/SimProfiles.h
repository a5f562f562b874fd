#pragma once
// Product profiles: what a fitting of each product is like when it leaves
// the factory (identity, versions, EEPROM contents by its family's map).
#include <cstdint>
#include <string>
#include <vector>

// EEPROM addresses that the fitting itself needs (error history) and that
// the profiles fill, per product family.
struct CSimFamilyMap {
    std::uint16_t wProductionDate;
    std::uint16_t wHoursSinceReset;
    std::uint16_t wHoursTotal;
    std::uint16_t wErrorCount; // the five entries follow it
    std::uint16_t wSwitchCountA;
    std::uint16_t wSwitchCountB;
    std::uint16_t wSwitchCountSinceReset;
    std::uint16_t wInstaller;
    std::uint16_t wInstallationDate;
    std::uint16_t wPlacement1;
    std::uint16_t wPlacement2;
};

// One little-endian setting value in the EEPROM.
struct CSimSetting {
    std::uint16_t wAddress;
    std::uint8_t bySize;
    std::uint32_t dwValue;
};

struct CSimProfile {
    const char* szName;
    int nProductType;
    unsigned long ulArticle;
    int nLayout;
    std::uint8_t byBlMajor, byBlMinor;
    std::uint8_t byAppMajor, byAppMinor; // bit 7 of the major number marks a test version
    std::vector<CSimSetting> settings;
    std::vector<std::uint8_t> errors; // error history, entry 1 first
};

// The maps end at 0xEE; the rows beyond them are there for tests of the
// higher addresses a real part offers, zero with a valid sum.
constexpr unsigned kSimEepromSize = 512;
constexpr unsigned kSimEepromRow = 16;
constexpr std::uint16_t kSimSerialAddress = 0x11;
constexpr std::uint16_t kSimArticleAddress = 0x20;

// The profile of that name (without regard to case), or nullptr.
const CSimProfile* FindSimProfile(const std::string& strName);
const std::vector<CSimProfile>& SimProfiles();
const CSimFamilyMap& SimFamilyMap(int nProductType);

// Flash geometry per product type.
struct CSimFlashLayout {
    std::uint32_t dwSize;        // flash covers 0 .. dwSize-1
    std::uint32_t dwAppStart;    // first byte the boot loader may erase and write
    std::uint32_t dwSignature;   // "U4" here; the application version sits in the two bytes below
    std::uint32_t dwBlockSize;   // bytes per write
    bool bEraseBeforeWrite;      // writes need erased bytes (the boot loader of types 3..7)
};
const CSimFlashLayout& SimFlashLayout(int nProductType);

// The factory EEPROM of a profile with a serial number (6 bytes, EEPROM order).
std::vector<std::uint8_t> BuildSimEeprom(const CSimProfile& profile, const std::uint8_t serial[6]);
// The factory flash image: an application with the profile's version and the signature.
std::vector<std::uint8_t> BuildSimFlash(const CSimProfile& profile);
// The default serial number of a profile (EEPROM order: lowest address first).
void DefaultSimSerial(const CSimProfile& profile, std::uint8_t serial[6]);

// EEPROM helpers shared with the fitting.
void StoreSimArticle(std::vector<std::uint8_t>& eeprom, unsigned long ulArticle);
unsigned long LoadSimArticle(const std::vector<std::uint8_t>& eeprom);
void RenewSimRowSum(std::vector<std::uint8_t>& eeprom, unsigned nRowStart);
void RenewSimRowSums(std::vector<std::uint8_t>& eeprom);
