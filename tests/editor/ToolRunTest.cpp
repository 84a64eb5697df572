// The three tools run from their windows on the offscreen platform: real clips, the real wait window,
// questions answered through the message service.
#include "ByteTempDir.h"
#include "EditRunTestSupport.h"
#include "EditorWindows.h"
#include "InputList.h"
#include "InputPanel.h"
#include "KeyframeSlider.h"
#include "MessageService.h"
#include "PreviewPlayer.h"
#include "ProgramPaths.h"
#include "RmTitleLookup.h"
#include "ToolWindow.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

using namespace vello;
using namespace vello::editor;
using namespace RunTest;
using EditorTest::waitFor;

namespace {

/// Records every message and, at each, what the probe says about the windows then.
class ProbingMessages : public RecordingMessageService
{
public:
    MessageAnswer show(const Message& message) override
    {
        if (probe)
            probes << probe(message);
        return RecordingMessageService::show(message);
    }
    std::function<QString(const Message&)> probe;
    QStringList probes;
};

/// The strongest of a colour's three channels: 'r', 'g' or 'b'.
char dominant(const TestClips::Colour& c)
{
    return c.red >= c.green && c.red >= c.blue ? 'r' : c.green >= c.blue ? 'g' : 'b';
}

/// ffprobe's packets of a file's first video stream: time (ms) and a hash of each packet's data.
QList<QPair<qint64, QByteArray>> videoPackets(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pts_time,data_hash",
                 "-show_data_hash", "MD5", "-of", "csv=p=0", path});
    probe.waitForFinished(60000);
    QList<QPair<qint64, QByteArray>> packets;
    for (const QByteArray& line : probe.readAllStandardOutput().split('\n')) {
        qint64 ms = -1;
        QByteArray hash;
        for (const QByteArray& field : line.trimmed().split(',')) {
            if (field.startsWith("MD5:"))
                hash = field;
            else if (!field.isEmpty())
                ms = qRound64(field.toDouble() * 1000);
        }
        if (!hash.isEmpty())
            packets.append({ms, hash});
    }
    return packets;
}

class ToolRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestClips::toolsAvailable());
        ProgramPaths::overrideProgramFolder(qEnvironmentVariable("VELLO_BIN_DIR"));
        m_folder = m_dir.path();
        const EditorSettings settings{m_folder, m_folder, m_folder, QStringLiteral("rm"),
                                      QStringLiteral("mpg")};
        m_windows = std::make_unique<EditorWindows>(settings, EditorTest::nullEngine(),
                                                    m_config.filePath(QStringLiteral("Config.ini")));
        m_windows->menu().show();
    }
    void TearDown() override
    {
        m_windows.reset();
        EXPECT_TRUE(waitFor([] { return childrenNamed("vellowait") == 0; }));
        EXPECT_EQ(temporaries(m_folder), QStringList());
        ProgramPaths::overrideProgramFolder(QString());
    }
    QString path(const QString& name) const { return m_folder + u'/' + name; }
    /// Puts these clips into the window's folder.
    void have(std::initializer_list<const char*> clips)
    {
        for (const char* clip : clips)
            copyClip(m_folder, clip, clip);
    }
    ToolWindow* open(ToolKind kind) { return m_windows->openTool(kind); }
    /// Lists these files of the window's folder in the input list, in this order: a click on each in
    /// the file list, then on "ｲﾝﾌﾟｯﾄﾌｧｲﾙに追加".
    void addInputs(ToolWindow* window, const QStringList& names)
    {
        InputPanel* panel = window->panel();
        panel->FillFileList();
        for (const QString& name : names) {
            const auto found = panel->FILE1()->findItems(name, Qt::MatchExactly, 0);
            ASSERT_EQ(found.size(), 1) << qPrintable(name);
            QTreeWidget* list = panel->FILE1();
            list->scrollToItem(found.first());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(found.first()).center());
            QTest::mouseClick(panel->cmdAdd(), Qt::LeftButton);
        }
    }
    /// Types text as keys that carry it (Japanese included, as an input method gives it).
    static void typeKeys(QWidget* box, const QString& text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    /// Types into a box as a user does: everything selected, then the new text.
    static void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        typeKeys(box, text);
    }
    static void clickEntry(QListWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    /// Presses "実行" and waits until the run has ended.
    void run(ToolWindow* window)
    {
        window->panel()->cmdOK()->click();
        EXPECT_TRUE(waitFor([&] { return !window->run().isRunning(); }));
    }
    QStringList texts() const { return RunTest::texts(m_messages); }

    ByteTempDir m_dir;
    QTemporaryDir m_config;
    QString m_folder;
    ProbingMessages m_messages;
    ScopedMessageService m_scope{&m_messages};
    std::unique_ptr<EditorWindows> m_windows;
};

} // namespace

