#include "firmware/IntelHex.h"

#include "common/FileIO.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <new>

using DataRecords::kAddMemoryText;
using DataRecords::kAddressSpace;
using DataRecords::kZeroLengthText;

namespace {

int ClampToInt(std::uint64_t value)
{
    return value > std::uint64_t(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

std::string_view TrimmedView(std::string_view text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), IsWhiteSpace);
    const auto last = std::find_if_not(text.rbegin(), std::make_reverse_iterator(first), IsWhiteSpace).base();
    return std::string_view(first, last);
}

void AppendHexByte(std::string& strText, BYTE byValue)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    strText += kDigits[byValue >> 4];
    strText += kDigits[byValue & 0x0F];
}

} // namespace

int CIntelHex::Load(const std::string& strPath, std::string& strError)
{
    m_nLineNumber = 0;
    m_strFileName.clear();
    m_bEndOfData = 0;
    m_bExtendedAddress = 0;
    m_nExtendedAddress = 0;
    m_Records = CDataRecordHandler();
    m_DataLines.clear();

    // Regular files only, and bounded: a device such as /dev/zero never ends.
    std::string text;
    int nResult = ReadRegularFile(strPath, kMaxFileBytes, text, strError,
                                  "Can't open the given file (%s). The system reports the error: (%s)");
    if (nResult != Result::Ok)
        return nResult;
    m_strFileName = strPath;
    try {
        nResult = ReadLines(text, strError);
    } catch (const std::bad_alloc&) {
        strError = kAddMemoryText;
        nResult = Result::OutOfMemory;
    }
    if (nResult != Result::Ok)
        strError += "\nParsed file was:" + m_strFileName;
    return nResult;
}

int CIntelHex::ReadLines(std::string_view text, std::string& strError)
{
    while (!text.empty()) {
        const std::size_t nEnd = std::min(text.find('\n'), text.size());
        const std::string_view line = TrimmedView(text.substr(0, nEnd));
        text.remove_prefix(std::min(nEnd + 1, text.size()));
        ++m_nLineNumber;
        if (line.empty())
            continue;
        // Only a line within the length limit is copied; a longer one fails on its length.
        const int nResult = line.size() > std::size_t(kMaxLineChars) ? CheckLineFrame(line.size(), strError)
                                                                      : ParseLine(std::string(line), strError);
        if (nResult != Result::Ok)
            return nResult;
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
    std::array<BYTE, (kMaxLineChars - 1) / 2> bytes{};
    const int nResult = DecodeLine(strLine, bytes.data(), strError);
    if (nResult != Result::Ok)
        return nResult;
    // Count, address (2), type and checksum frame the data bytes.
    const DWORD nAddress = bytes[1] * 256u + bytes[2];
    return TakeRecord(bytes[3], nAddress, bytes.data() + 4, bytes[0], strError);
}

int CIntelHex::DecodeLine(const std::string& strLine, BYTE* pBytes, std::string& strError) const
{
    int nResult = CheckLineFrame(strLine.size(), strError);
    if (nResult != Result::Ok)
        return nResult;
    if (strLine[0] != ':') {
        strError = "The start condition (':') was not found";
        return Result::InvalidArgument;
    }
    const int nByteCount = static_cast<int>(strLine.size() - 1) / 2;
    for (int i = 0; i < nByteCount; ++i) {
        nResult = HexToByte(strLine, 1 + 2 * i, 2, pBytes[i], strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    BYTE byComputed = 0;
    nResult = CalcChecksum(nByteCount - 1, pBytes, byComputed, strError);
    if (nResult != Result::Ok)
        return nResult;
    const BYTE byInFile = pBytes[nByteCount - 1];
    if (byComputed != byInFile) {
        strError = FormatText("The handled file line (%d) contains an invalid checksum.The checksum (0x%02X) was "
                              "expected but (0x%02X) was calculated from the line data.",
                              m_nLineNumber, byInFile, byComputed);
        return Result::InvalidArgument;
    }
    const int nDataCount = pBytes[0];
    const int nCarried = nByteCount - 5;
    if (nDataCount != nCarried) {
        strError = FormatText("The handled file line (%d) announces (%d) data bytes but carries (%d)", m_nLineNumber,
                              nDataCount, nCarried);
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

int CIntelHex::TakeRecord(int nType, DWORD nAddress, const BYTE* pData, int nDataCount, std::string& strError)
{
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
        return AddDataLine(CDataRecord(static_cast<DWORD>(nStart), static_cast<DWORD>(nDataCount), pData), strError);
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

int CIntelHex::AddDataLine(const CDataRecord& record, std::string& strError)
{
    DWORD nConflict = 0;
    if (m_Records.FindConflict(record, nConflict)) {
        strError = FormatText("The data of the handled file line (%d) differs at the address (0x%X) from the data of "
                              "line (%d)",
                              m_nLineNumber, nConflict, FirstLineAt(nConflict));
        return Result::InvalidArgument;
    }
    const int nResult = m_Records.AddDataRecord(record, strError);
    if (nResult == Result::Ok)
        m_DataLines.push_back({record.GetStartAddr(), record.GetLength(), m_nLineNumber});
    return nResult;
}

int CIntelHex::FirstLineAt(DWORD nAddress) const
{
    const auto found = std::find_if(m_DataLines.begin(), m_DataLines.end(), [nAddress](const DataLine& line) {
        return nAddress - line.nStartAddr < line.nLength;
    });
    // Bytes that no line gave, such as a merge's fill bytes.
    return found != m_DataLines.end() ? found->nLineNumber : 0;
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
    // Overlapping records agree, so the first that holds the address serves.
    const std::vector<CDataRecord>& records = m_Records.Records();
    const auto found = std::find_if(records.begin(), records.end(), [nAddress](const CDataRecord& record) {
        return nAddress >= record.GetStartAddr() && nAddress < record.GetLimitAddr();
    });
    if (found == records.end())
        return false;
    byValue = found->GetByte(nAddress - found->GetStartAddr());
    return true;
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
            // Bytes of the range. A record reaching beyond the range stays as
            // it is, but its bytes inside the range are kept too, so the
            // merged block does not overwrite them with fill bytes.
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
    std::string strText;
    try {
        const int nResult = WriteRecords(strText, strError);
        if (nResult != Result::Ok)
            return nResult;
    } catch (const std::bad_alloc&) {
        strError = FormatText("A CMemoryException was thrown while writing the file (%s)", strPath.c_str());
        return Result::OutOfMemory;
    }
    // A failed write leaves the old file as it was.
    return ReplaceFileContent(strPath, strText, strError);
}

int CIntelHex::WriteRecords(std::string& strText, std::string& strError) const
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
                strText += ":" + strLine + FormatText("%02X\n", byChecksum);
            }
            strLine = FormatText("%02X%04X00", nSlice, nAddress & 0xFFFF);
            for (DWORD i = 0; i < nSlice; ++i)
                AppendHexByte(strLine, record.GetByte(nOffset + i));
            const int nResult = CalcLineChecksum(strLine, byChecksum, strError);
            if (nResult != Result::Ok)
                return nResult;
            strText += ":" + strLine + FormatText("%02X\n", byChecksum);
            nOffset += nSlice;
        }
    }
    strText += ":00000001FF\n";
    return Result::Ok;
}
