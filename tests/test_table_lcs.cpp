// The prefix-recurrence family: the whole table, two rows, and divide and
// conquer. The differential test checks their values; these cases aim at the
// steps where each can go wrong on its own: the first of equal split scores,
// the parity of the row buffers, and views whose positions 0 and length + 1
// hold characters that would match if they were read.
#include <gtest/gtest.h>

#include <string>

#include "routines/detail/hirschberg.h"
#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

struct Method {
    const char* name;
    lcs::LcsRoutine lcs;
};

const Method kMethods[] = {
    {"Hirschberg_AlgA", Hirschberg_AlgA},
    {"Hirschberg_AlgB", Hirschberg_AlgB},
    {"Hirschberg_AlgC", Hirschberg_AlgC},
};

TEST(TableLcs, NamedCases) {
    const lcs::reference::LcsCase cases[] = {
        {"one character of A, no match: the scan of B ends empty", "a", "xyz", 0},
        {"one character of A found inside B", "a", "xay", 1},
        {"one character of A found at the end of B", "a", "xya", 1},
        {"odd lenA leaves the last row in buffer 1", "abc", "abc", 3},
        {"even lenA leaves the last row in buffer 0", "abcd", "dcba", 1},
        {"the classic textbook pair", "abcbdab", "bdcaba", 4},
        {"zero bytes inside the lengths match", std::string("ab\0", 3), std::string("a\0", 2), 2},
    };
    for (const Method& method : kMethods) {
        for (const auto& c : cases) {
            EXPECT_EQ(lcs::reference::lcs_of(method.lcs, c.a, c.b), c.expected)
                << method.name << ": " << c.why;
        }
    }
}

TEST(TableLcs, ReadsNothingOutsideAView) {
    // Each routine gets a view into a longer buffer; the bytes just outside
    // it are characters of the other string, so any read of them shows.
    struct Case {
        std::string outerA;
        std::size_t offsetA, lenA;
        std::string outerB;
        std::size_t offsetB, lenB;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"xabx", 1, 2, "yxbay", 1, 3, 1},      // ab against xba
        {"bab", 1, 1, "aabaa", 1, 3, 1},       // a against aba, guards b and a
        {"ccabcc", 2, 2, "ccbacc", 2, 2, 1},   // ab against ba
        {"zzzzz", 1, 3, "qzzzq", 1, 0, 0},     // empty view of B between z's
        {"qaaaaq", 1, 4, "aqaqa", 1, 1, 0},    // aaaa against q, guards matching the other
    };
    for (const Method& method : kMethods) {
        for (const Case& c : cases) {
            const Sequence a(c.outerA), b(c.outerB);
            const auto lenA = static_cast<std::int32_t>(c.lenA);
            const auto lenB = static_cast<std::int32_t>(c.lenB);
            EXPECT_EQ(method.lcs(a.data() + c.offsetA, b.data() + c.offsetB, lenA, lenB),
                      c.expected)
                << method.name << " on a view of " << c.outerA << " and " << c.outerB;
        }
    }
}

TEST(HirschbergSplit, TakesTheFirstOfEqualScores) {
    struct Case {
        std::string a, b;
        std::size_t split;
    };
    const Case cases[] = {
        {"ab", "ba", 0},          // scores 1, 0, 1
        {"aaaa", "aa", 0},        // scores 2, 2, 2
        {"abc", "abc", 1},        // scores 2, 3, 2, 1
        {"abcbdab", "bdcaba", 0}, // scores 4, 4, 3, 4, 4, 3, 2
        {"ab", "xxab", 3},        // a single best cut after a
        {"ba", "ab", 0},          // scores 1, 0, 1
        {"aabb", "bbaa", 0},      // scores 2, 1, 0, 1, 2
    };
    for (const Case& c : cases) {
        const Sequence a(c.a, 'x'), b(c.b, 'x');
        EXPECT_EQ(lcs::detail::first_best_split(a.data(), b.data(), c.a.size(), c.b.size()),
                  c.split)
            << c.a << " against " << c.b;
    }
}

}  // namespace
