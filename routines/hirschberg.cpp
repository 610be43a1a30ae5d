// Hirschberg's divide-and-conquer LCS.
//
// D. S. Hirschberg, "A linear space algorithm for computing maximal common
// subsequences", CACM 18(6), 1975, algorithm C. A is cut in half at n =
// lenA / 2. One two-row pass of the prefix recurrence over A[1..n] and B gives
// F(k), the LCS length of A[1..n] and B[1..k], for every k; a second pass over
// A's second half and B, both read from their ends, gives R(j), the LCS length
// of A[n+1..lenA] and B's last j characters. The LCS of the whole splits at
// some cut k of B into an LCS of the first pieces and one of the second, so
// the greatest F(k) + R(lenB - k) is the answer's length; the method recurses
// on the two pairs of pieces at the first cut that reaches it, down to single
// characters of A, and returns the sum that the recursion builds. Paper to
// code: L1 is `forward`, L2 is `backward`, M is the best split score.
//
// Cost: a little over 2 lenA lenB cells in all (each level of the recursion
// halves the area), about twice Hirschberg_AlgB, with four rows of lenB + 1
// counters per call. The rows of a call are released before it recurses, so
// at most one call's rows exist at a time: O(lenB) storage whatever lenA is,
// and a recursion ceil(log2 lenA) + 1 calls deep. The method exists to recover
// an LCS itself in linear space; for the length alone it is the slower of the
// two-row methods.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "routines/detail/hirschberg.h"
#include "routines/detail/lcs_rows.h"
#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::prefix_row;
using lcs::detail::ZeroTable;

namespace lcs::detail {

std::size_t first_best_split(const char* a, const char* b, std::size_t lenA, std::size_t m) {
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const auto* textB = reinterpret_cast<const unsigned char*>(b);
    const std::size_t n = lenA / 2;
    // Forward rows 0 and 1, backward rows 2 and 3, in one zero-filled block.
    const ZeroTable<std::int32_t> rows(4, m + 1);

    std::int32_t* forward = rows.row(0);
    std::int32_t* spare = rows.row(1);
    for (std::size_t i = 1; i <= n; ++i) {
        prefix_row<1>(textA[i], textB + 1, m, forward, spare);
        std::swap(forward, spare);
    }

    // Row i of the backward pass takes A[lenA - i + 1] and its column j takes
    // B[m - j + 1]: the same recurrence over both strings reversed.
    std::int32_t* backward = rows.row(2);
    spare = rows.row(3);
    for (std::size_t i = 1; i <= lenA - n; ++i) {
        prefix_row<-1>(textA[lenA - i + 1], textB + m, m, backward, spare);
        std::swap(backward, spare);
    }

    std::size_t split = 0;
    std::int32_t best = 0;
    for (std::size_t k = 0; k <= m; ++k) {
        const std::int32_t score = forward[k] + backward[m - k];
        if (score > best) {
            best = score;
            split = k;
        }
    }
    return split;
}

}  // namespace lcs::detail

std::int32_t Hirschberg_AlgC(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t lengthA = count_of(lenA);
    const std::size_t m = count_of(lenB);
    if (lengthA == 0 || m == 0) return 0;
    if (lengthA == 1) return std::memchr(b + 1, static_cast<unsigned char>(a[1]), m) ? 1 : 0;

    const std::size_t n = lengthA / 2;
    // The split frees its rows before it returns: the recursion below holds
    // no storage of this call.
    const std::size_t k = lcs::detail::first_best_split(a, b, lengthA, m);
    // Views, not copies: the second pieces start after position n of A and
    // after position k of B. Every length here is at most the caller's, so
    // it fits in 32 bits.
    return Hirschberg_AlgC(a, b, static_cast<std::int32_t>(n), static_cast<std::int32_t>(k)) +
           Hirschberg_AlgC(a + n, b + k, static_cast<std::int32_t>(lengthA - n),
                           static_cast<std::int32_t>(m - k));
}
