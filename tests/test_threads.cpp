// No routine keeps state between calls: every routine, run on two threads at
// once on different inputs, gives the results that one thread gives.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <lcs/routines.h>
#include "reference/sequences.h"

namespace {

using lcs::reference::Sequence;

struct Pair {
    std::string a, b;
};

std::vector<Pair> pairs_for(unsigned seed, const lcs::RoutineInfo& routine) {
    std::mt19937 rng(seed);
    const std::size_t length = routine.time_exponent >= 3 ? 40 : 300;
    std::vector<Pair> pairs;
    for (int k = 0; k < 20; ++k) {
        pairs.push_back({lcs::reference::random_string(rng, length, "ACGT"),
                         lcs::reference::random_string(rng, length - k, "ACGT")});
    }
    return pairs;
}

// The results as bit patterns, so that scores compare exactly.
std::vector<std::uint64_t> run_all(const lcs::RoutineInfo& routine, const std::vector<Pair>& pairs) {
    std::vector<std::uint64_t> results;
    for (const Pair& pair : pairs) {
        const Sequence a(pair.a), b(pair.b);
        const double result = routine.run(a.data(), b.data(), a.length(), b.length());
        std::uint64_t bits = 0;
        std::memcpy(&bits, &result, sizeof bits);
        results.push_back(bits);
    }
    return results;
}

TEST(Threads, EveryRoutineGivesOneThreadsResultsOnTwoThreads) {
    for (const lcs::RoutineInfo& routine : lcs::routine_table()) {
        const auto first = pairs_for(1, routine), second = pairs_for(2, routine);
        const auto expected_first = run_all(routine, first);
        const auto expected_second = run_all(routine, second);
        std::vector<std::uint64_t> got_first, got_second;
        std::thread one([&] { got_first = run_all(routine, first); });
        std::thread two([&] { got_second = run_all(routine, second); });
        one.join();
        two.join();
        EXPECT_EQ(got_first, expected_first) << routine.name;
        EXPECT_EQ(got_second, expected_second) << routine.name;
    }
}

}  // namespace
