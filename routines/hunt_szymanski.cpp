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
// Storage: the lists of the bytes that occur in A, at most lenB + 512
// positions together, and min(lenA, lenB) + 1 thresholds.
//
// Tests: tests/test_hunt_szymanski.cpp, tests/test_differential.cpp, and
// through the `lcs` program tests/test_console.cpp.
#include <cstddef>
#include <cstdint>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroFilled;

namespace {

constexpr std::int32_t kListBuilt = 1;
constexpr std::int32_t kListEnd = -1;
constexpr std::size_t kAbsent = SIZE_MAX;

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

// Lays out the lists: start[c] for each byte c of A (kAbsent for the others)
// and returns the slots of the whole block, the count of c in B plus a flag
// and a terminator for each list.
std::size_t list_starts(const unsigned char* textA, std::size_t n, const unsigned char* textB,
                        std::size_t m, std::size_t* start) {
    bool in_a[256] = {};
    for (std::size_t i = 1; i <= n; ++i) in_a[textA[i]] = true;
    std::size_t in_b[256] = {};
    for (std::size_t j = 1; j <= m; ++j) ++in_b[textB[j]];
    std::size_t slots = 0;
    for (std::size_t c = 0; c < 256; ++c) {
        start[c] = in_a[c] ? slots : kAbsent;
        if (in_a[c]) slots += in_b[c] + 2;
    }
    return slots;
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

    // The lists of the bytes of A only, packed in one block: list c takes
    // slots start[c] to start[c] + count of c in B + 1, slot 0 the built
    // flag, then the positions of c in B from the largest down, then the
    // terminator. The block holds at most lenB + 2 x 256 positions, so the
    // storage follows the bytes that the strings share, not the 256 bytes
    // that could occur. T never holds more than min(lenA, lenB) thresholds.
    std::size_t start[256] = {};
    const std::size_t slots = list_starts(textA, n, textB, m, start);
    ZeroFilled<std::int32_t> lists(slots);
    ZeroFilled<std::int32_t> thresholds((n < m ? n : m) + 1);

    // Build pass. One scan of B from its end fills every list of a byte of A
    // at once: the same lists as one scan of B for each distinct byte.
    std::size_t fill[256] = {};
    for (std::size_t c = 0; c < 256; ++c) {
        if (start[c] == kAbsent) continue;
        lists[start[c]] = kListBuilt;
        fill[c] = start[c] + 1;
    }
    for (std::size_t j = m; j >= 1; --j) {
        const unsigned char c = textB[j];
        if (fill[c] != 0) lists[fill[c]++] = static_cast<std::int32_t>(j);
    }
    for (std::size_t c = 0; c < 256; ++c) {
        if (fill[c] != 0) lists[fill[c]] = kListEnd;
    }

    // Match pass. The positions of one list come from the largest down, so
    // the matches of one A[i] never extend each other, and each lands in a
    // slot no higher than the one before it: the search narrows as it goes.
    std::int32_t* t = thresholds.get();
    std::int32_t k = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::int32_t* position = lists.get() + start[textA[i]] + 1;
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
