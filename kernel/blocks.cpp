// Column blocks of the bit-parallel LCS (H. Hyyrö, "Bit-parallel
// LCS-length computation revisited", AWOCA 2004; M. Crochemore et al.,
// "A fast and practical bit-vector algorithm for the longest common
// subsequence problem", IPL 80(6), 2001).
//
// X is cut into blocks of up to eight words, held in registers, and each
// block runs down all its rows of Y before the next block starts; the carry
// out of each row goes through `carries` to the same row of the next block.
// A row costs no loads or stores of V, the words of a block are independent
// but for the carry, and the match rows of a block stay in the first-level
// cache. Where the processor has AVX-512, blocks of 32 words run as four
// vector registers instead (the last one reaching past X when 16 or more
// words are left); on AVX2, blocks of 48 words run as three chains of four
// registers, each chain a row behind the one before, and what is left takes
// a block of 16 words as four chains of one register, then the plain
// blocks. A block's
// match rows are built from X's codes as the block starts and cleared, row by
// row, as it ends, so a long X of many distinct symbols costs no more than
// one of few. Cost: ceil(n / 64) word updates per symbol of Y; storage: m
// carries and (distinct + 1) x 32 words. Covered by tests/test_kernel.cpp and
// tests/test_hyyro.cpp (every path forced).
#include "kernel/blocks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "kernel/stop.h"
#include "kernel/stripes.h"

