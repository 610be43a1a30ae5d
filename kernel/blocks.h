// Column blocks and bands of the bit-parallel LCS over coded strings: the
// engine behind every comparison that does not fit the short paths.
#ifndef LCS_KERNEL_BLOCKS_H
#define LCS_KERNEL_BLOCKS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kernel/kernel.h"
#include "kernel/word.h"

namespace lcs {
class Stop;
}

namespace lcs::kernel {

// One comparison under X's codes: X packed, Y read a symbol at a time.
struct Coded {
    const Code* x;         // X's positions, codes 1 to distinct
    std::size_t n;         // length of X, at least 1
    std::size_t distinct;  // distinct symbols of X
    const Code* y;         // Y's positions under X's codes, 0 for symbols X lacks
    std::size_t m;         // length of Y, at least 1
    const Word* x_rows;    // X's whole match rows (row c at c * words_for(n)), or null
};

// Diagonals i - j of the table, i a position of X and j of Y, from 1.
struct Band {
    std::int64_t lo, hi;
};

// Row vectors that a pass over the whole table keeps on its way: after
// rows[k] symbols of Y, the row vector over all of X in vectors[k]
// (words_for(n) words, bits past n set). The rows ascend, each in [1, m).
struct Snapshots {
    std::vector<std::size_t> rows;
    std::vector<std::vector<Word>> vectors;
};

struct PassResult {
    std::size_t lcs;  // L~, a lower bound of the LCS
    bool abandoned;   // stopped once its deficit was sure to exceed give_up
};

// Working storage of the column blocks for one comparison.
class BlockRun {
public:
    // A stop request is polled every kPollRows rows (kernel/stop.h), and in
    // the stripes between batches of rows; threads: the most the full
    // computation may run on (0: every hardware thread), in stripes
    // (kernel/stripes.h) where that pays.
    // The widest blocks that the path `isa` allows on this processor.
    BlockRun(const Coded& c, Isa isa, const Stop* stop = nullptr, unsigned threads = 1);
    ~BlockRun();
    BlockRun(const BlockRun&) = delete;
    BlockRun& operator=(const BlockRun&) = delete;

    const Coded& coded() const { return c_; }
    const Stop* stop() const { return stop_; }
    std::size_t widest_block() const { return widest_block_; }

    // One pass of column blocks of up to `block` words over the band; the
    // full table is the band [-m, n]. Gives up once the deficit is sure to
    // exceed give_up. With final_v, the blocks that run store their final
    // words there (ceil(n / 64) words).
    // With snapshots (the full band only), the row vectors at their rows.
    PassResult pass(Band band, std::size_t block, std::size_t give_up, Word* final_v = nullptr,
                    Snapshots* snapshots = nullptr);
    // The full computation in the widest blocks, and optionally its last row
    // and the rows of `snapshots`.
    std::size_t full(Word* final_v = nullptr, Snapshots* snapshots = nullptr);
    // The threads that full() runs on: more than one in stripes, where that
    // pays.
    unsigned full_threads() const;

private:
    void allocate();
    void load_block(std::size_t first, std::size_t width, bool complements);
    std::size_t run_block(std::size_t width, std::size_t first_row, std::size_t end_row, Word* state);
    std::size_t run_rows_of_block(std::size_t width, std::size_t first_word,
                                  std::size_t first_row, std::size_t end_row, Word* final_v,
                                  Snapshots* snapshots);

    const Coded& c_;
    std::size_t widest_block_;
    const Stop* stop_;
    unsigned threads_;
    unsigned char* carries_ = nullptr;
    Word* match_ = nullptr;
    Word* match_block_ = nullptr;  // match_ moved to a cache line
    std::size_t width_ = 0;  // of the layout in match_block_
    std::size_t loaded_begin_ = 0, loaded_end_ = 0;
};

// Words of the AVX-512 kernel's block: four registers of eight words.
constexpr std::size_t kVectorBlock = 32;
// Words of the AVX2 kernel's blocks: three chains of four registers of four
// words, and, for what is left, four chains of one register.
constexpr std::size_t kAvx2Block = 48;
constexpr std::size_t kAvx2ShortBlock = 16;
// Widest block of the plain kernel: eight words in registers, with their
// temporaries, fill the general registers of x86-64.
constexpr std::size_t kWideBlock = 8;

// One column block on its own, for work that runs blocks in another order
// (kernel/stripes.cpp). The width of the block that starts with `words_left`
// words of X still to cover, the widest being `widest` (a vector block may
// reach past X's last word):
std::size_t block_width(std::size_t widest, std::size_t words_left);
// the words of one code's match row in a block of that width (M, and ~M
// after it on the plain kernels);
std::size_t block_row_words(std::size_t width);
// the block's match rows, (distinct + 1) x block_row_words(width) words
// from `rows`, 64-byte aligned, for words first to first + width - 1 of X;
std::size_t block_table_words(const Coded& c, std::size_t width);
void fill_block_rows(const Coded& c, std::size_t first, std::size_t width, Word* rows);
// and the block run down rows first_row to end_row - 1 of Y (from 0), from
// the words at `state` (null: all ones) and leaving its words there, the
// carry of each row in and out through carries[row]. Returns the block's
// zero bits at the end.
std::size_t run_block_rows(std::size_t width, const Word* rows, const Code* y,
                           unsigned char* carries, std::size_t first_row, std::size_t end_row,
                           Word* state);

// True when the processor runs the blocks' AVX-512 path (F, and BW for the
// byte compares), or AVX2.
inline bool has_avx512() { return runs(Component::blocks, Isa::avx512); }
inline bool has_avx2() { return runs(Component::blocks, Isa::avx2); }

// The LCS of a coded comparison, banded where that pays (kernel/band.cpp).
std::size_t coded_lcs(const Coded& c, const Paths& paths);
// The same where a band proves it; nothing, at a small part of the full
// computation's cost, where the strings are too unlike for a band to pay.
std::optional<std::size_t> coded_banded_lcs(const Coded& c, const Paths& paths);

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_BLOCKS_H
