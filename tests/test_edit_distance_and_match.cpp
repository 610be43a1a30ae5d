// Wagner-Fischer and Needleman-Wunsch on the cases that exercise their
// borders and final scans; the differential test covers the rest.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference/oracles.h"
#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

struct Case {
    const char* why;
    std::string a, b;
    std::int32_t expected;
};

TEST(WagnerFischerAndNeedlemanWunsch, NamedCases) {
    const Case cases[] = {
        {"row 0 runs over all of B: d = 3", "c", "ab", 0},
        {"B longer by three", "a", "xyza", 1},
        {"A longer by three", "xyza", "a", 1},
        {"classic pair, d = 5", "abcbdab", "bdcaba", 4},
        {"the corner holds 0, the answer is off the corner", "ab", "ba", 1},
        {"unequal cells carry a match forward", "axyb", "azwb", 2},
        {"identical", "abc", "abc", 3},
        {"disjoint, d = 6", "abc", "def", 0},
        {"empty A", "", "abc", 0},
        {"empty B", "abc", "", 0},
        {"both empty", "", "", 0},
        {"zero bytes are characters", std::string("\0a\0", 3), std::string("\0\0", 2), 2},
    };
    for (const Case& c : cases) {
        const Sequence a(c.a, 'g'), b(c.b, 'g');
        EXPECT_EQ(WagnerFischer_Alg(a.data(), b.data(), a.length(), b.length()), c.expected)
            << "WagnerFischer_Alg: " << c.why;
        EXPECT_EQ(NeedlemanWunsch_Alg(a.data(), b.data(), a.length(), b.length()), c.expected)
            << "NeedlemanWunsch_Alg: " << c.why;
    }
}

// The straightforward summation that benchmarks time against the library's
// form must itself give the maximum match, the LCS length.
TEST(WagnerFischerAndNeedlemanWunsch, StraightforwardSummationIsTheLcsLength) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::size_t> length(0, 30);
    for (int trial = 0; trial < 300; ++trial) {
        const std::string a = lcs::reference::random_string(rng, length(rng), "abc");
        const std::string b = lcs::reference::random_string(rng, length(rng), "abc");
        ASSERT_EQ(lcs::reference::reference_needleman_wunsch(a, b), lcs::reference::reference_lcs(a, b))
            << "A = \"" << a << "\", B = \"" << b << "\"";
    }
}

}  // namespace