TEST_F(ToolRunTest, JoinsThreeClipsInListOrderWithTheTypedTitle)
{
    have({"red.rm", "lime.rm", "blue.rm"});
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"lime.rm", "red.rm", "blue.rm"});
    type(ra->txtTitle(), QStringLiteral("結合 テスト"));
    type(ra->panel()->txtOut(), path("joined.rm"));
    m_messages.queueAnswer(MessageAnswer::No);
    m_messages.probe = [ra](const Message& m) {
        // The window is back to normal before each closing message, which is the window's own.
        return QStringLiteral("%1 %2 %3")
            .arg(ra->cursor().shape() == Qt::BusyCursor ? "busy" : "normal",
                 ra->panel()->cmdOK()->isEnabled() ? "enabled" : "disabled", m.owner == ra ? "own" : "other");
    };
    QTest::mouseClick(ra->panel()->cmdOK(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !ra->run().isRunning(); }));

    ASSERT_EQ(m_messages.shown().size(), 2) << qPrintable(texts().join(u'|'));
    const Message& question = m_messages.shown().at(0);
    EXPECT_EQ(question.text,
              QStringLiteral("結合処理が終了しました\n引き続き、ｲﾝﾌﾟｯﾄﾌｧｲﾙの削除を行いますか？"));
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(m_messages.shown().at(1).text, QStringLiteral("処理が正常終了しました"));
    EXPECT_EQ(m_messages.shown().at(1).icon, MessageIcon::Information);
    EXPECT_EQ(m_messages.probes, QStringList(2, QStringLiteral("normal enabled own")));

    // The segments come in list order: green, red, blue (ten frames each).
    const QList<TestClips::Colour> frames = TestClips::frameColours(path("joined.rm"));
    ASSERT_GE(frames.size(), 25);
    std::string order;
    for (int frame : {5, 15, 25})
        order += dominant(frames.at(frame));
    EXPECT_EQ(order, "grb");
    EXPECT_NEAR(TestClips::ffprobeDuration(path("joined.rm")), 3.0, 0.3);
    EXPECT_EQ(RmTitleLookup::readTitle(path("joined.rm")), QStringLiteral("結合 テスト"));
    EXPECT_EQ(decodeErrors(path("joined.rm")), QByteArray());
    for (const char* name : {"red.rm", "lime.rm", "blue.rm"})
        EXPECT_TRUE(exists(path(name))); // No keeps the inputs

    // The file list is refilled, the input list emptied; the title and output stay.
    EXPECT_EQ(ra->panel()->FILE1()->findItems("joined.rm", Qt::MatchExactly, 0).size(), 1);
    EXPECT_EQ(ra->panel()->lstInput()->count(), 0);
    EXPECT_EQ(ra->txtTitle()->text(), QStringLiteral("結合 テスト"));
    EXPECT_EQ(ra->panel()->txtOut()->text(), path("joined.rm"));
    EXPECT_TRUE(ra->panel()->cmdOK()->isEnabled());
}

