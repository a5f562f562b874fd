#pragma once
// The window's per-user settings store, read without Qt, so that programs
// beside the window find the same keys ("Settings/Language"). On Linux it is
// the INI file QSettings writes ($XDG_CONFIG_HOME/VELMOR/fluxa-usb.conf), on
// Windows the registry key HKEY_CURRENT_USER\Software\VELMOR\fluxa-usb.

#include <map>
#include <optional>
#include <string>

class CStoredSettings {
public:
    // The store of this user; empty when there is none yet.
    static CStoredSettings ReadUserStore();
    // Reads an INI file as QSettings writes it: keys outside a group stand in
    // [General], values may be quoted and escaped. A file that cannot be
    // read leaves the store empty.
    static CStoredSettings ReadIniFile(const std::string& strPath);
#if defined(_WIN32)
    // Reads a key below HKEY_CURRENT_USER ("Software\\VELMOR\\fluxa-usb") as
    // QSettings writes it: a group is a subkey, a number a REG_DWORD or
    // REG_QWORD, a text a REG_SZ. A key that cannot be opened leaves the
    // store empty.
    static CStoredSettings ReadRegistryKey(const std::string& strKeyPath);
#endif

    // The value of "Group/Key" as text; none when the store lacks it or
    // holds a value of a kind text cannot show (a byte array, a variant).
    std::optional<std::string> Text(const std::string& strKey) const;
    // The value as a whole number, else nDefault.
    long long Number(const std::string& strKey, long long nDefault) const;

private:
    // "Group/Key" to the value as QSettings stores it in text: a text that
    // starts with "@" still has it doubled, a number is in decimal.
    std::map<std::string, std::string> m_values;
};

// $XDG_CONFIG_HOME/VELMOR/fluxa-usb.conf (~/.config without it).
std::string UserSettingsPath();
