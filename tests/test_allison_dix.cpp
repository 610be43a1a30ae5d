// Allison-Dix: bit-vector edges (byte and 64-bit piece boundaries, spare
// bits, long borrows), worked cases, and the step that reverses B.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "routines/detail/allison_dix.h"
#include <lcs/routines.h>
#include "reference/oracles.h"
#include "reference/sequences.h"

namespace {

using lcs::reference::reference_lcs;
using lcs::reference::Sequence;

std::int32_t allison_dix(const std::string& a, const std::string& b, char guard = '\0') {
    const Sequence sa(a, guard), sb(b, guard);
    return AllisonDix_Alg(sa.data(), sb.data(), sa.length(), sb.length());
}

struct Case {
    const char* why;
    std::string a, b;
    std::int32_t expected;
};

TEST(AllisonDix, WorkedCases) {
    const Case cases[] = {
        {"empty A", "", "abc", 0},
        {"empty B", "abc", "", 0},
        {"B must be read from its end", "ab", "ab", 2},
        {"crossing pair", "ab", "ba", 1},
        {"classic pair", "abcbdab", "bdcaba", 4},
        {"three spare bits", "abcab", "ab", 2},
        {"one full byte", "abcdefgh", "abcdefgh", 8},
        {"seven spare bits", "abcdefghi", "abcdefghi", 9},
        {"seven spare bits, reversed B", "abcdefghi", "ihgfedcba", 1},
        {"three bytes of one letter", std::string(17, 'a'), "aaaa", 4},
        {"bytes only in B have zero vectors", "abc", "xyz", 0},
        {"zero bytes are characters", std::string("a\0\0", 3), std::string("\0\0", 2), 2},
        {"bytes above 127 index the tables unsigned", "a\xe9", "\xe9", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(allison_dix(c.a, c.b), c.expected) << c.why;
}

// Lengths of A at every byte and piece boundary, B shorter and longer, over
// alphabets with the bytes 0 and 233, one-letter strings (borrows run the
// whole vector) and random ones.
TEST(AllisonDix, ByteAndPieceBoundaries) {
    const std::size_t lengths[] = {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 71, 72, 73, 127, 128, 129, 200};
    const std::string alphabets[] = {std::string(1, '\0'), std::string("\0\xe9", 2),
                                     std::string("a\0\xe9", 3), "ACGT"};
    std::mt19937 rng(8);
    for (std::size_t lenA : lengths) {
        for (const std::string& alphabet : alphabets) {
            for (std::size_t lenB : {std::size_t{0}, lenA / 2, lenA + 1, 2 * lenA + 9}) {
                const std::string a = lcs::reference::random_string(rng, lenA, alphabet);
                const std::string b = lcs::reference::random_string(rng, lenB, alphabet);
                ASSERT_EQ(allison_dix(a, b, '\xe9'), reference_lcs(a, b))
                    << "lenA " << lenA << ", lenB " << lenB << ", " << alphabet.size() << " letters";
                const std::string similar = lcs::reference::mutated(rng, a, 10, alphabet);
                ASSERT_EQ(allison_dix(a, similar), reference_lcs(a, similar))
                    << "lenA " << lenA << ", similar B, " << alphabet.size() << " letters";
            }
        }
    }
}

TEST(AllisonDix, ReverseMakesAOneBasedCopyBackwards) {
    struct ReverseCase {
        std::string text;
        char guard;
    };
    const ReverseCase cases[] = {
        {"abc", '\0'}, {"", '\0'}, {"x", 'g'}, {std::string("a\0\xe9", 3), 'g'}, {"abcdefghij", 'g'}};
    for (const ReverseCase& c : cases) {
        const Sequence source(c.text, c.guard);
        const auto reversed = lcs::detail::reverse(source.data(), source.length());
        std::string expected(1, '\0');
        expected.append(c.text.rbegin(), c.text.rend());
        expected.push_back('\0');  // positions 0 and length + 1: zero, not the source's guards
        EXPECT_EQ(std::string(reversed.get(), c.text.size() + 2), expected) << c.text;
    }
    const auto empty = lcs::detail::reverse("\0", -3);
    EXPECT_EQ(std::string(empty.get(), 2), std::string(2, '\0'));
}

}  // namespace
