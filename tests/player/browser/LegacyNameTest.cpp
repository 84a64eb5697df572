// File names that are not UTF-8 (Shift-JIS names from old Windows archives): listed with their decoded
// names and titles, renamed to UTF-8, deleted to the trash; the history keeps such folders. The trash under
// a home folder without its data folder, and without any trash to be had.
#include "ByteTempDir.h"
#include "FileBrowser.h"
#include "FolderHistory.h"
#include "LegacyNames.h"
#include "MessageService.h"
#include "NativePath.h"
#include "TestFiles.h"
#include "Trash.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <climits>
#include <cstdlib>
#include <optional>
#include <unistd.h>

using namespace vello;
using namespace vello::test;

namespace {

/// "東京公演" in CP932, as titles of clips from such archives are stored.
const QByteArray TitleCp932("\x93\x8c\x8b\x9e\x8c\xf6\x89\x89");

class LegacyNameTest : public ::testing::TestWithParam<LegacyNames::Name>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = fromNativePath(QFile::encodeName(m_dir.path())) + u'/';
        m_browser.setFolderSource([this] { return m_folder; });
        m_browser.setTreeRefresher([] {});
        m_browser.setDeleteSettleMs(0);
    }
    QByteArray native(const QByteArray& name) const { return toNativePath(m_folder) + name; }

    ByteTempDir m_dir;
    QString m_folder;
    FileBrowser m_browser;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
};

} // namespace

