// The terminal player end to end: playlist, unattended playback, stopping, and Config.ini left alone.
#include "LegacyNames.h"
#include "PlaybackTestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace PlaybackTest;

namespace {

class VelloplayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg/ffprobe not found";
        ensureApplication();
        // The programs are built into bin/ beside the tests' tests/ folder.
        QString bin = qEnvironmentVariable("VELLO_BIN_DIR");
        if (bin.isEmpty())
            bin = QCoreApplication::applicationDirPath() + "/../bin";
        program = QDir(bin).absoluteFilePath("velloplay");
        if (!QFileInfo(program).isExecutable())
            GTEST_SKIP() << "velloplay not built";
        ASSERT_TRUE(QFile::copy(sourceClip(Source::Rm), clips.filePath("a.rm")));
        ASSERT_TRUE(QFile::copy(sourceClip(Source::Mpg), clips.filePath("b.mpg")));
        ASSERT_TRUE(QFile::copy(sourceClip(Source::NotMedia), clips.filePath("c.asf")));
        ASSERT_TRUE(QFile::copy(sourceClip(Source::Asf), clips.filePath("d.asf")));
        ASSERT_TRUE(QFile::copy(sourceClip(Source::Mpg), clips.filePath("e.mp3")));
    }

    void start(QProcess& process, const QStringList& extra)
    {
        process.setProgram(program);
        process.setArguments(QStringList{"--program-folder", config.path()} + extra +
                             QStringList{clips.path()});
        process.start();
        ASSERT_TRUE(process.waitForStarted(kTimeoutMs));
    }

    QStringList lines(QProcess& process)
    {
        return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QString program;
    ByteTempDir clips;
    ByteTempDir config;
};

TEST_F(VelloplayTest, PlaysTheFolderThroughAndExitsWithoutCreatingConfigIni)
{
    QProcess process;
    start(process, {});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(kTimeoutMs * 2));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QStringList out = lines(process);
    ASSERT_GE(out.size(), 7);
    // Playlist: header with the name, date and size columns of the first-run settings, one line per file.
    EXPECT_TRUE(out[1].contains("名前") && out[1].contains("更新日時") && out[1].contains("サイズ"));
    EXPECT_FALSE(out[1].contains("タイトル"));
    EXPECT_TRUE(out[2].contains("a.rm"));
    EXPECT_TRUE(out[5].contains("d.asf"));
    EXPECT_FALSE(out.join('\n').contains("e.mp3"));
    const QStringList played = out.filter("再生 [");
    ASSERT_EQ(played.size(), 3);
    EXPECT_TRUE(played[0].contains("a.rm") && played[0].contains("Clip Title") &&
                played[0].contains("(00:01)"));
    EXPECT_TRUE(played[1].contains("b.mpg"));
    EXPECT_TRUE(played[2].contains("d.asf"));
    EXPECT_EQ(out.filter("再生できません: c.asf").size(), 1);
    EXPECT_EQ(out.last(), "再生終了");
    EXPECT_FALSE(QFileInfo::exists(config.filePath("Config.ini")));
}

TEST_F(VelloplayTest, RepeatModeFromConfigIniStopsOnQAndOnSignals)
{
    QFile ini(config.filePath("Config.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[Play Mode]\r\nTOPMOST=0\r\nFIXED RATIO=0\r\nMODE=1\r\n[File List]\r\nFILE EXT=rm;asf\r\n"
        "SEND RECYCLE=0\r\nFILE TITLE=1\r\nFILE SIZE=0\r\nFILE DATETIME=0\r\n[Config]\r\nDEFAULT DIR=1\r\n");
    ini.close();
    const QByteArray before = [&] {
        QFile f(ini.fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    for (const int how : {0, SIGINT, SIGTERM}) {
        QProcess process;
        start(process, {});
        // Repeat all over a.rm and d.asf (c.asf fails): wait for a wrap.
        QString seen;
        ASSERT_TRUE(waitFor([&] {
            seen += QString::fromUtf8(process.readAllStandardOutput());
            return seen.count("再生 [") >= 3;
        })) << seen.toStdString();
        if (how == 0)
            process.write("q\n");
        else
            ::kill(pid_t(process.processId()), how);
        ASSERT_TRUE(process.waitForFinished(kTimeoutMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        seen += QString::fromUtf8(process.readAllStandardOutput());
        const QStringList out = seen.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(out[1].contains("タイトル"));
        EXPECT_FALSE(out[1].contains("サイズ"));
        EXPECT_FALSE(seen.contains("b.mpg"));
        EXPECT_EQ(out.last(), "停止");
    }
    QFile after(ini.fileName());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST_F(VelloplayTest, AMissingFolderIsAnError)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({"--program-folder", config.path(), clips.filePath("nothing here")});
    process.start();
    ASSERT_TRUE(process.waitForFinished(kTimeoutMs));
    EXPECT_EQ(process.exitCode(), 1);
}

} // namespace

namespace {

/// Runs program with byte arguments (QProcess would re-encode them), stdin from /dev/null, stdout into
/// outFile; the exit code, or -1 when it did not end within timeoutMs (it is killed then).
int runWithByteArguments(const QByteArray& program, const QList<QByteArray>& arguments,
                         const QByteArray& outFile, int timeoutMs)
{
    std::vector<char*> argv{const_cast<char*>(program.constData())};
    for (const QByteArray& a : arguments)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    const bool ended = waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(VelloplayTest, ALegacyFolderIsListedDecodedWithTitlesAndEveryClipPlays)
{
    const QByteArray folder = QFile::encodeName(clips.path()) + '/' + LegacyNames::folderBytes();
    ASSERT_TRUE(LegacyNames::makeFolderBytes(folder));
    const QList<std::pair<Source, LegacyNames::Name>> files = {{Source::Rm, LegacyNames::japaneseWords()},
                                                               {Source::Mpg, LegacyNames::halfWidthKana()},
                                                               {Source::Asf, LegacyNames::backslashTrail()},
                                                               {Source::Rm, LegacyNames::undecodable()}};
    for (const auto& [source, name] : files)
        ASSERT_TRUE(LegacyNames::copyBytes(QFile::encodeName(sourceClip(source)), folder + '/' + name.bytes));
    QFile ini(config.filePath("Config.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=0\n[File List]\nFILE EXT=rm;mpg;asf\n"
              "SEND RECYCLE=0\nFILE TITLE=1\nFILE SIZE=0\nFILE DATETIME=0\n[Config]\nDEFAULT DIR=1\n");
    ini.close();

    const QByteArray out = QFile::encodeName(config.filePath("out.txt"));
    ASSERT_EQ(runWithByteArguments(QFile::encodeName(program),
                                   {"--program-folder", QFile::encodeName(config.path()), folder}, out,
                                   kTimeoutMs * 2),
              0);
    const QStringList lines = QString::fromUtf8(LegacyNames::readBytes(out)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 7);
    EXPECT_TRUE(lines[0].contains(LegacyNames::folderShown())) << lines[0].toStdString();
    const QStringList played = lines.filter("再生 [");
    ASSERT_EQ(played.size(), 4) << lines.join('\n').toStdString();
    for (const auto& [source, name] : files) {
        const QStringList named = lines.filter(name.shown);
        ASSERT_EQ(named.size(), 2) << name.label; // its playlist line and its play line
        // RealMedia titles are read from the files for the list, and shown again when the clip plays.
        if (source == Source::Rm) {
            EXPECT_TRUE(named[0].contains("Clip Title") && named[1].contains("Clip Title")) << name.label;
        }
    }
    EXPECT_EQ(lines.last(), "再生終了");
}
