#pragma once
#include "common/Language.h"

// Sets the language for one test and restores the previous one afterwards.
class LanguageGuard {
public:
    explicit LanguageGuard(int language) : m_previous(g_nLanguage.load()) { g_nLanguage = language; }
    ~LanguageGuard() { g_nLanguage = m_previous; }
    LanguageGuard(const LanguageGuard&) = delete;
    LanguageGuard& operator=(const LanguageGuard&) = delete;

private:
    int m_previous;
};
