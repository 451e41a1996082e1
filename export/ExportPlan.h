#pragma once

#include <QString>

#include <random>
#include <string>
#include <vector>

#include "core/Records.h"

// The plain rules of an export: names, checks and the order of the
// questions. No widgets, no files.
namespace exportplan {

// The characters a file name may not hold, and the message that lists them.
const QString& forbiddenCharacters();
QString forbiddenCharactersMessage();
bool hasForbiddenCharacter(const QString& name);

// "%1%2%3XXXX(%4-%5)": grade, term and subject names, then the numbers of
// the first and the last question of the list as given.
QString defaultFileName(const std::string& grade, const std::string& term, const std::string& subject,
                        const std::vector<_detail_t>& questions);

// "/" + the file name with every "XXXX" (case-sensitive) replaced by part,
// + extension. A name without "XXXX" gets part appended, so that the
// documents of one run (questions, answers, re-do) never share a path.
QString documentName(const QString& fileName, const QString& part, const QString& extension);

// The questions in the order of the documents: grouped by question-type id
// (groups in ascending id, each keeping the list's order); then per group
// order 0 sorts by number, order 1 shuffles and numbers the whole result 1,
// 2, 3, ... across the groups; other orders leave the groups as they are.
// The list itself is not changed.
std::vector<_detail_t> documentOrder(const std::vector<_detail_t>& questions, int order, std::mt19937& random);

// The process's random source for 随机: seeded once when first used, from
// the system's entropy source and the clock, so two program starts give
// different orders.
std::mt19937& randomEngine();

// The question-type ids of the list, each once, in the order they first
// occur.
std::vector<int> questionTypeIds(const std::vector<_detail_t>& questions);

}  // namespace exportplan
