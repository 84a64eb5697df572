// A tool's run without windows: the checks before any work, the jobs' failures, and the cases that need
// another user or a file-size limit (through the helper program edit_run_helper).
#include "EditRun.h"

#include "ByteTempDir.h"
#include "EditJobs.h"
#include "EditRunTestSupport.h"
#include "MessageService.h"
#include "OutputTarget.h"
#include "ProgramPaths.h"
#include "Trash.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

using namespace vello;
using namespace vello::editor;
using namespace RunTest;
using EditorTest::waitFor;

namespace {

class EditRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestClips::toolsAvailable());
        ProgramPaths::overrideProgramFolder(qEnvironmentVariable("VELLO_BIN_DIR"));
        m_folder = m_dir.path();
    }
    void TearDown() override
    {
        EXPECT_EQ(temporaries(m_folder), QStringList());
        EXPECT_TRUE(waitFor([] { return childrenNamed("vellowait") == 0; }));
        ProgramPaths::overrideProgramFolder(QString());
    }
    QString path(const QString& name) const { return m_folder + u'/' + name; }
    QString clip(const char* name) { return copyClip(m_folder, name, name); }

    /// Runs the request to its end; returns the outcome.
    EditRun::Outcome run(const RunRequest& request, MessageAnswer answer = MessageAnswer::No)
    {
        m_messages.clear();
        m_messages.queueAnswer(answer);
        EditRun run(m_gate);
        std::optional<EditRun::Outcome> outcome;
        QObject::connect(&run, &EditRun::finished, [&](EditRun::Outcome o) { outcome = o; });
        run.start(request);
        EXPECT_TRUE(waitFor([&] { return outcome.has_value(); }));
        return outcome.value_or(EditRun::Outcome::Refused);
    }
    QString lastText() const
    {
        return m_messages.shown().isEmpty() ? QString() : m_messages.shown().last().text;
    }
    QStringList texts() const { return RunTest::texts(m_messages); }

    ByteTempDir m_dir;
    QString m_folder;
    RunGate m_gate;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
};

RunRequest join(ToolKind kind, const QStringList& inputs, const QString& output)
{
    RunRequest r;
    r.kind = kind;
    r.inputs = inputs;
    r.output = output;
    return r;
}

RunRequest cut(const QString& source, const QString& from, const QString& to, const QString& output)
{
    RunRequest r;
    r.kind = ToolKind::RaCut;
    r.source = source;
    r.fromText = from;
    r.toText = to;
    r.output = output;
    return r;
}

} // namespace

TEST(CutPositions, AreWholeMillisecondsRoundedHalfToEven)
{
    struct Case
    {
        const char* text;
        qint32 start;
        qint32 end;
    };
    for (const Case& c :
         {Case{"1500", 1500, 1500}, Case{" 12.5 ", 12, 12}, Case{"13.5", 14, 14}, Case{"-0.4", 0, 0},
          Case{"1e3", 1000, 1000}, Case{"16777217", 16777216, 16777217}}) {
        QString error;
        EXPECT_EQ(EditRun::startPosition(QString::fromLatin1(c.text), &error), c.start) << c.text;
        EXPECT_EQ(EditRun::endPosition(QString::fromLatin1(c.text), &error), c.end) << c.text;
    }
    // Single precision takes the largest whole number past the range; the end keeps it.
    QString tooLarge;
    EXPECT_FALSE(EditRun::startPosition(QStringLiteral("2147483647"), &tooLarge).has_value());
    EXPECT_EQ(tooLarge, QStringLiteral("開始位置の値が大きすぎます。"));
    EXPECT_EQ(EditRun::endPosition(QStringLiteral("2147483647"), &tooLarge), 2147483647);
    for (const char* bad : {"abc", "", "1,500", "0x10", "nan", "inf"}) {
        QString error;
        EXPECT_FALSE(EditRun::startPosition(QString::fromLatin1(bad), &error).has_value()) << bad;
        EXPECT_EQ(error, QStringLiteral("開始位置には数値（ミリ秒）を指定してください。")) << bad;
    }
    QString error;
    EXPECT_FALSE(EditRun::endPosition(QStringLiteral("-5"), &error).has_value());
    EXPECT_EQ(error, QStringLiteral("終了位置には0以上の数値を指定してください。"));
    EXPECT_FALSE(EditRun::endPosition(QStringLiteral("1e12"), &error).has_value());
    EXPECT_EQ(error, QStringLiteral("終了位置の値が大きすぎます。"));
}

