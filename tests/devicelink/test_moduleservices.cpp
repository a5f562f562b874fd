// The typed module services: requests, argument and response checks, and the
// decoding of module information and error code details.
#include "ScriptedTransport.h"

#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "configdata/StringParameter.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

using Bytes = std::vector<BYTE>;
using Values = std::vector<std::pair<std::string, std::string>>;

Values ListOf(CStringParameterHandler& parameters)
{
    Values values;
    for (int i = 0; i < parameters.GetParameterCount(); ++i) {
        CStringParameter parameter;
        std::string error;
        parameters.GetParameterByIndex(i, parameter, error);
        values.emplace_back(parameter.GetName(), parameter.GetValue());
    }
    return values;
}

class ModuleServices : public ::testing::Test {
protected:
    FakeTimeService m_time;
    LanguageGuard m_english{kLanguageEnglish};
    CScriptedTransport m_protocol;
    std::string m_error;
};

TEST_F(ModuleServices, RequestsAreBigEndian)
{
    const Bytes data = {0xAA, 0xBB};
    std::vector<BYTE> out;
    UCHAR byValue = 0;
    WORD wValue = 0;
    DWORD dwValue = 0;
    UCHAR byCount = 0;
    struct Case {
        std::function<int()> call;
        Bytes request;
    };
    const Case cases[] = {
        {[&] { return m_protocol.ResetModule(m_error); }, {0x00}},
        {[&] { return m_protocol.ReadByteByIndex(1, byValue, m_error); }, {0x03, 0x01}},
        {[&] { return m_protocol.ReadByteByIndexB(2, byValue, m_error); }, {0x05, 0x02}},
        {[&] { return m_protocol.ReadWordByIndex(3, wValue, m_error); }, {0x07, 0x03}},
        {[&] { return m_protocol.ReadDWordByIndex(4, dwValue, m_error); }, {0x09, 0x04}},
        {[&] { return m_protocol.WriteByteByIndex(1, 0x7F, m_error); }, {0x02, 0x01, 0x7F}},
        {[&] { return m_protocol.WriteByteByIndexB(1, 0x80, m_error); }, {0x04, 0x01, 0x80}},
        {[&] { return m_protocol.WriteWordByIndex(5, 0x1234, m_error); }, {0x06, 0x05, 0x12, 0x34}},
        {[&] { return m_protocol.WriteDWordByIndex(6, 0x01020304, m_error); }, {0x08, 0x06, 0x01, 0x02, 0x03, 0x04}},
        {[&] { return m_protocol.ReadEEByAddr(0x0123, 1, out, m_error); }, {0x0A, 0x01, 0x23, 0x01}},
        {[&] { return m_protocol.WriteEEByAddr(0x0123, 2, data.data(), m_error); }, {0x0B, 0x01, 0x23, 0x02, 0xAA, 0xBB}},
        {[&] { return m_protocol.ReadEEByBlockNumber(0x0203, 1, out, m_error); }, {0x0C, 0x02, 0x03, 0x01}},
        {[&] { return m_protocol.WriteEEByBlockNumber(0x0102, 2, data.data(), m_error); }, {0x0D, 0x01, 0x02, 0x02, 0xAA, 0xBB}},
        {[&] { return m_protocol.ReadFlashByAddr(0x00012345, 16, out, m_error); }, {0x0E, 0x00, 0x01, 0x23, 0x45, 0x10}},
        {[&] { return m_protocol.WriteFlashByAddr(0x80001000, 2, data.data(), m_error); },
         {0x0F, 0x80, 0x00, 0x10, 0x00, 0x02, 0xAA, 0xBB}},
        {[&] { return m_protocol.EraseFlashByAddr(0x00004000, 64, m_error); }, {0x1C, 0x00, 0x00, 0x40, 0x00, 0x40}},
        {[&] { return m_protocol.ExecuteCommand20(m_error); }, {0x12}},
        {[&] { return m_protocol.ActivateBootloader(m_error); }, {0x13}},
        {[&] { return m_protocol.ActivateApplication(m_error); }, {0x14}},
        {[&] { return m_protocol.ReadDataByAddr(0x10, 1, out, m_error); }, {0x1A, 0x10, 0x01}},
        {[&] { return m_protocol.SetBaudrate(19200, m_error); }, {0x1D, 0x04}},
        {[&] { return m_protocol.SetBaudrate(38400, m_error); }, {0x1D, 0x05}},
        {[&] { return m_protocol.ExecuteCommand31(m_error); }, {0x1E}},
        {[&] { return m_protocol.ReadCountedList(byCount, out, m_error); }, {0x1F}},
    };
    for (const Case& c : cases) {
        // A payload that satisfies every read: status, then echo-like bytes.
        m_protocol.Reply({0x00, c.request.size() > 1 ? c.request[1] : BYTE{0}, 0x01, 0x00, 0x00});
        m_protocol.m_requests.clear();
        c.call();
        ASSERT_EQ(1u, m_protocol.m_requests.size());
        EXPECT_EQ(c.request, m_protocol.m_requests[0]);
    }
}

