#include "LazyLibrary.h"

#include <dlfcn.h>

void* LazyLibrary::handle() const
{
    // RTLD_LOCAL: the library's names do not join the global scope, so the
    // program's stand-ins keep serving the program's calls.
    std::call_once(opened_, [this] {
        handle_ = dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = dlerror();
            failure_ = why ? why : soname_;
        }
    });
    return handle_;
}

void* LazyLibrary::symbol(const char* name) const
{
    void* library = handle();
    // Searched in the library and what it needs, not in the program.
    return library ? dlsym(library, name) : nullptr;
}
