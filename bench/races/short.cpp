// Short strings one pair at a time, an alike pair, and long random pairs:
// lcs::length against lcs_seq_similarity and against our classic Hyyro_Alg.
#include <lcs/lcs.h>
#include <lcs/routines.h>

#include "inputs.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"
#include "reference/sequences.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

void one_pair(Report& report, const Setting& setting, std::size_t L) {
    const std::size_t count = setting.sizes.pairs;
    const std::vector<std::string> a = random_texts(1200 + L, count, L, L, 26);
    const std::vector<std::string> b = random_texts(1300 + L, count, L, L, 26);
    const Views av = views_of(a), bv = views_of(b);
    std::vector<lcs::reference::Sequence> a1, b1;
    for (std::size_t k = 0; k < count; ++k) {
        a1.emplace_back(a[k]);
        b1.emplace_back(b[k]);
    }
    std::vector<Entry> entries{{"lcs::length",
                                [&] {
                                    Lengths out(count);
                                    for (std::size_t k = 0; k < count; ++k)
                                        out[k] = lcs::length(av[k], bv[k]);
                                    return out;
                                }},
                               {"Hyyro_Alg", [&] {
                                    Lengths out(count);
                                    for (std::size_t k = 0; k < count; ++k) {
                                        out[k] = Hyyro_Alg(a1[k].data(), b1[k].data(),
                                                           a1[k].length(), b1[k].length());
                                    }
                                    return out;
                                }}};
    if (peer::available())
        entries.push_back({"lcs_seq_similarity", [&] { return peer::similarities(av, bv); }});
    const auto t = race("one pair, L = " + std::to_string(L), entries, setting.sizes.rounds);
    const double n = static_cast<double>(count), rf = peer_time(t, 2);
    const std::string what = "one pair, L = " + std::to_string(L) + ", 26 letters (" +
                             std::to_string(count) + " pairs): ";
    report.add_ratio("short strings", what + "`lcs::length` vs `lcs_seq_similarity`",
                     "ours " + per_item(t[0], count) + ", " + peer_figure(rf / n) + " per pair",
                     rf / t[0], Relation::at_least, 1.5, t[0]);
    report.add_ratio("short strings", what + "`Hyyro_Alg` vs `lcs_seq_similarity`",
                     "Hyyro_Alg " + per_item(t[1], count) + ", " + peer_figure(rf / n) + " per pair",
                     rf / t[1], Relation::at_least, 1.0, t[1]);
}

void alike_pair(Report& report, const Setting& setting) {
    const std::size_t n = setting.sizes.alike;
    const std::string a = random_text(1600, n, 26), b = changed_share(1601, a, 26, 1);
    const std::int32_t truth = lcs::length(a, b);
    std::vector<Entry> entries{{"lcs::length", [&] { return Lengths{lcs::length(a, b)}; }}};
    if (peer::available()) {
        entries.push_back(
            {"lcs_seq_similarity with the LCS as cutoff",
             [&] { return Lengths{peer::similarity(a, b, static_cast<std::size_t>(truth))}; }});
    }
    Rounds rounds = setting.sizes.rounds;
    rounds.most *= 20;
    const auto t = race("alike pair", entries, rounds);
    const double rf = peer_time(t, 1);
    report.add_ratio("short strings",
                     "alike pair, " + std::to_string(n) +
                         " letters of 26, 1 % changed: `lcs::length` vs "
                         "`lcs_seq_similarity` given the true LCS as `score_cutoff`",
                     "ours " + duration(t[0]) + ", " + peer_figure(rf), rf / t[0],
                     Relation::at_least, 1.0, t[0]);
}

void long_pairs(Report& report, const Setting& setting) {
    for (int letters : {4, 26}) {
        for (std::size_t n : setting.sizes.long_lengths) {
            const std::string a = random_text(1700 + letters + n, n, letters);
            const std::string b = random_text(1800 + letters + n, n, letters);
            const lcs::reference::Sequence a1(a), b1(b);
            std::vector<Entry> entries{
                {"lcs::length", [&] { return Lengths{lcs::length(a, b)}; }},
                {"Hyyro_Alg", [&] {
                     return Lengths{Hyyro_Alg(a1.data(), b1.data(), a1.length(), b1.length())};
                 }}};
            if (peer::available()) {
                entries.push_back(
                    {"lcs_seq_similarity", [&] { return Lengths{peer::similarity(a, b, 0)}; }});
            }
            const auto t = race("long pair " + std::to_string(n), entries, setting.sizes.rounds);
            const std::string what =
                "random pair, " + std::to_string(n) + " letters of " + std::to_string(letters);
            report.add_ratio("long pairs",
                             what + ": `lcs::length` within 5 % of `Hyyro_Alg` (Hyyro_Alg time / ours)",
                             "ours " + duration(t[0]) + ", Hyyro_Alg " + duration(t[1]),
                             t[1] / t[0], Relation::at_least, 0.95, t[0]);
            const double rf = peer_time(t, 2);
            report.add_ratio("long pairs", what + ": `lcs::length` vs `lcs_seq_similarity`",
                             "ours " + duration(t[0]) + ", " + peer_figure(rf) + " (" +
                                 number(static_cast<double>(n) * static_cast<double>(n) / t[0] / 1e9, "") +
                                 " Gcells/s)",
                             rf / t[0], Relation::at_least,
                             n < 10000 ? vector_target(setting, 2.0, 2.0)
                                       : vector_target(setting, 3.0, 3.0),
                             t[0]);
        }
    }
}

}  // namespace

void short_races(Report& report, const Setting& setting) {
    for (std::size_t L : {8, 16, 32, 64}) one_pair(report, setting, L);
    alike_pair(report, setting);
    long_pairs(report, setting);
}

}  // namespace bench
