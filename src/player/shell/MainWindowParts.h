// What the main window asks of the parts built around it during start-up, shutdown and its own commands.
#pragma once

#include <QString>

#include <optional>

namespace vello {

/**
 * Implemented by the player's composition (PlayerParts) and by tests; the main window calls it from its
 * start-up, shutdown and menu commands. Every call is made on the window thread. The defaults do nothing,
 * so a host implements only what it owns. A call that throws AppException inside one of the start-up
 * stretches that abandon (the favourites load) sends the start-up on to the tips; elsewhere the step is
 * skipped.
 */
class MainWindowParts
{
public:
    virtual ~MainWindowParts() = default;

    /// This is the only running copy: it may now serve copies started later.
    virtual void singleCopyHeld() {}
    /// Config.ini has been (re)loaded: copy the settings into the parts.
    virtual void settingsLoaded() {}
    /// Reads the favourites file and builds the favourites trees.
    virtual void loadFavourites() {}
    /// Binds the folder tree to its control and opens the tree's start folder.
    virtual void SetValue() {}
    /// Switches to favourites mode (start folder setting 0).
    virtual void enterFavouritesMode() {}
    /// Opens folder in the tree (start folder, history entries).
    virtual void setFolder(const QString& folder) { Q_UNUSED(folder) }
    /// Fills the file list from the current folder.
    virtual void FillFileList() {}
    /// Hands the stored volume (0..100) to the player, as a move of the volume slider does.
    virtual void applyVolume(int volume) { Q_UNUSED(volume) }
    /// Plays the file given on the command line (the whole text after the program name).
    virtual void playCommandLine(const QString& text) { Q_UNUSED(text) }
    /// Refresh: the tree and the file list (F5).
    virtual void FileChange() {}
    /// The start-up tips window, modal, owned by the main window.
    virtual void showTips() {}
    /// The volume stored at exit; nothing lets the window store its volume slider.
    virtual std::optional<int> volumeToStore() const { return std::nullopt; }
    /// The width (twips) stored at exit for a file-list column; nothing stores the column as it is.
    virtual std::optional<int> columnToStore(int column) const
    {
        Q_UNUSED(column)
        return std::nullopt;
    }
    /// Sizes the window around the clip's picture times ratio (0 = original size).
    virtual void ChangeOri(double ratio) { Q_UNUSED(ratio) }
    /// Full-screen display of the playing clip.
    virtual void showFullScreen() {}
    /// "履歴のクリア(&R)"; false lets the window clear its own copy of the history.
    virtual bool clearHistory() { return false; }
};

} // namespace vello
