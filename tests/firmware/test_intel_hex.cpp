#include "common/ResultCodes.h"
#include "firmware/IntelHex.h"

#include "LanguageGuard.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A data line with a correct checksum, built independently of the code under test.
std::string DataLine(unsigned address, const std::vector<BYTE>& data, unsigned type = 0)
{
    std::vector<unsigned> bytes = {unsigned(data.size()), (address >> 8) & 0xFF, address & 0xFF, type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = ":";
    char pair[3];
    for (unsigned b : bytes) {
        sum += b;
        std::snprintf(pair, sizeof pair, "%02X", b & 0xFF);
        line += pair;
    }
    std::snprintf(pair, sizeof pair, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + pair;
}

std::vector<BYTE> Bytes(std::size_t count, BYTE first)
{
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>(first + i);
    return bytes;
}

std::vector<BYTE> RecordBytes(const CDataRecord& record)
{
    return std::vector<BYTE>(record.GetData(), record.GetData() + record.GetLength());
}

class IntelHexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fluxa_hex_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string WriteFile(const std::string& text, const std::string& name = "image.hex")
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int LoadText(const std::string& text)
    {
        m_strPath = WriteFile(text);
        return m_hex.Load(m_strPath, m_strError);
    }
    CDataRecord Record(int index)
    {
        CDataRecord record;
        std::string error;
        EXPECT_EQ(Result::Ok, m_hex.GetDataRecord(index, record, error)) << error;
        return record;
    }

    fs::path m_dir;
    std::string m_strPath;
    CIntelHex m_hex;
    std::string m_strError;
};

TEST_F(IntelHexTest, ExtendedLinearAddressMovesFollowingData)
{
    ASSERT_EQ(Result::Ok, LoadText(":020000040001F9\n:0400000001020304F2\n:00000001FF\n")) << m_strError;
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    const CDataRecord record = Record(0);
    EXPECT_EQ(0x10000u, record.GetStartAddr());
    EXPECT_EQ(0x10003u, record.GetEndAddr());
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), RecordBytes(record));
    EXPECT_EQ(3, m_hex.GetLineNumber());
}

TEST_F(IntelHexTest, WrongChecksumNamesBothValuesAndTheFile)
{
    EXPECT_EQ(Result::InvalidArgument, LoadText("\n:0100000000FE\n"));
    EXPECT_EQ("The handled file line (2) contains an invalid checksum.The checksum (0xFE) was expected but (0xFF) "
              "was calculated from the line data.\nParsed file was:" +
                  m_strPath,
              m_strError);
}

TEST_F(IntelHexTest, AdjacentLinesJoinAndARepeatedLineIsDropped)
{
    const std::string text = DataLine(0x0000, Bytes(16, 0x00)) + "\n" + DataLine(0x0010, Bytes(16, 0x10)) + "\n" +
                             DataLine(0x0000, Bytes(16, 0x00)) + "\n:00000001FF\n";
    ASSERT_EQ(Result::Ok, LoadText(text)) << m_strError;
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    EXPECT_EQ(Bytes(32, 0x00), RecordBytes(Record(0)));
    // Joined lines do not count again in the total.
    EXPECT_EQ(16u, m_hex.Records().GetTotalLength());
}

TEST_F(IntelHexTest, EndOfFileRecordIsRecorded)
{
    struct Case {
        const char* name;
        std::string text;
        bool endRecord;
        int records;
    };
    // In this order the flag of one file must not carry over to the next.
    const Case cases[] = {
        {"complete", DataLine(0x0000, Bytes(4, 0)) + "\n:00000001FF\n", true, 1},
        {"cut off", DataLine(0x0000, Bytes(4, 0)) + "\n", false, 1},
        {"end record only", ":00000001FF", true, 0},
        {"empty", "", false, 0},
        {"blank lines only", "\n \r\n", false, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Result::Ok, LoadText(c.text)) << c.name << ": " << m_strError;
        EXPECT_EQ(c.endRecord, m_hex.HasEndOfFileRecord()) << c.name;
        EXPECT_EQ(c.records, m_hex.GetDataRecordCount()) << c.name;
    }
}

