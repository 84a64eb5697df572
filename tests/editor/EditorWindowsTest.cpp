#include "EditorWindows.h"

#include "EditorTestSupport.h"
#include "FolderPathLabel.h"
#include "InputList.h"
#include "InputPanel.h"
#include "KeyframeSlider.h"
#include "M_MAIN.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PreviewPlayer.h"
#include "QtMessageService.h"
#include "ToolWindow.h"
#include "frmCfg.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

using namespace vello;
using namespace vello::editor;
using EditorTest::SampleFolder;
using EditorTest::waitFor;

namespace {

/// Every text a window shows in labels, buttons, frames, boxes and headers.
QStringList textsOf(const QWidget* window)
{
    QStringList out{window->windowTitle()};
    for (const QLabel* l : window->findChildren<QLabel*>())
        out << l->text().split(u'\n');
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>())
        out << b->text();
    for (const QGroupBox* g : window->findChildren<QGroupBox*>())
        out << g->title();
    for (const QLineEdit* e : window->findChildren<QLineEdit*>())
        out << e->text();
    for (const QTreeWidget* t : window->findChildren<QTreeWidget*>()) {
        for (int i = 0; i < t->columnCount(); ++i)
            out << t->headerItem()->text(i);
    }
    return out;
}

class EditorWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestClips::toolsAvailable());
        const QString samples = SampleFolder::instance().path();
        m_settings = {samples, samples, m_out.path(), QStringLiteral("rm;ram;ra"), QStringLiteral("mpg")};
        m_windows = std::make_unique<EditorWindows>(m_settings, EditorTest::nullEngine(), config());
        m_windows->menu().show();
    }
    void TearDown() override { m_windows.reset(); }
    QString config() const { return m_config.filePath(QStringLiteral("Config.ini")); }
    InputPanel* panelOf(ToolKind kind) { return m_windows->openTool(kind)->panel(); }
    int rowOf(InputPanel* panel, const QString& name)
    {
        const auto found = panel->FILE1()->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? -1 : panel->FILE1()->indexOfTopLevelItem(found.first());
    }
    void doubleClickRow(InputPanel* panel, int row)
    {
        QTreeWidget* list = panel->FILE1();
        QTreeWidgetItem* item = list->topLevelItem(row);
        list->setCurrentItem(item);
        const QPoint centre = list->visualItemRect(item).center();
        // A double click as the window system delivers it: a click, then the second press as a double
        // click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }

    QTemporaryDir m_out;
    QTemporaryDir m_config;
    EditorSettings m_settings;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
    std::unique_ptr<EditorWindows> m_windows;
};

} // namespace