namespace lcs::kernel {

namespace {

// Runs one block of W words down rows first_row to end_row - 1 of Y (from
// 0), from the all-ones state or from `state`, and returns its zero bits at
// the end, also left in `state`. Bits past position n have no match and
// stay 1. Row c of `match` is M then ~M.
template <std::size_t W>
std::size_t run_plain_block(const Word* match, const Code* codes, unsigned char* carries,
                            std::size_t first_row, std::size_t end_row, Word* state) {
    Word v[W];
    for (std::size_t k = 0; k < W; ++k) v[k] = state != nullptr ? state[k] : ~Word{0};
    for (std::size_t r = first_row; r < end_row; ++r) {
        const Word* row = match + std::size_t{codes[r]} * 2 * W;
        unsigned char carry = carries[r];
        if constexpr (W % 4 == 0) {
            for (std::size_t k = 0; k < W; k += 4) update_four<W>(v + k, row + k, carry);
        } else {
            for (std::size_t k = 0; k < W; ++k) {
                const Word sum = add_with_carry(v[k], v[k] & row[k], carry);
                v[k] = sum | (v[k] & row[W + k]);
            }
        }
        carries[r] = carry;
    }
    if (state != nullptr) std::copy(v, v + W, state);
    std::size_t zeros = 0;
    for (const Word word : v) zeros += zero_bits(word);
    return zeros;
}

#if defined(LCS_KERNEL_X86) && defined(__GNUC__)
#define LCS_KERNEL_AVX512 1

// The same block, 32 words as four AVX-512 registers of eight lanes. A lane
// adds without carrying, so the carries come from two masks: g, the lanes
// whose sum wrapped (they pass a carry on), and p, the lanes whose sum is all
// ones (they pass on a carry that reaches them). The lanes that receive a
// carry are then ((g << 1 | carry in) + p) ^ p: the mask addition runs each
// carry through its run of p lanes, as the word addition runs it through a
// run of one bits. g and p never share a lane, since a wrapped sum is at
// most 2^64 - 2, so bit 32 of the mask sum is the carry out.
__attribute__((target("avx512f"))) std::size_t run_vector_block(
    const Word* match, const Code* codes, unsigned char* carries, std::size_t first_row,
    std::size_t end_row, Word* state) {
    constexpr std::size_t kRegisters = 4;
    constexpr std::size_t kLanes = 8;
    const __m512i ones = _mm512_set1_epi64(-1);
    const __m512i one = _mm512_set1_epi64(1);
    __m512i v[kRegisters];
    for (std::size_t k = 0; k < kRegisters; ++k) {
        v[k] = state != nullptr ? _mm512_loadu_si512(state + k * kLanes) : ones;
    }
    for (std::size_t r = first_row; r < end_row; ++r) {
        const Word* row = match + std::size_t{codes[r]} * kRegisters * kLanes;
        __m512i sum[kRegisters], kept[kRegisters];
        std::uint64_t wrapped = 0, full = 0;
        for (std::size_t k = 0; k < kRegisters; ++k) {
            const __m512i m = _mm512_load_si512(row + k * kLanes);
            const __m512i u = _mm512_and_si512(v[k], m);
            sum[k] = _mm512_add_epi64(v[k], u);
            kept[k] = _mm512_xor_si512(v[k], u);
            wrapped |= std::uint64_t{_mm512_cmplt_epu64_mask(sum[k], v[k])} << (k * kLanes);
            full |= std::uint64_t{_mm512_cmpeq_epi64_mask(sum[k], ones)} << (k * kLanes);
        }
        const std::uint64_t runs = ((wrapped << 1) | carries[r]) + full;
        const std::uint64_t received = runs ^ full;
        carries[r] = static_cast<unsigned char>(runs >> (kRegisters * kLanes));
        for (std::size_t k = 0; k < kRegisters; ++k) {
            const auto lanes = static_cast<__mmask8>(received >> (k * kLanes));
            v[k] = _mm512_or_si512(_mm512_mask_add_epi64(sum[k], lanes, sum[k], one), kept[k]);
        }
    }
    alignas(64) Word words[kRegisters * kLanes];
    for (std::size_t k = 0; k < kRegisters; ++k) _mm512_store_si512(words + k * kLanes, v[k]);
    if (state != nullptr) std::copy(words, words + kRegisters * kLanes, state);
    std::size_t zeros = 0;
    for (const Word word : words) zeros += zero_bits(word);
    return zeros;
}

// The same carries on AVX2, R registers of four lanes a row. AVX2 has no
// unsigned compare of 64-bit lanes, but none is needed: the carry out of
// v + u, u inside v, is the top bit of u | (v & ~sum) (the carry out of a
// full adder, (a & b) | ((a | b) & ~sum), with a & b = u and a | b = v), and
// a movemask reads the top bits of the four lanes at once. The lanes that
// receive a carry add one by subtracting an all-ones lane, chosen from a
// table by their four mask bits.
constexpr std::size_t kAvx2Lanes = 4;

template <std::size_t R>
__attribute__((target("avx2"), always_inline)) inline void avx2_row(__m256i* v, const Word* row,
                                                                    unsigned char& carry) {
    alignas(32) static const std::int64_t kLaneMasks[16][kAvx2Lanes] = {
        {0, 0, 0, 0},   {-1, 0, 0, 0},   {0, -1, 0, 0},   {-1, -1, 0, 0},
        {0, 0, -1, 0},  {-1, 0, -1, 0},  {0, -1, -1, 0},  {-1, -1, -1, 0},
        {0, 0, 0, -1},  {-1, 0, 0, -1},  {0, -1, 0, -1},  {-1, -1, 0, -1},
        {0, 0, -1, -1}, {-1, 0, -1, -1}, {0, -1, -1, -1}, {-1, -1, -1, -1}};
    const __m256i ones = _mm256_set1_epi64x(-1);
    __m256i sum[R], kept[R];
    std::uint32_t wrapped = 0, full = 0;
    for (std::size_t k = 0; k < R; ++k) {
        const __m256i m = _mm256_load_si256(reinterpret_cast<const __m256i*>(row + k * kAvx2Lanes));
        const __m256i u = _mm256_and_si256(v[k], m);
        sum[k] = _mm256_add_epi64(v[k], u);
        kept[k] = _mm256_xor_si256(v[k], u);
        const __m256i carry_out = _mm256_or_si256(u, _mm256_andnot_si256(sum[k], v[k]));
        wrapped |= static_cast<std::uint32_t>(_mm256_movemask_pd(_mm256_castsi256_pd(carry_out)))
                   << (k * kAvx2Lanes);
        full |= static_cast<std::uint32_t>(
                    _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(sum[k], ones))))
                << (k * kAvx2Lanes);
    }
    const std::uint32_t runs = ((wrapped << 1) | carry) + full;
    const std::uint32_t received = runs ^ full;
    carry = static_cast<unsigned char>(runs >> (R * kAvx2Lanes));
    for (std::size_t k = 0; k < R; ++k) {
        const __m256i add_one = _mm256_load_si256(
            reinterpret_cast<const __m256i*>(kLaneMasks[(received >> (k * kAvx2Lanes)) & 15]));
        v[k] = _mm256_or_si256(_mm256_sub_epi64(sum[k], add_one), kept[k]);
    }
}

