// Internal: the LCS of one short query with many choices at once, one choice
// per vector lane. Callers of the library use lcs::lengths.
#ifndef KERNEL_LANES_H
#define KERNEL_LANES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kernel/kernel.h"
#include "kernel/pattern.h"

namespace lcs::kernel {

// True when this processor runs the lanes with `isa` (plain and automatic
// always run; the AVX-512 lanes need VL besides AVX-512 BW).
inline bool lane_isa_available(Isa isa) { return runs(Component::lanes, isa); }

// A prepared query of at most kMaxSymbols symbols as the lanes read it.
// Each distinct symbol has a row, its pattern code less one (0 up to the
// count of distinct symbols less one); a symbol the query lacks has code 0
// and so the row kAbsent. Match words are kept both by row and by byte value.
class LaneQuery {
public:
    static constexpr std::size_t kMaxSymbols = 64;
    static constexpr std::uint8_t kAbsent = 0xFF;

    // The query must hold at most kMaxSymbols symbols.
    explicit LaneQuery(const detail::PatternData& query);

    std::int32_t size() const { return size_; }
    // Match words by row (entries past the query's distinct symbols are
    // zero, kAbsent's too) and by byte value.
    const std::uint64_t* row_table() const { return row_table_.data(); }
    const std::uint64_t* byte_table() const { return byte_table_.data(); }
    // A byte value that is not in the query: it pads choices that end.
    std::uint8_t absent_byte() const { return absent_byte_; }
    std::uint8_t row_of_symbol(char32_t symbol) const {
        return static_cast<std::uint8_t>(query_.code(symbol) - 1);
    }

private:
    const detail::PatternData& query_;
    std::int32_t size_;
    std::uint8_t absent_byte_ = 0;
    std::array<std::uint64_t, 256> row_table_{};
    std::array<std::uint64_t, 256> byte_table_{};
};

// out[i] = the LCS length of the query and choices[i], for i < count.
// Allocates nothing.
void lane_lengths(const LaneQuery& query, const std::string_view* choices, std::size_t count,
                  std::int32_t* out, Isa isa = Isa::automatic);
void lane_lengths(const LaneQuery& query, const std::u32string_view* choices, std::size_t count,
                  std::int32_t* out, Isa isa = Isa::automatic);

// Longest query that wide_lane_lengths takes.
constexpr std::size_t kWideLaneSymbols = 128;

// lane_lengths for a query of kMaxSymbols + 1 to kWideLaneSymbols symbols
// and byte choices, on AVX2: returns false, and does nothing, when the query
// is outside those lengths or `isa` or the processor rules AVX2 out.
bool wide_lane_lengths(const detail::PatternData& query, const std::string_view* choices,
                       std::size_t count, std::int32_t* out, Isa isa = Isa::automatic);

}  // namespace lcs::kernel

#endif  // KERNEL_LANES_H
