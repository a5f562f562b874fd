#pragma once
// What a setting is called outside its page, where no group title stands
// above it (the service report, say): a caption that names the group, and
// the unit of the value the page shows.

#include <string>

struct CSettingCaption {
    std::string strText; // in the language in force; the setting's name when it has no caption
    const char* szUnit;  // "s", "ms", "h", "min"; "" for a switch or a list
};

// The caption of a setting of the product type's page.
CSettingCaption SettingCaption(const std::string& strName, int nProductType);
