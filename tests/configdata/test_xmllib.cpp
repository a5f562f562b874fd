// CXMLLib: loading with its file and parser failures, the file encoding,
// hostile and malformed files, path expressions, the checked getters, and
// saving with the names a file can hold.
#include "configdata/XMLLib.h"

#include "common/ResultCodes.h"
#include "FileSizeLimit.h"
#include "LanguageGuard.h"

#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class XmlLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TestTempDir("fluxa_xmllib_");
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    // Loads the bytes and returns the root's text.
    std::string RootTextOf(const std::string& bytes)
    {
        std::string strError;
        EXPECT_EQ(Result::Ok, m_xml.LoadFromFile(WriteFile("text.xml", bytes), strError)) << strError;
        return CXMLLib::GetNodeText(m_xml.GetRoot());
    }

    LanguageGuard m_english{2};
    fs::path m_dir;
    CXMLLib m_xml;
};

TEST_F(XmlLibTest, FileFailuresGiveTheirMessages)
{
    std::string strError;
    const std::string missing = (m_dir / "missing.xml").string();
    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(missing, strError));
    EXPECT_EQ("Can't open the file: '" + missing + "'. The system reports the error message (No such file or directory)",
              strError);
    EXPECT_EQ(missing, m_xml.GetFileName());

    const std::string empty = WriteFile("empty.xml", "");
    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(empty, strError));
    EXPECT_EQ("Error reading the file: '" + empty + "'. The file is empty.", strError);

    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(m_dir.string(), strError));
    EXPECT_EQ(0u, strError.find("Can't open the file: '" + m_dir.string() + "'. The system reports")) << strError;

    const std::string huge = WriteFile("huge.xml", "<a/>");
    fs::resize_file(huge, 64 * 1024 * 1024); // sparse: no disk space taken
    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(huge, strError));
    EXPECT_EQ(0u, strError.find("Can't open the file: '" + huge + "'. The system reports")) << strError;

    LanguageGuard german(1);
    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(empty, strError));
    EXPECT_EQ("Fehler beim Lesen der Datei: '" + empty + "'. Kein Dateiinhalt vorhanden.", strError);
}

TEST_F(XmlLibTest, ParserFailureNamesTheParsersCodeAndReason)
{
    std::string strError;
    EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(WriteFile("abc.xml", "abc"), strError));
    int nCode = 0;
    std::string strReason;
    m_xml.GetParseError(nCode, strReason);
    EXPECT_NE(0, nCode);
    EXPECT_FALSE(strReason.empty());
    EXPECT_EQ("Error: the passed string contains invalid data! XML parser failed with error code '" +
                  std::to_string(nCode) + "' and error description '" + strReason + "'",
              strError);
    EXPECT_EQ(Result::MissingPrecondition, m_xml.CheckRootElement(strError));
    EXPECT_EQ("The XML root item is not valid", strError);
}

TEST_F(XmlLibTest, BrokenFilesAreRefusedAsParserErrors)
{
    const std::string valid = "<file><ArticleNumber>123</ArticleNumber><Settings><Runtime>10</Runtime></Settings></file>";
    std::string binary;
    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(random() & 0xFF);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"truncated", valid.substr(0, valid.size() / 2)},
        {"binary", binary},
        {"zero byte first", std::string("\0<file/>", 8)},
        {"zero byte inside", std::string("<file>\0</file>", 14)},
        {"two roots unclosed", "<a><b></a>"},
        {"only a declaration", "<?xml version=\"1.0\"?>"},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(WriteFile("broken.xml", c.bytes), strError)) << c.name;
        EXPECT_NE(std::string::npos, strError.find("XML parser failed")) << c.name << ": " << strError;
        EXPECT_EQ(Result::MissingPrecondition, m_xml.CheckRootElement(strError)) << c.name;
    }
}

