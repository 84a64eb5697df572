#include "IniFile.h"

#include "ByteTempDir.h"
#include "EventLoopWait.h"
#include "LegacyNames.h"
#include "NativePath.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>

using vello::IniFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

/// The "key=" text of a key as it stands in the file.
QByteArray toNativeKeyLine(const QString& key)
{
    return vello::toNativePath(key) + "=";
}

class IniFileTest : public ::testing::Test
{
protected:
    ByteTempDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Config.ini")); }
};

} // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty)
{
    IniFile ini(path());
    EXPECT_EQ(ini.ReadValue("Play Mode", "MODE", 50), QString());
    writeAll(path(), "[Play Mode]\nMODE=1\n");
    EXPECT_EQ(ini.ReadValue("Other", "MODE", 50), QString());
    EXPECT_EQ(ini.ReadValue("Play Mode", "TOPMOST", 50), QString());
    EXPECT_EQ(ini.ReadValue("Play Mode", "MODE", 50), "1");
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCaseAndMaxLenCuts)
{
    writeAll(path(), "; comment\r\n[play mode]\r\n  mode = 3 \r\n[File List]\r\nFILE EXT=rm;mpg;asf\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadValue("PLAY MODE", "Mode", 50), "3");
    EXPECT_EQ(ini.ReadValue("File List", "file ext", 5), "rm;mp");
    EXPECT_EQ(ini.ReadValue("File List", "file ext", 0), QString());
}

TEST_F(IniFileTest, WriteChangesOneLineAndKeepsEveryOtherByte)
{
    const QByteArray original = "; kept comment\r\n"
                                "[Play Mode]\r\n"
                                "TOPMOST=0\r\n"
                                "\r\n"
                                "MODE=1\r\n"
                                "[VELLOKIT]\r\n"
                                "RA_PATH=/home/u/\x83\x65\x83\x58\x83\x67\r\n" // legacy Shift-JIS bytes
                                "OUT_PATH=\r\n"
                                "[Slide Timer]\n"
                                "Timer=2"; // last line without terminator, mixed endings
    writeAll(path(), original);
    IniFile ini(path());
    ASSERT_TRUE(ini.WriteValue("play mode", "mode", "3"));
    QByteArray expected = original;
    expected.replace("MODE=1\r\n", "mode=3\r\n");
    // The key keeps the spelling the caller gave; only that one line differs.
    EXPECT_EQ(readAll(path()), expected);
    EXPECT_EQ(ini.ReadValue("VELLOKIT", "RA_PATH", 255), QStringLiteral("/home/u/テスト"));

    ASSERT_TRUE(ini.WriteValue("Slide Timer", "Timer", "4"));
    expected.replace("Timer=2", "Timer=4");
    EXPECT_EQ(readAll(path()), expected);
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd)
{
    writeAll(path(), "[A]\nx=1\n\n[B]\ny=2\n");
    IniFile ini(path());
    ASSERT_TRUE(ini.WriteValue("A", "z", "3"));
    ASSERT_TRUE(ini.WriteValue("C", "w", "4"));
    EXPECT_EQ(readAll(path()), QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\n[C]\nw=4\n"));
}

TEST_F(IniFileTest, CreatesFileWithSectionAndKey)
{
    IniFile ini(path());
    ASSERT_TRUE(ini.WriteValue("Play Mode", "TOPMOST", "0"));
    EXPECT_EQ(readAll(path()), QByteArray("[Play Mode]\nTOPMOST=0\n"));
}

TEST_F(IniFileTest, AwkwardKeysAndValuesReadBackAndNeverChangeOtherKeys)
{
    IniFile ini(path());
    const QList<QPair<QString, QString>> cases = {
        {"/media/music/a=b.rm", "30"},    {"/media/新しい フォルダ/曲 1.rm", "55"},
        {"[not a section]", "1"},         {";not a comment", "2"},
        {"line\nbreak.rm", "3"},          {"\"quoted\".rm", "4"},
        {" padded ", " padded value "},   {"back\\slash", "multi\nline\r\nvalue"},
        {"plain", "\"starts with quote"}, {"C:\\old\\style.rm", "value=with=equals"},
    };
    ASSERT_TRUE(ini.WriteValue("VOLUME", "guard", "keep"));
    for (const auto& [key, value] : cases)
        ASSERT_TRUE(ini.WriteValue("VOLUME", key, value)) << key.toStdString();
    for (const auto& [key, value] : cases)
        EXPECT_EQ(ini.ReadValue("VOLUME", key, 500), value) << key.toStdString();
    EXPECT_EQ(ini.ReadValue("VOLUME", "guard", 50), "keep");
    // Every key occupies exactly one line of its own.
    const QList<QByteArray> lines = readAll(path()).split('\n');
    EXPECT_EQ(lines.size(), 1 + 1 + cases.size() + 1); // header, guard, cases, trailing empty piece
    // Overwriting an awkward key replaces its line instead of adding another.
    ASSERT_TRUE(ini.WriteValue("VOLUME", "line\nbreak.rm", "9"));
    EXPECT_EQ(ini.ReadValue("VOLUME", "line\nbreak.rm", 50), "9");
    EXPECT_EQ(readAll(path()).split('\n').size(), lines.size());
}

TEST_F(IniFileTest, RefusesSectionNamesThatWouldBreakTheFile)
{
    IniFile ini(path());
    EXPECT_FALSE(ini.WriteValue("bad]name", "k", "v"));
    EXPECT_FALSE(ini.WriteValue("two\nlines", "k", "v"));
    EXPECT_FALSE(ini.WriteValue("ok", "", "v"));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFileTest, GarbageFileStillReadsAndWritesSafely)
{
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i)
        garbage.append(static_cast<char>((i * 37 + 11) % 256));
    writeAll(path(), garbage);
    IniFile ini(path());
    (void)ini.ReadValue("Play Mode", "MODE", 50);
    ASSERT_TRUE(ini.WriteValue("Play Mode", "MODE", "2"));
    EXPECT_EQ(ini.ReadValue("Play Mode", "MODE", 50), "2");
    EXPECT_TRUE(readAll(path()).startsWith(garbage));
}

TEST_F(IniFileTest, TooLargeFileIsNeitherParsedNorRewritten)
{
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(IniFile::MaxFileSize + 10));
    }
    IniFile ini(path());
    EXPECT_EQ(ini.ReadValue("A", "b", 10), QString());
    EXPECT_FALSE(ini.WriteValue("A", "b", "c"));
    EXPECT_EQ(QFile(path()).size(), IniFile::MaxFileSize + 10);
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceLoseNothing)
{
    writeAll(path(), "[VELLOKIT]\nRA_PATH=/keep\n");
    const int count = 1000;
    QProcess a;
    QProcess b;
    a.start(INI_STRESS_WRITER, {path(), "Shared", "a", QString::number(count)});
    b.start(INI_STRESS_WRITER, {path(), "Shared", "b", QString::number(count)});
    ASSERT_TRUE(a.waitForFinished(240000));
    ASSERT_TRUE(b.waitForFinished(240000));
    EXPECT_EQ(a.exitCode(), 0);
    EXPECT_EQ(b.exitCode(), 0);
    IniFile ini(path());
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(ini.ReadValue("Shared", "a" + QString::number(i), 50), QString::number(i * 7)) << i;
        ASSERT_EQ(ini.ReadValue("Shared", "b" + QString::number(i), 50), QString::number(i * 7)) << i;
    }
    EXPECT_EQ(ini.ReadValue("VELLOKIT", "RA_PATH", 255), "/keep");
}

