// A string prepared for the bit-parallel kernel: its symbols under dense
// codes and the match rows of those codes. Behind lcs::Pattern; the batch
// reads it through detail::PatternAccess (toolkit/pattern.h), Pattern's
// friend.
//
// Codes: byte b (and symbol b < 256) looks up a table of 256 codes; a wider
// symbol looks up an open-addressing hash table of twice the query's wide
// distinct symbols. Match rows: (distinct + 1) rows of words() words, row 0
// all zero, held whole unless that would pass kDenseRowBytes (a long query
// of many distinct 32-bit symbols); then match_row() is null and
// match_word() reads each code's sorted positions instead. Either way the
// storage grows with the query's length, never with the alphabet's size
// times the length. Immutable once built, so any number of threads may read
// it at once.
#ifndef LCS_KERNEL_PATTERN_H
#define LCS_KERNEL_PATTERN_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kernel/word.h"

namespace lcs::detail {

// A struct, as <lcs/lcs.h> declares it.
struct PatternData {
    explicit PatternData(std::string_view query);
    explicit PatternData(std::u32string_view query);

    std::size_t size() const { return codes_.size(); }
    std::size_t words() const { return kernel::words_for(size()); }
    // Distinct symbols of the query, coded 1 to distinct().
    std::size_t distinct() const { return distinct_; }

    // The code of a symbol: 0 when the query lacks it.
    kernel::Code code(unsigned char byte) const { return byte_code_[byte]; }
    kernel::Code code(char32_t symbol) const {
        return symbol < 256 ? byte_code_[symbol] : wide_code(symbol);
    }
    // The query's own symbols, as codes, position by position.
    const kernel::Code* codes() const { return codes_.data(); }

    // The match row of a code, words() words: bit p of word k is set when
    // position 64 k + p of the query (from 0) holds the symbol. Null when the
    // rows are not held whole; match_word() always works.
    const kernel::Word* match_row(kernel::Code code) const {
        return rows_.empty() ? nullptr : rows_.data() + std::size_t{code} * words();
    }
    // For a query of up to kByteRowWords words: the match row of each byte
    // b at b * words(), so that a text of bytes needs no codes; else null.
    const kernel::Word* byte_rows() const { return byte_rows_.empty() ? nullptr : byte_rows_.data(); }
    static constexpr std::size_t kByteRowWords = 8;

    kernel::Word match_word(kernel::Code code, std::size_t k) const {
        return rows_.empty() ? sparse_match_word(code, k) : rows_[std::size_t{code} * words() + k];
    }

    // Above this many bytes of match rows, the rows are read from positions.
    static constexpr std::size_t kDenseRowBytes = std::size_t{16} << 20;

private:
    struct WideSlot {
        char32_t symbol;
        kernel::Code code;  // 0: empty slot
    };

    kernel::Code add_symbol(char32_t symbol);
    kernel::Code wide_code(char32_t symbol) const;
    kernel::Word sparse_match_word(kernel::Code code, std::size_t k) const;
    void build_rows();

    std::size_t distinct_ = 0;
    kernel::Code byte_code_[256] = {};
    std::vector<WideSlot> wide_;  // capacity a power of two, or empty
    std::vector<kernel::Code> codes_;
    std::vector<kernel::Word> rows_;
    std::vector<kernel::Word> byte_rows_;
    // Without whole rows: the positions of code c at
    // positions_[first_position_[c]] up to positions_[first_position_[c + 1]].
    std::vector<std::uint32_t> first_position_;
    std::vector<std::uint32_t> positions_;
};

}  // namespace lcs::detail

#endif  // LCS_KERNEL_PATTERN_H
