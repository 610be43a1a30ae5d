// The parts of lcs-compare that the collection's own routines cannot drive
// into every branch: a method that crashes, throws, runs out of memory or
// never ends, run in its child process, and a method that is no routine of
// the collection; the peak memory of a known allocation; the consensus of
// disagreeing methods; and the cheap look at alike inputs that the
// estimates take.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "compare/comparison.h"
#include "compare/likeness.h"
#include "compare/runner.h"
#include "reference/sequences.h"
#include <lcs/lcs.h>

namespace {

using compare::Outcome;
using compare::Status;

constexpr std::size_t kMiB = 1 << 20;

double no_cost(double, double) { return 0.0; }

lcs::RoutineInfo lcs_routine(lcs::LcsRoutine function) {
    return {"Test_Alg", lcs::RoutineKind::lcs_length, function, nullptr, "", "", "", "", 2,
            no_cost,    no_cost, false, false, nullptr};
}

// The fakes do nothing on empty sequences, as a routine may be called so.
std::int32_t returns_length_b(const char*, const char*, std::int32_t, std::int32_t lenB) {
    return lenB;
}
std::int32_t throws_bad_alloc(const char*, const char*, std::int32_t lenA, std::int32_t) {
    if (lenA > 0) throw std::bad_alloc();
    return 0;
}
std::int32_t throws_other(const char*, const char*, std::int32_t lenA, std::int32_t) {
    if (lenA > 0) throw std::runtime_error("boom");
    return 0;
}
std::int32_t aborts(const char*, const char*, std::int32_t lenA, std::int32_t) {
    if (lenA > 0) std::abort();
    return 0;
}
std::int32_t never_ends(const char*, const char*, std::int32_t lenA, std::int32_t) {
    while (lenA > 0) ::pause();
    return 0;
}
// Touches every page of lenA MiB, so that all of it is resident at once.
std::int32_t touches_mebibytes(const char*, const char*, std::int32_t lenA, std::int32_t) {
    const std::size_t size = static_cast<std::size_t>(lenA) * kMiB;
    char* block = static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1));
    if (block == nullptr) throw std::bad_alloc();
    for (std::size_t i = 0; i < size; i += 4096) block[i] = 1;
    const std::int32_t sum = size == 0 ? 0 : block[size - 1] + block[0];
    std::free(block);
    return sum;
}
double one_third(const char*, const char*, std::int32_t, std::int32_t) { return 1.0 / 3.0; }
// The child's soft limit on its address space, in MiB (-1: none).
std::int32_t address_limit_mib(const char*, const char*, std::int32_t, std::int32_t) {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_AS, &limit);
    if (limit.rlim_cur == RLIM_INFINITY) return -1;
    return static_cast<std::int32_t>(limit.rlim_cur / kMiB);
}

TEST(CompareRunner, EveryWayAMethodCanEndIsReportedInItsRow) {
    const compare::OneBased a("abc"), b("abcdef");
    struct Case {
        const char* why;
        lcs::LcsRoutine function;
        double timeout;
        Status status;
        const char* detail;
    };
    const Case cases[] = {
        {"returns", returns_length_b, 0.0, Status::ok, ""},
        {"returns within the limit", returns_length_b, 30.0, Status::ok, ""},
        {"throws std::bad_alloc", throws_bad_alloc, 0.0, Status::out_of_memory, ""},
        {"throws another exception", throws_other, 0.0, Status::crashed, "exception: boom"},
        {"aborts", aborts, 0.0, Status::crashed, "signal 6"},
        {"never ends", never_ends, 0.2, Status::timed_out, ""},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = compare::run_isolated(lcs_routine(c.function), a, b, c.timeout,
                                                      nullptr);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(outcome.status, c.status) << c.why << ": " << outcome.detail;
        EXPECT_EQ(outcome.detail.rfind(c.detail, 0), 0u) << c.why << ": " << outcome.detail;
        if (c.status == Status::ok) {
            EXPECT_EQ(outcome.length, 6) << c.why;
        }
        EXPECT_LT(took.count(), 10.0) << c.why;
    }
}

// A task of the program's own, such as the toolkit's row of --by, runs in
// its child as a routine does: a call that cannot be made ends its row,
// not the program.
TEST(CompareRunner, ATaskOfTheProgramsOwnRunsInItsChild) {
    const std::u32string a = U"kitten\u00e9", b = U"sitting\u00e9";
    compare::Task toolkit;
    toolkit.call = [&] { return static_cast<double>(lcs::length(a, b)); };
    toolkit.warm_up = [] { throw std::runtime_error("not counted"); };
    const Outcome outcome = compare::run_isolated(toolkit, 0.0, nullptr);
    EXPECT_EQ(outcome.status, Status::ok) << outcome.detail;
    EXPECT_EQ(outcome.length, 5);

    const Outcome without_call = compare::run_isolated(compare::Task{}, 0.0, nullptr);
    EXPECT_EQ(without_call.status, Status::crashed);
    EXPECT_EQ(without_call.detail.rfind("exception: ", 0), 0u) << without_call.detail;
}