TEST_F(ToolRunTest, TheEntryChosenByMouseOrKeysShowsItsTitleButNeverOverTypedText)
{
    have({"one.rm", "two.rm", "three.rm"});
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"two.rm", "one.rm", "three.rm"});
    QListWidget* inputs = ra->panel()->lstInput();
    QLineEdit* title = ra->txtTitle();
    clickEntry(inputs, 1);
    EXPECT_TRUE(waitFor([&] { return title->text() == QStringLiteral("一"); }));
    inputs->setFocus();
    QTest::keyClick(inputs, Qt::Key_Down);
    EXPECT_TRUE(waitFor([&] { return title->text() == QStringLiteral("三"); }));
    QTest::keyClick(inputs, Qt::Key_Home);
    EXPECT_TRUE(waitFor([&] { return title->text() == QStringLiteral("二"); }));

    // Typing while the chosen entry's title is still being read: the typed text stays.
    QSignalSpy found(&ra->titles(), &RmTitleLookup::titleFound);
    clickEntry(inputs, 2);
    typeKeys(title, QStringLiteral("!"));
    EXPECT_TRUE(waitFor([&] { return found.count() > 0; }));
    EXPECT_EQ(title->text(), QStringLiteral("二!"));

    // One input left: a copy of it with the typed title.
    clickEntry(inputs, 0);
    QTest::mouseClick(inputs->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      inputs->visualItemRect(inputs->item(2)).center());
    QTest::mouseClick(ra->panel()->cmdDel(), Qt::LeftButton);
    ASSERT_EQ(inputs->count(), 1);
    type(title, QStringLiteral("新しい題名"));
    type(ra->panel()->txtOut(), path("copy.rm"));
    run(ra);
    EXPECT_NEAR(TestClips::ffprobeDuration(path("copy.rm")), 1.0, 0.2);
    EXPECT_EQ(RmTitleLookup::readTitle(path("copy.rm")), QStringLiteral("新しい題名"));
    EXPECT_EQ(RmTitleLookup::readTitle(path("one.rm")), QStringLiteral("一"));
}

TEST_F(ToolRunTest, AnExistingOutputGoesToTheTrashOnlyAfterASuccessfulWrite)
{
    have({"one.rm", "two.rm"});
    copyClip(m_folder, "broken.rm", "broken.rm");
    ASSERT_TRUE(writeFile(path("out.rm"), "the previous result"));
    const qsizetype trashBefore = trashContents().size();

    // A damaged input: the engine's text, the old output untouched and not in the trash.
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"one.rm", "broken.rm"});
    ra->model().setOutputPath(path("out.rm"));
    run(ra);
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().at(0).icon, MessageIcon::Critical);
    EXPECT_TRUE(m_messages.shown().at(0).text.contains(QStringLiteral("broken.rm")));
    EXPECT_EQ(bytesOf(path("out.rm")), QByteArray("the previous result"));
    EXPECT_EQ(trashContents().size(), trashBefore);
    EXPECT_EQ(ra->panel()->lstInput()->count(), 2); // a failed run keeps the list

    m_messages.clear();
    ra->model().clearInputs();
    addInputs(ra, {"one.rm", "two.rm"});
    run(ra);
    EXPECT_EQ(texts().last(), QStringLiteral("処理が正常終了しました"));
    EXPECT_NEAR(TestClips::ffprobeDuration(path("out.rm")), 2.0, 0.3);
    EXPECT_TRUE(trashContents().contains(QByteArray("the previous result")));
}

TEST_F(ToolRunTest, YesTrashesEveryInputButNeverTheFileJustWritten)
{
    have({"one.rm", "two.rm"});
    // one.rm is listed twice and is also the output.
    const QByteArray oneBefore = bytesOf(path("one.rm"));
    const QByteArray twoBefore = bytesOf(path("two.rm"));
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"one.rm", "two.rm", "one.rm"});
    ra->model().setOutputPath(path("one.rm"));
    m_messages.queueAnswer(MessageAnswer::Yes);
    run(ra);
    EXPECT_EQ(texts().last(), QStringLiteral("処理が正常終了しました")) << qPrintable(texts().join(u'|'));
    ASSERT_TRUE(exists(path("one.rm")));
    EXPECT_NEAR(TestClips::ffprobeDuration(path("one.rm")), 3.0, 0.3); // the result survives
    EXPECT_FALSE(exists(path("two.rm")));
    const QList<QByteArray> trash = trashContents();
    EXPECT_TRUE(trash.contains(oneBefore)); // the old output, after the write
    EXPECT_TRUE(trash.contains(twoBefore));
}

