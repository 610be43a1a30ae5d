// One query against many choices: lcs::lengths.
//
// A query of at most 64 symbols runs on the lanes of kernel/lanes.cpp, 8 to
// 32 choices at a time; a longer one runs the prepared pattern's own kernel
// on each choice in turn (lanes of several words with carries between them
// are not built yet). `threads` cuts the choices into contiguous runs of nearly
// equal count, one per thread, each writing its own part of the result, so
// the result does not depend on the thread count (nor on threads that could
// not start: toolkit/threads.h). Under a stop request the lanes take the
// choices in batches of about a million symbols, polling between them.
// Tests: tests/test_batch.cpp, fuzz/fuzz_lengths.cpp.
#include "toolkit/batch.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "kernel/lanes.h"
#include "kernel/stop.h"
#include "toolkit/length_check.h"
#include "toolkit/pattern.h"
#include "toolkit/threads.h"

namespace lcs {

namespace {

// Fewer choices than this per thread cost more to hand over than to run.
constexpr std::size_t kChoicesPerThread = 2048;
// Under a stop request, the lanes take the choices in batches of about
// this many symbols and the request is polled between them.
constexpr std::size_t kPollSymbols = std::size_t{1} << 20;

std::optional<kernel::LaneQuery> lane_query_of(const detail::PatternData& query) {
    if (query.size() > kernel::LaneQuery::kMaxSymbols) return std::nullopt;
    return kernel::LaneQuery(query);
}

unsigned thread_count(unsigned asked, std::size_t choices) {
    if (asked == 0) asked = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, choices / kChoicesPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(asked, useful));
}

// The end of the next batch from `begin`: at least one choice, and about
// kPollSymbols symbols.
template <class Choice>
std::size_t batch_end(const std::vector<Choice>& choices, std::size_t begin, std::size_t end) {
    std::size_t symbols = 0;
    std::size_t i = begin;
    while (i < end && (i == begin || symbols < kPollSymbols)) symbols += choices[i++].size();
    return i;
}

template <class Choice>
std::vector<std::int32_t> lengths_of(const Pattern& query, const std::vector<Choice>& choices,
                                     unsigned threads, const kernel::Paths& paths) {
    kernel::poll(paths.stop);  // a past deadline stops before any preparation
    for (const Choice& choice : choices) detail::check_length(choice.size());
    std::vector<std::int32_t> out(choices.size());
    const detail::PatternData* data = detail::PatternAccess::of(query);
    if (data == nullptr || data->size() == 0) return out;  // a moved-from Pattern holds no data
    const std::optional<kernel::LaneQuery> lanes = lane_query_of(*data);
    const auto run = [&](std::size_t begin, std::size_t end) {
        if (!lanes) {
            for (std::size_t i = begin; i < end; ++i) {
                out[i] = static_cast<std::int32_t>(kernel::pattern_length(*data, choices[i], paths));
            }
            return;
        }
        if (paths.stop == nullptr) {
            kernel::lane_lengths(*lanes, choices.data() + begin, end - begin, out.data() + begin,
                                 paths.isa);
            return;
        }
        for (std::size_t first = begin; first < end;) {
            kernel::poll(paths.stop);
            const std::size_t last = batch_end(choices, first, end);
            kernel::lane_lengths(*lanes, choices.data() + first, last - first, out.data() + first,
                                 paths.isa);
            first = last;
        }
    };
    const unsigned count = thread_count(threads, choices.size());
    detail::run_parts(count, [&](unsigned t) {
        run(choices.size() * t / count, choices.size() * (t + 1) / count);
    });
    return out;
}

kernel::Paths stopping(const Stop* stop) {
    kernel::Paths paths;
    paths.stop = stop;
    return paths;
}

}  // namespace

namespace detail {

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::string_view>& choices, unsigned threads,
                                  const kernel::Paths& paths) {
    return lengths_of(query, choices, threads, paths);
}

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices, unsigned threads,
                                  const kernel::Paths& paths) {
    return lengths_of(query, choices, threads, paths);
}

}  // namespace detail

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::string_view>& choices, unsigned threads,
                                  const Stop* stop) {
    return detail::lengths(query, choices, threads, stopping(stop));
}

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices,
                                  unsigned threads, const Stop* stop) {
    return detail::lengths(query, choices, threads, stopping(stop));
}

}  // namespace lcs
