// The join windows' input list: entries dragged within it change the join order, and files dropped from a
// file manager are added.
#pragma once

#include <QListWidget>

namespace vello::editor {

/// A list widget that hands drags to its owner instead of moving items itself: entries dragged within
/// the list and dropped before another row give entriesMoved(), local files dropped from elsewhere give
/// filesDropped(). The owner changes its model and shows it again. Window thread only.
class InputList final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputList)

public:
    explicit InputList(QWidget* parent = nullptr);

    /// The row a drop at pos (viewport coordinates) goes before: count() below the last entry.
    int rowBefore(const QPoint& pos) const;

signals:
    /// Entries (ascending rows) dragged within the list, dropped before the entry at row before.
    void entriesMoved(const QList<int>& rows, int before);
    /// Paths of local files dropped on the list, in the dropped order.
    void filesDropped(const QStringList& paths);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// The rows a drag from this very list carries; empty for anything else.
    QList<int> ownRows(const QMimeData* data) const;
    bool acceptable(const QMimeData* data) const;
};

} // namespace vello::editor
