// Hyyrö's bit-parallel LCS over 64-bit words, with Ukkonen's band.
//
// H. Hyyrö, "Bit-parallel LCS-length computation revisited", AWOCA 2004; the
// word-parallel LCS before it: M. Crochemore, C. S. Iliopoulos, Y. J. Pinzon
// and J. F. Reid, "A fast and practical bit-vector algorithm for the longest
// common subsequence problem", Information Processing Letters 80(6), 2001.
//
// One sequence, X (n positions), is packed one bit per position; the other,
// Y (m positions), is read a character at a time. Bit p of the row vector V
// stands for position p + 1 of X. After the first j characters of Y the bit
// is 0 exactly when L(j, p + 1) = L(j, p) + 1, so the number of zero bits of
// V is L(j, n). V starts all ones (row 0 is all zero) and a character y
// updates it by
//
//     U = V & M[y],   V' = (V + U) | (V - U),
//
// where M[y] has the bits of the positions of X that hold y and the addition
// carries across the whole vector, from position 1 upwards. U lies inside V,
// so V - U is V ^ U: only the addition carries. The carry into bit p is
// L(j, p) - L(j - 1, p), the vertical step of the table at column p; that is
// what lets the vector be cut into blocks of words that pass each other one
// bit per row. Paper to code: Hyyrö's V' is `v` after the row, M[y] is the
// block's match row of y's code; Crochemore et al.'s vector is ~V.
//
// Layout. X is cut into blocks of up to eight words, held in registers, and
// each block runs down all its rows of Y before the next block starts; the
// carry out of each row goes through `carries` to the same row of the next
// block. So a row costs no loads or stores of V, the words of one block are
// independent but for the carry, and the match rows of a block (257 x 16
// words at most, each row followed by its complement ~M) stay in the
// first-level cache. Where the processor has AVX-512, blocks of 32 words run
// as four vector registers instead (run_vector_block), and the plain blocks
// finish the vector. Match rows exist only for the bytes that occur in X,
// under dense codes; code 0 is the all-zero row of bytes that X lacks.
//
// Band (E. Ukkonen, "Algorithms for approximate string matching",
// Information and Control 64, 1985). A block is computed only for the rows in
// which it meets the diagonals [lo, hi] of the band; outside those rows it is
// frozen (left of the band) or still all ones (right of it), and the rows it
// skips give carry 0. The values so computed are a lower bound L~ of the
// table everywhere (the recurrence is monotone and every value that stands in
// for a skipped cell is one that the table exceeds or equals), and they equal
// the table along any path that stays in the band. With the band
// [min(0, n - m) - w, max(0, n - m) + w], a path that leaves it steps off the
// diagonal at least |n - m| + 2(w + 1) times, so it has at most
// min(n, m) - w - 1 matches. Hence, when L~ >= min(n, m) - w, no longest
// path leaves the band and L~ is exact. A first narrow band gives an L~ whose
// deficit min(n, m) - L~ bounds the true one, so a second band of that
// half-width always proves itself; when the first band shows the strings to
// be unlike, the full computation runs instead. A band that is narrow enough
// runs in a window of registers that slides along X with the diagonal (four
// words, or 16 to 64 words in vector registers): the same cells as the
// blocks and a few more, the same lower bound, at a cost per row that does
// not depend on the length of X.
//
// Cost: ceil(n / 64) words for each character of Y, four word operations
// and a carry each, for the full computation; in a band of half-width w
// about (|n - m| + 2 w) / 64 + 16 words per character in blocks, or the
// window's words. Storage: m codes and m carries, 257 x 32 match words, and
// for the windows the match rows of all of X (distinct bytes x ceil(n / 64)
// words, used only up to 64 MiB); nothing that grows with 256 x n. The
// routine packs whichever sequence costs fewer words in all. It wins over
// the byte-wise bit vectors and the tables everywhere but on tiny inputs,
// and on alike strings it costs time in proportion to their distance.
#include "routines/detail/hyyro.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define LCS_HYYRO_X86 1
#endif

using lcs::detail::count_of;
using lcs::detail::HyyroPaths;
using lcs::detail::ZeroFilled;