TEST_F(EditorWindowsTest, EachMenuButtonOpensItsWindowOnceOwnedByTheMenu)
{
    frmMain& menu = m_windows->menu();
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("動画ファイル編集メニュー"));
    struct Case
    {
        QToolButton* button;
        ToolKind kind;
        const char* objectName;
        const char* caption;
    };
    for (const Case& c : {Case{menu.cmdRa(), ToolKind::RaJoin, "frmRa", "RMファイル編集"},
                          Case{menu.cmdMpg(), ToolKind::MpgJoin, "frmMpg", "MPGファイル編集"},
                          Case{menu.cmdRaCut(), ToolKind::RaCut, "frmRaCut", "RMファイル編集"}}) {
        c.button->click();
        ToolWindow* first = m_windows->tool(c.kind);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->objectName(), c.objectName);
        EXPECT_EQ(first->windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_EQ(first->parentWidget(), &menu);
        EXPECT_TRUE(first->isWindow());
        EXPECT_TRUE(first->isVisible());
        first->showMinimized();
        c.button->click();
        EXPECT_EQ(m_windows->tool(c.kind), first); // brought back, not opened again
        EXPECT_FALSE(first->isMinimized());
    }
    menu.cmdCfg()->click();
    frmCfg* cfg = m_windows->settingsWindow();
    ASSERT_NE(cfg, nullptr);
    menu.cmdCfg()->click();
    EXPECT_EQ(m_windows->settingsWindow(), cfg);

    // A closed window is gone with its state; the next click opens a fresh one.
    QPointer<ToolWindow> ra = m_windows->tool(ToolKind::RaJoin);
    ra->model().setOutputPath(QStringLiteral("/x.rm"));
    ASSERT_TRUE(ra->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(ra.isNull());
    EXPECT_EQ(m_windows->tool(ToolKind::RaJoin), nullptr);
    menu.cmdRa()->click();
    EXPECT_TRUE(m_windows->tool(ToolKind::RaJoin)->model().outputPath().isEmpty());

    // Closing the menu closes every window it owns.
    QPointer<ToolWindow> mpg = m_windows->tool(ToolKind::MpgJoin);
    EXPECT_TRUE(menu.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(mpg.isNull());
}

TEST_F(EditorWindowsTest, EveryWindowShowsItsTextsVerbatim)
{
    const QStringList menuTexts = textsOf(&m_windows->menu());
    for (const char* text : {"動画ファイル編集メニュー", "編集をモードを指定してください", "RMファイルの結合",
                             "MPGファイルの編集", "RMファイルの切り抜き", "環境設定"})
        EXPECT_TRUE(menuTexts.contains(QString::fromUtf8(text))) << text;

    const QStringList cfg = textsOf(m_windows->openSettings());
    for (const char* text :
         {"環境設定", "RMファイルのパス", "MPGファイルのパス", "OUTPUTのパス", "参照", "拡張子",
          "RMファイル編集モードの表示拡張子", "MPGファイル編集モードの表示拡張子", "OK", "Cancel"})
        EXPECT_TRUE(cfg.contains(QString::fromUtf8(text))) << text;

    const char* panelTexts[] = {"名前",        "更新日時", "サイズ", "ダブルクリックで再生します",
                                "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙ", "参照",     "実行",   "Cancel"};
    const char* joinTexts[] = {"ｲﾝﾌﾟｯﾄﾌｧｲﾙ", "ｲﾝﾌﾟｯﾄﾌｧｲﾙに追加", "ｲﾝﾌﾟｯﾄﾌｧｲﾙから削除"};
    for (ToolKind kind : {ToolKind::RaJoin, ToolKind::MpgJoin, ToolKind::RaCut}) {
        const QStringList texts = textsOf(m_windows->openTool(kind));
        for (const char* text : panelTexts)
            EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
        for (const char* text : joinTexts)
            EXPECT_EQ(texts.contains(QString::fromUtf8(text)), kind != ToolKind::RaCut) << text;
    }
    EXPECT_TRUE(textsOf(m_windows->tool(ToolKind::RaJoin)).contains(QStringLiteral("ﾀｲﾄﾙ")));
    const QStringList cut = textsOf(m_windows->tool(ToolKind::RaCut));
    for (const char* text :
         {"開始位置", "終了位置", "取得", "※切り抜き後のファイルは、開始5秒くらい画面が止まりますので、",
          "　 開始は少し早めにしておいてください。", "（これはRealProduerのVersionによって異なります）"})
        EXPECT_TRUE(cut.contains(QString::fromUtf8(text))) << text;
    auto* cutWindow = static_cast<frmRaCut*>(m_windows->tool(ToolKind::RaCut));
    EXPECT_EQ(cutWindow->txtFrom()->text(), "0");
    EXPECT_EQ(cutWindow->txtTO()->text(), "0");
    EXPECT_EQ(cutWindow->panel()->lstInput(), nullptr);
    EXPECT_NE(cutWindow->panel()->player()->positionField(), nullptr);
    EXPECT_EQ(m_windows->tool(ToolKind::RaJoin)->panel()->player()->positionField(), nullptr);
}

TEST_F(EditorWindowsTest, SettingsWindowSavesOnOkOnlyAndBrowsesWithItsTitle)
{
    frmCfg* cfg = m_windows->openSettings();
    EXPECT_EQ(cfg->txtInput(0)->text(), m_settings.RaPath);
    EXPECT_EQ(cfg->txtInput(2)->text(), m_settings.OutPath);
    EXPECT_EQ(cfg->txtExt(0)->text(), "rm;ram;ra");
    EXPECT_EQ(cfg->txtExt(1)->text(), "mpg");

    QStringList asked;
    QString answer;
    cfg->setFolderChooser([&](QWidget* owner, const QString& title, const QString& start) {
        EXPECT_EQ(owner, cfg);
        asked << title + u'|' + start;
        return answer;
    });
    cfg->cmdView(2)->click(); // cancelled: unchanged
    EXPECT_EQ(cfg->txtInput(2)->text(), m_settings.OutPath);
    answer = QStringLiteral("/chosen");
    cfg->cmdView(1)->click();
    EXPECT_EQ(cfg->txtInput(1)->text(), "/chosen");
    EXPECT_EQ(asked, (QStringList{QStringLiteral("ｲﾝﾌﾟｯﾄ初期ﾌｫﾙﾀﾞ設定|") + m_settings.OutPath,
                                  QStringLiteral("ｲﾝﾌﾟｯﾄ初期ﾌｫﾙﾀﾞ設定|") + m_settings.MpgPath}));

    cfg->txtExt(0)->setText(QStringLiteral("rm;"));
    cfg->cmdCan()->click();
    EXPECT_FALSE(QFile::exists(config()));
    EXPECT_EQ(m_windows->settings().RaMask, "rm;ram;ra");

    cfg = m_windows->openSettings();
    cfg->txtExt(0)->setText(QStringLiteral("mpg"));
    cfg->txtInput(2)->clear();
    cfg->cmdOK()->click();
    EXPECT_FALSE(cfg->isVisible());
    EXPECT_EQ(m_windows->settings().RaMask, "mpg");
    EXPECT_EQ(m_windows->settings().OutPath, "");
    QFile file(config());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("RA_MASK=mpg")) << text.constData();
    EXPECT_TRUE(text.contains("OUT_PATH=\n") || text.contains("OUT_PATH=\r\n")) << text.constData();

    // An open tool window takes the new mask at its next refill.
    InputPanel* panel = panelOf(ToolKind::RaJoin);
    EXPECT_EQ(panel->FILE1()->topLevelItemCount(), 1); // c.mpg
}

