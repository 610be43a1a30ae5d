// Wagner-Fischer edit-distance LCS.
//
// R. A. Wagner and M. J. Fischer, "The string-to-string correction problem",
// Journal of the ACM 21(1), 1974. D(i, j) is the least cost of turning
// A[1..i] into B[1..j] when a deletion and an insertion cost 1 and a
// substitution costs 2 (one deletion plus one insertion). With these prices
// every optimal script keeps a longest common subsequence and edits the rest,
// so d = D(lenA, lenB) = lenA + lenB - 2 LCS and the LCS length is
// (lenA + lenB - d) / 2, an exact division.
//
// Cost: lenA x lenB cells in constant time each, and the whole table of
// (lenA + 2) x (lenB + 2) counters held to the end (the method computes a
// distance from its full table; the two-row form of the prefix recurrence
// needs only O(lenB) space for the same answer). Row lenA + 1 and column
// lenB + 1 are allocated and never touched, so they cost no resident memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroTable;

namespace {

// Distances are at most lenA + lenB < 2^32, so unsigned 32-bit counters hold
// every one of them, even where lenA + lenB exceeds the signed range.
using Distance = std::uint32_t;

// Fills row i of the table from row i - 1 (`above`); row[0] already holds i.
//
// The recurrence D(i, j) = D(i-1, j-1) if A[i] = B[j], else
// min(D(i-1, j) + 1, D(i-1, j-1) + 2, D(i, j-1) + 1) is evaluated as
//
//   D(i, j) = min(x_j, D(i, j-1) + 1),
//   x_j = min(D(i-1, j) + 1, D(i-1, j-1) + (A[i] = B[j] ? 0 : 2)),
//
// which is the same value: neighbouring cells differ by at most 1
// (D(i-1, j-1) <= D(i-1, j) + 1 and D(i-1, j-1) <= D(i, j-1) + 1, by one
// extra insertion or deletion), so on a match neither other term undercuts
// the diagonal. x_j needs no branch on the unpredictable match test, and
// writing the left term as a running minimum of x_j - j leaves a single min
// per cell on the loop-carried path.
void fill_row(const unsigned char* textB, std::size_t m, unsigned char ai, const Distance* above,
              Distance* row) {
    std::int64_t running = row[0];  // min over l <= j of x_l - l, with x_0 = D(i, 0)
    for (std::size_t j = 1; j <= m; ++j) {
        const std::int64_t substitution = 2 * static_cast<std::int64_t>(ai != textB[j]);
        const std::int64_t x = std::min<std::int64_t>(above[j] + 1, above[j - 1] + substitution);
        running = std::min<std::int64_t>(running, x - static_cast<std::int64_t>(j));
        row[j] = static_cast<Distance>(running + static_cast<std::int64_t>(j));
    }
}

}  // namespace

std::int32_t WagnerFischer_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const auto* textB = reinterpret_cast<const unsigned char*>(b);

    ZeroTable<Distance> distance(n + 2, m + 2);
    Distance* first = distance.row(0);
    for (std::size_t j = 0; j <= m; ++j) first[j] = static_cast<Distance>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        Distance* row = distance.row(i);
        row[0] = static_cast<Distance>(i);
        fill_row(textB, m, textA[i], distance.row(i - 1), row);
    }

    const std::uint64_t d = distance.row(n)[m];
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(n) + m - d) / 2);
}
