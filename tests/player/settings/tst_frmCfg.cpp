#include "ConfigHost.h"
#include "LogCapture.h"
#include "M_Config.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "RecordingHost.h"
#include "SettingsEditor.h"
#include "TestHome.h"
#include "frmCfg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace vello;

namespace {

const QByteArray StoredConfig =
    "[VELLOKIT]\nRA_PATH=/r\n"
    "[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=0\n"
    "[File List]\nFILE EXT=rm;mpg;asf\nSEND RECYCLE=0\nFILE TITLE=1\nFILE SIZE=1\n"
    "FILE DATETIME=1\n"
    "[Config]\nDEFAULT DIR=2\nDEFAULT DIR PATH=/music/\nPICKUP=0\n"
    "[Slide Timer]\nTimer=2\n";

class FrmCfgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        config.setHost(&host);
        QObject::connect(&editor, &SettingsEditor::fileChangeRequested,
                         [this] { host.calls << QStringLiteral("FileChange"); });
    }

    QString path() const { return dir.filePath(QStringLiteral("Config.ini")); }
    void load(const QByteArray& bytes = StoredConfig)
    {
        ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), bytes));
        config.LoadConfig();
        host.calls.clear();
    }
    QByteArray read() const { return dir.read(QStringLiteral("Config.ini")); }

    TestHome::ProgramFolder dir;
    RecordingHost host{false};
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    M_Config config;
    SettingsEditor editor{config};
};

} // namespace

TEST_F(FrmCfgTest, OpensOnTheGeneralPageWithTheStoredSettings)
{
    load();
    frmCfg window(editor);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_TRUE(window.isModal());
    ASSERT_EQ(window.tab1()->count(), 3);
    EXPECT_EQ(window.tab1()->tabText(0), QStringLiteral("全般"));
    EXPECT_EQ(window.tab1()->tabText(1), QStringLiteral("動作"));
    EXPECT_EQ(window.tab1()->tabText(2), QStringLiteral("ファイルリスト"));
    EXPECT_TRUE(window.fraTab(0)->isVisible());
    EXPECT_FALSE(window.fraTab(1)->isVisible());
    window.tab1()->setCurrentIndex(2);
    EXPECT_TRUE(window.fraTab(2)->isVisible());
    EXPECT_FALSE(window.fraTab(0)->isVisible());

    EXPECT_TRUE(window.optDir()->isChecked());
    EXPECT_EQ(window.txtDir()->text(), QStringLiteral("/music/"));
    EXPECT_TRUE(window.txtDir()->isEnabled());
    EXPECT_TRUE(window.optPlayMode(0)->isChecked());
    EXPECT_EQ(window.cboTimer()->currentText(), QStringLiteral("普通"));
    EXPECT_FALSE(window.cboTimer()->isEditable());
    EXPECT_EQ(window.txtExt()->text(), QStringLiteral("rm;mpg;asf"));
    EXPECT_TRUE(window.chkTitle()->isChecked());
    EXPECT_TRUE(window.cmdOK()->isDefault());
}

TEST_F(FrmCfgTest, OkWithoutChangesWritesTheSameBytesAndRefreshes)
{
    load();
    frmCfg window(editor);
    window.show();
    QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(read(), StoredConfig);
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("columns 1440 1549 1000"), QStringLiteral("topmost 0"),
                                       QStringLiteral("FileChange")}));
}

TEST_F(FrmCfgTest, ClickedControlsAreStored)
{
    load();
    frmCfg window(editor);
    window.show();
    window.optFa()->click();
    EXPECT_FALSE(window.txtDir()->isEnabled());
    EXPECT_FALSE(window.cmdDir()->isEnabled());
    window.tab1()->setCurrentIndex(1);
    window.optPlayMode(3)->click();
    window.cboTimer()->setCurrentIndex(4);
    window.tab1()->setCurrentIndex(2);
    window.chkTitle()->click();
    QTest::keyClick(&window, Qt::Key_Return); // Enter presses OK
    EXPECT_EQ(window.result(), QDialog::Accepted);

    const QByteArray text = read();
    EXPECT_TRUE(text.contains("\nMODE=3\n"));
    EXPECT_TRUE(text.contains("\nTimer=4\n"));
    EXPECT_TRUE(text.contains("\nDEFAULT DIR=0\nDEFAULT DIR PATH=/music/\n"));
    EXPECT_TRUE(text.contains("\nFILE TITLE=0\n"));
    EXPECT_EQ(host.calls.first(), QStringLiteral("columns 0 1549 1000"));
    EXPECT_EQ(config.settings().PlayMode, 3);
    EXPECT_EQ(config.settings().SlideTimer, 4);
}

