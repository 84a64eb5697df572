#include "ConfigHost.h"
#include "IniFile.h"
#include "M_Config.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "RecordingHost.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

using namespace vello;

namespace {

const char* const ValidConfig = "[Play Mode]\r\n"
                                "TOPMOST=1\r\n"
                                "FIXED RATIO=1\r\n"
                                "MODE=3\r\n"
                                "[File List]\r\n"
                                "FILE EXT=mp3;ogg\r\n"
                                "SEND RECYCLE=1\r\n"
                                "FILE TITLE=1\r\n"
                                "FILE SIZE=0\r\n"
                                "FILE DATETIME=0\r\n"
                                "[Config]\r\n"
                                "DEFAULT DIR=2\r\n"
                                "DEFAULT DIR PATH=/music/\r\n"
                                "PICKUP=1\r\n"
                                "[Slide Timer]\r\n"
                                "Timer=4\r\n";

class ConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        config.setHost(&host);
    }

    QString path() const { return dir.filePath(QStringLiteral("Config.ini")); }
    void write(const QByteArray& bytes) { ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), bytes)); }
    QByteArray read() const { return dir.read(QStringLiteral("Config.ini")); }
    /// Marks every field so that an unread field is recognisable afterwards.
    void presetSentinels()
    {
        PlayerSettings& s = config.settings();
        s.TopMost = s.FixedRatio = s.PlayMode = s.SendRecycle = s.FileTitle = s.FileSize = 77;
        s.FileDateTime = s.DefaultDir = s.Pickup = s.SlideTimer = 77;
        s.FileExt = s.DefaultDirPath = QStringLiteral("old");
        s.ExtList = QStringList{QStringLiteral("old")};
    }

    TestHome::ProgramFolder dir;
    RecordingHost host;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    M_Config config;
};

} // namespace

TEST_F(ConfigTest, FirstStartWritesExactlyTheElevenKeysAndAppliesDisplayValues)
{
    config.LoadConfig();
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Created);
    EXPECT_EQ(QString::fromUtf8(read()), QStringLiteral("[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=0\n"
                                                        "[File List]\nFILE EXT=rm;mpg;asf\nSEND RECYCLE=0\n"
                                                        "FILE TITLE=0\nFILE SIZE=1\nFILE DATETIME=1\n"
                                                        "[Config]\nDEFAULT DIR=1\nPICKUP=0\n"
                                                        "[Slide Timer]\nTimer=2\n"));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("hide"), QStringLiteral("columns 0 1549 1000"),
                                       QStringLiteral("topmost 0"), QStringLiteral("show")}));
    const PlayerSettings& s = config.settings();
    EXPECT_EQ(s.ExtList, (QStringList{QStringLiteral("rm"), QStringLiteral("mpg"), QStringLiteral("asf")}));
    EXPECT_EQ(s.DefaultDir, 1);
    EXPECT_EQ(s.SlideTimer, 2);
    EXPECT_EQ(s.FileSize, 1);
    EXPECT_EQ(s.FileDateTime, 1);
    EXPECT_TRUE(s.DefaultDirPath.isEmpty());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ConfigTest, FirstStartThatCannotCreateTheFileKeepsValuesAndReturnsOnce)
{
    // The program folder is a regular file and so is the per-user data folder: nothing can be created.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", blocker.toUtf8());
    ProgramPaths::overrideProgramFolder(blocker);
    config.LoadConfig();
    qputenv("XDG_DATA_HOME", oldData);

    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::CreateFailed);
    EXPECT_EQ(host.calls.count(QStringLiteral("show")), 1);
    EXPECT_EQ(config.settings().FileExt, QStringLiteral("rm;mpg;asf"));
    EXPECT_EQ(config.settings().ExtList.size(), 3);
    EXPECT_EQ(config.settings().SlideTimer, 2);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ConfigTest, ExistingFileIsReadWithoutBeingWritten)
{
    write(ValidConfig);
    config.LoadConfig();
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Read);
    const PlayerSettings& s = config.settings();
    EXPECT_EQ(s.TopMost, 1);
    EXPECT_EQ(s.FixedRatio, 1);
    EXPECT_EQ(s.PlayMode, 3);
    EXPECT_EQ(s.FileExt, QStringLiteral("mp3;ogg"));
    EXPECT_EQ(s.ExtList, (QStringList{QStringLiteral("mp3"), QStringLiteral("ogg")}));
    EXPECT_EQ(s.SendRecycle, 1);
    EXPECT_EQ(s.FileTitle, 1);
    EXPECT_EQ(s.FileSize, 0);
    EXPECT_EQ(s.FileDateTime, 0);
    EXPECT_EQ(s.DefaultDir, 2);
    EXPECT_EQ(s.DefaultDirPath, QStringLiteral("/music/"));
    EXPECT_EQ(s.Pickup, 1);
    EXPECT_EQ(s.SlideTimer, 4);
    EXPECT_TRUE(host.calls.isEmpty()); // nothing is applied to the window on this path
    EXPECT_EQ(read(), QByteArray(ValidConfig));
}

