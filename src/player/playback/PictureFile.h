// Saves a picture taken from the player as a PNG file: its name, its folder, and the writing.
#pragma once

#include "RawPicture.h"

#include <QString>

namespace vello {

/**
 * The picture file of "画像を保存": named after the clip and the position, written into the user's
 * pictures folder. Widget-free (QImage encodes the PNG); window thread or any other, no shared state.
 * Paths are in the escaped form of NativePath.h: a clip name that is not UTF-8 keeps its bytes.
 */
class PictureFile
{
public:
    struct Result
    {
        bool ok = false;
        QString path;    ///< the file written (ok) or the one that was to be written
        QString message; ///< the Japanese message for the user: the file's name, or why it was not written
    };

    /// "clip_00-01-23.456.png": the clip's file name without its extension, "_", the position as hours,
    /// minutes and seconds with milliseconds joined by "-" and ".", and ".png". A long clip name is
    /// shortened so that the whole name stays within 200 bytes.
    static QString fileName(const QString& clipPath, qint64 positionMs);

    /// QStandardPaths::PicturesLocation, made when it is missing; the home folder when there is none or
    /// it cannot be made. No trailing "/".
    static QString picturesFolder();

    /// Encodes the picture as PNG and writes it into folder under name. The bytes go to a temporary file
    /// in that folder, are flushed to the disk and only then renamed to their name; a name that is taken
    /// gets "-2", "-3" … before ".png" (nothing is ever replaced). On any failure (folder not writable,
    /// disk full, no picture) nothing is left behind.
    static Result save(const media::RawPicture& picture, const QString& folder, const QString& name);
};

} // namespace vello
