#include "KeyframeModel.h"

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

using namespace vello::editor;
using EditorTest::waitFor;

namespace {

QString lineFor(const KeyframeModel& model, const char* startText)
{
    return model.realStartText(QString::fromLatin1(startText));
}

/// A copy of a RealMedia clip whose packet halfway through the data has an impossible object version.
QString damagedCopy(const QString& clip, const QString& to)
{
    QFile in(clip);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = in.readAll();
    const auto u16 = [&](qsizetype at) { return quint16(quint8(bytes[at]) << 8 | quint8(bytes[at + 1])); };
    qsizetype packet = bytes.indexOf("DATA") + 18;
    for (qsizetype walked = 0; packet + 4 < bytes.size() && walked < bytes.size() / 2;) {
        walked = packet;
        packet += u16(packet + 2);
    }
    bytes[packet + 1] = 7;
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? to : QString();
}

} // namespace

// The label reads what the cut will do; the step targets are the keyframes around the position.
TEST(KeyframeModel, TellsTheRealStartAndTheKeyframesAround)
{
    ASSERT_TRUE(TestClips::toolsAvailable());
    QTemporaryDir dir;
    const QString clip =
        TestClips::makeClip(dir.path(), QStringLiteral("k.rm"), TestClips::ClipKind::RealMedia,
                            4.0); // 10 frames a second, a keyframe every 12
    KeyframeModel model;
    EXPECT_EQ(lineFor(model, "0"), QStringLiteral("実際の開始位置: ファイルを再生すると表示されます"));
    model.setSource(QUrl::fromLocalFile(clip).toString(QUrl::FullyEncoded));
    EXPECT_EQ(model.state(), KeyframeModel::State::Reading);
    EXPECT_TRUE(lineFor(model, "0").startsWith(QStringLiteral("実際の開始位置: キーフレームを調べています")));
    ASSERT_TRUE(waitFor([&] { return model.state() == KeyframeModel::State::Ready; }));
    EXPECT_EQ(model.path(), clip);
    EXPECT_EQ(model.times(), (QList<qint32>{0, 1200, 2400, 3600}));

    EXPECT_EQ(lineFor(model, "3000"), QStringLiteral("実際の開始位置: 2.400 秒"));
    EXPECT_EQ(lineFor(model, "2400"), QStringLiteral("実際の開始位置: 2.400 秒"));
    EXPECT_EQ(lineFor(model, "1199.6"),
              QStringLiteral("実際の開始位置: 1.200 秒")); // rounded as the cut does
    EXPECT_EQ(lineFor(model, "0"), QStringLiteral("実際の開始位置: 0.000 秒"));
    EXPECT_EQ(lineFor(model, ""), QStringLiteral("実際の開始位置: 開始位置を指定してください"));
    EXPECT_TRUE(lineFor(model, "abc").contains(QStringLiteral("数値")));

    EXPECT_EQ(model.next(0), 1200);
    EXPECT_EQ(model.next(1198), 2400); // standing on 1200 after a step
    EXPECT_EQ(model.previous(2400), 1200);
    EXPECT_EQ(model.previous(2500), 2400);
    EXPECT_EQ(model.previous(3), std::nullopt);
    EXPECT_EQ(model.next(3600), std::nullopt);
}

// Another file chosen while one is read: only the last one counts. Sound only, damage, a file that is no
// RealMedia and no file each say so.
TEST(KeyframeModel, FollowsTheLastFileAndSaysWhatItCannotTell)
{
    ASSERT_TRUE(TestClips::toolsAvailable());
    QTemporaryDir dir;
    const QString video =
        TestClips::makeClip(dir.path(), QStringLiteral("v.rm"), TestClips::ClipKind::RealMedia, 4.0);
    const QString sound =
        TestClips::makeClip(dir.path(), QStringLiteral("s.rm"), TestClips::ClipKind::RealMediaAudio, 1.0);
    const QString broken = damagedCopy(video, dir.filePath(QStringLiteral("broken.rm")));
    ASSERT_FALSE(broken.isEmpty());
    const QString text = TestClips::makeNonMediaFile(dir.path(), QStringLiteral("text.rm"));

    KeyframeModel model;
    model.setSource(video);
    model.setSource(sound);
    ASSERT_TRUE(waitFor([&] { return model.state() != KeyframeModel::State::Reading; }));
    EXPECT_EQ(model.state(), KeyframeModel::State::SoundOnly);
    waitFor([] { return false; }, 200); // the first read's result, should it come late, is dropped
    EXPECT_EQ(model.state(), KeyframeModel::State::SoundOnly);
    EXPECT_EQ(lineFor(model, "500"),
              QStringLiteral("音声だけのファイルです。開始位置のとおりに切り抜きます"));
    EXPECT_TRUE(model.times().isEmpty());

    model.setSource(broken);
    ASSERT_TRUE(waitFor([&] { return model.state() == KeyframeModel::State::Ready; }));
    EXPECT_TRUE(model.partial());
    EXPECT_FALSE(model.times().isEmpty());
    EXPECT_LT(model.times().size(), 4);
    EXPECT_EQ(
        lineFor(model, "700"),
        QStringLiteral(
            "実際の開始位置: 0.000 秒（ファイルが途中で壊れているため、キーフレームは壊れた所までです）"));

    model.setSource(text);
    ASSERT_TRUE(waitFor([&] { return model.state() == KeyframeModel::State::Failed; }));
    EXPECT_TRUE(lineFor(model, "0").startsWith(QStringLiteral("実際の開始位置: キーフレームを読めません（")));

    model.setSource(QString());
    EXPECT_EQ(model.state(), KeyframeModel::State::Empty);
}
