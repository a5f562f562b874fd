#pragma once
// The command line of fluxa-cli: options and positional arguments, read as
// they always were. "--name value" and "--name=value"; "-h" and grouped
// single letters ("-hx"); "--" ends the options; options may follow the
// positional arguments. Arguments are bytes as given: a file name that is
// not UTF-8 still names its file.

#include <optional>
#include <string>
#include <vector>

struct COptionSpec {
    std::vector<std::string> names; // "help" and "h" name one option
    bool bTakesValue = false;
    std::string strDefault; // what Value gives when the option is not set
};

class CCommandLine {
public:
    explicit CCommandLine(std::vector<COptionSpec> options) : m_options(std::move(options)) {}

    // arguments[0] is the program. False when an option is unknown or its
    // value is missing or unexpected: ErrorText then says which.
    bool Parse(const std::vector<std::string>& arguments);
    std::string ErrorText() const;

    bool IsSet(const std::string& strName) const;
    // The last value given, else the option's default.
    std::string Value(const std::string& strName) const;
    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    const COptionSpec* Find(const std::string& strName) const;
    void TakeLong(const std::vector<std::string>& arguments, std::size_t& nIndex);
    void TakeLetters(const std::vector<std::string>& arguments, std::size_t& nIndex);
    // The value of a known option, after '=' or in the next argument.
    void TakeValue(const COptionSpec& option, const std::vector<std::string>& arguments, std::size_t& nIndex);

    std::vector<COptionSpec> m_options;
    std::vector<const COptionSpec*> m_found;
    std::vector<std::pair<const COptionSpec*, std::string>> m_values;
    std::vector<std::string> m_positional;
    std::vector<std::string> m_unknown;
    std::string m_strError;
};

// A whole number as the command line gives it: white space around it and a
// leading '+' are allowed, '-' only where llMin is below 0. With nBase 0 the
// prefixes 0x (hexadecimal), 0b (binary) and 0 (octal) choose the base. None
// when the text is not one number from llMin to llMax.
std::optional<long long> ParseNumber(const std::string& strText, int nBase, long long llMin, long long llMax);

// A date yyyy-mm-dd: any punctuation may stand between the parts, and what
// follows the date must not be a digit.
bool IsIsoDate(const std::string& strText);
