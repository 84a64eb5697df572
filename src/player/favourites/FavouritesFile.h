// Fa.dat: the favourites file, one "Path|FolderName" line per entry, and the list it is loaded into.
#pragma once

#include "FaList.h"

#include <QByteArray>
#include <QString>

namespace vello {

/// One line of Fa.dat taken apart (without its line end).
struct FavouriteLine
{
    bool valid = false;  ///< false: the line holds no "|" (or a NUL byte): the file is malformed
    QString Path;        ///< the path as it will be held (NativePath form)
    QString FolderName;  ///< the folder name; "ﾌｫﾙﾀﾞ1" when the line has none
    bool exists = false; ///< a file exists at Path
};

/**
 * Owns FaList and moves it between memory and Fa.dat. Window thread only; every call reads or writes the
 * disk synchronously.
 *
 * Fa.dat is plain text, one entry per line, "Path|FolderName", lines ended by CR LF (LF alone and a last
 * line without an end are read too; a UTF-8 byte-order mark is skipped). A line is split at its last "|".
 * Paths are bytes: they are written back exactly as held; on reading, a path whose bytes name an existing
 * file is taken as those bytes, otherwise a path that is not valid UTF-8 is decoded as CP932 (a file kept
 * from a Japanese Windows system) and taken when that names a file. Folder names are written in UTF-8; a
 * legacy CP932 folder name is decoded.
 *
 * A load that could not read the whole file (unreadable, malformed) leaves the original file aside before
 * the next save replaces it: it is renamed to "Fa.dat.bak" (or "Fa.dat.bak2", ... when taken), so nothing
 * stored is lost. Saves go to a temporary file that replaces Fa.dat only when complete; a failed save keeps
 * the previous file whole. A read-only Fa.dat is never replaced.
 */
class FavouritesStore
{
public:
    /// The folder name of an entry whose line has nothing after its last "|".
    static QString defaultFolderName(); ///< "ﾌｫﾙﾀﾞ1"
    /// The question asked for an entry whose file does not exist (Yes drops it).
    static QString missingFileQuestion(const QString& shownPath);
    /// The error shown when the file cannot be read as favourites.
    static QString malformedMessage(); ///< "お気に入りデータの形式が不正な為、読み込みできませんでした。"

    /// file: full path of Fa.dat; empty means the data folder's Fa.dat (ProgramPaths).
    explicit FavouritesStore(QString file = {});

    QString file() const { return m_file; }
    void setFile(const QString& file) { m_file = file; }

    FaList& list() { return m_list; }
    const FaList& list() const { return m_list; }

    enum class LoadResult
    {
        Loaded,    ///< every line was read (entries may have been dropped by the user's answers)
        Created,   ///< there was no Fa.dat; an empty one was written (if the folder allows)
        Malformed, ///< the file could not be read to its end; the entries read before stay
    };
    /// Replaces the list by the contents of Fa.dat, asking per missing file (No, the default, keeps it).
    LoadResult LoadFavorites();
    /// Writes the list to Fa.dat. Returns false (the old file untouched, nothing shown) on any failure.
    bool SaveFavorites();

    /// Takes one line apart by the rules above (pure but for the existence checks on the disk).
    static FavouriteLine parseLine(const QByteArray& line);
    /// The line written for an entry, with its CR LF; empty for an entry that a line cannot hold (a line
    /// break in its path or folder name).
    static QByteArray lineOf(const fa& entry);
    /// Whether a line of Fa.dat can hold the path (it has no line break or NUL).
    static bool storablePath(const QString& path);

    /// Where the original file was left by the last save after a failed load; empty when none.
    QString backupFile() const { return m_backupFile; }

private:
    bool keepDamagedFile();

    QString m_file;
    FaList m_list;
    bool m_damaged = false;
    QString m_backupFile;
};

} // namespace vello
