// The favourites windows on the offscreen platform: the folder chooser and the manager's controls.
#include "frmFa.h"

#include "FavouritesManager.h"
#include "FavouritesTestSupport.h"
#include "frmFaFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

using namespace vello;
using vello::test::ByteFolder;
using vello::test::RecordedMessages;

namespace {

/// Runs action on the modal window that opens next (once it is shown).
void onNextModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

/// The tree's open label editor; null when none is open.
QLineEdit* labelEditor(QTreeWidget* tree)
{
    for (QLineEdit* edit : tree->viewport()->findChildren<QLineEdit*>()) {
        if (edit->isVisible())
            return edit;
    }
    return nullptr;
}

/// Types text into the folder chooser and presses Enter (the default button, OK), which closes it unless
/// the name is refused.
void answerChooser(QWidget* modal, const QString& text, bool refused = false)
{
    auto* window = qobject_cast<frmFaFolder*>(modal);
    ASSERT_NE(window, nullptr);
    QLineEdit* typed = window->cboFolder()->lineEdit();
    typed->selectAll();
    QTest::keyClicks(typed, text);
    QTest::keyClick(typed, Qt::Key_Return);
    if (!refused && window->isVisible()) {
        ADD_FAILURE() << "Enter left the chooser open at " << qPrintable(typed->text());
        window->reject();
    }
}

/// Types a new label into the tree's open label editor (its text is selected) and ends it with key.
void typeLabel(QTreeWidget* tree, const QString& text, Qt::Key key = Qt::Key_Return)
{
    QLineEdit* editor = labelEditor(tree);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, key);
    QApplication::processEvents(); // the editor commits from the event loop
}

QMimeData* uriList(const QStringList& paths)
{
    auto* data = new QMimeData;
    QByteArray list;
    for (const QString& path : paths)
        list += "file://" + toNativePath(path).toPercentEncoding("/") + "\r\n";
    data->setData("text/uri-list", list);
    return data;
}

/// A file manager's drag entering, moving over and dropping on the widget at pos.
void dropOn(QWidget* target, const QPoint& pos, const QStringList& paths)
{
    std::unique_ptr<QMimeData> data(uriList(paths));
    QDragEnterEvent enter(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(pos), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

QPoint centreOf(QTreeWidget* tree, QTreeWidgetItem* item)
{
    return tree->visualItemRect(item).center();
}

struct WindowFixture : ::testing::Test
{
    ByteFolder clips;
    ByteFolder data;
    RecordedMessages messages;
    FavouritesStore store{data.path() + "Fa.dat"};

    QStringList listTexts(QListWidget* list) const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << fileNameOf(list->item(i)->data(Qt::UserRole).toString());
        return out;
    }
};

} // namespace

TEST_F(WindowFixture, FolderChooserListsFoldersTakesTypedTextAndRefusesBars)
{
    store.list().add(fa{"Music", "/a.rm"});
    store.list().add(fa{"Live2024", "/a.rm"});
    store.list().add(fa{"Music", "/b.rm"});
    {
        frmFaFolder window(store.list());
        EXPECT_EQ(window.windowTitle(), "お気に入りフォルダ選択");
        EXPECT_EQ(window.cboFolder()->count(), 2);
        EXPECT_EQ(window.cboFolder()->currentText(), "");
        EXPECT_NE(window.findChild<QLabel*>("Label1"), nullptr);
        EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "※ 一覧にない場合は入力します");
        EXPECT_EQ(window.cmdOk()->text(), "OK");
        EXPECT_EQ(window.cmdCan()->text(), "Cancel");
    }
    onNextModal([](QWidget* modal) { answerChooser(modal, "New folder"); });
    EXPECT_EQ(frmFaFolder::choose(store.list(), nullptr), "New folder");
    // A name that begins an existing one stays as typed.
    onNextModal([](QWidget* modal) { answerChooser(modal, "Live"); });
    EXPECT_EQ(frmFaFolder::choose(store.list(), nullptr), "Live");
    onNextModal([](QWidget* modal) { answerChooser(modal, "MUSIC"); });
    EXPECT_EQ(frmFaFolder::choose(store.list(), nullptr), "Music");

    // A bar is refused and the window stays open; Cancel then hands back nothing.
    onNextModal([this](QWidget* modal) {
        answerChooser(modal, "a|b", /*refused=*/true);
        EXPECT_TRUE(modal->isVisible());
        ASSERT_EQ(messages->shown().size(), 1);
        EXPECT_EQ(messages->shown().at(0).text,
                  "フォルダ名に「|」は使えません。別の名前を入力してください。");
        qobject_cast<frmFaFolder*>(modal)->cmdCan()->click();
    });
    EXPECT_EQ(frmFaFolder::choose(store.list(), nullptr), "");
}