TEST_F(XmlLibTest, DocumentsThatAreNotWellFormedAreRefusedWithTheirPosition)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* position;
    } cases[] = {
        {"two root elements", "<file><Settings/></file>\n<file/>", "(line 2, column 1)"},
        {"text after the root", "<file><Settings/></file>saved", "(line 1, column 25)"},
        {"undefined entity", "<file>\n\t<Installer>M&uuml;ller</Installer>\n</file>", "(line 2, column 14)"},
        {"bare ampersand", "<file><Installer>Fa. Muster & Sohn</Installer></file>", "(line 1, column 30)"},
        {"duplicated attribute", "<file><Runtime unit='s' unit='ms'>10</Runtime></file>", "(line 1, column 25)"},
        {"control character", "<file><Installer>A\x01</Installer></file>", "(line 1, column 19)"},
        {"control character, declared iso-8859-1",
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<file>\x02</file>", "(line 2, column 7)"},
    };
    for (const auto& c : cases) {
        std::string strError;
        ASSERT_EQ(Result::Ok, m_xml.ParseString("<previous/>", strError)) << c.name;
        EXPECT_EQ(Result::InvalidArgument, m_xml.LoadFromFile(WriteFile("malformed.xml", c.bytes), strError)) << c.name;
        int nCode = 0;
        std::string strReason;
        m_xml.GetParseError(nCode, strReason);
        EXPECT_NE(0, nCode) << c.name;
        EXPECT_NE(std::string::npos, strReason.find(c.position)) << c.name << ": " << strReason;
        EXPECT_EQ("Error: the passed string contains invalid data! XML parser failed with error code '" +
                      std::to_string(nCode) + "' and error description '" + strReason + "'",
                  strError)
            << c.name;
        EXPECT_EQ(Result::MissingPrecondition, m_xml.CheckRootElement(strError)) << c.name;
        std::string text;
        m_xml.GetXmlText(text, strError);
        EXPECT_EQ(std::string::npos, text.find("file")) << c.name << ": " << text;
        EXPECT_EQ(std::string::npos, text.find("previous")) << c.name << ": " << text;
    }

    LanguageGuard german(1);
    std::string strError;
    EXPECT_EQ(Result::InvalidArgument, m_xml.ParseString("<a>&</a>", strError));
    EXPECT_EQ(0u, strError.find("Fehler: Die Zeichenkette enthält ungültige Daten! Der XML Parser liefert den "
                                "Fehlercode '"))
        << strError;
    EXPECT_NE(std::string::npos, strError.find("(line 1, column 5)")) << strError;
}

TEST_F(XmlLibTest, CommentsAndProcessingInstructionsStayInvisible)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_xml.LoadFromFile(WriteFile("commented.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                                        "<!-- saved by hand -->\n<file>\n"
                                                                        "  <Settings>\n    <!-- seconds -->\n"
                                                                        "    <Runtime>1<!-- 0 -->0</Runtime>\n"
                                                                        "    <?editor fold?>\n  </Settings>\n"
                                                                        "</file>\n<!-- end -->\n"),
                                             strError))
        << strError;
    const std::vector<pugi::xml_node> settings = CXMLLib::GetChildElements(m_xml.GetRoot().child("Settings"));
    ASSERT_EQ(1u, settings.size());
    EXPECT_EQ("Runtime", CXMLLib::GetNodeName(settings[0]));
    EXPECT_EQ("10", CXMLLib::GetNodeText(settings[0]));
    EXPECT_EQ(settings[0], m_xml.GetRoot().child("Settings").first_child());
}

TEST_F(XmlLibTest, FileBytesAreWindows1252UnlessTheFileIsUtf8)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"no declaration", "<a>M\xFCller \x80</a>", "M\xC3\xBCller \xE2\x82\xAC"},
        {"declared iso-8859-1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>\xC3\xBC</a>", "\xC3\x83\xC2\xBC"},
        {"declared UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>M\xC3\xBCller</a>", "M\xC3\xBCller"},
        {"declared utf-8 in single quotes", "<?xml version='1.0' encoding = 'utf-8'?><a>\xE2\x82\xAC</a>",
         "\xE2\x82\xAC"},
        {"byte order mark", "\xEF\xBB\xBF<a>\xC3\xBC</a>", "\xC3\xBC"},
        {"declared UTF-8 but single-byte text", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>M\xFCller</a>",
         "M\xC3\xBCller"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, RootTextOf(c.bytes)) << c.name;
}

