#include "workflow/ProductCatalog.h"

#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct TypeName {
    const char* szName;
    int nType;
};
constexpr TypeName kTypeNames[] = {{"Tarvo", 1}, {"TarvoV2", 2}, {"Ambra", 3}, {"Urinal", 4},
                                   {"WC", 5},    {"Pelio", 6},   {"Culina", 7}};

} // namespace

int ListSubdirectories(const std::string& strDirectory, std::vector<std::string>& names, std::string& strError)
{
    names.clear();
    std::error_code error;
    for (fs::directory_iterator it(PathFromUtf8(strDirectory), error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError))
            names.push_back(Utf8FromPath(it->path().filename()));
    }
    if (error) {
        strError = FormatText(PickText("The directory (%s) can't be read: %s", "Das Verzeichnis (%s) kann nicht gelesen werden: %s"),
                              strDirectory.c_str(), error.message().c_str());
        return Result::FileException;
    }
    std::sort(names.begin(), names.end());
    return Result::Ok;
}

std::string ProductTypeName(int nProductType)
{
    const auto found = std::find_if(std::begin(kTypeNames), std::end(kTypeNames), [nProductType](const TypeName& entry) {
        return entry.nType == nProductType;
    });
    return found != std::end(kTypeNames) ? found->szName : "";
}

int ProductNameToType(const std::string& strTypeName, int& nProductType, std::string& strError)
{
    for (const TypeName& entry : kTypeNames) {
        if (strTypeName == entry.szName) {
            nProductType = entry.nType;
            return Result::Ok;
        }
    }
    strError = FormatText(PickText("The product with the name (%s) is not known", "Das Produkt (%s) ist nicht bekannt"),
                          strTypeName.c_str());
    return Result::InvalidArgument;
}

int CProductCatalog::LoadDeviceConfigs(const std::string& strConfigPath, std::string& strError, const DefinitionCheck& check)
{
    m_Configs.RemoveAll();
    if (strConfigPath.empty()) {
        strError = PickText("No configuration directory was selected. Please select one first...",
                            "Es wurde noch kein Verzeichnis für die Produktkonfiguration gewählt. Bitte wählen Sie zunächst eines aus...");
        return Result::MissingPrecondition;
    }
    std::vector<std::string> directories;
    int nResult = ListSubdirectories(strConfigPath, directories, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (directories.empty()) {
        strError = PickText("The selected configuration directory does not contain at least one product definition. Choose an other directory.",
                            "Das gewählte Konfigurationsverzeichnis enthält keine Produktkonfiguration. Wählen Sie ein anderes Verzeichnis.");
        return Result::MissingPrecondition;
    }
    for (const std::string& strName : directories) {
        const fs::path directory = PathFromUtf8(strConfigPath) / PathFromUtf8(strName);
        CDeviceConfigXML file;
        const std::string strFile = Utf8FromPath(directory / kDefinitionFileName);
        nResult = file.LoadDefinition(strFile, strError);
        if (nResult == Result::Ok && check)
            nResult = check(file.GetConfig(), strError);
        if (nResult != Result::Ok) {
            // Which of the definitions failed, when the message does not say.
            if (strError.find(strFile) == std::string::npos)
                strError = strFile + ": " + strError;
            return nResult;
        }
        file.GetConfig().SetPicturePath(Utf8FromPath(directory / kPictureFileName));
        nResult = m_Configs.AddObjectByName(file.GetConfig(), strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}

bool CProductCatalog::FindDefinition(const std::string& strArticleNumber, CDeviceConfig& definition)
{
    // The registry is keyed by article number; the key ignores case and
    // white space, the article number must match exactly.
    std::string strIgnored;
    CDeviceConfig* pFound = nullptr;
    m_Configs.Lock();
    const bool bFound = m_Configs.LookupObjectByName(strArticleNumber, pFound, MustExist, strIgnored, 0) == Result::Ok
                        && pFound->GetArticleNumber() == strArticleNumber;
    if (bFound)
        definition = *pFound;
    m_Configs.Unlock();
    return bFound;
}

int CProductCatalog::FindProductTypeForArticle(const std::string& strArticleNumber)
{
    CDeviceConfig definition;
    int nProductType = 0;
    std::string strIgnored;
    if (FindDefinition(strArticleNumber, definition) && ProductNameToType(definition.GetConfigSheet(), nProductType, strIgnored) == Result::Ok)
        return nProductType;
    return 0;
}
