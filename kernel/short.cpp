// Short strings: the shorter string X, of up to 256 positions, held whole in
// one to four words in registers, Y read once. Almost all of a short call
// is set-up, so the set-up here is in proportion to X alone: a byte X of up
// to 64 positions sits in a vector register and the match word of a symbol
// c is one compare of that register with c broadcast (AVX-512BW: a 64-bit
// mask; AVX2: two compares and two movemasks; 32-bit symbols: four AVX-512F
// compares); otherwise X's symbols get dense codes on the stack (a 256-entry
// table for bytes, cleared whole, 512 bytes; an open-addressing table twice
// the size of X for wider symbols) and their match rows are built there.
// Cost: one word update per symbol of Y per word of X, no heap storage.
// Covered by tests/test_kernel.cpp (each path forced) and
// tests/test_hyyro.cpp.
#include "kernel/short.h"

#include <cstring>

#include "kernel/blocks.h"
#include "kernel/rows.h"

namespace lcs::kernel {

namespace {

constexpr std::size_t kShortWords = words_for(kShortMax);

// Dense codes of a short X's bytes.
class ByteCodes {
public:
    explicit ByteCodes(std::size_t) { std::memset(code_of_, 0, sizeof code_of_); }
    Code add(char c) {
        std::uint16_t& code = code_of_[static_cast<unsigned char>(c)];
        if (code == 0) code = static_cast<std::uint16_t>(++distinct_);
        return code;
    }
    Code code(char c) const { return code_of_[static_cast<unsigned char>(c)]; }
    std::size_t distinct() const { return distinct_; }

private:
    std::uint16_t code_of_[256];
    std::size_t distinct_ = 0;
};

// Dense codes of a short X's 32-bit symbols: linear probing in a table at
// most half full.
class SymbolCodes {
public:
    explicit SymbolCodes(std::size_t n) {
        while (capacity_ < 2 * n) {
            capacity_ *= 2;
            ++bits_;
        }
        std::memset(code_, 0, capacity_ * sizeof code_[0]);
    }
    Code add(char32_t c) {
        std::size_t s = slot_of(c);
        while (code_[s] != 0 && symbol_[s] != c) s = (s + 1) & (capacity_ - 1);
        if (code_[s] == 0) {
            symbol_[s] = c;
            code_[s] = static_cast<std::uint16_t>(++distinct_);
        }
        return code_[s];
    }
    Code code(char32_t c) const {
        for (std::size_t s = slot_of(c); code_[s] != 0; s = (s + 1) & (capacity_ - 1)) {
            if (symbol_[s] == c) return code_[s];
        }
        return 0;
    }
    std::size_t distinct() const { return distinct_; }

private:
    std::size_t slot_of(char32_t c) const { return fibonacci_slot(c, bits_); }

