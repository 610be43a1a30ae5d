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

const RoutineInfo kRoutines[] = {
    {"HuntSzymanski_Alg", RoutineKind::lcs_length, HuntSzymanski_Alg, nullptr,
     "Hunt-Szymanski match lists and threshold array",
     "J. W. Hunt, T. G. Szymanski, A fast algorithm for computing longest common "
     "subsequences, CACM 20(5), 1977",
     "O(r log n + lenA + lenB), r = matching pairs", "O(256 lenB), touched O(lenB)", 2,
     hunt_szymanski_bytes, hunt_szymanski_seconds},
};

}  // namespace

RoutineTable routine_table() { return {kRoutines, std::size(kRoutines)}; }

const RoutineInfo* find_routine(const char* name) {
    for (const RoutineInfo& routine : routine_table()) {
        if (std::strcmp(routine.name, name) == 0) return &routine;
    }
    return nullptr;
}
