#include "platform/Profile.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace platform {

namespace {

std::string trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool sameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string readProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return defaultValue;
    bool inSection = false;
    std::string line;
    bool firstLine = true;
    while (std::getline(in, line)) {
        if (firstLine && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        firstLine = false;
        const std::string text = trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[') {
            const size_t close = text.find(']');
            inSection = close != std::string::npos && sameText(trim(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const size_t eq = text.find('=');
        if (eq == std::string::npos || !sameText(trim(text.substr(0, eq)), key))
            continue;
        std::string value = trim(text.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return defaultValue;
}

}  // namespace platform
