// LCS length by the prefix recurrence: the whole table, and two rows of it.
//
// The dynamic-programming recurrence over prefixes, as D. S. Hirschberg
// states it for his algorithms A and B in "A linear space algorithm for
// computing maximal common subsequences", CACM 18(6), 1975: L(i, j), the LCS
// length of A[1..i] and B[1..j], follows from the three cells above, to the
// left and diagonally above it (routines/lcs_rows.h). Hirschberg_AlgA keeps
// all (lenA + 1) x (lenB + 1) cells, the form from which an LCS itself could
// be traced back; Hirschberg_AlgB keeps two rows, since row i needs only row
// i - 1. Both take lenA x lenB steps of constant time. They are the plain
// reference methods of the collection: their time does not depend on the
// characters, so they lose to the match-driven and bit-vector methods on
// large alphabets or long strings and win on short ones. Hirschberg_AlgA's
// table makes it the memory-bound one: lenA = lenB = 20000 needs 1.6 GB.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "routines/detail/lcs_rows.h"
#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::prefix_row;
using lcs::detail::ZeroTable;

namespace {

const unsigned char* bytes(const char* sequence) {
    return reinterpret_cast<const unsigned char*>(sequence);
}

}  // namespace

std::int32_t Hirschberg_AlgA(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    // One zero-filled block rather than a separately allocated row each: the
    // same cells, adjacent in memory. Row 0 and column 0 are never written;
    // the zero fill is their value.
    const ZeroTable<std::int32_t> table(n + 1, m + 1);
    for (std::size_t i = 1; i <= n; ++i) {
        prefix_row<1>(bytes(a)[i], bytes(b) + 1, m, table.row(i - 1), table.row(i));
    }
    return table.row(n)[m];
}

std::int32_t Hirschberg_AlgB(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    // Two row buffers in one block. Row i of the table is computed into
    // buffer i mod 2 from buffer (i - 1) mod 2, so buffer 0, all zeros until
    // row 2, stands for row 0, and the last row is in buffer n mod 2.
    const ZeroTable<std::int32_t> rows(2, m + 1);
    std::int32_t* previous = rows.row(1);
    std::int32_t* current = rows.row(0);
    for (std::size_t i = 1; i <= n; ++i) {
        std::swap(previous, current);
        prefix_row<1>(bytes(a)[i], bytes(b) + 1, m, previous, current);
    }
    return current[m];
}
