// The row vector of a short X held whole in registers, run down a text.
#ifndef LCS_KERNEL_ROWS_H
#define LCS_KERNEL_ROWS_H

#include <cstddef>

#include "kernel/word.h"

namespace lcs::kernel {

// One row of W words: fours, then a pair, then a single word.
template <std::size_t W>
inline void update_held(Word* held, const Word* row, unsigned char& carry) {
    std::size_t k = 0;
    for (; k + 3 < W; k += 4) update_four_plain(held + k, row + k, carry);
    if constexpr (W % 4 >= 2) {
        update_two(held + k, row + k, carry);
        k += 2;
    }
    if constexpr (W % 2 == 1) held[k] = update_word(held[k], row[k], carry);
}

// Runs the W words of v down the m symbols of y; the match row of a symbol
// is the W words at rows + code_of(symbol) * W. The rows' loads do not
// depend on v, so they run ahead of the carry chain.
template <std::size_t W, typename Symbol, typename CodeOf>
inline void run_rows(Word* v, const Symbol* y, std::size_t m, const Word* rows, CodeOf code_of) {
    Word held[W];
    for (std::size_t k = 0; k < W; ++k) held[k] = v[k];
    for (std::size_t r = 0; r < m; ++r) {
        const Word* row = rows + std::size_t{code_of(y[r])} * W;
        if constexpr (W == 1) {
            held[0] = update_single(held[0], row[0]);
        } else {
            unsigned char carry = 0;
            update_held<W>(held, row, carry);
        }
    }
    for (std::size_t k = 0; k < W; ++k) v[k] = held[k];
}

// run_rows for two texts at once, each from its own v: one row's words
// wait for each other through the carry, but the two texts' chains are
// independent, so the processor overlaps them. The longer text's rows past
// the shorter's end run alone.
template <std::size_t W, typename Symbol, typename CodeOf>
inline void run_rows_two(Word* v0, const Symbol* y0, std::size_t m0, Word* v1, const Symbol* y1,
                         std::size_t m1, const Word* rows, CodeOf code_of) {
    Word held0[W], held1[W];
    for (std::size_t k = 0; k < W; ++k) {
        held0[k] = v0[k];
        held1[k] = v1[k];
    }
    const std::size_t both = m0 < m1 ? m0 : m1;
    for (std::size_t r = 0; r < both; ++r) {
        const Word* row0 = rows + std::size_t{code_of(y0[r])} * W;
        const Word* row1 = rows + std::size_t{code_of(y1[r])} * W;
        unsigned char carry0 = 0, carry1 = 0;
        update_held<W>(held0, row0, carry0);
        update_held<W>(held1, row1, carry1);
    }
    for (std::size_t k = 0; k < W; ++k) {
        v0[k] = held0[k];
        v1[k] = held1[k];
    }
    run_rows<W>(v0, y0 + both, m0 - both, rows, code_of);
    run_rows<W>(v1, y1 + both, m1 - both, rows, code_of);
}

// Widest X, in words, that run_rows holds in registers.
constexpr std::size_t kRegisterWords = 8;

// run_rows for any width from 1 to kRegisterWords, chosen at run time.
template <typename Symbol, typename CodeOf>
void run_rows_any(std::size_t words, Word* v, const Symbol* y, std::size_t m, const Word* rows,
                  CodeOf code_of) {
    switch (words) {
    case 1: return run_rows<1>(v, y, m, rows, code_of);
    case 2: return run_rows<2>(v, y, m, rows, code_of);
    case 3: return run_rows<3>(v, y, m, rows, code_of);
    case 4: return run_rows<4>(v, y, m, rows, code_of);
    case 5: return run_rows<5>(v, y, m, rows, code_of);
    case 6: return run_rows<6>(v, y, m, rows, code_of);
    case 7: return run_rows<7>(v, y, m, rows, code_of);
    default: return run_rows<8>(v, y, m, rows, code_of);
    }
}

// run_rows_two for any width from 2 to kRegisterWords, chosen at run time.
template <typename Symbol, typename CodeOf>
void run_rows_two_any(std::size_t words, Word* v0, const Symbol* y0, std::size_t m0, Word* v1,
                      const Symbol* y1, std::size_t m1, const Word* rows, CodeOf code_of) {
    switch (words) {
    case 2: return run_rows_two<2>(v0, y0, m0, v1, y1, m1, rows, code_of);
    case 3: return run_rows_two<3>(v0, y0, m0, v1, y1, m1, rows, code_of);
    case 4: return run_rows_two<4>(v0, y0, m0, v1, y1, m1, rows, code_of);
    case 5: return run_rows_two<5>(v0, y0, m0, v1, y1, m1, rows, code_of);
    case 6: return run_rows_two<6>(v0, y0, m0, v1, y1, m1, rows, code_of);
    case 7: return run_rows_two<7>(v0, y0, m0, v1, y1, m1, rows, code_of);
    default: return run_rows_two<8>(v0, y0, m0, v1, y1, m1, rows, code_of);
    }
}

inline std::size_t zero_bits_of(const Word* v, std::size_t words) {
    std::size_t zeros = 0;
    for (std::size_t k = 0; k < words; ++k) zeros += zero_bits(v[k]);
    return zeros;
}

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_ROWS_H