TEST_F(XmlLibTest, HostileFilesAreReadWithoutExpandingOrFetching)
{
    const std::string secret = WriteFile("secret.txt", "TOP-SECRET-CONTENT");
    const std::string dtd = WriteFile("external.dtd", "<!ENTITY leak \"TOP-SECRET-CONTENT\">");
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><lolz>&lol9;</lolz>";
    // Entity declarations are refused where they stand; an external DTD is
    // not read, its entities stay references.
    const struct {
        const char* name;
        std::string bytes;
        int result;
    } cases[] = {
        {"entity expansion", laughs, Result::InvalidArgument},
        {"entity expansion in an attribute", laughs.substr(0, laughs.find("]>")) + "]><lolz a='&lol9;'/>",
         Result::InvalidArgument},
        {"external entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secret + "\">]><r>&x;</r>",
         Result::InvalidArgument},
        {"external DTD", "<!DOCTYPE r SYSTEM \"" + dtd + "\"><r>&leak;</r>", Result::Ok},
        {"parameter entity", "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + dtd + "\"> %p;]><r>&leak;</r>",
         Result::InvalidArgument},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_EQ(c.result, m_xml.LoadFromFile(WriteFile("hostile.xml", c.bytes), strError)) << c.name;
        if (c.result != Result::Ok) {
            EXPECT_NE(std::string::npos, strError.find("entity declarations are not supported (line 1, column "))
                << c.name << ": " << strError;
        }
        std::string text;
        m_xml.GetXmlText(text, strError);
        EXPECT_EQ(std::string::npos, text.find("TOP-SECRET")) << c.name;
        EXPECT_LT(text.size(), 2000u) << c.name;
    }
}

TEST_F(XmlLibTest, DeepNestingAndLargeFilesAreReadSafely)
{
    constexpr int kDepth = 200000;
    std::string deep;
    for (int i = 0; i < kDepth; ++i)
        deep += "<a>";
    deep += "end";
    for (int i = 0; i < kDepth; ++i)
        deep += "</a>";
    EXPECT_EQ("end", RootTextOf(deep));
    std::string text, strError;
    EXPECT_EQ(Result::Ok, m_xml.GetXmlText(text, strError));
    EXPECT_GT(text.size(), deep.size());

    const std::string large = "<big>" + std::string(24 * 1024 * 1024, 'x') + "</big>";
    EXPECT_EQ(24u * 1024 * 1024, RootTextOf(large).size());
}

TEST_F(XmlLibTest, PathExpressionsSelectBelowTheNode)
{
    std::string strError;
    ASSERT_EQ(Result::Ok,
              m_xml.ParseString("<file id='7'><Settings><Runtime><Min> 5 </Min></Runtime></Settings><Note>a<b>b</b>"
                                "<![CDATA[<c>]]></Note></file>",
                                strError));
    const pugi::xml_node root = m_xml.GetRoot();
    std::string text;
    EXPECT_EQ(Result::Ok, m_xml.GetChildText(root, "Settings/Runtime/Min", text, strError));
    EXPECT_EQ(" 5 ", text);
    EXPECT_EQ(Result::Ok, m_xml.GetChildText(root, "Note", text, strError));
    EXPECT_EQ("ab<c>", text);
    EXPECT_EQ(Result::Ok, m_xml.GetChildText(root, "@id", text, strError));
    EXPECT_EQ("7", text);

    BOOL bExists = TRUE;
    EXPECT_EQ(Result::Ok, m_xml.NodeExists(root, "Settings/Max", bExists, strError));
    EXPECT_FALSE(bExists);
    EXPECT_EQ(Result::Ok, m_xml.NodeExists(root, "//Min", bExists, strError));
    EXPECT_TRUE(bExists);
    EXPECT_EQ(Result::Ok, m_xml.NodeExists(root, "[[", bExists, strError));
    EXPECT_FALSE(bExists);

    EXPECT_EQ(Result::InvalidArgument, m_xml.GetChildText(root, "Settings/Max", text, strError));
    EXPECT_EQ("'Settings/Max' parameter not found", strError);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetChildText(root, "[[", text, strError));
    EXPECT_EQ(0u, strError.find("'[[' parameter not found The system reports the error message (")) << strError;

    int nResult = 0;
    LanguageGuard german(1);
    m_xml.ReportNotFound("Runtime", nResult, strError);
    EXPECT_EQ(Result::InvalidArgument, nResult);
    EXPECT_EQ("Der Parametername 'Runtime' wurde nicht gefunden", strError);
}