// A row's carries pass from register to register in a chain of dependent
// steps, and the next row waits for its words, so one block keeps the
// vector unit mostly idle. C blocks of R registers run side by side
// instead, block c one row behind block c - 1, whose carry out of that row
// it takes from `carries`: the blocks' chains are independent and overlap.
template <std::size_t R, std::size_t C>
__attribute__((target("avx2"))) std::size_t run_avx2_block(const Word* match, const Code* codes,
                                                           unsigned char* carries,
                                                           std::size_t first_row,
                                                           std::size_t end_row, Word* state) {
    constexpr std::size_t kChainWords = R * kAvx2Lanes, kWords = C * kChainWords;
    __m256i v[C][R];
    for (std::size_t c = 0; c < C; ++c) {
        for (std::size_t k = 0; k < R; ++k) {
            v[c][k] = state != nullptr
                          ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                state + c * kChainWords + k * kAvx2Lanes))
                          : _mm256_set1_epi64x(-1);
        }
    }
#define LCS_AVX2_ROW(c, r) \
    avx2_row<R>(v[c], match + std::size_t{codes[r]} * kWords + (c) * kChainWords, carries[r])
    // Rows first_row + c - 1 and before, and end_row + c and after, are not
    // block c's: the first C - 1 and last C - 1 steps test for them.
    const std::size_t steps = end_row - first_row + C - 1;
    const bool long_enough = end_row - first_row >= C;
    std::size_t i = first_row;
    for (; i < first_row + (long_enough ? C - 1 : steps); ++i) {
        for (std::size_t c = 0; c < C; ++c)
            if (i >= first_row + c && i - c < end_row) LCS_AVX2_ROW(c, i - c);
    }
    if (long_enough) {
        for (; i < end_row; ++i) {
            for (std::size_t c = 0; c < C; ++c) LCS_AVX2_ROW(c, i - c);
        }
        for (; i < first_row + steps; ++i) {
            for (std::size_t c = 0; c < C; ++c)
                if (i - c < end_row) LCS_AVX2_ROW(c, i - c);
        }
    }
#undef LCS_AVX2_ROW
    alignas(32) Word words[kWords];
    for (std::size_t c = 0; c < C; ++c) {
        for (std::size_t k = 0; k < R; ++k) {
            _mm256_store_si256(
                reinterpret_cast<__m256i*>(words + c * kChainWords + k * kAvx2Lanes), v[c][k]);
        }
    }
    if (state != nullptr) std::copy(words, words + kWords, state);
    std::size_t zeros = 0;
    for (const Word word : words) zeros += zero_bits(word);
    return zeros;
}
#endif

constexpr std::size_t kLineWords = 64 / sizeof(Word);

}  // namespace

namespace {

std::size_t widest_block_of(Isa path) {
    switch (path) {
        case Isa::avx512: return kVectorBlock;
        case Isa::avx2: return kAvx2Block;
        default: return kWideBlock;
    }
}

}  // namespace

// The automatic path is the widest under LCS_ISA's cap; a forced path that
// the processor lacks falls back to a narrower one.
BlockRun::BlockRun(const Coded& c, Isa isa, const Stop* stop, unsigned threads)
    : c_(c),
      widest_block_(widest_block_of(resolve(Component::blocks, isa))),
      stop_(stop),
      threads_(threads) {}

// Storage comes with the first pass, so that a band that runs in a window
// costs none.
void BlockRun::allocate() {
    if (match_ != nullptr) return;
    carries_ = static_cast<unsigned char*>(std::calloc(c_.m, 1));
    // Room for the widest layout, plus a line so that rows start on one and
    // no load of a row splits a line.
    const std::size_t rows = c_.distinct + 1;
    const std::size_t stride = std::max({kVectorBlock, kAvx2Block, 2 * kWideBlock});
    match_ = rows > (SIZE_MAX / sizeof(Word) - kLineWords) / stride
                 ? nullptr
                 : static_cast<Word*>(std::malloc((rows * stride + kLineWords) * sizeof(Word)));
    if (carries_ == nullptr || match_ == nullptr) {
        std::free(carries_);
        std::free(match_);
        carries_ = nullptr;
        match_ = nullptr;
        throw std::bad_alloc();
    }
    const auto offset = reinterpret_cast<std::uintptr_t>(match_) / sizeof(Word) % kLineWords;
    match_block_ = match_ + (offset == 0 ? 0 : kLineWords - offset);
}

BlockRun::~BlockRun() {
    std::free(carries_);
    std::free(match_);
}

