#pragma once
// The product definitions of the definition directory and the mapping of
// product type names to type codes.

#include "configdata/DeviceConfig.h"
#include "configdata/HashedObjects.h"

#include <functional>
#include <string>
#include <vector>

// The definition and picture file of each product subdirectory.
inline constexpr const char* kDefinitionFileName = "DeviceConfig.xml";
inline constexpr const char* kPictureFileName = "ProductPicture.bmp";

// Names of the subdirectories of a directory, sorted by name so that every
// platform loads the definitions in the same order.
int ListSubdirectories(const std::string& strDirectory, std::vector<std::string>& names, std::string& strError);

// "Tarvo" 1, "TarvoV2" 2, "Ambra" 3, "Urinal" 4, "WC" 5, "Pelio" 6,
// "Culina" 7, compared exactly; anything else is -1001.
int ProductNameToType(const std::string& strTypeName, int& nProductType, std::string& strError);
// The type name of a code; empty for a code outside 1..7.
std::string ProductTypeName(int nProductType);

// A check of a definition just read, beyond its file's form: 0 takes it,
// a failure refuses it with its message. The settings pages give theirs
// (CheckDefinitionFitsFields), which this layer cannot know.
using DefinitionCheck = std::function<int(CDeviceConfig& definition, std::string& strError)>;

class CProductCatalog {
public:
    // Reads every subdirectory's definition, each passing the check when one
    // is given. The first failure ends the loading and is returned, naming
    // the definition's file; the definitions loaded before it stay.
    int LoadDeviceConfigs(const std::string& strConfigPath, std::string& strError, const DefinitionCheck& check = {});
    // Type code of the first definition with this article number; 0 when
    // none has it or its type name is not known.
    int FindProductTypeForArticle(const std::string& strArticleNumber);
    // Copy of the first definition with this article number.
    bool FindDefinition(const std::string& strArticleNumber, CDeviceConfig& definition);

    CHashedObjects<CDeviceConfig>& Configs() { return m_Configs; }

private:
    CHashedObjects<CDeviceConfig> m_Configs;
};
