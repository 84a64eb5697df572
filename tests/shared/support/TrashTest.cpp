#include "Trash.h"

#include "AsNobody.h"
#include "NativePath.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace vello;

namespace {

QByteArray readAll(const QByteArray& native)
{
    const int fd = ::open(native.constData(), O_RDONLY);
    if (fd < 0)
        return {};
    QByteArray data;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

bool makeFile(const QByteArray& native, const QByteArray& content = "clip")
{
    const int fd = ::open(native.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && ok;
}

bool exists(const QByteArray& native)
{
    struct stat st
    {
    };
    return ::lstat(native.constData(), &st) == 0;
}

// A temporary home whose data folder does not exist yet, set through XDG_DATA_HOME for each test.
class TrashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path());
        m_dataHome = m_root + "/home/.local/share";
        m_savedXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dataHome);
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + QStringLiteral("/media")));
    }
    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", m_savedXdg);
        // QTemporaryDir cannot remove names that are not UTF-8.
        std::error_code ignored;
        std::filesystem::remove_all(m_root.constData(), ignored);
    }

    QTemporaryDir m_dir;
    QByteArray m_root;
    QByteArray m_dataHome;
    QByteArray m_savedXdg;
};

TEST_F(TrashTest, MakesTheMissingTrashFoldersAndRecordsWhereTheFileCameFrom)
{
    const QByteArray file = m_root + "/media/ライブ 01 $;'.rm";
    ASSERT_TRUE(makeFile(file, "first"));
    QString error;
    ASSERT_TRUE(moveToTrash(fromNativePath(file), &error)) << error.toStdString();

    EXPECT_FALSE(exists(file));
    const QByteArray trash = m_dataHome + "/Trash";
    EXPECT_EQ(homeTrashFolder(), fromNativePath(trash));
    EXPECT_EQ(readAll(trash + "/files/ライブ 01 $;'.rm"), QByteArray("first"));
    const QByteArray info = readAll(trash + "/info/ライブ 01 $;'.rm.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + file.toPercentEncoding("/") + "\nDeletionDate="))
        << info.toStdString();
    EXPECT_TRUE(QByteArray::fromPercentEncoding(info).contains("Path=" + file + '\n'));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(trash.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Nothing lands in the working folder.
    EXPECT_FALSE(QDir::current().exists(QStringLiteral("files")));
    EXPECT_FALSE(QDir::current().exists(QStringLiteral("info")));
}

TEST_F(TrashTest, KeepsEveryEntryWhenNamesRepeatAndNamesAreNotUtf8)
{
    const QByteArray name = "\x83\x89\x83\x43\x83\x75.rm"; // Shift-JIS bytes
    const QByteArray file = m_root + "/media/" + name;
    for (const QByteArray& content : {QByteArray("one"), QByteArray("two"), QByteArray("three")}) {
        ASSERT_TRUE(makeFile(file, content));
        QString error;
        ASSERT_TRUE(moveToTrash(fromNativePath(file), &error)) << error.toStdString();
    }
    const QByteArray files = m_dataHome + "/Trash/files/";
    EXPECT_EQ(readAll(files + name), QByteArray("one"));
    EXPECT_EQ(readAll(files + name + ".2"), QByteArray("two"));
    EXPECT_EQ(readAll(files + name + ".3"), QByteArray("three"));
    EXPECT_TRUE(exists(m_dataHome + "/Trash/info/" + name + ".3.trashinfo"));
}

TEST_F(TrashTest, MovesFoldersWithTheirContents)
{
    const QByteArray folder = m_root + "/media/album";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_TRUE(makeFile(folder + "/a.rm"));
    ASSERT_TRUE(moveToTrash(fromNativePath(folder + "/")));
    EXPECT_FALSE(exists(folder));
    EXPECT_TRUE(exists(m_dataHome + "/Trash/files/album/a.rm"));
}

TEST_F(TrashTest, RefusesAndKeepsTheFileWhenNoTrashCanBeMade)
{
    // The data folder would have to be made below a regular file.
    ASSERT_TRUE(makeFile(m_root + "/home"));
    const QByteArray file = m_root + "/media/keep.rm";
    ASSERT_TRUE(makeFile(file, "keep"));
    QString error;
    EXPECT_FALSE(moveToTrash(fromNativePath(file), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(file), QByteArray("keep"));
    EXPECT_FALSE(QDir::current().exists(QStringLiteral("files")));
}

TEST_F(TrashTest, AMissingFileIsAnErrorNotASuccess)
{
    QString error;
    EXPECT_FALSE(moveToTrash(fromNativePath(m_root + "/media/none.rm"), &error));
    EXPECT_EQ(error, QStringLiteral("ファイルが見つかりません。"));
}

TEST_F(TrashTest, AFileTheUserMayNotMoveStaysWithNoTraceInTheTrash)
{
    // A read-only folder as an unprivileged user: the rename fails, the info file is taken back.
    const QByteArray media = m_root + "/media";
    const QByteArray file = media + "/locked.rm";
    ASSERT_TRUE(makeFile(file, "locked"));
    ASSERT_EQ(::chmod(m_root.constData(), 0755), 0);
    ASSERT_EQ(::chmod(media.constData(), 0555), 0);
    const QByteArray home = m_root + "/home";
    ASSERT_EQ(::mkdir(home.constData(), 0755), 0);
    ASSERT_EQ(::chown(home.constData(), TestUser::kNobody, TestUser::kNobody), 0);

    const int result = TestUser::runAsNobody([&] {
        QString error;
        if (moveToTrash(fromNativePath(file), &error))
            return 1;
        if (!error.contains(QStringLiteral("アクセスが拒否されました。")))
            return 2;
        QDir info(QString::fromUtf8(m_dataHome + "/Trash/info"));
        return info.exists() && info.isEmpty() ? 0 : 3;
    });
    ::chmod(media.constData(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readAll(file), QByteArray("locked"));
}

} // namespace
