// Path and listing rules of the folder tree, free of widgets: canonical paths, subfolders, drives.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vello {

/// A mounted volume as the tree shows it at the top level.
struct DriveEntry
{
    QString root;        ///< mount path, canonical ("/", "/media/usb/")
    QString displayName; ///< volume name, or the mount path when it has none
};

/// A folder that cannot be opened, as the tree reports it: description and error number.
struct FolderError
{
    QString description;
    int number = 0;
    /// "description: &H<number in hexadecimal>", the text of the tree's error box.
    QString messageText() const;
};

/// Canonical folder path: "/" followed by each component as the file system stores it, joined by "/",
/// always ending in "/" (the root is "/"). Paths and names are in the escaped form of NativePath.h (the
/// bytes the system gave); texts for the screen go through displayName/displayPath. All functions block on
/// file-system calls; any thread.
class FolderTreeLogic
{
public:
    /// Text of the placeholder child that gives an unopened folder its expand mark.
    static QString placeholderText();
    /// Key of the placeholder child under the node with key parentKey.
    static QString placeholderKey(const QString& parentKey);

    /// The canonical form of path p: blanks trimmed, a relative path taken from the current directory,
    /// "." dropped, ".." going up one level, each component replaced by the name the file system stores
    /// (an exact match first, else a case-insensitive match among the folder's entries). The path is cut back
    /// at the first component that is missing or not a folder, so it names the deepest existing folder.
    /// Empty text gives "/". Always terminates (one step per component of p, symbolic links not followed
    /// beyond the components given).
    static QString GetTruePath(const QString& p);

    /// Names of the subfolders of path (folders and symbolic links to folders, hidden ones included,
    /// "." and ".." excluded) in the file system's order. Empty when the folder cannot be read.
    static QStringList listSubfolders(const QString& path);
    /// Whether path holds at least one subfolder; stops reading at the first one.
    static bool hasSubfolder(const QString& path);
    /// Checks that path can be opened for listing; the error when it cannot.
    static std::optional<FolderError> probe(const QString& path);

    /// The order of sibling folder nodes by their shown names: letter case ignored first, then exact
    /// comparison (then the names' bytes).
    static bool folderNameLess(const QString& a, const QString& b);
    /// The process's current directory, escaped form ("/" when it cannot be read).
    static QString currentFolder();
    /// Key used to find a node. Folder names here are case-sensitive ("Live" and "live" are two folders),
    /// so nodes are found by their exact canonical key; callers canonicalise with GetTruePath first.
    static QString foldKey(const QString& key) { return key; }

    /// Mounted volumes: the root "/" first, then the others sorted by mount path; duplicates dropped.
    static QList<DriveEntry> mountedDrives();

    /// The folder label text: shown form, trimmed, with the trailing "/" dropped unless the text is just "/".
    static QString TrimPathForDisplay(const QString& path);
};

} // namespace vello
