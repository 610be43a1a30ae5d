// One query against many choices: lcs::lengths.
//
// A query of at most 64 symbols runs on the lanes of kernel/lanes.cpp, 8 to
// 32 choices at a time, and so does one of up to 128 against byte choices
// where AVX2 is allowed; a longer one runs the prepared pattern's own
// kernel on two choices at a time, whose carry chains overlap. `threads`
// take the choices in chunks, large ones first and small ones last, each
// thread the next chunk that none has taken; each writes its own part of
// the result, so the result does not depend on the thread count (nor on
// threads that could not start: toolkit/threads.h), and each checks its
// chunk's lengths before it reads it, so that the check, a pass over every
// choice, is shared too. Under a stop request they take a chunk's choices
// in batches of about a million symbols, polling between them.
// Tests: tests/test_batch.cpp, fuzz/fuzz_lengths.cpp.
#include "toolkit/batch.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>
#include <type_traits>

#include "kernel/lanes.h"
#include "kernel/rows.h"
#include "kernel/stop.h"
#include "toolkit/length_check.h"
#include "toolkit/pattern.h"
#include "toolkit/threads.h"

namespace lcs {

namespace {

// Fewer choices than this per thread cost more to hand over than to run.
constexpr std::size_t kChoicesPerThread = 2048;
// The fewest choices a thread takes at a time.
constexpr std::size_t kChunkLeast = 2048;
// Under a stop request, the lanes take the choices in batches of about
// this many symbols and the request is polled between them.
constexpr std::size_t kPollSymbols = std::size_t{1} << 20;

std::optional<kernel::LaneQuery> lane_query_of(const detail::PatternData& query) {
    if (query.size() > kernel::LaneQuery::kMaxSymbols) return std::nullopt;
    return kernel::LaneQuery(query);
}

inline unsigned char symbol_of(char c) { return static_cast<unsigned char>(c); }
inline char32_t symbol_of(char32_t c) { return c; }

// A query of 65 to 512 symbols against choices two at a time, each pair's
// rows run together (kernel/rows.h); an odd last choice, or a query whose
// rows are not held whole, runs alone.
template <class Choice>
void paired_lengths(const detail::PatternData& x, const Choice* choices, std::size_t count,
                    std::int32_t* out, const kernel::Paths& paths) {
    const std::size_t words = x.words();
    const bool bytes = std::is_same<Choice, std::string_view>::value && x.byte_rows() != nullptr;
    const kernel::Word* rows = bytes ? x.byte_rows() : x.match_row(0);
    std::size_t i = 0;
    if (rows != nullptr && words >= 2 && words <= kernel::kRegisterWords) {
        const auto code_of = [&x, bytes](auto c) {
            return bytes ? kernel::Code{symbol_of(c)} : x.code(symbol_of(c));
        };
        for (; i + 1 < count; i += 2) {
            kernel::Word v0[kernel::kRegisterWords], v1[kernel::kRegisterWords];
            std::fill(v0, v0 + words, ~kernel::Word{0});
            std::fill(v1, v1 + words, ~kernel::Word{0});
            const Choice &a = choices[i], &b = choices[i + 1];
            kernel::run_rows_two_any(words, v0, a.data(), a.size(), v1, b.data(), b.size(), rows,
                                     code_of);
            out[i] = static_cast<std::int32_t>(kernel::zero_bits_of(v0, words));
            out[i + 1] = static_cast<std::int32_t>(kernel::zero_bits_of(v1, words));
        }
    }
    for (; i < count; ++i)
        out[i] = static_cast<std::int32_t>(kernel::pattern_length(x, choices[i], paths));
}

// A query longer than the lanes take: byte choices on the wide lanes where
// they run, else two choices at a time.
void long_query_lengths(const detail::PatternData& query, const std::string_view* choices,
                        std::size_t count, std::int32_t* out, const kernel::Paths& paths) {
    if (!kernel::wide_lane_lengths(query, choices, count, out, paths.isa))
        paired_lengths(query, choices, count, out, paths);
}
void long_query_lengths(const detail::PatternData& query, const std::u32string_view* choices,
                        std::size_t count, std::int32_t* out, const kernel::Paths& paths) {
    paired_lengths(query, choices, count, out, paths);
}

unsigned thread_count(unsigned asked, std::size_t choices) {
    if (asked == 0) asked = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, choices / kChoicesPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(asked, useful));
}

// Hands out the choices to the threads in chunks, each the next choices
// not yet taken and a share of those that remain ("guided" scheduling, as
// OpenMP calls it): large chunks first, so that the chunks are few and
// their preparation small beside their work, and small ones last, so that
// a thread that started late or runs slower (the machine may be busy)
// takes fewer instead of finishing last. On one thread, one chunk.
class Chunks {
public:
    Chunks(std::size_t count, unsigned parts) : count_(count), parts_(parts) {}

