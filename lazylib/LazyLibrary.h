#pragma once

#include <mutex>
#include <string>

// A shared library opened with dlopen at the first look-up of one of its
// functions, for stand-ins that define a library's functions themselves and
// forward each call (the program then starts without the library and the
// libraries it brings). Never closed: such libraries keep global state until
// the process ends. Safe to use from any thread.
class LazyLibrary {
public:
    // soname: the file name the loader searches for, as in "libzip.so.4".
    explicit LazyLibrary(const char* soname) : soname_(soname) {}
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;

    // The library's own function of that name (never a stand-in of the
    // program's), or null when the library or the name is missing.
    template <typename Function>
    Function function(const char* name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }

    // Whether the library could be opened (opens it on the first call).
    bool available() const { return handle() != nullptr; }
    const char* soname() const { return soname_; }
    // Why the library could not be opened, in the loader's words (which name
    // the missing file, maybe one the library needs); empty when it was.
    std::string failure() const
    {
        handle();
        return failure_;
    }

private:
    void* handle() const;
    void* symbol(const char* name) const;

    const char* soname_;
    mutable std::once_flag opened_;
    mutable void* handle_ = nullptr;
    mutable std::string failure_;
};
