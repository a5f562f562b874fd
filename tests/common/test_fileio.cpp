// Whole-file reads, safe replacement of files and their digests.

#include "common/FileDigest.h"
#include "common/FileIO.h"
#include "common/ResultCodes.h"
#include "FileSizeLimit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class FileIO : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("fluxa_fileio_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string PathOf(const char* szName) const { return (m_dir / szName).string(); }
    std::size_t EntriesInDir() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator())); }

    fs::path m_dir;
};

std::string Content(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST_F(FileIO, ReadsRegularFilesWithinTheBound)
{
    std::string strError;
    ASSERT_EQ(ReplaceFileContent(PathOf("a.txt"), "hello", strError), Result::Ok) << strError;
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(PathOf("a.txt"), 5, bytes, strError), Result::Ok) << strError;
    EXPECT_EQ(bytes, "hello");
    EXPECT_EQ(ReadRegularFile(PathOf("a.txt"), 4, bytes, strError), Result::InvalidArgument);
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(strError.find("a.txt"), std::string::npos) << strError;
}

TEST_F(FileIO, RefusesWhatIsNoRegularFile)
{
#if defined(_WIN32)
    const std::string strDevice = "NUL";
#else
    const std::string strDevice = "/dev/zero";
#endif
    for (const std::string& strPath : {strDevice, m_dir.string(), PathOf("missing.txt")}) {
        std::string bytes;
        std::string strError;
        EXPECT_EQ(ReadRegularFile(strPath, 1 << 20, bytes, strError), Result::InvalidArgument) << strPath;
        EXPECT_NE(strError.find(strPath), std::string::npos) << strError;
    }
}

TEST_F(FileIO, ReplacesAndKeepsPermissions)
{
    FLUXA_LINUX_ONLY("file modes");
    const std::string strPath = PathOf("saved.xml");
    std::string strError;
    ASSERT_EQ(ReplaceFileContent(strPath, "first", strError), Result::Ok) << strError;
    fs::permissions(strPath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(ReplaceFileContent(strPath, "second, longer", strError), Result::Ok) << strError;
    EXPECT_EQ(Content(strPath), "second, longer");
    EXPECT_EQ(fs::status(strPath).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesInDir(), 1u); // no temporary file left
}

TEST_F(FileIO, AFullDiskLeavesTheOldFileUnchanged)
{
    FLUXA_LINUX_ONLY("a full disk is made with the file size limit");
    const std::string strPath = PathOf("saved.xml");
    const std::string old(3000, 'o');
    std::string strError;
    ASSERT_EQ(ReplaceFileContent(strPath, old, strError), Result::Ok) << strError;
    int nResult = 0;
    {
        FileSizeLimit limit(1024);
        nResult = ReplaceFileContent(strPath, std::string(200000, 'n'), strError);
    }
    EXPECT_EQ(nResult, Result::FileException);
    EXPECT_NE(strError.find("saved.xml"), std::string::npos) << strError;
    EXPECT_EQ(Content(strPath), old);
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(FileIO, OnlyRegularFilesAreReplacedAndLinksAreWrittenThrough)
{
    FLUXA_LINUX_ONLY("device files and symbolic links");
    std::string strError;
    EXPECT_EQ(ReplaceFileContent("/dev/null", "x", strError), Result::InvalidArgument); // not replaced by a file
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(ReplaceFileContent(m_dir.string(), "x", strError), Result::InvalidArgument);
    ASSERT_EQ(ReplaceFileContent(PathOf("real.xml"), "old", strError), Result::Ok) << strError;
    fs::create_symlink(PathOf("real.xml"), PathOf("link.xml"));
    ASSERT_EQ(ReplaceFileContent(PathOf("link.xml"), "new", strError), Result::Ok) << strError;
    EXPECT_TRUE(fs::is_symlink(PathOf("link.xml")));
    EXPECT_EQ(Content(PathOf("real.xml")), "new");

    // A dangling link, relative to its folder, makes its target; one that
    // cannot be followed is refused; neither is replaced by a file.
    fs::create_symlink("made.xml", PathOf("dangling.xml"));
    ASSERT_EQ(ReplaceFileContent(PathOf("dangling.xml"), "made", strError), Result::Ok) << strError;
    EXPECT_TRUE(fs::is_symlink(PathOf("dangling.xml")));
    EXPECT_EQ(Content(PathOf("made.xml")), "made");
    fs::create_symlink("no/such/dir.xml", PathOf("nowhere.xml"));
    fs::create_symlink("loop.xml", PathOf("loop.xml"));
    for (const char* szLink : {"nowhere.xml", "loop.xml"}) {
        EXPECT_EQ(ReplaceFileContent(PathOf(szLink), "x", strError), Result::InvalidArgument) << szLink;
        EXPECT_TRUE(fs::is_symlink(PathOf(szLink))) << szLink;
    }
}

TEST_F(FileIO, ANameThatIsNotUtf8KeepsItsBytes)
{
    std::string strError;
    const std::string strPath = PathOf("\xFE\xFF.xml");
    ASSERT_EQ(ReplaceFileContent(strPath, "x", strError), Result::Ok) << strError;
    std::string bytes;
    ASSERT_EQ(ReadRegularFile(strPath, 10, bytes, strError), Result::Ok) << strError;
    EXPECT_EQ(bytes, "x");
    EXPECT_TRUE(fs::exists(m_dir / "\xFE\xFF.xml"));
}

TEST_F(FileIO, AMissingDirectoryIsReported)
{
    std::string strError;
    EXPECT_EQ(ReplaceFileContent(PathOf("no/such/dir.xml"), "x", strError), Result::InvalidArgument);
    EXPECT_NE(strError.find("dir.xml"), std::string::npos) << strError;
}

TEST_F(FileIO, DigestsTheWholeFile)
{
    struct Case {
        const char* szContent;
        const char* szSha256;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    };
    for (const Case& c : cases) {
        std::string strError;
        ASSERT_EQ(ReplaceFileContent(PathOf("image.hex"), c.szContent, strError), Result::Ok) << strError;
        std::string strHex;
        EXPECT_EQ(Sha256OfFile(PathOf("image.hex"), 16, strHex, strError), Result::Ok) << strError;
        EXPECT_EQ(strHex, c.szSha256);
    }
    std::string strHex;
    std::string strError;
    EXPECT_EQ(Sha256OfFile(PathOf("missing.hex"), 16, strHex, strError), Result::InvalidArgument);
    EXPECT_NE(strError.find("missing.hex"), std::string::npos) << strError;
}
