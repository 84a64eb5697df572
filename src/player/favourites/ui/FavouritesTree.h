// Renders a favourites tree (the root "Favorites" and its folder nodes) into a QTreeWidget.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

namespace vello::FavouritesTree {

/// The favourites image list imglst1: 1 a folder, 2 the selected folder, 3 the root.
QIcon image(int index);
/// A folder node's icon: image 1, image 2 while selected.
QIcon folderIcon();

/// Makes the tree match: the root "Favorites" (tag "ROOT" in Qt::UserRole, image 3) and one child per
/// name in nodes, in order. Existing items are kept and relabelled, so an open editor or the selection
/// survives; editable makes the folder labels editable.
void sync(QTreeWidget* tree, const QStringList& nodes, bool editable);

/// Node index of an item: 0 the root, 1.. the folders; -1 for null or a foreign item.
int nodeOf(const QTreeWidget* tree, const QTreeWidgetItem* item);
/// The item of a node index; null when there is none.
QTreeWidgetItem* itemOf(const QTreeWidget* tree, int node);
/// Selects the node's item (none for -1) without emitting clicks.
void selectNode(QTreeWidget* tree, int node);

} // namespace vello::FavouritesTree