namespace {

using Word = std::uint64_t;
constexpr std::size_t kWordBits = 64;
// Widest block of the plain kernel: eight words in registers, with their
// temporaries, fill the general registers of x86-64.
constexpr std::size_t kWideBlock = 8;
// Words of the AVX-512 kernel's block: four registers of eight words.
constexpr std::size_t kVectorBlock = 32;
// Block width of the first, narrow band: a narrow band over wide blocks
// would cost most of what it saves.
constexpr std::size_t kNarrowBlock = 2;
// Half-width of the first band, in positions.
constexpr std::size_t kFirstBand = 64;
// Below this many words of X the full computation is cheap enough that a
// band does not repay its first pass.
constexpr std::size_t kBandMinWords = 32;

inline Word add_with_carry(Word x, Word y, unsigned char& carry) {
#if defined(LCS_HYYRO_X86)
    unsigned long long sum;
    carry = _addcarry_u64(carry, x, y, &sum);
    return sum;
#else
    const Word partial = x + y;
    const Word sum = partial + carry;
    carry = static_cast<unsigned char>((partial < x) | (sum < partial));
    return sum;
#endif
}

inline std::size_t zero_bits(Word w) {
    return static_cast<std::size_t>(__builtin_popcountll(~w));
}

// One comparison, laid out for the kernels.
struct Layout {
    const unsigned char* x;        // X's position p + 1 at x[p]
    std::size_t n;                 // length of X
    std::size_t m;                 // length of Y
    std::size_t distinct;          // bytes of X, coded 1 to distinct
    std::uint16_t code_of[256];    // dense code of each byte, 0 if absent from X
    const std::uint16_t* y_codes;  // the codes of Y's positions 1 to m
    unsigned char* carries;        // per row of Y: the carry out of the block before
    Word* match;                   // one block's match rows (build_match)
    std::size_t widest_block;      // words of the widest kernel in use
};

// The match rows of words first to first + width - 1 of X. The plain
// kernels also keep each row's complement, ~M, after it (a row of 2 x width
// words), for the term V - U = V & ~M.
void build_match(const Layout& s, std::size_t first, std::size_t width, bool complements) {
    const std::size_t stride = complements ? 2 * width : width;
    std::memset(s.match, 0, (s.distinct + 1) * stride * sizeof(Word));
    const std::size_t begin = first * kWordBits;
    const std::size_t end = std::min(s.n, (first + width) * kWordBits);
    for (std::size_t p = begin; p < end; ++p) {
        const std::size_t bit = p - begin;
        s.match[s.code_of[s.x[p]] * stride + bit / kWordBits] |= Word{1} << (bit % kWordBits);
    }
    if (!complements) return;
    for (std::size_t code = 0; code <= s.distinct; ++code) {
        Word* row = s.match + code * stride;
        for (std::size_t k = 0; k < width; ++k) row[width + k] = ~row[k];
    }
}

// Four words of one row: v[k] = (v[k] + u[k]) | (v[k] & ~m[k]), u = v & m,
// the additions carrying from v[0] to v[3]; ~m[k] is m[Offset + k].
#if defined(LCS_HYYRO_X86) && defined(__OPTIMIZE__)
// Compilers keep the carry of _addcarry_u64 in a byte between the words;
// here it stays in the carry flag through all four additions: the ANDs go
// first, the flag is set once from the carry byte, the four ADCs follow, and
// the flag is saved before the ORs clobber it.
template <std::size_t Offset>
inline void update_four(Word* v, const Word* m, unsigned char& carry) {
    Word u0, u1, u2, u3;
    __asm__(
        "mov %[v0], %[u0]\n\tand (%[m]), %[u0]\n\t"
        "mov %[v1], %[u1]\n\tand 8(%[m]), %[u1]\n\t"
        "mov %[v2], %[u2]\n\tand 16(%[m]), %[u2]\n\t"
        "mov %[v3], %[u3]\n\tand 24(%[m]), %[u3]\n\t"
        "addb $-1, %[c]\n\t"
        "adc %[v0], %[u0]\n\tadc %[v1], %[u1]\n\tadc %[v2], %[u2]\n\tadc %[v3], %[u3]\n\t"
        "setc %[c]\n\t"
        "and %c[off](%[m]), %[v0]\n\tor %[u0], %[v0]\n\t"
        "and %c[off]+8(%[m]), %[v1]\n\tor %[u1], %[v1]\n\t"
        "and %c[off]+16(%[m]), %[v2]\n\tor %[u2], %[v2]\n\t"
        "and %c[off]+24(%[m]), %[v3]\n\tor %[u3], %[v3]"
        : [v0] "+r"(v[0]), [v1] "+r"(v[1]), [v2] "+r"(v[2]), [v3] "+r"(v[3]), [u0] "=&r"(u0),
          [u1] "=&r"(u1), [u2] "=&r"(u2), [u3] "=&r"(u3), [c] "+q"(carry)
        : [m] "r"(m), [off] "i"(Offset * sizeof(Word)), "m"(*reinterpret_cast<const Word(*)[4]>(m)),
          "m"(*reinterpret_cast<const Word(*)[4]>(m + Offset))
        : "cc");
}
#else
template <std::size_t Offset>
inline void update_four(Word* v, const Word* m, unsigned char& carry) {
    for (std::size_t k = 0; k < 4; ++k) {
        const Word sum = add_with_carry(v[k], v[k] & m[k], carry);
        v[k] = sum | (v[k] & m[Offset + k]);
    }
}
#endif

// Runs one block of W words down rows first_row to end_row - 1 of Y (from
// 0), from the all-ones state, and returns its zero bits at the end. Bits
// past position n have no match and stay 1.
template <std::size_t W>
std::size_t run_block(const Word* match, const std::uint16_t* codes, unsigned char* carries,
                      std::size_t first_row, std::size_t end_row) {
    Word v[W];
    for (Word& word : v) word = ~Word{0};
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
    std::size_t zeros = 0;
    for (const Word word : v) zeros += zero_bits(word);
    return zeros;
}

std::size_t run_plain_block(const Layout& s, std::size_t width, std::size_t first_row,
                            std::size_t end_row) {
    switch (width) {
    case 8: return run_block<8>(s.match, s.y_codes, s.carries, first_row, end_row);
    case 4: return run_block<4>(s.match, s.y_codes, s.carries, first_row, end_row);
    case 2: return run_block<2>(s.match, s.y_codes, s.carries, first_row, end_row);
    default: return run_block<1>(s.match, s.y_codes, s.carries, first_row, end_row);
    }
}

#if defined(LCS_HYYRO_X86) && defined(__GNUC__)
#define LCS_HYYRO_AVX512 1

// The same block as run_block, 32 words as four AVX-512 registers of eight
// lanes. A lane adds without carrying, so the carries come from two masks:
// g, the lanes whose sum wrapped (they pass a carry on), and p, the lanes
// whose sum is all ones (they pass on a carry that reaches them). The lanes
// that receive a carry are then ((g << 1 | carry in) + p) ^ p: the mask
// addition runs each carry through its run of p lanes, as the word addition
// runs it through a run of one bits. g and p never share a lane, since a
// wrapped sum is at most 2^64 - 2, so bit 32 of the mask sum is the carry out.
__attribute__((target("avx512f"))) std::size_t run_vector_block(
    const Word* match, const std::uint16_t* codes, unsigned char* carries, std::size_t first_row,
    std::size_t end_row) {
    constexpr std::size_t kRegisters = 4;
    constexpr std::size_t kLanes = 8;
    const __m512i ones = _mm512_set1_epi64(-1);
    const __m512i one = _mm512_set1_epi64(1);
    __m512i v[kRegisters];
    for (__m512i& part : v) part = ones;
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
    std::size_t zeros = 0;
    for (const Word word : words) zeros += zero_bits(word);
    return zeros;
}

// A band of Y's rows in a window of K registers (8K words) that slides
// along X with the band: at row j it starts at the word of column j + lo,
// so it holds every column of the band if hi - lo < 64 (8K - 1). The words
// that the window leaves behind are frozen, the carry into its lowest word
// is 0 and the carry out of its top is dropped, as for the blocks outside a
// band; a word that enters it at the top is still all ones. Unlike a column
// block, the window costs 8K words a row whatever the length of X; it reads
// the match rows of all of X from `table` (row c at c * words).
template <std::size_t K>
__attribute__((target("avx512f"))) std::size_t run_vector_window(
    const Word* table, std::size_t words, const std::uint16_t* codes, std::size_t m,
    std::int64_t lo) {
    constexpr std::size_t kLanes = 8;
    constexpr std::size_t kWindow = K * kLanes;
    const __m512i ones = _mm512_set1_epi64(-1);
    const __m512i one = _mm512_set1_epi64(1);
    __m512i v[K];
    for (__m512i& part : v) part = ones;
    std::size_t frozen_zeros = 0;
    std::size_t first = 0;
    const std::size_t last_first = words - kWindow;
    for (std::size_t r = 0; r < m; ++r) {
        const std::int64_t low_column = static_cast<std::int64_t>(r) + 1 + lo;
        const std::size_t wanted =
            low_column <= 1 ? 0
                            : std::min(last_first, static_cast<std::size_t>(low_column - 1) / kWordBits);
        if (first < wanted) {  // the band moves one column a row: one word at most
            frozen_zeros += zero_bits(static_cast<Word>(v[0][0]));
            // Lanes move down by one, the next register's lowest lane coming in.
            for (std::size_t k = 0; k + 1 < K; ++k) {
                v[k] = _mm512_mask_alignr_epi64(v[k], 0xff, v[k + 1], v[k], 1);
            }
            v[K - 1] = _mm512_mask_alignr_epi64(v[K - 1], 0xff, ones, v[K - 1], 1);
            ++first;
        }
        const Word* row = table + std::size_t{codes[r]} * words + first;
        __m512i sum[K], kept[K];
        std::uint64_t wrapped = 0, full = 0;
        for (std::size_t k = 0; k < K; ++k) {
            const __m512i u = _mm512_and_si512(v[k], _mm512_loadu_si512(row + k * kLanes));
            sum[k] = _mm512_add_epi64(v[k], u);
            kept[k] = _mm512_xor_si512(v[k], u);
            wrapped |= std::uint64_t{_mm512_cmplt_epu64_mask(sum[k], v[k])} << (k * kLanes);
            full |= std::uint64_t{_mm512_cmpeq_epi64_mask(sum[k], ones)} << (k * kLanes);
        }
        const std::uint64_t received = ((wrapped << 1) + full) ^ full;
        for (std::size_t k = 0; k < K; ++k) {
            const auto lanes = static_cast<__mmask8>(received >> (k * kLanes));
            v[k] = _mm512_or_si512(_mm512_mask_add_epi64(sum[k], lanes, sum[k], one), kept[k]);
        }
    }
    alignas(64) Word last[kWindow];
    for (std::size_t k = 0; k < K; ++k) _mm512_store_si512(last + k * kLanes, v[k]);
    for (const Word word : last) frozen_zeros += zero_bits(word);
    return frozen_zeros;
}

bool processor_has_avx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
}
#else
bool processor_has_avx512() { return false; }
#endif

