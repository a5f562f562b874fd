#include "configdata/StringParameter.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

namespace {

class StringParameters : public ::testing::Test {
protected:
    LanguageGuard m_english{kLanguageEnglish};
    CStringParameterHandler m_handler;
    std::string m_strError;

    std::string Value(const char* name)
    {
        CStringParameter parameter;
        EXPECT_EQ(m_handler.GetParameterByName(name, parameter, m_strError), 0) << name;
        return parameter.GetValue();
    }
};

CStringParameter Param(const std::string& value)
{
    return CStringParameter("P", value);
}

} // namespace

TEST_F(StringParameters, ParsesAndRendersWithoutBlanks)
{
    ASSERT_EQ(m_handler.ExtractParameters("PortNumber=3; Baudrate=2400;", m_strError), 0);
    EXPECT_EQ(Value("portnumber"), "3");
    EXPECT_EQ(Value("Baudrate"), "2400");
    std::string out;
    ASSERT_EQ(m_handler.GetParameters(out, m_strError), 0);
    EXPECT_EQ(out, "PortNumber=3;Baudrate=2400");
}

TEST_F(StringParameters, DefinitionShapes)
{
    ASSERT_EQ(m_handler.ExtractParameters("  a = 1  ", m_strError), 0);
    ASSERT_EQ(m_handler.ExtractParameters("b=c=d;e=", m_strError), 0);
    EXPECT_EQ(Value("a"), "1");
    EXPECT_EQ(Value("b"), "c=d");
    EXPECT_EQ(Value("e"), "");
    CStringParameter parameter;
    ASSERT_EQ(m_handler.GetParameterByIndex(2, parameter, m_strError), 0);
    EXPECT_EQ(parameter.GetName(), "e");
}

TEST_F(StringParameters, RejectsEmptyAndInvalidDefinitions)
{
    EXPECT_EQ(m_handler.ExtractParameters(" \t\r\n", m_strError), -1001);
    EXPECT_EQ(m_strError, "CStringParameterHandler::ExtractParameters:: The passed parameter string can't be empty.");
    for (const char* bad : {"a", "=5", "x=1;y"}) {
        EXPECT_EQ(m_handler.ExtractParameters(bad, m_strError), -1001) << bad;
        EXPECT_EQ(m_strError, "CStringParameterHandler::ExtractParameters:: The parameter definition is invalid.");
    }
    EXPECT_EQ(Value("x"), "1"); // what was added before the failure stays
}

TEST_F(StringParameters, NamesWithAZeroByteAreRefused)
{
    const std::string name("Port\0Number", 11);
    EXPECT_EQ(m_handler.ExtractParameters("Adapter=1;" + name + "=3;Baudrate=2400", m_strError), -1001);
    EXPECT_EQ(m_strError, "CStringParameterHandler::AddParameter: The parameter name (Port) contains a zero byte.");
    EXPECT_EQ(m_handler.AddParameter(CStringParameter(name, "3"), m_strError), -1001);
    EXPECT_EQ(m_handler.GetParameterCount(), 1);
    std::string out;
    ASSERT_EQ(m_handler.GetParameters(out, m_strError), 0);
    EXPECT_EQ(out, "Adapter=1");
}

