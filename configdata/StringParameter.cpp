#include "configdata/StringParameter.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

// Integer text as the tool reads it: base 16 after a leading "0x" (any case),
// else base 10 (leading zeros are not octal), an optional sign, saturation
// at the limits. Sets bComplete when the whole text was consumed.
struct ParsedInteger {
    long long llSigned = 0;           // saturated at the limits of long long
    unsigned long long ullUnsigned = 0; // as an unsigned conversion gives it
    bool bNegative = false;
    bool bUnsignedOverflow = false;
    bool bComplete = false;
};

int BaseOf(const std::string& strText)
{
    return strText.size() >= 2 && strText[0] == '0' && (strText[1] == 'x' || strText[1] == 'X') ? 16 : 10;
}

ParsedInteger ParseInteger(const std::string& strText)
{
    ParsedInteger parsed;
    const int nBase = BaseOf(strText);
    const char* szBegin = strText.c_str();
    char* szEnd = nullptr;
    errno = 0;
    parsed.llSigned = std::strtoll(szBegin, &szEnd, nBase);
    parsed.bComplete = szEnd != szBegin && *szEnd == '\0';
    errno = 0;
    parsed.ullUnsigned = std::strtoull(szBegin, &szEnd, nBase);
    parsed.bUnsignedOverflow = errno == ERANGE;
    const char* pSign = szBegin;
    while (IsWhiteSpace(*pSign))
        ++pSign;
    parsed.bNegative = *pSign == '-';
    return parsed;
}

LONG SaturateToLong(long long llValue)
{
    if (llValue > std::numeric_limits<LONG>::max())
        return std::numeric_limits<LONG>::max();
    if (llValue < std::numeric_limits<LONG>::min())
        return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(llValue);
}

// A 32-bit unsigned conversion: "-1" gives 4294967295, anything beyond the
// range 4294967295.
DWORD SaturateToDWORD(const ParsedInteger& parsed)
{
    constexpr unsigned long long ullMax = std::numeric_limits<DWORD>::max();
    if (parsed.bUnsignedOverflow)
        return static_cast<DWORD>(ullMax);
    if (parsed.bNegative) {
        const unsigned long long ullMagnitude = 0ULL - parsed.ullUnsigned;
        return ullMagnitude > ullMax ? static_cast<DWORD>(ullMax) : static_cast<DWORD>(0ULL - ullMagnitude);
    }
    return parsed.ullUnsigned > ullMax ? static_cast<DWORD>(ullMax) : static_cast<DWORD>(parsed.ullUnsigned);
}

LONG ClampDoubleForMessage(double dValue)
{
    if (!(dValue > std::numeric_limits<LONG>::min()))
        return std::numeric_limits<LONG>::min();
    if (dValue > std::numeric_limits<LONG>::max())
        return std::numeric_limits<LONG>::max();
    return static_cast<LONG>(dValue);
}

const char* const kBoolPrefix = "CStringParameter::GetValueAsBool:";
const char* const kUcharPrefix = "CStringParameter::GetValueAsUCHAR:";
const char* const kLongPrefix = "CStringParameter::GetValueAsLong:";
const char* const kDwordPrefix = "CStringParameter::GetValueAsDWORD:";
const char* const kDoublePrefix = "CStringParameter::GetValueAsDouble:";
const char* const kExtractPrefix = "CStringParameterHandler::ExtractParameters:";

} // namespace

CStringParameter::CStringParameter(const std::string& strName, const std::string& strValue)
    : m_strName(strName), m_strValue(strValue)
{
}

CStringParameter::CStringParameter(const CStringParameter& other)
    : m_strName(other.m_strName), m_strValue(other.m_strValue)
{
}

CStringParameter::~CStringParameter()
{
    m_strName.clear();
    m_strValue.clear();
}

CStringParameter& CStringParameter::operator=(const CStringParameter& other)
{
    if (&other == this)
        return *this;
    m_strName.clear();
    m_strValue.clear();
    OnClear();
    m_strName = other.m_strName;
    m_strValue = other.m_strValue;
    return *this;
}

void CStringParameter::SetName(const std::string& strName) { m_strName = strName; }
std::string CStringParameter::GetName() const { return m_strName; }
void CStringParameter::SetValue(const std::string& strValue) { m_strValue = strValue; }
std::string CStringParameter::GetValue() const { return m_strValue; }

