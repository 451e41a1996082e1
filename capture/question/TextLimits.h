#pragma once

// The longest test point, source and remark a question's form takes, in
// characters (QString units). Every dialog that writes one of these texts
// holds it to the same length. A stored text that is longer (an older file,
// a restore) is still shown and kept whole: the limits hold what is typed,
// never what is stored.
namespace textlimits {

constexpr int kPoint = 20;
constexpr int kSource = 100;
constexpr int kRemark = 100;

}  // namespace textlimits