TEST_F(EditorWindowsTest, PanelListsTheStartFolderAndFollowsTheTree)
{
    InputPanel* panel = panelOf(ToolKind::RaJoin);
    const QString folder = SampleFolder::instance().path() + u'/';
    EXPECT_EQ(panel->clsDTree().Path(), folder);
    EXPECT_EQ(panel->folderLabel()->fullText(), SampleFolder::instance().path());
    QTreeWidget* list = panel->FILE1();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "a clip.rm");
    EXPECT_TRUE(list->topLevelItem(2)->text(2).endsWith("KB"));
    EXPECT_TRUE(list->topLevelItem(0)->isSelected());
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));

    // A click on a folder node: the label and the list follow.
    panel->clsDTree().clickNode(panel->clsDTree().nodeForKey(folder + "sub folder/"));
    EXPECT_EQ(panel->folderLabel()->fullText(), folder + "sub folder");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(list->currentItem(), nullptr);

    // The MPEG window lists by its own mask.
    EXPECT_EQ(panelOf(ToolKind::MpgJoin)->FILE1()->topLevelItemCount(), 1);
}

TEST_F(EditorWindowsTest, AMissingStartFolderOpensTheDeepestExistingOne)
{
    m_windows.reset();
    m_settings.RaPath = SampleFolder::instance().path() + QStringLiteral("/sub folder/gone/deeper");
    m_windows = std::make_unique<EditorWindows>(m_settings, EditorTest::nullEngine(), config());
    InputPanel* panel = panelOf(ToolKind::RaCut);
    EXPECT_EQ(panel->clsDTree().Path(), SampleFolder::instance().path() + "/sub folder/");
    EXPECT_EQ(panel->FILE1()->topLevelItemCount(), 0);
    EXPECT_TRUE(m_messages.shown().isEmpty());
}

