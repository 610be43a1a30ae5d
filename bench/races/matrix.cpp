// Many against many: lcs::matrix against MultiLCSseq's dense scores, element
// by element, on 1 thread and on 2 threads against 1.
#include <lcs/lcs.h>

#include "inputs.h"
#include "races/races.h"
#include "rapidfuzz_peer.h"

namespace bench {
namespace {

namespace peer = rapidfuzz_peer;

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
    const std::string against_peer = what + "`lcs::matrix` (1 thread) vs `MultiLCSseq`";
    const std::string threads = what + "`lcs::matrix` 2 threads vs 1 thread";
    std::vector<Entry> entries{{"lcs::matrix, 1 thread", [&] { return lcs::matrix(q, c, 1); }},
                               {"lcs::matrix, 2 threads", [&] { return lcs::matrix(q, c, 2); }}};
    for (Entry& loop : shared_nothing_entries(setting.sizes.scaling_seconds))
        entries.push_back(std::move(loop));
    if (peer::available())
        entries.push_back({"MultiLCSseq", [&] { return peer::matrix(q, c); }});
    std::vector<double> t;
    try {
        t = race("matrix " + what, entries, setting.sizes.rounds);
    } catch (const NotBuilt& missing) {
        report.add_skipped("many against many", {against_peer, threads}, missing.what());
        return;
    }
    const double rf = peer_time(t, 4);
    report.add_ratio("many against many", against_peer,
                     "ours " + per_item(t[0], cells) + ", " +
                         peer_figure(rf / static_cast<double>(cells)) + " per pair",
                     rf / t[0], Relation::at_least, vector_target(setting, 2.5, 1.5), t[0]);
    report.add_thread_ratio("many against many", threads, t[0], t[1], scaling_of(t[2], t[3]), 1.7,
                            true, cells, " per pair");
}

}  // namespace

void matrix_races(Report& report, const Setting& setting) {
    for (const Sizes::MatrixShape& shape : setting.sizes.matrix_shapes)
        matrix_shape(report, setting, shape);
}

}  // namespace bench