TEST_F(ToolRunTest, CutsTheRangeTakenFromThePreview)
{
    have({"long.rm"});
    auto* cut = static_cast<frmRaCut*>(open(ToolKind::RaCut));
    cut->preview().open(path("long.rm"));
    ASSERT_TRUE(waitFor([&] { return cut->preview().lengthMs() > 0; }));
    cut->preview().seekMs(1500);
    cut->cmdGetTime()->click();
    cut->preview().seekMs(3000);
    cut->cmdGetTimeTO()->click();
    EXPECT_EQ(cut->txtFrom()->text(), "1500");
    EXPECT_EQ(cut->txtTO()->text(), "3000");
    cut->model().setOutputPath(path("cut.rm"));
    run(cut);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("切り抜きに成功しました")});
    EXPECT_EQ(m_messages.shown().at(0).icon, MessageIcon::Information);
    // The cut starts at the key frame at or before the start (ffmpeg's clips have one every 1.2 s).
    const double seconds = TestClips::ffprobeDuration(path("cut.rm"));
    EXPECT_GE(seconds, 1.4);
    EXPECT_LE(seconds, 2.9);
    EXPECT_EQ(decodeErrors(path("cut.rm")), QByteArray());
    EXPECT_EQ(cut->txtFrom()->text(), "1500"); // the boxes keep their texts
    EXPECT_EQ(cut->panel()->FILE1()->findItems("cut.rm", Qt::MatchExactly, 0).size(), 1);
}

TEST_F(ToolRunTest, CutOfAFileAddressOverItsOwnInput)
{
    have({"long.rm"});
    // The preview was given a file address; the output is the previewed file itself.
    const QByteArray before = bytesOf(path("long.rm"));
    auto* cut = static_cast<frmRaCut*>(open(ToolKind::RaCut));
    cut->preview().open(QUrl::fromLocalFile(path("long.rm")).toString(QUrl::FullyEncoded));
    ASSERT_TRUE(cut->preview().source().startsWith("file://"));
    cut->txtFrom()->setText(QStringLiteral("0"));
    cut->txtTO()->setText(QStringLiteral("2000.4"));
    cut->model().setOutputPath(path("long.rm"));
    run(cut);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("切り抜きに成功しました")});
    EXPECT_NEAR(TestClips::ffprobeDuration(path("long.rm")), 2.0, 0.3);
    EXPECT_TRUE(trashContents().contains(before)); // the old file went to the trash after the write
    // The keyframes shown are those of the file now under that name.
    EXPECT_TRUE(waitFor([&] { return cut->keyframes().times() == QList<qint32>{0, 1200}; }));
}

