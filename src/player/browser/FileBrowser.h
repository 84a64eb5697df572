// The file list's logic: filling it from a folder, refreshing, random choice, marks, deletion and rename.
#pragma once

#include "BrowserSettings.h"
#include "FileList.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vello {

/// Owns the FileList and acts on it. Window thread only; filling reads the disk synchronously (one
/// title read per file when the title column is on). Every message goes through MessageService.
/// Holds no widget: the current folder and the tree refresh come from callbacks set by the window.
class FileBrowser : public QObject
{
    Q_OBJECT

public:
    /// Column captions and design widths (twips) of the four columns, in order.
    static const QStringList& columnCaptions();
    static int designColumnWidthTwips(int column);

    /// Texts of the mark entry of the context menu (also set by the C key).
    static QString markNotPlayableCaption(); ///< "再生不可にする(&C)         Ctrl+C" (item is playable now)
    static QString markPlayableCaption(); ///< "再生可能にする(&C)         Ctrl+C" (item is marked now)
    /// The mark caption for an item with the given mark.
    static QString markCaptionFor(bool playable);

    explicit FileBrowser(QObject* parent = nullptr);

    FileList& list() { return m_list; }
    const FileList& list() const { return m_list; }

    void setSettings(const BrowserSettings& settings) { m_settings = settings; }
    const BrowserSettings& settings() const { return m_settings; }

    /// Source of the current folder (the folder tree's Path, canonical with a trailing "/").
    void setFolderSource(std::function<QString()> source) { m_folderSource = std::move(source); }
    QString currentFolder() const;
    /// Rebuilds the folder tree (its Refresh); run by fileChange() in folder mode.
    void setTreeRefresher(std::function<void()> refresher) { m_treeRefresher = std::move(refresher); }
    /// Re-lists the selected favourites folder; run by fileChange() in favourites mode.
    void setFavouritesRefresher(std::function<void()> refresher)
    {
        m_favouritesRefresher = std::move(refresher);
    }

    /// Favourites mode: item texts are full paths; deletion and rename are not offered.
    void setFavouritesMode(bool on) { m_favouritesMode = on; }
    bool favouritesMode() const { return m_favouritesMode; }

    /// Milliseconds to wait after the deletion question before the file is removed (design value 300).
    void setDeleteSettleMs(int ms) { m_deleteSettleMs = ms; }

    /// Empties the list and fills it from the current folder; selects the first item when there is one.
    void FillFileList();
    /// Refresh: favourites refresher in favourites mode; otherwise tree refresh, then FillFileList().
    void FileChange();
    /// Selects an item drawn uniformly from 1..count() with the program's generator; nothing when empty.
    void SelectRandomItem();
    /// Whether the text after the last "." of strFileName (the whole name without one) equals one of aExt
    /// exactly (letter case counts).
    static bool chkExt(const QString& strFileName, const QStringList& aExt);

    /// One list item for a file, gathering only the columns switched on in the settings.
    FileListItem makeItem(const QString& text, const QString& fullPath, const QString& dateText,
                          const QString& sizeBytesText) const;
    /// Size column text: bytes / 1024 (remainder dropped) followed by "KB"; empty when sizeBytesText is
    /// not a whole number of bytes.
    static QString sizeText(const QString& sizeBytesText);

    /// Full path of the item at index: the item text in favourites mode, else folder + item text.
    QString fullPathOf(int index) const;
    QString selectedFullPath() const { return fullPathOf(m_list.selectedIndex()); }

    /// Column header click (column 1..4): flips the shared size order flag; columns 1-3 switch the list's
    /// own sort on for that column with the opposite of its current order; column 4 sorts once by size in
    /// the order of the flag (0 ascending, 1 descending).
    void columnClick(int column);
    int sizeOrderFlag() const { return m_sizeOrderFlag; }

    /// popChange_Click: toggles the mark of the selected item; nothing when none is selected.
    void popChange_Click();

    enum class DeleteResult
    {
        NothingSelected,
        FavouritesMode,
        Playing,
        Declined,
        Deleted,
        Failed
    };
    /// Deletes the selected file after asking (No is the default). playingFile: full path of the file in the
    /// player (exact comparison; empty when none). Afterwards the item at the same position (or the last)
    /// is selected.
    DeleteResult DeleteSelectedFile(const QString& playingFile);

    /// popReName_Click's check: false (with the message) when the selected file is the playing one, or when
    /// nothing is selected or favourites mode is on; true when the in-place editor may open.
    bool mayRename(const QString& playingFile) const;
    /// End of an in-place edit of the item at index with newText. A cancelled edit (null text) or an
    /// unchanged text does nothing and returns false. An empty name or one holding "/" or NUL is refused with
    /// a message. A name whose extension the list does not show is renamed only when the user goes on
    /// (renameDeclined otherwise). The file is renamed within its folder, never over an existing file; on
    /// failure the system's reason is shown. Returns true when the item now shows newText (fileRenamed).
    bool renameItem(int index, const QString& newText);
    /// The question asked before a rename to a name whose extension the list does not show.
    static QString hiddenExtensionQuestion(const QString& newName, const QStringList& extList);

    /// Japanese text for a file-system error number (errno).
    static QString systemErrorText(int errorNumber);

signals:
    /// A file of the list was renamed (full paths): what the player keeps for it follows.
    void fileRenamed(const QString& oldPath, const QString& newPath);
    /// The user went back from renaming the item at index to typedText (its extension is not listed).
    void renameDeclined(int index, const QString& typedText);

private:
    FileList m_list;
    BrowserSettings m_settings;
    std::function<QString()> m_folderSource;
    std::function<void()> m_treeRefresher;
    std::function<void()> m_favouritesRefresher;
    bool m_favouritesMode = false;
    int m_sizeOrderFlag = 0;
    int m_deleteSettleMs = 300;
};

} // namespace vello
