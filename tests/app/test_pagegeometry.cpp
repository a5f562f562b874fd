// The pages' column geometry, by numbers.
#include "app/widgets/PageGeometry.h"

#include <gtest/gtest.h>

using namespace PageGeometry;

TEST(PageGeometry, ColumnsFollowThePageWidth)
{
    struct Case {
        int nPage, nColumn, nLabel, nLoneLabel, nSecondLeft;
    };
    for (const Case& c : {Case{663, 300, 120, 240, 342}, Case{726, 331, 132, 264, 373}, Case{64, 0, 0, 0, 42}, Case{62, 0, 0, 0, 42},
                          Case{0, -31, -12, -24, 11}}) {
        EXPECT_EQ(ColumnWidth(c.nPage), c.nColumn) << c.nPage;
        EXPECT_EQ(LabelWidth(c.nColumn), c.nLabel) << c.nPage;
        EXPECT_EQ(LoneLabelWidth(c.nColumn), c.nLoneLabel) << c.nPage;
        EXPECT_EQ(SecondColumnLeft(c.nColumn), c.nSecondLeft) << c.nPage;
    }
}

TEST(PageGeometry, RowRectangles)
{
    const EditAndSpins spins = EditAndSpinsRects(21, 70, 300);
    EXPECT_EQ(spins.label, (Rect{21, 73, 141, 89}));
    EXPECT_EQ(spins.edit, (Rect{147, 70, 262, 92}));
    EXPECT_EQ(spins.plus, (Rect{268, 70, 290, 92}));
    EXPECT_EQ(spins.minus, (Rect{296, 70, 318, 92}));
    EXPECT_EQ(LabelAndComboRects(21, 70, 300).combo, (Rect{147, 70, 320, 92}));
    EXPECT_EQ(LabelAndComboRects(21, 70, 300).label, (Rect{21, 74, 141, 90}));
    EXPECT_EQ(LabelAndLabelRects(21, 70, 300).value, (Rect{147, 70, 320, 92}));
    EXPECT_EQ(LabelRect(21, 70, 300), (Rect{21, 70, 261, 86}));
    const LabelAndButton button = LabelAndButtonRects(21, 70, 300);
    EXPECT_EQ(button.label, (Rect{21, 75, 114, 91}));
    EXPECT_EQ(button.button, (Rect{120, 70, 320, 95}));
}

TEST(PageGeometry, GroupsAndTheirAdvance)
{
    const Group group = GroupRects(21, 70, 300);
    EXPECT_EQ(group.title, (Rect{23, 70, 223, 86}));
    EXPECT_EQ(group.check, (Rect{223, 70, 318, 86}));
    EXPECT_EQ(group.line, (Rect{21, 86, 321, 88}));
    EXPECT_EQ(group.status, (Rect{201, 70, 297, 86}));
    EXPECT_EQ(group.corner, (Rect{303, 70, 321, 88}));
    EXPECT_EQ(group.nFirstRowY, 97);
    // Two rows at 28-pixel steps, then the room below the group.
    EXPECT_EQ(GroupEndY(97 + 2 * kRowStep, true), 178);
    EXPECT_EQ(GroupEndY(97, false), 120);
}
