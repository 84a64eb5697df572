// The folder tree of both programs: drives and lazily filled folders in a tree control it takes over.
#pragma once

#include "FolderTreeLogic.h"
#include "IconStore.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTreeWidget>

#include <functional>

namespace vello {

/// Takes over a QTreeWidget (TreeView) and an icon store (ImageList) handed to it; neither is owned. The
/// tree is built when both are set (the drives appear on the second assignment). Nodes carry their key
/// (canonical path, escaped form of NativePath.h) in KeyRole and show the decoded name. A folder node holds a
/// placeholder child until it is opened; opening reads one level (plus one look-ahead per child for the
/// expand mark); collapsing discards the children. Window thread only; all disk access is synchronous. Errors
/// are shown through MessageService.
class cDTree : public QObject
{
    Q_OBJECT

public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ClosedIconRole = Qt::UserRole + 1;
    static constexpr int OpenIconRole = Qt::UserRole + 2;

    /// Path starts as the process's current directory (canonical).
    explicit cDTree(QObject* parent = nullptr);

    /// Attaches the tree control: applies the display settings and builds the drives when the image list
    /// is set too.
    void setTreeView(QTreeWidget* tree);
    QTreeWidget* TreeView() const { return m_tree; }
    /// Attaches the icon store: builds the drives when the tree control is set too.
    void setImageList(IconStore* icons);
    IconStore* ImageList() const { return m_icons; }

    /// Replaces the source of the top-level drive nodes (default FolderTreeLogic::mountedDrives). Takes
    /// effect at the next build (attach or Refresh).
    void setDriveSource(std::function<QList<DriveEntry>()> source);
    /// Quick build (for a window that is about to appear): while on, the drives are the root only, without
    /// asking the system for its volumes; setPath shows only the folders on the way to the path, without
    /// icons or reading any folder; a folder opened by the user is read without looking into its
    /// subfolders (each gets an expand mark). Refresh builds the whole tree and ends the quick build.
    void setQuickBuild(bool on) { m_quickBuild = on; }
    bool quickBuild() const { return m_quickBuild; }

    /// Current folder, canonical (ends with "/").
    QString Path() const { return m_path; }
    /// Opens the tree down to GetTruePath(value), selects and expands that node and stores it as Path.
    /// Does not emit Change. Returns false (Path unchanged) when a node on the way is missing or either the
    /// tree control or the icon store is not attached.
    bool setPath(const QString& value);
    /// Rebuilds the tree from the disk (icon store emptied) and opens Path again; a vanished tail of Path is
    /// cut back to the deepest existing folder.
    void Refresh();

    static QString GetTruePath(const QString& p) { return FolderTreeLogic::GetTruePath(p); }

    /// The node with this key (letter case ignored): a folder node, else a drive node; null when none.
    QTreeWidgetItem* nodeForKey(const QString& key) const;
    static QString keyOf(const QTreeWidgetItem* node);
    static bool isPlaceholder(const QTreeWidgetItem* node);

    /// What the user's click on a node does (also Return on the current node).
    void clickNode(QTreeWidgetItem* node);

signals:
    /// The user chose a drive or folder; path is canonical and is the new Path.
    void Change(const QString& path);
    /// Selecting the Path node when the tree received the focus failed (the player empties its file list).
    void focusSelectFailed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyDisplaySettings();
    void AddDrives();
    /// Quick build: the node of folder key under parent (whose key is key's parent), or null when key is
    /// not a folder.
    QTreeWidgetItem* addQuickNode(QTreeWidgetItem* parent, const QString& key);
    void AddDriveNode(const DriveEntry& drive);
    void AddPlaceholder(QTreeWidgetItem* node);
    void AddSubfolderNodes(QTreeWidgetItem* parent);
    void GetFolderIcons(const QString& path, QString& closedKey, QString& openKey);
    void removeChildren(QTreeWidgetItem* node);
    void forgetSubtree(QTreeWidgetItem* node);
    bool fillIfPlaceholder(QTreeWidgetItem* node);
    void clearTree();

    void onExpanded(QTreeWidgetItem* node);
    void onCollapsed(QTreeWidgetItem* node);
    void onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void onFocusIn();

    QPointer<QTreeWidget> m_tree;
    IconStore* m_icons = nullptr;
    std::function<QList<DriveEntry>()> m_driveSource;
    QString m_path;
    QHash<QString, QTreeWidgetItem*> m_folders; ///< folded key -> folder node
    QHash<QString, QTreeWidgetItem*> m_drives;  ///< folded key -> drive node
    bool m_recovering = false;
    bool m_quickBuild = false;
};

} // namespace vello
