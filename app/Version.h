#pragma once

#include <string>
#include <vector>

// The program's name and version (core/Program.h); the version is compared
// with the one the web service offers.
#include "core/Program.h"

// Splits a dotted version ("2.0.10") into its numbers. False for an empty
// text, an empty part, a part that is not all digits, or a part too long to
// hold; surrounding blanks are ignored.
bool parseVersion(const std::string& text, std::vector<unsigned long long>& parts);

// True when offered is a well-formed version above current, comparing the
// dotted parts as numbers (missing trailing parts count as 0).
bool isNewerVersion(const std::string& offered, const std::string& current = programVersion());