void CStringParameter::SetValueAsBool(const BOOL& bValue) { m_strValue = FormatText("%d", bValue); }
void CStringParameter::SetValueAsUCHAR(const UCHAR& ucValue) { m_strValue = FormatText("%d", ucValue); }
void CStringParameter::SetValueAsLong(const LONG& lValue) { m_strValue = FormatText("%d", lValue); }
void CStringParameter::SetValueAsDWORD(const DWORD& dwValue)
{
    m_strValue = FormatText("%d", static_cast<int>(dwValue));
}
void CStringParameter::SetValueAsDouble(const double& dValue) { m_strValue = FormatText("%f", dValue); }

int CStringParameter::CheckForEmptyValue(std::string& strError)
{
    if (!m_strValue.empty())
        return Result::Ok;
    strError = FormatText(PickText("%s The parameter value can't be empty for the parameter name (%s)",
                                   "%s Der Werteparameter darf nicht leer sein, siehe Parameter (%s)"),
                          "CStringParameter::CheckForEmptyValue:", m_strName.c_str());
    return Result::MissingPrecondition;
}

int CStringParameter::ReportInvalidValue(const char* szPrefix, std::string& strError) const
{
    strError = FormatText(PickText("%s The parameter value (%s) is invalid for the parameter name (%s)",
                                   "%s Der Parameterwert (%s) ist ungültig, siehe Parameter (%s)"),
                          szPrefix, m_strValue.c_str(), m_strName.c_str());
    return Result::MissingPrecondition;
}

int CStringParameter::ReportOutOfRange(const char* szPrefix, LONG lMin, LONG lMax, std::string& strError) const
{
    strError = FormatText(PickText("%s The parameter value (%s) is out of range, min is (%d) max is (%d), see parameter name (%s)",
                                   "%s Der Parameterwert (%s) ist ausserhalb des gültigen Bereichs: Minimum ist (%d) und Maximum (%d), siehe Parametername (%s)"),
                          szPrefix, m_strValue.c_str(), lMin, lMax, m_strName.c_str());
    return Result::InvalidArgument;
}

int CStringParameter::GetValueAsBool(BOOL& bOut, std::string& strError)
{
    const int nResult = CheckForEmptyValue(strError);
    if (nResult != Result::Ok)
        return nResult;
    if (EqualsNoCase(m_strValue, "yes") || EqualsNoCase(m_strValue, "no")) {
        bOut = EqualsNoCase(m_strValue, "yes") ? TRUE : FALSE;
        return Result::Ok;
    }
    const ParsedInteger parsed = ParseInteger(m_strValue);
    bOut = SaturateToLong(parsed.llSigned);
    return parsed.bComplete ? Result::Ok : ReportInvalidValue(kBoolPrefix, strError);
}

int CStringParameter::GetValueAsLong(LONG& lOut, std::string& strError)
{
    const int nResult = CheckForEmptyValue(strError);
    if (nResult != Result::Ok)
        return nResult;
    const ParsedInteger parsed = ParseInteger(m_strValue);
    lOut = SaturateToLong(parsed.llSigned);
    return parsed.bComplete ? Result::Ok : ReportInvalidValue(kLongPrefix, strError);
}

int CStringParameter::GetValueAsLong(LONG& lOut, const LONG& lMin, const LONG& lMax, std::string& strError)
{
    const int nResult = GetValueAsLong(lOut, strError);
    if (nResult != Result::Ok)
        return nResult;
    return lOut >= lMin && lOut <= lMax ? Result::Ok : ReportOutOfRange(kLongPrefix, lMin, lMax, strError);
}

int CStringParameter::GetValueAsUCHAR(UCHAR& ucOut, std::string& strError)
{
    const int nResult = CheckForEmptyValue(strError);
    if (nResult != Result::Ok)
        return nResult;
    const ParsedInteger parsed = ParseInteger(m_strValue);
    ucOut = static_cast<UCHAR>(SaturateToLong(parsed.llSigned) & 0xFF);
    return parsed.bComplete ? Result::Ok : ReportInvalidValue(kUcharPrefix, strError);
}

