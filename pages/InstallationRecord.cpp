#include "pages/InstallationRecord.h"

#include "common/TextFormat.h"
#include "configdata/XMLLib.h"
#include "fitting/Bcd.h"
#include "workflow/FittingReadout.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

constexpr int kPlacementLength = 2 * kTextFieldLength;

// The Windows-1252 byte of one UTF-8 character; '?' for one it lacks.
char Windows1252Byte(const std::string& strCharacter)
{
    const auto byLead = static_cast<unsigned char>(strCharacter[0]);
    char32_t cCode = byLead;
    if (strCharacter.size() > 1) {
        cCode = byLead & (0x3F >> (strCharacter.size() - 1));
        for (std::size_t i = 1; i < strCharacter.size(); ++i)
            cCode = (cCode << 6) | (static_cast<unsigned char>(strCharacter[i]) & 0x3F);
    }
    if (cCode < 0x80 || (cCode >= 0xA0 && cCode <= 0xFF))
        return static_cast<char>(cCode);
    for (int nByte = 0x80; nByte < 0xA0; ++nByte) {
        const char cByte = static_cast<char>(nByte);
        if (XmlText::Windows1252ToUtf8(&cByte, 1) == strCharacter)
            return cByte;
    }
    return '?';
}

// Calls back with each UTF-8 character of the text.
template <class Visit>
void ForEachCharacter(const std::string& strText, Visit visit)
{
    for (std::size_t i = 0; i < strText.size();) {
        const auto byLead = static_cast<unsigned char>(strText[i]);
        std::size_t nLength = byLead >= 0xF0 ? 4 : byLead >= 0xE0 ? 3 : byLead >= 0xC0 ? 2 : 1;
        nLength = std::min(nLength, strText.size() - i);
        visit(strText.substr(i, nLength));
        i += nLength;
    }
}

std::string ToWindows1252(const std::string& strText)
{
    std::string strBytes;
    ForEachCharacter(strText, [&strBytes](const std::string& strCharacter) { strBytes += Windows1252Byte(strCharacter); });
    return strBytes;
}

std::vector<BYTE> TextBytes(const std::array<BYTE, 16>& line)
{
    return {line.begin(), line.begin() + kTextFieldLength};
}

} // namespace

CDate Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string DateText(const CDate& date)
{
    return date.IsSet() ? FormatText("%02d.%02d.%04d", date.nDay, date.nMonth, date.nYear) : std::string();
}

CDate RecordDate(const std::vector<BYTE>& record)
{
    for (std::size_t i = 0; i < 3; ++i)
        if (record[i] == 0x00 || record[i] == 0xFF || !IsBcd(record[i]))
            return {};
    const CDate date{2000 + BcdToInt(record[0]), BcdToInt(record[1]), BcdToInt(record[2])};
    using namespace std::chrono;
    const year_month_day ymd{year(date.nYear), month(static_cast<unsigned>(date.nMonth)),
                             day(static_cast<unsigned>(date.nDay))};
    return ymd.ok() ? date : CDate{};
}

std::array<BYTE, 16> InstallerLine(const std::string& strInstaller)
{
    const std::string strBytes = ToWindows1252(strInstaller);
    std::array<BYTE, 16> line{};
    for (std::size_t i = 0; i < std::min<std::size_t>(strBytes.size(), kTextFieldLength); ++i) {
        if (static_cast<BYTE>(strBytes[i]) < 0x20)
            break;
        line[i] = static_cast<BYTE>(strBytes[i]);
    }
    return line;
}

std::array<std::array<BYTE, 16>, 2> PlacementLines(const std::string& strPlacement)
{
    const std::string strBytes = ToWindows1252(strPlacement);
    std::array<std::array<BYTE, 16>, 2> lines{};
    for (std::size_t i = 0; i < std::min<std::size_t>(strBytes.size(), kPlacementLength); ++i)
        if (static_cast<BYTE>(strBytes[i]) >= 0x20)
            lines[i / kTextFieldLength][i % kTextFieldLength] = static_cast<BYTE>(strBytes[i]);
    return lines;
}

bool IsStorableText(const std::string& strText)
{
    bool bStorable = true;
    ForEachCharacter(strText, [&bStorable](const std::string& strCharacter) {
        bStorable = bStorable && (strCharacter == "?" || Windows1252Byte(strCharacter) != '?');
    });
    return bStorable;
}

std::string StoredInstaller(const std::string& strInstaller)
{
    return InstallerText(TextBytes(InstallerLine(strInstaller)));
}

std::string StoredPlacement(const std::string& strPlacement)
{
    const auto lines = PlacementLines(strPlacement);
    return PlacementText(TextBytes(lines[0]), TextBytes(lines[1]));
}
