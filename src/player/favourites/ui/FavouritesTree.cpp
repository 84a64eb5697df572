#include "FavouritesTree.h"

#include "FavouriteFolders.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

#include <cmath>
#include <numbers>

namespace vello::FavouritesTree {

namespace {

/// A small folder picture; open draws the lid raised (the selected folder).
QPixmap folderPixmap(const QColor& body, bool open)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(body.darker(160), 1));
    p.setBrush(body.darker(115));
    p.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1); // tab
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 1.5, 1.5);
    p.setBrush(body);
    if (open) {
        const QPointF lid[] = {{3.5, 7.5}, {15, 7.5}, {13, 14}, {1.5, 14}};
        p.drawPolygon(lid, 4);
    } else {
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7.5), 1.5, 1.5);
    }
    return pixmap;
}

QPixmap rootPixmap()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 0), 1));
    p.setBrush(QColor(255, 200, 40));
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? 7.5 : 3.2;
        const double a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        star << QPointF(8 + r * std::cos(a), 8.3 + r * std::sin(a));
    }
    p.drawPolygon(star);
    return pixmap;
}

} // namespace

QIcon image(int index)
{
    switch (index) {
    case 1:
        return QIcon(folderPixmap(QColor(240, 200, 90), false));
    case 2:
        return QIcon(folderPixmap(QColor(250, 215, 110), true));
    case 3:
        return QIcon(rootPixmap());
    default:
        return {};
    }
}

QIcon folderIcon()
{
    QIcon icon;
    icon.addPixmap(image(1).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(image(2).pixmap(16, 16), QIcon::Selected);
    return icon;
}

void sync(QTreeWidget* tree, const QStringList& nodes, bool editable)
{
    const QSignalBlocker block(tree);
    QTreeWidgetItem* root = tree->topLevelItemCount() > 0 ? tree->topLevelItem(0) : nullptr;
    if (!root) {
        root = new QTreeWidgetItem(tree);
        root->setText(0, FavouriteFolders::rootText());
        root->setData(0, Qt::UserRole, FavouriteFolders::rootTag());
        root->setIcon(0, image(3));
    }
    while (tree->topLevelItemCount() > 1)
        delete tree->takeTopLevelItem(1);
    static const QIcon folder = folderIcon();
    while (root->childCount() > nodes.size())
        delete root->takeChild(root->childCount() - 1);
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        QTreeWidgetItem* item = i < root->childCount() ? root->child(int(i)) : new QTreeWidgetItem(root);
        if (item->text(0) != nodes.at(i))
            item->setText(0, nodes.at(i));
        item->setIcon(0, folder);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable)
            flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
    }
    root->setExpanded(true);
}

int nodeOf(const QTreeWidget* tree, const QTreeWidgetItem* item)
{
    if (!item || tree->topLevelItemCount() == 0)
        return -1;
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    if (item == root)
        return 0;
    if (item->parent() != root)
        return -1;
    return root->indexOfChild(const_cast<QTreeWidgetItem*>(item)) + 1;
}

QTreeWidgetItem* itemOf(const QTreeWidget* tree, int node)
{
    if (node < 0 || tree->topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem* root = tree->topLevelItem(0);
    if (node == 0)
        return root;
    return node - 1 < root->childCount() ? root->child(node - 1) : nullptr;
}

void selectNode(QTreeWidget* tree, int node)
{
    const QSignalBlocker block(tree);
    QTreeWidgetItem* item = itemOf(tree, node);
    tree->setCurrentItem(item);
    if (!item)
        tree->clearSelection();
}

} // namespace vello::FavouritesTree
