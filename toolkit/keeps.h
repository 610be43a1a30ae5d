// The one alignment assembler: matches found in order, as keeps, turned into
// the runs that <lcs/lcs.h> promises. lcs::align (toolkit/align.cpp) and the
// line diff (text/differences.cpp) both build their alignments here.
#ifndef LCS_TOOLKIT_KEEPS_H
#define LCS_TOOLKIT_KEEPS_H

#include <cstdint>
#include <vector>

#include <lcs/lcs.h>

namespace lcs::detail {

// A diagonal run of matches: A from a, B from b, count long.
struct Keep {
    std::int32_t a, b, count;
};

// Appends `keep` to `out`, joined to the last keep when it continues it;
// an empty keep adds nothing.
void append_keep(std::vector<Keep>& out, Keep keep);

// The alignment whose matches are `keeps` (in order along A and B): between
// two keep runs the remove, then the insert.
Alignment runs_of(const std::vector<Keep>& keeps, std::int32_t a_size, std::int32_t b_size);

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_KEEPS_H