TEST_F(IntelHexTest, OverlappingLinesMustAgree)
{
    const std::vector<BYTE> base = Bytes(16, 0x20); // line 1, at 0x0100
    const auto slice = [&base](std::size_t from, std::size_t count) {
        return std::vector<BYTE>(base.begin() + static_cast<std::ptrdiff_t>(from),
                                 base.begin() + static_cast<std::ptrdiff_t>(from + count));
    };
    const auto join = [](std::vector<BYTE> a, const std::vector<BYTE>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const auto changed = [](std::vector<BYTE> bytes, std::size_t index) {
        bytes[index] ^= 0x01;
        return bytes;
    };
    struct Block {
        DWORD address;
        std::vector<BYTE> bytes;
    };
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::vector<Block> image;  // accepted: what the image holds
        const char* conflict;      // refused: the message
    };
    const std::string first = DataLine(0x0100, base);
    const Case cases[] = {
        {"exact repeat", {first, first}, {{0x0100, base}}, nullptr},
        {"exact repeat, one byte other", {first, DataLine(0x0100, changed(base, 9))}, {},
         "The data of the handled file line (2) differs at the address (0x109) from the data of line (1)"},
        {"inside", {first, DataLine(0x0104, slice(4, 8))}, {{0x0100, base}}, nullptr},
        {"inside, one byte other", {first, DataLine(0x0104, changed(slice(4, 8), 5))}, {},
         "The data of the handled file line (2) differs at the address (0x109) from the data of line (1)"},
        {"over the end", {first, DataLine(0x0108, join(slice(8, 8), Bytes(8, 0x90)))},
         {{0x0100, join(base, Bytes(8, 0x90))}}, nullptr},
        {"over the end, one byte other", {first, DataLine(0x0108, join(changed(slice(8, 8), 3), Bytes(8, 0x90)))}, {},
         "The data of the handled file line (2) differs at the address (0x10B) from the data of line (1)"},
        {"over the start", {first, DataLine(0x00F8, join(Bytes(8, 0x90), slice(0, 8)))},
         {{0x00F8, join(Bytes(8, 0x90), base)}}, nullptr},
        {"over the start, one byte other", {first, DataLine(0x00F8, changed(join(Bytes(8, 0x90), slice(0, 8)), 12))}, {},
         "The data of the handled file line (2) differs at the address (0x104) from the data of line (1)"},
        {"bridging two lines",
         {DataLine(0x0100, slice(0, 4)), DataLine(0x010C, slice(12, 4)), DataLine(0x0102, slice(2, 12))},
         {{0x0100, base}}, nullptr},
        {"bridging two lines, other where it meets the second",
         {DataLine(0x0100, slice(0, 4)), DataLine(0x010C, slice(12, 4)), DataLine(0x0102, changed(slice(2, 12), 11))},
         {}, "The data of the handled file line (3) differs at the address (0x10D) from the data of line (2)"},
        // 0x10000 reached from segment 1 and, running over 0xFFFF, from segment 0.
        {"across a segment",
         {":020000040001F9", DataLine(0x0000, Bytes(8, 0x40)), ":020000040000FA",
          DataLine(0xFFF8, join(Bytes(8, 0x70), Bytes(8, 0x40)))},
         {{0xFFF8, join(Bytes(8, 0x70), Bytes(8, 0x40))}}, nullptr},
        {"across a segment, one byte other",
         {":020000040001F9", DataLine(0x0000, Bytes(8, 0x40)), ":020000040000FA",
          DataLine(0xFFF8, changed(join(Bytes(8, 0x70), Bytes(8, 0x40)), 15))},
         {}, "The data of the handled file line (4) differs at the address (0x10007) from the data of line (2)"},
    };
    for (const Case& c : cases) {
        std::string text;
        for (const std::string& line : c.lines)
            text += line + "\n";
        const int result = LoadText(text + ":00000001FF\n");
        if (c.conflict != nullptr) {
            EXPECT_EQ(Result::InvalidArgument, result) << c.name;
            EXPECT_EQ(c.conflict + ("\nParsed file was:" + m_strPath), m_strError) << c.name;
            continue;
        }
        ASSERT_EQ(Result::Ok, result) << c.name << ": " << m_strError;
        for (const Block& block : c.image) {
            BYTE value = 0;
            EXPECT_FALSE(m_hex.FindByte(block.address - 1, value)) << c.name;
            EXPECT_FALSE(m_hex.FindByte(block.address + DWORD(block.bytes.size()), value)) << c.name;
            for (std::size_t i = 0; i < block.bytes.size(); ++i) {
                ASSERT_TRUE(m_hex.FindByte(block.address + DWORD(i), value)) << c.name << " " << i;
                EXPECT_EQ(block.bytes[i], value) << c.name << " " << i;
            }
        }
    }
}

