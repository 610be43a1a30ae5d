// Differential fuzzing of the whole collection: every routine of the table on
// one pair of byte strings that the fuzzer chooses, held to the prefix
// recurrence (the LCS routines) or to the straightforward cell-by-cell score
// (the local alignment score, compared bit for bit). A routine joins by its
// row in the table; nothing here names one.
//
// Input layout: byte 0 is the guard written at positions 0 and length + 1 of
// both sequences (a routine that reads them sees a byte that may match),
// bytes 1 and 2 choose where the rest splits into A and B.
//
// Long mode, byte 1 at 0xF0 or above: the input is a seed, not the strings.
// The paths that only long strings take (word blocks from 2048 positions,
// the vector kernel, the sliding windows, the second band) are out of reach
// of inputs of a few hundred bytes, so the rest of the input grows by a
// seeded rule into A of 2048 to 12047 bytes drawn from its own bytes, and
// B, A after up to about a thousand edits that the input chooses. The routines
// fast enough at those lengths are held to the prefix recurrence in a band:
// B lies within a known insert-delete distance D of A, a longest common
// subsequence keeps to a band of D + 1 diagonals (lcs_within), and the
// recurrence on that band gives the exact length at a fraction of the cells.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "reference/oracles.h"
#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

// Longest prefix of each string given to a routine whose time grows as n^e:
// the quadratic ones and the references stay well under a millisecond, the
// cubic ones (and the cubic score reference) under about one.
std::size_t length_cap(int time_exponent) {
    if (time_exponent <= 2) return 400;
    return 40;
}

[[noreturn]] void report(const char* routine, const std::string& a, const std::string& b,
                         const std::string& got, const std::string& expected) {
    std::fprintf(stderr, "%s: lengths %zu and %zu: got %s, expected %s\n", routine, a.size(),
                 b.size(), got.c_str(), expected.c_str());
    std::abort();
}

std::string bits_of(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (0x%016llx)", value,
                  static_cast<unsigned long long>(bits));
    return text;
}

void check(const lcs::RoutineInfo& routine, const std::string& whole_a, const std::string& whole_b,
           char guard) {
    const std::size_t cap = length_cap(routine.time_exponent);
    const std::string a = whole_a.substr(0, cap), b = whole_b.substr(0, cap);
    const Sequence sa(a, guard), sb(b, guard);
    if (routine.kind == lcs::RoutineKind::lcs_length) {
        const std::int32_t got = routine.lcs(sa.data(), sb.data(), sa.length(), sb.length());
        const std::int32_t expected = lcs::reference::reference_lcs(a, b);
        if (got != expected) {
            report(routine.name, a, b, std::to_string(got), std::to_string(expected));
        }
    } else {
        const double got = routine.score(sa.data(), sb.data(), sa.length(), sb.length());
        const double expected = lcs::reference::reference_smith_waterman(a, b);
        if (std::memcmp(&got, &expected, sizeof got) != 0) {
            report(routine.name, a, b, bits_of(got), bits_of(expected));
        }
    }
}

// The routines that are run in long mode: those estimated at under a tenth
// of a nanosecond a cell, the word-parallel ones, whose time does not grow
// with the matches as the match-list methods' does; the others would spend
// seconds on the long pairs of one or two letters.
constexpr double kLongModeSecondsPerCell = 1e-10;

// The banded recurrence's cells at the most, a full table of 2048 x 2048
// among them: about a tenth of a second in the sanitized fuzzing build.
constexpr std::size_t kOracleCells = 4500000;

// The prefix recurrence on the cells of the diagonals j - i from -below to
// above only. Every cell holds at most its value in the whole table (the
// recurrence is monotone, and a cell outside the band keeps a value from an
// earlier row, or 0), and the cells along any path inside the band are
// exact.
std::int32_t banded_lcs(const std::string& a, const std::string& b, std::size_t below,
                        std::size_t above) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::int32_t> previous(m + 1, 0), current(m + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t lo = i > below ? i - below : 1;
        const std::size_t hi = std::min(m, i + above);
        for (std::size_t j = lo; j <= hi; ++j) {
            current[j] = a[i - 1] == b[j - 1] ? previous[j - 1] + 1
                                              : std::max(previous[j], current[j - 1]);
        }
        std::swap(previous, current);
    }
    return previous[m];
}