TEST_F(XmlLibTest, ChildValueGettersConvertAndCheck)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_xml.ParseString("<r><hex>0x1F</hex><HEX>0X1F</HEX><bad>12abc</bad><empty/><minus>-1</minus>"
                                            "<big>300</big><neg>-5</neg><yes>YES</yes><no>no</no><hex100>0x100</hex100>"
                                            "<word>abc</word><d>1.5</d><d2>2.5</d2></r>",
                                            strError));
    const pugi::xml_node root = m_xml.GetRoot();
    const struct {
        const char* name;
        DWORD min, max;
        int result;
        DWORD value;
        const char* error;
    } dwordCases[] = {
        {"hex", 0, 100, Result::Ok, 31, ""},
        {"HEX", 0, 100, Result::Ok, 31, ""},
        {"hex", 0, 30, Result::InvalidArgument, 31, "Value out of range: min:0 max:30 value:31 for name:'hex'"},
        {"bad", 0, 100, Result::InvalidArgument, 12, "Value out of range: min:0 max:100 value:12 for name:'bad'"},
        {"empty", 0, 100, Result::InvalidArgument, 0, "Value out of range: min:0 max:100 value:0 for name:'empty'"},
        {"minus", 0, 0xFFFFFFFF, Result::Ok, 0xFFFFFFFF, ""},
        {"missing", 0, 100, Result::InvalidArgument, 77, "'missing' parameter not found"},
    };
    for (const auto& c : dwordCases) {
        DWORD dwValue = 77;
        strError.clear();
        EXPECT_EQ(c.result, m_xml.GetChildValueAsDWORD(root, c.name, dwValue, c.min, c.max, strError)) << c.name;
        EXPECT_EQ(c.value, dwValue) << c.name;
        EXPECT_EQ(c.error, strError) << c.name;
    }

    BYTE byValue = 0;
    EXPECT_EQ(Result::Ok, m_xml.GetChildValueAsBYTE(root, "big", byValue, 0, 255, strError));
    EXPECT_EQ(44, byValue);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetChildValueAsBYTE(root, "big", byValue, 50, 255, strError));
    EXPECT_EQ("Value out of range: min:50 max:255 value:44 for name:'big'", strError);

    LONG lValue = 0;
    EXPECT_EQ(Result::Ok, m_xml.GetChildValueAsLong(root, "neg", lValue, -10, 10, strError));
    EXPECT_EQ(-5, lValue);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetChildValueAsLong(root, "neg", lValue, 0, 10, strError));
    EXPECT_EQ("Value out of range: min:0 max:10 value:-5 for name:'neg'", strError);

    const struct {
        const char* name;
        int result;
        BOOL value;
    } boolCases[] = {{"yes", Result::Ok, 1},         {"no", Result::Ok, 0},   {"hex100", Result::Ok, 256},
                     {"big", Result::Ok, 44},         {"word", Result::InvalidArgument, 0}};
    for (const auto& c : boolCases) {
        BOOL bValue = -1;
        EXPECT_EQ(c.result, m_xml.GetChildValueAsBOOL(root, c.name, bValue, strError)) << c.name;
        EXPECT_EQ(c.value, bValue) << c.name;
    }
    EXPECT_EQ("Value out of range: for name:'word'", strError);

    double dValue = 0;
    EXPECT_EQ(Result::Ok, m_xml.GetChildValueAsDouble(root, "d", dValue, 0.0, 2.0, strError));
    EXPECT_DOUBLE_EQ(1.5, dValue);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetChildValueAsDouble(root, "d2", dValue, 0.0, 2.0, strError));
    EXPECT_DOUBLE_EQ(2.5, dValue);
    EXPECT_EQ("Value out of range: min:0.000000 max:2.000000 value:2.500000 for name:'d2'", strError);
}

TEST_F(XmlLibTest, AttributeGettersReportMissingAndOutOfRange)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_xml.ParseString("<r n='0x10' d='7.9' big='300'><plain/></r>", strError));
    const pugi::xml_node root = m_xml.GetRoot();
    std::string text;
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetAttribute(root.child("plain"), "n", text, strError));
    EXPECT_EQ("No XML attributes present/found", strError);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetAttribute(root, "m", text, strError));
    EXPECT_EQ("The attribute 'm' was not found.", strError);
    BOOL bExists = FALSE;
    EXPECT_EQ(Result::Ok, m_xml.AttributeExists(root, "n", bExists, strError));
    EXPECT_TRUE(bExists);

    DWORD dwValue = 0;
    EXPECT_EQ(Result::Ok, m_xml.GetAttributeAsDWORD(root, "n", dwValue, 0, 100, strError));
    EXPECT_EQ(16u, dwValue);
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetAttributeAsDWORD(root, "n", dwValue, 0, 10, strError));
    EXPECT_EQ("Attribut out of range: min:0 max:10 value:16 for name:'n'", strError);
    BYTE byValue = 0;
    EXPECT_EQ(Result::Ok, m_xml.GetAttributeAsBYTE(root, "big", byValue, 0, 255, strError));
    EXPECT_EQ(44, byValue);
    LONG lValue = 0;
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetAttributeAsLong(root, "n", lValue, -5, 5, strError));
    EXPECT_EQ(16, lValue);
    double dValue = 0;
    EXPECT_EQ(Result::InvalidArgument, m_xml.GetAttributeAsDouble(root, "d", dValue, 0.5, 3.9, strError));
    EXPECT_DOUBLE_EQ(7.9, dValue);
    EXPECT_EQ("Attribut out of range: min:0 max:3 value:7 for name:'d'", strError);
}

