// The picture file: its name, its PNG contents, a taken name, and a folder it cannot be written into.
#include "PictureFile.h"

#include "AsNobody.h"
#include "ByteTempDir.h"
#include "NativePath.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vello;
using vello::media::RawPicture;

namespace {

/// A picture as the engine hands it over: rows of width * 4 bytes and 8 bytes more, each pixel blue.
RawPicture bluePicture(int width, int height)
{
    RawPicture p;
    p.ok = true;
    p.width = width;
    p.height = height;
    p.stride = width * 4 + 8;
    p.pixels = QByteArray(p.stride * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[y * p.stride + x * 4] = char(0xff);
    return p;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(PictureFile, NameIsTheClipAndThePositionAndKeepsTheClipsBytes)
{
    EXPECT_EQ(PictureFile::fileName(QStringLiteral("/v/clip.mpg"), 83456), "clip_00-01-23.456.png");
    EXPECT_EQ(PictureFile::fileName(QStringLiteral("/v/a.b.rm"), 3600000 + 5), "a.b_01-00-00.005.png");
    EXPECT_EQ(PictureFile::fileName(QStringLiteral("/v/.hidden"), 0), ".hidden_00-00-00.000.png");
    const QString legacy = fromNativePath("/v/\x82\xa0.rm");
    EXPECT_EQ(toNativePath(PictureFile::fileName(legacy, 1000)), QByteArray("\x82\xa0_00-00-01.000.png"));
    const QString longName = PictureFile::fileName(QStringLiteral("/v/") + QString(300, QChar(0x3042)), 0);
    EXPECT_LE(toNativePath(longName).size(), 200);
    EXPECT_TRUE(longName.endsWith(QStringLiteral("_00-00-00.000.png")));
}

TEST(PictureFile, SavedPngHasThePicturesSizeAndATakenNameIsNotReplaced)
{
    ByteTempDir dir;
    const RawPicture picture = bluePicture(6, 4);
    const auto first = PictureFile::save(picture, dir.path(), QStringLiteral("c_00-00-01.000.png"));
    ASSERT_TRUE(first.ok) << qPrintable(first.message);
    EXPECT_TRUE(first.message.startsWith(QStringLiteral("画像を保存しました。")));
    EXPECT_TRUE(first.message.endsWith(first.path));
    const QImage image(first.path, "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(6, 4));
    EXPECT_EQ(image.pixel(5, 3), qRgb(0, 0, 255));

    const auto second = PictureFile::save(picture, dir.path(), QStringLiteral("c_00-00-01.000.png"));
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(QFileInfo(second.path).fileName(), "c_00-00-01.000-2.png");
    EXPECT_EQ(entries(dir.path()), (QStringList{"c_00-00-01.000-2.png", "c_00-00-01.000.png"}));

    RawPicture none;
    none.request = 3;
    const auto missing = PictureFile::save(none, dir.path(), QStringLiteral("x.png"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.message.startsWith(QStringLiteral("画像を保存できませんでした。")));
    EXPECT_EQ(entries(dir.path()).size(), 2);
}

TEST(PictureFile, ReadOnlyFolderGivesAMessageAndLeavesNothing)
{
    if (Unprivileged::rerunAsNobody())
        return;
    ByteTempDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    const auto result = PictureFile::save(bluePicture(2, 2), dir.path(), QStringLiteral("c.png"));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("画像を保存できませんでした。\n") + dir.path() +
                                  QStringLiteral("/c.png\n保存先のフォルダに書き込む権限がありません。"));
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

TEST(PictureFile, WriteThatFailsPartwayLeavesNothing)
{
    ByteTempDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    // A file may not grow past 100 bytes: the PNG's write fails after them, as on a full disk.
    const int status = TestUser::runAsNobody([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto result = PictureFile::save(bluePicture(64, 64), dir.path(), QStringLiteral("c.png"));
        const bool reported =
            !result.ok && result.message.startsWith(QStringLiteral("画像を保存できませんでした。"));
        return reported && entries(dir.path()).isEmpty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}