    // The next chunk [first, last); first == last when none remain.
    std::pair<std::size_t, std::size_t> take() {
        std::size_t first = next_.load(std::memory_order_relaxed);
        std::size_t size = 0;
        do {
            if (first >= count_) return {count_, count_};
            size = size_of(count_ - first);
        } while (!next_.compare_exchange_weak(first, first + size, std::memory_order_relaxed));
        return {first, first + size};
    }

    // No chunk is handed out after this.
    void close() { next_.store(count_, std::memory_order_relaxed); }

private:
    std::size_t size_of(std::size_t remaining) const {
        if (parts_ <= 1) return remaining;
        constexpr std::size_t kGroup = 32;  // whole groups of lanes
        const std::size_t share = remaining / (2 * std::size_t{parts_});
        return std::min(remaining, std::max(kChunkLeast, (share + kGroup - 1) / kGroup * kGroup));
    }

    std::atomic<std::size_t> next_{0};
    const std::size_t count_;
    const unsigned parts_;
};

// The longest choice's length, by four running maxima: a loop of one test
// and branch per choice runs at half speed when it happens to straddle a
// line of the processor's instruction cache, which costs the short
// queries' lanes 5 to 8 %.
template <class Choice>
std::size_t longest_of(const Choice* choices, std::size_t count) {
    std::size_t longest[4] = {};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        for (std::size_t k = 0; k < 4; ++k) longest[k] = std::max(longest[k], choices[i + k].size());
    }
    for (; i < count; ++i) longest[0] = std::max(longest[0], choices[i].size());
    return std::max(std::max(longest[0], longest[1]), std::max(longest[2], longest[3]));
}

// The end of the next batch from `begin`: at least one choice, and about
// kPollSymbols symbols.
template <class Choice>
std::size_t batch_end(const Choice* choices, std::size_t begin, std::size_t end) {
    std::size_t symbols = 0;
    std::size_t i = begin;
    while (i < end && (i == begin || symbols < kPollSymbols)) symbols += choices[i++].size();
    return i;
}

// out[i] = the LCS of the query and choices[i], for i < count.
template <class Choice>
void lengths_into(const Pattern& query, const Choice* choices, std::size_t count,
                  std::int32_t* out, unsigned threads, const kernel::Paths& paths) {
    kernel::poll(paths.stop);  // a past deadline stops before any preparation
    const detail::PatternData* data = detail::PatternAccess::of(query);
    if (data == nullptr || data->size() == 0) {  // a moved-from Pattern holds no data
        detail::check_length(longest_of(choices, count));
        std::fill(out, out + count, 0);
        return;
    }
    const std::optional<kernel::LaneQuery> lanes = lane_query_of(*data);
    // One batch: on the lanes where the query fits them, else on the wide
    // lanes, else by the prepared pattern, two choices at a time.
    const auto run_batch = [&](std::size_t first, std::size_t last) {
        const Choice* from = choices + first;
        std::int32_t* to = out + first;
        if (lanes) {
            kernel::lane_lengths(*lanes, from, last - first, to, paths.isa);
        } else {
            long_query_lengths(*data, from, last - first, to, paths);
        }
    };
    const auto run = [&](std::size_t begin, std::size_t end) {
        if (paths.stop == nullptr) return run_batch(begin, end);
        for (std::size_t first = begin; first < end;) {
            kernel::poll(paths.stop);
            const std::size_t last = batch_end(choices, first, end);
            run_batch(first, last);
            first = last;
        }
    };
    // Each chunk's lengths are checked before a byte of it is read, on the
    // thread that takes it, so that the threads share the checking too; a
    // refusal closes the chunks and reaches the caller from run_parts.
    const unsigned parts = thread_count(threads, count);
    Chunks chunks(count, parts);
    detail::run_parts(parts, [&](unsigned) {
        for (auto [first, last] = chunks.take(); first < last; std::tie(first, last) = chunks.take()) {
            try {
                detail::check_length(longest_of(choices + first, last - first));
            } catch (...) {
                chunks.close();
                throw;
            }
            run(first, last);
        }
    });
}

template <class Choice>
std::vector<std::int32_t> lengths_of(const Pattern& query, const std::vector<Choice>& choices,
                                     unsigned threads, const kernel::Paths& paths) {
    std::vector<std::int32_t> out(choices.size());
    lengths_into(query, choices.data(), choices.size(), out.data(), threads, paths);
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

void lengths(const Pattern& query, const std::string_view* choices, std::size_t count,
             std::int32_t* out, unsigned threads, const kernel::Paths& paths) {
    lengths_into(query, choices, count, out, threads, paths);
}

void lengths(const Pattern& query, const std::u32string_view* choices, std::size_t count,
             std::int32_t* out, unsigned threads, const kernel::Paths& paths) {
    lengths_into(query, choices, count, out, threads, paths);
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
