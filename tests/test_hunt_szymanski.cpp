// Hunt-Szymanski: the cases where its threshold array does something subtle.
#include <gtest/gtest.h>

#include <string>

#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

TEST(HuntSzymanski, NamedCases) {
    const lcs::reference::LcsCase cases[] = {
        {"a position below every threshold replaces slot 1", "bcab", "abc", 2},
        {"the classic textbook pair", "ABCBDAB", "BDCABA", 4},
        {"a second classic pair", "XMJYAUZ", "MZJAWXU", 4},
        {"alternating letters", "bab", "aba", 2},
        {"identical strings", "abc", "abc", 3},
        {"no byte in common", "abc", "def", 0},
        {"reversed string", "abcd", "dcba", 1},
        {"repeats in A never count a position of B twice", "aaaa", "aa", 2},
        {"repeats in B never extend one position of A twice", "aa", "aaaa", 2},
        {"bytes above 127 have lists of their own", "\xe9" "A\xe9", "\xe9\xe9", 2},
        {"zero bytes are characters", std::string("ab\0", 3), std::string("ab\0", 3), 3},
        {"empty A", "", "abc", 0},
        {"empty B", "abc", "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lcs::reference::lcs_of(HuntSzymanski_Alg, c.a, c.b), c.expected) << c.why;
        EXPECT_EQ(lcs::reference::lcs_of(HuntSzymanski_Alg1, c.a, c.b), c.expected) << c.why;
    }
}

TEST(HuntSzymanski, LongRunOfOneLetterInBothStrings) {
    // Every pair matches: r = lenA x lenB, the method's worst case.
    const Sequence a(std::string(300, 'x')), b(std::string(200, 'x'));
    EXPECT_EQ(HuntSzymanski_Alg(a.data(), b.data(), a.length(), b.length()), 200);
}

}  // namespace
