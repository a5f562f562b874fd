#pragma once
// What the settings model tests share: a model of a shipped product's
// family on the simulated bus, through the real binding, and a look at the
// simulated fitting's EEPROM and line.

#include "common/FilePaths.h"
#include "common/ResultCodes.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingsModel.h"
#include "workflow/ProductCatalog.h"

#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "SimulatorControl.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Where a fitting keeps a setting, and a value of it.
struct FieldCase {
    const char* szName;
    unsigned nAddress;
    unsigned nSize;
    DWORD dwValue; // differs from the simulated fitting's own, within the definition's limits
};

// One EEPROM command on the line: 'R' read (command 11) or 'W' write (12).
struct EepromAccess {
    char cKind;
    unsigned nAddress;
    unsigned nLength;
    bool operator==(const EepromAccess&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const EepromAccess& access)
{
    return out << access.cKind << std::hex << " 0x" << access.nAddress << std::dec << " " << access.nLength;
}

inline std::vector<EepromAccess> EepromAccesses(const std::vector<VSimFrame>& frames)
{
    std::vector<EepromAccess> accesses;
    for (const VSimFrame& frame : frames)
        if (frame.direction == VSIM_DIR_TO_FITTING && (frame.bytes[3] == 0x0A || frame.bytes[3] == 0x0B))
            accesses.push_back({frame.bytes[3] == 0x0A ? 'R' : 'W', frame.bytes[4] * 256u + frame.bytes[5], frame.bytes[6]});
    return accesses;
}

inline bool HasCommand(const std::vector<VSimFrame>& frames, unsigned char byOpcode)
{
    for (const VSimFrame& frame : frames)
        if (frame.direction == VSIM_DIR_TO_FITTING && frame.bytes[3] == byOpcode)
            return true;
    return false;
}

// The row read and the row write that store one field.
inline std::vector<EepromAccess> RowWrite(unsigned nAddress)
{
    return {{'R', nAddress & ~0xFu, 16}, {'W', nAddress & ~0xFu, 16}};
}

class SettingsModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_strError), Result::Ok) << m_strError;
        ASSERT_EQ(m_catalog.LoadDeviceConfigs(DefaultConfigDirectory(), m_strError), Result::Ok) << m_strError;
    }

    // The model of the page that serves the shipped product.
    CSettingsModel Model(const std::string& strArticle)
    {
        CDeviceConfig definition;
        EXPECT_TRUE(m_catalog.FindDefinition(strArticle, definition)) << strArticle;
        int nType = 0;
        ProductNameToType(definition.GetConfigSheet(), nType, m_strError);
        return CSettingsModel(*FindSettingsFamily(nType), definition, nType);
    }

    std::vector<BYTE> Peek(unsigned nAddress, unsigned nLength)
    {
        std::vector<BYTE> bytes(nLength);
        EXPECT_EQ(m_sim.api.ReadEeprom(0, nAddress, bytes.data(), nLength), VSIM_OK);
        return bytes;
    }
    DWORD PeekValue(const FieldCase& field)
    {
        const std::vector<BYTE> bytes = Peek(field.nAddress, field.nSize);
        return field.nSize == 1 ? bytes[0] : bytes[0] + 256u * bytes[1];
    }
    void Poke(unsigned nAddress, std::vector<BYTE> bytes)
    {
        ASSERT_EQ(m_sim.api.WriteEeprom(0, nAddress, bytes.data(), static_cast<unsigned>(bytes.size())), VSIM_OK);
        ASSERT_EQ(m_sim.api.FixRowSums(0), VSIM_OK);
    }
    void PokeValue(const FieldCase& field, DWORD dwValue)
    {
        Poke(field.nAddress, field.nSize == 1 ? std::vector<BYTE>{BYTE(dwValue)} : std::vector<BYTE>{BYTE(dwValue), BYTE(dwValue >> 8)});
    }
    void ExpectEveryRowSumRight()
    {
        const std::vector<BYTE> eeprom = Peek(0, 0x200);
        for (std::size_t nRow = 0; nRow < eeprom.size(); nRow += 16) {
            BYTE bySum = 0;
            for (std::size_t i = 0; i < 15; ++i)
                bySum = static_cast<BYTE>(bySum + eeprom[nRow + i]);
            EXPECT_EQ(bySum, eeprom[nRow + 15]) << "row 0x" << std::hex << nRow;
        }
    }
    void Read(CSettingsModel& model)
    {
        ASSERT_EQ(model.ReadFromTarget(m_link, {}, m_strError), Result::Ok) << m_strError;
    }
    int Write(CSettingsModel& model)
    {
        m_sim.api.ClearTrace();
        return model.WriteToTarget(m_link, {}, m_journal, m_strError, m_strFailedField);
    }
    // The file object's text as saved.
    std::string SavedText(CSettingsModel& model)
    {
        CToolConfigXML file;
        EXPECT_EQ(model.SaveConfiguration(file, m_strError, m_strFailedField), Result::Ok) << m_strError;
        std::string strText;
        EXPECT_EQ(file.RenderFile(strText, m_strError), Result::Ok) << m_strError;
        return strText;
    }

    LanguageGuard m_english{kLanguageEnglish};
    FakeTimeService m_time;
    SimulatorControl m_sim;
    CVelmorTPExt m_link;
    CProductCatalog m_catalog;
    CWriteJournal m_journal;
    std::string m_strError;
    std::string m_strFailedField;
};
