// The favourites manager window: folders as a tree, the selected folder's files as a list.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QListWidget;
class QMimeData;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vello {

class FavouritesManager;
class FavouritesStore;

/**
 * "お気に入りの整理": renders a FavouritesManager and forwards the user's actions to it. Loading the window
 * (the constructor) reads Fa.dat; closing it (unload, also run by the destructor) writes it. Files arrive
 * through the file chooser (cmdAdd) or dropped from a file manager onto the list or the tree; dragging over
 * the tree selects the folder under the pointer. Keys: Delete removes the selected files, Ctrl+A selects
 * or deselects all. Window thread only.
 */
class frmFa final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFa)

public:
    /// store: the process's favourites (not owned; outlives the window). fileExt/extList: the settings'
    /// extensions for the chooser's filter and for drops.
    frmFa(FavouritesStore& store, const QString& fileExt, const QStringList& extList,
          QWidget* parent = nullptr);
    ~frmFa() override;

    FavouritesManager& manager() const { return *m_manager; }
    /// Writes Fa.dat; runs once, when the window closes (or is destroyed without closing).
    void unload();

    QTreeWidget* treFa() const { return m_treFa; }
    QListWidget* lstFa() const { return m_lstFa; }
    QToolButton* cmdAdd() const { return m_cmdAdd; }
    QToolButton* cmdDel() const { return m_cmdDel; }
    QToolButton* cmdDelDir() const { return m_cmdDelDir; }
    QToolButton* cmdAddFolder() const { return m_cmdAddFolder; }

    void cmdAdd_Click();
    void cmdDel_Click();
    void cmdDelDir_Click();
    void cmdAddFolder_Click();
    /// Ctrl+A; listFocused: the key was pressed in lstFa (which runs the routine twice, selecting all).
    void selectAllKey(bool listFocused);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class LabelDelegate;

    void renderNodes();
    void renderSelection(int node);
    void renderItems();
    void treFa_NodeClick(QTreeWidgetItem* item);
    bool handleKey(QObject* watched, QEvent* event);
    bool handleDrag(QObject* watched, QEvent* event);

    FavouritesManager* m_manager = nullptr;
    QString m_fileExt;
    QStringList m_extList;
    bool m_unloaded = false;
    QTreeWidget* m_treFa = nullptr;
    QListWidget* m_lstFa = nullptr;
    QToolButton* m_cmdAdd = nullptr;
    QToolButton* m_cmdDel = nullptr;
    QToolButton* m_cmdDelDir = nullptr;
    QToolButton* m_cmdAddFolder = nullptr;
};

} // namespace vello
