#pragma once
// The program's version title, "Fluxa USB, V2.15", for the window caption.

#include <mutex>
#include <string>

class CToolVersion {
public:
    static constexpr const char* kShortTitle = "Fluxa USB";
    static constexpr int kMajor = 2;
    static constexpr int kMinor = 15;

    CToolVersion();
    std::string GetTitle() const;

private:
    mutable std::mutex m_lock;
    std::string m_strTitle;
};
