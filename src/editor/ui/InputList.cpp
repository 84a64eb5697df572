#include "InputList.h"

#include "NativePath.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace vello::editor {

namespace {

/// Rows of a drag within one list, with the list's identity (process and object), so that a drag from
/// another window's list is not taken for a move.
QString rowsFormat()
{
    return QStringLiteral("application/x-vellokit-input-rows");
}

QByteArray identity(const QObject* list)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(list), 16);
}

} // namespace

InputList::InputList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

QStringList InputList::mimeTypes() const
{
    return {rowsFormat(), QStringLiteral("text/uri-list")};
}

QMimeData* InputList::mimeData(const QList<QListWidgetItem*>& items) const
{
    QList<int> rows;
    for (QListWidgetItem* item : items)
        rows.append(row(item));
    std::sort(rows.begin(), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << identity(this) << rows;
    auto* data = new QMimeData;
    data->setData(rowsFormat(), bytes);
    return data;
}

Qt::DropActions InputList::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

QList<int> InputList::ownRows(const QMimeData* data) const
{
    if (!data || !data->hasFormat(rowsFormat()))
        return {};
    QByteArray owner;
    QList<int> rows;
    QDataStream in(data->data(rowsFormat()));
    in >> owner >> rows;
    if (in.status() != QDataStream::Ok || owner != identity(this))
        return {};
    return rows;
}

bool InputList::acceptable(const QMimeData* data) const
{
    return !ownRows(data).isEmpty() || !droppedPaths(data).isEmpty();
}

int InputList::rowBefore(const QPoint& pos) const
{
    QListWidgetItem* item = itemAt(pos);
    if (!item)
        return count();
    const QRect rect = visualItemRect(item);
    return row(item) + (pos.y() > rect.center().y() ? 1 : 0);
}

void InputList::dragEnterEvent(QDragEnterEvent* event)
{
    if (!acceptable(event->mimeData())) {
        event->ignore();
        return;
    }
    QListWidget::dragEnterEvent(event);
    event->accept();
}

void InputList::dragMoveEvent(QDragMoveEvent* event)
{
    if (!acceptable(event->mimeData())) {
        event->ignore();
        return;
    }
    QListWidget::dragMoveEvent(event); // draws the drop indicator
    event->setDropAction(ownRows(event->mimeData()).isEmpty() ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void InputList::dropEvent(QDropEvent* event)
{
    const QList<int> rows = ownRows(event->mimeData());
    const QStringList paths = rows.isEmpty() ? droppedPaths(event->mimeData()) : QStringList();
    if (rows.isEmpty() && paths.isEmpty()) {
        event->ignore();
        return;
    }
    const int before = rowBefore(event->position().toPoint());
    // Reported as a copy, so that the drag's source does not remove the items itself: the owner shows the
    // new order.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    if (!rows.isEmpty())
        emit entriesMoved(rows, before);
    else
        emit filesDropped(paths);
}

} // namespace vello::editor
