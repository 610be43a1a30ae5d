// Differential fuzzing of the whole collection: every routine of the table on
// one pair of byte strings that the fuzzer chooses, held to the prefix
// recurrence (the LCS routines) or to the straightforward cell-by-cell score
// (the local alignment score, compared bit for bit). A routine joins by its
// row in the table; nothing here names one.
//
// Input layout: byte 0 is the guard written at positions 0 and length + 1 of
// both sequences (a routine that reads them sees a byte that may match),
// bytes 1 and 2 choose where the rest splits into A and B.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const char guard = static_cast<char>(data[0]);
    const std::size_t rest = size - 3;
    const std::size_t split = (static_cast<std::size_t>(data[1]) << 8 | data[2]) % (rest + 1);
    const char* text = reinterpret_cast<const char*>(data + 3);
    const std::string a(text, split), b(text + split, rest - split);
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) check(routine, a, b, guard);
    return 0;
}
