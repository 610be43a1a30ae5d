// Large inputs, outside the quick suite (ctest -C large -L large): the fast
// routines on pairs of 100000 bytes, held to Hirschberg's two-row pass, and
// the lcs program on two words of 1000000 bytes. At these lengths a length
// or an index computed in 32 bits where it needs more, or a table sized by
// the product of the lengths, shows itself.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "program_run.h"
#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

constexpr double kLength = 100000;
// Routines whose estimated time for one pair, or whose working storage, is
// above these are left out: the run must stay a few minutes.
constexpr double kSecondsBudget = 30.0;
constexpr double kBytesBudget = 512.0 * 1024 * 1024;

bool affordable(const lcs::RoutineInfo& routine) {
    return routine.kind == lcs::RoutineKind::lcs_length && routine.time_exponent <= 2 &&
           routine.estimated_seconds(kLength, kLength) <= kSecondsBudget &&
           routine.working_bytes(kLength, kLength) <= kBytesBudget;
}

TEST(Large, FastRoutinesAgreeWithTheTwoRowPassOnPairsOf100000Bytes) {
    const lcs::RoutineInfo* reference = lcs::find_routine("Hirschberg_AlgB");
    ASSERT_NE(reference, nullptr);
    std::mt19937 rng(100000);
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    const std::string dna = lcs::reference::random_string(rng, 100000, "ACGT");
    const std::pair<std::string, std::string> pairs[] = {
        {dna, lcs::reference::mutated(rng, dna, 10, "ACGT")},
        {lcs::reference::random_string(rng, 100000, bytes),
         lcs::reference::random_string(rng, 100000, bytes)},
    };
    for (const auto& [text_a, text_b] : pairs) {
        const Sequence a(text_a, '\xff'), b(text_b, '\xff');
        const std::int32_t expected = reference->lcs(a.data(), b.data(), a.length(), b.length());
        for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
            if (&routine == reference || !affordable(routine)) continue;
            EXPECT_EQ(routine.lcs(a.data(), b.data(), a.length(), b.length()), expected)
                << routine.name;
        }
    }
}

TEST(Large, ProgramComparesTwoWordsOf1000000Bytes) {
    // A is a run of x with ten y's; B is a run of z with "xy" ten times. The
    // LCS is (xy)^10, and with few matching pairs Hunt-Szymanski is quick.
    constexpr std::size_t kWord = 1000000;
    std::string a(kWord, 'x'), b(kWord, 'z');
    for (std::size_t k = 1; k <= 10; ++k) {
        a[k * 90000] = 'y';
        b[k * 90000] = 'x';
        b[k * 90000 + 1] = 'y';
    }
    const testing_support::ProgramRun run = testing_support::run_program(
        LCS_EXECUTABLE, {}, "1000000 1000000\n" + a + "\n" + b + "\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Input the length of string A: Input the length of string B: "
                       "HuntSzymanski_Alg LCS : 20\n");
    EXPECT_EQ(run.err, "");
}

}  // namespace
