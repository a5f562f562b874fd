#pragma once
// Memory records: contiguous blocks of bytes at 32-bit addresses, and the
// ordered list an image keeps them in.
#include "common/FluxaTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// The records' limits and the messages the records and the image both give.
namespace DataRecords {
inline constexpr std::uint64_t kAddressSpace = std::uint64_t(1) << 32;
inline constexpr const char* kZeroLengthText = "A length information set to 0 is not supported/invalid";
inline constexpr const char* kAddMemoryText = "A CMemoryException was thrown while adding a new data record";
} // namespace DataRecords

// One contiguous block of memory.
class CDataRecord {
public:
    CDataRecord() = default;
    CDataRecord(DWORD nStartAddr, DWORD nLength, const BYTE* pData);
    CDataRecord(const CDataRecord&) = default;
    CDataRecord& operator=(const CDataRecord&) = default;
    CDataRecord(CDataRecord&&) noexcept = default;
    CDataRecord& operator=(CDataRecord&&) noexcept = default;
    virtual ~CDataRecord() = default;

    virtual void Copy(const CDataRecord& other);
    // Byte at a position counted from the record's start; 0 outside the record.
    virtual BYTE GetByte(DWORD nPosition) const;
    virtual void SetStartAddr(DWORD nStartAddr);
    virtual DWORD GetStartAddr() const;
    // Start + length - 1 (start - 1 for an empty record, as the format has it).
    virtual DWORD GetEndAddr() const;
    // Resizes the data; new bytes are 0.
    virtual void SetLength(DWORD nLength);
    virtual DWORD GetLength() const;
    virtual int AppendData(DWORD nLength, const BYTE* pData, std::string& strError);
    virtual int AppendRecord(const CDataRecord& other, std::string& strError);

    const BYTE* GetData() const { return m_pData.data(); }
    // One past the last address, without the 32-bit wrap of GetEndAddr.
    std::uint64_t GetLimitAddr() const { return std::uint64_t(m_nStartAddr) + m_nLength; }

protected:
    DWORD m_nStartAddr = 0;
    DWORD m_nLength = 0;
    std::vector<BYTE> m_pData; // always m_nLength bytes
};

// Ordered list of records; joins a record to the one that ends right before it.
// Records may overlap, but only where their bytes agree.
class CDataRecordHandler {
public:
    CDataRecordHandler() = default;
    CDataRecordHandler(const CDataRecordHandler&) = default;
    CDataRecordHandler& operator=(const CDataRecordHandler&) = default;
    CDataRecordHandler(CDataRecordHandler&&) noexcept = default;
    CDataRecordHandler& operator=(CDataRecordHandler&&) noexcept = default;
    virtual ~CDataRecordHandler() = default;

    virtual int AddDataRecord(const CDataRecord& record, std::string& strError);
    virtual int GetCount() const;
    virtual int GetDataRecord(int nIndex, CDataRecord& record, std::string& strError) const;
    virtual int CopyFrom(const CDataRecordHandler& other, std::string& strError);

    // The first address at which the record's bytes differ from a stored
    // record's; false when they agree wherever they overlap.
    bool FindConflict(const CDataRecord& record, DWORD& nAddress) const;

    // Read access without copying, for the writers of an image.
    const std::vector<CDataRecord>& Records() const { return m_Records; }
    DWORD GetTotalLength() const { return m_nTotalLength; }

protected:
    std::vector<CDataRecord> m_Records;
    // Sum of the lengths of the records added as new list entries.
    DWORD m_nTotalLength = 0;
    // One past the highest address any record reaches.
    std::uint64_t m_nHighestLimit = 0;
};
