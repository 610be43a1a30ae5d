// Every LCS routine of the collection against the prefix recurrence, on the
// same inputs: all small pairs over two letters, seeded random pairs over tiny
// alphabets with the bytes 0 and 255, and longer similar and dissimilar
// pairs. Guard bytes that differ from zero sit at positions 0 and length + 1
// in half of the cases, so a routine that reads outside the declared
// positions gives itself away.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <lcs/routines.h>
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using lcs::reference::reference_lcs;
using lcs::reference::Sequence;

std::vector<const lcs::RoutineInfo*> lcs_routines() {
    std::vector<const lcs::RoutineInfo*> found;
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        if (routine.kind == lcs::RoutineKind::lcs_length) found.push_back(&routine);
    }
    return found;
}

class EveryLcsRoutine : public ::testing::TestWithParam<const lcs::RoutineInfo*> {
protected:
    // The cubic methods get shorter long pairs, so that the suite stays quick.
    std::size_t long_length() const { return GetParam()->time_exponent >= 3 ? 60 : 500; }

    void expect_reference(const std::string& a, const std::string& b, char guard = '\0') {
        const Sequence sa(a, guard), sb(b, guard);
        ASSERT_EQ(GetParam()->lcs(sa.data(), sb.data(), sa.length(), sb.length()),
                  reference_lcs(a, b))
            << GetParam()->name << " on A = \"" << a << "\" (" << a.size() << " bytes), B = \""
            << b << "\" (" << b.size() << " bytes)";
    }
};

TEST_P(EveryLcsRoutine, EqualsReferenceOnAllBinaryPairsUpToLengthSix) {
    const auto strings = lcs::reference::all_binary_strings(6);
    for (const std::string& a : strings) {
        for (const std::string& b : strings) {
            expect_reference(a, b, a.size() % 2 ? 'a' : '\0');
            if (HasFatalFailure()) return;
        }
    }
}

TEST_P(EveryLcsRoutine, EqualsReferenceOnRandomPairsOverTinyAlphabets) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    for (const std::string& alphabet : lcs::reference::small_alphabets()) {
        for (int trial = 0; trial < 500; ++trial) {
            const std::string a = lcs::reference::random_string(rng, length(rng), alphabet);
            const std::string b = lcs::reference::random_string(rng, length(rng), alphabet);
            expect_reference(a, b, trial % 2 ? alphabet[0] : '\0');
            if (HasFatalFailure()) return;
        }
    }
}

TEST_P(EveryLcsRoutine, EqualsReferenceOnLongSimilarAndDissimilarPairs) {
    std::mt19937 rng(7);
    const std::vector<std::string> alphabets{"ACGT", "abcdefghijklmnopqrstuvwxyz",
                                             std::string("\0\x01\xfe\xff", 4)};
    std::uniform_int_distribution<std::size_t> length(long_length() / 2, long_length());
    for (const std::string& alphabet : alphabets) {
        for (int trial = 0; trial < 4; ++trial) {
            const std::string a = lcs::reference::random_string(rng, length(rng), alphabet);
            const std::string unrelated = lcs::reference::random_string(rng, length(rng), alphabet);
            const std::string similar = lcs::reference::mutated(rng, a, 10, alphabet);
            expect_reference(a, unrelated);
            expect_reference(a, similar, alphabet[0]);
            expect_reference(similar.substr(0, similar.size() / 3), a);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_P(EveryLcsRoutine, TakesNegativeLengthsAsEmpty) {
    const Sequence a("abc"), b("abc");
    EXPECT_EQ(GetParam()->lcs(a.data(), b.data(), -1, 3), 0);
    EXPECT_EQ(GetParam()->lcs(a.data(), b.data(), 3, -5), 0);
}

INSTANTIATE_TEST_SUITE_P(Collection, EveryLcsRoutine, ::testing::ValuesIn(lcs_routines()),
                         [](const ::testing::TestParamInfo<const lcs::RoutineInfo*>& info) {
                             return std::string(info.param->name);
                         });

}  // namespace
