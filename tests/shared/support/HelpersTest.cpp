#include "Helpers.h"

#include "BasicRandom.h"

#include <gtest/gtest.h>

using namespace vello;

TEST(Helpers, CutAtNulStopsAtTheFirstNul)
{
    EXPECT_EQ(CutAtNul(QString("abc") + QChar(u'\0') + "def"), "abc");
    EXPECT_EQ(CutAtNul("whole"), "whole");
    EXPECT_EQ(CutAtNul(QString(QChar(u'\0'))), "");
}

TEST(Helpers, RoundsHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(481.5), 482);
    EXPECT_EQ(roundHalfEven(160.5), 160);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(0.49999), 0);
    EXPECT_EQ(roundHalfEven(1.0 / 3.0), 0);
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<qint64>::max());
}

TEST(Helpers, TimeTextHasTwoDigitMinutesAndSeconds)
{
    EXPECT_EQ(timeText(125), "02:05");
    EXPECT_EQ(timeText(6000), "100:00");
    EXPECT_EQ(timeText(0), "00:00");
    EXPECT_EQ(timeText(-5), "00:00");
}

TEST(Helpers, LegacyTextIsUtf8WhenValidElseCp932)
{
    EXPECT_EQ(decodeLegacyText(QByteArray("Live 2000")), "Live 2000");
    EXPECT_EQ(decodeLegacyText(QStringLiteral("ライブ").toUtf8()), QStringLiteral("ライブ"));
    EXPECT_EQ(decodeLegacyText(QByteArray("\x83\x65\x83\x58\x83\x67")), QStringLiteral("テスト"));
    // Half-width katakana in Shift-JIS are single bytes.
    EXPECT_EQ(decodeLegacyText(QByteArray("\xCC\xA7\xB2\xD9")), QStringLiteral("ﾌｧｲﾙ"));
    // A broken lead byte at the end does not stop decoding.
    EXPECT_FALSE(decodeLegacyText(QByteArray("ok\x83")).isEmpty());
}

TEST(Helpers, Utf8ValidationRejectsOverlongAndSurrogates)
{
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xE3\x83\x86"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xE3\x83"));         // truncated
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
}

TEST(Helpers, WholeNumbers)
{
    EXPECT_TRUE(isWholeNumber("0"));
    EXPECT_TRUE(isWholeNumber(" 12 "));
    EXPECT_TRUE(isWholeNumber("-1"));
    EXPECT_FALSE(isWholeNumber(""));
    EXPECT_FALSE(isWholeNumber("x"));
    EXPECT_FALSE(isWholeNumber("1.5"));
    EXPECT_FALSE(isWholeNumber("99999999999"));
}

TEST(BasicRandom, DrawsTheSameUnseededSequenceEveryRun)
{
    BasicRandom r;
    const double expected[] = {11837123 / 16777216.0, 8949370 / 16777216.0, 9722709 / 16777216.0,
                               4858052 / 16777216.0, 5065847 / 16777216.0};
    for (double e : expected)
        EXPECT_DOUBLE_EQ(r.next(), e);
    BasicRandom again;
    EXPECT_DOUBLE_EQ(again.next(), expected[0]);
}

TEST(BasicRandom, StaysInUnitInterval)
{
    BasicRandom r;
    for (int i = 0; i < 100000; ++i) {
        const double v = r.next();
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
    }
}
