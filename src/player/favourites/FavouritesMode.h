// Favourites in the main window: the mode switch, the favourites tree, listing, adding and removing.
#pragma once

#include "FavouritesFile.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vello {

class FileBrowser;

/**
 * The main window's favourites, without widgets. The favourites-mode flag FaFlg is the browser's
 * favouritesMode() (one flag, read by the file list, the file operations and playback). The tree treFa
 * is node 0 (the root "Favorites", tag "ROOT") and the folder nodes 1..nodeCount()-1.
 *
 * In favourites mode the file list shows the selected folder's favourites as full paths, with the
 * columns the settings switch on; they play from there like any other list. Window thread only.
 */
class FavouritesMode : public QObject
{
    Q_OBJECT

public:
    FavouritesMode(FavouritesStore& store, FileBrowser& browser, QObject* parent = nullptr);
    ~FavouritesMode() override;

    /// Runs the folder chooser frmFaFolder; returns the chosen name (SelectedFaFolder), empty when cancelled.
    void setFolderChooser(std::function<QString()> chooser) { m_chooser = std::move(chooser); }

    bool FaFlg() const;

    int nodeCount() const { return static_cast<int>(m_nodes.size()) + 1; }
    QString nodeText(int node) const;
    /// -1 when no node is selected.
    int selectedNode() const { return m_selected; }

    /// The menu states set when "表示(&V)" opens.
    struct MenuState
    {
        bool openChecked = false; ///< mnuFaOpen ticked
        bool addEnabled = false;  ///< mnuFaAdd
        bool delEnabled = false;  ///< mnuFaDel
    };
    MenuState viewMenuState() const;

    /// The mode switch (Ctrl+O): flips FaFlg and empties the list; back in folder mode the list is
    /// refilled from the current folder. modeChanged() follows, on which the window swaps the trees and
    /// the player holds the clip.
    void mnuFaOpen_Click();
    /// Lists the favourites of the node's folder (the root lists nothing) and selects the node.
    void treFa_NodeClick(int node);
    /// Re-lists the selected node's folder (the refresh of the file list in favourites mode).
    void listSelectedFolder();
    /// Adds the file list's selected file (folder mode only) to a folder chosen in frmFaFolder, saves and
    /// refreshes. Returns true when an entry was added.
    bool mnuFaAdd_Click();
    /// Removes the selected item (favourites mode only) from the selected folder, without a question,
    /// and saves. Returns true when an entry was removed.
    bool mnuFaDel_Click();

    /// Refresh favourites: reloads Fa.dat (with its questions), rebuilds the tree and saves.
    void refresh();
    /// Rebuilds the tree from the list as it is. The selected folder stays selected (and, in favourites
    /// mode, listed again) when a node of that name is still there.
    void rebuildNodes();

signals:
    /// FaFlg changed (after the list was emptied or refilled).
    void modeChanged(bool on);
    /// The tree's nodes were rebuilt; nothing is selected until selectedNodeChanged says otherwise.
    void nodesChanged();
    void selectedNodeChanged(int node);

private:
    FavouritesStore& m_store;
    FileBrowser& m_browser;
    std::function<QString()> m_chooser;
    QStringList m_nodes;
    int m_selected = -1;
};

} // namespace vello
