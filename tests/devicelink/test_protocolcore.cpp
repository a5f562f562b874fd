// The command layer: command table, checks, request building, attempts and
// target error answers.
#include "ScriptedTransport.h"

#include "FakeTimeService.h"
#include "LanguageGuard.h"
#include "common/TextFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Bytes = std::vector<BYTE>;

TEST(ProtocolCore, CommandIDRangeIsOneToThirtyThree)
{
    LanguageGuard english(kLanguageEnglish);
    CScriptedTransport protocol;
    std::string error;
    for (int id : {0, 34, -1}) {
        EXPECT_EQ(Result::InvalidArgument, protocol.CheckCommandID(id, error)) << id;
        EXPECT_EQ(FormatText("CVelmorTPBase::CheckCommandID The given command ID (%d) is out of range. The valid range is: Min=1 and Max=33", id),
                  error);
    }
    for (int id : {1, 29, 33})
        EXPECT_EQ(Result::Ok, protocol.CheckCommandID(id, error)) << id;

    LanguageGuard german(kLanguageGerman);
    protocol.CheckCommandID(34, error);
    EXPECT_EQ("CVelmorTPBase::CheckCommandID Das Kommando (34) ist ungültig. Der gültige Bereich liegt zwischen: Min=1 und Max=33", error);
}

TEST(ProtocolCore, CommandTwentyNineIsNeverHandled)
{
    LanguageGuard english(kLanguageEnglish);
    CScriptedTransport protocol;
    std::string error;
    EXPECT_EQ(Result::InvalidArgument, protocol.CheckParameterCount(29, 0, nullptr, error));
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount Internal error: the command ID (29) is not handled in (CVelmorTPBase::CheckParameterCount)",
              error);
    LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(Result::InvalidArgument, protocol.SendCommand(29, 0, nullptr, error));
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount Interner Fehler: Das Kommando (29) wird nicht unterstützt in (CVelmorTPBase::CheckParameterCount) ",
              error);
    EXPECT_TRUE(protocol.m_requests.empty());
}

TEST(ProtocolCore, ParameterCountRules)
{
    struct Case {
        int nID;
        int nCount;
        int nExpected;
    };
    const Case cases[] = {
        {1, 0, 0},  {1, 1, -1001},  {2, 0, 0},   {20, 1, -1001}, {32, 0, 0},   {3, 1, 0},    {3, 0, -1001},
        {6, 2, -1001}, {30, 1, 0},  {33, 1, 0},  {7, 2, 0},      {28, 2, 0},   {28, 3, -1001}, {9, 3, 0},
        {11, 3, 0}, {11, 4, -1001}, {10, 5, 0},  {17, 5, 0},     {17, 4, -1001}, {12, 3, -1001}, {12, 4, 0},
        {12, 200, 0}, {13, 0, 0},   {14, 9, 0},  {15, 0, 0},     {16, 1, 0},   {18, 0, 0},   {19, 7, 0},
        {23, 0, 0}, {27, 3, 0},
    };
    CScriptedTransport protocol;
    const Bytes params(256, 0);
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(c.nExpected, protocol.CheckParameterCount(c.nID, c.nCount, params.data(), error))
            << "ID " << c.nID << " count " << c.nCount;
    }
}

TEST(ProtocolCore, ParameterCountMessages)
{
    LanguageGuard english(kLanguageEnglish);
    CScriptedTransport protocol;
    std::string error;
    const BYTE params[4] = {};
    EXPECT_EQ(Result::InvalidArgument, protocol.SendCommand(12, 3, params, error));
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount The parameter count (3) is invalid for the command ID (12)", error);
    EXPECT_EQ(Result::InvalidArgument, protocol.CheckParameterCount(3, -1, params, error));
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount The parameter count (-1) is not supported", error);
    // The missing buffer is found before the unknown ID.
    EXPECT_EQ(Result::InvalidArgument, protocol.CheckParameterCount(0, 2, nullptr, error));
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount The parameter count (2) is given but the parameter array is invalid (NULL)", error);
    EXPECT_EQ(Result::Ok, protocol.CheckParameterCount(1, 0, nullptr, error));

    LanguageGuard german(kLanguageGerman);
    protocol.CheckParameterCount(12, 3, params, error);
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount Die Parameteranzahl (3) wird für das Kommando (12) nicht unterstützt.", error);
    protocol.CheckParameterCount(7, 2, nullptr, error);
    EXPECT_EQ("CVelmorTPBase::CheckParameterCount Die Parameteranzahl (2) wurde definiert aber das Feld enthält (NULL)", error);
}

