#include "AsNobody.h"
#include "ConfigHost.h"
#include "M_Config.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "RecordingHost.h"
#include "SettingsEditor.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>

using namespace vello;

namespace {

/// Records what the settings store applies to the main window, and the editor's signals, in one list.
// Hand-written by a user: CRLF line ends, comments, blank lines, the editor's section first.
const QByteArray StoredConfig = "; Velloplayer and Vellokit\r\n"
                                "[VELLOKIT]\r\n"
                                "RA_PATH=/home/u/ra\r\n"
                                "\r\n"
                                "[Play Mode]\r\n"
                                "TOPMOST=0\r\n"
                                "FIXED RATIO=0\r\n"
                                "MODE=1\r\n"
                                "[File List]\r\n"
                                "FILE EXT=rm;mpg;asf\r\n"
                                "; sizes on\r\n"
                                "SEND RECYCLE=0\r\n"
                                "FILE TITLE=1\r\n"
                                "FILE SIZE=1\r\n"
                                "FILE DATETIME=1\r\n"
                                "[Config]\r\n"
                                "DEFAULT DIR=2\r\n"
                                "DEFAULT DIR PATH=/music/\r\n"
                                "PICKUP=0\r\n"
                                "[Slide Timer]\r\n"
                                "Timer=2\r\n"
                                "[Other]\r\n"
                                "KEY=value\r\n";

class SettingsEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        config.setHost(&host);
        QObject::connect(&editor, &SettingsEditor::settingsReloaded,
                         [this] { host.calls << QStringLiteral("reloaded"); });
        QObject::connect(&editor, &SettingsEditor::fileChangeRequested,
                         [this] { host.calls << QStringLiteral("FileChange"); });
    }

    QString path() const { return dir.filePath(QStringLiteral("Config.ini")); }
    void write(const QByteArray& bytes) { ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), bytes)); }
    QByteArray read() const { return dir.read(QStringLiteral("Config.ini")); }
    /// Writes the file, loads it and forgets the calls made so far.
    void loadStored(const QByteArray& bytes = StoredConfig)
    {
        write(bytes);
        config.LoadConfig();
        ASSERT_EQ(config.lastLoad(), M_Config::LoadResult::Read);
        host.calls.clear();
    }
    /// OK as the window runs it: save, then (when saved) apply.
    bool ok(const CfgControls& controls)
    {
        if (!editor.save(controls))
            return false;
        editor.apply();
        return true;
    }

    TestHome::ProgramFolder dir;
    RecordingHost host;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    M_Config config;
    SettingsEditor editor{config};
};

} // namespace

TEST_F(SettingsEditorTest, OkWithoutChangesKeepsEveryByteAndAppliesInOrder)
{
    loadStored();
    const CfgControls loaded = editor.load();
    EXPECT_EQ(loaded.startFolder, StartFolder::Fixed);
    EXPECT_EQ(loaded.txtDir, QStringLiteral("/music/"));
    EXPECT_EQ(loaded.playMode, 1);
    EXPECT_EQ(loaded.cboTimer, 2);

    ASSERT_TRUE(ok(loaded));
    EXPECT_EQ(read(), StoredConfig);
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("columns 1440 1549 1000"), QStringLiteral("topmost 0"),
                                       QStringLiteral("reloaded"), QStringLiteral("FileChange")}));
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(editor.load(), loaded);
}

// Which keys OK writes: into a file that holds none of them, so every written key shows up, appended to its
// section; sections appear in the order of their first write.
TEST_F(SettingsEditorTest, OkWritesExactlyThePlayersKeys)
{
    const QByteArray editorOnly = "[VELLOKIT]\nRA_PATH=/r\n";
    for (const StartFolder folder : {StartFolder::LastTime, StartFolder::Fixed}) {
        write(editorOnly);
        CfgControls c;
        c.chkModal = true;
        c.startFolder = folder;
        c.txtDir = QStringLiteral("/media/clips/");
        c.playMode = 3;
        c.cboTimer = 4;
        c.txtExt = QStringLiteral("rm;mpg");
        c.chkFileSize = true;
        ASSERT_TRUE(editor.save(c));
        const QByteArray config =
            "[Config]\nDEFAULT DIR=" + QByteArray(folder == StartFolder::Fixed ? "2" : "1") +
            (folder == StartFolder::Fixed ? "\nDEFAULT DIR PATH=/media/clips/" : "") + "\nPICKUP=0\n";
        EXPECT_EQ(read(), editorOnly +
                              "[Play Mode]\nTOPMOST=1\nFIXED RATIO=0\nMODE=3\n"
                              "[File List]\nFILE EXT=rm;mpg\nSEND RECYCLE=0\nFILE TITLE=0\nFILE SIZE=1\n"
                              "FILE DATETIME=0\n" +
                              config + "[Slide Timer]\nTimer=4\n")
            << int(folder);
    }
}

