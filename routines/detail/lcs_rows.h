// One row of the LCS prefix recurrence, the kernel that the full-table, the
// two-row and the divide-and-conquer routines share.
//
// Row i of the table holds L(i, j), the LCS length of A's first i characters
// and B's first j, for j = 0 to m. Given row i - 1 and the character c = A[i]:
//
//     L(i, j) = L(i-1, j-1) + 1                 if c = B[j]
//             = max(L(i-1, j), L(i, j-1))        otherwise, the upper cell on ties
//
// On a match the diagonal value plus one is never below the upper or the left
// cell (neighbouring cells differ by at most one), so the cell is the greatest
// of the three candidates with the match counted as 0 or 1. That form has no
// branch on the characters: the compiler turns both maxima into conditional
// moves, and the loop runs at the speed of its one carried dependency (the
// left cell) instead of stalling on a match test that random text makes
// unpredictable.
#ifndef ROUTINES_LCS_ROWS_H
#define ROUTINES_LCS_ROWS_H

#include <cstddef>
#include <cstdint>

namespace lcs::detail {

// Computes columns 1 to m of a row into `current` from the row above in
// `previous`. Column j of the row compares c with the byte at
// column1[(j - 1) * Step]: Step = 1 reads B forwards from column1 = &B[1];
// Step = -1 reads it from its end, column1 = &B[m], which is how a pass over
// reversed strings runs without copying them. Column 0 of both rows stands
// for the empty prefix, is taken as 0 and is neither read nor written, so
// zero-filled rows serve as they are. `previous` and `current` may be the
// same row: each cell above is read before the cell below it is written.
template <std::ptrdiff_t Step>
inline void prefix_row(unsigned char c, const unsigned char* column1, std::size_t m,
                       const std::int32_t* previous, std::int32_t* current) {
    std::int32_t diagonal = 0;  // L(i-1, j-1)
    std::int32_t left = 0;      // L(i, j-1)
    for (std::size_t j = 1; j <= m; ++j) {
        const std::int32_t up = previous[j];
        const std::int32_t matched =
            diagonal + (column1[static_cast<std::ptrdiff_t>(j - 1) * Step] == c ? 1 : 0);
        std::int32_t cell = up >= left ? up : left;
        cell = matched > cell ? matched : cell;
        current[j] = cell;
        left = cell;
        diagonal = up;
    }
}

}  // namespace lcs::detail

#endif  // ROUTINES_LCS_ROWS_H
