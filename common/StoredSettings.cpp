#include "common/StoredSettings.h"

#include "common/FileIO.h"
#include "common/FilePaths.h"
#include "common/TextFormat.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

// Far above any settings file.
constexpr std::size_t kMaxStoreBytes = 1024 * 1024;

std::string Trimmed(const std::string& strText)
{
    const std::size_t nFirst = strText.find_first_not_of(" \t\r");
    const std::size_t nLast = strText.find_last_not_of(" \t\r");
    return nFirst == std::string::npos ? std::string() : strText.substr(nFirst, nLast - nFirst + 1);
}

// Keys escape what is not a letter or digit as %XX.
std::string UnescapedKey(const std::string& strKey)
{
    std::string strPlain;
    for (std::size_t i = 0; i < strKey.size(); ++i) {
        if (strKey[i] == '%' && i + 2 < strKey.size()) {
            strPlain += static_cast<char>(std::strtoul(strKey.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            strPlain += strKey[i];
        }
    }
    return strPlain;
}

// A value as QSettings writes text: quotes around what needs them, C escapes
// and \xhhhh for a UTF-16 code unit.
std::string UnescapedValue(const std::string& strValue)
{
    std::string strPlain;
    for (std::size_t i = 0; i < strValue.size(); ++i) {
        const char c = strValue[i];
        if (c == '"')
            continue;
        if (c != '\\' || i + 1 == strValue.size()) {
            strPlain += c;
            continue;
        }
        const char escaped = strValue[++i];
        static const std::string kLetters = "abfnrtv";
        static const std::string kCodes = "\a\b\f\n\r\t\v";
        if (const std::size_t nLetter = kLetters.find(escaped); nLetter != std::string::npos) {
            strPlain += kCodes[nLetter];
        } else if (escaped == 'x') {
            std::size_t nDigits = 0;
            while (nDigits < 4 && i + 1 + nDigits < strValue.size() && std::isxdigit(static_cast<unsigned char>(strValue[i + 1 + nDigits])))
                ++nDigits;
            AppendUtf8(strPlain, static_cast<char32_t>(std::strtoul(strValue.substr(i + 1, nDigits).c_str(), nullptr, 16)));
            i += nDigits;
        } else {
            strPlain += escaped;
        }
    }
    return strPlain;
}

} // namespace

CStoredSettings CStoredSettings::ReadIniFile(const std::string& strPath)
{
    CStoredSettings settings;
    std::string strText;
    std::string strIgnored; // no file yet: nothing stored
    if (ReadRegularFile(strPath, kMaxStoreBytes, strText, strIgnored) != 0)
        return settings;
    std::istringstream lines(strText);
    std::string strLine;
    std::string strGroup;
    while (std::getline(lines, strLine)) {
        strLine = Trimmed(strLine);
        if (strLine.empty() || strLine[0] == ';' || strLine[0] == '#')
            continue;
        if (strLine.front() == '[' && strLine.back() == ']') {
            strGroup = UnescapedKey(strLine.substr(1, strLine.size() - 2));
            continue;
        }
        const std::size_t nEquals = strLine.find('=');
        if (nEquals == std::string::npos)
            continue;
        const std::string strKey = UnescapedKey(Trimmed(strLine.substr(0, nEquals)));
        settings.m_values[strGroup == "General" || strGroup.empty() ? strKey : strGroup + "/" + strKey] =
            UnescapedValue(Trimmed(strLine.substr(nEquals + 1)));
    }
    return settings;
}

#if !defined(_WIN32)
CStoredSettings CStoredSettings::ReadUserStore()
{
    return ReadIniFile(UserSettingsPath());
}
#endif

std::optional<std::string> CStoredSettings::Text(const std::string& strKey) const
{
    const auto found = m_values.find(strKey);
    if (found == m_values.end())
        return std::nullopt;
    const std::string& strStored = found->second;
    // "@" starts a typed value; a text that starts with it has it doubled.
    if (strStored.rfind("@@", 0) == 0)
        return strStored.substr(1);
    if (!strStored.empty() && strStored[0] == '@')
        return std::nullopt;
    return strStored;
}

long long CStoredSettings::Number(const std::string& strKey, long long nDefault) const
{
    const std::optional<std::string> text = Text(strKey);
    if (!text || text->empty())
        return nDefault;
    char* pEnd = nullptr;
    const long long nValue = std::strtoll(text->c_str(), &pEnd, 10);
    return *pEnd == '\0' ? nValue : nDefault;
}

std::string UserSettingsPath()
{
    const char* szConfig = std::getenv("XDG_CONFIG_HOME");
    const char* szHome = std::getenv("HOME");
    std::filesystem::path base;
    if (szConfig != nullptr && *szConfig != '\0')
        base = PathFromUtf8(szConfig);
    else if (szHome != nullptr)
        base = PathFromUtf8(szHome) / ".config";
    return Utf8FromPath(base / "VELMOR" / "fluxa-usb.conf");
}