TEST_F(ToolRunTest, TheCutWindowShowsWhereTheCutStartsAndTheCutStartsThere)
{
    have({"long.rm"}); // 4 s, a keyframe every 1.2 s
    auto* cut = static_cast<frmRaCut*>(open(ToolKind::RaCut));
    EXPECT_EQ(
        cut->lblCutFile()->text(),
        QStringLiteral("切り抜くファイル: （なし。一覧のファイルをダブルクリックして再生してください）"));
    InputPanel* panel = cut->panel();
    panel->FillFileList();
    QTreeWidget* list = panel->FILE1();
    const QPoint at = list->visualItemRect(list->findItems("long.rm", Qt::MatchExactly, 0).first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(cut->lblCutFile()->text(), QStringLiteral("切り抜くファイル: long.rm"));
    ASSERT_TRUE(waitFor([&] {
        return cut->preview().state() == PreviewControl::State::Playing &&
               cut->keyframes().state() == KeyframeModel::State::Ready;
    }));
    EXPECT_EQ(panel->player()->positionSlider()->marks(), (QList<qint32>{0, 1200, 2400, 3600}));

    // Typing a start shows the start the cut will really have.
    QTest::keyClick(cut->txtFrom(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(cut->txtFrom(), "3000");
    EXPECT_EQ(cut->lblRealStart()->text(), QStringLiteral("実際の開始位置: 2.400 秒"));

    // The step buttons (and their access keys) move the preview from keyframe to keyframe.
    panel->player()->playButton()->click();
    ASSERT_TRUE(waitFor([&] { return cut->preview().state() == PreviewControl::State::Paused; }));
    cut->preview().seekMs(1300);
    ASSERT_TRUE(waitFor([&] { return cut->preview().positionMs() == 1300; }));
    const auto stepsTo = [&](QPushButton* button, qint32 ms) {
        button->click();
        return waitFor([&] { return cut->preview().positionMs() == ms; });
    };
    EXPECT_TRUE(stepsTo(cut->cmdNextKeyframe(), 2400));
    EXPECT_TRUE(stepsTo(cut->cmdNextKeyframe(), 3600));
    EXPECT_TRUE(stepsTo(cut->cmdPrevKeyframe(), 2400));
    cut->activateWindow();
    ASSERT_TRUE(waitFor([&] { return cut->isActiveWindow(); }));
    QTest::keyClick(cut, Qt::Key_B, Qt::AltModifier); // 前のキーフレーム(&B)
    EXPECT_TRUE(waitFor([&] { return cut->preview().positionMs() == 1200; }));
    cut->cmdGetTime()->click();
    EXPECT_EQ(cut->lblRealStart()->text(), QStringLiteral("実際の開始位置: 1.200 秒"));

    // The written cut starts with the frame shown at that time.
    QTest::keyClick(cut->txtTO(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(cut->txtTO(), "3300");
    cut->model().setOutputPath(path("cut.rm"));
    run(cut);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("切り抜きに成功しました")});
    const auto original = videoPackets(path("long.rm"));
    const auto written = videoPackets(path("cut.rm"));
    ASSERT_FALSE(written.isEmpty());
    const auto shown =
        std::find_if(original.begin(), original.end(), [](const auto& p) { return p.first == 1200; });
    ASSERT_NE(shown, original.end());
    EXPECT_EQ(written.first().second, shown->second);
    EXPECT_EQ(written.first().first, 0);
    EXPECT_NEAR(TestClips::ffprobeDuration(path("cut.rm")), 2.1, 0.15);
}

TEST_F(ToolRunTest, AnInputMovedUpComesFirstInTheJoinedFile)
{
    have({"one.rm", "long.rm"});
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"one.rm", "long.rm"});
    InputList* inputs = ra->panel()->lstInput();
    QTest::mouseClick(inputs->viewport(), Qt::LeftButton, {},
                      inputs->visualItemRect(inputs->item(1)).center());
    ra->panel()->cmdUp()->click();
    ra->model().setOutputPath(path("joined.rm"));
    m_messages.queueAnswer(MessageAnswer::No);
    run(ra);
    EXPECT_EQ(texts().last(), QStringLiteral("処理が正常終了しました"));
    // The joined file's first four seconds are long.rm's frames (both clips show the same first second).
    const auto joined = videoPackets(path("joined.rm"));
    const auto first = videoPackets(path("long.rm"));
    ASSERT_GT(joined.size(), first.size());
    for (qsizetype i = 0; i < first.size(); ++i)
        EXPECT_EQ(joined.at(i).second, first.at(i).second) << "frame " << i;
}

TEST_F(ToolRunTest, MpegJoinIsTheByteConcatenationWithHostileNames)
{
    const QList<QByteArray> names = {"a b 'q' \"d\" $x;y.mpg", QByteArray("new\nline \xff.mpg"),
                                     "東京 ライブ.mpg"};
    QByteArray expected;
    for (const QByteArray& name : names) {
        copyClip(m_folder, name.startsWith('a') ? "a.mpg" : name.startsWith('n') ? "b.mpg" : "c.mpg", name);
        expected += bytesOf(m_folder + u'/' + fromNativePath(name));
    }
    ToolWindow* mpg = open(ToolKind::MpgJoin);
    mpg->panel()->FillFileList();
    QStringList inputs;
    for (const QByteArray& name : names)
        inputs << m_folder + u'/' + fromNativePath(name);
    // The same entries through the list: select each row in turn.
    for (const QString& input : inputs) {
        for (int row = 0; row < mpg->model().files().size(); ++row) {
            if (mpg->model().fullPathOf(row) == input)
                mpg->model().add({row}, row);
        }
    }
    ASSERT_EQ(mpg->model().inputs(), inputs);
    const QString out = m_folder + u'/' + fromNativePath(QByteArray("out $(rm) \xfe.mpg"));
    mpg->model().setOutputPath(out);
    m_messages.queueAnswer(MessageAnswer::No);
    run(mpg);
    EXPECT_EQ(texts().last(), QStringLiteral("処理が正常終了しました")) << qPrintable(texts().join(u'|'));
    EXPECT_EQ(bytesOf(out), expected);
}

TEST_F(ToolRunTest, WhileARunGoesNothingClosesAndNoSecondRunStarts)
{
    have({"long.rm"});
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"long.rm", "long.rm", "long.rm"});
    ra->model().setOutputPath(path("busy.rm"));
    ToolWindow* mpg = open(ToolKind::MpgJoin);
    copyClip(m_folder, "a.mpg", "a.mpg");
    addInputs(mpg, {"a.mpg"});
    mpg->model().setOutputPath(path("other.mpg"));

    ra->panel()->cmdOK()->click();
    ASSERT_TRUE(ra->run().isRunning()); // its end is delivered by the event loop, which has not run yet
    EXPECT_FALSE(ra->panel()->cmdOK()->isEnabled());
    EXPECT_FALSE(ra->close());
    EXPECT_FALSE(m_windows->menu().close());
    EXPECT_EQ(texts(), (QStringList{EditRun::closeRefusedText(), EditRun::closeRefusedText()}));
    mpg->panel()->cmdOK()->click();
    EXPECT_EQ(texts().last(), EditRun::busyText());
    EXPECT_FALSE(exists(path("other.mpg")));
    QList<QByteArrayList> waits;
    EXPECT_EQ(childrenNamed("vellowait", &waits), 1);
    // The wait window is told which window to stay above.
    ASSERT_EQ(waits.size(), 1);
    EXPECT_TRUE(waits.first().contains("--owner=" + QByteArray::number(ra->winId())));

    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_TRUE(waitFor([&] { return !ra->run().isRunning(); }));
    EXPECT_EQ(texts().last(), QStringLiteral("処理が正常終了しました"));
    EXPECT_NEAR(TestClips::ffprobeDuration(path("busy.rm")), 12.0, 0.5);
    EXPECT_TRUE(ra->close());
}

TEST_F(ToolRunTest, AMissingWaitWindowProgramRefusesTheRunAndWritesNothing)
{
    have({"one.rm"});
    QTemporaryDir empty;
    ProgramPaths::overrideProgramFolder(empty.path());
    auto* ra = static_cast<frmRa*>(open(ToolKind::RaJoin));
    addInputs(ra, {"one.rm"});
    ra->model().setOutputPath(path("never.rm"));
    run(ra);
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_TRUE(texts().first().contains(QStringLiteral("vellowait")));
    EXPECT_FALSE(exists(path("never.rm")));
    EXPECT_EQ(ra->panel()->lstInput()->count(), 1);
    EXPECT_TRUE(ra->panel()->cmdOK()->isEnabled());
}