TEST(CutSource, FileAddressesBecomePaths)
{
    EXPECT_EQ(EditRun::sourcePath(QStringLiteral("/a b/c.rm")), QStringLiteral("/a b/c.rm"));
    EXPECT_EQ(EditRun::sourcePath(QStringLiteral("file:///a%20b/c.rm")), QStringLiteral("/a b/c.rm"));
    EXPECT_EQ(EditRun::sourcePath(QStringLiteral("FILE://localhost/x.rm")), QStringLiteral("/x.rm"));
    EXPECT_EQ(EditRun::sourcePath(QStringLiteral("file:///%E3%83%A9.rm")), QStringLiteral("/ラ.rm"));
    EXPECT_EQ(toNativePath(EditRun::sourcePath(QStringLiteral("file:///bad%FF.rm"))),
              QByteArray("/bad\xff.rm"));
    EXPECT_EQ(EditRun::sourcePath(QStringLiteral("filename.rm")), QStringLiteral("filename.rm"));
    EXPECT_EQ(EditRun::sourcePath(QString()), QString());
}

TEST_F(EditRunTest, EveryRefusalIsOneMessageAndNothingIsWritten)
{
    const QString one = clip("one.rm");
    QDir(m_folder).mkdir("folder.rm");
    ASSERT_EQ(::mkfifo(toNativePath(path("fifo.rm")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("loop.rm", toNativePath(path("loop.rm")).constData()), 0);
    struct Case
    {
        RunRequest request;
        QString text;
    };
    ASSERT_TRUE(writeFile(path("2g.rm"), "x") && QFile(path("2g.rm")).resize(qint64(2150) << 20));
    const QList<Case> cases = {
        {join(ToolKind::RaJoin, {}, path("o.rm")), "ｲﾝﾌﾟｯﾄﾌｧｲﾙを追加してください。"},
        {join(ToolKind::MpgJoin, {}, path("o.mpg")), "ｲﾝﾌﾟｯﾄﾌｧｲﾙを追加してください。"},
        {join(ToolKind::RaJoin, {one}, QString()), "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙを指定してください。"},
        {join(ToolKind::RaJoin, {one}, m_folder + "/"), "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙにはファイル名を指定してください。"},
        {join(ToolKind::RaJoin, {one}, path("folder.rm")),
         "「" + path("folder.rm") + "」はフォルダーです。ｱｳﾄﾌﾟｯﾄﾌｧｲﾙにはファイル名を指定してください。"},
        {join(ToolKind::MpgJoin, {one}, path("missing/o.mpg")),
         "出力先のフォルダー「" + path("missing") + "」が見つかりません。"},
        {join(ToolKind::MpgJoin, {one}, path("fifo.rm")),
         "「" + path("fifo.rm") + "」は通常のファイルではないため、出力先にできません。"},
        {join(ToolKind::RaJoin, {one}, path("loop.rm")), "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙのシンボリックリンクをたどれません。"},
        {join(ToolKind::MpgJoin, {one}, "o.mpg"),
         "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙはフルパス（/ から始まるパス）で指定してください。"},
        {cut(one, QString(), "100", path("o.rm")), "開始位置を指定してください"},
        {cut(one, "0", QString(), path("o.rm")), "終了位置を指定してください"},
        {cut(one, "abc", "100", path("o.rm")), "開始位置には数値（ミリ秒）を指定してください。"},
        {cut(one, "-5", "100", path("o.rm")), "開始位置には0以上の数値を指定してください。"},
        {cut(one, "0", "99999999999", path("o.rm")), "終了位置の値が大きすぎます。"},
        {cut(QString(), "0", "100", path("o.rm")),
         "切り抜くファイルを一覧でダブルクリックして再生してください。"},
        // Inputs adding up past the 4 GB of a RealMedia file (sparse: nothing is read before the refusal).
        {join(ToolKind::RaJoin, {path("2g.rm"), path("2g.rm")}, path("o.rm")),
         "出力ファイルが4GBを超えるため書き込めません。"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.request), EditRun::Outcome::Refused) << qPrintable(c.text);
        ASSERT_EQ(m_messages.shown().size(), 1) << qPrintable(c.text);
        EXPECT_EQ(m_messages.shown().at(0).text, c.text);
        EXPECT_EQ(m_messages.shown().at(0).icon, MessageIcon::Critical);
    }
    EXPECT_FALSE(exists(path("o.rm")));
    EXPECT_FALSE(exists(path("o.mpg")));
    EXPECT_FALSE(m_gate.busy());
}

TEST_F(EditRunTest, FailedWorkNamesItsCauseAndLeavesEverythingAsItWas)
{
    const QString one = clip("one.rm");
    const QString audio = clip("audio.rm");
    const QString broken = clip("broken.rm");
    const QString notMedia = TestClips::makeNonMediaFile(m_folder, "text.rm");
    const QString a = clip("a.mpg");
    ASSERT_TRUE(writeFile(path("old.out"), "old output"));
    QDir(m_folder).mkdir("dir.mpg");
    struct Case
    {
        RunRequest request;
        QString text;
    };
    const QList<Case> cases = {
        {join(ToolKind::RaJoin, {path("gone.rm"), one}, path("old.out")),
         "ファイルを開けませんでした。\n「" + path("gone.rm") + "」"},
        {join(ToolKind::RaJoin, {one, audio}, path("old.out")),
         "ストリーム構成が一致しないため結合できません。\n「" + audio + "」"},
        {join(ToolKind::RaJoin, {notMedia}, path("old.out")),
         "RealMediaファイルではありません。\n「" + notMedia + "」"},
        {join(ToolKind::RaJoin, {one, broken}, path("old.out")), QString()},
        {cut(clip("long.rm"), "3000", "1000", path("old.out")), "終了位置が開始位置より前です。"},
        {cut(one, "9000", "9500", path("old.out")), "開始位置がファイルの長さの範囲外です。"},
        {join(ToolKind::MpgJoin, {path("gone.mpg"), a}, path("old.out")),
         "「" + path("gone.mpg") + "」を開けません。指定されたファイルが見つかりません。"},
        {join(ToolKind::MpgJoin, {path("dir.mpg"), a}, path("old.out")),
         "「" + path("dir.mpg") + "」はファイルではありません。"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.request), EditRun::Outcome::Failed) << qPrintable(c.text);
        ASSERT_EQ(m_messages.shown().size(), 1) << qPrintable(c.text);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(m_messages.shown().at(0).text, c.text);
        }
        EXPECT_EQ(m_messages.shown().at(0).icon, MessageIcon::Critical);
        EXPECT_EQ(bytesOf(path("old.out")), QByteArray("old output"));
        EXPECT_EQ(temporaries(m_folder), QStringList());
    }
    EXPECT_TRUE(exists(one));
    EXPECT_TRUE(exists(a));
}

