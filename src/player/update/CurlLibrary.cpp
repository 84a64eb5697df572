// libcurl's functions as the FTP client calls them, with libcurl loaded by the first call instead of with
// the program. libcurl brings in a few dozen libraries (TLS, Kerberos, LDAP, SSH ...) that would otherwise
// be loaded at every start of the player, for an update check that is rarely made.
//
// The definitions below stand in for libcurl's own (the program does not link libcurl): each loads
// libcurl.so.4 on its first call, from any thread, and forwards to the library's function. When libcurl
// cannot be loaded (logged once on "vello.update"), they answer as libcurl does when it cannot work: no
// handle, CURLE_FAILED_INIT.
#define CURL_DISABLE_TYPECHECK
#include "Logging.h"

#include <curl/curl.h>

#include <cstdarg>
#include <dlfcn.h>

namespace {

struct CurlLibrary
{
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_easy_reset) easyReset = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_perform) easyPerform = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_strerror) easyStrerror = nullptr;
    decltype(&::curl_share_init) shareInit = nullptr;
    decltype(&::curl_share_setopt) shareSetopt = nullptr;
    decltype(&::curl_share_cleanup) shareCleanup = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
};

template <typename Function> bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

const CurlLibrary* load()
{
    void* library = nullptr;
    for (const char* name : {"libcurl.so.4", "libcurl.so"}) {
        library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library)
            break;
    }
    if (!library) {
        qCWarning(vello::lcUpdate) << "libcurl cannot be loaded:" << ::dlerror();
        return nullptr;
    }
    static CurlLibrary curl;
    const bool complete = resolve(library, "curl_global_init", curl.globalInit) &&
                          resolve(library, "curl_easy_init", curl.easyInit) &&
                          resolve(library, "curl_easy_cleanup", curl.easyCleanup) &&
                          resolve(library, "curl_easy_reset", curl.easyReset) &&
                          resolve(library, "curl_easy_setopt", curl.easySetopt) &&
                          resolve(library, "curl_easy_perform", curl.easyPerform) &&
                          resolve(library, "curl_easy_getinfo", curl.easyGetinfo) &&
                          resolve(library, "curl_easy_strerror", curl.easyStrerror) &&
                          resolve(library, "curl_share_init", curl.shareInit) &&
                          resolve(library, "curl_share_setopt", curl.shareSetopt) &&
                          resolve(library, "curl_share_cleanup", curl.shareCleanup) &&
                          resolve(library, "curl_slist_append", curl.slistAppend) &&
                          resolve(library, "curl_slist_free_all", curl.slistFreeAll);
    if (!complete) {
        qCWarning(vello::lcUpdate) << "libcurl lacks a function the FTP client needs:" << ::dlerror();
        return nullptr;
    }
    return &curl;
}

const CurlLibrary* curl()
{
    static const CurlLibrary* const loaded = load();
    return loaded;
}

} // namespace

extern "C" {

CURLcode curl_global_init(long flags)
{
    return curl() ? curl()->globalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init()
{
    return curl() ? curl()->easyInit() : nullptr;
}

void curl_easy_cleanup(CURL* handle)
{
    if (curl())
        curl()->easyCleanup(handle);
}

void curl_easy_reset(CURL* handle)
{
    if (curl())
        curl()->easyReset(handle);
}

// The one argument after the option has the type the option's number range gives it, as in libcurl.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...)
{
    if (!curl())
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = curl()->easySetopt(handle, option, va_arg(arguments, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = curl()->easySetopt(handle, option, va_arg(arguments, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = curl()->easySetopt(handle, option, va_arg(arguments, void (*)()));
    else if (option < CURLOPTTYPE_BLOB)
        result = curl()->easySetopt(handle, option, va_arg(arguments, curl_off_t));
    else
        result = curl()->easySetopt(handle, option, va_arg(arguments, void*));
    va_end(arguments);
    return result;
}

CURLcode curl_easy_perform(CURL* handle)
{
    return curl() ? curl()->easyPerform(handle) : CURLE_FAILED_INIT;
}

// Every information is written through a pointer.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...)
{
    if (!curl())
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, info);
    const CURLcode result = curl()->easyGetinfo(handle, info, va_arg(arguments, void*));
    va_end(arguments);
    return result;
}

const char* curl_easy_strerror(CURLcode code)
{
    return curl() ? curl()->easyStrerror(code) : "libcurl is not available";
}

CURLSH* curl_share_init()
{
    return curl() ? curl()->shareInit() : nullptr;
}

// Sharing options take a data kind (an int), the lock functions function pointers, the user data a pointer.
CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...)
{
    if (!curl())
        return CURLSHE_NOT_BUILT_IN;
    va_list arguments;
    va_start(arguments, option);
    CURLSHcode result;
    switch (option) {
    case CURLSHOPT_SHARE:
    case CURLSHOPT_UNSHARE:
        result = curl()->shareSetopt(share, option, va_arg(arguments, int));
        break;
    case CURLSHOPT_LOCKFUNC:
    case CURLSHOPT_UNLOCKFUNC:
        result = curl()->shareSetopt(share, option, va_arg(arguments, void (*)()));
        break;
    default:
        result = curl()->shareSetopt(share, option, va_arg(arguments, void*));
        break;
    }
    va_end(arguments);
    return result;
}

CURLSHcode curl_share_cleanup(CURLSH* share)
{
    return curl() ? curl()->shareCleanup(share) : CURLSHE_NOT_BUILT_IN;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text)
{
    return curl() ? curl()->slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list)
{
    if (curl())
        curl()->slistFreeAll(list);
}

} // extern "C"
