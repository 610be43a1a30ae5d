// Hunt-McIlroy: the threshold array step by step. HMAlg's four tests and
// binSearch's replacement rule are checked on the array itself, since a wrong
// slot can still leave the right length on many inputs.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "routines/detail/hunt_mcilroy.h"

namespace {

using lcs::detail::Candidate;

// Entries 1 to n with the given B positions; A positions 100, 101, ... so
// that a test sees which entries were written.
std::vector<Candidate> thresholds_of(const std::vector<std::int32_t>& b_positions) {
    std::vector<Candidate> array(b_positions.size() + 2, Candidate{-1, -1});
    for (std::size_t k = 0; k < b_positions.size(); ++k) {
        array[k + 1] = {b_positions[k], static_cast<std::int32_t>(100 + k)};
    }
    return array;
}

using Entries = std::vector<std::pair<std::int32_t, std::int32_t>>;  // (B position, A position)

Entries live(const std::vector<Candidate>& array, std::int32_t length) {
    Entries entries;
    for (std::int32_t k = 1; k <= length; ++k) {
        entries.emplace_back(array[k].b_position, array[k].a_position);
    }
    return entries;
}

TEST(HuntMcIlroy, EachMatchLandsInTheRightEntry) {
    struct Case {
        const char* why;
        std::vector<std::int32_t> before;
        std::int32_t b;
        Entries after;
    };
    const std::int32_t a = 7;  // the A position of the match
    const Case cases[] = {
        {"an empty array gets entry 1", {}, 5, {{5, a}}},
        {"below entry 1 replaces it", {3, 6}, 2, {{2, a}, {6, 101}}},
        {"above the last entry is appended", {3, 6}, 9, {{3, 100}, {6, 101}, {9, a}}},
        {"the entry above is replaced, the one below kept (A = aabab, B = abab)", {1, 3, 4}, 2,
         {{1, 100}, {2, a}, {4, 102}}},
        {"an equal B position changes nothing, A position included", {1, 3, 4}, 3,
         {{1, 100}, {3, 101}, {4, 102}}},
        {"equal to entry 1 changes nothing", {2, 5}, 2, {{2, 100}, {5, 101}}},
        {"equal to the last entry changes nothing", {2, 5}, 5, {{2, 100}, {5, 101}}},
        {"deep in a longer array", {1, 3, 5, 7, 9, 11}, 8,
         {{1, 100}, {3, 101}, {5, 102}, {7, 103}, {8, a}, {11, 105}}},
        {"next to entry 1 of a longer array", {1, 3, 5, 7, 9, 11}, 2,
         {{1, 100}, {2, a}, {5, 102}, {7, 103}, {9, 104}, {11, 105}}},
    };
    for (const Case& c : cases) {
        std::vector<Candidate> array = thresholds_of(c.before);
        const auto length = static_cast<std::int32_t>(c.before.size());
        const std::int32_t new_length = lcs::detail::HMAlg(array.data(), c.b, a, length);
        EXPECT_EQ(live(array, new_length), c.after) << c.why;
    }
}

}  // namespace
