#include "FileListView.h"

#include "ByteTempDir.h"
#include "LegacyNames.h"
#include "MessageService.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace vello;
using namespace vello::test;

namespace {

class FileListViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + "/";
        for (const char* name : {"a.rm", "b.rm", "c.rm"})
            ASSERT_TRUE(writeFile(m_folder + name, QByteArray(2048, 'x')));
        m_browser.setFolderSource([this] { return m_folder; });
        m_browser.setDeleteSettleMs(0);
        m_window.resize(600, 400);
        m_window.show();
        m_browser.FillFileList();
    }
    QPoint rowCentre(int index) const { return m_window.visualItemRect(m_view.rowItem(index)).center(); }

    ByteTempDir m_dir;
    QString m_folder;
    QTreeWidget m_window;
    FileBrowser m_browser;
    FileListView m_view{&m_window, &m_browser};
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
};

} // namespace

TEST_F(FileListViewTest, FourColumnsWithDesignWidthsAndHiddenColumnsWhenOff)
{
    QTreeWidgetItem* header = m_window.headerItem();
    EXPECT_EQ(header->text(0), "名前");
    EXPECT_EQ(header->text(1), "タイトル");
    EXPECT_EQ(header->text(2), "更新日時");
    EXPECT_EQ(header->text(3), "サイズ");
    BrowserSettings settings;
    settings.fileTitle = false;
    m_view.applyColumnSettings(settings);
    EXPECT_TRUE(m_window.isColumnHidden(1));
    EXPECT_EQ(m_view.columnWidthTwips(1), 0);
    EXPECT_NEAR(m_view.columnWidthTwips(0), 1764, 15);
    EXPECT_NEAR(m_view.columnWidthTwips(2), 1549, 15);
    EXPECT_NEAR(m_view.columnWidthTwips(3), 1000, 15);
    EXPECT_EQ(m_window.topLevelItem(0)->textAlignment(3) & Qt::AlignRight, Qt::AlignRight);
}

TEST_F(FileListViewTest, RowsFollowTheModelAndMarkedRowsAreGreyExceptSize)
{
    ASSERT_EQ(m_window.topLevelItemCount(), 3);
    EXPECT_EQ(m_window.topLevelItem(1)->text(0), "b.rm");
    EXPECT_EQ(m_window.topLevelItem(1)->text(3), "2KB");
    EXPECT_EQ(m_window.currentItem(), m_window.topLevelItem(0));

    m_browser.list().select(2);
    EXPECT_EQ(m_window.currentItem(), m_window.topLevelItem(1));
    m_browser.popChange_Click();
    const QColor grey = m_window.palette().color(QPalette::Disabled, QPalette::Text);
    QTreeWidgetItem* row = m_window.topLevelItem(1);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(row->foreground(column).color(), grey) << column;
    EXPECT_FALSE(row->data(3, Qt::ForegroundRole).isValid());

    m_window.setCurrentItem(m_window.topLevelItem(2)); // the user's choice reaches the model
    EXPECT_EQ(m_browser.list().selectedIndex(), 3);
}

TEST_F(FileListViewTest, ContextMenuEntriesFollowTheMode)
{
    EXPECT_EQ(m_view.popDel()->text(), "削除(&D)                      Del");
    EXPECT_EQ(m_view.popReName()->text(), "名前の変更(&R)              F2");
    EXPECT_EQ(m_view.popCopy()->text(), "コピー(&C)");
    EXPECT_EQ(m_view.popMove()->text(), "移動(&M)");
    EXPECT_EQ(m_view.popFaAdd()->text(), "お気に入りに追加(&F)");
    EXPECT_EQ(m_view.popFaDel()->text(), "お気に入りから削除(&C)");
    const QList<QAction*> actions = m_view.contextMenu()->actions();
    ASSERT_EQ(actions.size(), 8);
    EXPECT_EQ(actions.at(0), m_view.popChange());
    EXPECT_TRUE(actions.at(5)->isSeparator());
    EXPECT_EQ(actions.at(7), m_view.popFaDel());

    m_browser.list().setPlayable(3, false);
    ASSERT_TRUE(m_view.prepareContextMenu(rowCentre(3)));
    EXPECT_EQ(m_browser.list().selectedIndex(), 3);
    EXPECT_EQ(m_view.popChange()->text(), "再生可能にする(&C)         Ctrl+C");
    EXPECT_TRUE(m_view.popDel()->isVisible());
    EXPECT_TRUE(m_view.popReName()->isVisible());
    EXPECT_TRUE(m_view.popFaAdd()->isVisible());
    EXPECT_FALSE(m_view.popFaDel()->isVisible());
    EXPECT_FALSE(m_view.popCopy()->isVisible());
    EXPECT_FALSE(m_view.popMove()->isVisible());

    m_browser.setFavouritesMode(true);
    ASSERT_TRUE(m_view.prepareContextMenu(rowCentre(1)));
    EXPECT_EQ(m_view.popChange()->text(), "再生不可にする(&C)         Ctrl+C");
    EXPECT_TRUE(m_view.popChange()->isVisible());
    EXPECT_TRUE(m_view.popFaDel()->isVisible());
    for (QAction* hidden : {m_view.popDel(), m_view.popReName(), m_view.popFaAdd(), actions.at(5)})
        EXPECT_FALSE(hidden->isVisible());
}

