// Many against many: lcs::matrix against MultiLCSseq's dense scores, element
// by element, on 1 thread and on 2 threads against 1.
#include <lcs/lcs.h>

#include "inputs.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

// Both libraries write into buffers allocated once, as MultiLCSseq's callers
// and Python's numpy arrays do, so that the race is the scoring; the
// allocating form is raced beside, against the peer's scores copied into a
// vector allocated the same way, where a 160 MB result's page faults and
// zeroing weigh on both alike.
void matrix_shape(Report& report, const Setting& setting, const Sizes::MatrixShape& shape) {
    const std::size_t L = shape.L;
    const std::vector<std::string> queries =
        random_texts(3000 + L, shape.queries, L - L / 4, L, 26);
    const std::vector<std::string> choices =
        random_texts(3100 + L, shape.choices, L - L / 4, L, 26);
    const Views q = views_of(queries), c = views_of(choices);
    const std::size_t cells = shape.queries * shape.choices;
    const std::string what = std::to_string(shape.queries) + " x " +
                             std::to_string(shape.choices) + ", L = " + std::to_string(L) +
                             " (lengths 3/4 L to L), 26 letters: ";
    const std::string against_peer =
        what + "`lcs::matrix_into` (1 thread) vs `MultiLCSseq`, each into a buffer of its own";
    const std::string allocating =
        what + "`lcs::matrix` returning a new vector vs `MultiLCSseq` copied into one";
    const std::string threads = what + "`lcs::matrix_into` 2 threads vs 1 thread";
    Lengths ours(cells), theirs(cells);
    const auto into = [&](unsigned count) {
        return [&, count] {
            lcs::matrix_into(q, c, ours.data(), ours.size(), count);
            return Lengths{};
        };
    };
    std::vector<Entry> entries{{"lcs::matrix_into, 1 thread", into(1), true, &ours},
                               {"lcs::matrix_into, 2 threads", into(2), true, &ours},
                               {"lcs::matrix, 1 thread", [&] { return lcs::matrix(q, c, 1); }}};
    for (Entry& loop : shared_nothing_entries(setting.sizes.scaling_seconds))
        entries.push_back(std::move(loop));
    if (peer::available()) {
        entries.push_back({"MultiLCSseq into a buffer",
                           [&] {
                               peer::matrix_into(q, c, theirs.data());
                               return Lengths{};
                           },
                           true, &theirs});
        entries.push_back({"MultiLCSseq into a new vector", [&] { return peer::matrix(q, c); }});
    }
    std::vector<double> t;
    try {
        t = race("matrix " + what, entries, setting.sizes.rounds);
    } catch (const NotBuilt& missing) {
        report.add_skipped("many against many", {against_peer, allocating, threads},
                           missing.what());
        return;
    }
    const double rf = peer_time(t, 5), rf_allocating = peer_time(t, 6);
    report.add_ratio("many against many", against_peer,
                     "ours " + per_item(t[0], cells) + ", " +
                         peer_figure(rf / static_cast<double>(cells)) + " per pair",
                     rf / t[0], Relation::at_least, vector_target(setting, 2.5, 1.5), t[0]);
    report.add_ratio("many against many", allocating,
                     "ours " + per_item(t[2], cells) + ", " +
                         peer_figure(rf_allocating / static_cast<double>(cells)) + " per pair",
                     rf_allocating / t[2], Relation::at_least, 1.0, t[2]);
    report.add_thread_ratio("many against many", threads, t[0], t[1], scaling_of(t[3], t[4]), 1.7,
                            true, cells, " per pair");
}

}  // namespace

void matrix_races(Report& report, const Setting& setting) {
    for (const Sizes::MatrixShape& shape : setting.sizes.matrix_shapes)
        matrix_shape(report, setting, shape);
}

}  // namespace bench
