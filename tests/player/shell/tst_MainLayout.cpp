#include "MainLayout.h"

#include <gtest/gtest.h>

using vello::MainLayout;

namespace {
constexpr int DesignW = MainLayout::DesignClientWidth + MainLayout::FrameWidth;
constexpr int DesignH = MainLayout::DesignClientHeight + MainLayout::FrameHeight;
} // namespace

TEST(MainLayout, DesignMatchesTheSizeChangeRules)
{
    MainLayout design;
    MainLayout ruled;
    ruled.sizeChanged(DesignW, DesignH);
    EXPECT_EQ(design.fraFileList, ruled.fraFileList);
    EXPECT_EQ(design.tvwDir, ruled.tvwDir);
    EXPECT_EQ(design.FILE1, ruled.FILE1);
    EXPECT_EQ(design.RA, ruled.RA);
    EXPECT_EQ(design.lblTimer, ruled.lblTimer);
    EXPECT_EQ(design.sldTimer, ruled.sldTimer);
    EXPECT_EQ(design.splitterPosition(), MainLayout::DesignSplitter);
}

TEST(MainLayout, SizeChangeAppliesTheTable)
{
    MainLayout l;
    l.SetSplitter(3000);
    l.sizeChanged(10000, 8000);
    EXPECT_EQ(l.fraFileList.height(), 6800);
    EXPECT_EQ(l.tvwDir.height(), 2667); // 8000 / 3
    EXPECT_EQ(l.treFa.height(), 2667);
    EXPECT_EQ(l.FILE1.height(), 6800 - 2667 - 100);
    EXPECT_EQ(l.FILE1.top(), l.tvwDir.top() + 2667);
    EXPECT_EQ(l.RA.height(), 6450);
    EXPECT_EQ(l.RA.width(), 10000 - 3000 - 180);
    EXPECT_EQ(l.WP.size(), l.RA.size());
    EXPECT_EQ(l.lblTimer.left(), l.RA.left() + l.RA.width() - l.lblTimer.width());
    EXPECT_EQ(l.lblTitle.width(), l.RA.width());
    EXPECT_EQ(l.sldTimer.width(), 6500);
    EXPECT_EQ(l.picSplitter.height(), 8000);
    EXPECT_EQ(l.imgSplitter.height(), 8000);
}

TEST(MainLayout, SizeChangeSkipsOnlyTheAssignmentsThatWouldBeNegative)
{
    MainLayout l;
    const MainLayout before = l;
    l.sizeChanged(600, 900);
    EXPECT_EQ(l.fraFileList.height(), before.fraFileList.height()); // 900 - 1200 refused
    EXPECT_EQ(l.tvwDir.height(), 300);                              // still applied
    EXPECT_EQ(l.FILE1.height(), before.fraFileList.height() - 300 - 100);
    EXPECT_EQ(l.RA.height(), before.RA.height()); // 900 - 1550 refused
    EXPECT_EQ(l.RA.width(), before.RA.width());   // 600 - 2895 - 180 refused
    EXPECT_EQ(l.sldTimer.width(), before.sldTimer.width());
    EXPECT_EQ(l.imgSplitter.height(), 900);
}

TEST(MainLayout, SetSplitterClampsTwentyTwipsInsideTheWindow)
{
    MainLayout l;
    l.sizeChanged(9000, 7000);
    l.SetSplitter(5);
    EXPECT_EQ(l.fraFileList.width(), 20);
    EXPECT_EQ(l.tvwDir.width(), 20);
    EXPECT_EQ(l.FILE1.width(), 20);
    EXPECT_EQ(l.lblFa.width(), 20);
    EXPECT_EQ(l.imgSplitter.left(), 20);
    EXPECT_EQ(l.RA.left(), 60);
    EXPECT_EQ(l.RA.width(), 9000 - 20 - 270);
    EXPECT_EQ(l.WP, l.RA);
    EXPECT_EQ(l.lblTitle.left(), 60);
    EXPECT_EQ(l.lblTitle.width(), l.RA.width());
    EXPECT_EQ(l.lblTimer.left(), l.RA.left() + l.RA.width() - l.lblTimer.width());

    l.SetSplitter(9000);
    EXPECT_EQ(l.fraFileList.width(), 8980);
    EXPECT_EQ(l.splitterPosition(), 8980);
    EXPECT_EQ(l.RA.left(), 9020);
    EXPECT_EQ(l.RA.width(), 8710); // 9000 - 8980 - 270 is negative: the previous width stays
}

TEST(MainLayout, SplitterDragKeepsTheBarFiftyTwipsInside)
{
    MainLayout l;
    l.sizeChanged(9000, 7000);
    l.moveSplitterDrag(-100); // no drag in progress: ignored
    EXPECT_FALSE(l.splitterBarVisible());

    l.beginSplitterDrag();
    EXPECT_TRUE(l.splitterDragging());
    EXPECT_TRUE(l.splitterBarVisible());
    EXPECT_EQ(l.picSplitter,
              QRect(l.imgSplitter.left(), l.imgSplitter.top(), l.imgSplitter.width() / 2, 7000));
    l.moveSplitterDrag(-100000);
    EXPECT_EQ(l.picSplitter.left(), 50);
    l.moveSplitterDrag(100000);
    EXPECT_EQ(l.picSplitter.left(), 9000 - 50);
    l.moveSplitterDrag(-MainLayout::DesignSplitter + 49);
    EXPECT_EQ(l.picSplitter.left(), 50);
    l.moveSplitterDrag(-MainLayout::DesignSplitter + 51);
    EXPECT_EQ(l.picSplitter.left(), 51);
    l.moveSplitterDrag(-100000);
    l.endSplitterDrag();
    EXPECT_FALSE(l.splitterDragging());
    EXPECT_FALSE(l.splitterBarVisible());
    EXPECT_EQ(l.fraFileList.width(), 50);
    EXPECT_EQ(l.RA.left(), 90);
}
