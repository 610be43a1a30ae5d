// Internal: the LCS of one short query with many choices at once, one choice
// per 64-bit lane. Callers of the library use lcs::lengths.
#ifndef KERNEL_LANES_H
#define KERNEL_LANES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lcs::kernel {

// Which instructions run the lanes. automatic: the widest this processor has.
enum class LanePath { automatic, plain, avx2, avx512 };

// True when this processor runs `path` (plain and automatic always run).
bool lane_path_available(LanePath path);

// A query of at most kMaxSymbols symbols as the lanes read it: one 64-bit
// match word per row, and every symbol of a choice mapped to a row number
// that fits in a byte. Row r's word has bit i set when query symbol i maps
// to r. A byte query's rows are the byte values themselves; a symbol query's
// rows are its distinct symbols. Either way one row, `absent_row`, matches
// nothing: a byte query of at most 64 symbols leaves some byte value out,
// a symbol query has at most 64 distinct symbols.
class LaneQuery {
public:
    static constexpr std::size_t kMaxSymbols = 64;

    // The query must hold at most kMaxSymbols symbols.
    explicit LaneQuery(std::string_view query);
    explicit LaneQuery(std::u32string_view query);

    std::int32_t size() const { return size_; }
    const std::uint64_t* table() const { return table_.data(); }
    std::uint8_t absent_row() const { return absent_row_; }
    bool rows_are_bytes() const { return rows_are_bytes_; }
    std::uint8_t row_of_byte(unsigned char byte) const { return byte_row_[byte]; }
    std::uint8_t row_of_symbol(char32_t symbol) const;

private:
    void add_large_symbol_rows(std::u32string_view query);

    static constexpr std::size_t kSlots = 2 * kMaxSymbols;  // open addressing, half full at most
    std::int32_t size_ = 0;
    bool rows_are_bytes_ = true;
    std::uint8_t absent_row_ = 0;
    std::array<std::uint64_t, 256> table_{};
    std::array<std::uint8_t, 256> byte_row_{};
    std::array<char32_t, kSlots> slot_symbol_{};
    std::array<std::uint8_t, kSlots> slot_row_{};
    std::array<bool, kSlots> slot_used_{};
};

// out[i] = the LCS length of the query and choices[i], for i < count.
// Allocates nothing.
void lane_lengths(const LaneQuery& query, const std::string_view* choices, std::size_t count,
                  std::int32_t* out, LanePath path = LanePath::automatic);
void lane_lengths(const LaneQuery& query, const std::u32string_view* choices, std::size_t count,
                  std::int32_t* out, LanePath path = LanePath::automatic);

}  // namespace lcs::kernel

#endif  // KERNEL_LANES_H
