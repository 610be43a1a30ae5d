// The row pass and the bit-matrix traceback under lcs::align.
//
// Row pass: Hyyrö's bit-parallel LCS row (H. Hyyrö, "Bit-parallel
// LCS-length computation revisited", AWOCA 2004). X is packed one bit per
// position; a symbol y of Y updates the row vector V by U = V & M[y],
// V' = (V + U) | (V - U), with V - U = V & ~M[y] since U lies inside V. Bit
// p - 1 of V is 0 exactly when L(j, p) = L(j, p - 1) + 1, so the zero bits
// below p count L(j, p). X is cut into blocks of four words held in
// registers; each block runs down all its rows before the next starts, and
// the carry out of each row (the vertical step L(j, p) - L(j - 1, p) at the
// block's edge) goes through a byte per row to the next block. So the match
// rows of one block (alphabet x 4 words) are all the pass needs of X, and
// the storage is |Y| bytes whatever the length of X. Cost: |Y| x ceil(|X| /
// 256) blocks of four word updates.
//
// Band (E. Ukkonen, "Algorithms for approximate string matching",
// Information and Control 64, 1985): a block runs only the rows in which it
// meets the band's diagonals; before them it is still all ones, after them
// frozen, and the rows it skips pass carry 0 on. Every value so computed is
// one of the recurrence over a table whose skipped cells are replaced by
// smaller ones, so it is a lower bound, exact along any path inside the band.
//
// Traceback (H. Hyyrö, "A note on bit-parallel alignment computation",
// Prague Stringology Conference 2004): with the row vectors of every row
// kept, the walk back from (|Y|, |X|) takes the diagonal where the symbols
// are equal (then L(j, p) = L(j - 1, p - 1) + 1 always), else goes left
// when bit p - 1 of row j says L(j, p) = L(j, p - 1), else up, since then
// L(j, p) = L(j - 1, p). One bit per step, |X| + |Y| steps.
//
// Tests: tests/test_align.cpp (every length 0 to 200 across the block
// edges, both paths of the band forced, threads) and fuzz/fuzz_align.cpp.
#include "kernel/traceback.h"

#include "kernel/word.h"

#include <algorithm>

