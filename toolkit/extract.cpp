// lcs::extract and lcs::Extraction (<lcs/lcs.h>): the best choices for one
// query, of one list or of a list given in runs. Each thread takes a
// contiguous part of the choices, and its lengths come from the lanes a
// run of choices at a time, so memory holds one run a thread and the kept
// matches, which are cut back to the limit best whenever they reach about
// twice the limit; the worst of those is the bar a later choice must pass
// to be kept at all, in its run and in the runs after it. Order: higher
// similarity first, as exact fractions (length x other's longer, in 64
// bits), ties in the choices' order.
// Tests: tests/test_pairs.cpp.
#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>

#include "kernel/stop.h"
#include "toolkit/batch.h"
#include "toolkit/many.h"
#include "toolkit/threads.h"

namespace lcs {

namespace {

constexpr std::size_t kChoicesPerRun = std::size_t{1} << 16;

// The similarity as the fraction common / longer: 1 / 1 for two empty
// strings.
struct Ranked {
    Match match;
    std::int64_t common, longer;
};

bool better(const Ranked& x, const Ranked& y) {
    const std::int64_t left = x.common * y.longer, right = y.common * x.longer;
    return left != right ? left > right : x.match.index < y.match.index;
}

// Orders the worst first, for std::min_element to find the worst.
bool better_last(const Ranked& x, const Ranked& y) { return better(y, x); }

// Cuts the kept matches back to the limit best; once `limit` are kept, the
// worst of them is the bar a later choice must beat to be kept at all.
void keep_best(std::vector<Ranked>& kept, std::size_t limit, std::optional<Ranked>& bar) {
    if (kept.size() > limit) {
        std::nth_element(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(limit),
                         kept.end(), better);
        kept.resize(limit);
    }
    if (kept.size() == limit) bar = *std::min_element(kept.begin(), kept.end(), better_last);
}

// The kept matches of choices [begin, end), a run at a time on the calling
// thread: each run's lengths, then each choice weighed against the bar.
// Choices [begin, end) are numbered from `first`, and `bar` is the bar of
// the runs before them, if any.
template <class Text>
std::vector<Ranked> best_of(const Pattern& query, const std::vector<Text>& choices,
                            std::size_t begin, std::size_t end, std::size_t first,
                            std::size_t limit, double min_similarity, std::optional<Ranked> bar,
                            const kernel::Paths& paths) {
    const auto query_size = static_cast<std::size_t>(query.size());
    // A choice that does not beat the bar can never be among the best. The
    // kept matches are cut back whenever they reach about twice the limit,
    // so the bar rises early and few choices are kept at all.
    std::vector<Ranked> kept;
    const std::size_t cut_at = limit + std::max<std::size_t>(limit, 256);
    std::vector<std::int32_t> lengths(std::min(end - begin, kChoicesPerRun));
    // The bar, once there is one, as two numbers in registers.
    std::int64_t bar_common = bar ? bar->common : 0, bar_longer = bar ? bar->longer : 1;
    const auto raise_bar = [&] {
        keep_best(kept, limit, bar);
        if (bar) std::tie(bar_common, bar_longer) = std::pair(bar->common, bar->longer);
    };
    for (std::size_t from = begin; from < end; from += kChoicesPerRun) {
        kernel::poll(paths.stop);
        const std::size_t to = std::min(end, from + kChoicesPerRun);
        detail::lengths(query, choices.data() + from, to - from, lengths.data(), 1, paths);
        for (std::size_t i = 0; i < to - from; ++i) {
            // Most choices fall short of the bar: two products decide it (a
            // later choice never wins a tie), before any division. The bar's
            // side grows with the length, so falling short against the
            // longer length is falling short against either one: testing
            // both spares a branch on which is longer, which mispredicts as
            // often as the choices' lengths straddle the query's. An empty
            // query is left to the exact test (its longer length may be 0).
            const std::int64_t weighed = std::int64_t{lengths[i]} * bar_longer;
            const auto size = static_cast<std::int64_t>(choices[from + i].size());
            if (bar && query_size != 0 &&
                ((weighed <= bar_common * static_cast<std::int64_t>(query_size)) |
                 (weighed <= bar_common * size))) {
                continue;
            }
            const std::size_t longer = std::max(query_size, choices[from + i].size());
            const std::int64_t common = longer == 0 ? 1 : std::int64_t{lengths[i]};
            const auto denominator = static_cast<std::int64_t>(std::max<std::size_t>(longer, 1));
            if (bar && common * bar_longer <= bar_common * denominator) continue;
            const double similarity =
                longer == 0 ? 1.0 : static_cast<double>(lengths[i]) / static_cast<double>(longer);
            if (similarity < min_similarity) continue;
            kept.push_back({{first + from + i, lengths[i], similarity}, common, denominator});
            if (kept.size() >= cut_at) raise_bar();
        }
    }
    keep_best(kept, limit, bar);
    return kept;
}

}  // namespace

struct Extraction::Kept {
    std::size_t limit;
    double min_similarity;
    std::size_t seen = 0;  // choices added so far
    std::vector<Ranked> kept;
    std::optional<Ranked> bar;
};

namespace {

template <class Text>
std::vector<Match> extract_of(const Pattern& query, const std::vector<Text>& choices,
                              std::size_t limit, double min_similarity, unsigned threads,
                              const Stop* stop) {
    Extraction extraction(limit, min_similarity);
    extraction.add(query, choices, threads, stop);
    return extraction.best();
}

}  // namespace

// Threads take contiguous parts of the choices, each keeping its own best
// above the runs' bar; the best of all is then the limit best of theirs and
// the runs', by the same total order (similarity, then index), so it does
// not depend on the thread count or on how the choices came in runs.
template <class Text>
void Extraction::add_run(const Pattern& query, const std::vector<Text>& choices,
                         unsigned threads, const Stop* stop) {
    Kept& state = *kept_;
    if (state.limit != 0) {
        kernel::Paths paths;
        paths.stop = stop;
        const std::size_t runs = (choices.size() + kChoicesPerRun - 1) / kChoicesPerRun;
        const unsigned count = detail::thread_count(threads, runs);
        std::vector<std::vector<Ranked>> parts(count);
        detail::run_parts(count, [&](unsigned p) {
            const std::size_t begin = std::min(choices.size(), runs * p / count * kChoicesPerRun);
            const std::size_t end =
                std::min(choices.size(), runs * (p + 1) / count * kChoicesPerRun);
            parts[p] = best_of(query, choices, begin, end, state.seen, state.limit,
                               state.min_similarity, state.bar, paths);
        });
        for (const std::vector<Ranked>& part : parts) {
            state.kept.insert(state.kept.end(), part.begin(), part.end());
        }
        keep_best(state.kept, state.limit, state.bar);
    }
    state.seen += choices.size();
}

std::vector<Match> extract(const Pattern& query, const std::vector<std::string_view>& choices,
                           std::size_t limit, double min_similarity, unsigned threads,
                           const Stop* stop) {
    return extract_of(query, choices, limit, min_similarity, threads, stop);
}
std::vector<Match> extract(const Pattern& query, const std::vector<std::u32string_view>& choices,
                           std::size_t limit, double min_similarity, unsigned threads,
                           const Stop* stop) {
    return extract_of(query, choices, limit, min_similarity, threads, stop);
}

Extraction::Extraction(std::size_t limit, double min_similarity)
    : kept_(new Kept{limit, min_similarity, 0, {}, std::nullopt}) {}
Extraction::~Extraction() = default;
Extraction::Extraction(Extraction&&) noexcept = default;
Extraction& Extraction::operator=(Extraction&&) noexcept = default;

void Extraction::add(const Pattern& query, const std::vector<std::string_view>& choices,
                     unsigned threads, const Stop* stop) {
    add_run(query, choices, threads, stop);
}
void Extraction::add(const Pattern& query, const std::vector<std::u32string_view>& choices,
                     unsigned threads, const Stop* stop) {
    add_run(query, choices, threads, stop);
}

std::vector<Match> Extraction::best() const {
    std::vector<Ranked> kept = kept_->kept;
    std::sort(kept.begin(), kept.end(), better);
    std::vector<Match> best;
    best.reserve(kept.size());
    for (const Ranked& ranked : kept) best.push_back(ranked.match);
    return best;
}

}  // namespace lcs