TEST_F(WindowFixture, ManagerShowsFoldersRenamesInPlaceAndWritesOnClose)
{
    const QString a = clips.makeFile("a.rm"), b = clips.makeFile("b.rm");
    store.list().add(fa{"Music", a});
    store.list().add(fa{"Live", b});
    ASSERT_TRUE(store.SaveFavorites());
    frmFa window(store, "rm;mpg;asf", {"rm", "mpg", "asf"});
    window.show();
    EXPECT_EQ(window.windowTitle(), "お気に入りの整理");
    EXPECT_EQ(window.lstFa()->toolTip(), "ここにドラッグ＆ドロップしても追加できます");
    EXPECT_EQ(window.cmdAdd()->toolTip(), "ﾌｧｲﾙ追加");
    EXPECT_EQ(window.cmdDel()->toolTip(), "ﾌｧｲﾙをお気に入りから削除");
    EXPECT_EQ(window.cmdDelDir()->toolTip(), "ﾌｫﾙﾀﾞ削除");
    EXPECT_EQ(window.cmdAddFolder()->toolTip(), "新規ﾌｫﾙﾀﾞ");
    EXPECT_FALSE(window.cmdAdd()->isEnabled());
    EXPECT_TRUE(window.cmdAddFolder()->isEnabled());
    EXPECT_EQ(window.lstFa()->selectionMode(), QAbstractItemView::ExtendedSelection);

    QTreeWidget* tree = window.treFa();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Favorites");
    EXPECT_EQ(root->data(0, Qt::UserRole).toString(), "ROOT");
    ASSERT_EQ(root->childCount(), 2);
    QTreeWidgetItem* music = root->child(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(tree, music));
    EXPECT_EQ(listTexts(window.lstFa()), QStringList{"a.rm"});
    EXPECT_TRUE(window.cmdDelDir()->isEnabled());

    // A second click on the shown folder edits its label; a name taken in another letter case is refused.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(tree, music));
    typeLabel(tree, "LIVE");
    EXPECT_EQ(music->text(0), "Music");
    ASSERT_EQ(messages->shown().size(), 1);
    EXPECT_EQ(messages->shown().at(0).text, "新規フォルダLIVEは既に存在します");

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(tree, music));
    typeLabel(tree, "Pops");
    EXPECT_EQ(music->text(0), "Pops");

    // The new-folder button twice: two folders of different names; Escape keeps the offered name.
    QTest::mouseClick(window.cmdAddFolder(), Qt::LeftButton);
    typeLabel(tree, "ignored", Qt::Key_Escape);
    QTest::mouseClick(window.cmdAddFolder(), Qt::LeftButton);
    EXPECT_EQ(labelEditor(tree)->text(), "新規ﾌｫﾙﾀﾞ2");
    typeLabel(tree, "Drums");
    ASSERT_EQ(root->childCount(), 4);
    EXPECT_EQ(root->child(2)->text(0), "新規ﾌｫﾙﾀﾞ");
    EXPECT_EQ(root->child(3)->text(0), "Drums");
    window.close();
    EXPECT_EQ(test::readNative(toNativePath(store.file())),
              toNativePath(a) + "|Pops\r\n" + toNativePath(b) + "|Live\r\n");
}

TEST_F(WindowFixture, DropsKeysAndDragOverTheTree)
{
    const QString a = clips.makeFile("a.rm");
    store.list().add(fa{"Music", a});
    store.list().add(fa{"Live", clips.makeFile("l.rm")});
    ASSERT_TRUE(store.SaveFavorites());
    frmFa window(store, "rm;mpg;asf", {"rm", "mpg", "asf"});
    window.show();
    QTreeWidget* tree = window.treFa();
    QTreeWidgetItem* root = tree->topLevelItem(0);

    // Dropped on the root: the folder chooser asks first; a new name becomes a node holding the files.
    const QString b = clips.makeFile("B file.RM"), t = clips.makeFile("t.txt");
    onNextModal([](QWidget* modal) { answerChooser(modal, "Drops"); });
    dropOn(tree->viewport(), centreOf(tree, root), {b, t});
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(2)->text(0), "Drops");
    EXPECT_EQ(listTexts(window.lstFa()), QStringList{"B file.RM"});

    // Dragged over "Music": that folder is selected and shown, and the drop goes into it.
    const QString c = clips.makeFile("c \xFF.mpg");
    dropOn(tree->viewport(), centreOf(tree, root->child(0)), {c});
    EXPECT_EQ(tree->currentItem(), root->child(0));
    EXPECT_EQ(listTexts(window.lstFa()), (QStringList{"a.rm", fileNameOf(c)}));
    dropOn(window.lstFa()->viewport(), QPoint(5, 5), {clips.makeFile("d.asf")});
    EXPECT_EQ(window.lstFa()->count(), 3);

    // Ctrl+A in the list selects all; Delete removes the selected files.
    window.lstFa()->setFocus();
    QTest::keyClick(window.lstFa(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window.lstFa()->selectedItems().size(), 3);
    window.lstFa()->clearSelection();
    window.lstFa()->item(1)->setSelected(true);
    QTest::keyClick(window.lstFa(), Qt::Key_Delete);
    EXPECT_EQ(listTexts(window.lstFa()), (QStringList{"a.rm", "d.asf"}));
    EXPECT_TRUE(messages->shown().isEmpty());
}
