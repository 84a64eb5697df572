// Lists the files of one folder whose extension is in a filter, in a stable natural order.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vello {

/// Set the extension filter (without dots) and the option, then assign the folder: that lists it.
/// Entries are 1-based. Extensions match without regard to letter case; an empty filter entry matches
/// names without an extension. Only regular files (symbolic links to regular files included) are listed.
/// A folder that cannot be read gives count 0. Entries are ordered by naturalCompare of their shown names
/// ("ep2" before "ep10").
///
/// Folder, names and paths are in the escaped form of NativePath.h: a name that is not valid UTF-8 keeps
/// its bytes, so the path reaches the same file; shownName() is the text to display.
class FileLister
{
public:
    void setExtensions(const QStringList& extensions) { m_extensions = extensions; }
    /// Kept for the callers' protocol; 0 is the only value used and it has no effect.
    void setOption(int option) { m_option = option; }
    /// Lists the folder (with or without a trailing separator).
    void setFolder(const QString& folder);

    int count() const { return static_cast<int>(m_entries.size()); }
    /// The file name as the system gave it (escaped form).
    QString name(int index) const;
    /// The file name as shown (displayName of name()).
    QString shownName(int index) const;
    /// Folder followed by name(): the path that reaches the file.
    QString fullPath(int index) const;
    /// Modification time as display text, "yyyy/MM/dd HH:mm:ss" in local time.
    QString date(int index) const;
    /// Size in bytes as decimal text.
    QString size(int index) const;

    /// Whether fileName's extension (text after the last ".", or the whole name without one) is in the
    /// filter, ignoring letter case.
    static bool matches(const QString& fileName, const QStringList& extensions);

private:
    struct Entry
    {
        QString name;
        QString shown;
        QString path;
        qint64 modified = 0; // milliseconds since the epoch
        qint64 bytes = 0;
    };
    const Entry* entry(int index) const;

    QStringList m_extensions;
    int m_option = 0;
    QString m_folder;
    std::vector<Entry> m_entries;
};

} // namespace vello
