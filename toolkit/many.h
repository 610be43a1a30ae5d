// Internal entries of the many-against-many calls, for tests that force one
// vector path. Callers of the library use <lcs/lcs.h>.
#ifndef LCS_TOOLKIT_MANY_H
#define LCS_TOOLKIT_MANY_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <thread>
#include <vector>

#include <lcs/lcs.h>
#include "kernel/kernel.h"

namespace lcs::detail {

std::vector<std::int32_t> matrix(const std::vector<std::string_view>& queries,
                                 const std::vector<std::string_view>& choices, unsigned threads,
                                 const Stop* stop, kernel::Isa isa);
std::vector<std::int32_t> matrix(const std::vector<std::u32string_view>& queries,
                                 const std::vector<std::u32string_view>& choices, unsigned threads,
                                 const Stop* stop, kernel::Isa isa);
void matrix_into(const std::vector<std::string_view>& queries,
                 const std::vector<std::string_view>& choices, std::int32_t* out,
                 std::size_t out_size, unsigned threads, const Stop* stop, kernel::Isa isa);

// One list against itself when `choices` is null.
void pairs(const std::vector<std::string_view>& queries,
           const std::vector<std::string_view>* choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop, kernel::Isa isa);
void pairs(const std::vector<std::u32string_view>& queries,
           const std::vector<std::u32string_view>* choices, double min_similarity,
           const PairSink& sink, unsigned threads, const Stop* stop, kernel::Isa isa);

// The thread count asked for (0: every hardware thread), at most `parts`.
inline unsigned thread_count(unsigned asked, std::size_t parts) {
    if (asked == 0) asked = std::max(1U, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(asked, std::max<std::size_t>(parts, 1)));
}

}  // namespace lcs::detail

#endif  // LCS_TOOLKIT_MANY_H
