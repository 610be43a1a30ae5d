// The bit-parallel LCS kernel: what the library's LCS lengths, batches and
// alignments are built on. Internal; never installed.
//
// Method (H. Hyyrö, "Bit-parallel LCS-length computation revisited", AWOCA
// 2004). One string, X (n positions), is packed one bit per position in
// ceil(n / 64) words; the other, Y, is read a symbol at a time. Bit p of the
// row vector V stands for position p + 1 of X. V starts all ones; after the
// first j symbols of Y a bit is 0 exactly when L(j, p + 1) = L(j, p) + 1, so
// the zero bits of V among its first p bits count L(j, p). A symbol y updates
// V by U = V & M[y], V' = (V + U) | (V - U), the addition carrying from word
// 0 upwards; M[y], the match row of y, has the bits of X's positions that
// hold y.
//
// Symbols are bytes or 32-bit values, compared for equality only; byte b is
// symbol b. A prepared X gives each of its distinct symbols a dense code from
// 1 upwards and every other symbol code 0, whose match row is all zero, so
// storage grows with the length of X, never with the size of the alphabet.
//
// Every entry here is exact and may run on several threads at once.
#ifndef LCS_KERNEL_KERNEL_H
#define LCS_KERNEL_KERNEL_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "kernel/features.h"
#include "kernel/pattern.h"
#include "kernel/word.h"

namespace lcs {
class Stop;
}

namespace lcs::kernel {

// True when this processor runs the blocks' path `isa` (plain and automatic
// always).
inline bool isa_available(Isa isa) { return runs(Component::blocks, isa); }

// How a computation runs; the result never depends on it. The one set of
// forced paths of every entry: the lengths, Hyyro_Alg, the batch and
// lcs::align.
struct Paths {
    // The instruction set; a set the processor lacks falls back to the next
    // narrower one (kernel/features.h).
    Isa isa = Isa::automatic;
    // 0: the kernel's own choice of a banded or a full computation.
    // Negative: always the full computation.
    // Positive: always start with a band of this half-width and widen it as
    // needed, however wide (no cost cut-off); lcs::align takes a band on
    // every split.
    std::int32_t first_band = 0;
    // lcs::align: the largest piece, in rows times row words, that the
    // bit-matrix traceback takes whole; larger pieces are split.
    std::int64_t traceback_words = std::int64_t{1} << 13;
    // Polled every so many rows; once requested, the computation frees what
    // it holds and throws lcs::Stopped. Null: never looked at.
    const Stop* stop = nullptr;
    // The most threads the full computation of one pair may run on (0: every
    // hardware thread); it takes more than one only where that pays
    // (kernel/stripes.h). The bands run on one.
    unsigned threads = 1;
};

// The LCS length of a and b (zero-based, any lengths that fit in memory).
// Short strings take no heap storage.
std::size_t length(std::string_view a, std::string_view b, const Paths& paths = {});
std::size_t length(std::u32string_view a, std::u32string_view b, const Paths& paths = {});

// The LCS length of a and b where a band around the diagonal proves it
// (alike strings: time in proportion to their difference); nothing, at a
// small part of the full computation's cost, where the strings are too
// unlike for a band to pay. Short strings always get their length.
std::optional<std::size_t> banded_length(std::string_view a, std::string_view b,
                                         const Paths& paths = {});
std::optional<std::size_t> banded_length(std::u32string_view a, std::u32string_view b,
                                         const Paths& paths = {});

// The LCS length of a prepared X and a text Y; bytes and symbols mix.
std::size_t pattern_length(const detail::PatternData& x, std::string_view y,
                           const Paths& paths = {});
std::size_t pattern_length(const detail::PatternData& x, std::u32string_view y,
                           const Paths& paths = {});

// For Hirschberg's divide and conquer: runs the row vector of the prepared X
// (all its positions) down every symbol of y, from the all-ones state, and
// writes the final V, x.words() words, to v. Then L(|y|, p) for every prefix
// of p positions of X is zero_bits_below(v, p). The same for reversed
// strings: prepare X reversed and pass y reversed. Bits past the end of X
// stay 1.
void final_row(const detail::PatternData& x, std::string_view y, Word* v, const Paths& paths = {});
void final_row(const detail::PatternData& x, std::u32string_view y, Word* v,
               const Paths& paths = {});

// The zero bits among the first p bits of v: L(j, p) for the V of row j.
std::size_t zero_bits_below(const Word* v, std::size_t p);

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_KERNEL_H