namespace {

// Every code's row at M = 0 (and ~M = ~0).
void clear_block_rows(std::size_t distinct, std::size_t width, bool complements, Word* rows) {
    const std::size_t stride = complements ? 2 * width : width;
    for (std::size_t code = 0; code <= distinct; ++code) {
        Word* row = rows + code * stride;
        std::fill(row, row + width, Word{0});
        if (complements) std::fill(row + width, row + stride, ~Word{0});
    }
}

// Sets the bits of X's positions begin to end - 1 in their codes' rows,
// position begin at bit 0 of word 0.
void mark_block_rows(const Code* x, std::size_t begin, std::size_t end, std::size_t width,
                     bool complements, Word* rows) {
    const std::size_t stride = complements ? 2 * width : width;
    for (std::size_t p = begin; p < end; ++p) {
        const std::size_t bit = p - begin;
        Word* row = rows + std::size_t{x[p]} * stride;
        row[bit / kWordBits] |= Word{1} << (bit % kWordBits);
        if (complements) row[width + bit / kWordBits] &= ~(Word{1} << (bit % kWordBits));
    }
}

}  // namespace

// A vector block runs whole or not at all, but a block whose top lanes lie
// past X (they never match, so they stay all ones and pass the carry
// through) still costs less than the narrower blocks that would cover the
// rest: below 32 words the AVX-512 block, over more than 16 words; the
// short AVX2 block over 9 to 16 (at exactly 16 it takes two thirds of the
// AVX-512 block's time, and over 9 to 15 about 60 % of the plain blocks').
std::size_t block_width(std::size_t widest, std::size_t words_left) {
    if (widest == kVectorBlock && words_left > kAvx2ShortBlock) return kVectorBlock;
    std::size_t width = widest;
    if (width > kAvx2ShortBlock && words_left < width && has_avx2()) width = kAvx2ShortBlock;
    if (width == kAvx2ShortBlock && words_left > kWideBlock) return width;
    if (width > kWideBlock && words_left < width) width = kWideBlock;
    while (width > words_left) width /= 2;
    return width;
}

std::size_t block_row_words(std::size_t width) {
    return width > kWideBlock ? width : 2 * width;
}

std::size_t block_table_words(const Coded& c, std::size_t width) {
    return (c.distinct + 1) * block_row_words(width);
}

void fill_block_rows(const Coded& c, std::size_t first, std::size_t width, Word* rows) {
    const bool complements = width <= kWideBlock;
    clear_block_rows(c.distinct, width, complements, rows);
    mark_block_rows(c.x, first * kWordBits, std::min(c.n, (first + width) * kWordBits), width,
                    complements, rows);
}

std::size_t run_block_rows(std::size_t width, const Word* rows, const Code* y,
                           unsigned char* carries, std::size_t first_row, std::size_t end_row,
                           Word* state) {
    switch (width) {
#if defined(LCS_KERNEL_AVX512)
    case kVectorBlock: return run_vector_block(rows, y, carries, first_row, end_row, state);
    case kAvx2Block:
        return run_avx2_block<4, kAvx2Block / 16>(rows, y, carries, first_row, end_row, state);
    case kAvx2ShortBlock:
        return run_avx2_block<1, kAvx2ShortBlock / 4>(rows, y, carries, first_row, end_row, state);
#endif
    case 8: return run_plain_block<8>(rows, y, carries, first_row, end_row, state);
    case 4: return run_plain_block<4>(rows, y, carries, first_row, end_row, state);
    case 2: return run_plain_block<2>(rows, y, carries, first_row, end_row, state);
    default: return run_plain_block<1>(rows, y, carries, first_row, end_row, state);
    }
}

// The match rows of words first to first + width - 1 of X; the plain
// kernels keep each row's complement after it (a row of 2 x width words).
// Rows whose codes the previous block of the same layout set are restored
// to M = 0, ~M = ~0; a new layout fills every row.
void BlockRun::load_block(std::size_t first, std::size_t width, bool complements) {
    const std::size_t stride = complements ? 2 * width : width;
    // A row of 16 words is either eight words and their complements or 16
    // words alone: the layout is the width, not the stride. Clearing every
    // code's row is cheaper than clearing each position's once the previous
    // block held more positions than there are codes.
    if (width != width_ || loaded_end_ - loaded_begin_ > c_.distinct + 1) {
        clear_block_rows(c_.distinct, width, complements, match_block_);
        width_ = width;
    } else {
        for (std::size_t p = loaded_begin_; p < loaded_end_; ++p) {
            Word* row = match_block_ + std::size_t{c_.x[p]} * stride;
            std::fill(row, row + width, Word{0});
            if (complements) std::fill(row + width, row + stride, ~Word{0});
        }
    }
    loaded_begin_ = first * kWordBits;
    loaded_end_ = std::min(c_.n, (first + width) * kWordBits);
    mark_block_rows(c_.x, loaded_begin_, loaded_end_, width, complements, match_block_);
}

std::size_t BlockRun::run_block(std::size_t width, std::size_t first_row, std::size_t end_row,
                                Word* state) {
    return run_block_rows(width, match_block_, c_.y, carries_, first_row, end_row, state);
}

