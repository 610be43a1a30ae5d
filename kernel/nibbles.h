// Match bits of a byte looked up by its two nibbles, and the bit-parallel
// LCS row update on vectors of 8-bit limbs: the pieces of the byte-lane
// engines, whichever way their lanes are packed (one query against many
// choices, or many queries against one choice).
//
// A byte c matches query position k exactly when both of its nibbles equal
// those of the query's symbol k. So with
//     low[x]  = the positions whose symbol has low nibble x,
//     high[y] = the positions whose symbol has high nibble y,
// the match bits of c are low[c & 15] & high[c >> 4]: two 16-entry tables,
// each one byte shuffle (pshufb) for a whole vector of bytes, and no gather.
// Each table entry holds up to 64 positions as eight limbs of 8 bits; limb
// q of an entry is the byte that a shuffle reads for positions 8q to 8q + 7.
//
// A row vector of up to 64 positions then lives in up to eight vectors of
// bytes, limb q of every lane in vector q. The update U = V & M,
// V' = (V + U) | (V ^ U) adds limb by limb, each limb's carry passed to the
// next limb of the same lane: the carry out of bit 7 of a + b + c is
// (a & b) | ((a | b) & ~sum) at bit 7, which for b = U inside V is
// U | (V & ~sum). With AVX-512 VL each of the three Boolean parts of a limb's
// update is one ternary-logic instruction (step_limbs_ternary).
#ifndef LCS_KERNEL_NIBBLES_H
#define LCS_KERNEL_NIBBLES_H

#include <cstddef>
#include <cstdint>

#include "kernel/word.h"

namespace lcs::kernel {

// Limbs of the widest query the tables hold: 128 positions.
constexpr std::size_t kMostLimbs = 16;

// The nibble tables of a query, limb by limb.
struct NibbleTables {
    alignas(16) std::uint8_t low[kMostLimbs][16];
    alignas(16) std::uint8_t high[kMostLimbs][16];
};

// Tables from the match row of each of the 256 byte values, `words` words
// (at most kMostLimbs / 8) at rows + b * words for byte b; a byte that the
// query lacks has an all-zero row. Any 256 values may stand for the
// alphabet: bytes themselves, or the rows of a coded alphabet.
inline NibbleTables nibble_tables(const Word* rows, std::size_t words) {
    NibbleTables tables{};
    for (std::size_t c = 0; c < 256; ++c) {
        for (std::size_t q = 0; q < 8 * words; ++q) {
            const auto limb = static_cast<std::uint8_t>(rows[c * words + q / 8] >> (8 * (q % 8)));
            tables.low[q][c & 15] |= limb;
            tables.high[q][c >> 4] |= limb;
        }
    }
    return tables;
}

#if defined(LCS_KERNEL_X86) && defined(__GNUC__)
#define LCS_KERNEL_NIBBLES_AVX2 1
#define LCS_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// A byte vector's two nibbles, each in the low half of its byte: shuffle
// indices that never have bit 7 set, so no lane reads zero by accident.
struct Nibbles {
    __m256i low, high;
};

LCS_AVX2_INLINE Nibbles nibbles_of(__m256i bytes) {
    const __m256i four_bits = _mm256_set1_epi8(0x0F);
    return {_mm256_and_si256(bytes, four_bits),
            _mm256_and_si256(_mm256_srli_epi16(bytes, 4), four_bits)};
}

// Limb q of the tables in both halves of a vector, as the shuffles read it.
LCS_AVX2_INLINE __m256i table_limb(const std::uint8_t* limb) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(limb)));
}

// The match limb of every byte lane.
LCS_AVX2_INLINE __m256i match_limb(__m256i low_table, __m256i high_table, const Nibbles& n) {
    return _mm256_and_si256(_mm256_shuffle_epi8(low_table, n.low),
                            _mm256_shuffle_epi8(high_table, n.high));
}

// One row of a vector of K limbs over match limbs m: carry is 0xFF in the
// lanes that a limb passes a carry to the next.
template <std::size_t K>
LCS_AVX2_INLINE void update_limbs(__m256i* v, const __m256i* m) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i carry = zero;
    for (std::size_t q = 0; q < K; ++q) {
        const __m256i u = _mm256_and_si256(v[q], m[q]);
        __m256i sum = _mm256_add_epi8(v[q], u);
        if (q > 0) sum = _mm256_sub_epi8(sum, carry);
        if (q + 1 < K) {
            carry = _mm256_cmpgt_epi8(zero, _mm256_or_si256(u, _mm256_andnot_si256(sum, v[q])));
        }
        v[q] = _mm256_or_si256(sum, _mm256_andnot_si256(m[q], v[q]));
    }
}

// One step of K limbs: the match limbs of the step's symbols (nibbles n in
// the tables' limbs low and high), then the row update.
template <std::size_t K>
LCS_AVX2_INLINE void step_limbs(__m256i* v, const __m256i* low, const __m256i* high,
                                const Nibbles& n) {
    __m256i match[K];
    for (std::size_t q = 0; q < K; ++q) match[q] = match_limb(low[q], high[q], n);
    update_limbs<K>(v, match);
}

#define LCS_AVX512VL_INLINE \
    __attribute__((target("avx2,avx512f,avx512bw,avx512vl"), always_inline)) inline

// step_limbs by AVX-512 VL's ternary logic (vpternlogd: bit i of the result
// is bit i of the immediate at the index a b c of the operands' bits, so
// with a = 0xF0, b = 0xCC, c = 0xAA the immediate is the formula itself):
// U = V & low & high in one instruction; the carry's U | (V & ~sum) in one;
// and V' = sum | (V & ~M), which is sum | (V ^ U) as U is V's bits inside
// M, in one. Three instructions a limb fewer than step_limbs.
template <std::size_t K>
LCS_AVX512VL_INLINE void step_limbs_ternary(__m256i* v, const __m256i* low, const __m256i* high,
                                            const Nibbles& n) {
    constexpr int kA = 0xF0, kB = 0xCC, kC = 0xAA;
    const __m256i zero = _mm256_setzero_si256();
    __m256i carry = zero;
    for (std::size_t q = 0; q < K; ++q) {
        const __m256i u = _mm256_ternarylogic_epi32(v[q], _mm256_shuffle_epi8(low[q], n.low),
                                                    _mm256_shuffle_epi8(high[q], n.high),
                                                    kA & kB & kC);
        __m256i sum = _mm256_add_epi8(v[q], u);
        if (q > 0) sum = _mm256_sub_epi8(sum, carry);
        if (q + 1 < K) {
            const __m256i carried = _mm256_ternarylogic_epi32(u, v[q], sum, kA | (kB & ~kC));
            carry = _mm256_cmpgt_epi8(zero, carried);
        }
        v[q] = _mm256_ternarylogic_epi32(sum, v[q], u, kA | (kB ^ kC));
    }
}
#endif

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_NIBBLES_H