TEST_F(XmlLibTest, SavingWritesBinaryOrTextModeAndReadsBack)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_xml.LoadFromFile(WriteFile("in.xml", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>"
                                                                 "<file><Name>M\xFC""ller \x80</Name><Lines>1\n2</Lines><Empty/>"
                                                                 "<Raw><![CDATA[<\x80>]]></Raw></file>"),
                                             strError));
    std::vector<BYTE> bytes;
    int nLength = 0;
    ASSERT_EQ(Result::Ok, m_xml.GetXmlBytes(bytes, nLength, strError));
    const std::string binary(bytes.begin(), bytes.end());
    EXPECT_EQ(static_cast<int>(binary.size()), nLength);
    EXPECT_NE(std::string::npos, binary.find("<Name>M\xFCller &#8364;</Name>")) << binary;
    EXPECT_NE(std::string::npos, binary.find("<Lines>1\n2</Lines>")) << binary;

    const std::string binaryPath = (m_dir / "binary.xml").string();
    const std::string textPath = (m_dir / "text.xml").string();
    ASSERT_EQ(Result::Ok, m_xml.SaveToFile(binaryPath, 1, strError));
    ASSERT_EQ(Result::Ok, m_xml.SaveToFile(textPath, 0, strError));
    EXPECT_EQ(binary, ReadFile(binaryPath));
    std::string crlf;
    for (const char c : binary)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(crlf, ReadFile(textPath));

    CXMLLib reread;
    ASSERT_EQ(Result::Ok, reread.LoadFromFile(textPath, strError));
    EXPECT_EQ("M\xC3\xBCller \xE2\x82\xAC", CXMLLib::GetNodeText(reread.GetRoot().child("Name")));
    EXPECT_EQ("1\n2", CXMLLib::GetNodeText(reread.GetRoot().child("Lines")));
    EXPECT_EQ("<\xE2\x82\xAC>", CXMLLib::GetNodeText(reread.GetRoot().child("Raw")));
}

TEST_F(XmlLibTest, SavedBytesFollowTheDeclaredEncodingAndReadBack)
{
    const std::string text = "M\xC3\xBCller \xE2\x82\xAC"; // Müller €
    const struct {
        const char* declaration;
        const char* bytes;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "M\xC3\xBCller \xE2\x82\xAC"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "M\xFCller &#8364;"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>", "M&#252;ller &#8364;"},
        {"<?xml version=\"1.0\"?>", "M&#252;ller &#8364;"},
        {"", "M&#252;ller &#8364;"},
    };
    const std::string path = (m_dir / "saved.xml").string();
    for (const auto& c : cases) {
        std::string strError;
        ASSERT_EQ(Result::Ok, m_xml.ParseString(c.declaration + std::string("<a>") + text + "</a>", strError));
        ASSERT_EQ(Result::Ok, m_xml.SaveToFile(path, 1, strError)) << strError;
        EXPECT_NE(std::string::npos, ReadFile(path).find(std::string("<a>") + c.bytes + "</a>")) << c.declaration;
        CXMLLib reread;
        ASSERT_EQ(Result::Ok, reread.LoadFromFile(path, strError)) << strError;
        EXPECT_EQ(text, CXMLLib::GetNodeText(reread.GetRoot())) << c.declaration;
    }
}