TEST_F(IntelHexTest, LineLengthLimits)
{
    // 251 data bytes is the longest line the checksum accepts.
    ASSERT_EQ(Result::Ok, LoadText(DataLine(0x0100, Bytes(251, 0)) + "\n")) << m_strError;
    EXPECT_EQ(251u, Record(0).GetLength());

    // 252 data bytes: 515 characters pass the length check, 256 bytes fail the checksum.
    const std::string line252 = DataLine(0x0100, Bytes(252, 0));
    ASSERT_EQ(515u, line252.size());
    EXPECT_EQ(Result::InvalidArgument, m_hex.ParseLine(line252, m_strError));
    EXPECT_EQ("Can't calculate the checksum due to the length information (256) is invalid", m_strError);
}

TEST_F(IntelHexTest, RefusedLines)
{
    struct Case {
        const char* line;
        int result;
        const char* error;
    };
    const Case cases[] = {
        {":020000021000EC", Result::InvalidArgument, "The Intel hex data record type (2) is not supported yet"},
        {":0000000000", Result::InvalidArgument, "A length information set to 0 is not supported/invalid"},
        {":00000001F", Result::InvalidArgument,
         "The handled file line (0) with the char count (10) is out of range. The min char count is definied as "
         "(9) and the max is defined as (521)."},
        {":000001F", Result::InvalidArgument,
         "The handled file line (0) with the char count (8) is out of range. The min char count is definied as (9) "
         "and the max is defined as (521)."},
        {"X00000001FF", Result::InvalidArgument, "The start condition (':') was not found"},
        {":0000000G01", Result::InvalidArgument, "The passed string contains not a value"},
        // A count byte that disagrees with the digits the line carries.
        {":0200000000FE", Result::InvalidArgument, "The handled file line (0) announces (2) data bytes but carries (1)"},
        {":010000000102FC", Result::InvalidArgument,
         "The handled file line (0) announces (1) data bytes but carries (2)"},
        {":0100000400FB", Result::InvalidArgument,
         "The extended linear address record of line (0) carries (1) data bytes instead of 2"},
    };
    for (const Case& c : cases) {
        CIntelHex hex;
        std::string error;
        EXPECT_EQ(c.result, hex.ParseLine(c.line, error)) << c.line;
        EXPECT_EQ(c.error, error) << c.line;
        EXPECT_EQ(0, hex.GetDataRecordCount()) << c.line;
    }
}

TEST_F(IntelHexTest, DataBeyondTheAddressSpaceIsRefused)
{
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(":02000004FFFFFC", m_strError));
    EXPECT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0xFFF0, Bytes(16, 0)), m_strError)) << m_strError;
    EXPECT_EQ(Result::InvalidArgument, m_hex.ParseLine(DataLine(0xFFF1, Bytes(16, 0)), m_strError));
    EXPECT_EQ("The data of the handled file line (0) reaches beyond the 32-bit address range", m_strError);
}