TEST_F(ModuleServices, ValuesAreReadBigEndian)
{
    WORD wValue = 0;
    DWORD dwValue = 0;
    UCHAR byValue = 0;
    m_protocol.Reply({0x00, 0x12, 0x34});
    ASSERT_EQ(Result::Ok, m_protocol.ReadWordByIndex(1, wValue, m_error));
    EXPECT_EQ(0x1234, wValue);
    m_protocol.Reply({0x00, 0x01, 0x02, 0x03, 0x04});
    ASSERT_EQ(Result::Ok, m_protocol.ReadDWordByIndex(1, dwValue, m_error));
    EXPECT_EQ(0x01020304u, dwValue);
    m_protocol.Reply({0x00, 0x9A});
    ASSERT_EQ(Result::Ok, m_protocol.ReadByteByIndex(1, byValue, m_error));
    EXPECT_EQ(0x9A, byValue);
}

TEST_F(ModuleServices, ResponsesTooShortForTheValueAreRefused)
{
    DWORD dwValue = 7;
    m_protocol.Reply({0x00, 0x01, 0x02});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadDWordByIndex(1, dwValue, m_error));
    EXPECT_EQ("CVelmorTPBase::ReadDWordByIndex: The received length information (3) is too short, at least (5) bytes were expected",
              m_error);
    EXPECT_EQ(7u, dwValue);
}

TEST_F(ModuleServices, EepromReadChecksTheResponseLength)
{
    std::vector<BYTE> data = {1, 2, 3};
    m_protocol.Reply({0x00, 0x11, 0x22, 0x33, 0x44});
    ASSERT_EQ(Result::Ok, m_protocol.ReadEEByAddr(0x0010, 4, data, m_error));
    EXPECT_EQ((Bytes{0x11, 0x22, 0x33, 0x44}), data);

    m_protocol.Reply({0x00, 0x11, 0x22, 0x33});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadEEByAddr(0x0010, 4, data, m_error));
    EXPECT_EQ("ReadEEByAddr failed due to the response length (4) does not match with the expected response length (5)", m_error);
    EXPECT_TRUE(data.empty());

    m_protocol.Reply({0x00, 0x11});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadEEByBlockNumber(2, 2, data, m_error));
    EXPECT_EQ("ReadEEByBlockNumber failed due to the response length (2) does not match with the expected response length (3)",
              m_error);
}