TEST(ProtocolCore, OpcodesOfEveryCommand)
{
    const BYTE expected[34] = {0,    0x00, 0x01, 0x03, 0x05, 0x07, 0x09, 0x02, 0x04, 0x06, 0x08, 0x0A,
                               0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x1C, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                               0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20};
    const int counts[34] = {0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 5, 3, 4, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 0, 1};
    CScriptedTransport protocol;
    const BYTE params[5] = {9, 9, 9, 9, 9};
    for (int id = 1; id <= 33; ++id) {
        if (id == 29)
            continue;
        std::string error;
        ASSERT_EQ(Result::Ok, protocol.BuildCommand(id, counts[id], params, error)) << id << error;
        EXPECT_EQ(expected[id], protocol.GetRequest()[0]) << id;
        EXPECT_EQ(counts[id] + 1, protocol.GetRequestLength()) << id;
    }
}

TEST(ProtocolCore, RequestCarriesParametersInOrder)
{
    CScriptedTransport protocol;
    protocol.Reply({0x00});
    std::string error;
    const BYTE params[] = {0x01, 0x23, 0x02, 0xAA, 0xBB};
    ASSERT_EQ(Result::Ok, protocol.SendCommand(12, 5, params, error));
    ASSERT_EQ(1u, protocol.m_requests.size());
    EXPECT_EQ((Bytes{0x0B, 0x01, 0x23, 0x02, 0xAA, 0xBB}), protocol.m_requests[0]);
    EXPECT_EQ(6, protocol.GetRequestLength());
    EXPECT_EQ(12, protocol.m_commandIDs[0]);
}

TEST(ProtocolCore, RequestsLongerThanAFrameAreRefused)
{
    LanguageGuard english(kLanguageEnglish);
    CScriptedTransport protocol;
    const Bytes params(300, 0x55);
    std::string error;
    EXPECT_EQ(Result::Ok, protocol.BuildCommand(18, 253, params.data(), error));
    EXPECT_EQ(254, protocol.GetRequestLength());
    EXPECT_EQ(Result::InvalidArgument, protocol.SendCommand(18, 254, params.data(), error));
    EXPECT_EQ("CVelmorTPBase::BuildCommand The request length (255) exceeds the maximum length (254) of a frame", error);
    EXPECT_TRUE(protocol.m_requests.empty());
}

struct TargetAnswerCase {
    const char* szName;
    Bytes payload;
    int nExpected;
    const char* szEnglish;
    const char* szGerman;
};

void PrintTo(const TargetAnswerCase& c, std::ostream* os)
{
    *os << c.szName;
}

class TargetAnswer : public ::testing::TestWithParam<TargetAnswerCase> {};

