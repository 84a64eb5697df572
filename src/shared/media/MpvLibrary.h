// libmpv's functions, loaded with the first engine instead of with the program.
#pragma once

#include <mpv/client.h>

namespace vello::media {

/**
 * The libmpv functions the player adapters call. libmpv pulls in a few hundred shared libraries (the
 * codecs and outputs); loading them when the first clip is played, not when the program starts, lets the
 * window show as soon as a plain Qt window would.
 *
 * get() loads the library on its first call (libmpv.so.2, else libmpv.so.1, else libmpv.so) and keeps it
 * for the rest of the process; it returns null, and logs why on "vello.media", when libmpv cannot be
 * loaded. Any thread, but the adapters call it on the window thread.
 */
struct MpvLibrary
{
    decltype(&::mpv_create) create = nullptr;
    decltype(&::mpv_initialize) initialize = nullptr;
    decltype(&::mpv_terminate_destroy) terminateDestroy = nullptr;
    decltype(&::mpv_set_option) setOption = nullptr;
    decltype(&::mpv_set_option_string) setOptionString = nullptr;
    decltype(&::mpv_error_string) errorString = nullptr;
    decltype(&::mpv_request_log_messages) requestLogMessages = nullptr;
    decltype(&::mpv_observe_property) observeProperty = nullptr;
    decltype(&::mpv_set_wakeup_callback) setWakeupCallback = nullptr;
    decltype(&::mpv_wait_event) waitEvent = nullptr;
    decltype(&::mpv_command_async) commandAsync = nullptr;
    decltype(&::mpv_get_property_async) getPropertyAsync = nullptr;
    decltype(&::mpv_set_property_async) setPropertyAsync = nullptr;

    static const MpvLibrary* get();
};

} // namespace vello::media
