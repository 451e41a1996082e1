#include "export/docx/XmlText.h"

namespace docx {
namespace {

bool allowed(char32_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF)
        return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

// Length of the well-formed sequence starting at text[i] and its code
// point; 0 when the bytes there are not well-formed UTF-8.
size_t decode(const std::string& text, size_t i, char32_t& c)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    size_t n = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    return c < min ? 0 : n;  // overlong forms are malformed
}

}  // namespace

std::string cleanXmlText(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const size_t n = decode(utf8, i, c);
        if (n == 0) {
            ++i;
            continue;
        }
        if (allowed(c))
            out.append(utf8, i, n);
        i += n;
    }
    return out;
}

}  // namespace docx
