// The settings store read from the registry as QSettings writes it; the keys
// are written by the system's own reg command below a key of the tests' own.
#include "common/StoredSettings.h"

#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kTestKey = "Software\\VELMOR\\fluxa-usb-test";
const std::wstring kRegTestKey = L"HKCU\\Software\\VELMOR\\fluxa-usb-test";

class RegistrySettings : public ::testing::Test {
protected:
    void SetUp() override { DeleteTestKey(); }
    void TearDown() override { DeleteTestKey(); }

    static void DeleteTestKey() { RunProgram(L"reg.exe delete \"" + kRegTestKey + L"\" /f"); }
    // reg add <test key>[\subkey] /v name /t type /d data
    static int Add(const std::wstring& subkey, const std::wstring& name, const std::wstring& type, const std::wstring& data)
    {
        const std::wstring key = subkey.empty() ? kRegTestKey : kRegTestKey + L"\\" + subkey;
        return RunProgram(L"reg.exe add \"" + key + L"\" /v \"" + name + L"\" /t " + type + L" /d \"" + data + L"\" /f");
    }
};

TEST_F(RegistrySettings, ReadsWhatWasWrittenAsQSettingsWritesIt)
{
    struct Case {
        const wchar_t* szSubkey;
        const wchar_t* szName;
        const wchar_t* szType;
        const wchar_t* szData;
        const char* szKey;
        const char* szText;
    };
    const Case cases[] = {
        {L"Settings", L"DontChange", L"REG_DWORD", L"0x2B5E1C47", "Settings/DontChange", "727587911"},
        {L"Settings", L"Language", L"REG_SZ", L"1", "Settings/Language", "1"}, // a number QSettings wrote as text
        {L"Settings", L"Installer", L"REG_SZ", L"Müller – Straße", "Settings/Installer", "Müller – Straße"},
        {L"Settings", L"ServiceLog", L"REG_SZ", L"C:\\Service Daten\\Prüf stand\\service.db", "Settings/ServiceLog",
         "C:\\Service Daten\\Prüf stand\\service.db"},
        {L"Settings", L"Home", L"REG_EXPAND_SZ", L"%LOCALAPPDATA%\\Fluxa", "Settings/Home", "%LOCALAPPDATA%\\Fluxa"},
        {L"Settings", L"At", L"REG_SZ", L"@@home", "Settings/At", "@home"},
        {L"Settings", L"Counter", L"REG_QWORD", L"0x123456789", "Settings/Counter", "4886718345"},
        // QSettings writes an int's bits and reads them back signed.
        {L"Settings\\Window", L"Offset", L"REG_DWORD", L"0xFFFFFFFF", "Settings/Window/Offset", "-1"},
        {L"", L"TopLevel", L"REG_SZ", L"no group", "TopLevel", "no group"},
    };
    for (const Case& c : cases)
        ASSERT_EQ(Add(c.szSubkey, c.szName, c.szType, c.szData), 0) << c.szKey;
    ASSERT_EQ(Add(L"Settings", L"Blob", L"REG_BINARY", L"0102"), 0);

    const CStoredSettings store = CStoredSettings::ReadRegistryKey(kTestKey);
    for (const Case& c : cases) {
        const std::optional<std::string> text = store.Text(c.szKey);
        ASSERT_TRUE(text.has_value()) << c.szKey;
        EXPECT_EQ(*text, c.szText) << c.szKey;
    }
    EXPECT_EQ(store.Number("Settings/DontChange", 0), 0x2B5E1C47);
    EXPECT_EQ(store.Number("Settings/Language", 0), 1);
    EXPECT_EQ(store.Number("Settings/Installer", -7), -7); // not a number
    EXPECT_FALSE(store.Text("Settings/Blob").has_value());
    EXPECT_FALSE(store.Text("Settings/Missing").has_value());
    EXPECT_EQ(store.Number("Settings/Missing", 7), 7);
    EXPECT_FALSE(store.Text("Window/Offset").has_value()); // a group is found below its parent only
}

TEST_F(RegistrySettings, AMissingKeyIsAnEmptyStore)
{
    const CStoredSettings store = CStoredSettings::ReadRegistryKey(kTestKey);
    EXPECT_FALSE(store.Text("Settings/Language").has_value());
    EXPECT_EQ(store.Number("Settings/Language", 7), 7);
}

} // namespace
