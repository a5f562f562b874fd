#include "app/ProductSession.h"

#include "common/ResultCodes.h"
#include "workflow/FittingReadout.h"

void CProductSession::SetCurrentConfig(const CDeviceConfig& definition)
{
    m_config = definition;
    std::lock_guard<std::mutex> lock(m_inForceLock);
    m_strArticleInForce = definition.GetArticleNumber();
}

int CProductSession::SelectProduct(const std::string& strTypeName, std::string& strError)
{
    int nType = 0;
    const int nResult = ProductNameToType(strTypeName, nType, strError);
    return nResult != Result::Ok ? nResult : SetProductType(nType, strError);
}

int CProductSession::SetProductType(int nProductType, std::string& strError)
{
    strError.clear();
    m_nProductType = nProductType;
    if (m_onProductType)
        m_onProductType();
    return Result::Ok;
}

void CProductSession::SetRunningFirmware(const std::string& strVersion, bool bInBootloader)
{
    m_strRunningVersion = strVersion;
    m_bInBootloader = bInBootloader;
}

int CProductSession::CheckArticleNumber(std::string& strError)
{
    return ::CheckArticleNumber(m_link, GetArticleNumberInForce(), strError);
}

bool CProductSession::FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType)
{
    CDeviceConfig definition;
    if (!m_catalog.FindDefinition(strArticleNumber, definition))
        return false;
    nProductType = m_catalog.FindProductTypeForArticle(strArticleNumber);
    return true;
}

std::string CProductSession::GetArticleNumberInForce() const
{
    std::lock_guard<std::mutex> lock(m_inForceLock);
    return m_strArticleInForce;
}
