// The one table of engine properties the adapters observe: name, format and handler together.
#pragma once

#include "PlaybackState.h"

#include <mpv/client.h>

#include <span>

namespace vello::media {

/**
 * One observed engine property.
 *
 * apply() is called with a property whose format is either `format` or
 * MPV_FORMAT_NONE (the property is unavailable, e.g. the size of a sound-only
 * clip; the handler then resets the cached value). The translator never
 * calls it with any other format.
 */
struct ObservedProperty
{
    enum Scope
    {
        Engine, ///< applies whatever the engine plays (pause, volume)
        Clip,   ///< applies only while the engine plays the open load's entry
    };

    const char* name;
    mpv_format format;
    Scope scope;
    /// Also read once after the clip has loaded; the opened notification
    /// waits for all such reads.
    bool snapshot;
    void (*apply)(PlaybackState& state, const mpv_event_property& property);
};

/// The table. Row indexes are stable for the life of the process and are
/// used in reply tags.
std::span<const ObservedProperty> observedProperties();

/// Number of rows with snapshot set.
int snapshotPropertyCount();

} // namespace vello::media
