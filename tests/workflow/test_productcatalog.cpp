#include "common/FilePaths.h"
#include "workflow/ProductCatalog.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A definition directory built by the test, one subdirectory per product.
class ProductCatalogDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("fluxa_catalog_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void AddProduct(const std::string& strDirectory, const std::string& strArticle, const std::string& strType)
    {
        fs::create_directories(m_dir / strDirectory);
        std::ofstream(m_dir / strDirectory / "DeviceConfig.xml")
            << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<DeviceConfig><ArticleNumber>" << strArticle
            << "</ArticleNumber><ConfigSheet>" << strType << "</ConfigSheet><ProductDescription><DE>Armatur</DE>"
            << "<ENU>Faucet</ENU></ProductDescription></DeviceConfig>\n";
    }

    LanguageGuard m_english{kLanguageEnglish};
    fs::path m_dir;
    CProductCatalog m_catalog;
    std::string m_strError;
};

} // namespace

TEST(ProductTypes, NamesAndCodes)
{
    LanguageGuard english(kLanguageEnglish);
    struct Case {
        const char* name;
        int type;
    };
    for (const Case& c : {Case{"Tarvo", 1}, {"TarvoV2", 2}, {"Ambra", 3}, {"Urinal", 4}, {"WC", 5}, {"Pelio", 6}, {"Culina", 7}}) {
        int nType = 0;
        std::string strError;
        EXPECT_EQ(ProductNameToType(c.name, nType, strError), 0);
        EXPECT_EQ(nType, c.type);
    }
    int nType = 0;
    std::string strError;
    EXPECT_EQ(ProductNameToType("Urinal2", nType, strError), -1001);
    EXPECT_EQ(strError, "The product with the name (Urinal2) is not known");
    EXPECT_EQ(ProductNameToType("ambra", nType, strError), -1001); // exact names only
}

TEST_F(ProductCatalogDir, LoadsEverySubdirectoryAndFindsByArticle)
{
    AddProduct("b", "230500501", "WC");
    AddProduct("a", "230300301", "Ambra");
    std::ofstream(m_dir / "README.md") << "not a product";
    ASSERT_EQ(m_catalog.LoadDeviceConfigs(Utf8FromPath(m_dir), m_strError), 0) << m_strError;
    EXPECT_EQ(m_catalog.Configs().GetCount(), 2);
    EXPECT_EQ(m_catalog.FindProductTypeForArticle("230500501"), 5);
    EXPECT_EQ(m_catalog.FindProductTypeForArticle("239999999"), 0);
    CDeviceConfig definition;
    ASSERT_TRUE(m_catalog.FindDefinition("230300301", definition));
    EXPECT_EQ(definition.GetPicturePath(), Utf8FromPath(m_dir / "a" / "ProductPicture.bmp"));
}

TEST_F(ProductCatalogDir, DuplicateArticleStopsLoadingAndKeepsEarlierOnes)
{
    AddProduct("a", "230300301", "Ambra");
    AddProduct("b", "230300301", "Pelio");
    AddProduct("c", "230100101", "Tarvo");
    EXPECT_EQ(m_catalog.LoadDeviceConfigs(Utf8FromPath(m_dir), m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: The object with the name (230300301) is allready known.");
    EXPECT_EQ(m_catalog.Configs().GetCount(), 1);
}

TEST_F(ProductCatalogDir, EmptyOrMissingDirectories)
{
    std::ofstream(m_dir / "only-a-file.txt") << "x";
    EXPECT_EQ(m_catalog.LoadDeviceConfigs(Utf8FromPath(m_dir), m_strError), -1002);
    EXPECT_EQ(m_strError, "The selected configuration directory does not contain at least one product definition. Choose an other directory.");
    EXPECT_EQ(m_catalog.LoadDeviceConfigs("", m_strError), -1002);
    EXPECT_EQ(m_strError, "No configuration directory was selected. Please select one first...");
    EXPECT_EQ(m_catalog.LoadDeviceConfigs(Utf8FromPath(m_dir / "missing"), m_strError), -1004);
    EXPECT_NE(m_strError.find("missing"), std::string::npos);
}

TEST(ShippedCatalog, LoadsAllShippedDefinitions)
{
    CProductCatalog catalog;
    std::string strError;
    ASSERT_EQ(catalog.LoadDeviceConfigs(DefaultConfigDirectory(), strError), 0) << strError;
    EXPECT_EQ(catalog.FindProductTypeForArticle("230300301"), 3);
    EXPECT_EQ(catalog.FindProductTypeForArticle("230500501"), 5);
    EXPECT_EQ(catalog.FindProductTypeForArticle("239999999"), 0);
}
