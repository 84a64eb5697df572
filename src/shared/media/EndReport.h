// The one end-of-clip report a player adapter delivers for every load.
#pragma once

#include <QMetaType>
#include <QtGlobal>

namespace vello::media {

/**
 * Why a clip ended, and which load it was.
 *
 * Every load (RA::setSource or WP::setFileName with a non-empty path, or a
 * reload by play() of a closed clip) gets a new serial number, counting up
 * from 1 per adapter. For every load exactly one EndReport is delivered,
 * exactly once:
 *
 *  - EndedByItself: the engine played the clip to its end (or it broke off
 *    after it had opened, without the program asking). Delivered from the
 *    event loop.
 *  - ClosedByProgram: the program stopped the clip, emptied the adapter, or
 *    replaced the clip by a new load. Delivered synchronously, inside that
 *    call, before the next clip is loaded. The engine's own later end of that
 *    clip is never reported.
 *  - FailedToOpen: the clip could not be opened (missing, not media, broken).
 *    Delivered from the event loop; no opened signal precedes it.
 *
 * The only exception: destroying the adapter ends its open clip without a
 * report.
 */
struct EndReport
{
    enum Reason
    {
        EndedByItself,
        ClosedByProgram,
        FailedToOpen
    };

    Reason reason = EndedByItself;
    /// Serial number of the load this report refers to (never 0).
    quint64 clip = 0;

    friend bool operator==(const EndReport&, const EndReport&) = default;
};

} // namespace vello::media

Q_DECLARE_METATYPE(vello::media::EndReport)