TEST_F(FileListViewTest, RightClickBelowTheItemsOpensNoMenuAndKeepsTheSelection)
{
    m_browser.list().select(2);
    EXPECT_FALSE(m_view.prepareContextMenu(QPoint(10, m_window.viewport()->height() - 2)));
    EXPECT_EQ(m_browser.list().selectedIndex(), 2);
    QTest::mouseClick(m_window.viewport(), Qt::RightButton, {},
                      QPoint(10, m_window.viewport()->height() - 2));
    EXPECT_FALSE(m_view.contextMenu()->isVisible());
}

TEST_F(FileListViewTest, CKeyUpdatesTheCaptionAndCtrlCToggles)
{
    m_browser.list().select(1);
    m_view.handleCKey(Qt::NoModifier);
    EXPECT_TRUE(m_browser.list().isPlayable(1));
    m_view.handleCKey(Qt::ControlModifier);
    EXPECT_FALSE(m_browser.list().isPlayable(1));
    EXPECT_EQ(m_view.popChange()->text(), "再生不可にする(&C)         Ctrl+C"); // set before the toggle
    m_view.handleCKey(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(m_browser.list().isPlayable(1));
    m_view.handleCKey(Qt::ControlModifier);
    EXPECT_TRUE(m_browser.list().isPlayable(1));
}

TEST_F(FileListViewTest, HeaderClicksSortTheList)
{
    emit m_window.header()->sectionClicked(0);
    EXPECT_EQ(m_window.topLevelItem(0)->text(0), "c.rm");
    EXPECT_EQ(m_browser.list().sortOrder(), SortOrder::Descending);
}

TEST_F(FileListViewTest, RenameThroughTheInPlaceEditor)
{
    const auto editor = [this] { return m_window.viewport()->findChild<QLineEdit*>(); };
    const auto press = [](QLineEdit* edit, Qt::Key key) {
        QTest::keyClick(edit, key);
        QCoreApplication::processEvents(); // the delegate commits from a queued call
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor goes
    };
    m_browser.list().select(2);
    m_view.popReName_Click();
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->selectedText(), "b"); // typing keeps the extension
    QTest::keyClicks(editor(), "renamed");
    press(editor(), Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(m_folder + "renamed.rm"));
    EXPECT_FALSE(QFile::exists(m_folder + "b.rm"));
    EXPECT_EQ(m_window.topLevelItem(1)->text(0), "renamed.rm");

    // A name whose extension the list does not show is asked about; No goes back to the typed name.
    m_view.popReName_Click();
    QTest::keyClick(editor(), Qt::Key_End);
    QTest::keyClicks(editor(), ".txt");
    press(editor(), Qt::Key_Return);
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().at(0).text,
              FileBrowser::hiddenExtensionQuestion("renamed.rm.txt", {"rm", "mpg", "asf"}));
    EXPECT_EQ(m_messages.shown().at(0).defaultAnswer, MessageAnswer::No);
    QCoreApplication::processEvents(); // the editor opens again
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), "renamed.rm.txt");
    EXPECT_TRUE(QFile::exists(m_folder + "renamed.rm"));
    m_messages.queueAnswer(MessageAnswer::Yes);
    press(editor(), Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(m_folder + "renamed.rm.txt"));
    m_messages.clear();

    // Onto an existing name: the message, and the row keeps its text.
    m_view.popReName_Click();
    QTest::keyClick(editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor(), "a.rm");
    press(editor(), Qt::Key_Return);
    EXPECT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_window.topLevelItem(1)->text(0), "renamed.rm.txt");
    EXPECT_TRUE(QFile::exists(m_folder + "renamed.rm.txt"));
}

