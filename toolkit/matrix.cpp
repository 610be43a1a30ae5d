// lcs::matrix and lcs::matrix_into (<lcs/lcs.h>): the LCS of every query
// with every choice, into a new vector or into the caller's cells. A dense
// result of 10^8 cells is 400 MB: zeroing it and taking its pages costs as
// much as scoring short strings, so the buffer form writes each cell once,
// from the thread that scores it (its pages taken by the threads too).
//
// Bytes: consecutive choices of at most 64 symbols are packed 64 to a lane
// block (kernel/multi_lanes.h) and every query is read against each block,
// so one row's results for 64 choices come out side by side. Blocks are
// taken a tile at a time, as many as keep their tables in the second-level
// cache, and the queries run against the whole tile, so that each row is
// written in long runs. A longer choice (rare in the lists this serves) is
// read against blocks of 64 queries instead, its column written lane by
// lane; a long query against a long choice runs the prepared pattern's own
// kernel. 32-bit symbols prepare each query once and run lcs::lengths' lanes
// over the choices.
//
// Threads take contiguous runs of choice blocks (or of queries when the
// choices are few), each writing its own cells, so the result does not
// depend on the thread count. A Stop is polled between runs of rows.
// Tests: tests/test_pairs.cpp.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "kernel/multi_lanes.h"
#include "kernel/pattern.h"
#include "toolkit/batch.h"
#include "kernel/stop.h"
#include "toolkit/length_check.h"
#include "toolkit/many.h"
#include "toolkit/threads.h"

namespace lcs {

namespace {

using kernel::LaneBlock;

constexpr std::size_t kTileBytes = std::size_t{256} << 10;
constexpr std::size_t kRowsPerPoll = 256;
constexpr std::size_t kLineCells = 64 / sizeof(std::int32_t);
// Rows of a tile staged at once: about 128 KB, which the second-level cache
// keeps beside the tile's tables.
constexpr std::size_t kStagedCells = std::size_t{1} << 15;
constexpr std::size_t kStagedRowsLeast = 8;
// Fewer cells than this per thread cost more to hand over than to run.
constexpr std::size_t kCellsPerThread = std::size_t{1} << 16;

template <class Text>
void check_lengths(const std::vector<Text>& texts) {
    for (const Text& text : texts) detail::check_length(text.size());
}

bool any_packed(const std::string_view* texts, std::size_t count) {
    return std::any_of(texts, texts + count,
                       [](std::string_view text) { return LaneBlock::packs(text.size()); });
}

// The cells of queries [q_begin, q_end) with choices [c_begin, c_end).
struct Part {
    std::size_t q_begin, q_end, c_begin, c_end;
};

class ByteMatrix {
public:
    ByteMatrix(const std::vector<std::string_view>& queries,
               const std::vector<std::string_view>& choices, std::int32_t* out, const Stop* stop,
               kernel::Isa isa)
        : queries_(queries), choices_(choices), out_(out), stop_(stop), isa_(isa) {}

    void run(const Part& part) const {
        short_choices(part);
        long_choices(part);
    }

private:
    // The lanes stream whole lines of the result past the cache. A line
    // streamed in two pieces, by blocks run far apart in time, goes to
    // memory twice, which cost up to 2.5 times the whole matrix's time. So
    // when every row starts at the same place in a line, a part's first
    // block stops at a line's end and every later block writes whole lines
    // in every row; else each tile's rows are staged, a few at a time, and
    // streamed to the result row by row (the staging costs about a third
    // at 8 and 16 symbols, which is why it is not the only way).
    void short_choices(const Part& part) const {
        const bool aligned = choices_.size() % kLineCells == 0;
        std::size_t lead = aligned ? cells_to_line(part.c_begin) : 0;
        std::vector<std::pair<std::size_t, LaneBlock>> tile;  // first choice, block
        std::vector<std::int32_t> staged;
        std::size_t next = part.c_begin;
        while (next < part.c_end) {
            tile.clear();
            const std::size_t tile_first = next;
            std::size_t bytes = 0;
            while (next < part.c_end && bytes < kTileBytes) {
                const std::size_t count =
                    std::min(lead != 0 ? lead : LaneBlock::kLanes, part.c_end - next);
                lead = 0;
                if (any_packed(choices_.data() + next, count)) {
                    tile.emplace_back(next, LaneBlock(choices_.data() + next, count));
                    bytes += tile.back().second.table_bytes();
                }
                next += count;
            }
            if (tile.empty()) continue;
            if (aligned) {
                run_tile(tile, part);
            } else {
                run_tile_staged(tile, tile_first, next - tile_first, part, staged);
            }
        }
        kernel::stream_fence();
    }

