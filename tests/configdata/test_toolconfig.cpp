// Saved configuration files: the exact bytes written, reading numbers and
// texts back, the encoding, setting names the file cannot hold, and files
// that cannot be read or written.
#include "configdata/ToolConfigXML.h"

#include "common/ResultCodes.h"
#include "FileSizeLimit.h"
#include "LanguageGuard.h"

#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(FLUXA_SOURCE_DIR) / "tests/configdata/fixtures";

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class ToolConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TestTempDir("fluxa_toolconfig_");
        fs::create_directories(m_dir);
        m_path = (m_dir / "saved.xml").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    CProductSetting Setting(CToolConfigXML& config, const std::string& name)
    {
        CProductSetting* pSetting = nullptr;
        std::string strError;
        EXPECT_EQ(Result::Ok, config.GetConfig().m_Settings.LookupObjectByName(name, pSetting, MustExist, strError))
            << name;
        return pSetting != nullptr ? *pSetting : CProductSetting();
    }
    // Writes the configuration and reads it back into a fresh object.
    void WriteAndReadBack(CToolConfigXML& written, CToolConfigXML& read)
    {
        std::string strError;
        ASSERT_EQ(Result::Ok, written.WriteConfigurationFile(m_path, strError)) << strError;
        EXPECT_EQ("", strError);
        ASSERT_EQ(Result::Ok, read.ReadConfigurationFile(m_path, strError)) << strError;
    }

    LanguageGuard m_english{2};
    fs::path m_dir;
    std::string m_path;
};

TEST_F(ToolConfigTest, WritesTheFileByteForByteAndReadsItBack)
{
    CToolConfigXML written;
    written.SetSettingValue("Runtime", 10);
    written.SetSettingText("Installer", "Fa. Muster");
    written.SetArticleNumber("123456");
    written.SetConfigSheet("Ambra");
    CToolConfigXML read;
    WriteAndReadBack(written, read);
    EXPECT_EQ(ReadFile(kFixtures / "config_example.xml"), ReadFile(m_path));

    EXPECT_EQ("123456", read.GetConfig().GetArticleNumber());
    EXPECT_EQ("Ambra", read.GetConfig().GetConfigSheet());
    EXPECT_EQ(10u, Setting(read, "Runtime").GetValue());
    EXPECT_EQ("", Setting(read, "Runtime").GetText());
    EXPECT_EQ("Fa. Muster", Setting(read, "Installer").GetText());
}

TEST_F(ToolConfigTest, ReadsAnyFileOfThisShape)
{
    CToolConfigXML read;
    std::string strError;
    ASSERT_EQ(Result::Ok, read.ReadConfigurationFile((kFixtures / "config_any_shape.xml").string(), strError))
        << strError;
    EXPECT_EQ("230400401", read.GetConfig().GetArticleNumber());
    EXPECT_EQ("Urinal", read.GetConfig().GetConfigSheet());
    const struct {
        const char* name;
        DWORD value;
        const char* text;
    } cases[] = {
        {"Hex", 26, ""},       {"HexUpper", 26, ""},     {"Padded", 12, ""},
        {"Minus", 0xFFFFFFFF, ""}, {"Weight", 0, "12 kg"}, {"Spaced", 0, " Fa. Muster "},
        {"Empty", 0, ""},      {"Blank", 0, ""},
    };
    EXPECT_EQ(8, read.GetConfig().m_Settings.GetCount());
    for (const auto& c : cases) {
        const CProductSetting setting = Setting(read, c.name);
        EXPECT_EQ(c.value, setting.GetValue()) << c.name;
        EXPECT_EQ(c.text, setting.GetText()) << c.name;
    }
}