TEST_F(EditRunTest, MpegJoinSkipsLaterInputsThatAreGoneOrNoFilesAndCopiesOneInputAsIs)
{
    const QString a = clip("a.mpg");
    const QString b = clip("b.mpg");
    QDir(m_folder).mkdir("x.mpg");
    EXPECT_EQ(run(join(ToolKind::MpgJoin, {a, path("gone.mpg"), path("x.mpg"), b, a}, path("ab.mpg"))),
              EditRun::Outcome::Succeeded);
    EXPECT_EQ(bytesOf(path("ab.mpg")), bytesOf(a) + bytesOf(b) + bytesOf(a));
    EXPECT_EQ(run(join(ToolKind::MpgJoin, {b}, path("copy.mpg"))), EditRun::Outcome::Succeeded);
    EXPECT_EQ(bytesOf(path("copy.mpg")), bytesOf(b));
}

TEST_F(EditRunTest, InputsThatCannotGoToTheTrashAreNamedWithTheReason)
{
    const QString one = clip("one.rm");
    // A file in the trash cannot be moved to the trash.
    const QString trashed = homeTrashFolder() + QStringLiteral("/files/in the trash.rm");
    QDir().mkpath(homeTrashFolder() + QStringLiteral("/files"));
    QFile::remove(trashed);
    ASSERT_TRUE(QFile::copy(one, trashed));
    ASSERT_EQ(run(join(ToolKind::RaJoin, {one, trashed}, path("out.rm")), MessageAnswer::Yes),
              EditRun::Outcome::Succeeded);
    EXPECT_EQ(texts(), (QStringList{EditRun::deleteQuestionText(),
                                    EditRun::notTrashedText() + "\n「" + trashed +
                                        "」ごみ箱の中のファイルはごみ箱に移動できません。",
                                    "処理が正常終了しました"}));
    EXPECT_FALSE(exists(one));
    QFile::remove(trashed);
}

