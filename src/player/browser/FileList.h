// The file list's items, selection and sort state: the playlist that playback walks and the browser fills.
#pragma once

#include <QObject>
#include <QString>

#include <vector>

namespace vello {

/// One entry of the file list.
struct FileListItem
{
    /// Item text: the file name (folder mode) or the full path (favourites mode), in the escaped form of
    /// NativePath.h, so that it reaches the file; shownName() is what the list shows.
    QString name;
    QString title;        ///< title column; empty when the column is off
    QString dateText;     ///< modification date column; empty when the column is off
    QString sizeText;     ///< size column ("1234KB"); empty when the column is off
    bool playable = true; ///< false = marked as not to be played (shown greyed, skipped by playback)

    /// The name as shown: raw bytes of a legacy name decoded (displayPath).
    QString shownName() const;
};

enum class SortOrder
{
    Ascending,
    Descending
};

/// The items of the file list in display order (1-based indexes), the selected item and the list's own
/// sort state. Window thread only; no I/O.
///
/// Selection: selectedIndex() is 0 when nothing is selected. select() with an index outside 1..count()
/// clears the selection. selectionChanged is emitted whenever the selected index changes (also when a
/// refill clears it or a sort moves the selected item).
///
/// Own sort: while sorting() is on, items are kept ordered by the shown text of column sortKey() (0 name,
/// 1 title, 2 date; letter case ignored, equal texts keep their arrival order) in sortOrder(), also when
/// items are added. sortBySizeOnce() switches it off and reorders the present items once.
class FileList : public QObject
{
    Q_OBJECT

public:
    explicit FileList(QObject* parent = nullptr);

    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }

    /// The item at index (1..count()); an empty item for any other index.
    const FileListItem& item(int index) const;
    /// Item text (file name, or full path in favourites mode); empty for an index out of range.
    QString name(int index) const;
    /// Item text as shown; empty for an index out of range.
    QString shownName(int index) const { return item(index).shownName(); }
    /// Title column text; empty for an index out of range.
    QString title(int index) const;
    /// Whether the item may be played; false for an index out of range.
    bool isPlayable(int index) const;
    /// Whether the column (0 name, 1 title, 2 date, 3 size) of the item is shown greyed: the name, title and
    /// date columns follow the mark, the size column never does.
    bool isGreyed(int index, int column) const;

    /// Index of the selected item, 0 when none.
    int selectedIndex() const { return m_selected; }
    /// Selects the item at index; an index outside 1..count() clears the selection.
    void select(int index);
    /// Title column of the selected item; empty when nothing is selected.
    QString selectedTitle() const { return title(m_selected); }
    /// Item text of the selected item; empty when nothing is selected.
    QString selectedName() const { return name(m_selected); }

    /// Replaces all items (kept ordered when sorting is on) and clears the selection. Emits reset().
    void setItems(std::vector<FileListItem> items);
    /// Removes every item. Emits reset().
    void clear();
    /// Adds one item at the end, or at its sorted place while sorting is on. Returns its index.
    int add(FileListItem item);
    /// Removes the item at index; the selection follows its item or is cleared with it.
    void remove(int index);
    /// Sets the playable mark of the item at index. Emits itemChanged().
    void setPlayable(int index, bool playable);
    /// Replaces the item text (after a rename). The item keeps its place. Emits itemChanged().
    void setName(int index, const QString& name);

    int sortKey() const { return m_sortKey; }
    SortOrder sortOrder() const { return m_sortOrder; }
    bool sorting() const { return m_sorting; }
    /// Sets the own sort's column (0..2; others are clamped). Reorders at once while sorting is on.
    void setSortKey(int column);
    void setSortOrder(SortOrder order);
    /// Switches the own sort on (reorders the items at once) or off (keeps the present order).
    void setSorting(bool on);
    /// Switches the own sort off and reorders the present items once by the whole-kilobyte value of the
    /// size column. Items whose size text is not a number followed by "KB" (an empty column) count as
    /// smaller than every number. Equal values keep their order.
    void sortBySizeOnce(SortOrder order);

signals:
    /// The items were replaced, reordered or removed; views redraw everything.
    void reset();
    /// An item was inserted at index (1-based); later items moved down by one.
    void itemInserted(int index);
    /// The mark or text of the item at index changed.
    void itemChanged(int index);
    /// The selected index changed (0 = none).
    void selectionChanged(int index);

private:
    bool textLess(const FileListItem& a, const FileListItem& b) const;
    void sortItems();
    /// Rearranges the items so that position i holds the old item order[i]; the selection follows its item.
    void applyOrder(const std::vector<size_t>& order);

    std::vector<FileListItem> m_items;
    int m_selected = 0;
    int m_sortKey = 0;
    SortOrder m_sortOrder = SortOrder::Ascending;
    bool m_sorting = false;
};

} // namespace vello
