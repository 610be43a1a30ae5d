// Smith-Waterman: the score bit for bit, on worked values and against the
// straightforward form on seeded random pairs, with table shapes that cross
// the routine's column strips and vector lanes, at every scan width.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "reference/oracles.h"
#include <lcs/routines.h>
#include "reference/sequences.h"
#include "routines/detail/smith_waterman.h"

namespace {

using lcs::reference::reference_smith_waterman;
using lcs::reference::Sequence;

std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

using lcs::detail::ScanWidth;

double score(const std::string& a, const std::string& b, char guard = '\0') {
    const Sequence sa(a, guard), sb(b, guard);
    return SmithWaterman_Alg(sa.data(), sb.data(), sa.length(), sb.length());
}

double score_at(ScanWidth width, const std::string& a, const std::string& b) {
    const Sequence sa(a, 'g'), sb(b, 'g');
    return lcs::detail::smith_waterman(sa.data(), sb.data(), sa.length(), sb.length(), width);
}

struct Case {
    const char* why;
    std::string a, b;
    double expected;
};

TEST(SmithWaterman, WorkedValuesBitForBit) {
    const Case cases[] = {
        {"three matches", "abc", "abc", 0x1.8p+1},
        {"identical strings of length n score n", "abcdefgh", "abcdefgh", 0x1p+3},
        {"no byte in common", "abc", "def", 0.0},
        {"one mismatch costs c: (1.0 - c) + 1.0", "abc", "aXc", 0x1.aaaaaaaaaaaabp+0},
        {"3.0 - c, then two matches", "abcdef", "abcXef", 0x1.2aaaaaaaaaaaap+2},
        {"horizontal gap of length 1", "abcd", "abxcd", 0x1.5555555555556p+1},
        {"vertical gap of length 1", "abxcd", "abcd", 0x1.5555555555556p+1},
        {"gap of length 1 rounded twice, not fused", "abcdefgh", "abcdXefgh",
         0x1.aaaaaaaaaaaabp+2},
        {"gap of length 2", "abcdefgh", "abcdXXefgh", 0x1.9555555555556p+2},
        {"gap of length 3 costs 2.0", "abcdefgh", "abcdXXXefgh", 0x1.8p+2},
        {"the best stays the 3.0 before a gap", "abcxd", "abcd", 0x1.8p+1},
        {"a long gap never pays", "aXXXXXXb", "ab", 0x1p+0},
        {"one match", "ab", "ba", 0x1p+0},
        {"poor flanks are ignored", "xxabcxx", "yyabcyy", 0x1.8p+1},
        {"empty A", "", "abc", 0.0},
        {"empty B", "abc", "", 0.0},
        {"bytes 0 and 255 are characters", std::string("\0\xff\0", 3), std::string("\0\xff", 2),
         0x1p+1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bits_of(score(c.a, c.b)), bits_of(c.expected))
            << c.why << ": got " << score(c.a, c.b);
        EXPECT_EQ(bits_of(score_at(ScanWidth::baseline, c.a, c.b)), bits_of(c.expected))
            << c.why << " (baseline width)";
        EXPECT_EQ(bits_of(reference_smith_waterman(c.a, c.b)), bits_of(c.expected))
            << c.why << " (reference)";
    }
}

TEST(SmithWaterman, NegativeLengthsScoreZero) {
    const Sequence a("abc"), b("abc");
    EXPECT_EQ(bits_of(SmithWaterman_Alg(a.data(), b.data(), -1, 3)), bits_of(0.0));
    EXPECT_EQ(bits_of(SmithWaterman_Alg(a.data(), b.data(), 3, -2)), bits_of(0.0));
}

TEST(SmithWaterman, EqualsStraightforwardFormOnRandomPairs) {
    struct Shape {
        std::size_t max_a, max_b;
        int trials;
    };
    // Small shapes for the lane tails; wide ones cross column strips, tall
    // ones give long vertical scans.
    const Shape shapes[] = {{12, 12, 300}, {40, 40, 60}, {30, 300, 3}, {200, 20, 3}, {140, 140, 1}};
    const std::string alphabets[] = {"ab", "ACGT", "abcdefghijklmnopqrstuvwxyz",
                                     std::string("\0\xe9\xff", 3)};
    std::mt19937 rng(20261208);
    for (const Shape& shape : shapes) {
        std::uniform_int_distribution<std::size_t> length_a(0, shape.max_a), length_b(0, shape.max_b);
        for (const std::string& alphabet : alphabets) {
            for (int trial = 0; trial < shape.trials; ++trial) {
                const std::string a = lcs::reference::random_string(rng, length_a(rng), alphabet);
                std::string b = lcs::reference::random_string(rng, length_b(rng), alphabet);
                // Half the pairs are related, so that gaps and long runs of
                // matches both occur.
                if (trial % 2 == 1 && !a.empty()) b = lcs::reference::mutated(rng, a, 25, alphabet);
                const double expected = reference_smith_waterman(a, b);
                for (ScanWidth width : {ScanWidth::baseline, ScanWidth::widest}) {
                    ASSERT_EQ(bits_of(score_at(width, a, b)), bits_of(expected))
                        << "A = \"" << a << "\", B = \"" << b << "\": expected " << expected
                        << (width == ScanWidth::baseline ? " (baseline width)" : "");
                }
            }
        }
    }
}

}  // namespace
