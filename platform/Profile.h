#pragma once

#include <string>

namespace platform {

// Reads one value of an ini file the way the system's private-profile call
// does: the section and key are matched without regard to case, the value is
// taken whole (everything after the first '=' on the line, outer blanks
// removed, one pair of enclosing quotes removed). defaultValue when the file,
// the section or the key is missing.
std::string readProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& fileName);

}  // namespace platform
