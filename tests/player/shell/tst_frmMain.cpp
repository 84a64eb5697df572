#include "EventLoopWait.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "TestHome.h"
#include "Translations.h"
#include "TransportBar.h"
#include "frmMain.h"
#include "frmSizeChange.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace vello;

namespace {

using TestHome::WindowState;

const QByteArray FullConfig = "[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=0\n"
                              "[File List]\nFILE EXT=rm;mpg;asf\nSEND RECYCLE=0\nFILE TITLE=1\nFILE SIZE=1\n"
                              "FILE DATETIME=1\n[Config]\nDEFAULT DIR=1\nPICKUP=0\n[Slide Timer]\nTimer=2\n";

class FrmMainTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    static void put(const QString& key, const QString& value) { WindowState::put(key, value); }
    static QString stored(const QString& key) { return WindowState::stored(key); }
    void writeConfig(const QByteArray& bytes) { ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), bytes)); }
    /// Parts that only record that they ran, in order.
    struct RecordingParts : MainWindowParts
    {
        QStringList steps;
        std::function<void()> onLoadFavourites;
        std::function<void(double)> onChangeOri;

        void loadFavourites() override
        {
            steps << QStringLiteral("favourites");
            if (onLoadFavourites)
                onLoadFavourites();
        }
        void SetValue() override { steps << QStringLiteral("tree"); }
        void enterFavouritesMode() override { steps << QStringLiteral("favourites mode"); }
        void setFolder(const QString& p) override { steps << QStringLiteral("folder ") + p; }
        void FillFileList() override { steps << QStringLiteral("fill"); }
        void applyVolume(int v) override { steps << QStringLiteral("volume %1").arg(v); }
        void playCommandLine(const QString& f) override { steps << QStringLiteral("play ") + f; }
        void FileChange() override { steps << QStringLiteral("refresh"); }
        void showTips() override { steps << QStringLiteral("tips"); }
        void ChangeOri(double ratio) override
        {
            if (onChangeOri)
                onChangeOri(ratio);
        }
    };

    void record(frmMain& w) { w.setParts(&parts); }

    TestHome::ProgramFolder dir;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    RecordingParts parts;
    QStringList& steps = parts.steps;
};

} // namespace

TEST_F(FrmMainTest, FirstStartUsesDefaultsAndSavesTheStateAtExit)
{
    // Nothing stored: the history, and so the start folder, is the user's home folder.
    const QString home = QDir(QDir::homePath()).canonicalPath() + u'/';
    {
        frmMain w;
        record(w);
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Velloplayer 1.0.0"));
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("Config.ini"))));
        EXPECT_TRUE(messages.shown().isEmpty());
        for (int i = 1; i <= 5; ++i) {
            EXPECT_EQ(w.folderHistory()[size_t(i - 1)], home);
            EXPECT_EQ(w.log(i)->text(), home);
        }
        EXPECT_EQ(w.outerTwips(), QSize(MainLayout::DesignClientWidth + MainLayout::FrameWidth,
                                        MainLayout::DesignClientHeight + MainLayout::FrameHeight));
        EXPECT_EQ(w.windowState(), Qt::WindowNoState);
        // The first start's columns fit their texts at the list's font: a whole date, a size in gigabytes.
        const QFontMetrics metrics(w.FILE1()->font());
        EXPECT_GT(w.FILE1()->columnWidth(0), metrics.horizontalAdvance(QStringLiteral("名前")));
        EXPECT_EQ(w.columnTwips(1), 0); // title column off on the first start
        EXPECT_GT(w.FILE1()->columnWidth(2),
                  metrics.horizontalAdvance(QStringLiteral("2026/12/08 18:30:59")));
        EXPECT_GT(w.FILE1()->columnWidth(3), metrics.horizontalAdvance(QStringLiteral("4194304KB")));
        EXPECT_EQ(w.transportBar().volume(), 50);
        EXPECT_EQ(steps, (QStringList{QStringLiteral("favourites"), QStringLiteral("tree"),
                                      QStringLiteral("folder ") + home, QStringLiteral("fill"),
                                      QStringLiteral("refresh"), QStringLiteral("tips")}));
        w.setFolderHistory({QStringLiteral("/music/")});
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("PATH1")), QStringLiteral("/music/"));
    EXPECT_EQ(stored(QStringLiteral("PATH5")), home);
    EXPECT_EQ(stored(QStringLiteral("STATE")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("WIDTH")), QStringLiteral("9315"));
    EXPECT_EQ(stored(QStringLiteral("HEIGHT")), QStringLiteral("6990"));
    EXPECT_EQ(stored(QStringLiteral("PAIN")), QString::number(MainLayout::DesignSplitter));
    EXPECT_EQ(stored(QStringLiteral("VOLUME")), QStringLiteral("50"));
    EXPECT_EQ(stored(QStringLiteral("FILE_TITLE")), QStringLiteral("0"));
    EXPECT_GT(stored(QStringLiteral("FILE_DATE")).toInt(), 0);
}

