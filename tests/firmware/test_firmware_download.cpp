#include "common/ResultCodes.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareDownload.h"

#include "FakeTimeService.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;

const std::string kSampleDir = FLUXA_SAMPLE_FIRMWARE_DIR;

// A bus adapter port whose exchanges are answered by a script; it records
// every request with the conditions it was sent under and keeps the adapter's
// speed as the real port would.
class CScriptedProtocol : public CVelmorTPFTDI {
public:
    struct Exchange {
        int nCommandID;
        std::vector<BYTE> request; // opcode first
        int nRetryCount;
        int nLockDepth;
        long nBaudrate;
    };
    // Result of one exchange; may replace the payload (default: status 00).
    using Answer = std::function<int(const Exchange&, std::vector<BYTE>& payload)>;

    CScriptedProtocol()
    {
        m_nBaudrate = 2400;
        m_nLineBaudrate = 2400;
    }
    int Open(const std::string&, std::string&) override { return Result::Ok; }
    int Close(std::string&) override { return Result::Ok; }
    int SetLineBaudrate(long nBaudrate, std::string&) override
    {
        m_nLineBaudrate = static_cast<int>(nBaudrate);
        return Result::Ok;
    }
    void Lock() override
    {
        CVelmorTPBase::Lock();
        ++m_nLockDepth;
    }
    void Unlock() override
    {
        --m_nLockDepth;
        CVelmorTPBase::Unlock();
    }

    std::vector<int> CommandIDs() const
    {
        std::vector<int> ids;
        for (const Exchange& exchange : m_exchanges)
            ids.push_back(exchange.nCommandID);
        return ids;
    }
    std::vector<Exchange> Of(int nCommandID) const
    {
        std::vector<Exchange> found;
        for (const Exchange& exchange : m_exchanges)
            if (exchange.nCommandID == nCommandID)
                found.push_back(exchange);
        return found;
    }

    Answer m_answer;
    std::vector<Exchange> m_exchanges;

protected:
    int TransferCommand(int nCommandID, std::string& strError) override
    {
        m_exchanges.push_back({nCommandID, std::vector<BYTE>(m_byRequest, m_byRequest + m_nRequestLength),
                               GetRetryCount(), m_nLockDepth, m_nLineBaudrate});
        std::vector<BYTE> payload = {0x00};
        const int nResult = m_answer ? m_answer(m_exchanges.back(), payload) : Result::Ok;
        std::copy(payload.begin(), payload.end(), m_byResponse);
        m_nResponseLength = static_cast<int>(payload.size());
        if (nResult != Result::Ok) {
            strError = "Timeout";
            return nResult;
        }
        if (nCommandID == CmdSetBaudrate)
            m_nLineBaudrate = static_cast<int>(BaudrateFromCode(m_byRequest[1]));
        if (nCommandID == CmdResetModule)
            m_nLineBaudrate = m_nBaudrate;
        return Result::Ok;
    }

private:
    int m_nLockDepth = 0;
};

DWORD AddressOf(const CScriptedProtocol::Exchange& exchange)
{
    const std::vector<BYTE>& r = exchange.request;
    return DWORD(r[1]) << 24 | DWORD(r[2]) << 16 | DWORD(r[3]) << 8 | r[4];
}

// The flash as the writes left it. Programming only clears bits, so the 0xFF
// padding of a block leaves bytes programmed before as they are.
std::vector<BYTE> FlashAfter(const CScriptedProtocol& protocol)
{
    std::vector<BYTE> flash(0x10000, 0xFF);
    for (const CScriptedProtocol::Exchange& write : protocol.Of(CVelmorTPBase::CmdWriteFlashByAddr))
        for (int i = 0; i < write.request[5]; ++i)
            flash[AddressOf(write) + static_cast<DWORD>(i)] &= write.request[6 + static_cast<std::size_t>(i)];
    return flash;
}

struct Progress {
    std::string text;
    int percent;
    bool operator==(const Progress&) const = default;
};

