#include "app/Version.h"

#include <algorithm>
#include <cctype>

bool parseVersion(const std::string& text, std::vector<unsigned long long>& parts)
{
    parts.clear();
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (begin == end)
        return false;

    size_t pos = begin;
    while (true) {
        size_t stop = text.find('.', pos);
        if (stop == std::string::npos || stop > end)
            stop = end;
        if (stop == pos || stop - pos > 18) {
            parts.clear();
            return false;
        }
        unsigned long long value = 0;
        for (size_t i = pos; i < stop; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (!std::isdigit(c)) {
                parts.clear();
                return false;
            }
            value = value * 10 + (c - '0');
        }
        parts.push_back(value);
        if (stop == end)
            break;
        pos = stop + 1;
        if (pos == end) {  // a trailing dot
            parts.clear();
            return false;
        }
    }
    return true;
}

bool isNewerVersion(const std::string& offered, const std::string& current)
{
    std::vector<unsigned long long> a;
    std::vector<unsigned long long> b;
    if (!parseVersion(offered, a))
        return false;
    if (!parseVersion(current, b))
        return true;  // our own version is always well formed
    const size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned long long x = i < a.size() ? a[i] : 0;
        const unsigned long long y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}
