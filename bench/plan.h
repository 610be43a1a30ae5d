// What the benchmark runs: the contestants (every routine of the collection,
// the peer library, and the straightforward forms that the tests hold the
// Smith-Waterman and Needleman-Wunsch routines to), the length ladder, and
// which lengths each contestant can afford.
#ifndef BENCH_PLAN_H
#define BENCH_PLAN_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "inputs.h"
#include <lcs/routines.h>

namespace bench {

// What a contestant's result is compared with on every input it is timed on.
enum class Answer {
    lcs_length,   // the LCS length: equal to the reference LCS of the input
    local_score,  // our Smith-Waterman score: bit-identical to SmithWaterman_Alg
    peer_score,   // parasail's local score / 3: within 1e-9 of SmithWaterman_Alg
};

struct Contestant {
    std::string name;
    Answer answer{};
    int time_exponent = 2;  // the method's growth with lenA = lenB = n
    bool counts_matches = false;  // reports match pairs per second
    // Timed at the points that the performance targets name (the
    // word-parallel routines and the peer), whatever the per-call limit.
    bool at_target_points = false;
    std::function<double(const InputPair&)> run;
    std::function<double(double, double)> estimated_seconds;
    std::function<double(double, double)> working_bytes;
    std::size_t longest = SIZE_MAX;  // no input beyond this length
    std::string label;               // shown beside the timings
};

constexpr double kQuickSeconds = 0.05;

struct Options {
    bool quick = false;          // the quick ladder, and max_seconds kQuickSeconds
    double max_seconds = 3.0;    // per call, by the contestant's own estimate
    double memory_limit = 0.0;   // bytes of working storage; 0 = a quarter of RAM, at most 2 GiB
    double budget_seconds = 0.0; // > 0: choose max_seconds so the run fits
    double min_time = 0.2;       // Google Benchmark's minimum time per benchmark
    int repetitions = 1;
    bool measure_memory = true;
};

// Every contestant: the rows of routine_table() first, then the peer (where
// parasail is installed), then the straightforward references (where the
// tests' header is there).
std::vector<Contestant> contestants();

// The collection's Smith-Waterman row, or null.
const lcs::RoutineInfo* local_score_routine();

// The pinned length ladder (lenA = lenB = n).
std::vector<std::size_t> length_ladder(bool quick);

// The lopsided shapes: a short A against a long B, and the reverse.
std::vector<std::pair<std::size_t, std::size_t>> lopsided_shapes(bool quick);

// Whether the contestant runs at these lengths: its own estimate within the
// per-call limit (or a point that a performance target of the collection
// names), its working storage within the memory limit.
bool affordable(const Contestant& c, const InputSet& set, double lenA, double lenB,
                const Options& options);

// The contestant's estimate of one call on a pair of the set.
double estimated_seconds(const Contestant& c, const InputSet& set, double lenA, double lenB);

// One timed point of the plan.
struct PlannedRun {
    std::size_t contestant;
    const InputSet* set;
    std::size_t lenA, lenB;
};

std::vector<PlannedRun> plan_runs(const std::vector<Contestant>& all, const Options& options);

// The estimated seconds that a plan takes.
double estimated_total(const std::vector<Contestant>& all, const std::vector<PlannedRun>& runs,
                       const Options& options);

// The options with max_seconds lowered, step by step, until the estimated
// total fits options.budget_seconds (unchanged when there is no budget).
Options fit_to_budget(const std::vector<Contestant>& all, Options options);

double default_memory_limit();

}  // namespace bench

#endif  // BENCH_PLAN_H
