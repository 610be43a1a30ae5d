// One query against many choices: lcs::lengths.
//
// A query of at most 64 symbols runs on the lanes of kernel/lanes.cpp, 8 to
// 32 choices at a time, and so does one of up to 128 against byte choices
// where AVX2 is allowed; a longer one runs the prepared pattern's own
// kernel on two choices at a time, whose carry chains overlap. `threads` cuts the choices into contiguous runs of nearly
// equal count, one per thread, each writing its own part of the result, so
// the result does not depend on the thread count.
// Tests: tests/test_batch.cpp, fuzz/fuzz_lengths.cpp.
#include "toolkit/batch.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>

#include "kernel/rows.h"

namespace lcs {

namespace {

// Fewer choices than this per thread cost more to hand over than to run.
constexpr std::size_t kChoicesPerThread = 2048;

std::optional<kernel::LaneQuery> lane_query_of(const Pattern& query) {
    if (static_cast<std::size_t>(query.size()) > kernel::LaneQuery::kMaxSymbols)
        return std::nullopt;
    return kernel::LaneQuery(query.data());
}

inline unsigned char symbol_of(char c) { return static_cast<unsigned char>(c); }
inline char32_t symbol_of(char32_t c) { return c; }

// A query of 65 to 512 symbols against choices two at a time, each pair's
// rows run together (kernel/rows.h); an odd last choice, or a query whose
// rows are not held whole, runs alone.
template <class Choice>
void paired_lengths(const Pattern& query, const Choice* choices, std::size_t count,
                    std::int32_t* out) {
    const detail::PatternData& x = query.data();
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
    for (; i < count; ++i) out[i] = query.length(choices[i]);
}

bool wide_lanes(const Pattern& query, const std::string_view* choices, std::size_t count,
                std::int32_t* out, kernel::Isa isa) {
    return kernel::wide_lane_lengths(query.data(), choices, count, out, isa);
}
bool wide_lanes(const Pattern&, const std::u32string_view*, std::size_t, std::int32_t*,
                kernel::Isa) {
    return false;
}

template <class Choice>
void check_lengths(const std::vector<Choice>& choices) {
    for (const Choice& choice : choices) {
        if (choice.size() > static_cast<std::size_t>(kMaxLength)) {
            throw std::length_error("lcs::lengths: a choice is longer than lcs::kMaxLength");
        }
    }
}

unsigned thread_count(unsigned asked, std::size_t choices) {
    if (asked == 0) asked = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, choices / kChoicesPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(asked, useful));
}

template <class Choice>
std::vector<std::int32_t> lengths_of(const Pattern& query, const std::vector<Choice>& choices,
                                     unsigned threads, kernel::Isa isa) {
    check_lengths(choices);
    std::vector<std::int32_t> out(choices.size());
    if (query.size() == 0) return out;  // a moved-from Pattern holds no data
    const std::optional<kernel::LaneQuery> lanes = lane_query_of(query);
    const auto run = [&](std::size_t begin, std::size_t end) {
        if (lanes) {
            kernel::lane_lengths(*lanes, choices.data() + begin, end - begin, out.data() + begin,
                                 isa);
            return;
        }
        if (!wide_lanes(query, choices.data() + begin, end - begin, out.data() + begin, isa))
            paired_lengths(query, choices.data() + begin, end - begin, out.data() + begin);
    };
    const unsigned count = thread_count(threads, choices.size());
    if (count == 1) {
        run(0, choices.size());
        return out;
    }
    std::vector<std::exception_ptr> failures(count);
    std::vector<std::thread> workers;
    workers.reserve(count - 1);
    const auto part = [&](unsigned t) {
        try {
            run(choices.size() * t / count, choices.size() * (t + 1) / count);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    for (unsigned t = 1; t < count; ++t) workers.emplace_back(part, t);
    part(0);
    for (std::thread& worker : workers) worker.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    return out;
}

}  // namespace

namespace detail {

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::string_view>& choices, unsigned threads,
                                  kernel::Isa isa) {
    return lengths_of(query, choices, threads, isa);
}

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices, unsigned threads,
                                  kernel::Isa isa) {
    return lengths_of(query, choices, threads, isa);
}

}  // namespace detail

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::string_view>& choices, unsigned threads,
                                  const Stop* /*stop*/) {
    return detail::lengths(query, choices, threads, kernel::Isa::automatic);
}

std::vector<std::int32_t> lengths(const Pattern& query,
                                  const std::vector<std::u32string_view>& choices,
                                  unsigned threads, const Stop* /*stop*/) {
    return detail::lengths(query, choices, threads, kernel::Isa::automatic);
}

}  // namespace lcs
