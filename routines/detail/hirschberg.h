// The split step of Hirschberg_AlgC (routines/hirschberg.cpp), open to the
// tests that check it on its own.
#ifndef ROUTINES_HIRSCHBERG_H
#define ROUTINES_HIRSCHBERG_H

#include <cstddef>

namespace lcs::detail {

// For one-based A of lenA >= 2 characters cut at n = lenA / 2, the cut k of
// B, 0 to m, at which A[1..n] against B[1..k] and A[n+1..lenA] against
// B[k+1..m] have the greatest sum of LCS lengths; of equal sums, the
// smallest k. Holds four rows of m + 1 counters for the length of the call.
std::size_t first_best_split(const char* a, const char* b, std::size_t lenA, std::size_t m);

}  // namespace lcs::detail

#endif  // ROUTINES_HIRSCHBERG_H
