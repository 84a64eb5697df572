// The per-file volume store on its INI file.
#include "VolumeMemory.h"

#include "IniFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using vello::VolumeMemory;

namespace {

TEST(VolumeMemory, RoundTripPerPathWithIniSyntaxInTheName)
{
    QTemporaryDir dir;
    const VolumeMemory memory(dir.filePath("VolumeSize.ini"));
    EXPECT_FALSE(memory.recall("/clips/a.rm").present) << "a missing file reads as no entry";
    const QStringList paths{"/clips/a.rm", "/clips/b c.rm", "/clips/x=y.rm", "/clips/;semi.mpg",
                            "/クリップ/ライブ.rm"};
    for (int i = 0; i < paths.size(); ++i)
        ASSERT_TRUE(memory.remember(paths[i], 10 * i + 5));
    for (int i = 0; i < paths.size(); ++i)
        EXPECT_EQ(memory.recall(paths[i]).value, 10 * i + 5) << paths[i].toStdString();
    EXPECT_EQ(vello::IniFile(memory.path()).ReadValue("VOLUME", "/clips/a.rm", 500), "5");
}

TEST(VolumeMemory, ValuesThatAreNotVolumesArePresentWithoutAValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("VolumeSize.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[VOLUME]\n/a.rm=abc\n/b.rm=\n/c.rm=250\n/d.rm=-4\n/e.rm= 42\n/f.rm=30.4\n");
    file.close();
    const VolumeMemory memory(path);
    const struct
    {
        const char* file;
        bool present;
        std::optional<int> value;
    } cases[] = {{"/a.rm", true, std::nullopt}, {"/b.rm", false, std::nullopt},
                 {"/c.rm", true, std::nullopt}, {"/d.rm", true, std::nullopt},
                 {"/e.rm", true, 42},           {"/f.rm", true, 30},
                 {"/g.rm", false, std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(memory.recall(c.file).present, c.present) << c.file;
        EXPECT_EQ(memory.recall(c.file).value, c.value) << c.file;
    }
}

TEST(VolumeMemory, DisabledOrUnwritableLosesTheValueQuietly)
{
    const VolumeMemory off;
    EXPECT_FALSE(off.remember("/a.rm", 5));
    EXPECT_FALSE(off.recall("/a.rm").present);
    QTemporaryDir dir;
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const VolumeMemory blocked(dir.filePath("blocker/VolumeSize.ini"));
    blocked.remember("/a.rm", 5);
    EXPECT_FALSE(blocked.recall("/a.rm").present);
}

} // namespace
