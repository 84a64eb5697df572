// Paths kept in the settings store and in legacy state files.
#include "StoredPath.h"

#include "ByteTempDir.h"
#include "LegacyNames.h"
#include "NativePath.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

using namespace vello;

TEST(StoredPath, SettingsKeepRawBytesAndReadPlainTextOfOlderVersions)
{
    ByteTempDir dir;
    const QString file = dir.filePath("store.ini");
    const QStringList paths = {"/home/u/" + fromNativePath(LegacyNames::folderBytes()) + "/",
                               "/home/u/" + fromNativePath(LegacyNames::undecodable().bytes),
                               QStringLiteral("/home/u/映像/"), QStringLiteral("/")};
    {
        QSettings s(file, QSettings::IniFormat);
        for (int i = 0; i < paths.size(); ++i)
            s.setValue(QStringLiteral("PATH%1").arg(i + 1), pathSettingValue(paths[i]));
        s.setValue("OLD", QStringLiteral("/home/u/古い/"));
    }
    const QSettings s(file, QSettings::IniFormat);
    for (int i = 0; i < paths.size(); ++i)
        EXPECT_EQ(pathFromSettingValue(s.value(QStringLiteral("PATH%1").arg(i + 1))), paths[i]) << i;
    EXPECT_EQ(pathFromSettingValue(s.value("OLD")), QStringLiteral("/home/u/古い/"));
    // Valid UTF-8 stays readable text in the store.
    EXPECT_EQ(pathSettingValue(paths[2]).typeId(), QMetaType::QString);
}

TEST(StoredPath, LegacyLineIsTheFileItNames)
{
    ByteTempDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    const QByteArray cp932 = LegacyNames::japaneseWords().bytes;
    const QByteArray utf8 = LegacyNames::japaneseWords().shown.toUtf8();
    // No file yet: the bytes are kept.
    EXPECT_EQ(storedPathFromBytes(folder + cp932), fromNativePath(folder + cp932));
    // A file under the decoded name: the line was the shown text of that file.
    ASSERT_TRUE(LegacyNames::writeBytes(folder + utf8, "x"));
    EXPECT_EQ(storedPathFromBytes(folder + cp932), fromNativePath(folder + utf8));
    // A file under the bytes themselves wins.
    ASSERT_TRUE(LegacyNames::writeBytes(folder + cp932, "x"));
    EXPECT_EQ(storedPathFromBytes(folder + cp932), fromNativePath(folder + cp932));
    // Valid UTF-8 is taken as it is.
    EXPECT_EQ(storedPathFromBytes(folder + utf8), fromNativePath(folder + utf8));
}