TEST_F(IniFileTest, KilledWriterLeavesOldOrNewFileNeverHalf)
{
    // A writer killed at random moments must leave a file that parses with every key it had before.
    writeAll(path(), "[VELLOKIT]\nRA_PATH=/keep\n");
    for (int round = 0; round < 5; ++round) {
        QProcess p;
        p.start(INI_STRESS_WRITER, {path(), "Shared", QStringLiteral("r%1_").arg(round), "400"});
        ASSERT_TRUE(p.waitForStarted());
        // Killed at a different point of its writing each round: after 10, 30, 50 ... of its keys.
        const QByteArray written = QStringLiteral("r%1_%2=").arg(round).arg(10 + round * 20).toUtf8();
        ASSERT_TRUE(TestWait::waitFor([&] { return readAll(path()).contains(written); }));
        p.kill();
        p.waitForFinished();
        IniFile ini(path());
        ASSERT_EQ(ini.ReadValue("VELLOKIT", "RA_PATH", 255), "/keep");
        const QByteArray text = readAll(path());
        ASSERT_TRUE(text.endsWith('\n'));
    }
}

// ---------------------------------------------------------------------------------------------------
// File names that are not UTF-8: keys written as their bytes, legacy CP932 lines found by the file they name

namespace {

/// "ライブ.rm" in CP932.
const QByteArray LiveCp932("\x83\x89\x83\x43\x83\x75.rm");

bool touchBytes(const QByteArray& path)
{
    return LegacyNames::writeBytes(path, "x");
}

} // namespace