TEST_F(FrmMainTest, StoredStateIsRestored)
{
    writeConfig(FullConfig);
    put(QStringLiteral("PATH1"), QStringLiteral("/srv/clips/"));
    put(QStringLiteral("WIDTH"), QStringLiteral("12000"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("9000"));
    put(QStringLiteral("STATE"), QStringLiteral("0"));
    put(QStringLiteral("PAIN"), QStringLiteral("4000"));
    put(QStringLiteral("VOLUME"), QStringLiteral("80"));
    put(QStringLiteral("FILE_NAME"), QStringLiteral("3000"));
    put(QStringLiteral("FILE_TITLE"), QStringLiteral(""));  // empty: the default width
    put(QStringLiteral("FILE_DATE"), QStringLiteral("zz")); // malformed: that column only is skipped
    put(QStringLiteral("FILE_SIZE"), QStringLiteral("1500"));
    frmMain w;
    record(w);
    w.setCommandLine(QStringLiteral("/tmp/a clip.rm"));
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    EXPECT_EQ(w.outerTwips(), QSize(12000, 9000));
    EXPECT_EQ(w.layoutTwips().splitterPosition(), 4000);
    EXPECT_EQ(w.fraFileList()->width(), w.toPixels(4000));
    EXPECT_EQ(w.transportBar().volume(), 80);
    EXPECT_EQ(w.FILE1()->columnWidth(0), w.toPixels(3000));
    EXPECT_EQ(w.FILE1()->columnWidth(1), w.toPixels(1440));
    EXPECT_EQ(w.FILE1()->columnWidth(2), w.toPixels(1549));
    EXPECT_EQ(w.FILE1()->columnWidth(3), w.toPixels(1500));
    EXPECT_EQ(steps, (QStringList{QStringLiteral("favourites"), QStringLiteral("tree"),
                                  QStringLiteral("folder /srv/clips/"), QStringLiteral("fill"),
                                  QStringLiteral("volume 80"), QStringLiteral("play /tmp/a clip.rm"),
                                  QStringLiteral("refresh"), QStringLiteral("tips")}));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(FrmMainTest, ExitWhileMaximisedStoresASmallerSizeThatTheNextStartRestores)
{
    QSize maximisedOuter;
    {
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        w.showMaximized();
        ASSERT_TRUE(TestWait::waitFor([&] { return w.windowState().testFlag(Qt::WindowMaximized); }));
        QApplication::processEvents();
        maximisedOuter = w.outerTwips();
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("STATE")), QStringLiteral("2"));
    EXPECT_EQ(stored(QStringLiteral("WIDTH")).toInt(), maximisedOuter.width() - 500);
    EXPECT_EQ(stored(QStringLiteral("HEIGHT")).toInt(), maximisedOuter.height() - 500);

    frmMain again;
    ASSERT_EQ(again.Form_Load(), frmMain::StartResult::Running);
    EXPECT_TRUE(again.windowState().testFlag(Qt::WindowMaximized));
    again.showNormal();
    // Restored to the nearest whole pixel (the state changes at once, the size when the window system has
    // answered).
    const double pixel = again.twipsPerPixel();
    EXPECT_TRUE(TestWait::waitFor([&] {
        return !again.windowState().testFlag(Qt::WindowMaximized) &&
               std::abs(again.outerTwips().width() - (maximisedOuter.width() - 500)) <= pixel &&
               std::abs(again.outerTwips().height() - (maximisedOuter.height() - 500)) <= pixel;
    })) << again.outerTwips().width()
        << " x " << again.outerTwips().height();
}

TEST_F(FrmMainTest, WindowFirstShowsTheRestoredWindowBeforeTheFilePlaysAndTheRefresh)
{
    writeConfig(FullConfig);
    put(QStringLiteral("PATH1"), QStringLiteral("/srv/clips/"));
    put(QStringLiteral("WIDTH"), QStringLiteral("9000"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("7000"));
    put(QStringLiteral("STATE"), QStringLiteral("2"));
    put(QStringLiteral("VOLUME"), QStringLiteral("80"));
    frmMain w;
    record(w);
    w.setCommandLine(QStringLiteral("/tmp/a clip.rm"));
    w.setWindowFirst(true);
    int finished = 0;
    QObject::connect(&w, &frmMain::startupFinished, &w, [&finished] { ++finished; });
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    // Shown, maximised, with its list filled; the file, the refresh and the tips wait for the event loop.
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_TRUE(w.startupPending());
    EXPECT_EQ(parts.steps, (QStringList{QStringLiteral("favourites"), QStringLiteral("tree"),
                                        QStringLiteral("folder /srv/clips/"), QStringLiteral("fill"),
                                        QStringLiteral("volume 80")}));
    EXPECT_EQ(finished, 0);
    ASSERT_TRUE(TestWait::waitFor([&] { return !w.startupPending(); }));
    EXPECT_EQ(parts.steps.mid(5), (QStringList{QStringLiteral("play /tmp/a clip.rm"),
                                               QStringLiteral("refresh"), QStringLiteral("tips")}));
    EXPECT_EQ(finished, 1);
    // The stored size is the one the window restores to (the state changes at once, the size when the
    // window system has answered).
    EXPECT_TRUE(w.windowState().testFlag(Qt::WindowMaximized));
    w.showNormal();
    const double pixel = w.twipsPerPixel();
    EXPECT_TRUE(TestWait::waitFor([&] {
        return !w.windowState().testFlag(Qt::WindowMaximized) &&
               std::abs(w.outerTwips().width() - 9000) <= pixel &&
               std::abs(w.outerTwips().height() - 7000) <= pixel;
    })) << w.outerTwips().width()
        << " x " << w.outerTwips().height();
    EXPECT_EQ(parts.steps.size(), 8);
    EXPECT_EQ(finished, 1);
}

TEST_F(FrmMainTest, WindowFirstWindowClosedBeforeItAppearedRunsNoMoreSteps)
{
    writeConfig(FullConfig);
    frmMain w;
    record(w);
    w.setWindowFirst(true);
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    w.close();
    ASSERT_TRUE(TestWait::waitFor([&] { return !w.startupPending(); }));
    EXPECT_FALSE(parts.steps.contains(QStringLiteral("refresh")));
    EXPECT_FALSE(parts.steps.contains(QStringLiteral("tips")));
}

TEST_F(FrmMainTest, ExitInFullScreenStoresTheWindowAsItWasBeforeIt)
{
    writeConfig(FullConfig);
    put(QStringLiteral("WIDTH"), QStringLiteral("10500"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("7500"));
    {
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        w.setVideoFullScreen(true);
        ASSERT_TRUE(TestWait::waitFor([&] { return w.windowState().testFlag(Qt::WindowFullScreen); }));
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("STATE")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("WIDTH")), QStringLiteral("10500"));
    EXPECT_EQ(stored(QStringLiteral("HEIGHT")), QStringLiteral("7500"));

    // Maximised before the full-screen display: the maximised rule, and the state, are kept.
    QSize maximised;
    {
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        w.showMaximized();
        ASSERT_TRUE(TestWait::waitFor([&] { return w.windowState().testFlag(Qt::WindowMaximized); }));
        maximised = w.outerTwips();
        w.setVideoFullScreen(true);
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("STATE")), QStringLiteral("2"));
    EXPECT_EQ(stored(QStringLiteral("WIDTH")).toInt(), maximised.width() - 500);
    EXPECT_EQ(stored(QStringLiteral("HEIGHT")).toInt(), maximised.height() - 500);
}

TEST_F(FrmMainTest, StoredSizeLargerThanTheScreenOpensWithinIt)
{
    writeConfig(FullConfig);
    put(QStringLiteral("WIDTH"), QStringLiteral("150000"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("90000"));
    frmMain w;
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    const QSize screen = w.screen()->availableGeometry().size();
    EXPECT_LE(w.outerTwips().width(), w.toTwips(screen.width()));
    EXPECT_LE(w.outerTwips().height(), w.toTwips(screen.height()));
    EXPECT_LE(w.frameGeometry().width(), screen.width() + 1);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(FrmMainTest, WideStoredWindowKeepsItsSplitterPosition)
{
    writeConfig(FullConfig);
    put(QStringLiteral("WIDTH"), QStringLiteral("11000"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("7000"));
    put(QStringLiteral("PAIN"), QStringLiteral("10000")); // beyond the design width's limit
    {
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        EXPECT_EQ(w.layoutTwips().splitterPosition(), 10000);
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("PAIN")), QStringLiteral("10000"));
}

TEST_F(FrmMainTest, FixedRatioKeepsTheRestoredSizeAndTakesItsRatio)
{
    QByteArray config = FullConfig;
    writeConfig(config.replace("FIXED RATIO=0", "FIXED RATIO=1"));
    put(QStringLiteral("WIDTH"), QStringLiteral("10000"));
    put(QStringLiteral("HEIGHT"), QStringLiteral("5000"));
    {
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        QApplication::processEvents();
        EXPECT_EQ(w.outerTwips(), QSize(10000, 5000));
        EXPECT_FLOAT_EQ(w.config().aspectRatio().ratio(), 2.0f);
        // A taller window gets the width of the restored window's ratio.
        w.setOuterTwips(10000, 6000);
        QApplication::processEvents();
        EXPECT_NEAR(double(w.outerTwips().width()) / w.outerTwips().height(), 2.0, 0.01);
        w.setOuterTwips(10000, 5000);
        QApplication::processEvents();
        w.close();
    }
    EXPECT_EQ(stored(QStringLiteral("WIDTH")), QStringLiteral("10000"));
    EXPECT_EQ(stored(QStringLiteral("HEIGHT")), QStringLiteral("5000"));
}

// Window-state values that are not numbers abandon the start-up at the window step: one standard error,
// then the tips; title, splitter, volume, column widths, command line and refresh are skipped.
class BadWindowValueTest : public FrmMainTest,
                           public ::testing::WithParamInterface<std::pair<const char*, const char*>>
{
};

TEST_P(BadWindowValueTest, SkipsToTheTips)
{
    writeConfig(FullConfig);
    put(QString::fromLatin1(GetParam().first), QString::fromUtf8(GetParam().second));
    put(QStringLiteral("PAIN"), QStringLiteral("4000"));
    put(QStringLiteral("VOLUME"), QStringLiteral("80"));
    put(QStringLiteral("FILE_NAME"), QStringLiteral("3000"));
    frmMain w;
    record(w);
    w.setCommandLine(QStringLiteral("/tmp/x.rm"));
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().icon, MessageIcon::Critical);
    EXPECT_EQ(messages.shown().first().caption, QStringLiteral("Velloplayer"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Velloplayer"));
    EXPECT_EQ(w.layoutTwips().splitterPosition(), MainLayout::DesignSplitter);
    EXPECT_EQ(w.transportBar().volume(), 50);
    EXPECT_EQ(w.FILE1()->columnWidth(0), w.toPixels(1764));
    EXPECT_FALSE(w.isVisible()); // the caller shows it after the start-up
    EXPECT_EQ(steps, (QStringList{QStringLiteral("favourites"), QStringLiteral("tree"),
                                  QStringLiteral("folder ") + QDir(QDir::homePath()).canonicalPath() + u'/',
                                  QStringLiteral("fill"), QStringLiteral("tips")}));
}

INSTANTIATE_TEST_SUITE_P(FrmMainTest, BadWindowValueTest,
                         ::testing::Values(std::make_pair("WIDTH", "abc"), std::make_pair("HEIGHT", ""),
                                           std::make_pair("HEIGHT", "1e999"), std::make_pair("WIDTH", "-300"),
                                           std::make_pair("WIDTH", "1e30"), std::make_pair("STATE", "7"),
                                           std::make_pair("STATE", "max"),
                                           std::make_pair("TOP", "\xE4\xB8\x8A")));

TEST_F(FrmMainTest, StartFolderFollowsDefaultDir)
{
    const struct
    {
        QByteArray dirLines;
        QString expected;
    } cases[] = {
        {"DEFAULT DIR=0\n", QStringLiteral("favourites mode")},
        {"DEFAULT DIR=2\n", QStringLiteral("folder /")},
        {"DEFAULT DIR=2\nDEFAULT DIR PATH=/media/\n", QStringLiteral("folder /media/")},
        {"DEFAULT DIR=5\n", QString()},
    };
    for (const auto& c : cases) {
        QByteArray config = FullConfig;
        config.replace("DEFAULT DIR=1\n", c.dirLines);
        writeConfig(config);
        steps.clear();
        frmMain w;
        record(w);
        w.Form_Load();
        w.setParts(nullptr);
        const QStringList expected =
            c.expected.isEmpty()
                ? QStringList{QStringLiteral("favourites"), QStringLiteral("tree"), QStringLiteral("fill")}
                : QStringList{QStringLiteral("favourites"), QStringLiteral("tree"), c.expected,
                              QStringLiteral("fill")};
        EXPECT_EQ(steps.mid(0, expected.size()), expected) << c.dirLines.constData();
    }
}

TEST_F(FrmMainTest, PickupOnShowsNoTips)
{
    QByteArray config = FullConfig;
    writeConfig(config.replace("PICKUP=0", "PICKUP=1"));
    frmMain w;
    record(w);
    w.Form_Load();
    EXPECT_FALSE(steps.contains(QStringLiteral("tips")));
}

TEST_F(FrmMainTest, DamagedSettingsFilesStillStartThePlayer)
{
    const QByteArray bad[] = {
        QByteArray(FullConfig).replace("FIXED RATIO=0", "FIXED RATIO=x").replace("TOPMOST=0", "TOPMOST=1"),
        QByteArray("\x00\xff\xfe[\x01\x02]\n=\n\x80\x81", 12),
        QByteArray(),
    };
    for (const QByteArray& bytes : bad) {
        writeConfig(bytes);
        messages.clear();
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        EXPECT_TRUE(w.isVisible());
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown().first().text, QStringLiteral("型が一致しません。(13)"));
    }
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("Config.ini"))).size(), 0); // never rewritten
}