struct ControlCase
{
    const char* name;
    std::function<void(CfgControls&)> change;
    QByteArray storedLine; ///< the line the change leaves in Config.ini
};

class ControlMapping : public SettingsEditorTest, public ::testing::WithParamInterface<ControlCase>
{
};

TEST_P(ControlMapping, StoresTheControlsValue)
{
    loadStored();
    CfgControls c = editor.load();
    GetParam().change(c);
    ASSERT_TRUE(ok(c));
    const QByteArray text = read();
    EXPECT_TRUE(text.contains("\r\n" + GetParam().storedLine + "\r\n")) << text.constData();
    // Only that line changed.
    QByteArray expected = StoredConfig;
    const QByteArray key = GetParam().storedLine.left(GetParam().storedLine.indexOf('=') + 1);
    const qsizetype at = expected.indexOf("\r\n" + key) + 2;
    expected.replace(at, expected.indexOf("\r\n", at) - at, GetParam().storedLine);
    EXPECT_EQ(text, expected);
    // Read back by LoadConfig, the window shows the change.
    CfgControls again = editor.load();
    EXPECT_EQ(again, c);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlMapping,
    ::testing::Values(
        ControlCase{"Random", [](CfgControls& c) { c.playMode = 3; }, "MODE=3"},
        ControlCase{"Normal", [](CfgControls& c) { c.playMode = 0; }, "MODE=0"},
        ControlCase{"Slowest", [](CfgControls& c) { c.cboTimer = 4; }, "Timer=4"},
        ControlCase{"Fastest", [](CfgControls& c) { c.cboTimer = 0; }, "Timer=0"},
        ControlCase{"TopMost", [](CfgControls& c) { c.chkModal = true; }, "TOPMOST=1"},
        ControlCase{"FixedRatio", [](CfgControls& c) { c.chkSize = true; }, "FIXED RATIO=1"},
        ControlCase{"ExtensionsAsTyped", [](CfgControls& c) { c.txtExt = QStringLiteral("rm; mp3;;ＯＧＧ"); },
                    "FILE EXT=rm; mp3;;ＯＧＧ"},
        ControlCase{"DeleteDirectly", [](CfgControls& c) { c.chkSendRecycle = true; }, "SEND RECYCLE=1"},
        ControlCase{"NoTitles", [](CfgControls& c) { c.chkTitle = false; }, "FILE TITLE=0"},
        ControlCase{"NoSizes", [](CfgControls& c) { c.chkFileSize = false; }, "FILE SIZE=0"},
        ControlCase{"NoDates", [](CfgControls& c) { c.chkTime = false; }, "FILE DATETIME=0"},
        ControlCase{"NoTips", [](CfgControls& c) { c.chkPick = true; }, "PICKUP=1"},
        ControlCase{"OtherFolder", [](CfgControls& c) { c.txtDir = QStringLiteral("/other/"); },
                    "DEFAULT DIR PATH=/other/"},
        ControlCase{"LastFolder",
                    [](CfgControls& c) {
                        c.startFolder = StartFolder::LastTime;
                        c.txtDir.clear();
                    },
                    "DEFAULT DIR=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsEditorTest, FavouritesKeepsTheStoredFolder)
{
    loadStored();
    CfgControls c = editor.load();
    c.startFolder = StartFolder::Favourites;
    c.txtDir = QStringLiteral("/typed/but/unused/");
    ASSERT_TRUE(ok(c));
    EXPECT_TRUE(read().contains("\r\nDEFAULT DIR=0\r\nDEFAULT DIR PATH=/music/\r\n"));
    EXPECT_EQ(config.settings().DefaultDir, 0);
    EXPECT_EQ(config.settings().DefaultDirPath, QStringLiteral("/music/"));
}

TEST_F(SettingsEditorTest, UntickedColumnsGetWidthZeroAtOnceAndTheListIsRefilled)
{
    loadStored();
    CfgControls c = editor.load();
    c.chkTitle = false;
    c.chkTime = false;
    c.chkModal = true;
    c.chkSize = true;
    c.txtExt = QStringLiteral("mp3");
    ASSERT_TRUE(ok(c));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("columns 0 0 1000"), QStringLiteral("topmost 1"),
                                       QStringLiteral("ratio 1"), QStringLiteral("reloaded"),
                                       QStringLiteral("FileChange")}));
    EXPECT_EQ(config.settings().ExtList, QStringList{QStringLiteral("mp3")});
    // OK again with the ratio still on installs nothing a second time.
    host.calls.clear();
    ASSERT_TRUE(ok(editor.load()));
    EXPECT_FALSE(host.calls.contains(QStringLiteral("ratio 1")));
    EXPECT_TRUE(config.aspectInstalled());
}