TEST_F(IniFileTest, KeysWithRawBytesAreWrittenAsTheirBytesAndFoundAgain)
{
    const QString a = "/clips/" + vello::fromNativePath(LiveCp932);
    const QString b = "/clips/" + vello::fromNativePath("\xd7\xb2\xcc\xde.mpg"); // half-width kana
    IniFile ini(path(), IniFile::KeyKind::Path);
    ASSERT_TRUE(ini.WriteValue("VOLUME", a, "30"));
    ASSERT_TRUE(ini.WriteValue("VOLUME", b, "40"));
    ASSERT_TRUE(ini.WriteValue("VOLUME", "/clips/" + QStringLiteral("ライブ.rm"), "50")); // another file
    EXPECT_EQ(readAll(path()), "[VOLUME]\n/clips/" + LiveCp932 + "=30\n/clips/\xd7\xb2\xcc\xde.mpg=40\n" +
                                   "/clips/" + QStringLiteral("ライブ.rm").toUtf8() + "=50\n");
    EXPECT_EQ(ini.ReadValue("VOLUME", a, 500), "30");
    EXPECT_EQ(ini.ReadValue("VOLUME", b, 500), "40");
    ASSERT_TRUE(ini.WriteValue("VOLUME", a, "35"));
    EXPECT_EQ(ini.ReadValue("VOLUME", a, 500), "35");
    EXPECT_EQ(readAll(path()).count("=3"), 1);
}

TEST_F(IniFileTest, PathKeysFollowARenamedFileOrFolderAndOtherBytesStay)
{
    const QByteArray raw = "/clips/" + LiveCp932; // a name that is not UTF-8
    writeAll(path(), "; kept\r\n[VOLUME]\r\n/clips/a.rm=30\r\n/clips/b.rm=old\r\n" + raw +
                         "/x.rm=40\r\n"
                         "/clips/a.rmvb=50\r\n[OTHER]\r\n/clips/a.rm=60\r\n");
    IniFile ini(path(), IniFile::KeyKind::Path);
    // A file onto a name that held a stale value: the moved value is the one read.
    EXPECT_EQ(ini.MovePathKeys("VOLUME", "/clips/a.rm", "/clips/b.rm"), 1);
    // A folder: the files below it follow, bytes kept.
    EXPECT_EQ(ini.MovePathKeys("VOLUME", vello::fromNativePath(raw), "/live"), 1);
    EXPECT_EQ(ini.MovePathKeys("VOLUME", "/none", "/other"), 0);
    EXPECT_EQ(readAll(path()), "; kept\r\n[VOLUME]\r\n/clips/b.rm=30\r\n/live/x.rm=40\r\n/clips/a.rmvb=50\r\n"
                               "[OTHER]\r\n/clips/a.rm=60\r\n");
}

struct LegacyLineCase
{
    const char* name;
    bool bytesFileExists; ///< a file named by the line's own bytes
    bool utf8FileExists;  ///< a file named by the line's CP932 decoding, in UTF-8
    bool asked;           ///< which file is looked up: false the bytes one, true the UTF-8 one
    bool found;
};

class LegacyLine : public IniFileTest, public ::testing::WithParamInterface<LegacyLineCase>
{
};

TEST_P(LegacyLine, IsTheKeyOfTheFileItNames)
{
    const LegacyLineCase& c = GetParam();
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    const QByteArray utf8Name = QStringLiteral("ライブ.rm").toUtf8();
    if (c.bytesFileExists) {
        ASSERT_TRUE(touchBytes(folder + LiveCp932));
    }
    if (c.utf8FileExists) {
        ASSERT_TRUE(touchBytes(folder + utf8Name));
    }
    const QByteArray legacy = "[VOLUME]\r\n" + folder + LiveCp932 + "=70\r\n";
    writeAll(path(), legacy);
    const QString key = vello::fromNativePath(folder + (c.asked ? utf8Name : LiveCp932));

    IniFile ini(path(), IniFile::KeyKind::Path);
    EXPECT_EQ(ini.ReadValue("VOLUME", key, 500), c.found ? "70" : "");
    // Writing the key replaces the line it was found in, with the path's own bytes; otherwise adds one.
    ASSERT_TRUE(ini.WriteValue("VOLUME", key, "20"));
    const QByteArray written = readAll(path());
    EXPECT_EQ(written.count("\r\n"), c.found ? 2 : 3) << written.toStdString();
    EXPECT_TRUE(written.contains(toNativeKeyLine(key)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegacyLine,
    ::testing::Values(LegacyLineCase{"BytesNameTheFile", true, false, false, true},
                      LegacyLineCase{"DecodedTextNamesTheFile", false, true, true, true},
                      LegacyLineCase{"BytesWinOverTheDecodedText", true, true, true, false},
                      LegacyLineCase{"BytesOfTheFileStillMatchWhenBothExist", true, true, false, true},
                      LegacyLineCase{"NeitherExistsTheBytesStillMatch", false, false, false, true},
                      LegacyLineCase{"NeitherExistsNoDecodedMatch", false, false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFileTest, TextKeysOfLegacyLinesMatchTheirDecodedText)
{
    writeAll(path(), "[" + QByteArray("\x90\xdd\x92\xe8") + "]\n" + LiveCp932 + "=1\n"); // [設定]
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadValue(QStringLiteral("設定"), QStringLiteral("ライブ.rm"), 10), "1");
    EXPECT_EQ(ini.ReadValue(QStringLiteral("設定"), vello::fromNativePath(LiveCp932), 10), "1");
}