TEST_F(ModuleServices, ArgumentChecksSendNothing)
{
    std::vector<BYTE> data;
    const BYTE byData[1] = {0};
    struct Case {
        std::function<int()> call;
        const char* szText;
    };
    const Case cases[] = {
        {[&] { return m_protocol.ReadEEByAddr(1, 0, data, m_error); }, "CVelmorTPBase::ReadEEByAddr: Failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteEEByAddr(1, 0, byData, m_error); }, "WriteEEByAddr failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteEEByAddr(1, 1, nullptr, m_error); },
         "WriteEEByAddr failed due to the passed data array is invalid (NULL)"},
        {[&] { return m_protocol.ReadEEByBlockNumber(1, 0, data, m_error); }, "ReadEEByBlockNumber failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteEEByBlockNumber(1, 0, byData, m_error); }, "WriteEEByBlockNumber failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteEEByBlockNumber(1, 1, nullptr, m_error); },
         "WriteEEByBlockNumber failed due to the passed data array is invalid (NULL)"},
        {[&] { return m_protocol.ReadFlashByAddr(1, 0, data, m_error); }, "ReadFlashByAddr failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteFlashByAddr(1, 0, byData, m_error); }, "WriteFlashByAddr failed due to the length can't be 0"},
        {[&] { return m_protocol.WriteFlashByAddr(1, 1, nullptr, m_error); },
         "WriteFlashByAddr failed due to the passed data array is invalid (NULL)"},
        {[&] { return m_protocol.EraseFlashByAddr(1, 0, m_error); }, "EraseFlashByAddr failed due to the length can't be 0"},
        {[&] { return m_protocol.SetBaudrate(1200, m_error); }, "The given baudrate value (1200) is out of range"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Result::InvalidArgument, c.call()) << c.szText;
        EXPECT_EQ(c.szText, m_error);
    }
    EXPECT_TRUE(m_protocol.m_requests.empty());

    LanguageGuard german(kLanguageGerman);
    m_protocol.ReadEEByAddr(1, 0, data, m_error);
    EXPECT_EQ("CVelmorTPBase::ReadEEByAddr: Die Länge kann nicht 0 sein", m_error);
}

TEST_F(ModuleServices, WritesLongerThanAFrameAreRefused)
{
    const Bytes data(255, 0x5A);
    EXPECT_EQ(Result::Ok, (m_protocol.Reply({0x00}), m_protocol.WriteEEByAddr(0, 250, data.data(), m_error)));
    EXPECT_EQ(Result::InvalidArgument, m_protocol.WriteEEByAddr(0, 251, data.data(), m_error));
    EXPECT_EQ(1u, m_protocol.m_requests.size());
}

TEST_F(ModuleServices, TargetErrorPassesThrough)
{
    m_protocol.Reply({0xFF, 0x09});
    const BYTE row[16] = {};
    EXPECT_EQ(Result::TargetError, m_protocol.WriteEEByAddr(0x0100, 16, row, m_error));
    EXPECT_EQ("CVelmorTPBase::SendCommand Error code 0x09 reported by target", m_error);
}

TEST_F(ModuleServices, DataByAddressChecksItsEchoes)
{
    std::vector<BYTE> data;
    m_protocol.Reply({0x00, 0x10, 0x02, 0xCA, 0xFE});
    ASSERT_EQ(Result::Ok, m_protocol.ReadDataByAddr(0x10, 2, data, m_error));
    EXPECT_EQ((Bytes{0xCA, 0xFE}), data);

    m_protocol.Reply({0x00, 0x11, 0x02, 0xCA, 0xFE});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadDataByAddr(0x10, 2, data, m_error));
    EXPECT_EQ("The received addr information (17) does not math with the expected one (16)", m_error);
    EXPECT_TRUE(data.empty());

    m_protocol.Reply({0x00, 0x10, 0x03, 0xCA, 0xFE});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadDataByAddr(0x10, 2, data, m_error));
    EXPECT_EQ("The received length information (3) does not math with the expected one (2)", m_error);
}

TEST_F(ModuleServices, CountedList)
{
    std::vector<BYTE> data;
    UCHAR byCount = 0;
    m_protocol.Reply({0x00, 0x03, 0xAA, 0xBB, 0xCC});
    ASSERT_EQ(Result::Ok, m_protocol.ReadCountedList(byCount, data, m_error));
    EXPECT_EQ(3, byCount);
    EXPECT_EQ((Bytes{0xAA, 0xBB, 0xCC}), data);
    m_protocol.Reply({0x00, 0x04, 0xAA, 0xBB, 0xCC});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadCountedList(byCount, data, m_error));
}