// Values a user typed into Config.ini by hand that no control can show: the window shows no selection, and
// OK without touching them writes them back as they were.
TEST_F(SettingsEditorTest, OutOfRangeValuesShowNoSelectionAndSurviveOk)
{
    QByteArray text = StoredConfig;
    text.replace("Timer=2", "Timer=7").replace("MODE=1", "MODE=-2").replace("DEFAULT DIR=2", "DEFAULT DIR=5");
    loadStored(text);
    const CfgControls c = editor.load();
    EXPECT_EQ(c.cboTimer, -1);
    EXPECT_EQ(c.playMode, -1);
    EXPECT_EQ(c.startFolder, StartFolder::None);
    ASSERT_TRUE(ok(c));
    EXPECT_EQ(read(), text);

    // Choosing a value replaces them.
    CfgControls chosen = editor.load();
    chosen.cboTimer = 1;
    chosen.playMode = 2;
    chosen.startFolder = StartFolder::LastTime;
    ASSERT_TRUE(ok(chosen));
    EXPECT_TRUE(read().contains("Timer=1\r\n"));
    EXPECT_TRUE(read().contains("MODE=2\r\n"));
    EXPECT_TRUE(read().contains("DEFAULT DIR=1\r\nDEFAULT DIR PATH=/music/\r\n"));
}

TEST_F(SettingsEditorTest, ChosenFolderGetsASeparator)
{
    EXPECT_EQ(SettingsEditor::folderChosen(QStringLiteral("/old/"), QStringLiteral("/media/新しい 曲")),
              QStringLiteral("/media/新しい 曲/"));
    EXPECT_EQ(SettingsEditor::folderChosen(QStringLiteral("/old/"), QString()), QStringLiteral("/old/"));
    EXPECT_EQ(SettingsEditor::folderChosen(QString(), QStringLiteral("/")), QStringLiteral("/"));
}

TEST_F(SettingsEditorTest, WriteFailureReportsAndKeepsTheWindowOpen)
{
    loadStored();
    // A folder where Config.ini should be: nothing can be read or written.
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir().mkdir(path()));
    CfgControls c = editor.load();
    c.chkModal = true;
    EXPECT_FALSE(editor.save(c));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().text, QStringLiteral("書き込みできません。(70)"));
    EXPECT_EQ(messages.shown().first().caption, QStringLiteral("Velloplayer"));
    EXPECT_EQ(messages.shown().first().icon, MessageIcon::Critical);
    EXPECT_EQ(config.settings().TopMost, 0); // not written, so not taken
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("FileChange")});
}

TEST_F(SettingsEditorTest, ReadOnlyConfigIniIsReportedNotLost)
{
    loadStored();
    // Reachable by the unprivileged user, but the file itself is read-only; no lock file of ours in the way.
    QFile::remove(path() + QStringLiteral(".lock"));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::WriteOther | QFileDevice::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadOther));
    const int result = TestUser::runAsNobody([this] {
        CfgControls c = editor.load();
        c.playMode = 3;
        c.chkModal = true;
        if (editor.save(c))
            return 1;
        if (messages.shown().size() != 1 ||
            messages.shown().first().text != QStringLiteral("書き込みできません。(70)"))
            return 2;
        if (config.settings().TopMost != 0 || config.settings().PlayMode != 1)
            return 3;
        if (host.calls != QStringList{QStringLiteral("FileChange")})
            return 4;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read(), StoredConfig);
}
