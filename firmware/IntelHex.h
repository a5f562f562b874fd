#pragma once
// Intel HEX firmware images: a list of contiguous memory records read from
// and written to the text format (record types 00, 01 and 04).
#include "common/FluxaTypes.h"
#include "firmware/DataRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // After a failed Load: the file itself could not be opened or read, as
    // against a line of it refused.
    bool FileUnreadable() const { return m_strFileName.empty(); }
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
    // The line's bytes after the ":" into pBytes, checked against the
    // checksum and the data count the line announces.
    int DecodeLine(const std::string& strLine, BYTE* pBytes, std::string& strError) const;
    // Takes one decoded record of the given type into the image.
    int TakeRecord(int nType, DWORD nAddress, const BYTE* pData, int nDataCount, std::string& strError);
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
