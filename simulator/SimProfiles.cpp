#include "simulator/SimProfiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const CSimFamilyMap kTarvoMap{0x1A, 0x67, 0x69, 0x30, 0x61, 0x64, 0x3A, 0xE0, 0xB0, 0xC0, 0xD0};
// Faucets and the urinal/WC controls share the layout of these fields.
const CSimFamilyMap kAmbraMap{0x2C, 0x40, 0x42, 0x46, 0x51, 0x54, 0x5C, 0xB0, 0xC0, 0xD0, 0xE0};

// Operating data common to all profiles.
std::vector<CSimSetting> WithCounters(const CSimFamilyMap& map, std::vector<CSimSetting> settings)
{
    settings.push_back({map.wHoursSinceReset, 2, 1234});
    settings.push_back({map.wHoursTotal, 2, 5678});
    settings.push_back({map.wSwitchCountA, 3, 12345});
    settings.push_back({map.wSwitchCountB, 3, 2345});
    settings.push_back({map.wSwitchCountSinceReset, 2, 678});
    return settings;
}

// Flush valves: startup programming, switch level, flush time [s], stagnation
// mode, cycle [h] and run time [s], hold-off timeout [min] and duration [s],
// simple switch function.
std::vector<CSimSetting> TarvoSettings(std::uint32_t stagnationMode, std::uint32_t holdOffTimeout)
{
    return WithCounters(kTarvoMap, {{0x7E, 1, 1},
                                    {0x40, 2, 2},
                                    {0x86, 2, 7},
                                    {0x88, 1, stagnationMode},
                                    {0x89, 2, 72},
                                    {0x91, 2, 30},
                                    {0x52, 2, holdOffTimeout},
                                    {0x5B, 2, 30},
                                    {0x8B, 1, 0}});
}

// Basin faucets. Run time in ms for the Ambra, in s for Pelio and Culina.
std::vector<CSimSetting> FaucetSettings(std::uint32_t runtime, std::uint32_t stagnationMode,
                                        std::uint32_t powerSaving)
{
    return WithCounters(kAmbraMap, {{0x5E, 1, 1},     // manual programming
                                    {0x94, 1, 2},     // detection range
                                    {0x70, 2, 60},    // maximum run time [s]
                                    {0x72, 2, runtime},
                                    {0x76, 1, stagnationMode},
                                    {0x77, 2, 24},    // stagnation cycle [h]
                                    {0x79, 2, 30},    // stagnation run time [s]
                                    {0x9E, 1, powerSaving},
                                    {0x6C, 1, 0},     // cleaning stop
                                    {0x6D, 2, 60},
                                    {0xA8, 1, 0},     // non-stop operation
                                    {0xA9, 2, 300},
                                    {0xAB, 1, 0},     // thermal disinfection
                                    {0xAC, 2, 180},
                                    {0xAE, 1, 0}});   // special operation
}

// Urinal and WC controls. Run time in ms.
std::vector<CSimSetting> UrinalWcSettings(bool bUrinal)
{
    std::vector<CSimSetting> settings{{0x5E, 1, 1},
                                      {0xA4, 1, bUrinal ? 2u : 1u},  // detection range
                                      {0x76, 1, 1},                  // stagnation mode
                                      {0x77, 2, bUrinal ? 24u : 72u},
                                      {0x79, 2, bUrinal ? 30u : 60u},
                                      {0x8E, 1, bUrinal ? 24u : 0u}}; // power saving [h]
    if (bUrinal) {
        settings.insert(settings.end(), {{0x72, 2, 6000},   // run time [ms]
                                         {0xAD, 1, 1},      // pre flushing
                                         {0xAE, 1, 30},     // last use [min]
                                         {0xA2, 1, 0},      // stadium mode
                                         {0xA0, 2, 10},     // stadium run time [s]
                                         {0x9D, 2, 60},     // stadium interval [s]
                                         {0xAB, 1, 1},      // airtrap flushing
                                         {0xAC, 1, 72}});   // last use [h]
    } else {
        settings.push_back({0xC8, 1, 2}); // flush volume
    }
    return WithCounters(kAmbraMap, settings);
}

const std::vector<std::uint8_t> kValveErrors{11, 12, 3};  // no valve, undervoltage, timeout
const std::vector<std::uint8_t> kFaucetErrors{13, 16, 5}; // undervoltage warning, start-up measurement, checksum

std::vector<CSimProfile> MakeProfiles()
{
    return {
        {"Tarvo", 1, 230100101, 0, 1, 0, 2, 6, TarvoSettings(1, 0), kValveErrors},
        {"TarvoV2", 2, 230200201, 1, 1, 2, 3, 1, TarvoSettings(2, 10), kValveErrors},
        {"Ambra", 3, 230300301, 1, 1, 3, 1, 12, FaucetSettings(1500, 1, 0), kFaucetErrors},
        {"Ambra2", 3, 230300302, 0, 1, 3, 1, 5, FaucetSettings(2000, 1, 12), kFaucetErrors},
        {"Urinal", 4, 230400401, 1, 1, 4, 2, 10, UrinalWcSettings(true), kFaucetErrors},
        {"WC", 5, 230500501, 1, 1, 4, 2, 10, UrinalWcSettings(false), kFaucetErrors},
        {"Pelio", 6, 230600601, 1, 1, 3, 1, 20, FaucetSettings(10, 1, 12), kFaucetErrors},
        {"Culina", 7, 230700701, 1, 1, 3, 0x85, 3, FaucetSettings(15, 2, 0), {}},
        {"Unknown", 3, 239999999, 1, 1, 0, 1, 0, FaucetSettings(1500, 1, 0), kFaucetErrors},
    };
}

