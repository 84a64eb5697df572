#include "cDTree.h"

#include "MessageService.h"
#include "NativePath.h"

#include <QEvent>
#include <QFileIconProvider>
#include <QKeyEvent>

#include <algorithm>

namespace vello {

namespace {

QIcon folderIcon(bool open)
{
    static const QIcon closedIcon = QIcon::fromTheme(
        QStringLiteral("folder"), QFileIconProvider().icon(QAbstractFileIconProvider::Folder));
    if (!open)
        return closedIcon;
    return QIcon::fromTheme(QStringLiteral("folder-open"), closedIcon);
}

QIcon driveIcon()
{
    return QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                            QFileIconProvider().icon(QAbstractFileIconProvider::Drive));
}

} // namespace

cDTree::cDTree(QObject* parent)
    : QObject(parent), m_path(FolderTreeLogic::GetTruePath(FolderTreeLogic::currentFolder()))
{
    m_driveSource = &FolderTreeLogic::mountedDrives;
}

void cDTree::setTreeView(QTreeWidget* tree)
{
    if (m_tree) {
        m_tree->disconnect(this);
        m_tree->removeEventFilter(this);
    }
    m_tree = tree;
    if (!m_tree)
        return;
    applyDisplaySettings();
    connect(m_tree, &QTreeWidget::itemExpanded, this, &cDTree::onExpanded);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, &cDTree::onCollapsed);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { clickNode(node); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &cDTree::onCurrentChanged);
    m_tree->installEventFilter(this);
    AddDrives();
}

void cDTree::setImageList(IconStore* icons)
{
    m_icons = icons;
    AddDrives();
}

void cDTree::setDriveSource(std::function<QList<DriveEntry>()> source)
{
    m_driveSource =
        source ? std::move(source) : std::function<QList<DriveEntry>()>(&FolderTreeLogic::mountedDrives);
}

void cDTree::applyDisplaySettings()
{
    m_tree->setColumnCount(1);
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setItemsExpandable(true);
    m_tree->setIndentation(16);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSortingEnabled(false); // children are inserted in order by this class
    m_tree->setUniformRowHeights(true);
    m_tree->setExpandsOnDoubleClick(true);
}

QString cDTree::keyOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

bool cDTree::isPlaceholder(const QTreeWidgetItem* node)
{
    return node && node->text(0).compare(FolderTreeLogic::placeholderText(), Qt::CaseInsensitive) == 0 &&
           keyOf(node).endsWith(FolderTreeLogic::placeholderText() + u'\\');
}

QTreeWidgetItem* cDTree::nodeForKey(const QString& key) const
{
    const QString folded = FolderTreeLogic::foldKey(key);
    if (QTreeWidgetItem* node = m_folders.value(folded))
        return node;
    if (QTreeWidgetItem* node = m_drives.value(folded))
        return node;
    // A key in another letter case: find the folder the file system stores under that name.
    const QString stored = FolderTreeLogic::GetTruePath(key);
    if (stored != key && stored.compare(key, Qt::CaseInsensitive) == 0) {
        if (QTreeWidgetItem* node = m_folders.value(FolderTreeLogic::foldKey(stored)))
            return node;
        return m_drives.value(FolderTreeLogic::foldKey(stored));
    }
    return nullptr;
}

void cDTree::clearTree()
{
    m_folders.clear();
    m_drives.clear();
    if (m_tree)
        m_tree->clear();
}

void cDTree::AddDrives()
{
    if (!m_tree || !m_icons)
        return;
    clearTree();
    const QList<DriveEntry> drives = m_quickBuild    ? QList<DriveEntry>{DriveEntry{QStringLiteral("/"), {}}}
                                     : m_driveSource ? m_driveSource()
                                                     : QList<DriveEntry>();
    for (const DriveEntry& drive : drives)
        AddDriveNode(drive);
}