class RecordingHost : public IFittingReidentification {
public:
    void IdentifyFittingAgain() override { m_events.push_back({"<identify>", -1}); }
    FirmwareProgressCallback Callback()
    {
        return [this](const std::string& text, int percent) { m_events.push_back({text, percent}); };
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Progress& event : m_events)
            if (texts.empty() || texts.back() != event.text)
                texts.push_back(event.text);
        return texts;
    }
    std::vector<Progress> m_events;
};

std::string HexLine(unsigned address, const std::vector<BYTE>& data, unsigned type = 0)
{
    unsigned sum = unsigned(data.size()) + (address >> 8) + (address & 0xFF) + type;
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", unsigned(data.size()), address, type);
    std::string line = text;
    for (BYTE b : data) {
        sum += b;
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
    }
    std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

std::vector<BYTE> Bytes(std::size_t count, BYTE first)
{
    std::vector<BYTE> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>(first + 7 * i);
    return bytes;
}

class FirmwareDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("fluxa_download_" + std::string(::testing::UnitTest::GetInstance()
                                                                                  ->current_test_info()
                                                                                  ->name()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string WriteText(const std::string& text)
    {
        const fs::path path = m_dir / "image.hex";
        std::ofstream(path) << text;
        return path.string();
    }
    std::string WriteImage(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return WriteText(text + ":00000001FF\n");
    }
    void Choose(const std::string& path, int productType)
    {
        std::string error;
        ASSERT_EQ(Result::Ok, m_download.ChooseFile(path, productType, error)) << error;
    }
    void Start(int productType)
    {
        std::string error;
        ASSERT_EQ(Result::Ok, m_download.StartProgramming(m_protocol, productType, m_host.Callback(), &m_host, error))
            << error;
    }
    // The bytes of the loaded (and, for types 3 to 7, merged) image.
    void ExpectFlashHoldsImage()
    {
        const std::vector<BYTE> flash = FlashAfter(m_protocol);
        for (const CDataRecord& record : m_download.Image().Records().Records())
            for (DWORD i = 0; i < record.GetLength(); ++i)
                ASSERT_EQ(record.GetByte(i), flash[record.GetStartAddr() + i])
                    << "at 0x" << std::hex << record.GetStartAddr() + i;
    }

    LanguageGuard m_language{kLanguageEnglish};
    FakeTimeService m_time;
    fs::path m_dir;
    CScriptedProtocol m_protocol;
    CFirmwareDownload m_download;
    RecordingHost m_host;
};

TEST_F(FirmwareDownloadTest, FileCheckPerProductType)
{
    struct Case {
        const char* file;
        int productType;
        bool supported;
    };
    const Case cases[] = {
        {"flushvalve_V3.01.hex", 1, true},
        {"flushvalve_V3.01.hex", 2, true},
        {"flushvalve_V3.01.hex", 3, false}, // nothing at 0x7FFF
        {"faucet_V4.02.hex", 3, true},
        {"faucet_V4.02.hex", 7, true},
        {"faucet_V4.02.hex", 1, false},
        {"faucet_V4.03_gap.hex", 4, true},
        {"faucet_V4.04_extended_address.hex", 5, true},
        {"faucet_V4.04_extended_address.hex", 2, false},
        {"faucet_wrong_signature.hex", 6, false}, // "U5"
        {"faucet_V4.02.hex", 0, false},           // no product in force
        {"flushvalve_V3.01.hex", 8, false},
    };
    for (const Case& c : cases) {
        CFirmwareDownload download;
        std::string error;
        const int result = download.ChooseFile(kSampleDir + "/" + c.file, c.productType, error);
        EXPECT_EQ(c.supported ? Result::Ok : Result::InvalidArgument, result) << c.file << " " << c.productType;
        EXPECT_EQ(c.supported ? "" : "File not supported", error) << c.file << " " << c.productType;
    }

    LanguageGuard german(kLanguageGerman);
    std::string error;
    EXPECT_EQ(Result::InvalidArgument, m_download.ChooseFile(kSampleDir + "/faucet_wrong_signature.hex", 3, error));
    EXPECT_EQ("Die gewählte Datei ist nicht gültig!", error);
}

TEST_F(FirmwareDownloadTest, ChooseFileReportsLoadFailures)
{
    std::string error;
    const std::string path = WriteImage({":0100000000FE"});
    EXPECT_EQ(Result::InvalidArgument, m_download.ChooseFile(path, 3, error));
    EXPECT_EQ(0u, error.find("The handled file line (1) contains an invalid checksum.")) << error;
}

TEST_F(FirmwareDownloadTest, ChooseFileRefusesEmptyAndCutOffFiles)
{
    const std::string signature = HexLine(0x7FFE, {0x55, 0x34}) + "\n";
    const std::string path = WriteText("");
    struct Case {
        std::string text;
        int language;
        std::string error; // none: accepted
    };
    const Case cases[] = {
        {signature + ":00000001FF\n", kLanguageEnglish, ""},
        {signature, kLanguageEnglish,
         "The file (" + path + ") has no end-of-file record and may be cut off; it is not programmed."},
        {signature, kLanguageGerman,
         "Die Datei (" + path + ") hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten; sie wird nicht "
                                "programmiert."},
        {"", kLanguageEnglish, "The file (" + path + ") holds no firmware data; it is not programmed."},
        {":00000001FF\n", kLanguageEnglish, "The file (" + path + ") holds no firmware data; it is not programmed."},
        {"", kLanguageGerman, "Die Datei (" + path + ") enthält keine Firmware-Daten; sie wird nicht programmiert."},
    };
    for (const Case& c : cases) {
        LanguageGuard language(c.language);
        WriteText(c.text);
        std::string error;
        EXPECT_EQ(c.error.empty() ? Result::Ok : Result::InvalidArgument, CFirmwareDownload().ChooseFile(path, 3, error))
            << c.text;
        EXPECT_EQ(c.error, error) << c.text;
    }
}

TEST_F(FirmwareDownloadTest, Type3ErasesAndWritesTheMergedApplicationArea)
{
    Choose(kSampleDir + "/faucet_V4.03_gap.hex", 3);
    ASSERT_EQ(1, m_download.Image().GetDataRecordCount());
    Start(3);
    EXPECT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();

    std::vector<int> expected = {21, 1, 30};
    expected.insert(expected.end(), 416, 17);
    expected.insert(expected.end(), 416, 16);
    expected.insert(expected.end(), {30, 22, 1});
    ASSERT_EQ(expected, m_protocol.CommandIDs());

    const auto erases = m_protocol.Of(CVelmorTPBase::CmdEraseFlashByAddr);
    const auto writes = m_protocol.Of(CVelmorTPBase::CmdWriteFlashByAddr);
    for (std::size_t i = 0; i < 416; ++i) {
        EXPECT_EQ(0x1800u + 64 * i, AddressOf(erases[i]));
        EXPECT_EQ(64, erases[i].request[5]);
        EXPECT_EQ(0x1800u + 64 * i, AddressOf(writes[i]));
        EXPECT_EQ(64, writes[i].request[5]);
        EXPECT_EQ(38400, writes[i].nBaudrate);
    }
    ExpectFlashHoldsImage();
    // The gap between the image's parts is written erased.
    EXPECT_EQ(0xFF, FlashAfter(m_protocol)[0x3000]);

    EXPECT_EQ((std::vector<BYTE>{0x1D, 5}), m_protocol.Of(CVelmorTPBase::CmdSetBaudrate)[0].request);
    EXPECT_EQ((std::vector<BYTE>{0x1D, 1}), m_protocol.Of(CVelmorTPBase::CmdSetBaudrate)[1].request);
    EXPECT_EQ(2400, m_protocol.GetLineBaudrate());
    for (const auto& exchange : m_protocol.m_exchanges) {
        EXPECT_EQ(10, exchange.nRetryCount);
        // The boot loader commands are sent under the procedure's own lock.
        if (exchange.nCommandID != 16 && exchange.nCommandID != 30) {
            EXPECT_GE(exchange.nLockDepth, 2) << exchange.nCommandID;
        }
    }
    EXPECT_EQ(2, m_protocol.GetRetryCount());
    EXPECT_EQ((std::vector<unsigned>(7, 1000)), m_time.Sleeps());
}

TEST_F(FirmwareDownloadTest, Type3ProgressTextsAndPercentages)
{
    Choose(kSampleDir + "/faucet_V4.02.hex", 3);
    Start(3);
    const std::vector<Progress>& events = m_host.m_events;
    ASSERT_GE(events.size(), 12u);
    const std::vector<Progress> head = {{"Activate bootloader\n", 0},
                                        {"Activate bootloader\n", 10},
                                        {"Reset module\n", 10},
                                        {"Reset module\n", 20},
                                        {"Change the communication speed to: 38400 Bit/s\n", 20},
                                        {"Change the communication speed to: 38400 Bit/s\n", 5},
                                        {"Erasing flash: Address: 0x1800, length: 64\n", 0},
                                        {"Erasing flash: Address: 0x1840, length: 64\n", 0},
                                        {"Erasing flash: Address: 0x1880, length: 64\n", 0}};
    EXPECT_EQ(head, std::vector<Progress>(events.begin(), events.begin() + head.size()));
    const std::vector<Progress> tail = {{"Erasing flash: Address: 0x7FC0, length: 64\n", 100},
                                        {"Flashing data: Address: 0x1800, length: 64\n", 0},
                                        {"Flashing data: Address: 0x1840, length: 64\n", 0},
                                        {"Flashing data: Address: 0x1880, length: 64\n", 0}};
    const auto lastErase = std::find(events.begin(), events.end(), tail[0]);
    ASSERT_NE(events.end(), lastErase);
    EXPECT_EQ(tail, std::vector<Progress>(lastErase, lastErase + tail.size()));
    const std::vector<Progress> end = {{"Flashing data: Address: 0x7FC0, length: 64\n", 100},
                                       {"Change the communication speed to: 2400 Bit/s\n", 100},
                                       {"Activate application\n", 100},
                                       {"Reset Module\n", 100},
                                       {"Download procedure finished successfully\n", 100},
                                       {"<identify>", -1}};
    EXPECT_EQ(end, std::vector<Progress>(events.end() - end.size(), events.end()));
}

TEST_F(FirmwareDownloadTest, Type1WritesSlicesAndConfiguresTheEEPROMInBothLanguages)
{
    const std::vector<BYTE> data = Bytes(70, 3);
    const std::string path = WriteImage({HexLine(0x2000, std::vector<BYTE>(data.begin(), data.begin() + 35)),
                                         HexLine(0x2023, std::vector<BYTE>(data.begin() + 35, data.end())),
                                         HexLine(0x3FFE, {0x55, 0x34})});
    struct Case {
        int language;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {kLanguageEnglish,
         {"Activate bootloader\n", "Reset module\n", "Change the communication speed to: 19200 Bit/s\n",
          "Flashing data: Address: 0x2000, length: 32\n", "Flashing data: Address: 0x2020, length: 32\n",
          "Flashing data: Address: 0x2040, length: 6\n", "Flashing data: Address: 0x3FFE, length: 2\n",
          "Configure EEPROM\n", "Change the communication speed to: 2400 Bit/s\n", "Activate application\n",
          "Reset Module\n", "Download procedure finished successfully\n", "<identify>"}},
        {kLanguageGerman,
         {"Aktivierung des Bootloader\n", "Zurücksetzen des Moduls\n",
          "Setze Kommunikationsgeschwindigkeit auf: 19200 Bit/s\n",
          "Programmiere Flash-Speicher: Adresse: 0x2000, Länge: 32\n",
          "Programmiere Flash-Speicher: Adresse: 0x2020, Länge: 32\n",
          "Programmiere Flash-Speicher: Adresse: 0x2040, Länge: 6\n",
          "Programmiere Flash-Speicher: Adresse: 0x3FFE, Länge: 2\n", "Konfiguriere EEPROM\n",
          "Setze Kommunikationsgeschwindigkeit auf: 2400 Bit/s\n", "Aktivierung der Applikation\n",
          "Zurücksetzen des Moduls\n", "Download erfolgreich beendet\n", "<identify>"}},
    };
    for (const Case& c : cases) {
        LanguageGuard language(c.language);
        CScriptedProtocol protocol;
        RecordingHost host;
        const std::size_t waitsBefore = m_time.Sleeps().size();
        CFirmwareDownload download;
        std::string error;
        ASSERT_EQ(Result::Ok, download.ChooseFile(path, 1, error)) << error;
        ASSERT_EQ(Result::Ok, download.StartProgramming(protocol, 1, host.Callback(), &host, error));
        EXPECT_EQ(Result::Ok, download.GetResult()) << download.GetError();
        EXPECT_EQ(c.texts, host.Texts());
        // Slices of 32, 32, 6 and 2 of the image's 72 bytes (texts 3 to 6).
        std::vector<int> flashPercents;
        for (const Progress& event : host.m_events)
            if (std::find(c.texts.begin() + 3, c.texts.begin() + 7, event.text) != c.texts.begin() + 7)
                flashPercents.push_back(event.percent);
        EXPECT_EQ((std::vector<int>{44, 88, 97, 100}), flashPercents);

        EXPECT_EQ((std::vector<int>{21, 1, 30, 16, 16, 16, 16, 12, 12, 30, 22, 1}), protocol.CommandIDs());
        EXPECT_EQ((std::vector<BYTE>{0x1D, 4}), protocol.Of(CVelmorTPBase::CmdSetBaudrate)[0].request);
        const auto writes = protocol.Of(CVelmorTPBase::CmdWriteFlashByAddr);
        std::vector<BYTE> lastSlice = {0x0F, 0, 0, 0x20, 0x40, 6};
        lastSlice.insert(lastSlice.end(), data.begin() + 64, data.end());
        EXPECT_EQ(lastSlice, writes[2].request);
        const auto eeprom = protocol.Of(CVelmorTPBase::CmdWriteEEByAddr);
        EXPECT_EQ((std::vector<BYTE>{0x0B, 0x00, 0x8C, 1, 0x01}), eeprom[0].request);
        EXPECT_EQ((std::vector<BYTE>{0x0B, 0x00, 0x6D, 2, 0x37, 0x02}), eeprom[1].request);
        const std::vector<unsigned> waits = m_time.Sleeps();
        EXPECT_EQ((std::vector<unsigned>{1000, 1000, 1000, 500, 500, 1000, 1000, 1000, 1000}),
                  std::vector<unsigned>(waits.begin() + static_cast<std::ptrdiff_t>(waitsBefore), waits.end()));
        const std::vector<BYTE> flash = FlashAfter(protocol);
        EXPECT_EQ(data, std::vector<BYTE>(flash.begin() + 0x2000, flash.begin() + 0x2046));
    }
}

TEST_F(FirmwareDownloadTest, Type3WritesTheLastBytesOfARecordInWholeBlocks)
{
    // Outside the application area nothing is merged: a record of 100 bytes
    // at 0x9030 ends in 36 bytes that straddle a block boundary.
    const std::vector<BYTE> data = Bytes(100, 1);
    Choose(WriteImage({HexLine(0x7FFE, {0x55, 0x34}), HexLine(0x9030, std::vector<BYTE>(data.begin(), data.begin() + 50)),
                       HexLine(0x9062, std::vector<BYTE>(data.begin() + 50, data.end()))}),
           3);
    Start(3);
    ASSERT_EQ(Result::Ok, m_download.GetResult()) << m_download.GetError();
    const auto writes = m_protocol.Of(CVelmorTPBase::CmdWriteFlashByAddr);
    ASSERT_EQ(3u + 416u, writes.size());
    EXPECT_EQ(0x9030u, AddressOf(writes[0]));
    EXPECT_EQ(0x9040u, AddressOf(writes[1]));
    EXPECT_EQ(0x9080u, AddressOf(writes[2]));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(64, writes[static_cast<std::size_t>(i)].request[5]);
    // Padding in front of the bytes of a block written from its middle.
    EXPECT_EQ(0xFF, writes[1].request[6]);
    EXPECT_EQ(0xFF, writes[2].request[6 + 20]);
    ExpectFlashHoldsImage();
    const std::vector<BYTE> flash = FlashAfter(m_protocol);
    EXPECT_EQ(data, std::vector<BYTE>(flash.begin() + 0x9030, flash.begin() + 0x9094));
    EXPECT_EQ("Download procedure finished successfully\n", m_host.Texts()[m_host.Texts().size() - 2]);
}

TEST_F(FirmwareDownloadTest, FailingBootloaderActivationSkipsEveryLaterCommand)
{
    Choose(kSampleDir + "/faucet_V4.02.hex", 3);
    m_protocol.m_answer = [](const CScriptedProtocol::Exchange& exchange, std::vector<BYTE>&) {
        return exchange.nCommandID == CVelmorTPBase::CmdActivateBootloader ? Result::NoResponse : Result::Ok;
    };
    Start(3);
    EXPECT_EQ(Result::NoResponse, m_download.GetResult());
    EXPECT_EQ("Timeout", m_download.GetError());
    // Ten attempts at the speed in force, then a few at each download speed
    // where an earlier download may have left the fitting.
    std::vector<long> speeds;
    for (const CScriptedProtocol::Exchange& exchange : m_protocol.m_exchanges) {
        EXPECT_EQ(CVelmorTPBase::CmdActivateBootloader, exchange.nCommandID);
        speeds.push_back(exchange.nBaudrate);
    }
    std::vector<long> expectedSpeeds(10, 2400);
    expectedSpeeds.insert(expectedSpeeds.end(), {19200, 19200, 38400, 38400});
    EXPECT_EQ(expectedSpeeds, speeds);
    EXPECT_EQ(2400, m_protocol.GetLineBaudrate());
    // Nothing was activated, so there is nothing to return from.
    EXPECT_EQ((std::vector<std::string>{"Activate bootloader\n", "Download procedure aborted\n", "<identify>"}),
              m_host.Texts());
    std::vector<unsigned> waits(11, 500);
    waits.insert(waits.end(), {1000, 1000});
    EXPECT_EQ(waits, m_time.Sleeps());
    EXPECT_EQ(2, m_protocol.GetRetryCount());
}

TEST_F(FirmwareDownloadTest, TargetErrorOnTheSpeedChangeDoesNotStopTheDownload)
{
    Choose(kSampleDir + "/flushvalve_V3.01.hex", 2);
    m_protocol.m_answer = [](const CScriptedProtocol::Exchange& exchange, std::vector<BYTE>& payload) {
        if (exchange.nCommandID == CVelmorTPBase::CmdSetBaudrate && exchange.request[1] == 4)
            payload = {0xFF, 0x07};
        return Result::Ok;
    };
    Start(2);
    EXPECT_EQ(Result::Ok, m_download.GetResult());
    EXPECT_EQ("", m_download.GetError());
    EXPECT_EQ(2u, m_protocol.Of(CVelmorTPBase::CmdSetBaudrate).size()); // the error answer is not repeated
    ExpectFlashHoldsImage();
    EXPECT_EQ("Download procedure finished successfully\n", m_host.Texts()[m_host.Texts().size() - 2]);
}

TEST_F(FirmwareDownloadTest, FailingWriteEndsTheDownloadInTheBootloaderAtTheNormalSpeed)
{
    Choose(kSampleDir + "/faucet_V4.02.hex", 3);
    struct Case {
        int language;
        std::vector<std::string> lastTexts;
    };
    const Case cases[] = {
        {kLanguageEnglish,
         {"Flashing data: Address: 0x1FC0, length: 64\n", "Reset module into the bootloader at 2400 Bit/s\n",
          "Download procedure aborted\n", "<identify>"}},
        {kLanguageGerman,
         {"Programmiere Flash-Speicher: Adresse: 0x1FC0, Länge: 64\n",
          "Zurücksetzen des Moduls in den Bootloader mit 2400 Bit/s\n", "Download wurde abgebrochen\n", "<identify>"}},
    };
    for (const Case& c : cases) {
        LanguageGuard language(c.language);
        CScriptedProtocol protocol;
        RecordingHost host;
        protocol.m_answer = [](const CScriptedProtocol::Exchange& exchange, std::vector<BYTE>&) {
            return exchange.nCommandID == CVelmorTPBase::CmdWriteFlashByAddr && AddressOf(exchange) == 0x2000
                       ? Result::InvalidResponse
                       : Result::Ok;
        };
        std::string error;
        ASSERT_EQ(Result::Ok, m_download.StartProgramming(protocol, 3, host.Callback(), &host, error)) << error;
        EXPECT_EQ(Result::InvalidResponse, m_download.GetResult());
        // 32 blocks below 0x2000, then ten attempts at 0x2000.
        EXPECT_EQ(32u + 10u, protocol.Of(CVelmorTPBase::CmdWriteFlashByAddr).size());
        // Back into the boot loader where the fitting listens; the restart
        // brings it and the adapter to 2400 bit/s. The half-written
        // application is never activated.
        const std::vector<CScriptedProtocol::Exchange>& exchanges = protocol.m_exchanges;
        ASSERT_GE(exchanges.size(), 2u);
        const CScriptedProtocol::Exchange& activation = exchanges[exchanges.size() - 2];
        const CScriptedProtocol::Exchange& restart = exchanges.back();
        EXPECT_EQ(CVelmorTPBase::CmdActivateBootloader, activation.nCommandID);
        EXPECT_EQ(38400, activation.nBaudrate);
        EXPECT_EQ(CVelmorTPBase::CmdResetModule, restart.nCommandID);
        EXPECT_EQ(38400, restart.nBaudrate);
        EXPECT_EQ(2400, protocol.GetLineBaudrate());
        EXPECT_EQ(1u, protocol.Of(CVelmorTPBase::CmdSetBaudrate).size());
        EXPECT_TRUE(protocol.Of(CVelmorTPBase::CmdActivateApplication).empty());
        const std::vector<std::string> texts = host.Texts();
        ASSERT_GE(texts.size(), c.lastTexts.size());
        EXPECT_EQ(c.lastTexts, std::vector<std::string>(texts.end() - static_cast<std::ptrdiff_t>(c.lastTexts.size()),
                                                        texts.end()));
        EXPECT_EQ(2, protocol.GetRetryCount());
    }
}

TEST_F(FirmwareDownloadTest, NoProductTypeInForce)
{
    Choose(kSampleDir + "/faucet_V4.02.hex", 3);
    for (int language : {kLanguageEnglish, kLanguageGerman}) {
        LanguageGuard guard(language);
        std::string error;
        EXPECT_EQ(Result::InvalidArgument, m_download.StartProgramming(m_protocol, 0, m_host.Callback(), &m_host, error));
        EXPECT_EQ(language == kLanguageEnglish ? "Device not supported" : "Unbekanntes Gerät", error);
    }
    EXPECT_TRUE(m_protocol.m_exchanges.empty());
    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_EQ(2, m_protocol.GetRetryCount());
}

TEST_F(FirmwareDownloadTest, StartRefusesAnImageThatNoLongerFits)
{
    // Chosen for a faucet, started for the flush valve connected since.
    Choose(kSampleDir + "/faucet_V4.02.hex", 3);
    Start(1);
    EXPECT_EQ(Result::InvalidArgument, m_download.GetResult());
    EXPECT_EQ("File not supported", m_download.GetError());
    EXPECT_EQ((std::vector<std::string>{"Download procedure aborted\n", "<identify>"}), m_host.Texts());

    // A file that failed to load after its signature was read.
    std::string error;
    const std::string path = WriteImage({HexLine(0x7FFE, {0x55, 0x34}), ":0100000000FE"});
    ASSERT_EQ(Result::InvalidArgument, m_download.ChooseFile(path, 3, error));
    ASSERT_EQ(1, m_download.Image().GetDataRecordCount());
    Start(3);
    EXPECT_EQ(Result::MissingPrecondition, m_download.GetResult());
    EXPECT_TRUE(m_protocol.m_exchanges.empty());
}

TEST_F(FirmwareDownloadTest, StartRefusesACutOffImage)
{
    // Refused when chosen, but loaded; Start must not program it either.
    std::string error;
    const std::string path = WriteText(HexLine(0x7FFE, {0x55, 0x34}) + "\n");
    ASSERT_EQ(Result::InvalidArgument, m_download.ChooseFile(path, 3, error));
    Start(3);
    EXPECT_EQ(Result::InvalidArgument, m_download.GetResult());
    EXPECT_EQ("The file (" + path + ") has no end-of-file record and may be cut off; it is not programmed.",
              m_download.GetError());
    EXPECT_TRUE(m_protocol.m_exchanges.empty());
    EXPECT_EQ((std::vector<std::string>{"Download procedure aborted\n", "<identify>"}), m_host.Texts());
}

TEST_F(FirmwareDownloadTest, NothingLoaded)
{
    struct Case {
        int language;
        const char* error;
        const char* aborted;
    };
    const Case cases[] = {
        {kLanguageEnglish, "Can't continue the download due to no data was loaded yet!", "Download procedure aborted\n"},
        {kLanguageGerman, "Download abgebrochen, da noch keine Datei für den Download ausgewählt wurde!",
         "Download wurde abgebrochen\n"},
    };
    for (const Case& c : cases) {
        LanguageGuard language(c.language);
        RecordingHost host;
        CFirmwareDownload download;
        std::string error;
        ASSERT_EQ(Result::Ok, download.StartProgramming(m_protocol, 5, host.Callback(), &host, error)) << error;
        EXPECT_EQ(Result::MissingPrecondition, download.GetResult());
        EXPECT_EQ(c.error, download.GetError());
        EXPECT_EQ((std::vector<std::string>{c.aborted, "<identify>"}), host.Texts());
    }
    EXPECT_TRUE(m_protocol.m_exchanges.empty());
    EXPECT_EQ((std::vector<unsigned>{1000, 1000}), m_time.Sleeps());
}

// The steps the window shows, in each language: percent and text, in order
// (with the erases and writes between them).
TEST_F(FirmwareDownloadTest, Type3StepTextsInEachLanguage)
{
    struct Case {
        int language;
        std::vector<Progress> steps;
    };
    const Case cases[] = {
        {kLanguageGerman,
         {{"Aktivierung des Bootloader\n", 10},
          {"Zurücksetzen des Moduls\n", 20},
          {"Setze Kommunikationsgeschwindigkeit auf: 38400 Bit/s\n", 5},
          {"Lösche Flash-Speicher: Adresse: 0x1800, Länge: 64\n", 0},
          {"Lösche Flash-Speicher: Adresse: 0x7FC0, Länge: 64\n", 100},
          {"Programmiere Flash-Speicher: Adresse: 0x1800, Länge: 64\n", 0},
          {"Programmiere Flash-Speicher: Adresse: 0x7FC0, Länge: 64\n", 100},
          {"Setze Kommunikationsgeschwindigkeit auf: 2400 Bit/s\n", 100},
          {"Aktivierung der Applikation\n", 100},
          {"Zurücksetzen des Moduls\n", 100},
          {"Download erfolgreich beendet\n", 100}}},
        {kLanguageEnglish,
         {{"Activate bootloader\n", 10},
          {"Reset module\n", 20},
          {"Change the communication speed to: 38400 Bit/s\n", 5},
          {"Erasing flash: Address: 0x1800, length: 64\n", 0},
          {"Erasing flash: Address: 0x7FC0, length: 64\n", 100},
          {"Flashing data: Address: 0x1800, length: 64\n", 0},
          {"Flashing data: Address: 0x7FC0, length: 64\n", 100},
          {"Change the communication speed to: 2400 Bit/s\n", 100},
          {"Activate application\n", 100},
          {"Reset Module\n", 100},
          {"Download procedure finished successfully\n", 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        LanguageGuard language(c.language);
        CScriptedProtocol protocol;
        RecordingHost host;
        CFirmwareDownload download;
        std::string error;
        ASSERT_EQ(Result::Ok, download.ChooseFile(kSampleDir + "/faucet_V4.02.hex", 3, error)) << error;
        ASSERT_EQ(Result::Ok, download.StartProgramming(protocol, 3, host.Callback(), &host, error)) << error;
        EXPECT_EQ(Result::Ok, download.GetResult()) << download.GetError();
        EXPECT_EQ(3u + 416u + 416u + 5u, host.Texts().size());
        auto position = host.m_events.begin();
        for (const Progress& step : c.steps) {
            position = std::find(position, host.m_events.end(), step);
            ASSERT_NE(host.m_events.end(), position) << step.text << " " << step.percent;
        }
    }
}

} // namespace