    static constexpr std::size_t kSlots = 2 * kShortMax;
    std::size_t capacity_ = 8;
    unsigned bits_ = 3;
    std::size_t distinct_ = 0;
    char32_t symbol_[kSlots];
    std::uint16_t code_[kSlots];
};

// X's match rows built on the stack, then one to four words run down Y.
template <typename Codes, typename Char>
std::size_t coded_short_lcs(std::basic_string_view<Char> x, std::basic_string_view<Char> y) {
    Codes codes(x.size());
    Code x_codes[kShortMax];
    for (std::size_t p = 0; p < x.size(); ++p) x_codes[p] = codes.add(x[p]);
    const std::size_t words = words_for(x.size());
    Word rows[(kShortMax + 1) * kShortWords];
    std::fill(rows, rows + (codes.distinct() + 1) * words, Word{0});
    for (std::size_t p = 0; p < x.size(); ++p) {
        rows[x_codes[p] * words + p / kWordBits] |= Word{1} << (p % kWordBits);
    }
    Word v[kShortWords] = {~Word{0}, ~Word{0}, ~Word{0}, ~Word{0}};
    const auto code_of = [&codes](Char c) { return codes.code(c); };
    switch (words) {
    case 1: run_rows<1>(v, y.data(), y.size(), rows, code_of); break;
    case 2: run_rows<2>(v, y.data(), y.size(), rows, code_of); break;
    case 3: run_rows<3>(v, y.data(), y.size(), rows, code_of); break;
    default: run_rows<4>(v, y.data(), y.size(), rows, code_of); break;
    }
    return zero_bits_of(v, words);
}

inline Word low_bits(std::size_t n) { return n >= kWordBits ? ~Word{0} : (Word{1} << n) - 1; }

#if defined(LCS_KERNEL_X86) && defined(__GNUC__)
#define LCS_KERNEL_COMPARES 1

// Bits past X's end never match, so they stay 1 and count no zeros. X is
// copied to a padded buffer rather than read by a masked load: a masked
// load whose masked-off part crosses into another page can take a
// microcode assist that costs more than the whole comparison.
__attribute__((target("avx512f,avx512bw"))) std::size_t one_word_avx512(std::string_view x,
                                                                         std::string_view y) {
    const __mmask64 valid = low_bits(x.size());
    alignas(64) char padded[kWordBits] = {};
    std::memcpy(padded, x.data(), x.size());
    const __m512i packed = _mm512_load_si512(padded);
    Word v = ~Word{0};
    for (const char c : y) {
        v = update_single(v, _mm512_mask_cmpeq_epi8_mask(valid, packed, _mm512_set1_epi8(c)));
    }
    return zero_bits(v);
}

__attribute__((target("avx2"))) std::size_t one_word_avx2(std::string_view x, std::string_view y) {
    alignas(32) char padded[kWordBits] = {};
    std::memcpy(padded, x.data(), x.size());
    const Word valid = low_bits(x.size());
    const __m256i low = _mm256_load_si256(reinterpret_cast<const __m256i*>(padded));
    const __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i*>(padded + 32));
    Word v = ~Word{0};
    for (const char c : y) {
        const __m256i broadcast = _mm256_set1_epi8(c);
        const auto low_match = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(low, broadcast)));
        const auto high_match = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(high, broadcast)));
        v = update_single(v, (low_match | Word{high_match} << 32) & valid);
    }
    return zero_bits(v);
}

// Four registers of 16 symbols; a register past X's end has an empty mask.
__attribute__((target("avx512f"))) std::size_t one_word_avx512(std::u32string_view x,
                                                               std::u32string_view y) {
    constexpr std::size_t kLanes = 16;
    alignas(64) char32_t padded[kWordBits] = {};
    std::memcpy(padded, x.data(), x.size() * sizeof(char32_t));
    __m512i packed[4];
    __mmask16 valid[4];
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t begin = k * kLanes;
        valid[k] = static_cast<__mmask16>(x.size() > begin ? low_bits(x.size() - begin) : 0);
        packed[k] = _mm512_load_si512(padded + begin);
    }
    Word v = ~Word{0};
    for (const char32_t c : y) {
        const __m512i broadcast = _mm512_set1_epi32(static_cast<int>(c));
        const Word match = Word{_mm512_mask_cmpeq_epi32_mask(valid[0], packed[0], broadcast)} |
                           Word{_mm512_mask_cmpeq_epi32_mask(valid[1], packed[1], broadcast)} << 16 |
                           Word{_mm512_mask_cmpeq_epi32_mask(valid[2], packed[2], broadcast)} << 32 |
                           Word{_mm512_mask_cmpeq_epi32_mask(valid[3], packed[3], broadcast)} << 48;
        v = update_single(v, match);
    }
    return zero_bits(v);
}
#endif

// A forced path that the processor lacks falls back to a narrower one.
bool wants(Isa chosen, Isa path) { return chosen == Isa::automatic || chosen >= path; }

}  // namespace

std::size_t short_lcs(std::string_view x, std::string_view y, Isa isa) {
#if defined(LCS_KERNEL_COMPARES)
    if (x.size() <= kWordBits) {
        if (wants(isa, Isa::avx512) && has_avx512()) return one_word_avx512(x, y);
        if (wants(isa, Isa::avx2) && has_avx2()) return one_word_avx2(x, y);
    }
#else
    (void)isa;
#endif
    return coded_short_lcs<ByteCodes>(x, y);
}

std::size_t short_lcs(std::u32string_view x, std::u32string_view y, Isa isa) {
#if defined(LCS_KERNEL_COMPARES)
    if (x.size() <= kWordBits && wants(isa, Isa::avx512) && has_avx512()) {
        return one_word_avx512(x, y);
    }
#else
    (void)isa;
#endif
    return coded_short_lcs<SymbolCodes>(x, y);
}

}  // namespace lcs::kernel
