// Hunt-Szymanski LCS.
//
// J. W. Hunt and T. G. Szymanski, "A fast algorithm for computing longest
// common subsequences", CACM 20(5), 1977. Instead of filling the lenA x lenB
// table, the method visits only the r pairs (i, j) with A[i] = B[j] and keeps
// the threshold array T, where T[k] is the smallest position of B at which a
// common subsequence of length k of B and the part of A processed so far can
// end. T is strictly increasing, so each match moves into place by binary
// search; the number K of live thresholds is the LCS length. Paper to code:
// MATCHLIST[i] is the match list of byte A[i], THRESH is `thresholds`.
//
// Cost: O(lenA + lenB) to build the lists, O(r log K) for the matches. It
// wins when matches are rare (large alphabets, dissimilar strings) and loses
// to the table methods when r approaches lenA x lenB (one or two letters).
#include <cstddef>
#include <cstdint>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroFilled;

namespace {

constexpr std::int32_t kListBuilt = 1;
constexpr std::int32_t kListEnd = -1;

// Puts the position v into the smallest slot p of 1..hi with v <= T[p], given
// T[hi] >= v, and returns p; when T[p] already equals v nothing changes. This
// is the halving search of the method, which stops early on an exact hit,
// written without a data-dependent branch: T strictly increases, so an exact
// hit exists exactly when the first slot not below v holds v. On small
// alphabets nearly every pair is a match, and a branchy search would
// mispredict about half of its probes.
std::int32_t place_threshold(std::int32_t* thresholds, std::int32_t hi, std::int32_t v) {
    const std::int32_t* first = thresholds + 1;
    std::size_t span = static_cast<std::size_t>(hi);
    while (span > 1) {
        const std::size_t half = span / 2;
        first = first[half - 1] < v ? first + half : first;
        span -= half;
    }
    first += *first < v;
    const auto slot = static_cast<std::int32_t>(first - thresholds);
    thresholds[slot] = v;
    return slot;
}

}  // namespace

std::int32_t HuntSzymanski_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    return HuntSzymanski_Alg1(a, b, lenA, lenB);
}

std::int32_t HuntSzymanski_Alg1(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const auto* textB = reinterpret_cast<const unsigned char*>(b);

    // List c occupies slots c * stride to c * stride + m + 1 of one block:
    // slot 0 the built flag, then the positions of c in B from the largest
    // down, then the terminator. The lists of bytes absent from A are never
    // written, so their pages are never touched.
    const std::size_t stride = m + 2;
    if (stride > SIZE_MAX / 256) throw std::bad_alloc();
    ZeroFilled<std::int32_t> lists(256 * stride);
    ZeroFilled<std::int32_t> thresholds(m + 1);

    // Build pass. One scan of B from its end fills every list of a byte of A
    // at once: the same lists as one scan of B for each distinct byte.
    std::size_t fill[256] = {};
    for (std::size_t i = 1; i <= n; ++i) {
        std::int32_t* list = lists.get() + textA[i] * stride;
        if (list[0] != kListBuilt) {
            list[0] = kListBuilt;
            fill[textA[i]] = 1;
        }
    }
    for (std::size_t j = m; j >= 1; --j) {
        const unsigned char c = textB[j];
        if (fill[c] != 0) lists[c * stride + fill[c]++] = static_cast<std::int32_t>(j);
    }
    for (std::size_t c = 0; c < 256; ++c) {
        if (fill[c] != 0) lists[c * stride + fill[c]] = kListEnd;
    }

    // Match pass. The positions of one list come from the largest down, so
    // the matches of one A[i] never extend each other, and each lands in a
    // slot no higher than the one before it: the search narrows as it goes.
    std::int32_t* t = thresholds.get();
    std::int32_t k = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::int32_t* position = lists.get() + textA[i] * stride + 1;
        std::int32_t bound = k;
        for (; *position != kListEnd; ++position) {
            const std::int32_t v = *position;
            if (v > t[k]) {
                t[++k] = v;
                bound = k;
            } else {
                bound = place_threshold(t, bound, v);
            }
        }
    }
    return k;
}
