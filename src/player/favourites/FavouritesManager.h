// The favourites manager's logic: folder tree, the shown folder's list, adding, removing and regrouping.
#pragma once

#include "FavouritesFile.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vello {

/**
 * What the window frmFa shows and does, without widgets. The tree is node 0 (the root "Favorites", tag
 * "ROOT") and the folder nodes 1..nodeCount()-1 under it; the list is the shown folder's paths. Changes go
 * to the store's FaList at once and reach Fa.dat only at unload(). Window thread only.
 *
 * Files arriving while the root is selected (chooser or drop) ask for a folder through the folder chooser
 * (setFolderChooser; it returns the chosen name, empty when cancelled).
 */
class FavouritesManager : public QObject
{
    Q_OBJECT

public:
    static QString caption();       ///< "お気に入りの整理"
    static QString listTip();       ///< "ここにドラッグ＆ドロップしても追加できます"
    static QString newFolderText(); ///< "新規ﾌｫﾙﾀﾞ"
    static QString chooserTitle();  ///< "お気に入りに追加"
    /// The file chooser's filter: FileExt + "|" + "*.e1;*.e2..." then "|e|*.e" for each entry of extList.
    static QString chooserFilter(const QString& fileExt, const QStringList& extList);

    explicit FavouritesManager(FavouritesStore& store, QObject* parent = nullptr);

    void setExtList(const QStringList& extList) { m_extList = extList; }
    void setFolderChooser(std::function<QString()> chooser) { m_chooser = std::move(chooser); }

    /// The window's load: LoadFavorites, CurrentFolder empty, the tree rebuilt, nothing selected.
    void load();
    /// The window's unload: SaveFavorites.
    void unload();

    int nodeCount() const { return static_cast<int>(m_nodes.size()) + 1; }
    QString nodeText(int node) const;
    bool isRoot(int node) const { return node == 0; }
    /// -1 when no node is selected.
    int selectedNode() const { return m_selected; }
    QString CurrentFolder() const { return m_currentFolder; }
    /// lstFa's items: full paths.
    const QStringList& items() const { return m_items; }
    /// cmdAdd, cmdDel and cmdDelDir (cmdAddFolder is always enabled).
    bool buttonsEnabled() const { return m_buttonsEnabled; }

    enum class ClickResult
    {
        Shown,    ///< the folder is shown (or the root: the list is empty)
        StartEdit ///< the folder already shown was clicked again: the window edits its label
    };
    ClickResult nodeClick(int node);
    /// Selects the node and shows its folder (node click and drag-over).
    void showFolder(int node);
    /// Whether the label of node may be edited (not the root's).
    bool beforeLabelEdit(int node) const { return node > 0 && node < nodeCount(); }
    /// The end of a label edit. Refused (with a warning; the old text stays) when any node has the text
    /// ignoring case, or the text is empty or cannot be stored. Otherwise the folder's entries move to
    /// the new name. Returns true when the node now shows newText.
    bool afterLabelEdit(int node, const QString& newText);
    /// Adds a node "新規ﾌｫﾙﾀﾞ" under the root, selects and shows it (an empty folder); returns its index
    /// (the window edits its label).
    int newFolder();

    /// Files chosen in the file chooser (full paths): all are added to the target folder.
    int addFiles(const QStringList& paths);
    /// Files dropped on the list or the tree: those whose extension is in the extension list (ignoring
    /// case) and that are files are added; others are skipped silently.
    int dropFiles(const QStringList& paths);
    /// Drag over the tree: the node under the pointer is selected and shown.
    void dragOver(int node) { showFolder(node); }
    /// Removes the list items at rows (0-based, any order) from the folder. A row whose entry is not in
    /// the list is passed over. Returns the number of entries removed.
    int removeFiles(const QList<int>& rows);
    /// Deletes the selected folder and its entries after asking (No keeps everything).
    bool deleteFolder();
    /// Ctrl+A: flips the select-all flag and returns whether lstFa's items are to be selected (true) or
    /// deselected (false).
    bool toggleSelectAll();

signals:
    /// The nodes were rebuilt, added, renamed or removed.
    void nodesChanged();
    /// The selected node changed (-1: none).
    void selectedNodeChanged(int node);
    /// The list's items changed.
    void itemsChanged();
    void buttonsEnabledChanged(bool enabled);

private:
    /// The target folder of arriving files: the selected folder, or the chooser's answer while the root
    /// (or nothing) is selected. Empty: nothing is added.
    QString targetFolder();
    int addPaths(const QStringList& paths, const QString& target);
    void setButtonsEnabled(bool enabled);
    void select(int node);

    FavouritesStore& m_store;
    QStringList m_extList;
    std::function<QString()> m_chooser;
    QStringList m_nodes;
    int m_selected = -1;
    QString m_currentFolder;
    QStringList m_items;
    bool m_buttonsEnabled = false;
};

} // namespace vello
