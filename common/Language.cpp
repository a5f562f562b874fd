#include "Language.h"

std::atomic<int> g_nLanguage{kLanguageGerman};