TEST_F(EditorWindowsTest, AddRemoveAndTheOutputChooserThroughTheButtons)
{
    InputPanel* panel = panelOf(ToolKind::RaJoin);
    QTreeWidget* list = panel->FILE1();
    list->clearSelection();
    list->setCurrentItem(nullptr);
    panel->cmdAdd()->click(); // nothing selected
    EXPECT_EQ(panel->lstInput()->count(), 0);
    EXPECT_TRUE(panel->txtOut()->text().isEmpty());

    list->setCurrentItem(list->topLevelItem(1));
    list->topLevelItem(0)->setSelected(true);
    panel->cmdAdd()->click();
    ASSERT_EQ(panel->lstInput()->count(), 2);
    EXPECT_EQ(panel->lstInput()->item(0)->text(), SampleFolder::instance().file("a clip.rm"));
    EXPECT_EQ(panel->txtOut()->text(), m_out.path() + "/b.rm");
    panel->cmdAdd()->click();
    EXPECT_EQ(panel->lstInput()->count(), 4);

    // Three scattered entries selected: all three go.
    QListWidget* inputs = panel->lstInput();
    inputs->setCurrentRow(3);
    inputs->clearSelection();
    for (int row : {0, 1, 3})
        inputs->item(row)->setSelected(true);
    panel->cmdDel()->click();
    ASSERT_EQ(inputs->count(), 1);
    EXPECT_EQ(inputs->item(0)->text(), SampleFolder::instance().file("a clip.rm"));

    QStringList asked;
    panel->setSaveChooser([&](QWidget*, const QString& title, const QString& folder) {
        asked << title + u'|' + folder;
        return asked.size() == 1 ? QString() : QStringLiteral("/chosen/out.rm");
    });
    panel->cmdView()->click();
    EXPECT_EQ(panel->txtOut()->text(), m_out.path() + "/b.rm");
    panel->cmdView()->click();
    EXPECT_EQ(panel->txtOut()->text(), "/chosen/out.rm");
    EXPECT_EQ(asked.first(), QStringLiteral("出力ファイル指定|") + m_out.path());

    QTest::keyClicks(panel->txtOut(), "x");
    EXPECT_EQ(m_windows->tool(ToolKind::RaJoin)->model().outputPath(), "/chosen/out.rmx");
}

TEST_F(EditorWindowsTest, DoubleClickPreviewsTheClipAndABrokenFileFailsQuietly)
{
    for (ToolKind kind : {ToolKind::RaJoin, ToolKind::MpgJoin}) {
        ToolWindow* window = m_windows->openTool(kind);
        InputPanel* panel = window->panel();
        const QString name = kind == ToolKind::RaJoin ? QStringLiteral("a clip.rm") : QStringLiteral("c.mpg");
        doubleClickRow(panel, rowOf(panel, name));
        PreviewControl& preview = window->preview();
        EXPECT_EQ(preview.source(), SampleFolder::instance().file(name));
        EXPECT_EQ(panel->player()->sourceLabel()->text(), QStringLiteral("プレビュー: ") + name);
        EXPECT_TRUE(waitFor(
            [&] { return preview.state() == PreviewControl::State::Playing && preview.lengthMs() > 0; }));
        EXPECT_NEAR(preview.lengthMs(), 1000, 200);
        EXPECT_TRUE(
            waitFor([&] { return panel->player()->positionSlider()->maximum() == preview.lengthMs(); }));
    }
    ToolWindow* ra = m_windows->tool(ToolKind::RaJoin);
    doubleClickRow(ra->panel(), rowOf(ra->panel(), QStringLiteral("d broken.rm")));
    EXPECT_TRUE(waitFor([&] { return ra->preview().failed(); }));
    EXPECT_EQ(ra->preview().state(), PreviewControl::State::Stopped);
    EXPECT_TRUE(m_messages.shown().isEmpty());

    ra->preview().empty();
    EXPECT_EQ(ra->preview().state(), PreviewControl::State::Empty);
    EXPECT_TRUE(ra->preview().source().isEmpty());
}

namespace {

/// Whether `first` stands just left of `second` on the same line (above: just above its left edge).
bool standsBefore(const QWidget* first, const QWidget* second, bool above)
{
    const QRect a(first->mapTo(first->window(), QPoint()), first->size());
    const QRect b(second->mapTo(second->window(), QPoint()), second->size());
    if (above)
        return a.bottom() < b.top() && b.top() - a.bottom() < 20 && qAbs(a.left() - b.left()) < 20;
    return a.center().y() > b.top() && a.center().y() < b.bottom() && a.right() < b.left() &&
           b.left() - a.right() < 40;
}

} // namespace