std::size_t run_any_block(const Layout& s, std::size_t width, std::size_t first_row,
                          std::size_t end_row) {
#if defined(LCS_HYYRO_AVX512)
    if (width == kVectorBlock) {
        return run_vector_block(s.match, s.y_codes, s.carries, first_row, end_row);
    }
#endif
    return run_plain_block(s, width, first_row, end_row);
}

// Diagonals i - j of the table, i a position of X and j of Y, from 1.
struct Band {
    std::int64_t lo, hi;
};

struct PassResult {
    std::size_t lcs;  // L~, a lower bound of the LCS
    bool abandoned;   // stopped once its deficit was sure to exceed give_up
};

// One pass over the band; the full table is the band [-m, n].
PassResult run_pass(const Layout& s, Band band, std::size_t block, std::size_t give_up) {
    std::memset(s.carries, 0, s.m);
    const std::size_t words = (s.n + kWordBits - 1) / kWordBits;
    const std::size_t shorter = std::min(s.n, s.m);
    const auto m = static_cast<std::int64_t>(s.m);
    std::size_t zeros = 0;
    for (std::size_t first = 0; first < words;) {
        std::size_t width = block;
        if (width == kVectorBlock && words - first < kVectorBlock) width = kWideBlock;
        while (width > words - first) width /= 2;
        // Columns c0 + 1 to c1; they meet the band in rows j with
        // c0 + 1 <= j + hi and j + lo <= c1. Those rows never decrease from
        // block to block, so the carries of rows past the previous block's
        // last are still 0.
        const std::size_t c0 = first * kWordBits;
        const std::size_t c1 = std::min(s.n, (first + width) * kWordBits);
        const std::int64_t first_row =
            std::max<std::int64_t>(1, static_cast<std::int64_t>(c0) + 1 - band.hi);
        const std::int64_t last_row = std::min<std::int64_t>(m, static_cast<std::int64_t>(c1) - band.lo);
        if (first_row <= last_row) {
            build_match(s, first, width, width != kVectorBlock);
            zeros += run_any_block(s, width, static_cast<std::size_t>(first_row - 1),
                                     static_cast<std::size_t>(last_row));
        }
        first += width;
        // Each later column adds at most 1 to the final count.
        if (zeros + (s.n - c1) + give_up < shorter) return {zeros, true};
    }
    return {zeros, false};
}

