// A write nobody changed anything for leaves every field as the fitting
// holds it, also where the page cannot show the fitting's value: a check
// box kept as 0xFF (an unprogrammed byte), a value between two of the
// page's steps.

#include "SettingsModelTest.h"

#include "fitting/EEAddressMap.h"

namespace {

class UntouchedWrite : public SettingsModelTest {};

TEST_F(UntouchedWrite, KeepsWhatThePageCannotShowInEveryProductType)
{
    const struct {
        const char* szProfile;
        const char* szArticle;
    } cases[] = {{"Tarvo", "230100101"}, {"TarvoV2", "230200201"}, {"Ambra", "230300301"}, {"Urinal", "230400401"},
                 {"WC", "230500501"},    {"Pelio", "230600601"},   {"Culina", "230700701"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szProfile);
        std::vector<std::pair<unsigned, unsigned>> places; // address, size of every field
        std::vector<std::vector<BYTE>> odd;                 // what the page cannot show there; empty: none
        const CSettingsModel layout = Model(c.szArticle);
        for (const CSettingField& field : layout.Fields()) {
            int nAddress = 0;
            ASSERT_EQ(GetEEAddr(field.eAddrType, layout.Family().nMapProductType, nAddress, m_strError), Result::Ok) << field.szName;
            places.emplace_back(nAddress, field.nSize);
            odd.push_back(field.eKind == SettingKind::Flag ? std::vector<BYTE>{0xFF}
                          : field.dwScale > 1              ? std::vector<BYTE>{0xDC, 0x05} // 1500 on a page of 1000s
                                                           : std::vector<BYTE>{});
        }
        // One at a time: two modes at 0xFF may be a combination the page refuses.
        for (std::size_t nField = 0; nField < places.size(); ++nField) {
            if (odd[nField].empty())
                continue;
            ASSERT_EQ(m_sim.api.PlugFitting(0, c.szProfile), VSIM_OK);
            Poke(places[nField].first, odd[nField]);
            CSettingsModel model = Model(c.szArticle);
            Read(model);
            std::vector<std::vector<BYTE>> before;
            for (const auto& [nAddress, nSize] : places)
                before.push_back(Peek(nAddress, nSize));
            ASSERT_EQ(Write(model), Result::Ok) << m_strError << " " << model.Fields()[nField].szName;
            EXPECT_FALSE(m_journal.Acknowledged().empty());
            for (std::size_t i = 0; i < places.size(); ++i)
                EXPECT_EQ(Peek(places[i].first, places[i].second), before[i])
                    << model.Fields()[i].szName << " with " << model.Fields()[nField].szName << " odd";
            ExpectEveryRowSumRight();
        }
    }
}

} // namespace