TEST_F(IntelHexTest, NothingAfterTheEndRecord)
{
    EXPECT_EQ(Result::MissingPrecondition,
              LoadText(DataLine(0x0000, Bytes(4, 1)) + "\n:00000001FF\n" + DataLine(0x0004, Bytes(4, 5)) + "\n"));
    EXPECT_EQ("No further data was expected due to the end of data identifier was allready found\nParsed file was:" +
                  m_strPath,
              m_strError);
    // What was read before the failure stays.
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    EXPECT_EQ(4u, Record(0).GetLength());
    EXPECT_EQ(3, m_hex.GetLineNumber());
}

TEST_F(IntelHexTest, WhiteSpaceAndLineEndsAreTrimmed)
{
    ASSERT_EQ(Result::Ok, LoadText("  \t\r\n  " + DataLine(0x0000, Bytes(2, 7)) + " \t\r\n\r\n:00000001FF")) << m_strError;
    EXPECT_EQ((std::vector<BYTE>{7, 8}), RecordBytes(Record(0)));
    EXPECT_EQ(4, m_hex.GetLineNumber());
}

TEST_F(IntelHexTest, OverlongLinesAreRefusedWithTheirFullLength)
{
    // A line one pair too long, and a file of many megabytes without a line break.
    EXPECT_EQ(Result::InvalidArgument, LoadText(DataLine(0, Bytes(255, 0)) + "00\n"));
    EXPECT_EQ(0u, m_strError.find("The handled file line (1) with the char count (523) is out of range."))
        << m_strError;

    EXPECT_EQ(Result::InvalidArgument, LoadText(":" + std::string(8 * 1024 * 1024, '0')));
    EXPECT_EQ(0u, m_strError.find("The handled file line (1) with the char count (8388609) is out of range."))
        << m_strError;
    // Inner white space counts, trailing white space does not.
    EXPECT_EQ(Result::InvalidArgument, LoadText(":00" + std::string(600, ' ') + "000001FF" + std::string(600, ' ')));
    EXPECT_EQ(0u, m_strError.find("The handled file line (1) with the char count (611) is out of range."))
        << m_strError;
}

TEST_F(IntelHexTest, LoadRefusesWhatIsNoRegularFileOrTooLarge)
{
    const std::string tooLarge = WriteFile("", "large.hex");
    fs::resize_file(tooLarge, CIntelHex::kMaxFileBytes + 1); // sparse, costs no disk
    const std::string missing = (m_dir / "missing.hex").string();
    const LanguageGuard english(kLanguageEnglish);
    struct Case {
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {missing, std::generic_category().message(ENOENT)},
        {m_dir.string(), std::generic_category().message(EISDIR)},
        {tooLarge, "The file is larger than 33554432 bytes"},
    };
#if !defined(_WIN32)
    // /dev/zero never ends: read line by line it kept the reader busy for good.
    cases.push_back({"/dev/zero", std::generic_category().message(EINVAL)});
#endif
    for (const auto& c : cases) {
        ASSERT_EQ(Result::Ok, LoadText(DataLine(0, Bytes(2, 0)) + "\n:00000001FF\n"));
        EXPECT_FALSE(m_hex.FileUnreadable());
        EXPECT_EQ(Result::InvalidArgument, m_hex.Load(c.path, m_strError)) << c.path;
        EXPECT_EQ("Can't open the given file (" + c.path + "). The system reports the error: (" + c.reason + ")", m_strError);
        EXPECT_TRUE(m_hex.FileUnreadable()) << c.path;
        EXPECT_EQ(0, m_hex.GetDataRecordCount()) << c.path;
        EXPECT_FALSE(m_hex.HasEndOfFileRecord()) << c.path;
    }
    // The loader's own text, in either language.
    const LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(Result::InvalidArgument, m_hex.Load(missing, m_strError));
    EXPECT_EQ("Can't open the given file (" + missing + "). The system reports the error: (" + cases[0].reason + ")", m_strError);
}