namespace lcs::detail {
namespace {

template <typename Symbol>
void set_block_matches(Strand<Symbol> x, std::int32_t base, std::int32_t width,
                       std::uint64_t* match, bool present) {
    for (std::int32_t i = 0; i < width; ++i) {
        std::uint64_t* row = match + static_cast<std::size_t>(x[base + i]) * kMatchRowWords;
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        row[i / 64] = present ? row[i / 64] | bit : 0;
        row[kBlockWords + i / 64] = present ? row[kBlockWords + i / 64] & ~bit : ~std::uint64_t{0};
    }
}

// Rows [first, last) of one block; `v` holds its four words in and out.
template <typename Symbol, bool Record>
void run_block(Strand<Symbol> y, std::int64_t first, std::int64_t last, const std::uint64_t* match,
               std::uint8_t* carries, std::uint64_t v[kBlockWords], std::uint64_t* rows,
               std::int32_t words) {
    std::uint64_t block[kBlockWords];
    std::copy(v, v + kBlockWords, block);
    for (std::int64_t r = first; r < last; ++r) {
        const std::uint64_t* m =
            match + static_cast<std::size_t>(y[static_cast<std::int32_t>(r)]) * kMatchRowWords;
        unsigned char carry = carries[r];
        for (std::int32_t k = 0; k < kBlockWords; k += 4) {
            kernel::update_four<kBlockWords>(block + k, m + k, carry);
        }
        carries[r] = carry;
        if constexpr (Record) {
            std::copy(block, block + kBlockWords,
                      rows + static_cast<std::size_t>(r) * static_cast<std::size_t>(words));
        }
    }
    std::copy(block, block + kBlockWords, v);
}

}  // namespace

PassScratch::PassScratch(std::size_t alphabet) : match(alphabet * kMatchRowWords, 0) {
    for (std::size_t row = 0; row < alphabet; ++row) {
        std::fill_n(match.begin() + static_cast<std::ptrdiff_t>(row * kMatchRowWords + kBlockWords),
                    kBlockWords, ~std::uint64_t{0});
    }
}

template <typename Symbol>
void row_pass(Strand<Symbol> x, Strand<Symbol> y, Band band, PassScratch& scratch,
              std::uint64_t* v, std::uint64_t* rows) {
    const std::int32_t words = row_words(x.size);
    scratch.carries.assign(static_cast<std::size_t>(y.size), 0);
    for (std::int32_t block = 0; block * kBlockWords < words; ++block) {
        const std::int32_t base = block * kBlockBits;
        const std::int32_t width = std::min(kBlockBits, x.size - base);
        const std::int64_t first = std::max<std::int64_t>(0, std::int64_t{base} - band.hi);
        const std::int64_t last =
            std::min<std::int64_t>(y.size, std::int64_t{base} + kBlockBits - band.lo);
        std::uint64_t* out = v + static_cast<std::ptrdiff_t>(block) * kBlockWords;
        std::fill(out, out + kBlockWords, ~std::uint64_t{0});
        if (first >= last) continue;
        set_block_matches(x, base, width, scratch.match.data(), true);
        if (rows != nullptr) {
            run_block<Symbol, true>(y, first, last, scratch.match.data(), scratch.carries.data(),
                                    out, rows + base / 64, words);
        } else {
            run_block<Symbol, false>(y, first, last, scratch.match.data(), scratch.carries.data(),
                                     out, nullptr, words);
        }
        set_block_matches(x, base, width, scratch.match.data(), false);
    }
}

void append_keep(std::vector<Keep>& out, Keep keep) {
    if (keep.count <= 0) return;
    if (!out.empty()) {
        Keep& last = out.back();
        if (last.a + last.count == keep.a && last.b + last.count == keep.b) {
            last.count += keep.count;
            return;
        }
    }
    out.push_back(keep);
}

template <typename Symbol>
void traceback(Strand<Symbol> x, Strand<Symbol> y, std::int32_t x_origin, std::int32_t y_origin,
               bool x_is_b, PassScratch& scratch, std::vector<Keep>& out) {
    const std::int32_t words = row_words(x.size);
    scratch.rows.resize(static_cast<std::size_t>(y.size) * static_cast<std::size_t>(words));
    std::vector<std::uint64_t> last_row(static_cast<std::size_t>(words));
    row_pass(x, y, full_band(x.size, y.size), scratch, last_row.data(), scratch.rows.data());
    // The walk meets the matches from the last; they are gathered, then
    // appended in order.
    std::vector<Keep> backwards;
    std::int32_t p = x.size, j = y.size;
    while (p > 0 && j > 0) {
        if (x[p - 1] == y[j - 1]) {
            --p;
            --j;
            if (!backwards.empty() && backwards.back().a == p + 1 && backwards.back().b == j + 1) {
                backwards.back() = {p, j, backwards.back().count + 1};
            } else {
                backwards.push_back({p, j, 1});
            }
            continue;
        }
        const std::uint64_t word =
            scratch.rows[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(words) +
                         static_cast<std::size_t>((p - 1) / 64)];
        if ((word >> ((p - 1) % 64)) & 1) {
            --p;
        } else {
            --j;
        }
    }
    for (auto run = backwards.rbegin(); run != backwards.rend(); ++run) {
        const std::int32_t xs = x_origin + run->a, ys = y_origin + run->b;
        append_keep(out, x_is_b ? Keep{ys, xs, run->count} : Keep{xs, ys, run->count});
    }
}

template void row_pass<unsigned char>(Strand<unsigned char>, Strand<unsigned char>, Band,
                                      PassScratch&, std::uint64_t*, std::uint64_t*);
template void row_pass<std::uint32_t>(Strand<std::uint32_t>, Strand<std::uint32_t>, Band,
                                      PassScratch&, std::uint64_t*, std::uint64_t*);
template void traceback<unsigned char>(Strand<unsigned char>, Strand<unsigned char>, std::int32_t,
                                       std::int32_t, bool, PassScratch&, std::vector<Keep>&);
template void traceback<std::uint32_t>(Strand<std::uint32_t>, Strand<std::uint32_t>, std::int32_t,
                                       std::int32_t, bool, PassScratch&, std::vector<Keep>&);

}  // namespace lcs::detail
