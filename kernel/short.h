// The bit-parallel LCS of a short X against a Y of any length, with no heap
// storage and set-up in proportion to X.
#ifndef LCS_KERNEL_SHORT_H
#define LCS_KERNEL_SHORT_H

#include <cstddef>
#include <string_view>

#include "kernel/kernel.h"

namespace lcs::kernel {

// Longest X, in positions, that the short paths take.
constexpr std::size_t kShortMax = 256;

// The LCS of x (1 to kShortMax positions) and y.
std::size_t short_lcs(std::string_view x, std::string_view y, Isa isa);
std::size_t short_lcs(std::u32string_view x, std::u32string_view y, Isa isa);

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_SHORT_H
