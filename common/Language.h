#pragma once
#include <atomic>

// The user-interface language: 1 German (the default), 2 English. Read by the
// monitor threads as well, hence atomic.
constexpr int kLanguageGerman = 1;
constexpr int kLanguageEnglish = 2;
extern std::atomic<int> g_nLanguage;

// Picks the English text when the language is English and the German text
// otherwise.
inline const char* PickText(const char* english, const char* german)
{
    return g_nLanguage.load(std::memory_order_relaxed) == kLanguageEnglish ? english : german;
}
