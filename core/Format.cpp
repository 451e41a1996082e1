#include "core/Format.h"

#include <cerrno>
#include <cstdlib>
#include <iomanip>
#include <locale>
#include <sstream>

namespace format_detail {

namespace {

// strtol-like read of a decimal number starting at pos; pos moves past what
// was read. Text with no digits reads as 0 and leaves pos where it was.
long readNumber(const std::string& t, size_t& pos)
{
    const char* begin = t.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(begin, &end, 10);
    if (end == begin)
        return 0;
    pos += static_cast<size_t>(end - begin);
    return value;
}

}  // namespace

void writePlaceholder(std::ostream& os, const std::string& t, const ArgList& args)
{
    size_t pos = 0;
    long index = readNumber(t, pos);
    if (index < 0 || static_cast<size_t>(index) >= args.size())
        return;

    long width = 0;
    if (pos < t.size() && t[pos] == ',') {
        ++pos;
        width = readNumber(t, pos);
    }
    std::string spec;
    if (pos < t.size() && t[pos] == ':')
        spec = t.substr(pos + 1);

    if (width > 0) {
        os << std::right << std::setw(static_cast<int>(width));
    } else if (width < 0) {
        os << std::left << std::setw(static_cast<int>(-width));
    }
    args[static_cast<size_t>(index)]->write(os, spec);
    // The alignment of one placeholder never carries over to the next.
    os << std::right << std::setw(0);
}

std::string formatList(const std::string& pattern, const ArgList& args)
{
    std::ostringstream os;
    os.imbue(std::locale::classic());
    size_t p = 0;
    for (;;) {
        size_t b = pattern.find('{', p);
        if (b == std::string::npos) {
            os.write(pattern.data() + p, static_cast<std::streamsize>(pattern.size() - p));
            break;
        }
        os.write(pattern.data() + p, static_cast<std::streamsize>(b - p));
        if (b + 1 < pattern.size() && pattern[b + 1] == '{') {
            os << '{';
            p = b + 2;
            continue;
        }
        size_t e = pattern.find('}', b + 1);
        if (e == std::string::npos) {
            os.write(pattern.data() + b, static_cast<std::streamsize>(pattern.size() - b));
            break;
        }
        writePlaceholder(os, pattern.substr(b + 1, e - b - 1), args);
        p = e + 1;
    }
    return os.str();
}

}  // namespace format_detail
