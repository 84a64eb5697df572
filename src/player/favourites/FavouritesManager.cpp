#include "FavouritesManager.h"

#include "FavouriteFolders.h"
#include "Helpers.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"

#include <algorithm>

namespace vello {

namespace {

/// Ctrl+A's flag lasts as long as the process, across openings of the window.
bool g_selectAllFlag = false;

} // namespace

QString FavouritesManager::caption()
{
    return QStringLiteral("お気に入りの整理");
}

QString FavouritesManager::listTip()
{
    return QStringLiteral("ここにドラッグ＆ドロップしても追加できます");
}

QString FavouritesManager::newFolderText()
{
    return QStringLiteral("新規ﾌｫﾙﾀﾞ");
}

QString FavouritesManager::chooserTitle()
{
    return QStringLiteral("お気に入りに追加");
}

QString FavouritesManager::chooserFilter(const QString& fileExt, const QStringList& extList)
{
    QString patterns;
    for (qsizetype i = 0; i < extList.size(); ++i) {
        if (i > 0)
            patterns += u';';
        patterns += QStringLiteral("*.") + extList.at(i);
    }
    QString filter = CutAtNul(fileExt) + u'|' + patterns;
    for (const QString& e : extList)
        filter += u'|' + e + QStringLiteral("|*.") + e;
    return filter;
}

FavouritesManager::FavouritesManager(FavouritesStore& store, QObject* parent)
    : QObject(parent), m_store(store)
{}

void FavouritesManager::load()
{
    m_store.LoadFavorites();
    m_currentFolder.clear();
    m_nodes = FavouriteFolders::folderNodes(m_store.list());
    m_items.clear();
    m_selected = -1;
    emit nodesChanged();
    emit selectedNodeChanged(m_selected);
    emit itemsChanged();
    setButtonsEnabled(false);
}

void FavouritesManager::unload()
{
    m_store.SaveFavorites();
}

QString FavouritesManager::nodeText(int node) const
{
    if (node == 0)
        return FavouriteFolders::rootText();
    if (node < 1 || node >= nodeCount())
        return {};
    return m_nodes.at(node - 1);
}

void FavouritesManager::select(int node)
{
    if (node == m_selected)
        return;
    m_selected = node;
    emit selectedNodeChanged(node);
}

void FavouritesManager::setButtonsEnabled(bool enabled)
{
    if (enabled == m_buttonsEnabled)
        return;
    m_buttonsEnabled = enabled;
    emit buttonsEnabledChanged(enabled);
}

void FavouritesManager::showFolder(int node)
{
    if (node < 0 || node >= nodeCount())
        return;
    select(node);
    if (isRoot(node)) {
        m_currentFolder = FavouriteFolders::rootText();
        m_items.clear();
        emit itemsChanged();
        setButtonsEnabled(false);
        return;
    }
    setButtonsEnabled(true);
    m_currentFolder = nodeText(node);
    m_items = m_store.list().pathsIn(m_currentFolder, Qt::CaseInsensitive);
    emit itemsChanged();
}

FavouritesManager::ClickResult FavouritesManager::nodeClick(int node)
{
    if (node > 0 && node < nodeCount() && node == m_selected &&
        nodeText(node).compare(m_currentFolder, Qt::CaseInsensitive) == 0)
        return ClickResult::StartEdit;
    showFolder(node);
    return ClickResult::Shown;
}

bool FavouritesManager::afterLabelEdit(int node, const QString& newText)
{
    if (!beforeLabelEdit(node) || newText.isNull())
        return false;
    if (newText.trimmed().isEmpty()) {
        MessageService::warning(
            QStringLiteral("フォルダ名を入力してください。フォルダ名は変更されませんでした。"));
        return false;
    }
    if (const QString refusal = FavouriteFolders::nameRefusal(newText); !refusal.isEmpty()) {
        MessageService::warning(refusal);
        return false;
    }
    for (int i = 0; i < nodeCount(); ++i) {
        if (nodeText(i).compare(newText, Qt::CaseInsensitive) == 0) {
            MessageService::warning(QStringLiteral("新規フォルダ") + newText +
                                    QStringLiteral("は既に存在します"));
            return false;
        }
    }
    const QString oldText = nodeText(node);
    m_store.list().renameFolder(oldText, newText);
    m_nodes[node - 1] = newText;
    if (m_currentFolder.compare(oldText, Qt::CaseInsensitive) == 0 && node == m_selected)
        m_currentFolder = newText;
    emit nodesChanged();
    return true;
}

int FavouritesManager::newFolder()
{
    m_nodes << newFolderText();
    emit nodesChanged();
    const int node = nodeCount() - 1;
    showFolder(node);
    return node;
}

QString FavouritesManager::targetFolder()
{
    if (m_selected > 0)
        return nodeText(m_selected);
    const QString chosen = m_chooser ? m_chooser() : QString();
    if (chosen.isEmpty())
        return {};
    for (int i = 0; i < nodeCount(); ++i) {
        if (nodeText(i).compare(chosen, Qt::CaseInsensitive) == 0) {
            showFolder(i);
            return chosen;
        }
    }
    // A new name: it becomes a folder node at once, so the files just added are seen in it.
    m_nodes << chosen;
    emit nodesChanged();
    showFolder(nodeCount() - 1);
    return chosen;
}

int FavouritesManager::addPaths(const QStringList& paths, const QString& target)
{
    int added = 0;
    QStringList refused;
    for (const QString& path : paths) {
        if (!FavouritesStore::storablePath(path)) {
            refused << displayPath(path);
            continue;
        }
        if (m_store.list().add(fa{target, path})) {
            ++added;
            if (m_selected > 0 && target.compare(m_currentFolder, Qt::CaseInsensitive) == 0)
                m_items << path;
        } else {
            qCDebug(lcFavourites) << "already in" << target << ":" << displayPath(path);
        }
    }
    if (added > 0)
        emit itemsChanged();
    if (!refused.isEmpty()) {
        QStringList shown = refused.mid(0, 10);
        if (refused.size() > shown.size())
            shown << QStringLiteral("ほか %1 個").arg(refused.size() - shown.size());
        MessageService::warning(
            QStringLiteral("次のファイルは名前に改行を含むため、お気に入りに追加できませんでした。\n") +
            shown.join(u'\n'));
    }
    return added;
}

int FavouritesManager::addFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return 0;
    const QString target = targetFolder();
    if (target.isEmpty())
        return 0;
    return addPaths(paths, target);
}

