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

#include "hunt_mcilroy.h"
#include "routines.h"
#include "storage.h"

using routines_detail::Candidate;
using routines_detail::count_of;
using routines_detail::ZeroFilled;

namespace routines_detail {

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

void binSearch(Candidate* thresholds, std::int32_t b, std::int32_t a, std::int32_t length) {
    std::int32_t lower = 1;
    std::int32_t upper = length;
    while (lower <= upper) {
        // (lower + upper) / 2 without the sum, which can pass 2^31 - 1 for
        // arrays of more than 2^30 entries.
        const std::int32_t middle = lower + (upper - lower) / 2;
        const std::int32_t at_middle = thresholds[middle].b_position;
        if (at_middle == b) return;
        if (at_middle > b) {
            upper = middle - 1;
        } else {
            lower = middle + 1;
        }
    }
    // Every entry below `lower` lies below b and every one from it upwards
    // lies above: this is the first entry above b, and replacing it keeps the
    // array strictly increasing.
    thresholds[lower] = {b, a};
}

}  // namespace routines_detail

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
                length = routines_detail::HMAlg(thresholds.get(), static_cast<std::int32_t>(j),
                                                static_cast<std::int32_t>(i), length);
            }
        }
    }
    return length;
}
