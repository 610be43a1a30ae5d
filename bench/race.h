// The toolkit benchmark's timing engine: contestants raced in interleaved
// rounds on the same inputs, every result checked against the first
// contestant's, and the machine's own 2-thread scaling for thread ratios.
#ifndef BENCH_RACE_H
#define BENCH_RACE_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

using Lengths = std::vector<std::int32_t>;

// Contestants gave different results: the run stops (exit status 3).
struct Disagreement : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A contestant is a call the library declares but does not build yet (it
// throws std::logic_error): its race is skipped and says why.
struct NotBuilt : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Entry {
    std::string name;
    std::function<Lengths()> run;
    // Whether the result must equal the first entry's: off for the
    // shared-nothing loop raced beside thread ratios.
    bool checked = true;
    // Where a contestant that writes into a buffer of its own leaves its
    // result (`run` then returns nothing, so that no copy is timed).
    const Lengths* output = nullptr;
};

// How long a race may go on.
struct Rounds {
    int most = 7;          // best of at most this many rounds
    double budget = 6.0;   // seconds after which no further round starts
};

// Runs the entries in turn, round after round, and returns each one's best
// time in seconds. Every checked run's lengths must equal the first entry's
// first lengths (Disagreement); a std::logic_error of an entry becomes
// NotBuilt.
std::vector<double> race(const std::string& what, const std::vector<Entry>& entries,
                         const Rounds& rounds);

// The machine's own 2-thread scaling, raced beside a thread ratio: the same
// work of a loop that shares nothing (it keeps its state in registers and
// writes nothing shared) done by 1 thread, then split over 2. The loop takes
// about `seconds` on one thread. Append both entries to a race and pass
// their times to scaling_of.
std::vector<Entry> shared_nothing_entries(double seconds);
double scaling_of(double one_thread_seconds, double two_threads_seconds);

}  // namespace bench

#endif  // BENCH_RACE_H