TEST_P(TargetAnswer, IsEvaluatedOnceWithoutRepeat)
{
    const TargetAnswerCase& c = GetParam();
    FakeTimeService time;
    for (int language : {kLanguageEnglish, kLanguageGerman}) {
        LanguageGuard guard(language);
        CScriptedTransport protocol;
        protocol.Reply(c.payload);
        protocol.Reply({0x00});
        std::string error = "untouched";
        EXPECT_EQ(c.nExpected, protocol.SendCommand(2, 0, nullptr, error));
        EXPECT_EQ(1u, protocol.m_requests.size());
        if (c.nExpected != Result::Ok)
            EXPECT_EQ(language == kLanguageEnglish ? c.szEnglish : c.szGerman, error);
        else
            EXPECT_EQ("untouched", error);
    }
    EXPECT_TRUE(time.Sleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(
    ProtocolCore, TargetAnswer,
    ::testing::Values(TargetAnswerCase{"TwoBytes", {0xFF, 0x05}, Result::TargetError, "CVelmorTPBase::SendCommand Error code 0x05 reported by target",
                                       "CVelmorTPBase::SendCommand Modul meldet Fehler 0x05"},
                      TargetAnswerCase{"ThreeBytes", {0xFF, 0x05, 0x07}, Result::TargetError, "Error code 0x05 for SW lib 0x07 reported by target",
                                       "CVelmorTPBase::SendCommand Modul meldet Fehler 0x05 in der SW Bibliothek 0x07"},
                      TargetAnswerCase{"FourBytes", {0xFF, 0x05, 0x07, 0x00}, Result::Ok, "", ""},
                      TargetAnswerCase{"OtherStatus", {0xFE, 0x05}, Result::Ok, "", ""},
                      TargetAnswerCase{"StatusOnly", {0xFF}, Result::Ok, "", ""}),
    [](const ::testing::TestParamInfo<TargetAnswerCase>& info) { return std::string(info.param.szName); });

// What the transport gives for each attempt: a failure, or an answer.
struct Attempt {
    int nFailure; // Result::Ok: the answer
    Bytes answer;
};

struct AttemptsCase {
    const char* szName;
    int nRetryCount; // -1: the default
    std::vector<Attempt> attempts; // then every attempt times out
    int nExpected;
    const char* szError;   // nullptr: the error is not looked at
    Bytes response;        // of a command that succeeds
    std::size_t nRequests;
    std::vector<unsigned> sleeps;
};

// Attempts up to the retry count with a 500 ms pause between them; the last
// failure is the one returned.
TEST(ProtocolCore, AttemptsFollowTheRetryCount)
{
    EXPECT_EQ(2, CScriptedTransport().GetRetryCount()) << "the default";
    const AttemptsCase cases[] = {
        {"a time-out is repeated after one pause", -1, {{Result::NoResponse, {}}, {Result::Ok, {0x00, 0x42}}}, Result::Ok,
         nullptr, {0x00, 0x42}, 2, {500}},
        {"the last failure of all attempts", -1, {{Result::InvalidResponse, {}}, {Result::NoResponse, {}}},
         Result::NoResponse, "Timeout", {}, 2, {500}},
        {"ten attempts", 10, {}, Result::NoResponse, "Timeout", {}, 10, std::vector<unsigned>(9, 500)},
        {"no attempt", 0, {}, Result::Ok, nullptr, {}, 0, {}},
    };
    for (const AttemptsCase& c : cases) {
        SCOPED_TRACE(c.szName);
        FakeTimeService time;
        CScriptedTransport protocol;
        if (c.nRetryCount >= 0) {
            protocol.SetRetryCount(c.nRetryCount);
            EXPECT_EQ(c.nRetryCount, protocol.GetRetryCount());
        }
        for (const Attempt& attempt : c.attempts) {
            if (attempt.nFailure == Result::Ok)
                protocol.Reply(attempt.answer);
            else
                protocol.Fail(attempt.nFailure);
        }
        std::string error;
        EXPECT_EQ(c.nExpected, protocol.SendCommand(3, 1, Bytes{1}.data(), error));
        if (c.szError != nullptr) {
            EXPECT_EQ(c.szError, error);
        }
        if (!c.response.empty()) {
            ASSERT_EQ(static_cast<int>(c.response.size()), protocol.GetResponseLength());
            EXPECT_EQ(c.response, Bytes(protocol.GetResponse(), protocol.GetResponse() + c.response.size()));
        }
        EXPECT_EQ(c.nRequests, protocol.m_requests.size());
        EXPECT_EQ(c.sleeps, time.Sleeps());
    }
}

// The download raises the count while the connection monitor's commands run:
// a command keeps the attempts it started with.
TEST(ProtocolCore, RetryCountChangesBetweenCommandsOnly)
{
    FakeTimeService time;
    CScriptedTransport protocol; // no answers: every attempt times out
    std::thread setter;
    protocol.m_onTransfer = [&] {
        if (setter.joinable())
            return;
        setter = std::thread([&] { protocol.SetRetryCount(5); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // room for the setter to cut in
    };
    std::string error;
    EXPECT_EQ(Result::NoResponse, protocol.SendCommand(1, 0, nullptr, error));
    setter.join();
    EXPECT_EQ(2u, protocol.m_requests.size());
    EXPECT_EQ(5, protocol.GetRetryCount());
}

TEST(ProtocolCore, CheckFailuresAreNotRepeated)
{
    FakeTimeService time;
    CScriptedTransport protocol;
    std::string error;
    EXPECT_EQ(Result::InvalidArgument, protocol.SendCommand(34, 0, nullptr, error));
    EXPECT_TRUE(protocol.m_requests.empty());
    EXPECT_TRUE(time.Sleeps().empty());
}

} // namespace