void cDTree::AddDriveNode(const DriveEntry& drive)
{
    QString root = drive.root;
    if (!root.endsWith(u'/'))
        root += u'/';
    const QString folded = FolderTreeLogic::foldKey(root);
    if (m_drives.contains(folded))
        return;
    auto* node = new QTreeWidgetItem(QStringList{drive.displayName.isEmpty() ? root : drive.displayName});
    node->setData(0, KeyRole, root);
    if (!m_quickBuild) {
        const QString iconKey = m_icons->keyFor(QStringLiteral("drive"), driveIcon);
        node->setData(0, ClosedIconRole, iconKey);
        node->setData(0, OpenIconRole, iconKey);
        node->setIcon(0, m_icons->icon(iconKey));
    }
    node->setToolTip(0, displayPath(root));
    m_tree->addTopLevelItem(node);
    m_drives.insert(folded, node);
    AddPlaceholder(node);
}

void cDTree::AddPlaceholder(QTreeWidgetItem* node)
{
    auto* placeholder = new QTreeWidgetItem(QStringList{FolderTreeLogic::placeholderText()});
    placeholder->setData(0, KeyRole, FolderTreeLogic::placeholderKey(keyOf(node)));
    node->addChild(placeholder);
}

void cDTree::GetFolderIcons(const QString& path, QString& closedKey, QString& openKey)
{
    Q_UNUSED(path); // every folder shows the theme's folder icons
    closedKey = m_icons->keyFor(QStringLiteral("folder"), [] { return folderIcon(false); });
    openKey = m_icons->keyFor(QStringLiteral("folder-open"), [] { return folderIcon(true); });
}

void cDTree::AddSubfolderNodes(QTreeWidgetItem* parent)
{
    const QString parentKey = keyOf(parent);
    QStringList names = FolderTreeLogic::listSubfolders(parentKey);
    std::sort(names.begin(), names.end(), &FolderTreeLogic::folderNameLess);
    QString closedKey;
    QString openKey;
    GetFolderIcons(parentKey, closedKey, openKey);
    const QIcon closedIcon = m_icons->icon(closedKey);
    QList<QTreeWidgetItem*> children;
    children.reserve(names.size());
    for (const QString& name : names) {
        const QString childKey = parentKey + name + u'/';
        const QString folded = FolderTreeLogic::foldKey(childKey);
        if (m_folders.contains(folded))
            continue;
        auto* child = new QTreeWidgetItem(QStringList{displayName(name)});
        child->setData(0, KeyRole, childKey);
        child->setData(0, ClosedIconRole, closedKey);
        child->setData(0, OpenIconRole, openKey);
        child->setIcon(0, closedIcon);
        m_folders.insert(folded, child);
        if (m_quickBuild || FolderTreeLogic::hasSubfolder(childKey))
            AddPlaceholder(child);
        children.append(child);
    }
    parent->addChildren(children);
}

QTreeWidgetItem* cDTree::addQuickNode(QTreeWidgetItem* parent, const QString& key)
{
    if (!isDirectory(key))
        return nullptr;
    // Only the folders on the way are shown until the whole tree is built; the parent's expand mark
    // gives way to them.
    if (parent->childCount() == 1 && isPlaceholder(parent->child(0)))
        delete parent->takeChild(0);
    const QString parentKey = keyOf(parent);
    QString name = key.mid(parentKey.size());
    name.chop(1);
    auto* child = new QTreeWidgetItem(QStringList{displayName(name)});
    child->setData(0, KeyRole, key);
    m_folders.insert(FolderTreeLogic::foldKey(key), child);
    AddPlaceholder(child);
    parent->addChild(child);
    return child;
}

void cDTree::forgetSubtree(QTreeWidgetItem* node)
{
    for (int i = 0; i < node->childCount(); ++i)
        forgetSubtree(node->child(i));
    const QString folded = FolderTreeLogic::foldKey(keyOf(node));
    if (m_folders.value(folded) == node)
        m_folders.remove(folded);
}

void cDTree::removeChildren(QTreeWidgetItem* node)
{
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    for (QTreeWidgetItem* child : children) {
        forgetSubtree(child);
        delete child;
    }
}

