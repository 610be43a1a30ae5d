// Hunt-McIlroy threshold LCS.
//
// J. W. Hunt and M. D. McIlroy, "An algorithm for differential file
// comparison", Computing Science Technical Report 41, Bell Laboratories,
// 1976. The threshold array K holds, for each length k, the smallest
// position of B at which a common subsequence of length k of B and the part
// of A seen so far can end; its B positions strictly increase, and the number
// of live entries is the LCS length. Each match (i, j) moves into the first
// entry whose B position is at least j. Paper to code: K is `thresholds`, a
// candidate's B position is its threshold, and the A position travels with
// it as the paper's candidates carry theirs (for tracing an LCS back; the
// length reads only B positions).
//
// This form compares every position of A with every position of B instead of
// the paper's equivalence classes of B: lenA x lenB byte comparisons, plus
// O(log min(lenA, lenB)) per match, with min(lenA, lenB) + 1 candidates of
// storage and no match lists. It is the simplest threshold method and the
// slowest on small alphabets, where nearly every comparison is a match that
// pays a binary search.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "routines/detail/hunt_mcilroy.h"
#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::Candidate;
using lcs::detail::count_of;
using lcs::detail::ZeroFilled;

namespace lcs::detail {

std::int32_t HMAlg(Candidate* thresholds, std::int32_t b, std::int32_t a, std::int32_t length) {
    if (length == 0) {
        thresholds[1] = {b, a};
        return 1;
    }
    if (b < thresholds[1].b_position) {
        thresholds[1] = {b, a};
        return length;
    }
    if (thresholds[length].b_position < b) {
        thresholds[length + 1] = {b, a};
        return length + 1;
    }
    binSearch(thresholds, b, a, length);
    return length;
}

// The classic halving search, which stops early on an exact hit, written
// without a data-dependent branch in its loop: on small alphabets nearly every
// comparison is a match, and a branchy search mispredicts about half of its
// probes. Because the B positions strictly increase, an exact hit exists
// exactly when the first entry at or above b holds b, so "find the first
// entry not below b, then stop if it equals b" changes the array exactly as
// the early-stopping search does.
void binSearch(Candidate* thresholds, std::int32_t b, std::int32_t a, std::int32_t length) {
    const Candidate* first = thresholds + 1;
    std::size_t span = static_cast<std::size_t>(length);
    while (span > 1) {
        const std::size_t half = span / 2;
        first += half * static_cast<std::size_t>(first[half - 1].b_position < b);
        span -= half;
    }
    first += first->b_position < b;
    Candidate& entry = thresholds[first - thresholds];
    // Every entry below this one lies below b and every one from it upwards
    // at or above it: replacing it keeps the array strictly increasing.
    if (entry.b_position != b) entry = {b, a};
}

}  // namespace lcs::detail

std::int32_t Diff_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    // The length never exceeds min(n, m), so the array never overflows.
    const ZeroFilled<Candidate> thresholds(std::min(n, m) + 1);
    std::int32_t length = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        // B from its end: every threshold that this A[i] sets lies above the
        // positions still to come for it, so no two matches of one position
        // of A ever count in the same subsequence.
        for (std::size_t j = m; j >= 1; --j) {
            if (a[i] == b[j]) {
                length = lcs::detail::HMAlg(thresholds.get(), static_cast<std::int32_t>(j),
                                                static_cast<std::int32_t>(i), length);
            }
        }
    }
    return length;
}
