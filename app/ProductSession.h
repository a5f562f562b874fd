#pragma once
// The product in force: the product definitions, the definition and product
// type the window works with, the configuration file loaded last, and the
// article lock the monitors and the jobs read. Pages receive it by reference;
// selecting a product tells the window through the listener it installs.

#include "configdata/DeviceConfig.h"
#include "configdata/ToolConfigXML.h"
#include "workflow/ProductCatalog.h"

#include <functional>
#include <mutex>
#include <string>

class CVelmorTPExt;

class CProductSession {
public:
    explicit CProductSession(CVelmorTPExt& link) : m_link(link) {}

    CVelmorTPExt& Link() { return m_link; }
    CProductCatalog& Catalog() { return m_catalog; }
    // The definition in force; SetCurrentConfig changes it.
    CDeviceConfig& Config() { return m_config; }
    int ProductType() const { return m_nProductType; }
    // The configuration file loaded last.
    CToolConfigXML& LoadedFile() { return m_loadedFile; }

    // Makes the definition the product in force (also for the monitor).
    void SetCurrentConfig(const CDeviceConfig& definition);
    // The product type of a type name ("Ambra", "WC", ...) comes into force;
    // the window's listener then shows its page and resets the pages.
    int SelectProduct(const std::string& strTypeName, std::string& strError);
    int SetProductType(int nProductType, std::string& strError);
    void SetProductTypeListener(std::function<void()> listener) { m_onProductType = std::move(listener); }

    // The firmware the fitting ran when it was identified last: its version
    // (empty when not known) and whether it waited in its boot loader.
    void SetRunningFirmware(const std::string& strVersion, bool bInBootloader);
    const std::string& RunningVersion() const { return m_strRunningVersion; }
    bool IsInBootloader() const { return m_bInBootloader; }

    // 0 when the fitting's article number is the one in force; safe from a
    // fitting job's worker.
    int CheckArticleNumber(std::string& strError);
    // The monitors' two look-ups, safe from their threads.
    bool FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType);
    std::string GetArticleNumberInForce() const;

private:
    CVelmorTPExt& m_link;
    CProductCatalog m_catalog;
    CDeviceConfig m_config;
    int m_nProductType = 0;
    CToolConfigXML m_loadedFile;
    std::string m_strRunningVersion;
    bool m_bInBootloader = false;
    std::function<void()> m_onProductType;
    mutable std::mutex m_inForceLock; // the article in force, read by the monitor thread
    std::string m_strArticleInForce;
};
