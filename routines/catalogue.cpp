// The collection's table: one row per routine. A routine joins the tests,
// benchmarks, fuzzers and comparison tools by a row here.
#include <cstring>
#include <iterator>

#include <lcs/routines.h>

namespace lcs {
namespace {

constexpr double kInt32 = 4.0;
constexpr double kDouble = 8.0;

// Matching pairs of random text over about 16 letters, at about 10 ns each.
double hunt_szymanski_seconds(double lenA, double lenB) { return 1e-8 * lenA * lenB / 16.0; }

// The match lists of A's bytes (a flag and a terminator each, the positions
// of B) and the threshold array.
double hunt_szymanski_bytes(double lenA, double lenB) {
    const double distinct = lenA < 256.0 ? lenA : 256.0;
    const double shorter = lenA < lenB ? lenA : lenB;
    return kInt32 * (lenB + 2.0 * distinct + shorter + 1.0);
}

double table_bytes(double lenA, double lenB) { return kInt32 * (lenA + 1.0) * (lenB + 1.0); }
double two_row_bytes(double /*lenA*/, double lenB) { return kInt32 * 2.0 * (lenB + 1.0); }

// The table routines cost the same for every text: about 1 ns a cell for a
// row pass, twice the cells for divide and conquer. The whole table adds the
// system's first touch of each of its pages, which on some machines costs
// more than the cells themselves.
double table_seconds(double lenA, double lenB) {
    return 1e-9 * lenA * lenB + 3e-9 * table_bytes(lenA, lenB);
}
double two_row_seconds(double lenA, double lenB) { return 1.1e-9 * lenA * lenB; }
double divide_and_conquer_seconds(double lenA, double lenB) { return 2.5e-9 * lenA * lenB; }

// Four rows in the outermost call; each call frees its rows before it
// recurses, so no two calls hold rows at once.
double divide_and_conquer_bytes(double /*lenA*/, double lenB) {
    return kInt32 * 4.0 * (lenB + 1.0);
}

// Every pair compared at about 1 ns; a quarter of the pairs of 4-letter text
// match, and each match pays a branch-free binary search of about 30 ns.
double hunt_mcilroy_seconds(double lenA, double lenB) { return (1e-9 + 3e-8 / 4.0) * lenA * lenB; }

double hunt_mcilroy_bytes(double lenA, double lenB) {
    return 2.0 * kInt32 * ((lenA < lenB ? lenA : lenB) + 1.0);
}

double wagner_fischer_seconds(double lenA, double lenB) { return 1.5e-9 * lenA * lenB; }

double wagner_fischer_bytes(double lenA, double lenB) {
    return kInt32 * (lenA + 2.0) * (lenB + 2.0);
}

// Each cell reads its partial row and partial column: lenA lenB (lenA + lenB) / 2.
double needleman_wunsch_seconds(double lenA, double lenB) {
    return 1.0e-10 * lenA * lenB * (lenA + lenB) / 2.0;
}

double needleman_wunsch_bytes(double lenA, double lenB) {
    return kInt32 * ((lenA + 1.0) * (lenB + 1.0) + (lenB + 1.0));
}

double smith_waterman_seconds(double lenA, double lenB) {
    return 1.2e-10 * lenA * lenB * (lenA + lenB) / 2.0;
}

double smith_waterman_bytes(double lenA, double lenB) {
    const double longest = lenA > lenB ? lenA : lenB;
    return kDouble * ((lenA + 1.0) * (lenB + 1.0) + 2.0 * (longest + 1.0) + (lenB + 1.0));
}

// Set-up over both strings, then lenB steps over ceil(lenA / 64) words.
double allison_dix_seconds(double lenA, double lenB) {
    return 2.0e-9 * (lenA + lenB) + 1.5e-9 * lenB * (lenA / 64.0 + 1.0);
}

// A vector for each distinct byte of A and B (at most 256, at most lenA + lenB),
// the row vector and the reversed copy of B.
double allison_dix_bytes(double lenA, double lenB) {
    const double vector = (lenA + 7.0) / 8.0 + 1.0;
    const double distinct = lenA + lenB < 256.0 ? lenA + lenB : 256.0;
    return (distinct + 1.0) * vector + (lenB + 2.0);
}

// Random pairs: the full computation at about 40 Gcells/s (the plain kernel
// runs at about 140 and the AVX-512 one at about 190 on a current core),
// with room for older cores.
double hyyro_seconds(double lenA, double lenB) { return lenA * lenB / 40e9 + 1e-6; }

// Alike pairs: a first band of a sliding window of registers, some 30 ns a
// row, then, when the difference is beyond what it holds, a band of about
// distance / 64 + 16 words a row. Never above the full computation, which
// the band falls back to.
double hyyro_alike_seconds(double lenA, double lenB, double distance) {
    const double rows = lenA > lenB ? lenA : lenB;
    const double band_words = distance > 128.0 ? distance / 64.0 + 16.0 : 0.0;
    const double banded = rows * (30e-9 + 1.5e-9 * band_words) + 1e-6;
    const double full = hyyro_seconds(lenA, lenB);
    return banded < full ? banded : full;
}

// Codes (two bytes) and carries (one byte) of the unpacked sequence, the
// match rows of one block (257 codes x 32 words of 8 bytes) and the band's
// match rows of all of the packed sequence, which it takes only up to 64 MiB.
double hyyro_bytes(double lenA, double lenB) {
    const double longer = lenA > lenB ? lenA : lenB;
    const double band_rows = 257.0 * 8.0 * (longer / 64.0 + 1.0);
    const double band_limit = 64.0 * 1024 * 1024;
    return 3.0 * longer + 257.0 * 32.0 * 8.0 + 128.0 +
           (band_rows < band_limit ? band_rows : band_limit);
}

const RoutineInfo kRoutines[] = {
    {"HuntSzymanski_Alg", RoutineKind::lcs_length, HuntSzymanski_Alg, nullptr,
     "Hunt-Szymanski match lists and threshold array",
     "J. W. Hunt, T. G. Szymanski, A fast algorithm for computing longest common "
     "subsequences, CACM 20(5), 1977",
     "O(lenA + lenB + r log min(lenA, lenB)), r = matching pairs", "O(lenB)", 2,
     hunt_szymanski_bytes, hunt_szymanski_seconds, true, false, nullptr},
    {"Hirschberg_AlgA", RoutineKind::lcs_length, Hirschberg_AlgA, nullptr,
     "prefix recurrence over the whole table",
     "D. S. Hirschberg, A linear space algorithm for computing maximal common "
     "subsequences, CACM 18(6), 1975 (algorithm A)",
     "O(lenA lenB)", "O(lenA lenB)", 2, table_bytes, table_seconds, false, false, nullptr},
    {"Hirschberg_AlgB", RoutineKind::lcs_length, Hirschberg_AlgB, nullptr,
     "prefix recurrence in two rows",
     "D. S. Hirschberg, A linear space algorithm for computing maximal common "
     "subsequences, CACM 18(6), 1975 (algorithm B)",
     "O(lenA lenB)", "O(lenB)", 2, two_row_bytes, two_row_seconds, false, false, nullptr},
    {"Hirschberg_AlgC", RoutineKind::lcs_length, Hirschberg_AlgC, nullptr,
     "divide and conquer on halves of A, forward and backward two-row passes",
     "D. S. Hirschberg, A linear space algorithm for computing maximal common "
     "subsequences, CACM 18(6), 1975 (algorithm C)",
     "O(lenA lenB)", "O(lenB)", 2, divide_and_conquer_bytes, divide_and_conquer_seconds, false,
     false, nullptr},
    {"Diff_Alg", RoutineKind::lcs_length, Diff_Alg, nullptr,
     "Hunt-McIlroy threshold array over all pairs, binary search per match",
     "J. W. Hunt, M. D. McIlroy, An algorithm for differential file comparison, "
     "Bell Laboratories CSTR 41, 1976",
     "O(lenA lenB + r log min(lenA, lenB)), r = matching pairs", "O(min(lenA, lenB))", 2,
     hunt_mcilroy_bytes,
     hunt_mcilroy_seconds, true, false, nullptr},
    {"WagnerFischer_Alg", RoutineKind::lcs_length, WagnerFischer_Alg, nullptr,
     "Wagner-Fischer insert-delete edit distance, substitution priced 2",
     "R. A. Wagner, M. J. Fischer, The string-to-string correction problem, JACM 21(1), 1974",
     "O(lenA lenB)", "O(lenA lenB), the whole table", 2, wagner_fischer_bytes,
     wagner_fischer_seconds, false, false, nullptr},
    {"NeedlemanWunsch_Alg", RoutineKind::lcs_length, NeedlemanWunsch_Alg, nullptr,
     "Needleman-Wunsch maximum match, match table summed forward",
     "S. B. Needleman, C. D. Wunsch, A general method applicable to the search for "
     "similarities in the amino acid sequence of two proteins, J. Mol. Biol. 48(3), 1970",
     "O(lenA lenB (lenA + lenB))", "O(lenA lenB)", 3, needleman_wunsch_bytes,
     needleman_wunsch_seconds, false, false, nullptr},
    {"SmithWaterman_Alg", RoutineKind::local_alignment_score, nullptr, SmithWaterman_Alg,
     "Smith-Waterman local alignment score, mismatch 1/3, gap of k costs 1 + k/3",
     "T. F. Smith, M. S. Waterman, Identification of common molecular subsequences, "
     "J. Mol. Biol. 147(1), 1981",
     "O(lenA lenB (lenA + lenB))", "O(lenA lenB)", 3, smith_waterman_bytes,
     smith_waterman_seconds, false, false, nullptr},
    {"AllisonDix_Alg", RoutineKind::lcs_length, AllisonDix_Alg, nullptr,
     "Allison-Dix bit-vector recurrence, eight positions of A to a byte",
     "L. Allison, T. I. Dix, A bit-string longest-common-subsequence algorithm, "
     "Information Processing Letters 23(5), 1986",
     "O(lenB lenA / 64 + lenA + lenB)", "O(256 lenA / 8 + lenB)", 2, allison_dix_bytes,
     allison_dix_seconds, false, true, nullptr},
    {"Hyyro_Alg", RoutineKind::lcs_length, Hyyro_Alg, nullptr,
     "Hyyro bit-parallel row vector in 64-bit words, U = V & M, V' = (V + U) | (V - U), "
     "with a self-checking band around the diagonal",
     "H. Hyyro, Bit-parallel LCS-length computation revisited, AWOCA 2004; M. Crochemore, "
     "C. S. Iliopoulos, Y. J. Pinzon, J. F. Reid, A fast and practical bit-vector algorithm "
     "for the longest common subsequence problem, IPL 80(6), 2001",
     "O(ceil(n / 64) m), n packed, m the other; band O(((d + |lenA - lenB|) / 64 + 16) m)",
     "O(lenA + lenB) + O(distinct bytes x n / 64) for the band, at most 64 MiB", 2,
     hyyro_bytes, hyyro_seconds, false, true, hyyro_alike_seconds},
};

}  // namespace

double RoutineInfo::run(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) const {
    if (kind == RoutineKind::lcs_length) return static_cast<double>(lcs(a, b, lenA, lenB));
    return score(a, b, lenA, lenB);
}

RoutineTable routine_table() { return {kRoutines, std::size(kRoutines)}; }

const RoutineInfo* find_routine(const char* name) {
    for (const RoutineInfo& routine : routine_table()) {
        if (std::strcmp(routine.name, name) == 0) return &routine;
    }
    return nullptr;
}

}  // namespace lcs