TEST_F(IntelHexTest, LoadStartsFromAnEmptyImage)
{
    ASSERT_EQ(Result::Ok, LoadText(":020000040001F9\n:0400000001020304F2\n:00000001FF\n"));
    ASSERT_EQ(Result::Ok, LoadText(DataLine(0x0010, Bytes(2, 0)) + "\n"));
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    EXPECT_EQ(0x10u, Record(0).GetStartAddr());
}

TEST_F(IntelHexTest, HexConversionChecks)
{
    struct Case {
        const char* text;
        int position;
        int digits;
        int result;
        DWORD value;
        const char* error;
    };
    const Case cases[] = {
        {"12345678", 0, 8, Result::Ok, 0x12345678, ""},
        {"xxaBcD", 2, 4, Result::Ok, 0xABCD, ""},
        {"12", -1, 1, Result::InvalidArgument, 0, "The given start position (-1) is out of range"},
        {"12", 0, 0, Result::InvalidArgument, 0, "The given length information (0) is out of range"},
        {"123456789", 0, 9, Result::InvalidArgument, 0, "The given length information (9) is out of range"},
        {"123", 2, 2, Result::InvalidArgument, 0,
         "The given start position (2) and the length (2) exceeds the passed string length (3)"},
        {"1 2", 0, 3, Result::InvalidArgument, 0, "The passed string contains not a value"},
        {"+1", 0, 2, Result::InvalidArgument, 0, "The passed string contains not a value"},
    };
    for (const Case& c : cases) {
        DWORD value = 0;
        std::string error;
        EXPECT_EQ(c.result, m_hex.HexToValue(c.text, c.position, c.digits, value, error)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
        EXPECT_EQ(c.error, error) << c.text;
    }
    BYTE low = 0;
    ASSERT_EQ(Result::Ok, m_hex.HexToByte("1234", 0, 4, low, m_strError));
    EXPECT_EQ(0x34, low);
}

TEST_F(IntelHexTest, ChecksumOperations)
{
    BYTE checksum = 0;
    ASSERT_EQ(Result::Ok, m_hex.CalcLineChecksum("0400000001020304", checksum, m_strError));
    EXPECT_EQ(0xF2, checksum);
    const BYTE zeros[1] = {0};
    ASSERT_EQ(Result::Ok, m_hex.CalcChecksum(1, zeros, checksum, m_strError));
    EXPECT_EQ(0x00, checksum);

    EXPECT_EQ(Result::InvalidArgument, m_hex.CalcChecksum(0, zeros, checksum, m_strError));
    EXPECT_EQ("Can't calculate the checksum due to the length information (0) is invalid", m_strError);
    EXPECT_EQ(Result::InvalidArgument, m_hex.CalcChecksum(1, nullptr, checksum, m_strError));
    EXPECT_EQ("Can't calculate the check due to the data array pointer is invalid", m_strError);
    EXPECT_EQ(Result::InvalidArgument, m_hex.CalcLineChecksum("0", checksum, m_strError));
    EXPECT_EQ("Can't calculate the checksum due to the length information (0) is invalid", m_strError);
}

TEST_F(IntelHexTest, RecordsJoinOnlyAfterTheirEnd)
{
    CDataRecordHandler handler;
    const std::vector<BYTE> a = Bytes(16, 0x00);
    const std::vector<BYTE> b = Bytes(16, 0x40);
    ASSERT_EQ(Result::Ok, handler.AddDataRecord(CDataRecord(0x1010, 16, a.data()), m_strError));
    // Ends right before the first record: a new entry, not joined.
    ASSERT_EQ(Result::Ok, handler.AddDataRecord(CDataRecord(0x1000, 16, b.data()), m_strError));
    // Overlaps partly with the same bytes: stored beside the others.
    const std::vector<BYTE> c = Bytes(16, 0x08);
    ASSERT_EQ(Result::Ok, handler.AddDataRecord(CDataRecord(0x1018, 16, c.data()), m_strError));
    EXPECT_EQ(3, handler.GetCount());
    EXPECT_EQ(48u, handler.GetTotalLength());

    // Lies inside the first with the same bytes: dropped with a message but no failure.
    m_strError.clear();
    EXPECT_EQ(Result::Ok, handler.AddDataRecord(CDataRecord(0x1012, 4, a.data() + 2), m_strError));
    EXPECT_EQ("Can't add the new data record due to start and / or end addr is allready used", m_strError);
    EXPECT_EQ(3, handler.GetCount());
    // With other bytes: refused.
    EXPECT_EQ(Result::InvalidArgument, handler.AddDataRecord(CDataRecord(0x1012, 4, b.data()), m_strError));
    EXPECT_EQ("Can't add the new data record due to its data differs from the data already stored at the address "
              "(0x1012)",
              m_strError);
    EXPECT_EQ(3, handler.GetCount());

    EXPECT_EQ(Result::InvalidArgument, handler.AddDataRecord(CDataRecord(0x2000, 0, nullptr), m_strError));
}

TEST_F(IntelHexTest, RecordAppendChecks)
{
    const std::vector<BYTE> data = Bytes(8, 1);
    CDataRecord record(0x100, 8, data.data());
    EXPECT_EQ(Result::InvalidArgument, record.AppendRecord(CDataRecord(0x109, 8, data.data()), m_strError));
    EXPECT_EQ("The data can't be added due to spaces where detected.Current data: Start:0x100, length:0x8, data to be "
              "added:Start:0x109, length:0x8",
              m_strError);
    EXPECT_EQ(Result::InvalidArgument, record.AppendData(0, data.data(), m_strError));
    EXPECT_EQ("A length information set to 0 is not supported/invalid", m_strError);
    EXPECT_EQ(Result::InvalidArgument, record.AppendData(4, nullptr, m_strError));
    EXPECT_EQ("The data pointer is invalid (NULL)", m_strError);
    ASSERT_EQ(Result::Ok, record.AppendRecord(CDataRecord(0x108, 8, data.data()), m_strError));
    EXPECT_EQ(0x10Fu, record.GetEndAddr());
    EXPECT_EQ(8, record.GetByte(15));
    EXPECT_EQ(0, record.GetByte(16));

    CDataRecord top(0xFFFFFFF0u, 16, Bytes(16, 0).data());
    EXPECT_EQ(Result::InvalidArgument, top.AppendData(1, data.data(), m_strError));
    EXPECT_EQ(0xFFFFFFFFu, top.GetEndAddr());
}

TEST_F(IntelHexTest, GetDataRecordChecks)
{
    CDataRecord record;
    EXPECT_EQ(Result::MissingPrecondition, m_hex.GetDataRecord(0, record, m_strError));
    EXPECT_EQ("No data records were currently assigned. Operation aborted", m_strError);
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0, Bytes(2, 0)), m_strError));
    EXPECT_EQ(Result::InvalidArgument, m_hex.GetDataRecord(1, record, m_strError));
    EXPECT_EQ("The passed data record index (1) is invalid. Current stored data record count is (1)", m_strError);
    EXPECT_EQ(Result::InvalidArgument, m_hex.GetDataRecord(-1, record, m_strError));
}

