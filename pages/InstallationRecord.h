#pragma once
// The installation record the fitting keeps beside the settings: the
// installer's name, the placement and the installation date.

#include "common/FluxaTypes.h"

#include <array>
#include <string>
#include <vector>

// The installer's line and each of the placement's two lines hold this
// many characters.
constexpr int kTextFieldLength = 15;

struct CDate {
    int nYear = 0; // 0: no date
    int nMonth = 0;
    int nDay = 0;
    bool IsSet() const { return nYear != 0; }
    bool operator==(const CDate&) const = default;
};
// Today in local time.
CDate Today();
// "dd.mm.yyyy"; empty when not set.
std::string DateText(const CDate& date);

// Year, month and day of a stored record (BCD); not set when one is marked
// 0x00 or 0xFF, or when they make no date.
CDate RecordDate(const std::vector<BYTE>& record);

// The names of the installation data in the saved files and in write reports.
inline constexpr const char* kInstallerName = "Installer";
inline constexpr const char* kPlacementName = "InstallLocation";
inline constexpr const char* kInstallationDateName = "InstallationDate";

// Installation data as the fitting's EEPROM lines hold them (Windows-1252,
// rest of the line 0): the installer's first 15 characters up to the first
// control character; the placement's first 30, 1 to 15 in the first line
// and 16 to 30 in the second, a control character leaving its place 0.
// Byte 15 (the sum) is left 0.
std::array<BYTE, 16> InstallerLine(const std::string& strInstaller);
std::array<std::array<BYTE, 16>, 2> PlacementLines(const std::string& strPlacement);
// Whether every character of the text has a byte of its own in such lines.
bool IsStorableText(const std::string& strText);
// The texts such lines read back as.
std::string StoredInstaller(const std::string& strInstaller);
std::string StoredPlacement(const std::string& strPlacement);
