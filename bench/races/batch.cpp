// One query against many choices: Pattern::length and lcs::lengths against a
// CachedLCSseq loop, and lcs::lengths on 2 threads against 1.
#include <lcs/lcs.h>

#include "inputs.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

double batch_required(std::size_t L) { return L <= 32 ? 3.0 : L == 64 ? 2.0 : 1.2; }

void one_against_many(Report& report, const Setting& setting, std::size_t L) {
    const std::size_t count = setting.sizes.choices;
    const std::string query = random_text(1400 + L, L, 26);
    const std::vector<std::string> choices =
        random_texts(1500 + L, count, L - L / 4, L + L / 4, 26);
    const Views views = views_of(choices);
    const lcs::Pattern pattern(query);
    const bool two_threads = L == 32;
    std::vector<Entry> entries{
        {"Pattern::length",
         [&] {
             Lengths out(count);
             for (std::size_t k = 0; k < count; ++k) out[k] = pattern.length(views[k]);
             return out;
         }},
        {"lcs::lengths, 1 thread", [&] { return lcs::lengths(pattern, views, 1); }}};
    const std::size_t peer_index = entries.size();
    if (peer::available()) {
        entries.push_back(
            {"CachedLCSseq", [&] { return peer::cached_similarities(query, views); }});
    }
    const std::size_t threads_index = entries.size();
    if (two_threads) {
        entries.push_back(
            {"lcs::lengths, 2 threads", [&] { return lcs::lengths(pattern, views, 2); }});
        for (Entry& loop : shared_nothing_entries(setting.sizes.scaling_seconds))
            entries.push_back(std::move(loop));
    }
    const auto t = race("one against many, L = " + std::to_string(L), entries, setting.sizes.rounds);
    const double rf = peer_time(t, peer_index);
    const double n = static_cast<double>(count);
    const std::string what = "query L = " + std::to_string(L) + " against " +
                             std::to_string(count) + " choices of L ± 25 %: ";
    report.add_ratio("one against many", what + "`Pattern::length` loop vs `CachedLCSseq` loop",
                     "ours " + per_item(t[0], count) + ", " + peer_figure(rf / n) + " per choice",
                     rf / t[0], Relation::at_least, 1.0, t[0]);
    report.add_ratio("one against many", what + "`lcs::lengths` (1 thread) vs `CachedLCSseq` loop",
                     "ours " + per_item(t[1], count) + ", " + peer_figure(rf / n) + " per choice",
                     rf / t[1], Relation::at_least,
                     vector_target(setting, batch_required(L), batch_required(L)), t[1]);
    if (two_threads) {
        report.add_thread_ratio("one against many", what + "`lcs::lengths` 2 threads vs 1 thread",
                                t[1], t[threads_index],
                                scaling_of(t[threads_index + 1], t[threads_index + 2]), 1.7, true,
                                count, " per choice");
    }
}

}  // namespace

void batch_races(Report& report, const Setting& setting) {
    for (std::size_t L : {8, 16, 32, 64, 128, 512}) one_against_many(report, setting, L);
}

}  // namespace bench
