#include "FaList.h"

#include <algorithm>

namespace vello {

bool FaList::add(const fa& entry)
{
    const QString key = entry.key();
    if (m_keys.contains(key))
        return false;
    m_keys.insert(key);
    m_entries.push_back(entry);
    return true;
}

bool FaList::remove(const QString& key)
{
    if (!m_keys.remove(key))
        return false;
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const fa& e) { return e.key() == key; });
    if (it != m_entries.end())
        m_entries.erase(it);
    return true;
}

void FaList::clear()
{
    m_entries.clear();
    m_keys.clear();
}

QStringList FaList::pathsIn(const QString& folder, Qt::CaseSensitivity cs) const
{
    QStringList paths;
    for (const fa& e : m_entries) {
        if (e.FolderName.compare(folder, cs) == 0)
            paths << e.Path;
    }
    return paths;
}

QString FaList::folderOf(const QString& path, const QString& folder) const
{
    if (m_keys.contains(keyOf(path, folder)))
        return folder;
    for (const fa& e : m_entries) {
        if (e.Path == path && e.FolderName.compare(folder, Qt::CaseInsensitive) == 0)
            return e.FolderName;
    }
    return {};
}

int FaList::moveEntries(const std::function<bool(const fa&)>& moves, const std::function<void(fa&)>& change)
{
    int moved = 0;
    std::vector<fa> kept;
    kept.reserve(m_entries.size());
    QSet<QString> keys;
    // Entries that stay keep their keys; a moved entry that meets one of them is dropped.
    for (const fa& e : m_entries) {
        if (!moves(e))
            keys.insert(e.key());
    }
    for (fa e : m_entries) {
        if (moves(e)) {
            change(e);
            ++moved;
            if (keys.contains(e.key()))
                continue;
            keys.insert(e.key());
        }
        kept.push_back(std::move(e));
    }
    m_entries = std::move(kept);
    m_keys = std::move(keys);
    return moved;
}

int FaList::renameFolder(const QString& oldName, const QString& newName)
{
    return moveEntries([&](const fa& e) { return e.FolderName.compare(oldName, Qt::CaseInsensitive) == 0; },
                       [&](fa& e) { e.FolderName = newName; });
}

int FaList::movePath(const QString& oldPath, const QString& newPath)
{
    const QString below = oldPath.endsWith(u'/') ? oldPath : oldPath + u'/';
    return moveEntries([&](const fa& e) { return e.Path == oldPath || e.Path.startsWith(below); },
                       [&](fa& e) { e.Path = newPath + e.Path.mid(oldPath.size()); });
}

int FaList::removeFolder(const QString& name)
{
    const auto before = m_entries.size();
    std::erase_if(m_entries,
                  [&](const fa& e) { return e.FolderName.compare(name, Qt::CaseInsensitive) == 0; });
    const int removed = static_cast<int>(before - m_entries.size());
    if (removed > 0)
        rebuildKeys();
    return removed;
}

QStringList FaList::folderNames() const
{
    QStringList names;
    for (const fa& e : m_entries) {
        if (!names.contains(e.FolderName, Qt::CaseInsensitive))
            names << e.FolderName;
    }
    return names;
}

void FaList::rebuildKeys()
{
    m_keys.clear();
    for (const fa& e : m_entries)
        m_keys.insert(e.key());
}

} // namespace vello
