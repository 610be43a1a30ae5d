// A line alignment written as a unified diff, in the form that diff -u
// prints and patch reads: "--- A" and "+++ B", then hunks
// "@@ -start,count +start,count @@" of context (' '), removed ('-') and
// inserted ('+') lines, with "\ No newline at end of file" after a last line
// that has no LF. Applying it to A gives B byte for byte.
#ifndef TEXT_UNIFIED_DIFF_H
#define TEXT_UNIFIED_DIFF_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <lcs/lcs.h>
#include "text/tokens.h"

namespace lcs::text {

// One side of the diff: its name for the header, its bytes, and its lines
// as tokenize(Unit::lines, ...) cut them.
struct LineFile {
    std::string_view label;
    std::string_view text;
    const std::vector<Span>& lines;
};

constexpr std::int64_t kDefaultContext = 3;

// The unified diff of a into b along `alignment`, an alignment of a's lines
// with b's; `context` unchanged lines (at least 0) around each change, and
// changes that lie at most 2 x context lines apart share a hunk. Empty when
// the alignment keeps every line.
std::string unified_diff(const LineFile& a, const LineFile& b, const lcs::Alignment& alignment,
                         std::int64_t context = kDefaultContext);

}  // namespace lcs::text

#endif  // TEXT_UNIFIED_DIFF_H
