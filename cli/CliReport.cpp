#include "cli/CliReport.h"

#include "common/TextFormat.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

// Control, format and separator characters of the Basic Multilingual Plane.
bool IsHidden(char32_t c)
{
    static constexpr std::pair<char32_t, char32_t> kFormats[] = {
        {0x00AD, 0x00AD}, {0x0600, 0x0605}, {0x061C, 0x061C}, {0x06DD, 0x06DD}, {0x070F, 0x070F}, {0x0890, 0x0891},
        {0x08E2, 0x08E2}, {0x180E, 0x180E}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x206F},
        {0xFEFF, 0xFEFF}, {0xFFF9, 0xFFFB}};
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029)
        return true;
    return std::ranges::any_of(kFormats, [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Texts can come from a fitting's EEPROM: control and format characters
// (an escape sequence, a line break, a direction override) are shown as
// escapes, never passed to the terminal; bytes that are not UTF-8 as U+FFFD.
std::string Printable(const std::string& strText)
{
    std::string strOut;
    strOut.reserve(strText.size());
    const auto* p = reinterpret_cast<const unsigned char*>(strText.data());
    for (std::size_t i = 0; i < strText.size();) {
        char32_t c = 0xFFFD;
        const std::size_t nUsed = DecodeUtf8(p + i, strText.size() - i, c);
        if (nUsed == 0)
            AppendUtf8(strOut, 0xFFFD);
        else if (IsHidden(c))
            strOut += FormatText(c < 0x100 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
        else
            strOut.append(strText, i, nUsed);
        i += std::max<std::size_t>(nUsed, 1);
    }
    return strOut;
}

std::string ScalarText(const std::variant<std::string, long long>& value)
{
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : std::to_string(std::get<long long>(value));
}

} // namespace

std::string Join(const std::vector<std::string>& items, const std::string& strSeparator)
{
    std::string strText;
    for (const std::string& strItem : items)
        strText += (strText.empty() ? "" : strSeparator) + strItem;
    return strText;
}

std::string ReplaceAll(std::string strText, const std::string& strFrom, const std::string& strTo)
{
    for (std::size_t n = strText.find(strFrom); n != std::string::npos; n = strText.find(strFrom, n + strTo.size()))
        strText.replace(n, strFrom.size(), strTo);
    return strText;
}

std::size_t TextWidth(const std::string& strText)
{
    // Continuation bytes take no room of their own.
    return static_cast<std::size_t>(std::ranges::count_if(strText, [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string PadRight(const std::string& strText, std::size_t nWidth)
{
    const std::size_t nCharacters = TextWidth(strText);
    return nCharacters >= nWidth ? strText : strText + std::string(nWidth - nCharacters, ' ');
}

void CCliReport::Add(const std::string& strKey, const std::string& strLabel, const std::string& strValue)
{
    m_Entries.push_back(Entry{strKey, strLabel, strValue, {}, {}, {}, Entry::Scalar});
}

void CCliReport::Add(const std::string& strKey, const std::string& strLabel, long long llValue)
{
    m_Entries.push_back(Entry{strKey, strLabel, llValue, {}, {}, {}, Entry::Scalar});
}

void CCliReport::AddNumbers(const std::string& strKey, const std::vector<long long>& numbers)
{
    m_Entries.push_back(Entry{strKey, "", {}, {}, {}, numbers, Entry::Numbers});
}

void CCliReport::AddSection(const std::string& strKey, const std::string& strTitle, const CCliReport& section)
{
    m_Entries.push_back(Entry{strKey, strTitle, {}, {section}, {}, {}, Entry::Section});
}

void CCliReport::AddList(const std::string& strKey, const std::string& strTitle, const std::vector<CCliReport>& items)
{
    m_Entries.push_back(Entry{strKey, strTitle, {}, items, {}, {}, Entry::List});
}

void CCliReport::AddLines(const std::string& strKey, const std::string& strTitle, const std::vector<std::string>& lines)
{
    m_Entries.push_back(Entry{strKey, strTitle, {}, {}, lines, {}, Entry::Lines});
}

nlohmann::json CCliReport::ToJson() const
{
    nlohmann::json object = nlohmann::json::object();
    for (const Entry& entry : m_Entries) {
        nlohmann::json& value = object[entry.strKey];
        switch (entry.eKind) {
        case Entry::Scalar:
            std::visit([&value](const auto& scalar) { value = scalar; }, entry.value);
            break;
        case Entry::Numbers:
            value = entry.numbers;
            break;
        case Entry::Section:
            value = entry.items.front().ToJson();
            break;
        case Entry::List:
            value = nlohmann::json::array();
            for (const CCliReport& item : entry.items)
                value.push_back(item.ToJson());
            break;
        case Entry::Lines:
            value = entry.lines;
            break;
        }
    }
    return object;
}

std::string CCliReport::ToJsonText() const
{
    return ToJson().dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string CCliReport::ToText(int nIndent) const
{
    const std::string strIndent(static_cast<std::size_t>(nIndent), ' ');
    std::size_t nWidth = 0;
    for (const Entry& entry : m_Entries)
        if (entry.eKind == Entry::Scalar)
            nWidth = std::max(nWidth, TextWidth(entry.strLabel) + 1);
    std::string strText;
    for (const Entry& entry : m_Entries) {
        if (entry.strLabel.empty() && entry.eKind != Entry::Lines)
            continue;
        switch (entry.eKind) {
        case Entry::Scalar:
            strText += strIndent + PadRight(entry.strLabel + ":", nWidth) + " " + Printable(ScalarText(entry.value)) + "\n";
            break;
        case Entry::Numbers:
            break;
        case Entry::Section:
            strText += strIndent + entry.strLabel + "\n" + entry.items.front().ToText(nIndent + 2);
            break;
        case Entry::List:
            strText += strIndent + entry.strLabel + "\n";
            for (const CCliReport& item : entry.items)
                strText += item.ToText(nIndent + 2) + (entry.items.size() > 1 ? "\n" : "");
            break;
        case Entry::Lines:
            if (!entry.strLabel.empty())
                strText += strIndent + entry.strLabel + "\n";
            for (const std::string& strLine : entry.lines)
                strText += strIndent + "  " + Printable(strLine) + "\n";
            break;
        }
    }
    return strText;
}
