// Binds the file list model and its logic to the list control FILE1: rendering, context menu, sorting,
// rename.
#pragma once

#include "FileBrowser.h"

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTreeWidget>

#include <functional>

class QAction;

namespace vello {

/// Renders the FileBrowser's FileList into FILE1 (a QTreeWidget in report style, four columns) and forwards
/// the control's events to the logic. Neither FILE1 nor the browser is owned; the context menu is owned by
/// this object. Window thread only.
///
/// Context menu actions (object names as given): popChange (mark), popCopy and popMove (always hidden),
/// popDel, popReName, a separator, popFaAdd, popFaDel. popFaAdd/popFaDel only emit signals.
class FileListView : public QObject
{
    Q_OBJECT

public:
    FileListView(QTreeWidget* FILE1, FileBrowser* browser, QObject* parent = nullptr);
    ~FileListView() override;

    QTreeWidget* control() const { return m_view; }
    QMenu* contextMenu() const { return m_menu; }
    QAction* popChange() const { return m_popChange; }
    QAction* popCopy() const { return m_popCopy; }
    QAction* popMove() const { return m_popMove; }
    QAction* popDel() const { return m_popDel; }
    QAction* popReName() const { return m_popReName; }
    QAction* popFaAdd() const { return m_popFaAdd; }
    QAction* popFaDel() const { return m_popFaDel; }

    /// Full path of the file in the player (empty when none); consulted by delete and rename.
    void setPlayingFileSource(std::function<QString()> source) { m_playingFile = std::move(source); }

    /// Automatic: clicking the selected item's name opens the in-place editor. Manual: only
    /// popReName_Click opens it (favourites mode).
    void setLabelEditAutomatic(bool automatic);
    bool labelEditAutomatic() const { return m_labelEditAutomatic; }

    /// Applies the design widths, with width 0 (hidden) for the columns whose setting is off.
    void applyColumnSettings(const BrowserSettings& settings);
    /// Column widths in twips (1/1440 inch) for the store of window state; 0 = hidden.
    void setColumnWidthTwips(int column, int twips);
    int columnWidthTwips(int column) const;

    /// Steps of a right-button press at viewportPos before the menu shows: sets the entries' visibility,
    /// selects the item there and sets the mark caption. False (no menu, selection unchanged) when no item
    /// is there.
    bool prepareContextMenu(const QPoint& viewportPos);
    /// Sets the mark entry's caption from the selected item's mark (the C key does this).
    void updateMarkCaption();
    /// The C key: updates the caption; with Ctrl as the only modifier also toggles the mark.
    void handleCKey(Qt::KeyboardModifiers modifiers);

    /// Context-menu and key commands of the main window.
    void popChange_Click(); ///< sets the selected item's mark as the mark caption says (Ctrl+C)
    void popDel_Click();    ///< DeleteSelectedFile (Del)
    void popReName_Click(); ///< opens the in-place editor unless the file is playing (F2, folder mode)

    /// The control's row item of list index (1-based); null when out of range.
    QTreeWidgetItem* rowItem(int index) const;

signals:
    /// Double click on an item: the main window plays the selected file.
    void playRequested();
    void addToFavouritesRequested();
    void removeFromFavouritesRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class NameEditDelegate;

    void buildMenu();
    void render();
    void renderItem(int index);
    void insertRow(int index);
    void showSelection(int index);
    void fillRow(QTreeWidgetItem* row, const FileListItem& item, int index) const;
    int pixelsFromTwips(int twips) const;

    QPointer<QTreeWidget> m_view;
    FileBrowser* m_browser;
    NameEditDelegate* m_delegate = nullptr;
    QPointer<QMenu> m_menu;
    QAction* m_popChange = nullptr;
    QAction* m_popCopy = nullptr;
    QAction* m_popMove = nullptr;
    QAction* m_popDel = nullptr;
    QAction* m_popReName = nullptr;
    QAction* m_separator = nullptr;
    QAction* m_popFaAdd = nullptr;
    QAction* m_popFaDel = nullptr;
    std::function<QString()> m_playingFile;
    bool m_labelEditAutomatic = true;
    bool m_syncing = false;
};

} // namespace vello