TEST_F(XmlLibTest, SavingReportsFilesThatCannotBeWritten)
{
    std::string strError;
    ASSERT_EQ(Result::Ok, m_xml.ParseString("<file/>", strError));
    const std::string noDirectory = (m_dir / "no" / "such.xml").string();
    EXPECT_EQ(Result::InvalidArgument, m_xml.SaveToFile(noDirectory, 1, strError));
    EXPECT_EQ("Can't create the file: '" + noDirectory + "'. The system reports the error message (No such file or "
              "directory)",
              strError);

    // A full disk: the old file stays whole.
    FLUXA_LINUX_ONLY("a full disk is made with the file size limit");
    const std::string old = WriteFile("old.xml", "<file>old</file>");
    ASSERT_EQ(Result::Ok, m_xml.ParseString("<file>" + std::string(8192, 'n') + "</file>", strError));
    int nResult = 0;
    {
        FileSizeLimit limit(1024);
        nResult = m_xml.SaveToFile(old, 1, strError);
    }
    EXPECT_EQ(Result::FileException, nResult);
    EXPECT_EQ(0u, strError.find("Error writing the file: '" + old + "'. The system reports the error message ("))
        << strError;
    EXPECT_EQ("<file>old</file>", ReadFile(old));
}

TEST_F(XmlLibTest, NamesTheFileCannotHoldAreRefusedAndNothingIsWritten)
{
    const std::string iso = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>";
    const struct {
        const char* name;
        std::string xml;
        std::string rename; // the first child's new name, if any
        std::string refused;
    } cases[] = {
        {"outside ISO-8859-1", iso + "<file><\xCE\xA9mega/></file>", "", "\xCE\xA9mega"},
        {"Windows-1252 only", iso + "<file><\xC5\xA0koda/></file>", "", "\xC5\xA0koda"},
        {"attribute outside ISO-8859-1", iso + "<file \xCE\xA9='1'/>", "", "\xCE\xA9"},
        {"non-ASCII in an ASCII file", "<file><M\xC3\xBCller/></file>", "", "M\xC3\xBCller"},
        {"blank in the name", "<file><a/></file>", "Run time", "Run time"},
        {"leading digit", "<file><a/></file>", "1st", "1st"},
        {"markup in the name", "<file><a/></file>", "a><b", "a><b"},
        {"attribute in the name", "<file><a/></file>", "a b='1'", "a b='1'"},
    };
    const std::string path = WriteFile("saved.xml", "<file>old</file>");
    for (const auto& c : cases) {
        std::string strError;
        ASSERT_EQ(Result::Ok, m_xml.ParseString(c.xml, strError)) << c.name << ": " << strError;
        if (!c.rename.empty())
            m_xml.GetRoot().first_child().set_name(c.rename.c_str());
        std::vector<BYTE> bytes{'x'};
        int nLength = 1;
        EXPECT_EQ(Result::InvalidArgument, m_xml.GetXmlBytes(bytes, nLength, strError)) << c.name;
        EXPECT_EQ(0, nLength) << c.name;
        EXPECT_EQ(Result::InvalidArgument, m_xml.SaveToFile(path, 1, strError)) << c.name;
        EXPECT_EQ("The name '" + c.refused + "' can't be written to the XML file.", strError) << c.name;
        EXPECT_EQ("<file>old</file>", ReadFile(path)) << c.name;
    }
}

TEST_F(XmlLibTest, NamesTheFileCanHoldReadBack)
{
    const struct {
        const char* declaration;
        const char* name;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>", "M\xC3\xBCller_\xC3\xBF"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xCE\xA9mega_\xD0\xB6"},
        {"", "ns:Run-time.2"},
    };
    const std::string path = (m_dir / "saved.xml").string();
    for (const auto& c : cases) {
        std::string strError;
        const std::string element = std::string("<") + c.name + " " + c.name + "='1'/>";
        ASSERT_EQ(Result::Ok, m_xml.ParseString(c.declaration + ("<file>" + element + "</file>"), strError))
            << c.name << ": " << strError;
        ASSERT_EQ(Result::Ok, m_xml.SaveToFile(path, 0, strError)) << c.name << ": " << strError;
        CXMLLib reread;
        ASSERT_EQ(Result::Ok, reread.LoadFromFile(path, strError)) << c.name << ": " << strError;
        const pugi::xml_node child = reread.GetRoot().first_child();
        EXPECT_EQ(c.name, CXMLLib::GetNodeName(child)) << c.name;
        EXPECT_STREQ(c.name, child.first_attribute().name()) << c.name;
    }
}

} // namespace