TEST_F(ConfigTest, EditorSectionSurvivesByteForByte)
{
    const QByteArray editor = "[VELLOKIT]\r\nRA_PATH=/home/u/ra\r\n; a comment\r\nMPG_MASK=mpg;m2v\r\n\r\n";
    write(editor + ValidConfig);
    config.LoadConfig();
    // A settings window that writes every key of the player's sections.
    IniFile ini(path());
    ini.WriteValue(QStringLiteral("Play Mode"), QStringLiteral("TOPMOST"), QStringLiteral("0"));
    ini.WriteValue(QStringLiteral("Config"), QStringLiteral("DEFAULT DIR PATH"), QStringLiteral("/other/"));
    ini.WriteValue(QStringLiteral("Slide Timer"), QStringLiteral("Timer"), QStringLiteral("1"));
    config.LoadConfig();
    EXPECT_TRUE(read().startsWith(editor));
    EXPECT_EQ(config.settings().DefaultDirPath, QStringLiteral("/other/"));
}

TEST_F(ConfigTest, DefaultDirMinusOneLeavesThePathUnread)
{
    write(QByteArray(ValidConfig).replace("DEFAULT DIR=2", "DEFAULT DIR=-1"));
    presetSentinels();
    config.LoadConfig();
    EXPECT_EQ(config.settings().DefaultDir, -1);
    EXPECT_EQ(config.settings().DefaultDirPath, QStringLiteral("old"));
}

TEST_F(ConfigTest, OptionalValuesFallBack)
{
    QByteArray text(ValidConfig);
    text.replace("Timer=4", "Timer=abc").replace("MODE=3", "MODE=").replace("PICKUP=1\r\n", "");
    write(text);
    config.LoadConfig();
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Read);
    EXPECT_EQ(config.settings().SlideTimer, 2);
    EXPECT_EQ(config.settings().PlayMode, 0);
    EXPECT_EQ(config.settings().Pickup, 0);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ConfigTest, MalformedPickupKeepsThePreviousValue)
{
    write(QByteArray(ValidConfig).replace("PICKUP=1", "PICKUP=yes"));
    config.settings().Pickup = 1;
    config.LoadConfig();
    EXPECT_EQ(config.settings().Pickup, 1);
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Read);
}

// A malformed required value: the order of reading decides which fields hold new values.
struct RequiredCase
{
    const char* line;        // the line of ValidConfig that is broken
    const char* replacement; // what stands there instead ("" removes the line)
    int readBefore;          // how many of the ordered fields are read before the failure
};

class RequiredValueTest : public ConfigTest, public ::testing::WithParamInterface<RequiredCase>
{
};

TEST_P(RequiredValueTest, StopsTheLoadWithTheStandardError)
{
    const RequiredCase c = GetParam();
    QByteArray text(ValidConfig);
    text.replace(QByteArray(c.line) + "\r\n", c.replacement[0] ? QByteArray(c.replacement) + "\r\n" : "");
    write(text);
    presetSentinels();
    config.LoadConfig();

    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Failed);
    ASSERT_EQ(messages.shown().size(), 1);
    const Message& m = messages.shown().first();
    EXPECT_EQ(m.text, QStringLiteral("型が一致しません。(13)"));
    EXPECT_EQ(m.caption, QStringLiteral("Velloplayer"));
    EXPECT_EQ(m.icon, MessageIcon::Critical);

    const PlayerSettings& s = config.settings();
    // Reading order: TOPMOST, FIXED RATIO, FILE EXT, DEFAULT DIR, FILE TITLE, FILE SIZE, FILE DATETIME,
    // SEND RECYCLE.
    const int got[] = {s.TopMost,      s.FixedRatio, s.FileExt == QStringLiteral("mp3;ogg") ? 1 : 77,
                       s.DefaultDir,   s.FileTitle,  s.FileSize,
                       s.FileDateTime, s.SendRecycle};
    const int expected[] = {1, 1, 1, 2, 1, 0, 0, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(got[i], i < c.readBefore ? expected[i] : 77) << "field " << i;
    // Nothing after the failure is read.
    EXPECT_EQ(s.DefaultDirPath, QStringLiteral("old"));
    EXPECT_EQ(s.Pickup, 77);
    EXPECT_EQ(s.SlideTimer, 77);
    EXPECT_EQ(s.PlayMode, 77);
    EXPECT_EQ(s.ExtList, QStringList{QStringLiteral("old")});
}

INSTANTIATE_TEST_SUITE_P(ConfigTest, RequiredValueTest,
                         ::testing::Values(RequiredCase{"TOPMOST=1", "TOPMOST=", 0},
                                           RequiredCase{"FIXED RATIO=1", "FIXED RATIO=x", 1},
                                           RequiredCase{"DEFAULT DIR=2", "DEFAULT DIR=two", 3},
                                           RequiredCase{"FILE TITLE=1", "", 4},
                                           RequiredCase{"FILE SIZE=0", "FILE SIZE=1,5", 5},
                                           RequiredCase{"FILE DATETIME=0", "FILE DATETIME=99999999999", 6},
                                           RequiredCase{"SEND RECYCLE=1", "SEND RECYCLE= ", 7}));

