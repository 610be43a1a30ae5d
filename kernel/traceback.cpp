// The bit-matrix traceback under lcs::align.
//
// H. Hyyrö, "A note on bit-parallel alignment computation", Prague
// Stringology Conference 2004. The row pass of the bit-parallel LCS
// (kernel/kernel.h: bit p - 1 of row j's vector V is 0 exactly when
// L(j, p) = L(j, p - 1) + 1) runs over X in blocks of eight words (four at
// the end), and the vector of every row is kept: m x ceil(n / 256) x 4
// words, which is why lcs::align calls this only for pieces that fit in the cache. The walk back
// from (m, n) then takes the diagonal where the symbols are equal (then
// L(j, p) = L(j - 1, p - 1) + 1 always), else goes left when bit p - 1 of
// row j says L(j, p) = L(j, p - 1), else up, since then L(j, p) =
// L(j - 1, p). One bit per step, n + m steps; the pass costs
// m x ceil(n / 256) four-word updates, as in the plain blocks of the kernel.
// The walk's turns follow random text unpredictably, but a branch-free walk
// measured slower: each step's loads would wait on the step before.
//
// Tests: tests/test_align.cpp (every length 0 to 200 across the word and
// block edges, pieces of one row, symbols beyond 0xFFFF) and
// fuzz/fuzz_align.cpp.
#include "kernel/traceback.h"

#include <algorithm>

#include "kernel/word.h"

namespace lcs::kernel {
namespace {

// Rows are kept in whole groups of four words; the pass runs blocks of
// eight words while they fit and a group of four at the end, since a block
// reads its rows' carries and match rows once for all its words.
constexpr std::size_t kBlockWords = 4;
constexpr std::size_t kWideWords = 2 * kBlockWords;
// A code's match row within a block: its eight words, then their
// complements.
constexpr std::size_t kRowWords = 2 * kWideWords;

// The match rows of X's positions [first, first + width) in `match`
// (present), or back to empty (all zero, complements all ones).
void set_matches(const Coded& c, std::size_t first, std::size_t width, Word* match,
                 bool present) {
    for (std::size_t i = 0; i < width; ++i) {
        Word* row = match + std::size_t{c.x[first + i]} * kRowWords;
        const Word bit = Word{1} << (i % kWordBits);
        const std::size_t k = i / kWordBits;
        row[k] = present ? row[k] | bit : 0;
        row[kWideWords + k] = present ? row[kWideWords + k] & ~bit : ~Word{0};
    }
}

// One block of W words of X, from word `word`, down every row, each row's
// words kept in `rows`.
template <std::size_t W>
void keep_block(const Coded& c, std::size_t words, std::size_t word, const Word* match,
                unsigned char* carries, Word* rows) {
    Word v[W];
    std::fill_n(v, W, ~Word{0});
    for (std::size_t r = 0; r < c.m; ++r) {
        const Word* row = match + std::size_t{c.y[r]} * kRowWords;
        unsigned char carry = carries[r];
        for (std::size_t k = 0; k < W; k += kBlockWords) update_four<kWideWords>(v + k, row + k, carry);
        carries[r] = carry;
        std::copy(v, v + W, rows + r * words + word);
    }
}

// Every row of X's blocks in turn, each row's words kept in `rows`.
void keep_rows(const Coded& c, std::size_t words, Word* rows) {
    std::vector<Word> match((c.distinct + 1) * kRowWords, 0);
    for (std::size_t code = 0; code <= c.distinct; ++code) {
        std::fill_n(match.begin() + static_cast<std::ptrdiff_t>(code * kRowWords + kWideWords),
                    kWideWords, ~Word{0});
    }
    std::vector<unsigned char> carries(c.m, 0);
    for (std::size_t word = 0; word < words;) {
        const std::size_t block = words - word >= kWideWords ? kWideWords : kBlockWords;
        const std::size_t first = word * kWordBits;
        const std::size_t width = std::min(block * kWordBits, c.n - first);
        set_matches(c, first, width, match.data(), true);
        if (block == kWideWords) {
            keep_block<kWideWords>(c, words, word, match.data(), carries.data(), rows);
        } else {
            keep_block<kBlockWords>(c, words, word, match.data(), carries.data(), rows);
        }
        set_matches(c, first, width, match.data(), false);
        word += block;
    }
}

}  // namespace

std::size_t traceback_words(std::size_t n, std::size_t m) {
    return m * ((n + kBlockWords * kWordBits - 1) / (kBlockWords * kWordBits) * kBlockWords);
}

void traceback(const Coded& c, std::vector<Word>& rows, std::vector<MatchRun>& out) {
    const std::size_t words = traceback_words(c.n, 1);
    // Exactly what this piece needs: resize alone may double the storage,
    // and these rows are most of lcs::align's working memory.
    const std::size_t needed = traceback_words(c.n, c.m);
    if (rows.capacity() < needed) {
        rows.clear();
        rows.shrink_to_fit();
        rows.reserve(needed);
    }
    rows.resize(needed);
    keep_rows(c, words, rows.data());
    // The walk meets the matches from the last; they are gathered, then
    // appended in order.
    std::vector<MatchRun> backwards;
    auto p = static_cast<std::int32_t>(c.n), j = static_cast<std::int32_t>(c.m);
    while (p > 0 && j > 0) {
        if (c.x[p - 1] == c.y[j - 1]) {
            --p;
            --j;
            if (!backwards.empty() && backwards.back().x == p + 1 && backwards.back().y == j + 1) {
                backwards.back() = {p, j, backwards.back().count + 1};
            } else {
                backwards.push_back({p, j, 1});
            }
            continue;
        }
        const Word word = rows[static_cast<std::size_t>(j - 1) * words +
                               static_cast<std::size_t>(p - 1) / kWordBits];
        if ((word >> ((p - 1) % kWordBits)) & 1) {
            --p;
        } else {
            --j;
        }
    }
    out.insert(out.end(), backwards.rbegin(), backwards.rend());
}

}  // namespace lcs::kernel