TEST_F(IntelHexTest, MergeFillsTheGapsOfTheRange)
{
    const std::vector<BYTE> a = Bytes(0x100, 0x00);
    const std::vector<BYTE> b = Bytes(0x100, 0x80);
    std::string text;
    for (unsigned offset = 0; offset < 0x100; offset += 0x20) {
        text += DataLine(0x1800 + offset, std::vector<BYTE>(a.begin() + offset, a.begin() + offset + 0x20)) + "\n";
        text += DataLine(0x2000 + offset, std::vector<BYTE>(b.begin() + offset, b.begin() + offset + 0x20)) + "\n";
    }
    ASSERT_EQ(Result::Ok, LoadText(text + ":00000001FF\n")) << m_strError;
    ASSERT_EQ(2, m_hex.GetDataRecordCount());

    ASSERT_EQ(Result::Ok, m_hex.MergeMemoryArea(0x1800, 0x7FFF, m_strError, 0xFF)) << m_strError;
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    const CDataRecord merged = Record(0);
    EXPECT_EQ(0x1800u, merged.GetStartAddr());
    ASSERT_EQ(0x6800u, merged.GetLength());
    std::vector<BYTE> expected(0x6800, 0xFF);
    std::copy(a.begin(), a.end(), expected.begin());
    std::copy(b.begin(), b.end(), expected.begin() + 0x800);
    EXPECT_EQ(expected, RecordBytes(merged));
}

