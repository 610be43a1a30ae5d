// The benchmark suite: every contestant of the plan on the seeded inputs of
// the length ladder and on the lopsided pairs, with cells per second, match
// pairs per second where the method visits matches, the fitted growth
// (Google Benchmark's BigO, against the method's own exponent) and the peak
// working storage of one call: the bytes it held from the allocator at once,
// and the resident pages it added.
//
// Every result is checked on every input that is timed: each LCS against the
// reference LCS of the input (computed once by the collection's cheapest
// routine there), each Smith-Waterman score bit for bit against
// SmithWaterman_Alg, the peer's local score to within 1e-9. A disagreement
// ends the run with status 3: numbers from a routine that gives wrong answers
// are not worth printing.
//
// Own flags, beside Google Benchmark's: --lcs_quick (tiny ladder, short
// runs), --lcs_budget=SECONDS (scale the ladder to fit), --lcs_max_seconds=S
// (largest estimated call), --lcs_memory_limit=BYTES, --lcs_no_memory,
// --lcs_plan (print the plan and stop).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "inputs.h"
#include "peak_memory.h"
#include "peer.h"
#include "plan.h"
#include <lcs/routines.h>

namespace {

using bench::Answer;
using bench::Contestant;
using bench::InputPair;
using bench::InputSet;
using bench::Options;

using InputKey = std::tuple<std::string, std::size_t, std::size_t>;

InputKey key_of(const InputSet& set, std::size_t lenA, std::size_t lenB) {
    return InputKey(set.name, lenA, lenB);
}

// The collection's cheapest LCS routine at these lengths, by its estimate.
const lcs::RoutineInfo* cheapest_lcs_routine(double lenA, double lenB) {
    const lcs::RoutineInfo* best = nullptr;
    for (const lcs::RoutineInfo& row : lcs::routine_table()) {
        if (row.kind != lcs::RoutineKind::lcs_length) continue;
        if (best == nullptr ||
            row.estimated_seconds(lenA, lenB) < best->estimated_seconds(lenA, lenB)) {
            best = &row;
        }
    }
    return best;
}

// The expected answer of each kind for each input, computed once.
double expected_answer(Answer answer, const InputSet& set, const InputPair& p) {
    static std::map<std::tuple<bool, InputKey>, double> known;
    const bool lcs = answer == Answer::lcs_length;
    const auto key = std::make_tuple(lcs, key_of(set, p.a_text.size(), p.b_text.size()));
    const auto found = known.find(key);
    if (found != known.end()) return found->second;
    const lcs::RoutineInfo* routine =
        lcs ? cheapest_lcs_routine(p.lenA(), p.lenB()) : bench::local_score_routine();
    const double value = routine->run(p.a.data(), p.b.data(), p.lenA(), p.lenB());
    known.emplace(key, value);
    return value;
}

bool agrees(Answer answer, double result, double expected) {
    if (answer == Answer::peer_score) return std::fabs(result - expected) <= 1e-9;
    return result == expected;  // LCS lengths exactly, our scores bit for bit
}

void check_answer(const Contestant& c, const InputSet& set, const InputPair& p, double result) {
    const double expected = expected_answer(c.answer, set, p);
    if (agrees(c.answer, result, expected)) return;
    std::fprintf(stderr,
                 "lcs_bench: %s gives %.17g on %s with lenA = %d, lenB = %d; expected %.17g "
                 "(%s)\n",
                 c.name.c_str(), result, set.name, p.lenA(), p.lenB(), expected,
                 c.answer == Answer::lcs_length ? "the reference LCS"
                                                : "the score of SmithWaterman_Alg");
    std::exit(3);
}

bench::PeakMemory peak_memory_of(const Contestant& c, const InputSet& set, const InputPair& p) {
    static std::map<std::tuple<std::string, InputKey>, bench::PeakMemory> measured;
    const auto key = std::make_tuple(c.name, key_of(set, p.a_text.size(), p.b_text.size()));
    const auto found = measured.find(key);
    if (found != measured.end()) return found->second;
    const bench::PeakMemory peak = bench::measure_peak_memory([&c, &p] {
        volatile double sink = c.run(p);
        (void)sink;
    });
    measured.emplace(key, peak);
    return peak;
}

// Ladder benchmarks take one argument, n = lenA = lenB; lopsided ones two.
void time_contestant(benchmark::State& state, const Contestant& c, const InputSet& set,
                     const Options& options, bool lopsided) {
    const auto lenA = static_cast<std::size_t>(state.range(0));
    const auto lenB = lopsided ? static_cast<std::size_t>(state.range(1)) : lenA;
    const InputPair& p = bench::cached_pair(set, lenA, lenB);
    double result = 0.0;
    try {
        for (auto _ : state) {
            result = c.run(p);
            benchmark::DoNotOptimize(result);
        }
    } catch (const std::bad_alloc&) {
        state.SkipWithError("not enough memory");
        return;
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    check_answer(c, set, p, result);

    using benchmark::Counter;
    const double cells = double(lenA) * double(lenB);
    state.counters["cells_per_second"] = Counter(cells, Counter::kIsIterationInvariantRate);
    if (c.counts_matches) {
        state.counters["match_pairs_per_second"] =
            Counter(p.match_pairs(), Counter::kIsIterationInvariantRate);
    }
    state.counters["lenA"] = double(lenA);
    state.counters["lenB"] = double(lenB);
    state.counters["result"] = result;
    if (options.measure_memory) {
        const bench::PeakMemory peak = peak_memory_of(c, set, p);
        if (peak.measured) {
            state.counters["peak_resident_bytes"] =
                Counter(double(peak.working_bytes), Counter::kDefaults, Counter::kIs1024);
        }
        if (peak.measured && peak.allocated_measured) {
            state.counters["peak_allocated_bytes"] =
                Counter(double(peak.allocated_bytes), Counter::kDefaults, Counter::kIs1024);
        }
    }
    if (!c.label.empty()) state.SetLabel(c.label);
    state.SetComplexityN(static_cast<benchmark::IterationCount>(lenA));
}

benchmark::BigO growth_of(int exponent) {
    switch (exponent) {
        case 1: return benchmark::oN;
        case 2: return benchmark::oNSquared;
        case 3: return benchmark::oNCubed;
        default: return benchmark::oAuto;
    }
}

benchmark::internal::Benchmark* register_family(const Contestant& c, const InputSet& set,
                                                const Options& options, bool lopsided) {
    const std::string name = c.name + "/" + set.name;
    benchmark::internal::Benchmark* family = benchmark::RegisterBenchmark(
        name.c_str(), [&c, &set, &options, lopsided](benchmark::State& state) {
            time_contestant(state, c, set, options, lopsided);
        });
    family->Unit(benchmark::kMillisecond);
    if (!lopsided) family->Complexity(growth_of(c.time_exponent));
    return family;
}

// One family per contestant and input set, its lengths in the plan's order.
void register_plan(const std::vector<Contestant>& all, const Options& options) {
    benchmark::internal::Benchmark* family = nullptr;
    const bench::PlannedRun* previous = nullptr;
    const auto runs = bench::plan_runs(all, options);
    for (const bench::PlannedRun& run : runs) {
        const bool lopsided = run.set == &bench::lopsided_set();
        if (previous == nullptr || previous->contestant != run.contestant ||
            previous->set != run.set) {
            family = register_family(all[run.contestant], *run.set, options, lopsided);
        }
        if (lopsided) {
            family->Args({static_cast<std::int64_t>(run.lenA), static_cast<std::int64_t>(run.lenB)});
        } else {
            family->Arg(static_cast<std::int64_t>(run.lenA));
        }
        previous = &run;
    }
}

bool flag_value(const char* arg, const char* flag, double* value) {
    const std::size_t length = std::strlen(flag);
    if (std::strncmp(arg, flag, length) != 0 || arg[length] != '=') return false;
    char* end = nullptr;
    *value = std::strtod(arg + length + 1, &end);
    if (end == arg + length + 1 || *end != '\0' || !(*value >= 0)) {
        std::fprintf(stderr, "lcs_bench: %s needs a number of at least 0\n", flag);
        std::exit(2);
    }
    return true;
}

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Our flags, read after Google Benchmark has taken its own out of argv.
Options parse_options(int argc, char** argv, bool* plan_only) {
    Options options;
    bool max_seconds_given = false;
    for (int k = 1; k < argc; ++k) {
        double value = 0.0;
        if (std::strcmp(argv[k], "--lcs_quick") == 0) {
            options.quick = true;
        } else if (std::strcmp(argv[k], "--lcs_no_memory") == 0) {
            options.measure_memory = false;
        } else if (std::strcmp(argv[k], "--lcs_plan") == 0) {
            *plan_only = true;
        } else if (flag_value(argv[k], "--lcs_budget", &value)) {
            options.budget_seconds = value;
        } else if (flag_value(argv[k], "--lcs_max_seconds", &value)) {
            options.max_seconds = value;
            max_seconds_given = true;
        } else if (flag_value(argv[k], "--lcs_memory_limit", &value)) {
            options.memory_limit = value;
        } else {
            std::fprintf(stderr, "lcs_bench: unknown argument %s\n", argv[k]);
            std::exit(2);
        }
    }
    if (options.quick && !max_seconds_given) options.max_seconds = bench::kQuickSeconds;
    return options;
}

// The command line with Google Benchmark's minimum time per benchmark set
// for our runs unless given (a few milliseconds in quick mode, 0.2 s
// otherwise), and that time and the repetitions noted for the estimate.
std::vector<char*> with_run_length(int argc, char** argv, Options* options) {
    std::vector<char*> args(argv, argv + argc);
    bool quick = false, min_time_given = false;
    for (int k = 1; k < argc; ++k) {
        quick = quick || std::strcmp(argv[k], "--lcs_quick") == 0;
        if (starts_with(argv[k], "--benchmark_min_time=")) {
            min_time_given = true;
            options->min_time = std::atof(argv[k] + std::strlen("--benchmark_min_time="));
        }
        if (starts_with(argv[k], "--benchmark_repetitions=")) {
            options->repetitions =
                std::max(1, std::atoi(argv[k] + std::strlen("--benchmark_repetitions=")));
        }
    }
    static char quick_time[] = "--benchmark_min_time=0.002";
    static char full_time[] = "--benchmark_min_time=0.2";
    if (!min_time_given) {
        args.push_back(quick ? quick_time : full_time);
        options->min_time = quick ? 0.002 : 0.2;
    }
    args.push_back(nullptr);
    return args;
}

void describe_plan(const std::vector<Contestant>& all, const Options& options) {
    const auto runs = bench::plan_runs(all, options);
    std::fprintf(stderr, "lcs_bench: %s; %zu timed points, largest estimated call %.3g s, "
                         "estimated total %.0f s\n",
                 bench::peer_available() ? "peer parasail found"
                                         : "peer parasail missing (install libparasail-dev)",
                 runs.size(), options.max_seconds, bench::estimated_total(all, runs, options));
    benchmark::AddCustomContext("lcs_peer", bench::peer_available() ? "parasail" : "missing");
    benchmark::AddCustomContext("lcs_quick", options.quick ? "yes" : "no");
    benchmark::AddCustomContext("lcs_max_seconds", std::to_string(options.max_seconds));
}

}  // namespace

int main(int argc, char** argv) {
    Options run_length;
    std::vector<char*> args = with_run_length(argc, argv, &run_length);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    bool plan_only = false;
    Options options = parse_options(count, args.data(), &plan_only);
    options.min_time = run_length.min_time;
    options.repetitions = run_length.repetitions;
    // The contestants live to the end of main: the benchmarks refer to them.
    const std::vector<Contestant> all = bench::contestants();
    options = bench::fit_to_budget(all, options);
    describe_plan(all, options);
    if (plan_only) {
        for (const auto& run : bench::plan_runs(all, options)) {
            std::printf("%s/%s/%zu/%zu\n", all[run.contestant].name.c_str(), run.set->name,
                        run.lenA, run.lenB);
        }
        return 0;
    }
    register_plan(all, options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
