#include "FavouritesMode.h"

#include "FavouriteFolders.h"
#include "FileBrowser.h"
#include "FileLister.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"

#include <QDateTime>

#include <ctime>
#include <sys/stat.h>

namespace vello {

namespace {

/// Date text as the file list shows it in folder mode: "yyyy/MM/dd HH:mm:ss", local time.
QString dateText(time_t seconds)
{
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return {};
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return QString::fromLatin1(text);
}

} // namespace

FavouritesMode::FavouritesMode(FavouritesStore& store, FileBrowser& browser, QObject* parent)
    : QObject(parent), m_store(store), m_browser(browser)
{
    m_browser.setFavouritesRefresher([this] { listSelectedFolder(); });
    rebuildNodes();
}

FavouritesMode::~FavouritesMode()
{
    m_browser.setFavouritesRefresher({});
}

bool FavouritesMode::FaFlg() const
{
    return m_browser.favouritesMode();
}

QString FavouritesMode::nodeText(int node) const
{
    if (node == 0)
        return FavouriteFolders::rootText();
    if (node < 1 || node >= nodeCount())
        return {};
    return m_nodes.at(node - 1);
}

FavouritesMode::MenuState FavouritesMode::viewMenuState() const
{
    const bool on = FaFlg();
    return MenuState{on, !on, on};
}

void FavouritesMode::mnuFaOpen_Click()
{
    const bool on = !FaFlg();
    m_browser.setFavouritesMode(on);
    m_browser.list().clear();
    if (!on)
        m_browser.FileChange();
    emit modeChanged(on);
}

void FavouritesMode::treFa_NodeClick(int node)
{
    if (node < 0 || node >= nodeCount())
        return;
    if (node != m_selected) {
        m_selected = node;
        emit selectedNodeChanged(node);
    }
    listSelectedFolder();
}

void FavouritesMode::listSelectedFolder()
{
    FileList& list = m_browser.list();
    list.clear();
    if (m_selected < 1)
        return;
    const QString folder = nodeText(m_selected);
    const BrowserSettings& settings = m_browser.settings();
    std::vector<FileListItem> items;
    for (const fa& entry : m_store.list().entries()) {
        // Folders that differ only in letter case are one node, as in the favourites manager.
        if (entry.FolderName.compare(folder, Qt::CaseInsensitive) != 0)
            continue;
        if (!FileLister::matches(fileNameOf(entry.Path), settings.extList))
            continue;
        struct stat st
        {
        };
        const QByteArray native = toNativePath(entry.Path);
        if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            qCDebug(lcFavourites) << "favourite not listed (no file):" << displayPath(entry.Path);
            continue;
        }
        items.push_back(m_browser.makeItem(entry.Path, entry.Path,
                                           settings.fileDateTime ? dateText(st.st_mtim.tv_sec) : QString(),
                                           QString::number(static_cast<qint64>(st.st_size))));
    }
    list.setItems(std::move(items));
}

bool FavouritesMode::mnuFaAdd_Click()
{
    if (FaFlg())
        return false;
    const FileList& list = m_browser.list();
    if (list.selectedIndex() < 1)
        return false;
    const QString folder = m_chooser ? m_chooser() : QString();
    if (folder.isEmpty())
        return false;
    const QString path = m_browser.selectedFullPath();
    if (!FavouritesStore::storablePath(path)) {
        MessageService::warning(QStringLiteral("名前に改行を含むファイルはお気に入りに追加できません。"));
        return false;
    }
    const bool added = m_store.list().add(fa{folder, path});
    if (added)
        qCInfo(lcFavourites).noquote() << "added" << displayPath(path) << "to" << folder;
    m_store.SaveFavorites();
    refresh();
    return added;
}

bool FavouritesMode::mnuFaDel_Click()
{
    if (!FaFlg() || m_selected < 1)
        return false;
    FileList& list = m_browser.list();
    const int index = list.selectedIndex();
    if (index < 1)
        return false;
    const QString path = list.name(index);
    const QString stored = m_store.list().folderOf(path, nodeText(m_selected));
    const bool removed = !stored.isNull() && m_store.list().remove(FaList::keyOf(path, stored));
    if (removed)
        qCInfo(lcFavourites).noquote() << "removed" << displayPath(path) << "from" << stored;
    else
        qCInfo(lcError) << "favourite to remove not found:" << displayPath(path);
    list.remove(index);
    m_store.SaveFavorites();
    return removed;
}

void FavouritesMode::refresh()
{
    m_store.LoadFavorites();
    rebuildNodes();
    m_store.SaveFavorites();
}

void FavouritesMode::rebuildNodes()
{
    const QString selected = m_selected > 0 ? nodeText(m_selected) : QString();
    m_nodes = FavouriteFolders::folderNodes(m_store.list());
    m_selected = -1;
    emit nodesChanged();
    if (selected.isEmpty())
        return;
    // The folder shown before stays selected and listed when it is still there.
    for (int node = 1; node < nodeCount(); ++node) {
        if (nodeText(node).compare(selected, Qt::CaseInsensitive) == 0) {
            m_selected = node;
            emit selectedNodeChanged(node);
            break;
        }
    }
    if (FaFlg())
        listSelectedFolder();
}

} // namespace vello
