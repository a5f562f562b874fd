#pragma once
// Shared by the monitor tests: a main window that records what the monitors
// post, and small observations of the process and the simulated bus.
#include "common/TimeService.h"
#include "devicelink/MainWindowLink.h"
#include "SimulatorControl.h"
#include "TestPlatform.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

class CMainWindowRecorder : public IMainWindowLink {
public:
    struct Post {
        unsigned nMessage;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::uint64_t nTimeMs; // time service clock when posted
    };

    void PostToMainWindow(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Posts.push_back({nMessage, wParam, lParam, TimeService().NowMs()});
        m_Posted.notify_all();
    }
    bool FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType) override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto it = m_Known.find(strArticleNumber);
        if (it == m_Known.end())
            return false;
        nProductType = it->second;
        return true;
    }
    std::string GetArticleNumberInForce() override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_strInForce;
    }

    void AddKnown(const std::string& strArticleNumber, int nProductType)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Known[strArticleNumber] = nProductType;
    }
    void SetInForce(const std::string& strArticleNumber)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_strInForce = strArticleNumber;
    }

    // Posts of one message so far.
    std::vector<Post> Posts(unsigned nMessage)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return Filter(nMessage);
    }
    // The lParam values of one message so far.
    std::vector<std::intptr_t> Values(unsigned nMessage)
    {
        std::vector<std::intptr_t> values;
        for (const Post& post : Posts(nMessage))
            values.push_back(post.lParam);
        return values;
    }
    // Waits (in real time, bounded) until nCount posts of the message exist.
    std::vector<Post> WaitFor(unsigned nMessage, std::size_t nCount)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Posted.wait_for(lock, std::chrono::seconds(30), [&] { return Filter(nMessage).size() >= nCount; });
        return Filter(nMessage);
    }

    // Waits (in real time, bounded) until the last post of the message
    // carries lParam; true when it came.
    bool WaitForLast(unsigned nMessage, std::intptr_t lParam)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Posted.wait_for(lock, std::chrono::seconds(30), [&] {
            const std::vector<Post> posts = Filter(nMessage);
            return !posts.empty() && posts.back().lParam == lParam;
        });
    }

private:
    std::vector<Post> Filter(unsigned nMessage) const
    {
        std::vector<Post> posts;
        for (const Post& post : m_Posts)
            if (post.nMessage == nMessage)
                posts.push_back(post);
        return posts;
    }

    std::mutex m_Mutex;
    std::condition_variable m_Posted;
    std::vector<Post> m_Posts;
    std::map<std::string, int> m_Known;
    std::string m_strInForce;
};

// Threads of this process.
// Waits (real time, bounded) until nFrames more frames went over the line,
// so that a test can let a number of monitor cycles pass.
inline void WaitForLineTraffic(const SimulatorControl& sim, int nFrames)
{
    const int nTarget = sim.api.GetTraceCount() + nFrames;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sim.api.GetTraceCount() < nTarget && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