// Stored numbers with a decimal part or an exponent are numbers: taken as the nearest whole number, halves
// to even, for the required values and for the ones with a fallback alike.
struct NumericCase
{
    const char* text;
    int value;
};

class NumericTextTest : public ConfigTest, public ::testing::WithParamInterface<NumericCase>
{
};

TEST_P(NumericTextTest, IsTakenAsTheNearestWholeNumber)
{
    const QByteArray v(GetParam().text);
    write(QByteArray(ValidConfig)
              .replace("TOPMOST=1", "TOPMOST=" + v)
              .replace("FILE SIZE=0", "FILE SIZE=" + v)
              .replace("MODE=3", "MODE=" + v)
              .replace("Timer=4", "Timer=" + v)
              .replace("PICKUP=1", "PICKUP=" + v));
    config.LoadConfig();
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Read);
    EXPECT_TRUE(messages.shown().isEmpty());
    const PlayerSettings& s = config.settings();
    for (const int field : {s.TopMost, s.FileSize, s.PlayMode, s.SlideTimer, s.Pickup})
        EXPECT_EQ(field, GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(ConfigTest, NumericTextTest,
                         ::testing::Values(NumericCase{"1.0", 1}, NumericCase{"3.6", 4},
                                           NumericCase{"2.5", 2}, NumericCase{"3.5", 4},
                                           NumericCase{" 0.4 ", 0}, NumericCase{"1e0", 1},
                                           NumericCase{"+2", 2}, NumericCase{"-0.5", 0}));

// Files that are not settings files at all: the load ends with one standard error, never loops or throws.
class DamagedFileTest : public ConfigTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(DamagedFileTest, LoadEndsWithOneStandardError)
{
    switch (GetParam()) {
    case 0: { // binary garbage with NULs, stray brackets and invalid UTF-8
        QByteArray junk(64 * 1024, '\0');
        QRandomGenerator rng(7);
        for (auto& b : junk)
            b = static_cast<char>(rng.bounded(256));
        junk.append("\n[Play Mode]\nTOPMOST=\xff\xfe\n");
        write(junk);
        break;
    }
    case 1: { // larger than the settings reader accepts
        QByteArray big(IniFile::MaxFileSize + 1024, 'a');
        big.prepend(ValidConfig);
        write(big);
        break;
    }
    case 2: // a folder where the file should be: exists, cannot be read
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Config.ini")));
        break;
    default: // an empty file
        write(QByteArray());
        break;
    }
    const qint64 sizeBefore = QFileInfo(path()).size();
    config.LoadConfig();
    EXPECT_EQ(config.lastLoad(), M_Config::LoadResult::Failed);
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(QFileInfo(path()).size(), sizeBefore);
}

INSTANTIATE_TEST_SUITE_P(ConfigTest, DamagedFileTest, ::testing::Values(0, 1, 2, 3));

struct ExtCase
{
    QString text;
    QStringList expected;
};

class ExtListTest : public ::testing::TestWithParam<ExtCase>
{
};

TEST_P(ExtListTest, SplitsAtSemicolonsOnly)
{
    EXPECT_EQ(M_Config::BuildExtList(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    M_Config, ExtListTest,
    ::testing::Values(
        ExtCase{QStringLiteral("rm;ra;ram;mpg;asf"),
                {QStringLiteral("rm"), QStringLiteral("ra"), QStringLiteral("ram"), QStringLiteral("mpg"),
                 QStringLiteral("asf")}},
        ExtCase{QStringLiteral("mpg"), {QStringLiteral("mpg")}},
        ExtCase{QStringLiteral("rm;;asf"), {QStringLiteral("rm"), QString(), QStringLiteral("asf")}},
        ExtCase{QStringLiteral("rm;"), {QStringLiteral("rm"), QString()}}, ExtCase{QString(), {QString()}},
        ExtCase{QStringLiteral(" rm ; mpg"), {QStringLiteral(" rm "), QStringLiteral(" mpg")}},
        ExtCase{QStringLiteral("rm;mp") + QChar(u'\0') + QStringLiteral("g"),
                {QStringLiteral("rm"), QStringLiteral("mp")}},
        ExtCase{QStringLiteral("mp") + QChar(u'\0') + QStringLiteral("g"), {QStringLiteral("mp")}},
        ExtCase{QStringLiteral("r") + QChar(u'\0') + QStringLiteral("m;mpg"),
                {QStringLiteral("r") + QChar(u'\0') + QStringLiteral("m"), QStringLiteral("mpg")}}));

TEST_F(ConfigTest, FixedRatioSwitchInstallsOnce)
{
    config.settings().FixedRatio = 1;
    config.FixedRatioSwitch();
    config.FixedRatioSwitch();
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("ratio 1")});
    EXPECT_TRUE(config.aspectInstalled());
    config.settings().FixedRatio = 0;
    config.FixedRatioSwitch();
    config.FixedRatioSwitch();
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("ratio 1"), QStringLiteral("ratio 0")}));
    EXPECT_FALSE(config.aspectInstalled());
}
