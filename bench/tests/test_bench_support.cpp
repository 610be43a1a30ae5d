// The benchmark's own machinery: its seeded inputs, the peer library's
// agreement with the reference LCS (byte 0, high bytes, the 16-bit limit),
// the plan that every routine of the table joins, and the peak-memory probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "inputs.h"
#include "peak_memory.h"
#include "peer.h"
#include "plan.h"
#include <lcs/routines.h>
#include "reference/sequences.h"

#include "reference/oracles.h"

namespace {

using lcs::reference::reference_lcs;

TEST(BenchInputs, SameSeedSameBytesOnEveryPlatform) {
    // Pinned: a change here changes every published figure.
    EXPECT_EQ(bench::random_text(7, 12, 26), "ghewxacidovo");
    EXPECT_EQ(bench::random_text(7, 12, 4), "ACATTAACAGTG");
    for (const bench::InputSet& set : bench::ladder_sets()) {
        const bench::InputPair first = bench::make_pair(set, 300, 300);
        const bench::InputPair again = bench::make_pair(set, 300, 300);
        EXPECT_EQ(first.a, again.a) << set.name;
        EXPECT_EQ(first.b, again.b) << set.name;
        EXPECT_NE(first.a_text, bench::make_pair(set, 301, 301).a_text.substr(0, 300)) << set.name;
    }
}

TEST(BenchInputs, PairsAreOneBasedOverTheirAlphabet) {
    for (const bench::InputSet& set : bench::ladder_sets()) {
        const bench::InputPair p = bench::make_pair(set, 5000, 5000);
        ASSERT_EQ(p.a.size(), p.a_text.size() + 2) << set.name;
        EXPECT_EQ(p.a.front(), '\0');
        EXPECT_EQ(p.a.back(), '\0');
        EXPECT_EQ(p.a.substr(1, p.a_text.size()), p.a_text);
        const std::string letters = bench::alphabet(set.letters);
        const std::set<char> used(p.b_text.begin(), p.b_text.end());
        EXPECT_EQ(used.size(), letters.size()) << set.name << ": every letter occurs";
        for (char c : used) EXPECT_NE(letters.find(c), std::string::npos) << set.name;
    }
}

TEST(BenchInputs, SimilarPairsDifferInExactlyATenth) {
    struct Case {
        std::size_t length, changed;
    };
    const Case cases[] = {{0, 0}, {1, 0}, {5, 1}, {9, 1}, {10, 1}, {15, 2}, {1000, 100}, {10001, 1000}};
    for (int letters : {4, 26, 256}) {
        for (const Case& c : cases) {
            const std::string text = bench::random_text(11, c.length, letters);
            const std::string changed = bench::changed_tenth(12, text, letters);
            ASSERT_EQ(changed.size(), text.size());
            std::size_t differences = 0;
            for (std::size_t k = 0; k < text.size(); ++k) differences += text[k] != changed[k];
            EXPECT_EQ(differences, c.changed) << letters << " letters, length " << c.length;
        }
    }
}

TEST(BenchInputs, MatchPairsCountsEqualPositions) {
    bench::InputPair p;
    p.a_text = std::string("aab\0", 4);
    p.b_text = std::string("ab\0\0c", 5);
    EXPECT_EQ(p.match_pairs(), 2 * 1 + 1 * 1 + 1 * 2);
}

class Peer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bench::peer_available()) GTEST_SKIP() << "parasail is not installed";
    }
};

TEST_F(Peer, LcsEqualsTheReferenceOnEveryByteValue) {
    std::mt19937 rng(5);
    std::vector<std::string> alphabets = lcs::reference::small_alphabets();
    alphabets.push_back(bench::alphabet(256));
    alphabets.push_back("aA");  // case matters
    for (const std::string& letters : alphabets) {
        for (std::size_t length : {1, 2, 7, 33, 300}) {
            const std::string a = lcs::reference::random_string(rng, length, letters);
            const std::string b = lcs::reference::random_string(rng, length + 3, letters);
            const lcs::reference::Sequence sa(a, '\x7f'), sb(b, '\x7f');
            EXPECT_EQ(bench::peer_lcs(sa.data(), sb.data(), sa.length(), sb.length()),
                      reference_lcs(a, b))
                << letters.size() << " letters, length " << length;
        }
    }
}

TEST_F(Peer, EmptyStringsHaveLcsZero) {
    const lcs::reference::Sequence empty(""), some("abc");
    EXPECT_EQ(bench::peer_lcs(empty.data(), some.data(), 0, 3), 0);
    EXPECT_EQ(bench::peer_lcs(some.data(), empty.data(), 3, 0), 0);
    EXPECT_EQ(bench::peer_local_score(empty.data(), empty.data(), 0, 0), 0.0);
}

TEST_F(Peer, ScoresBeyondSixteenBitsTakeWiderLanes) {
    const std::string a(33000, '\0');
    const lcs::reference::Sequence sa(a), sb(a);
    EXPECT_NE(bench::peer_lcs_function(33000, 33000).find("_32"), std::string::npos);
    EXPECT_EQ(bench::peer_lcs(sa.data(), sb.data(), 33000, 33000), 33000);
}

