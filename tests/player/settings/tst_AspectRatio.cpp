#include "AspectRatio.h"

#include <gtest/gtest.h>

using vello::AspectRatio;

TEST(AspectRatio, FirstProposalCapturesRatioAndLaterOnesFollowIt)
{
    AspectRatio keeper;
    EXPECT_EQ(keeper.adjust(QSize(400, 300)), QSize(400, 300));
    EXPECT_TRUE(keeper.captured());
    // Only higher: the width follows the height.
    EXPECT_EQ(keeper.adjust(QSize(400, 600)), QSize(800, 600));
    // Only wider: the height follows the width.
    EXPECT_EQ(keeper.adjust(QSize(1000, 300)), QSize(1000, 750));
}

TEST(AspectRatio, RatioIsNeverCapturedAgain)
{
    AspectRatio keeper;
    keeper.adjust(QSize(200, 100));
    EXPECT_EQ(keeper.adjust(QSize(100, 100)), QSize(200, 100));
    EXPECT_FLOAT_EQ(keeper.ratio(), 2.0f);
}

TEST(AspectRatio, NewSideIsRoundedHalfToEven)
{
    AspectRatio wide; // ratio 1.5
    wide.adjust(QSize(3, 2));
    EXPECT_EQ(wide.adjust(QSize(1, 3)), QSize(4, 3)); // 4.5 -> 4
    EXPECT_EQ(wide.adjust(QSize(1, 5)), QSize(8, 5)); // 7.5 -> 8

    AspectRatio flat; // ratio 2
    flat.adjust(QSize(4, 2));
    EXPECT_EQ(flat.adjust(QSize(5, 1)), QSize(5, 2)); // 2.5 -> 2
    EXPECT_EQ(flat.adjust(QSize(7, 1)), QSize(7, 4)); // 3.5 -> 4
}

TEST(AspectRatio, DegenerateProposalsPassUnchanged)
{
    AspectRatio keeper;
    EXPECT_EQ(keeper.adjust(QSize(300, 0)), QSize(300, 0));
    EXPECT_FALSE(keeper.captured());
    EXPECT_EQ(keeper.adjust(QSize(300, -5)), QSize(300, -5));

    AspectRatio zeroWidth; // a ratio of 0 would make every later height infinite
    zeroWidth.adjust(QSize(0, 100));
    EXPECT_EQ(zeroWidth.adjust(QSize(500, 200)), QSize(500, 200));
}
