// Pure translation of libmpv events and program requests into state changes and notifications.
#pragma once

#include "EndReport.h"
#include "PlaybackState.h"
#include "RawPicture.h"

#include <mpv/client.h>

#include <optional>

namespace vello::media {

/**
 * What the engine must be asked and what the program must be told after one
 * event or request. At most one notification (opened or ended) per
 * transition; engine requests are to be issued before the notification.
 */
struct Transition
{
    PlaybackState state;
    /// Read every snapshot property of the observed-property table for this
    /// serial (tag each read with ReplyTag{Snapshot, row, serial}).
    std::optional<quint64> readSnapshotFor;
    /// Send "stop" to the engine (a redirected load left more entries queued).
    bool stopEngine = false;
    /// The load with this serial has opened; length, size and title are in
    /// state.clip.
    std::optional<quint64> opened;
    /// The one end report of a load.
    std::optional<EndReport> ended;
    /// The answer to a picture request (ReplyTag::Picture).
    std::optional<RawPicture> picture{};
};

/**
 * What an asynchronous request's reply_userdata stands for. Packed into the
 * 64-bit reply_userdata: kind in bits 0-7, row in bits 8-15, serial above.
 */
struct ReplyTag
{
    enum Kind : quint8
    {
        Observe = 1,    ///< an observed property of table row `row`
        Snapshot = 2,   ///< a one-off read of table row `row` for load `serial`
        Load = 3,       ///< the loadfile command of load `serial`
        Seek = 4,       ///< a seek command
        Other = 5,      ///< a command or property write whose reply is not needed
        PauseWrite = 6, ///< a write of the engine's pause flag
        Picture = 7,    ///< a screenshot-raw command for picture request `serial`
    };
    Kind kind = Other;
    int row = 0;
    quint64 serial = 0;

    quint64 pack() const;
    /// nullopt for values no ReplyTag packs to (0, unknown kinds).
    static std::optional<ReplyTag> unpack(quint64 value);
};

namespace MpvEventTranslator {

/**
 * Translate one engine event. Pure: no engine calls, no signals.
 *
 * Robust against hand-made and unexpected input: null data, unknown event
 * ids, properties in another format than requested, replies for loads that
 * are no longer open, and END_FILE of entries other than the open load's
 * (matched by playlist entry id, never by order of arrival) are all ignored.
 * Events about an entry that arrive before the loadfile reply named the open
 * load's entry id are held and replayed when the reply comes. A picture reply
 * whose result is not a well-formed "bgr0" image gives a picture that is not ok.
 */
Transition translateEvent(const mpv_event& event, const PlaybackState& state);

/// The program starts load `serial` (nothing must be open: call
/// closeByProgram first). Clip values and position are reset; pause is off.
Transition beginLoad(const PlaybackState& state, quint64 serial);

/// The program stops, empties or replaces the open clip: a ClosedByProgram
/// report if a clip is open, nothing otherwise.
Transition closeByProgram(const PlaybackState& state);

/// The program asks to seek to `seconds`; the position reads so at once and
/// engine positions are held back until the seek has taken effect.
Transition seekRequested(const PlaybackState& state, double seconds);

} // namespace MpvEventTranslator

} // namespace vello::media