TEST_F(IntelHexTest, MergeKeepsRecordsOutsideTheRange)
{
    const std::vector<BYTE> data = Bytes(0x40, 0x10);
    // Below the range and ending right before it: absorbs the merged block.
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x17F0, std::vector<BYTE>(data.begin(), data.begin() + 16)),
                                          m_strError));
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x1900, Bytes(4, 0xA0)), m_strError));
    // Reaching beyond the end: stays, and its bytes inside the range stay in the block.
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x1FFC, Bytes(8, 0xC0)), m_strError));
    ASSERT_EQ(Result::Ok, m_hex.MergeMemoryArea(0x1800, 0x1FFF, m_strError, 0x00)) << m_strError;

    ASSERT_EQ(2, m_hex.GetDataRecordCount());
    const CDataRecord low = Record(0);
    EXPECT_EQ(0x17F0u, low.GetStartAddr());
    EXPECT_EQ(0x1FFFu, low.GetEndAddr());
    EXPECT_EQ(0xA0, low.GetByte(0x1900 - 0x17F0));
    EXPECT_EQ(0x00, low.GetByte(0x1904 - 0x17F0));
    EXPECT_EQ(0xC0, low.GetByte(0x1FFC - 0x17F0));
    EXPECT_EQ(0xC3, low.GetByte(0x1FFF - 0x17F0));
    EXPECT_EQ(0x1FFCu, Record(1).GetStartAddr());
    EXPECT_EQ(8u, Record(1).GetLength());
}

TEST_F(IntelHexTest, MergeChecks)
{
    EXPECT_EQ(Result::InvalidArgument, m_hex.MergeMemoryArea(0x2000, 0x1FFF, m_strError));
    EXPECT_EQ("CIntelHex::MergeMemoryArea: The given range (0x2000) to (0x1FFF) is invalid", m_strError);
    EXPECT_EQ(Result::MissingPrecondition, m_hex.MergeMemoryArea(0x1800, 0x7FFF, m_strError));
    EXPECT_EQ("CIntelHex::MergeMemoryArea: No data records loaded yet", m_strError);

    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x9000, Bytes(4, 0)), m_strError));
    EXPECT_EQ(Result::MissingPrecondition, m_hex.MergeMemoryArea(0, 0x100000, m_strError));
    EXPECT_EQ("CIntelHex::MergeMemoryArea: Max merge size exceeded (1048576) for the given start (0x0) and end "
              "(0x100000)",
              m_strError);
    // Nothing inside the range: the image stays as it was.
    ASSERT_EQ(Result::Ok, m_hex.MergeMemoryArea(0x1800, 0x7FFF, m_strError));
    ASSERT_EQ(1, m_hex.GetDataRecordCount());
    EXPECT_EQ(4u, Record(0).GetLength());
}

TEST_F(IntelHexTest, SaveWritesLinesAndOneSegmentRecordPerSegment)
{
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0xFFF8, Bytes(4, 1)), m_strError));
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(":020000040001F9", m_strError));
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x0000, Bytes(6, 0x10)), m_strError));
    ASSERT_EQ(Result::Ok, m_hex.SetItemsPerLine(4, m_strError));
    const std::string path = (m_dir / "saved.hex").string();
    ASSERT_EQ(Result::Ok, m_hex.Save(path, m_strError)) << m_strError;
    EXPECT_EQ(DataLine(0xFFF8, Bytes(4, 1)) + "\n:020000040001F9\n" + DataLine(0x0000, Bytes(4, 0x10)) + "\n" +
                  DataLine(0x0004, Bytes(2, 0x14)) + "\n:00000001FF\n",
              ReadFile(path));

    CIntelHex reloaded;
    ASSERT_EQ(Result::Ok, reloaded.Load(path, m_strError)) << m_strError;
    ASSERT_EQ(2, reloaded.GetDataRecordCount());
    CDataRecord record;
    ASSERT_EQ(Result::Ok, reloaded.GetDataRecord(1, record, m_strError));
    EXPECT_EQ(0x10000u, record.GetStartAddr());
    EXPECT_EQ(Bytes(6, 0x10), RecordBytes(record));
}

