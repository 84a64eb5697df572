// The magnification window's text box: which texts move the slider.
#include "frmSizeChange.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <optional>

using namespace vello;

namespace {

struct PercentCase
{
    const char* text;
    std::optional<int> percent;
};

class PercentFromText : public ::testing::TestWithParam<PercentCase>
{
};

} // namespace

TEST_P(PercentFromText, AppliesOnlyNumbersFromZeroToThreeHundred)
{
    EXPECT_EQ(frmSizeChange::percentFromText(QString::fromUtf8(GetParam().text)), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(Texts, PercentFromText,
                         ::testing::Values(PercentCase{"0", 0}, PercentCase{"100", 100},
                                           PercentCase{"300", 300}, PercentCase{" 150 ", 150},
                                           PercentCase{"150.5", 150}, PercentCase{"151.5", 152},
                                           PercentCase{"300.4", 300}, PercentCase{"300.6", std::nullopt},
                                           PercentCase{"301", std::nullopt}, PercentCase{"-1", std::nullopt},
                                           PercentCase{"-0.4", 0}, PercentCase{"", std::nullopt},
                                           PercentCase{"abc", std::nullopt}, PercentCase{"1e2", 100},
                                           PercentCase{"inf", std::nullopt}, PercentCase{"nan", std::nullopt},
                                           PercentCase{"１００", std::nullopt}));

TEST(frmSizeChangeWindow, SliderAndTextFollowEachOtherAndEveryMoveAsksForARatio)
{
    frmSizeChange w;
    QSignalSpy ratios(&w, &frmSizeChange::ratioChosen);
    EXPECT_EQ(w.sld()->value(), 100);
    EXPECT_EQ(w.txtPer()->text(), QStringLiteral("100"));

    w.sld()->setValue(0);
    EXPECT_EQ(w.txtPer()->text(), QStringLiteral("0"));
    ASSERT_EQ(ratios.size(), 1);
    EXPECT_EQ(ratios.last().first().toDouble(), 0.0);

    w.txtPer()->clear();
    QTest::keyClicks(w.txtPer(), QStringLiteral("250"));
    EXPECT_EQ(w.sld()->value(), 250);
    EXPECT_EQ(ratios.last().first().toDouble(), 2.5);
    EXPECT_EQ(w.txtPer()->text(), QStringLiteral("250")); // not rewritten while typing

    QTest::keyClick(w.txtPer(), Qt::Key_0); // "2500": refused
    EXPECT_EQ(w.sld()->value(), 250);
    EXPECT_EQ(w.txtPer()->text(), QStringLiteral("2500"));
}