bool EqualNoCase(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::uint8_t ToBcd(int n) { return static_cast<std::uint8_t>((n / 10) * 16 + n % 10); }

void StoreValue(std::vector<std::uint8_t>& eeprom, const CSimSetting& setting)
{
    for (unsigned i = 0; i < setting.bySize; ++i)
        eeprom[setting.wAddress + i] = static_cast<std::uint8_t>(setting.dwValue >> (8 * i));
}

// Windows-1252 text, zero-filled to the end of its 15 bytes.
void StoreText(std::vector<std::uint8_t>& eeprom, std::uint16_t wAddress, const char* szText)
{
    std::size_t n = std::min<std::size_t>(std::strlen(szText), 15);
    std::memcpy(&eeprom[wAddress], szText, n);
}

} // namespace

const std::vector<CSimProfile>& SimProfiles()
{
    static const std::vector<CSimProfile> profiles = MakeProfiles();
    return profiles;
}

const CSimProfile* FindSimProfile(const std::string& strName)
{
    for (const CSimProfile& profile : SimProfiles())
        if (EqualNoCase(strName, profile.szName))
            return &profile;
    return nullptr;
}

const CSimFamilyMap& SimFamilyMap(int nProductType)
{
    return nProductType <= 2 ? kTarvoMap : kAmbraMap;
}

const CSimFlashLayout& SimFlashLayout(int nProductType)
{
    static const CSimFlashLayout valves{0x4000, 0x0000, 0x3FFE, 32, false};
    static const CSimFlashLayout others{0x8000, 0x1800, 0x7FFE, 64, true};
    return nProductType <= 2 ? valves : others;
}

void StoreSimArticle(std::vector<std::uint8_t>& eeprom, unsigned long ulArticle)
{
    // Ten decimal digits, two per byte, the last two at the lowest address.
    for (unsigned i = 0; i < 5; ++i) {
        unsigned pair = static_cast<unsigned>(ulArticle % 100);
        ulArticle /= 100;
        eeprom[kSimArticleAddress + i] = static_cast<std::uint8_t>((pair / 10) * 16 + pair % 10);
    }
}

unsigned long LoadSimArticle(const std::vector<std::uint8_t>& eeprom)
{
    unsigned long ulArticle = 0;
    for (int i = 4; i >= 0; --i) {
        std::uint8_t by = eeprom[kSimArticleAddress + static_cast<unsigned>(i)];
        ulArticle = ulArticle * 100 + (by >> 4) * 10 + (by & 0x0F);
    }
    return ulArticle % 1000000000UL;
}

void RenewSimRowSum(std::vector<std::uint8_t>& eeprom, unsigned nRowStart)
{
    std::uint8_t sum = 0;
    for (unsigned i = 0; i < kSimEepromRow - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + eeprom[nRowStart + i]);
    eeprom[nRowStart + kSimEepromRow - 1] = sum;
}

void RenewSimRowSums(std::vector<std::uint8_t>& eeprom)
{
    for (unsigned row = 0; row + kSimEepromRow <= eeprom.size(); row += kSimEepromRow)
        RenewSimRowSum(eeprom, row);
}

void DefaultSimSerial(const CSimProfile& profile, std::uint8_t serial[6])
{
    // Shown as 0000TT0123VV: product type and the article's variant.
    const std::uint8_t shown[6]{0x00, 0x00, static_cast<std::uint8_t>(profile.nProductType), 0x01, 0x23,
                                static_cast<std::uint8_t>(profile.ulArticle % 100)};
    for (int i = 0; i < 6; ++i)
        serial[i] = shown[5 - i];
}

std::vector<std::uint8_t> BuildSimEeprom(const CSimProfile& profile, const std::uint8_t serial[6])
{
    const CSimFamilyMap& map = SimFamilyMap(profile.nProductType);
    std::vector<std::uint8_t> eeprom(kSimEepromSize, 0);
    std::memcpy(&eeprom[kSimSerialAddress], serial, 6);
    StoreSimArticle(eeprom, profile.ulArticle);
    const std::uint8_t production[3]{ToBcd(24), ToBcd(5), ToBcd(17)};
    std::memcpy(&eeprom[map.wProductionDate], production, 3);
    for (const CSimSetting& setting : profile.settings)
        StoreValue(eeprom, setting);
    eeprom[map.wErrorCount] = static_cast<std::uint8_t>(profile.errors.size());
    std::copy(profile.errors.begin(), profile.errors.end(), eeprom.begin() + map.wErrorCount + 1);
    StoreText(eeprom, map.wInstaller, "M\xFCller Haustech"); // Windows-1252 u umlaut
    StoreText(eeprom, map.wPlacement1, "Building A, flo");
    StoreText(eeprom, map.wPlacement2, "or 2, room 12");
    const std::uint8_t installed[5]{ToBcd(24), ToBcd(6), ToBcd(3), 0, 0};
    std::memcpy(&eeprom[map.wInstallationDate], installed, 5);
    RenewSimRowSums(eeprom);
    return eeprom;
}

std::vector<std::uint8_t> BuildSimFlash(const CSimProfile& profile)
{
    const CSimFlashLayout& layout = SimFlashLayout(profile.nProductType);
    std::vector<std::uint8_t> flash(layout.dwSize, 0xFF);
    // A recognisable application body; only its tail carries meaning.
    for (std::uint32_t a = layout.dwAppStart; a < layout.dwSignature - 2; ++a)
        flash[a] = static_cast<std::uint8_t>(a * 7 + 1);
    flash[layout.dwSignature - 2] = profile.byAppMajor;
    flash[layout.dwSignature - 1] = profile.byAppMinor;
    flash[layout.dwSignature] = 0x55;
    flash[layout.dwSignature + 1] = 0x34;
    return flash;
}
