#include "ObservedProperties.h"

#include "Helpers.h"

#include <QByteArray>

#include <array>

namespace vello::media {

namespace {

double doubleOf(const mpv_event_property& p)
{
    return p.format == MPV_FORMAT_DOUBLE && p.data ? *static_cast<const double*>(p.data) : 0.0;
}

qint64 int64Of(const mpv_event_property& p)
{
    return p.format == MPV_FORMAT_INT64 && p.data ? *static_cast<const int64_t*>(p.data) : 0;
}

bool flagOf(const mpv_event_property& p)
{
    return p.format == MPV_FORMAT_FLAG && p.data ? *static_cast<const int*>(p.data) != 0 : false;
}

// The value of the key "title" (any letter case) of a metadata map, or "". The engine passes a file's own
// bytes, which may be a legacy encoding; they are decoded as the title reader decodes them.
QString titleOf(const mpv_event_property& p)
{
    if (p.format != MPV_FORMAT_NODE || !p.data)
        return {};
    const auto* node = static_cast<const mpv_node*>(p.data);
    if (node->format != MPV_FORMAT_NODE_MAP || !node->u.list)
        return {};
    const mpv_node_list* map = node->u.list;
    for (int i = 0; i < map->num; ++i) {
        if (!map->keys || !map->keys[i] || qstricmp(map->keys[i], "title") != 0)
            continue;
        const mpv_node& value = map->values[i];
        if (value.format == MPV_FORMAT_STRING && value.u.string)
            return vello::decodeLegacyText(QByteArray(value.u.string)).trimmed();
    }
    return {};
}

const std::array<ObservedProperty, 8> kTable{{
    {"duration", MPV_FORMAT_DOUBLE, ObservedProperty::Clip, true,
     [](PlaybackState& s, const mpv_event_property& p) { s.clip.duration = qMax(0.0, doubleOf(p)); }},
    {"width", MPV_FORMAT_INT64, ObservedProperty::Clip, true,
     [](PlaybackState& s, const mpv_event_property& p) { s.clip.width = qMax<qint64>(0, int64Of(p)); }},
    {"height", MPV_FORMAT_INT64, ObservedProperty::Clip, true,
     [](PlaybackState& s, const mpv_event_property& p) { s.clip.height = qMax<qint64>(0, int64Of(p)); }},
    {"metadata", MPV_FORMAT_NODE, ObservedProperty::Clip, true,
     [](PlaybackState& s, const mpv_event_property& p) { s.clip.title = titleOf(p); }},
    {"time-pos", MPV_FORMAT_DOUBLE, ObservedProperty::Clip, false,
     [](PlaybackState& s, const mpv_event_property& p) {
         // While a seek is on its way the engine still reports the old
         // position; keep the requested one.
         if (s.seeksInFlight == 0 && !s.awaitingRestart && p.format == MPV_FORMAT_DOUBLE)
             s.position = qMax(0.0, doubleOf(p));
     }},
    {"pause", MPV_FORMAT_FLAG, ObservedProperty::Engine, false,
     [](PlaybackState& s, const mpv_event_property& p) {
         if (p.format == MPV_FORMAT_FLAG)
             s.paused = flagOf(p);
     }},
    {"volume", MPV_FORMAT_DOUBLE, ObservedProperty::Engine, false,
     [](PlaybackState& s, const mpv_event_property& p) {
         if (p.format == MPV_FORMAT_DOUBLE)
             s.volumePercent = qMax(0.0, doubleOf(p));
     }},
    {"speed", MPV_FORMAT_DOUBLE, ObservedProperty::Engine, false,
     [](PlaybackState& s, const mpv_event_property& p) {
         if (p.format == MPV_FORMAT_DOUBLE && doubleOf(p) > 0.0)
             s.speed = doubleOf(p);
     }},
}};

} // namespace

std::span<const ObservedProperty> observedProperties()
{
    return kTable;
}

int snapshotPropertyCount()
{
    int n = 0;
    for (const ObservedProperty& row : kTable)
        n += row.snapshot ? 1 : 0;
    return n;
}

} // namespace vello::media
