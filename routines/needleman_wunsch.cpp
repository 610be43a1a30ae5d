// Needleman-Wunsch maximum match.
//
// S. B. Needleman and C. D. Wunsch, "A general method applicable to the
// search for similarities in the amino acid sequence of two proteins",
// Journal of Molecular Biology 48(3), 1970. The match table M holds 1 where
// A[i] = B[j] and 0 elsewhere. The summation makes every cell
// M(i, j) + max(M(i-1, k) for k < j, M(k, j-1) for k < i): the best pathway
// that reaches the cell through its partial row and partial column, both
// scanned afresh for every cell, as in the paper. The maximum match, the
// largest cell of the last row and column, is the LCS length.
//
// Cost: cell (i, j) reads (i - 1) + (j - 1) cells, so the summation grows as
// lenA lenB (lenA + lenB); (lenA + 1) x (lenB + 1) counters and a row of
// lenB + 1 column maxima. The method is kept for comparison: the prefix
// recurrence gives the same value in lenA lenB steps.
//
// The scans are arranged for speed without changing what is read. For the
// cells of row i, the partial columns are scanned together, one earlier row
// at a time, into a maximum per column (the rows stream through the cache in
// order instead of one column at a time), and each partial row is a plain
// maximum over a contiguous stretch. A maximum of integers is the same in any
// order, so the compiler may vectorise both loops.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroFilled;
using lcs::detail::ZeroTable;

namespace {

// The largest of 0 and cells[0 .. count - 1]. Sixteen running maxima side by
// side break the chain of dependent comparisons into independent ones.
std::int32_t max_of(const std::int32_t* cells, std::size_t count) {
    constexpr std::size_t kLanes = 16;
    std::int32_t lane[kLanes] = {};
    std::size_t k = 0;
    for (; k + kLanes <= count; k += kLanes) {
        for (std::size_t l = 0; l < kLanes; ++l) lane[l] = std::max(lane[l], cells[k + l]);
    }
    std::int32_t best = 0;
    for (; k < count; ++k) best = std::max(best, cells[k]);
    for (std::int32_t l : lane) best = std::max(best, l);
    return best;
}

// column_best[j] = the largest M(k, j - 1) over the rows k = 1 .. i - 1, for
// j = 2 .. m; column_best[1] stays 0 (the partial column of column 1 is empty).
// Four earlier rows per sweep of column_best.
void scan_partial_columns(const ZeroTable<std::int32_t>& table, std::size_t i, std::size_t m,
                          std::int32_t* column_best) {
    std::fill(column_best, column_best + m + 1, 0);
    std::size_t k = 1;
    for (; k + 4 <= i; k += 4) {
        const std::int32_t* r0 = table.row(k);
        const std::int32_t* r1 = table.row(k + 1);
        const std::int32_t* r2 = table.row(k + 2);
        const std::int32_t* r3 = table.row(k + 3);
        for (std::size_t j = 2; j <= m; ++j) {
            const std::int32_t top = std::max(std::max(r0[j - 1], r1[j - 1]),
                                              std::max(r2[j - 1], r3[j - 1]));
            column_best[j] = std::max(column_best[j], top);
        }
    }
    for (; k < i; ++k) {
        const std::int32_t* earlier = table.row(k);
        for (std::size_t j = 2; j <= m; ++j) {
            column_best[j] = std::max(column_best[j], earlier[j - 1]);
        }
    }
}

}  // namespace

std::int32_t NeedlemanWunsch_Alg(const char* a, const char* b, std::int32_t lenA,
                                 std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const auto* textB = reinterpret_cast<const unsigned char*>(b);

    // Row 0 and column 0 are never written and read as 0 from the zero fill.
    ZeroTable<std::int32_t> table(n + 1, m + 1);
    for (std::size_t i = 1; i <= n; ++i) {
        std::int32_t* row = table.row(i);
        for (std::size_t j = 1; j <= m; ++j) row[j] = textA[i] == textB[j];
    }

    // Every cell reads only rows above it, which are final by then.
    ZeroFilled<std::int32_t> column_best(m + 1);
    for (std::size_t i = 1; i <= n; ++i) {
        scan_partial_columns(table, i, m, column_best.get());
        const std::int32_t* above = table.row(i - 1);  // row 0 when i = 1: all zero
        std::int32_t* row = table.row(i);
        for (std::size_t j = 1; j <= m; ++j) {
            row[j] += std::max(max_of(above + 1, j - 1), column_best[j]);
        }
    }

    std::int32_t result = 0;
    for (std::size_t i = n; i >= 1; --i) result = std::max(result, table.row(i)[m]);
    for (std::size_t j = m; j >= 1; --j) result = std::max(result, table.row(n)[j]);
    return result;
}