Band band_around_diagonal(const Layout& s, std::size_t half_width) {
    const std::int64_t delta = static_cast<std::int64_t>(s.n) - static_cast<std::int64_t>(s.m);
    const auto w = static_cast<std::int64_t>(half_width);
    return {std::min<std::int64_t>(0, delta) - w, std::max<std::int64_t>(0, delta) + w};
}

std::size_t full_lcs(const Layout& s) {
    const Band everything{-static_cast<std::int64_t>(s.m), static_cast<std::int64_t>(s.n)};
    return run_pass(s, everything, s.widest_block, s.n).lcs;
}

// The same band in a window of four words in registers that slides along X
// with the band, as run_vector_window does; it holds bands with
// hi - lo < 192 (a first band on strings of about equal length). A word
// that the window leaves behind keeps its zeros to the end and a later word
// adds at most 64, so the pass gives up, as run_pass does, once the deficit
// is sure to exceed give_up.
PassResult run_plain_window(const Layout& s, const Word* table, std::size_t words,
                            std::int64_t lo, std::size_t give_up) {
    const std::uint16_t* codes = s.y_codes;
    const std::size_t shorter = std::min(s.n, s.m);
    constexpr std::size_t kWindow = 4;
    Word v[kWindow] = {~Word{0}, ~Word{0}, ~Word{0}, ~Word{0}};
    std::size_t frozen_zeros = 0;
    std::size_t first = 0;
    const std::size_t last_first = words - kWindow;
    for (std::size_t r = 0; r < s.m; ++r) {
        const std::int64_t low_column = static_cast<std::int64_t>(r) + 1 + lo;
        const std::size_t wanted =
            low_column <= 1 ? 0
                            : std::min(last_first, static_cast<std::size_t>(low_column - 1) / kWordBits);
        if (first < wanted) {
            frozen_zeros += zero_bits(v[0]);
            for (std::size_t k = 0; k + 1 < kWindow; ++k) v[k] = v[k + 1];
            v[kWindow - 1] = ~Word{0};
            ++first;
            if (frozen_zeros + (s.n - first * kWordBits) + give_up < shorter) {
                return {frozen_zeros, true};
            }
        }
        const Word* row = table + std::size_t{codes[r]} * words + first;
        unsigned char carry = 0;
        for (std::size_t k = 0; k < kWindow; ++k) {
            const Word u = v[k] & row[k];
            const Word sum = add_with_carry(v[k], u, carry);
            v[k] = sum | (v[k] ^ u);
        }
    }
    for (const Word word : v) frozen_zeros += zero_bits(word);
    return {frozen_zeros, false};
}

