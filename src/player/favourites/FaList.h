// The favourites list: fa entries in the order they were added, keyed by Path + "|" + FolderName.
#pragma once

#include "fa.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vello {

/// Ordered, keyed collection of favourites; the key is unique, so one file can be in several folders but
/// only once in each. Folder names of different letter case are different keys; the helpers that say
/// "ignoring case" treat them as one folder, as the favourites trees show them. No I/O. Window thread only.
class FaList
{
public:
    static QString keyOf(const QString& path, const QString& folderName) { return path + u'|' + folderName; }

    int count() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    /// Entry at index 0..count()-1.
    const fa& at(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    const std::vector<fa>& entries() const { return m_entries; }

    bool contains(const QString& key) const { return m_keys.contains(key); }
    /// Appends the entry; false (and nothing changes) when its key is already in the list.
    bool add(const fa& entry);
    /// Removes the entry with the key; false when there is none.
    bool remove(const QString& key);
    void clear();

    /// Paths of the entries of folder, in list order.
    QStringList pathsIn(const QString& folder, Qt::CaseSensitivity cs) const;
    /// The stored folder name of the entry of path whose folder equals folder ignoring case (exact spelling
    /// preferred); a null string when there is none.
    QString folderOf(const QString& path, const QString& folder) const;
    /// Moves every entry of folder oldName (ignoring case) to newName; keys follow. An entry whose new key
    /// is already taken is dropped (the file is in that folder already). Returns the number moved.
    int renameFolder(const QString& oldName, const QString& newName);
    /// A file or folder was renamed from oldPath to newPath: every entry of that file, or of a file below
    /// that folder, takes the new path (the rest of its path kept); keys follow. An entry whose new key is
    /// already taken is dropped. Paths compare exactly. Returns the number of entries moved.
    int movePath(const QString& oldPath, const QString& newPath);
    /// Removes every entry of folder name (ignoring case). Returns the number removed.
    int removeFolder(const QString& name);
    /// The folder names in list order, each once; names that differ only in letter case count as one
    /// (the first spelling wins).
    QStringList folderNames() const;

private:
    /// Changes every entry that moves; keys follow, and a moved entry whose new key is taken is dropped.
    int moveEntries(const std::function<bool(const fa&)>& moves, const std::function<void(fa&)>& change);
    void rebuildKeys();

    std::vector<fa> m_entries;
    QSet<QString> m_keys;
};

} // namespace vello