TEST_F(Peer, LocalScoreOverThreeIsOurs) {
    std::mt19937 rng(6);
    for (const std::string& letters : {std::string("ab"), std::string("ACGT"), bench::alphabet(256)}) {
        for (std::size_t length : {1, 5, 40, 120}) {
            const std::string a = lcs::reference::random_string(rng, length, letters);
            const std::string b = lcs::reference::mutated(rng, a, 30, letters) + "ab";
            const lcs::reference::Sequence sa(a), sb(b);
            EXPECT_NEAR(bench::peer_local_score(sa.data(), sb.data(), sa.length(), sb.length()),
                        lcs::reference::reference_smith_waterman(a, b), 1e-9)
                << letters.size() << " letters, length " << length;
        }
    }
}

// Every routine of the table is in the plan on every input set, with no
// list of names: a row of the table is all a routine needs.
TEST(BenchPlan, EveryRoutineOfTheTableRunsOnEverySet) {
    const std::vector<bench::Contestant> all = bench::contestants();
    for (bool quick : {false, true}) {
        bench::Options options;
        options.quick = quick;
        if (quick) options.max_seconds = bench::kQuickSeconds;
        const auto runs = bench::plan_runs(all, options);
        for (const lcs::RoutineInfo& row : lcs::routine_table()) {
            for (const bench::InputSet& set : bench::ladder_sets()) {
                std::size_t lengths = 0;
                for (const bench::PlannedRun& run : runs) {
                    lengths += all[run.contestant].name == row.name && run.set == &set;
                }
                // Two lengths at least, for a growth fit.
                EXPECT_GE(lengths, 2u) << row.name << " on " << set.name << (quick ? ", quick" : "");
            }
        }
    }
}

TEST(BenchPlan, LengthsFollowEachRoutinesOwnCosts) {
    bench::Contestant cubic;
    cubic.name = "cubic";
    cubic.estimated_seconds = [](double a, double b) { return 1e-10 * a * b * (a + b) / 2; };
    cubic.working_bytes = [](double a, double b) { return 4.0 * a * b; };
    bench::Options options;
    options.max_seconds = 3.0;
    options.memory_limit = 1e9;
    const bench::InputSet& set = bench::ladder_sets().front();
    struct Case {
        double n;
        bool runs;
    };
    // 2000: 0.8 s; 5000: 12.5 s.
    for (const Case& c : {Case{250, true}, Case{2000, true}, Case{5000, false}}) {
        EXPECT_EQ(bench::affordable(cubic, set, c.n, c.n, options), c.runs) << c.n;
    }
    cubic.estimated_seconds = [](double, double) { return 0.0; };
    // 4 x 20000^2 = 1.6 GB does not fit in 1 GB.
    EXPECT_TRUE(bench::affordable(cubic, set, 10000, 10000, options));
    EXPECT_FALSE(bench::affordable(cubic, set, 20000, 20000, options));
}

TEST(BenchPlan, BudgetShortensTheLadder) {
    const std::vector<bench::Contestant> all = bench::contestants();
    bench::Options unlimited;
    const double full = bench::estimated_total(all, bench::plan_runs(all, unlimited), unlimited);
    // The shortest ladder the budget can cut to: every run at its least
    // time. How long it is depends on the contestants built (the peer too).
    bench::Options shortest;
    shortest.max_seconds = 0.02;
    const double floor = bench::estimated_total(all, bench::plan_runs(all, shortest), shortest);
    ASSERT_GT(full, 2.0 * floor) << "the budgets below must cut the full plan";
    // Budgets between the two: a plan that ignored them would keep the
    // per-call limit and the whole total.
    for (const double budget : {1.1 * floor, 0.5 * (floor + full)}) {
        bench::Options options;
        options.budget_seconds = budget;
        const bench::Options fitted = bench::fit_to_budget(all, options);
        const double total = bench::estimated_total(all, bench::plan_runs(all, fitted), fitted);
        EXPECT_LT(fitted.max_seconds, unlimited.max_seconds) << budget;
        EXPECT_LE(total, budget) << budget;
        EXPECT_LT(total, full) << budget;
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kShadowMemory = true;  // AddressSanitizer backs every block with resident shadow
#else
constexpr bool kShadowMemory = false;
#endif

TEST(PeakMemory, CountsTouchedPagesOnly) {
    constexpr std::size_t kMiB = 1024 * 1024;
    struct Case {
        const char* what;
        std::size_t allocated, touched;
    };
    const Case cases[] = {{"nothing", 0, 0},
                          {"32 MiB written", 32 * kMiB, 32 * kMiB},
                          {"256 MiB zero-filled, 1 MiB written", 256 * kMiB, 1 * kMiB}};
    for (const Case& c : cases) {
        if (kShadowMemory && c.touched < c.allocated) continue;
        const bench::PeakMemory peak = bench::measure_peak_memory([&c] {
            if (c.allocated == 0) return;
            auto* block = static_cast<volatile char*>(std::calloc(c.allocated, 1));
            ASSERT_NE(block, nullptr);
            for (std::size_t k = 0; k < c.touched; k += 4096) block[k] = 1;
            std::free(const_cast<char*>(block));
        });
        if (!peak.measured) GTEST_SKIP() << "no resident high-water mark on this system";
        EXPECT_GE(peak.working_bytes + kMiB / 4, c.touched) << c.what;
        EXPECT_LE(peak.working_bytes, c.touched + c.touched / 4 + 2 * kMiB) << c.what;
    }
}

}  // namespace
