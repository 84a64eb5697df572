// A picture taken from a player engine: the frame on screen at the clip's own size, as raw pixels.
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QtGlobal>

namespace vello::media {

/**
 * The answer to one picture request of a player adapter (RA::takePicture, WP::takePicture).
 *
 * Pixels are 32 bits each, in memory order blue, green, red and one unused byte (libmpv's "bgr0"), row
 * after row, `stride` bytes a row. When `ok` is false (no clip open, no picture, the engine refused) the
 * sizes are 0 and `pixels` is empty.
 */
struct RawPicture
{
    quint64 request = 0; ///< the number given with the request
    bool ok = false;
    int width = 0;  ///< pixels
    int height = 0; ///< pixels
    int stride = 0; ///< bytes from one row to the next (at least 4 * width)
    QByteArray pixels;
};

} // namespace vello::media

Q_DECLARE_METATYPE(vello::media::RawPicture)
