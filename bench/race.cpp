#include "race.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

namespace bench {
namespace {

double seconds_of(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `steps` rounds of xorshift, returned so that the compiler keeps them.
std::uint64_t spin(std::uint64_t steps, std::uint64_t state) {
    for (std::uint64_t k = 0; k < steps; ++k) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
    }
    return state;
}

// Where spin()'s results go, so that no call of it is optimised away.
volatile std::uint64_t spin_sink = 0;

// Steps of spin() that take about `seconds`, measured once: the fastest of
// a few timings of a loop long enough to time, so that a moment without the
// processor does not count.
std::uint64_t steps_for(double seconds) {
    static const double steps_per_second = [] {
        std::uint64_t steps = 1u << 20;
        const auto timed = [&steps] {
            return seconds_of([&] { spin_sink = spin(steps, 88172645463325252ULL); });
        };
        while (timed() < 0.01) steps *= 2;
        double fastest = HUGE_VAL;
        for (int k = 0; k < 5; ++k) fastest = std::min(fastest, timed());
        return static_cast<double>(steps) / fastest;
    }();
    return static_cast<std::uint64_t>(std::max(1.0, seconds * steps_per_second));
}

}  // namespace

std::vector<double> race(const std::string& what, const std::vector<Entry>& entries,
                         const Rounds& rounds) {
    std::cerr << "  " << what << '\n';
    std::vector<double> best(entries.size(), HUGE_VAL);
    Lengths expected;
    double spent = 0;
    for (int round = 0; round < rounds.most && (round == 0 || spent < rounds.budget); ++round) {
        for (std::size_t k = 0; k < entries.size(); ++k) {
            Lengths got;
            double seconds = 0;
            try {
                seconds = seconds_of([&] { got = entries[k].run(); });
            } catch (const std::logic_error& error) {
                throw NotBuilt(entries[k].name + ": " + error.what());
            }
            spent += seconds;
            best[k] = std::min(best[k], seconds);
            const Lengths& result = entries[k].output != nullptr ? *entries[k].output : got;
            if (round == 0 && k == 0) expected = result;
            if (entries[k].checked && result != expected) {
                throw Disagreement(what + ": " + entries[k].name + " disagrees with " +
                                   entries[0].name);
            }
        }
    }
    return best;
}

std::vector<Entry> shared_nothing_entries(double seconds) {
    const std::uint64_t steps = steps_for(seconds);
    auto one = [steps] { return Lengths{static_cast<std::int32_t>(spin(2 * (steps / 2), 1) & 1)}; };
    auto two = [steps] {
        std::uint64_t first = 0, second = 0;
        std::thread helper([&] { second = spin(steps / 2, 2); });
        first = spin(steps / 2, 1);
        helper.join();
        return Lengths{static_cast<std::int32_t>((first ^ second) & 1)};
    };
    return {{"shared-nothing loop, 1 thread", one, false},
            {"shared-nothing loop, 2 threads", two, false}};
}

double scaling_of(double one_thread_seconds, double two_threads_seconds) {
    return one_thread_seconds / two_threads_seconds;
}

}  // namespace bench
