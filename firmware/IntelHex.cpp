#include "firmware/IntelHex.h"

#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t(1) << 32;
constexpr const char* kZeroLengthText = "A length information set to 0 is not supported/invalid";
constexpr const char* kAddMemoryText = "A CMemoryException was thrown while adding a new data record";

int ClampToInt(std::uint64_t value)
{
    return value > std::uint64_t(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// Reads a file line by line. Only the first kMaxLineChars characters of a
// line's trimmed text are kept, so a file without line breaks cannot exhaust
// memory; the trimmed length is counted in full.
class CBoundedLineReader {
public:
    explicit CBoundedLineReader(std::FILE* pFile) : m_pFile(pFile) {}

    // False at the end of the file or after a read error (see Failed).
    bool Next(std::string& strLine, std::uint64_t& nTrimmedLength)
    {
        strLine.clear();
        nTrimmedLength = 0;
        int c = Get();
        if (c == EOF)
            return false;
        std::string strPendingSpace; // white space inside the line, kept bounded
        std::uint64_t nPendingSpace = 0;
        for (; c != EOF && c != '\n'; c = Get()) {
            if (IsWhiteSpace(static_cast<char>(c))) {
                if (nTrimmedLength == 0)
                    continue; // leading white space
                ++nPendingSpace;
                if (strPendingSpace.size() < kKeep)
                    strPendingSpace += static_cast<char>(c);
                continue;
            }
            nTrimmedLength += nPendingSpace + 1;
            Keep(strLine, strPendingSpace);
            if (strLine.size() < kKeep)
                strLine += static_cast<char>(c);
            strPendingSpace.clear();
            nPendingSpace = 0;
        }
        return true;
    }
    bool Failed() const { return m_bFailed; }
    int ErrorNumber() const { return m_nErrno; }

private:
    static constexpr std::size_t kKeep = CIntelHex::kMaxLineChars;

    static void Keep(std::string& strLine, const std::string& strPart)
    {
        if (strLine.size() < kKeep)
            strLine.append(strPart, 0, kKeep - strLine.size());
    }

    int Get()
    {
        if (m_nPos == m_nFilled) {
            m_nFilled = std::fread(m_buffer.data(), 1, m_buffer.size(), m_pFile);
            m_nPos = 0;
            if (m_nFilled == 0) {
                if (std::ferror(m_pFile) && !m_bFailed) {
                    m_bFailed = true;
                    m_nErrno = errno;
                }
                return EOF;
            }
        }
        return static_cast<unsigned char>(m_buffer[m_nPos++]);
    }

    std::FILE* m_pFile;
    std::array<char, 65536> m_buffer{};
    std::size_t m_nPos = 0;
    std::size_t m_nFilled = 0;
    bool m_bFailed = false;
    int m_nErrno = 0;
};

std::string FileExceptionText(const std::string& strPath, int nErrno)
{
    return FormatText("A file exception was thrown while accessing the file (%s). The system reports the error:",
                      strPath.c_str()) +
           " " + std::strerror(nErrno);
}

void AppendHexByte(std::string& strText, BYTE byValue)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    strText += kDigits[byValue >> 4];
    strText += kDigits[byValue & 0x0F];
}

} // namespace

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
    // A record beyond every stored one can neither lie inside one nor follow
    // one, which spares large files with gaps a walk over the whole list.
    if (record.GetStartAddr() <= m_nHighestLimit) {
        for (CDataRecord& existing : m_Records) {
            if (record.GetStartAddr() >= existing.GetStartAddr() &&
                record.GetLimitAddr() <= existing.GetLimitAddr()) {
                // Already there (a repeated line): dropped, not an error.
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

// ------------------------------------------------------------------ CIntelHex

int CIntelHex::Load(const std::string& strPath, std::string& strError)
{
    m_nLineNumber = 0;
    m_strFileName.clear();
    m_bEndOfData = 0;
    m_bExtendedAddress = 0;
    m_nExtendedAddress = 0;
    m_Records = CDataRecordHandler();

    std::FILE* pFile = std::fopen(strPath.c_str(), "r");
    if (pFile == nullptr) {
        strError = FormatText("Can't open the given file (%s). The system reports the error: (%s)", strPath.c_str(),
                              std::strerror(errno));
        return Result::InvalidArgument;
    }
    m_strFileName = strPath;
    int nResult = Result::Ok;
    try {
        nResult = ReadLines(pFile, strError);
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        nResult = Result::OutOfMemory;
    }
    std::fclose(pFile);
    if (nResult != Result::Ok)
        strError += "\nParsed file was:" + m_strFileName;
    return nResult;
}

int CIntelHex::ReadLines(std::FILE* pFile, std::string& strError)
{
    CBoundedLineReader reader(pFile);
    std::string strLine;
    std::uint64_t nTrimmedLength = 0;
    while (reader.Next(strLine, nTrimmedLength)) {
        if (m_nLineNumber < INT_MAX)
            ++m_nLineNumber;
        if (nTrimmedLength == 0)
            continue;
        // The reader keeps no more than the longest valid line.
        const int nResult = nTrimmedLength > std::uint64_t(kMaxLineChars) ? CheckLineFrame(nTrimmedLength, strError)
                                                                          : ParseLine(strLine, strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    if (reader.Failed()) {
        strError = FileExceptionText(m_strFileName, reader.ErrorNumber());
        return Result::FileException;
    }
    return Result::Ok;
}

int CIntelHex::CheckLineFrame(std::uint64_t nCharCount, std::string& strError) const
{
    if (m_bEndOfData) {
        strError = "No further data was expected due to the end of data identifier was allready found";
        return Result::MissingPrecondition;
    }
    if (nCharCount < std::uint64_t(kMinLineChars) || nCharCount > std::uint64_t(kMaxLineChars) ||
        nCharCount % 2 == 0) {
        strError = FormatText("The handled file line (%d) with the char count (%d) is out of range. The min char count "
                              "is definied as (%d) and the max is defined as (%d).",
                              m_nLineNumber, ClampToInt(nCharCount), kMinLineChars, kMaxLineChars);
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

int CIntelHex::ParseLine(const std::string& strLine, std::string& strError)
{
    int nResult = CheckLineFrame(strLine.size(), strError);
    if (nResult != Result::Ok)
        return nResult;
    if (strLine[0] != ':') {
        strError = "The start condition (':') was not found";
        return Result::InvalidArgument;
    }
    const int nByteCount = static_cast<int>(strLine.size() - 1) / 2;
    std::array<BYTE, (kMaxLineChars - 1) / 2> bytes{};
    for (int i = 0; i < nByteCount; ++i) {
        nResult = HexToByte(strLine, 1 + 2 * i, 2, bytes[static_cast<std::size_t>(i)], strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    BYTE byComputed = 0;
    nResult = CalcChecksum(nByteCount - 1, bytes.data(), byComputed, strError);
    if (nResult != Result::Ok)
        return nResult;
    const BYTE byInFile = bytes[static_cast<std::size_t>(nByteCount - 1)];
    if (byComputed != byInFile) {
        strError = FormatText("The handled file line (%d) contains an invalid checksum.The checksum (0x%02X) was "
                              "expected but (0x%02X) was calculated from the line data.",
                              m_nLineNumber, byInFile, byComputed);
        return Result::InvalidArgument;
    }
    // Count, address (2), type and checksum frame the data bytes.
    const int nDataCount = bytes[0];
    const int nCarried = nByteCount - 5;
    if (nDataCount != nCarried) {
        strError = FormatText("The handled file line (%d) announces (%d) data bytes but carries (%d)", m_nLineNumber,
                              nDataCount, nCarried);
        return Result::InvalidArgument;
    }
    const DWORD nAddress = bytes[1] * 256u + bytes[2];
    const int nType = bytes[3];
    const BYTE* pData = bytes.data() + 4;
    switch (nType) {
    case 0x00: {
        if (nDataCount == 0) {
            strError = kZeroLengthText;
            return Result::InvalidArgument;
        }
        const std::uint64_t nStart = std::uint64_t(nAddress) + (m_bExtendedAddress ? m_nExtendedAddress : 0);
        if (nStart + nDataCount > kAddressSpace) {
            strError = FormatText("The data of the handled file line (%d) reaches beyond the 32-bit address range",
                                  m_nLineNumber);
            return Result::InvalidArgument;
        }
        return m_Records.AddDataRecord(CDataRecord(static_cast<DWORD>(nStart), static_cast<DWORD>(nDataCount), pData),
                                       strError);
    }
    case 0x01:
        m_bEndOfData = 1;
        return Result::Ok;
    case 0x04:
        if (nDataCount != 2) {
            strError = FormatText("The extended linear address record of line (%d) carries (%d) data bytes instead of 2",
                                  m_nLineNumber, nDataCount);
            return Result::InvalidArgument;
        }
        m_bExtendedAddress = 1;
        m_nExtendedAddress = (pData[0] * 256u + pData[1]) * 65536u;
        return Result::Ok;
    default:
        strError = FormatText("The Intel hex data record type (%d) is not supported yet", nType);
        return Result::InvalidArgument;
    }
}

int CIntelHex::HexToValue(const std::string& strText, int nPosition, int nDigits, DWORD& nValue,
                          std::string& strError) const
{
    if (nPosition < 0) {
        strError = FormatText("The given start position (%d) is out of range", nPosition);
        return Result::InvalidArgument;
    }
    if (nDigits < 1 || nDigits > 8) {
        strError = FormatText("The given length information (%d) is out of range", nDigits);
        return Result::InvalidArgument;
    }
    if (std::size_t(nPosition) + std::size_t(nDigits) > strText.size()) {
        strError = FormatText("The given start position (%d) and the length (%d) exceeds the passed string length (%d)",
                              nPosition, nDigits, ClampToInt(strText.size()));
        return Result::InvalidArgument;
    }
    DWORD nResult = 0;
    for (int i = 0; i < nDigits; ++i) {
        const char c = strText[static_cast<std::size_t>(nPosition + i)];
        DWORD nDigit = 0;
        if (c >= '0' && c <= '9')
            nDigit = DWORD(c - '0');
        else if (c >= 'A' && c <= 'F')
            nDigit = DWORD(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            nDigit = DWORD(c - 'a' + 10);
        else {
            strError = "The passed string contains not a value";
            return Result::InvalidArgument;
        }
        nResult = nResult << 4 | nDigit;
    }
    nValue = nResult;
    return Result::Ok;
}

int CIntelHex::HexToByte(const std::string& strText, int nPosition, int nDigits, BYTE& byValue,
                         std::string& strError) const
{
    DWORD nValue = 0;
    const int nResult = HexToValue(strText, nPosition, nDigits, nValue, strError);
    if (nResult == Result::Ok)
        byValue = static_cast<BYTE>(nValue & 0xFF);
    return nResult;
}

int CIntelHex::CalcChecksum(int nCount, const BYTE* pBytes, BYTE& byChecksum, std::string& strError) const
{
    if (nCount < 1 || nCount > 255) {
        strError = FormatText("Can't calculate the checksum due to the length information (%d) is invalid", nCount);
        return Result::InvalidArgument;
    }
    if (pBytes == nullptr) {
        strError = "Can't calculate the check due to the data array pointer is invalid";
        return Result::InvalidArgument;
    }
    unsigned nSum = 0;
    for (int i = 0; i < nCount; ++i)
        nSum += pBytes[i];
    byChecksum = static_cast<BYTE>(0x100 - (nSum & 0xFF));
    return Result::Ok;
}

int CIntelHex::CalcLineChecksum(const std::string& strText, BYTE& byChecksum, std::string& strError) const
{
    const int nCount = ClampToInt(strText.size() / 2);
    if (nCount < 1 || nCount > 255) {
        strError = FormatText("Can't calculate the checksum due to the length information (%d) is invalid", nCount);
        return Result::InvalidArgument;
    }
    std::array<BYTE, 255> bytes{};
    for (int i = 0; i < nCount; ++i) {
        const int nResult = HexToByte(strText, 2 * i, 2, bytes[static_cast<std::size_t>(i)], strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return CalcChecksum(nCount, bytes.data(), byChecksum, strError);
}

int CIntelHex::SetItemsPerLine(int nCount, std::string& strError)
{
    if (nCount < kMinItemsPerLine || nCount > kMaxItemsPerLine) {
        strError = FormatText("The items per line (%d) is invalid. Min is (%d), max is (%d)", nCount, kMinItemsPerLine,
                              kMaxItemsPerLine);
        return Result::InvalidArgument;
    }
    m_nItemsPerLine = nCount;
    return Result::Ok;
}

int CIntelHex::GetItemsPerLine() const
{
    return m_nItemsPerLine;
}

int CIntelHex::CopyFrom(const CIntelHex& other, std::string& strError)
{
    if (&other == this)
        return Result::Ok;
    try {
        *this = other;
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

int CIntelHex::GetDataRecordCount() const
{
    return m_Records.GetCount();
}

int CIntelHex::GetDataRecord(int nIndex, CDataRecord& record, std::string& strError) const
{
    return m_Records.GetDataRecord(nIndex, record, strError);
}

bool CIntelHex::FindByte(DWORD nAddress, BYTE& byValue) const
{
    bool bFound = false;
    for (const CDataRecord& record : m_Records.Records()) {
        if (nAddress >= record.GetStartAddr() && nAddress < record.GetLimitAddr()) {
            byValue = record.GetByte(nAddress - record.GetStartAddr());
            bFound = true;
        }
    }
    return bFound;
}

int CIntelHex::MergeMemoryArea(DWORD nStart, DWORD nEnd, std::string& strError, BYTE byFill)
{
    static constexpr const char* kName = "CIntelHex::MergeMemoryArea";
    if (nEnd < nStart) {
        strError = FormatText("%s: The given range (0x%X) to (0x%X) is invalid", kName, nStart, nEnd);
        return Result::InvalidArgument;
    }
    if (m_Records.GetCount() == 0) {
        strError = FormatText("%s: No data records loaded yet", kName);
        return Result::MissingPrecondition;
    }
    const std::uint64_t nSize = std::uint64_t(nEnd) - nStart + 1;
    if (nSize > kMaxMergeSize) {
        strError = FormatText("%s: Max merge size exceeded (%d) for the given start (0x%X) and end (0x%X)", kName,
                              static_cast<int>(kMaxMergeSize), nStart, nEnd);
        return Result::MissingPrecondition;
    }
    const std::uint64_t nLimit = nStart + nSize;
    try {
        std::vector<BYTE> buffer(nSize, byFill);
        CDataRecordHandler merged;
        int nCopied = 0;
        for (const CDataRecord& record : m_Records.Records()) {
            // Bytes of the range, in list order so that a later record wins
            // as it would when written. A record reaching beyond the range
            // stays as it is, but its bytes inside the range are kept too,
            // so the merged block does not overwrite them with fill bytes.
            const std::uint64_t nFrom = std::max<std::uint64_t>(record.GetStartAddr(), nStart);
            const std::uint64_t nTo = std::min(record.GetLimitAddr(), nLimit);
            if (nFrom < nTo)
                std::copy_n(record.GetData() + (nFrom - record.GetStartAddr()), nTo - nFrom,
                            buffer.begin() + static_cast<std::ptrdiff_t>(nFrom - nStart));
            if (record.GetStartAddr() >= nStart && record.GetLimitAddr() <= nLimit) {
                ++nCopied;
                continue;
            }
            const int nResult = merged.AddDataRecord(record, strError);
            if (nResult != Result::Ok)
                return nResult;
        }
        if (nCopied == 0)
            return Result::Ok;
        const int nResult = merged.AddDataRecord(CDataRecord(nStart, static_cast<DWORD>(nSize), buffer.data()), strError);
        if (nResult != Result::Ok)
            return nResult;
        m_Records = std::move(merged);
    } catch (const std::bad_alloc&) {
        strError = FormatText("%s: %s", kName, kAddMemoryText);
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

int CIntelHex::Save(const std::string& strPath, std::string& strError)
{
    if (m_Records.GetCount() == 0) {
        strError = "Can't save any data to file due to no data was loaded before";
        return Result::InvalidArgument;
    }
    std::FILE* pFile = std::fopen(strPath.c_str(), "w");
    if (pFile == nullptr) {
        strError = FormatText("Can't create the file (%s). The system reports the error:", strPath.c_str()) + " " +
                   std::strerror(errno);
        return Result::InvalidArgument;
    }
    int nResult = WriteRecords(pFile, strError);
    const int nErrno = errno;
    const bool bWriteFailed = std::ferror(pFile) != 0;
    if ((std::fclose(pFile) != 0 || bWriteFailed) && nResult == Result::Ok) {
        strError = FileExceptionText(strPath, bWriteFailed ? nErrno : errno);
        nResult = Result::FileException;
    }
    return nResult;
}

int CIntelHex::WriteRecords(std::FILE* pFile, std::string& strError) const
{
    // An extended linear address record is written whenever a line lies in
    // another 64 KiB segment than the one in force; lines never cross one.
    DWORD nSegment = 0;
    std::string strLine;
    for (const CDataRecord& record : m_Records.Records()) {
        for (DWORD nOffset = 0; nOffset < record.GetLength();) {
            const DWORD nAddress = record.GetStartAddr() + nOffset;
            const DWORD nSlice = std::min({DWORD(m_nItemsPerLine), record.GetLength() - nOffset,
                                           DWORD(0x10000 - (nAddress & 0xFFFF))});
            BYTE byChecksum = 0;
            if (nAddress >> 16 != nSegment) {
                nSegment = nAddress >> 16;
                strLine = FormatText("02000004%04X", nSegment);
                const int nResult = CalcLineChecksum(strLine, byChecksum, strError);
                if (nResult != Result::Ok)
                    return nResult;
                std::fprintf(pFile, ":%s%02X\n", strLine.c_str(), byChecksum);
            }
            strLine = FormatText("%02X%04X00", nSlice, nAddress & 0xFFFF);
            for (DWORD i = 0; i < nSlice; ++i)
                AppendHexByte(strLine, record.GetByte(nOffset + i));
            const int nResult = CalcLineChecksum(strLine, byChecksum, strError);
            if (nResult != Result::Ok)
                return nResult;
            std::fprintf(pFile, ":%s%02X\n", strLine.c_str(), byChecksum);
            nOffset += nSlice;
        }
    }
    std::fputs(":00000001FF\n", pFile);
    return Result::Ok;
}
