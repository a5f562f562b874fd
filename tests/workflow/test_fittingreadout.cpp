#include "common/FilePaths.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "fitting/EEAddressMap.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"
#include "AmbraAddresses.h"
#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "SimulatedTime.h"
#include "SimulatorControl.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// One simulated Ambra faucet on adapter 0, opened through the real binding.
class FittingReadout : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_strError), 0) << m_strError;
        ASSERT_TRUE(m_link.IsPortOpen());
    }

    void Poke(unsigned nAddress, std::vector<unsigned char> bytes)
    {
        ASSERT_EQ(m_sim.api.WriteEeprom(0, nAddress, bytes.data(), static_cast<unsigned>(bytes.size())), VSIM_OK);
        ASSERT_EQ(m_sim.api.FixRowSums(0), VSIM_OK);
    }
    unsigned char Peek(unsigned nAddress)
    {
        unsigned char by = 0xEE;
        EXPECT_EQ(m_sim.api.ReadEeprom(0, nAddress, &by, 1), VSIM_OK);
        return by;
    }

    LanguageGuard m_english{kLanguageEnglish};
    FakeTimeService m_time; // the pauses between attempts
    SimulatorControl m_sim;
    CVelmorTPExt m_link;
    std::string m_strError;
};

} // namespace

TEST(FittingTexts, EepromTexts)
{
    EXPECT_EQ(InstallerText({'A', 'b', 0xE4, 0x00, 'x'}), "Ab\xC3\xA4"); // Windows-1252 ä
    EXPECT_EQ(InstallerText({0x00, 'x'}), "");
    EXPECT_EQ(PlacementText({'K', 'i', 't', 'c', 'h', 'e', 'n', ' ', 'W', 'C', 0xFF, 'z'}, {'R', 'o', 'o', 'm', '1', 0x00}),
              "Kitchen WCRoom1");
}

TEST_F(FittingReadout, IdentifiesTheFittingWithItsDefinition)
{
    Poke(kSerialNumber, {0x0C, 0x0B, 0x0A, 0x00, 0x00, 0x00});
    CProductCatalog catalog;
    ASSERT_EQ(catalog.LoadDeviceConfigs(DefaultConfigDirectory(), m_strError), 0) << m_strError;
    CFittingIdentity identity;
    ASSERT_EQ(IdentifyFitting(m_link, catalog, identity, m_strError), 0) << m_strError;
    EXPECT_EQ(identity.strUnitSerialNumber, "0000000A0B0C");
    EXPECT_EQ(identity.strArticleNumber, "230300301");
    EXPECT_EQ(identity.strArticleNumberFormatted, "23 030 03 01");
    ASSERT_TRUE(identity.bDefinitionFound);
    EXPECT_EQ(identity.nProductType, kProductAmbra);
    BOOL bKnown = FALSE;
    identity.moduleInformation.IsParameterKnown("Serial number", bKnown, m_strError);
    EXPECT_TRUE(bKnown);
    EXPECT_EQ(identity.strProductionDate, "2024.05.17"); // the profile's

    m_sim.api.ExchangeFitting(0, "Unknown", nullptr);
    ASSERT_EQ(IdentifyFitting(m_link, catalog, identity, m_strError), 0) << m_strError;
    EXPECT_EQ(identity.strArticleNumber, "239999999");
    EXPECT_FALSE(identity.bDefinitionFound);
}

TEST_F(FittingReadout, ArticleNumberCheck)
{
    EXPECT_EQ(CheckArticleNumber(m_link, "230300301", m_strError), 0);
    EXPECT_EQ(CheckArticleNumber(m_link, "230100101", m_strError), -1002);
    EXPECT_EQ(m_strError, "The configured article number (230100101) is not equal to the \nread one (230300301) from the "
                          "connected target device.\n\nTarget configuration aborted.");
}

