#include "cli/CommandLine.h"

#include "cli/CliReport.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>

bool CCommandLine::Parse(const std::vector<std::string>& arguments)
{
    bool bOptionsEnded = false;
    for (std::size_t nIndex = 1; nIndex < arguments.size(); ++nIndex) {
        const std::string& strArgument = arguments[nIndex];
        if (bOptionsEnded || strArgument.size() < 2 || strArgument[0] != '-')
            m_positional.push_back(strArgument); // "-" alone too: standard input, say
        else if (strArgument == "--")
            bOptionsEnded = true;
        else if (strArgument[1] == '-')
            TakeLong(arguments, nIndex);
        else
            TakeLetters(arguments, nIndex);
    }
    return m_strError.empty() && m_unknown.empty();
}

std::string CCommandLine::ErrorText() const
{
    if (!m_strError.empty())
        return m_strError;
    if (m_unknown.size() == 1)
        return "Unknown option '" + m_unknown.front() + "'.";
    return m_unknown.empty() ? std::string() : "Unknown options: " + Join(m_unknown, ", ") + ".";
}

bool CCommandLine::IsSet(const std::string& strName) const
{
    const COptionSpec* pOption = Find(strName);
    return pOption != nullptr && std::ranges::find(m_found, pOption) != m_found.end();
}

std::string CCommandLine::Value(const std::string& strName) const
{
    const COptionSpec* pOption = Find(strName);
    if (pOption == nullptr)
        return std::string();
    const auto last = std::ranges::find(m_values.rbegin(), m_values.rend(), pOption, &std::pair<const COptionSpec*, std::string>::first);
    return last != m_values.rend() ? last->second : pOption->strDefault;
}

const COptionSpec* CCommandLine::Find(const std::string& strName) const
{
    for (const COptionSpec& option : m_options)
        if (std::ranges::find(option.names, strName) != option.names.end())
            return &option;
    return nullptr;
}

void CCommandLine::TakeLong(const std::vector<std::string>& arguments, std::size_t& nIndex)
{
    const std::string& strArgument = arguments[nIndex];
    const std::string strName = strArgument.substr(2, strArgument.find('=') - 2);
    const COptionSpec* pOption = Find(strName);
    if (pOption == nullptr) {
        m_unknown.push_back(strName);
        return;
    }
    m_found.push_back(pOption);
    TakeValue(*pOption, arguments, nIndex);
}

// Each letter is an option of its own; one that takes a value takes the rest
// of the word ("-ab=1": the value of b is 1) or, at the end, the next argument.
void CCommandLine::TakeLetters(const std::vector<std::string>& arguments, std::size_t& nIndex)
{
    const std::string& strArgument = arguments[nIndex];
    const COptionSpec* pLast = nullptr;
    for (std::size_t nPos = 1; nPos < strArgument.size(); ++nPos) {
        pLast = Find(strArgument.substr(nPos, 1));
        if (pLast == nullptr) {
            m_unknown.push_back(strArgument.substr(nPos, 1));
            continue;
        }
        m_found.push_back(pLast);
        const bool bMore = nPos + 1 < strArgument.size();
        if (pLast->bTakesValue && bMore) {
            m_values.emplace_back(pLast, strArgument.substr(nPos + (strArgument[nPos + 1] == '=' ? 2 : 1)));
            return;
        }
        if (pLast->bTakesValue || (bMore && strArgument[nPos + 1] == '='))
            break;
    }
    // The last letter's value: the next argument, or a value it must not have.
    if (pLast != nullptr)
        TakeValue(*pLast, arguments, nIndex);
}

void CCommandLine::TakeValue(const COptionSpec& option, const std::vector<std::string>& arguments, std::size_t& nIndex)
{
    const std::string& strArgument = arguments[nIndex];
    const std::size_t nAssign = strArgument.find('=');
    if (!option.bTakesValue) {
        if (nAssign != std::string::npos)
            m_strError = "Unexpected value after '" + strArgument.substr(0, nAssign) + "'.";
    } else if (nAssign != std::string::npos) {
        m_values.emplace_back(&option, strArgument.substr(nAssign + 1));
    } else if (++nIndex < arguments.size()) {
        m_values.emplace_back(&option, arguments[nIndex]);
    } else {
        m_strError = "Missing value after '" + strArgument + "'.";
    }
}

std::optional<long long> ParseNumber(const std::string& strText, int nBase, long long llMin, long long llMax)
{
    std::string strDigits = TrimWhiteSpace(strText);
    const bool bNegative = !strDigits.empty() && strDigits[0] == '-';
    if (!strDigits.empty() && (strDigits[0] == '+' || (bNegative && llMin < 0)))
        strDigits.erase(0, 1);
    if (nBase == 0) {
        const char cPrefix = strDigits.size() > 1 && strDigits[0] == '0' ? static_cast<char>(strDigits[1] | 0x20) : '\0';
        nBase = cPrefix == 'x' ? 16 : cPrefix == 'b' ? 2 : cPrefix != '\0' ? 8 : 10;
        strDigits.erase(0, nBase == 16 || nBase == 2 ? 2 : 0);
    }
    unsigned long long ullValue = 0;
    const char* pEnd = strDigits.data() + strDigits.size();
    const auto [pStop, error] = std::from_chars(strDigits.data(), pEnd, ullValue, nBase);
    // from_chars takes no sign: a second one fails here.
    if (strDigits.empty() || error != std::errc() || pStop != pEnd || ullValue > static_cast<unsigned long long>(llMax) + (bNegative ? 1 : 0))
        return std::nullopt;
    const long long llValue = bNegative ? static_cast<long long>(0 - ullValue) : static_cast<long long>(ullValue);
    if (llValue < llMin || llValue > llMax)
        return std::nullopt;
    return llValue;
}

bool IsIsoDate(const std::string& strText)
{
    const auto isPunctuation = [](char c) { return c != '\0' && std::strchr("!\"#%&'()*,-./:;?@[\\]_{}", c) != nullptr; };
    const auto isDigits = [&strText](std::size_t nFirst, std::size_t nCount) {
        return std::all_of(strText.begin() + static_cast<std::ptrdiff_t>(nFirst), strText.begin() + static_cast<std::ptrdiff_t>(nFirst + nCount),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (strText.size() < 10 || !isPunctuation(strText[4]) || !isPunctuation(strText[7]) || !isDigits(0, 4) || !isDigits(5, 2)
        || !isDigits(8, 2) || (strText.size() > 10 && isDigits(10, 1)))
        return false;
    using namespace std::chrono;
    const int nYear = std::stoi(strText.substr(0, 4));
    const year_month_day date{year{nYear}, month{static_cast<unsigned>(std::stoi(strText.substr(5, 2)))},
                              day{static_cast<unsigned>(std::stoi(strText.substr(8, 2)))}};
    return nYear > 0 && date.ok();
}
