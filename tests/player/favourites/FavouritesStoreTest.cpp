// Fa.dat on real files: reading rules, questions, legacy bytes, atomic and refused saves.
#include "FavouritesFile.h"
#include "FavouritesTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRandomGenerator>

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace vello;
using vello::test::ByteFolder;
using vello::test::RecordedMessages;

namespace {

struct StoreFixture : ::testing::Test
{
    ByteFolder clips;
    ByteFolder data;
    RecordedMessages messages;

    QByteArray faFile() const { return data.native() + "Fa.dat"; }
    FavouritesStore store() const { return FavouritesStore(fromNativePath(faFile())); }
    void writeFa(const QByteArray& bytes) const { ASSERT_TRUE(test::writeNative(faFile(), bytes)); }
    QByteArray readFa() const { return test::readNative(faFile()); }

    static std::vector<fa> entries(const FavouritesStore& s) { return s.list().entries(); }
};

} // namespace

TEST_F(StoreFixture, LinesSplitAtTheLastBarWithTheDefaultFolderAndDuplicatesDropped)
{
    const QString a = clips.makeFile("a.rm");
    const QString bar = clips.makeFile("x|y.rm");
    const QByteArray A = toNativePath(a), B = toNativePath(bar);
    // CR LF, LF alone, empty and blank lines, a byte-order mark, a last line without an end.
    writeFa("\xEF\xBB\xBF" + A + "|Music\r\n\r\n" + A + "|\n   \r\n" + A + "|Music\r\n" + A + "|Live\r\n" +
            B + "|Music");
    FavouritesStore s = store();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Loaded);
    const std::vector<fa> expected{{"Music", a}, {"ﾌｫﾙﾀﾞ1", a}, {"Live", a}, {"Music", bar}};
    EXPECT_EQ(entries(s), expected);
    EXPECT_TRUE(messages->shown().isEmpty());
    EXPECT_TRUE(s.list().contains(FaList::keyOf(a, "Music")));
}

TEST(FaListTest, EntriesFollowARenamedFileOrFolder)
{
    FaList list;
    for (const fa& e : std::vector<fa>{{"Live", "/m/a.rm"},
                                       {"Music", "/m/a.rm"},
                                       {"Live", "/m/a.rmvb"},
                                       {"Live", "/m/b.rm"},
                                       {"Live", "/m/\xff/x.rm"}})
        list.add(e);
    EXPECT_EQ(list.movePath("/m/a.rm", "/m/b.rm"), 2); // onto a file already in Live: there once
    EXPECT_EQ(list.movePath("/m/\xff", "/live"), 1);   // a folder: the files below it
    const std::vector<fa> expected{
        {"Music", "/m/b.rm"}, {"Live", "/m/a.rmvb"}, {"Live", "/m/b.rm"}, {"Live", "/live/x.rm"}};
    EXPECT_EQ(list.entries(), expected);
    EXPECT_TRUE(list.contains(FaList::keyOf("/live/x.rm", "Live")));
}

TEST_F(StoreFixture, MalformedLineStopsTheLoadKeepsWhatWasReadAndTheOriginalFile)
{
    const QString a = clips.makeFile("a.rm");
    const QByteArray original = toNativePath(a) + "|One\r\nno bar here\r\n" + toNativePath(a) + "|Two\r\n";
    writeFa(original);
    FavouritesStore s = store();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Malformed);
    ASSERT_EQ(messages->shown().size(), 1);
    EXPECT_EQ(messages->shown().at(0).text, "お気に入りデータの形式が不正な為、読み込みできませんでした。");
    EXPECT_EQ(messages->shown().at(0).icon, MessageIcon::Critical);
    EXPECT_EQ(entries(s), (std::vector<fa>{{"One", a}}));

    // The save after the failed load writes what was read, and the unread file is kept beside it.
    EXPECT_TRUE(s.SaveFavorites());
    EXPECT_EQ(readFa(), toNativePath(a) + "|One\r\n");
    EXPECT_EQ(test::readNative(faFile() + ".bak"), original);
    EXPECT_EQ(s.backupFile(), fromNativePath(faFile() + ".bak"));
    // Later saves replace Fa.dat as usual; the backup stays as it was.
    s.list().add(fa{"Two", a});
    EXPECT_TRUE(s.SaveFavorites());
    EXPECT_EQ(test::readNative(faFile() + ".bak"), original);
    EXPECT_FALSE(QFile::exists(fromNativePath(faFile() + ".bak2")));
}

