#pragma once
// Parameter strings: "name=value" definitions separated by ";", as in
// "PortNumber=3; Baudrate=2400;". CStringParameter is one name with its value
// text and typed conversions; CStringParameterHandler is the ordered,
// name-keyed list parsed from and rendered to such a string.

#include "common/FluxaTypes.h"
#include "configdata/HashedObjects.h"

#include <string>

class CStringParameter {
public:
    CStringParameter() = default;
    CStringParameter(const std::string& strName, const std::string& strValue);
    CStringParameter(const CStringParameter& other);
    virtual ~CStringParameter();
    virtual void OnClear() {}
    virtual CStringParameter& operator=(const CStringParameter& other);

    virtual void SetName(const std::string& strName);
    virtual std::string GetName() const;
    virtual void SetValue(const std::string& strValue);
    virtual std::string GetValue() const;

    // Numbers are rendered with "%d" (a DWORD of 2^31 or more therefore as a
    // negative number, which GetValueAsDWORD reads back unchanged), doubles
    // with "%f".
    virtual void SetValueAsBool(const BOOL& bValue);
    virtual void SetValueAsUCHAR(const UCHAR& ucValue);
    virtual void SetValueAsLong(const LONG& lValue);
    virtual void SetValueAsDWORD(const DWORD& dwValue);
    virtual void SetValueAsDouble(const double& dValue);

    // "yes"/"no" (any case) give 1/0; anything else converts as a long.
    virtual int GetValueAsBool(BOOL& bOut, std::string& strError);
    virtual int GetValueAsUCHAR(UCHAR& ucOut, const UCHAR& ucMin, const UCHAR& ucMax, std::string& strError);
    virtual int GetValueAsUCHAR(UCHAR& ucOut, std::string& strError);
    virtual int GetValueAsLong(LONG& lOut, const LONG& lMin, const LONG& lMax, std::string& strError);
    virtual int GetValueAsLong(LONG& lOut, std::string& strError);
    virtual int GetValueAsDWORD(DWORD& dwOut, const DWORD& dwMin, const DWORD& dwMax, std::string& strError);
    virtual int GetValueAsDWORD(DWORD& dwOut, std::string& strError);
    virtual int GetValueAsDouble(double& dOut, const double& dMin, const double& dMax, std::string& strError);
    virtual int GetValueAsDouble(double& dOut, std::string& strError);
    virtual int CheckForEmptyValue(std::string& strError);

private:
    int ReportInvalidValue(const char* szPrefix, std::string& strError) const;
    int ReportOutOfRange(const char* szPrefix, LONG lMin, LONG lMax, std::string& strError) const;

    std::string m_strName;
    std::string m_strValue;
};

class CStringParameterHandler {
public:
    CStringParameterHandler() = default;
    CStringParameterHandler(const CStringParameterHandler& other);
    virtual ~CStringParameterHandler() = default;
    virtual void OnClear() {}
    virtual void SetLabel(const std::string& strLabel);
    virtual std::string GetLabel() const;
    // Adds one parameter per definition (as AddParameter); the list is not
    // emptied first, and what was added before a failure stays.
    virtual int ExtractParameters(const std::string& strParameters, std::string& strError);
    // Renders 'name=value;name=value' in insertion order.
    virtual int GetParameters(std::string& strOut, std::string& strError);
    virtual CStringParameterHandler& operator=(const CStringParameterHandler& other);

    int GetParameterByName(const std::string& strName, CStringParameter& out, std::string& strError);
    int IsParameterKnown(const std::string& strName, BOOL& bKnown, std::string& strError);
    int GetParameterByIndex(int nIndex, CStringParameter& out, std::string& strError);
    int GetParameterCount();
    // Adds a copy of one parameter (as a parsed definition would); a name
    // with a zero byte is refused (-1001).
    int AddParameter(const CStringParameter& parameter, std::string& strError);

private:
    CHashedObjects<CStringParameter> m_Parameters;
    std::string m_strLabel;
};