TEST(CompareRunner, AScoreComesBackBitForBit) {
    const compare::OneBased a("x"), b("y");
    lcs::RoutineInfo routine = lcs_routine(nullptr);
    routine.kind = lcs::RoutineKind::local_alignment_score;
    routine.score = one_third;
    const Outcome outcome = compare::run_isolated(routine, a, b, 0.0, nullptr);
    ASSERT_EQ(outcome.status, Status::ok);
    EXPECT_EQ(std::memcmp(&outcome.score, &(const double&)(1.0 / 3.0), sizeof(double)), 0);
}

// The peak is the routine's own: the sequences, large here, and everything
// else that the child shares with the parent at the fork are not counted.
TEST(CompareRunner, PeakMemoryIsTheMethodsOwn) {
    const std::string large(32 * kMiB, 'x');
    const compare::OneBased a(large), b(large);
    const compare::OneBased short_a(std::string(48, 'x')), short_b("y");
    const Outcome nothing =
        compare::run_isolated(lcs_routine(returns_length_b), a, b, 0.0, nullptr);
    EXPECT_LT(nothing.peak_bytes, 4.0 * kMiB);
    const Outcome table =
        compare::run_isolated(lcs_routine(touches_mebibytes), short_a, short_b, 0.0, nullptr);
    ASSERT_EQ(table.status, Status::ok);
    EXPECT_GE(table.peak_bytes, 47.0 * kMiB);
    EXPECT_LT(table.peak_bytes, 60.0 * kMiB);  // the sanitizers' shadow adds an eighth
}

// The child may lower the limit on its address space, never raise one that
// the user set: a method that the user's limit forbids stays forbidden.
TEST(CompareRunner, TheChildKeepsALowerLimitThatTheUserSet) {
#ifdef LCS_TESTS_UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers' shadow mappings cannot run under an address-space limit";
#endif
    const compare::OneBased a("a"), b("b");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    long pages = 0;  // this process's size, which the child starts with
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    ASSERT_NE(statm, nullptr);
    ASSERT_EQ(std::fscanf(statm, "%ld", &pages), 1);
    std::fclose(statm);
    const std::int64_t user_mib = pages * ::sysconf(_SC_PAGESIZE) / kMiB + 512;
    struct rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(user_mib) * kMiB;
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < lowered.rlim_cur) {
        GTEST_SKIP() << "the hard limit is below the test's";
    }
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &lowered), 0);
    const Outcome outcome =
        compare::run_isolated(lcs_routine(address_limit_mib), a, b, 0.0, nullptr);
    ::setrlimit(RLIMIT_AS, &saved);
    ASSERT_EQ(outcome.status, Status::ok) << outcome.detail;
    EXPECT_EQ(outcome.length, user_mib);
}

TEST(CompareRunner, ProgressIsReportedWhileAMethodRuns) {
    const compare::OneBased a("a"), b("b");
    std::vector<double> ticks;
    compare::run_isolated(lcs_routine(never_ends), a, b, 0.7,
                          [&](double elapsed) { ticks.push_back(elapsed); });
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_LT(ticks.front(), ticks.back());
}