TEST_F(StoreFixture, MissingFileQuestionNoKeepsAndIsWrittenBackYesDrops)
{
    const QByteArray gone1 = clips.native() + "gone1.rm", gone2 = clips.native() + "gone2.rm";
    writeFa(gone1 + "|A\r\n" + gone2 + "|A\r\n");
    messages->queueAnswer(MessageAnswer::No);
    messages->queueAnswer(MessageAnswer::Yes);
    FavouritesStore s = store();
    s.LoadFavorites();
    ASSERT_EQ(messages->shown().size(), 2);
    const Message& q = messages->shown().at(0);
    EXPECT_EQ(q.text, "お気に入りファイル" + fromNativePath(gone1) +
                          "は存在しません。\rお気に入りから削除してもよろしいですか？");
    EXPECT_EQ(q.icon, MessageIcon::Question);
    EXPECT_EQ(q.buttons, MessageButtons::YesNo);
    EXPECT_EQ(q.defaultAnswer, MessageAnswer::No); // Enter through a long run of questions keeps them all
    EXPECT_EQ(entries(s), (std::vector<fa>{{"A", fromNativePath(gone1)}}));
    EXPECT_TRUE(s.SaveFavorites());
    EXPECT_EQ(readFa(), gone1 + "|A\r\n");
}

TEST_F(StoreFixture, MissingOrEmptyFileGivesAnEmptyListAndAFile)
{
    FavouritesStore s = store();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Created);
    EXPECT_TRUE(s.list().isEmpty());
    EXPECT_TRUE(QFile::exists(fromNativePath(faFile())));
    EXPECT_EQ(readFa(), QByteArray());
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Loaded);
    EXPECT_TRUE(s.list().isEmpty());
    EXPECT_TRUE(messages->shown().isEmpty());
}

// Paths are kept as bytes: odd names, names that are not UTF-8, and long Japanese paths load unchanged and
// are written back byte for byte.
TEST_F(StoreFixture, OddNamesRoundTripByteForByte)
{
    const QList<QByteArray> names{
        "blank name.rm",           "quote'\"$;.rm",   "\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96 2026.rm",
        test::cp932Live() + ".rm", "\xFF\xFE bad.rm", QByteArray(200, 'n') + ".rm",
    };
    FavouritesStore s = store();
    for (const QByteArray& name : names) {
        const QString path = clips.makeFile(name);
        ASSERT_FALSE(path.isEmpty()) << name.toStdString();
        s.list().add(fa{QStringLiteral("お気に入り"), path});
    }
    s.list().add(fa{"Live", s.list().at(3).Path});
    ASSERT_TRUE(s.SaveFavorites());
    const QByteArray written = readFa();
    const std::vector<fa> before = s.list().entries();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Loaded);
    EXPECT_EQ(s.list().entries(), before);
    EXPECT_TRUE(messages->shown().isEmpty());
    ASSERT_TRUE(s.SaveFavorites());
    EXPECT_EQ(readFa(), written);
    EXPECT_TRUE(
        written.contains(clips.native() + test::cp932Live() + ".rm|" + QByteArray("お気に入り") + "\r\n"));
}

// A Fa.dat kept from a Japanese Windows system: CP932 text. The path is taken as its bytes when they name a
// file, else decoded when that names one; the folder name is decoded (also when a character's second byte
// is "|") and written back in UTF-8.
TEST_F(StoreFixture, LegacyShiftJisLines)
{
    const QString raw = clips.makeFile(test::cp932Live() + "1.rm");   // name kept as CP932 bytes
    const QString decoded = clips.makeFile(QByteArray("ライブ2.rm")); // name converted to UTF-8
    const QByteArray lines = clips.native() + test::cp932Live() + "1.rm|" + test::cp932Pops() + "\r\n" +
                             clips.native() + test::cp932Live() + "2.rm|" + test::cp932Pops() + "\r\n" +
                             clips.native() + test::cp932Pops() + "3.rm|" + test::cp932Live() + "\r\n";
    writeFa(lines);
    FavouritesStore s = store();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Loaded);
    ASSERT_EQ(s.list().count(), 3);
    EXPECT_EQ(s.list().at(0), (fa{"ポップス", raw}));
    EXPECT_EQ(s.list().at(1), (fa{"ポップス", decoded}));
    // No file under either spelling: asked about (shown decoded), kept as its bytes.
    ASSERT_EQ(messages->shown().size(), 1);
    EXPECT_TRUE(messages->shown().at(0).text.contains(QStringLiteral("ポップス3.rm")));
    EXPECT_EQ(s.list().at(2), (fa{"ライブ", fromNativePath(clips.native() + test::cp932Pops() + "3.rm")}));

    ASSERT_TRUE(s.SaveFavorites());
    EXPECT_EQ(readFa(), clips.native() + test::cp932Live() + "1.rm|ポップス\r\n" + toNativePath(decoded) +
                            "|ポップス\r\n" + clips.native() + test::cp932Pops() + "3.rm|ライブ\r\n");
}

TEST(FavouriteLineTest, NulOrNoBarIsMalformed)
{
    EXPECT_FALSE(FavouritesStore::parseLine("no bar").valid);
    EXPECT_FALSE(FavouritesStore::parseLine(QByteArray("/a\0b|F", 6)).valid);
    const FavouriteLine line = FavouritesStore::parseLine("/nowhere/a|b|Folder");
    EXPECT_TRUE(line.valid);
    EXPECT_EQ(line.Path, "/nowhere/a|b");
    EXPECT_EQ(line.FolderName, "Folder");
    EXPECT_FALSE(line.exists);
}