TEST_F(ToolConfigTest, NumbersAndTextsTakeTheirFileForms)
{
    CToolConfigXML written;
    written.SetSettingValue("AllBits", 0xFFFFFFFF);
    written.SetSettingText("Digits", "1234");
    written.SetSettingText("NoText", "");
    written.SetSettingValue("Both", 7);
    written.SetSettingText("both", "seven"); // the same setting: a text wins over the number
    written.SetSettingText("Marks", "A&B <C> \"D\"");
    written.SetSettingText("Brackets", "[[a]]>b]]]>");
    written.SetArticleNumber("12&<3");
    CToolConfigXML read;
    WriteAndReadBack(written, read);

    const std::string bytes = ReadFile(m_path);
    EXPECT_NE(std::string::npos, bytes.find("\t\t<AllBits>-1</AllBits>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t\t<Digits>1234</Digits>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t\t<NoText>0</NoText>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t\t<Both>seven</Both>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t\t<Marks>A&amp;B &lt;C> \"D\"</Marks>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t\t<Brackets>[[a]]&gt;b]]]&gt;</Brackets>\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("\t<ArticleNumber>12&amp;&lt;3</ArticleNumber>\r\n"));

    EXPECT_EQ(0xFFFFFFFFu, Setting(read, "AllBits").GetValue());
    EXPECT_EQ(1234u, Setting(read, "Digits").GetValue());
    EXPECT_EQ("", Setting(read, "Digits").GetText());
    EXPECT_EQ(0u, Setting(read, "NoText").GetValue());
    EXPECT_EQ("seven", Setting(read, "Both").GetText());
    EXPECT_EQ("A&B <C> \"D\"", Setting(read, "Marks").GetText());
    EXPECT_EQ("[[a]]>b]]]>", Setting(read, "Brackets").GetText());
    EXPECT_EQ("12&<3", read.GetConfig().GetArticleNumber());
}

TEST_F(ToolConfigTest, EveryCharacterSurvivesTheSingleByteFile)
{
    const std::string text = "M\xC3\xBCller & S\xC3\xB6hne \xE2\x82\xAC \xC3\x9F"; // Müller & Söhne € ß
    CToolConfigXML written;
    written.SetSettingText("Installer", text);
    written.SetConfigSheet("\xC3\x84mbra");
    CToolConfigXML read;
    WriteAndReadBack(written, read);
    const std::string bytes = ReadFile(m_path);
    EXPECT_NE(std::string::npos, bytes.find("<Installer>M\xFCller &amp; S\xF6hne &#8364; \xDF</Installer>"));
    EXPECT_EQ(text, Setting(read, "Installer").GetText());
    EXPECT_EQ("\xC3\x84mbra", read.GetConfig().GetConfigSheet());
}

TEST_F(ToolConfigTest, SettersFindSettingsWithoutRegardToCase)
{
    CToolConfigXML config;
    config.SetSettingText("Installer", "Fa. Muster");
    config.SetSettingValue(" INSTALLER ", 3);
    config.SetSettingValue("", 3); // refused: no setting without a name
    ASSERT_EQ(1, config.GetConfig().m_Settings.GetCount());
    const CProductSetting setting = Setting(config, "installer");
    EXPECT_EQ("Installer", setting.GetName());
    EXPECT_EQ(3u, setting.GetValue());
    EXPECT_EQ("Fa. Muster", setting.GetText());

    config.Clear();
    EXPECT_EQ(0, config.GetConfig().m_Settings.GetCount());
}

TEST_F(ToolConfigTest, ReadingFailuresAndUnwritableFilesAreReported)
{
    const struct {
        const char* name;
        std::string xml;
        int result;
        std::string error;
    } cases[] = {
        {"same setting twice", "<file><Settings><Runtime>1</Runtime><RUNTIME>2</RUNTIME></Settings></file>",
         Result::InvalidArgument,
         "CHashedObjects::LookupObjectByName: The object with the name (runtime) is allready known."},
        {"empty root", "<file/>", Result::MissingPrecondition,
         "No child items were found for the XML file (" + m_path + ")!"},
        {"empty file", "", Result::InvalidArgument, "Error reading the file: '" + m_path + "'. The file is empty."},
        {"second root", "<file><Settings><Runtime>1</Runtime></Settings></file><file/>", Result::InvalidArgument,
         "Error: the passed string contains invalid data! XML parser failed with error code '9' and error "
         "description 'junk after document element (line 1, column 55)'"},
    };
    for (const auto& c : cases) {
        std::ofstream(m_path, std::ios::binary) << c.xml;
        CToolConfigXML read;
        std::string strError;
        EXPECT_EQ(c.result, read.ReadConfigurationFile(m_path, strError)) << c.name;
        EXPECT_EQ(c.error, strError) << c.name;
    }

    CToolConfigXML written;
    written.SetSettingValue("Runtime", 10);
    std::string strError;
    const std::string noDirectory = (m_dir / "missing" / "saved.xml").string();
    EXPECT_EQ(Result::InvalidArgument, written.WriteConfigurationFile(noDirectory, strError));
    EXPECT_EQ(0u, strError.find("Can't create the file: '" + noDirectory + "'. The system reports")) << strError;
}

TEST_F(ToolConfigTest, AFailedSaveLeavesTheOldFileAsItWas)
{
    FLUXA_LINUX_ONLY("a full disk is made with the file size limit");
    CToolConfigXML old;
    old.SetSettingValue("Runtime", 10);
    std::string strError;
    ASSERT_EQ(Result::Ok, old.WriteConfigurationFile(m_path, strError)) << strError;
    const std::string oldBytes = ReadFile(m_path);

    CToolConfigXML written;
    written.SetSettingText("Installer", std::string(8192, 'x'));
    int nResult = 0;
    {
        FileSizeLimit limit(1024); // the disk is full
        nResult = written.WriteConfigurationFile(m_path, strError);
    }
    EXPECT_EQ(Result::FileException, nResult);
    EXPECT_EQ(0u, strError.find("Error writing the file: '" + m_path + "'. The system reports")) << strError;
    EXPECT_EQ(oldBytes, ReadFile(m_path));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(m_dir), fs::directory_iterator())); // nothing left behind
}

