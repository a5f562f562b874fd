#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "SimulatorControl.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

namespace {

// Request frames the adapter put on the line (echoes and answers left out).
std::vector<std::vector<BYTE>> RequestsOnTheLine(const SimulatorControl& sim)
{
    std::vector<std::vector<BYTE>> requests;
    for (const VSimFrame& frame : sim.Trace())
        if (frame.direction == VSIM_DIR_TO_FITTING)
            requests.emplace_back(frame.bytes, frame.bytes + frame.length);
    return requests;
}

BYTE RowSum(const BYTE* pRow)
{
    return static_cast<BYTE>(std::accumulate(pRow, pRow + 15, 0u));
}

class VelmorTPExtTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string strError;
        ASSERT_EQ(m_Protocol.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError), Result::Ok) << strError;
        ASSERT_TRUE(m_Protocol.IsPortOpen());
        m_Sim.api.ClearTrace();
    }

    void PutEeprom(unsigned nAddress, std::vector<BYTE> bytes)
    {
        ASSERT_EQ(m_Sim.api.WriteEeprom(0, nAddress, bytes.data(), static_cast<unsigned>(bytes.size())), VSIM_OK);
        ASSERT_EQ(m_Sim.api.FixRowSums(0), VSIM_OK);
    }

    std::array<BYTE, 16> Row(unsigned nRowAddress)
    {
        std::array<BYTE, 16> row{};
        EXPECT_EQ(m_Sim.api.ReadEeprom(0, nRowAddress, row.data(), 16), VSIM_OK);
        return row;
    }

    int EepromSize()
    {
        VSimFittingState state{};
        EXPECT_EQ(m_Sim.api.GetFittingState(0, &state), VSIM_OK);
        return state.eepromSize;
    }

    SimulatorControl m_Sim; // the default world: one adapter, an Ambra fitting
    FakeTimeService m_Time;
    CVelmorTPExt m_Protocol;
    std::string m_strError;
};

// A protocol object whose module information is made up, for the values a
// fitting never reports.
class CFakeModuleInformation : public CVelmorTPExt {
public:
    std::vector<std::pair<std::string, std::string>> m_Parameters;
    int ReadModuleInformation(CStringParameterHandler& parameters, std::string& strError) override
    {
        parameters = CStringParameterHandler();
        for (const auto& [strName, strValue] : m_Parameters)
            parameters.AddParameter(CStringParameter(strName, strValue), strError);
        return Result::Ok;
    }
};

} // namespace

// The row is read, the two bytes patched little-endian, the sum renewed and
// the row written back with one command 12.
TEST_F(VelmorTPExtTest, WriteEEValuePatchesItsRowAndRenewsTheSum)
{
    const unsigned nRow = EepromSize() > 0x110 ? 0x100 : 0xA0;
    std::vector<BYTE> before(15);
    std::iota(before.begin(), before.end(), BYTE{0x40});
    PutEeprom(nRow, before);

    ASSERT_EQ(m_Protocol.WriteEEValue(static_cast<int>(nRow + 5), 2, 0x1234, m_strError), Result::Ok) << m_strError;

    const auto requests = RequestsOnTheLine(m_Sim);
    ASSERT_EQ(requests.size(), 2u);
    const std::vector<BYTE> readRow{0x0A, static_cast<BYTE>(nRow >> 8), static_cast<BYTE>(nRow), 16};
    EXPECT_EQ(std::vector<BYTE>(requests[0].begin() + 3, requests[0].end() - 1), readRow);
    const std::vector<BYTE>& write = requests[1];
    ASSERT_EQ(write.size(), 3u + 20u + 1u);
    EXPECT_EQ(write[2], 21) << "opcode, 19 parameter bytes and the sum follow the length";
    EXPECT_EQ(write[3], 0x0B);
    EXPECT_EQ(write[4], nRow >> 8);
    EXPECT_EQ(write[5], nRow & 0xFF);
    EXPECT_EQ(write[6], 16);

    std::array<BYTE, 16> expected{};
    std::copy(before.begin(), before.end(), expected.begin());
    expected[5] = 0x34;
    expected[6] = 0x12;
    expected[15] = RowSum(expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), write.begin() + 7));
    EXPECT_EQ(Row(nRow), expected);

    int nValue = 0;
    ASSERT_EQ(m_Protocol.ReadEEValue(static_cast<int>(nRow + 5), 2, nValue, m_strError), Result::Ok);
    EXPECT_EQ(nValue, 0x1234);
}

