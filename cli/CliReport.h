#pragma once
// What a command prints: an ordered record of labelled values, shown as
// aligned "Label: value" lines on a terminal or as a JSON object with --json.
// An entry without a label is for JSON only. Texts are UTF-8.

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <variant>
#include <vector>

class CCliReport {
public:
    void Add(const std::string& strKey, const std::string& strLabel, const std::string& strValue);
    void Add(const std::string& strKey, const std::string& strLabel, const char* szValue) { Add(strKey, strLabel, std::string(szValue)); }
    void Add(const std::string& strKey, const std::string& strLabel, long long llValue);
    // A list of numbers, for JSON only.
    void AddNumbers(const std::string& strKey, const std::vector<long long>& numbers);
    void AddSection(const std::string& strKey, const std::string& strTitle, const CCliReport& section);
    void AddList(const std::string& strKey, const std::string& strTitle, const std::vector<CCliReport>& items);
    // A list of plain text lines (shown one per line, a JSON array of strings).
    void AddLines(const std::string& strKey, const std::string& strTitle, const std::vector<std::string>& lines);

    // The JSON object, keys sorted, indented by four, with a closing line
    // break; bytes that are not UTF-8 are shown as U+FFFD.
    std::string ToJsonText() const;
    std::string ToText(int nIndent = 0) const;

private:
    nlohmann::json ToJson() const;

    struct Entry {
        enum Kind { Scalar, Numbers, Section, List, Lines };
        std::string strKey;
        std::string strLabel;
        std::variant<std::string, long long> value; // scalar entries
        std::vector<CCliReport> items;              // sections (one item) and lists
        std::vector<std::string> lines;
        std::vector<long long> numbers;
        Kind eKind = Scalar;
    };
    std::vector<Entry> m_Entries;
};

// The items one after another, the separator between them.
std::string Join(const std::vector<std::string>& items, const std::string& strSeparator);
// Every occurrence of strFrom replaced by strTo.
std::string ReplaceAll(std::string strText, const std::string& strFrom, const std::string& strTo);
// The characters of UTF-8 text, as the columns of a terminal count them.
std::size_t TextWidth(const std::string& strText);
// The text padded with spaces to nWidth characters; a longer one is kept whole.
std::string PadRight(const std::string& strText, std::size_t nWidth);
