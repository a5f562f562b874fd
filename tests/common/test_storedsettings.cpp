// The window's settings store read without Qt: the values QSettings writes
// come back as it wrote them.

#include "common/StoredSettings.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class StoredSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("storedsettings-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_path = (m_dir / "fluxa-usb.conf").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(StoredSettings, ReadsWhatQSettingsWrote)
{
    struct Case {
        const char* szKey;
        QString written;
    };
    const Case texts[] = {
        {"Settings/Technician", QStringLiteral("K. Weber")},
        {"Settings/ServiceLog", QStringLiteral("/home/k weber/Service, 2026/service=1;2.db")},
        {"Settings/Installer", QStringLiteral("Müller \"Haustech\" – Straße")},
        {"Settings/Padded", QStringLiteral("  spaces around  ")},
        {"Settings/At", QStringLiteral("@home")},
        {"Settings/AtQuoted", QStringLiteral("@home; work")},
        {"Folders/Firmware", QStringLiteral("C:\\Firmware\\neu")},
        {"Settings/Empty", QString()},
        {"TopLevel", QStringLiteral("line one\nline two\ttab")},
    };
    {
        QSettings settings(QString::fromStdString(m_path), QSettings::IniFormat);
        for (const Case& c : texts)
            settings.setValue(QString::fromLatin1(c.szKey), c.written);
        settings.setValue(QStringLiteral("Settings/Language"), 1);
        settings.setValue(QStringLiteral("Settings/DontChange"), 0x2B5E1C47u);
        settings.setValue(QStringLiteral("Settings/Blob"), QByteArray("\x01\x02", 2));
    }
    const CStoredSettings store = CStoredSettings::ReadIniFile(m_path);
    for (const Case& c : texts) {
        const std::optional<std::string> text = store.Text(c.szKey);
        ASSERT_TRUE(text.has_value()) << c.szKey;
        EXPECT_EQ(*text, c.written.toStdString()) << c.szKey;
    }
    EXPECT_EQ(store.Number("Settings/Language", 0), 1);
    EXPECT_EQ(store.Number("Settings/DontChange", 0), 0x2B5E1C47);
    EXPECT_EQ(store.Number("Settings/Technician", -1), -1); // not a number
    EXPECT_FALSE(store.Text("Settings/Blob").has_value());
    EXPECT_FALSE(store.Text("Settings/Missing").has_value());
}

TEST_F(StoredSettings, NoFileIsAnEmptyStore)
{
    const CStoredSettings store = CStoredSettings::ReadIniFile((m_dir / "missing.conf").string());
    EXPECT_FALSE(store.Text("Settings/Language").has_value());
    EXPECT_EQ(store.Number("Settings/Language", 7), 7);
    ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    EXPECT_EQ(UserSettingsPath(), (m_dir / "VELMOR" / "fluxa-usb.conf").string());
}

} // namespace
