// Everything a player adapter knows about its engine, as kept by the event translator.
#pragma once

#include <mpv/client.h>

#include <QList>
#include <QString>

namespace vello::media {

/**
 * What the open clip tells about itself. Zero or empty while not known.
 */
struct ClipInfo
{
    double duration = 0; ///< seconds
    qint64 width = 0;    ///< pixels of the picture; 0 for sound-only clips
    qint64 height = 0;   ///< pixels of the picture; 0 for sound-only clips
    QString title;       ///< the clip's "title" metadata; "" when it has none

    friend bool operator==(const ClipInfo&, const ClipInfo&) = default;
};

/**
 * The load the program holds open. serial == 0 means no clip is open: either
 * none was loaded, or its one end report has been issued.
 */
struct OpenLoad
{
    quint64 serial = 0;
    /// The engine's playlist entry id of this load; 0 until the reply to the
    /// loadfile command has named it.
    qint64 entryId = 0;
    bool replied = false;         ///< the loadfile command has answered
    bool fileLoaded = false;      ///< MPV_EVENT_FILE_LOADED seen for entryId
    int snapshotsOutstanding = 0; ///< property reads still due before "opened"
    bool opened = false;          ///< the opened notification has been issued
    bool redirected = false;      ///< the entry was replaced by a playlist's entries
};

/**
 * An engine event about a playlist entry that arrived before the loadfile
 * reply told which entry id belongs to the open load. Kept until that reply.
 */
struct OrphanEvent
{
    mpv_event_id id = MPV_EVENT_NONE;
    qint64 entryId = 0;
    int reason = 0;
    int error = 0;
    qint64 insertId = 0;
    int insertCount = 0;

    friend bool operator==(const OrphanEvent&, const OrphanEvent&) = default;
};

/**
 * The translator's whole state. Copyable value; one per engine handle.
 */
struct PlaybackState
{
    OpenLoad load;
    /// Entry id between the engine's START_FILE and END_FILE for it; 0 = none.
    qint64 engineEntry = 0;
    QList<OrphanEvent> orphans;
    ClipInfo clip;
    double position = 0;          ///< seconds into the open clip
    bool paused = false;          ///< the engine's pause flag (as last requested or seen)
    int pauseWritesInFlight = 0;  ///< writes of the pause flag the engine has not answered yet
    double volumePercent = 100;   ///< the engine's volume, percent of amplitude
    double speed = 1;             ///< the engine's playback speed as it last reported it (1 = normal)
    int seeksInFlight = 0;        ///< seek commands without a reply yet
    bool awaitingRestart = false; ///< a seek was accepted; playback not restarted yet
    bool engineLost = false;      ///< the engine shut down; nothing more will happen

    /// Properties scoped to the clip may be applied: the engine is playing
    /// the entry of the open load.
    bool clipIsLive() const { return load.serial != 0 && load.entryId != 0 && engineEntry == load.entryId; }
};

} // namespace vello::media