// Registers of the widest sliding window.
constexpr std::size_t kWidestWindow = 8;
// The windows read the match rows of all of X; above this many bytes of
// them a band runs in column blocks instead.
constexpr double kWindowTableBytes = 64.0 * 1024 * 1024;

// The match rows of all of X, row c at c * words, for the sliding windows;
// empty when they would take more than kWindowTableBytes.
class MatchTable {
public:
    explicit MatchTable(const Layout& s)
        : words_((s.n + kWordBits - 1) / kWordBits),
          usable_(static_cast<double>(s.distinct + 1) * static_cast<double>(words_) *
                      sizeof(Word) <= kWindowTableBytes),
          rows_(usable_ ? (s.distinct + 1) * words_ : 0) {
        if (!usable_) return;
        for (std::size_t p = 0; p < s.n; ++p) {
            rows_[s.code_of[s.x[p]] * words_ + p / kWordBits] |= Word{1} << (p % kWordBits);
        }
    }
    bool usable() const { return usable_; }
    std::size_t words() const { return words_; }
    const Word* rows() const { return rows_.get(); }

private:
    std::size_t words_;
    bool usable_;
    ZeroFilled<Word> rows_;
};

// The registers of the narrowest vector window that holds the band, or 0
// when there is none (no AVX-512, too wide a band, too short an X).
std::size_t window_registers(const Layout& s, const MatchTable& table, Band band) {
    if (s.widest_block != kVectorBlock || !table.usable()) return 0;
    for (std::size_t k = 2; k <= kWidestWindow; ++k) {
        const auto columns = static_cast<std::int64_t>((8 * k - 1) * kWordBits);
        if (band.hi - band.lo <= columns && 8 * k <= table.words()) return k;
    }
    return 0;
}