TEST_F(ModuleServices, FlashReadDataAreNotKept)
{
    std::vector<BYTE> data = {1, 2};
    m_protocol.Reply({0x00, 0x01, 0x02});
    EXPECT_EQ(Result::Ok, m_protocol.ReadFlashByAddr(0, 2, data, m_error));
    EXPECT_TRUE(data.empty());
}

struct ModuleInformationCase {
    const char* szName;
    Bytes payload;
    Values expected;
};

void PrintTo(const ModuleInformationCase& c, std::ostream* os)
{
    *os << c.szName;
}

class ModuleInformation : public ModuleServices, public ::testing::WithParamInterface<ModuleInformationCase> {};

TEST_P(ModuleInformation, IsDecodedInRecordOrder)
{
    CStringParameterHandler parameters;
    ASSERT_EQ(Result::Ok, parameters.ExtractParameters("Old=1", m_error));
    m_protocol.Reply(GetParam().payload);
    ASSERT_EQ(Result::Ok, m_protocol.ReadModuleInformation(parameters, m_error)) << m_error;
    EXPECT_EQ(GetParam().expected, ListOf(parameters));
    EXPECT_EQ((Bytes{0x01}), m_protocol.m_requests.at(0));
}

INSTANTIATE_TEST_SUITE_P(
    ModuleServices, ModuleInformation,
    ::testing::Values(
        ModuleInformationCase{"Layout0", {0x00, 0x00, 0x01, 0x12, 0x34, 0x02, 0x07, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56},
                              {{"Active application", "1 = Application"},
                               {"Product ID", "1234"},
                               {"SW version", "V2.07"},
                               {"Serial number", "000000123456"}}},
        ModuleInformationCase{"Layout0UnknownTestVersion", {0x00, 0x00, 0x07, 0xAB, 0xCD, 0x85, 0x03, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06},
                              {{"Active application", "0x07 = Unknown"},
                               {"Product ID", "ABCD"},
                               {"SW version", "T05.03"},
                               {"Serial number", "010203040506"}}},
        ModuleInformationCase{"Layout1", {0x00, 0x01, 0x00, 0x23, 0x03, 0x81, 0x10, 0x0C, 0x00, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6},
                              {{"Active application", "0 = Bootloader"},
                               {"Product ID", "2303"},
                               {"BL version", "T01.16"},
                               {"SW version", "V12.00"},
                               {"Serial number", "A1B2C3D4E5F6"}}}),
    [](const ::testing::TestParamInfo<ModuleInformationCase>& info) { return std::string(info.param.szName); });