TEST_F(FrmMainTest, TopMostAndFixedRatioAreApplied)
{
    QByteArray config = FullConfig;
    writeConfig(config.replace("TOPMOST=0", "TOPMOST=1").replace("FIXED RATIO=0", "FIXED RATIO=1"));
    frmMain w;
    w.Form_Load();
    w.Form_Activate();
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w.keepsAspectRatio());
    // Only taller: the width follows to keep the captured ratio.
    const QSize before = w.outerTwips();
    w.setOuterTwips(before.width(), before.height() * 2);
    QApplication::processEvents();
    const QSize after = w.outerTwips();
    EXPECT_NEAR(double(after.width()) / after.height(), double(before.width()) / before.height(), 0.01);
}

TEST_F(FrmMainTest, SecondWindowWhileTheFirstRunsTouchesNothing)
{
    frmMain first;
    first.Form_Load();
    first.close();
    const QByteArray config = [&] {
        QFile f(dir.filePath(QStringLiteral("Config.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    WindowState::clear();
    QFile::remove(dir.filePath(QStringLiteral("Config.ini")));
    {
        frmMain second;
        record(second);
        EXPECT_EQ(second.Form_Load(), frmMain::StartResult::AnotherCopyRuns);
        EXPECT_FALSE(second.isVisible());
        second.close();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Config.ini"))));
    EXPECT_TRUE(WindowState()->childKeys().isEmpty());
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_FALSE(config.isEmpty());
}

TEST_F(FrmMainTest, MenusCarryTheirCaptionsAndKeys)
{
    frmMain w;
    EXPECT_EQ(w.mnuFile()->title(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    EXPECT_EQ(w.mnuView()->title(), QStringLiteral("表示(&V)"));
    EXPECT_EQ(w.mnuHelp()->title(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    const struct
    {
        QAction* action;
        const char* caption;
        QKeySequence key;
    } items[] = {
        {w.mnuEdit(), "RMファイルの編集(&E)", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {w.mnuCfg(), "環境設定(&C)", QKeySequence(Qt::Key_F3)},
        {w.log(1), "Log1", QKeySequence(Qt::CTRL | Qt::Key_F1)},
        {w.log(5), "Log5", QKeySequence(Qt::CTRL | Qt::Key_F5)},
        {w.mnuClear(), "履歴のクリア(&R)", QKeySequence()},
        {w.mnuExit(), "終了(&E)", QKeySequence()},
        {w.mnuFaOpen(), "お気に入りモード(&O)", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {w.mnuFaEdit(), "お気に入りの整理(&S)", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {w.mnuFaAdd(), "お気に入りに追加(A)", QKeySequence()},
        {w.mnuFaDel(), "お気に入りから削除(&D)", QKeySequence()},
        {w.mnuViewFull(), "最大化(&F)", QKeySequence(Qt::Key_F7)},
        {w.mnuViewOri(), "オリジナルサイズ(&O)", QKeySequence(Qt::Key_F9)},
        {w.mnuViewSize(), "倍率変更(&B)", QKeySequence(Qt::Key_F8)},
        {w.mnuShortcut(), "ショートカットキー一覧(&S)", QKeySequence()},
        {w.mnuHelpContents(), "ﾍﾙﾌﾟ(&H)", QKeySequence()},
        {w.mnuAbout(), "バージョン情報(&A)", QKeySequence()},
        {w.mnuUpdate(), "最新バージョンを取得", QKeySequence()},
    };
    for (const auto& item : items) {
        EXPECT_EQ(item.action->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(item.action->shortcut(), item.key) << item.caption;
    }
    // Commands whose feature is not built are disabled, not silent.
    for (QAction* a :
         {w.mnuCfg(), w.mnuFaOpen(), w.mnuFaEdit(), w.mnuFaAdd(), w.mnuFaDel(), w.mnuAbout(), w.mnuUpdate()})
        EXPECT_FALSE(a->isEnabled()) << qPrintable(a->objectName());
    for (QAction* a : {w.mnuEdit(), w.log(1), w.mnuClear(), w.mnuExit(), w.mnuViewFull(), w.mnuViewOri(),
                       w.mnuViewSize(), w.mnuShortcut(), w.mnuHelpContents()})
        EXPECT_TRUE(a->isEnabled()) << qPrintable(a->objectName());
    EXPECT_EQ(w.mnuFa()->title(), QStringLiteral("お気に入り(&A)"));
    EXPECT_EQ(w.FILE1()->headerItem()->text(3), QStringLiteral("サイズ"));
}

TEST_F(FrmMainTest, ViewSizeChecksExcludeEachOther)
{
    frmMain w;
    record(w);
    int ori = 0;
    parts.onChangeOri = [&](double ratio) {
        EXPECT_EQ(ratio, 0.0);
        ++ori;
    };
    w.mnuViewOri()->trigger();
    EXPECT_TRUE(w.mnuViewOri()->isChecked());
    EXPECT_EQ(ori, 1);
    w.mnuViewFull()->trigger();
    EXPECT_TRUE(w.mnuViewFull()->isChecked());
    EXPECT_FALSE(w.mnuViewOri()->isChecked());
    w.mnuViewOri()->trigger();
    EXPECT_FALSE(w.mnuViewFull()->isChecked());
    w.mnuViewOri()->trigger(); // unchecking does not resize
    EXPECT_EQ(ori, 2);
}

TEST_F(FrmMainTest, MagnificationWindowOpensAtOneHundredEachTime)
{
    frmMain w;
    record(w);
    QList<double> ratios;
    parts.onChangeOri = [&](double ratio) { ratios << ratio; };
    w.mnuViewSize()->trigger();
    ASSERT_NE(w.sizeWindow(), nullptr);
    w.sizeWindow()->sld()->setValue(150);
    EXPECT_EQ(ratios, QList<double>{1.5});
    w.sizeWindow()->close();
    w.mnuViewSize()->trigger();
    EXPECT_TRUE(w.sizeWindow()->isVisible());
    EXPECT_EQ(w.sizeWindow()->sld()->value(), 100);
    EXPECT_EQ(w.sizeWindow()->txtPer()->text(), QStringLiteral("100"));
    EXPECT_EQ(ratios, QList<double>{1.5}); // opening resizes nothing
    w.mnuViewSize()->trigger();            // already open: it keeps its value
    w.sizeWindow()->sld()->setValue(120);
    w.mnuViewSize()->trigger();
    EXPECT_EQ(w.sizeWindow()->sld()->value(), 120);
}

TEST_F(FrmMainTest, ClearingTheHistoryStoresTheRootAtOnce)
{
    frmMain w;
    w.Form_Load();
    w.setFolderHistory({QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("/a/")});
    EXPECT_EQ(w.log(3)->text(), QStringLiteral("/a/"));
    w.mnuClear()->trigger();
    EXPECT_EQ(w.log(3)->text(), QStringLiteral("/"));
    EXPECT_EQ(stored(QStringLiteral("PATH3")), QStringLiteral("/"));
}

TEST_F(FrmMainTest, SplitterFollowsTheMouse)
{
    frmMain w;
    w.Form_Load();
    QWidget* handle = w.imgSplitter();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_TRUE(w.picSplitter()->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(-10000, 5), handle->mapToGlobal(QPointF(-10000, 5)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    EXPECT_EQ(w.layoutTwips().picSplitter.left(), 50);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(-10000, 5));
    EXPECT_FALSE(w.picSplitter()->isVisible());
    EXPECT_EQ(w.layoutTwips().fraFileList.width(), 50);
}

TEST_F(FrmMainTest, FailingFavouritesLoadAbandonsToTheTips)
{
    writeConfig(FullConfig);
    frmMain w;
    record(w);
    parts.onLoadFavourites = [] {
        throw AppException(QStringLiteral("ファイルが見つかりません。"), 53, QStringLiteral("Velloplayer"));
    };
    ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
    EXPECT_EQ(steps, (QStringList{QStringLiteral("favourites"), QStringLiteral("tips")}));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().text, QStringLiteral("ファイルが見つかりません。(53)"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Velloplayer"));
}

TEST_F(FrmMainTest, DamagedWindowStateStoreStillStartsThePlayer)
{
    QString file;
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                    QStringLiteral("Velloplayer"));
        file = s.fileName();
    }
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QByteArray junk = "[CONFIG]\nWIDTH=\xff\xfe\x00\x01\nPAIN=@Variant(\x00\x00)\nPATH1=\"\\\n[CONFIG\n";
    junk.append(QByteArray(4096, '\x9c'));
    for (int round = 0; round < 2; ++round) {
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(junk);
        }
        frmMain w;
        ASSERT_EQ(w.Form_Load(), frmMain::StartResult::Running);
        w.show();
        w.close();
        junk = QByteArray(8192, '\0'); // then a file of NULs
    }
}

TEST(QtTranslations, StandardButtonsSpeakJapanese)
{
    ASSERT_TRUE(installQtTranslations()) << "qt6-translations-l10n (scripts/setup.sh) is missing";
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
    const struct
    {
        QDialogButtonBox::StandardButton button;
        const char* english;
    } buttons[] = {
        {QDialogButtonBox::Yes, "&Yes"}, {QDialogButtonBox::No, "&No"}, {QDialogButtonBox::Cancel, "Cancel"}};
    for (const auto& b : buttons) {
        const QString text = box.button(b.button)->text();
        EXPECT_NE(text, QString::fromLatin1(b.english));
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; }))
            << qPrintable(text);
    }
}