TEST_F(StringParameters, DuplicateKeepsFirstAndNamesLowerCased)
{
    EXPECT_EQ(m_handler.ExtractParameters("A=1;a=2", m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: The object with the name (a) is allready known.");
    EXPECT_EQ(m_handler.GetParameterCount(), 1);
    EXPECT_EQ(Value("A"), "1");
}

TEST_F(StringParameters, LookupsAndEmptyHandler)
{
    std::string out = "stale";
    EXPECT_EQ(m_handler.GetParameters(out, m_strError), -1002);
    EXPECT_EQ(out, "");
    EXPECT_EQ(m_strError, "CStringParameterHandler::GetParameters:: No parameters were stored yet");

    BOOL bKnown = TRUE;
    m_strError = "old";
    EXPECT_EQ(m_handler.IsParameterKnown("Adapter", bKnown, m_strError), 0);
    EXPECT_EQ(bKnown, FALSE);
    EXPECT_EQ(m_strError, "");

    ASSERT_EQ(m_handler.ExtractParameters("Adapter=Velmor", m_strError), 0);
    EXPECT_EQ(m_handler.IsParameterKnown(" ADAPTER ", bKnown, m_strError), 0);
    EXPECT_EQ(bKnown, TRUE);

    CStringParameter parameter;
    EXPECT_EQ(m_handler.GetParameterByName("Baudrate", parameter, m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: The object with the name (Baudrate) is not known");
    EXPECT_EQ(m_handler.GetParameterByIndex(1, parameter, m_strError), -1001);
    EXPECT_EQ(m_strError, "CStringParameterHandler::GetParameterByIndex:: The index (1) is invalid due to only (1) parametes were stored");
    EXPECT_EQ(m_handler.GetParameterByIndex(-1, parameter, m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::GetObjectByIndex: The index (-1) is not valid");
}

TEST_F(StringParameters, AssignmentCopiesListAndLabel)
{
    ASSERT_EQ(m_handler.ExtractParameters("DEU=Armatur;ENU=Faucet", m_strError), 0);
    m_handler.SetLabel("Off");
    CStringParameterHandler copy;
    ASSERT_EQ(copy.ExtractParameters("old=1", m_strError), 0);
    copy = m_handler;
    std::string out;
    ASSERT_EQ(copy.GetParameters(out, m_strError), 0);
    EXPECT_EQ(out, "DEU=Armatur;ENU=Faucet");
    EXPECT_EQ(copy.GetLabel(), "Off");
}

TEST(StringParameterGetters, LongConversions)
{
    LanguageGuard english(kLanguageEnglish);
    struct Case {
        const char* value;
        int result;
        LONG expected;
    };
    for (const Case& c : {Case{"0x1F", 0, 31}, {"0X1f", 0, 31}, {"010", 0, 10}, {"-42", 0, -42}, {"+7", 0, 7},
                          {"99999999999", 0, 2147483647}, {"-99999999999", 0, -2147483647 - 1},
                          {"12abc", -1002, 12}, {"0x", -1002, 0}, {"abc", -1002, 0}, {"1 ", -1002, 1}}) {
        CStringParameter parameter = Param(c.value);
        LONG lOut = -1;
        std::string error;
        EXPECT_EQ(parameter.GetValueAsLong(lOut, error), c.result) << c.value;
        EXPECT_EQ(lOut, c.expected) << c.value;
        if (c.result != 0) {
            EXPECT_EQ(error, FormatText("CStringParameter::GetValueAsLong: The parameter value (%s) is invalid for the parameter name (P)", c.value));
        }
    }
}

TEST(StringParameterGetters, BoolUcharDwordDouble)
{
    LanguageGuard english(kLanguageEnglish);
    std::string error;
    BOOL b = -1;
    for (const auto& [value, expected] : {std::pair{"YES", 1}, {"No", 0}, {"0x10", 16}, {"5", 5}}) {
        EXPECT_EQ(Param(value).GetValueAsBool(b, error), 0) << value;
        EXPECT_EQ(b, expected) << value;
    }
    EXPECT_EQ(Param("true").GetValueAsBool(b, error), -1002);
    EXPECT_EQ(error, "CStringParameter::GetValueAsBool: The parameter value (true) is invalid for the parameter name (P)");

    UCHAR uc = 0;
    EXPECT_EQ(Param("300").GetValueAsUCHAR(uc, 0, 255, error), 0);
    EXPECT_EQ(uc, 44);
    EXPECT_EQ(Param("9").GetValueAsUCHAR(uc, 1, 8, error), -1001);
    EXPECT_EQ(uc, 9);
    EXPECT_EQ(error, "CStringParameter::GetValueAsUCHAR: The parameter value (9) is out of range, min is (1) max is (8), see parameter name (P)");

    DWORD dw = 0;
    for (const auto& [value, expected] : {std::pair{"-1", 4294967295u}, {"-2", 4294967294u}, {"4294967296", 4294967295u},
                                          {"-2147483648", 2147483648u}, {"0xFFFFFFFF", 4294967295u}}) {
        EXPECT_EQ(Param(value).GetValueAsDWORD(dw, error), 0) << value;
        EXPECT_EQ(dw, expected) << value;
    }
    // Large DWORDs are written as negative decimals and read back unchanged.
    CStringParameter roundTrip = Param("");
    roundTrip.SetValueAsDWORD(3000000000u);
    EXPECT_EQ(roundTrip.GetValue(), "-1294967296");
    EXPECT_EQ(roundTrip.GetValueAsDWORD(dw, error), 0);
    EXPECT_EQ(dw, 3000000000u);
    EXPECT_EQ(roundTrip.GetValueAsDWORD(dw, 0, 10, error), -1001);

    double d = 0;
    EXPECT_EQ(Param("1.5e3").GetValueAsDouble(d, error), 0);
    EXPECT_DOUBLE_EQ(d, 1500.0);
    EXPECT_EQ(Param("-2.25").GetValueAsDouble(d, error), 0);
    EXPECT_DOUBLE_EQ(d, -2.25);
    EXPECT_EQ(Param("0x10").GetValueAsDouble(d, error), -1002);
    EXPECT_EQ(Param("7.5").GetValueAsDouble(d, 0.5, 7.4, error), -1001);
    EXPECT_EQ(error, "CStringParameter::GetValueAsDouble: The parameter value (7.5) is out of range, min is (0) max is (7), see parameter name (P)");
}

TEST(StringParameterGetters, EmptyValueAndSettersInBothLanguages)
{
    LanguageGuard german(kLanguageGerman);
    std::string error;
    LONG l = 0;
    CStringParameter empty("a", "");
    EXPECT_EQ(empty.GetValueAsLong(l, error), -1002);
    EXPECT_EQ(error, "CStringParameter::CheckForEmptyValue: Der Werteparameter darf nicht leer sein, siehe Parameter (a)");

    CStringParameter parameter("Baudrate", "");
    parameter.SetValueAsDouble(2400.0);
    EXPECT_EQ(parameter.GetValue(), "2400.000000");
    parameter.SetValueAsBool(TRUE);
    EXPECT_EQ(parameter.GetValue(), "1");
    parameter.SetValueAsUCHAR(255);
    EXPECT_EQ(parameter.GetValue(), "255");
    parameter.SetValueAsLong(-5);
    EXPECT_EQ(parameter.GetValue(), "-5");
    EXPECT_EQ(Param("x").GetValueAsLong(l, error), -1002);
    EXPECT_EQ(error, "CStringParameter::GetValueAsLong: Der Parameterwert (x) ist ungültig, siehe Parameter (P)");
}
