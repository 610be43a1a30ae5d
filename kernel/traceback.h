// The word-parallel row pass over a packed X and the bit-matrix traceback of
// a small piece: the two kernels under lcs::align (toolkit/align.cpp).
#ifndef LCS_KERNEL_TRACEBACK_H
#define LCS_KERNEL_TRACEBACK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lcs::detail {

// A string read forwards (step 1) or backwards (step -1) from `first`, so
// that the backward pass of a split needs no reversed copy.
template <typename Symbol>
struct Strand {
    const Symbol* first;
    std::ptrdiff_t step;
    std::int32_t size;
    Symbol operator[](std::int32_t i) const { return first[static_cast<std::ptrdiff_t>(i) * step]; }
};

// The diagonals p - j (p a position of X, j a row of Y, both from 1) that a
// pass computes; the full table is [-|Y|, |X|].
struct Band {
    std::int32_t lo, hi;
};
inline Band full_band(std::int32_t x_size, std::int32_t y_size) { return {-y_size, x_size}; }

// Positions of X that one block of the row pass holds in registers.
constexpr std::int32_t kBlockWords = 4;
constexpr std::int32_t kBlockBits = 64 * kBlockWords;

// Words of the row vector of an X of `size` positions, whole blocks.
inline std::int32_t row_words(std::int32_t size) {
    return (size + kBlockBits - 1) / kBlockBits * kBlockWords;
}

// A symbol's match row within one block: its four words, then their
// complements.
constexpr std::int32_t kMatchRowWords = 2 * kBlockWords;

// Where the processor has AVX-512, wide passes run X in blocks of 32 words
// held in four vector registers, whose match rows (alphabet x 32 words)
// are kept for alphabets up to kVectorAlphabet symbols.
constexpr std::int32_t kVectorBlockWords = 32;
constexpr std::int32_t kVectorBlockBits = 64 * kVectorBlockWords;
constexpr std::size_t kVectorAlphabet = 1024;

// True when this processor runs the vector blocks.
bool vector_blocks_available();

// Per-thread working storage of the passes, reused from one pass to the
// next: the match rows of one block (alphabet x kMatchRowWords words, and
// those of the vector blocks; kept empty between blocks), the carry of each
// row from block to block, and the traceback's row vectors.
struct PassScratch {
    // vector_units false: the plain blocks only.
    PassScratch(std::size_t alphabet, bool vector_units);
    const std::size_t alphabet;
    const bool vector_units;  // the vector blocks run
    std::vector<std::uint64_t> match;
    std::vector<std::uint64_t> vector_match;
    std::vector<std::uint8_t> carries;
    std::vector<std::uint64_t> rows;
};

// Runs the rows y[0 .. |y|) over X inside `band` and leaves in `v` (row_words
// words) the final row vector: bit p - 1 is 0 exactly when L~(|y|, p) =
// L~(|y|, p - 1) + 1, where L~ equals the table on the band's cells along
// any path that stays in the band and is a lower bound of it elsewhere (the
// full band gives the table itself). With `rows` not null, row vector j
// (from 1) is also stored at rows + (j - 1) * row_words(|x|), full band only.
template <typename Symbol>
void row_pass(Strand<Symbol> x, Strand<Symbol> y, Band band, PassScratch& scratch,
              std::uint64_t* v, std::uint64_t* rows);

// A (from a) and B (from b) positions of one diagonal run of matches.
struct Keep {
    std::int32_t a, b, count;
};

// Appends `keep` to `out`, joined to the last run when it continues it.
void append_keep(std::vector<Keep>& out, Keep keep);

// One LCS of x and y by the bit-matrix traceback (H. Hyyrö, "A note on
// bit-parallel alignment computation", Proc. Prague Stringology Conference
// 2004): the row vectors of every row are kept, and the walk back from
// (|y|, |x|) reads one bit per step. Appends its matches, in order, to `out`
// as (x position, y position) pairs offset by x_origin and y_origin, swapped
// into (y, x) when `x_is_b`. Storage |y| x row_words(|x|) words.
template <typename Symbol>
void traceback(Strand<Symbol> x, Strand<Symbol> y, std::int32_t x_origin, std::int32_t y_origin,
               bool x_is_b, PassScratch& scratch, std::vector<Keep>& out);

}  // namespace lcs::detail

#endif  // LCS_KERNEL_TRACEBACK_H