// The LCS of a and b, whose insert-delete distance is at most `bound`. A
// longest path takes D = lenA + lenB - 2 LCS steps off the diagonal, H to
// the right and V down, H - V = lenB - lenA; so it keeps to the diagonals
// -V to H, and (D + |lenB - lenA|) / 2 bounds the larger of the two.
std::int32_t lcs_within(const std::string& a, const std::string& b, std::size_t bound) {
    const std::size_t longer_by = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    const std::size_t wide = (bound + longer_by) / 2, narrow = (bound - std::min(bound, longer_by)) / 2;
    return a.size() > b.size() ? banded_lcs(a, b, wide, narrow) : banded_lcs(a, b, narrow, wide);
}

struct AlikePair {
    std::string a, b;
    std::size_t distance_bound;  // the insert-delete distance of a and b is at most this
};

// A from the seed's bytes, tiled (periodic text, long runs of carries) or
// drawn at random; B from A by substitutions, insertions and deletions of
// single bytes and of runs, each adding at most its cost to the distance.
// Cells of the banded recurrence on a pair of about `length` positions
// within distance `bound`.
std::size_t band_cells(std::size_t length, std::size_t bound) { return length * (bound + 1); }

AlikePair expand(const std::uint8_t* seed, std::size_t size) {
    std::uint32_t hash = 2166136261u;  // FNV-1a of the seed: any change moves the whole pair
    for (std::size_t k = 0; k < size; ++k) hash = (hash ^ seed[k]) * 16777619u;
    std::mt19937 rng(hash);
    const std::string symbols = size > 4 ? std::string(reinterpret_cast<const char*>(seed) + 4,
                                                       size - 4)
                                         : std::string("ab");
    const std::size_t edits = size > 0 ? seed[0] * seed[0] / 64u : 0;
    const bool tiled = size > 1 && (seed[1] & 1) != 0;
    const std::size_t length = 2048 + (size > 3 ? (seed[2] << 8 | seed[3]) % 10000 : 0);

    AlikePair pair;
    pair.a.resize(length);
    for (std::size_t i = 0; i < length; ++i) {
        pair.a[i] = symbols[tiled ? i % symbols.size() : rng() % symbols.size()];
    }
    pair.b = pair.a;
    pair.distance_bound = 0;
    for (std::size_t e = 0; e < edits && !pair.b.empty(); ++e) {
        const std::size_t at = rng() % pair.b.size();
        const char symbol = symbols[rng() % symbols.size()];
        // Half the edits substitute: they lower the LCS, which the bands of
        // the routine must then find, where an insertion or a deletion may not.
        enum Kind { substitute, insert, erase, erase_run };
        const Kind kinds[8] = {substitute, substitute, substitute, substitute,
                               insert,     insert,     erase,      erase_run};
        const Kind kind = kinds[rng() % 8];
        const std::size_t run =
            kind == erase_run ? std::min<std::size_t>(1 + rng() % 16, pair.b.size() - at) : 1;
        const std::size_t cost = kind == substitute ? 2 : run;
        // Edits stop where the oracle would pass its budget: many edits,
        // up to unlike strings, on the shorter pairs only.
        if (band_cells(length, pair.distance_bound + cost) > kOracleCells) break;
        pair.distance_bound += cost;
        switch (kind) {
        case substitute: pair.b[at] = symbol; break;
        case insert: pair.b.insert(at, 1, symbol); break;
        default: pair.b.erase(at, run); break;
        }
    }
    return pair;
}

void check_long(const std::uint8_t* seed, std::size_t size, char guard) {
    const AlikePair pair = expand(seed, size);
    const Sequence sa(pair.a, guard), sb(pair.b, guard);
    std::int32_t expected = -1;
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        const double cells = double(sa.length()) * double(sb.length());
        if (routine.kind != lcs::RoutineKind::lcs_length ||
            routine.estimated_seconds(sa.length(), sb.length()) > kLongModeSecondsPerCell * cells) {
            continue;
        }
        if (expected < 0) expected = lcs_within(pair.a, pair.b, pair.distance_bound);
        const std::int32_t got = routine.lcs(sa.data(), sb.data(), sa.length(), sb.length());
        if (got != expected) {
            report(routine.name, pair.a, pair.b, std::to_string(got), std::to_string(expected));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    if (data[1] >= 0xF0) {
        check_long(data + 2, size - 2, static_cast<char>(data[0]));
        return 0;
    }
    const char guard = static_cast<char>(data[0]);
    const std::size_t rest = size - 3;
    const std::size_t split = (static_cast<std::size_t>(data[1]) << 8 | data[2]) % (rest + 1);
    const char* text = reinterpret_cast<const char*>(data + 3);
    const std::string a(text, split), b(text + split, rest - split);
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) check(routine, a, b, guard);
    return 0;
}
