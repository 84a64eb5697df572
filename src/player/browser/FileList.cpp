#include "FileList.h"

#include "NativePath.h"

#include <algorithm>
#include <optional>

namespace vello {

namespace {

const FileListItem& emptyItem()
{
    static const FileListItem item;
    return item;
}

QString columnText(const FileListItem& item, int column)
{
    switch (column) {
    case 1:
        return item.title;
    case 2:
        return item.dateText;
    default:
        return item.shownName();
    }
}

/// The whole-kilobyte value shown in a size text ("1234KB" -> 1234); nothing when it is not that form.
std::optional<qint64> kilobytes(const QString& sizeText)
{
    if (!sizeText.endsWith(QLatin1String("KB")))
        return std::nullopt;
    bool ok = false;
    const qint64 value = QStringView(sizeText).chopped(2).trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

QString FileListItem::shownName() const
{
    return displayPath(name);
}

FileList::FileList(QObject* parent) : QObject(parent) {}

const FileListItem& FileList::item(int index) const
{
    if (index < 1 || index > count())
        return emptyItem();
    return m_items[static_cast<size_t>(index - 1)];
}

QString FileList::name(int index) const
{
    return item(index).name;
}

QString FileList::title(int index) const
{
    return item(index).title;
}

bool FileList::isPlayable(int index) const
{
    return index >= 1 && index <= count() && item(index).playable;
}

bool FileList::isGreyed(int index, int column) const
{
    if (index < 1 || index > count() || column == 3)
        return false;
    return !item(index).playable;
}

void FileList::select(int index)
{
    if (index < 1 || index > count())
        index = 0;
    if (index == m_selected)
        return;
    m_selected = index;
    emit selectionChanged(m_selected);
}

void FileList::setItems(std::vector<FileListItem> items)
{
    const bool hadSelection = m_selected != 0;
    m_items = std::move(items);
    m_selected = 0;
    if (m_sorting)
        sortItems();
    emit reset();
    if (hadSelection)
        emit selectionChanged(0);
}

void FileList::clear()
{
    setItems({});
}

bool FileList::textLess(const FileListItem& a, const FileListItem& b) const
{
    const int c = columnText(a, m_sortKey).compare(columnText(b, m_sortKey), Qt::CaseInsensitive);
    return m_sortOrder == SortOrder::Ascending ? c < 0 : c > 0;
}

void FileList::sortItems()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [this](const FileListItem& a, const FileListItem& b) { return textLess(a, b); });
}

int FileList::add(FileListItem item)
{
    auto pos = m_items.end();
    if (m_sorting) {
        pos =
            std::upper_bound(m_items.begin(), m_items.end(), item,
                             [this](const FileListItem& a, const FileListItem& b) { return textLess(a, b); });
    }
    const int index = static_cast<int>(pos - m_items.begin()) + 1;
    m_items.insert(pos, std::move(item));
    const bool selectionMoved = m_selected >= index;
    if (selectionMoved)
        ++m_selected;
    emit itemInserted(index);
    if (selectionMoved)
        emit selectionChanged(m_selected);
    return index;
}

void FileList::remove(int index)
{
    if (index < 1 || index > count())
        return;
    m_items.erase(m_items.begin() + (index - 1));
    int selected = m_selected;
    if (selected == index)
        selected = 0;
    else if (selected > index)
        --selected;
    const bool changed = selected != m_selected;
    m_selected = selected;
    emit reset();
    if (changed)
        emit selectionChanged(m_selected);
}

void FileList::setPlayable(int index, bool playable)
{
    if (index < 1 || index > count())
        return;
    m_items[static_cast<size_t>(index - 1)].playable = playable;
    emit itemChanged(index);
}

void FileList::setName(int index, const QString& name)
{
    if (index < 1 || index > count())
        return;
    m_items[static_cast<size_t>(index - 1)].name = name;
    emit itemChanged(index);
}

void FileList::setSortKey(int column)
{
    m_sortKey = std::clamp(column, 0, 2);
    if (m_sorting)
        setSorting(true);
}

void FileList::setSortOrder(SortOrder order)
{
    m_sortOrder = order;
    if (m_sorting)
        setSorting(true);
}

void FileList::setSorting(bool on)
{
    m_sorting = on;
    if (!on || m_items.empty())
        return;
    std::vector<size_t> order(m_items.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return textLess(m_items[a], m_items[b]); });
    applyOrder(order);
}

void FileList::sortBySizeOnce(SortOrder order)
{
    m_sorting = false;
    if (m_items.empty())
        return;
    std::vector<size_t> idx(m_items.size());
    std::vector<std::optional<qint64>> values(m_items.size());
    for (size_t i = 0; i < idx.size(); ++i) {
        idx[i] = i;
        values[i] = kilobytes(m_items[i].sizeText);
    }
    // An empty value counts as smaller than every number.
    auto ascendingLess = [&](size_t a, size_t b) {
        const auto& va = values[a];
        const auto& vb = values[b];
        if (!vb.has_value())
            return false;
        return !va.has_value() || *va < *vb;
    };
    if (order == SortOrder::Ascending)
        std::stable_sort(idx.begin(), idx.end(), ascendingLess);
    else
        std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return ascendingLess(b, a); });
    applyOrder(idx);
}

void FileList::applyOrder(const std::vector<size_t>& order)
{
    const int selected = m_selected;
    std::vector<FileListItem> sorted;
    sorted.reserve(m_items.size());
    int newSelected = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (selected != 0 && order[i] == static_cast<size_t>(selected - 1))
            newSelected = static_cast<int>(i) + 1;
        sorted.push_back(std::move(m_items[order[i]]));
    }
    m_items = std::move(sorted);
    m_selected = newSelected;
    emit reset();
    if (newSelected != selected)
        emit selectionChanged(m_selected);
}

} // namespace vello