TEST_F(EditorWindowsTest, EveryCaptionStandsBesideItsOwnBox)
{
    QWidget* cfg = m_windows->openSettings();
    QWidget* ra = m_windows->openTool(ToolKind::RaJoin);
    QWidget* cut = m_windows->openTool(ToolKind::RaCut);
    QWidget* menu = &m_windows->menu();
    const std::tuple<QWidget*, const char*, const char*> cases[] = {
        {cfg, "RMファイルのパス", "txtInput0"},
        {cfg, "MPGファイルのパス", "txtInput1"},
        {cfg, "OUTPUTのパス", "txtInput2"},
        {cfg, "RMファイル編集モードの表示拡張子", "txtExt0"},
        {cfg, "MPGファイル編集モードの表示拡張子", "txtExt1"},
        {ra, "ｲﾝﾌﾟｯﾄﾌｧｲﾙ", "lstInput"},
        {ra, "ﾀｲﾄﾙ", "txtTitle"},
        {ra, "ｱｳﾄﾌﾟｯﾄﾌｧｲﾙ", "txtOut"},
        {cut, "開始位置", "txtFrom"},
        {cut, "終了位置", "txtTO"},
        {menu, "RMファイルの結合", "cmdRa"},
        {menu, "MPGファイルの編集", "cmdMpg"},
        {menu, "RMファイルの切り抜き", "cmdRaCut"},
        {menu, "環境設定", "cmdCfg"},
    };
    for (const auto& [window, caption, name] : cases) {
        const QWidget* box = window->findChild<QWidget*>(QString::fromLatin1(name));
        const QLabel* label = nullptr;
        for (const QLabel* l : window->findChildren<QLabel*>())
            label = l->text() == QString::fromUtf8(caption) ? l : label;
        ASSERT_TRUE(box && label) << caption;
        EXPECT_EQ(label->buddy(), box) << caption;
        // The input list has its caption above it; the menu's picture buttons stand before theirs.
        EXPECT_TRUE(window == menu ? standsBefore(box, label, false)
                                   : standsBefore(label, box, box->objectName() == "lstInput"))
            << caption;
    }
}

TEST_F(EditorWindowsTest, TabFollowsTheLayoutAndReturnPressesAMenuButton)
{
    const auto tabs = [](QWidget* from, int count) {
        QStringList names;
        from->setFocus();
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(from->window()->focusWidget(), Qt::Key_Tab);
            names << from->window()->focusWidget()->objectName();
        }
        return names;
    };
    auto* ra = static_cast<frmRa*>(m_windows->openTool(ToolKind::RaJoin));
    EXPECT_EQ(tabs(ra->panel()->cmdDel(), 4), (QStringList{"cmdUp", "cmdDown", "txtTitle", "txtOut"}));
    auto* cut = static_cast<frmRaCut*>(m_windows->openTool(ToolKind::RaCut));
    EXPECT_EQ(tabs(cut->txtFrom(), 4), (QStringList{"cmdGetTime", "txtTO", "cmdGetTimeTO", "txtOut"}));

    m_windows->menu().cmdMpg()->setFocus();
    QTest::keyClick(m_windows->menu().cmdMpg(), Qt::Key_Return);
    EXPECT_NE(m_windows->tool(ToolKind::MpgJoin), nullptr);
}

TEST_F(EditorWindowsTest, TheSaveDialogOffersTheToolsTypeFirstAndAddsItsExtension)
{
    for (const auto& [kind, extension, filter] :
         {std::tuple{ToolKind::RaJoin, ".rm", "RealMediaファイル (*.rm)"},
          std::tuple{ToolKind::MpgJoin, ".mpg", "MPEGファイル (*.mpg)"}}) {
        InputPanel* panel = panelOf(kind);
        QStringList filters;
        QTimer::singleShot(0, [&] {
            // The dialog is open: a name typed without an extension, then Return.
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QTest::keyClicks(name, "joined");
            QTest::keyClick(name, Qt::Key_Return);
        });
        QTest::mouseClick(panel->cmdView(), Qt::LeftButton);
        EXPECT_EQ(filters, (QStringList{QString::fromUtf8(filter), QStringLiteral("すべてのファイル (*)")}));
        EXPECT_EQ(panel->txtOut()->text(), m_out.path() + "/joined" + extension);
    }
}

