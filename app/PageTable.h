#pragma once
// The pages of the main window, in the order they are registered: each
// page's name, page id, the product types whose configuration it shows, and
// how it is made. The registry, the Configuration tab and the tests all read
// this one table.

#include <string>
#include <vector>

class CPageBase;
struct CPageContext;

struct CPageEntry {
    const char* szName;
    int nPageId;
    // The product types (1..7) whose settings this page shows; none for the
    // information, diagnostics and tools pages.
    std::vector<int> configurationOf = {};
    bool bServiceOnly = false;
    CPageBase* (*create)(const CPageContext& context) = nullptr;
};

const std::vector<CPageEntry>& PageTable();
// The entry of a page id; nullptr for an id without a page.
const CPageEntry* FindPageEntry(int nPageId);
// The name of the page that shows a product type's settings; empty for a
// type without one.
std::string ConfigurationPageOf(int nProductType);