bool cDTree::fillIfPlaceholder(QTreeWidgetItem* node)
{
    if (node->childCount() == 0 || !isPlaceholder(node->child(0)))
        return false;
    delete node->takeChild(0);
    AddSubfolderNodes(node);
    return true;
}

void cDTree::onExpanded(QTreeWidgetItem* node)
{
    if (m_recovering || !node)
        return;
    if (const auto error = FolderTreeLogic::probe(keyOf(node))) {
        MessageService::critical(error->messageText());
        m_recovering = true;
        QTreeWidgetItem* selected = m_tree->currentItem();
        m_tree->collapseItem(node);
        onCollapsed(node);
        if (selected && selected != node && nodeForKey(keyOf(selected)) == selected)
            m_tree->setCurrentItem(selected);
        m_recovering = false;
        return;
    }
    fillIfPlaceholder(node);
}

void cDTree::onCollapsed(QTreeWidgetItem* node)
{
    if (!node || isPlaceholder(node))
        return;
    if (node->childCount() == 1 && isPlaceholder(node->child(0)))
        return; // nothing was read below this node
    QTreeWidgetItem* current = m_tree ? m_tree->currentItem() : nullptr;
    bool currentInside = false;
    for (QTreeWidgetItem* up = current ? current->parent() : nullptr; up; up = up->parent())
        currentInside = currentInside || up == node;
    if (currentInside)
        m_tree->setCurrentItem(node);
    removeChildren(node);
    AddPlaceholder(node);
}

void cDTree::onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (previous && !isPlaceholder(previous) && m_icons)
        previous->setIcon(0, m_icons->icon(previous->data(0, ClosedIconRole).toString()));
    if (current && !isPlaceholder(current) && m_icons)
        current->setIcon(0, m_icons->icon(current->data(0, OpenIconRole).toString()));
}

void cDTree::clickNode(QTreeWidgetItem* node)
{
    if (!node || isPlaceholder(node) || !m_tree)
        return;
    const QString key = keyOf(node);
    if (const auto error = FolderTreeLogic::probe(key)) {
        MessageService::critical(error->messageText());
        m_recovering = true;
        m_tree->collapseItem(node);
        onCollapsed(node);
        m_recovering = false;
        m_tree->setEnabled(false);
        m_tree->setEnabled(true);
        return;
    }
    m_path = FolderTreeLogic::GetTruePath(key);
    emit Change(m_path);
}

bool cDTree::setPath(const QString& value)
{
    if (!m_tree || !m_icons)
        return false;
    const QString s = FolderTreeLogic::GetTruePath(value);
    QTreeWidgetItem* node = nullptr;
    for (qsizetype c = s.indexOf(u'/'); c >= 0; c = s.indexOf(u'/', c + 1)) {
        QTreeWidgetItem* next = nodeForKey(s.left(c + 1));
        if (!next && m_quickBuild && node)
            next = addQuickNode(node, s.left(c + 1));
        if (!next)
            return false;
        node = next;
        if (!m_quickBuild)
            fillIfPlaceholder(node);
    }
    if (!node)
        return false;
    m_tree->setCurrentItem(node);
    if (!m_quickBuild)
        m_tree->expandItem(node);
    m_tree->scrollToItem(node);
    m_path = s;
    return true;
}

void cDTree::Refresh()
{
    if (!m_tree || !m_icons)
        return;
    m_quickBuild = false;
    clearTree();
    m_icons->clear();
    AddDrives();
    setPath(m_path);
}

void cDTree::onFocusIn()
{
    if (m_path == QLatin1String("/"))
        return;
    QTreeWidgetItem* node = nodeForKey(m_path);
    if (!node) {
        emit focusSelectFailed();
        return;
    }
    if (m_tree->currentItem() != node)
        m_tree->setCurrentItem(node);
}

bool cDTree::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto modifiers =
                key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
            if (key->key() == Qt::Key_F5 && modifiers == Qt::NoModifier) {
                Refresh();
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                modifiers == Qt::NoModifier) {
                clickNode(m_tree->currentItem());
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            onFocusIn();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vello