TEST(CompareComparison, ConsensusAgreementAndTheFiguresThatFollow) {
    const lcs::RoutineKind lcs = lcs::RoutineKind::lcs_length;
    const lcs::RoutineKind score = lcs::RoutineKind::local_alignment_score;
    auto row = [](lcs::RoutineKind kind, Status status, double value) {
        compare::Row r;
        r.method.name = "Test_Alg";
        r.method.kind = kind;
        r.outcome.status = status;
        r.outcome.length = static_cast<std::int32_t>(value);
        r.outcome.score = value;
        return r;
    };
    struct Case {
        const char* why;
        std::vector<compare::Row> rows;
        std::int64_t lenA, lenB;
        bool have_lcs, disagreement;
        std::int32_t lcs;
        std::vector<bool> agrees;
        double similarity;
        std::int64_t distance;
    };
    const Case cases[] = {
        {"all agree", {row(lcs, Status::ok, 4), row(lcs, Status::ok, 4)}, 7, 6, true, false, 4,
         {true, true}, 4.0 / 7, 5},
        {"the majority wins", {row(lcs, Status::ok, 5), row(lcs, Status::ok, 4),
                               row(lcs, Status::ok, 4)}, 7, 6, true, true, 4,
         {false, true, true}, 4.0 / 7, 5},
        {"a tie goes to the first", {row(lcs, Status::ok, 3), row(lcs, Status::ok, 4)}, 7, 6,
         true, true, 3, {true, false}, 3.0 / 7, 7},
        {"rows without a result do not vote",
         {row(lcs, Status::skipped, 9), row(lcs, Status::crashed, 9),
          row(lcs, Status::timed_out, 9), row(lcs, Status::ok, 2), row(score, Status::ok, 2.5)},
         3, 3, true, false, 2, {false, false, false, true, false}, 2.0 / 3, 2},
        {"nothing returned", {row(lcs, Status::skipped, 0)}, 3, 3, false, false, 0, {false}, 0.0, 0},
        {"two empty inputs", {row(lcs, Status::ok, 0)}, 0, 0, true, false, 0, {true}, 1.0, 0},
    };
    for (const Case& c : cases) {
        std::vector<compare::Row> rows = c.rows;
        const compare::Summary summary = compare::summarize(rows, c.lenA, c.lenB);
        EXPECT_EQ(summary.have_lcs, c.have_lcs) << c.why;
        EXPECT_EQ(summary.disagreement, c.disagreement) << c.why;
        if (!c.have_lcs) continue;
        EXPECT_EQ(summary.lcs, c.lcs) << c.why;
        for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].agrees, c.agrees[i]) << c.why;
        EXPECT_DOUBLE_EQ(summary.similarity, c.similarity) << c.why;
        EXPECT_EQ(summary.distance, c.distance) << c.why;
    }
    std::vector<compare::Row> scored = {row(score, Status::ok, 2.5), row(lcs, Status::crashed, 1)};
    compare::Summary summary = compare::summarize(scored, 3, 3);
    EXPECT_TRUE(summary.have_score);
    EXPECT_EQ(summary.score, 2.5);
    EXPECT_TRUE(summary.crashed);

    // The alignment's length stands in when no method returned one, and is
    // held to the consensus when one did.
    compare::add_alignment_length(summary, 2, 3, 4);
    EXPECT_TRUE(summary.have_lcs && summary.lcs_from_alignment && !summary.alignment_disagrees);
    EXPECT_EQ(summary.lcs, 2);
    EXPECT_DOUBLE_EQ(summary.similarity, 0.5);
    EXPECT_EQ(summary.distance, 3);
    std::vector<compare::Row> agreed = {row(lcs, Status::ok, 2)};
    for (const std::int32_t length : {2, 1}) {
        compare::Summary checked = compare::summarize(agreed, 3, 4);
        compare::add_alignment_length(checked, length, 3, 4);
        EXPECT_FALSE(checked.lcs_from_alignment);
        EXPECT_EQ(checked.alignment_disagrees, length != 2) << length;
        EXPECT_EQ(checked.lcs, 2);
    }
}

// The look is exact where only a common prefix and suffix are shared, near
// the truth (and not below half of it) on scattered changes, and has
// nothing to say of unlike inputs.
TEST(CompareLikeness, ARoughDistanceOfAlikeInputsOnly) {
    std::mt19937 rng(31337);
    const std::string letters = "abcdefghijklmnop";
    const std::string base = lcs::reference::random_string(rng, 200000, letters);
    std::string scattered = base;
    for (std::size_t i = 977; i < scattered.size(); i += 1999) scattered[i] = 'z';  // 100 changes
    struct Case {
        const char* why;
        std::string a, b;
        double low, high;  // -1: nothing
    };
    const Case cases[] = {
        {"equal", base, base, 0, 0},
        {"one inserted block", base, base.substr(0, 1000) + std::string(500, 'q') + base.substr(1000),
         500, 500},
        {"a removed block", base, base.substr(0, 70000) + base.substr(90000), 20000, 20000},
        {"scattered changes", base, scattered, 100, 20000},
        {"unlike", base, lcs::reference::random_string(rng, 200000, letters), -1, -1},
        {"short and unlike", "abcdef", "uvwxyz", 12, 12},
    };
    for (const Case& c : cases) {
        const std::optional<double> distance = compare::alike_distance(c.a, c.b);
        if (c.low < 0) {
            EXPECT_FALSE(distance.has_value()) << c.why << ": " << *distance;
            continue;
        }
        ASSERT_TRUE(distance.has_value()) << c.why;
        EXPECT_GE(*distance, c.low) << c.why;
        EXPECT_LE(*distance, c.high) << c.why;
        const std::u32string wide_a = lcs::reference::widened_symbols(c.a);
        const std::u32string wide_b = lcs::reference::widened_symbols(c.b);
        EXPECT_EQ(compare::alike_distance(wide_a, wide_b), distance) << c.why << ", as symbols";
    }
}

// Hyyro_Alg's band makes alike inputs cheap, and its estimate says so when
// the look does; unlike inputs keep the estimate of the full computation.
TEST(CompareLikeness, TheBandsEstimateFollowsTheLook) {
    const lcs::RoutineInfo* hyyro = lcs::find_routine("Hyyro_Alg");
    ASSERT_NE(hyyro, nullptr);
    const double n = 1e6, full = hyyro->estimated_seconds(n, n);
    EXPECT_GT(full, compare::kSkipAboveSeconds);
    EXPECT_EQ(compare::estimated_seconds(*hyyro, n, n, std::nullopt), full);
    EXPECT_LT(compare::estimated_seconds(*hyyro, n, n, 20.0), 0.5);
    EXPECT_LE(compare::estimated_seconds(*hyyro, n, n, 2 * n), full);
    const lcs::RoutineInfo* two_rows = lcs::find_routine("Hirschberg_AlgB");
    ASSERT_NE(two_rows, nullptr);
    EXPECT_EQ(compare::estimated_seconds(*two_rows, n, n, 20.0), two_rows->estimated_seconds(n, n));
}

}  // namespace
