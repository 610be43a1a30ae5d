// Classic sequence-comparison routines under one calling convention.
//
// Every routine takes two one-based sequences and their lengths:
//
//     a[0]  a[1] ... a[lenA]  a[lenA + 1]
//
// a points at position 0 of a buffer of lenA + 2 bytes; the string's
// characters are at positions 1 to lenA. Characters are bytes 0 to 255,
// compared for equality only: a zero byte inside the declared length is a
// character like any other, and no routine looks for a terminator. Positions
// 0 and lenA + 1 are never read. The routines read the sequences and never
// write them; all other storage is the call's own and is released before it
// returns, so any routine may run on several threads at once.
//
// Lengths are counts from 0 to lcs::kMaxLength (2147483645, so that a
// buffer's lenA + 2 bytes still fit a signed 32-bit count); a negative length
// is taken as 0.
// The one failure a routine can meet is running out of memory, which it
// reports by throwing std::bad_alloc.
//
// All routines but SmithWaterman_Alg return the length of a longest common
// subsequence (LCS) of A and B, exactly: the value of the prefix recurrence
// L(i, j) = L(i-1, j-1) + 1 if A[i] = B[j], else max(L(i-1, j), L(i, j-1)).
#ifndef LCS_ROUTINES_H
#define LCS_ROUTINES_H

#include <cstddef>
#include <cstdint>

#include <lcs/limits.h>

