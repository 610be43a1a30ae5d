// One long pair on every core: lcs::length(a, b, 2) against 1 thread, beside
// the machine's own 2-thread scaling, and on a pair too short to gain from a
// second thread, where it must cost nothing.
#include <lcs/lcs.h>

#include "inputs.h"
#include "races/races.h"

namespace bench {
namespace {

std::vector<double> race_threads(const Setting& setting, const std::string& a,
                                 const std::string& b, const std::string& what, Rounds rounds) {
    std::vector<Entry> entries{
        {"lcs::length, 1 thread", [&] { return Lengths{lcs::length(a, b, 1)}; }},
        {"lcs::length, 2 threads", [&] { return Lengths{lcs::length(a, b, 2)}; }}};
    for (Entry& loop : shared_nothing_entries(setting.sizes.scaling_seconds))
        entries.push_back(std::move(loop));
    return race(what, entries, rounds);
}

}  // namespace

void threads_races(Report& report, const Setting& setting) {
    const Sizes& sizes = setting.sizes;
    for (int letters : {4, 26}) {
        for (std::size_t n : sizes.striped_lengths) {
            const std::string a = random_text(4000 + letters, n, letters),
                              b = random_text(4100 + letters, n, letters);
            Rounds rounds = sizes.rounds;
            if (!sizes.quick) rounds.most = 3;
            const std::string what = "random pair, " + std::to_string(n) + " letters of " +
                                     std::to_string(letters) + ": `lcs::length` 2 threads vs 1";
            const auto t = race_threads(setting, a, b, what, rounds);
            report.add_thread_ratio("one pair on every core", what, t[0], t[1],
                                    scaling_of(t[2], t[3]), 1.7, true);
        }
        const std::size_t n = sizes.striped_short;
        const std::string a = random_text(4200 + letters, n, letters),
                          b = random_text(4300 + letters, n, letters);
        const std::string what = "random pair, " + std::to_string(n) + " letters of " +
                                 std::to_string(letters) +
                                 ": `lcs::length` threads = 2 no more than 5 % slower than 1";
        Rounds rounds = sizes.rounds;
        rounds.most *= 5;
        const auto t = race_threads(setting, a, b, what, rounds);
        report.add_thread_ratio("one pair on every core", what, t[0], t[1], scaling_of(t[2], t[3]),
                                0.95, false);
    }
}

}  // namespace bench