TEST_F(IntelHexTest, SaveSplitsLinesAtSegmentBoundaries)
{
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0xFFF8, Bytes(8, 0)), m_strError));
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(":020000040001F9", m_strError));
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0x0000, Bytes(8, 8)), m_strError));
    ASSERT_EQ(1, m_hex.GetDataRecordCount()); // joined across the boundary
    const std::string path = (m_dir / "saved.hex").string();
    ASSERT_EQ(Result::Ok, m_hex.Save(path, m_strError)) << m_strError;
    EXPECT_EQ(DataLine(0xFFF8, Bytes(8, 0)) + "\n:020000040001F9\n" + DataLine(0x0000, Bytes(8, 8)) +
                  "\n:00000001FF\n",
              ReadFile(path));
}

TEST_F(IntelHexTest, SaveChecks)
{
    EXPECT_EQ(Result::InvalidArgument, m_hex.Save((m_dir / "x.hex").string(), m_strError));
    EXPECT_EQ("Can't save any data to file due to no data was loaded before", m_strError);
    ASSERT_EQ(Result::Ok, m_hex.ParseLine(DataLine(0, Bytes(2, 0)), m_strError));
    const std::string path = (m_dir / "no" / "such" / "x.hex").string();
    EXPECT_EQ(Result::InvalidArgument, m_hex.Save(path, m_strError));
    EXPECT_NE(std::string::npos, m_strError.find(path)) << m_strError;

    EXPECT_EQ(Result::InvalidArgument, m_hex.SetItemsPerLine(0, m_strError));
    EXPECT_EQ("The items per line (0) is invalid. Min is (1), max is (255)", m_strError);
    EXPECT_EQ(Result::InvalidArgument, m_hex.SetItemsPerLine(256, m_strError));
    EXPECT_EQ(Result::Ok, m_hex.SetItemsPerLine(255, m_strError));
    EXPECT_EQ(255, m_hex.GetItemsPerLine());
}

TEST_F(IntelHexTest, CopyFromIsDeep)
{
    ASSERT_EQ(Result::Ok, LoadText(":020000040001F9\n:0400000001020304F2\n"));
    ASSERT_EQ(Result::Ok, m_hex.SetItemsPerLine(8, m_strError));
    CIntelHex copy;
    ASSERT_EQ(Result::Ok, copy.CopyFrom(m_hex, m_strError));
    ASSERT_EQ(Result::Ok, m_hex.MergeMemoryArea(0x10000, 0x1000F, m_strError));
    ASSERT_EQ(1, copy.GetDataRecordCount());
    CDataRecord record;
    ASSERT_EQ(Result::Ok, copy.GetDataRecord(0, record, m_strError));
    EXPECT_EQ(4u, record.GetLength());
    EXPECT_EQ(m_strPath, copy.GetFileName());
    EXPECT_EQ(2, copy.GetLineNumber());
    EXPECT_EQ(8, copy.GetItemsPerLine());
    // The extended address carries over: the next line lands in the same segment.
    ASSERT_EQ(Result::Ok, copy.ParseLine(DataLine(0x0100, Bytes(1, 0)), m_strError));
    ASSERT_EQ(Result::Ok, copy.GetDataRecord(1, record, m_strError));
    EXPECT_EQ(0x10100u, record.GetStartAddr());
}

} // namespace
