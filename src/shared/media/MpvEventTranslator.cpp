#include "MpvEventTranslator.h"

#include "ObservedProperties.h"

#include <cstring>

namespace vello::media {

namespace {

// Orphans are only kept between a loadfile and its reply; a handful at most.
constexpr qsizetype kMaxOrphans = 32;

void finish(Transition& t, EndReport::Reason reason)
{
    PlaybackState& s = t.state;
    t.ended = EndReport{reason, s.load.serial};
    t.stopEngine = s.load.redirected;
    s.load = OpenLoad{};
    s.position = 0;
    s.awaitingRestart = false;
}

EndReport::Reason unaskedEnd(const PlaybackState& s)
{
    return s.load.opened ? EndReport::EndedByItself : EndReport::FailedToOpen;
}

// Waiting for the loadfile reply: events about entries cannot be placed yet.
bool awaitingEntryId(const PlaybackState& s)
{
    return s.load.serial != 0 && !s.load.replied;
}

void keepOrphan(PlaybackState& s, const OrphanEvent& e)
{
    if (s.orphans.size() < kMaxOrphans)
        s.orphans.append(e);
}

void onStartFile(Transition& t, qint64 entry)
{
    PlaybackState& s = t.state;
    if (s.load.serial == 0)
        return;
    if (s.load.replied && s.load.entryId == 0)
        s.load.entryId = entry; // an engine whose loadfile reply names no entry id
    if (entry == s.load.entryId)
        s.position = 0;
}

void onFileLoaded(Transition& t, qint64 entry)
{
    PlaybackState& s = t.state;
    if (s.load.serial == 0 || entry == 0 || entry != s.load.entryId || s.load.fileLoaded)
        return;
    s.load.fileLoaded = true;
    s.load.snapshotsOutstanding = snapshotPropertyCount();
    if (s.load.snapshotsOutstanding > 0) {
        t.readSnapshotFor = s.load.serial;
    } else {
        s.load.opened = true;
        t.opened = s.load.serial;
    }
}

void onEndFile(Transition& t, const OrphanEvent& e)
{
    PlaybackState& s = t.state;
    if (s.load.serial == 0 || e.entryId == 0 || e.entryId != s.load.entryId)
        return; // an entry the program already closed, or none of ours
    switch (e.reason) {
    case MPV_END_FILE_REASON_EOF:
        finish(t, EndReport::EndedByItself);
        break;
    case MPV_END_FILE_REASON_QUIT:
        break; // the engine is going away; MPV_EVENT_SHUTDOWN follows
    case MPV_END_FILE_REASON_REDIRECT:
        if (e.insertCount > 0 && e.insertId > 0) {
            // A playlist file: the load goes on with its first entry.
            s.load.entryId = e.insertId;
            s.load.redirected = true;
            s.load.fileLoaded = false;
        } else {
            finish(t, EndReport::FailedToOpen);
        }
        break;
    case MPV_END_FILE_REASON_ERROR:
    case MPV_END_FILE_REASON_STOP:
    default:
        finish(t, unaskedEnd(s));
        break;
    }
}

void replay(Transition& t, const OrphanEvent& e)
{
    switch (e.id) {
    case MPV_EVENT_START_FILE:
        onStartFile(t, e.entryId);
        break;
    case MPV_EVENT_FILE_LOADED:
        onFileLoaded(t, e.entryId);
        break;
    case MPV_EVENT_END_FILE:
        onEndFile(t, e);
        break;
    default:
        break;
    }
}

qint64 entryIdOfLoadResult(const mpv_event& event)
{
    const auto* cmd = static_cast<const mpv_event_command*>(event.data);
    if (!cmd || cmd->result.format != MPV_FORMAT_NODE_MAP || !cmd->result.u.list)
        return 0;
    const mpv_node_list* map = cmd->result.u.list;
    for (int i = 0; i < map->num; ++i) {
        if (map->keys && map->keys[i] && std::strcmp(map->keys[i], "playlist_entry_id") == 0 &&
            map->values[i].format == MPV_FORMAT_INT64)
            return map->values[i].u.int64;
    }
    return 0;
}

void onLoadReply(Transition& t, const mpv_event& event, quint64 serial)
{
    PlaybackState& s = t.state;
    if (serial == 0 || serial != s.load.serial || s.load.replied)
        return; // the reply of a load the program has closed since
    s.load.replied = true;
    const QList<OrphanEvent> orphans = std::exchange(s.orphans, {});
    if (event.error < 0) {
        finish(t, EndReport::FailedToOpen);
        return;
    }
    s.load.entryId = entryIdOfLoadResult(event);
    for (const OrphanEvent& e : orphans) {
        if (s.load.serial == 0)
            break;
        if (s.load.entryId == 0 || e.entryId == s.load.entryId || e.id == MPV_EVENT_START_FILE)
            replay(t, e);
    }
}

void onSeekReply(Transition& t, const mpv_event& event)
{
    PlaybackState& s = t.state;
    s.seeksInFlight = qMax(0, s.seeksInFlight - 1);
    if (event.error >= 0 && s.load.serial != 0)
        s.awaitingRestart = true;
}

// The picture of a screenshot-raw reply: a map of "w", "h", "stride", "format" and "data".
RawPicture pictureOfReply(const mpv_event& event, quint64 request)
{
    RawPicture picture;
    picture.request = request;
    const auto* cmd = static_cast<const mpv_event_command*>(event.data);
    if (event.error < 0 || !cmd || cmd->result.format != MPV_FORMAT_NODE_MAP || !cmd->result.u.list)
        return picture;
    const mpv_node_list* map = cmd->result.u.list;
    qint64 w = 0, h = 0, stride = 0;
    bool bgr0 = false;
    const mpv_byte_array* data = nullptr;
    for (int i = 0; map->keys && i < map->num; ++i) {
        const char* key = map->keys[i];
        const mpv_node& value = map->values[i];
        if (!key)
            continue;
        if (value.format == MPV_FORMAT_INT64) {
            if (std::strcmp(key, "w") == 0)
                w = value.u.int64;
            else if (std::strcmp(key, "h") == 0)
                h = value.u.int64;
            else if (std::strcmp(key, "stride") == 0)
                stride = value.u.int64;
        } else if (value.format == MPV_FORMAT_STRING && std::strcmp(key, "format") == 0) {
            bgr0 = value.u.string && std::strcmp(value.u.string, "bgr0") == 0;
        } else if (value.format == MPV_FORMAT_BYTE_ARRAY && std::strcmp(key, "data") == 0) {
            data = value.u.ba;
        }
    }
    // Sizes a picture can have; every row must lie inside the data.
    constexpr qint64 kMaxSide = 1 << 15;
    if (!bgr0 || !data || !data->data || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || stride < 4 * w ||
        stride > 4 * kMaxSide + 64 || qint64(data->size) < stride * h)
        return picture;
    picture.ok = true;
    picture.width = int(w);
    picture.height = int(h);
    picture.stride = int(stride);
    // Copied: the engine's data is valid only until the next wait for events.
    picture.pixels = QByteArray(static_cast<const char*>(data->data), qsizetype(stride * h));
    return picture;
}

const ObservedProperty* rowOf(const ReplyTag& tag)
{
    const auto table = observedProperties();
    if (tag.row < 0 || static_cast<std::size_t>(tag.row) >= table.size())
        return nullptr;
    return &table[static_cast<std::size_t>(tag.row)];
}

// The property of an event if it has the row's format or is unavailable.
std::optional<mpv_event_property> usableProperty(const mpv_event& event, const ObservedProperty& row)
{
    const auto* p = static_cast<const mpv_event_property*>(event.data);
    if (event.error < 0 || !p || p->format == MPV_FORMAT_NONE || !p->data)
        return mpv_event_property{row.name, MPV_FORMAT_NONE, nullptr};
    if (p->format != row.format)
        return std::nullopt;
    return *p;
}

void onSnapshotReply(Transition& t, const mpv_event& event, const ReplyTag& tag)
{
    PlaybackState& s = t.state;
    const ObservedProperty* row = rowOf(tag);
    if (!row || !row->snapshot || tag.serial == 0 || tag.serial != s.load.serial || s.load.opened ||
        s.load.snapshotsOutstanding <= 0)
        return;
    if (const auto p = usableProperty(event, *row))
        row->apply(s, *p);
    if (--s.load.snapshotsOutstanding == 0) {
        s.load.opened = true;
        t.opened = s.load.serial;
    }
}

void onPropertyChange(Transition& t, const mpv_event& event, const ReplyTag& tag)
{
    PlaybackState& s = t.state;
    const ObservedProperty* row = rowOf(tag);
    if (!row || !event.data)
        return;
    if (row->scope == ObservedProperty::Clip && !s.clipIsLive())
        return;
    // The engine may report its pause flag as it was before a write of the program's that it has not
    // answered yet; the program's value stands until then.
    if (s.pauseWritesInFlight > 0 && std::strcmp(row->name, "pause") == 0)
        return;
    // Once a clip has opened, its values going unavailable means the engine
    // is tearing it down (seen just before END_FILE); keep what it showed.
    const auto* p = static_cast<const mpv_event_property*>(event.data);
    if (row->scope == ObservedProperty::Clip && s.load.opened && p->format == MPV_FORMAT_NONE)
        return;
    if (const auto p = usableProperty(event, *row))
        row->apply(s, *p);
}

} // namespace

quint64 ReplyTag::pack() const
{
    return (serial << 16) | (quint64(quint8(row)) << 8) | quint64(kind);
}

std::optional<ReplyTag> ReplyTag::unpack(quint64 value)
{
    const auto kind = quint8(value & 0xff);
    if (kind < Observe || kind > Picture)
        return std::nullopt;
    return ReplyTag{Kind(kind), int((value >> 8) & 0xff), value >> 16};
}

namespace MpvEventTranslator {

Transition translateEvent(const mpv_event& event, const PlaybackState& state)
{
    Transition t{state, {}, false, {}, {}};
    PlaybackState& s = t.state;
    const std::optional<ReplyTag> tag = ReplyTag::unpack(event.reply_userdata);

    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* d = static_cast<const mpv_event_start_file*>(event.data);
        if (!d)
            break;
        s.engineEntry = d->playlist_entry_id;
        if (awaitingEntryId(s))
            keepOrphan(s, {MPV_EVENT_START_FILE, d->playlist_entry_id});
        else
            onStartFile(t, d->playlist_entry_id);
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (awaitingEntryId(s))
            keepOrphan(s, {MPV_EVENT_FILE_LOADED, s.engineEntry});
        else
            onFileLoaded(t, s.engineEntry);
        break;
    case MPV_EVENT_END_FILE: {
        const auto* d = static_cast<const mpv_event_end_file*>(event.data);
        if (!d)
            break;
        const OrphanEvent e{MPV_EVENT_END_FILE, d->playlist_entry_id,  int(d->reason),
                            d->error,           d->playlist_insert_id, d->playlist_insert_num_entries};
        if (s.engineEntry == e.entryId)
            s.engineEntry = 0;
        if (awaitingEntryId(s))
            keepOrphan(s, e);
        else
            onEndFile(t, e);
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (tag && tag->kind == ReplyTag::Load)
            onLoadReply(t, event, tag->serial);
        else if (tag && tag->kind == ReplyTag::Seek)
            onSeekReply(t, event);
        else if (tag && tag->kind == ReplyTag::Picture)
            t.picture = pictureOfReply(event, tag->serial);
        break;
    case MPV_EVENT_SET_PROPERTY_REPLY:
        if (tag && tag->kind == ReplyTag::PauseWrite)
            s.pauseWritesInFlight = qMax(0, s.pauseWritesInFlight - 1);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (s.seeksInFlight == 0)
            s.awaitingRestart = false;
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (tag && tag->kind == ReplyTag::Snapshot)
            onSnapshotReply(t, event, *tag);
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        if (tag && tag->kind == ReplyTag::Observe)
            onPropertyChange(t, event, *tag);
        break;
    case MPV_EVENT_SHUTDOWN:
        s.engineLost = true;
        s.pauseWritesInFlight = 0;
        s.engineEntry = 0;
        if (s.load.serial != 0)
            finish(t, unaskedEnd(s));
        break;
    default:
        break;
    }
    return t;
}

Transition beginLoad(const PlaybackState& state, quint64 serial)
{
    Transition t{state, {}, false, {}, {}};
    PlaybackState& s = t.state;
    s.load = OpenLoad{};
    s.load.serial = serial;
    s.orphans.clear();
    s.clip = ClipInfo{};
    s.position = 0;
    s.paused = false;
    s.awaitingRestart = false;
    return t;
}

Transition closeByProgram(const PlaybackState& state)
{
    Transition t{state, {}, false, {}, {}};
    PlaybackState& s = t.state;
    if (s.load.serial == 0)
        return t;
    t.ended = EndReport{EndReport::ClosedByProgram, s.load.serial};
    s.load = OpenLoad{};
    s.orphans.clear();
    s.clip = ClipInfo{};
    s.position = 0;
    s.awaitingRestart = false;
    return t;
}

Transition seekRequested(const PlaybackState& state, double seconds)
{
    Transition t{state, {}, false, {}, {}};
    PlaybackState& s = t.state;
    if (s.load.serial == 0)
        return t;
    s.position = qMax(0.0, seconds);
    ++s.seeksInFlight;
    return t;
}

} // namespace MpvEventTranslator

} // namespace vello::media
