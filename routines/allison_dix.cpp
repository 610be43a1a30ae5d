// Allison-Dix bit-vector LCS.
//
// L. Allison and T. I. Dix, "A bit-string longest-common-subsequence
// algorithm", Information Processing Letters 23(5), 1986. The row vector
// holds one bit per position of A; for every byte c of B it becomes
//
//   X = M[c] OR row,   row = X AND ((X - ((row << 1) OR 1)) XOR X)
//
// where M[c] has the bit of every position of A that holds c. After the
// bytes S of B processed so far, the bit of position j is set exactly when
// LCS(A[j..lenA], S) exceeds LCS(A[j+1..lenA], S), so the number of set bits
// is LCS(A, S). Paper to code: the paper's row_i is `row`, its M[b_i] is
// `match`, X is `x`.
//
// Layout. A bit vector is ceil(lenA / 8) + 1 bytes, byte 0 unused; bytes 1
// on, most significant first, form one number in which position j of A has
// the weight 2^(8 bytes - j): position 1 is the top bit of byte 1. The
// recurrence carries from the least significant bit upwards, meeting A from
// its end, so B is read from its end too (through the reversed copy that
// `reverse` makes). Bits below position lenA in the last byte stand for no
// position; they are 0 in every match vector and stay 0 in the row, since
// the AND with X clears them.
//
// Eight bytes are one step: read most significant byte first, eight bytes
// are one 64-bit piece of the number (a big-endian load). One pass per byte
// of B runs from the least significant piece to the most significant one and
// does all five operations on each piece, carrying two bits from piece to
// piece: the top bit of the unshifted row (the shift's carry) and the borrow
// of the subtraction. The top piece may hold fewer than eight bytes.
//
// Cost: lenB ceil(lenA / 64) piece steps plus O(lenA + lenB) set-up; a match
// vector of ceil(lenA / 8) + 1 bytes for each distinct byte of A and B. It
// beats every table method by about the word width, whatever the alphabet.
#include "routines/detail/allison_dix.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <lcs/routines.h>
#include "routines/detail/storage.h"

using lcs::detail::count_of;
using lcs::detail::ZeroFilled;
using lcs::detail::ZeroTable;

namespace {

using Piece = std::uint64_t;
constexpr std::size_t kPieceBytes = 8;

// `count` bytes (1 to 8) as one number, the first byte most significant.
inline Piece load_piece(const unsigned char* bytes, std::size_t count) {
    Piece value = 0;
    for (std::size_t k = 0; k < count; ++k) value = value << 8 | bytes[k];
    return value;
}

// The low 8 count bits of `value` back into `count` bytes, most significant
// first.
inline void store_piece(unsigned char* bytes, std::size_t count, Piece value) {
    for (std::size_t k = count; k-- > 0;) {
        bytes[k] = static_cast<unsigned char>(value);
        value >>= 8;
    }
}

// Eight bytes as one number, most significant first: one load and, on a
// little-endian machine, one byte swap.
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && \
    (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ || __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
inline Piece native_from_big_endian(Piece value) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(value);
#else
    return value;
#endif
}

inline Piece load_piece(const unsigned char* bytes) {
    Piece value;
    std::memcpy(&value, bytes, sizeof value);
    return native_from_big_endian(value);
}

inline void store_piece(unsigned char* bytes, Piece value) {
    value = native_from_big_endian(value);  // the swap is its own inverse
    std::memcpy(bytes, &value, sizeof value);
}
#else
inline Piece load_piece(const unsigned char* bytes) { return load_piece(bytes, kPieceBytes); }
inline void store_piece(unsigned char* bytes, Piece value) {
    store_piece(bytes, kPieceBytes, value);
}
#endif

// Carries between pieces, from the less significant piece to the next.
struct Carries {
    Piece shifted_out = 1;  // the bit shifted in at the bottom: 1 for the lowest piece
    Piece borrow = 0;
};

// One piece of the row update; returns the new row piece.
inline Piece update_piece(Piece match, Piece row, Carries& carry) {
    const Piece x = match | row;
    const Piece shifted = row << 1 | carry.shifted_out;
    carry.shifted_out = row >> 63;
    const Piece partial = x - shifted;
    const Piece difference = partial - carry.borrow;
    carry.borrow = static_cast<Piece>(x < shifted) | static_cast<Piece>(partial < carry.borrow);
    return x & (difference ^ x);
}

// The row update for one byte of B over a vector of `bytes` bytes (1-based).
void update_row(const unsigned char* match, unsigned char* row, std::size_t bytes) {
    Carries carry;
    std::size_t end = bytes + 1;  // one past the piece being handled
    for (; end >= 1 + kPieceBytes; end -= kPieceBytes) {
        const std::size_t start = end - kPieceBytes;
        store_piece(row + start,
                    update_piece(load_piece(match + start), load_piece(row + start), carry));
    }
    // The top piece of bytes 1 .. end - 1, if any: modulo its own width,
    // since the bits above it are 0 in X and the AND clears them.
    const std::size_t rest = end - 1;
    if (rest > 0) {
        store_piece(row + 1, rest,
                    update_piece(load_piece(match + 1, rest), load_piece(row + 1, rest), carry));
    }
}

}  // namespace

namespace lcs::detail {

std::unique_ptr<char[]> reverse(const char* sequence, std::int32_t length) {
    const std::size_t n = count_of(length);
    // Value-initialised: positions 0 and n + 1 are the zero byte, so the copy
    // is a proper one-based sequence whatever the source holds there.
    std::unique_ptr<char[]> reversed(new char[n + 2]());
    for (std::size_t j = 1; j <= n; ++j) reversed[n + 1 - j] = sequence[j];
    return reversed;
}

}  // namespace lcs::detail

std::int32_t AllisonDix_Alg(const char* a, const char* b, std::int32_t lenA, std::int32_t lenB) {
    const std::size_t n = count_of(lenA);
    const std::size_t m = count_of(lenB);
    const auto* textA = reinterpret_cast<const unsigned char*>(a);
    const std::unique_ptr<char[]> reversed = lcs::detail::reverse(b, lenB);
    const auto* reversedB = reinterpret_cast<const unsigned char*>(reversed.get());
    const std::size_t bytes = n / 8 + (n % 8 != 0);

    bool present[256] = {};
    for (std::size_t j = 1; j <= n; ++j) present[textA[j]] = true;
    for (std::size_t k = 1; k <= m; ++k) present[reversedB[k]] = true;

    // One match vector per byte that occurs, in one block; a byte of B absent
    // from A keeps the all-zero vector and leaves the row as it is.
    std::size_t distinct = 0;
    for (bool p : present) distinct += p;
    ZeroTable<unsigned char> vectors(distinct, bytes + 1);
    unsigned char* match[256] = {};
    for (std::size_t value = 0, next = 0; value < 256; ++value) {
        if (present[value]) match[value] = vectors.row(next++);
    }
    for (std::size_t j = 1; j <= n; ++j) {
        match[textA[j]][(j - 1) / 8 + 1] |= static_cast<unsigned char>(0x80u >> ((j - 1) % 8));
    }

    ZeroFilled<unsigned char> row(bytes + 1);
    for (std::size_t k = 1; k <= m; ++k) update_row(match[reversedB[k]], row.get(), bytes);

    std::size_t count = 0;
    for (std::size_t s = 1; s <= bytes; ++s) count += std::bitset<8>(row[s]).count();
    return static_cast<std::int32_t>(count);
}
