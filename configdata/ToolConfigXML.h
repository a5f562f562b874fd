#pragma once
// CToolConfigXML: the saved configuration file of a fitting's settings (root
// "file" with "ArticleNumber", "ConfigSheet" and one element per setting under
// "Settings"). The pages assemble m_Config and write it; the main window reads
// a file and hands m_Config to the pages.

#include "common/FluxaTypes.h"
#include "configdata/DeviceConfig.h"
#include "configdata/XMLLib.h"

#include <string>
#include <vector>

// Bytes of the fitting's EEPROM as a backup keeps them: what a write can
// touch, so that restoring gives the fitting back byte for byte, also what
// the limits refuse or a file's text cannot hold.
struct CEepromBytes {
    std::string strName; // the item written there (a setting, "Installer", ...)
    int nAddress = 0;
    std::vector<BYTE> bytes; // 1 to 15, inside one row
    bool operator==(const CEepromBytes&) const = default;
};

// "01 FF 1B": bytes as hexadecimal pairs, as a backup writes them.
std::string HexBytes(const std::vector<BYTE>& bytes);

class CToolConfigXML : public CConfigFileXML {
public:
    CToolConfigXML() = default;

    virtual void OnClear() {}
    virtual int ReadConfigurationFile(const std::string& strPath, std::string& strError);
    // Writes the file in ISO-8859-1 as it declares; a character outside it is
    // written as a numeric character reference. A setting name that the file
    // cannot hold (not an XML name, or a character outside ISO-8859-1, as a
    // name has no character references) is refused with -1001 and nothing is
    // written. -1001 when the file cannot be created, -1004 when writing
    // fails; the old file then stays as it was.
    virtual int WriteConfigurationFile(const std::string& strPath, std::string& strError);
    virtual void SetArticleNumber(const std::string& strArticleNumber);
    virtual void SetConfigSheet(const std::string& strConfigSheet);
    // Sets the text (or number) of the setting of that name, adding a new
    // setting at the end when there is none.
    virtual void SetSettingText(const std::string& strName, const std::string& strText);
    virtual void SetSettingValue(const std::string& strName, const DWORD& dwValue);
    int ParseSetting(CProductSetting& setting, const pugi::xml_node& node, std::string& strError) override;

    // Empties m_Config and the backup bytes, then the hooks; the pages do
    // this before saving.
    void Clear();
    // A backup's EEPROM bytes, written after the settings in a "Backup"
    // element that readers without it skip; empty for a plain file.
    void SetBackupBytes(const std::vector<CEepromBytes>& bytes) { m_BackupBytes = bytes; }
    const std::vector<CEepromBytes>& GetBackupBytes() const { return m_BackupBytes; }
    // The file's bytes as WriteConfigurationFile writes them; -1001 for a
    // setting name the file cannot hold.
    int RenderFile(std::string& bytes, std::string& strError);

protected:
    int ParseOtherChild(const pugi::xml_node& node, std::string& strError) override;

private:
    int ParseBackup(const pugi::xml_node& node, std::string& strError);
    std::vector<CEepromBytes> m_BackupBytes;
    // The setting of that name, added at the end when it is new (nullptr
    // only when the name is refused, e.g. empty).
    CProductSetting* FindOrAddSetting(const std::string& strName);
};