// Hunt-Szymanski. J. W. Hunt and T. G. Szymanski, "A fast algorithm for
// computing longest common subsequences", Communications of the ACM 20(5),
// 1977. Visits only the r pairs (i, j) with A[i] = B[j], keeping for each
// length k the smallest position of B at which a common subsequence of length
// k can end.
// Time: O(lenA + lenB + r log min(lenA, lenB)) for r matching pairs: one
// scan of B builds every list, then each match is placed by binary search.
// Space: the match lists of the bytes that occur in A, at most lenB + 512
// integers together, and min(lenA, lenB) + 1 thresholds.
std::int32_t HuntSzymanski_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// The worker behind HuntSzymanski_Alg; the same contract and result.
std::int32_t HuntSzymanski_Alg1(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Table LCS, the whole table. D. S. Hirschberg, "A linear space algorithm
// for computing maximal common subsequences", Communications of the ACM
// 18(6), 1975 (the prefix recurrence of its algorithm A): the LCS length from
// every cell L(i, j) of A[1..i] against B[1..j].
// Time: O(lenA lenB), lenA x lenB cells.
// Space: (lenA + 1) x (lenB + 1) 32-bit counters.
std::int32_t Hirschberg_AlgA(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Table LCS in two rows. Hirschberg 1975 (as above), algorithm B: the same
// recurrence and result, keeping only the row being filled and the one
// above it.
// Time: O(lenA lenB), lenA x lenB cells.
// Space: 2 x (lenB + 1) 32-bit counters, whatever lenA is.
std::int32_t Hirschberg_AlgB(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Hirschberg's divide and conquer. Hirschberg 1975 (as above), algorithm C:
// halves A, finds by a forward and a backward two-row pass the first cut of
// B that keeps the LCS whole, and adds up the results of the two halves.
// Time: O(lenA lenB), about 2 lenA x lenB cells.
// Space: 4 x (lenB + 1) 32-bit counters at a time, whatever lenA is, and a
// recursion about log2 lenA calls deep.
std::int32_t Hirschberg_AlgC(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Hunt-McIlroy thresholds. J. W. Hunt and M. D. McIlroy, "An algorithm for
// differential file comparison", Computing Science Technical Report 41, Bell
// Laboratories, 1976: every position of A against every position of B, each
// match entered into a sorted threshold array by binary search.
// Time: O(lenA lenB + r log min(lenA, lenB)) for r matching pairs: lenA x
// lenB comparisons and a binary search per match.
// Space: min(lenA, lenB) + 1 candidates of two integers.
std::int32_t Diff_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Wagner-Fischer. R. A. Wagner and M. J. Fischer, "The string-to-string
// correction problem", Journal of the ACM 21(1), 1974. Fills the table of the
// least number of edits turning A[1..i] into B[1..j], with a deletion or an
// insertion costing 1 and a substitution 2, and returns (lenA + lenB - d) / 2
// for the distance d of the whole strings, which is exactly the LCS length.
// Time: O(lenA lenB).
// Space: the whole table of (lenA + 2) x (lenB + 2) 32-bit counters.
std::int32_t WagnerFischer_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Needleman-Wunsch maximum match. S. B. Needleman and C. D. Wunsch, "A general
// method applicable to the search for similarities in the amino acid sequence
// of two proteins", Journal of Molecular Biology 48(3), 1970. Marks the equal
// pairs in a match table, sums it forward (every cell adds the best cell of
// its partial row and partial column above and to the left, scanned afresh)
// and returns the largest value of the last row and column: the LCS length.
// Time: O(lenA lenB (lenA + lenB)), the method's own cost.
// Space: (lenA + 1) x (lenB + 1) 32-bit counters and a row of lenB + 1.
std::int32_t NeedlemanWunsch_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Smith-Waterman local alignment score. T. F. Smith and M. S. Waterman,
// "Identification of common molecular subsequences", Journal of Molecular
// Biology 147(1), 1981. Returns the best score of a local alignment of a
// stretch of A with a stretch of B, 0.0 when none scores above 0: a match
// scores +1.0, a mismatch costs c, the double nearest to one third, and a gap
// of k bytes costs k c + 1.0, every gap length of every cell considered. The
// score is that of plain IEEE double arithmetic, each operation rounded on
// its own, bit for bit on every platform with IEEE doubles.
// Time: O(lenA lenB (lenA + lenB)).
// Space: (lenA + 1) x (lenB + 1) doubles, plus O(lenA + lenB).
double SmithWaterman_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Allison-Dix bit-vector LCS. L. Allison and T. I. Dix, "A bit-string
// longest-common-subsequence algorithm", Information Processing Letters
// 23(5), 1986. Keeps one bit per position of A, eight to a byte with position
// 1 at the most significant bit of the first byte, updates that row vector by
// an OR, a shift, a subtraction, an XOR and an AND for each byte of B (read
// from its end) and returns the number of set bits.
// Time: O(lenB lenA / 64 + lenA + lenB): ceil(lenA / 64) word steps for each
// byte of B, after O(lenA + lenB) set-up.
// Space: ceil(lenA / 8) + 1 bytes for each distinct byte of A and B, one more
// such vector, and a reversed copy of B (lenB + 2 bytes).
std::int32_t AllisonDix_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

// Hyyrö's bit-parallel LCS. H. Hyyrö, "Bit-parallel LCS-length computation
// revisited", AWOCA 2004, after M. Crochemore, C. S. Iliopoulos, Y. J. Pinzon
// and J. F. Reid, "A fast and practical bit-vector algorithm for the longest
// common subsequence problem", Information Processing Letters 80(6), 2001.
// One sequence is packed one position to a bit in 64-bit words (whichever
// costs fewer words); each character of the other updates the row vector by
// U = V & M, V' = (V + U) | (V - U), the addition carrying across words. On
// alike strings a band around the diagonal that proves its own exactness
// (Ukkonen 1985) replaces the full computation.
// Time: ceil(n / 64) words per character of the other sequence, n the packed
// length; in the band about (d + |lenA - lenB|) / 64 + 16 words per character
// for an insert-delete distance d, and at most 64 words where it fits a
// sliding window. An AVX-512 kernel, chosen at run time, does the same work.
// Space: linear in the lengths: one code and one carry byte per position of
// the unpacked sequence, at most 257 x 32 words of match rows, and for the
// band the match rows of the bytes of the packed sequence over its whole
// length (up to 64 MiB; beyond that the band runs without them).
std::int32_t Hyyro_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB);

namespace lcs {

// The collection as one table, so that tests, benchmarks, fuzzers and
// comparison tools run every routine without naming each one. A routine is
// added to the collection by one row of this table (routines/catalogue.cpp).
using LcsRoutine = std::int32_t (*)(const char* a, const char* b, std::int32_t lenA,
                                    std::int32_t lenB);
using ScoreRoutine = double (*)(const char* a, const char* b, std::int32_t lenA,
                                std::int32_t lenB);

enum class RoutineKind {
    lcs_length,             // returns the LCS length; `lcs` is set
    local_alignment_score,  // returns a score; `score` is set
};

struct RoutineInfo {
    const char* name;        // the routine's own name, e.g. "HuntSzymanski_Alg"
    RoutineKind kind;        // what its result means
    LcsRoutine lcs;          // set for RoutineKind::lcs_length, else null
    ScoreRoutine score;      // set for RoutineKind::local_alignment_score, else null
    const char* method;      // the method in a few words
    const char* source;      // authors, year, title
    const char* time_cost;   // growth of its running time, as stated above
    const char* space_cost;  // growth of its working storage, as stated above
    // The exponent e with which the running time grows as n^e for random
    // strings of lengths lenA = lenB = n.
    int time_exponent;
    // The two estimates below are the tools' heuristics (lcs-compare skips by
    // them, the benchmark sizes its ladder by them), not guarantees.
    // The zero-filled working storage, in bytes, that one call allocates for
    // lengths lenA and lenB (an upper bound where it depends on the bytes).
    double (*working_bytes)(double lenA, double lenB);
    // A rough running time in seconds for random strings of these lengths
    // over about 16 letters on a current x86-64 core.
    double (*estimated_seconds)(double lenA, double lenB);
    // Its cost follows the number of matching pairs (i, j), A[i] = B[j], so
    // its time scales with their density: 1 / (alphabet size) for random
    // text, against 1/16 for the estimate above.
    bool visits_matches;
    // It packs 64 positions of one string into a machine word, so its time
    // grows with lenA lenB / 64 and long strings are within its reach.
    bool word_parallel;
    // Where its cost follows the difference of alike strings: a rough
    // running time for lengths lenA and lenB at an insert-delete distance
    // lenA + lenB - 2 LCS of about `distance`; null where the cost does not
    // depend on it. The caller knows the distance only roughly, from a
    // cheap look at the strings (a heuristic, as the estimates above).
    double (*estimated_seconds_alike)(double lenA, double lenB, double distance);

    // Runs the routine on a and b (one-based, as above) and returns its
    // result as a double: the LCS length, exactly (every length up to
    // lcs::kMaxLength is a double exactly), or the score. Throws
    // std::bad_alloc as the routine does.
    double run(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) const;
};

struct RoutineTable {
    const RoutineInfo* first;
    std::size_t count;
    const RoutineInfo* begin() const { return first; }
    const RoutineInfo* end() const { return first + count; }
};

// Every routine of the collection, in a fixed order.
RoutineTable routine_table();

// The row of the routine with this name, or null.
const RoutineInfo* find_routine(const char* name);

}  // namespace lcs

#endif  // LCS_ROUTINES_H
