#include "app/PageTable.h"

#include "app/pages/DlgAmbra.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "app/pages/DlgInfoGeneric.h"
#include "app/pages/DlgTarvo.h"
#include "app/pages/DlgTools.h"
#include "app/pages/DlgUrinalWc.h"

#include <algorithm>

namespace {

template <class Page>
CPageBase* Make(const CPageContext& context)
{
    return new Page(context);
}

} // namespace

const std::vector<CPageEntry>& PageTable()
{
    static const std::vector<CPageEntry> pages = {
        {.szName = "InfoGeneric", .nPageId = 130, .create = Make<CDlgInfoGeneric>},
        {.szName = "Ambra", .nPageId = 137, .configurationOf = {3, 6, 7}, .create = Make<CDlgAmbra>},
        {.szName = "Urinal", .nPageId = 1300, .configurationOf = {4, 5}, .create = Make<CDlgUrinalWc>},
        {.szName = "Tarvo", .nPageId = 136, .configurationOf = {1}, .create = Make<CDlgTarvo>},
        {.szName = "TarvoV2", .nPageId = 112, .configurationOf = {2}, .create = Make<CDlgTarvoV2>},
        {.szName = "GenericDiagnostics", .nPageId = 138, .create = Make<CDlgDiagnosticGeneric>},
        {.szName = "Tools", .nPageId = 162, .bServiceOnly = true, .create = Make<CDlgTools>},
    };
    return pages;
}

const CPageEntry* FindPageEntry(int nPageId)
{
    const auto& pages = PageTable();
    const auto found = std::find_if(pages.begin(), pages.end(), [nPageId](const CPageEntry& page) { return page.nPageId == nPageId; });
    return found == pages.end() ? nullptr : &*found;
}

std::string ConfigurationPageOf(int nProductType)
{
    for (const CPageEntry& page : PageTable())
        if (std::find(page.configurationOf.begin(), page.configurationOf.end(), nProductType) != page.configurationOf.end())
            return page.szName;
    return {};
}
