// Moving files and folders to the user's trash, in the freedesktop.org trash layout.
#pragma once

#include <QString>

namespace vello {

/// Moves the file or folder at path (escaped bytes allowed, see NativePath.h) to the trash, so the desktop's
/// file manager can show and restore it.
///
/// A path on the volume of the user's data folder goes to the home trash ($XDG_DATA_HOME/Trash, default
/// ~/.local/share/Trash); its folders are made when missing. A path on another volume goes to that volume's
/// trash ($topdir/.Trash/$uid when the administrator made $topdir/.Trash, else $topdir/.Trash-$uid). When no
/// trash can be had the file is left where it is. Never copies; never falls back to another folder.
/// Returns true when the file was moved; otherwise false with a Japanese reason in *errorText (when given).
/// Blocking (file-system calls only); any thread.
bool moveToTrash(const QString& path, QString* errorText = nullptr);

/// The home trash folder ($XDG_DATA_HOME/Trash or ~/.local/share/Trash), without creating it; empty when
/// neither XDG_DATA_HOME nor a home folder is known.
QString homeTrashFolder();

} // namespace vello
