#include "firmware/DataRecord.h"

#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <new>

using DataRecords::kAddMemoryText;
using DataRecords::kAddressSpace;
using DataRecords::kZeroLengthText;

// ---------------------------------------------------------------- CDataRecord

CDataRecord::CDataRecord(DWORD nStartAddr, DWORD nLength, const BYTE* pData)
    : m_nStartAddr(nStartAddr), m_nLength(nLength), m_pData(pData, pData + nLength)
{
}

void CDataRecord::Copy(const CDataRecord& other)
{
    *this = other;
}

BYTE CDataRecord::GetByte(DWORD nPosition) const
{
    return nPosition < m_nLength ? m_pData[nPosition] : 0;
}

void CDataRecord::SetStartAddr(DWORD nStartAddr)
{
    m_nStartAddr = nStartAddr;
}

DWORD CDataRecord::GetStartAddr() const
{
    return m_nStartAddr;
}

DWORD CDataRecord::GetEndAddr() const
{
    return m_nStartAddr + m_nLength - 1;
}

void CDataRecord::SetLength(DWORD nLength)
{
    m_pData.resize(nLength);
    m_nLength = nLength;
}

DWORD CDataRecord::GetLength() const
{
    return m_nLength;
}

int CDataRecord::AppendData(DWORD nLength, const BYTE* pData, std::string& strError)
{
    if (nLength == 0) {
        strError = kZeroLengthText;
        return Result::InvalidArgument;
    }
    if (pData == nullptr) {
        strError = "The data pointer is invalid (NULL)";
        return Result::InvalidArgument;
    }
    if (GetLimitAddr() + nLength > kAddressSpace) {
        strError = "The data can't be added as it would reach beyond the 32-bit address range";
        return Result::InvalidArgument;
    }
    try {
        m_pData.insert(m_pData.end(), pData, pData + nLength);
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        return Result::OutOfMemory;
    }
    m_nLength += nLength;
    return Result::Ok;
}

int CDataRecord::AppendRecord(const CDataRecord& other, std::string& strError)
{
    if (m_nLength == 0) {
        try {
            Copy(other);
        } catch (const std::bad_alloc&) {
            strError = kAddMemoryText;
            return Result::OutOfMemory;
        }
        return Result::Ok;
    }
    if (other.m_nStartAddr != GetLimitAddr()) {
        strError = FormatText("The data can't be added due to spaces where detected.Current data: Start:0x%X, "
                              "length:0x%X, data to be added:Start:0x%X, length:0x%X",
                              m_nStartAddr, m_nLength, other.m_nStartAddr, other.m_nLength);
        return Result::InvalidArgument;
    }
    return AppendData(other.m_nLength, other.GetData(), strError);
}

// --------------------------------------------------------- CDataRecordHandler

int CDataRecordHandler::AddDataRecord(const CDataRecord& record, std::string& strError)
{
    if (record.GetLength() == 0) {
        strError = kZeroLengthText;
        return Result::InvalidArgument;
    }
    // Which of two differing bytes would end up in the flash depends on the
    // order of writing: such an image is refused, not guessed at.
    DWORD nConflict = 0;
    if (FindConflict(record, nConflict)) {
        strError = FormatText("Can't add the new data record due to its data differs from the data already stored "
                              "at the address (0x%X)",
                              nConflict);
        return Result::InvalidArgument;
    }
    // A record beyond every stored one can neither lie inside one nor follow
    // one, which spares large files with gaps a walk over the whole list.
    if (record.GetStartAddr() <= m_nHighestLimit) {
        for (CDataRecord& existing : m_Records) {
            if (record.GetStartAddr() >= existing.GetStartAddr() &&
                record.GetLimitAddr() <= existing.GetLimitAddr()) {
                // Already there with the same bytes (a repeated line): dropped, not an error.
                strError = "Can't add the new data record due to start and / or end addr is allready used";
                return Result::Ok;
            }
            if (existing.GetLimitAddr() == record.GetStartAddr()) {
                const int nResult = existing.AppendRecord(record, strError);
                m_nHighestLimit = std::max(m_nHighestLimit, existing.GetLimitAddr());
                return nResult;
            }
        }
    }
    try {
        m_Records.push_back(record);
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        return Result::OutOfMemory;
    }
    m_nTotalLength += record.GetLength();
    m_nHighestLimit = std::max(m_nHighestLimit, record.GetLimitAddr());
    return Result::Ok;
}

bool CDataRecordHandler::FindConflict(const CDataRecord& record, DWORD& nAddress) const
{
    if (record.GetStartAddr() >= m_nHighestLimit)
        return false;
    for (const CDataRecord& existing : m_Records) {
        const std::uint64_t nFrom = std::max(record.GetStartAddr(), existing.GetStartAddr());
        const std::uint64_t nTo = std::min(record.GetLimitAddr(), existing.GetLimitAddr());
        if (nFrom >= nTo)
            continue;
        const BYTE* pNew = record.GetData() + (nFrom - record.GetStartAddr());
        const BYTE* pNewEnd = pNew + (nTo - nFrom);
        const BYTE* pDiffers = std::mismatch(pNew, pNewEnd, existing.GetData() + (nFrom - existing.GetStartAddr())).first;
        if (pDiffers != pNewEnd) {
            nAddress = static_cast<DWORD>(nFrom + (pDiffers - pNew));
            return true;
        }
    }
    return false;
}

int CDataRecordHandler::GetCount() const
{
    return static_cast<int>(m_Records.size());
}

int CDataRecordHandler::GetDataRecord(int nIndex, CDataRecord& record, std::string& strError) const
{
    if (m_Records.empty()) {
        strError = "No data records were currently assigned. Operation aborted";
        return Result::MissingPrecondition;
    }
    if (nIndex < 0 || nIndex >= GetCount()) {
        strError = FormatText("The passed data record index (%d) is invalid. Current stored data record count is (%d)",
                              nIndex, GetCount());
        return Result::InvalidArgument;
    }
    try {
        record.Copy(m_Records[static_cast<std::size_t>(nIndex)]);
    } catch (const std::bad_alloc&) {
        strError = FormatText("A CMemoryException was thrown while accessing the data record index (%d)", nIndex);
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

int CDataRecordHandler::CopyFrom(const CDataRecordHandler& other, std::string& strError)
{
    try {
        std::vector<CDataRecord> copy = other.m_Records;
        m_Records.swap(copy);
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        return Result::OutOfMemory;
    }
    m_nTotalLength = other.m_nTotalLength;
    m_nHighestLimit = other.m_nHighestLimit;
    return Result::Ok;
}
