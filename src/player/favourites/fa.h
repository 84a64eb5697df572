// One favourite: a media file gathered under a named favourites folder.
#pragma once

#include <QString>

namespace vello {

/// A favourite as Fa.dat stores it. Path is a full path in the lossless form of NativePath.h (the bytes
/// the system gave, escaped where they are not UTF-8); FolderName is plain text.
struct fa
{
    QString FolderName; ///< the favourites folder; folders exist only through their entries
    QString Path;       ///< full path of the media file

    /// The entry's key in FaList: Path + "|" + FolderName.
    QString key() const { return Path + u'|' + FolderName; }

    friend bool operator==(const fa&, const fa&) = default;
};

} // namespace vello
