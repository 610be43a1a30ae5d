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

// Random pairs: the full computation at about 40 Gcells/s, with room for a
// slower core than the one it was measured on.
double hyyro_seconds(double lenA, double lenB) { return lenA * lenB / 40e9 + 1e-6; }

// Codes (two bytes) and carries (one byte) of the unpacked sequence, and the
// match rows of one block: 257 codes x 8 words of 8 bytes.
double hyyro_bytes(double lenA, double lenB) {
    return 3.0 * (lenA > lenB ? lenA : lenB) + 257.0 * 8.0 * 8.0;
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
     "O(lenA + lenB)", 2, hyyro_bytes, hyyro_seconds},
};

}  // namespace

RoutineTable routine_table() { return {kRoutines, std::size(kRoutines)}; }

const RoutineInfo* find_routine(const char* name) {
    for (const RoutineInfo& routine : routine_table()) {
        if (std::strcmp(routine.name, name) == 0) return &routine;
    }
    return nullptr;
}