// Values that would wrap inside the row or land on its sum are refused
// before anything goes on the line.
TEST_F(VelmorTPExtTest, WriteEEValueRefusesWhatLeavesBytes0To14)
{
    LanguageGuard english(kLanguageEnglish);
    struct Case {
        int nAddress;
        int nSize;
    };
    for (const Case c : {Case{0x6E, 2}, Case{0x6F, 1}, Case{0x6D, 3}, Case{0x6E, 3}, Case{0x60, 0}, Case{0x60, 4},
                         Case{-1, 1}, Case{0x10000, 1}}) {
        m_strError.clear();
        EXPECT_EQ(m_Protocol.WriteEEValue(c.nAddress, c.nSize, 0x55, m_strError), Result::InvalidArgument)
            << c.nAddress << "/" << c.nSize;
        EXPECT_EQ(m_strError.rfind("CVelmorTPExt::WriteEEValue ", 0), 0u) << m_strError;
    }
    EXPECT_TRUE(RequestsOnTheLine(m_Sim).empty());
    EXPECT_EQ(m_strError, "CVelmorTPExt::WriteEEValue The EEPROM address (65536) is invalid");

    // The last bytes that fit.
    EXPECT_EQ(m_Protocol.WriteEEValue(0x6D, 2, 0xBEEF, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(m_Protocol.WriteEEValue(0x6C, 3, 0x123456, m_strError), Result::Ok) << m_strError;
    const auto row = Row(0x60);
    EXPECT_EQ(row[12], 0x56);
    EXPECT_EQ(row[13], 0x34);
    EXPECT_EQ(row[14], 0x12);
    EXPECT_EQ(row[15], RowSum(row.data()));
}

TEST_F(VelmorTPExtTest, WriteEEValueWritesNothingWhenTheRowReadFails)
{
    m_Sim.AddFault(0, VSIM_FAULT_BAD_CHECKSUM, VSIM_TRIGGER_COMMAND, CVelmorTPBase::CmdReadEEByAddr);
    const auto before = Row(0x70);
    EXPECT_EQ(m_Protocol.WriteEEValue(0x72, 2, 999, m_strError), Result::InvalidResponse);
    EXPECT_EQ(m_strError, "Invalid checksum");
    for (const auto& request : RequestsOnTheLine(m_Sim))
        EXPECT_NE(request[3], 0x0B) << "no row write";
    EXPECT_EQ(Row(0x70), before);
}

TEST_F(VelmorTPExtTest, WriteEEBlockRenewsTheSumAndWritesOnlyWholeRows)
{
    std::array<BYTE, 16> row{};
    std::iota(row.begin(), row.end(), BYTE{1});
    row[15] = 0xEE; // whatever the caller left there
    ASSERT_EQ(m_Protocol.WriteEEBlock(0xB0, row, m_strError), Result::Ok) << m_strError;
    row[15] = RowSum(row.data());
    EXPECT_EQ(Row(0xB0), row);

    m_Sim.api.ClearTrace();
    EXPECT_EQ(m_Protocol.WriteEEBlock(0xB4, row, m_strError), Result::InvalidArgument);
    EXPECT_EQ(m_Protocol.WriteEEBlock(0xB0, std::span<const BYTE>(row.data(), 15), m_strError),
              Result::InvalidArgument);
    EXPECT_TRUE(RequestsOnTheLine(m_Sim).empty());
}

TEST_F(VelmorTPExtTest, ReadEEValueIsLittleEndianForOneToThreeBytes)
{
    PutEeprom(0x90, {0x11, 0x22, 0x33, 0x44});
    const std::pair<int, int> cases[] = {{1, 0x11}, {2, 0x2211}, {3, 0x332211}};
    for (const auto& [nSize, nExpected] : cases) {
        int nValue = -1;
        ASSERT_EQ(m_Protocol.ReadEEValue(0x90, nSize, nValue, m_strError), Result::Ok) << m_strError;
        EXPECT_EQ(nValue, nExpected);
    }
    std::string strValue;
    ASSERT_EQ(m_Protocol.ReadEEValueAsString(0x91, 2, strValue, m_strError), Result::Ok);
    EXPECT_EQ(strValue, "13090"); // 0x3322

    m_Sim.api.ClearTrace();
    int nValue = -1;
    EXPECT_EQ(m_Protocol.ReadEEValue(0x90, 4, nValue, m_strError), Result::Ok);
    EXPECT_EQ(nValue, 0);
    EXPECT_TRUE(RequestsOnTheLine(m_Sim).empty()) << "size 4 sends nothing";
}

TEST_F(VelmorTPExtTest, ArticleNumberDropsTheFirstOfTenDigits)
{
    struct Case {
        std::vector<BYTE> bytes; // 0x20..0x24
        const char* pszPlain;
        const char* pszFormatted;
    };
    const Case cases[] = {{{0x01, 0x00, 0x00, 0x00, 0x10}, "000000001", "00 000 00 01"},
                          {{0x89, 0x67, 0x45, 0x23, 0x01}, "123456789", "12 345 67 89"},
                          {{0xEF, 0xCD, 0xAB, 0x00, 0x00}, "000ABCDEF", "00 0AB CD EF"}};
    for (const Case& c : cases) {
        PutEeprom(0x20, c.bytes);
        std::string strPlain = "stale", strFormatted;
        ASSERT_EQ(m_Protocol.ReadArticleNumber(strPlain, strFormatted, m_strError), Result::Ok) << m_strError;
        EXPECT_EQ(strPlain, c.pszPlain);
        EXPECT_EQ(strFormatted, c.pszFormatted);
    }

    // A failed read empties the plain number and keeps the formatted one.
    m_Sim.api.UnplugFitting(0);
    std::string strPlain = "stale", strFormatted = "kept";
    EXPECT_EQ(m_Protocol.ReadArticleNumber(strPlain, strFormatted, m_strError), Result::NoResponse);
    EXPECT_EQ(strPlain, "");
    EXPECT_EQ(strFormatted, "kept");
}

TEST_F(VelmorTPExtTest, ProductionDateIsBcd)
{
    PutEeprom(0x2C, {0x24, 0x05, 0x17});
    std::string strDate = "stale";
    ASSERT_EQ(m_Protocol.ReadProductionDate(0x2C, strDate, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(strDate, "2024.05.17");
    m_Sim.api.UnplugFitting(0);
    EXPECT_EQ(m_Protocol.ReadProductionDate(0x2C, strDate, m_strError), Result::NoResponse);
    EXPECT_EQ(strDate, "");
}

TEST_F(VelmorTPExtTest, VersionAndRunningSoftwareFromTheFitting)
{
    UCHAR byMajor = 0, byMinor = 0;
    ASSERT_EQ(m_Sim.api.SetVersions(0, 1, "V1.02", "T12.03"), VSIM_OK) << m_Sim.api.GetLastError();
    ASSERT_EQ(m_Protocol.GetSWVersion(byMajor, byMinor, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(byMajor, 12);
    EXPECT_EQ(byMinor, 3);
    ASSERT_EQ(m_Sim.api.SetVersions(0, 0, nullptr, "V2.07"), VSIM_OK) << m_Sim.api.GetLastError();
    ASSERT_EQ(m_Protocol.GetSWVersion(byMajor, byMinor, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(byMajor, 2);
    EXPECT_EQ(byMinor, 7);

    int nApplication = 0;
    ASSERT_EQ(m_Protocol.GetActiveApplication(nApplication, m_strError), Result::Ok) << m_strError;
    EXPECT_EQ(nApplication, CVelmorTPExt::kRunningApplication);

    m_Sim.api.UnplugFitting(0);
    byMajor = byMinor = 9;
    EXPECT_EQ(m_Protocol.GetSWVersion(byMajor, byMinor, m_strError), Result::NoResponse);
    EXPECT_EQ(byMajor, 0);
    EXPECT_EQ(m_Protocol.GetActiveApplication(nApplication, m_strError), Result::NoResponse);
}

TEST(VelmorTPExtModuleInformation, VersionTextsTheFittingMayReport)
{
    struct Case {
        const char* pszVersion; // nullptr: not reported
        UCHAR byMajor;
        UCHAR byMinor;
    };
    for (const Case& c : {Case{"T05.03", 5, 3}, Case{"v3.10", 3, 10}, Case{" V 4.1 ", 4, 1}, Case{"V207", 0, 0},
                          Case{".5", 0, 0}, Case{nullptr, 0, 0}}) {
        CFakeModuleInformation protocol;
        if (c.pszVersion != nullptr)
            protocol.m_Parameters = {{"SW version", c.pszVersion}};
        UCHAR byMajor = 9, byMinor = 9;
        std::string strError = "stale";
        EXPECT_EQ(protocol.GetSWVersion(byMajor, byMinor, strError), Result::Ok);
        EXPECT_EQ(byMajor, c.byMajor) << (c.pszVersion ? c.pszVersion : "none");
        EXPECT_EQ(byMinor, c.byMinor) << (c.pszVersion ? c.pszVersion : "none");
        EXPECT_EQ(strError, "");
    }
}

TEST(VelmorTPExtModuleInformation, ActiveApplicationTexts)
{
    LanguageGuard english(kLanguageEnglish);
    CFakeModuleInformation protocol;
    int nApplication = 0;
    std::string strError;
    protocol.m_Parameters = {{"Active application", "0 = BOOTLOADER"}};
    ASSERT_EQ(protocol.GetActiveApplication(nApplication, strError), Result::Ok);
    EXPECT_EQ(nApplication, CVelmorTPExt::kRunningBootloader);
    protocol.m_Parameters = {{"Active application", "0x07 = Unknown"}};
    EXPECT_EQ(protocol.GetActiveApplication(nApplication, strError), Result::InvalidResponse);
    EXPECT_EQ(strError, "The received active running SW (0x07 = Unknown) is not known");
    {
        LanguageGuard german(kLanguageGerman);
        EXPECT_EQ(protocol.GetActiveApplication(nApplication, strError), Result::InvalidResponse);
        EXPECT_EQ(strError, "Die aktuell ausgeführte SW (0x07 = Unknown) ist nicht bekannt");
    }
    protocol.m_Parameters = {};
    EXPECT_NE(protocol.GetActiveApplication(nApplication, strError), Result::Ok);
    EXPECT_NE(strError, "");
}

TEST(VelmorTPExtModuleInformation, TheCacheStaysEmpty)
{
    CVelmorTPExt protocol;
    CStringParameterHandler information;
    std::string strError;
    information.AddParameter(CStringParameter("x", "1"), strError);
    EXPECT_EQ(protocol.GetModuleInformation(information, strError), Result::Ok);
    EXPECT_EQ(information.GetParameterCount(), 0);
    EXPECT_EQ(protocol.GetConnectionState(), kConnectionNoFitting);
}
