// The settings store on Windows: the registry key QSettings writes in its
// native format.
#include "common/StoredSettings.h"

#include "common/WideText.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kUserStoreKey = "Software\\VELMOR\\fluxa-usb";

template <class T>
std::optional<std::string> NumberText(const std::vector<BYTE>& data, DWORD nData)
{
    T nValue{};
    if (nData != sizeof nValue)
        return std::nullopt;
    std::memcpy(&nValue, data.data(), sizeof nValue);
    return std::to_string(nValue);
}

// A value as the text QSettings turns it into: a REG_DWORD is the int it
// wrote (signed, as the window reads it back), strings stay as they are and
// REG_EXPAND_SZ is not expanded. Other kinds are no text.
std::optional<std::string> ValueText(DWORD dwType, const std::vector<BYTE>& data, DWORD nData)
{
    switch (dwType) {
    case REG_DWORD:
        return NumberText<std::int32_t>(data, nData);
    case REG_QWORD:
        return NumberText<std::int64_t>(data, nData);
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text(nData / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        // Stored with its terminating zero, or without one.
        text.resize(std::wcslen(text.c_str()));
        return Utf8FromWide(text);
    }
    default:
        return std::nullopt;
    }
}

// Reads the key's values and, as "Group/" below strPrefix, its subkeys.
void ReadKey(HKEY hKey, const std::string& strPrefix, std::map<std::string, std::string>& values)
{
    DWORD nSubKeys = 0, nMaxSubKeyName = 0, nValues = 0, nMaxValueName = 0, nMaxData = 0;
    if (RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &nSubKeys, &nMaxSubKeyName, nullptr, &nValues, &nMaxValueName,
                         &nMaxData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::wstring name(std::max(nMaxSubKeyName, nMaxValueName) + 1, L'\0');
    std::vector<BYTE> data(nMaxData + sizeof(wchar_t));
    for (DWORD i = 0; i < nValues; ++i) {
        DWORD nName = static_cast<DWORD>(name.size());
        DWORD nData = static_cast<DWORD>(data.size());
        DWORD dwType = REG_NONE;
        if (RegEnumValueW(hKey, i, name.data(), &nName, nullptr, &dwType, data.data(), &nData) != ERROR_SUCCESS || nName == 0)
            continue;
        if (std::optional<std::string> text = ValueText(dwType, data, nData))
            values[strPrefix + Utf8FromWide({name.data(), nName})] = std::move(*text);
    }
    for (DWORD i = 0; i < nSubKeys; ++i) {
        DWORD nName = static_cast<DWORD>(name.size());
        HKEY hSubKey = nullptr;
        if (RegEnumKeyExW(hKey, i, name.data(), &nName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            RegOpenKeyExW(hKey, name.c_str(), 0, KEY_READ, &hSubKey) != ERROR_SUCCESS)
            continue;
        ReadKey(hSubKey, strPrefix + Utf8FromWide({name.data(), nName}) + "/", values);
        RegCloseKey(hSubKey);
    }
}

} // namespace

CStoredSettings CStoredSettings::ReadRegistryKey(const std::string& strKeyPath)
{
    CStoredSettings settings;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(strKeyPath).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return settings;
    ReadKey(hKey, std::string(), settings.m_values);
    RegCloseKey(hKey);
    return settings;
}

CStoredSettings CStoredSettings::ReadUserStore()
{
    return ReadRegistryKey(kUserStoreKey);
}
