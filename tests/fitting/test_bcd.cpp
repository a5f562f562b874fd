#include "fitting/Bcd.h"

#include <gtest/gtest.h>

TEST(Bcd, EveryTwoDigitNumberRoundTrips)
{
    for (int n = 0; n <= 99; ++n) {
        const BYTE by = IntToBcd(n);
        EXPECT_EQ(by, (n / 10) * 16 + n % 10) << n;
        EXPECT_TRUE(IsBcd(by)) << n;
        EXPECT_EQ(BcdToInt(by), n) << n;
    }
}

TEST(Bcd, ADigitAboveNineIsNoBcd)
{
    for (BYTE by : {BYTE{0x0A}, BYTE{0xA0}, BYTE{0x9F}, BYTE{0xFF}})
        EXPECT_FALSE(IsBcd(by)) << int{by};
}

TEST(Bcd, InstallationDateIsTextOnlyWhenSet)
{
    const BYTE date[] = {0x24, 0x03, 0x15};
    EXPECT_EQ(InstallationDateText(date), "15.03.2024");
    for (int nPart = 0; nPart < 3; ++nPart)
        for (BYTE bad : {BYTE{0x00}, BYTE{0xFF}}) {
            BYTE unset[] = {0x24, 0x03, 0x15};
            unset[nPart] = bad;
            EXPECT_EQ(InstallationDateText(unset), "") << nPart << " " << int{bad};
        }
}
