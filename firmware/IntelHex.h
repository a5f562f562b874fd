#pragma once
// Intel HEX firmware images: a list of contiguous memory records read from
// and written to the text format (record types 00, 01 and 04).
#include "common/FluxaTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

class CIntelHex {
public:
    static constexpr int kMinLineChars = 9;   // ":" count, address, type, checksum
    static constexpr int kMaxLineChars = 521; // with 255 data bytes
    static constexpr int kMinItemsPerLine = 1;
    static constexpr int kMaxItemsPerLine = 255;
    static constexpr DWORD kMaxMergeSize = 1048576;
    // Far above any image a fitting takes, low enough to read a file whole.
    static constexpr std::size_t kMaxFileBytes = 32 * 1024 * 1024;

    CIntelHex() = default;
    CIntelHex(const CIntelHex&) = default;
    CIntelHex& operator=(const CIntelHex&) = default;
    CIntelHex(CIntelHex&&) noexcept = default;
    CIntelHex& operator=(CIntelHex&&) noexcept = default;
    virtual ~CIntelHex() = default;

    virtual int Load(const std::string& strPath, std::string& strError);
    virtual int Save(const std::string& strPath, std::string& strError);
    virtual int SetItemsPerLine(int nCount, std::string& strError);
    virtual int GetItemsPerLine() const;
    virtual int CopyFrom(const CIntelHex& other, std::string& strError);
    virtual int GetDataRecordCount() const;
    virtual int GetDataRecord(int nIndex, CDataRecord& record, std::string& strError) const;
    // Folds every record inside start..end into one record, gaps set to the fill byte.
    virtual int MergeMemoryArea(DWORD nStart, DWORD nEnd, std::string& strError, BYTE byFill = 0xFF);
    // One trimmed line of the file.
    virtual int ParseLine(const std::string& strLine, std::string& strError);
    virtual int HexToByte(const std::string& strText, int nPosition, int nDigits, BYTE& byValue,
                          std::string& strError) const;
    virtual int HexToValue(const std::string& strText, int nPosition, int nDigits, DWORD& nValue,
                           std::string& strError) const;
    // Checksum of the digit pairs of a line without its ":".
    virtual int CalcLineChecksum(const std::string& strText, BYTE& byChecksum, std::string& strError) const;
    virtual int CalcChecksum(int nCount, const BYTE* pBytes, BYTE& byChecksum, std::string& strError) const;

    const CDataRecordHandler& Records() const { return m_Records; }
    // The byte at an address, if a record holds it.
    bool FindByte(DWORD nAddress, BYTE& byValue) const;
    int GetLineNumber() const { return m_nLineNumber; }
    const std::string& GetFileName() const { return m_strFileName; }
    // False for a file that ended without its end-of-file record, as a
    // cut-off copy does.
    bool HasEndOfFileRecord() const { return m_bEndOfData != 0; }

protected:
    // The checks every line passes first: nothing after the end record, and
    // the character count within the limits.
    int CheckLineFrame(std::uint64_t nCharCount, std::string& strError) const;
    int ReadLines(std::string_view text, std::string& strError);
    int AddDataLine(const CDataRecord& record, std::string& strError);
    int WriteRecords(std::string& strText, std::string& strError) const;

    CDataRecordHandler m_Records;
    int m_nLineNumber = 0;
    std::string m_strFileName;
    int m_bEndOfData = 0;
    int m_bExtendedAddress = 0;
    DWORD m_nExtendedAddress = 0;
    int m_nItemsPerLine = 16;

private:
    // Where each data line put its bytes, to name the line that a later,
    // conflicting one contradicts.
    struct DataLine {
        DWORD nStartAddr;
        DWORD nLength;
        int nLineNumber;
    };
    int FirstLineAt(DWORD nAddress) const;

    std::vector<DataLine> m_DataLines;
};