// L~ of the band by a sliding window, when one holds it. A window computes
// every cell of the band, so its L~ is exact whenever the column blocks'
// would be.
bool run_window_pass(const Layout& s, const MatchTable& table, Band band, std::size_t give_up,
                     PassResult& result) {
    if (!table.usable()) return false;
    const std::size_t words = table.words();
    if (band.hi - band.lo <= static_cast<std::int64_t>(3 * kWordBits) && words >= 4) {
        result = run_plain_window(s, table.rows(), words, band.lo, give_up);
        return true;
    }
    result.abandoned = false;
    std::size_t& lcs = result.lcs;
#if defined(LCS_HYYRO_AVX512)
    const Word* rows = table.rows();
    switch (window_registers(s, table, band)) {
    case 0: return false;
    case 2: lcs = run_vector_window<2>(rows, words, s.y_codes, s.m, band.lo); break;
    case 3: lcs = run_vector_window<3>(rows, words, s.y_codes, s.m, band.lo); break;
    case 4: lcs = run_vector_window<4>(rows, words, s.y_codes, s.m, band.lo); break;
    case 5: lcs = run_vector_window<5>(rows, words, s.y_codes, s.m, band.lo); break;
    case 6: lcs = run_vector_window<6>(rows, words, s.y_codes, s.m, band.lo); break;
    case 7: lcs = run_vector_window<7>(rows, words, s.y_codes, s.m, band.lo); break;
    default: lcs = run_vector_window<8>(rows, words, s.y_codes, s.m, band.lo); break;
    }
    return true;
#else
    return false;
#endif
}

// The largest half-width whose band costs at most half the full computation,
// or 0 when no band is worth trying.
std::size_t widest_useful_band(const Layout& s) {
    const std::size_t words = (s.n + kWordBits - 1) / kWordBits;
    if (words < kBandMinWords) return 0;
    const std::size_t delta = s.n > s.m ? s.n - s.m : s.m - s.n;
    // In column blocks a band row touches at most (|n - m| + 2w) / 64 words
    // plus two blocks.
    const std::size_t budget = (words / 2 - 2 * kWideBlock) * kWordBits;
    std::size_t widest = budget > delta ? (budget - delta) / 2 : 0;
    // The widest window costs its 64 words a row.
    const std::size_t window_columns = (8 * kWidestWindow - 1) * kWordBits;
    if (s.widest_block == kVectorBlock && 8 * kWidestWindow <= words / 2 &&
        window_columns > delta) {
        widest = std::max(widest, (window_columns - delta) / 2);
    }
    return widest;
}

