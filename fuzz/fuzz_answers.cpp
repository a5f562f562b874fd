// Answers of a fitting: the input is a row of answer payloads (a length byte,
// then that many bytes), handed out one per command; every service and
// workflow read takes them, whatever they hold.
#include "devicelink/VelmorTPExt.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

class CFuzzedLink : public CVelmorTPExt {
public:
    CFuzzedLink(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

protected:
    int TransferCommand(int, std::string& strError) override
    {
        if (m_nSize == 0) {
            strError = "Timeout";
            return -1008;
        }
        const std::size_t nLength = std::min<std::size_t>(m_pData[0], m_nSize - 1);
        std::memcpy(m_byResponse, m_pData + 1, nLength);
        m_nResponseLength = static_cast<int>(nLength);
        m_pData += nLength + 1;
        m_nSize -= nLength + 1;
        return 0;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CFuzzedLink link(pData, nSize);
    link.SetRetryCount(1);
    std::string strError;
    CStringParameterHandler parameters;
    link.ReadModuleInformation(parameters, strError);
    link.ErrorCodesReadDetails(1, parameters, strError);
    UCHAR byCount = 0;
    std::vector<BYTE> data;
    link.ReadCountedList(byCount, data, strError);
    DWORD dwValue = 0;
    link.ReadDWordByIndex(3, dwValue, strError);
    link.ReadDataByAddr(0x10, 8, data, strError);
    std::string strArticle, strFormatted, strText;
    link.ReadArticleNumber(strArticle, strFormatted, strError);
    link.ReadSerialNumber(0x11, strText, strError);
    link.ReadProductionDate(0x2C, strText, strError);
    link.WriteEEValue(0x72, 2, 1500, strError);
    for (int nType = 1; nType <= 7; ++nType) {
        CFittingInformation information;
        ReadFittingInformation(link, nType, information, strError);
        CErrorHistory history;
        ReadErrorHistory(link, nType, history, strError);
        std::vector<std::string> lines;
        ErrorHistoryLines(history, nType, lines, strError);
    }
    std::vector<CEepromRow> rows;
    ReadEepromRows(link, 0, 0x3F, rows, strError);
    return 0;
}
