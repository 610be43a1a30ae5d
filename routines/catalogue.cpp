// The collection's table: one row per routine. A routine joins the tests,
// benchmarks, fuzzers and comparison tools by a row here.
#include <cstring>
#include <iterator>

#include "routines.h"

namespace {

constexpr double kInt32 = 4.0;

// Matching pairs of random text over about 16 letters, at about 10 ns each.
double hunt_szymanski_seconds(double lenA, double lenB) { return 1e-8 * lenA * lenB / 16.0; }

double hunt_szymanski_bytes(double /*lenA*/, double lenB) {
    return kInt32 * (256.0 * (lenB + 2.0) + (lenB + 1.0));
}

// Random pairs: the full computation at about 40 Gcells/s (the plain kernel
// runs at about 140 and the AVX-512 one at about 190 on a current core),
// with room for older cores.
double hyyro_seconds(double lenA, double lenB) { return lenA * lenB / 40e9 + 1e-6; }

// Codes (two bytes) and carries (one byte) of the unpacked sequence, the
// match rows of one block (257 codes x 32 words of 8 bytes) and the band's
// match rows of all of the packed sequence, which it takes only up to 64 MiB.
double hyyro_bytes(double lenA, double lenB) {
    const double longer = lenA > lenB ? lenA : lenB;
    const double band_rows = 257.0 * 8.0 * (longer / 64.0 + 1.0);
    const double band_limit = 64.0 * 1024 * 1024;
    return 3.0 * longer + 257.0 * 32.0 * 8.0 + 64.0 +
           (band_rows < band_limit ? band_rows : band_limit);
}

const RoutineInfo kRoutines[] = {
    {"HuntSzymanski_Alg", RoutineKind::lcs_length, HuntSzymanski_Alg, nullptr,
     "Hunt-Szymanski match lists and threshold array",
     "J. W. Hunt, T. G. Szymanski, A fast algorithm for computing longest common "
     "subsequences, CACM 20(5), 1977",
     "O(r log n + lenA + lenB), r = matching pairs", "O(256 lenB), touched O(lenB)", 2,
     hunt_szymanski_bytes, hunt_szymanski_seconds},
    {"Hyyro_Alg", RoutineKind::lcs_length, Hyyro_Alg, nullptr,
     "Hyyro bit-parallel row vector in 64-bit words, U = V & M, V' = (V + U) | (V - U), "
     "with a self-checking band around the diagonal",
     "H. Hyyro, Bit-parallel LCS-length computation revisited, AWOCA 2004; M. Crochemore, "
     "C. S. Iliopoulos, Y. J. Pinzon, J. F. Reid, A fast and practical bit-vector algorithm "
     "for the longest common subsequence problem, IPL 80(6), 2001",
     "O(ceil(n / 64) m), n packed length; O((d / 64 + 1) m) in the band, d = distance",
     "O(lenA + lenB) + O(distinct bytes x n / 64) for the band, at most 64 MiB", 2,
     hyyro_bytes, hyyro_seconds},
};

}  // namespace

RoutineTable routine_table() { return {kRoutines, std::size(kRoutines)}; }

const RoutineInfo* find_routine(const char* name) {
    for (const RoutineInfo& routine : routine_table()) {
        if (std::strcmp(routine.name, name) == 0) return &routine;
    }
    return nullptr;
}
