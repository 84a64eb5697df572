#include "MpvLibrary.h"

#include "Logging.h"

#include <dlfcn.h>

namespace vello::media {

namespace {

template <typename F> bool resolve(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(::dlsym(library, name));
    if (!function)
        qCWarning(lcMedia) << "libmpv lacks" << name;
    return function != nullptr;
}

MpvLibrary load()
{
    MpvLibrary mpv;
    void* library = nullptr;
    for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"}) {
        library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library)
            break;
    }
    if (!library) {
        qCWarning(lcMedia) << "libmpv could not be loaded:" << ::dlerror();
        return mpv;
    }
    // Kept loaded for the life of the process: engines may be made again at any time.
    const bool complete = resolve(library, "mpv_create", mpv.create) &&
                          resolve(library, "mpv_initialize", mpv.initialize) &&
                          resolve(library, "mpv_terminate_destroy", mpv.terminateDestroy) &&
                          resolve(library, "mpv_set_option", mpv.setOption) &&
                          resolve(library, "mpv_set_option_string", mpv.setOptionString) &&
                          resolve(library, "mpv_error_string", mpv.errorString) &&
                          resolve(library, "mpv_request_log_messages", mpv.requestLogMessages) &&
                          resolve(library, "mpv_observe_property", mpv.observeProperty) &&
                          resolve(library, "mpv_set_wakeup_callback", mpv.setWakeupCallback) &&
                          resolve(library, "mpv_wait_event", mpv.waitEvent) &&
                          resolve(library, "mpv_command_async", mpv.commandAsync) &&
                          resolve(library, "mpv_get_property_async", mpv.getPropertyAsync) &&
                          resolve(library, "mpv_set_property_async", mpv.setPropertyAsync);
    if (!complete)
        mpv.create = nullptr;
    return mpv;
}

} // namespace

const MpvLibrary* MpvLibrary::get()
{
    static const MpvLibrary loaded = load();
    return loaded.create ? &loaded : nullptr;
}

} // namespace vello::media