std::size_t banded_lcs(const Layout& s, const HyyroPaths& paths) {
    if (paths.first_band < 0) return full_lcs(s);
    const std::size_t shorter = std::min(s.n, s.m);
    const bool forced = paths.first_band > 0;
    const std::size_t widest = forced ? std::max(shorter, static_cast<std::size_t>(paths.first_band))
                                      : widest_useful_band(s);
    const std::size_t first_width = forced ? static_cast<std::size_t>(paths.first_band) : kFirstBand;
    if (widest < first_width) return full_lcs(s);

    const MatchTable table(s);
    const Band first_band = band_around_diagonal(s, first_width);
    PassResult narrow{0, false};
    if (!run_window_pass(s, table, first_band, widest, narrow)) {
        narrow = run_pass(s, first_band, kNarrowBlock, widest);
    }
    if (narrow.abandoned) return full_lcs(s);
    const std::size_t deficit = shorter - narrow.lcs;
    if (deficit <= first_width) return narrow.lcs;
    if (deficit > widest) return full_lcs(s);
    // The true deficit is at most this one, so this band holds every longest
    // path and its L~ is exact; the check restates the proof's condition.
    const Band band = band_around_diagonal(s, deficit);
    PassResult wide{0, false};
    if (!run_window_pass(s, table, band, shorter, wide)) wide = run_pass(s, band, kWideBlock, shorter);
    if (shorter - wide.lcs <= deficit) return wide.lcs;
    return full_lcs(s);
}

std::size_t distinct_bytes(const unsigned char* text, std::size_t length) {
    bool seen[256] = {};
    std::size_t count = 0;
    for (std::size_t p = 0; p < length; ++p) {
        if (!seen[text[p]]) {
            seen[text[p]] = true;
            ++count;
        }
    }
    return count;
}

// Work of the full computation with X packed, in words: the rows of Y, the
// building of X's match rows, and the codes and carries of Y (three bytes a
// position, stored and set up whatever X is), which make a short Y the one
// to read when the other is long.
double packing_cost(std::size_t n, std::size_t distinct, std::size_t m) {
    const double words = static_cast<double>((n + kWordBits - 1) / kWordBits);
    return words * (static_cast<double>(m) + static_cast<double>(distinct) + 1.0) +
           static_cast<double>(n) + static_cast<double>(m);
}

}  // namespace

namespace lcs::detail {

bool hyyro_has_vector_units() { return processor_has_avx512(); }

std::int32_t hyyro_lcs(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB,
                       HyyroPaths paths) {
    const std::size_t lengthA = count_of(lenA);
    const std::size_t lengthB = count_of(lenB);
    if (lengthA == 0 || lengthB == 0) return 0;
    const auto* textA = reinterpret_cast<const unsigned char*>(a) + 1;
    const auto* textB = reinterpret_cast<const unsigned char*>(b) + 1;

    // LCS(A, B) = LCS(B, A): pack the one that costs fewer words.
    const std::size_t distinctA = distinct_bytes(textA, lengthA);
    const std::size_t distinctB = distinct_bytes(textB, lengthB);
    const bool packA = packing_cost(lengthA, distinctA, lengthB) <=
                       packing_cost(lengthB, distinctB, lengthA);

    Layout s{};
    s.x = packA ? textA : textB;
    s.n = packA ? lengthA : lengthB;
    s.m = packA ? lengthB : lengthA;
    const unsigned char* y = packA ? textB : textA;
    for (std::size_t p = 0; p < s.n; ++p) {
        if (s.code_of[s.x[p]] == 0) s.code_of[s.x[p]] = static_cast<std::uint16_t>(++s.distinct);
    }
    ZeroFilled<std::uint16_t> codes(s.m);
    for (std::size_t r = 0; r < s.m; ++r) codes[r] = s.code_of[y[r]];
    ZeroFilled<unsigned char> carries(s.m);
    s.widest_block = paths.vector_units && processor_has_avx512() ? kVectorBlock : kWideBlock;
    // Match rows start on a cache line, so that no load of a row splits one.
    constexpr std::size_t kLineWords = 64 / sizeof(Word);
    ZeroFilled<Word> match((s.distinct + 1) * std::max(s.widest_block, 2 * kWideBlock) + kLineWords);
    const auto offset = reinterpret_cast<std::uintptr_t>(match.get()) / sizeof(Word) % kLineWords;
    s.match = match.get() + (offset == 0 ? 0 : kLineWords - offset);
    s.y_codes = codes.get();
    s.carries = carries.get();
    return static_cast<std::int32_t>(banded_lcs(s, paths));
}

}  // namespace lcs::detail

std::int32_t Hyyro_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    return lcs::detail::hyyro_lcs(a, b, lenA, lenB, lcs::detail::HyyroPaths{});
}
