// lcs::align: against lcs::length on random pairs, on 2 threads against 1,
// alike against random, its working memory, and against lcs_seq_editops in
// time and memory.
#include <cmath>
#include <iostream>

#include <lcs/lcs.h>

#include "inputs.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

// `result_bytes`, where given, receives the bytes that the result's runs hold.
Entry align_entry(const std::string& a, const std::string& b, unsigned threads,
                  std::size_t* result_bytes = nullptr) {
    return {"lcs::align, " + std::to_string(threads) + " thread(s)",
            [&a, &b, threads, result_bytes] {
                const lcs::Alignment alignment = lcs::align(a, b, threads);
                if (result_bytes != nullptr)
                    *result_bytes = alignment.runs.capacity() * sizeof(lcs::Run);
                return Lengths{alignment.length};
            }};
}

Entry length_entry(const std::string& a, const std::string& b) {
    return {"lcs::length", [&a, &b] { return Lengths{lcs::length(a, b)}; }};
}

// One thread of `align` takes at most 3 times as long as `lcs::length`.
void add_align_against_length(Report& report, const std::string& what, double length_seconds,
                              double align_seconds) {
    report.add_ratio("alignment", what + "1 thread vs `lcs::length` (time ratio)",
                     "align " + duration(align_seconds) + ", length " + duration(length_seconds),
                     align_seconds / length_seconds, Relation::at_most, 3.0, align_seconds);
}

void align_random(Report& report, const Setting& setting) {
    const std::size_t n = setting.sizes.align_length;
    for (int letters : {4, 26}) {
        const std::string a = random_text(2000 + letters, n, letters),
                          b = random_text(2100 + letters, n, letters);
        std::vector<Entry> entries{length_entry(a, b), align_entry(a, b, 1), align_entry(a, b, 2)};
        for (Entry& loop : shared_nothing_entries(setting.sizes.scaling_seconds))
            entries.push_back(std::move(loop));
        const auto t = race("align, random " + std::to_string(n), entries, setting.sizes.rounds);
        const std::string what = "`align`, random pair " + std::to_string(n) + ", " +
                                 std::to_string(letters) + " letters: ";
        add_align_against_length(report, what, t[0], t[1]);
        report.add_thread_ratio("alignment", what + "2 threads vs 1 thread", t[1], t[2],
                                scaling_of(t[3], t[4]), 1.6, true);
    }
}

void align_huge(Report& report, const Setting& setting) {
    const Sizes& sizes = setting.sizes;
    const std::size_t n = sizes.huge_length;
    const std::string a = random_text(2200, n, 4), b = random_text(2201, n, 4),
                      alike = changed_share(2202, a, 4, 1);
    Rounds rounds = sizes.rounds;
    if (!sizes.quick) rounds.most = 2;
    std::size_t result_bytes = 0;
    const auto t = race("align, random " + std::to_string(n),
                        {length_entry(a, b), align_entry(a, b, 1, &result_bytes)}, rounds);
    const auto t_alike = race("align, alike " + std::to_string(n), {align_entry(a, alike, 1)},
                              sizes.rounds);
    std::cerr << "  align, random " << n << ": peak memory\n";
    const double peak = peak_bytes([&] { lcs::align(a, b, 1); });
    const std::string what = "`align`, " + std::to_string(n) + " letters of 4";
    report.add({"alignment", what + ", random: peak working memory beyond the inputs and the result",
                "peak " + mebibytes(peak) + ", of which the result " +
                    mebibytes(static_cast<double>(result_bytes)),
                (peak - static_cast<double>(result_bytes)) / kMiB, Relation::under, 64, " MiB"});
    add_align_against_length(report, what + ", random: ", t[0], t[1]);
    report.add_ratio("alignment", what + ": alike (1 % changed) vs random, 1 thread",
                     "alike " + duration(t_alike[0]) + ", random " + duration(t[1]),
                     t[1] / t_alike[0], Relation::at_least, 10.0, t_alike[0]);
}

void align_against_editops(Report& report, const Setting& setting) {
    for (std::size_t n : setting.sizes.editops_lengths) {
        const std::string a = random_text(2300 + n, n, 26), b = random_text(2400 + n, n, 26);
        std::vector<Entry> entries{align_entry(a, b, 1)};
        if (peer::available()) {
            entries.push_back(
                {"lcs_seq_editops", [&] { return Lengths{peer::editops_length(a, b)}; }});
        }
        Rounds rounds = setting.sizes.rounds;
        if (n >= 100000) rounds.most = 2;
        const auto t = race("align vs editops " + std::to_string(n), entries, rounds);
        const double ours = peak_bytes([&] { lcs::align(a, b, 1); });
        const double rf =
            peer::available() ? peak_bytes([&] { peer::editops_length(a, b); }) : kNotMeasured;
        const std::string what =
            "`align` vs `lcs_seq_editops`, random pair " + std::to_string(n) + ", 26 letters: ";
        report.add_ratio("alignment", what + "time",
                         "ours " + duration(t[0]) + ", " + peer_figure(peer_time(t, 1)),
                         peer_time(t, 1) / t[0], Relation::at_least, 2.0, t[0]);
        report.add_ratio("alignment", what + "peak memory",
                         "ours " + mebibytes(ours) + ", peer " +
                             (std::isnan(rf) ? "not built in" : mebibytes(rf)),
                         rf / ours, Relation::at_least, 50.0, kNotMeasured);
    }
}

}  // namespace

void align_races(Report& report, const Setting& setting) {
    align_random(report, setting);
    align_huge(report, setting);
    align_against_editops(report, setting);
}

}  // namespace bench
