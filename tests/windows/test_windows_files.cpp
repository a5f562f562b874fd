// File names and contents on Windows: UTF-8 names reach the disk as the
// characters they are, and SHA-256 matches the digest Linux computes.
#include "common/FileDigest.h"
#include "common/FileIO.h"
#include "common/FilePaths.h"
#include "common/ResultCodes.h"

#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>

namespace fs = std::filesystem;

namespace {

class WindowsFiles : public ::testing::Test {
protected:
    void SetUp() override { m_folder = FreshFolder(L"Dateien"); }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

TEST_F(WindowsFiles, ANameWithUmlautsIsSavedAndReadAsItIs)
{
    const std::string strPath = Utf8FromPath(m_folder / L"Prüfstand Ä.xml");
    std::string strError;
    ASSERT_EQ(ReplaceFileContent(strPath, "<erste/>", strError), Result::Ok) << strError;
    ASSERT_EQ(ReplaceFileContent(strPath, "<zweite/>", strError), Result::Ok) << strError; // replaces the file
    std::string bytes;
    ASSERT_EQ(ReadRegularFile(strPath, 100, bytes, strError), Result::Ok) << strError;
    EXPECT_EQ(bytes, "<zweite/>");
    // On disk under its own name, with no temporary file left beside it.
    std::vector<std::wstring> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_folder))
        names.push_back(entry.path().filename().wstring());
    EXPECT_EQ(names, std::vector<std::wstring>{L"Prüfstand Ä.xml"});

    EXPECT_EQ(ReadRegularFile(Utf8FromPath(m_folder / L"Prüfstand Ö.xml"), 100, bytes, strError), Result::InvalidArgument);
    EXPECT_NE(strError.find("Prüfstand Ö.xml"), std::string::npos) << strError;
}

TEST_F(WindowsFiles, DigestIsTheOneLinuxComputes)
{
    std::string pattern(3 << 20, '\0'); // more than one piece for the hash
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<char>(i % 251);
    struct Case {
        std::string content;
        const char* szSha256; // sha256sum on Linux
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {pattern, "a1feacf0d812ba4d0b0e463ed45bbd583cea1de55c54693116754b30b5794745"},
    };
    const std::string strPath = Utf8FromPath(m_folder / L"Prüfstand.hex");
    for (const Case& c : cases) {
        std::string strError;
        ASSERT_EQ(ReplaceFileContent(strPath, c.content, strError), Result::Ok) << strError;
        std::string strHex;
        EXPECT_EQ(Sha256OfFile(strPath, pattern.size(), strHex, strError), Result::Ok) << strError;
        EXPECT_EQ(strHex, c.szSha256) << c.content.size() << " bytes";
    }
}

TEST_F(WindowsFiles, TheUserDataFolderIsTheLocalApplicationDataFolder)
{
    const std::string strFolder = UserDataDirectory();
    EXPECT_EQ(strFolder, EnvironmentText("LOCALAPPDATA"));
    EXPECT_TRUE(fs::is_directory(PathFromUtf8(strFolder))) << strFolder;
}

} // namespace
