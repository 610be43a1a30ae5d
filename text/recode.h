// Symbols recoded to one byte each, for routines that take bytes. A
// one-to-one map of symbols to bytes keeps every equality and inequality
// between positions, so the LCS (and any alignment) is the same as the
// symbols'.
#ifndef TEXT_RECODE_H
#define TEXT_RECODE_H

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lcs::text {

// The most distinct symbols that fit in one byte each.
constexpr std::size_t kMaxByteSymbols = 256;

// a and b with each distinct symbol of the two replaced by its own byte, in
// the order of first appearance (a's first, then b's); nothing when the two
// together hold more than kMaxByteSymbols distinct symbols.
std::optional<std::pair<std::string, std::string>> recode_to_bytes(std::u32string_view a,
                                                                   std::u32string_view b);

}  // namespace lcs::text

#endif  // TEXT_RECODE_H