    void run_tile(const std::vector<std::pair<std::size_t, LaneBlock>>& tile,
                  const Part& part) const {
        for (std::size_t q = part.q_begin; q < part.q_end; q += kRowsPerPoll) {
            kernel::poll(stop_);
            const std::size_t rows = std::min(kRowsPerPoll, part.q_end - q);
            for (const auto& [first, block] : tile) {
                block.lengths(queries_.data() + q, rows, cell(q, first), choices_.size(), 1,
                              LaneBlock::Store::stream, isa_);
            }
        }
    }

    void run_tile_staged(const std::vector<std::pair<std::size_t, LaneBlock>>& tile,
                         std::size_t tile_first, std::size_t width, const Part& part,
                         std::vector<std::int32_t>& staged) const {
        const std::size_t rows = std::max<std::size_t>(kStagedRowsLeast, kStagedCells / width);
        staged.resize(rows * width);
        for (std::size_t q = part.q_begin; q < part.q_end; q += rows) {
            kernel::poll(stop_);
            const std::size_t count = std::min(rows, part.q_end - q);
            for (const auto& [first, block] : tile) {
                block.lengths(queries_.data() + q, count, staged.data() + (first - tile_first),
                              width, 1, LaneBlock::Store::cache, isa_);
            }
            for (std::size_t r = 0; r < count; ++r) {
                kernel::stream_cells(cell(q + r, tile_first), staged.data() + r * width, width);
            }
        }
    }

    // Choices too long for a lane: blocks of 64 queries read each of them,
    // a lane a query; long queries run their prepared pattern.
    void long_choices(const Part& part) const {
        std::vector<std::size_t> longs;
        for (std::size_t c = part.c_begin; c < part.c_end; ++c) {
            if (!LaneBlock::packs(choices_[c].size())) longs.push_back(c);
        }
        if (longs.empty()) return;
        for (std::size_t q = part.q_begin; q < part.q_end; q += LaneBlock::kLanes) {
            kernel::poll(stop_);
            const std::size_t count = std::min(LaneBlock::kLanes, part.q_end - q);
            if (!any_packed(queries_.data() + q, count)) continue;
            const LaneBlock block(queries_.data() + q, count);
            for (const std::size_t c : longs) {
                block.lengths(&choices_[c], 1, cell(q, c), 0, choices_.size(),
                              LaneBlock::Store::cache, isa_);
            }
        }
        for (std::size_t q = part.q_begin; q < part.q_end; ++q) {
            if (LaneBlock::packs(queries_[q].size())) continue;
            kernel::poll(stop_);
            const detail::PatternData pattern(queries_[q]);
            for (const std::size_t c : longs) {
                *cell(q, c) = static_cast<std::int32_t>(
                    kernel::pattern_length(pattern, choices_[c], kernel::Paths{isa_, 0}));
            }
        }
    }

    // The cells from choice c to the start of the next line of 64 bytes,
    // in every row when rows are whole lines.
    std::size_t cells_to_line(std::size_t c) const {
        const std::size_t offset =
            reinterpret_cast<std::uintptr_t>(cell(0, c)) % (kLineCells * sizeof(std::int32_t));
        return (kLineCells - offset / sizeof(std::int32_t)) % kLineCells;
    }

    std::int32_t* cell(std::size_t q, std::size_t c) const {
        return out_ + q * choices_.size() + c;
    }

