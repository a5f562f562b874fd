#pragma once
// A protocol object whose exchange plays back prepared answers and records
// every request, for testing the command layer and the module services
// without a bus.
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPBase.h"

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class CScriptedTransport : public CVelmorTPBase {
public:

    int Open(const std::string&, std::string&) override { return Result::Ok; }
    int Close(std::string&) override { return Result::Ok; }

    void Reply(std::vector<BYTE> payload) { m_answers.push_back({Result::Ok, std::move(payload)}); }
    void Fail(int nResult) { m_answers.push_back({nResult, {}}); }

    std::vector<std::vector<BYTE>> m_requests;
    std::vector<int> m_commandIDs;
    std::function<void()> m_onTransfer; // called at the start of every exchange

protected:
    int TransferCommand(int nCommandID, std::string& strError) override
    {
        m_commandIDs.push_back(nCommandID);
        m_requests.emplace_back(m_byRequest, m_byRequest + m_nRequestLength);
        if (m_onTransfer)
            m_onTransfer();
        if (m_answers.empty()) {
            strError = "Timeout";
            return Result::NoResponse;
        }
        const auto answer = m_answers.front();
        m_answers.pop_front();
        if (!answer.payload.empty()) {
            std::memcpy(m_byResponse, answer.payload.data(), answer.payload.size());
            m_nResponseLength = static_cast<int>(answer.payload.size());
        }
        if (answer.nResult != Result::Ok)
            strError = answer.nResult == Result::NoResponse ? "Timeout" : "Invalid checksum";
        return answer.nResult;
    }

private:
    struct Step {
        int nResult;
        std::vector<BYTE> payload; // empty: the previous response stays
    };
    std::deque<Step> m_answers;
};