TEST_F(FittingReadout, InformationPageItems)
{
    Poke(kSwitchCountA, {0xE8, 0x03, 0x00}); // 1000
    Poke(kSwitchCountB, {0xEA, 0x00, 0x00}); // 234
    Poke(kSwitchCountSinceReset, {0x05, 0x00});
    Poke(kHoursTotal, {0x34, 0x12});
    Poke(kHoursSinceReset, {0x07, 0x00});
    Poke(kInstallationDate, {0x24, 0x03, 0x15, 0x00, 0x00});
    Poke(kPlacement1, {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xFF, 0, 0, 0, 0});
    Poke(kPlacement2, {'a', 'b', 'c', 'd', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Poke(kInstaller, {0x00, 'x', 'y', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

    std::vector<int> progress;
    CFittingInformation information;
    ASSERT_EQ(ReadFittingInformation(m_link, kProductAmbra, information, m_strError, [&](int n) { progress.push_back(n); }), 0)
        << m_strError;
    EXPECT_EQ(information.nHoursTotal, 0x1234);
    EXPECT_EQ(information.nHoursSinceReset, 7);
    EXPECT_EQ(information.llSwitchCountTotal, 12340);
    EXPECT_EQ(information.llSwitchCountSinceReset, 50);
    EXPECT_EQ(information.strInstallationDate, "15.03.2024");
    EXPECT_EQ(information.strPlacement, "0123456789abcde");
    EXPECT_EQ(information.strInstaller, "");
    EXPECT_EQ(progress, (std::vector<int>{14, 29, 43, 57, 71, 85, 100}));
}

TEST_F(FittingReadout, ReadFailureEndsTheInformationRead)
{
    VSimFault fault{};
    fault.kind = VSIM_FAULT_NO_ANSWER;
    fault.trigger = VSIM_TRIGGER_EVERY;
    fault.n = 1;
    m_sim.api.AddFault(0, &fault);
    CFittingInformation information;
    information.strInstaller = "kept";
    EXPECT_EQ(ReadFittingInformation(m_link, kProductAmbra, information, m_strError), -1008);
    EXPECT_EQ(information.strInstaller, "kept");
}

TEST_F(FittingReadout, ErrorHistoryReadDecodeAndClear)
{
    Poke(kErrorCount, {3});
    Poke(kError1, {5});
    Poke(kError2, {13});
    Poke(kError3, {4});
    Poke(kError4, {0});
    Poke(kError5, {0});
    CErrorHistory history;
    ASSERT_EQ(ReadErrorHistory(m_link, kProductAmbra, history, m_strError), 0) << m_strError;
    EXPECT_EQ(history.byCount, 3);
    EXPECT_EQ(history.abyEntries, (std::array<BYTE, 5>{5, 13, 4, 0, 0}));
    std::vector<std::string> lines;
    ASSERT_EQ(ErrorHistoryLines(history, kProductAmbra, lines, m_strError), 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("Invalid checksum"), std::string::npos);
    EXPECT_NE(lines[1].find("Undervoltage warning"), std::string::npos); // faucet table from code 13 on

    ASSERT_EQ(ClearErrorHistory(m_link, kProductAmbra, history, m_strError), 0) << m_strError;
    EXPECT_EQ(history.byCount, 0);
    EXPECT_EQ(history.abyEntries, (std::array<BYTE, 5>{}));
    for (unsigned nAddress : {kErrorCount, kError1, kError2, kError3})
        EXPECT_EQ(Peek(nAddress), 0) << nAddress;
    ASSERT_EQ(ErrorHistoryLines(history, kProductAmbra, lines, m_strError), 0);
    EXPECT_EQ(lines, std::vector<std::string>{"No entry"});

    std::vector<CEepromRow> rows;
    ASSERT_EQ(ReadEepromRows(m_link, 0, kMappedEepromEnd, rows, m_strError), 0) << m_strError;
    for (const CEepromRow& row : rows)
        EXPECT_TRUE(row.bChecksumGood) << "row " << row.nAddress; // every row write renewed its sum
}

TEST_F(FittingReadout, AClearWithAFailedWriteFailsAndShowsWhatTheFittingHolds)
{
    Poke(kError1, {5});
    Poke(kError2, {13});
    Poke(kError3, {4});
    Poke(kErrorCount, {3});
    // The row read before the third entry's write is garbled on both attempts.
    // Count and entries share a row: reads 1 to 3 serve the count, entry 1
    // and entry 2, the next two are the third entry's attempts.
    VSimFault fault{VSIM_FAULT_BAD_CHECKSUM, VSIM_TRIGGER_COMMAND, 11, 2, 0, 0, nullptr, nullptr, 3, 0, 0};
    ASSERT_GT(m_sim.api.AddFault(0, &fault), 0);
    CErrorHistory history;
    EXPECT_EQ(ClearErrorHistory(m_link, kProductAmbra, history, m_strError), Result::InvalidResponse);
    EXPECT_FALSE(m_strError.empty());
    EXPECT_TRUE(history.bComplete);
    EXPECT_EQ(history.byCount, 0);
    EXPECT_EQ(history.abyEntries, (std::array<BYTE, 5>{0, 0, 4, 0, 0})) << "the entry not cleared reads back";
    EXPECT_EQ(Peek(kError3), 4);
    EXPECT_EQ(Peek(kError4), 0); // the writes after the failure were still tried
}

TEST_F(FittingReadout, AClearTheFittingAcknowledgesButDoesNotKeepFails)
{
    Poke(kError1, {5});
    Poke(kError2, {13});
    Poke(kErrorCount, {2});
    VSimFault keep{VSIM_FAULT_IGNORE_WRITE, VSIM_TRIGGER_COMMAND, 12, 0, 0, 0, nullptr, nullptr, 0, kError1, 1};
    const int nFault = m_sim.api.AddFault(0, &keep);
    ASSERT_GT(nFault, 0) << m_sim.api.GetLastError();
    CErrorHistory history;
    EXPECT_EQ(ClearErrorHistory(m_link, kProductAmbra, history, m_strError), Result::InvalidResponse);
    EXPECT_EQ(m_strError, "The error history was written but still holds entries: the fitting did not keep the clear.");
    EXPECT_GT(m_sim.api.GetFaultHits(nFault), 0);
    EXPECT_EQ(history.byCount, 0);
    EXPECT_EQ(history.abyEntries, (std::array<BYTE, 5>{5, 0, 0, 0, 0})) << "the entry the fitting kept";
    EXPECT_EQ(Peek(kError1), 5);
    EXPECT_EQ(Peek(kError2), 0);
}

TEST_F(FittingReadout, ValveSwitchesAndReportsItsState)
{
    ASSERT_EQ(SwitchValve(m_link, true, m_strError), 0) << m_strError;
    VSimFittingState state{};
    m_sim.api.GetFittingState(0, &state);
    EXPECT_EQ(state.valveOpen, 1);
    BYTE byState = 0;
    ASSERT_EQ(ReadValveState(m_link, byState, m_strError), 0);
    EXPECT_NE(byState, 0);
    ASSERT_EQ(SwitchValve(m_link, false, m_strError), 0);
    ASSERT_EQ(ReadValveState(m_link, byState, m_strError), 0);
    EXPECT_EQ(byState, 0);
}

TEST_F(FittingReadout, EepromRowsOfARangeShowBadSums)
{
    const unsigned char bad = 0x5A;
    ASSERT_EQ(m_sim.api.WriteEeprom(0, 0x1F, &bad, 1), VSIM_OK); // row 0x10's sum byte, left wrong
    std::vector<CEepromRow> rows;
    ASSERT_EQ(ReadEepromRows(m_link, 0x005, 0x02F, rows, m_strError), 0) << m_strError;
    ASSERT_EQ(rows.size(), 3u); // the rows holding 0x005 to 0x02F
    EXPECT_EQ(rows[2].nAddress, 0x20);
    EXPECT_FALSE(rows[1].bChecksumGood);
    EXPECT_EQ(rows[1].abyBytes[15], 0x5A);
    EXPECT_EQ(ReadEepromRows(m_link, 0x40, 0x3F, rows, m_strError), Result::InvalidArgument);
}

TEST_F(FittingReadout, AFailureInsideTheRangeEndsTheReadAndKeepsTheRowsRead)
{
    VSimFittingState state{};
    m_sim.api.GetFittingState(0, &state);
    struct Case {
        int nFault;
        int nLast;        // the range's end
        unsigned nFailAt; // the row whose read fails
        int nResult;
    };
    for (const Case& c : {Case{VSIM_FAULT_TARGET_ERROR, 0xFF, 0x40, Result::TargetError},
                          Case{VSIM_FAULT_NO_ANSWER, 0xFF, 0x70, Result::NoResponse},
                          Case{0, state.eepromSize + 0x3F, static_cast<unsigned>(state.eepromSize), Result::TargetError}}) { // past the EEPROM's end
        m_sim.api.ClearFaults();
        if (c.nFault != 0) {
            VSimFault fault{c.nFault, VSIM_TRIGGER_COMMAND, 11, 0, 0, 0, nullptr, nullptr, 0, c.nFailAt, 1};
            ASSERT_GT(m_sim.api.AddFault(0, &fault), 0);
        }
        std::vector<CEepromRow> rows;
        EXPECT_EQ(ReadEepromRows(m_link, 0, c.nLast, rows, m_strError), c.nResult) << c.nFault;
        EXPECT_EQ(rows.size(), c.nFailAt / 16) << c.nFault << ": the rows before it";
        EXPECT_FALSE(m_strError.empty());
    }
}

TEST(UsbDevices, ListsAdaptersAmongOtherDevices)
{
    SimulatorControl sim;
    sim.api.AddOtherDevice(0, "USB Serial Converter", nullptr);
    sim.api.AddAdapter(-1, "VELMOR bus CONVERTER", nullptr);
    std::vector<CUsbDevice> devices;
    std::string strError;
    ASSERT_EQ(ListUsbDevices(devices, strError), 0) << strError;
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].nAdapterNumber, -1);
    EXPECT_EQ(devices[1].nAdapterNumber, 0);
    EXPECT_EQ(devices[2].nAdapterNumber, 1);
    EXPECT_EQ(devices[2].strDescription, "VELMOR bus CONVERTER");
}

namespace {

// The Ambra faucet at time scale 0, identified as before a download; the
// tool's waits let the simulated time pass.
class AfterDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_catalog.LoadDeviceConfigs(DefaultConfigDirectory(), m_strError), 0) << m_strError;
        ASSERT_EQ(m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_strError), 0) << m_strError;
        ASSERT_EQ(IdentifyFitting(m_link, m_catalog, m_before, m_strError), 0) << m_strError;
    }
    std::uint64_t SimulatedMs() { return m_sim.api.GetTimeNs() / 1000000; }

    LanguageGuard m_english{kLanguageEnglish};
    SimulatorControl m_sim;
    SimulatedTime m_time{m_sim.api};
    CProductCatalog m_catalog;
    CVelmorTPExt m_link;
    CFittingIdentity m_before;
    std::string m_strError;
};

} // namespace

