// The bit-matrix traceback of a small piece under lcs::align
// (toolkit/align.cpp): one LCS of two coded strings in their own
// coordinates.
#ifndef LCS_KERNEL_TRACEBACK_H
#define LCS_KERNEL_TRACEBACK_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernel/blocks.h"

namespace lcs::kernel {

// A diagonal run of matches: X from position x and Y from position y (from
// 0), count long.
struct MatchRun {
    std::int32_t x, y, count;
};

// Words of row vectors that traceback keeps for a comparison: m rows of
// X's words, whole blocks of four.
std::size_t traceback_words(std::size_t n, std::size_t m);

// One LCS of c.x and c.y (c.x_rows unused), its matches appended to `out`
// in order, by the bit-matrix traceback (H. Hyyrö, "A note on bit-parallel
// alignment computation", Prague Stringology Conference 2004). `rows` is
// working storage, traceback_words(c.n, c.m) words once used.
void traceback(const Coded& c, std::vector<Word>& rows, std::vector<MatchRun>& out);

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_TRACEBACK_H