TEST_F(EditRunTest, StoppingFromTheWaitWindowLeavesEverythingAsItWas)
{
    // A wait window whose user asks to stop at once, and an input long enough to be still copied then.
    QTemporaryDir programs;
    const QString wait = programs.filePath(QStringLiteral("vellowait"));
    ASSERT_TRUE(writeFile(wait, "#!/bin/sh\necho stop\nexec cat >/dev/null\n"));
    QFile::setPermissions(wait, QFile::ReadOwner | QFile::ExeOwner);
    ProgramPaths::overrideProgramFolder(programs.path());
    const QString a = clip("a.mpg");
    ASSERT_TRUE(writeFile(path("large.mpg"), "x") && QFile(path("large.mpg")).resize(qint64(1) << 30));
    ASSERT_TRUE(writeFile(path("old.out"), "old output"));
    EXPECT_EQ(run(join(ToolKind::MpgJoin, {a, path("large.mpg")}, path("old.out"))),
              EditRun::Outcome::Failed);
    EXPECT_EQ(texts(), QStringList{EditRun::stoppedText()});
    EXPECT_EQ(m_messages.shown().value(0).icon, MessageIcon::Warning);
    EXPECT_EQ(bytesOf(path("old.out")), QByteArray("old output"));
    EXPECT_TRUE(exists(a));
}

TEST_F(EditRunTest, AnOutputThatIsASymbolicLinkIsWrittenThroughToItsTarget)
{
    const QString a = clip("a.mpg");
    const QString b = clip("b.mpg");
    QDir(m_folder).mkdir("real");
    ASSERT_TRUE(writeFile(path("real/target.mpg"), "old target"));
    ASSERT_EQ(::symlink("real/target.mpg", toNativePath(path("link.mpg")).constData()), 0);
    EXPECT_EQ(run(join(ToolKind::MpgJoin, {a, b}, path("link.mpg"))), EditRun::Outcome::Succeeded);
    EXPECT_TRUE(QFileInfo(path("link.mpg")).isSymLink());
    EXPECT_EQ(bytesOf(path("real/target.mpg")), bytesOf(a) + bytesOf(b));
    EXPECT_TRUE(trashContents().contains(QByteArray("old target")));
    EXPECT_EQ(temporaries(path("real")), QStringList());
}

TEST_F(EditRunTest, RealMediaJoinAndCutKeepNamesAsTheirBytes)
{
    // Blanks, quotes, $, ;, a newline and Shift-JIS bytes that are not UTF-8, in inputs and outputs.
    const QString first = copyClip(m_folder, "one.rm", "a b 'q' \"d\" $x;y.rm");
    const QString second = copyClip(m_folder, "two.rm", QByteArray("new\nline \x93\x8c\x8b\x9e.rm"));
    const QString joined = m_folder + u'/' + fromNativePath(QByteArray("out $(rm) \xfe.rm"));
    RunRequest request = join(ToolKind::RaJoin, {first, second}, joined);
    request.title = QStringLiteral("題名");
    ASSERT_EQ(run(request), EditRun::Outcome::Succeeded) << qPrintable(lastText());

    // The cut takes the joined file by a file address of its bytes.
    const QString cutOut = m_folder + u'/' + fromNativePath(QByteArray("cut \x81;.rm"));
    const QString address =
        QStringLiteral("file://") + QString::fromLatin1(toNativePath(joined).toPercentEncoding("/"));
    ASSERT_EQ(run(cut(address, "0", "1000", cutOut)), EditRun::Outcome::Succeeded) << qPrintable(lastText());

    // ffprobe is handed plain names that lead to them.
    for (const auto& [file, seconds] : {std::pair{joined, 2.0}, std::pair{cutOut, 1.0}}) {
        const QString probe = path(QStringLiteral("probe.rm"));
        ::unlink(toNativePath(probe).constData());
        ASSERT_EQ(::symlink(toNativePath(file).constData(), toNativePath(probe).constData()), 0);
        EXPECT_NEAR(TestClips::ffprobeDuration(probe), seconds, 0.3);
        EXPECT_EQ(decodeErrors(probe), QByteArray());
    }
    EXPECT_TRUE(exists(first));
    EXPECT_TRUE(exists(second));
}

// ---------------------------------------------------------------------------------------------------
// Another user (read-only output and folder) and a full disk, through the helper program.

