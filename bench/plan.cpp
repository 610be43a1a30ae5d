#include "plan.h"

#include <algorithm>

#include "peer.h"
#include "references.h"
#include <lcs/routines.h>
#include "support/memory.h"

namespace bench {
namespace {

Contestant from_row(const lcs::RoutineInfo& row) {
    Contestant c;
    c.name = row.name;
    c.answer = row.kind == lcs::RoutineKind::lcs_length ? Answer::lcs_length : Answer::local_score;
    c.time_exponent = row.time_exponent;
    c.counts_matches = row.visits_matches;
    c.at_target_points = row.word_parallel;
    const lcs::RoutineInfo* routine = &row;
    c.run = [routine](const InputPair& p) {
        return routine->run(p.a.data(), p.b.data(), p.lenA(), p.lenB());
    };
    c.estimated_seconds = row.estimated_seconds;
    c.working_bytes = row.working_bytes;
    return c;
}

bool has_local_score_routine() { return local_score_routine() != nullptr; }

// The scan functions fill lenA x lenB cells at a few billion a second and
// keep a few rows of lenA.
double peer_bytes(double lenA, double lenB) { return 64.0 * (lenA + lenB) + 65536.0; }

void add_peer(std::vector<Contestant>& all) {
    if (!peer_available()) return;
    Contestant lcs;
    lcs.name = "parasail_nw_scan";
    lcs.answer = Answer::lcs_length;
    lcs.time_exponent = 2;
    lcs.counts_matches = false;
    lcs.at_target_points = true;
    lcs.run = [](const InputPair& p) {
        return static_cast<double>(peer_lcs(p.a.data(), p.b.data(), p.lenA(), p.lenB()));
    };
    lcs.estimated_seconds = [](double lenA, double lenB) {
        // 16-bit lanes to a score of 32767, 32-bit lanes at half the rate beyond.
        return lenA * lenB / (std::min(lenA, lenB) > 32767 ? 1.2e9 : 2.0e9);
    };
    lcs.working_bytes = peer_bytes;
    lcs.label = "LCS by " + peer_lcs_function(1000, 1000) + " (_32 beyond 32767)";
    all.push_back(lcs);
    if (!has_local_score_routine()) return;
    Contestant local = lcs;
    local.name = "parasail_sw_scan";
    local.answer = Answer::peer_score;
    local.at_target_points = false;
    local.run = [](const InputPair& p) {
        return peer_local_score(p.a.data(), p.b.data(), p.lenA(), p.lenB());
    };
    local.label = "local score / 3 by " + peer_local_function(1000, 1000);
    // Its check needs our score of the same input: it runs where ours does.
    const auto ours = local_score_routine()->estimated_seconds;
    local.estimated_seconds = [ours](double lenA, double lenB) {
        return lenA * lenB / 2.0e9 + ours(lenA, lenB);
    };
    all.push_back(local);
}

void add_references(std::vector<Contestant>& all) {
    for (const Reference& ref : straightforward_references()) {
        if (ref.local_score && !has_local_score_routine()) continue;
        Contestant c;
        c.name = ref.name;
        c.answer = ref.local_score ? Answer::local_score : Answer::lcs_length;
        c.time_exponent = 3;
        c.counts_matches = false;
        const auto run = ref.run;
        c.run = [run](const InputPair& p) { return run(p.a_text, p.b_text); };
        // Every cell scans its row and column through rows of separately
        // allocated vectors: a few nanoseconds per cell read.
        c.estimated_seconds = [](double lenA, double lenB) {
            return 1.0e-9 * lenA * lenB * (lenA + lenB);
        };
        c.working_bytes = [](double lenA, double lenB) { return 8.0 * (lenA + 1) * (lenB + 1); };
        // Only the comparison at 1000 needs them.
        c.longest = 1000;
        c.label = "straightforward reference of the tests";
        all.push_back(c);
    }
}

// The targets compare the word-parallel routines with the peer at 20000 and
// 100000 on random pairs, and with themselves on similar pairs at 10000;
// those points are timed whatever the per-call limit.
bool named_by_target(const Contestant& c, const InputSet& set, std::size_t n) {
    if (!c.at_target_points) return false;
    if (!set.similar) return n == 20000 || n == 100000;
    return c.answer == Answer::lcs_length && n == 10000;
}

}  // namespace

const lcs::RoutineInfo* local_score_routine() {
    for (const lcs::RoutineInfo& row : lcs::routine_table()) {
        if (row.kind == lcs::RoutineKind::local_alignment_score) return &row;
    }
    return nullptr;
}

double estimated_seconds(const Contestant& c, const InputSet& set, double lenA, double lenB) {
    // The table's estimates are for random text over about 16 letters; the
    // cost of a method that visits the matching pairs follows their density.
    const double density = c.counts_matches ? 16.0 / set.letters : 1.0;
    return density * c.estimated_seconds(lenA, lenB);
}

double default_memory_limit() {
    const double known = lcs::support::physical_memory_bytes();
    const double physical = known > 0 ? known : 8.0e9;
    return std::min(physical / 4.0, 2.0 * 1024 * 1024 * 1024);
}

std::vector<Contestant> contestants() {
    std::vector<Contestant> all;
    for (const lcs::RoutineInfo& row : lcs::routine_table()) all.push_back(from_row(row));
    add_peer(all);
    add_references(all);
    return all;
}

std::vector<std::size_t> length_ladder(bool quick) {
    if (quick) return {100, 200, 400};
    return {250, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000};
}

std::vector<std::pair<std::size_t, std::size_t>> lopsided_shapes(bool quick) {
    if (quick) return {{100, 5000}, {5000, 100}};
    return {{1000, 1000000}, {1000000, 1000}};
}

bool affordable(const Contestant& c, const InputSet& set, double lenA, double lenB,
                const Options& options) {
    const double limit = options.memory_limit > 0 ? options.memory_limit : default_memory_limit();
    if (std::max(lenA, lenB) > static_cast<double>(c.longest)) return false;
    if (c.working_bytes(lenA, lenB) > limit) return false;
    if (estimated_seconds(c, set, lenA, lenB) <= options.max_seconds) return true;
    return !options.quick && lenA == lenB &&
           named_by_target(c, set, static_cast<std::size_t>(lenA));
}

std::vector<PlannedRun> plan_runs(const std::vector<Contestant>& all, const Options& options) {
    std::vector<PlannedRun> runs;
    for (std::size_t k = 0; k < all.size(); ++k) {
        for (const InputSet& set : ladder_sets()) {
            for (std::size_t n : length_ladder(options.quick)) {
                if (affordable(all[k], set, n, n, options)) runs.push_back({k, &set, n, n});
            }
        }
        for (const auto& shape : lopsided_shapes(options.quick)) {
            if (affordable(all[k], lopsided_set(), shape.first, shape.second, options)) {
                runs.push_back({k, &lopsided_set(), shape.first, shape.second});
            }
        }
    }
    return runs;
}

double estimated_total(const std::vector<Contestant>& all, const std::vector<PlannedRun>& runs,
                       const Options& options) {
    double total = 0.0;
    for (const PlannedRun& run : runs) {
        const double call = estimated_seconds(all[run.contestant], *run.set, run.lenA, run.lenB);
        // Google Benchmark sizes its loop in a few rounds up to min_time, then
        // the memory measurement makes one more call.
        const double timed = std::max(call, options.min_time) * 1.5 * options.repetitions;
        total += timed + (options.measure_memory ? call : 0.0);
    }
    return total;
}

Options fit_to_budget(const std::vector<Contestant>& all, Options options) {
    if (options.budget_seconds <= 0.0 || options.quick) return options;
    // Longer calls than 6 s would take the cubic methods past about 2000.
    for (double cap : {6.0, 4.0, 3.0, 2.0, 1.0, 0.5, 0.2, 0.1, 0.05, 0.02}) {
        options.max_seconds = cap;
        if (estimated_total(all, plan_runs(all, options), options) <= options.budget_seconds) break;
    }
    return options;
}

}  // namespace bench