// A restarting fitting is found once its silence ends; one that stays silent
// is given up at the wait's end, within one more attempt.
TEST_F(AfterDownload, TheFittingIsWaitedForAsLongAsTheWaitAllowsAndNoLonger)
{
    constexpr unsigned kWaitMs = 15000;
    constexpr std::uint64_t kLastAttemptMs = 2000;
    constexpr int kDownloadRetries = 10;
    const struct {
        const char* szName;
        unsigned nSilentMs; // after the restart; 0: never answers again
        int nResult;
    } cases[] = {{"answers at once", 100, Result::Ok},
                 {"answers late", 9000, Result::Ok},
                 {"stays silent", 0, Result::NoResponse}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        ASSERT_EQ(VSIM_OK, m_sim.api.SetStartupTime(0, c.nSilentMs, 0));
        ASSERT_EQ(VSIM_OK, m_sim.api.RestartFitting(0));
        int nFault = 0;
        if (c.nSilentMs == 0) {
            const VSimFault silence{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
            nFault = m_sim.api.AddFault(0, &silence);
            ASSERT_GT(nFault, 0) << m_sim.api.GetLastError();
        }
        m_link.SetRetryCount(kDownloadRetries);
        const std::uint64_t nStart = SimulatedMs();
        CFittingIdentity after;
        EXPECT_EQ(c.nResult, IdentifyFittingWithin(m_link, m_catalog, kWaitMs, after, m_strError)) << m_strError;
        const std::uint64_t nTaken = SimulatedMs() - nStart;
        EXPECT_EQ(kDownloadRetries, m_link.GetRetryCount()); // the download's, back
        if (c.nResult == Result::Ok) {
            EXPECT_GE(nTaken, c.nSilentMs);
            EXPECT_LT(nTaken, c.nSilentMs + kLastAttemptMs);
            EXPECT_EQ(m_before.strUnitSerialNumber, after.strUnitSerialNumber);
        } else {
            EXPECT_GE(nTaken, kWaitMs);
            EXPECT_LT(nTaken, kWaitMs + kLastAttemptMs);
            EXPECT_GT(m_sim.api.GetFaultHits(nFault), 0);
        }
        m_sim.api.ClearFaults();
    }
}

// What the check says of the unit that answers after a download.
TEST_F(AfterDownload, TheUnitProgrammedMustAnswerWithTheImagesVersion)
{
    const struct {
        const char* szName;
        const char* szRunning;   // the application version the unit reports
        bool bSignatureErased;   // no valid application: the boot loader runs
        bool bExchanged;
        const char* szImage;     // the version the image carries
        int nResult;
        const char* szMessage;
    } cases[] = {
        {"programmed", "V4.02", false, false, "V4.02", Result::Ok, ""},
        {"old version", "V4.01", false, false, "V4.02", Result::MissingPrecondition,
         "The fitting runs V4.01 after the download, the image carries V4.02."},
        {"image without version", "V4.01", false, false, "", Result::Ok, ""},
        {"boot loader", "V4.02", true, false, "V4.02", Result::MissingPrecondition,
         "The fitting waits in its boot loader after the download: the image's version V4.02 does not run."},
        {"another unit", "V4.02", false, true, "V4.02", Result::MissingPrecondition,
         "Another unit answers after the download: serial number 000003012301 before, 000003012302 now."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        m_link.ClosePort(m_strError);
        m_sim.Reset();
        if (c.bExchanged) {
            ASSERT_EQ(VSIM_OK, m_sim.api.ExchangeFitting(0, nullptr, nullptr));
        }
        // Layout 0 reports one version, that of the software running.
        ASSERT_EQ(VSIM_OK, m_sim.api.SetVersions(0, 0, nullptr, c.szRunning));
        if (c.bSignatureErased) {
            const unsigned char erased[2] = {0xFF, 0xFF};
            ASSERT_EQ(VSIM_OK, m_sim.api.WriteFlash(0, 0x7FFE, erased, 2));
        }
        ASSERT_EQ(VSIM_OK, m_sim.api.RestartFitting(0));
        ASSERT_EQ(Result::Ok, m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, m_strError)) << m_strError;
        CFittingIdentity after;
        ASSERT_EQ(Result::Ok, IdentifyFittingWithin(m_link, m_catalog, 5000, after, m_strError)) << m_strError;
        std::string strError;
        EXPECT_EQ(c.nResult, CheckProgrammedFitting(m_before, after, c.szImage, strError));
        EXPECT_EQ(c.szMessage, strError);
    }
}

// The wait on the real clock and a real-time line: the one place where the
// time service is not simulated.
TEST(AfterDownloadRealTime, ASilentFittingIsGivenUpSoonAfterTheWait)
{
    SimulatorControl sim(nullptr, 1.0);
    const VSimFault silence{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
    ASSERT_GT(sim.api.AddFault(0, &silence), 0) << sim.api.GetLastError();
    CProductCatalog catalog;
    CVelmorTPExt link;
    std::string strError;
    ASSERT_EQ(Result::Ok, link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError)) << strError;
    CFittingIdentity identity;
    constexpr auto kWait = std::chrono::milliseconds(2000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Result::NoResponse,
              IdentifyFittingWithin(link, catalog, static_cast<unsigned>(kWait.count()), identity, strError));
    const auto taken = std::chrono::steady_clock::now() - start;
    EXPECT_GE(taken, kWait);
    EXPECT_LT(taken, kWait + std::chrono::milliseconds(2500)); // one more attempt, about 1.4 s
}
