// What the firmware page shows of a chosen image before it is programmed:
// its family, version and size, read from the image alone.

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareImageInfo.h"
#include "firmware/IntelHex.h"

#include "LanguageGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

const std::string kSampleDir = FLUXA_SAMPLE_FIRMWARE_DIR;

// One data line of an Intel HEX file, checksum included.
std::string DataLine(unsigned nAddress, std::initializer_list<unsigned> bytes)
{
    unsigned nSum = static_cast<unsigned>(bytes.size()) + (nAddress >> 8) + (nAddress & 0xFF);
    char szPart[16];
    std::snprintf(szPart, sizeof szPart, ":%02X%04X00", static_cast<unsigned>(bytes.size()), nAddress);
    std::string strLine = szPart;
    for (unsigned byValue : bytes) {
        std::snprintf(szPart, sizeof szPart, "%02X", byValue);
        strLine += szPart;
        nSum += byValue;
    }
    std::snprintf(szPart, sizeof szPart, "%02X", (0x100 - (nSum & 0xFF)) & 0xFF);
    return strLine + szPart;
}

struct SampleCase {
    const char* szFile;
    FirmwareFamily eFamily;
    const char* szVersion;
    std::uint64_t nDataBytes;
};

class SampleImageInfo : public testing::TestWithParam<SampleCase> {};

} // namespace

// Every sample as the README of the samples describes it; gaps are not counted.
TEST_P(SampleImageInfo, FamilyVersionAndSizeComeFromTheImage)
{
    const SampleCase& sample = GetParam();
    CIntelHex image;
    std::string strError;
    ASSERT_EQ(image.Load(kSampleDir + "/" + sample.szFile, strError), Result::Ok) << strError;
    CFirmwareImageInfo info;
    EXPECT_EQ(ReadFirmwareImageInfo(image, info), sample.eFamily != FirmwareFamily::None);
    EXPECT_EQ(info.eFamily, sample.eFamily);
    EXPECT_EQ(info.strVersion, sample.szVersion);
    EXPECT_EQ(info.nDataBytes, sample.nDataBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SampleImageInfo,
    testing::Values(SampleCase{"flushvalve_V3.01.hex", FirmwareFamily::FlushValves, "V3.01", 0x2440 - 0x1000 + 16},
                    SampleCase{"faucet_V4.02.hex", FirmwareFamily::FaucetsAndControls, "V4.02", 0x6800},
                    SampleCase{"faucet_V4.03_gap.hex", FirmwareFamily::FaucetsAndControls, "V4.03", 0x1000 + 0x400 + 16},
                    SampleCase{"faucet_wrong_signature.hex", FirmwareFamily::None, "", 0x6800}),
    [](const testing::TestParamInfo<SampleCase>& info) {
        std::string strName = info.param.szFile;
        std::replace(strName.begin(), strName.end(), '.', '_');
        return strName;
    });

TEST(FirmwareImageInfo, TheFaucetSignatureWinsAndAMissingVersionStaysEmpty)
{
    CIntelHex image;
    std::string strError;
    // "U4" at both places, the version bytes only below the flush valves' one.
    for (const std::string& strLine : {DataLine(0x3FFC, {0x03, 0x01, 0x55, 0x34}), DataLine(0x7FFE, {0x55, 0x34})})
        ASSERT_EQ(image.ParseLine(strLine, strError), Result::Ok) << strError;
    CFirmwareImageInfo info;
    ASSERT_TRUE(ReadFirmwareImageInfo(image, info));
    EXPECT_EQ(info.eFamily, FirmwareFamily::FaucetsAndControls);
    EXPECT_EQ(info.strVersion, "");
    EXPECT_EQ(info.nDataBytes, 6u);
}

TEST(FirmwareImageInfo, ATestVersionIsShownAsTheFittingShowsIt)
{
    CIntelHex image;
    std::string strError;
    ASSERT_EQ(image.ParseLine(DataLine(0x3FFC, {0x85, 0x03, 0x55, 0x34}), strError), Result::Ok) << strError;
    CFirmwareImageInfo info;
    ASSERT_TRUE(ReadFirmwareImageInfo(image, info));
    EXPECT_EQ(info.eFamily, FirmwareFamily::FlushValves);
    EXPECT_EQ(info.strVersion, "T05.03");
}

// The page shows the file as chosen, not as merged for the download.
TEST(FirmwareImageInfo, ChoosingAFileKeepsItsInfoFromBeforeTheMerge)
{
    CFirmwareDownload download;
    std::string strError;
    ASSERT_EQ(download.ChooseFile(kSampleDir + "/faucet_V4.03_gap.hex", 3, strError), Result::Ok) << strError;
    EXPECT_EQ(download.Image().Records().GetTotalLength(), 0x6800u); // merged
    EXPECT_EQ(download.ImageInfo().nDataBytes, 0x1000u + 0x400u + 16u);
    EXPECT_EQ(download.ImageInfo().strVersion, "V4.03");
    // A file of the other family is refused but still says what it is.
    EXPECT_EQ(download.ChooseFile(kSampleDir + "/flushvalve_V3.01.hex", 3, strError), Result::InvalidArgument);
    EXPECT_EQ(download.ImageInfo().eFamily, FirmwareFamily::FlushValves);
    EXPECT_EQ(download.ImageInfo().strVersion, "V3.01");
}

TEST(FirmwareImageInfo, FamilyNamesInBothLanguages)
{
    const struct {
        int nLanguage;
        FirmwareFamily eFamily;
        const char* szText;
    } cases[] = {
        {kLanguageEnglish, FirmwareFamily::FlushValves, "Flush valves"},
        {kLanguageGerman, FirmwareFamily::FlushValves, "Spülventile"},
        {kLanguageEnglish, FirmwareFamily::FaucetsAndControls, "Basin faucets, urinal and WC controls"},
        {kLanguageGerman, FirmwareFamily::FaucetsAndControls, "Waschtischarmaturen, Urinal- und WC-Steuerungen"},
        {kLanguageEnglish, FirmwareFamily::None, "unknown"},
        {kLanguageGerman, FirmwareFamily::None, "unbekannt"},
    };
    for (const auto& c : cases) {
        LanguageGuard language(c.nLanguage);
        EXPECT_EQ(FirmwareFamilyText(c.eFamily), c.szText);
    }
}