// The rows of one block. Under a stop request they run kPollRows at a
// time, the block's words kept between them and the request polled; with
// snapshots, the words are also copied into each snapshot at its row.
std::size_t BlockRun::run_rows_of_block(std::size_t width, std::size_t first_word,
                                        std::size_t first_row, std::size_t end_row, Word* final_v,
                                        Snapshots* snapshots) {
    if (stop_ == nullptr && snapshots == nullptr) {
        if (final_v != nullptr) std::fill(final_v, final_v + width, ~Word{0});
        return run_block(width, first_row, end_row, final_v);
    }
    Word own[std::max(kVectorBlock, kAvx2Block)];
    Word* state = final_v != nullptr ? final_v : own;
    std::fill(state, state + width, ~Word{0});
    const std::size_t kept_words = std::min(width, words_for(c_.n) - first_word);
    const std::size_t kept = snapshots != nullptr ? snapshots->rows.size() : 0;
    std::size_t zeros = 0, next = 0;
    for (std::size_t row = first_row; row < end_row;) {
        std::size_t end = std::min(end_row, row + kPollRows);
        if (next < kept) end = std::min(end, snapshots->rows[next]);
        poll(stop_);
        zeros = run_block(width, row, end, state);
        row = end;
        if (next < kept && snapshots->rows[next] == row) {
            std::copy(state, state + kept_words, snapshots->vectors[next].begin() + first_word);
            ++next;
        }
    }
    return zeros;
}

PassResult BlockRun::pass(Band band, std::size_t block, std::size_t give_up, Word* final_v,
                          Snapshots* snapshots) {
    allocate();
    std::memset(carries_, 0, c_.m);
    const std::size_t words = words_for(c_.n);
    const std::size_t shorter = std::min(c_.n, c_.m);
    const auto m = static_cast<std::int64_t>(c_.m);
    std::size_t zeros = 0;
    if (snapshots != nullptr) {
        // Every block covers every row, and the bits past X stay set.
        band = {-m, static_cast<std::int64_t>(c_.n)};
        snapshots->vectors.assign(snapshots->rows.size(), std::vector<Word>(words, ~Word{0}));
    }
    for (std::size_t first = 0; first < words;) {
        const std::size_t width = block_width(block, words - first);
        // Columns c0 + 1 to c1; they meet the band in rows j with
        // c0 + 1 <= j + hi and j + lo <= c1. Those rows never decrease from
        // block to block, so the carries of rows past the previous block's
        // last are still 0.
        const std::size_t c0 = first * kWordBits;
        const std::size_t c1 = std::min(c_.n, (first + width) * kWordBits);
        const std::int64_t first_row =
            std::max<std::int64_t>(1, static_cast<std::int64_t>(c0) + 1 - band.hi);
        const std::int64_t last_row = std::min<std::int64_t>(m, static_cast<std::int64_t>(c1) - band.lo);
        if (first_row <= last_row) {
            load_block(first, width, width <= kWideBlock);
            // A block that reaches past X's last word keeps its words here
            // first.
            Word overhang[kVectorBlock];
            Word* out = final_v == nullptr ? nullptr : final_v + first;
            if (out != nullptr && first + width > words) out = overhang;
            // With snapshots the band is the full table: every row, from the first.
            zeros += run_rows_of_block(width, first, static_cast<std::size_t>(first_row - 1),
                                       static_cast<std::size_t>(last_row), out, snapshots);
            if (out == overhang) std::copy(overhang, overhang + (words - first), final_v + first);
        }
        first += width;
        // Each later column adds at most 1 to the final count.
        if (zeros + (c_.n - c1) + give_up < shorter) return {zeros, true};
    }
    return {zeros, false};
}

unsigned BlockRun::full_threads() const {
    return threads_ == 1 ? 1 : stripe_layout(c_, widest_block_, threads_).stripes;
}

std::size_t BlockRun::full(Word* final_v, Snapshots* snapshots) {
    if (threads_ != 1) {
        const StripeLayout layout = stripe_layout(c_, widest_block_, threads_);
        if (layout.stripes > 1) {
            if (snapshots != nullptr) {
                snapshots->vectors.assign(snapshots->rows.size(),
                                          std::vector<Word>(words_for(c_.n), ~Word{0}));
            }
            return striped_full(c_, widest_block_, layout, stop_, final_v, snapshots);
        }
    }
    const Band everything{-static_cast<std::int64_t>(c_.m), static_cast<std::int64_t>(c_.n)};
    return pass(everything, widest_block_, c_.n, final_v, snapshots).lcs;
}

}  // namespace lcs::kernel
