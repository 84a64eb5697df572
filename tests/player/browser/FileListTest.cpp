#include "FileList.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace vello;

namespace {

FileListItem item(const QString& name, const QString& size = {}, const QString& title = {})
{
    FileListItem i;
    i.name = name;
    i.sizeText = size;
    i.title = title;
    return i;
}

QStringList names(const FileList& list)
{
    QStringList out;
    for (int i = 1; i <= list.count(); ++i)
        out << list.name(i);
    return out;
}

} // namespace

TEST(FileList, SelectionIsOneBasedAndSignalledOnChange)
{
    FileList list;
    QSignalSpy spy(&list, &FileList::selectionChanged);
    list.setItems({item("a"), item("b"), item("c")});
    EXPECT_EQ(list.selectedIndex(), 0);
    list.select(2);
    list.select(2);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(list.selectedName(), "b");
    list.select(9); // out of range clears
    EXPECT_EQ(list.selectedIndex(), 0);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 0);
    EXPECT_FALSE(list.isPlayable(0));
    EXPECT_TRUE(list.name(4).isEmpty());
}

TEST(FileList, MarkGreysNameTitleAndDateButNeverSize)
{
    FileList list;
    list.setItems({item("a", "1KB")});
    list.setPlayable(1, false);
    EXPECT_FALSE(list.isPlayable(1));
    EXPECT_TRUE(list.isGreyed(1, 0));
    EXPECT_TRUE(list.isGreyed(1, 1));
    EXPECT_TRUE(list.isGreyed(1, 2));
    EXPECT_FALSE(list.isGreyed(1, 3));
}

TEST(FileList, OwnSortKeepsItemsOrderedAlsoWhenAdded)
{
    FileList list;
    list.setItems({item("b"), item("C"), item("a")});
    list.select(1); // "b"
    list.setSortKey(0);
    list.setSortOrder(SortOrder::Ascending);
    list.setSorting(true);
    EXPECT_EQ(names(list), (QStringList{"a", "b", "C"}));
    EXPECT_EQ(list.selectedName(), "b"); // selection follows its item
    EXPECT_EQ(list.add(item("B2")), 3);
    EXPECT_EQ(names(list), (QStringList{"a", "b", "B2", "C"}));
    list.setSortOrder(SortOrder::Descending);
    EXPECT_EQ(names(list), (QStringList{"C", "B2", "b", "a"}));
    list.setItems({item("x"), item("z"), item("y")});
    EXPECT_EQ(names(list), (QStringList{"z", "y", "x"}));
}

TEST(FileList, OwnSortByTitleColumn)
{
    FileList list;
    list.setItems({item("1", {}, "beta"), item("2", {}, "Alpha"), item("3", {}, "")});
    list.setSortKey(1);
    list.setSorting(true);
    EXPECT_EQ(names(list), (QStringList{"3", "2", "1"}));
}

TEST(FileList, SizeSortIsNumericOneOffAndToleratesEmptyTexts)
{
    FileList list;
    list.setItems({item("k1024", "1024KB"), item("k999", "999KB"), item("none", ""), item("k0", "0KB"),
                   item("bad", "xxKB")});
    list.setSorting(true);
    list.sortBySizeOnce(SortOrder::Ascending);
    EXPECT_FALSE(list.sorting());
    EXPECT_EQ(names(list), (QStringList{"bad", "none", "k0", "k999", "k1024"})); // name order among empties
    list.sortBySizeOnce(SortOrder::Descending);
    EXPECT_EQ(names(list), (QStringList{"k1024", "k999", "k0", "bad", "none"}));
    // Not kept: later additions arrive at the end.
    list.add(item("k5000", "5000KB"));
    EXPECT_EQ(list.name(list.count()), "k5000");
}

TEST(FileList, RemoveKeepsSelectionOnItsItem)
{
    FileList list;
    list.setItems({item("a"), item("b"), item("c")});
    list.select(3);
    list.remove(1);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(list.selectedName(), "c");
    list.remove(2);
    EXPECT_EQ(list.selectedIndex(), 0);
    list.remove(7); // ignored
    EXPECT_EQ(list.count(), 1);
}