TEST(FavouriteLineTest, NamesALineCannotHoldAreNotWritten)
{
    EXPECT_EQ(FavouritesStore::lineOf(fa{"F", "/a\nb.rm"}), QByteArray());
    EXPECT_EQ(FavouritesStore::lineOf(fa{"F\r", "/a.rm"}), QByteArray());
    EXPECT_EQ(FavouritesStore::lineOf(fa{"F", "/a b.rm"}), QByteArray("/a b.rm|F\r\n"));
}

TEST_F(StoreFixture, GarbageHugeOrFolderInPlaceNeverCrashesNorLosesTheFile)
{
    // Binary garbage of 24 MB with no usable line, and one line longer than any path.
    QByteArray garbage(24 * 1024 * 1024, '\0');
    QRandomGenerator rng(7);
    for (qsizetype i = 0; i < garbage.size(); i += 4)
        *reinterpret_cast<quint32*>(garbage.data() + i) = rng.generate();
    garbage.replace('\n', 'x');
    garbage.prepend(QByteArray(100, 'x') + "|");
    for (const QByteArray& content : {garbage, QByteArray(1024 * 1024, 'p') + "|F\r\n"}) {
        writeFa(content);
        FavouritesStore s = store();
        EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Malformed);
        EXPECT_TRUE(s.list().isEmpty());
        EXPECT_TRUE(s.SaveFavorites());
        EXPECT_EQ(test::readNative(faFile() + ".bak"), content);
        ::unlink((faFile() + ".bak").constData());
    }

    // A folder where Fa.dat belongs: reported, never replaced.
    ::unlink(faFile().constData());
    ASSERT_EQ(::mkdir(faFile().constData(), 0755), 0);
    messages->clear();
    FavouritesStore s = store();
    EXPECT_EQ(s.LoadFavorites(), FavouritesStore::LoadResult::Malformed);
    EXPECT_EQ(messages->shown().size(), 1);
    s.list().add(fa{"F", "/x.rm"});
    EXPECT_FALSE(s.SaveFavorites());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(faFile().constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(QDir(fromNativePath(data.native())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Fa.dat"});
}

// A write that fails part way (the file-size limit stands in for a full disk) leaves the old Fa.dat whole
// and no temporary file behind.
TEST_F(StoreFixture, FailedSaveKeepsThePreviousFileWhole)
{
    const QByteArray old = "/old/a.rm|Old\r\n";
    writeFa(old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FavouritesStore s = store();
        for (int i = 0; i < 2000; ++i)
            s.list().add(fa{"New", QStringLiteral("/new/clip%1.rm").arg(i)});
        ::_exit(s.SaveFavorites() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(readFa(), old);
    EXPECT_EQ(QDir(fromNativePath(data.native())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Fa.dat"});
}

// Permission cases run as an unprivileged user (root may write anything): the half that must not be root
// runs in a child process that drops to uid and gid 65534 before it touches the file, and reports by its
// exit status (0: as expected; otherwise the number of the first check that failed).
namespace {

int runAsNobody(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0 || ::geteuid() == 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 101;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(StoreFixture, ReadOnlyFaDatIsReadButNeverReplaced)
{
    const QString a = clips.makeFile("a.rm");
    const QByteArray content = toNativePath(a) + "|Music\r\n";
    writeFa(content);
    // The folder lets the user write; Fa.dat is someone else's and read-only to the user.
    ASSERT_EQ(::chmod(data.native().constData(), 0777), 0);
    ASSERT_EQ(::chmod(clips.native().constData(), 0755), 0);
    ASSERT_EQ(::chmod(faFile().constData(), 0644), 0);
    const int failed = runAsNobody([this] {
        RecordingMessageService recorded;
        ScopedMessageService installed(&recorded);
        FavouritesStore s = store();
        if (s.LoadFavorites() != FavouritesStore::LoadResult::Loaded || s.list().count() != 1)
            return 1;
        s.list().add(fa{"New", "/new.rm"});
        if (s.SaveFavorites())
            return 2;
        return recorded.shown().isEmpty() ? 0 : 3;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(readFa(), content);
    EXPECT_EQ(QDir(fromNativePath(data.native())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Fa.dat"});
}

// Someone else's unreadable Fa.dat: reported as unreadable, and never replaced (it is not writable either).
TEST_F(StoreFixture, UnreadableFaDatIsReportedAndKept)
{
    const QByteArray content = "/secret/a.rm|Music\r\n";
    writeFa(content);
    ASSERT_EQ(::chmod(data.native().constData(), 0777), 0);
    ASSERT_EQ(::chmod(faFile().constData(), 0600), 0);
    const int failed = runAsNobody([this] {
        RecordingMessageService recorded;
        ScopedMessageService installed(&recorded);
        FavouritesStore s = store();
        if (s.LoadFavorites() != FavouritesStore::LoadResult::Malformed)
            return 1;
        if (recorded.shown().size() != 1 ||
            recorded.shown().at(0).text != FavouritesStore::malformedMessage())
            return 2;
        s.list().add(fa{"New", "/new.rm"});
        return s.SaveFavorites() ? 3 : 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(readFa(), content);
    EXPECT_EQ(QDir(fromNativePath(data.native())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Fa.dat"});
}
