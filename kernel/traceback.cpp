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
// 256) blocks of four word updates. Where the processor has AVX-512 and the
// band is wide, blocks of 32 words run in four vector registers instead,
// each lane adding on its own and one scalar addition resolving the carries
// between lanes (run_vector_block), at about a quarter of the instructions
// per word.
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
// edges, lengths across the vector blocks, the band and the full pass and
// the plain blocks forced, threads) and fuzz/fuzz_align.cpp.
#include "kernel/traceback.h"

#include "kernel/word.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define LCS_TRACEBACK_X86 1
#endif

#include <algorithm>
#include <utility>

namespace lcs::detail {
namespace {

// Sets (or, present false, clears) the match bits of positions [base,
// base + width) of X in rows of `row_words` words, with their complements
// after them when `complemented`.
template <typename Symbol>
void set_matches(Strand<Symbol> x, std::int32_t base, std::int32_t width, std::uint64_t* match,
                 std::int32_t row_words, bool complemented, bool present) {
    for (std::int32_t i = 0; i < width; ++i) {
        std::uint64_t* row = match + static_cast<std::size_t>(x[base + i]) * 
                                         static_cast<std::size_t>(row_words);
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        row[i / 64] = present ? row[i / 64] | bit : 0;
        if (complemented) {
            row[kBlockWords + i / 64] = present ? row[kBlockWords + i / 64] & ~bit : ~std::uint64_t{0};
        }
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

#if defined(LCS_TRACEBACK_X86)
// Rows [first, last) of a block of 32 words in four vector registers. Each
// 64-bit lane adds on its own; a lane generates a carry when its sum wraps
// and passes one on when its sum is all ones, and with G and P those lanes'
// bits over the block, the lanes that receive a carry are
// ((G << 1 | carry in) + P) ^ P, bit 32 of the sum the carry out (a lane
// cannot both generate and pass on). One scalar addition resolves the 32
// words' carries.
template <typename Symbol>
__attribute__((target("avx512f"))) void run_vector_block(Strand<Symbol> y, std::int64_t first,
                                                         std::int64_t last,
                                                         const std::uint64_t* match,
                                                         std::uint8_t* carries, std::uint64_t* v) {
    __m512i v0 = _mm512_loadu_si512(v), v1 = _mm512_loadu_si512(v + 8),
            v2 = _mm512_loadu_si512(v + 16), v3 = _mm512_loadu_si512(v + 24);
    const __m512i ones = _mm512_set1_epi64(-1);
    for (std::int64_t r = first; r < last; ++r) {
        const std::uint64_t* m =
            match + static_cast<std::size_t>(y[static_cast<std::int32_t>(r)]) * kVectorBlockWords;
        const __m512i m0 = _mm512_loadu_si512(m), m1 = _mm512_loadu_si512(m + 8),
                      m2 = _mm512_loadu_si512(m + 16), m3 = _mm512_loadu_si512(m + 24);
        __m512i s0 = _mm512_add_epi64(v0, _mm512_and_si512(v0, m0));
        __m512i s1 = _mm512_add_epi64(v1, _mm512_and_si512(v1, m1));
        __m512i s2 = _mm512_add_epi64(v2, _mm512_and_si512(v2, m2));
        __m512i s3 = _mm512_add_epi64(v3, _mm512_and_si512(v3, m3));
        const std::uint64_t generate =
            std::uint64_t{_mm512_cmplt_epu64_mask(s0, v0)} |
            std::uint64_t{_mm512_cmplt_epu64_mask(s1, v1)} << 8 |
            std::uint64_t{_mm512_cmplt_epu64_mask(s2, v2)} << 16 |
            std::uint64_t{_mm512_cmplt_epu64_mask(s3, v3)} << 24;
        const std::uint64_t pass = std::uint64_t{_mm512_cmpeq_epi64_mask(s0, ones)} |
                                   std::uint64_t{_mm512_cmpeq_epi64_mask(s1, ones)} << 8 |
                                   std::uint64_t{_mm512_cmpeq_epi64_mask(s2, ones)} << 16 |
                                   std::uint64_t{_mm512_cmpeq_epi64_mask(s3, ones)} << 24;
        const std::uint64_t sum = ((generate << 1) | carries[r]) + pass;
        const std::uint64_t receive = sum ^ pass;
        carries[r] = static_cast<std::uint8_t>(sum >> 32);
        s0 = _mm512_mask_sub_epi64(s0, static_cast<__mmask8>(receive), s0, ones);
        s1 = _mm512_mask_sub_epi64(s1, static_cast<__mmask8>(receive >> 8), s1, ones);
        s2 = _mm512_mask_sub_epi64(s2, static_cast<__mmask8>(receive >> 16), s2, ones);
        s3 = _mm512_mask_sub_epi64(s3, static_cast<__mmask8>(receive >> 24), s3, ones);
        // V' = S | (V & ~M).
        v0 = _mm512_ternarylogic_epi64(s0, v0, m0, 0xF4);
        v1 = _mm512_ternarylogic_epi64(s1, v1, m1, 0xF4);
        v2 = _mm512_ternarylogic_epi64(s2, v2, m2, 0xF4);
        v3 = _mm512_ternarylogic_epi64(s3, v3, m3, 0xF4);
    }
    _mm512_storeu_si512(v, v0);
    _mm512_storeu_si512(v + 8, v1);
    _mm512_storeu_si512(v + 16, v2);
    _mm512_storeu_si512(v + 24, v3);
}
#endif

// The rows [first, last) of Y in which a block of X starting at `base` and
// `bits` long meets the band.
std::pair<std::int64_t, std::int64_t> rows_in_band(std::int32_t base, std::int32_t bits, Band band,
                                                   std::int32_t rows) {
    return {std::max<std::int64_t>(0, std::int64_t{base} - band.hi),
            std::min<std::int64_t>(rows, std::int64_t{base} + bits - band.lo)};
}

}  // namespace

bool vector_blocks_available() {
#if defined(LCS_TRACEBACK_X86)
    return __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

PassScratch::PassScratch(std::size_t alphabet, bool vector_units)
    : alphabet(alphabet),
      vector_units(vector_units && alphabet <= kVectorAlphabet && vector_blocks_available()),
      match(alphabet * kMatchRowWords, 0) {
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
    // Vector blocks where the band is at least one of them wide.
    const bool wide = scratch.vector_units && rows == nullptr &&
                      std::int64_t{band.hi} - band.lo >= kVectorBlockBits;
    if (wide && scratch.vector_match.empty()) {
        scratch.vector_match.assign(scratch.alphabet * kVectorBlockWords, 0);
    }
    for (std::int32_t word = 0; word < words;) {
        const bool vector = wide && words - word >= kVectorBlockWords;
        const std::int32_t block_words = vector ? kVectorBlockWords : kBlockWords;
        const std::int32_t base = word * 64, bits = block_words * 64;
        const std::int32_t width = std::min(bits, x.size - base);
        const auto [first, last] = rows_in_band(base, bits, band, y.size);
        std::uint64_t* out = v + word;
        std::fill(out, out + block_words, ~std::uint64_t{0});
        word += block_words;
        if (first >= last) continue;
#if defined(LCS_TRACEBACK_X86)
        if (vector) {
            std::uint64_t* match = scratch.vector_match.data();
            set_matches(x, base, width, match, kVectorBlockWords, false, true);
            run_vector_block(y, first, last, match, scratch.carries.data(), out);
            set_matches(x, base, width, match, kVectorBlockWords, false, false);
            continue;
        }
#endif
        std::uint64_t* match = scratch.match.data();
        set_matches(x, base, width, match, kMatchRowWords, true, true);
        if (rows != nullptr) {
            run_block<Symbol, true>(y, first, last, match, scratch.carries.data(), out,
                                    rows + base / 64, words);
        } else {
            run_block<Symbol, false>(y, first, last, match, scratch.carries.data(), out, nullptr,
                                     words);
        }
        set_matches(x, base, width, match, kMatchRowWords, true, false);
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