namespace {

struct HelperRun
{
    QStringList lines;
    QString outcome;
    QByteArray errors;
};

/// Runs edit_run_helper with the arguments, as uid/gid 65534 when asked, with a file-size limit when
/// fsize > 0, with these variables added to its environment.
HelperRun runHelper(const QStringList& arguments, bool asNobody, qint64 fsize = 0,
                    const QProcessEnvironment& extra = {})
{
    QStringList args;
    QString program = QStringLiteral(EDIT_RUN_HELPER);
    if (asNobody) {
        args << "--reuid=65534"
             << "--regid=65534"
             << "--clear-groups" << program;
        program = QStringLiteral("setpriv");
    }
    args << arguments;
    if (fsize > 0)
        args << "--fsize" << QString::number(fsize);
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QDir::tempPath());
    env.insert(extra);
    helper.setProcessEnvironment(env);
    helper.start(program, args);
    helper.waitForFinished(60000);
    HelperRun result;
    result.errors = helper.readAllStandardError();
    for (const QByteArray& line : helper.readAllStandardOutput().split('\n')) {
        if (line.startsWith("outcome\t"))
            result.outcome = QString::fromUtf8(line.mid(8));
        else if (!line.isEmpty())
            result.lines << QString::fromUtf8(line);
    }
    return result;
}

/// A folder the other user may use (the test folders are private to root).
class SharedFolder
{
public:
    SharedFolder() { ::chmod(QFile::encodeName(m_dir.path()).constData(), 0777); }
    ~SharedFolder()
    {
        // Folders made read-only for a case are opened again so that they can be removed.
        QDirIterator it(m_dir.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            ::chmod(QFile::encodeName(it.next()).constData(), 0777);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString clip(const char* name, int mode = 0644) const
    {
        const QString p = copyClip(m_dir.path(), QString::fromLatin1(name), name);
        ::chmod(QFile::encodeName(p).constData(), mode_t(mode));
        return p;
    }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(EditRunAsAnotherUser, AReadOnlyOutputOrFolderIsRefusedBeforeAnyWork)
{
    SharedFolder shared;
    const QString one = shared.clip("one.rm");
    const QString a = shared.clip("a.mpg");
    const QString readOnly = shared.clip("two.rm", 0444);
    const QByteArray before = bytesOf(readOnly);
    QDir(shared.folder()).mkdir("locked");
    const QString lockedOut = shared.path("locked/out.mpg");
    ::chmod(QFile::encodeName(shared.path("locked")).constData(), 0555);

    for (const QStringList& kind :
         {QStringList{"--kind", "rajoin", one}, QStringList{"--kind", "mpgjoin", a}}) {
        const HelperRun file = runHelper(kind + QStringList{"--out", readOnly}, true);
        EXPECT_EQ(file.outcome, "Refused") << file.errors.constData();
        EXPECT_EQ(file.lines,
                  QStringList{"critical\tｱｳﾄﾌﾟｯﾄﾌｧｲﾙ「" + readOnly +
                              "」に書き込む権限がありません。別のファイル名を指定してください。"});
        EXPECT_EQ(bytesOf(readOnly), before);

        const HelperRun folder = runHelper(kind + QStringList{"--out", lockedOut}, true);
        EXPECT_EQ(folder.outcome, "Refused") << folder.errors.constData();
        EXPECT_EQ(folder.lines, QStringList{"critical\t出力先のフォルダー「" + shared.path("locked") +
                                            "」に書き込む権限がありません。"});
    }
    EXPECT_EQ(QDir(shared.path("locked")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
    EXPECT_EQ(temporaries(shared.folder()), QStringList());
}

TEST(EditRunOnAFullDisk, AFailingAppendIsReportedAndTheTemporaryFileRemoved)
{
    SharedFolder shared;
    const QString a = shared.clip("a.mpg");
    const QString b = shared.clip("b.mpg");
    const QString one = shared.clip("one.rm");
    const QString two = shared.clip("two.rm");
    ASSERT_TRUE(writeFile(shared.path("old.out"), "old output"));
    // Room for the first input but not for the second.
    const qint64 limit = bytesOf(a).size() + bytesOf(b).size() / 2;
    const HelperRun mpeg =
        runHelper({"--kind", "mpgjoin", "--out", shared.path("old.out"), a, b}, false, limit);
    EXPECT_EQ(mpeg.outcome, "Failed") << mpeg.errors.constData();
    EXPECT_EQ(
        mpeg.lines,
        QStringList{
            "critical\tｱｳﾄﾌﾟｯﾄﾌｧｲﾙへの書き込みに失敗しました。ファイルが大きすぎるため書き込めません。"});

    const HelperRun rm = runHelper({"--kind", "rajoin", "--out", shared.path("old.out"), one, two}, false,
                                   bytesOf(one).size());
    EXPECT_EQ(rm.outcome, "Failed") << rm.errors.constData();
    ASSERT_EQ(rm.lines.size(), 1);
    EXPECT_TRUE(rm.lines.first().startsWith("critical\t"));

    EXPECT_EQ(bytesOf(shared.path("old.out")), QByteArray("old output"));
    EXPECT_EQ(temporaries(shared.folder()), QStringList());
}

TEST_F(EditRunTest, ARunThatIsStillGoingWhenTheProgramEndsLeavesNothingBehind)
{
    const QString input = clip("long.rm");
    for (ToolKind kind : {ToolKind::RaJoin, ToolKind::MpgJoin}) {
        m_messages.clear();
        {
            EditRun run(m_gate);
            ASSERT_TRUE(run.start(join(kind, {input, input, input, input}, path("never.out"))));
            EXPECT_TRUE(m_gate.busy());
        } // the window goes: the work is stopped and waited for
        EXPECT_FALSE(m_gate.busy());
        EXPECT_EQ(temporaries(m_folder), QStringList());
        if (exists(path("never.out"))) { // the work may have finished just before it was stopped
            EXPECT_FALSE(bytesOf(path("never.out")).isEmpty());
        }
        EXPECT_TRUE(m_messages.shown().isEmpty()); // nothing is asked of a window that is gone
        EXPECT_TRUE(waitFor([] { return childrenNamed("vellowait") == 0; }));
    }
}

// ---------------------------------------------------------------------------------------------------
// File systems that fail in ways a test cannot arrange by itself: the helper runs with the fault shim.

namespace {

/// The fault library in the helper, with one fault, its trash in trashHome.
QProcessEnvironment fault(const char* variable, const QString& value, const QString& trashHome)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FAULT_SHIM));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), trashHome);
    env.insert(QString::fromLatin1(variable), value);
    return env;
}

} // namespace