TEST_P(LegacyNameTest, IsListedDecodedWithItsTitleThenTrashedAndRenamedToUtf8)
{
    const LegacyNames::Name& name = GetParam();
    const QByteArray content = fileWithChunkAt(5, contChunk(TitleCp932));
    ASSERT_TRUE(LegacyNames::writeBytes(native(name.bytes), content));
    ASSERT_TRUE(LegacyNames::writeBytes(native("other.rm"), content));
    m_browser.FillFileList();
    FileList& list = m_browser.list();
    ASSERT_EQ(list.count(), 2);
    const int at = list.name(1) == "other.rm" ? 2 : 1;
    EXPECT_EQ(list.shownName(at), name.shown);
    EXPECT_EQ(list.title(at), QStringLiteral("東京公演"));
    EXPECT_EQ(toNativePath(m_browser.fullPathOf(at)), native(name.bytes));

    // Deleted to the trash: the entry keeps the name's bytes, its info file the percent-encoded path.
    list.select(at);
    m_messages.queueAnswer(MessageAnswer::Yes);
    ASSERT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    EXPECT_EQ(m_messages.shown().first().text,
              displayPath(m_folder) + name.shown + QStringLiteral("を削除してもよろしいですか？"));
    const QByteArray trash = toNativePath(homeTrashFolder());
    EXPECT_FALSE(LegacyNames::existsBytes(native(name.bytes)));
    EXPECT_EQ(LegacyNames::readBytes(trash + "/files/" + name.bytes), content);
    EXPECT_TRUE(LegacyNames::readBytes(trash + "/info/" + name.bytes + ".trashinfo")
                    .contains("Path=" + native(name.bytes).toPercentEncoding("/") + '\n'));
    ASSERT_EQ(list.count(), 1);
    ::unlink((trash + "/files/" + name.bytes).constData());
    ::unlink((trash + "/info/" + name.bytes + ".trashinfo").constData());

    // Renamed to the UTF-8 name the user typed; an unchanged shown name leaves the bytes alone.
    ASSERT_TRUE(LegacyNames::writeBytes(native(name.bytes), content));
    m_browser.FillFileList();
    const int again = list.name(1) == "other.rm" ? 2 : 1;
    EXPECT_FALSE(m_browser.renameItem(again, name.shown));
    EXPECT_TRUE(LegacyNames::existsBytes(native(name.bytes)));
    const QString mended = QStringLiteral("直した ") + name.shown;
    ASSERT_TRUE(m_browser.renameItem(again, mended));
    EXPECT_FALSE(LegacyNames::existsBytes(native(name.bytes)));
    EXPECT_EQ(LegacyNames::readBytes(native(mended.toUtf8())), content);
    EXPECT_EQ(list.name(again), mended);
    EXPECT_TRUE(m_messages.shown().size() == 1) << m_messages.shown().last().text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Names, LegacyNameTest,
                         ::testing::Values(LegacyNames::japaneseWords(), LegacyNames::halfWidthKana(),
                                           LegacyNames::backslashTrail(), LegacyNames::undecodable()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(LegacyNameSort, TheNameColumnSortsByTheShownText)
{
    FileList list;
    // By their escaped text the CP932 names ("ア", "イ") would follow every UTF-8 name.
    for (const QByteArray& bytes : {QByteArray("\x83\x43.rm"), QStringLiteral("ン.rm").toUtf8(),
                                    QByteArray("\x83\x41.rm"), QStringLiteral("ウ.rm").toUtf8()}) {
        FileListItem item;
        item.name = fromNativePath(bytes);
        list.add(item);
    }
    list.setSortKey(0);
    list.setSorting(true);
    QStringList shown;
    for (int i = 1; i <= list.count(); ++i)
        shown << list.shownName(i);
    EXPECT_EQ(shown, QStringList({"ア.rm", "イ.rm", "ウ.rm", "ン.rm"}));
}

TEST(LegacyNameHistory, AFolderThatIsNotUtf8SurvivesARestartBesideOlderTextEntries)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Velloplayer", "Velloplayer");
    store.clear();
    store.setValue("CONFIG/PATH1", QStringLiteral("/古い/")); // text, as older versions wrote it
    store.sync();
    const QString folder = "/clips/" + fromNativePath(LegacyNames::folderBytes()) + "/";
    {
        FolderHistory history;
        history.load();
        EXPECT_EQ(history.entry(1), QStringLiteral("/古い/"));
        history.recordPlay(folder);
        ASSERT_TRUE(history.save());
    }
    FolderHistory restarted;
    restarted.load();
    EXPECT_EQ(restarted.entry(1), folder);
    EXPECT_EQ(restarted.entry(2), QStringLiteral("/古い/"));
    store.clear();
    store.sync();
}

// ---------------------------------------------------------------------------------------------------
// The trash of a new account: no data folder yet, or none to be had

namespace {

/// Sets HOME, unsets XDG_DATA_HOME and changes the working folder for one test; restores all three.
class HomeScope
{
public:
    HomeScope(const QByteArray& home, const QByteArray& workingFolder)
    {
        save("HOME", m_home);
        save("XDG_DATA_HOME", m_dataHome);
        char cwd[PATH_MAX];
        m_cwd = ::getcwd(cwd, sizeof cwd) ? QByteArray(cwd) : QByteArray("/");
        ::setenv("HOME", home.constData(), 1);
        ::unsetenv("XDG_DATA_HOME");
        m_changed = ::chdir(workingFolder.constData()) == 0;
    }
    ~HomeScope()
    {
        restore("HOME", m_home);
        restore("XDG_DATA_HOME", m_dataHome);
        [[maybe_unused]] const int rc = ::chdir(m_cwd.constData());
    }
    bool changed() const { return m_changed; }

private:
    static void save(const char* name, std::optional<QByteArray>& into)
    {
        if (const char* value = std::getenv(name))
            into = QByteArray(value);
    }
    static void restore(const char* name, const std::optional<QByteArray>& value)
    {
        if (value)
            ::setenv(name, value->constData(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<QByteArray> m_home;
    std::optional<QByteArray> m_dataHome;
    QByteArray m_cwd;
    bool m_changed = false;
};

class NewAccountTrashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_folder = m_root.filePath("clips") + u'/';
        ASSERT_TRUE(QDir().mkpath(m_folder));
        ASSERT_TRUE(QDir().mkpath(m_root.filePath("home")));
        ASSERT_TRUE(QDir().mkpath(m_root.filePath("work")));
        ASSERT_TRUE(writeFile(m_folder + "a.rm", "clip"));
        m_browser.setFolderSource([this] { return m_folder; });
        m_browser.setDeleteSettleMs(0);
        m_browser.FillFileList();
        ASSERT_EQ(m_browser.list().count(), 1);
        m_messages.queueAnswer(MessageAnswer::Yes);
    }
    QByteArray at(const QString& relative) const { return QFile::encodeName(m_root.filePath(relative)); }

    ByteTempDir m_root;
    QString m_folder;
    FileBrowser m_browser;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
};

} // namespace

TEST_F(NewAccountTrashTest, TheTrashFoldersAreMadeAndTheWorkingFolderIsLeftAlone)
{
    const HomeScope scope(at("home"), at("work"));
    ASSERT_TRUE(scope.changed());
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    EXPECT_EQ(LegacyNames::readBytes(at("home/.local/share/Trash/files/a.rm")), "clip");
    EXPECT_TRUE(LegacyNames::existsBytes(at("home/.local/share/Trash/info/a.rm.trashinfo")));
    EXPECT_FALSE(LegacyNames::existsBytes(at("work/files")));
    EXPECT_FALSE(LegacyNames::existsBytes(at("work/info")));
    EXPECT_EQ(m_browser.list().count(), 0);
}

TEST_F(NewAccountTrashTest, WithoutATrashNothingIsDeletedAndTheUserIsTold)
{
    ASSERT_TRUE(writeFile(m_root.filePath("home/plain-file"), "x"));
    const HomeScope scope(at("home/plain-file/user"), at("work"));
    ASSERT_TRUE(scope.changed());
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Failed);
    EXPECT_TRUE(LegacyNames::existsBytes(at("clips/a.rm")));
    EXPECT_FALSE(LegacyNames::existsBytes(at("work/files")));
    ASSERT_EQ(m_messages.shown().size(), 2);
    EXPECT_EQ(m_messages.shown().last().icon, MessageIcon::Critical);
    EXPECT_EQ(
        m_messages.shown().last().text,
        QStringLiteral(
            "ファイルの削除が出来ませんでした。\nごみ箱を使用できないため、ファイルを削除しませんでした。"));
    EXPECT_EQ(m_browser.list().count(), 1);
}
