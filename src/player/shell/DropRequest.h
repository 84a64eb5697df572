// What a drop of files or folders onto the main window asks for.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vello {

/**
 * A drop onto the main window, decided from what was dropped. Widget-free; touches the file system only
 * to tell folders from files.
 *
 * The first dropped item that is a folder, or a regular file whose extension the file list shows, is
 * taken: a file is played as one given on the command line, a folder is opened in the folder tree and
 * list. Everything else dropped (further items, files of other extensions, missing paths, addresses that
 * are not files of this machine, plain text) is ignored; `ignored` names it for the log.
 */
struct DropRequest
{
    enum class Action
    {
        None,       ///< nothing usable was dropped
        PlayFile,   ///< play `path` as a command-line file
        OpenFolder, ///< open the folder `path` in the tree and list
    };

    Action action = Action::None;
    /// The file or folder, in the escaped form of NativePath.h (the bytes of its name kept).
    QString path;
    /// What is left aside, as shown texts.
    QStringList ignored;

    /// Decides from a "text/uri-list" (RFC 2483: one address a line, CR LF, "#" comment lines) and the
    /// extensions the file list shows (without dots, letter case ignored). A local file address
    /// ("file:///…" or "file://localhost/…") gives its path with its percent-encoded bytes kept as they
    /// are, also when they are not UTF-8.
    static DropRequest fromUriList(const QByteArray& uriList, const QStringList& extensions);

    /// The path of one local file address, or "" when it is none.
    static QString localPath(const QByteArray& uri);
};

} // namespace vello
