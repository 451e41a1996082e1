// The curl functions the program calls, each forwarding to libcurl, which is
// opened at the first call (see CMakeLists.txt). Without libcurl every call
// fails the way libcurl itself reports a failure: the global init and the
// calls on a handle with CURLE_FAILED_INIT, curl_easy_init and
// curl_slist_append with null, curl_multi_init with null and the calls on a
// multi handle with CURLM_INTERNAL_ERROR; the clean-ups do nothing.

// The header's type-checking macros would turn curl_easy_setopt into a macro
// here, where the function itself is defined.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <cstdarg>

#include "LazyLibrary.h"

namespace {

struct Api {
    CURLcode (*globalInit)(long) = nullptr;
    void (*globalCleanup)() = nullptr;
    CURL* (*easyInit)() = nullptr;
    CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easyPerform)(CURL*) = nullptr;
    void (*easyCleanup)(CURL*) = nullptr;
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
    void (*slistFreeAll)(curl_slist*) = nullptr;
    CURLM* (*multiInit)() = nullptr;
    CURLMcode (*multiAddHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multiRemoveHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multiPerform)(CURLM*, int*) = nullptr;
    CURLMcode (*multiPoll)(CURLM*, curl_waitfd*, unsigned int, int, int*) = nullptr;
    CURLMcode (*multiWakeup)(CURLM*) = nullptr;
    CURLMsg* (*multiInfoRead)(CURLM*, int*) = nullptr;
    CURLMcode (*multiCleanup)(CURLM*) = nullptr;
    bool complete = false;
};

template <typename Function>
bool resolve(const LazyLibrary& library, const char* name, Function& function)
{
    function = library.function<Function>(name);
    return function != nullptr;
}

Api load()
{
    static const LazyLibrary library(LORVANE_CURL_SONAME);
    Api api;
    api.complete = resolve(library, "curl_global_init", api.globalInit) &&
                   resolve(library, "curl_global_cleanup", api.globalCleanup) &&
                   resolve(library, "curl_easy_init", api.easyInit) &&
                   resolve(library, "curl_easy_setopt", api.easySetopt) &&
                   resolve(library, "curl_easy_perform", api.easyPerform) &&
                   resolve(library, "curl_easy_cleanup", api.easyCleanup) &&
                   resolve(library, "curl_easy_getinfo", api.easyGetinfo) &&
                   resolve(library, "curl_slist_append", api.slistAppend) &&
                   resolve(library, "curl_slist_free_all", api.slistFreeAll) &&
                   resolve(library, "curl_multi_init", api.multiInit) &&
                   resolve(library, "curl_multi_add_handle", api.multiAddHandle) &&
                   resolve(library, "curl_multi_remove_handle", api.multiRemoveHandle) &&
                   resolve(library, "curl_multi_perform", api.multiPerform) &&
                   resolve(library, "curl_multi_poll", api.multiPoll) &&
                   resolve(library, "curl_multi_wakeup", api.multiWakeup) &&
                   resolve(library, "curl_multi_info_read", api.multiInfoRead) &&
                   resolve(library, "curl_multi_cleanup", api.multiCleanup);
    return api;
}

// Loaded once, on the first call from any thread.
const Api& curl()
{
    static const Api api = load();
    return api;
}

}  // namespace

CURLcode curl_global_init(long flags)
{
    return curl().complete ? curl().globalInit(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup(void)
{
    if (curl().complete)
        curl().globalCleanup();
}

CURL* curl_easy_init(void)
{
    return curl().complete ? curl().easyInit() : nullptr;
}

// The option's number tells the type of its one argument: a long, a pointer
// (data or a callback), or a curl_off_t. Each is read as that type and passed
// on as it came.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...)
{
    if (!curl().complete)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode code;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        const long value = va_arg(args, long);
        code = curl().easySetopt(handle, option, value);
    } else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB) {
        const curl_off_t value = va_arg(args, curl_off_t);
        code = curl().easySetopt(handle, option, value);
    } else {
        // Data and callbacks alike: a callback travels through the variable
        // arguments as a pointer of the same size and passing.
        void* const value = va_arg(args, void*);
        code = curl().easySetopt(handle, option, value);
    }
    va_end(args);
    return code;
}

CURLcode curl_easy_perform(CURL* handle)
{
    return curl().complete ? curl().easyPerform(handle) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* handle)
{
    if (curl().complete)
        curl().easyCleanup(handle);
}

// Every piece of information is written through the one pointer given.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...)
{
    if (!curl().complete)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* const target = va_arg(args, void*);
    va_end(args);
    return curl().easyGetinfo(handle, info, target);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text)
{
    return curl().complete ? curl().slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list)
{
    if (curl().complete)
        curl().slistFreeAll(list);
}

CURLM* curl_multi_init(void)
{
    return curl().complete ? curl().multiInit() : nullptr;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle)
{
    return curl().complete ? curl().multiAddHandle(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle)
{
    return curl().complete ? curl().multiRemoveHandle(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running)
{
    return curl().complete ? curl().multiPerform(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd* extra, unsigned int count, int timeoutMs, int* ready)
{
    return curl().complete ? curl().multiPoll(multi, extra, count, timeoutMs, ready) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_wakeup(CURLM* multi)
{
    return curl().complete ? curl().multiWakeup(multi) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left)
{
    return curl().complete ? curl().multiInfoRead(multi, left) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi)
{
    return curl().complete ? curl().multiCleanup(multi) : CURLM_INTERNAL_ERROR;
}