TEST(EditRunWithFaults, NoResultIsLostOrCutShortAndAnUnreadableInputIsNamed)
{
    SharedFolder shared;
    QTemporaryDir home;
    const QString a = shared.clip("a.mpg");
    const QString b = shared.clip("b.mpg");
    const QString out = shared.path("out.mpg");
    const QStringList mpgjoin{"--kind", "mpgjoin", "--out", out, a, b};
    // The kernel copy stops early: the rest is copied through memory.
    const HelperRun shortCopy =
        runHelper(mpgjoin, false, 0, fault("VELLO_SHORT_KERNEL_COPY", "1000", home.path()));
    EXPECT_EQ(shortCopy.outcome, "Succeeded") << shortCopy.errors.constData();
    EXPECT_EQ(bytesOf(out), bytesOf(a) + bytesOf(b));

    // An input that cannot be read is named; the old output stays.
    ASSERT_TRUE(writeFile(out, "old output"));
    const HelperRun unreadable = runHelper(mpgjoin, false, 0, fault("VELLO_FAIL_READ_OF", b, home.path()));
    EXPECT_EQ(
        unreadable.lines,
        QStringList{"critical\t「" + b + "」を読み込めません。ディスクの読み書きでエラーが発生しました。"});
    EXPECT_EQ(bytesOf(out), QByteArray("old output"));
    EXPECT_EQ(temporaries(shared.folder()), QStringList());

    // The last rename fails: the result stays under its temporary name and the message says where.
    const HelperRun rename = runHelper(mpgjoin, false, 0, fault("VELLO_FAIL_RENAME_TO", out, home.path()));
    EXPECT_EQ(rename.outcome, "Failed") << rename.errors.constData();
    EXPECT_EQ(rename.lines, QStringList{"critical\tｱｳﾄﾌﾟｯﾄﾌｧｲﾙ「" + out +
                                        "」の名前を変更できません。アクセスが拒否されました。"
                                        "\\n元のｱｳﾄﾌﾟｯﾄﾌｧｲﾙはごみ箱にあります。\\n新しいファイルは「" +
                                        out + ".tmp」に保存してあります。"});
    EXPECT_EQ(bytesOf(out + ".tmp"), bytesOf(a) + bytesOf(b));
    EXPECT_EQ(bytesOf(home.filePath("Trash/files/out.mpg")), QByteArray("old output"));
}