TEST_F(EditorWindowsTest, AMessageBoxStandsOverTheAskingWindowAndGivesItsFocusBack)
{
    QtMessageService boxes(&m_windows->menu());
    ScopedMessageService scope(&boxes);
    auto* ra = static_cast<frmRa*>(m_windows->openTool(ToolKind::RaJoin));
    ra->txtTitle()->setFocus();
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        parent = QApplication::activeModalWidget()->parentWidget();
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    });
    const ScopedMessageOwner owner(ra);
    MessageService::information(QStringLiteral("テスト"));
    EXPECT_EQ(parent, ra);
    EXPECT_EQ(ra->focusWidget(), ra->txtTitle());
}

TEST_F(EditorWindowsTest, TheJoinOrderFollowsTheButtonsDragsAndDrops)
{
    InputPanel* panel = panelOf(ToolKind::RaJoin);
    InputList* inputs = panel->lstInput();
    QTreeWidget* files = panel->FILE1();
    files->clearSelection();
    for (const char* name : {"a clip.rm", "b.rm"})
        files->topLevelItem(rowOf(panel, QString::fromUtf8(name)))->setSelected(true);
    panel->cmdAdd()->click();
    const auto order = [&] {
        QStringList names;
        for (int row = 0; row < inputs->count(); ++row)
            names << fileNameOf(inputs->item(row)->text());
        return names.join(u'|');
    };
    const auto click = [&](int row) {
        QTest::mouseClick(inputs->viewport(), Qt::LeftButton, {},
                          inputs->visualItemRect(inputs->item(row)).center());
    };
    ASSERT_EQ(order(), "a clip.rm|b.rm");

    click(1);
    panel->cmdUp()->click();
    EXPECT_EQ(order(), "b.rm|a clip.rm");
    EXPECT_TRUE(inputs->item(0)->isSelected()); // the moved entry stays selected
    panel->window()->activateWindow();
    ASSERT_TRUE(waitFor([&] { return panel->window()->isActiveWindow(); }));
    QTest::keyClick(panel->window(), Qt::Key_D, Qt::AltModifier);      // 下へ(&D)
    EXPECT_TRUE(waitFor([&] { return order() == "a clip.rm|b.rm"; })); // an access key clicks after a moment
    EXPECT_FALSE(panel->cmdUp()->toolTip().isEmpty());
    EXPECT_FALSE(panel->cmdDown()->toolTip().isEmpty());

    // A drag within the list, as the list itself packs it, dropped on the lower half of the last entry.
    const auto drop = [&](QMimeData* data, const QPoint& at) {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(inputs->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(inputs->viewport(), &move);
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(inputs->viewport(), &dropped);
        delete data;
        return dropped.isAccepted();
    };
    click(0);
    QMimeData* dragged = inputs->model()->mimeData(inputs->selectionModel()->selectedIndexes());
    const QRect last = inputs->visualItemRect(inputs->item(1));
    EXPECT_TRUE(drop(dragged, last.center() + QPoint(0, last.height() / 4)));
    EXPECT_EQ(order(), "b.rm|a clip.rm");

    // Files from a file manager: the window's extensions only, in the dropped order.
    auto* fromFileManager = new QMimeData;
    fromFileManager->setUrls({QUrl::fromLocalFile(SampleFolder::instance().file("c.mpg")),
                              QUrl::fromLocalFile(SampleFolder::instance().file("d broken.rm")),
                              QUrl::fromLocalFile(SampleFolder::instance().file("a clip.rm"))});
    EXPECT_TRUE(drop(fromFileManager, inputs->viewport()->rect().bottomLeft() + QPoint(5, -5)));
    EXPECT_EQ(order(), "b.rm|a clip.rm|d broken.rm|a clip.rm");
    auto* text = new QMimeData;
    text->setText(QStringLiteral("not a file"));
    EXPECT_FALSE(drop(text, QPoint(5, 5)));
    EXPECT_EQ(inputs->count(), 4);
}