TEST_F(FrmCfgTest, TypedSettingsAreStoredWithEnter)
{
    load();
    const LogCapture log({"vello.settings"});
    frmCfg window(editor);
    window.show();
    QTest::mouseClick(window.txtDir(), Qt::LeftButton);
    QTest::keyClick(window.txtDir(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(window.txtDir(), QStringLiteral("/videos/"));
    // Ctrl+Tab twice: the file list page.
    QTest::keyClick(window.txtDir(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(window.tab1(), Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(window.tab1()->currentIndex(), 2);
    QTest::keyClick(window.chkTitle(), Qt::Key_Space);
    QTest::mouseClick(window.txtExt(), Qt::LeftButton);
    QTest::keyClick(window.txtExt(), Qt::Key_End);
    QTest::keyClicks(window.txtExt(), QStringLiteral(";mp4"));
    QTest::keyClick(window.txtExt(), Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);

    const QByteArray text = read();
    EXPECT_TRUE(text.contains("\nFILE EXT=rm;mpg;asf;mp4\n"));
    EXPECT_TRUE(text.contains("\nDEFAULT DIR PATH=/videos/\n"));
    EXPECT_TRUE(text.contains("\nFILE TITLE=0\n"));
    EXPECT_EQ(config.settings().ExtList, (QStringList{"rm", "mpg", "asf", "mp4"}));
    EXPECT_EQ(log.lines("vello.settings", "settings written to").size(), 1);
    EXPECT_EQ(log.lines("vello.settings", "settings loaded from").size(), 1);
}

TEST_F(FrmCfgTest, CancelAndEscapeChangeNothing)
{
    load();
    for (const bool escape : {false, true}) {
        frmCfg window(editor);
        window.show();
        window.chkModal()->click();
        window.optPlayMode(2)->click();
        window.txtExt()->setText(QStringLiteral("ogg"));
        if (escape)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            window.cmdCan()->click();
        EXPECT_EQ(window.result(), QDialog::Rejected);
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(read(), StoredConfig);
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(config.settings().TopMost, 0);
    EXPECT_EQ(config.settings().FileExt, QStringLiteral("rm;mpg;asf"));
}

TEST_F(FrmCfgTest, FolderChooserStartsAtTheFieldAndAddsASeparator)
{
    load();
    frmCfg window(editor);
    QStringList asked;
    QString answer = QStringLiteral("/media/ライブ 2026");
    window.setFolderChooser([&](const QString& start, QWidget* owner, const QString& title) {
        asked << start << title;
        EXPECT_EQ(owner, &window);
        return answer;
    });
    window.show();
    window.cmdDir()->click();
    EXPECT_EQ(asked, (QStringList{QStringLiteral("/music/"), QStringLiteral("Default Dir")}));
    EXPECT_EQ(window.txtDir()->text(), QStringLiteral("/media/ライブ 2026/"));
    answer.clear(); // cancelled
    window.cmdDir()->click();
    EXPECT_EQ(window.txtDir()->text(), QStringLiteral("/media/ライブ 2026/"));
}

TEST_F(FrmCfgTest, HandEditedTimerAndModeOpenWithNoSelection)
{
    QByteArray text = StoredConfig;
    text.replace("Timer=2", "Timer=9").replace("MODE=0", "MODE=12");
    load(text);
    frmCfg window(editor);
    window.show();
    EXPECT_EQ(window.cboTimer()->currentIndex(), -1);
    EXPECT_TRUE(window.cboTimer()->currentText().isEmpty());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(window.optPlayMode(i)->isChecked()) << i;
    window.cmdOK()->click();
    EXPECT_EQ(read(), text);
}

TEST_F(FrmCfgTest, FailedSaveKeepsTheWindowOpen)
{
    load();
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir().mkdir(path()));
    frmCfg window(editor);
    window.show();
    window.cmdOK()->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("FileChange")});
}