    const std::vector<std::string_view>& queries_;
    const std::vector<std::string_view>& choices_;
    std::int32_t* out_;
    const Stop* stop_;
    kernel::Isa isa_;
};

// Runs of choice blocks when there are enough to share, else runs of rows.
std::vector<Part> parts_of(std::size_t queries, std::size_t choices, unsigned threads) {
    const unsigned count =
        detail::thread_count(threads, queries * choices / kCellsPerThread);
    const std::size_t blocks = (choices + LaneBlock::kLanes - 1) / LaneBlock::kLanes;
    std::vector<Part> parts;
    for (unsigned p = 0; p < count; ++p) {
        if (blocks >= 4 * std::size_t{count}) {
            parts.push_back({0, queries, std::min(choices, blocks * p / count * LaneBlock::kLanes),
                             std::min(choices, blocks * (p + 1) / count * LaneBlock::kLanes)});
        } else {
            parts.push_back({queries * p / count, queries * (p + 1) / count, 0, choices});
        }
    }
    return parts;
}

void fill(const std::vector<std::string_view>& queries,
          const std::vector<std::string_view>& choices, std::int32_t* out, unsigned threads,
          const Stop* stop, kernel::Isa isa) {
    const ByteMatrix matrix(queries, choices, out, stop, isa);
    const std::vector<Part> parts = parts_of(queries.size(), choices.size(), threads);
    detail::run_parts(static_cast<unsigned>(parts.size()),
                      [&](unsigned p) { matrix.run(parts[p]); });
}

void fill(const std::vector<std::u32string_view>& queries,
          const std::vector<std::u32string_view>& choices, std::int32_t* out, unsigned threads,
          const Stop* stop, kernel::Isa isa) {
    // Rows only: a query prepared once serves its whole row.
    const unsigned count = detail::thread_count(
        threads, std::min(queries.size(), queries.size() * choices.size() / kCellsPerThread));
    detail::run_parts(count, [&](unsigned p) {
        const std::size_t begin = queries.size() * p / count, end = queries.size() * (p + 1) / count;
        for (std::size_t q = begin; q < end; ++q) {
            kernel::poll(stop);
            const Pattern pattern(queries[q]);
            const std::vector<std::int32_t> row =
                detail::lengths(pattern, choices, 1, kernel::Paths{isa, 0});
            std::copy(row.begin(), row.end(), out + q * choices.size());
        }
    });
}

// queries x choices, refused where it would not fit a size_t (a result that
// wrapped would be written past its end).
std::size_t cells_of(std::size_t queries, std::size_t choices) {
    std::size_t cells = 0;
    if (__builtin_mul_overflow(queries, choices, &cells)) {
        throw std::length_error("lcs::matrix: queries x choices is too large");
    }
    return cells;
}

template <class Text>
void matrix_into_of(const std::vector<Text>& queries, const std::vector<Text>& choices,
                    std::int32_t* out, std::size_t out_size, unsigned threads, const Stop* stop,
                    kernel::Isa isa) {
    check_lengths(queries);
    check_lengths(choices);
    const std::size_t cells = cells_of(queries.size(), choices.size());
    if (out_size < cells) {
        throw std::invalid_argument("lcs::matrix_into: the buffer holds fewer cells than "
                                    "queries x choices");
    }
    if (cells != 0) fill(queries, choices, out, threads, stop, isa);
}

template <class Text>
std::vector<std::int32_t> matrix_of(const std::vector<Text>& queries,
                                    const std::vector<Text>& choices, unsigned threads,
                                    const Stop* stop, kernel::Isa isa) {
    check_lengths(queries);
    check_lengths(choices);
    std::vector<std::int32_t> out(cells_of(queries.size(), choices.size()));
    matrix_into_of(queries, choices, out.data(), out.size(), threads, stop, isa);
    return out;
}

}  // namespace

namespace detail {

std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices, unsigned threads,
                                 const Stop* stop, kernel::Isa isa) {
    return matrix_of(queries, choices, threads, stop, isa);
}
std::vector<std::int32_t> matrix(const std::vector<std::u32string_view>& queries,
                                 const std::vector<std::u32string_view>& choices, unsigned threads,
                                 const Stop* stop, kernel::Isa isa) {
    return matrix_of(queries, choices, threads, stop, isa);
}
void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads, const Stop* stop, kernel::Isa isa) {
    matrix_into_of(queries, choices, out, out_size, threads, stop, isa);
}

}  // namespace detail

std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices, unsigned threads,
                                 const Stop* stop) {
    return detail::matrix(queries, choices, threads, stop, kernel::Isa::automatic);
}
std::vector<std::int32_t> matrix(const std::vector<std::u32string_view>& queries,
                                 const std::vector<std::u32string_view>& choices, unsigned threads,
                                 const Stop* stop) {
    return detail::matrix(queries, choices, threads, stop, kernel::Isa::automatic);
}

void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads, const Stop* stop) {
    matrix_into_of(queries, choices, out, out_size, threads, stop, kernel::Isa::automatic);
}
void matrix_into(const std::vector<std::u32string_view>& queries,
                 const std::vector<std::u32string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads, const Stop* stop) {
    matrix_into_of(queries, choices, out, out_size, threads, stop, kernel::Isa::automatic);
}

}  // namespace lcs