TEST_F(ToolConfigTest, SettingNamesTheFileCannotHoldAreRefused)
{
    CToolConfigXML old;
    old.SetSettingValue("Runtime", 10);
    std::string strError;
    ASSERT_EQ(Result::Ok, old.WriteConfigurationFile(m_path, strError)) << strError;
    const std::string oldBytes = ReadFile(m_path);

    const struct {
        const char* name;
        std::string setting;
        std::string shown; // the name as the message shows it
    } cases[] = {
        {"outside ISO-8859-1", "\xCE\xA9mega", "\xCE\xA9mega"},
        {"Windows-1252 only", "\xC5\xA0koda", "\xC5\xA0koda"},
        {"blank inside", "Run time", "Run time"},
        {"leading digit", "2ndFlush", "2ndFlush"},
        {"markup", "Run<time", "Run<time"},
        {"zero byte", std::string("Run\0time", 8), "Run"},
    };
    for (const auto& c : cases) {
        CToolConfigXML written;
        written.SetSettingValue("Runtime", 20);
        written.SetSettingValue(c.setting, 1);
        EXPECT_EQ(Result::InvalidArgument, written.WriteConfigurationFile(m_path, strError)) << c.name;
        EXPECT_EQ("The name '" + c.shown + "' can't be written to the XML file.", strError) << c.name;
        EXPECT_EQ(oldBytes, ReadFile(m_path)) << c.name;
    }

    // Names within ISO-8859-1 are written as bytes and read back.
    CToolConfigXML written;
    for (const char* name : {"Sp\xC3\xBClzeit", "\xC3\xBF", "Run_time-2.x"})
        written.SetSettingValue(name, 7);
    CToolConfigXML read;
    WriteAndReadBack(written, read);
    EXPECT_NE(std::string::npos, ReadFile(m_path).find("\t\t<Sp\xFClzeit>7</Sp\xFClzeit>\r\n"));
    for (const char* name : {"Sp\xC3\xBClzeit", "\xC3\xBF", "Run_time-2.x"}) {
        EXPECT_EQ(name, Setting(read, name).GetName());
        EXPECT_EQ(7u, Setting(read, name).GetValue()) << name;
    }
}

TEST_F(ToolConfigTest, TextsWithControlCharactersAreRefused)
{
    CToolConfigXML old;
    old.SetSettingText("Installer", "Fa. Muster");
    std::string strError;
    ASSERT_EQ(Result::Ok, old.WriteConfigurationFile(m_path, strError)) << strError;
    const std::string oldBytes = ReadFile(m_path);
    for (const std::string& text : {std::string("A\x01" "B"), std::string("\x1B[2J"), std::string("x\x7F\x1F")}) {
        CToolConfigXML written;
        written.SetSettingText("Installer", text);
        EXPECT_EQ(Result::InvalidArgument, written.WriteConfigurationFile(m_path, strError));
        EXPECT_NE(std::string::npos, strError.find("'Installer'")) << strError;
        EXPECT_EQ(oldBytes, ReadFile(m_path));
    }
    // Tab, line feed and carriage return are characters of an XML text.
    CToolConfigXML written;
    written.SetSettingText("Installer", "A\tB");
    CToolConfigXML read;
    WriteAndReadBack(written, read);
    EXPECT_EQ("A\tB", Setting(read, "Installer").GetText());
}

} // namespace

TEST_F(ToolConfigTest, ABackupKeepsItsBytesAndAFlawedEntryIsRefused)
{
    CToolConfigXML written;
    written.SetSettingValue("Runtime", 10);
    const std::vector<CEepromBytes> bytes{{"SimpleSwitchFunction", 0x8B, {0xFF}}, {"Installer", 0xB0, {0x1B, 0x5D, 0x00, 0x3C}}};
    written.SetBackupBytes(bytes);
    CToolConfigXML read;
    WriteAndReadBack(written, read);
    EXPECT_EQ(bytes, read.GetBackupBytes());
    EXPECT_EQ(10u, Setting(read, "Runtime").GetValue());
    EXPECT_TRUE(ReadFile(m_path).find("<Bytes Name=\"Installer\" Address=\"0x00B0\">1B 5D 00 3C</Bytes>") != std::string::npos);

    for (const char* szEntry : {"<Bytes Name=\"A\" Address=\"0x8B\">1G</Bytes>", "<Bytes Name=\"A\" Address=\"0x8B\"></Bytes>",
                                "<Bytes Name=\"A\">01</Bytes>", "<Bytes Name=\"A\" Address=\"0x8E\">01 02</Bytes>",
                                "<Row Name=\"A\" Address=\"0x80\">01</Row>"}) {
        std::ofstream(m_path) << "<file><ArticleNumber>1</ArticleNumber><Backup>" << szEntry << "</Backup></file>";
        std::string strError;
        EXPECT_EQ(Result::InvalidArgument, read.ReadConfigurationFile(m_path, strError)) << szEntry;
        EXPECT_TRUE(strError.find("holds an entry that is not valid") != std::string::npos) << strError;
    }
}
