// The line diff's alignment: the difference search that lcs::align also
// uses for alike pieces (toolkit/differences.h), over lines as symbols, and
// the one assembler of runs (toolkit/keeps.h). Covered by
// tests/test_text_diff.cpp (Differences.*).
#include "text/differences.h"

#include <vector>

#include "toolkit/differences.h"
#include "toolkit/keeps.h"

namespace lcs::text {

std::optional<lcs::Alignment> align_by_differences(std::u32string_view a, std::u32string_view b,
                                                   std::uint64_t max_steps,
                                                   const lcs::Stop* stop) {
    const auto a_size = static_cast<std::int64_t>(a.size());
    const auto b_size = static_cast<std::int64_t>(b.size());
    std::vector<detail::Keep> keeps;
    detail::DifferenceSearch<char32_t> search(a.data(), b.data(), a_size + b_size, max_steps, stop,
                                              keeps);
    if (!search.compare(0, a_size, 0, b_size)) return std::nullopt;
    return detail::runs_of(keeps, static_cast<std::int32_t>(a_size), static_cast<std::int32_t>(b_size));
}

}  // namespace lcs::text
