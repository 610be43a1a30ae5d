// The library's own view of a Pattern's prepared query: Pattern names this
// struct its friend, so that the batch and the pairs read the match rows
// and no caller of <lcs/lcs.h> can.
#ifndef LCS_TOOLKIT_PATTERN_H
#define LCS_TOOLKIT_PATTERN_H

#include <lcs/lcs.h>

#include "kernel/pattern.h"

namespace lcs::detail {

struct PatternAccess {
    // Null for a moved-from Pattern.
    static const PatternData* of(const Pattern& pattern) { return pattern.data_.get(); }
};

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_PATTERN_H