TEST_F(FileListViewTest, WhileARefusedRenameIsReportedTheRowShowsTheOldNameAlone)
{
    // What the list shows at the moment the message is shown.
    struct Observer : RecordingMessageService
    {
        QTreeWidget* list = nullptr;
        bool editorVisible = true;
        QString rowText;
        MessageAnswer show(const Message& m) override
        {
            const auto* editor = list->viewport()->findChild<QLineEdit*>();
            editorVisible = editor && editor->isVisible();
            rowText = list->topLevelItem(1)->text(0);
            return RecordingMessageService::show(m);
        }
    } observer;
    observer.list = &m_window;
    ScopedMessageService scope(&observer);
    for (const char* refused : {"a.rm", " ", "x/y.rm"}) {
        SCOPED_TRACE(refused);
        m_browser.list().select(2);
        m_view.popReName_Click();
        auto* editor = m_window.viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromLatin1(refused));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        ASSERT_FALSE(observer.shown().isEmpty());
        EXPECT_FALSE(observer.editorVisible);
        EXPECT_EQ(observer.rowText, "b.rm");
        EXPECT_EQ(m_window.topLevelItem(1)->text(0), "b.rm");
        observer.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(FileListViewTest, PlayingFileIsNotOpenedForRenameNorDeleted)
{
    m_view.setPlayingFileSource([this] { return m_folder + "a.rm"; });
    m_browser.list().select(1);
    m_view.popReName_Click();
    EXPECT_EQ(m_window.viewport()->findChild<QLineEdit*>(), nullptr);
    m_view.popDel_Click();
    ASSERT_EQ(m_messages.shown().size(), 2);
    EXPECT_EQ(m_messages.shown().at(0).text, "再生中のファイルの名前の変更はできません");
    EXPECT_EQ(m_messages.shown().at(1).text, "再生中のファイルは削除できません");
    EXPECT_TRUE(QFile::exists(m_folder + "a.rm"));
}

TEST_F(FileListViewTest, DoubleClickRequestsPlay)
{
    QSignalSpy spy(&m_view, &FileListView::playRequested);
    m_view.setLabelEditAutomatic(false);
    m_window.setCurrentItem(m_window.topLevelItem(1));
    emit m_window.itemDoubleClicked(m_window.topLevelItem(1), 0);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(m_browser.list().selectedIndex(), 2);
}

TEST(FileListViewLifetime, EitherTheControlOrTheBinderMayGoFirst)
{
    FileBrowser browser;
    {
        auto* control = new QTreeWidget;
        FileListView view(control, &browser);
        delete control; // the menu goes with the control
    }
    QTreeWidget control;
    browser.list().setItems({FileListItem{"a.rm", {}, {}, {}, true}});
    {
        FileListView view(&control, &browser);
    }
    ASSERT_EQ(control.topLevelItemCount(), 1);
    control.editItem(control.topLevelItem(0), 0); // the control works on without the binder
    browser.list().clear();                       // and the model no longer reaches it
    EXPECT_EQ(control.topLevelItemCount(), 1);
}

TEST_F(FileListViewTest, ALegacyNameShowsDecodedAndIsRenamedToTheTypedText)
{
    const LegacyNames::Name name = LegacyNames::japaneseWords();
    const QByteArray folder = QFile::encodeName(m_folder);
    ASSERT_TRUE(LegacyNames::writeBytes(folder + name.bytes, "clip"));
    m_browser.FillFileList();
    ASSERT_EQ(m_window.topLevelItemCount(), 4);
    ASSERT_EQ(m_window.topLevelItem(3)->text(0), name.shown); // after a, b, c by its shown name
    m_browser.list().select(4);
    m_view.popReName_Click();
    auto* editor = m_window.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), name.shown);
    editor->setText(QStringLiteral("ライブ.rm"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits from a queued call
    EXPECT_EQ(LegacyNames::readBytes(folder + QStringLiteral("ライブ.rm").toUtf8()), "clip");
    EXPECT_FALSE(LegacyNames::existsBytes(folder + name.bytes));
    EXPECT_EQ(m_window.topLevelItem(3)->text(0), QStringLiteral("ライブ.rm"));
    EXPECT_TRUE(m_messages.shown().isEmpty());
}
