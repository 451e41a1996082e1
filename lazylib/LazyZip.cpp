// The libzip functions the program calls (the Word documents are zip
// packages), each forwarding to libzip, which is opened at the first call
// (see CMakeLists.txt). Without libzip nothing can be opened: zip_open fails
// with ZIP_ER_INTERNAL and the error texts name the missing library and the
// loader's reason, so the export reports "无法写入文件 …：找不到 libzip.so.N
// （…）"; the other calls fail as libzip fails them on a bad argument, and the
// clean-ups do nothing.
#include <zip.h>

#include <string>

#include "LazyLibrary.h"

namespace {

const LazyLibrary& libzip()
{
    static const LazyLibrary library(LORVANE_ZIP_SONAME);
    return library;
}

// libzip's function of the stand-in's name, looked up once per stand-in.
template <typename Function>
Function real(const char* name)
{
    return libzip().function<Function>(name);
}

// The loader's reason follows the name: it tells a missing libzip from a
// missing library that libzip needs.
const char* missingText()
{
    static const std::string text = std::string("找不到 ") + LORVANE_ZIP_SONAME + "（" + libzip().failure() + "）";
    return text.c_str();
}

}  // namespace

zip_t* zip_open(const char* path, int flags, int* error)
{
    static const auto open = real<decltype(&zip_open)>("zip_open");
    if (!open) {
        if (error)
            *error = ZIP_ER_INTERNAL;
        return nullptr;
    }
    return open(path, flags, error);
}

int zip_close(zip_t* archive)
{
    static const auto close = real<decltype(&zip_close)>("zip_close");
    return close ? close(archive) : -1;
}

void zip_discard(zip_t* archive)
{
    static const auto discard = real<decltype(&zip_discard)>("zip_discard");
    if (discard)
        discard(archive);
}

const char* zip_strerror(zip_t* archive)
{
    static const auto text = real<decltype(&zip_strerror)>("zip_strerror");
    return text ? text(archive) : missingText();
}

void zip_error_init_with_code(zip_error_t* error, int code)
{
    static const auto init = real<decltype(&zip_error_init_with_code)>("zip_error_init_with_code");
    if (init) {
        init(error, code);
        return;
    }
    error->zip_err = code;
    error->sys_err = 0;
    error->str = nullptr;
}

const char* zip_error_strerror(zip_error_t* error)
{
    static const auto text = real<decltype(&zip_error_strerror)>("zip_error_strerror");
    return text ? text(error) : missingText();
}

void zip_error_fini(zip_error_t* error)
{
    static const auto fini = real<decltype(&zip_error_fini)>("zip_error_fini");
    if (fini)
        fini(error);
}

zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags)
{
    static const auto count = real<decltype(&zip_get_num_entries)>("zip_get_num_entries");
    return count ? count(archive, flags) : -1;
}

int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat)
{
    static const auto statIndex = real<decltype(&zip_stat_index)>("zip_stat_index");
    return statIndex ? statIndex(archive, index, flags, stat) : -1;
}

zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags)
{
    static const auto openIndex = real<decltype(&zip_fopen_index)>("zip_fopen_index");
    return openIndex ? openIndex(archive, index, flags) : nullptr;
}

zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t size)
{
    static const auto read = real<decltype(&zip_fread)>("zip_fread");
    return read ? read(file, buffer, size) : -1;
}

int zip_fclose(zip_file_t* file)
{
    static const auto close = real<decltype(&zip_fclose)>("zip_fclose");
    return close ? close(file) : ZIP_ER_INTERNAL;
}

zip_source_t* zip_source_file(zip_t* archive, const char* path, zip_uint64_t start, zip_int64_t length)
{
    static const auto source = real<decltype(&zip_source_file)>("zip_source_file");
    return source ? source(archive, path, start, length) : nullptr;
}

zip_source_t* zip_source_buffer(zip_t* archive, const void* data, zip_uint64_t size, int freeWhenDone)
{
    static const auto source = real<decltype(&zip_source_buffer)>("zip_source_buffer");
    return source ? source(archive, data, size, freeWhenDone) : nullptr;
}

void zip_source_free(zip_source_t* source)
{
    static const auto release = real<decltype(&zip_source_free)>("zip_source_free");
    if (release)
        release(source);
}

zip_int64_t zip_file_add(zip_t* archive, const char* name, zip_source_t* source, zip_flags_t flags)
{
    static const auto add = real<decltype(&zip_file_add)>("zip_file_add");
    return add ? add(archive, name, source, flags) : -1;
}

int zip_set_file_compression(zip_t* archive, zip_uint64_t index, zip_int32_t method, zip_uint32_t level)
{
    static const auto compression = real<decltype(&zip_set_file_compression)>("zip_set_file_compression");
    return compression ? compression(archive, index, method, level) : -1;
}