int CStringParameter::GetValueAsUCHAR(UCHAR& ucOut, const UCHAR& ucMin, const UCHAR& ucMax, std::string& strError)
{
    const int nResult = GetValueAsUCHAR(ucOut, strError);
    if (nResult != Result::Ok)
        return nResult;
    return ucOut >= ucMin && ucOut <= ucMax ? Result::Ok : ReportOutOfRange(kUcharPrefix, ucMin, ucMax, strError);
}

int CStringParameter::GetValueAsDWORD(DWORD& dwOut, std::string& strError)
{
    const int nResult = CheckForEmptyValue(strError);
    if (nResult != Result::Ok)
        return nResult;
    const ParsedInteger parsed = ParseInteger(m_strValue);
    dwOut = SaturateToDWORD(parsed);
    return parsed.bComplete ? Result::Ok : ReportInvalidValue(kDwordPrefix, strError);
}

int CStringParameter::GetValueAsDWORD(DWORD& dwOut, const DWORD& dwMin, const DWORD& dwMax, std::string& strError)
{
    const int nResult = GetValueAsDWORD(dwOut, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (dwOut >= dwMin && dwOut <= dwMax)
        return Result::Ok;
    return ReportOutOfRange(kDwordPrefix, static_cast<LONG>(dwMin), static_cast<LONG>(dwMax), strError);
}

int CStringParameter::GetValueAsDouble(double& dOut, std::string& strError)
{
    const int nResult = CheckForEmptyValue(strError);
    if (nResult != Result::Ok)
        return nResult;
    // from_chars reads plain decimal text only (no hexadecimal floats, no
    // locale); leading white space and a plus sign are accepted as strtod does.
    const char* szBegin = m_strValue.c_str();
    const char* szEnd = szBegin + m_strValue.size();
    while (szBegin < szEnd && IsWhiteSpace(*szBegin))
        ++szBegin;
    if (szBegin < szEnd && *szBegin == '+' && szBegin + 1 < szEnd && *(szBegin + 1) != '-')
        ++szBegin;
    double dValue = 0.0;
    const auto [pStop, error] = std::from_chars(szBegin, szEnd, dValue);
    if (error == std::errc::result_out_of_range)
        dValue = std::strtod(szBegin, nullptr); // saturates to +-HUGE_VAL or 0
    dOut = dValue;
    const bool bComplete = error != std::errc::invalid_argument && pStop == szEnd;
    return bComplete ? Result::Ok : ReportInvalidValue(kDoublePrefix, strError);
}

int CStringParameter::GetValueAsDouble(double& dOut, const double& dMin, const double& dMax, std::string& strError)
{
    const int nResult = GetValueAsDouble(dOut, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (dOut >= dMin && dOut <= dMax)
        return Result::Ok;
    return ReportOutOfRange(kDoublePrefix, ClampDoubleForMessage(dMin), ClampDoubleForMessage(dMax), strError);
}

CStringParameterHandler::CStringParameterHandler(const CStringParameterHandler& other)
    : m_Parameters(other.m_Parameters), m_strLabel(other.m_strLabel)
{
}

void CStringParameterHandler::SetLabel(const std::string& strLabel) { m_strLabel = strLabel; }
std::string CStringParameterHandler::GetLabel() const { return m_strLabel; }

CStringParameterHandler& CStringParameterHandler::operator=(const CStringParameterHandler& other)
{
    if (&other == this)
        return *this;
    m_Parameters.RemoveAll();
    OnClear();
    m_Parameters.CopyFrom(other.m_Parameters);
    m_strLabel = other.m_strLabel;
    return *this;
}

int CStringParameterHandler::ExtractParameters(const std::string& strParameters, std::string& strError)
{
    std::string strWork = TrimWhiteSpace(strParameters);
    if (strWork.empty()) {
        strError = FormatText(PickText("%s: The passed parameter string can't be empty.",
                                       "%s: Der Stringparameter kann nicht leer sein."),
                              kExtractPrefix);
        return Result::InvalidArgument;
    }
    while (!strWork.empty()) {
        // A definition runs up to the first ";"; a text that begins with ";"
        // or has none is taken whole.
        std::string strDefinition;
        const std::size_t nSeparator = strWork.find(';');
        if (nSeparator != std::string::npos && nSeparator > 0) {
            strDefinition = strWork.substr(0, nSeparator);
            strWork.erase(0, nSeparator + 1);
        } else {
            strDefinition.swap(strWork);
            strWork.clear();
        }
        const std::size_t nEquals = strDefinition.find('=');
        if (nEquals == std::string::npos || nEquals == 0) {
            strError = FormatText(PickText("%s: The parameter definition is invalid.",
                                           "%s: Die Parameterdefinition is ungültig."),
                                  kExtractPrefix);
            return Result::InvalidArgument;
        }
        const CStringParameter parameter(TrimWhiteSpace(strDefinition.substr(0, nEquals)),
                                         TrimWhiteSpace(strDefinition.substr(nEquals + 1)));
        const int nResult = AddParameter(parameter, strError);
        if (nResult != Result::Ok)
            return nResult;
        strWork = TrimWhiteSpace(strWork);
    }
    return Result::Ok;
}

int CStringParameterHandler::GetParameters(std::string& strOut, std::string& strError)
{
    strOut.clear();
    strError.clear();
    const int nCount = m_Parameters.GetCount();
    if (nCount == 0) {
        strError = FormatText(PickText("%s: No parameters were stored yet", "%s: Es wurden bisher keine Parameter gespeichert"),
                              "CStringParameterHandler::GetParameters:");
        return Result::MissingPrecondition;
    }
    for (int nIndex = 0; nIndex < nCount; ++nIndex) {
        CStringParameter parameter;
        const int nResult = GetParameterByIndex(nIndex, parameter, strError);
        if (nResult != Result::Ok)
            return nResult;
        if (!strOut.empty())
            strOut += ";";
        // Appended as they are: a value may hold a zero byte.
        strOut += parameter.GetName() + "=" + parameter.GetValue();
    }
    return Result::Ok;
}

int CStringParameterHandler::GetParameterByName(const std::string& strName, CStringParameter& out, std::string& strError)
{
    strError.clear();
    // Held across the copy so that the found object cannot go away meanwhile.
    m_Parameters.Lock();
    CStringParameter* pFound = nullptr;
    const int nResult = m_Parameters.LookupObjectByName(strName, pFound, MustExist, strError, 0);
    if (nResult == Result::Ok)
        out = *pFound;
    m_Parameters.Unlock();
    return nResult;
}

int CStringParameterHandler::IsParameterKnown(const std::string& strName, BOOL& bKnown, std::string& strError)
{
    CStringParameter* pFound = nullptr;
    std::string strIgnored;
    bKnown = m_Parameters.LookupObjectByName(strName, pFound, MustExist, strIgnored) == Result::Ok ? TRUE : FALSE;
    if (!bKnown)
        strError.clear();
    return Result::Ok;
}

int CStringParameterHandler::GetParameterByIndex(int nIndex, CStringParameter& out, std::string& strError)
{
    strError.clear();
    const int nCount = m_Parameters.GetCount();
    if (nIndex >= nCount) {
        strError = FormatText(PickText("%s: The index (%d) is invalid due to only (%d) parametes were stored",
                                       "%s: Der Index (%d) ist ungültig. Anzahl der gespeicherten Parameter ist (%d)"),
                              "CStringParameterHandler::GetParameterByIndex:", nIndex, nCount);
        return Result::InvalidArgument;
    }
    return m_Parameters.GetObjectByIndex(nIndex, out, strError);
}

int CStringParameterHandler::GetParameterCount()
{
    return m_Parameters.GetCount();
}

int CStringParameterHandler::AddParameter(const CStringParameter& parameter, std::string& strError)
{
    // Messages and every reader of the name as a C string would end it at
    // the zero byte, so it could never be found again by what they show.
    if (parameter.GetName().find('\0') != std::string::npos) {
        strError = FormatText(PickText("%s: The parameter name (%s) contains a zero byte.",
                                       "%s: Der Parametername (%s) enthält ein Nullbyte."),
                              "CStringParameterHandler::AddParameter", parameter.GetName().c_str());
        return Result::InvalidArgument;
    }
    return m_Parameters.AddObjectByName(parameter, strError);
}
