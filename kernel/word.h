// The word update of the bit-parallel LCS, shared by every kernel path.
//
// A row of the row vector V over a symbol with match row M is
//     U = V & M,   V' = (V + U) | (V - U),
// the addition carrying across all words from word 0. U lies inside V, so
// V - U is V ^ U = V & ~M and only the addition carries. The carry into a
// word is the vertical step of the LCS table at that word's lowest column,
// which is why a vector may be cut into words, or blocks of words, that pass
// each other one carry bit per row.
#ifndef LCS_KERNEL_WORD_H
#define LCS_KERNEL_WORD_H

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#define LCS_KERNEL_X86 1
#endif

namespace lcs::kernel {

using Word = std::uint64_t;
// Dense code of a symbol within one prepared string: 1 upwards for its
// distinct symbols, 0 for every symbol it lacks.
using Code = std::uint32_t;
constexpr std::size_t kWordBits = 64;

constexpr std::size_t words_for(std::size_t positions) {
    return (positions + kWordBits - 1) / kWordBits;
}

inline Word add_with_carry(Word x, Word y, unsigned char& carry) {
#if defined(LCS_KERNEL_X86)
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

// Without the popcnt instruction in the baseline, the compiler's builtin is
// a library call, which makes its callers keep their words in memory; the
// SWAR count (Knuth, TAOCP vol. 4A, 7.1.3) stays in registers.
inline std::size_t zero_bits(Word w) {
#if defined(__POPCNT__)
    return static_cast<std::size_t>(__builtin_popcountll(~w));
#else
    Word x = ~w;
    x -= (x >> 1) & 0x5555555555555555ULL;
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<std::size_t>((x * 0x0101010101010101ULL) >> 56);
#endif
}

// Slot of a symbol in an open-addressing table of 2^bits slots (bits 1 to
// 63), by Fibonacci hashing (Knuth, TAOCP vol. 3, 6.4): the top bits of the
// product with 2^64 / phi, which spread runs of nearby symbols.
inline std::size_t fibonacci_slot(char32_t symbol, unsigned bits) {
    return static_cast<std::size_t>((std::uint64_t{symbol} * 0x9E3779B97F4A7C15ULL) >> (64 - bits));
}

// One word of a row: the new word of V, the carry passed on in `carry`.
inline Word update_word(Word v, Word match, unsigned char& carry) {
    const Word u = v & match;
    return add_with_carry(v, u, carry) | (v ^ u);
}

// A single-word row, where no carry enters or leaves.
inline Word update_single(Word v, Word match) {
    const Word u = v & match;
    return (v + u) | (v ^ u);
}

// A whole row of `words` words of V over a contiguous match row; `carry`
// enters word 0 and leaves the top word. The register paths use the
// unrolled forms below.
inline void update_row(Word* v, const Word* match, std::size_t words, unsigned char& carry) {
    for (std::size_t k = 0; k < words; ++k) v[k] = update_word(v[k], match[k], carry);
}

// Four words of one row, ~M of each word at m[Offset + k]: the form of the
// column blocks, whose match rows carry their complements.
#if defined(LCS_KERNEL_X86) && defined(__OPTIMIZE__)
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
// Two words of one row whose match row has no complements beside it (a
// whole-X table): the ANDs that make U go first, the two ADCs run on the
// carry flag, and ~M & V is remade from a second load of M after them, so
// that only V and the sums stay in registers.
inline void update_two(Word* v, const Word* m, unsigned char& carry) {
    Word u0, u1, t;
    __asm__(
        "mov %[v0], %[u0]\n\tand (%[m]), %[u0]\n\t"
        "mov %[v1], %[u1]\n\tand 8(%[m]), %[u1]\n\t"
        "addb $-1, %[c]\n\t"
        "adc %[v0], %[u0]\n\tadc %[v1], %[u1]\n\t"
        "setc %[c]\n\t"
        "mov %[v0], %[t]\n\tand (%[m]), %[t]\n\txor %[t], %[v0]\n\tor %[u0], %[v0]\n\t"
        "mov %[v1], %[t]\n\tand 8(%[m]), %[t]\n\txor %[t], %[v1]\n\tor %[u1], %[v1]"
        : [v0] "+r"(v[0]), [v1] "+r"(v[1]), [u0] "=&r"(u0), [u1] "=&r"(u1), [t] "=&r"(t),
          [c] "+q"(carry)
        : [m] "r"(m), "m"(*reinterpret_cast<const Word(*)[2]>(m))
        : "cc");
}
// Four words of a row whose match row has no complements beside it, the
// carry on the flag through all four, as update_two does for two.
inline void update_four_plain(Word* v, const Word* m, unsigned char& carry) {
    Word u0, u1, u2, u3, t;
    __asm__(
        "mov %[v0], %[u0]\n\tand (%[m]), %[u0]\n\t"
        "mov %[v1], %[u1]\n\tand 8(%[m]), %[u1]\n\t"
        "mov %[v2], %[u2]\n\tand 16(%[m]), %[u2]\n\t"
        "mov %[v3], %[u3]\n\tand 24(%[m]), %[u3]\n\t"
        "addb $-1, %[c]\n\t"
        "adc %[v0], %[u0]\n\tadc %[v1], %[u1]\n\tadc %[v2], %[u2]\n\tadc %[v3], %[u3]\n\t"
        "setc %[c]\n\t"
        "mov %[v0], %[t]\n\tand (%[m]), %[t]\n\txor %[t], %[v0]\n\tor %[u0], %[v0]\n\t"
        "mov %[v1], %[t]\n\tand 8(%[m]), %[t]\n\txor %[t], %[v1]\n\tor %[u1], %[v1]\n\t"
        "mov %[v2], %[t]\n\tand 16(%[m]), %[t]\n\txor %[t], %[v2]\n\tor %[u2], %[v2]\n\t"
        "mov %[v3], %[t]\n\tand 24(%[m]), %[t]\n\txor %[t], %[v3]\n\tor %[u3], %[v3]"
        : [v0] "+r"(v[0]), [v1] "+r"(v[1]), [v2] "+r"(v[2]), [v3] "+r"(v[3]), [u0] "=&r"(u0),
          [u1] "=&r"(u1), [u2] "=&r"(u2), [u3] "=&r"(u3), [t] "=&r"(t), [c] "+q"(carry)
        : [m] "r"(m), "m"(*reinterpret_cast<const Word(*)[4]>(m))
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

inline void update_two(Word* v, const Word* m, unsigned char& carry) {
    v[0] = update_word(v[0], m[0], carry);
    v[1] = update_word(v[1], m[1], carry);
}
inline void update_four_plain(Word* v, const Word* m, unsigned char& carry) {
    update_two(v, m, carry);
    update_two(v + 2, m + 2, carry);
}
#endif

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_WORD_H