int FavouritesManager::dropFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return 0;
    const QString target = targetFolder();
    if (target.isEmpty())
        return 0;
    QStringList accepted;
    for (const QString& path : paths) {
        const QString name = fileNameOf(path);
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString ext = dot < 0 ? name : name.mid(dot + 1);
        const bool known = std::any_of(m_extList.begin(), m_extList.end(), [&](const QString& e) {
            return e.compare(ext, Qt::CaseInsensitive) == 0;
        });
        if (!known || !isRegularFile(path)) {
            qCDebug(lcFavourites) << "drop skipped:" << displayPath(path);
            continue;
        }
        accepted << path;
    }
    return addPaths(accepted, target);
}

int FavouritesManager::removeFiles(const QList<int>& rows)
{
    if (rows.isEmpty() || m_selected < 1)
        return 0;
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const QString folder = nodeText(m_selected);
    int removed = 0;
    for (auto it = sorted.crbegin(); it != sorted.crend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= m_items.size())
            continue;
        const QString path = m_items.at(row);
        const QString stored = m_store.list().folderOf(path, folder);
        if (!stored.isNull() && m_store.list().remove(FaList::keyOf(path, stored)))
            ++removed;
        else
            qCInfo(lcError) << "favourite to remove not found:" << displayPath(path) << folder;
        m_items.removeAt(row);
    }
    emit itemsChanged();
    return removed;
}

bool FavouritesManager::deleteFolder()
{
    if (m_selected < 1)
        return false;
    const QString name = nodeText(m_selected);
    if (name.isEmpty())
        return false;
    if (!MessageService::question(name + QStringLiteral("を削除してもよろしいですか？") + u'\r' +
                                      QStringLiteral("登録してあるファイルもお気に入りから削除されます"),
                                  /*defaultNo=*/true))
        return false;
    m_nodes.removeAt(m_selected - 1);
    m_store.list().removeFolder(name);
    m_selected = -1;
    emit nodesChanged();
    showFolder(0);
    return true;
}

bool FavouritesManager::toggleSelectAll()
{
    g_selectAllFlag = !g_selectAllFlag;
    return !g_selectAllFlag;
}

} // namespace vello
