#include "common/Language.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "FakeTimeService.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

TEST(Language, PicksEnglishOnlyForTwo)
{
    for (const auto& [language, expected] : {std::pair{1, "de"}, {2, "en"}, {0, "de"}, {3, "de"}}) {
        LanguageGuard guard(language);
        EXPECT_STREQ(PickText("en", "de"), expected) << language;
    }
}

TEST(TextFormat, FormatsLikePrintfAndGrowsBeyondSmallBuffers)
{
    EXPECT_EQ(FormatText("%s Error code 0x%02X reported by target", "X::Y", 5), "X::Y Error code 0x05 reported by target");
    EXPECT_EQ(FormatText("%d", -2147483647 - 1), "-2147483648");
    EXPECT_EQ(FormatText("%f", 2400.0), "2400.000000");
    const std::string longText(5000, 'x');
    EXPECT_EQ(FormatText("[%s]", longText.c_str()), "[" + longText + "]");
    EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(TextFormat, SystemMessageSuffixInBothLanguagesAndCutAt511)
{
    {
        LanguageGuard guard(kLanguageEnglish);
        std::string error = "First.";
        AppendSystemMessage(error, "bad_alloc");
        EXPECT_EQ(error, "First. The system reports the error message (bad_alloc)");
        AppendSystemMessage(error, "");
        AppendSystemMessage(error, nullptr);
        EXPECT_EQ(error, "First. The system reports the error message (bad_alloc)");
    }
    LanguageGuard guard(kLanguageGerman);
    std::string error;
    AppendSystemMessage(error, std::string(600, 'm').c_str());
    EXPECT_EQ(error, " Die Fehlermeldung des Systems lautet (" + std::string(511, 'm') + ")");
}

TEST(TextFormat, TrimAndCaseFolding)
{
    EXPECT_EQ(TrimWhiteSpace(" \t\r\n\v\fa b \n"), "a b");
    EXPECT_EQ(TrimWhiteSpace(" \t "), "");
    EXPECT_EQ(ToLowerAscii("BaudRATE \xC4"), "baudrate \xC4");
    EXPECT_TRUE(EqualsNoCase("Runtime", "RUNTIME"));
    EXPECT_FALSE(EqualsNoCase("Runtime", "Runtimes"));
}

TEST(TimeService, FakeRecordsSleepsAndRealOneIsRestored)
{
    ITimeService* real = &TimeService();
    {
        FakeTimeService fake;
        const auto before = TimeService().NowMs();
        TimeService().SleepMs(500);
        EXPECT_EQ(fake.Sleeps(), std::vector<unsigned>{500});
        EXPECT_EQ(TimeService().NowMs() - before, 500u);
    }
    EXPECT_EQ(&TimeService(), real);
}