TEST_F(ModuleServices, ModuleInformationFailures)
{
    CStringParameterHandler parameters;
    // Layout 1 with the 11 bytes of layout 0.
    m_protocol.Reply({0x00, 0x01, 0x01, 0x12, 0x34, 0x02, 0x07, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56});
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ReadModuleInformation(parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseLayoutVersion_V1:: The passed length (11) is invalid. A min length of (13) and a max length of (13) was expected",
              m_error);

    m_protocol.Reply({0x00, 0x02, 0x01});
    EXPECT_EQ(Result::LayoutNotSupported, m_protocol.ReadModuleInformation(parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ReadModuleInformation: The read module information layout version (2) is not yet supported", m_error);

    m_protocol.Reply({0x00, 0x00});
    EXPECT_EQ(Result::InvalidResponse, m_protocol.ReadModuleInformation(parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ReadModuleInformation: The received length information (2) is invalid", m_error);

    EXPECT_EQ(Result::LayoutNotSupported, m_protocol.ParseLayoutVersion_V0(1, 11, nullptr, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseLayoutVersion_V0:: Internal error: The function was called for the not supported layout version (1).",
              m_error);

    LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ParseLayoutVersion_V0(0, 11, nullptr, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseLayoutVersion_V0:: The data array pointer can't be NULL", m_error);
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ParseLayoutVersion_V1(1, 13, nullptr, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseLayoutVersion_V1:: Der Datenzeiger darf nicht NULL", m_error);
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ParseLayoutVersion_V1(1, 12, nullptr, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseLayoutVersion_V1:: Die Längeninformation (12) ist ungültig. Eine Länge zwischen (13) und (13) wurde erwartet",
              m_error);
    m_protocol.Reply({0x00, 0x05, 0x01});
    m_protocol.ReadModuleInformation(parameters, m_error);
    EXPECT_EQ("CVelmorTPBase::ReadModuleInformation: Die empfangene The read module information layout version (5) is not yet supported",
              m_error);
}

TEST_F(ModuleServices, ErrorCodeDetails)
{
    CStringParameterHandler parameters;
    m_protocol.Reply({0x00, 0x00, 0x2A, 0xD3, 0x01, 0xF4, 0x00, 0x7B});
    ASSERT_EQ(Result::Ok, m_protocol.ErrorCodesReadDetails(4, parameters, m_error)) << m_error;
    EXPECT_EQ((Bytes{0x20, 0x04}), m_protocol.m_requests.at(0));
    EXPECT_EQ((Values{{"ErrorCode", "42"},
                      {"IsHistoric", "1"},
                      {"IsActive", "1"},
                      {"IsStoreableToNVM", "0"},
                      {"StoredToNVM", "1"},
                      {"ErrorCount", "3"},
                      {"OperationHours", "500"},
                      {"BatteryVoltage", "123"}}),
              ListOf(parameters));

    m_protocol.Reply({0x00, 0x01, 0x2A, 0xD3, 0x01, 0xF4, 0x00, 0x7B});
    EXPECT_EQ(Result::LayoutNotSupported, m_protocol.ErrorCodesReadDetails(4, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ErrorCodesReadDetails: The read error code details layout version (1) is not yet supported", m_error);

    m_protocol.Reply({0x00, 0x00, 0x2A, 0xD3, 0x01, 0xF4, 0x00});
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ErrorCodesReadDetails(4, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0:: The passed length (6) is invalid. A min length of (7) and a max length of (7) was expected",
              m_error);
}

TEST_F(ModuleServices, ErrorCodeDetailsRaw)
{
    UCHAR byLayout = 9;
    int nCount = -5;
    std::vector<BYTE> details = {1};
    m_protocol.Reply({0x00, 0x00, 0x2A, 0xD3, 0x01, 0xF4, 0x00, 0x7B});
    ASSERT_EQ(Result::Ok, m_protocol.ReadErrorCodeDetailsRaw(1, byLayout, nCount, details, m_error));
    EXPECT_EQ(0, byLayout);
    EXPECT_EQ(7, nCount);
    // The count reaches one byte past the payload; that byte reads as 0.
    EXPECT_EQ((Bytes{0x2A, 0xD3, 0x01, 0xF4, 0x00, 0x7B, 0x00}), details);

    m_protocol.Reply({0x00});
    ASSERT_EQ(Result::Ok, m_protocol.ReadErrorCodeDetailsRaw(1, byLayout, nCount, details, m_error));
    EXPECT_EQ(0, nCount);
    EXPECT_TRUE(details.empty());

    LanguageGuard german(kLanguageGerman);
    CStringParameterHandler parameters;
    EXPECT_EQ(Result::InvalidArgument, m_protocol.ParseErrorCodeDetailsLayoutVersion_V0(0, 7, nullptr, parameters, m_error));
    EXPECT_EQ("CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0:: Der Zeiger kann nicht NULL sein", m_error);
    m_protocol.Reply({0x00, 0x03});
    m_protocol.ErrorCodesReadDetails(4, parameters, m_error);
    EXPECT_EQ("CVelmorTPBase::ErrorCodesReadDetails: Die empfangene Fehlercode-Versionsinformation (3) wird nicht unterstützt", m_error);
}

} // namespace
